#pragma once
// The RTF writer's insides, shared by its pieces:
//   RtfWriteOutput.cpp  bytes: escaping, code pages, line breaks, words, groups
//   RtfWriteHeader.cpp  the tables every part shares (fonts, colours, lists)
//                       and the header that lists them, with page setup
//   RtfWriteBody.cpp    paragraphs, runs, links, kept parts
//   RtfWriteTables.cpp  tables: rows, cells, slices, tables shown flat
//   RtfWritePictures.cpp pictures
//   RtfWriter.cpp       the whole: body first, then the header in front
//
// The body is written first while faces and colours get their table indexes
// in order of first use; the header with both tables goes in front at the
// end.
//
// Every run starts with \plain and its full set of properties. That costs a
// few bytes but makes the output independent of what came before, so a
// document read back from our own output writes byte for byte the same.
// A run whose properties equal the previous run's in the same group gets no
// prefix at all.

#include "rtf/RtfLists.h"
#include "rtf/RtfWriteLists.h"
#include "rtf/Rtf.h"
#include "rtf/RtfFields.h"
#include "rtf/RtfWriteStyles.h"

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTextDocument>
#include <QTextFormat>
#include <QTextFrame>
#include <QTextTable>

#include <charconv>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QTextList;

namespace rtf::writer {

// Long lines are broken before a control word once this many bytes are on
// the line; text without control words is broken at the hard limit (line
// ends carry no meaning in RTF text, so nothing is added to the text).
constexpr qsizetype kSoftLine = 200;
constexpr qsizetype kHardLine = 480;

// The bytes of RTF being written: text escaped for a 1252 header, control
// words delimited, lines kept short, and groups with the run look in force
// in each (a run whose look is already in force needs no prefix).
class Sink {
public:
    // Without line breaks: for pieces that are copied into lines elsewhere.
    explicit Sink(bool lineBreaks = true) : m_lineBreaks(lineBreaks) {}

    void reserve(qsizetype n) { m_out.reserve(n); }
    qsizetype size() const { return m_out.size(); }
    const QByteArray &bytes() const { return m_out; }
    QByteArray take() { return std::exchange(m_out, {}); }

    // Bytes as they are: whatever follows needs no delimiter.
    void raw(const char *s);
    void raw(const QByteArray &s);
    // Bytes that end in a control word: what follows may need a delimiter.
    void rawWord(const char *s);
    void newline();
    void softBreak();
    // A control word; w includes the backslash.
    void word(const char *w);
    void word(const char *w, int n);
    // Control words kept as read: on the line as one word.
    void words(const QByteArray &w);
    void symbol(const char *s); // \~ \- \_ and the like: self-delimiting
    void hexByte(uchar b);
    // Characters as RTF text. ASCII goes as is (with \ { } escaped); the
    // rest as \uN followed by the Windows-1252 byte as fallback, or '?'.
    // With inFontTable set (a font's or a style's name), ';' is escaped
    // too, since it ends an entry, and no character is written as a word.
    void text(const QString &s, bool inFontTable = false) { text(s.constData(), s.size(), inFontTable); }
    void text(const QChar *chars, qsizetype n, bool inFontTable = false);
    // Binary data as hex digits, 64 bytes a line.
    void hexData(const QByteArray &data);

    // Groups. A group starts with no known look and, closed, leaves none:
    // the look after it is written again. A kept part's group leaves the
    // look as it was before it, as RTF does.
    void openGroup();
    void closeGroup();
    void closeGroupKeepingLook();

    // A run's \plain and properties, unless they are in force already.
    void look(const QByteArray &prefix);
    void forgetLook() { m_look.clear(); }

private:
    QByteArray m_out;
    qsizetype m_lineStart = 0;
    bool m_needDelim = false;
    bool m_lineBreaks = true;
    QByteArray m_look;
    std::vector<QByteArray> m_outerLooks; // at each open group's start
};

// The words are inline: the body writes one for every property.
inline void Sink::raw(const char *s)
{
    m_out.append(s);
    m_needDelim = false;
}

inline void Sink::raw(const QByteArray &s)
{
    m_out.append(s);
    m_needDelim = false;
}

inline void Sink::rawWord(const char *s)
{
    m_out.append(s);
    m_needDelim = true;
}

inline void Sink::newline()
{
    m_out.append("\r\n", 2);
    m_lineStart = m_out.size();
    m_needDelim = false;
}

inline void Sink::softBreak()
{
    if (m_lineBreaks && m_out.size() - m_lineStart >= kSoftLine)
        newline();
}

inline void Sink::word(const char *w)
{
    softBreak();
    m_out.append(w);
    m_needDelim = true;
}

inline void Sink::word(const char *w, int n)
{
    softBreak();
    m_out.append(w);
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, n);
    m_out.append(buf, r.ptr - buf);
    m_needDelim = true;
}

