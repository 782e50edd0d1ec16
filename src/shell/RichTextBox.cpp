#include "shell/RichTextBox.h"

#include "rtf/Rtf.h"
#include "shell/BusyCursor.h"
#include "shell/LayoutPacer.h"
#include "shell/Product.h"
#include "text/DocumentFile.h"
#include "text/TextCodec.h"
#include "shell/Twips.h"

#include <QAbstractTextDocumentLayout>
#include <QFileInfo>
#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QProgressDialog>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

namespace {

// A word at least this long, with nothing to break the line at, is wrapped
// anywhere: Qt's word wrapping measures the rest of such a word for every
// line it makes, which takes minutes for a word of a megabyte.
constexpr int kLongWord = 2000;

// Work on this many characters may take longer than a fifth of a second.
constexpr qsizetype kBusyChars = 256 * 1024;

bool hasLongWord(const QString &text)
{
    int run = 0;
    for (QChar c : text) {
        run = c.isSpace() || c == QLatin1Char('-') ? 0 : run + 1;
        if (run >= kLongWord)
            return true;
    }
    return false;
}

bool hasLongWord(const QTextDocument *doc)
{
    if (doc->characterCount() <= kLongWord)
        return false;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        if (b.length() > kLongWord && hasLongWord(b.text()))
            return true;
    return false;
}

// The dynamic property of a QTextDocument that carries its owner state.
constexpr char kOwnerState[] = "quilletOwnerState";

// Ends an undo step. QTextDocument joins typed text to the last insertion of
// the edit block before it; an item of another kind at the block's end gives
// it nothing to join.
class StepEnd : public QAbstractUndoItem
{
public:
    void undo() override {}
    void redo() override {}
};

// QTextCursor's selectedText() uses U+2029 between paragraphs.
QString withCrLf(QString s)
{
    s.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    s.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
    return s;
}

} // namespace

RichTextBox::RichTextBox(QWidget *parent)
    : QTextEdit(parent)
{
    setAcceptRichText(false);
    setLineWrapMode(QTextEdit::WidgetWidth);
    m_pacer = new LayoutPacer(this);
    QTextDocument *doc = NewDocument().release();
    doc->setParent(this);
    showDocument(doc);
    setCurrentCharFormat(QTextCharFormat());
}

RichTextBox::~RichTextBox() = default;

std::unique_ptr<QTextDocument> RichTextBox::NewDocument()
{
    auto doc = std::make_unique<QTextDocument>();
    QFont f;
    f.setFamilies({QStringLiteral("MS Sans Serif")});
    f.setPointSizeF(8.5);
    // Text that needs no shaping (Latin, Greek, Cyrillic...) is laid out
    // from the font's own advances, without kerning or ligatures, as the
    // original control drew it: layout, Qt's biggest cost with big
    // documents, takes about half as long. Scripts that need shaping keep it.
    f.setStyleStrategy(QFont::PreferNoShaping);
    doc->setDefaultFont(f);
    QTextOption opt = doc->defaultTextOption();
    opt.setTabStopDistance(twips::toPxX(720));
    // Paragraphs run left to right unless their format says otherwise, as
    // in RTF. Left to guess, Qt scans the text of every paragraph below an
    // edit on each keystroke, which doubles the cost of typing in a big
    // document.
    opt.setTextDirection(Qt::LeftToRight);
    doc->setDefaultTextOption(opt);
    return doc;
}

// ---- whole-document replacement ------------------------------------------

qint64 RichTextBox::EstimatedBytes(const QTextDocument *doc)
{
    // UTF-16 text, then per paragraph its block, fragment and format entries;
    // measured on plain and formatted documents of tens of megabytes.
    return 16 * 1024 + qint64(doc->characterCount()) * 3 + qint64(doc->blockCount()) * 120;
}

void RichTextBox::SetHistoryBudget(qint64 bytes)
{
    m_historyBudget = bytes;
    fitHistory();
}

