#include "shell/Form1.h"

#include "files/PrinterSink.h"
#include "shell/DialogHost.h"
#include "shell/RichTextBox.h"

#include <QApplication>
#include <QPrinter>
#include <QThread>

#include <cstdlib>

// File commands: open, save, new, exit, print.

namespace {

const QString kOpenFilter = QStringLiteral("RTF Files|*.rtf|ALL Files|*.*");
const QString kSaveFilter = QStringLiteral("RTF Files|*.rtf|All Files|*.*");
const QString kSaveFailed = QStringLiteral("[ERROR] An error has occurred (CANCEL)");
const QString kAppTitle = QStringLiteral("Quillet 99");

// The first filter entry means Rich Text Format, any other plain text,
// whatever the file is called.
int fileTypeFor(int filterIndex)
{
    return filterIndex == 1 ? RichTextBox::rtfRTF : RichTextBox::rtfText;
}

// Reading or writing a big file takes a moment; show that we are busy.
struct BusyCursor
{
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

enum class SaveReport { MenuItem, Button };

void openDocument(Form1 &f)
{
    f.CommonDialog1.Filter = kOpenFilter;
    // A cancelled dialog must not reload whatever file an earlier dialog
    // left in FileName.
    if (f.CommonDialog1.ShowOpen() != CommonDialog::Accepted)
        return;
    const QString path = f.CommonDialog1.FileName;
    QString why;
    bool loaded;
    {
        BusyCursor busy;
        loaded = f.RichTextBox1->LoadFile(path, fileTypeFor(f.CommonDialog1.FilterIndex), &why);
    }
    if (!loaded) {
        f.SetStatus(QStringLiteral("[ERROR] Could not open ") + path + QStringLiteral(": ") + why);
        return;
    }
    f.SetTitleFile(path);
    f.SetStatus(QStringLiteral("[ACTION] File Opened: ") + path);
}

void saveDocument(Form1 &f, SaveReport report)
{
    f.CommonDialog1.Filter = kSaveFilter;
    // Only an accepted dialog updates FileName, so a cancel never writes to
    // the name an earlier dialog left behind.
    if (f.CommonDialog1.SetAction(2) != CommonDialog::Accepted) {
        f.SetStatus(kSaveFailed);
        return;
    }
    const int type = fileTypeFor(f.CommonDialog1.FilterIndex);
    const QString path = f.CommonDialog1.FileName;
    bool saved;
    {
        BusyCursor busy;
        saved = f.RichTextBox1->SaveFile(path, type, nullptr);
    }
    if (!saved) {
        f.SetStatus(kSaveFailed);
        return;
    }
    f.SetTitleFile(path);
    // The two handlers report differently: the menu item only for plain
    // text and with a colon, the button always and without one.
    if (report == SaveReport::Button)
        f.SetStatus(QStringLiteral("[ACTION] File Saved") + path);
    else if (type == RichTextBox::rtfText)
        f.SetStatus(QStringLiteral("[ACTION] File Saved:") + path);
}

void printDocument(Form1 &f)
{
    CommonDialog &dlg = f.CommonDialog1;
    // Cancel in the printer dialog counts as a failure from here on, for
    // the later file dialogs too.
    dlg.CancelError = true;
    dlg.Flags = 264;    // return a device context, hide page numbers
    const int selLength = f.RichTextBox1->SelLength();
    dlg.Flags = dlg.Flags + (selLength != 0 ? 1 : 0);   // preselect the selection
    if (dlg.ShowPrinter() != CommonDialog::Accepted)
        return;

    QPrinter &printer = dlg.Printer();
    const bool selectionOnly = printer.printRange() == QPrinter::Selection && selLength != 0;
    const QString text = selectionOnly ? f.RichTextBox1->SelText() : f.RichTextBox1->Text();
    printer.setDocName(f.windowTitle());

    if (!f.printerSink)
        f.printerSink = std::make_shared<QPrinterSink>();
    QString why;
    bool printed;
    {
        BusyCursor busy;
        printed = f.printerSink->printText(printer, text, &why);
    }
    // A print that never came out must not pass for one that did.
    if (!printed)
        f.SetStatus(QStringLiteral("[ERROR] Could not print: ") + why);
}

// Closes every window and leaves the event loop; with no loop running there
// is nothing to return to, so the process ends right here.
void quitProcess()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows)
        w->hide();
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
    else
        std::exit(0);
}

} // namespace

void Form1::nuevo_Click()
{
    // The title keeps naming the last file: only the button resets it.
    RichTextBox1->SetText(QString());
}

void Form1::Command5_Click()
{
    RichTextBox1->SetText(QString());
    ResetTitle();
}

void Form1::abrir_Click() { openDocument(*this); }
void Form1::Command7_Click() { openDocument(*this); }

void Form1::save_Click() { saveDocument(*this, SaveReport::MenuItem); }
void Form1::Command6_Click() { saveDocument(*this, SaveReport::Button); }

void Form1::print_Click() { printDocument(*this); }
void Form1::Command14_Click() { printDocument(*this); }

void Form1::end_Click()
{
    const QMessageBox::StandardButton answer =
        dialogs().message(this, kAppTitle, QStringLiteral("Do you really want to quit Quillet 99?"),
                          QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok,
                          QMessageBox::NoIcon);
    if (answer != QMessageBox::Ok)
        return;
    if (endProcess)
        endProcess();
    else
        quitProcess();
}
