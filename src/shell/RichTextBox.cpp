#include "shell/RichTextBox.h"
#include "shell/PictureHandler.h"

#include "rtf/Rtf.h"
#include "shell/BusyCursor.h"
#include "shell/LayoutPacer.h"
#include "shell/ParagraphPieces.h"
#include "shell/Twips.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

namespace {

// A word at least this long, with nothing to break the line at, is wrapped
// anywhere: Qt's word wrapping measures the rest of such a word for every
// line it makes, which takes minutes for a word of a megabyte.
constexpr int kLongWord = 2000;

constexpr qsizetype kBusyChars = DocumentSession::kBusyChars;

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
    m_session = std::make_unique<DocumentSession>(this);
    connect(m_session.get(), &DocumentSession::shown, this, &RichTextBox::showDocument);
    m_session->reset(DocumentSession::newDocument());
    setCurrentCharFormat(QTextCharFormat());
}

RichTextBox::~RichTextBox()
{
    // The session owns the document on show: the editor lets go of it
    // before the session goes.
    disconnect(m_session.get(), nullptr, this, nullptr);
    setDocument(nullptr);
}

// The one way a document gets onto the screen, whoever puts it there.
void RichTextBox::showDocument(QTextDocument *doc, bool atEnd)
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
    PictureHandler::install(doc);
    rtf::registerKeptParts(doc);
    m_pacer->track(doc);
    moveCursor(atEnd ? QTextCursor::End : QTextCursor::Start);
}

bool RichTextBox::undoStep()
{
    if (document()->isUndoAvailable()) {
        const pieces::Replay replay(document());
        undo();
        return true;
    }
    return m_session->undoReplace();
}

bool RichTextBox::redoStep()
{
    if (document()->isRedoAvailable()) {
        const pieces::Replay replay(document());
        redo();
        return true;
    }
    return m_session->redoReplace();
}

void RichTextBox::oneUndoStep(const std::function<void()> &edit)
{
    QTextDocument *doc = document();
    // The edit block keeps where its cursor stood: Ctrl+Z puts the
    // insertion point back there, not at the top of the document.
    QTextCursor block = textCursor();
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
    return m_session->text();
}

QString RichTextBox::characters() const
{
    return m_session->characters();
}

bool RichTextBox::SetText(const QString &text)
{
    return m_session->setText(text);
}

QString RichTextBox::TextRTF() const
{
    return m_session->rtf();
}

bool RichTextBox::SetTextRTF(const QString &markup)
{
    return m_session->setRtf(markup);
}

QString RichTextBox::SelText() const
{
    return withCrLf(rtf::withoutStandIns(document(), textCursor().selectedText(), textCursor().selectionStart()));
}

void RichTextBox::SetSelText(const QString &text)
{
    BusyCursor busy(text.size() >= kBusyChars || SelLength() >= kBusyChars);
    insertPlain(text);
    m_pacer->resume();
}

void RichTextBox::insertPlain(const QString &text)
{
    oneUndoStep([&] {
        QTextCursor c = textCursor();
        c.insertText(text);   // CR LF, a lone CR or LF: a paragraph each
        setTextCursor(c);
    });
    if (text.size() > kLongWord && hasLongWord(text))
        setWordWrapMode(QTextOption::WrapAnywhere);
}

QString RichTextBox::clipboardText() const
{
    const QTextCursor c = textCursor();
    QString s = rtf::withoutStandIns(document(), c.selectedText(), c.selectionStart());
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
    // In 64 bits: a length up to the end from any start must not overflow.
    const int stop = int(qBound(qint64(start), qint64(start) + qMax(0, length), qint64(end)));
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
    // A face this machine lacks is shown in another family; the document's
    // own face is the one to name.
    const QStringList kept = f.property(rtf::kFontFace).toStringList();
    if (kept.size() == 2 && !fam.isEmpty() && kept.at(1) == fam.first())
        return kept.at(0);
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
    f.setProperty(rtf::kFontFace, QStringList()); // the face shown is now the face
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

Result<> RichTextBox::LoadFile(const QString &fileName, FileType fileType)
{
    return m_session->load(fileName, fileType);
}

Result<> RichTextBox::SaveFile(const QString &fileName, FileType fileType) const
{
    return m_session->save(fileName, fileType);
}

// ---- search ---------------------------------------------------------------

int RichTextBox::Find(const QString &text)
{
    BusyCursor busy(document()->characterCount() >= kBusyChars);
    if (text.isEmpty())
        return -1;
    // The anchors of kept parts (a field's marks around its result, a
    // bookmark) stand between the characters the user sees: a match steps
    // over them.
    QString pattern;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        if (i)
            pattern += QStringLiteral("\\x{FFFC}*");
        pattern += QRegularExpression::escape(text.mid(i, n));
        i += n;
    }
    const QRegularExpression re(pattern, QRegularExpression::CaseInsensitiveOption);
    const QTextCursor from = textCursor();
    // Also across the joins of a paragraph shown in pieces, the earlier match.
    const auto findFrom = [&](int at) {
        QTextCursor inBlock = document()->find(re, at);
        const QTextCursor across = pieces::find(document(), text, at);
        if (!across.isNull() && (inBlock.isNull() || across.selectionStart() < inBlock.selectionStart()))
            return across;
        return inBlock;
    };
    QTextCursor found = findFrom(from.selectionEnd());
    if (found.isNull())
        found = findFrom(0);
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

void RichTextBox::setClipboardActions(QAction *cut, QAction *copy, QAction *paste)
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
        undoStep();
        e->accept();
        return;
    }
    if (e->matches(QKeySequence::Redo)) {
        redoStep();
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
    if (keyAtJoin(e))
        return;
    // Other keys that move far (Page Down) lay out what lies above too.
    BusyCursor busy(!m_pacer->finished() && document()->characterCount() >= kBusyChars);
    if (mergesPieces(e))
        oneUndoStep([&] { QTextEdit::keyPressEvent(e); });
    else
        QTextEdit::keyPressEvent(e);
    m_pacer->resume();
}