void RichTextBox::fitHistory()
{
    qint64 total = 0;
    std::size_t keep = m_replaced.size();
    while (keep > 0) {
        const qint64 next = EstimatedBytes(m_replaced[keep - 1].get());
        if (total + next > m_historyBudget)
            break;
        total += next;
        --keep;
    }
    m_replaced.erase(m_replaced.begin(), m_replaced.begin() + qsizetype(keep));
}

void RichTextBox::showDocument(QTextDocument *doc)
{
    // Wrapping a very long word at word boundaries takes Qt minutes.
    // QTextEdit gives every document it shows its own wrap mode. The one on
    // show is about to go: a null page size keeps Qt from laying it out again
    // in the new mode.
    const auto mode = hasLongWord(doc) ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere;
    if (wordWrapMode() != mode) {
        document()->setPageSize(QSizeF(0, 0));
        setWordWrapMode(mode);
    }
    // Laid out only once QTextEdit has given it its width.
    doc->setPageSize(QSizeF(0, 0));
    setDocument(doc);
    rtf::registerKeptParts(doc);
    m_pacer->track(doc);
}

void RichTextBox::ReplaceDocument(std::unique_ptr<QTextDocument> fresh)
{
    QTextDocument *old = document();
    // QTextEdit deletes a replaced document it is parent of; we keep it.
    old->setParent(nullptr);
    fresh->setUndoRedoEnabled(true);
    // Commands that replace the document leave the title and file name as
    // they were; Open sets its own afterwards.
    fresh->setProperty(kOwnerState, old->property(kOwnerState));
    fresh->setParent(this);
    showDocument(fresh.release());
    moveCursor(QTextCursor::Start);
    // A document waiting in the history does no layout work and holds no
    // layout memory; it gets a new layout if it comes back.
    old->setDocumentLayout(nullptr);
    m_replaced.emplace_back(old);
    fitHistory();
}

bool RichTextBox::UndoReplace()
{
    BusyCursor busy(!m_replaced.empty() && m_replaced.back()->characterCount() >= kBusyChars);
    if (m_replaced.empty())
        return false;
    QTextDocument *current = document();
    QTextDocument *back = m_replaced.back().release();
    m_replaced.pop_back();
    current->setParent(nullptr);
    back->setParent(this);
    showDocument(back);
    delete current;
    moveCursor(QTextCursor::End);
    emit OwnerStateRestored(back->property(kOwnerState));
    return true;
}

void RichTextBox::SetOwnerState(const QVariant &state)
{
    document()->setProperty(kOwnerState, state);
}

bool RichTextBox::Undo()
{
    if (document()->isUndoAvailable()) {
        undo();
        return true;
    }
    return UndoReplace();
}

void RichTextBox::OneUndoStep(const std::function<void()> &edit)
{
    QTextDocument *doc = document();
    QTextCursor block(doc);
    const int before = doc->availableUndoSteps();
    block.beginEditBlock();
    ++m_stepDepth;
    edit();
    --m_stepDepth;
    // Only a step that changed something gets its end; an empty one would
    // make Ctrl+Z do nothing visible.
    if (m_stepDepth == 0 && doc->availableUndoSteps() != before)
        doc->appendUndoItem(new StepEnd);
    block.endEditBlock();
}

// ---- text -----------------------------------------------------------------

QString RichTextBox::Text() const
{
    QString s = rtf::withoutKeptParts(document(), document()->toPlainText());
    s.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return s;
}

QString RichTextBox::Characters() const
{
    QString s = rtf::withoutKeptParts(document(), document()->toRawText());
    for (QChar &c : s) {
        // Paragraph ends and a table's frame marks, as toPlainText() has them.
        if (c == QChar::ParagraphSeparator || c == QChar(0xFDD0) || c == QChar(0xFDD1))
            c = QLatin1Char('\n');
    }
    s.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return s;
}

bool RichTextBox::SetText(const QString &text)
{
    BusyCursor busy(text.size() >= kBusyChars);
    std::unique_ptr<QTextDocument> doc = NewDocument();
    doc->setUndoRedoEnabled(false);
    if (!fillPlainText(doc.get(), text))
        return false;
    ReplaceDocument(std::move(doc));
    return true;
}

