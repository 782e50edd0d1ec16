// The RTF reader against real files and against small fixtures of each
// dialect feature; formatting is checked on the resulting QTextDocument.

#include "RtfTestUtil.h"

#include <QRegularExpression>

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QRandomGenerator>
#include <QTest>
#include <QTextImageFormat>
#include <QTextList>

using namespace rtftest;

class TestRtfReader : public QObject {
    Q_OBJECT

private slots:
    void notRtfLeavesDocument();
    void progressAndCancel();
    void text_data();
    void text();
    void dialectFiles();
    void characterFormatting();
    void paragraphFormatting();
    void hyperlinks();
    void tables();
    void images();
    void hostileInput();
    void inputShapes();
    void fuzzFindings();
};

void TestRtfReader::notRtfLeavesDocument()
{
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("keep me"));
    for (const QByteArray &bad : {QByteArray(), QByteArray("hello"), QByteArray(" {\\rtf1 x}"),
                                  QByteArray("{\\rt"), QByteArray("\xEF\xBB\xBF{\\rtf1 x}"),
                                  QByteArray("{\\RTF1 x}")}) {
        QVERIFY(!rtf::isRtf(bad));
        QVERIFY(!rtf::read(bad, &doc));
        QCOMPARE(doc.toPlainText(), QStringLiteral("keep me"));
    }
    QVERIFY(rtf::read("{\\rtf1 new}", &doc));
    QCOMPARE(doc.toPlainText(), QStringLiteral("new"));
    QVERIFY(!rtf::read("{\\rtf1 x}", nullptr));
}

void TestRtfReader::progressAndCancel()
{
    QByteArray data = "{\\rtf1\\ansi ";
    while (data.size() < 5 * 512 * 1024)
        data += "some {\\b bold} words\\par ";
    data += "}";
    QTextDocument whole;
    QList<qint64> seen;
    bool totalsRight = true;
    QVERIFY(rtf::read(data, &whole, [&](qint64 done, qint64 total) {
        totalsRight &= total == data.size();
        seen << done;
        return true;
    }));
    QVERIFY(totalsRight);
    QVERIFY(seen.size() >= 2);
    QVERIFY(std::is_sorted(seen.begin(), seen.end()));
    QVERIFY(seen.last() <= data.size());
    QCOMPARE(whole.toPlainText(), load(data)->toPlainText()); // reports change nothing read
    // Cancelled at the second report: reading stops there and says so.
    QTextDocument part;
    int calls = 0;
    QVERIFY(!rtf::read(data, &part, [&](qint64, qint64) { return ++calls < 2; }));
    QCOMPARE(calls, 2);
    QVERIFY(part.characterCount() < whole.characterCount() / 2);
}

