#include "app/Form1.h"

#include "editing/EditCommands.h"
#include "files/FileCommands.h"
#include "format/FormatCommands.h"
#include "base/Product.h"
#include "shell/RichTextBox.h"
#include "shell/SecondaryWindow.h"
#include "shell/StatusLine.h"
#include "shell/Twips.h"
#include "tools/ToolCommands.h"
#include "views/ViewCommands.h"

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionButton>

namespace {

// Layout in twips.
constexpr int kClientLeft = 1845, kClientTop = 1710;
constexpr int kClientWidth = 7005, kClientHeight = 4680;
constexpr int kToolbarHeight = 420;
constexpr int kStatusHeight = 255;
constexpr int kButtonSize = 375;
constexpr int kEditLeft = 120, kEditTop = 600, kEditWidth = 6795, kEditHeight = 3615;
// Form_Resize keeps these fixed margins, whatever the real frame measures.
constexpr float kResizeWidthMargin = 400.0f;
constexpr float kResizeHeightMargin = 1750.0f;

} // namespace

Form1::Form1(const Services &services, QWidget *parent)
    : QMainWindow(parent), CommonDialog1(this, services.dialogs.get()),
      m_dialogs(services.dialogs),
      m_editing(std::make_unique<EditCommands>(*this, EditSeams{services.clipboard, services.clock})),
      m_format(std::make_unique<FormatCommands>(*this)),
      m_views(std::make_unique<ViewCommands>(
          *this, ViewSeams{services.dialogs, services.registry, services.launcher, services.random,
                           services.dataFolders})),
      m_tools(std::make_unique<ToolCommands>(*this))
{
    // The pictures are compiled into the static library; naming their
    // initializer makes sure the linker keeps them.
    Q_INIT_RESOURCE(quillet);

    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(product::caption());
    // The desktop's icon of that name where installed, so window and menu
    // entry match; our own picture otherwise.
    setWindowIcon(QIcon::fromTheme(QStringLiteral("quillet"), QIcon(QStringLiteral(":/icons/quillet.xpm"))));

    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    QPalette pal = m_client->palette();
    pal.setColor(QPalette::Window, colorFromBgr(0x00C0C0C0));
    m_client->setPalette(pal);
    m_client->setAutoFillBackground(true);
    m_client->setMinimumSize(0, 0);
    m_client->installEventFilter(this);
    setCentralWidget(m_client);

    RichTextBox1 = new RichTextBox(m_client);
    RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
    RichTextBox1->move(twips::toPxX(kEditLeft), twips::toPxY(kEditTop));
    RichTextBox1->SetWidth(kEditWidth);
    RichTextBox1->SetHeight(kEditHeight);
    // The file commands follow the documents of the editing area.
    m_files = std::make_unique<FileCommands>(*this, FileSeams{services.dialogs, services.printer, services.endProcess});

    buildToolbar();

    StatusBar1 = new QStatusBar(m_client);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    // The line fills the bar itself: QStatusBar's own layout puts spacing
    // above its widgets that a 255-twip bar has no room for.
    StatusBar1->setSizeGripEnabled(false);
    m_statusText = new StatusLine(StatusBar1);
    m_statusText->setObjectName(QStringLiteral("StatusText"));

    buildMenus();
    RichTextBox1->setClipboardActions(cut, copy, paste);

    // The docked strips stay above the editing area whatever size it gets.
    Toolbar1->raise();
    StatusBar1->raise();

    // Focus order; the editing area has the focus when the window opens.
    QWidget *order[] = {RichTextBox1, Command14, Command10, Command9, Command8, Command7,
                        Command6, Command5, Command16, Command15, Command2, Command1,
                        Command3, Command13, Command12, Command11, Command17};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
    RichTextBox1->setFocus();
    // Tab types a tab in the editing area; Ctrl+Tab and Ctrl+Shift+Tab move
    // on from anywhere, so the buttons (Bold, Italic and Underline have no
    // menu item) can be reached without a mouse.
    for (const bool forward : {true, false}) {
        auto *key = new QShortcut(forward ? QKeySequence(Qt::CTRL | Qt::Key_Tab)
                                          : QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), this);
        connect(key, &QShortcut::activated, this, [this, forward] {
            // A move from the keyboard, as Tab's own: the style marks the focus.
            setAttribute(Qt::WA_KeyboardFocusChange);
            focusNextPrevChild(forward);
        });
    }

    // Client area at its fixed place on the screen, below the menu bar.
    const int menuHeight = menuBar()->sizeHint().height();
    setGeometry(twips::toPxX(kClientLeft), twips::toPxY(kClientTop) - menuHeight,
                twips::toPxX(kClientWidth), twips::toPxY(kClientHeight) + menuHeight);
    layoutDocked();
}

