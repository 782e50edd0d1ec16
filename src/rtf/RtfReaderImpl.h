#pragma once
// The RTF reader's inside, shared by its pieces: RtfReader.cpp (groups,
// keyword dispatch, text and paragraphs), RtfReadFonts.cpp (font and colour
// tables, character formats), RtfReadFields.cpp (fields and links),
// RtfReadPictures.cpp and RtfReadTables.cpp. Tokens come from RtfTokenizer,
// keywords are typed by RtfKeywords, text is decoded through RtfCodepages and
// everything is inserted through one QTextCursor inside one edit block.
// Group state is a plain struct pushed on '{' and popped on '}'.

#include "rtf/Rtf.h"
#include "rtf/RtfCodepages.h"
#include "rtf/RtfKeywords.h"
#include "rtf/RtfOutput.h"
#include "rtf/RtfTokenizer.h"
#include "rtf/RtfUnits.h"

#include <QColor>
#include <QHash>
#include <QPointer>
#include <QTextList>
#include <QStringList>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextTable>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextImageFormat>

#include <algorithm>
#include <array>
#include <climits>
#include <memory>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace rtf::detail {

// Bounds that keep hostile input from exhausting the stack or memory.
constexpr int kMaxDepth = 1000;        // deeper groups are skipped whole
constexpr int kMaxTableColumns = 64;   // extra cells run into the last one
constexpr int kMaxTableNesting = 64; // kept; deeper than kShownTableNesting is shown flat
// Table cells made, at most: this plus one per sixteen input bytes. Real
// cells take more (Word writes some sixty bytes for the smallest), while
// rows of many columns spelled with a few bytes each, or tables nested in
// every row, would otherwise take memory far out of proportion to the file.
constexpr int kMinCellBudget = 100000;
constexpr int kTableCost = 16; // a table takes as much memory as this many cells
// Qt goes through all of a table's cells for each merge of cells: merges
// stop (the cells stay apart, their content as it is) once the cells gone
// through would pass this plus so many per input byte.
constexpr qint64 kMinMergeBudget = 20000000;
constexpr qint64 kMergeBudgetPerByte = 32;
// Qt's format collection hashes a format as a sum of weak per-property
// hashes in which a list (of font families, of attached parts) counts as a
// constant, so formats that differ only in their face, their notes, or in
// colours that happen to add up alike share one hash, and each new one is
// compared with all of them: reading runs in thousands of faces took
// quadratic time. A well-mixed hash of the whole look, kept in a property
// of our own, gives each look a hash of its own; equal looks still make
// equal formats.
constexpr int kLookHash = QTextFormat::UserProperty + 0x5254;
constexpr int kMaxPartDepth = 3;      // a footnote in a comment in a footnote
constexpr int kMaxTabSets = 10000;    // more distinct sets add no stops
constexpr int kMaxTabStops = 64;

enum class Dest : uint8_t { Text, FontTable, ColorTable, FieldInst, Pict, TableProps, Upr, Capture, ListTable, LevelText, Pn, Skipped, StyleSheet };

struct CharState {
    int font = -1; // RTF font number; -1 is the document's default font
    int size = 24; // half points
    int fg = -1;   // colour table indexes; -1 is "auto" (text) or "none" (background)
    int bg = -1;
    int link = 0;  // 1-based index into the reader's link targets
    int kept = 0;  // the run's kept words: an index into WordSets; 0 none
    int16_t up = 0;      // half points raised (\up), negative: lowered (\dn)
    int16_t expnd = 0;   // twips added between letters
    uint16_t scalex = 0; // per cent of the normal width; 0: not given
    bool bold = false;
    bool italic = false;
    uint8_t underline = 0; // a QTextCharFormat::UnderlineStyle
    bool strike = false;
    uint8_t valign = 0; // 1 superscript, 2 subscript
    uint8_t caps = 0;   // 1 all capitals, 2 small capitals
    int cstyle = 0; // \cs: the run's character style
    // Compared for every piece of text: one block compare, not a branch per field.
    bool operator==(const CharState &o) const { return std::memcmp(this, &o, sizeof(CharState)) == 0; }
};
static_assert(sizeof(CharState) == 7 * sizeof(int) + 12, "CharState must have no padding");

