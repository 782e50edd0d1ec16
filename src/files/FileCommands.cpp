#include "files/FileCommands.h"

#include "files/PrinterSink.h"
#include "shell/BusyCursor.h"
#include "shell/CommonDialog.h"
#include "shell/DialogHost.h"
#include "shell/MainWindow.h"
#include "base/Product.h"
#include "shell/RichTextBox.h"
#include "text/DocumentFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kOpenFilter = QStringLiteral("RTF Files|*.rtf|ALL Files|*.*");
const QString kSaveFilter = QStringLiteral("RTF Files|*.rtf|All Files|*.*");
const QString kSaveFailed = QStringLiteral("An error has occurred (CANCEL)");

// The first filter entry means Rich Text Format, any other plain text,
// whatever the file is called.
RichTextBox::FileType fileTypeFor(int filterIndex)
{
    return filterIndex == 1 ? RichTextBox::rtfRTF : RichTextBox::rtfText;
}

// Rich Text Format is told by its first bytes, as quillet-convert tells it.
// Only a regular file is looked into: a FIFO or device would block here, and
// the load refuses them with its own message.
// The name goes to the system as the bytes it came as (see docfile).
bool startsAsRtf(const QString &path)
{
    const int fd = ::open(docfile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    char head[5];
    const bool rtf = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::read(fd, head, 5) == 5
                     && std::memcmp(head, "{\\rtf", 5) == 0;
    ::close(fd);
    return rtf;
}

} // namespace

FileCommands::FileCommands(MainWindow &window, FileSeams seams)
    : m_window(window), m_dialogs(std::move(seams.dialogs)), m_printer(std::move(seams.printer)),
      m_endProcess(std::move(seams.endProcess))
{
    m_restored = QObject::connect(&window.documentBox().session(), &DocumentSession::shownFileRestored,
                                  [this](const ShownFile &shown) { restoreShownFile(shown); });
}

FileCommands::~FileCommands()
{
    QObject::disconnect(m_restored);
}

void FileCommands::newDocument(Title title)
{
    m_window.documentBox().SetText(QString());
    if (title == Title::Reset)
        showFile(QString());
}

void FileCommands::showFile(const QString &titleFile)
{
    if (titleFile.isEmpty())
        m_window.resetTitle();
    else
        m_window.setTitleFile(titleFile);
    m_window.documentBox().session().setShownFile({titleFile, m_window.commonDialog().FileName});
}

void FileCommands::restoreShownFile(const ShownFile &shown)
{
    // A document from before any open or save went with the start-up
    // caption and an empty file name.
    m_window.commonDialog().FileName = shown.fileName;
    if (shown.title.isEmpty())
        m_window.resetTitle();
    else
        m_window.setTitleFile(shown.title);
}

void FileCommands::aimDialog()
{
    const QString current = m_window.documentBox().session().shownFile().fileName;
    m_window.commonDialog().InitDir = current.isEmpty() ? QDir::currentPath()
                                                        : QFileInfo(current).absolutePath();
}

void FileCommands::open()
{
    CommonDialog &dlg = m_window.commonDialog();
    dlg.Filter = kOpenFilter;
    aimDialog();
    // A cancelled dialog must not reload whatever file an earlier dialog
    // left in FileName.
    if (dlg.ShowOpen() != CommonDialog::Accepted)
        return;
    load(dlg.FileName, dlg.FilterIndex);
}

void FileCommands::openFile(const QString &path)
{
    // The dialog is left as an accepted Open would leave it, with the entry
    // the content asks for, so Save offers this file in the same format.
    CommonDialog &dlg = m_window.commonDialog();
    dlg.Filter = kOpenFilter;
    dlg.FileName = path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
    dlg.FilterIndex = startsAsRtf(dlg.FileName) ? 1 : 2;
    load(dlg.FileName, dlg.FilterIndex);
}

void FileCommands::load(const QString &path, int filterIndex)
{
    Result<> loaded = [&] {
        BusyCursor busy;
        return m_window.documentBox().LoadFile(path, fileTypeFor(filterIndex));
    }();
    if (!loaded) {
        m_window.setStatus(StatusTag::Error,
                           QStringLiteral("Could not open ") + path + QStringLiteral(": ") + loaded.error());
        return;
    }
    showFile(path);
    m_window.setStatus(StatusTag::Action, QStringLiteral("File Opened: ") + path);
}

void FileCommands::save(Report report)
{
    CommonDialog &dlg = m_window.commonDialog();
    dlg.Filter = kSaveFilter;
    aimDialog();
    // Only an accepted dialog updates FileName, so a cancel never writes to
    // the name an earlier dialog left behind.
    if (dlg.SetAction(CommonDialog::SaveAction) != CommonDialog::Accepted) {
        m_window.setStatus(StatusTag::Error, kSaveFailed);
        return;
    }
    const RichTextBox::FileType type = fileTypeFor(dlg.FilterIndex);
    const QString path = dlg.FileName;
    const Result<> saved = [&] {
        BusyCursor busy;
        return m_window.documentBox().SaveFile(path, type);
    }();
    if (!saved) {
        // Why, after the usual words, as Open tells why it failed.
        m_window.setStatus(StatusTag::Error, kSaveFailed + QStringLiteral(": ") + saved.error());
        return;
    }
    showFile(path);
    // The two handlers report differently: the menu item only for plain
    // text and with a colon, the button always and without one.
    if (report == Report::Button)
        m_window.setStatus(StatusTag::Action, QStringLiteral("File Saved") + path);
    else if (type == RichTextBox::rtfText)
        m_window.setStatus(StatusTag::Action, QStringLiteral("File Saved:") + path);
}

void FileCommands::print()
{
    CommonDialog &dlg = m_window.commonDialog();
    RichTextBox &box = m_window.documentBox();
    // Cancel in the printer dialog counts as a failure from here on, for
    // the later file dialogs too.
    dlg.CancelError = true;
    dlg.Flags = cdl::PDReturnDC + cdl::PDNoPageNums;
    const int selLength = box.SelLength();
    if (selLength != 0)
        dlg.Flags = dlg.Flags + cdl::PDSelection;
    if (dlg.ShowPrinter() != CommonDialog::Accepted)
        return;

    QPrinter &printer = dlg.Printer();
    const bool selectionOnly = printer.printRange() == QPrinter::Selection && selLength != 0;
    const QString text = selectionOnly ? box.SelText() : box.Text();
    printer.setDocName(m_window.widget()->windowTitle());

    Result<> printed = [&] {
        BusyCursor busy;
        return m_printer->printText(printer, text);
    }();
    // A print that never came out must not pass for one that did.
    if (!printed)
        m_window.setStatus(StatusTag::Error, QStringLiteral("Could not print: ") + printed.error());
}

void FileCommands::exit()
{
    const QMessageBox::StandardButton answer = m_dialogs->message(
        m_window.widget(), product::name(),
        QStringLiteral("Do you really want to quit %1?").arg(product::name()),
        QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok, QMessageBox::NoIcon);
    if (answer == QMessageBox::Ok)
        m_endProcess();
}
