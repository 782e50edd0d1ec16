#pragma once
// The main window: menu bar, toolbar strip of picture buttons, the editing
// area and the status line. Each menu item and button runs its own handler;
// the handlers live in the folder of the subsystem that owns the command
// (src/files, src/editing, src/format, src/views, src/tools).

#include "shell/CommonDialog.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <QDate>        // editing
#include <QTime>        // editing

class DialogHost;
class Form4; class Form5;   // tools
class ClipboardPort; class Form2;   // editing
class PrinterSink;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QStatusBar;
class RichTextBox;
class Form3; class frmAbout; class frmSplash; class frmTip; struct ViewSeams;   // views

class Form1 : public QMainWindow
{
    Q_OBJECT

public:
    static const QString Caption;   // "Quillet 99 v2.0"

    // host answers the modal dialogs; null means the real Qt dialogs.
    explicit Form1(DialogHost *host = nullptr, QWidget *parent = nullptr);
    ~Form1() override;

    // Start-up: Form_Load, then shown as the active window.
    void start();

    // The one place that writes the status line; each write replaces it whole.
    void SetStatus(const QString &text);
    QString Status() const;
    // Title forms: "Quillet 99 v2.0" and "Quillet 99 v2.0: " + path.
    void SetTitleFile(const QString &path);
    void ResetTitle();

    void setDialogHost(DialogHost *host);
    DialogHost &dialogs() const { return *CommonDialog1.host(); }

    // ---- controls -------------------------------------------------------
    QWidget *client = nullptr;        // the client area below the menu bar
    QWidget *Toolbar1 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr,
                *Command5 = nullptr, *Command6 = nullptr, *Command7 = nullptr,
                *Command8 = nullptr, *Command9 = nullptr, *Command10 = nullptr,
                *Command11 = nullptr, *Command12 = nullptr, *Command13 = nullptr,
                *Command14 = nullptr, *Command15 = nullptr, *Command16 = nullptr,
                *Command17 = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    RichTextBox *RichTextBox1 = nullptr;
    mutable CommonDialog CommonDialog1;

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

    // File (src/files)
    void nuevo_Click();
    void abrir_Click();
    void save_Click();
    void print_Click();
    void end_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command14_Click();

    // Edit (src/editing)
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

    // Font (src/format)
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

    // View and About (src/views)
    void full_Click();
    void tip_Click();
    void about_Click();
    void Command15_Click();
    void Command16_Click();

    // Tools (src/tools)
    void encript_Click();
    void inet_Click();
    void Command1_Click();
    void Command3_Click();

public:
    // ---- state of the subsystems' commands ------------------------------
    // Each subsystem adds what its handlers need below its own heading.

    // files
    // Where Print sends the plain text; null means the real printer.
    std::shared_ptr<PrinterSink> printerSink;
    // Ends the process once Exit is confirmed; empty means quit the program.
    std::function<void()> endProcess;

    // editing
    QPointer<Form2> form2_;                     // the search dialog while it exists
    std::shared_ptr<ClipboardPort> clipboard_;  // null: the system clipboard
    std::function<QDate()> dateNow_;            // null: the system clock
    std::function<QTime()> timeNow_;

    // format

    // views
    QPointer<Form3> form3_;
    QPointer<frmTip> frmTip_;
    QPointer<frmSplash> frmSplash_;
    QPointer<frmAbout> frmAbout_;
    // Registry, program launcher and tip draws of the views; tests put fakes
    // here before opening a window.
    ViewSeams &viewSeams();
    std::shared_ptr<ViewSeams> viewSeams_;

    // tools
    QPointer<Form4> form4_;   // encryption dialog, while it exists
    QPointer<Form5> form5_;   // internet transfer dialog, while it exists

protected:
    void resizeEvent(QResizeEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    void buildMenus();
    void buildToolbar();
    void layoutDocked();
    QAction *item(QMenu *menu, const char *name, const QString &caption,
                  const QKeySequence &shortcut, void (Form1::*handler)());
    QPushButton *button(const char *name, int left, const char *picture, const QString &tooltip,
                        void (Form1::*handler)());

    std::unique_ptr<DialogHost> m_ownHost;
    QLabel *m_statusText = nullptr;
};