void TestRtfReader::text_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("look"); // of the first character, when given
    auto row = [](const char *name, const QByteArray &rtf, const char16_t *text, const char16_t *look = u"") {
        QTest::newRow(name) << rtf << QString::fromUtf16(text) << QString::fromUtf16(look);
    };
    // Code pages: the file's, the font's \fcharset or \cpg, double-byte pages.
    row("1251", "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fcharset204 Arial;}}"
                "\\f0 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}", u"Привет");
    row("page follows font", "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset161 Arial Greek;}}"
                             "\\f0 caf\\'e9 {\\f1 \\'e1\\'e2}}", u"café αβ");
    // "\'83n" is a \'hh lead byte with a literal trail byte: katakana HA.
    row("932", "{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset128 MS Mincho;}}"
               "\\f0 \\'82\\'a0\\'83n\\'93\\'fa}", u"あハ日");
    row("cpg932", "{\\rtf1\\ansi{\\fonttbl{\\f0\\cpg932 MS Gothic;}}\\f0 \\'82\\'a0}", u"あ");
    row("936", "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset134 SimSun;}}\\f0 \\'d6\\'d0\\'ce\\'c4}", u"中文");
    row("949", "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset129 Gulim;}}\\f0 \\'c7\\'d1\\'b1\\'db}", u"한글");
    row("950", "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset136 MingLiU;}}\\f0 \\'a4\\'a4\\'a4\\'e5}", u"中文");
    row("mac", "{\\rtf1\\mac caf\\'8e}", u"café");
    row("pc", "{\\rtf1\\pc caf\\'82}", u"café");
    row("pca", "{\\rtf1\\pca \\'9c}", u"£");
    row("literal 8-bit", "{\\rtf1\\ansi\\ansicpg1251 \xcf\xf0\xe8}", u"При");
    row("unknown page", "{\\rtf1\\ansi\\ansicpg99999 \\'e9}", u"é");
    // \uN and its fallback: \uc0 drops nothing, \uc2 counts \'hh and literals alike.
    row("uc1", "{\\rtf1 a\\u233\\'e9b\\u233?c}", u"aébéc");
    row("uc0", "{\\rtf1\\uc0 \\u8364 x}", u"€x");
    row("uc2", "{\\rtf1\\uc2 \\u12354\\'82\\'a0x\\u12354 ??y}", u"あxあy");
    row("uc2 mixed", "{\\rtf1\\uc2 \\u12354\\'82zy}", u"あy");
    row("negative u", "{\\rtf1 \\u-3913?}", u"\uF0B7");
    row("surrogates", "{\\rtf1 \\uc1\\u-10179?\\u-8704?}", u"😀");
    row("surrogates uc0", "{\\rtf1 \\uc0 \\u55357\\uc1 \\u56832\\'3f}", u"😀");
    row("uc scoped", "{\\rtf1 {\\uc0 \\u233}x\\u233 yz}", u"éxéz");
    row("group ends skip", "{\\rtf1\\uc3 {\\u233}abc}", u"éabc");
    row("word as fallback", "{\\rtf1\\uc1 \\u8212\\endash x}", u"—x");
    // Escapes, symbols and breaks.
    row("escapes", "{\\rtf1 a\\\\b\\{c\\}d}", u"a\\b{c}d");
    row("symbols", "{\\rtf1 a\\~b\\-c\\_d\\tab e\\line f\\emdash\\endash\\bullet"
                   "\\lquote\\rquote\\ldblquote\\rdblquote\\emspace\\enspace\\qmspace|}",
        u"a\u00A0b\u00ADc\u2011d\te\u2028f—–•‘’“”\u2003\u2002\u2005|");
    row("breaks", "{\\rtf1 a\\par b\\sect c\\page d\\\ne\\\r\nf}", u"a\nb\nc\nd\ne\nf");
    row("source line ends", "{\\rtf1 ab\r\ncd\\par}", u"abcd");
    row("empty paragraph", "{\\rtf1 a\\par\\par b\\par}", u"a\n\nb");
    row("delimiter blank", "{\\rtf1 \\b  x\\b0 y}", u" xy");
    // Destinations that are not text.
    row("skipped", "{\\rtf1{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}{\\author A}}"
                   "{\\*\\generator Gen;}{\\*\\themedata 0102ff}{\\*\\unknownthing junk{\\nested junk}}"
                   "{\\header head}{\\footerl foot}{\\*\\listtable{\\list x}}{\\*\\rsidtbl \\rsid1}"
                   "{\\*\\latentstyles{\\lsdlockedexcept x}}{\\*\\datastore 0105}{\\*\\xmlnstbl{\\xmlns1 u}}"
                   "{\\*\\pgdsctbl{\\pgdsc0 Default;}}{\\*\\revtbl{Unknown;}}{\\*\\colorschememapping 3c}"
                   "body{\\footnote note}{\\*\\bkmkstart b}{\\*\\bkmkend b} text"
                   "{\\field{\\*\\fldinst PAGE}{\\fldrslt 7}}"
                   "{\\object\\objemb{\\*\\objclass Paint}{\\*\\objdata 0102}{\\result res}}"
                   "{\\shp{\\*\\shpinst{\\sp{\\sn x}{\\sv y}}}}"
                   "{\\v hidden text\\par more}visible {\\v\\v0 shown}{\\*\\ud ignored}end}",
        u"body text7\uFFFC\uFFFCvisible shownend"); // the object and the shape are pictures
    // Truncated input reads as far as it goes; text after the end is not read.
    row("cut in group", "{\\rtf1 {\\b bold text", u"bold text");
    row("cut after backslash", "{\\rtf1 a\\par b\\", u"a\nb");
    row("cut in hex", "{\\rtf1 a\\'", u"a");
    row("object after text", "{\\rtf1 a{\\*\\do\\dpxsize15}{b\\*\\do\\dprect}c}", u"a\uFFFCbc"); // only a group of its own is one
    row("cut in object", "{\\rtf1 a{\\object\\objw10{\\result{\\pict\\wmetafile8 0100", u"a");
    row("cut in picture", "{\\rtf1 x{\\pict\\pngblip 89504e", u"x");
    row("after end", "{\\rtf1 a}b", u"a");
    // Huge \bin claims and numbers are bounded by what is there.
    row("huge bin", "{\\rtf1 a\\bin2147483647 xyz}", u"a");
    row("overflowing bin", "{\\rtf1 a\\bin99999999999999999999 xyz}", u"a");
    row("negative bin", "{\\rtf1 a\\bin-5 b}", u"ab");
    row("huge uc", "{\\rtf1\\uc2147483647 \\u65 abc}d", u"A");
    row("huge numbers", "{\\rtf1\\fs-99999999999 \\u-99999999 \\li99999999999 x}", u"x");
    // No leading "auto" entry: colour 0 is black, but the default
    // background, and \cb0 / \highlight0 / \chcbpat0, are no colour.
    row("no auto entry", "{\\rtf1{\\colortbl\\red0\\green0\\blue0;\\red255\\green255\\blue0;}x}", u"x", u"0000 v0 /  12");
    row("cb0", "{\\rtf1{\\colortbl\\red0\\green0\\blue0;\\red255\\green255\\blue0;}\\cb0\\highlight0\\chcbpat0 x}", u"x", u"0000 v0 /  12");
    row("cb1", "{\\rtf1{\\colortbl\\red0\\green0\\blue0;\\red255\\green255\\blue0;}\\cb1 x}", u"x", u"0000 v0 /#ffff00  12");
    // Word for Mac keeps its only font table in \upr; the \ud twin wins.
    row("upr", "{\\rtf1{\\upr{\\fonttbl{\\f0 Hiragino;}}{\\*\\ud{\\fonttbl{\\f0 \\u12498?Font;}}}}\\f0 x}", u"x", u"0000 v0 / ヒFont 12");
    // Mac CJK pages decode as their nearest Windows relative, never 1252.
    row("10001", "{\\rtf1\\ansi\\ansicpg10001 \\'82\\'a0}", u"あ");
    row("10002", "{\\rtf1\\ansi\\ansicpg10002 \\'a4\\'a4}", u"中");
    row("10003", "{\\rtf1\\ansi\\ansicpg10003 \\'c7\\'d1}", u"한");
    row("10008", "{\\rtf1\\ansi\\ansicpg10008 \\'d6\\'d0}", u"中");
    row("fcharset78", "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset78 Osaka;}}\\f0 \\'82\\'a0}", u"あ");
    // A Western font in a Big5 document is Windows-1252.
    row("fcharset0 in 950", "{\\rtf1\\ansi\\ansicpg950{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset136 MingLiU;}}"
                            "\\f0 \\'a9 {\\f1 \\'a4\\'a4}}", u"© 中");
    // One hex digit: the escape takes its two characters, nothing is left over.
    row("one hex digit", "{\\rtf1 a\\'3gb}", u"ab");
    row("one hex digit before brace", "{\\rtf1 a{\\'3}b}", u"ab");
    row("nul", "{\\rtf1 a\\'00b}", u"ab"); // no text, and nothing could write it back
    // A new look right after \tab that writes no words of its own.
    row("tab then part", "{\\rtf1 a\\tab b{\\v h}c}", u"a\tbc");
}

