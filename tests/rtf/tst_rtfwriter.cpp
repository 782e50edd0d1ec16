// The RTF writer: what it writes for each kind of content, and that what it
// writes reads back the same and writes again byte for byte.

#include "rtf/Rtf.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QtTest>

namespace {

// Number of times control word w stands in rtf as a whole word: "\b" does
// not match "\blue", "\fs2" does not match "\fs24", "\cellx" matches
// "\cellx1440".
int countWord(const QByteArray &rtf, const QString &w)
{
    const bool param = !w.isEmpty() && w.back().isDigit();
    const QRegularExpression re(QRegularExpression::escape(w)
                                + (param ? QStringLiteral("(?![0-9])") : QStringLiteral("(?![a-zA-Z])")));
    return int(QString::fromLatin1(rtf).count(re));
}

bool hasWord(const QByteArray &rtf, const QString &w) { return countWord(rtf, w) > 0; }

QByteArray writeOne(const QString &text, const QTextCharFormat &cf,
                    const QTextBlockFormat &bf = QTextBlockFormat())
{
    QTextDocument doc;
    QTextCursor c(&doc);
    c.setBlockFormat(bf);
    c.insertText(text, cf);
    return rtf::write(&doc);
}

// The body of the RTF: everything after the header's tables.
QByteArray body(const QByteArray &rtf)
{
    const qsizetype i = rtf.indexOf("\\pard");
    return i < 0 ? QByteArray() : rtf.mid(i);
}

bool readerAvailable()
{
    QTextDocument doc;
    return rtf::read("{\\rtf1 abc}", &doc) && doc.toPlainText() == QLatin1String("abc");
}

// What a character looks like, in the terms the writer and reader share.
struct Look {
    QString face;
    int halfPoints;
    bool bold, italic, underline, strike;
    int valign;
    QRgb fg, bg; // 0 when not set
    QString href;
    bool operator==(const Look &o) const
    {
        return face == o.face && halfPoints == o.halfPoints && bold == o.bold && italic == o.italic
            && underline == o.underline && strike == o.strike && valign == o.valign && fg == o.fg
            && bg == o.bg && href == o.href;
    }
};

QString describe(const Look &l)
{
    return QStringLiteral("%1 %2 b%3 i%4 u%5 s%6 v%7 fg%8 bg%9 %10")
        .arg(l.face)
        .arg(l.halfPoints)
        .arg(l.bold)
        .arg(l.italic)
        .arg(l.underline)
        .arg(l.strike)
        .arg(l.valign)
        .arg(l.fg, 0, 16)
        .arg(l.bg, 0, 16)
        .arg(l.href);
}

Look lookOf(const QTextDocument &doc, const QTextCharFormat &f)
{
    Look l;
    const QStringList fams = f.fontFamilies().toStringList();
    l.face = !fams.isEmpty() ? fams.first()
        : f.hasProperty(QTextFormat::FontFamily) ? f.stringProperty(QTextFormat::FontFamily)
                                                  : doc.defaultFont().family();
    const double pt = f.fontPointSize() > 0 ? f.fontPointSize() : doc.defaultFont().pointSizeF();
    l.halfPoints = qRound(pt * 2);
    l.bold = f.fontWeight() >= QFont::Bold;
    l.italic = f.fontItalic();
    l.underline = f.fontUnderline() || f.underlineStyle() != QTextCharFormat::NoUnderline;
    l.strike = f.fontStrikeOut();
    l.valign = f.verticalAlignment() == QTextCharFormat::AlignSuperScript ? 1
        : f.verticalAlignment() == QTextCharFormat::AlignSubScript        ? 2
                                                                          : 0;
    l.fg = f.foreground().style() != Qt::NoBrush ? f.foreground().color().rgb() : 0;
    l.bg = f.background().style() != Qt::NoBrush ? f.background().color().rgb() : 0;
    l.href = f.isAnchor() ? f.anchorHref() : QString();
    return l;
}

// Text and formatting of two documents, paragraph by paragraph and
// character by character; an empty string when they agree.
QString differences(const QTextDocument &a, const QTextDocument &b)
{
    if (a.toPlainText() != b.toPlainText())
        return QStringLiteral("text differs:\n%1\n---\n%2").arg(a.toPlainText(), b.toPlainText());
    if (a.blockCount() != b.blockCount())
        return QStringLiteral("block count %1 vs %2").arg(a.blockCount()).arg(b.blockCount());
    QTextBlock ba = a.begin(), bb = b.begin();
    for (int n = 0; ba.isValid() && bb.isValid(); ba = ba.next(), bb = bb.next(), ++n) {
        const QTextBlockFormat fa = ba.blockFormat(), fb = bb.blockFormat();
        auto tw = [](double v) { return qRound(v * 20); };
        if ((fa.alignment() & Qt::AlignHorizontal_Mask) != (fb.alignment() & Qt::AlignHorizontal_Mask)
            || tw(fa.leftMargin()) != tw(fb.leftMargin()) || tw(fa.rightMargin()) != tw(fb.rightMargin())
            || tw(fa.textIndent()) != tw(fb.textIndent()) || tw(fa.topMargin()) != tw(fb.topMargin())
            || tw(fa.bottomMargin()) != tw(fb.bottomMargin()))
            return QStringLiteral("paragraph %1 (%2) formats differ").arg(n).arg(ba.text());
        // per character, so that different fragment splits do not matter
        QList<Look> la, lb;
        for (auto it = ba.begin(); !it.atEnd(); ++it)
            for (int i = 0; i < it.fragment().length(); ++i)
                la << lookOf(a, it.fragment().charFormat());
        for (auto it = bb.begin(); !it.atEnd(); ++it)
            for (int i = 0; i < it.fragment().length(); ++i)
                lb << lookOf(b, it.fragment().charFormat());
        for (int i = 0; i < qMin(la.size(), lb.size()); ++i)
            if (!(la[i] == lb[i]))
                return QStringLiteral("paragraph %1 (%2) char %3: %4 vs %5")
                    .arg(n)
                    .arg(ba.text())
                    .arg(i)
                    .arg(describe(la[i]), describe(lb[i]));
    }
    return QString();
}

} // namespace