inline size_t qHash(const CharState &s, size_t seed = 0)
{
    // A few words rather than a field each: looked up at every change of format.
    const quint64 a = quint64(quint32(s.font)) << 32 | quint32(s.size);
    const quint64 b = quint64(quint32(s.fg)) << 32 | quint32(s.bg);
    const quint64 c = quint64(quint32(s.link)) << 32 | quint32(s.bold) | quint32(s.italic) << 1
        | quint32(s.strike) << 2 | quint32(s.valign) << 4 | quint32(s.caps) << 12
        | quint32(s.underline) << 16;
    const quint64 d = quint64(quint32(s.kept)) << 32 | quint32(quint16(s.up)) << 16 | quint16(s.expnd);
    return qHashMulti(seed, a, b, c, d, s.scalex, s.cstyle);
}

struct ParState {
    uint8_t align = 0; // 0 left, 1 centre, 2 right, 3 justified
    bool rtl = false;  // right-to-left paragraph
    bool intbl = false;
    bool slmult = false; // \sl is a multiple of single spacing (240ths)
    uint8_t tabKind = 0;   // of the next \tx: TabStop::Kind
    uint8_t tabLeader = 0; // of the next \tx: TabStop::Leader
    int itap = 0;
    int li = 0, ri = 0, fi = 0, sb = 0, sa = 0; // twips
    int sl = 0;   // twips; negative: exactly, positive: at least
    int tabs = 0; // 1-based index into the reader's tab sets; 0 none
    int ls = 0;   // list override number; 0 none
    int ilvl = 0;
    int pn = 0;   // 1-based into ListState::legacy; 0 none; -1 \pn words beside a list table
    bool pagebb = false;
    int style = 0;    // \s: the paragraph's style
    int outline = -1; // \outlinelevel; -1 none
    int heading = 0;  // 1-9: of a style named "heading N"
    int kept = 0; // the paragraph's kept words: an index into WordSets; 0 none
    bool sameLook(const ParState &o) const
    {
        return align == o.align && rtl == o.rtl && li == o.li && ri == o.ri && fi == o.fi && sb == o.sb && sa == o.sa
            && sl == o.sl && slmult == o.slmult && tabs == o.tabs && ls == o.ls && pagebb == o.pagebb
            && style == o.style && outline == o.outline && heading == o.heading && kept == o.kept
            && ilvl == o.ilvl && pn == o.pn; // a list's level places it
    }
};

struct TabStop {
    enum Kind : uint8_t { Left, Right, Center, Decimal };
    enum Leader : uint8_t { None, Dot, Hyphen, Underline, Thick, Equal };
    int pos; // twips
    Kind kind;
    Leader leader;
    uint16_t unused = 0; // no padding: sets are keyed by their bytes
    bool operator==(const TabStop &o) const { return pos == o.pos && kind == o.kind && leader == o.leader; }
};
using TabSet = std::vector<TabStop>;

struct State {
    CharState ch;
    ParState par;
    Dest dest = Dest::Text;
    bool hidden = false;
    int uc = 1;
};

// Collects decoded text. Double-byte pages keep their bytes until something
// else arrives, so a lead byte and its trail byte are decoded together even
// when one is \'hh and the other a literal character. The text is a plain
// UTF-16 buffer: appending one \uN character is then a store, not a call.
struct Sink {
    std::u16string text;
    QByteArray bytes;
    const Codepage *bytesPage = nullptr;

    bool isEmpty() const { return text.empty() && bytes.isEmpty(); }
    void addBytes(const Codepage *cp, const char *s, qsizetype n)
    {
        if (cp->doubleByte) {
            if (bytesPage != cp)
                flush();
            bytesPage = cp;
            bytes.append(s, n);
            return;
        }
        flush();
        cp->appendSingle(text, s, size_t(n));
    }
    void addChar(char16_t c)
    {
        flush();
        text.push_back(c);
    }
    void flush()
    {
        if (!bytes.isEmpty())
            decodeBytes();
    }
    void decodeBytes()
    {
        const QString s = bytesPage->decoder.decode(bytes);
        text.append(reinterpret_cast<const char16_t *>(s.utf16()), size_t(s.size()));
        bytes.resize(0);
    }
    void clear()
    {
        text.clear();
        bytes.resize(0);
    }
    // A view of the text for QTextCursor, which copies it: no copy here.
    QString view() const { return QString::fromRawData(reinterpret_cast<const QChar *>(text.data()), qsizetype(text.size())); }
    QString toString() const { return QString(reinterpret_cast<const QChar *>(text.data()), qsizetype(text.size())); }
};

struct FontEntry {
    QString name;
    QString shown; // the family that draws it here
    int codepage = 0; // 0: the document's ANSI page
    bool western = false; // \fcharset0: Windows-1252 even in a CJK document
};