void TestRtfReader::text()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QFETCH(QString, look);
    // Raw text keeps no-break spaces and line breaks apart from blanks and paragraphs.
    auto doc = load(rtf);
    QVERIFY(doc);
    QCOMPARE(rtf::withoutStandIns(doc.get(), doc->toRawText()).replace(QChar::ParagraphSeparator, u'\n'), expected);
    if (!look.isEmpty())
        QCOMPARE(lookOf(doc.get(), expected.left(1)), look);
    checkStable(*doc);
}

void TestRtfReader::dialectFiles()
{
    // TextEdit: font entries without groups, \expandedcolortbl, \cocoa words,
    // "\" at the end of a line for a paragraph break.
    auto doc = load(fileData(QStringLiteral(QUILLET_TEST_DATA "/rtf/textedit.rtf")));
    QCOMPARE(doc->toPlainText(), QStringLiteral(u"Hello red café\ncode “q”"));
    QCOMPARE(lookOf(doc.get(), "red") + u'|' + lookOf(doc.get(), "code"), "0000 v0 #fb0007/ Helvetica 12|0000 v0 / Menlo-Regular 12");

    // A Japanese face name is itself in Shift-JIS.
    doc = load(fileData(QStringLiteral(QUILLET_TEST_DATA "/rtf/word-932.rtf")));
    QCOMPARE(lookOf(doc.get(), QStringLiteral(u"日")), QStringLiteral(u"0000 v0 / ＭＳ 明朝 12"));

    // Word 2016: themes, list tables, headers, footnotes (whose mark shows), data fields and
    // bookmarks around a little text.
    doc = load(fileData(QStringLiteral(QUILLET_TEST_DATA "/rtf/word-2016.rtf")));
    QVERIFY(doc);
    QTextDocument *d = doc.get();
    QCOMPARE(rtf::plainText(d),
             QStringLiteral(u"Title of the document\nBody with a red word, a footnote1 and a hyperlink.\n"
                            u"\u2022\tBullet item\nEm dash — and Рус."));
    QCOMPARE(lookOf(d, "Title") + u'|' + lookOf(d, "red") + u'|' + lookOf(d, "hyperlink"),
             "1000 v0 / Calibri 16|0000 v0 #ff0000/ Calibri 11|0010 v0 #0000ff/ Calibri 11 https://example.org/");
    QCOMPARE(blockOf(d, QStringLiteral("Body")).alignment(), Qt::AlignJustify);
    // A real list: its bullet is the Symbol font's B7, its marker hangs
    // 360 twips left of the text.
    QCOMPARE(formatDump(*d).filter(QStringLiteral(" list")),
             QStringList{QStringLiteral(u"P0 q1 li720 ri0 fi0 sb0 sa160 line1:107.917 list-1 '\u2022' fi-360"
                                        " {adjustright=0 aspalpha=0 aspnum=0 contextualspace=0 faauto=0 widctlpar=0 wrapdefault=0}")});
}

