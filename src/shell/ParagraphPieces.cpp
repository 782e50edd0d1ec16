#include "shell/ParagraphPieces.h"

#include "rtf/Rtf.h"

#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextDocument>
#include <QTextFrame>

#include <atomic>
#include <vector>

using rtf::ParagraphJoin;
using rtf::paragraphJoin;

namespace pieces {
namespace {

// Join ids need only differ within a document; one count serves them all.
std::atomic<int> g_nextId{1};

int newIds(int count)
{
    int first = g_nextId.fetch_add(count);
    if (first <= 0 || first > INT_MAX - count) { // after two thousand million joins
        g_nextId = 1 + count;
        first = 1;
    }
    return first;
}

void setOrClear(QTextBlockFormat &f, int property, double value)
{
    if (value != 0)
        f.setProperty(property, value);
    else
        f.clearProperty(property);
}

// The format a block shows with join j: the paragraph's indent and space
// before on its first piece, its space after on its last. A block that
// joins nothing is an ordinary paragraph again.
QTextBlockFormat shownFormat(QTextBlockFormat f, const ParagraphJoin &j)
{
    setOrClear(f, QTextFormat::BlockTopMargin, j.before ? 0 : j.topMargin);
    setOrClear(f, QTextFormat::TextIndent, j.before ? 0 : j.textIndent);
    setOrClear(f, QTextFormat::BlockBottomMargin, j.after ? 0 : j.bottomMargin);
    if (j.before || j.after)
        f.setProperty(rtf::kParagraphJoin, QVariant::fromValue(j));
    else
        f.clearProperty(rtf::kParagraphJoin);
    return f;
}

// A block's join with the paragraph's own margins filled in.
ParagraphJoin joinWithMargins(const QTextBlock &b)
{
    ParagraphJoin j = paragraphJoin(b);
    if (!b.blockFormat().hasProperty(rtf::kParagraphJoin)) {
        const QTextBlockFormat f = b.blockFormat();
        j.topMargin = f.topMargin();
        j.bottomMargin = f.bottomMargin();
        j.textIndent = f.textIndent();
    }
    return j;
}

void setShown(const QTextBlock &b, const ParagraphJoin &j)
{
    const QTextBlockFormat f = shownFormat(b.blockFormat(), j);
    if (f != b.blockFormat())
        QTextCursor(b).setBlockFormat(f);
}

// Where to end a piece that should end near `target`: after a space, so
// that the join falls where a line may end anyway; failing that, where the
// line may break (CJK), or at least between two characters.
int cutNear(const QString &text, int target, int earliest)
{
    for (int i = target - 1; i >= earliest; --i) {
        const QChar c = text.at(i);
        if ((c == u' ' || c == u'\t') && !text.at(i + 1).isSpace() && !text.at(i + 1).isMark())
            return i + 1;
    }
    QTextBoundaryFinder lines(QTextBoundaryFinder::Line, text.constData() + earliest, target - earliest + 1);
    lines.setPosition(target - earliest);
    const int line = lines.isAtBoundary() ? target - earliest : int(lines.toPreviousBoundary());
    if (line > 0)
        return earliest + line;
    // Not inside a surrogate pair, nor before a combining mark.
    int at = target;
    while (at > earliest && (text.at(at).isLowSurrogate() || text.at(at).isMark()))
        --at;
    return at;
}

void splitBlock(QTextDocument *doc, const QTextBlock &block)
{
    const QString text = block.text();
    std::vector<int> cuts;
    for (int from = 0; int(text.size()) - from > kSplitAbove;) {
        const int cut = cutNear(text, from + kPieceChars, from + kPieceChars / 2);
        cuts.push_back(cut);
        from = cut;
    }
    const int start = block.position();
    const int first = newIds(int(cuts.size()));
    ParagraphJoin j = joinWithMargins(block);
    const QTextBlockFormat base = rtf::paragraphFormat(block);
    QTextCursor c(doc);
    // From the last cut back, so that the earlier ones stay where they were.
    for (std::size_t k = cuts.size(); k-- > 0;) {
        j.before = first + int(k);
        j.after = k + 1 < cuts.size() ? first + int(k) + 1 : 0;
        c.setPosition(start + cuts[k]);
        c.insertBlock(shownFormat(base, j));
    }
    j.before = 0;
    j.after = first;
    QTextCursor(doc->findBlock(start)).setBlockFormat(shownFormat(base, j));
}

// Keeps the joins of one document right through its edits. Each change is
// noted as it is made; the joins around it are set right once Qt has
// finished with it (a change made while Qt is still telling of one would
// confuse its layout), as part of the same undo step.
class Keeper : public QObject
{
    Q_OBJECT
public:
    explicit Keeper(QTextDocument *doc) : QObject(doc), m_doc(doc)
    {
        connect(doc, &QTextDocument::contentsChange, this, &Keeper::note);
        connect(doc, &QTextDocument::contentsChanged, this, &Keeper::settle);
    }