struct FieldCtx {
    size_t depth = 0;
    Sink inst;
    int link = -1; // into FieldState::links once the result starts; 0: no link
    bool inInstruction = false; // a field inside another's instruction: kept there as read
    bool anchored = false;      // its start anchor is in the text
    quint8 flags = 0;           // KeptPart::FieldFlag
    quint32 pair = 0;
    // The instruction group as read: where it starts, at what depth, in
    // which code page, and its bytes once it has ended.
    const char *instFrom = nullptr;
    size_t instDepth = 0;
    const Codepage *instPage = nullptr;
    QByteArray instRaw;
};

struct CellBorder {
    int8_t style = -1; // -1 none given, 0 none, then as BorderStyle in RtfReadTables.cpp
    int width = 0;     // twips
    int color = -1;
    bool operator==(const CellBorder &o) const { return style == o.style && width == o.width && color == o.color; }
};

struct TableCtx {
    int rows = 1, cols = 1; // made so far
    int row = 0;
    int col = 0;           // the cell's number in its row (not its column)
    bool needMove = false; // the next content goes to (row, col)
    int preparedRow = -1;  // the row whose spans and looks are set
    std::vector<int> startCol; // of each cell of that row
    std::vector<int> edges;    // right edges of the columns, twips
    CellBorder grid;           // the border every side of every cell has, drawn by the table
    // Of each column in the row above: the column its cell starts in and its
    // span, so that merges are decided before the table is made.
    std::vector<std::pair<int, int>> above, current;
    std::vector<bool> covered; // places of the current row that merged cells cover
    QTextTableFormat format;   // an outer table's, which its slices share
};


// One cell as \trowd ... \cellx defines it.
struct CellDef {
    int right = 0; // twips
    uint8_t hmerge = 0, vmerge = 0; // 1 first of a merge, 2 merged into the one before
    uint8_t valign = 0;             // 0 top, 1 centre, 2 bottom
    int bg = -1;      // colour
    int shading = -1; // hundredths of a percent of black
    CellBorder border[4]; // top, left, bottom, right
    TableCellProps props; // the words kept as read
};

struct Picture {
    size_t depth = 0;
    int kind = 0; // 1 PNG, 2 JPEG, 3 something we cannot show, 4 WMF, 5 EMF
    int wgoal = 0, hgoal = 0, scalex = 100, scaley = 100;
    int nibble = -1;
    QByteArray data;
    QByteArray words; // the picture's own words, as read
};


// Each family of destinations keeps its own state.
struct FontTableState {
    QHash<int, FontEntry> fonts;
    int id = -1; // the entry being read
    int charset = -1; // -1: none given
    int cpg = 0;
    Sink name;
};

struct ColorTableState {
    std::vector<QColor> colors;
    int red = 0, green = 0, blue = 0; // the entry being read
    bool set = false;
};

struct FieldState {
    QStringList links;
    std::vector<FieldCtx> fields;
};

struct PictureState {
    bool active = false;
    Picture pict;
    int images = 0;
};

struct TableState {
    std::vector<TableCtx> tables;
    std::vector<CellDef> cells; // the row being defined
    CellDef pending;            // the cell being defined, until its \cellx
    int side = -1;   // the border \brdr* words describe: a cell's side 0-3, or -1
    int rowHeight = 0; // twips: positive at least, negative exactly
    int gaph = -1;     // half the space between cells, twips
    uint8_t align = 0; // 0 left, 1 centre, 2 right
    bool rowOpen = false;
    TableRowProps rowProps; // the row's words kept as read
};


// Lists from \listtable and \listoverridetable, and old lists from \pn
// words; paragraphs join them by \ls and \ilvl, or by their \pn.
struct ListOverride {
    int list = -1;          // into ListState::lists
    QList<int> start;       // \listoverridestartat per level; -1 none
};

