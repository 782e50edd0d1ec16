#include "shell/Form1.h"

#include "shell/RichTextBox.h"

#include <QTextCursor>
#include <QTextDocument>

// Character formatting: faces, sizes, styles, colour, font dialog.
// Each acts on the selection, or with nothing selected on the text typed
// next at the insertion point.

namespace {

// Two faces go in lower case, as the menu has always written them; the
// name is kept even where this machine lacks the face.
const QString kArial = QStringLiteral("arial");
const QString kWingdings = QStringLiteral("wingdings");

// The colour dialog's request number for Action.
constexpr int kColourDialog = 3;
// Screen and printer fonts (1 + 2) with the effects box (256).
constexpr int kFontDialogFlags = 259;

void colourFromDialog(Form1 &f)
{
    // The dialog opens with the colour it holds from earlier use. Cancel
    // leaves the selection alone, whether or not CancelError is set.
    if (f.CommonDialog1.SetAction(kColourDialog) == CommonDialog::Accepted)
        f.RichTextBox1->SetSelColor(f.CommonDialog1.Color);
}

} // namespace

void Form1::arial_Click() { RichTextBox1->SetSelFontName(kArial); }
void Form1::arialblack_Click() { RichTextBox1->SetSelFontName(QStringLiteral("Arial Black")); }
void Form1::sans_Click() { RichTextBox1->SetSelFontName(QStringLiteral("MS Sans Serif")); }
void Form1::msserif_Click() { RichTextBox1->SetSelFontName(QStringLiteral("MS Serif")); }
void Form1::small_Click() { RichTextBox1->SetSelFontName(QStringLiteral("Small Fonts")); }
void Form1::tahoma_Click() { RichTextBox1->SetSelFontName(QStringLiteral("Tahoma")); }
void Form1::times_Click() { RichTextBox1->SetSelFontName(QStringLiteral("Times New Roman")); }
void Form1::verdana_Click() { RichTextBox1->SetSelFontName(QStringLiteral("Verdana")); }
void Form1::wing_Click() { RichTextBox1->SetSelFontName(kWingdings); }

void Form1::ten_Click() { RichTextBox1->SetSelFontSize(10); }
void Form1::vei_Click() { RichTextBox1->SetSelFontSize(20); }
void Form1::tre_Click() { RichTextBox1->SetSelFontSize(30); }
void Form1::cua_Click() { RichTextBox1->SetSelFontSize(40); }
void Form1::ses_Click() { RichTextBox1->SetSelFontSize(60); }
void Form1::set_Click() { RichTextBox1->SetSelFontSize(70); }

// The three style buttons switch on the selection's own state: all of it
// styled turns the style off, anything less turns it on for all.
void Form1::Command11_Click() { RichTextBox1->SetSelUnderline(!RichTextBox1->SelUnderline()); }
void Form1::Command12_Click() { RichTextBox1->SetSelItalic(!RichTextBox1->SelItalic()); }
void Form1::Command13_Click() { RichTextBox1->SetSelBold(!RichTextBox1->SelBold()); }

void Form1::color_Click() { colourFromDialog(*this); }
void Form1::Command17_Click() { colourFromDialog(*this); }

void Form1::more_Click()
{
    // From here on a cancel in any common dialog is a failure to its caller.
    CommonDialog1.CancelError = true;
    CommonDialog1.Flags = kFontDialogFlags;
    // Not primed with the selection's format: it opens with what it
    // returned last time.
    if (CommonDialog1.ShowFont() != CommonDialog::Accepted)
        return;
    // All seven attributes, touched in the dialog or not, in this order;
    // one edit block so a single Ctrl+Z takes them back.
    QTextCursor block(RichTextBox1->document());
    block.beginEditBlock();
    RichTextBox1->SetSelFontName(CommonDialog1.FontName);
    RichTextBox1->SetSelFontSize(float(CommonDialog1.FontSize));
    RichTextBox1->SetSelBold(CommonDialog1.FontBold);
    RichTextBox1->SetSelItalic(CommonDialog1.FontItalic);
    RichTextBox1->SetSelUnderline(CommonDialog1.FontUnderline);
    RichTextBox1->SetSelStrikeThru(CommonDialog1.FontStrikethru);
    RichTextBox1->SetSelColor(CommonDialog1.Color);
    block.endEditBlock();
}