class TestRtfWriter : public QObject {
    Q_OBJECT

private slots:
    void documentShape();
    void characterFormats_data();
    void characterFormats();
    void paragraphFormats();
    void fontTable();
    void colourTable();
    void nonAsciiAndEscapes();
    void lineLengths();
    void links();
    void tables();
    void picture();
    void roundTripFiles_data();
    void roundTripFiles();
    void roundTripBuilt();
    void roundTripTables();
};

void TestRtfWriter::documentShape()
{
    QTextDocument empty;
    const QByteArray e = rtf::write(&empty);
    QVERIFY(e.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0"));
    QVERIFY(hasWord(e, "\\uc1"));
    QVERIFY(e.contains("{\\fonttbl{\\f0")); // the default face even when nothing uses it
    QVERIFY(e.endsWith("}\r\n"));

    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText("one");
    c.insertBlock();
    c.insertText("two");
    c.insertBlock();
    c.insertText("three");
    const QByteArray out = rtf::write(&doc);
    // CR LF everywhere, braces balanced, one \par between paragraphs and
    // none after the last (that would add an empty paragraph)
    QCOMPARE(out.count('\n'), out.count("\r\n"));
    QCOMPARE(out.count('{'), out.count('}'));
    QCOMPARE(countWord(out, "\\par"), 2);
    QCOMPARE(countWord(out, "\\pard"), 3);
    QVERIFY(!out.contains("three\\par"));
    QCOMPARE(rtf::write(&doc), out); // nothing depends on earlier calls
}

void TestRtfWriter::characterFormats_data()
{
    QTest::addColumn<QTextCharFormat>("format");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("absent");

    const QStringList all = {"\\b", "\\i", "\\ul", "\\strike", "\\super", "\\sub", "\\cf1", "\\highlight1"};
    auto without = [&all](const QStringList &p) {
        QStringList r = all;
        for (const QString &s : p)
            r.removeAll(s);
        return r;
    };
    QTextCharFormat f;
    QTest::newRow("plain") << f << QStringList{"\\plain", "\\f0"} << all;

    f = {};
    f.setFontWeight(QFont::Bold);
    QTest::newRow("bold") << f << QStringList{"\\b"} << without({"\\b"});
    f.setFontWeight(QFont::Black);
    QTest::newRow("black is bold") << f << QStringList{"\\b"} << without({"\\b"});
    f.setFontWeight(QFont::DemiBold);
    QTest::newRow("demibold is not") << f << QStringList{} << all;

    f = {};
    f.setFontItalic(true);
    QTest::newRow("italic") << f << QStringList{"\\i"} << without({"\\i"});
    f = {};
    f.setFontUnderline(true);
    QTest::newRow("underline") << f << QStringList{"\\ul"} << without({"\\ul"});
    f = {};
    f.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    QTest::newRow("wave underline") << f << QStringList{"\\ulwave"} << all;
    f = {};
    f.setFontStrikeOut(true);
    QTest::newRow("strike") << f << QStringList{"\\strike"} << without({"\\strike"});
    f = {};
    f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    QTest::newRow("super") << f << QStringList{"\\super"} << without({"\\super"});
    f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    QTest::newRow("sub") << f << QStringList{"\\sub"} << without({"\\sub"});

    f = {};
    f.setFontPointSize(13);
    QTest::newRow("size 13") << f << QStringList{"\\fs26"} << all;
    f.setFontPointSize(10.5);
    QTest::newRow("size 10.5") << f << QStringList{"\\fs21"} << all;
    f.setFontPointSize(7.3); // half points, rounded
    QTest::newRow("size 7.3") << f << QStringList{"\\fs15"} << all;

    f = {};
    f.setForeground(QColor(255, 0, 0));
    QTest::newRow("colour") << f << QStringList{"\\cf1"} << without({"\\cf1"});
    f = {};
    f.setBackground(QColor(255, 255, 0));
    QTest::newRow("background") << f << QStringList{"\\highlight1", "\\cb1"} << without({"\\highlight1"});

    f = {};
    f.setFontWeight(QFont::Bold);
    f.setFontItalic(true);
    f.setFontUnderline(true);
    f.setFontStrikeOut(true);
    f.setForeground(QColor(0, 0, 255));
    QTest::newRow("all at once") << f << QStringList{"\\b", "\\i", "\\ul", "\\strike", "\\cf1"}
                                 << QStringList{"\\super", "\\sub", "\\highlight1"};
}

void TestRtfWriter::characterFormats()
{
    QFETCH(QTextCharFormat, format);
    QFETCH(QStringList, present);
    QFETCH(QStringList, absent);
    const QByteArray out = body(writeOne("word", format));
    for (const QString &w : present)
        QVERIFY2(hasWord(out, w), qPrintable(w + " missing in " + out));
    for (const QString &w : absent)
        QVERIFY2(!hasWord(out, w), qPrintable(w + " unexpected in " + out));
    QVERIFY(out.contains("word"));
    // LibreOffice loses text after a \super that is not closed by a group
    if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        QVERIFY2(out.contains("{\\plain") && out.contains(" word}"), out);

    // no size set: the document's default size
    if (!format.hasProperty(QTextFormat::FontPointSize)) {
        QTextDocument doc;
        doc.setDefaultFont(QFont("Arial", 11));
        QTextCursor(&doc).insertText("word", format);
        QVERIFY(hasWord(rtf::write(&doc), "\\fs22"));
    }
}

void TestRtfWriter::paragraphFormats()
{
    QTextDocument doc;
    QTextCursor c(&doc);
    struct P {
        Qt::Alignment align;
        const char *word;
    } aligns[] = {{Qt::AlignLeft, nullptr}, {Qt::AlignHCenter, "\\qc"}, {Qt::AlignRight, "\\qr"},
                  {Qt::AlignJustify, "\\qj"}};
    bool first = true;
    for (const P &p : aligns) {
        QTextBlockFormat bf;
        bf.setAlignment(p.align);
        if (first)
            c.setBlockFormat(bf);
        else
            c.insertBlock(bf);
        first = false;
        c.insertText(QStringLiteral("para"));
    }
    QTextBlockFormat bf;
    bf.setLeftMargin(36);    // points: 720 twips
    bf.setRightMargin(18.2); // rounded to the twip
    bf.setTextIndent(-18);
    bf.setTopMargin(6);
    bf.setBottomMargin(12);
    c.insertBlock(bf);
    c.insertText("indented");

    const QByteArray out = rtf::write(&doc);
    for (const char *w : {"\\qc", "\\qr", "\\qj", "\\li720", "\\ri364", "\\fi-360", "\\sb120", "\\sa240"})
        QVERIFY2(countWord(out, w) == 1, w);
    // each paragraph starts from the defaults, so left needs no word
    QCOMPARE(countWord(out, "\\pard"), 5);
}

void TestRtfWriter::fontTable()
{
    QTextDocument doc;
    doc.setDefaultFont(QFont("Liberation Serif", 12));
    QTextCursor c(&doc);
    QTextCharFormat ms;
    ms.setFontFamilies({"MS Sans Serif", "Arial"}); // the first is the face
    c.insertText("a", ms);
    QTextCharFormat old;
    old.setProperty(QTextFormat::FontFamily, QStringLiteral("Wingdings")); // older-style face
    c.insertText("b", old);
    c.insertText("c", QTextCharFormat()); // the document's default face
    c.insertText("d", ms);                // again: no second entry
    QTextCharFormat odd;
    odd.setFontFamilies({"Odd {Face}; Name"});
    c.insertText("e", odd);

    const QByteArray out = rtf::write(&doc);
    const qsizetype start = out.indexOf("{\\fonttbl");
    const QByteArray table = out.mid(start, out.indexOf("}\r\n", start) - start + 1);
    // faces unknown to this machine are kept as written, each once, in order
    QVERIFY2(table.contains("{\\f0\\fswiss\\fcharset0 MS Sans Serif;}"), table);
    QVERIFY2(table.contains("\\f1\\ftech\\fcharset0 Wingdings;}"), table);
    QVERIFY2(table.contains("\\f2\\froman\\fcharset0 Liberation Serif;}"), table);
    QCOMPARE(table.count("MS Sans Serif"), 1);
    // braces and the entry-ending semicolon escaped
    QVERIFY2(table.contains("Odd \\{Face\\}\\'3b Name;}"), table);
    QVERIFY2(table.contains("{\\f3\\fnil"), table);
    QVERIFY(!table.contains("\\f4"));

    const QByteArray b = body(out);
    QVERIFY(b.contains("\\f0\\fs24 a"));
    QVERIFY(b.contains("\\f1\\fs24 b"));
    QVERIFY(b.contains("\\f2\\fs24 c"));
    QVERIFY(b.contains("\\f0\\fs24 d"));
}

void TestRtfWriter::colourTable()
{
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextCharFormat red;
    red.setForeground(QColor(255, 0, 0));
    QTextCharFormat blueOnRed;
    blueOnRed.setForeground(QColor(0, 0, 255));
    blueOnRed.setBackground(QColor(255, 0, 0));
    QTextCharFormat black;
    black.setForeground(Qt::black); // explicit black is a colour, not "auto"
    c.insertText("r", red);
    c.insertText("b", blueOnRed);
    c.insertText("k", black);
    const QByteArray out = rtf::write(&doc);
    QVERIFY2(out.contains("{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;"
                          "\\red0\\green0\\blue0;}"),
             out);
    QVERIFY(out.contains("\\cf1 r"));
    QVERIFY(out.contains("\\cf2\\cb1\\highlight1 b"));
    QVERIFY(out.contains("\\cf3 k"));
}

void TestRtfWriter::nonAsciiAndEscapes()
{
    struct Case {
        QString text;
        QByteArray expected;
    } cases[] = {
        {QString::fromUtf8("caf\u00e9"), "caf\\u233\\'e9"},
        {QString::fromUtf8("\u20ac"), "\\u8364\\'80"},   // in Windows-1252 above 0x7F
        {QString::fromUtf8("\u2014"), "\\u8212\\'97"},
        {QString::fromUtf8("\u4e2d"), "\\u20013?"},       // no ANSI form
        {QString::fromUtf8("\ufffd"), "\\u-3?"},          // above 32767: negative
        {QString::fromUtf8("\U0001F600"), "\\u-10179?\\u-8704?"}, // surrogates, each its own \u
        {QStringLiteral("a\\b{c}d"), "a\\\\b\\{c\\}d"},
        {QStringLiteral("a\tb"), "a\\tab b"},
        {QStringLiteral("a") + QChar(QChar::LineSeparator) + QStringLiteral("b"), "a\\line b"},
        {QStringLiteral("a") + QChar(0xA0) + QStringLiteral("b"), "a\\~b"},
        // text after a control word: the delimiting blank is added only when
        // the text would otherwise run into the word
        {QStringLiteral("\t1"), "\\tab 1"},
        {QStringLiteral("\t-"), "\\tab -"},
        {QStringLiteral("\t "), "\\tab  "},
        {QStringLiteral("\t."), "\\tab."},
    };
    for (const Case &t : cases) {
        const QByteArray out = body(writeOne(t.text, QTextCharFormat()));
        QVERIFY2(out.contains(t.expected), qPrintable(t.text + " -> " + out));
    }

    // all of it 7-bit, whatever the text
    QString every;
    for (int u = 1; u < 0x3000; u += 7)
        every += QChar(u);
    const QByteArray out = writeOne(every, QTextCharFormat());
    for (char ch : out)
        QVERIFY(uchar(ch) < 0x80);
}

void TestRtfWriter::lineLengths()
{
    QTextDocument doc;
    QTextCursor c(&doc);
    QString words;
    for (int i = 0; i < 2000; ++i)
        words += QStringLiteral("word%1 ").arg(i);
    c.insertText(words);
    c.insertBlock();
    c.insertText(QString(5000, QLatin1Char('x'))); // no blank anywhere, like encrypted text
    c.insertBlock();
    c.insertText(QString(3000, QChar(0x4e2d)));
    c.insertBlock();
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    for (int i = 0; i < 500; ++i)
        c.insertText(QStringLiteral("ab"), i % 2 ? bold : QTextCharFormat());
    const QByteArray out = rtf::write(&doc);
    for (const QByteArray &line : out.split('\n'))
        QVERIFY2(line.size() <= 512, line.left(80));

    if (!readerAvailable())
        QSKIP("the reader is not there yet");
    QTextDocument back;
    QVERIFY(rtf::read(out, &back));
    QCOMPARE(back.toPlainText(), doc.toPlainText()); // no blank added where lines break
}

void TestRtfWriter::links()
{
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText("see ");
    QTextCharFormat link;
    link.setAnchor(true);
    link.setAnchorHref("https://example.com/a?b=1&c=\"q\"");
    link.setFontUnderline(true);
    c.insertText("the ", link);
    QTextCharFormat boldLink = link;
    boldLink.setFontWeight(QFont::Bold);
    c.insertText("site", boldLink); // one link, two runs
    c.insertText(" now", QTextCharFormat());
    const QByteArray out = body(rtf::write(&doc));
    QCOMPARE(out.count("\\field"), 1);
    QVERIFY2(out.contains("{\\field{\\*\\fldinst{HYPERLINK \"https://example.com/a?b=1&c=%22q%22\"}}"
                          "{\\fldrslt{"),
             out);
    const qsizetype rs = out.indexOf("\\fldrslt");
    const qsizetype end = out.indexOf("}}}", rs);
    QVERIFY(end > rs);
    const QByteArray result = out.mid(rs, end - rs);
    QVERIFY(result.contains("the "));
    QVERIFY(result.contains("site"));
    QVERIFY(hasWord(result, "\\b"));
    QVERIFY(out.mid(end).contains(" now"));

    // a place inside the document: Word's \l switch
    QTextDocument inside;
    QTextCharFormat jump;
    jump.setAnchor(true);
    jump.setAnchorHref("#part2");
    QTextCursor(&inside).insertText("go", jump);
    QVERIFY(rtf::write(&inside).contains("{\\*\\fldinst{HYPERLINK \\\\l \"part2\"}}"));
}

void TestRtfWriter::tables()
{
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText("before");
    c.insertBlock();
    QTextTableFormat tf;
    tf.setColumnWidthConstraints({QTextLength(QTextLength::FixedLength, 96),
                                  QTextLength(QTextLength::VariableLength, 0),
                                  QTextLength(QTextLength::PercentageLength, 25)});
    QTextTable *t = c.insertTable(3, 3, tf);
    const char *texts[3][3] = {{"a1", "b1", "c1"}, {"a2", "b2", "c2"}, {"a3", "b3", "c3"}};
    for (int r = 0; r < 3; ++r)
        for (int col = 0; col < 3; ++col)
            t->cellAt(r, col).firstCursorPosition().insertText(QString::fromLatin1(texts[r][col]));
    // a second paragraph in one cell
    QTextCursor cc = t->cellAt(0, 1).lastCursorPosition();
    cc.insertBlock();
    cc.insertText("b1 more");
    t->mergeCells(2, 0, 1, 2); // a3 spans two columns and takes in b3's text
    c.movePosition(QTextCursor::End);
    c.insertText("after");

    const QByteArray out = body(rtf::write(&doc));
    QCOMPARE(countWord(out, "\\trowd"), 3);
    QCOMPARE(countWord(out, "\\row"), 3);
    QCOMPARE(countWord(out, "\\cell"), 8);
    QCOMPARE(countWord(out, "\\cellx"), 8);
    // 96 px = 1440 twips; 25 % of the 9360-twip text width; the rest between
    QVERIFY2(out.contains("\\cellx1440") && out.contains("\\cellx7020") && out.contains("\\cellx9360"),
             out);
    // the merged cell ends at the right edge of the column it spans to
    const qsizetype lastRow = out.lastIndexOf("\\trowd");
    QCOMPARE(countWord(out.mid(lastRow), "\\cellx"), 2);
    QVERIFY(out.mid(lastRow).contains("\\cellx7020"));
    // the text in reading order, inside the table paragraphs marked \intbl
    const QList<QByteArray> order = {"before", "a1", "b1", "b1 more", "c1", "a2", "b2", "c2", "a3",
                                     "b3", "c3", "after"};
    qsizetype pos = 0;
    for (const QByteArray &s : order) {
        const qsizetype at = out.indexOf(s, pos);
        QVERIFY2(at >= 0, s);
        pos = at + s.size();
    }
    QVERIFY(out.contains("b1\\par"));
    QCOMPARE(countWord(out, "\\intbl"), 9 + out.count("b3\\par"));
    // "before" ends its paragraph; the paragraph after the table is no cell
    QVERIFY(out.contains("before\\par"));
    const qsizetype afterAt = out.indexOf("after");
    const qsizetype pardAt = out.lastIndexOf("\\pard", afterAt);
    QVERIFY(!out.mid(pardAt, afterAt - pardAt).contains("\\intbl"));
}

void TestRtfWriter::picture()
{
    QTextDocument doc;
    QImage img(3, 2, QImage::Format_RGB32);
    img.fill(Qt::red);
    doc.addResource(QTextDocument::ImageResource, QUrl("mem:red"), img);
    QTextCursor c(&doc);
    c.insertText("x");
    QTextImageFormat imf;
    imf.setName("mem:red");
    imf.setWidth(30);
    c.insertImage(imf);
    imf.setName("mem:missing"); // no such resource: left out
    c.insertImage(imf);
    c.insertText("y");
    const QByteArray out = body(rtf::write(&doc));
    QCOMPARE(out.count("{\\pict"), 1);
    QVERIFY(hasWord(out, "\\pngblip"));
    QVERIFY(hasWord(out, "\\picw3"));
    QVERIFY(hasWord(out, "\\pich2"));
    QVERIFY(hasWord(out, "\\picwgoal450"));
    QVERIFY(hasWord(out, "\\pichgoal30"));
    // the hex is a PNG that decodes to the same picture
    const qsizetype start = out.indexOf("89504e47");
    QVERIFY(start > 0);
    QByteArray hex = out.mid(start, out.indexOf('}', start) - start);
    hex.replace("\r\n", "");
    QImage back = QImage::fromData(QByteArray::fromHex(hex), "PNG");
    QCOMPARE(back.size(), img.size());
    QCOMPARE(back.pixelColor(1, 1), QColor(Qt::red));
    QVERIFY(out.indexOf("y") > out.indexOf("{\\pict"));
}

void TestRtfWriter::roundTripFiles_data()
{
    QTest::addColumn<QString>("path");
    QStringList dirs = {QStringLiteral(QUILLET_TEST_DATA "/writer"),
                        QStringLiteral(QUILLET_TEST_DATA "/corpus")};
    for (const QString &d : dirs) {
        const QDir dir(d);
        for (const QString &f : dir.entryList({"*.rtf"}, QDir::Files, QDir::Name))
            QTest::newRow(qPrintable(f)) << dir.filePath(f);
    }
}

// Read, write, read: the same text and formatting; the second write equals
// the first byte for byte.
void TestRtfWriter::roundTripFiles()
{
    if (!readerAvailable())
        QSKIP("the reader is not there yet");
    QFETCH(QString, path);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QTextDocument d1;
    QVERIFY(rtf::read(f.readAll(), &d1));
    QVERIFY(!d1.toPlainText().trimmed().isEmpty());
    const QByteArray w1 = rtf::write(&d1);
    QTextDocument d2;
    QVERIFY(rtf::read(w1, &d2));
    const QString diff = differences(d1, d2);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    const QByteArray w2 = rtf::write(&d2);
    if (w1 != w2) {
        const QList<QByteArray> l1 = w1.split('\n'), l2 = w2.split('\n');
        for (int i = 0; i < qMin(l1.size(), l2.size()); ++i)
            if (l1[i] != l2[i])
                QFAIL(qPrintable(QStringLiteral("line %1:\n%2\n%3")
                                     .arg(i + 1)
                                     .arg(QString::fromLatin1(l1[i]), QString::fromLatin1(l2[i]))));
        QCOMPARE(w1.size(), w2.size());
    }
}

// Documents built in the editor's way (through a cursor) survive the trip
// through RTF with the formatting the writer knows.
void TestRtfWriter::roundTripBuilt()
{
    if (!readerAvailable())
        QSKIP("the reader is not there yet");
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextCharFormat f;
    f.setFontFamilies({"MS Sans Serif"});
    f.setFontPointSize(8);
    c.insertText("Plain ", f);
    QTextCharFormat g = f;
    g.setFontWeight(QFont::Bold);
    g.setForeground(QColor(0x12, 0x34, 0x56));
    c.insertText("bold blue ", g);
    g = f;
    g.setFontItalic(true);
    g.setFontUnderline(true);
    g.setFontStrikeOut(true);
    g.setBackground(QColor(Qt::yellow));
    c.insertText(QString::fromUtf8("all \u00e9\u20ac\u4e2d\U0001F600 "), g);
    g = f;
    g.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    c.insertText("2", g);
    g = f;
    g.setFontFamilies({"Courier New"});
    g.setFontPointSize(10.5);
    c.insertText(QStringLiteral(" {x}\\y\t1") + QChar(QChar::LineSeparator) + QStringLiteral("-z")
                     + QChar(0xA0),
                 g);
    QTextBlockFormat bf;
    bf.setAlignment(Qt::AlignRight);
    bf.setLeftMargin(10);
    bf.setTextIndent(-5);
    bf.setTopMargin(3);
    bf.setBottomMargin(4.5);
    c.insertBlock(bf);
    QTextCharFormat link = f;
    link.setAnchor(true);
    link.setAnchorHref("https://example.org/");
    c.insertText("link", link);
    c.insertText(" text", f);
    c.insertBlock(QTextBlockFormat());
    c.insertBlock(QTextBlockFormat()); // an empty paragraph between
    c.insertText("last", f);
    QImage img(4, 3, QImage::Format_ARGB32);
    img.fill(QColor(10, 200, 30, 128));
    doc.addResource(QTextDocument::ImageResource, QUrl("mem:pic"), img);
    QTextImageFormat imf;
    imf.setName("mem:pic");
    c.insertImage(imf);
    link.setAnchorHref("#last");
    c.insertText("jump", link);

    const QByteArray w1 = rtf::write(&doc);
    QTextDocument d1;
    QVERIFY(rtf::read(w1, &d1));
    QString diff = differences(doc, d1);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    const QByteArray w2 = rtf::write(&d1);
    QCOMPARE(w2, w1);
}

// Table structure survives: where tables sit among the paragraphs, and
// tables inside table cells.
void TestRtfWriter::roundTripTables()
{
    if (!readerAvailable())
        QSKIP("the reader is not there yet");
    // each block's text with its table depth
    auto shape = [](const QTextDocument &d) {
        QStringList out;
        for (QTextBlock b = d.begin(); b.isValid(); b = b.next()) {
            int depth = 0;
            for (QTextFrame *f = QTextCursor(b).currentFrame(); f; f = f->parentFrame())
                depth += qobject_cast<QTextTable *>(f) != nullptr;
            out << QStringLiteral("%1:%2").arg(depth).arg(b.text());
        }
        return out;
    };

    QTextDocument doc;
    QTextCursor c(&doc);
    QTextTable *first = c.insertTable(1, 2); // at the very start
    first->cellAt(0, 1).firstCursorPosition().insertText("top right");
    c.movePosition(QTextCursor::End);
    c.insertText("between");
    QTextTable *outer = c.insertTable(2, 2); // right after a paragraph's text
    outer->cellAt(0, 0).firstCursorPosition().insertText("outer");
    QTextCursor cc = outer->cellAt(1, 1).firstCursorPosition();
    cc.insertText("before inner");
    QTextTable *inner = cc.insertTable(2, 2);
    inner->cellAt(0, 0).firstCursorPosition().insertText("inner");
    inner->cellAt(1, 1).firstCursorPosition().insertTable(1, 1)->cellAt(0, 0).firstCursorPosition().insertText(
        "deep");
    outer->cellAt(1, 1).lastCursorPosition().insertText("after inner");
    c.movePosition(QTextCursor::End);
    c.insertBlock();
    c.insertText("end");

    const QByteArray w1 = rtf::write(&doc);
    QVERIFY(hasWord(w1, "\\itap3"));
    QTextDocument back;
    QVERIFY(rtf::read(w1, &back));
    QCOMPARE(shape(back), shape(doc));
    QCOMPARE(rtf::write(&back), w1);
}

QTEST_MAIN(TestRtfWriter)
#include "tst_rtfwriter.moc"
