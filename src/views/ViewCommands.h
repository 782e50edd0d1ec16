#pragma once
// The View menu, its buttons, About, and the splash at start-up.

#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>

class DialogHost;
class Form3;
class MainWindow;
class ProcessLauncher;
class Registry;
class frmAbout;
class frmSplash;
class frmTip;

// The platform seams the views use.
struct ViewSeams
{
    std::shared_ptr<DialogHost> dialogs;
    std::shared_ptr<Registry> registry;        // the about box's "System Info"
    std::shared_ptr<ProcessLauncher> launcher; // starts the viewer it finds
    // Draws of the tip window, each in [0, 1). Empty: every new tip window
    // seeds a generator of its own from the clock.
    std::function<double()> random;
    // Folders searched for data files (TIPOFDAY.TXT) after the current one.
    QStringList dataFolders;
};

class ViewCommands
{
public:
    ViewCommands(MainWindow &window, ViewSeams seams);
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
