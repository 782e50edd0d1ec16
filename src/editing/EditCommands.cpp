#include "shell/Form1.h"

#include "editing/ClipboardPort.h"
#include "editing/Form2.h"
#include "editing/TimeDate.h"
#include "shell/RichTextBox.h"

#include <QLocale>
#include <QTextCursor>
#include <QTextDocument>

// Editing commands: clipboard, clear, select, time and date, search.
// Menu item and toolbar button of a pair run the same steps.

namespace {

ClipboardPort &clipboardOf(Form1 &f)
{
    if (!f.clipboard_)
        f.clipboard_ = std::make_shared<SystemClipboard>();
    return *f.clipboard_;
}

// Cut and Copy share their first steps: empty the clipboard, then put the
// selection's plain text on it. False when the clipboard did not take it.
bool selectionToClipboard(Form1 &f)
{
    ClipboardPort &cb = clipboardOf(f);
    cb.empty();
    const QString text = f.RichTextBox1->SelText();
    // What counts is that the clipboard holds the text afterwards.
    return cb.putText(toClipboardLineEnds(text));
}

void cutSelection(Form1 &f)
{
    // The selection goes only once the clipboard holds its text; otherwise
    // it would be lost.
    if (!selectionToClipboard(f)) {
        f.SetStatus(QStringLiteral("[ERROR] The clipboard is not available: nothing was cut"));
        return;
    }
    f.RichTextBox1->SetSelText(QString());
}

void copySelection(Form1 &f)
{
    if (!selectionToClipboard(f))
        f.SetStatus(QStringLiteral("[ERROR] The clipboard is not available: nothing was copied"));
}

void pasteClipboard(Form1 &f)
{
    const std::optional<QString> text = clipboardOf(f).getText();
    if (!text) {
        // An unreadable clipboard is not an empty one: keep the selection.
        f.SetStatus(QStringLiteral("[ERROR] The clipboard is not available: nothing was pasted"));
        return;
    }
    f.RichTextBox1->SetSelText(*text);
}

void showSearch(Form1 &f)
{
    if (!f.form2_)
        f.form2_ = new Form2(&f);
    f.form2_->show();
    f.form2_->raise();
    f.form2_->activateWindow();
}

} // namespace

void Form1::cut_Click() { cutSelection(*this); }
void Form1::Command8_Click() { cutSelection(*this); }
void Form1::copy_Click() { copySelection(*this); }
void Form1::Command9_Click() { copySelection(*this); }
void Form1::paste_Click() { pasteClipboard(*this); }
void Form1::Command10_Click() { pasteClipboard(*this); }

void Form1::clear_Click()
{
    // A whole-document replacement: Ctrl+Z brings the old document back.
    RichTextBox1->SetText(QString());
}

void Form1::select_Click()
{
    // The whole document, wherever the selection started.
    RichTextBox1->SetSelStart(0);
    RichTextBox1->SetSelLength(int(RichTextBox1->Text().size()));
}

void Form1::timedate_Click()
{
    const QLocale locale;   // the user's, unless a default was set
    // One edit block, so one Ctrl+Z takes the whole stamp away.
    QTextCursor block(RichTextBox1->document());
    block.beginEditBlock();
    // The date is read before the time, as a clock turning midnight between
    // the two reads would show.
    const QDate date = dateNow_ ? dateNow_() : QDate::currentDate();
    RichTextBox1->SetSelText(timedate::dateText(date, locale));
    RichTextBox1->SetSelText(QStringLiteral(" "));
    const QTime time = timeNow_ ? timeNow_() : QTime::currentTime();
    RichTextBox1->SetSelText(timedate::timeText(time, locale));
    block.endEditBlock();
}

void Form1::search_Click() { showSearch(*this); }
void Form1::Command2_Click() { showSearch(*this); }