struct ListState {
    std::vector<ListDef> lists;
    QHash<int, int> byId;               // \listid -> into lists
    QHash<int, ListOverride> overrides; // \ls -> its list
    bool any = false;                   // a list table was read: \listtext is a mere label
    int level = -1;                     // the \listlevel being read
    ListLevelDef *openLevel() // that level, when there is one
    {
        return !lists.empty() && level >= 0 && level < lists.back().levels.size() ? &lists.back().levels[level] : nullptr;
    }
    size_t listDepth = 0, levelDepth = 0, textDepth = 0, overrideDepth = 0, lfoDepth = 0, pnDepth = 0;
    int textKind = 0;                   // what the text read is: 0 \leveltext, 1 \pntxtb, 2 \pntxta
    int overrideId = 0, overrideLs = 0, lfoLevel = -1;
    bool lfoStart = false;
    QList<int> overrideStart;
    // Picture bullets: the \listpicture group's pictures and the levels
    // that name one (list, level, picture) until both are read.
    size_t pictureDepth = 0;
    QList<QByteArray> pictures;
    std::vector<std::array<int, 3>> pictureRefs;
    Sink text;
    // Old lists: each \pn group read becomes one (the same as the last one
    // is that one again); paragraphs name theirs in ParState::pn.
    std::vector<ListDef> legacy;
    ListLevelDef pn;
    QString pnBefore, pnAfter;
    int pnLevel = 0; // 0 body, 1-9 outline levels, -1 continuation (no marker), -2 bullet
    // Made while reading: (key, level) -> its list, where key is the \ls or
    // minus the old list's number; each key's last number at each level.
    QHash<qint64, QPointer<QTextList>> made;
    QHash<int, std::array<int, 9>> numbers;
    QHash<int, quint16> counted; // per key: the levels that have had items
};

// Tab stops: paragraphs repeat the same few sets, so each set is kept once
// and a paragraph's state holds only its number.
struct TabState {
    std::vector<TabSet> sets;
    QHash<QByteArray, int> index; // a set's bytes -> 1-based number
};

// Kept words: runs and paragraphs repeat the same few sets, so each set is
// kept once (with a hash of its words for kLookHash) and a state holds its
// number. Set 0 is the empty one.
struct WordSets {
    std::vector<KeptWords> sets{KeptWords()};
    std::vector<uint> hashes{0};
    QHash<QByteArray, int> index; // a set's bytes -> its number
};

// Hidden text (\v) waiting to be made a part.
struct HiddenState {
    Sink text;
    CharState look; // where it started
    bool any = false;
};

// Annotation details that come before the \annotation group.
struct AnnotationState {
    QString id, author;
    Sink capture;
    Kw captured = Kw::Skip;
    char16_t kind = 0; // of a bookmark: 0 start, 1 end
    size_t depth = 0;
};

// The style sheet: each style's own words are kept as they come and played
// over its based-on style's look once the sheet is read (a style may be
// based on one defined after it).
struct StyleOp {
    Kw id;
    KwType type;
    char16_t ch;
    bool has;
    int v;
};

struct StyleDef {
    Style kept;
    std::vector<StyleOp> ops;
    CharState ch;   // its look, based-on styles followed
    ParState par;
    uint8_t state = 0; // 0 not resolved, 1 being resolved, 2 resolved
};

struct StyleState {
    std::vector<StyleDef> defs;
    QHash<int, int> index[4]; // per Style::Kind: number -> into defs
    StyleSheet sheet;         // to keep on the document
    size_t sheetDepth = 0;    // stack size inside the sheet's group; 0 outside
    bool entry = false;       // an entry is being read into defs.back()
    bool any = false;         // a sheet was read
    Sink name;
};

// What the main text and the parts read beside it (headers, footnotes,
// comments: each into a document of its own) share: the input, the tables
// at the head of the file and the bounds.
struct Shared {
    Shared(const QByteArray &data)
        : tok(data.constData(), data.constData() + data.size()), total(data.size()), cellBudget(kMinCellBudget + data.size() / 16),
          scanBudget(2 * qint64(data.size()) + (1 << 20)),
          mergeBudget(kMinMergeBudget + kMergeBudgetPerByte * qint64(data.size()))
    {
    }
    Tokenizer tok;
    qint64 total; // bytes of input
    Codepages pages;
    int ansi = 1252;
    int deff = 0;
    FontTableState font;
    ColorTableState color;
    TabState tabs;
    WordSets words;
    qint64 cellBudget;
    qint64 scanBudget;  // bytes that looking ahead for table columns may read
    qint64 mergeBudget; // table cells that merging cells may go through
    int partDepth = 0;  // parts inside parts are read up to kMaxPartDepth
    int notes = 0;      // footnotes so far, for automatic numbers
    int sectionDepth = 0; // inside a header or footer
    QStringList sectionParts; // headers and footers, in file order
    quint32 fieldPairs = 0;   // field pairs numbered so far
    DocumentSettings settings;
    StyleState styles;
    const Progress *progress = nullptr;
    size_t reportBelow = 0; // progress is told when less than this is left
    bool cancelled = false;
};

QString hyperlinkTarget(const QString &inst);

