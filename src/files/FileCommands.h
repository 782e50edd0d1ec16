#pragma once
// The File menu and its buttons: New, Open, Save, Print and Exit.

#include <QMetaObject>

#include <functional>
#include <memory>

class DialogHost;
class MainWindow;
class PrinterSink;
struct ShownFile;

// The platform seams the file commands use.
struct FileSeams
{
    std::shared_ptr<DialogHost> dialogs;
    std::shared_ptr<PrinterSink> printer;   // where Print sends the text
    std::function<void()> endProcess;      // Exit, once confirmed
};

class FileCommands
{
public:
    FileCommands(MainWindow &window, FileSeams seams);
    ~FileCommands();

    // An empty document; only the button also resets the title.
    enum class Title { Keep, Reset };
    void newDocument(Title title);
    void open();
    // Opens a file named on the command line as Open would: as RTF when it
    // starts with {\rtf, else as plain text; the dialog's FileName and
    // FilterIndex are left as after choosing it there.
    void openFile(const QString &path);
    // The menu item and the button report a save differently.
    enum class Report { MenuItem, Button };
    void save(Report report);
    void print();
    // Asks, then ends the program.
    void exit();

private:
    // The title's file ("" for the caption alone) and the dialog's file
    // name, kept with the current document.
    void showFile(const QString &titleFile);
    // Undo or redo brought back a document: the title and the dialog's file
    // name that went with it come back too.
    void restoreShownFile(const ShownFile &shown);
    void load(const QString &path, int filterIndex);
    // File dialogs start in the folder of the current document, or in the
    // current folder when it has none.
    void aimDialog();

    MainWindow &m_window;
    std::shared_ptr<DialogHost> m_dialogs;
    std::shared_ptr<PrinterSink> m_printer;
    std::function<void()> m_endProcess;
    QMetaObject::Connection m_restored;
};
