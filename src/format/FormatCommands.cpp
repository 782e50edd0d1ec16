#include "format/FormatCommands.h"

#include "shell/CommonDialog.h"
#include "shell/DialogHost.h"
#include "shell/MainWindow.h"
#include "shell/RichTextBox.h"

FormatCommands::FormatCommands(MainWindow &window) : m_window(window) {}

void FormatCommands::setFace(const QString &name) { m_window.documentBox().SetSelFontName(name); }
void FormatCommands::setSize(float points) { m_window.documentBox().SetSelFontSize(points); }

void FormatCommands::toggleUnderline()
{
    RichTextBox &box = m_window.documentBox();
    box.SetSelUnderline(!box.SelUnderline());
}

void FormatCommands::toggleItalic()
{
    RichTextBox &box = m_window.documentBox();
    box.SetSelItalic(!box.SelItalic());
}

void FormatCommands::toggleBold()
{
    RichTextBox &box = m_window.documentBox();
    box.SetSelBold(!box.SelBold());
}

void FormatCommands::colourFromDialog()
{
    // The dialog opens with the colour it holds from earlier use. Cancel
    // leaves the selection alone, whether or not CancelError is set.
    CommonDialog &dlg = m_window.commonDialog();
    if (dlg.SetAction(CommonDialog::ColorAction) == CommonDialog::Accepted)
        m_window.documentBox().SetSelColor(dlg.Color);
}

void FormatCommands::fontFromDialog()
{
    CommonDialog &dlg = m_window.commonDialog();
    // From here on a cancel in any common dialog is a failure to its caller.
    dlg.CancelError = true;
    dlg.Flags = cdl::CFScreenFonts + cdl::CFPrinterFonts + cdl::CFEffects;
    // Not primed with the selection's format: it opens with what it
    // returned last time.
    if (dlg.ShowFont() != CommonDialog::Accepted)
        return;
    // All seven attributes, touched in the dialog or not, in this order;
    // one step so a single Ctrl+Z takes them back.
    RichTextBox &box = m_window.documentBox();
    box.oneUndoStep([&] {
        box.SetSelFontName(dlg.FontName);
        box.SetSelFontSize(float(dlg.FontSize));
        box.SetSelBold(dlg.FontBold);
        box.SetSelItalic(dlg.FontItalic);
        box.SetSelUnderline(dlg.FontUnderline);
        box.SetSelStrikeThru(dlg.FontStrikethru);
        box.SetSelColor(dlg.Color);
    });
}