QString RichTextBox::TextRTF() const
{
    return QString::fromLatin1(rtf::write(document()));
}

bool RichTextBox::SetTextRTF(const QString &rtfText)
{
    BusyCursor busy(rtfText.size() >= kBusyChars);
    bool latin1 = true;
    for (QChar c : rtfText)
        if (c.unicode() > 0xFF) { latin1 = false; break; }
    const QByteArray bytes = latin1 ? rtfText.toLatin1() : rtfText.toUtf8();
    if (!rtf::isRtf(bytes))
        return SetText(rtfText);
    std::unique_ptr<QTextDocument> doc = NewDocument();
    doc->setUndoRedoEnabled(false);
    if (!readRtf(bytes, doc.get()))
        return false;
    ReplaceDocument(std::move(doc));
    return true;
}

QString RichTextBox::SelText() const
{
    return withCrLf(rtf::withoutKeptParts(document(), textCursor().selectedText(), textCursor().selectionStart()));
}

void RichTextBox::SetSelText(const QString &text)
{
    BusyCursor busy(text.size() >= kBusyChars || SelLength() >= kBusyChars);
    insertPlain(text);
    m_pacer->resume();
}

void RichTextBox::insertPlain(const QString &text)
{
    OneUndoStep([&] {
        QTextCursor c = textCursor();
        c.insertText(text);   // CR LF, a lone CR or LF: a paragraph each
        setTextCursor(c);
    });
    if (text.size() > kLongWord && hasLongWord(text))
        setWordWrapMode(QTextOption::WrapAnywhere);
}

QString RichTextBox::ClipboardText() const
{
    QString s = textCursor().selectedText();
    s.remove(QChar::ObjectReplacementCharacter);
    s.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    s.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return s;
}

int RichTextBox::SelStart() const
{
    return textCursor().selectionStart();
}

void RichTextBox::SetSelStart(int start)
{
    QTextCursor c = textCursor();
    const int end = qMax(0, document()->characterCount() - 1);
    c.setPosition(qBound(0, start, end));
    setTextCursor(c);
}

int RichTextBox::SelLength() const
{
    const QTextCursor c = textCursor();
    return c.selectionEnd() - c.selectionStart();
}

void RichTextBox::SetSelLength(int length)
{
    QTextCursor c = textCursor();
    const int start = c.selectionStart();
    const int end = qMax(0, document()->characterCount() - 1);
    const int stop = qBound(start, start + qMax(0, length), end);
    if (start == 0 && stop == end && end > 0) {
        // Selecting everything leaves the view where it is: bringing the end
        // into view would lay out the whole document first.
        selectAll();
        return;
    }
    c.setPosition(start);
    c.setPosition(stop, QTextCursor::KeepAnchor);
    setTextCursor(c);
}

// ---- character formatting ---------------------------------------------------

void RichTextBox::mergeFormat(const QTextCharFormat &fmt)
{
    BusyCursor busy(SelLength() >= kBusyChars);
    // With a selection this formats it; without, it sets the format of the
    // text typed next at the insertion point.
    mergeCurrentCharFormat(fmt);
    m_pacer->resume();
}

template <typename Pred>
bool RichTextBox::wholeSelection(Pred pred) const
{
    const QTextCursor c = textCursor();
    if (!c.hasSelection())
        return pred(c.charFormat());
    const int start = c.selectionStart();
    const int end = c.selectionEnd();
    for (QTextBlock b = document()->findBlock(start); b.isValid() && b.position() < end; b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            if (frag.position() + frag.length() <= start || frag.position() >= end)
                continue;
            if (!pred(frag.charFormat()))
                return false;
        }
    }
    return true;
}

QString RichTextBox::SelFontName() const
{
    const QTextCharFormat f = textCursor().charFormat();
    const QStringList fam = f.fontFamilies().toStringList();
    if (!fam.isEmpty())
        return fam.first();
    return f.font().family();
}

