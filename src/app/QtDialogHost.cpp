#include "app/QtDialogHost.h"

#include "format/FontEffectsDialog.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QPrintDialog>
#include <QPrinter>

namespace {

bool runFileDialog(QWidget *parent, QFileDialog::AcceptMode mode, const QStringList &nameFilters,
                   const QString &folder, int &filterIndex, QString &fileName)
{
    QFileDialog dlg(parent);
    dlg.setAcceptMode(mode);
    dlg.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                    : QFileDialog::AnyFile);
    // An existing file is replaced without a question, and no extension is
    // added to the name the user typed.
    dlg.setOption(QFileDialog::DontConfirmOverwrite);
    dlg.setNameFilters(nameFilters);
    if (filterIndex >= 1 && filterIndex <= nameFilters.size())
        dlg.selectNameFilter(nameFilters.at(filterIndex - 1));
    // Never where Qt's dialog history, shared with other programs, last
    // was: a bare name typed there would be saved somewhere unexpected.
    if (!folder.isEmpty()) {
        dlg.setDirectory(folder);
        if (!fileName.isEmpty())
            dlg.selectFile(QFileInfo(fileName).fileName());
    } else if (!fileName.isEmpty()) {
        dlg.selectFile(fileName);
    }
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return false;
    fileName = dlg.selectedFiles().first();
    const int idx = nameFilters.indexOf(dlg.selectedNameFilter());
    filterIndex = idx >= 0 ? idx + 1 : 1;
    return true;
}

} // namespace

bool QtDialogHost::openFile(QWidget *parent, const QStringList &nameFilters, const QString &folder,
                            int &filterIndex, QString &fileName)
{
    return runFileDialog(parent, QFileDialog::AcceptOpen, nameFilters, folder, filterIndex, fileName);
}

bool QtDialogHost::saveFile(QWidget *parent, const QStringList &nameFilters, const QString &folder,
                            int &filterIndex, QString &fileName)
{
    return runFileDialog(parent, QFileDialog::AcceptSave, nameFilters, folder, filterIndex, fileName);
}

namespace {

// Qt's Unix print dialog offers its page range again whenever CUPS can
// apply one, whatever the options say. Printing sends plain text whose page
// breaks are the printer sink's own, so a range would mean nothing: when
// the caller hides it, its widgets stay hidden.
class PrintDialog : public QPrintDialog
{
public:
    PrintDialog(QPrinter *printer, QWidget *parent, bool pageRange)
        : QPrintDialog(printer, parent), m_pageRange(pageRange) {}

    void setVisible(bool visible) override
    {
        QPrintDialog::setVisible(visible);   // sets its widgets up first
        if (!visible || m_pageRange)
            return;
        // Looked up inside the range's group: the dialog has two "label_3",
        // the printer's "Type:" and the range's "to".
        QWidget *group = findChild<QWidget *>(QStringLiteral("gbPrintRange"));
        for (const char *name : {"printRange", "from", "label_3", "to", "pagesRadioButton", "pagesLineEdit"}) {
            if (!group && qstrcmp(name, "label_3") == 0)
                continue;
            if (QWidget *w = (group ? group : this)->findChild<QWidget *>(QLatin1String(name)))
                w->hide();
        }
    }

private:
    bool m_pageRange;
};

} // namespace

bool QtDialogHost::printer(QWidget *parent, QPrinter &printer, int flags)
{
    PrintDialog dlg(&printer, parent, !(flags & cdl::PDNoPageNums));
    QAbstractPrintDialog::PrintDialogOptions opts = dlg.options();
    if (flags & cdl::PDSelection) {
        opts |= QAbstractPrintDialog::PrintSelection;
        dlg.setPrintRange(QAbstractPrintDialog::Selection);
    } else {
        opts &= ~QAbstractPrintDialog::PrintSelection;
        dlg.setPrintRange(QAbstractPrintDialog::AllPages);
    }
    if (flags & cdl::PDNoPageNums)
        opts &= ~QAbstractPrintDialog::PrintPageRange;
    dlg.setOptions(opts);
    return dlg.exec() == QDialog::Accepted;
}

bool QtDialogHost::color(QWidget *parent, QColor &color)
{
    // Opens on the colour held from earlier use.
    const QColor c = QColorDialog::getColor(color, parent, QStringLiteral("Color"));
    if (!c.isValid())
        return false;
    color = c;
    return true;
}

bool QtDialogHost::font(QWidget *parent, QFont &font, QColor &color, int flags)
{
    // Qt's font dialog has no colour; this one adds it to the effects.
    FontEffectsDialog dlg(font, color, flags, parent);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    font = dlg.selectedFont();
    if (flags & cdl::CFEffects)
        color = dlg.selectedColor();
    return true;
}

QMessageBox::StandardButton QtDialogHost::message(QWidget *parent, const QString &title,
                                                  const QString &text,
                                                  QMessageBox::StandardButtons buttons,
                                                  QMessageBox::StandardButton defaultButton,
                                                  QMessageBox::Icon icon)
{
    QMessageBox box(icon, title, text, buttons, parent);
    box.setDefaultButton(defaultButton);
    return QMessageBox::StandardButton(box.exec());
}