class Reader {
public:
    Reader(const QByteArray &data, QTextDocument *doc);
    // A part's reader: reads the rest of the current group into doc.
    Reader(Reader &parent, QTextDocument *doc);
    void run();
    // Reading with progress reports: false when progress stopped it.
    bool run(const Progress &progress);

private:
    void report();

    // ---- groups ----------------------------------------------------------
    void openGroup();
    void closeGroup();
    // Consumes the rest of the current group, '}' included, without looking
    // inside (but \bin data is still stepped over as data).
    void skipGroup();
    void skipDestination();

    // ---- tokens ----------------------------------------------------------
    void word(const Token &t);
    void symbol(char c);
    void hex(uint8_t b);
    void text(std::string_view s);

    // ---- keyword dispatch --------------------------------------------------
    void destination(Kw id, char16_t kind);
    void flag(Kw id, char16_t arg);
    void toggle(Kw id, bool on, char16_t kind);
    void value(Kw id, int v, bool has);

    // ---- text ------------------------------------------------------------
    void setAnsi(int cp);
    int effectiveFont() const;
    const Codepage *currentPage();
    const Codepage *pageInUse(); // currentPage(), for the reader's other pieces
    void addBytes(const char *s, qsizetype n);
    void addChar(char16_t c);
    void unicode(int v);
    // Text is batched per character state; a change of state flushes.
    void beginRun();
    void flushText();
    void clearFormats();
    QColor color(int index) const;
    const QTextCharFormat &charFormat(const CharState &s);
    const QTextCharFormat &charFormatFor(const CharState &s); // s names only what exists
    const QTextBlockFormat &blockFormat(const ParState &p);

    // ---- paragraphs and tables -------------------------------------------
    void addTabStop(int twips); // RtfReadParagraphs.cpp
    int contentLevel() const;
    // Puts the cursor where content of the given table level goes: opens or
    // closes tables, moves to the pending cell, starts the pending paragraph.
    void ensurePosition(int level);
    void finishBlock();
    bool rightAfterTable() const;
    void enteredFreshBlock();
    void paragraph();
    bool openTable();
    void closeTable();
    bool moveToCell(TableCtx &t); // true: the place is covered by a merged cell
    std::vector<int> scanColumnEdges();
    void prepareRow(TableCtx &t);
    QTextTableCellFormat cellFormat(const CellDef &def, const CellBorder &grid, bool withRow) const;
    void tableWord(Kw id, char16_t arg, int v);
    void tableProp(int word, int v);
    bool rowPropsGiven() const;
    void endCell(int level);
    void endRow(int level);
    int nestLevel() const; // the table level of the content, as read
    QTextBlockFormat placedBlockFormat();
    bool nextSlice();
    void flatCellEnd(int level);
    void flatRowEnd(int level);
    void markFlatBlock(int property, const QVariant &value);

    // ---- tables of fonts and colours (RtfReadFonts.cpp) ---------------------
    void startFontTable();
    void startColorTable();
    void resetFontEntry();
    void commitFont();
    void commitColor();

    // ---- fields (RtfReadFields.cpp) ----------------------------------------
    void startField();
    void startFieldInstruction();
    void startFieldResult();
    void endField(FieldCtx &field);
    QString fieldInstruction(FieldCtx &field);
    void fieldFlag(char16_t bit);
    void specialChar(char16_t which);
    void startBookmark(char16_t kind);
    void tocEntry(char16_t kind);
    void insertEndAnchor(const KeptPart &part, const CharState &look);

    // ---- parts the editor does not show (RtfReadParts.cpp) -------------------
    void startPart(Kw id, char16_t kind);
    QString readPart(bool *endnote);
    void insertAnchor(const KeptPart &part, const CharState &look);
    QTextCharFormat anchorFormat(const KeptPart &part, const CharState &look);
    void pageBreak(Kw id, char16_t column = 0);
    void sectionWord(const Token &t);
    void footnoteNumber();
    void startCapture(Kw id);
    void endCapture();
    void flushHidden();
    void documentSetting(const Keyword &k, const Token &t);

    // ---- styles (RtfReadStyles.cpp) ------------------------------------------
    void startStyleSheet();
    void styleWord(const Token &t, const Keyword *k, bool star);
    void styleGroupOpened();
    void styleGroupClosing();
    void resolveStyles();
    void replayStyle(StyleDef &def, const StyleDef *base);
    // kind: a Style::Kind; kParagraphLookOnly: a paragraph style's
    // character look alone (\plain takes runs back to it); kParagraphOnly:
    // its paragraph look alone (\pard leaves the characters alone).
    static constexpr int kParagraphLookOnly = 4;
    static constexpr int kParagraphOnly = 5;
    void useStyle(int kind, int number);
    void keepStyleSheet(QTextFrameFormat &ff);

