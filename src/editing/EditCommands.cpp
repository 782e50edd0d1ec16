#include "editing/EditCommands.h"

#include "editing/ClipboardPort.h"
#include "editing/Clock.h"
#include "editing/Form2.h"
#include "editing/TimeDate.h"
#include "shell/MainWindow.h"
#include "shell/RichTextBox.h"
#include "shell/SecondaryWindow.h"

#include <QLocale>
#include <limits>

EditCommands::EditCommands(MainWindow &window, EditSeams seams)
    : m_window(window), m_clipboard(std::move(seams.clipboard)), m_clock(std::move(seams.clock))
{
}

EditCommands::~EditCommands() = default;

// Cut and Copy share their first steps: empty the clipboard, then put the
// selection's plain text on it. False when the clipboard did not take it.
bool EditCommands::selectionToClipboard()
{
    (void)m_clipboard->empty();
    // Plain characters only: a picture's object character means nothing to
    // another program.
    const QString text = m_window.documentBox().clipboardText();
    // What counts is that the clipboard holds the text afterwards.
    return bool(m_clipboard->putText(text));
}

void EditCommands::cut()
{
    // The selection goes only once the clipboard holds its text; otherwise
    // it would be lost.
    if (!selectionToClipboard()) {
        m_window.setStatus(StatusTag::Error, ClipboardPort::unavailable() + QStringLiteral(": nothing was cut"));
        return;
    }
    m_window.documentBox().SetSelText(QString());
}

void EditCommands::copy()
{
    if (!selectionToClipboard())
        m_window.setStatus(StatusTag::Error, ClipboardPort::unavailable() + QStringLiteral(": nothing was copied"));
}

void EditCommands::paste()
{
    const Result<QString> text = m_clipboard->getText();
    if (!text) {
        // An unreadable clipboard is not an empty one: keep the selection.
        m_window.setStatus(StatusTag::Error, text.error() + QStringLiteral(": nothing was pasted"));
        return;
    }
    m_window.documentBox().SetSelText(*text);
}

void EditCommands::clearAll()
{
    // A whole-document replacement: Ctrl+Z brings the old document back.
    m_window.documentBox().SetText(QString());
}

void EditCommands::selectAll()
{
    // The whole document, wherever the selection started.
    RichTextBox &box = m_window.documentBox();
    box.SetSelStart(0);
    box.SetSelLength(std::numeric_limits<int>::max());   // clamped to the end
}

void EditCommands::insertTimeDate()
{
    RichTextBox &box = m_window.documentBox();
    const QLocale locale;   // the user's, unless a default was set
    // One step, so one Ctrl+Z takes the whole stamp away and nothing else.
    box.oneUndoStep([&] {
        // The date is read before the time, as a clock turning midnight
        // between the two reads would show.
        box.SetSelText(timedate::dateText(m_clock->currentDate(), locale));
        box.SetSelText(QStringLiteral(" "));
        box.SetSelText(timedate::timeText(m_clock->currentTime(), locale));
    });
}

void EditCommands::showSearch()
{
    openSecondary(m_search, m_window);
}