inline void Sink::words(const QByteArray &w)
{
    softBreak();
    m_out.append(w);
    m_needDelim = true;
}

inline void Sink::symbol(const char *s)
{
    softBreak();
    m_out.append(s);
    m_needDelim = false;
}

inline void Sink::openGroup()
{
    m_out.append('{');
    m_needDelim = false;
    m_outerLooks.push_back(std::exchange(m_look, {}));
}

inline void Sink::closeGroup()
{
    m_out.append('}');
    m_needDelim = false;
    m_look.clear();
    if (!m_outerLooks.empty())
        m_outerLooks.pop_back();
}

inline void Sink::look(const QByteArray &prefix)
{
    if (prefix == m_look)
        return;
    softBreak();
    m_out.append(prefix);
    m_needDelim = true;
    m_look = prefix;
}

// What all parts of one save share: the font, colour and list tables the
// header lists, filled as the body uses them, and the document's defaults.
struct Tables {
    explicit Tables(const QTextDocument *doc);

    int fontIndex(const QString &face);
    int colorIndex(const QColor &c);

    QString defaultFace;
    int defaultHalfPoints = 24;
    QHash<QString, int> fonts;
    QStringList fontNames;
    QHash<QRgb, int> colors;
    QList<QRgb> colorList;
    detail::ListTableWriter lists;
    int picturesLeftOut = 0;
    styles::StyleIndex styles;  // the document's style sheet
    QByteArray styleSheet;      // as the header writes it (Writer::styleSheetGroup)
};

// \rtf1 up to the body: font, colour and list tables, \info, page setup.
void writeHeader(Sink &o, const QTextDocument *doc, Tables &tables);

// What a run looks like once its format has been looked at: cached per
// format index, so each distinct format is examined once.
struct RunInfo {
    QByteArray prefix; // \plain and the run's properties
    QString href;      // link target, empty when the run is no link
    KeptLink link;     // its instruction as read, while it still links there
    bool image = false;
    // Superscript goes in a group of its own: LibreOffice holds back text
    // after a \super until the group around it ends (it waits for a
    // footnote mark), which loses the rest of a paragraph written flat.
    bool grouped = false;
    QString autoNumber; // a footnote number as read: written as \chftn
    std::optional<KeptPart> part; // an anchor's
};

// One document's paragraphs and tables: the main text, or a part kept as
// RTF of its own (a note, a header), which gets a writer of its own on the
// same output and tables.
class Writer {
public:
    Writer(const QTextDocument *doc, Tables &tables, Sink &out, int partDepth = 0);

    // Headers and footers kept beside the text, then the text.
    void writeDocument();
    // The {\stylesheet} group (RtfWriteStyles.cpp), made once the body has
    // numbered its colours and before the header lists them.
    QByteArray styleSheetGroup();

private:
    // ---- output (RtfWriteOutput.cpp does the work) --------------------------
    void raw(const char *s) { m_o.raw(s); }
    void rawWord(const char *s) { m_o.rawWord(s); }
    void newline() { m_o.newline(); }
    void softBreak() { m_o.softBreak(); }
    void word(const char *w) { m_o.word(w); }
    void word(const char *w, int n) { m_o.word(w, n); }
    void symbol(const char *s) { m_o.symbol(s); }
    void text(const QString &s) { m_o.text(s); }
    void text(const QChar *chars, qsizetype n) { m_o.text(chars, n); }
    void openGroup() { m_o.openGroup(); }
    void closeGroup() { m_o.closeGroup(); }
    void applyPrefix(const QByteArray &prefix) { m_o.look(prefix); }
    int fontIndex(const QString &face) { return m_t.fontIndex(face); }
    int colorIndex(const QColor &c) { return m_t.colorIndex(c); }
    // For the kept words' colours (RtfWriteProps.cpp).
    std::function<int(QRgb)> colorIndexer()
    {
        return [this](QRgb c) { return colorIndex(QColor::fromRgba(c)); };
    }