void TestRtfReader::characterFormatting()
{
    auto doc = load(
        "{\\rtf1\\ansi\\deff1{\\fonttbl{\\f0\\froman Times New Roman;}{\\f1\\fswiss Arial;}"
        "{\\f2\\fnil Not Installed Face;}{\\f3\\froman{\\*\\panose 02020603050405020304}Word Face{\\*\\falt Alt};}}"
        "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;\\red255\\green255\\blue0;\\red255\\green255\\blue255;}"
        "{\\dn4 lowered}{\\expnd2\\expndtw30 wide}{\\charscalex80 narrow}{\\cf4\\embo white}"
        "plain {\\ul under}{\\uldb dbl}{\\ulwave wave\\ulnone gone}{\\uldash dash}{\\ulthd dot}"
        "{\\strike struck}{\\striked dstruck}{\\super sup}{\\up6 raised}{\\super x\\nosupersub norm}"
        "{\\f2\\fs40 face}{\\cf2\\highlight3 blue}"
        "{\\b\\i\\ul\\cf1 all\\plain reset}{\\b x\\b0 unbold}{\\scaps small}{\\f3 wordface}}");
    const struct {
        const char *words, *expected;
    } cases[] = {
        {"plain gone norm reset unbold", "0000 v0 / Arial 12"}, // \deff1; each kind of "off"
        {"under dbl", "0010 v0 / Arial 12"}, // Qt draws no double line
        {"wave", "0060 v0 / Arial 12"},
        {"dash", "0020 v0 / Arial 12"},
        {"dot", "0030 v0 / Arial 12"},
        {"struck dstruck", "0001 v0 / Arial 12"},
        {"sup", "0000 v1 / Arial 12"},
        {"raised lowered wide narrow", "0000 v0 / Arial 12"}, // raised without shrinking
        {"face", "0000 v0 / Not Installed Face 20"},
        {"blue", "0000 v0 #0000ff/#ffff00 Arial 12"},
        {"all", "1110 v0 #ff0000/ Arial 12"},
        // Word puts a {\*\panose} group before the name, and {\*\falt} after it.
        {"wordface", "0000 v0 / Word Face 12"},
    };
    for (const auto &c : cases)
        for (const QString &w : QString::fromLatin1(c.words).split(u' '))
            QCOMPARE(lookOf(doc.get(), w), QString::fromLatin1(c.expected));
    QCOMPARE(formatOf(doc.get(), QStringLiteral("small")).fontCapitalization(), QFont::SmallCaps);
    // Shown where Qt can: offsets as a share of the size, spacing in pixels.
    QCOMPARE(formatOf(doc.get(), QStringLiteral("raised")).baselineOffset(), 25.0);
    QCOMPARE(formatOf(doc.get(), QStringLiteral("lowered")).baselineOffset(), -400 / 24.0);
    QCOMPARE(formatOf(doc.get(), QStringLiteral("wide")).fontLetterSpacing(), 2.0);
    QCOMPARE(formatOf(doc.get(), QStringLiteral("wide")).fontLetterSpacingType(), QFont::AbsoluteSpacing);
    QCOMPARE(formatOf(doc.get(), QStringLiteral("narrow")).fontStretch(), 80);
    QVERIFY(formatOf(doc.get(), QStringLiteral("white")).textOutline().style() != Qt::NoPen); // not white on white

    // Runs of equal format are one fragment each: text is batched, not split.
    doc = load("{\\rtf1 one {two} {\\b0 three}\\'e9\\u233?}");
    int fragments = 0;
    for (auto it = doc->firstBlock().begin(); !it.atEnd(); ++it)
        ++fragments;
    QCOMPARE(fragments, 1);
}