void RichTextBox::SetSelFontName(const QString &name)
{
    QTextCharFormat f;
    // Kept as given, even when this machine lacks the face: it survives in
    // saved files, and display falls back through fontconfig.
    f.setFontFamilies({name});
    mergeFormat(f);
}

float RichTextBox::SelFontSize() const
{
    const QTextCharFormat f = textCursor().charFormat();
    const double size = f.fontPointSize();
    return float(size > 0 ? size : document()->defaultFont().pointSizeF());
}

void RichTextBox::SetSelFontSize(float points)
{
    if (!(points > 0))
        return;
    QTextCharFormat f;
    f.setFontPointSize(points);
    mergeFormat(f);
}

quint32 RichTextBox::SelColor() const
{
    const QTextCharFormat f = textCursor().charFormat();
    if (f.hasProperty(QTextFormat::ForegroundBrush))
        return bgrFromColor(f.foreground().color());
    return 0;
}

void RichTextBox::SetSelColor(quint32 bgr)
{
    QTextCharFormat f;
    f.setForeground(colorFromBgr(bgr));
    mergeFormat(f);
}

bool RichTextBox::SelBold() const
{
    return wholeSelection([](const QTextCharFormat &f) { return f.fontWeight() >= QFont::Bold; });
}

void RichTextBox::SetSelBold(bool on)
{
    QTextCharFormat f;
    f.setFontWeight(on ? QFont::Bold : QFont::Normal);
    mergeFormat(f);
}

bool RichTextBox::SelItalic() const
{
    return wholeSelection([](const QTextCharFormat &f) { return f.fontItalic(); });
}

void RichTextBox::SetSelItalic(bool on)
{
    QTextCharFormat f;
    f.setFontItalic(on);
    mergeFormat(f);
}

bool RichTextBox::SelUnderline() const
{
    return wholeSelection([](const QTextCharFormat &f) { return f.fontUnderline(); });
}

void RichTextBox::SetSelUnderline(bool on)
{
    QTextCharFormat f;
    f.setFontUnderline(on);
    mergeFormat(f);
}

bool RichTextBox::SelStrikeThru() const
{
    return wholeSelection([](const QTextCharFormat &f) { return f.fontStrikeOut(); });
}

void RichTextBox::SetSelStrikeThru(bool on)
{
    QTextCharFormat f;
    f.setFontStrikeOut(on);
    mergeFormat(f);
}

QFont RichTextBox::Font() const
{
    return document()->defaultFont();
}

// ---- size -----------------------------------------------------------------

bool RichTextBox::SetWidth(float tw)
{
    if (!(tw >= 0))
        return false;
    m_widthTwips = tw;
    resize(twips::toPxX(tw), height());
    return true;
}

bool RichTextBox::SetHeight(float tw)
{
    if (!(tw >= 0))
        return false;
    m_heightTwips = tw;
    resize(width(), twips::toPxY(tw));
    return true;
}

// ---- files ----------------------------------------------------------------

Result<> RichTextBox::LoadFile(const QString &fileName, int fileType)
{
    if (fileType != rtfRTF && fileType != rtfText)
        return Failure{QStringLiteral("unknown file type")};
    BusyCursor busy(QFileInfo(fileName).size() >= kBusyChars);
    QByteArray bytes;
    QString error;
    if (!docfile::load(fileName, &bytes, &error))
        return Failure{error};

    std::unique_ptr<QTextDocument> doc = NewDocument();
    doc->setUndoRedoEnabled(false);
    if (fileType == rtfRTF) {
        if (!rtf::isRtf(bytes))
            return Failure{QStringLiteral("not a Rich Text Format file")};
        if (!readRtf(bytes, doc.get()))
            return Failure{QStringLiteral("cancelled")};
    } else if (!fillPlainText(doc.get(), textcodec::decodeText(bytes))) {
        return Failure{QStringLiteral("cancelled")};
    }
    ReplaceDocument(std::move(doc));
    return {};
}