Form1::~Form1() = default;

void Form1::start()
{
    Form_Load();
    showMain();
}

void Form1::openFile(const QString &path)
{
    m_files->openFile(path);
}

void Form1::showMain()
{
    presentWindow(this);
}

// ---- menus and toolbar -----------------------------------------------------

QAction *Form1::item(QMenu *menu, const char *name, const QString &caption,
                     const QKeySequence &shortcut, void (Form1::*handler)())
{
    QAction *a = menu->addAction(caption);
    a->setObjectName(QLatin1String(name));
    if (!shortcut.isEmpty())
        a->setShortcut(shortcut);
    if (handler)
        connect(a, &QAction::triggered, this, handler);
    return a;
}

void Form1::buildMenus()
{
    auto separator = [](QMenu *m, const char *name) {
        QAction *a = m->addSeparator();
        a->setObjectName(QLatin1String(name));
        return a;
    };
    auto menu = [this](const char *name, const QString &caption) {
        QMenu *m = menuBar()->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        m->menuAction()->setObjectName(QLatin1String(name));
        return m;
    };
    const QKeySequence none;

    archivo = menu("archivo", QStringLiteral("File"));
    nuevo = item(archivo, "nuevo", QStringLiteral("&New"), none, &Form1::nuevo_Click);
    abrir = item(archivo, "abrir", QStringLiteral("&Open"), QKeySequence(Qt::CTRL | Qt::Key_O), &Form1::abrir_Click);
    save = item(archivo, "save", QStringLiteral("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S), &Form1::save_Click);
    print = item(archivo, "print", QStringLiteral("Print"), QKeySequence(Qt::CTRL | Qt::Key_P), &Form1::print_Click);
    d = separator(archivo, "d");
    end = item(archivo, "end", QStringLiteral("&Exit"), QKeySequence(Qt::CTRL | Qt::Key_Q), &Form1::end_Click);

    edit = menu("edit", QStringLiteral("Edit"));
    cut = item(edit, "cut", QStringLiteral("Cut"), QKeySequence(Qt::CTRL | Qt::Key_C), &Form1::cut_Click);
    copy = item(edit, "copy", QStringLiteral("Copy"), QKeySequence(Qt::CTRL | Qt::Key_Y), &Form1::copy_Click);
    paste = item(edit, "paste", QStringLiteral("Paste"), QKeySequence(Qt::SHIFT | Qt::Key_Insert), &Form1::paste_Click);
    clear = item(edit, "clear", QStringLiteral("Clear All"), QKeySequence(Qt::SHIFT | Qt::Key_Delete), &Form1::clear_Click);
    select = item(edit, "select", QStringLiteral("Select All"), QKeySequence(Qt::CTRL | Qt::Key_A), &Form1::select_Click);
    bar = separator(edit, "bar");
    search = item(edit, "search", QStringLiteral("&Search"), QKeySequence(Qt::CTRL | Qt::Key_F), &Form1::search_Click);
    timedate = item(edit, "timedate", QStringLiteral("Time/ Date"), QKeySequence(Qt::CTRL | Qt::Key_T), &Form1::timedate_Click);

    view = menu("view", QStringLiteral("View"));
    full = item(view, "full", QStringLiteral("View Fullscreen"), QKeySequence(Qt::Key_F2), &Form1::full_Click);
    tip = item(view, "tip", QStringLiteral("View Tip of the Day"), none, &Form1::tip_Click);

    tools = menu("tools", QStringLiteral("&Tools"));
    encript = item(tools, "encript", QStringLiteral("Encript/Decript "), none, &Form1::encript_Click);
    inet = item(tools, "inet", QStringLiteral("Internet Transfers"), none, &Form1::inet_Click);

    fontMenu = menu("font", QStringLiteral("Font"));
    arial = item(fontMenu, "arial", QStringLiteral("Arial"), none, &Form1::arial_Click);
    arialblack = item(fontMenu, "arialblack", QStringLiteral("Arial Black"), none, &Form1::arialblack_Click);
    sans = item(fontMenu, "sans", QStringLiteral("MS Sans Serif"), none, &Form1::sans_Click);
    msserif = item(fontMenu, "msserif", QStringLiteral("MS Serif"), none, &Form1::msserif_Click);
    small = item(fontMenu, "small", QStringLiteral("Small Fonts"), none, &Form1::small_Click);
    tahoma = item(fontMenu, "tahoma", QStringLiteral("Tahoma"), none, &Form1::tahoma_Click);
    times = item(fontMenu, "times", QStringLiteral("Times New Roman"), none, &Form1::times_Click);
    verdana = item(fontMenu, "verdana", QStringLiteral("Verdana"), none, &Form1::verdana_Click);
    wing = item(fontMenu, "wing", QStringLiteral("Wingdings"), none, &Form1::wing_Click);
    more = item(fontMenu, "more", QStringLiteral("&More Fonts..."), none, &Form1::more_Click);
    divide = separator(fontMenu, "divide");
    sizeMenu = fontMenu->addMenu(QStringLiteral("Size"));
    sizeMenu->setObjectName(QStringLiteral("size"));
    sizeMenu->menuAction()->setObjectName(QStringLiteral("size"));
    ten = item(sizeMenu, "ten", QStringLiteral("10"), none, &Form1::ten_Click);
    vei = item(sizeMenu, "vei", QStringLiteral("20"), none, &Form1::vei_Click);
    tre = item(sizeMenu, "tre", QStringLiteral("30"), none, &Form1::tre_Click);
    cua = item(sizeMenu, "cua", QStringLiteral("40"), none, &Form1::cua_Click);
    ses = item(sizeMenu, "ses", QStringLiteral("60"), none, &Form1::ses_Click);
    set = item(sizeMenu, "set", QStringLiteral("70"), none, &Form1::set_Click);
    color = item(fontMenu, "color", QStringLiteral("Color"), none, &Form1::color_Click);

    // A menu-bar entry of its own, without a menu: a click runs it at once.
    about = menuBar()->addAction(QStringLiteral("About"));
    about->setObjectName(QStringLiteral("about"));
    connect(about, &QAction::triggered, this, &Form1::about_Click);

    // The menu's keys win over the editing area's own meaning of them.
    QList<QKeySequence> keys;
    const QList<QAction *> all = findChildren<QAction *>();
    for (QAction *a : all)
        if (!a->shortcut().isEmpty())
            keys << a->shortcut();
    RichTextBox1->setReservedKeys(keys);
}

QPushButton *Form1::button(const char *name, int left, const char *picture, const QString &tooltip,
                           void (Form1::*handler)())
{
    auto *b = new QPushButton(Toolbar1);
    b->setObjectName(QLatin1String(name));
    // The double-size drawing serves screens at 200%.
    QIcon icon(QStringLiteral(":/icons/%1.xpm").arg(QLatin1String(picture)));
    icon.addFile(QStringLiteral(":/icons/%1@2x.xpm").arg(QLatin1String(picture)));
    b->setIcon(icon);
    b->setGeometry(twips::rect(left, 0, kButtonSize, kButtonSize));
    // The picture at its own size, unless that would cover the button's
    // frame (the 24 by 22 Encrypt/Decrypt picture): then as large as the
    // face holds, so the style centres it inside the frame.
    const QPixmap px(QStringLiteral(":/icons/%1.xpm").arg(QLatin1String(picture)));
    QSize size = px.isNull() ? QSize(16, 16) : px.size();
    QStyleOptionButton opt;
    opt.initFrom(b);
    const QSize face = b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b).size();
    if (size.width() > face.width() || size.height() > face.height())
        size = size.scaled(face, Qt::KeepAspectRatio);
    b->setIconSize(size);
    b->setToolTip(tooltip);
    // Reachable with Tab, but a click leaves the focus in the editing area.
    b->setFocusPolicy(Qt::TabFocus);
    connect(b, &QPushButton::clicked, this, handler);
    return b;
}

void Form1::buildToolbar()
{
    Toolbar1 = new QWidget(m_client);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setAutoFillBackground(true);
    QPalette pal = Toolbar1->palette();
    pal.setColor(QPalette::Window, colorFromBgr(0x00C0C0C0));
    Toolbar1->setPalette(pal);

    // Left to right, in groups: file, clipboard, tools, styles, colour, views.
    Command5 = button("Command5", 0, "new", QStringLiteral("New File"), &Form1::Command5_Click);
    Command6 = button("Command6", 360, "save", QStringLiteral("Save File"), &Form1::Command6_Click);
    Command7 = button("Command7", 720, "open", QStringLiteral("Open File"), &Form1::Command7_Click);
    Command14 = button("Command14", 1080, "print", QStringLiteral("Print File"), &Form1::Command14_Click);
    Command8 = button("Command8", 1680, "cut", QStringLiteral("Cut Selected Text"), &Form1::Command8_Click);
    Command9 = button("Command9", 2040, "copy", QStringLiteral("Copy Selected Text"), &Form1::Command9_Click);
    Command10 = button("Command10", 2400, "paste", QStringLiteral("Paste the selected Text"), &Form1::Command10_Click);
    Command1 = button("Command1", 3120, "inet", QStringLiteral("Internet Transfers"), &Form1::Command1_Click);
    Command3 = button("Command3", 3480, "encrypt", QStringLiteral("Encrypt or Decrypt Text"), &Form1::Command3_Click);
    Command2 = button("Command2", 3840, "search", QStringLiteral("Search for Text"), &Form1::Command2_Click);
    Command11 = button("Command11", 4320, "underline", QStringLiteral("Underline"), &Form1::Command11_Click);
    Command12 = button("Command12", 4680, "italic", QStringLiteral("Italic"), &Form1::Command12_Click);
    Command13 = button("Command13", 5040, "bold", QStringLiteral("Bold"), &Form1::Command13_Click);
    Command17 = button("Command17", 5520, "color", QStringLiteral("Text Color"), &Form1::Command17_Click);
    Command15 = button("Command15", 6120, "fullscreen", QStringLiteral("Full Screen View"), &Form1::Command15_Click);
    Command16 = button("Command16", 6480, "tip", QStringLiteral("Tip of day"), &Form1::Command16_Click);
    describeButtons();
}

void Form1::describeButtons()
{
    // What a screen reader says for each picture: a short name and what
    // pressing it does.
    const struct { QPushButton *button; const char *name, *description; } texts[] = {
        {Command5, "New File", "Starts an empty document"},
        {Command6, "Save File", "Saves the document as RTF or plain text"},
        {Command7, "Open File", "Opens an RTF or plain text file (Ctrl+O)"},
        {Command14, "Print File", "Prints the document's text (Ctrl+P)"},
        {Command8, "Cut", "Moves the selected text to the clipboard (Ctrl+C)"},
        {Command9, "Copy", "Copies the selected text to the clipboard (Ctrl+Y)"},
        {Command10, "Paste", "Inserts the clipboard's text (Shift+Insert)"},
        {Command1, "Internet Transfers", "Opens the window that fetches a file from a URL"},
        {Command3, "Encrypt or Decrypt", "Opens the window that encrypts or decrypts the text with a password"},
        {Command2, "Search", "Opens the search window (Ctrl+F)"},
        {Command11, "Underline", "Underlines the selected text, or removes the underline"},
        {Command12, "Italic", "Sets the selected text in italics, or back to upright"},
        {Command13, "Bold", "Sets the selected text in bold, or back to regular"},
        {Command17, "Color", "Chooses the colour of the selected text"},
        {Command15, "Full Screen View", "Shows the document across the whole screen (F2 goes back)"},
        {Command16, "Tip of the Day", "Shows a tip about the program"}};
    for (const auto &t : texts) {
        t.button->setAccessibleName(QString::fromUtf8(t.name));
        t.button->setAccessibleDescription(QString::fromUtf8(t.description));
    }
}

// ---- sizes -------------------------------------------------------------------

void Form1::layoutDocked()
{
    const int w = m_client->width();
    const int h = m_client->height();
    Toolbar1->setGeometry(0, 0, w, twips::toPxY(kToolbarHeight));
    const int sh = twips::toPxY(kStatusHeight);
    StatusBar1->setGeometry(0, h - sh, w, sh);
    m_statusText->setGeometry(StatusBar1->rect());
}

void Form1::Form_Resize()
{
    // Each dimension on its own: a negative result fails and keeps that
    // dimension as it was, while the other is still set.
    const QRect outer = frameGeometry();
    RichTextBox1->SetWidth(float(twips::fromPxX(outer.width())) - kResizeWidthMargin);
    RichTextBox1->SetHeight(float(twips::fromPxY(outer.height())) - kResizeHeightMargin);
}

void Form1::resizeEvent(QResizeEvent *e)
{
    QMainWindow::resizeEvent(e);
    Form_Resize();
}

bool Form1::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == m_client && e->type() == QEvent::Resize)
        layoutDocked();
    return QMainWindow::eventFilter(watched, e);
}