void TestRtfReader::paragraphFormatting()
{
    // \pard in a group ends with it; properties after the text still apply
    // to the paragraph they end. (Each property's value: the writer's round trip.)
    auto doc = load("{\\rtf1\\deftab720 \\pard\\li720\\qc indented\\par \\pard left\\par"
                    "{\\pard\\qc grouped\\par}after\\par \\pard text then props\\qc\\par}");
    QCOMPARE(formatDump(*doc).filter(QStringLiteral("P0")).join(u'|'),
             QStringLiteral("P0 q4 li720 ri0 fi0 sb0 sa0|P0 q1 li0 ri0 fi0 sb0 sa0|P0 q4 li0 ri0 fi0 sb0 sa0|"
                            "P0 q1 li0 ri0 fi0 sb0 sa0|P0 q4 li0 ri0 fi0 sb0 sa0"));
    // True size: 15 twips a pixel, so half an inch is 48 pixels at 96 dpi.
    QCOMPARE(doc->defaultTextOption().tabStopDistance(), 48.0);
    QCOMPARE(blockOf(doc.get(), QStringLiteral("indented")).leftMargin(), 48.0);
    QCOMPARE(load("{\\rtf1 x}")->defaultTextOption().tabStopDistance(), 48.0); // no \deftab: 720
}

void TestRtfReader::hyperlinks()
{
    auto doc = load(
        "{\\rtf1{\\colortbl;\\red0\\green0\\blue255;}see {\\field{\\*\\fldinst{HYPERLINK \"https://example.com/a?b=1\"}}"
        "{\\fldrslt{\\ul\\cf1 the site}}} and "
        "{\\field{\\*\\fldinst {\\rtlch HYPERLINK }{\\\\l \"top\" \\\\o \"tip\"}}{\\fldrslt {\\plain here}}}"
        " and {\\field{\\*\\fldinst HYPERLINK http://bare.org}{\\fldrslt bare}} not a link.}");
    QCOMPARE(doc->toPlainText(), QStringLiteral("see the site and here and bare not a link."));
    QStringList looks;
    for (const char *w : {"see", "the site", "here", "bare", "not a link"})
        looks << lookOf(doc.get(), w);
    QCOMPARE(looks, QStringList({"0000 v0 /  12", "0010 v0 #0000ff/  12 https://example.com/a?b=1", "0000 v0 /  12 #top",
                                 "0000 v0 /  12 http://bare.org", "0000 v0 /  12"}));
}

