#include "editing/Form2.h"

#include "shell/MainWindow.h"
#include "shell/RichTextBox.h"
#include "shell/SecondaryWindow.h"
#include "shell/Twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// Layout in twips.
constexpr int kClientWidth = 3810, kClientHeight = 1170;
constexpr quint32 kLabelBack = 0x00C0C0C0;

} // namespace

Form2::Form2(MainWindow &main)
    : QWidget(main.widget(), Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_main(main)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Search..."));
    setWindowIcon(QIcon(QStringLiteral(":/icons/dialog.xpm")));
    setAttribute(Qt::WA_DeleteOnClose);
    // The layout's sizes are made for an 8-point dialog font; larger,
    // "Search For:" would not fit its label.
    QFont small = font();
    small.setPointSizeF(8.25);
    setFont(small);
    setFixedSize(twips::toPxX(kClientWidth), twips::toPxY(kClientHeight));

    Label1 = new QLabel(QStringLiteral("Search For:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twips::rect(120, 240, 975, 255));
    Label1->setAutoFillBackground(true);
    QPalette pal = Label1->palette();
    pal.setColor(QPalette::Window, colorFromBgr(kLabelBack));
    Label1->setPalette(pal);

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(twips::rect(1080, 240, 2655, 285));

    Command1 = new QPushButton(QStringLiteral("Go!"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twips::rect(1320, 720, 1215, 375));
    // Neither default nor cancel button: Enter in the field searches nothing.
    Command1->setAutoDefault(false);
    Command1->setDefault(false);
    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);

    // Tab order by tab index: Go! first, so it has the focus at creation.
    setTabOrder(Command1, Text1);
    Command1->setFocus();
    Label1->setBuddy(Text1);   // the field's name for a screen reader
    closeOnEscape(this);

    // Centred on the main window when first shown.
    const QRect owner = main.widget()->frameGeometry();
    move(owner.center() - rect().center());
}

void Form2::showEvent(QShowEvent *event)
{
    // Go! has the focus, and whatever is typed goes to it: the style shows
    // the focus mark only after a move from the keyboard, so say there was one.
    setAttribute(Qt::WA_KeyboardFocusChange);
    QWidget::showEvent(event);
}

void Form2::Command1_Click()
{
    const QString text = Text1->text();
    m_main.documentBox().Find(text);
    hide();
}