    int paused = 0;

private:
    void note(int from, int removed, int added)
    {
        if (paused || m_busy)
            return;
        Q_UNUSED(removed);
        if (m_from < 0) {
            m_from = from;
            m_to = from + added;
        } else {
            m_from = qMin(m_from, from);
            m_to = qMax(m_to, from + added);
        }
    }

    void settle();

    QTextDocument *m_doc;
    bool m_busy = false;
    int m_from = -1, m_to = -1; // what changed since the last settle
};

// The blocks just outside a change are untouched, so the end between the
// block before it and the change, and the end after the change, are what
// they were: the block before holds its join in `after`, the block after
// in `before`. Ends inside the change are joins only where both sides still
// agree; a paragraph end the user typed or pasted has copied one piece's
// format to both of its sides, which never agree.
void Keeper::settle()
{
    if (paused || m_busy || m_from < 0)
        return;
    const int from = m_from, to = m_to;
    m_from = m_to = -1;
    QTextBlock first = m_doc->findBlock(from);
    QTextBlock last = m_doc->findBlock(to);
    if (!first.isValid())
        first = m_doc->lastBlock();
    if (!last.isValid())
        last = m_doc->lastBlock();
    const QTextBlock before = first.previous();
    const QTextBlock after = last.next();
    bool any = before.isValid() && before.blockFormat().hasProperty(rtf::kParagraphJoin);
    for (QTextBlock b = first; !any && b.isValid(); b = b.next()) {
        any = b.blockFormat().hasProperty(rtf::kParagraphJoin);
        if (b == last)
            break;
    }
    if (!any && !(after.isValid() && after.blockFormat().hasProperty(rtf::kParagraphJoin)))
        return;

    std::vector<std::pair<QTextBlock, ParagraphJoin>> wanted;
    ParagraphJoin prev = before.isValid() ? joinWithMargins(before) : ParagraphJoin();
    int lead = prev.after;
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        const ParagraphJoin have = joinWithMargins(b);
        ParagraphJoin want = have;
        want.before = lead;
        if (lead) { // a piece after the first has its paragraph's margins
            want.topMargin = prev.topMargin;
            want.bottomMargin = prev.bottomMargin;
            want.textIndent = prev.textIndent;
        }
        const QTextBlock next = b.next();
        const int nextBefore = next.isValid() ? paragraphJoin(next).before : 0;
        if (b == last)
            want.after = nextBefore;
        else
            want.after = have.after && have.after == nextBefore ? have.after : 0;
        if (want != have) // a format Qt copied or merged; the rest are right
            wanted.emplace_back(b, want);
        prev = want;
        lead = want.after;
        if (b == last)
            break;
    }
    // The pieces after the change take the margins of the paragraph they
    // now belong to.
    for (QTextBlock b = after; b.isValid() && lead && paragraphJoin(b).before == lead; b = b.next()) {
        ParagraphJoin j = paragraphJoin(b);
        if (j.topMargin == prev.topMargin && j.bottomMargin == prev.bottomMargin && j.textIndent == prev.textIndent)
            break;
        j.topMargin = prev.topMargin;
        j.bottomMargin = prev.bottomMargin;
        j.textIndent = prev.textIndent;
        wanted.emplace_back(b, j);
        lead = j.after;
    }