void TestRtfReader::tables()
{
    const struct {
        const char *name;
        QByteArray rtf;
        const char *expected;
    } cases[] = {
        // Word: row properties before the cells, \intbl paragraphs.
        {"word",
         "{\\rtf1 before\\par"
         "\\trowd\\cellx1000\\cellx2000\\cellx3000\\pard\\intbl {\\b A1}\\cell A2\\cell A3\\cell\\row"
         "\\trowd\\cellx1000\\cellx2000\\cellx3000\\pard\\intbl B1\\par second\\cell\\cell B3\\cell\\row"
         "\\pard after\\par}",
         "before [A1|A2|A3/B1 second||B3] after"},
        // A row with more cells than the first grows the table; no \intbl at
        // all still makes a table once \trowd has started a row.
        {"growing", "{\\rtf1\\trowd\\cellx100 a\\cell\\row\\trowd\\cellx100\\cellx200 b\\cell c\\cell\\row\\pard z}",
         "[a|/b|c] z"},
        // pandoc: each cell paragraph in its own group with \pard (which
        // clears \intbl) and ended by \par before \cell.
        {"pandoc",
         "{\\rtf1 {\n\\trowd \\trgaph120\n\\clbrdrb\\brdrs\\cellx4320\\clbrdrb\\brdrs\\cellx8640\n"
         "\\trkeep\\intbl\n{\n{\\intbl {\\pard \\ql \\f0 \\sa0 \\li0 \\fi0 Head A\\par}\n\\cell}\n"
         "{\\intbl {\\pard \\ql \\f0 \\sa0 \\li0 \\fi0 Head B\\par}\n\\cell}\n}\n\\intbl\\row}\n"
         "{\n\\trowd \\trgaph120\n\\cellx4320\\cellx8640\n\\trkeep\\intbl\n{\n"
         "{\\intbl {\\pard \\ql \\f0 \\sa0 \\li0 \\fi0 one\\par}\n\\cell}\n"
         "{\\intbl {\\pard \\qr \\f0 \\sa0 \\li0 \\fi0 two\\par}\n\\cell}\n}\n\\intbl\\row}\n"
         "{\\pard \\ql \\f0 \\sa180 \\li0 \\fi0 After.\\par}\n}",
         "[Head A|Head B/one|two] After."},
        {"two tables", "{\\rtf1\\trowd\\cellx100\\intbl a\\cell\\row\\pard mid\\par\\trowd\\cellx100\\intbl b\\cell\\row\\pard}",
         "[a] mid [b]"},
        // Word 2000+: nested cells end with \nestcell, nested rows with
        // \nestrow inside \nesttableprops; \nonesttables is for old readers.
        {"nested",
         "{\\rtf1\\trowd\\cellx3000\\cellx6000\\pard\\intbl\\itap1 outer1\\par"
         "\\pard\\intbl\\itap2 n11\\nestcell n12\\nestcell"
         "{\\*\\nesttableprops\\trowd\\cellx1000\\cellx2000\\nestrow}{\\nonesttables\\par}"
         "\\pard\\intbl\\itap2 n21\\nestcell n22\\nestcell"
         "{\\*\\nesttableprops\\trowd\\cellx1000\\cellx2000\\nestrow}{\\nonesttables\\par}"
         "\\pard\\intbl\\itap1 tail\\cell outer2\\cell\\row\\pard end}",
         "[outer1 [n11|n12/n21|n22] tail|outer2] end"},
        {"cut in a row", "{\\rtf1 \\trowd\\cellx100\\intbl a\\cell b", "[a|b]"},
        // A row whose only cell is merged into the one above.
        {"merged row", "{\\rtf1 \\trowd\\clvmgf\\cellx100\\pard\\intbl a\\cell\\row"
                       " \\trowd\\clvmrg\\cellx100\\pard\\intbl b\\cell\\row\\pard after\\par}", "[a b/] after"},
        // A note in a nested cell; cells past the 64th run into the last
        // one, a paragraph each, in order.
        {"in cells",
         "{\\rtf1\\trowd\\cellx100\\pard\\intbl\\itap1 x\\par\\pard\\intbl\\itap2 q{\\footnote n}r\\nestcell"
         "{\\*\\nesttableprops\\trowd\\cellx50\\nestrow}\\pard\\intbl\\itap1 y\\cell\\row\\pard\\par"
         "\\trowd\\intbl " + QByteArray("c\\cell ").repeated(64) + "more\\cell last\\cell\\row}",
         "[x [qr] y] [c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c|c more last]"},
    };
    for (const auto &c : cases) {
        auto doc = load(c.rtf);
        QVERIFY2(structure(*doc) == QLatin1String(c.expected), qPrintable(c.name + (": " + structure(*doc))));
    }
    auto doc = load(cases[0].rtf);
    QVERIFY(formatOf(doc.get(), QStringLiteral("A1")).fontWeight() >= QFont::Bold);
    // A list paragraph in a cell joins its list once the table is made.
    doc = load("{\\rtf1{\\*\\listtable{\\list\\listid1{\\listlevel\\levelnfc23{\\leveltext\\'01\\u8226 ?;}}}}"
               "{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}}"
               "\\trowd\\cellx1000\\pard\\intbl\\ls1 one\\par two\\cell\\row\\pard\\ls1 three\\par}");
    QVERIFY(doc->find(QStringLiteral("one")).block().textList());
    QVERIFY(doc->find(QStringLiteral("two")).block().textList());
    doc = load(cases[7].rtf);
    QCOMPARE(partList(*doc).size(), 1);
    doc = load(cases[2].rtf);
    QCOMPARE(blockOf(doc.get(), QStringLiteral("two")).alignment(), Qt::AlignRight);

    // A long table (bench_rtf --doubling times it): all its rows, no more,
    // in slices that continue the first.
    QByteArray longTable = "{\\rtf1 ";
    for (int r = 0; r < 3000; ++r)
        longTable += "\\trowd\\cellx100\\cellx200\\intbl r" + QByteArray::number(r) + "\\cell x\\cell\\row ";
    doc = load(longTable + "\\pard after}");
    const auto tables = tablesIn(doc->rootFrame());
    int rows = 0;
    for (QTextTable *t : tables) {
        QCOMPARE(t->format().boolProperty(rtf::kTableContinues), t != tables.first());
        rows += t->rows();
    }
    QCOMPARE(rows, 3000);
    QVERIFY(structure(*doc).endsWith(QStringLiteral("r2999|x] after")));
}

