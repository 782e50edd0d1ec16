#include "shell/Form1.h"

#include "shell/RichTextBox.h"
#include "views/Form3.h"
#include "views/ProcessLauncher.h"
#include "views/Registry.h"
#include "views/ViewSeams.h"
#include "views/frmAbout.h"
#include "views/frmSplash.h"
#include "views/frmTip.h"

#include <QCoreApplication>
#include <QDir>

// Views: start-up splash, full screen, tip of the day, about box.

#ifndef QUILLET_DATA_DIR
#define QUILLET_DATA_DIR ""
#endif

QStringList programDataFolders()
{
    QStringList folders;
    if (QCoreApplication::instance())
        folders << QDir::cleanPath(QCoreApplication::applicationDirPath()
                                   + QStringLiteral("/../share/quillet"));
    const QString configured = QStringLiteral(QUILLET_DATA_DIR);
    if (!configured.isEmpty() && !folders.contains(QDir::cleanPath(configured)))
        folders << QDir::cleanPath(configured);
    return folders;
}

namespace {

// A window with no owner still goes when the main window goes.
void deleteWithMainWindow(Form1 *main, QWidget *window)
{
    QObject::connect(main, &QObject::destroyed, window, [window] { delete window; });
}

} // namespace

ViewSeams &Form1::viewSeams()
{
    if (!viewSeams_) {
        viewSeams_ = std::make_shared<ViewSeams>();
        viewSeams_->tipFolders = programDataFolders();
    }
    if (!viewSeams_->registry)
        viewSeams_->registry = platformRegistry();
    if (!viewSeams_->launcher)
        viewSeams_->launcher = defaultLauncher();
    return *viewSeams_;
}

void Form1::Form_Load()
{
    // The splash has no owner; the main window is shown when this returns.
    auto *splash = new frmSplash(this);
    frmSplash_ = splash;
    deleteWithMainWindow(this, splash);
    splash->show();
}

namespace {

Form3 *fullScreenView(Form1 *main)
{
    if (!main->form3_) {
        main->form3_ = new Form3(main);
        deleteWithMainWindow(main, main->form3_);
    }
    return main->form3_;
}

void showView(Form3 *view)
{
    view->showMaximized();
    view->raise();
    view->activateWindow();
}

void openTip(Form1 *main)
{
    if (!main->frmTip_) {
        ViewSeams &seams = main->viewSeams();
        main->frmTip_ = new frmTip(main, seams.tipRandom, seams.tipFolders);
    }
    main->frmTip_->show();
    main->frmTip_->raise();
    main->frmTip_->activateWindow();
}

} // namespace

void Form1::full_Click()
{
    hide();
    Form3 *view = fullScreenView(this);
    showView(view);
    // The copy is made once the view is on screen.
    view->ShowCopyOf(*RichTextBox1->document());
}

void Form1::Command15_Click()
{
    // Only shows the view, with whatever it holds; the main window stays.
    showView(fullScreenView(this));
}

void Form1::tip_Click()
{
    openTip(this);
}

void Form1::Command16_Click()
{
    openTip(this);
}

void Form1::about_Click()
{
    if (!frmAbout_)
        frmAbout_ = new frmAbout(this);
    frmAbout_->show();
    frmAbout_->raise();
    frmAbout_->activateWindow();
}
