// Speed of the RTF engine on a large generated document.
//
//   bench_rtf [--size MB] [--repeat N] [--dump FILE] [--only STAGE]
//   bench_rtf --doubling [--shape NAME]... [--scale F] [--repeat N]
//
// Generates a realistic RTF file (mixed faces, sizes, colours and styles,
// non-ASCII text as \uN and \'hh, tables) in memory and reports, each the
// best of N runs:
//   tokenize  splitting the bytes into tokens only
//   read      rtf::read into a QTextDocument that no editor shows
//   floor     inserting the same runs with the same formats straight through
//             a QTextCursor (undo off, one edit block): what reading can
//             at best approach
//   write     rtf::write of the document read
// and the peak resident memory after each stage. --dump writes the file, for
// timing whole programs on it (see compare-tools.sh). --only runs one stage
// so that its peak memory stands alone.
//
// --doubling reads and writes each input shape that could make the engine
// slower than linear (many fonts, colours, fields, pictures, objects; long tables,
// wide rows, many cells, nested tables; long lists, many lists, deep lists;
// long paragraphs and words) at a size
// n and at 2n, and prints the time ratios: near 2 is linear, 4 quadratic.
// The heap column is what the document read holds, against the input size.

#include "rtf/Rtf.h"
#include "rtf/RtfTokenizer.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// ---- the document model the generator produces -----------------------------

const char *const kFaces[] = {"Times New Roman", "Arial", "Courier New", "MS Sans Serif",
                              "Georgia", "Verdana"};
constexpr int kFaceCount = 6;
const QRgb kColors[] = {0x000000, 0xC00000, 0x0070C0, 0x00B050, 0x7030A0, 0xFFC000, 0x808080,
                        0xFFFF00};
constexpr int kColorCount = 8;

struct RunFormat {
    int face = 0;
    int halfPoints = 24;
    bool bold = false, italic = false, underline = false, strike = false;
    int color = -1;     // index into kColors, -1 for none
    int highlight = -1; // index into kColors, -1 for none
    bool operator==(const RunFormat &o) const
    {
        return face == o.face && halfPoints == o.halfPoints && bold == o.bold && italic == o.italic
            && underline == o.underline && strike == o.strike && color == o.color
            && highlight == o.highlight;
    }
};
size_t qHash(const RunFormat &f, size_t seed = 0)
{
    return qHashMulti(seed, f.face, f.halfPoints, f.bold, f.italic, f.underline, f.strike, f.color,
                      f.highlight);
}

struct ParaFormat {
    int align = 0; // 0 left, 1 centre, 2 right, 3 justify
    int left = 0, firstLine = 0, before = 0, after = 0; // twips
};

// Receives the document piece by piece; one sink writes RTF, the other
// builds a QTextDocument through a cursor.
class Sink {
public:
    virtual ~Sink() = default;
    virtual void paragraph(const ParaFormat &pf) = 0; // starts one
    virtual void run(const RunFormat &f, const QString &text, const QByteArray &rtf) = 0;
    virtual void table(const std::vector<std::vector<QString>> &cells) = 0;
    virtual void finish() = 0;
};

struct Word {
    QString text;
    QByteArray rtf;
};

QByteArray rtfEscape(const QString &s, bool hexForAnsi)
{
    QByteArray out;
    for (QChar qc : s) {
        const char16_t c = qc.unicode();
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += char(c);
        } else if (c < 0x80) {
            out += char(c);
        } else if (hexForAnsi && c >= 0xA0 && c <= 0xFF) {
            out += "\\'" + QByteArray::number(int(c), 16); // the way Word writes Latin-1
        } else {
            out += "\\u" + QByteArray::number(c > 32767 ? int(c) - 65536 : int(c)) + '?';
        }
    }
    return out;
}

std::vector<Word> vocabulary()
{
    const char *const ascii[] = {
        "the", "quarterly", "report", "shows", "that", "sales", "in", "our", "northern", "region",
        "grew", "by", "twelve", "percent", "while", "costs", "stayed", "flat", "and", "the",
        "new", "shop", "opened", "on", "time", "with", "three", "more", "staff", "than", "planned",
        "please", "see", "attached", "table", "for", "details", "of", "each", "month", "{braces}",
        "back\\slash", "1,200", "3.5%", "(draft)", "e-mail", "re:", "a", "to", "is"};
    std::vector<Word> v;
    for (const char *w : ascii)
        v.push_back({QString::fromLatin1(w), rtfEscape(QString::fromLatin1(w), false)});
    const char *const latin[] = {"café", "naïve", "Größe", "façade", "señor", "déjà", "Ærø"};
    for (const char *w : latin) {
        const QString s = QString::fromUtf8(w);
        v.push_back({s, rtfEscape(s, true)});
    }
    const char *const wide[] = {"Ελληνικά", "русский", "中文文本", "日本語", "€100", "—", "“quoted”"};
    for (const char *w : wide) {
        const QString s = QString::fromUtf8(w);
        v.push_back({s, rtfEscape(s, false)});
    }
    return v;
}

