// The RTF writer: what it writes for each kind of content, and that what it
// writes reads back the same and writes again byte for byte.

#include "RtfTestUtil.h"

#include <QDir>
#include <QBuffer>
#include <QImage>
#include <QRegularExpression>
#include <QtTest>

#include <functional>

using namespace rtftest;

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

// The body of the RTF: everything after the header's tables.
QByteArray body(const QByteArray &rtf)
{
    const qsizetype i = rtf.indexOf("\\pard");
    return i < 0 ? QByteArray() : rtf.mid(i);
}

} // namespace

class TestRtfWriter : public QObject {
    Q_OBJECT

private slots:
    void wholeFile();
    void lineLengths();
    void tables();
    void picture();
    void roundTripFiles_data();
    void roundTripFiles();
    void roundTripTables();
};

// One document with a run of each look, the escapes, links and paragraph
// formats; the file is pinned byte for byte and survives the round trip.
void TestRtfWriter::wholeFile()
{
    using Set = std::function<void(QTextCharFormat &)>;
    auto fg = [](QColor c) { return [c](QTextCharFormat &f) { f.setForeground(c); }; };
    auto faces = [](QStringList l) { return [l](QTextCharFormat &f) { f.setFontFamilies(l); }; };
    const struct {
        const char16_t *text;
        Set set;
    } runs[] = {
        {u"plain ", [](QTextCharFormat &) {}},
        {u"bold ", [](QTextCharFormat &f) { f.setFontWeight(QFont::Bold); }},
        {u"black ", [](QTextCharFormat &f) { f.setFontWeight(QFont::Black); }},
        {u"demi ", [](QTextCharFormat &f) { f.setFontWeight(QFont::DemiBold); }}, // not bold
        {u"it ", [](QTextCharFormat &f) { f.setFontItalic(true); }},
        {u"ul ", [](QTextCharFormat &f) { f.setFontUnderline(true); }},
        {u"wave ", [](QTextCharFormat &f) { f.setUnderlineStyle(QTextCharFormat::WaveUnderline); }},
        {u"strike ", [](QTextCharFormat &f) { f.setFontStrikeOut(true); }},
        {u"sup", [](QTextCharFormat &f) { f.setVerticalAlignment(QTextCharFormat::AlignSuperScript); }},
        {u"sub", [](QTextCharFormat &f) { f.setVerticalAlignment(QTextCharFormat::AlignSubScript); }},
        {u" 10.5 ", [](QTextCharFormat &f) { f.setFontPointSize(10.5); }},
        {u"7.3 ", [](QTextCharFormat &f) { f.setFontPointSize(7.3); }}, // half points, rounded
        {u"red ", fg(QColor(255, 0, 0))},
        {u"back ", [](QTextCharFormat &f) { f.setBackground(QColor(255, 255, 0)); }},
        {u"all ", [](QTextCharFormat &f) {
             f.setFontItalic(true), f.setFontUnderline(true), f.setFontStrikeOut(true);
             f.setForeground(QColor(0, 0, 255)), f.setBackground(QColor(255, 0, 0));
         }},
        {u"k ", fg(Qt::black)}, // explicit black is a colour, not "auto"
        {u"ms ", faces({"MS Sans Serif", "Arial"})}, // the first is the face
        {u"wing ", [](QTextCharFormat &f) { f.setProperty(QTextFormat::FontFamily, QStringLiteral("Wingdings")); }},
        {u"odd ", faces({"Odd {Face}; Name"})},
        {u"ms", faces({"MS Sans Serif"})}, // again: no second entry
        {u"caf\u00e9\u20ac\u2014\u4e2d\ufffd\U0001F600 a\\b{c}d a\tb a\u2028b a\u00a0b \t1\t-\t \t.", {}},
    };
    QTextDocument doc;
    doc.setDefaultFont(QFont("Liberation Serif", 12));
    QTextCursor c(&doc);
    for (const auto &r : runs) {
        QTextCharFormat f;
        if (r.set)
            r.set(f);
        c.insertText(QString::fromUtf16(r.text), f);
    }
    QTextCharFormat link;
    link.setAnchor(true);
    link.setAnchorHref("https://example.com/a?b=1&c=\"q\"");
    c.insertBlock();
    c.insertText("the ", link);
    link.setFontWeight(QFont::Bold);
    c.insertText("site", link); // one link, two runs
    c.insertText(" now ", QTextCharFormat());
    link.setAnchorHref("#part2"); // a place inside the document: Word's \l switch
    c.insertText("go", link);
    for (Qt::Alignment a : {Qt::AlignHCenter, Qt::AlignRight, Qt::AlignJustify}) {
        QTextBlockFormat bf;
        bf.setAlignment(a);
        c.insertBlock(bf);
        c.insertText(QStringLiteral("para"), QTextCharFormat());
    }
    QTextBlockFormat bf;
    bf.setLeftMargin(48);    // pixels at 96 dpi: 720 twips
    bf.setRightMargin(18.2); // rounded to the twip
    bf.setTextIndent(-24);
    bf.setTopMargin(8);
    bf.setBottomMargin(16);
    c.insertBlock(bf);
    c.insertText("indented");
    c.insertBlock(QTextBlockFormat()); // trailing empty paragraphs survive
    c.insertBlock();
    const QByteArray out = rtf::write(&doc);
    QCOMPARE(out.split('\n'), QByteArray(
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\r\n"
        "{\\fonttbl{\\f0\\froman\\fcharset0 Liberation Serif;}{\\f1\\fswiss\\fcharset0 MS Sans Serif;}{"
        "\\f2\\ftech\\fcharset0 Wingdings;}{\\f3\\fnil\\fcharset0 Odd \\{Face\\}\\'3b Name;}}\r\n"
        "{\\colortbl;\\red255\\green0\\blue0;\\red255\\green255\\blue0;\\red0\\green0\\blue255;\\red0\\green0"
        "\\blue0;}\r\n"
        "{\\*\\generator Quillet 99 2.0;}\\viewkind4\\deftab1200\r\n"
        "\\pard\\plain\\f0\\fs24 plain \\plain\\f0\\fs24\\b bold black \\plain\\f0\\fs24 demi \\plain\\f0\\fs24"
        "\\i it \\plain\\f0\\fs24\\ul ul \\plain\\f0\\fs24\\ulwave wave \\plain\\f0\\fs24\\strike strike {"
        "\\plain\\f0\\fs24\\super sup}\\plain\\f0\\fs24\\sub sub\r\n"
        "\\plain\\f0\\fs21  10.5 \\plain\\f0\\fs15 7.3 \\plain\\f0\\fs24\\cf1 red \\plain\\f0\\fs24\\cb2"
        "\\highlight2 back \\plain\\f0\\fs24\\i\\ul\\strike\\cf3\\cb1\\highlight1 all \\plain\\f0\\fs24\\cf4 k "
        "\\plain\\f1\\fs24 ms \\plain\\f2\\fs24 wing \r\n"
        "\\plain\\f3\\fs24 odd \\plain\\f1\\fs24 ms\\plain\\f0\\fs24 caf\\u233\\'e9\\u8364\\'80\\u8212\\'97"
        "\\u20013?\\u-3?\\u-10179?\\u-8704? a\\\\b\\{c\\}d a\\tab b a\\line b a\\~b \\tab 1\\tab -\\tab  \\tab."
        "\\par\r\n"
        "\\pard{\\field{\\*\\fldinst{HYPERLINK \"https://example.com/a?b=1&c=%22q%22\"}}{\\fldrslt{\\plain"
        "\\f0\\fs24 the \\plain\\f0\\fs24\\b site}}}\\plain\\f0\\fs24  now {\\field{\\*\\fldinst{HYPERLINK \\"
        "\\l \"part2\"}}{\\fldrslt{\\plain\\f0\\fs24\\b go}}}\r\n"
        "\\par\r\n"
        "\\pard\\qc\\plain\\f0\\fs24 para\\par\r\n"
        "\\pard\\qr\\plain\\f0\\fs24 para\\par\r\n"
        "\\pard\\qj\\plain\\f0\\fs24 para\\par\r\n"
        "\\pard\\li720\\ri273\\fi-360\\sb120\\sa240\\plain\\f0\\fs24 indented\\par\r\n"
        "\\pard\\plain\\f0\\fs24\\par\r\n"
        "\\pard\\plain\\f0\\fs24\\par\r\n"
        "}\r\n").split('\n'));
    // The address reads back escaped, the same one; a wave reads back as a plain underline.
    QTextCharFormat escaped, single;
    escaped.setAnchorHref("https://example.com/a?b=1&c=%22q%22");
    doc.find("the site").mergeCharFormat(escaped);
    single.setUnderlineStyle(QTextCharFormat::SingleUnderline);
    doc.find("wave ").mergeCharFormat(single);
    checkStable(doc);
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
    for (int u = 0x20; u < 0x3000; u += 7)
        c.insertText(QString(QChar(u)));
    c.insertBlock();
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    for (int i = 0; i < 500; ++i)
        c.insertText(QStringLiteral("ab"), i % 2 ? bold : QTextCharFormat());
    const QByteArray out = rtf::write(&doc);
    for (const QByteArray &line : out.split('\n'))
        QVERIFY2(line.size() <= 512, line.left(80));
    QVERIFY(std::all_of(out.begin(), out.end(), [](char ch) { return uchar(ch) < 0x80; }));
    QCOMPARE(plain(out), doc.toPlainText()); // no blank added where lines break
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
    for (int r = 0; r < 3; ++r)
        for (int col = 0; col < 3; ++col)
            t->cellAt(r, col).firstCursorPosition().insertText(QString(QChar(u'a' + col)) + QString::number(r + 1));
    QTextCursor cc = t->cellAt(0, 1).lastCursorPosition(); // a second paragraph in one cell
    cc.insertBlock();
    cc.insertText("b1 more");
    t->mergeCells(2, 0, 1, 2); // a3 spans two columns and takes in b3's text
    c.movePosition(QTextCursor::End);
    c.insertText("after");

    const QByteArray out = rtf::write(&doc);
    QCOMPARE(countWord(out, "\\row"), 3);
    QCOMPARE(countWord(out, "\\cell"), 8);
    // 96 px = 1440 twips; 25 % of the 9360-twip text width; the rest between;
    // the merged cell ends at the right edge of the column it spans to
    QStringList edges;
    for (const auto &m : QRegularExpression(QStringLiteral("\\\\cellx(\\d+)")).globalMatch(QString::fromLatin1(out)))
        edges << m.captured(1);
    QCOMPARE(edges.join(u' '), QStringLiteral("1440 7020 9360 1440 7020 9360 7020 9360"));
    // every paragraph reads back in its place, in or out of the table (the
    // reader does not rebuild the merge, so the last row may have a blank cell)
    const QString back = structure(*load(out));
    QVERIFY2(back.startsWith(QLatin1String("before [a1|b1 b1 more|c1/a2|b2|c2/a3 b3|c3"))
                 && back.endsWith(QLatin1String("] after")), qPrintable(back));
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
    int lost = 0;
    const QByteArray out = body(rtf::write(&doc, &lost));
    QCOMPARE(lost, 1); // said, not silent
    QCOMPARE(out.count("{\\pict"), 1);
    for (const char *w : {"\\pngblip", "\\picw3", "\\pich2", "\\picwgoal450", "\\pichgoal30"})
        QVERIFY2(hasWord(out, w), w);
    // the hex is a PNG that decodes to the same picture
    const qsizetype start = out.indexOf("89504e47");
    QVERIFY(start > 0);
    const QByteArray hex = out.mid(start, out.indexOf('}', start) - start).replace("\r\n", "");
    const QImage back = QImage::fromData(QByteArray::fromHex(hex), "PNG");
    QCOMPARE(back.size(), img.size());
    QCOMPARE(back.pixelColor(1, 1), QColor(Qt::red));
    QVERIFY(out.indexOf("y") > out.indexOf("{\\pict"));

    // A photo over Qt's image size limit does not decode: its bytes go out
    // as they came, sized from their header.
    auto big = load(fileData(QStringLiteral(QUILLET_TEST_DATA "/writer/huge-photo.rtf")));
    const QByteArray bigOut = rtf::write(big.get(), &lost);
    QCOMPARE(lost, 0);
    QVERIFY2(bigOut.contains("\\picw7360\\pich4912") && bigOut.contains("4948445200001cc000001330"), bigOut);
}

