#include "views/ViewCommands.h"

#include "shell/MainWindow.h"
#include "shell/RichTextBox.h"
#include "shell/SecondaryWindow.h"
#include "views/Form3.h"
#include "views/frmAbout.h"
#include "views/frmSplash.h"
#include "views/frmTip.h"

ViewCommands::ViewCommands(MainWindow &window, ViewSeams seams)
    : m_window(window), m_dialogs(std::move(seams.dialogs)), m_registry(std::move(seams.registry)),
      m_launcher(std::move(seams.launcher)), m_random(std::move(seams.random)),
      m_dataFolders(std::move(seams.dataFolders))
{
}

ViewCommands::~ViewCommands() = default;

void ViewCommands::showSplash()
{
    // A click on the splash's frame opens the tip of the day.
    m_splash = new frmSplash(m_window, [this] { showTip(); });
    m_splash->show();
}

Form3 *ViewCommands::presentFullScreen()
{
    if (!m_fullScreen)
        m_fullScreen = new Form3(m_window);
    m_fullScreen->showMaximized();
    m_fullScreen->raise();
    m_fullScreen->activateWindow();
    return m_fullScreen;
}

void ViewCommands::fullScreenCopy()
{
    m_window.hideMain();
    Form3 *view = presentFullScreen();
    // The copy is made once the view is on screen.
    view->showCopyOf(*m_window.documentBox().session().document());
}

void ViewCommands::fullScreen()
{
    presentFullScreen();
}

void ViewCommands::showTip()
{
    openSecondary(m_tip, m_window.widget(), m_random, m_dataFolders);
}

void ViewCommands::showAbout()
{
    openSecondary(m_about, m_window, *m_dialogs, m_registry, m_launcher);
}
