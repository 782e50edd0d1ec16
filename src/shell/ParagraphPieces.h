#pragma once
// A very long paragraph shown as pieces (see rtf::kParagraphJoin).
//
// Qt lays out the whole paragraph again on every change to it: in a
// paragraph of megabytes each keystroke took seconds. The editor shows such
// a paragraph as blocks of about kPieceChars characters, split after a
// space, joined by paragraph ends that only stand in on screen. The text,
// saves, the clipboard and search see one paragraph. On screen a line ends
// early at each join, where the next piece starts a line of its own.

#include <QTextCursor>

class QTextDocument;

namespace pieces {

// Paragraphs longer than kSplitAbove are split into pieces of about
// kPieceChars (between half and one and a half times that).
constexpr int kPieceChars = 32 * 1024;
constexpr int kSplitAbove = kPieceChars * 3 / 2;

// Shows every long paragraph of doc, outside tables and lists, as pieces.
// For a fresh document (or a copy of one shown in pieces): its undo
// history is dropped. From then on the
// joins are kept right while doc is edited: a paragraph end the user makes
// is a real one, and the joins around text deleted, pasted or formatted
// stay what they were, each repair part of the edit's own undo step.
void split(QTextDocument *doc);

// Holds the keeping of doc while undo or redo puts back a state of its own.
class Replay
{
public:
    explicit Replay(QTextDocument *doc);
    ~Replay();
    Replay(const Replay &) = delete;
    Replay &operator=(const Replay &) = delete;

private:
    QObject *m_keeper;
};

// A cursor without a selection that stands at a join (at the end of the
// piece before it or at the start of the piece after it).
bool atJoin(const QTextCursor &c);
// The same place as `position`, moved over the joins there: forward to
// the start of the next piece with text, or back to the end of the piece
// before. A position at no join comes back as it is.
int pastJoins(const QTextDocument *doc, int position, bool forward);
// Makes the join the cursor stands at a real paragraph end (Enter there).
void breakJoin(const QTextCursor &c);

// As QTextDocument::find (case-insensitive, from `from` on), also finding
// text that runs across a join.
QTextCursor find(const QTextDocument *doc, const QString &text, int from);

} // namespace pieces
