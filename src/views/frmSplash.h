#pragma once
// The start-up greeting: product, version and the platform in use. A click
// on the frame's bare surface brings the main window forward and opens the
// tip of the day; a key only closes it.

#include <QFrame>

#include <functional>

class MainWindow;
class QLabel;

class frmSplash : public QFrame
{
    Q_OBJECT

public:
    // main is the window a click on the frame brings forward before
    // openTip runs.
    frmSplash(MainWindow &main, std::function<void()> openTip);
    ~frmSplash() override;

    // The name of the system the program runs on, as the splash shows it.
    static QString platformName();

    QFrame *Frame1 = nullptr;
    QLabel *lblCompanyProduct = nullptr;
    QLabel *lblProductName = nullptr;
    QLabel *lblPlatform = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblCompany = nullptr;
    QLabel *Image1 = nullptr;

public slots:
    void Frame1_Click();

protected:
    bool event(QEvent *e) override;

private:
    MainWindow &m_main;
    std::function<void()> m_openTip;
};
