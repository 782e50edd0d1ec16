#pragma once
// The internet transfer dialog "Internet Transfers": fetches the URL in its
// box and puts the content in place of the main window's document.
// Non-modal; the frame's close button is its only way out. While a transfer
// runs, its own modal progress dialog offers Cancel; closing the window
// cancels the transfer.

#include "tools/TransferDialog.h"
#include "tools/UrlFetcher.h"

#include <QPointer>
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
    ~Form5() override;

    QLabel *Label1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *Command1 = nullptr;
    UrlFetcher Inet1;

    // The dialog of the running transfer, null when none is shown.
    TransferDialog *progressDialog() const { return m_progress; }

public slots:
    void Command1_Click();   // Receive!

protected:
    void closeEvent(QCloseEvent *e) override;

private:
    void received(const QString &content);
    void failed(const QString &reason);
    void endProgress();

    MainWindow &m_owner;
    QPointer<TransferDialog> m_progress;
    QString m_typed;   // the box's text when the running transfer began
};