void TestRtfWriter::roundTripFiles_data()
{
    QTest::addColumn<QString>("path");
    for (const char *sub : {"corpus", "rtf", "writer"}) {
        const QDir dir(QStringLiteral(QUILLET_TEST_DATA "/") + QLatin1String(sub));
        for (const QString &f : dir.entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name))
            QTest::newRow(qPrintable(f)) << dir.filePath(f);
    }
}

void TestRtfWriter::roundTripFiles()
{
    QFETCH(QString, path);
    auto doc = load(fileData(path));
    QVERIFY(doc);
    QVERIFY(!doc->toPlainText().trimmed().isEmpty());
    checkStable(*doc, false);
}

// Where tables sit among the paragraphs, and tables inside table cells.
void TestRtfWriter::roundTripTables()
{
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
    inner->cellAt(1, 1).firstCursorPosition().insertTable(1, 1)->cellAt(0, 0).firstCursorPosition().insertText("deep");
    outer->cellAt(1, 1).lastCursorPosition().insertText("after inner");
    c.movePosition(QTextCursor::End);
    c.insertBlock();
    c.insertText("end");
    QVERIFY(hasWord(rtf::write(&doc), "\\itap3"));
    checkStable(doc, false);
}

QTEST_MAIN(TestRtfWriter)
#include "tst_rtfwriter.moc"
