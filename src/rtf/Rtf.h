#pragma once
// The RTF engine's public face: bytes in, QTextDocument out, and back.
// No widgets here; the editor, the converter, the benchmarks and the fuzz
// target all go through these three functions.

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QTextDocument>
#include <QTextFormat>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QTextBlock;
class QTextBlockFormat;
class QTextFormat;

namespace rtf {

// A QTextDocument whose lists take and lose items in logarithmic time.
// Qt's own lists mark every item of a list changed whenever one item joins
// or leaves it, which makes reading, pasting or undoing a long list
// quadratic: 20,000 items took 14 s to read. The editor, the converter and
// the benchmarks read into this document; any other QTextDocument reads and
// writes the same, only slower with long lists.
class Document : public QTextDocument
{
public:
    explicit Document(QObject *parent = nullptr);
    // The quick lists rest on the insides of the Qt they were built with;
    // with any other Qt at run time this document makes Qt's own lists.
    static bool quickLists();
    // A copy of source's content and settings, as QTextDocument::clone()
    // makes, but in linear time: Qt's clone makes Qt's own lists and took
    // 18 s over a list of 10,000 items.
    static std::unique_ptr<Document> copyOf(const QTextDocument &source);

protected:
    QTextObject *createObject(const QTextFormat &format) override;
};

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
// Pictures are written as the bytes they were read as (PNG, JPEG, WMF,
// EMF and any others with their words as read); one that came from
// elsewhere and is none of these is written as PNG. A picture with no
// data, or one that is no picture at all, cannot be written;
// picturesLeftOut (when given) counts them, so that a caller never
// reports a loss as success.
QByteArray write(const QTextDocument *doc, int *picturesLeftOut = nullptr);

// Parts of a document that the editor does not show are kept in it and
// written back in place:
//  - footnotes, endnotes, comments, hidden text, page breaks (\page) and
//    the starts of sections (\sect, with the properties of the section
//    that starts; at the start of its first paragraph): each is a thing in the
//    text of its own, an anchor. An anchor is one object replacement
//    character (U+FFFC) whose character format has the object type
//    kKeptPartObject and holds the part as a KeptPart in kKeptPart. It looks
//    like the text around it (hidden text: like the hidden text; breaks have
//    the plain look, which the writer does not write), takes
//    no room and draws nothing (see registerKeptParts), and is left out of
//    the document's text (see plainText and withoutStandIns). Two equal
//    notes are two anchors; formatting a range changes an anchor's look but
//    keeps it one; text typed beside it is text of its own. Only anchors
//    are written as parts: text typed right after one (QTextCursor copies
//    the format minus the object type) is written as text;
//  - fields: the result stays text, between a FieldStart anchor (content:
//    the instruction as RTF, the body of \*\fldinst; fieldFlags: \fldedit,
//    \fldlock, \flddirty, \fldpriv) and a FieldEnd anchor sharing its pair
//    number. A start or end whose partner is gone is written as nothing, so
//    the result is then plain text. HYPERLINK fields are links instead
//    (see KeptLink);
//  - bookmarks (id: the name; a start also names a Qt anchor), table of
//    contents entries (content: the whole {\tc ...} group), \chpgn, \chdate
//    and their kin (Special, content: the word; shown as nothing) and \column;
//  - kSectionParts (root frame format): headers and footers of the first
//    section, a QStringList of "kind\x1f\x1f\x1f<RTF>"; a later section's
//    own are in its anchor's headers, in the same shape;
//  - kAutoNumber (character format): the text starts with a footnote's
//    automatic number (\chftn), the QString held here; text typed after
//    it in the same look follows it.
struct KeptPart {
    enum Kind : quint8 { Footnote, Endnote, Annotation, Hidden, PageBreak, Section, Object,
                         FieldStart, FieldEnd, BookmarkStart, BookmarkEnd, TocEntry, Special, ColumnBreak };
    Kind kind = Footnote;
    QString id, author; // of a comment: \atnid and \atnauthor
    QString content;    // RTF of its own (Latin-1); hidden text: the text;
                        // a section: its properties as RTF words (\sectd\cols2...);
                        // an object: its whole group as read (Latin-1)
    bool sectionBreak = false; // a section after a \sect (not the first one)
    QStringList headers;       // a section's own headers and footers
    quint32 pair = 0;          // a field's start and end share it
    quint8 fieldFlags = 0;     // FieldFlag bits
    enum FieldFlag : quint8 { FldEdit = 1, FldLock = 2, FldDirty = 4, FldPriv = 8 };
    bool operator==(const KeptPart &) const = default;
};
constexpr int kKeptPartObject = 0x1000 + 0x52; // QTextFormat::UserObject + ...
constexpr int kSectionParts = 0x100000 + 0x5230; // QTextFormat::UserProperty + ...
constexpr int kKeptPart = 0x100000 + 0x5231;
constexpr int kAutoNumber = 0x100000 + 0x5232;

// The kept part an anchor holds; null for anything that is no anchor.
std::optional<KeptPart> keptPart(const QTextFormat &format);
bool isKeptPartAnchor(const QTextFormat &format);

// Makes the document's layout, now and whenever it gets a new one, give
// anchors no room and draw nothing. Without it Qt does the same for an
// object type it does not know; with it, it is said.
void registerKeptParts(QTextDocument *doc);

// Text taken from doc one character per position, starting at position
// from (toRawText(), toPlainText(), a cursor's selectedText()), without
// what only stands in on screen: the anchors of kept parts, the empty
// paragraphs between a long table's slices and the paragraph ends between
// pieces of one paragraph (see kParagraphJoin). Pictures stay.
QString withoutStandIns(const QTextDocument *doc, const QString &text, int from = 0);

// Properties Qt neither draws nor keeps (\lang, \keepn, a paragraph's
// borders and shading...), kept beside the ones it does: a run's on its
// character format (kKeptCharWords), a paragraph's on its block format
// (kKeptParWords), the document's in DocumentSettings. Written back after
// the properties Qt carries. Equal sets compare equal, so runs that differ
// in nothing else still share a format and merge.
struct KeptWord {
    enum Kind : quint8 { Flag, Number, Color };
    QByteArray name; // without the backslash; a paragraph border's own words
                     // follow its side: "brdrt", "brdrt.brdrs", "brdrt.brdrw"
    int value = 0;   // Number: the parameter; Color: a QRgb, 0 for "auto"
    Kind kind = Flag;
    bool operator==(const KeptWord &) const = default;
};
struct KeptWords {
    QList<KeptWord> words; // sorted by name, each name once
    bool operator==(const KeptWords &) const = default;
    bool isEmpty() const { return words.isEmpty(); }
    const KeptWord *find(QByteArrayView name) const;
    void set(const KeptWord &w); // adds, or replaces the word of that name
    void remove(QByteArrayView name);
    // Removes every word whose name starts with prefix.
    void removePrefix(QByteArrayView prefix);
};
constexpr int kKeptCharWords = 0x100000 + 0x5440;
constexpr int kKeptParWords = 0x100000 + 0x5441;
// A paragraph's mark looks unlike its last run: its character format (the
// block's char format) has this (bool) and is written before its \par.
constexpr int kMarkFormat = 0x100000 + 0x5442;

// Qt lays out a paragraph again as a whole on every change to it, so the
// editor shows a very long paragraph as several blocks, its pieces. Each
// piece has a ParagraphJoin in kParagraphJoin (block format): the paragraph
// end between two pieces only stands in on screen, and it is left out of
// the document's text and not written. The ids of the joins at a piece's
// start and end say which: the end between blocks A and B is a join when
// A's `after` and B's `before` are the same id, not 0. (An editor that
// copies or merges block formats can then not make a join by accident.)
// The paragraph's first-line indent and space before show on its first
// piece only, its space after on its last; each piece keeps them all.
struct ParagraphJoin {
    int before = 0, after = 0;
    double topMargin = 0, bottomMargin = 0, textIndent = 0; // pixels, as QTextBlockFormat
    bool operator==(const ParagraphJoin &) const = default;
};
constexpr int kParagraphJoin = 0x100000 + 0x5470;

// The piece's ParagraphJoin; all zero for a block that is no piece.
ParagraphJoin paragraphJoin(const QTextBlock &block);
// True when the paragraph end before block is a join.
bool joinsPrevious(const QTextBlock &block);
// The block's format as its paragraph has it: a piece's margins and indent
// are the paragraph's own, and it holds no join.
QTextBlockFormat paragraphFormat(const QTextBlock &block);

// The document's settings that Qt has no place for, as read and written
// back in the header: page setup, the default language, widow control,
// the \info group (titles, authors, dates) and how notes are numbered
// and placed. In the root frame's format, under kDocumentSettings.
struct DocumentSettings {
    // Twips; 0: not given.
    int paperWidth = 0, paperHeight = 0;
    int marginLeft = 0, marginRight = 0, marginTop = 0, marginBottom = 0, gutter = 0;
    int headerY = 0, footerY = 0;
    int language = 0; // \deflang; 0: not given
    bool landscape = false, widowControl = false;
    QByteArray info;  // the {\info ...} group as read (ASCII RTF)
    QByteArray notes; // footnote and endnote settings as RTF words (\ftnbj\ftnnar...)
    QString defaultFace;    // the face \deff names
    KeptWords words;        // protection, hyphenation, view and other document words
    QByteArray userProps;   // the {\*\userprops ...} group as read (ASCII RTF)
    QByteArray background;  // the {\*\background ...} group as read (ASCII RTF)
    // A {\*\latentstyles ...} group outside the style sheet, as read (ASCII
    // RTF), and whether it came after the body (where Word puts it).
    QByteArray latentStyles;
    bool latentStylesLast = false;
    bool operator==(const DocumentSettings &) const = default;
};
constexpr int kDocumentSettings = 0x100000 + 0x5238;

// A HYPERLINK field whose instruction says more than a link holds (\o a
// tooltip, \t a target frame, \m, \n, \h, field flags): its runs' character
// formats keep the instruction as read (RTF, the body of \*\fldinst) with the
// target it was read as. While the run still links to that target, the
// writer writes the instruction as it was; a tooltip is also shown (the
// format's tool tip).
struct KeptLink {
    QString href;        // the link's target as read
    QString instruction; // RTF (Latin-1)
    quint8 fieldFlags = 0; // KeptPart::FieldFlag bits
    bool operator==(const KeptLink &) const = default;
};
constexpr int kKeptLink = 0x100000 + 0x5428;

// Objects (\object), shapes (\shp, \shpgrp) and drawing objects (\do) are
// shown as a picture: their result or fallback picture, else a box of their
// size with their text (an SVG the reader makes). The picture's image
// format holds the whole group as read in kKeptObject, a KeptPart of kind
// Object, and the writer writes that group back in the picture's place.
constexpr int kKeptObject = 0x100000 + 0x5431;

// A picture's own words as read (\wmetafile8\picw..\picwgoal..\piccropl..)
// and the size it was shown at, in the image format under kKeptPicture.
// While the picture keeps that size the writer writes the words as they
// were; at another size it writes the new goal size in place of the old.
struct KeptPicture {
    QByteArray words;
    double width = 0, height = 0; // pixels at 96 dpi
    bool operator==(const KeptPicture &) const = default;
};
constexpr int kKeptPicture = 0x100000 + 0x5430;

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

// A list as RTF defines it, kept whole on each QTextListFormat of its
// levels (kListDef), so that it is written back as it was read. Each
// (\ls, \ilvl) pair the text uses is a QTextList of its own, tied to the
// others of its list by kListOverride and placed by kListLevel.
struct ListLevelDef {
    int nfc = 0;        // \levelnfc: 0 decimal, 1 I, 2 i, 3 A, 4 a, 23 bullet, 255 none...
    int start = 1;      // \levelstartat
    int follow = 0;     // \levelfollow: 0 tab, 1 space, 2 nothing
    int fi = 0, li = 0; // twips
    int tab = -1;       // \jclisttab\tx, twips; -1 none
    QString text;       // \leveltext: its length, then its text with level numbers as characters 0-8
    QString face;       // the face of its \f (a Symbol bullet is Symbol's code); empty: none
    QByteArray words;   // its other words as read (\leveljc0\levelspace0...)
    bool legal = false;     // \levellegal1: every number in its text in Arabic numerals ("1.1" under "I.")
    bool noRestart = false; // \levelnorestart1: counts on under the next item above
    KeptWords look;         // its marker's character words (\b, \fs, \cf as a colour...)
    QByteArray picture;     // the {\pict} group its \levelpicture names, as read; empty: none
    bool operator==(const ListLevelDef &) const = default;
};
struct ListDef {
    QList<ListLevelDef> levels; // one for a simple list, else nine
    QByteArray words;           // the list's other words as read (\listtemplateid1\listhybrid...)
    QList<int> overrideStart;   // the override's \listoverridestartat, per level; -1 none
    bool legacy = false;        // read from old \pn words, which are written back too
    bool operator==(const ListDef &) const = default;
};
constexpr int kListDef = 0x100000 + 0x5410;      // ListDef
constexpr int kListOverride = 0x100000 + 0x5411; // int: the \ls it was read with
constexpr int kListLevel = 0x100000 + 0x5412;    // int: its \ilvl, 0-8

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

// Qt keeps a paragraph before a table that opens a document, where RTF has
// none. That first paragraph has kLeadingStandIn (bool); while it stays
// empty it is neither written nor part of the text.
constexpr int kLeadingStandIn = 0x100000 + 0x5306;

// The style sheet as read, kept on the root frame (kStyleSheet) and written
// back in the header. A paragraph keeps the number of its paragraph style
// (kParagraphStyle, block format), a run that of its character style
// (kCharacterStyle); a table row's \ts is one of its kept words. What a
// style says is shown by the formats themselves, so the user's changes
// live there and win over the style when written.
struct Style {
    enum Kind : quint8 { Paragraph, Character, Table, Section };
    Kind kind = Paragraph;
    int number = 0;
    QString name;
    int basedOn = -1, next = -1, link = -1, priority = -1; // -1: not given
    bool additive = false, quickFormat = false, hidden = false, locked = false, semiHidden = false,
         unhideWhenUsed = false, autoUpdate = false, personal = false, compose = false, reply = false;
    // What it looks like, its based-on styles followed: the character
    // properties it sets (only those), and a paragraph style's paragraph.
    QTextCharFormat charFormat;
    QTextBlockFormat blockFormat;
    QByteArray words; // its other formatting words as read (RTF), written back as they were
    bool operator==(const Style &) const = default;
};
struct StyleSheet {
    QList<Style> styles;
    QByteArray latent; // the {\*\latentstyles ...} group as read
    bool operator==(const StyleSheet &) const = default;
};
constexpr int kStyleSheet = 0x100000 + 0x5400;
constexpr int kParagraphStyle = 0x100000 + 0x5401;
constexpr int kCharacterStyle = 0x100000 + 0x5402;
// \outlinelevel as read (0-8 outline levels, 9 body text); levels 0-5 are
// also the block's heading level (1-6), as HTML shows them.
constexpr int kOutlineLevel = 0x100000 + 0x5404;
// A run whose \f names no face the font table lists: other readers show it
// in their fallback face, not in the document's default, so it is written
// in a face of no name, as read (bool, in the character format).
constexpr int kNamelessFace = 0x100000 + 0x54B0;
// What a table's rows and cells say that Qt does not show, or shows only in
// part, as read, so that a save writes it back. Each slot holds one RTF
// word's value (the words and their slots are listed once, in
// RtfTableProps.cpp, for reader and writer); a slot not given is not written.
struct TableBorder {
    qint8 style = -1; // as the reader numbers border styles; -1 none given
    int width = 0;    // twips
    int color = -1;   // RGB; -1 auto
    bool operator==(const TableBorder &) const = default;
};
struct TableRowProps {
    enum Slot : quint8 {
        Left, Header, Keep, KeepFollow, AutoFit, Indent, IndentUnit,
        PadL, PadT, PadB, PadR, PadUnitL, PadUnitT, PadUnitB, PadUnitR,
        SpaceL, SpaceT, SpaceB, SpaceR, SpaceUnitL, SpaceUnitT, SpaceUnitB, SpaceUnitR,
        WidthUnit, Width, WidthBeforeUnit, WidthBefore, WidthAfterUnit, WidthAfter,
        Style, Look, SlotCount
    };
    std::array<int, SlotCount> value{};
    quint64 given = 0; // a bit per slot
    std::array<TableBorder, 6> border; // \trbrdrt, l, b, r, h, v
    bool has(Slot s) const { return given >> s & 1; }
    bool operator==(const TableRowProps &) const = default;
};
struct TableCellProps {
    enum Slot : quint8 {
        Right, PadL, PadT, PadB, PadR, PadUnitL, PadUnitT, PadUnitB, PadUnitR,
        WidthUnit, Width, TextFlow, NoWrap, FitText, HideMark, Shading, SlotCount
    };
    std::array<int, SlotCount> value{};
    quint32 given = 0;
    // RGB, -1 none: the background the cell was shown with, and its \clcbpat
    // as read; while it is shown so, \clcbpat and \clshdng are written as read.
    int background = -1, pattern = -1;
    // Border widths in twips as read (top, left, bottom, right; 0 none):
    // written while the width shown is still theirs.
    std::array<qint16, 4> border{};
    bool has(Slot s) const { return given >> s & 1; }
    bool operator==(const TableCellProps &) const = default;
};
// A table cell's format: its own (kTableCellProps) and, in a row's first
// cell, its row's (kTableRowProps).
constexpr int kTableRowProps = 0x100000 + 0x5460;
constexpr int kTableCellProps = 0x100000 + 0x5461;
// "text\par\cell": the cell's last paragraph is shown as the text alone
// (the empty one after it is no content), and has kCellTrailingPar (bool)
// in its block format so that it is written as it was read.
constexpr int kCellTrailingPar = 0x100000 + 0x5462;
// A table whose cells all have one border keeps its width in twips as
// read (int), written while the width shown is still the one it gives.
constexpr int kTableBorderTwips = 0x100000 + 0x5463;

// The document's text as word processors export it: as toPlainText(), but
// each list item starts with its marker and a tab, and kept parts' anchors
// are left out.
QString plainText(const QTextDocument *doc);

// The marker of a list item as word processors show it ("1.", "b)", "•",
// "2.1."), with the list's first number; empty for a block in no list.
// A marker with the numbers of the levels above looks back through the
// document (plainText and the writer count as they go).
QString listMarker(const QTextBlock &block);

} // namespace rtf

Q_DECLARE_METATYPE(rtf::ParagraphJoin)
Q_DECLARE_METATYPE(rtf::KeptPart)
Q_DECLARE_METATYPE(rtf::DocumentSettings)
Q_DECLARE_METATYPE(rtf::StyleSheet)
Q_DECLARE_METATYPE(rtf::ListDef)
Q_DECLARE_METATYPE(rtf::KeptWords)
Q_DECLARE_METATYPE(rtf::TableRowProps)
Q_DECLARE_METATYPE(rtf::TableCellProps)
Q_DECLARE_METATYPE(rtf::KeptPicture)
Q_DECLARE_METATYPE(rtf::KeptLink)