    // ---- lists (RtfReadLists.cpp) -------------------------------------------
    void listDestination(Kw id);
    void listGroupEnd();
    void listValue(Kw id, int v);
    void listWord(const Token &t, const Keyword *k, bool star);
    void pnWord(const Keyword *k, int v);
    bool levelLookWord(ListLevelDef &level, const Keyword &k, const Token &t);
    void listPicture(const Token &t, bool star);
    void resolveListPictures();
    void endPn();
    bool labelOfList() const;
    const ListDef *listOf(const ParState &p, int *key) const;
    const ListLevelDef *listLevel(const ParState &p) const;
    QTextListFormat listFormat(const ListDef &def, int level, int key, const std::array<int, 9> &numbers) const;
    void joinList();

    // ---- properties kept beside Qt's (RtfReadProps.cpp) -----------------------
    // A word that is kept, shown or both; false: not one of them.
    bool propertyWord(const Keyword &k, const Token &t);
    int editWords(int set, const std::function<void(KeptWords &)> &edit);
    void keepWord(const Keyword &k, const Token &t);
    void applyKeptWords(QTextCharFormat &f, const CharState &s) const;
    void applyKeptWords(QTextBlockFormat &f, const ParState &p) const;
    uint keptHash(int set) const { return m_sh.words.hashes[size_t(set)]; }
    void markParagraph(); // the paragraph mark's own look
    void readKeptGroup(QByteArray &into, const char *opening);
    // The rest of the open group as read, skipped and closed; false when the
    // input ends inside it.
    bool skipGroupKeeping(QByteArray &body);

    // ---- pictures (RtfReadPictures.cpp) --------------------------------------
    void startPicture();
    void pictureHex(std::string_view s);
    void finishPicture();
    void pictureWord(const Token &t, const Keyword *k);
    void insertPicture(const QByteArray &data, QTextImageFormat f);

    // ---- objects, shapes, drawing objects (RtfReadObjects.cpp) ----------------
    void startObject(char16_t kind);

    // ---- end ---------------------------------------------------------------
    void finish();

    std::unique_ptr<Shared> m_own; // the main text's reader owns what all share
    Shared &m_sh;
    Tokenizer &m_tok;
    QTextDocument *m_doc;
    QTextCursor m_cursor;
    Output m_out{m_cursor}; // all content goes through here
    bool m_isPart = false;
    bool m_endnote = false; // a part that turned out to be an endnote

    State m_st;
    std::vector<State> m_stack;
    bool m_done = false;
    bool m_eof = false;
    bool m_star = false;
    const char *m_groupOpen = nullptr; // the input's last '{'
    int m_skipChars = 0;

    Codepages &m_pages;
    int &m_ansi;
    int &m_deff;
    int m_pageFont = INT_MIN; // the font m_page was looked up for
    const Codepage *m_page = nullptr;

    FontTableState &m_font;
    ColorTableState &m_color;
    FieldState m_field;
    PictureState m_picture;
    TableState m_table;
    HiddenState m_hidden;
    ListState m_list;
    TabState &m_tab;
    AnnotationState m_annotation;

    QHash<CharState, QTextCharFormat> m_formats; // cleared when fonts or colours change
    const QTextCharFormat *m_lastFormat = nullptr; // into m_formats
    CharState m_lastFormatState;
    bool m_haveBlockFormat = false;
    ParState m_lastBlockState;
    QTextBlockFormat m_lastBlockFormat;

    Sink m_text;
    CharState m_textState;
    bool m_pendingPar = false;
    // A section starts at the next content: the first one, or one after a
    // \sect; its properties are the words read until then.
    bool m_sectionDue = true;
    bool m_sectionBreak = false;
    bool m_sectionInTable = false; // its \sect stood in a table: it begins after it
    QByteArray m_sectionWords;
    QStringList m_sectionHeaders; // of the section due, read before its start
    bool m_pageDue = false; // a page break starts the next content
    bool m_columnDue = false; // a column break does
    bool m_blockFormatted = false;
    bool m_flatMarked = false; // the block has a flattened cell's end
    QByteArray m_parBorder; // the paragraph border side whose words follow
    ParState m_blockPar;
};

} // namespace rtf::detail