// Produces the same document into any sink: fixed seed, fixed size.
void generate(Sink &sink, qint64 targetChars)
{
    QRandomGenerator rng(1999);
    const std::vector<Word> words = vocabulary();
    auto pick = [&](int n) { return int(rng.bounded(n)); };
    qint64 chars = 0;
    int para = 0;
    while (chars < targetChars) {
        if (para % 150 == 149) {
            const int rows = 3 + pick(4), cols = 2 + pick(4);
            std::vector<std::vector<QString>> cells(rows, std::vector<QString>(cols));
            for (auto &row : cells)
                for (auto &cell : row) {
                    cell = words[pick(int(words.size()))].text;
                    chars += cell.size() * 30; // a table row costs far more RTF than text
                }
            sink.table(cells);
        }
        ParaFormat pf;
        const int r = pick(10);
        pf.align = r < 6 ? 0 : r < 7 ? 1 : r < 8 ? 2 : 3;
        if (pick(4) == 0)
            pf.left = 360 * (1 + pick(3));
        if (pick(6) == 0)
            pf.firstLine = pick(2) ? 360 : -360;
        if (pick(3) == 0)
            pf.before = 120;
        if (pick(3) == 0)
            pf.after = 120;
        sink.paragraph(pf);
        const int runs = 2 + pick(8);
        for (int i = 0; i < runs; ++i) {
            RunFormat f;
            f.face = pick(10) < 6 ? 0 : pick(kFaceCount);
            static const int sizes[] = {16, 20, 22, 24, 24, 24, 28, 32, 48};
            f.halfPoints = sizes[pick(9)];
            f.bold = pick(5) == 0;
            f.italic = pick(6) == 0;
            f.underline = pick(12) == 0;
            f.strike = pick(40) == 0;
            f.color = pick(4) == 0 ? pick(kColorCount) : -1;
            f.highlight = pick(30) == 0 ? pick(kColorCount) : -1;
            QString text;
            QByteArray rtf;
            const int n = 3 + pick(14);
            for (int k = 0; k < n; ++k) {
                const Word &w = words[pick(int(words.size()))];
                if (k) {
                    text += QLatin1Char(' ');
                    rtf += ' ';
                }
                text += w.text;
                rtf += w.rtf;
            }
            if (i + 1 < runs) {
                text += QLatin1Char(' ');
                rtf += ' ';
            }
            chars += rtf.size() + 16;
            sink.run(f, text, rtf);
        }
        ++para;
    }
    sink.finish();
}

class RtfSink : public Sink {
public:
    QByteArray out;
    RtfSink(qint64 reserve)
    {
        out.reserve(reserve + reserve / 4);
        out += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\r\n{\\fonttbl";
        for (int i = 0; i < kFaceCount; ++i)
            out += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset0 " + kFaces[i] + ";}";
        out += "}\r\n{\\colortbl;";
        for (QRgb c : kColors)
            out += "\\red" + QByteArray::number(qRed(c)) + "\\green" + QByteArray::number(qGreen(c))
                + "\\blue" + QByteArray::number(qBlue(c)) + ';';
        out += "}\r\n{\\stylesheet{\\s0\\f0\\fs24 Normal;}}\r\n{\\info{\\title Benchmark}}\r\n";
    }
    void paragraph(const ParaFormat &pf) override
    {
        if (m_open)
            out += "\\par\r\n";
        m_open = true;
        out += "\\pard";
        static const char *const al[] = {"", "\\qc", "\\qr", "\\qj"};
        out += al[pf.align];
        if (pf.left)
            out += "\\li" + QByteArray::number(pf.left);
        if (pf.firstLine)
            out += "\\fi" + QByteArray::number(pf.firstLine);
        if (pf.before)
            out += "\\sb" + QByteArray::number(pf.before);
        if (pf.after)
            out += "\\sa" + QByteArray::number(pf.after);
    }
    void run(const RunFormat &f, const QString &, const QByteArray &rtf) override
    {
        out += "{\\f" + QByteArray::number(f.face) + "\\fs" + QByteArray::number(f.halfPoints);
        if (f.bold)
            out += "\\b";
        if (f.italic)
            out += "\\i";
        if (f.underline)
            out += "\\ul";
        if (f.strike)
            out += "\\strike";
        if (f.color >= 0)
            out += "\\cf" + QByteArray::number(f.color + 1);
        if (f.highlight >= 0)
            out += "\\highlight" + QByteArray::number(f.highlight + 1);
        out += ' ';
        out += rtf;
        out += '}';
    }
    void table(const std::vector<std::vector<QString>> &cells) override
    {
        if (m_open)
            out += "\\par\r\n";
        m_open = false;
        for (const auto &row : cells) {
            out += "\\trowd\\trgaph108";
            for (size_t c = 0; c < row.size(); ++c)
                out += "\\clbrdrt\\brdrs\\clbrdrl\\brdrs\\clbrdrb\\brdrs\\clbrdrr\\brdrs\\cellx"
                    + QByteArray::number(int(1800 * (c + 1)));
            out += "\r\n";
            for (const QString &cell : row)
                out += "\\pard\\intbl{\\f1\\fs20 " + rtfEscape(cell, true) + "}\\cell ";
            out += "\\row\r\n";
        }
    }
    void finish() override { out += "}\r\n"; }

private:
    bool m_open = false;
};

