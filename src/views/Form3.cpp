#include "views/Form3.h"

#include "rtf/Rtf.h"
#include "shell/MainWindow.h"
#include "base/Product.h"
#include "shell/RichTextBox.h"
#include "shell/Twips.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QMenuBar>
#include <QTextDocument>

const QString Form3::Caption = product::caption() + QStringLiteral(": Full Screen View");

namespace {
// The editing area keeps the layout's left margin and fills the rest.
constexpr int kEditLeft = 120;
constexpr int kEditMargin = 120;   // right and bottom, so the frame of the area shows
} // namespace

Form3::Form3(MainWindow &main)
    : QMainWindow(main.widget(), Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                               | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_main(main)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(Caption);
    setWindowIcon(QIcon(QStringLiteral(":/icons/quillet.xpm")));

    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    m_client->installEventFilter(this);
    setCentralWidget(m_client);

    RichTextBox1 = new RichTextBox(m_client);
    RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
    RichTextBox1->move(twips::toPxX(kEditLeft), 0);
    RichTextBox1->SetWidth(9255);
    RichTextBox1->SetHeight(6255);

    // A menu-bar entry without a menu runs as soon as it is clicked.
    back = menuBar()->addAction(QStringLiteral("Back To Editing (F2)"));
    back->setObjectName(QStringLiteral("back"));
    connect(back, &QAction::triggered, this, &Form3::back_Click);

    // "Back" is the entry's one item; only its key is ever used, since the
    // entry acts before an item could be chosen.
    ba = new QAction(QStringLiteral("Back"), this);
    ba->setObjectName(QStringLiteral("ba"));
    ba->setShortcut(QKeySequence(Qt::Key_F2));
    addAction(ba);
    connect(ba, &QAction::triggered, this, &Form3::back_Click);
    RichTextBox1->setReservedKeys({ba->shortcut()});

    RichTextBox1->setFocus();

    // The whole screen also where no window manager maximizes windows.
    QScreen *screen = main.widget()->screen();
    if (screen)
        setGeometry(screen->availableGeometry());
}

Form3::~Form3() = default;

void Form3::showCopyOf(const QTextDocument &source)
{
    // Not QTextDocument::clone(), which is quadratic in the length of a list.
    std::unique_ptr<QTextDocument> copy = rtf::Document::copyOf(source);
    // The copy starts with a clean history: Ctrl+Z in the view must not
    // undo the copying itself.
    copy->clearUndoRedoStacks();
    // Shown the way the editor shows any document, long words and big
    // documents included.
    RichTextBox1->session().reset(std::move(copy));
}

void Form3::back_Click()
{
    hide();
    m_main.showMain();
}

void Form3::closeEvent(QCloseEvent *e)
{
    // The frame's close button goes back like the menu: the main window may
    // be hidden, and the view keeps its document for the toolbar button.
    e->ignore();
    back_Click();
}

bool Form3::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == m_client && e->type() == QEvent::Resize)
        layoutEditor();
    return QMainWindow::eventFilter(watched, e);
}

void Form3::layoutEditor()
{
    const double w = twips::fromPxX(m_client->width()) - kEditLeft - kEditMargin;
    const double h = twips::fromPxY(m_client->height()) - kEditMargin;
    // Too small a window keeps the last size rather than a negative one.
    RichTextBox1->SetWidth(float(w));
    RichTextBox1->SetHeight(float(h));
}
