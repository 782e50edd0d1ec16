#pragma once
// The File menu and its buttons: New, Open, Save, Print and Exit.

#include "shell/Services.h"

#include <QMetaObject>

class MainWindow;
struct ShownFile;

class FileCommands
{
public:
    FileCommands(MainWindow &window, const Services &services);
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
