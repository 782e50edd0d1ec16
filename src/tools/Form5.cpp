#include "tools/Form5.h"

#include "shell/MainWindow.h"
#include "shell/RichTextBox.h"
#include "tools/ToolWindow.h"
#include "tools/TransferDialog.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

const QString Form5::SampleUrl = QStringLiteral("example.com/file.txt");

Form5::Form5(MainWindow &owner)
    : QWidget(owner.widget()), m_owner(owner)
{
    using toolwindow::place;
    toolwindow::setUp(this, "Form5", QStringLiteral("Internet Transfers"), 4680, 1020);

    Label1 = place<QLabel>(this, "Label1", 360, 360, 615, 255);
    Label1->setText(QStringLiteral("URL:"));

    Text1 = place<QLineEdit>(this, "Text1", 840, 360, 2415, 285);
    Text1->setText(SampleUrl);
    Text1->setCursorPosition(0);

    Command1 = place<QPushButton>(this, "Command1", 3360, 360, 1095, 255);
    Command1->setText(QStringLiteral("Receive!"));

    setTabOrder(Text1, Command1);
    Text1->setFocus();
    Label1->setBuddy(Text1);   // the box's name for a screen reader

    // Centred on the screen.
    if (QScreen *s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));

    connect(Command1, &QPushButton::clicked, this, &Form5::Command1_Click);
}

// A transfer still running when the window goes (the main window closing)
// is cancelled by the fetcher's destructor.
Form5::~Form5() = default;

void Form5::Command1_Click()
{
    if (Inet1.busy())
        return;
    m_typed = Text1->text();
    Inet1.URL = m_typed;
    if (!Inet1.OpenURL())
        return;
    connect(&Inet1, &UrlFetcher::received, this, &Form5::received, Qt::UniqueConnection);
    connect(&Inet1, &UrlFetcher::failed, this, &Form5::failed, Qt::UniqueConnection);
    m_progress = new TransferDialog(m_typed, this);
    connect(m_progress.data(), &QProgressDialog::canceled, &Inet1, &UrlFetcher::cancel);
    connect(&Inet1, &UrlFetcher::progress, m_progress.data(), &TransferDialog::setReceived);
    m_progress->show();
}

void Form5::endProgress()
{
    delete m_progress.data();
}

void Form5::received(const QString &content)
{
    endProgress();
    // Unformatted, whatever it is: a fetched RTF file shows its markup.
    if (!m_owner.documentBox().SetText(content)) {
        failed(QStringLiteral("cancelled"));
        return;
    }
    m_owner.setStatus(StatusTag::Func,
                      QStringLiteral("File Received from:") + UrlFetcher::withoutUserInfo(m_typed));
}

void Form5::failed(const QString &reason)
{
    endProgress();
    m_owner.setStatus(StatusTag::Error, QStringLiteral("Transfer failed: ") + reason);
}

void Form5::closeEvent(QCloseEvent *e)
{
    // Closing cancels a running transfer, and says so at once: the window
    // is destroyed before the fetcher's own answer could arrive.
    if (Inet1.busy()) {
        disconnect(&Inet1, nullptr, this, nullptr);
        Inet1.cancel();
        failed(QStringLiteral("cancelled"));
    }
    QWidget::closeEvent(e);
}