void Form1::closeEvent(QCloseEvent *e)
{
    // Closing the main window ends the program, hidden windows included.
    e->accept();
    QApplication::quit();
}

// ---- status line and title ---------------------------------------------------

void Form1::setStatus(const QString &text)
{
    // The line tells assistive technology when its message changes; a
    // message written again unchanged is news as well, so it is announced too.
    const bool same = m_statusText->message() == text;
    m_statusText->setMessage(text);
    // The whole message, however much of it the line has room for.
    StatusBar1->setToolTip(text);
    if (same) {
        QAccessibleEvent changed(m_statusText, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
    }
}

void Form1::setStatus(StatusTag tag, const QString &text)
{
    setStatus(statusText(tag, text));
}

QString Form1::status() const
{
    return m_statusText->message();
}

void Form1::setTitleFile(const QString &path)
{
    setWindowTitle(product::caption() + QStringLiteral(": ") + path);
}

void Form1::resetTitle()
{
    setWindowTitle(product::caption());
}

// ---- handlers: each hands its command to the subsystem that owns it ----------

void Form1::Form_Load() { m_views->showSplash(); }

void Form1::nuevo_Click() { m_files->newDocument(FileCommands::Title::Keep); }
void Form1::Command5_Click() { m_files->newDocument(FileCommands::Title::Reset); }
void Form1::abrir_Click() { m_files->open(); }
void Form1::Command7_Click() { m_files->open(); }
void Form1::save_Click() { m_files->save(FileCommands::Report::MenuItem); }
void Form1::Command6_Click() { m_files->save(FileCommands::Report::Button); }
void Form1::print_Click() { m_files->print(); }
void Form1::Command14_Click() { m_files->print(); }
void Form1::end_Click() { m_files->exit(); }

void Form1::cut_Click() { m_editing->cut(); }
void Form1::Command8_Click() { m_editing->cut(); }
void Form1::copy_Click() { m_editing->copy(); }
void Form1::Command9_Click() { m_editing->copy(); }
void Form1::paste_Click() { m_editing->paste(); }
void Form1::Command10_Click() { m_editing->paste(); }
void Form1::clear_Click() { m_editing->clearAll(); }
void Form1::select_Click() { m_editing->selectAll(); }
void Form1::timedate_Click() { m_editing->insertTimeDate(); }
void Form1::search_Click() { m_editing->showSearch(); }
void Form1::Command2_Click() { m_editing->showSearch(); }

// Two faces go in lower case, as the menu has always written them; each name
// is kept even where this machine lacks the face.
void Form1::arial_Click() { m_format->setFace(QStringLiteral("arial")); }
void Form1::arialblack_Click() { m_format->setFace(QStringLiteral("Arial Black")); }
void Form1::sans_Click() { m_format->setFace(QStringLiteral("MS Sans Serif")); }
void Form1::msserif_Click() { m_format->setFace(QStringLiteral("MS Serif")); }
void Form1::small_Click() { m_format->setFace(QStringLiteral("Small Fonts")); }
void Form1::tahoma_Click() { m_format->setFace(QStringLiteral("Tahoma")); }
void Form1::times_Click() { m_format->setFace(QStringLiteral("Times New Roman")); }
void Form1::verdana_Click() { m_format->setFace(QStringLiteral("Verdana")); }
void Form1::wing_Click() { m_format->setFace(QStringLiteral("wingdings")); }
void Form1::ten_Click() { m_format->setSize(10); }
void Form1::vei_Click() { m_format->setSize(20); }
void Form1::tre_Click() { m_format->setSize(30); }
void Form1::cua_Click() { m_format->setSize(40); }
void Form1::ses_Click() { m_format->setSize(60); }
void Form1::set_Click() { m_format->setSize(70); }
void Form1::Command11_Click() { m_format->toggleUnderline(); }
void Form1::Command12_Click() { m_format->toggleItalic(); }
void Form1::Command13_Click() { m_format->toggleBold(); }
void Form1::color_Click() { m_format->colourFromDialog(); }
void Form1::Command17_Click() { m_format->colourFromDialog(); }
void Form1::more_Click() { m_format->fontFromDialog(); }

void Form1::full_Click() { m_views->fullScreenCopy(); }
void Form1::Command15_Click() { m_views->fullScreen(); }
void Form1::tip_Click() { m_views->showTip(); }
void Form1::Command16_Click() { m_views->showTip(); }
void Form1::about_Click() { m_views->showAbout(); }

void Form1::encript_Click() { m_tools->showEncryption(); }
void Form1::Command3_Click() { m_tools->showEncryption(); }
void Form1::inet_Click() { m_tools->showTransfers(); }
void Form1::Command1_Click() { m_tools->showTransfers(); }
