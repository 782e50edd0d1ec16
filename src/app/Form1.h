#pragma once
// The main window: menu bar, toolbar strip of picture buttons, the editing
// area and the status line. Each menu item and button runs its own handler,
// and each handler is one call into the subsystem that owns the command
// (src/files, src/editing, src/format, src/views, src/tools). Those reach
// this window only through the MainWindow interface.

#include "app/DefaultServices.h"
#include "shell/CommonDialog.h"
#include "shell/MainWindow.h"

#include <QMainWindow>
#include <memory>

class EditCommands;
class FileCommands;
class FormatCommands;
class QAction;
class QMenu;
class QPushButton;
class QStatusBar;
class RichTextBox;
class StatusLine;
class ToolCommands;
class ViewCommands;

class Form1 : public QMainWindow, public MainWindow
{
    Q_OBJECT

public:
    explicit Form1(const Services &services = defaultServices(), QWidget *parent = nullptr);
    ~Form1() override;

    // Start-up: Form_Load, then shown as the active window.
    void start();
    // A file named on the command line, opened once start() is done.
    void openFile(const QString &path);

    // The one place that writes the status line; each write replaces it whole.
    void setStatus(const QString &text);
    void setStatus(StatusTag tag, const QString &text) override;
    QString status() const;
    // Title forms: "Quillet 99 v2.0" and "Quillet 99 v2.0: " + path.
    void setTitleFile(const QString &path) override;
    void resetTitle() override;

    // ---- controls -------------------------------------------------------
    QWidget *Toolbar1 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr,
                *Command5 = nullptr, *Command6 = nullptr, *Command7 = nullptr,
                *Command8 = nullptr, *Command9 = nullptr, *Command10 = nullptr,
                *Command11 = nullptr, *Command12 = nullptr, *Command13 = nullptr,
                *Command14 = nullptr, *Command15 = nullptr, *Command16 = nullptr,
                *Command17 = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    RichTextBox *RichTextBox1 = nullptr;
    CommonDialog CommonDialog1;

    // Menus. The File..Size titles carry their names as objectName ("font"
    // and "size" would hide QWidget members as C++ names).
    QMenu *archivo = nullptr, *edit = nullptr, *view = nullptr, *tools = nullptr,
          *fontMenu = nullptr, *sizeMenu = nullptr;
    QAction *nuevo = nullptr, *abrir = nullptr, *save = nullptr, *print = nullptr,
            *d = nullptr, *end = nullptr;
    QAction *cut = nullptr, *copy = nullptr, *paste = nullptr, *clear = nullptr,
            *select = nullptr, *bar = nullptr, *search = nullptr, *timedate = nullptr;
    QAction *full = nullptr, *tip = nullptr;
    QAction *encript = nullptr, *inet = nullptr;
    QAction *arial = nullptr, *arialblack = nullptr, *sans = nullptr, *msserif = nullptr,
            *small = nullptr, *tahoma = nullptr, *times = nullptr, *verdana = nullptr,
            *wing = nullptr, *more = nullptr, *divide = nullptr;
    QAction *ten = nullptr, *vei = nullptr, *tre = nullptr, *cua = nullptr, *ses = nullptr,
            *set = nullptr;
    QAction *color = nullptr;
    QAction *about = nullptr;

public slots:
    void Form_Load();
    void Form_Resize();

    // File
    void nuevo_Click();
    void abrir_Click();
    void save_Click();
    void print_Click();
    void end_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command14_Click();

    // Edit
    void cut_Click();
    void copy_Click();
    void paste_Click();
    void clear_Click();
    void select_Click();
    void search_Click();
    void timedate_Click();
    void Command8_Click();
    void Command9_Click();
    void Command10_Click();
    void Command2_Click();

    // Font
    void arial_Click();
    void arialblack_Click();
    void sans_Click();
    void msserif_Click();
    void small_Click();
    void tahoma_Click();
    void times_Click();
    void verdana_Click();
    void wing_Click();
    void more_Click();
    void ten_Click();
    void vei_Click();
    void tre_Click();
    void cua_Click();
    void ses_Click();
    void set_Click();
    void color_Click();
    void Command11_Click();
    void Command12_Click();
    void Command13_Click();
    void Command17_Click();

    // View and About
    void full_Click();
    void tip_Click();
    void about_Click();
    void Command15_Click();
    void Command16_Click();

    // Tools
    void encript_Click();
    void inet_Click();
    void Command1_Click();
    void Command3_Click();

protected:
    void resizeEvent(QResizeEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    // MainWindow, for the subsystems.
    RichTextBox &documentBox() override { return *RichTextBox1; }
    CommonDialog &commonDialog() override { return CommonDialog1; }
    QWidget *widget() override { return this; }
    void showMain() override;
    void hideMain() override { hide(); }

    void buildMenus();
    void buildToolbar();
    void describeButtons();
    void layoutDocked();
    QAction *item(QMenu *menu, const char *name, const QString &caption,
                  const QKeySequence &shortcut, void (Form1::*handler)());
    QPushButton *button(const char *name, int left, const char *picture, const QString &tooltip,
                        void (Form1::*handler)());

    std::shared_ptr<DialogHost> m_dialogs;   // CommonDialog1 answers through it
    QWidget *m_client = nullptr;             // the client area below the menu bar
    StatusLine *m_statusText = nullptr;

    std::unique_ptr<FileCommands> m_files;
    std::unique_ptr<EditCommands> m_editing;
    std::unique_ptr<FormatCommands> m_format;
    std::unique_ptr<ViewCommands> m_views;
    std::unique_ptr<ToolCommands> m_tools;
};