bool RichTextBox::fillPlainText(QTextDocument *doc, const QString &text)
{
    // A megabyte at a time, so that a file big enough to take seconds shows
    // its progress and can be cancelled.
    constexpr qsizetype kPiece = 1024 * 1024;
    if (text.size() <= 2 * kPiece) {
        doc->setPlainText(text);   // CR LF, a lone CR or LF: a paragraph each
        return true;
    }
    const std::unique_ptr<QProgressDialog> progress = openingProgress();
    QTextCursor c(doc);
    for (qsizetype from = 0; from < text.size();) {
        qsizetype to = qMin(text.size(), from + kPiece);
        if (to < text.size() && text.at(to - 1) == QLatin1Char('\r'))
            ++to;   // CR LF stays one line end
        c.insertText(text.mid(from, to - from));   // CR LF, a lone CR or LF: a paragraph each
        from = to;
        progress->setValue(int(from * 1000 / text.size()));
        if (progress->wasCanceled())
            return false;
    }
    return true;
}

bool RichTextBox::readRtf(const QByteArray &bytes, QTextDocument *doc)
{
    // The engine reads about 25 MB a second: only big files need a way out.
    constexpr qsizetype kProgressBytes = 16 * 1024 * 1024;
    if (bytes.size() < kProgressBytes)
        return rtf::read(bytes, doc);
    const std::unique_ptr<QProgressDialog> progress = openingProgress();
    return rtf::read(bytes, doc, [&](qint64 done, qint64 total) {
        progress->setValue(int(done * 1000 / qMax<qint64>(1, total)));
        return !progress->wasCanceled();
    });
}

// Shown once opening has gone on for a second; Cancel leaves the open
// document as it was.
std::unique_ptr<QProgressDialog> RichTextBox::openingProgress()
{
    auto progress = std::make_unique<QProgressDialog>(QStringLiteral("Opening the document..."),
                                                      QStringLiteral("Cancel"), 0, 1000, this);
    progress->setWindowTitle(product::name());
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(1000);
    return progress;
}

Result<> RichTextBox::SaveFile(const QString &fileName, int fileType) const
{
    BusyCursor busy(document()->characterCount() >= kBusyChars);
    if (fileType != rtfRTF && fileType != rtfText)
        return Failure{QStringLiteral("unknown file type")};
    if (fileName.isEmpty())
        return Failure{QStringLiteral("no file name given")};
    int picturesLeftOut = 0;
    QByteArray bytes;
    if (fileType == rtfRTF) {
        bytes = rtf::write(document(), &picturesLeftOut);
    } else {
        // The document's own characters (a no-break space stays one); a line
        // break inside a paragraph becomes a line end like any other.
        QString text = Characters();
        text.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
        bytes = text.toUtf8();
    }
    // Saving without a picture would lose it on disk for good.
    if (picturesLeftOut > 0)
        return Failure{QStringLiteral("a picture could not be written")};
    QString error;
    if (!docfile::save(fileName, bytes, &error))
        return Failure{error};
    return {};
}

// ---- search ---------------------------------------------------------------

int RichTextBox::Find(const QString &text)
{
    BusyCursor busy(document()->characterCount() >= kBusyChars);
    if (text.isEmpty())
        return -1;
    const QTextCursor from = textCursor();
    QTextCursor found = document()->find(text, from.selectionEnd());
    if (found.isNull())
        found = document()->find(text, 0);
    if (found.isNull())
        return -1;
    setTextCursor(found);
    ensureCursorVisible();
    return found.selectionStart();
}

// ---- keys -----------------------------------------------------------------

bool RichTextBox::isReserved(const QKeyEvent *e) const
{
    const QKeySequence pressed(e->keyCombination());
    for (const QKeySequence &k : m_reserved)
        if (k.matches(pressed) == QKeySequence::ExactMatch)
            return true;
    return false;
}

QAction *RichTextBox::clipboardActionFor(const QKeyEvent *e) const
{
    if (e->matches(QKeySequence::Cut))
        return m_cut;
    if (e->matches(QKeySequence::Copy))
        return m_copy;
    if (e->matches(QKeySequence::Paste))
        return m_paste;
    return nullptr;
}