    m_busy = true;
    QTextCursor step(m_doc);
    step.joinPreviousEditBlock();
    for (const auto &[b, j] : wanted)
        setShown(b, j);
    step.endEditBlock();
    m_busy = false;
}

Keeper *keeperOf(QTextDocument *doc)
{
    return doc ? doc->findChild<Keeper *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

} // namespace

void split(QTextDocument *doc)
{
    std::vector<int> longOnes;
    bool inPieces = false; // a copy of a document shown in pieces
    for (auto it = doc->rootFrame()->begin(); !it.atEnd(); ++it) {
        const QTextBlock b = it.currentBlock();
        if (it.currentFrame() || !b.isValid())
            continue;
        if (b.length() > kSplitAbove && !b.textList())
            longOnes.push_back(b.position());
        inPieces = inPieces || b.blockFormat().hasProperty(rtf::kParagraphJoin);
    }
    if (!longOnes.empty()) {
        doc->setUndoRedoEnabled(false);
        // In one edit block: outside one, a cursor that inserts a paragraph
        // end asks for the layout of the text above it, the whole paragraph.
        QTextCursor all(doc);
        all.beginEditBlock();
        // From the last one back, so that the positions of the others hold.
        for (auto it = longOnes.rbegin(); it != longOnes.rend(); ++it)
            splitBlock(doc, doc->findBlock(*it));
        all.endEditBlock();
    }
    // Joins come only from here: a document without any needs no keeper.
    if ((inPieces || !longOnes.empty()) && !keeperOf(doc))
        new Keeper(doc);
}

Replay::Replay(QTextDocument *doc) : m_keeper(keeperOf(doc))
{
    if (m_keeper)
        ++static_cast<Keeper *>(m_keeper)->paused;
}

Replay::~Replay()
{
    if (m_keeper)
        --static_cast<Keeper *>(m_keeper)->paused;
}

bool atJoin(const QTextCursor &c)
{
    if (c.hasSelection())
        return false;
    const QTextBlock b = c.block();
    return (c.atBlockStart() && rtf::joinsPrevious(b))
        || (c.atBlockEnd() && b.next().isValid() && rtf::joinsPrevious(b.next()));
}

int pastJoins(const QTextDocument *doc, int position, bool forward)
{
    QTextBlock b = doc->findBlock(position);
    if (forward) {
        // From the end of a piece to the start of the next, and over empty ones.
        while (b.isValid() && position == b.position() + b.length() - 1 && b.next().isValid()
               && rtf::joinsPrevious(b.next())) {
            b = b.next();
            position = b.position();
        }
    } else {
        while (b.isValid() && position == b.position() && rtf::joinsPrevious(b)) {
            b = b.previous();
            position = b.position() + b.length() - 1;
        }
    }
    return position;
}

void breakJoin(const QTextCursor &c)
{
    QTextBlock b = c.block();
    if (!(c.atBlockStart() && rtf::joinsPrevious(b)))
        b = b.next();
    const QTextBlock prev = b.previous();
    ParagraphJoin a = joinWithMargins(prev), z = joinWithMargins(b);
    a.after = 0;
    z.before = 0;
    QTextCursor step(c);
    step.beginEditBlock();
    setShown(prev, a);
    setShown(b, z);
    step.endEditBlock();
}

QTextCursor find(const QTextDocument *doc, const QString &text, int from)
{
    QTextCursor found = doc->find(text, from);
    const int n = int(text.size());
    if (n < 2)
        return found;
    int best = found.isNull() ? INT_MAX : found.selectionStart();
    QString needle = text;
    needle.replace(QChar::Nbsp, u' ');
    // Text that runs across a join: found at the first join it crosses,
    // in the last n - 1 characters before it and the first n - 1 after.
    for (QTextBlock b = doc->findBlock(from).next(); b.isValid() && b.position() - n < best; b = b.next()) {
        if (!rtf::joinsPrevious(b))
            continue;
        const QTextBlock prev = b.previous();
        QString window = prev.text().right(n - 1);
        std::vector<int> at;
        for (int i = 0; i < window.size(); ++i)
            at.push_back(prev.position() + prev.length() - 1 - int(window.size()) + i);
        const int head = int(window.size());
        for (QTextBlock next = b; next.isValid() && int(window.size()) < head + n - 1; next = next.next()) {
            if (next != b && !rtf::joinsPrevious(next))
                break;
            const QString more = next.text().left(head + n - 1 - int(window.size()));
            for (int i = 0; i < more.size(); ++i)
                at.push_back(next.position() + i);
            window += more;
        }
        window.replace(QChar::Nbsp, u' ');
        for (int k = int(window.indexOf(needle, 0, Qt::CaseInsensitive)); k >= 0 && k < head;
             k = int(window.indexOf(needle, k + 1, Qt::CaseInsensitive))) {
            if (at[k] < from || k + n <= head)
                continue;
            if (at[k] < best) {
                best = at[k];
                found = QTextCursor(const_cast<QTextDocument *>(doc));
                found.setPosition(at[k]);
                found.setPosition(at[k + n - 1] + 1, QTextCursor::KeepAnchor);
            }
            break;
        }
    }
    return found;
}

} // namespace pieces

#include "ParagraphPieces.moc"
