#pragma once
// The about box: product, version, credits, and a button that starts the
// platform's system-information viewer, found through the registry.

#include <QDialog>

#include <memory>

class DialogHost;
class MainWindow;
class QLabel;
class QLineEdit;
class QPushButton;
class ProcessLauncher;
class Registry;

class frmAbout : public QDialog
{
    Q_OBJECT

public:
    static const QString HomePage;
    static const QString Contact;
    static const QString Unavailable;   // "System Information Is Unavailable At This Time"

    // A child of main; the unavailable message goes through dialogs.
    frmAbout(MainWindow &main, DialogHost &dialogs, std::shared_ptr<Registry> registry,
             std::shared_ptr<ProcessLauncher> launcher);
    ~frmAbout() override;

    // Reads one registry value as text into value. False when the key cannot
    // be opened or the value read (value is then ""). When the value holds
    // no data at all, *error is set and value is left as it was: the caller
    // treats that as a failure of its own.
    static bool GetKeyValue(Registry &registry, quintptr rootKey, const QString &keyName,
                            const QString &valueName, QString &value, bool *error = nullptr);
    // Finds and starts the viewer, or says it is unavailable.
    void StartSysInfo();

    QLabel *picIcon = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblDescription = nullptr;
    QLineEdit *Text1 = nullptr;
    QLabel *Label1 = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdSysInfo = nullptr;

public slots:
    void cmdOK_Click();
    void cmdSysInfo_Click();

protected:
    void paintEvent(QPaintEvent *e) override;

private:
    DialogHost &m_dialogs;
    std::shared_ptr<Registry> m_registry;
    std::shared_ptr<ProcessLauncher> m_launcher;
};
