#pragma once
// The main window's one common dialog object. Every property keeps the last
// value any command wrote, so values (Flags, CancelError, Color, the font)
// carry from one command to the next.

#include <QString>
#include <QStringList>
#include <memory>

class DialogHost;
class QPrinter;
class QWidget;

class CommonDialog
{
public:
    // How a Show... call ended. A cancel leaves the results unchanged and
    // is Cancelled whether or not CancelError is set: every command handles
    // a cancel the same way.
    enum Outcome { Accepted, Cancelled };
    // The values of Action, each naming the dialog that writing it shows.
    static constexpr int OpenAction = 1, SaveAction = 2, ColorAction = 3, FontAction = 4,
                         PrinterAction = 5;

    CommonDialog(QWidget *owner, DialogHost *host);
    ~CommonDialog();

    QString Filter;          // "description|pattern|description|pattern"
    int FilterIndex = 0;     // 1-based, after a file dialog
    QString FileName;        // full path, after OK in a file dialog
    QString InitDir;         // where file dialogs start; empty: FileName's folder
    int Flags = 0;
    bool CancelError = false;
    quint32 Color = 0;       // 0x00BBGGRR
    QString FontName;
    float FontSize = 0;
    bool FontBold = false;
    bool FontItalic = false;
    bool FontUnderline = false;
    bool FontStrikethru = false;
    int Action = 0;

    Outcome ShowOpen();
    Outcome ShowSave();
    Outcome ShowColor();
    Outcome ShowFont();
    Outcome ShowPrinter();
    // Writing Action shows the dialog it names (OpenAction ... PrinterAction).
    Outcome SetAction(int action);

    // The printer chosen in the last printer dialog (created on first use).
    QPrinter &Printer();

    // "RTF Files|*.rtf|ALL Files|*.*" as Qt name filters.
    static QStringList nameFilters(const QString &filter);

private:
    static Outcome finish(bool accepted);
    Outcome showFile(bool saving);

    QWidget *m_owner;
    DialogHost *m_host;
    std::unique_ptr<QPrinter> m_printer;
};