void RichTextBox::SetClipboardActions(QAction *cut, QAction *copy, QAction *paste)
{
    m_cut = cut;
    m_copy = copy;
    m_paste = paste;
}

bool RichTextBox::event(QEvent *e)
{
    // Leaving the override unaccepted lets the window's shortcut run instead
    // of QTextEdit's own Copy, Select All, Paste, ...
    if (e->type() == QEvent::ShortcutOverride && isReserved(static_cast<QKeyEvent *>(e))) {
        e->ignore();
        return true;
    }
    return QTextEdit::event(e);
}

void RichTextBox::keyPressEvent(QKeyEvent *e)
{
    if (isReserved(e)) {
        e->ignore();
        return;
    }
    if (e->matches(QKeySequence::Undo)) {
        Undo();
        e->accept();
        return;
    }
    if (QAction *command = clipboardActionFor(e)) {
        command->trigger();
        e->accept();
        return;
    }
    // Alt with a character is a menu's access key, never typing; a menu
    // without one lets the key go by unused. (AltGr arrives without Alt.)
    if ((e->modifiers() & Qt::AltModifier) && !(e->modifiers() & Qt::ControlModifier)
        && !e->text().isEmpty() && e->text().at(0).isPrint()) {
        e->ignore();
        return;
    }
    // Ctrl+End makes Qt lay out everything above the end first: done here in
    // slices, under a progress dialog with Cancel when it takes a while.
    if ((e->matches(QKeySequence::MoveToEndOfDocument) || e->matches(QKeySequence::SelectEndOfDocument))
        && !m_pacer->layOutTo(document()->characterCount() - 1)) {
        e->accept();
        return;
    }
    // Other keys that move far (Page Down) lay out what lies above too.
    BusyCursor busy(!m_pacer->finished() && document()->characterCount() >= kBusyChars);
    QTextEdit::keyPressEvent(e);
    m_pacer->resume();
}

bool RichTextBox::viewportEvent(QEvent *e)
{
    // A change held back from layout is let go before anything is drawn.
    if (e->type() == QEvent::Paint)
        m_pacer->resume();
    return QTextEdit::viewportEvent(e);
}

void RichTextBox::contextMenuEvent(QContextMenuEvent *e)
{
    std::unique_ptr<QMenu> menu(createStandardContextMenu(e->pos()));
    // Qt's own Undo would not bring back a replaced document, and its Cut,
    // Copy and Paste would name other keys than the window's menu.
    const QList<QAction *> own = menu->actions();
    for (QAction *a : own) {
        QAction *replacement = nullptr;
        const QString name = a->objectName();
        if (name == QLatin1String("edit-undo")) {
            replacement = new QAction(a->text(), menu.get());
            replacement->setEnabled(document()->isUndoAvailable() || CanUndoReplace());
            connect(replacement, &QAction::triggered, this, [this] { Undo(); });
        } else if (name == QLatin1String("edit-cut")) {
            replacement = m_cut;
        } else if (name == QLatin1String("edit-copy")) {
            replacement = m_copy;
        } else if (name == QLatin1String("edit-paste")) {
            replacement = m_paste;
        }
        if (!replacement)
            continue;
        menu->insertAction(a, replacement);
        menu->removeAction(a);
    }
    menu->exec(e->globalPos());
}

void RichTextBox::insertFromMimeData(const QMimeData *source)
{
    // Only plain text crosses into the document, with the insertion point's
    // formatting, whatever the other program offered.
    if (source && source->hasText())
        insertPlain(source->text());
    // A big insertion is laid out after QTextEdit has placed the view (see
    // LayoutPacer): not here, or QTextEdit would lay out down to its end.
}

QMimeData *RichTextBox::createMimeDataFromSelection() const
{
    // Whatever leaves the editing area (drag, selection clipboard, Qt's own
    // copy) is plain text, as the window's commands put it.
    auto *data = new QMimeData;
    data->setText(ClipboardText());
    return data;
}
