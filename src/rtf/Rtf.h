#pragma once
// The RTF engine's public face: bytes in, QTextDocument out, and back.
// No widgets here; the editor, the converter, the benchmarks and the fuzz
// target all go through these three functions.

#include <QByteArray>
#include <QString>

#include <functional>

class QTextBlock;
class QTextDocument;

namespace rtf {

// True when the data is RTF, i.e. it starts with "{\rtf".
bool isRtf(const QByteArray &data);

// Replaces the content of doc with the RTF in data. Returns false, leaving
// doc untouched, when data is not RTF. Never crashes or hangs on any input;
// truncated files are read as far as they go.
bool read(const QByteArray &data, QTextDocument *doc);

// As above, telling progress how far it got (bytes of data read, of all)
// about every megabyte. When progress returns false, reading stops and
// read() returns false; doc then holds what was read so far.
using Progress = std::function<bool(qint64 done, qint64 total)>;
bool read(const QByteArray &data, QTextDocument *doc, const Progress &progress);

// The whole document as RTF (\rtf1\ansi\ansicpg1252, CR LF line ends).
// Pictures are written as the bytes they were read as. A picture with no
// data, or whose data is neither PNG nor JPEG and does not decode, cannot
// be written; picturesLeftOut (when given) counts them, so that a caller
// never reports a loss as success.
QByteArray write(const QTextDocument *doc, int *picturesLeftOut = nullptr);

// Parts of a document that the editor does not show are kept in it as
// format properties and written back in place:
//  - kSectionParts (root frame format): headers and footers, a QStringList;
//  - kAttachedParts (character format): footnotes, endnotes, comments and
//    hidden text that follow the character, a QStringList;
//  - kAutoNumber (character format): the text starts with a footnote's
//    automatic number (\chftn), the QString held here; text typed after
//    it in the same look follows it.
// Each entry of a list is "kind\x1f<a>\x1f<b>\x1f<content>", where the
// content is the part as RTF of its own (plain text for hidden text).
// Footnotes and comments also carry their text as the tool tip.
constexpr int kSectionParts = 0x100000 + 0x5230; // QTextFormat::UserProperty + ...
constexpr int kAttachedParts = 0x100000 + 0x5231;
constexpr int kAutoNumber = 0x100000 + 0x5232;

// Qt draws no tab leaders: a block's leaders are kept as a string with one
// character per tab stop (see kTabLeaderChars in RtfUnits.h).
constexpr int kTabLeaders = 0x100000 + 0x5233;

// Qt has no row heights: a table cell keeps its row's \trrh (twips;
// negative: exactly) for the writer.
constexpr int kRowHeight = 0x100000 + 0x5234;

// Lists: a bullet list's own bullet character (QString) and the first-line
// indent of its items in twips (int, negative: the marker hangs left of
// the text), both on the QTextListFormat.
constexpr int kListBullet = 0x100000 + 0x5235;
constexpr int kListFirstIndent = 0x100000 + 0x5236;
constexpr int kListStart = 0x100000 + 0x5237; // the first number, when not 1 (int)

// Qt lays out a table in one piece, so a long table is shown as slices of
// rows: each slice after the first is a table whose format has
// kTableContinues (bool), and the empty block Qt puts between two tables
// has kTableSeam (bool) in its block format. The writer writes the slices
// as the one table they were.
constexpr int kTableContinues = 0x100000 + 0x5300;
constexpr int kTableSeam = 0x100000 + 0x5301;

// Qt lays a nested table out twice per level, so tables nested deeper than
// kShownTableNesting are shown as their cells' paragraphs, in order, in the
// cell that holds them. Each such paragraph keeps its level (kNestLevel,
// int); a cell's last one has kNestCellEnd (bool) and a row's last one also
// kNestRow, the row's definition (QString), so that the writer writes the
// nested tables they were.
constexpr int kShownTableNesting = 8;
constexpr int kNestLevel = 0x100000 + 0x5302;
constexpr int kNestCellEnd = 0x100000 + 0x5303;
constexpr int kNestRow = 0x100000 + 0x5304;

// A face this machine lacks is shown in the family that draws it (Qt keeps
// a font engine per family asked for and walks them all as its cache
// fills, so thousands of faces took quadratic time); the character format
// keeps the document's face and that family as a QStringList {face, family}
// for the writer, which writes the face while the family is unchanged.
constexpr int kFontFace = 0x100000 + 0x5305;

// The document's text as word processors export it: as toPlainText(), but
// each list item starts with its marker and a tab.
QString plainText(const QTextDocument *doc);

// The marker of a list item as word processors show it ("1.", "b)", "•"),
// with the list's first number; empty for a block in no list.
QString listMarker(const QTextBlock &block);

} // namespace rtf
