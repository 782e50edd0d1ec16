#pragma once
// The View menu, its buttons, About, and the splash at start-up.

#include "shell/Services.h"

#include <QPointer>

class Form3;
class MainWindow;
class frmAbout;
class frmSplash;
class frmTip;

class ViewCommands
{
public:
    ViewCommands(MainWindow &window, const Services &services);
    ~ViewCommands();

    // Start-up: the splash, and nothing else.
    void showSplash();
    // The menu hides the main window and shows a fresh copy of the
    // document; the button only shows the view with whatever it holds.
    void fullScreenCopy();
    void fullScreen();
    void showTip();
    void showAbout();

private:
    Form3 *presentFullScreen();

    MainWindow &m_window;
    std::shared_ptr<DialogHost> m_dialogs;
    std::shared_ptr<Registry> m_registry;
    std::shared_ptr<ProcessLauncher> m_launcher;
    std::function<double()> m_random;
    QStringList m_dataFolders;

    QPointer<frmSplash> m_splash;
    QPointer<Form3> m_fullScreen;
    QPointer<frmTip> m_tip;
    QPointer<frmAbout> m_about;
};
