#pragma once
// The internet transfer dialog "Internet Transfers": fetches the URL in its
// box and puts the content in place of the main window's document.
// Non-modal; the frame's close button is its only way out.

#include "tools/UrlFetcher.h"

#include <QWidget>

class MainWindow;
class QLabel;
class QLineEdit;
class QPushButton;

class Form5 : public QWidget
{
    Q_OBJECT

public:
    // What the box holds when the window opens: host, "/", file name.
    static const QString SampleUrl;

    // A child of owner, whose document it replaces.
    explicit Form5(MainWindow &owner);

    QLabel *Label1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *Command1 = nullptr;
    UrlFetcher Inet1;

public slots:
    void Command1_Click();   // Receive!

protected:
    void closeEvent(QCloseEvent *e) override;

private:
    MainWindow &m_owner;
};
