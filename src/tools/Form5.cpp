#include "tools/Form5.h"

#include "shell/MainWindow.h"
#include "shell/RichTextBox.h"
#include "tools/ToolWindow.h"

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

    Inet1.ProgressParent = this;

    // Centred on the screen.
    if (QScreen *s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));

    connect(Command1, &QPushButton::clicked, this, &Form5::Command1_Click);
}

void Form5::Command1_Click()
{
    Inet1.URL = Text1->text();
    const Result<QString> content = Inet1.OpenURL();
    if (!content) {
        m_owner.SetStatus(StatusTag::Error, QStringLiteral("Transfer failed: ") + content.error());
        return;
    }
    // Unformatted, whatever it is: a fetched RTF file shows its markup.
    if (!m_owner.documentBox().SetText(*content)) {
        m_owner.SetStatus(StatusTag::Error, QStringLiteral("Transfer failed: cancelled"));
        return;
    }
    m_owner.SetStatus(StatusTag::Func, QStringLiteral("File Received from:") + Text1->text());
}

void Form5::closeEvent(QCloseEvent *e)
{
    // The fetcher lives in this window: while it runs, closing only cancels.
    if (Inet1.Busy()) {
        Inet1.Cancel();
        e->ignore();
        return;
    }
    QWidget::closeEvent(e);
}