void TestRtfReader::images()
{
    QImage red(3, 2, QImage::Format_RGB32);
    red.fill(Qt::red);
    QByteArray png;
    QBuffer buf(&png);
    buf.open(QIODevice::WriteOnly);
    red.save(&buf, "PNG");
    const QByteArray hex = png.toHex();
    auto doc = load("{\\rtf1 a{\\pict\\pngblip\\picw3\\pich2\\picwgoal1440\\pichgoal720 " + hex + "}b"
                    "{\\*\\shppict{\\pict\\pngblip\\picscalex50\\picscaley200 " + hex + "}}"
                    "{\\nonshppict{\\pict\\wmetafile8 0102}}c"
                    "{\\pict\\emfblip 0102}{\\pict\\pngblip 00ff}"
                    "{\\pict\\wmetafile6\\picwgoal45\\pichgoal30 " + hex + "}d}");
    QTextDocument *d = doc.get();
    QList<QTextImageFormat> images;
    for (QTextBlock b = d->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                images.append(it.fragment().charFormat().toImageFormat());
    // The WMF that is not shown, the EMF and PNG that are no pictures are left
    // out; a PNG called a metafile is the PNG it is.
    QCOMPARE(images.size(), 3);
    QCOMPARE(QSizeF(images[0].width(), images[0].height()), QSizeF(96, 48)); // pixels at 96 dpi
    QCOMPARE(QSizeF(images[1].width(), images[1].height()), QSizeF(1.5, 4));
    QCOMPARE(QSizeF(images[2].width(), images[2].height()), QSizeF(3, 2));
    QImage img;
    QVERIFY(img.loadFromData(d->resource(QTextDocument::ImageResource, QUrl(images[0].name())).toByteArray()));
    QCOMPARE(img.size(), QSize(3, 2));
    QCOMPARE(d->toPlainText().remove(QChar::ObjectReplacementCharacter), QStringLiteral("abcd"));
    // in a nested table's cell, which is made after its content is read
    doc = load("{\\rtf1\\trowd\\cellx100\\intbl\\itap2 p{\\pict\\pngblip " + hex + "}q\\nestcell"
               "{\\*\\nesttableprops\\trowd\\cellx50\\nestrow}\\itap1\\cell\\row}");
    QCOMPARE(structure(*doc), QStringLiteral("[[p") + QChar::ObjectReplacementCharacter + QStringLiteral("q]]"));

    // Binary picture data after \bin, and \bin outside a picture is stepped over.
    doc = load("{\\rtf1 x{\\pict\\pngblip\\bin" + QByteArray::number(png.size()) + " " + png + "}y"
               "{\\*\\blob\\bin5 }}{}z}w}");
    QCOMPARE(doc->toPlainText(), QStringLiteral("x") + QChar::ObjectReplacementCharacter + QStringLiteral("yw"));
}

void TestRtfReader::hostileInput()
{
    // Very deep nesting neither overflows the stack nor loses the text around it.
    QCOMPARE(plain("{\\rtf1 a" + QByteArray(100000, '{') + "x" + QByteArray(100000, '}') + "b}"), QStringLiteral("ab"));
    QCOMPARE(plain("{\\rtf1 a" + QByteArray(500, '{') + "x" + QByteArray(500, '}') + "b}"), QStringLiteral("axb"));
    // A note's paragraphs may use the tab stops of the text around it.
    QCOMPARE(plain("{\\rtf1\\tx720 a{\\footnote b\\par}c\\par}").trimmed(), QStringLiteral("ac"));
    // Random bytes after the header never crash.
    QRandomGenerator rng(1234);
    const char alphabet[] = "{}\\\\\\'abcdefu0123456789-; \r\n*";
    for (int round = 0; round < 300; ++round) {
        QByteArray junk = "{\\rtf1";
        const int len = int(rng.bounded(400));
        for (int i = 0; i < len; ++i)
            junk += rng.bounded(3) ? alphabet[rng.bounded(int(sizeof alphabet) - 1)] : char(rng.bounded(256));
        QTextDocument d;
        QVERIFY(rtf::read(junk, &d));
    }
}

int tablesWithin(QTextFrame *frame)
{
    int n = 0;
    for (QTextFrame *child : frame->childFrames())
        n += qobject_cast<QTextTable *>(child) != nullptr ? 1 + tablesWithin(child) : tablesWithin(child);
    return n;
}

// Inputs whose size once multiplied in memory or time (bench_rtf --doubling
// times every shape): what they hold is kept, in proportion to the file.
void TestRtfReader::inputShapes()
{
    // One field whose result comes in many pieces: the link is taken once.
    const QByteArray url = "http://example.com/" + QByteArray(60000, 'u');
    auto doc = load("{\\rtf1 {\\field{\\*\\fldinst{HYPERLINK \"" + url + "\"}}"
                    + QByteArray("{\\fldrslt r}").repeated(10000) + "}}");
    QCOMPARE(doc->toPlainText(), QString(10000, u'r'));
    QCOMPARE(formatOf(doc.get(), QStringLiteral("rr")).anchorHref(), QString::fromLatin1(url));
    QVERIFY(doc->allFormats().size() < 20);

    // Rows each holding tables nested 16 deep: the tables there is room
    // for, the text of every row, and RTF out in proportion.
    QByteArray deep = "{\\rtf1 ";
    const int rows = 3000;
    for (int i = 0; i < rows; ++i)
        deep += "\\pard\\intbl\\itap16 d" + QByteArray::number(i)
            + "\\nestcell{\\*\\nesttableprops\\trowd\\cellx99\\nestrow}\\row\r\n";
    deep += "}";
    doc = load(deep);
    const QStringList words = collapsed(doc->toPlainText()).split(u' ');
    QCOMPARE(words.size(), rows);
    QCOMPARE(words.last(), QStringLiteral("d%1").arg(rows - 1));
    const int tables = tablesWithin(doc->rootFrame());
    QVERIFY2(tables > 100 && tables < 8000, qPrintable(QString::number(tables)));
    QVERIFY(rtf::write(doc.get()).size() < 8 * deep.size());
    // Many small tables: those there is room for, the rest as paragraphs.
    QByteArray many = "{\\rtf1 ";
    for (int i = 0; i < 5000; ++i)
        many += "\\trowd\\cellx2000\\cellx4000\\pard\\intbl t" + QByteArray::number(i) + "\\cell x\\cell\\row\\pard between\\par\r\n";
    doc = load(many + "}");
    QVERIFY(collapsed(doc->toPlainText()).endsWith(QStringLiteral("t4999 x between")));
    QVERIFY(tablesIn(doc->rootFrame()).size() > 1000);

    // Runs in many faces keep their faces; equal looks share one format,
    // and so do colour numbers past the colour table.
    QByteArray faces = "{\\rtf1{\\fonttbl";
    for (int i = 0; i < 3000; ++i)
        faces += "{\\f" + QByteArray::number(i) + " Face " + QByteArray::number(i) + ";}";
    faces += "}{\\colortbl;\\red255\\green0\\blue0;}";
    for (int i = 0; i < 3000; ++i)
        faces += "{\\f" + QByteArray::number(i) + " w" + QByteArray::number(i) + " }";
    doc = load(faces + "{\\f7 again}{\\cf5 past}{\\cf6 table}}");
    QCOMPARE(faceOf(formatOf(doc.get(), QStringLiteral("w2999"))), QStringLiteral("Face 2999"));
    auto indexAt = [&](const char *text) {
        const int at = doc->find(QString::fromLatin1(text)).selectionStart() + 1;
        for (auto it = doc->findBlock(at).begin(); !it.atEnd(); ++it)
            if (it.fragment().contains(at))
                return it.fragment().charFormatIndex();
        return -1;
    };
    QCOMPARE(indexAt("again"), indexAt("w7"));
    QCOMPARE(indexAt("past"), indexAt("table"));
    QVERIFY(indexAt("w8") != indexAt("w7"));
}

// Inputs the fuzz targets found (which put a header in front of what is not
// RTF): they once broke the reader, or lost characters or parts on a save,
// or a second save came out unlike the first.
void TestRtfReader::fuzzFindings()
{
    auto words = [](QString s) {
        s.removeIf([](QChar c) { return c.isSpace(); });
        return s;
    };
    for (const char *sub : {"crashes", "roundtrip"}) {
        const QDir dir(QStringLiteral(QUILLET_TEST_DATA "/rtf/") + QLatin1String(sub));
        for (const QString &f : dir.entryList({QStringLiteral("*.rtf")}, QDir::Files)) {
            const QByteArray data = fileData(dir.filePath(f));
            auto first = load(rtf::isRtf(data) ? data : "{\\rtf1 " + data);
            QVERIFY2(first, qPrintable(f));
            const QByteArray w1 = rtf::write(first.get());
            auto second = load(w1);
            QVERIFY2(words(rtf::plainText(second.get())) == words(rtf::plainText(first.get())), qPrintable(f));
            // As many kept parts, of the same kinds and text (places may
            // move over white space).
            const auto parts = [&](const QTextDocument &d) {
                return partList(d).replaceInStrings(QRegularExpression(QStringLiteral("^\\d+ |\\s")), QString());
            };
            QVERIFY2(parts(*second) == parts(*first), qPrintable(f));
            QVERIFY2(rtf::write(second.get()) == w1, qPrintable(f + QStringLiteral(": a second save differs")));
        }
    }
}

QTEST_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
