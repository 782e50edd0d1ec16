#include "tools/Form4.h"

#include "shell/BusyCursor.h"
#include "shell/MainWindow.h"
#include "shell/RichTextBox.h"
#include "tools/ToolWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

const QString Form4::Hint = QStringLiteral("    must be 6 chars long");

namespace {

QFont buttonFont()
{
    QFont f;
    f.setFamilies({QStringLiteral("MS Sans Serif")});
    f.setPointSizeF(8.25);
    f.setBold(true);
    return f;
}

} // namespace

Form4::Form4(MainWindow &owner)
    : QWidget(owner.widget()), m_owner(owner)
{
    using toolwindow::place;
    toolwindow::setUp(this, "Form4", QStringLiteral("Encode/Decode Options"), 4785, 1890);

    Label2 = place<QLabel>(this, "Label2", 120, 240, 1695, 255);
    Label2->setText(QStringLiteral("Encript Password:"));
    Label2->setAutoFillBackground(true);
    QPalette pal = Label2->palette();
    pal.setColor(QPalette::Window, colorFromBgr(0x00C0C0C0));
    Label2->setPalette(pal);

    Text2 = place<QLineEdit>(this, "Text2", 1680, 240, 1935, 285);
    Text2->setText(Hint);
    Text2->setCursorPosition(0);   // show the start, blanks and all

    Command2 = place<QPushButton>(this, "Command2", 3720, 240, 975, 255);
    Command2->setText(QStringLiteral("E"));
    Command2->setFont(buttonFont());
    Command2->setToolTip(QStringLiteral("Encript the current text"));

    Label1 = place<QLabel>(this, "Label1", 120, 720, 1455, 255);
    Label1->setText(QStringLiteral("Decript Password:"));

    Text1 = place<QLineEdit>(this, "Text1", 1680, 720, 1935, 285);
    Text1->setText(Hint);
    Text1->setCursorPosition(0);

    Command3 = place<QPushButton>(this, "Command3", 3720, 720, 975, 255);
    Command3->setText(QStringLiteral("D"));
    Command3->setFont(buttonFont());
    Command3->setToolTip(QStringLiteral("Decrypt the current text"));

    Command1 = place<QPushButton>(this, "Command1", 1680, 1320, 1575, 375);
    Command1->setText(QStringLiteral("Ok"));

    // Label2 overlaps Text2 by a little; the box stays on top.
    Text2->raise();

    // D first, then E, the encrypt box, the decrypt box, Ok.
    setTabOrder(Command3, Command2);
    setTabOrder(Command2, Text2);
    setTabOrder(Text2, Text1);
    setTabOrder(Text1, Command1);
    Command3->setFocus();
    // The boxes' names for a screen reader.
    Label2->setBuddy(Text2);
    Label1->setBuddy(Text1);

    connect(Command1, &QPushButton::clicked, this, &Form4::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form4::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form4::Command3_Click);
}

void Form4::showEvent(QShowEvent *e)
{
    // Centred on the main window when it first appears; after that it
    // stays where the user left it.
    if (!m_placed) {
        m_placed = true;
        const QRect owner = m_owner.widget()->frameGeometry();
        move(owner.center() - QPoint(width() / 2, height() / 2));
    }
    QWidget::showEvent(e);
}

void Form4::Command1_Click()
{
    hide();
}

void Form4::Command2_Click()
{
    const RichTextBox &box = m_owner.documentBox();
    // The sealed text never begins with "{\rtf", so it goes in as plain text.
    replaceText([&] { return CryptX1.encode(box.characters(), Text2->text()); }, true,
                QStringLiteral("Encoding failed: "), QStringLiteral("Text Encoded, please remember the password"));
}

void Form4::Command3_Click()
{
    const RichTextBox &box = m_owner.documentBox();
    replaceText([&] { return CryptX1.decode(box.Text(), Text1->text()); }, false,
                QStringLiteral("Decoding failed: "), QStringLiteral("Encripted text decoded"));
}

// The document stays as it was when the cipher fails (a wrong password must
// not destroy it) or the user cancels putting a long result in.
void Form4::replaceText(const std::function<Result<QString>()> &cipher, bool asRtf, const QString &failed,
                        const QString &done)
{
    const Result<QString> out = [&] {
        BusyCursor busy;
        return cipher();
    }();
    if (!out) {
        m_owner.setStatus(StatusTag::Error, failed + out.error());
        return;
    }
    RichTextBox &box = m_owner.documentBox();
    if (!(asRtf ? box.SetTextRTF(*out) : box.SetText(*out))) {
        m_owner.setStatus(StatusTag::Error, failed + QStringLiteral("cancelled"));
        return;
    }
    m_owner.setStatus(StatusTag::Func, done);
}