class CursorSink : public Sink {
public:
    explicit CursorSink(QTextDocument *doc) : m_doc(doc), m_cursor(doc) { m_cursor.beginEditBlock(); }
    void paragraph(const ParaFormat &pf) override
    {
        QTextBlockFormat bf;
        static const Qt::Alignment al[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight,
                                           Qt::AlignJustify};
        bf.setAlignment(al[pf.align]);
        if (pf.left)
            bf.setLeftMargin(pf.left / 20.0);
        if (pf.firstLine)
            bf.setTextIndent(pf.firstLine / 20.0);
        if (pf.before)
            bf.setTopMargin(pf.before / 20.0);
        if (pf.after)
            bf.setBottomMargin(pf.after / 20.0);
        if (m_first)
            m_cursor.setBlockFormat(bf);
        else
            m_cursor.insertBlock(bf);
        m_first = false;
    }
    void run(const RunFormat &f, const QString &text, const QByteArray &) override
    {
        m_cursor.insertText(text, format(f));
    }
    void table(const std::vector<std::vector<QString>> &cells) override
    {
        // at the end of the paragraph before: Qt puts the table after it
        m_first = false;
        QTextTable *t = m_cursor.insertTable(int(cells.size()), int(cells[0].size()));
        RunFormat cf;
        cf.face = 1;
        cf.halfPoints = 20;
        const QTextCharFormat fmt = format(cf);
        for (int r = 0; r < int(cells.size()); ++r)
            for (int c = 0; c < int(cells[r].size()); ++c)
                t->cellAt(r, c).firstCursorPosition().insertText(cells[r][c], fmt);
        m_cursor.movePosition(QTextCursor::End);
        m_first = true; // the block after the table is there already
    }
    void finish() override { m_cursor.endEditBlock(); }

private:
    QTextCharFormat format(const RunFormat &f)
    {
        auto it = m_formats.constFind(f);
        if (it != m_formats.constEnd())
            return *it;
        QTextCharFormat cf;
        cf.setFontFamilies({QString::fromLatin1(kFaces[f.face])});
        cf.setFontPointSize(f.halfPoints / 2.0);
        if (f.bold)
            cf.setFontWeight(QFont::Bold);
        if (f.italic)
            cf.setFontItalic(true);
        if (f.underline)
            cf.setFontUnderline(true);
        if (f.strike)
            cf.setFontStrikeOut(true);
        if (f.color >= 0)
            cf.setForeground(QColor::fromRgb(kColors[f.color]));
        if (f.highlight >= 0)
            cf.setBackground(QColor::fromRgb(kColors[f.highlight]));
        m_formats.insert(f, cf);
        return cf;
    }

    QTextDocument *m_doc;
    QTextCursor m_cursor;
    bool m_first = true;
    QHash<RunFormat, QTextCharFormat> m_formats;
};

// Keeps what the generator produced, so the floor times the cursor alone.
class Recorder : public Sink {
public:
    struct Op {
        int kind; // 0 paragraph, 1 run, 2 table
        ParaFormat pf;
        RunFormat rf;
        QString text;
        std::vector<std::vector<QString>> cells;
    };
    std::vector<Op> ops;
    void paragraph(const ParaFormat &pf) override { ops.push_back({0, pf, {}, {}, {}}); }
    void run(const RunFormat &f, const QString &text, const QByteArray &) override
    {
        ops.push_back({1, {}, f, text, {}});
    }
    void table(const std::vector<std::vector<QString>> &cells) override
    {
        ops.push_back({2, {}, {}, {}, cells});
    }
    void finish() override {}
    void replay(Sink &sink) const
    {
        for (const Op &op : ops) {
            if (op.kind == 0)
                sink.paragraph(op.pf);
            else if (op.kind == 1)
                sink.run(op.rf, op.text, QByteArray());
            else
                sink.table(op.cells);
        }
        sink.finish();
    }
};

long peakRssKb()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