// A long paragraph shown as pieces (see ParagraphPieces) is one paragraph
// to the keys too: Enter at a join makes it a real paragraph end, and the
// keys that delete or move by one character reach the character beyond it.
bool RichTextBox::keyAtJoin(QKeyEvent *e)
{
    QTextCursor c = textCursor();
    if (e->matches(QKeySequence::InsertParagraphSeparator) && pieces::atJoin(c)) {
        // The insertion point goes to the start of the new paragraph.
        const int start = pieces::pastJoins(document(), c.position(), true);
        oneUndoStep([&] { pieces::breakJoin(c); });
        c.setPosition(start);
        setTextCursor(c);
        e->accept();
        return true;
    }
    const bool backspace = e->key() == Qt::Key_Backspace && !(e->modifiers() & ~Qt::ShiftModifier);
    const bool forward = e->matches(QKeySequence::Delete) || e->matches(QKeySequence::DeleteEndOfWord)
        || e->matches(QKeySequence::MoveToNextChar) || e->matches(QKeySequence::SelectNextChar);
    const bool back = backspace || e->matches(QKeySequence::DeleteStartOfWord)
        || e->matches(QKeySequence::MoveToPreviousChar) || e->matches(QKeySequence::SelectPreviousChar);
    const bool select = e->matches(QKeySequence::SelectNextChar) || e->matches(QKeySequence::SelectPreviousChar);
    if ((forward || back) && (select || !c.hasSelection())) {
        const int at = pieces::pastJoins(document(), c.position(), forward);
        if (at != c.position()) {
            c.setPosition(at, select ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
            setTextCursor(c);
        }
    }
    return false;
}

// Backspace at the start of a paragraph, or Delete at its end, next to a
// piece: Qt makes that one undo item outside any edit block, and the joins
// set right after it (see ParagraphPieces) must go back with it.
bool RichTextBox::mergesPieces(const QKeyEvent *e) const
{
    const QTextCursor c = textCursor();
    if (c.hasSelection())
        return false;
    QTextBlock other;
    if (e->key() == Qt::Key_Backspace && c.atBlockStart())
        other = c.block().previous();
    else if (e->matches(QKeySequence::Delete) && c.atBlockEnd())
        other = c.block().next();
    return other.isValid()
        && (other.blockFormat().hasProperty(rtf::kParagraphJoin) || c.block().blockFormat().hasProperty(rtf::kParagraphJoin));
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
    // Qt's own Undo and Redo would not bring back a replaced document, and its Cut,
    // Copy and Paste would name other keys than the window's menu.
    const QList<QAction *> own = menu->actions();
    for (QAction *a : own) {
        QAction *replacement = nullptr;
        const QString name = a->objectName();
        if (name == QLatin1String("edit-undo")) {
            replacement = new QAction(a->text(), menu.get());
            replacement->setEnabled(document()->isUndoAvailable() || m_session->canUndoReplace());
            connect(replacement, &QAction::triggered, this, [this] { undoStep(); });
        } else if (name == QLatin1String("edit-redo")) {
            replacement = new QAction(a->text(), menu.get());
            replacement->setEnabled(document()->isRedoAvailable() || m_session->canRedoReplace());
            connect(replacement, &QAction::triggered, this, [this] { redoStep(); });
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
    data->setText(clipboardText());
    return data;
}
