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
    // How a Show... call ended. With CancelError set, a cancel is raised as a
    // failure to the caller; without, it just returns with results unchanged.
    enum Result { Accepted, Cancelled, CancelRaised };

    CommonDialog(QWidget *owner, DialogHost *host);
    ~CommonDialog();

    void setHost(DialogHost *host) { m_host = host; }
    DialogHost *host() const { return m_host; }

    QString Filter;          // "description|pattern|description|pattern"
    int FilterIndex = 0;     // 1-based, after a file dialog
    QString FileName;        // full path, after OK in a file dialog
    QString DialogTitle;
    QString DefaultExt;
    QString InitDir;
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

    Result ShowOpen();
    Result ShowSave();
    Result ShowColor();
    Result ShowFont();
    Result ShowPrinter();
    // Writing Action shows a dialog: 1 open, 2 save-as, 3 colour, 4 font, 5 printer.
    Result SetAction(int action);

    // The printer chosen in the last printer dialog (created on first use).
    QPrinter &Printer();

    // "RTF Files|*.rtf|ALL Files|*.*" as Qt name filters.
    static QStringList nameFilters(const QString &filter);

private:
    Result finish(bool accepted) const;
    Result showFile(bool saving);

    QWidget *m_owner;
    DialogHost *m_host;
    std::unique_ptr<QPrinter> m_printer;
};