// Best of `repeat` runs, in milliseconds. setup runs untimed before each.
double timeBest(int repeat, const std::function<void()> &setup, const std::function<void()> &work)
{
    double best = 1e300;
    for (int i = 0; i < repeat; ++i) {
        if (setup)
            setup();
        QElapsedTimer t;
        t.start();
        work();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

void report(const char *what, double ms, qint64 bytes, const char *note = "")
{
    const double mbs = ms > 0 ? (bytes / 1e6) / (ms / 1e3) : 0;
    std::printf("%-9s %9.1f ms %9.1f MB/s   peak RSS %6.1f MB%s\n", what, ms, mbs,
                peakRssKb() / 1024.0, note);
    std::fflush(stdout);
}


// ---- doubling: one input shape at n and at 2n -------------------------------

struct Shape {
    const char *name;
    int base; // n for the first run
    QByteArray (*make)(int n);
};

QByteArray num(qint64 v) { return QByteArray::number(v); }

QByteArray smallPngHex()
{
    QImage img(8, 8, QImage::Format_RGB32);
    img.fill(Qt::blue);
    QByteArray png;
    QBuffer buf(&png);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return png.toHex();
}

const Shape kShapes[] = {
    {"paragraphs", 100000, [](int n) {
         QByteArray s = "{\\rtf1\\ansi ";
         for (int i = 0; i < n; ++i)
             s += "some words in paragraph " + num(i) + "\\par\r\n";
         return s + "}";
     }},
    {"fonts", 5000, [](int n) { // runs each in a face of its own
         QByteArray s = "{\\rtf1\\ansi{\\fonttbl";
         for (int i = 0; i < n; ++i)
             s += "{\\f" + num(i) + "\\fnil Face " + num(i) + ";}";
         s += "}\r\n";
         for (int i = 0; i < n; ++i)
             s += "{\\f" + num(i) + " run " + num(i) + "}\r\n";
         return s + "}";
     }},
    {"colours", 20000, [](int n) {
         QByteArray s = "{\\rtf1\\ansi{\\colortbl;";
         for (int i = 0; i < n; ++i)
             s += "\\red" + num(i & 255) + "\\green" + num((i >> 8) & 255) + "\\blue" + num((i >> 16) & 255) + ";";
         s += "}\r\n";
         for (int i = 0; i < n; ++i)
             s += "{\\cf" + num(i + 1) + "\\highlight" + num(n - i) + " run " + num(i) + "}\r\n";
         return s + "}";
     }},
    {"fields", 20000, [](int n) { // links, each to a place of its own
         QByteArray s = "{\\rtf1\\ansi ";
         for (int i = 0; i < n; ++i)
             s += "{\\field{\\*\\fldinst{HYPERLINK \"http://example.com/page" + num(i)
                 + "\"}}{\\fldrslt{\\ul link " + num(i) + "}}} and \r\n";
         return s + "}";
     }},
    {"kept-fields", 20000, [](int n) { // page references in a table of contents, each kept as a field
         QByteArray s = "{\\rtf1\\ansi {\\field{\\*\\fldinst TOC \\\\o}{\\fldrslt ";
         for (int i = 0; i < n; ++i)
             s += "Heading " + num(i) + "\\tab {\\field\\flddirty{\\*\\fldinst PAGEREF _Toc" + num(i)
                 + " \\\\h}{\\fldrslt " + num(i) + "}}\\par\r\n";
         return s + "}}}";
     }},
    {"bookmarks", 20000, [](int n) { // each heading a bookmark, with a link to it
         QByteArray s = "{\\rtf1\\ansi ";
         for (int i = 0; i < n; ++i)
             s += "{\\*\\bkmkstart b" + num(i) + "}Heading{\\*\\bkmkend b" + num(i)
                 + "} {\\field{\\*\\fldinst HYPERLINK \\\\l \"b" + num(i) + "\"}{\\fldrslt see}}\\par\r\n";
         return s + "}";
     }},
    {"section-headers", 2000, [](int n) { // n sections, each with its own header and footer
         QByteArray s = "{\\rtf1\\ansi ";
         for (int i = 0; i < n; ++i)
             s += "\\sectd{\\header\\pard Head " + num(i) + "\\par}{\\footer\\pard Page {\\field{\\*\\fldinst PAGE}"
                 "{\\fldrslt 1}}\\par}\\pard Text " + num(i) + "\\par\\sect\r\n";
         return s + "}";
     }},
    {"field-results", 200000, [](int n) { // one field whose result repeats
         QByteArray s = "{\\rtf1\\ansi {\\field{\\*\\fldinst{HYPERLINK \"http://example.com/"
             + QByteArray(2000, 'u') + "\"}}";
         for (int i = 0; i < n; ++i)
             s += "{\\fldrslt r}";
         return s + "}}";
     }},
    {"pictures", 5000, [](int n) {
         const QByteArray hex = smallPngHex();
         QByteArray s = "{\\rtf1\\ansi ";
         for (int i = 0; i < n; ++i)
             s += "{\\pict\\pngblip\\picw8\\pich8 " + hex + "} \r\n";
         return s + "}";
     }},
    {"objects", 2000, [](int n) { // metafiles, objects with a metafile result, shapes, text boxes
         // a rectangle in a WMF, as RTF holds it
         const QByteArray wmf = "010009000003280000000100070000000000050000000b0200000000050000000c023200640007000000"
                                "fc020000ff0000000000040000002d010000070000001b0428003c000a000a00030000000000";
         QByteArray s = "{\\rtf1\\ansi ";
         for (int i = 0; i < n; ++i) {
             s += "{\\pict\\wmetafile8\\picwgoal1500\\pichgoal750 " + wmf + "}"
                  "{\\object\\objemb\\objw1500\\objh750{\\*\\objdata 0105}{\\result{\\pict\\wmetafile8 " + wmf + "}}}"
                  "{\\shp{\\*\\shpinst\\shpright1500\\shpbottom750{\\shptxt box " + num(i) + "\\par}}}"
                  "{\\*\\do\\dprect\\dpxsize1500\\dpysize750}\\par\r\n";
         }
         return s + "}";
     }},
    {"picture-size", 250000, [](int n) { // one picture of about n noise pixels
         const int side = int(std::sqrt(double(n)));
         QImage img(side, n / side, QImage::Format_RGB32);
         QRandomGenerator rng(7);
         for (int y = 0; y < img.height(); ++y)
             for (int x = 0; x < img.width(); ++x)
                 img.setPixel(x, y, rng.generate());
         QByteArray png;
         QBuffer buf(&png);
         buf.open(QIODevice::WriteOnly);
         img.save(&buf, "PNG");
         return "{\\rtf1\\ansi {\\pict\\pngblip " + png.toHex() + "}}";
     }},
    {"rows", 20000, [](int n) { // one table, n rows of 2 cells
         QByteArray s = "{\\rtf1\\ansi ";
         for (int i = 0; i < n; ++i)
             s += "\\trowd\\cellx2000\\cellx4000\\pard\\intbl r" + num(i) + "\\cell x\\cell\\row\r\n";
         return s + "\\pard after\\par}";
     }},
    {"word-rows", 10000, [](int n) { // Word's rows: borders, shading, a merge
         QByteArray def = "\\trowd\\trgaph108";
         for (int c = 0; c < 4; ++c) {
             if (c == 1)
                 def += "\\clcbpat2";
             def += "\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10"
                    "\\clbrdrr\\brdrs\\brdrw10\\cellx" + num(2000 * (c + 1));
         }
         QByteArray s = "{\\rtf1\\ansi{\\colortbl;\\red0\\green0\\blue0;\\red200\\green200\\blue200;}";
         for (int i = 0; i < n; ++i)
             s += def + "\\pard\\intbl r" + num(i) + "\\cell a\\cell b\\cell c\\cell\\row\r\n";
         return s + "\\pard after\\par}";
     }},
    {"merged-rows", 2000, [](int n) { // every row with cells merged across
         QByteArray s = "{\\rtf1\\ansi ";
         for (int i = 0; i < n; ++i)
             s += "\\trowd\\cellx1000\\cellx2000\\cellx3000\\pard\\intbl a\\cell b\\cell c\\cell\\row\r\n"
                  "\\trowd\\cellx1000\\clmgf\\cellx2000\\clmrg\\cellx3000\\pard\\intbl d\\cell e\\cell\\cell\\row\r\n";
         return s + "\\pard after\\par}";
     }},
    {"mixed-rows", 5000, [](int n) { // rows alternating their edges, with Word's row and cell words
         const QByteArray words = "\\trowd\\trgaph108\\trleft-108\\trpaddl108\\trpaddr108\\trpaddfl3\\trpaddfr3\\trftsWidth1";
         QByteArray s = "{\\rtf1\\ansi ";
         for (int i = 0; i < n; ++i)
             s += words + "\\clftsWidth3\\clwWidth2000\\cellx2000\\clftsWidth3\\clwWidth3000\\cellx5000\\cellx9000"
                          "\\pard\\intbl a" + num(i) + "\\cell b\\cell c\\cell\\row\r\n"
                  + words + "\\cellx9000\\pard\\intbl one\\cell\\row\r\n"
                  + words + "\\cellx3003\\cellx6000\\cellx8996\\pard\\intbl d\\cell e\\cell f\\cell\\row\r\n";
         return s + "\\pard after\\par}";
     }},
    {"columns", 20000, [](int n) { // one row of n cells
         QByteArray s = "{\\rtf1\\ansi \\trowd";
         for (int i = 0; i < n; ++i)
             s += "\\cellx" + num(100 * (i + 1));
         s += "\\pard\\intbl ";
         for (int i = 0; i < n; ++i)
             s += "c" + num(i) + "\\cell ";
         return s + "\\row\\pard after\\par}";
     }},
    {"cells", 5000, [](int n) { // n rows of 10 cells
         QByteArray row = "\\trowd";
         for (int c = 0; c < 10; ++c)
             row += "\\cellx" + num(900 * (c + 1));
         row += "\\pard\\intbl ";
         QByteArray s = "{\\rtf1\\ansi ";
         for (int i = 0; i < n; ++i) {
             s += row;
             for (int c = 0; c < 10; ++c)
                 s += "c" + num(c) + "\\cell ";
             s += "\\row\r\n";
         }
         return s + "\\pard after\\par}";
     }},
    {"nested", 5000, [](int n) { // n rows, each holding a table of 2 x 2
         QByteArray inner;
         for (int r = 0; r < 2; ++r)
             inner += "\\pard\\intbl\\itap2 a\\nestcell b\\nestcell"
                      "{\\*\\nesttableprops\\trowd\\cellx1000\\cellx2000\\nestrow}{\\nonesttables\\par}";
         QByteArray s = "{\\rtf1\\ansi ";
         for (int i = 0; i < n; ++i)
             s += "\\trowd\\cellx3000\\cellx6000\\pard\\intbl\\itap1 o" + num(i) + "\\par" + inner
                 + "\\pard\\intbl\\itap1 t\\cell x\\cell\\row\r\n";
         return s + "\\pard after\\par}";
     }},
    {"deep", 5000, [](int n) { // n rows, each holding tables nested 16 deep
         QByteArray s = "{\\rtf1\\ansi ";
         for (int i = 0; i < n; ++i)
             s += "\\pard\\intbl\\itap16 d" + num(i) + "\\nestcell{\\*\\nesttableprops\\trowd\\cellx99\\nestrow}\\row\r\n";
         return s + "}";
     }},
    {"tables", 5000, [](int n) { // n tables of one row, text between
         QByteArray s = "{\\rtf1\\ansi ";
         for (int i = 0; i < n; ++i)
             s += "\\trowd\\cellx2000\\cellx4000\\pard\\intbl t" + num(i) + "\\cell x\\cell\\row\\pard between\\par\r\n";
         return s + "}";
     }},
    {"footnotes", 10000, [](int n) { // notes in one paragraph
         QByteArray s = "{\\rtf1\\ansi ";
         for (int i = 0; i < n; ++i)
             s += "word{\\footnote\\pard note " + num(i) + "} ";
         return s + "\\par}";
     }},
    {"equal-notes", 10000, [](int n) { // the same note and comment again and again
         QByteArray s = "{\\rtf1\\ansi ";
         for (int i = 0; i < n; ++i)
             s += "Claim.{\\footnote Ibid.} {\\*\\atnid A}{\\*\\atnauthor B}\\chatn{\\*\\annotation See.}";
         return s + "\\par}";
     }},
    {"hidden-runs", 50000, [](int n) { // index entries in hidden text, distinct and alike
         QByteArray s = "{\\rtf1\\ansi ";
         for (int i = 0; i < n; ++i)
             s += "word{\\v XE " + num(i & 1 ? i : 0) + "} ";
         return s + "\\par}";
     }},
    {"tab-sets", 10000, [](int n) { // paragraphs, each with tab stops of its own
         QByteArray s = "{\\rtf1\\ansi ";
         for (int i = 0; i < n; ++i)
             s += "\\pard\\tx" + num(100 + i) + "\\tx" + num(20000 - i) + " a\\tab b\\par\r\n";
         return s + "}";
     }},
    {"list-items", 50000, [](int n) { // one list of n items on three levels
         QByteArray s = "{\\rtf1\\ansi{\\*\\listtable{\\list"
                        "{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}\\fi-360\\li720}"
                        "{\\listlevel\\levelnfc4{\\leveltext\\'04\\'00.\\'01.;}\\fi-360\\li1440}"
                        "{\\listlevel\\levelnfc23{\\leveltext\\'01\\u-3913 ?;}\\fi-360\\li2160}\\listid1}}"
                        "{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}}\r\n";
         for (int i = 0; i < n; ++i)
             s += "\\pard\\ls1\\ilvl" + num(i % 3) + " item " + num(i) + "\\par\r\n";
         return s + "}";
     }},
    {"lists", 4000, [](int n) { // n lists of two items each, text between
         QByteArray s = "{\\rtf1\\ansi{\\*\\listtable";
         for (int i = 0; i < n; ++i)
             s += "{\\list{\\listlevel\\levelnfc" + num(i % 5) + "\\levelstartat" + num(i)
                 + "{\\leveltext\\'02\\'00);}\\fi-360\\li720}\\listid" + num(i + 1) + "}";
         s += "}{\\*\\listoverridetable";
         for (int i = 0; i < n; ++i)
             s += "{\\listoverride\\listid" + num(i + 1) + "\\ls" + num(i + 1) + "}";
         s += "}\r\n";
         for (int i = 0; i < n; ++i)
             s += "\\pard\\ls" + num(i + 1) + " a\\par\\pard\\ls" + num(i + 1) + " b\\par\\pard between\\par\r\n";
         return s + "}";
     }},
    {"list-pictures", 1000, [](int n) { // n picture bullets, each its own picture, in a colour of its own
         QByteArray s = "{\\rtf1\\ansi{\\colortbl;";
         for (int i = 0; i < n; ++i)
             s += "\\red" + num(i % 256) + "\\green" + num(i / 256) + "\\blue0;";
         s += "}{\\*\\listtable{\\*\\listpicture";
         for (int i = 0; i < n; ++i)
             s += "{\\*\\shppict{\\pict\\pngblip\\picw1\\pich1 " + QByteArray::number(i, 16).rightJustified(64, '0') + "}}";
         s += "}";
         for (int i = 0; i < n; ++i)
             s += "{\\list{\\listlevel\\levelnfc23\\levelpicture" + num(i) + "{\\leveltext\\'01\\'b7;}\\b\\fs28\\cf"
                 + num(i + 1) + "\\fi-360\\li720}\\listid" + num(i + 1) + "}";
         s += "}{\\*\\listoverridetable";
         for (int i = 0; i < n; ++i)
             s += "{\\listoverride\\listid" + num(i + 1) + "\\ls" + num(i + 1) + "}";
         s += "}\r\n";
         for (int i = 0; i < n; ++i)
             s += "\\pard\\ls" + num(i + 1) + " a\\par\r\n";
         return s + "}";
     }},
    {"list-nesting", 20000, [](int n) { // items going down nine levels and up again
         QByteArray s = "{\\rtf1\\ansi{\\*\\listtable{\\list";
         for (int l = 0; l < 9; ++l)
             s += "{\\listlevel\\levelnfc" + num(l % 5) + "{\\leveltext\\'" + QByteArray::number(2 * l + 2, 16).rightJustified(2, '0') + "\\'00.\\'01.\\'02.\\'03.\\'04.\\'05.\\'06.\\'07.\\'08.;}"
                 "\\li" + num(360 * (l + 1)) + "}";
         s += "\\listid1}}{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}}\r\n";
         for (int i = 0; i < n; ++i) {
             const int l = i % 16 < 9 ? i % 16 : 16 - i % 16;
             s += "\\pard\\ls1\\ilvl" + num(l) + " item\\par\r\n";
         }
         return s + "}";
     }},
    {"paragraph-runs", 50000, [](int n) { // one paragraph of n runs
         QByteArray s = "{\\rtf1\\ansi ";
         for (int i = 0; i < n; ++i)
             s += (i & 1) ? "\\b run " : "\\b0 run ";
         return s + "\\par}";
     }},
    {"styles", 10000, [](int n) { // n styles in one based-on chain, each used by a paragraph and a run
         QByteArray s = "{\\rtf1\\ansi{\\colortbl;\\red255\\green0\\blue0;}{\\stylesheet{\\fs20 Normal;}";
         for (int i = 1; i <= n; ++i)
             s += "{\\s" + num(i) + "\\sb" + num(i) + "\\sbasedon" + num(i - 1) + " Style " + num(i) + ";}"
                 + "{\\*\\cs" + num(n + i) + "\\additive\\cf1 Char " + num(i) + ";}\r\n";
         s += "}";
         for (int i = 1; i <= n; ++i)
             s += "\\pard\\s" + num(i) + " p{\\cs" + num(n + i) + " c}\\par\r\n";
         return s + "}";
     }},
    {"kept-words", 20000, [](int n) { // runs and paragraphs with many kept words, some sets distinct
         QByteArray s = "{\\rtf1\\ansi{\\colortbl;\\red255\\green0\\blue0;}";
         for (int i = 0; i < n; ++i)
             s += "\\pard\\keepn\\widctlpar\\hyphpar0\\brdrt\\brdrs\\brdrw" + num(10 + (i & 7))
                 + "\\brsp20\\cbpat1\\shading" + num(i % 100) + " {\\lang" + num(1024 + i % 50)
                 + "\\langfe1041\\noproof\\kerning2\\outl\\shad\\uldb\\expndtw" + num(i & 15)
                 + "\\charscalex90 run " + num(i) + "}{\\embo\\lang1033 more}\\par\r\n";
         return s + "}";
     }},
    {"word", 1 << 20, [](int n) { // one word of n letters
         QByteArray s = "{\\rtf1\\ansi ";
         s += QByteArray(n, 'x');
         return s + "\\par}";
     }},
};

size_t heapInUse()
{
    const struct mallinfo2 mi = mallinfo2();
    return mi.uordblks + mi.hblkhd;
}

int doubling(const QStringList &only, double scale, int repeat)
{
    std::printf("%-15s %9s %9s %10s %10s %6s %10s %10s %6s %8s\n", "shape", "n", "input MB",
                "read ms", "read 2n", "ratio", "write ms", "write 2n", "ratio", "heap/in");
    bool allLinear = true;
    for (const Shape &shape : kShapes) {
        if (!only.isEmpty() && !only.contains(QLatin1String(shape.name)))
            continue;
        const int n = std::max(1, int(shape.base * scale));
        // n and 2n are timed in turns, best of each: a busy moment on a
        // shared machine then weighs on both sizes alike.
        double readMs[2] = {1e300, 1e300}, writeMs[2] = {1e300, 1e300}, heapRatio = 0;
        qint64 inBytes[2];
        const QByteArray data[2] = {shape.make(n), shape.make(2 * n)};
        for (int round = 0; round < repeat; ++round) {
            for (int k = 0; k < 2; ++k) {
                inBytes[k] = data[k].size();
                malloc_trim(0);
                const size_t heapBefore = heapInUse();
                auto doc = std::make_unique<QTextDocument>();
                readMs[k] = std::min(readMs[k], timeBest(1, nullptr, [&] { rtf::read(data[k], doc.get()); }));
                if (k == 1)
                    heapRatio = double(heapInUse() - std::min(heapInUse(), heapBefore)) / data[k].size();
                QByteArray out;
                writeMs[k] = std::min(writeMs[k], timeBest(1, nullptr, [&] { out = rtf::write(doc.get()); }));
            }
        }
        const double rr = readMs[1] / std::max(readMs[0], 0.001);
        const double wr = writeMs[1] / std::max(writeMs[0], 0.001);
        const bool linear = rr <= 2.2 && wr <= 2.2;
        allLinear = allLinear && linear;
        std::printf("%-15s %9d %9.2f %10.1f %10.1f %6.2f %10.1f %10.1f %6.2f %8.1f%s\n", shape.name, n,
                    inBytes[0] / 1e6, readMs[0], readMs[1], rr, writeMs[0], writeMs[1], wr, heapRatio,
                    linear ? "" : "  <-- over 2.2");
        std::fflush(stdout);
    }
    return allLinear ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    double sizeMb = 10;
    int repeat = 3;
    QString dump, only;
    bool doublingMode = false;
    double scale = 1;
    QStringList shapes;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--size") && hasValue)
            sizeMb = args[++i].toDouble();
        else if (a == QLatin1String("--repeat") && hasValue)
            repeat = std::max(1, args[++i].toInt());
        else if (a == QLatin1String("--dump") && hasValue)
            dump = args[++i];
        else if (a == QLatin1String("--only") && hasValue)
            only = args[++i];
        else if (a == QLatin1String("--doubling"))
            doublingMode = true;
        else if (a == QLatin1String("--shape") && hasValue)
            shapes << args[++i];
        else if (a == QLatin1String("--scale") && hasValue)
            scale = args[++i].toDouble();
        else {
            std::fprintf(stderr,
                         "usage: bench_rtf [--size MB] [--repeat N] [--dump FILE]"
                         " [--only tokenize|read|floor|write]\n"
                         "       bench_rtf --doubling [--shape NAME]... [--scale F] [--repeat N]\n");
            return 2;
        }
    }
    if (doublingMode)
        return doubling(shapes, scale, repeat);
    auto wanted = [&](const char *stage) { return only.isEmpty() || only == QLatin1String(stage); };

    const qint64 target = qint64(sizeMb * 1e6);
    QByteArray rtfData;
    {
        RtfSink sink(target);
        generate(sink, target);
        rtfData = std::move(sink.out);
    }
    std::printf("generated %.2f MB of RTF, repeat %d, peak RSS %.1f MB\n", rtfData.size() / 1e6,
                repeat, peakRssKb() / 1024.0);
    if (!dump.isEmpty()) {
        QFile f(dump);
        if (!f.open(QIODevice::WriteOnly) || f.write(rtfData) != rtfData.size()) {
            std::fprintf(stderr, "bench_rtf: cannot write %s\n", qPrintable(dump));
            return 1;
        }
        std::printf("written to %s\n", qPrintable(dump));
    }
    const qint64 n = rtfData.size();

    if (wanted("tokenize")) {
        qint64 tokens = 0;
        const double ms = timeBest(repeat, nullptr, [&] {
            rtf::Tokenizer tok(rtfData.constData(), rtfData.constData() + rtfData.size());
            qint64 count = 0;
            while (tok.next().type != rtf::Token::End)
                ++count;
            tokens = count;
        });
        char note[64];
        std::snprintf(note, sizeof note, "   (%lld tokens)", static_cast<long long>(tokens));
        report("tokenize", ms, n, note);
    }

    std::unique_ptr<QTextDocument> readDoc;
    double readMs = 0;
    if (wanted("read") || wanted("write")) {
        readMs = timeBest(
            repeat,
            [&] {
                readDoc.reset();
                readDoc = std::make_unique<QTextDocument>();
                readDoc->setUndoRedoEnabled(false);
            },
            [&] { rtf::read(rtfData, readDoc.get()); });
        if (wanted("read")) {
            char note[96];
            std::snprintf(note, sizeof note, "   (%d blocks, %d characters)", readDoc->blockCount(),
                          readDoc->characterCount());
            report("read", readMs, n, note);
        }
    }

    if (wanted("write")) {
        const QTextDocument *src = readDoc.get();
        std::unique_ptr<QTextDocument> floorDoc;
        const char *from = "   (document read)";
        if (src->characterCount() < 1000) { // reader not there yet: write what the floor built
            floorDoc = std::make_unique<QTextDocument>();
            floorDoc->setUndoRedoEnabled(false);
            Recorder rec;
            generate(rec, target);
            CursorSink sink(floorDoc.get());
            rec.replay(sink);
            src = floorDoc.get();
            from = "   (cursor-built document)";
        }
        QByteArray out;
        const double ms = timeBest(repeat, [&] { out = QByteArray(); }, [&] { out = rtf::write(src); });
        char note[128];
        std::snprintf(note, sizeof note, "%s, %.2f MB out", from, out.size() / 1e6);
        report("write", ms, out.size(), note);
    }
    readDoc.reset();

    if (wanted("floor")) {
        Recorder rec;
        generate(rec, target);
        std::unique_ptr<QTextDocument> doc;
        const double ms = timeBest(
            repeat,
            [&] {
                doc.reset();
                doc = std::make_unique<QTextDocument>();
                doc->setUndoRedoEnabled(false);
            },
            [&] {
                CursorSink sink(doc.get());
                rec.replay(sink);
            });
        char note[96];
        std::snprintf(note, sizeof note, "   (%d blocks, %d characters)", doc->blockCount(),
                      doc->characterCount());
        report("floor", ms, n, note);
        if (readMs > 0 && (only.isEmpty()))
            std::printf("read / floor = %.2f\n", readMs / ms);
    }
    return 0;
}
