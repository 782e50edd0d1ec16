#pragma once
// Every modal dialog and message box the commands show goes through this
// interface, so tests can answer them from a script instead of a person.
// The real dialogs (QtDialogHost) live with the program in src/app, since
// they use the font dialog of src/format.

#include <QColor>
#include <QFont>
#include <QMessageBox>
#include <QStringList>

class QPrinter;
class QWidget;

// The common dialog's Flags bits the commands use.
namespace cdl {
constexpr int PDSelection = 1;      // printer: offer and preselect the Selection range
constexpr int PDNoPageNums = 8;     // printer: no page-range choice
constexpr int PDReturnDC = 256;     // printer: hand back a device context
constexpr int CFScreenFonts = 1;    // font: screen fonts
constexpr int CFPrinterFonts = 2;   // font: printer fonts
constexpr int CFEffects = 256;      // font: underline, strike-through and colour
} // namespace cdl

class DialogHost
{
public:
    virtual ~DialogHost() = default;

    // nameFilters are Qt name filters ("RTF Files (*.rtf)"); filterIndex is
    // 1-based in and out. The dialog starts in folder, offering the name of
    // fileName; with no folder, in fileName's own. Return false on Cancel,
    // leaving the outputs alone.
    virtual bool openFile(QWidget *parent, const QStringList &nameFilters, const QString &folder,
                          int &filterIndex, QString &fileName) = 0;
    virtual bool saveFile(QWidget *parent, const QStringList &nameFilters, const QString &folder,
                          int &filterIndex, QString &fileName) = 0;
    // flags: cdl::PD... above.
    virtual bool printer(QWidget *parent, QPrinter &printer, int flags) = 0;
    virtual bool color(QWidget *parent, QColor &color) = 0;
    // flags: cdl::CF... above; cdl::CFEffects adds underline, strike-through
    // and colour.
    virtual bool font(QWidget *parent, QFont &font, QColor &color, int flags) = 0;
    virtual QMessageBox::StandardButton message(QWidget *parent, const QString &title,
                                                const QString &text,
                                                QMessageBox::StandardButtons buttons,
                                                QMessageBox::StandardButton defaultButton,
                                                QMessageBox::Icon icon) = 0;
};