    // ---- runs and paragraphs (RtfWriteBody.cpp) -----------------------------
    QString faceOf(const QTextCharFormat &f) const;
    int halfPointsOf(const QTextCharFormat &f) const;
    QByteArray prefixOf(const QTextCharFormat &f);
    const RunInfo &runInfo(int formatIndex, const QTextCharFormat &fmt);
    void openLink(const RunInfo &info);
    void closeLink();
    void writeKeptPart(const KeptPart &p, const QByteArray &prefix);
    void writeHeaders(const QStringList &entries);
    void writeFieldMarks(const QTextFragment &frag, const KeptPart &part, int blockPosition, int level, bool *spanEnded);
    void cutFields(int level, int from = -1, int to = -1);
    void sectionWords(const QString &words);
    static std::optional<KeptPart> sectionAt(const QTextBlock &block);
    void writeStoredContent(const QString &content, bool finalPar = true);
    void paragraphProperties(const QTextBlockFormat &bf, int level, const QTextList *list = nullptr);
    void writeBlock(const QTextBlock &block, int level);
    void writeFlow(QTextFrame *frame, int level);
    void writeItem(const QTextFrame::iterator &it, int level);
    void endLastParagraph();

    // ---- tables (RtfWriteTables.cpp) ----------------------------------------
    struct RowCell {
        QTextTableCell cell;
        int column;
        bool covered; // the place belongs to a cell from a row above
    };
    static bool continuesTable(QTextFrame::iterator it);
    void writeFlatEnds(const QTextBlockFormat &bf);
    void flatRowDefinition(const QString &spec);
    void writeCellContent(const QTextTableCell &cell, int level);
    void writeTableFlat(QTextTable *table, int level);
    std::vector<int> columnEdges(QTextTable *table) const;
    static bool isContinuation(QTextTable *table, const QTextTableCell &cell, int r, int c);
    static std::vector<RowCell> rowCells(QTextTable *table, int r);
    static std::vector<int> cellStarts(QTextTable *table);
    void rowDefinition(QTextTable *table, int r, const std::vector<RowCell> &cells, const std::vector<int> &edges);
    void borderStyle(QTextFrameFormat::BorderStyle style);
    void cellBorders(const QTextTableCellFormat &cf, const QTextTableFormat *table, int tableTwips);
    void writeTable(QTextTable *table, int level);
    // Row and cell words kept as read (see TableRowProps, TableCellProps).
    static TableRowProps keptRowProps(const std::vector<RowCell> &cells);
    void keptWord(const char *name, bool hasValue, int value, bool isColor);
    void cellBackground(const QTextTableCellFormat &cf);
    int keptCellWords(const QTextTableCellFormat &cf, int gridEdge);

    // ---- pictures (RtfWritePictures.cpp) ------------------------------------
    void writeImage(const QTextImageFormat &fmt);

    const QTextDocument *m_doc;
    Tables &m_t;
    Sink &m_o;
    const int m_partDepth;
    bool m_pendingPar = false;
    bool m_trailingPar = false; // the block just written ends its cell with \par
    int m_sectionWrittenAt = -1; // the block whose section was written before its table
    bool m_linkOpen = false;
    QString m_link;
    QString m_linkInstruction; // the open link's as read, if any
    std::vector<std::unique_ptr<RunInfo>> m_runCache; // by format index
    std::unique_ptr<RunInfo> m_scratch;
    const Style *m_blockStyle = nullptr; // the paragraph's style, when it gives runs a look
    detail::ListNumbering m_numbering; // the list items' markers, in order
    std::optional<detail::FieldMarks> m_fieldMarks; // made at the first field met
    // The fields written open, innermost last: where each starts, and the
    // table nesting level of the cell (0: none) it starts in.
    struct OpenField {
        int start, level;
    };
    std::vector<OpenField> m_openFields;
    QTextBlock m_lastBlock; // the paragraph written last, and its level
    int m_lastLevel = 0;
};

} // namespace rtf::writer
