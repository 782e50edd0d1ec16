// The RTF reader against real files and against small fixtures of each
// dialect feature; formatting is checked on the resulting QTextDocument.

#include "rtf/Rtf.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextFrame>
#include <QTextImageFormat>
#include <QTextTable>

#include <memory>

namespace {

QByteArray fileData(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

std::unique_ptr<QTextDocument> load(const QByteArray &rtf)
{
    auto doc = std::make_unique<QTextDocument>();
    if (!rtf::read(rtf, doc.get()))
        return nullptr;
    return doc;
}

QString plain(const QByteArray &rtf)
{
    auto doc = load(rtf);
    return doc ? doc->toPlainText() : QStringLiteral("<not read>");
}

// Plain text with runs of white space collapsed to one blank.
QString collapsed(QString s)
{
    s.remove(QChar(0xFEFF));
    return s.simplified();
}

// The character format at the first occurrence of the given text.
QTextCharFormat formatOf(QTextDocument *doc, const QString &text)
{
    QTextCursor c = doc->find(text);
    if (c.isNull())
        return {};
    c.setPosition(c.selectionStart() + 1);
    return c.charFormat();
}

QTextBlockFormat blockOf(QTextDocument *doc, const QString &text)
{
    QTextCursor c = doc->find(text);
    return c.isNull() ? QTextBlockFormat() : c.block().blockFormat();
}

QList<QTextTable *> tablesIn(QTextFrame *frame)
{
    QList<QTextTable *> out;
    for (QTextFrame *child : frame->childFrames()) {
        if (auto *t = qobject_cast<QTextTable *>(child))
            out.append(t);
    }
    return out;
}

QString cellText(QTextTable *t, int r, int c)
{
    QTextCursor cur = t->cellAt(r, c).firstCursorPosition();
    cur.setPosition(t->cellAt(r, c).lastPosition(), QTextCursor::KeepAnchor);
    return cur.selectedText().replace(QChar::ParagraphSeparator, u'\n');
}

// What the writer keeps of a document: text with its character and
// paragraph formats, as one comparable list of lines.
QStringList formatDump(QTextDocument *doc)
{
    QStringList out;
    QString lastRun;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        const QTextBlockFormat bf = b.blockFormat();
        out << QStringLiteral("P align=%1 l=%2 r=%3 fi=%4 sb=%5 sa=%6")
                   .arg(int(bf.alignment() & Qt::AlignHorizontal_Mask))
                   .arg(bf.leftMargin()).arg(bf.rightMargin()).arg(bf.textIndent())
                   .arg(bf.topMargin()).arg(bf.bottomMargin());
        lastRun.clear();
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            const QString run = QStringLiteral("  %1 %2 b%3 i%4 u%5 s%6 v%7 fg=%8 bg=%9 a=%10")
                                    .arg(f.fontFamilies().toStringList().value(0, doc->defaultFont().family()))
                                    .arg(f.fontPointSize())
                                    .arg(f.fontWeight() >= QFont::Bold).arg(f.fontItalic())
                                    .arg(f.fontUnderline()).arg(f.fontStrikeOut())
                                    .arg(int(f.verticalAlignment()))
                                    .arg(f.foreground().style() == Qt::NoBrush ? QString() : f.foreground().color().name())
                                    .arg(f.background().style() == Qt::NoBrush ? QString() : f.background().color().name())
                                    .arg(f.anchorHref());
            if (run != lastRun)
                out << run;
            lastRun = run;
            out << QStringLiteral("    ") + it.fragment().text();
        }
    }
    return out;
}

QByteArray tinyPngHex(QSize size = QSize(3, 2))
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::red);
    QByteArray png;
    QBuffer buf(&png);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return png.toHex();
}

} // namespace

class TestRtfReader : public QObject {
    Q_OBJECT

private slots:
    void corpus_data();
    void corpus();
    void notRtfLeavesDocument();
    void codepages();
    void unicodeAndFallbacks();
    void escapesAndSymbols();
    void textEditDialect();
    void wordDocument();
    void characterFormatting();
    void paragraphFormatting();
    void destinationsSkipped();
    void hyperlinks();
    void tables();
    void nestedTables();
    void images();
    void roundTrip_data();
    void roundTrip();
    void hostileInput();
    void savedCrashes();
};

void TestRtfReader::corpus_data()
{
    QTest::addColumn<QString>("base");
    const QDir dir(QStringLiteral(QUILLET_TEST_DATA "/corpus"));
    const QStringList files = dir.entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name);
    QVERIFY(files.size() >= 6);
    for (const QString &f : files)
        QTest::newRow(qPrintable(f)) << dir.filePath(f.chopped(4));
}

void TestRtfReader::corpus()
{
    QFETCH(QString, base);
    const QString expected = QString::fromUtf8(fileData(base + QStringLiteral(".lo.txt")));
    QVERIFY(!expected.isEmpty());
    QCOMPARE(collapsed(plain(fileData(base + QStringLiteral(".rtf")))), collapsed(expected));
}

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

void TestRtfReader::codepages()
{
    // Word on a Russian system: \ansicpg1251, fonts with \fcharset204.
    QCOMPARE(plain("{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fcharset204 Arial;}}"
                   "\\f0 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}"),
             QStringLiteral(u"Привет"));
    // The page follows the font: one Greek and one Western font in a 1252 file.
    QCOMPARE(plain("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset161 Arial Greek;}}"
                   "\\f0 caf\\'e9 {\\f1 \\'e1\\'e2}}"),
             QStringLiteral(u"café αβ"));
    // Shift-JIS: lead and trail as two \'hh, or a \'hh lead and a literal trail
    // byte ("\'83n" is katakana HA); a \cpg on the font works like \fcharset.
    QCOMPARE(plain("{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset128 MS Mincho;}}"
                   "\\f0 \\'82\\'a0\\'83n\\'93\\'fa}"),
             QStringLiteral(u"あハ日"));
    QCOMPARE(plain("{\\rtf1\\ansi{\\fonttbl{\\f0\\cpg932 MS Gothic;}}\\f0 \\'82\\'a0}"), QStringLiteral(u"あ"));
    // GBK, Korean and Big5.
    QCOMPARE(plain("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset134 SimSun;}}\\f0 \\'d6\\'d0\\'ce\\'c4}"),
             QStringLiteral(u"中文"));
    QCOMPARE(plain("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset129 Gulim;}}\\f0 \\'c7\\'d1\\'b1\\'db}"),
             QStringLiteral(u"한글"));
    QCOMPARE(plain("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset136 MingLiU;}}\\f0 \\'a4\\'a4\\'a4\\'e5}"),
             QStringLiteral(u"中文"));
    // A Japanese face name is itself in Shift-JIS.
    auto doc = load("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset128 \\'82\\'6c\\'82\\'72 \\'96\\'be\\'92\\'a9;}}\\f0 x}");
    QCOMPARE(formatOf(doc.get(), QStringLiteral("x")).fontFamilies().toStringList(),
             QStringList{QStringLiteral(u"ＭＳ 明朝")});
    // Old Mac and DOS files.
    QCOMPARE(plain("{\\rtf1\\mac caf\\'8e}"), QStringLiteral(u"café"));
    QCOMPARE(plain("{\\rtf1\\pc caf\\'82}"), QStringLiteral(u"café"));
    QCOMPARE(plain("{\\rtf1\\pca \\'9c}"), QStringLiteral(u"£"));
    // Literal 8-bit text is decoded in the same page as \'hh.
    QCOMPARE(plain("{\\rtf1\\ansi\\ansicpg1251 \xcf\xf0\xe8}"), QStringLiteral(u"При"));
    // An unknown page falls back to Windows-1252 rather than losing text.
    QCOMPARE(plain("{\\rtf1\\ansi\\ansicpg99999 \\'e9}"), QStringLiteral(u"é"));
}

void TestRtfReader::unicodeAndFallbacks()
{
    // Default \uc1: one fallback character (\'hh or literal) is dropped.
    QCOMPARE(plain("{\\rtf1 a\\u233\\'e9b\\u233?c}"), QStringLiteral(u"aébéc"));
    // \uc0: nothing dropped; \uc2: two dropped, counting \'hh and literals alike.
    QCOMPARE(plain("{\\rtf1\\uc0 \\u8364 x}"), QStringLiteral(u"€x"));
    QCOMPARE(plain("{\\rtf1\\uc2 \\u12354\\'82\\'a0x\\u12354 ??y}"), QStringLiteral(u"あxあy"));
    QCOMPARE(plain("{\\rtf1\\uc2 \\u12354\\'82zy}"), QStringLiteral(u"あy"));
    // Negative values stand for code units above 32767; surrogate pairs join.
    QCOMPARE(plain("{\\rtf1 \\u-3913?}"), QStringLiteral(u"\uF0B7"));
    QCOMPARE(plain("{\\rtf1 \\uc1\\u-10179?\\u-8704?}"), QStringLiteral(u"😀"));
    QCOMPARE(plain("{\\rtf1 \\uc0 \\u55357\\uc1 \\u56832\\'3f}"), QStringLiteral(u"😀"));
    // \uc is scoped to its group; a group end stops the skipping.
    QCOMPARE(plain("{\\rtf1 {\\uc0 \\u233}x\\u233 yz}"), QStringLiteral(u"éxéz"));
    QCOMPARE(plain("{\\rtf1\\uc3 {\\u233}abc}"), QStringLiteral(u"éabc"));
    // A control word inside the fallback counts as one character.
    QCOMPARE(plain("{\\rtf1\\uc1 \\u8212\\endash x}"), QStringLiteral(u"—x"));
}

void TestRtfReader::escapesAndSymbols()
{
    QCOMPARE(plain("{\\rtf1 a\\\\b\\{c\\}d}"), QStringLiteral("a\\b{c}d"));
    auto doc = load("{\\rtf1 a\\~b\\-c\\_d\\tab e\\line f\\emdash\\endash\\bullet"
                    "\\lquote\\rquote\\ldblquote\\rdblquote\\emspace\\enspace\\qmspace|}");
    QCOMPARE(doc->blockCount(), 1);
    QCOMPARE(doc->firstBlock().text(), QStringLiteral(u"a\u00A0b\u00ADc\u2011d\te\u2028f—–•‘’“”\u2003\u2002\u2005|"));
    // Paragraph breaks: \par, \sect, \page, and a backslash before a line end.
    QCOMPARE(plain("{\\rtf1 a\\par b\\sect c\\page d\\\ne\\\r\nf}"), QStringLiteral("a\nb\nc\nd\ne\nf"));
    // Line ends in the source are not text; a final \par adds no empty paragraph.
    QCOMPARE(plain("{\\rtf1 ab\r\ncd\\par}"), QStringLiteral("abcd"));
    QCOMPARE(plain("{\\rtf1 a\\par\\par b\\par}"), QStringLiteral("a\n\nb"));
    // The delimiting blank belongs to the control word; a second one is text.
    QCOMPARE(plain("{\\rtf1 \\b  x\\b0 y}"), QStringLiteral(" xy"));
}

void TestRtfReader::textEditDialect()
{
    // TextEdit: font entries without groups, \expandedcolortbl, \cocoa words,
    // "\" at the end of a line for a paragraph break.
    const QByteArray rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\cocoartf2639\n\\cocoatextscaling0\\cocoaplatform0"
        "{\\fonttbl\\f0\\fswiss\\fcharset0 Helvetica;\\f1\\fnil\\fcharset0 Menlo-Regular;}\n"
        "{\\colortbl;\\red255\\green255\\blue255;\\red251\\green0\\blue7;}\n"
        "{\\*\\expandedcolortbl;;\\cssrgb\\c100000\\c0\\c0;}\n"
        "\\paperw11900\\paperh16840\\margl1440\\margr1440\\vieww11520\\viewh8400\\viewkind0\n"
        "\\pard\\tx566\\tx1133\\pardirnatural\\partightenfactor0\n\n"
        "\\f0\\fs24 \\cf0 Hello \\cf2 red\\cf0  caf\\'e9\\\n"
        "\\f1 code \\uc0\\u8220 q\\u8221 }";
    auto doc = load(rtf);
    QCOMPARE(doc->toPlainText(), QStringLiteral(u"Hello red café\ncode “q”"));
    QCOMPARE(formatOf(doc.get(), QStringLiteral("red")).foreground().color(), QColor(251, 0, 7));
    QCOMPARE(formatOf(doc.get(), QStringLiteral("Hello")).fontFamilies().toStringList().value(0),
             QStringLiteral("Helvetica"));
    QCOMPARE(formatOf(doc.get(), QStringLiteral("code")).fontFamilies().toStringList().value(0),
             QStringLiteral("Menlo-Regular"));
}

void TestRtfReader::wordDocument()
{
    // Word 2016: themes, list tables, headers, footnotes, data fields and
    // bookmarks around a little text.
    auto doc = load(fileData(QStringLiteral(QUILLET_TEST_DATA "/rtf/word-2016.rtf")));
    QVERIFY(doc);
    QTextDocument *d = doc.get();
    QCOMPARE(d->toPlainText(),
             QStringLiteral(u"Title of the document\nBody with a red word, a footnote and a hyperlink.\n"
                            u"\u2022\tBullet item\nEm dash — and Рус."));
    const QTextCharFormat title = formatOf(d, QStringLiteral("Title"));
    QVERIFY(title.fontWeight() >= QFont::Bold);
    QCOMPARE(title.fontPointSize(), 16.0);
    QCOMPARE(title.fontFamilies().toStringList(), QStringList{QStringLiteral("Calibri")});
    QCOMPARE(blockOf(d, QStringLiteral("Title")).alignment(), Qt::AlignHCenter);
    QCOMPARE(blockOf(d, QStringLiteral("Body")).alignment(), Qt::AlignJustify);
    QCOMPARE(blockOf(d, QStringLiteral("Body")).bottomMargin(), 8.0);
    QCOMPARE(formatOf(d, QStringLiteral("red")).foreground().color(), QColor(255, 0, 0));
    QCOMPARE(formatOf(d, QStringLiteral("hyperlink")).anchorHref(), QStringLiteral("https://example.org/"));
    // The list label is in the Symbol font, whose own encoding has the bullet at B7.
    QCOMPARE(formatOf(d, QStringLiteral(u"\u2022")).fontFamilies().toStringList(),
             QStringList{QStringLiteral("Symbol")});
    const QTextBlockFormat bullet = blockOf(d, QStringLiteral("Bullet"));
    QCOMPARE(bullet.leftMargin(), 36.0);
    QCOMPARE(bullet.textIndent(), -18.0);
}

void TestRtfReader::characterFormatting()
{
    const QByteArray rtf =
        "{\\rtf1\\ansi\\deff1{\\fonttbl{\\f0\\froman Times New Roman;}{\\f1\\fswiss Arial;}"
        "{\\f2\\fnil Not Installed Face;}{\\f3\\froman{\\*\\panose 02020603050405020304}Word Face{\\*\\falt Alt};}}"
        "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;\\red255\\green255\\blue0;}"
        "plain {\\b bold}{\\i italic}{\\ul under}{\\uldb dbl}{\\ulwave wave\\ulnone gone}"
        "{\\strike struck}{\\striked dstruck}{\\super sup}{\\sub sub}{\\up6 up}{\\super x\\nosupersub norm}"
        "{\\f2\\fs40 face}{\\cf1 red}{\\cf2\\highlight3 blue}{\\cb3 back}"
        "{\\b\\i\\ul\\cf1 all\\plain reset}{\\b x\\b0 unbold}{\\scaps small}{\\f3 wordface}"
        "{\\v hidden}{\\v\\v0 shown}}";
    auto doc = load(rtf);
    QTextDocument *d = doc.get();
    QCOMPARE(d->toPlainText(), QStringLiteral("plain bolditalicunderdblwavegonestruckdstrucksupsubupxnorm"
                                              "faceredbluebackallresetxunboldsmallwordfaceshown"));

    const QTextCharFormat p = formatOf(d, QStringLiteral("plain"));
    QCOMPARE(p.fontFamilies().toStringList(), QStringList{QStringLiteral("Arial")}); // \deff1
    QCOMPARE(p.fontPointSize(), 12.0);
    QVERIFY(p.fontWeight() < QFont::Bold);
    QVERIFY(!p.fontItalic() && !p.fontUnderline() && !p.fontStrikeOut());
    QVERIFY(!p.foreground().color().isValid() || p.foreground().style() == Qt::NoBrush);

    QVERIFY(formatOf(d, QStringLiteral("bold")).fontWeight() >= QFont::Bold);
    QVERIFY(formatOf(d, QStringLiteral("italic")).fontItalic());
    for (const char *u : {"under", "dbl", "wave"})
        QVERIFY2(formatOf(d, QString::fromLatin1(u)).fontUnderline(), u);
    QVERIFY(!formatOf(d, QStringLiteral("gone")).fontUnderline());
    QVERIFY(formatOf(d, QStringLiteral("struck")).fontStrikeOut());
    QVERIFY(formatOf(d, QStringLiteral("dstruck")).fontStrikeOut());
    QCOMPARE(formatOf(d, QStringLiteral("sup")).verticalAlignment(), QTextCharFormat::AlignSuperScript);
    QCOMPARE(formatOf(d, QStringLiteral("sub")).verticalAlignment(), QTextCharFormat::AlignSubScript);
    QCOMPARE(formatOf(d, QStringLiteral("up")).verticalAlignment(), QTextCharFormat::AlignSuperScript);
    QCOMPARE(formatOf(d, QStringLiteral("norm")).verticalAlignment(), QTextCharFormat::AlignNormal);

    const QTextCharFormat face = formatOf(d, QStringLiteral("face"));
    QCOMPARE(face.fontFamilies().toStringList(), QStringList{QStringLiteral("Not Installed Face")});
    QCOMPARE(face.fontPointSize(), 20.0);

    QCOMPARE(formatOf(d, QStringLiteral("red")).foreground().color(), QColor(255, 0, 0));
    const QTextCharFormat blue = formatOf(d, QStringLiteral("blue"));
    QCOMPARE(blue.foreground().color(), QColor(0, 0, 255));
    QCOMPARE(blue.background().color(), QColor(255, 255, 0));
    QCOMPARE(formatOf(d, QStringLiteral("back")).background().color(), QColor(255, 255, 0));

    const QTextCharFormat all = formatOf(d, QStringLiteral("all"));
    QVERIFY(all.fontWeight() >= QFont::Bold && all.fontItalic() && all.fontUnderline());
    const QTextCharFormat reset = formatOf(d, QStringLiteral("reset"));
    QVERIFY(reset.fontWeight() < QFont::Bold && !reset.fontItalic() && !reset.fontUnderline());
    QCOMPARE(reset.foreground().style(), Qt::NoBrush);
    QCOMPARE(reset.fontFamilies().toStringList(), QStringList{QStringLiteral("Arial")});
    QVERIFY(formatOf(d, QStringLiteral("unbold")).fontWeight() < QFont::Bold);
    QCOMPARE(formatOf(d, QStringLiteral("small")).fontCapitalization(), QFont::SmallCaps);
    // Word puts a {\*\panose} group before the name, and {\*\falt} after it.
    QCOMPARE(formatOf(d, QStringLiteral("wordface")).fontFamilies().toStringList(),
             QStringList{QStringLiteral("Word Face")});

    // Runs of equal format are one fragment each: text is batched, not split.
    auto doc2 = load("{\\rtf1 one {two} {\\b0 three}\\'e9\\u233?}");
    int fragments = 0;
    for (auto it = doc2->firstBlock().begin(); !it.atEnd(); ++it)
        ++fragments;
    QCOMPARE(fragments, 1);
}

void TestRtfReader::paragraphFormatting()
{
    const QByteArray rtf =
        "{\\rtf1\\deftab720 \\pard\\qc centred\\par \\pard\\qr right\\par \\pard\\qj justified\\par"
        "\\pard\\li720\\ri360\\fi-240\\sb120\\sa240 indented\\par \\pard left\\par"
        "{\\pard\\qc grouped\\par}after\\par \\pard text then props\\qc\\par}";
    auto doc = load(rtf);
    QTextDocument *d = doc.get();
    QCOMPARE(blockOf(d, QStringLiteral("centred")).alignment(), Qt::AlignHCenter);
    QCOMPARE(blockOf(d, QStringLiteral("right")).alignment(), Qt::AlignRight);
    QCOMPARE(blockOf(d, QStringLiteral("justified")).alignment(), Qt::AlignJustify);
    const QTextBlockFormat ind = blockOf(d, QStringLiteral("indented"));
    QCOMPARE(ind.leftMargin(), 36.0);
    QCOMPARE(ind.rightMargin(), 18.0);
    QCOMPARE(ind.textIndent(), -12.0);
    QCOMPARE(ind.topMargin(), 6.0);
    QCOMPARE(ind.bottomMargin(), 12.0);
    const QTextBlockFormat left = blockOf(d, QStringLiteral("left"));
    QVERIFY(left.alignment() & Qt::AlignLeft);
    QCOMPARE(left.leftMargin(), 0.0);
    QCOMPARE(left.topMargin(), 0.0);
    QCOMPARE(blockOf(d, QStringLiteral("grouped")).alignment(), Qt::AlignHCenter);
    QVERIFY(blockOf(d, QStringLiteral("after")).alignment() & Qt::AlignLeft); // group ended
    // Properties given after the text still apply to the paragraph they end.
    QCOMPARE(blockOf(d, QStringLiteral("then props")).alignment(), Qt::AlignHCenter);
    QCOMPARE(d->defaultTextOption().tabStopDistance(), 36.0);
}

void TestRtfReader::destinationsSkipped()
{
    const QByteArray rtf =
        "{\\rtf1{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}{\\author A}}"
        "{\\*\\generator Gen;}{\\*\\themedata 0102ff}{\\*\\unknownthing junk{\\nested junk}}"
        "{\\header head}{\\footerl foot}{\\*\\listtable{\\list x}}{\\*\\rsidtbl \\rsid1}"
        "{\\*\\latentstyles{\\lsdlockedexcept x}}{\\*\\datastore 0105}{\\*\\xmlnstbl{\\xmlns1 u}}"
        "{\\*\\pgdsctbl{\\pgdsc0 Default;}}{\\*\\revtbl{Unknown;}}{\\*\\colorschememapping 3c}"
        "body{\\footnote note}{\\*\\bkmkstart b}{\\*\\bkmkend b} text"
        "{\\field{\\*\\fldinst PAGE}{\\fldrslt 7}}"
        "{\\object\\objemb{\\*\\objclass Paint}{\\*\\objdata 0102}{\\result res}}"
        "{\\shp{\\*\\shpinst{\\sp{\\sn x}{\\sv y}}}}"
        "{\\v hidden text\\par more}visible {\\*\\ud ignored}end}";
    QCOMPARE(plain(rtf), QStringLiteral("body text7resvisible end"));
}

void TestRtfReader::hyperlinks()
{
    const QByteArray rtf =
        "{\\rtf1{\\colortbl;\\red0\\green0\\blue255;}see {\\field{\\*\\fldinst{HYPERLINK \"https://example.com/a?b=1\"}}"
        "{\\fldrslt{\\ul\\cf1 the site}}} and "
        "{\\field{\\*\\fldinst {\\rtlch HYPERLINK }{\\\\l \"top\" \\\\o \"tip\"}}{\\fldrslt {\\plain here}}}"
        " and {\\field{\\*\\fldinst HYPERLINK http://bare.org}{\\fldrslt bare}} not a link.}";
    auto doc = load(rtf);
    QTextDocument *d = doc.get();
    QCOMPARE(d->toPlainText(), QStringLiteral("see the site and here and bare not a link."));
    const QTextCharFormat site = formatOf(d, QStringLiteral("the site"));
    QVERIFY(site.isAnchor());
    QCOMPARE(site.anchorHref(), QStringLiteral("https://example.com/a?b=1"));
    QVERIFY(site.fontUnderline());
    QCOMPARE(formatOf(d, QStringLiteral("here")).anchorHref(), QStringLiteral("#top"));
    QCOMPARE(formatOf(d, QStringLiteral("bare")).anchorHref(), QStringLiteral("http://bare.org"));
    QVERIFY(!formatOf(d, QStringLiteral("not a link")).isAnchor());
    QVERIFY(!formatOf(d, QStringLiteral("see")).isAnchor());
}

void TestRtfReader::tables()
{
    // Word style: row properties before the cells, \intbl paragraphs.
    const QByteArray rtf =
        "{\\rtf1 before\\par"
        "\\trowd\\cellx1000\\cellx2000\\cellx3000\\pard\\intbl {\\b A1}\\cell A2\\cell A3\\cell\\row"
        "\\trowd\\cellx1000\\cellx2000\\cellx3000\\pard\\intbl B1\\par second\\cell\\cell B3\\cell\\row"
        "\\pard after\\par}";
    auto doc = load(rtf);
    QTextDocument *d = doc.get();
    const auto tables = tablesIn(d->rootFrame());
    QCOMPARE(tables.size(), 1);
    QTextTable *t = tables.first();
    QCOMPARE(t->rows(), 2);
    QCOMPARE(t->columns(), 3);
    QCOMPARE(cellText(t, 0, 0), QStringLiteral("A1"));
    QCOMPARE(cellText(t, 0, 2), QStringLiteral("A3"));
    QCOMPARE(cellText(t, 1, 0), QStringLiteral("B1\nsecond"));
    QCOMPARE(cellText(t, 1, 1), QString());
    QCOMPARE(cellText(t, 1, 2), QStringLiteral("B3"));
    QVERIFY(formatOf(d, QStringLiteral("A1")).fontWeight() >= QFont::Bold);
    QCOMPARE(collapsed(d->toPlainText()), QStringLiteral("before A1 A2 A3 B1 second B3 after"));
    QVERIFY(!d->find(QStringLiteral("before")).currentTable());
    QVERIFY(!d->find(QStringLiteral("after")).currentTable());

    // A row with more cells than the first grows the table; no \intbl at all
    // still makes a table once \trowd has started a row.
    auto doc2 = load("{\\rtf1\\trowd\\cellx100 a\\cell\\row\\trowd\\cellx100\\cellx200 b\\cell c\\cell\\row\\pard z}");
    const auto t2 = tablesIn(doc2->rootFrame());
    QCOMPARE(t2.size(), 1);
    QCOMPARE(t2.first()->columns(), 2);
    QCOMPARE(cellText(t2.first(), 1, 1), QStringLiteral("c"));
    QCOMPARE(collapsed(doc2->toPlainText()), QStringLiteral("a b c z"));

    // pandoc: each cell paragraph in its own group with \pard (which clears
    // \intbl) and ended by \par before \cell; no empty paragraph is added.
    const QByteArray pandoc =
        "{\\rtf1 {\n\\trowd \\trgaph120\n\\clbrdrb\\brdrs\\cellx4320\\clbrdrb\\brdrs\\cellx8640\n"
        "\\trkeep\\intbl\n{\n{\\intbl {\\pard \\ql \\f0 \\sa0 \\li0 \\fi0 Head A\\par}\n\\cell}\n"
        "{\\intbl {\\pard \\ql \\f0 \\sa0 \\li0 \\fi0 Head B\\par}\n\\cell}\n}\n\\intbl\\row}\n"
        "{\n\\trowd \\trgaph120\n\\cellx4320\\cellx8640\n\\trkeep\\intbl\n{\n"
        "{\\intbl {\\pard \\ql \\f0 \\sa0 \\li0 \\fi0 one\\par}\n\\cell}\n"
        "{\\intbl {\\pard \\qr \\f0 \\sa0 \\li0 \\fi0 two\\par}\n\\cell}\n}\n\\intbl\\row}\n"
        "{\\pard \\ql \\f0 \\sa180 \\li0 \\fi0 After.\\par}\n}";
    auto pdoc = load(pandoc);
    const auto pt = tablesIn(pdoc->rootFrame());
    QCOMPARE(pt.size(), 1);
    QCOMPARE(pt.first()->rows(), 2);
    QCOMPARE(pt.first()->columns(), 2);
    QCOMPARE(cellText(pt.first(), 0, 1), QStringLiteral("Head B"));
    QCOMPARE(cellText(pt.first(), 1, 1), QStringLiteral("two"));
    QCOMPARE(blockOf(pdoc.get(), QStringLiteral("two")).alignment(), Qt::AlignRight);
    QVERIFY(!pdoc->find(QStringLiteral("After.")).currentTable());

    // A long table: rows made ahead of need are gone again at its end.
    QByteArray longTable = "{\\rtf1 ";
    for (int r = 0; r < 3000; ++r)
        longTable += "\\trowd\\cellx100\\cellx200\\intbl r" + QByteArray::number(r) + "\\cell x\\cell\\row ";
    longTable += "\\pard after}";
    QElapsedTimer timer;
    timer.start();
    auto doc4 = load(longTable);
    QVERIFY2(timer.elapsed() < 20000, "a 3000-row table must not take quadratic time");
    const auto t4 = tablesIn(doc4->rootFrame());
    QCOMPARE(t4.size(), 1);
    QCOMPARE(t4.first()->rows(), 3000);
    QCOMPARE(cellText(t4.first(), 2999, 0), QStringLiteral("r2999"));

    // Two tables separated by a paragraph stay two tables.
    auto doc3 = load("{\\rtf1\\trowd\\cellx100\\intbl a\\cell\\row\\pard mid\\par"
                     "\\trowd\\cellx100\\intbl b\\cell\\row\\pard}");
    QCOMPARE(tablesIn(doc3->rootFrame()).size(), 2);
}

void TestRtfReader::nestedTables()
{
    // Word 2000+: nested cells end with \nestcell, nested rows with \nestrow
    // inside \nesttableprops; \nonesttables holds text for old readers.
    const QByteArray rtf =
        "{\\rtf1\\trowd\\cellx3000\\cellx6000"
        "\\pard\\intbl\\itap1 outer1\\par"
        "\\pard\\intbl\\itap2 n11\\nestcell n12\\nestcell"
        "{\\*\\nesttableprops\\trowd\\cellx1000\\cellx2000\\nestrow}{\\nonesttables\\par}"
        "\\pard\\intbl\\itap2 n21\\nestcell n22\\nestcell"
        "{\\*\\nesttableprops\\trowd\\cellx1000\\cellx2000\\nestrow}{\\nonesttables\\par}"
        "\\pard\\intbl\\itap1 tail\\cell outer2\\cell\\row\\pard end}";
    auto doc = load(rtf);
    QTextDocument *d = doc.get();
    QCOMPARE(collapsed(d->toPlainText()), QStringLiteral("outer1 n11 n12 n21 n22 tail outer2 end"));
    const auto outer = tablesIn(d->rootFrame());
    QCOMPARE(outer.size(), 1);
    QCOMPARE(outer.first()->rows(), 1);
    QCOMPARE(outer.first()->columns(), 2);
    const auto inner = tablesIn(outer.first());
    QCOMPARE(inner.size(), 1);
    QCOMPARE(inner.first()->rows(), 2);
    QCOMPARE(inner.first()->columns(), 2);
    QCOMPARE(cellText(inner.first(), 1, 0), QStringLiteral("n21"));
    QCOMPARE(d->find(QStringLiteral("n22")).currentTable(), inner.first());
    QCOMPARE(d->find(QStringLiteral("tail")).currentTable(), outer.first());
    QCOMPARE(d->find(QStringLiteral("outer2")).currentTable(), outer.first());
    QVERIFY(!d->find(QStringLiteral("end")).currentTable());
}

void TestRtfReader::images()
{
    const QByteArray hex = tinyPngHex();
    auto doc = load("{\\rtf1 a{\\pict\\pngblip\\picw3\\pich2\\picwgoal1440\\pichgoal720 " + hex + "}b"
                    "{\\*\\shppict{\\pict\\pngblip\\picscalex50\\picscaley200 " + hex + "}}"
                    "{\\nonshppict{\\pict\\wmetafile8 0102}}c"
                    "{\\pict\\emfblip 0102}{\\pict\\pngblip 00ff}d}");
    QTextDocument *d = doc.get();
    QList<QTextImageFormat> images;
    for (QTextBlock b = d->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                images.append(it.fragment().charFormat().toImageFormat());
    QCOMPARE(images.size(), 2); // the WMF, EMF and broken PNG are left out
    QCOMPARE(images[0].width(), 96.0); // pixels at 96 dpi
    QCOMPARE(images[0].height(), 48.0);
    QCOMPARE(images[1].width(), 1.5);
    QCOMPARE(images[1].height(), 4.0);
    const QVariant res = d->resource(QTextDocument::ImageResource, QUrl(images[0].name()));
    QImage img;
    QVERIFY(img.loadFromData(res.toByteArray()));
    QCOMPARE(img.size(), QSize(3, 2));
    QCOMPARE(d->toPlainText().remove(QChar::ObjectReplacementCharacter), QStringLiteral("abcd"));

    // Binary picture data after \bin, and \bin outside a picture is stepped over.
    const QByteArray png = QByteArray::fromHex(hex);
    auto doc2 = load("{\\rtf1 x{\\pict\\pngblip\\bin" + QByteArray::number(png.size()) + " " + png + "}y"
                     "{\\*\\blob\\bin5 }}{}z}w}");
    QCOMPARE(doc2->toPlainText().remove(QChar::ObjectReplacementCharacter), QStringLiteral("xyw"));
    QVERIFY(doc2->toPlainText().contains(QChar::ObjectReplacementCharacter));
}

void TestRtfReader::roundTrip_data()
{
    QTest::addColumn<QString>("path");
    for (const char *sub : {"corpus", "rtf"}) {
        const QDir dir(QStringLiteral(QUILLET_TEST_DATA "/") + QLatin1String(sub));
        for (const QString &f : dir.entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name))
            QTest::newRow(qPrintable(f)) << dir.filePath(f);
    }
}

void TestRtfReader::roundTrip()
{
    // Read, write, read: same text and formatting; writing again changes nothing.
    QFETCH(QString, path);
    auto first = load(fileData(path));
    QVERIFY(first);
    const QByteArray written = rtf::write(first.get());
    auto second = load(written);
    QVERIFY(second);
    QCOMPARE(second->toPlainText(), first->toPlainText());
    QCOMPARE(formatDump(second.get()), formatDump(first.get()));
    const QByteArray again = rtf::write(second.get());
    if (again != written) {
        const QList<QByteArray> a = again.split('\n'), w = written.split('\n');
        for (qsizetype i = 0; i < std::min(a.size(), w.size()); ++i)
            QCOMPARE(a.at(i), w.at(i));
    }
    QCOMPARE(again, written);
}

void TestRtfReader::hostileInput()
{
    // Truncated files read as far as they go.
    QCOMPARE(plain("{\\rtf1 {\\b bold text"), QStringLiteral("bold text"));
    QCOMPARE(plain("{\\rtf1 a\\par b\\"), QStringLiteral("a\nb"));
    QCOMPARE(plain("{\\rtf1 a\\'"), QStringLiteral("a"));
    QCOMPARE(plain("{\\rtf1 a\\'4"), QStringLiteral("a\x04"));
    QCOMPARE(plain("{\\rtf1 x{\\pict\\pngblip 89504e"), QStringLiteral("x"));
    QCOMPARE(collapsed(plain("{\\rtf1 \\trowd\\cellx100\\intbl a\\cell b")), QStringLiteral("a b"));
    // Text after the closing brace is not part of the document; stray braces end it.
    QCOMPARE(plain("{\\rtf1 a}b"), QStringLiteral("a"));
    // Very deep nesting neither overflows the stack nor loses the text around it.
    QByteArray deep = "{\\rtf1 a";
    deep += QByteArray(100000, '{') + "x" + QByteArray(100000, '}') + "b}";
    QCOMPARE(plain(deep), QStringLiteral("ab"));
    QByteArray deep2 = "{\\rtf1 a" + QByteArray(500, '{') + "x" + QByteArray(500, '}') + "b}";
    QCOMPARE(plain(deep2), QStringLiteral("axb"));
    // Huge \bin claims and numbers are bounded by what is there.
    QCOMPARE(plain("{\\rtf1 a\\bin2147483647 xyz}"), QStringLiteral("a"));
    QCOMPARE(plain("{\\rtf1 a\\bin99999999999999999999 xyz}"), QStringLiteral("a"));
    QCOMPARE(plain("{\\rtf1 a\\bin-5 b}"), QStringLiteral("ab"));
    QCOMPARE(plain("{\\rtf1\\uc2147483647 \\u65 abc}d"), QStringLiteral("A"));
    QCOMPARE(plain("{\\rtf1\\fs-99999999999 \\u-99999999 \\li99999999999 x}"), QStringLiteral("x"));
    // Many cells in one row are capped, text kept in order.
    QByteArray wide = "{\\rtf1\\trowd\\intbl ";
    for (int i = 0; i < 500; ++i)
        wide += QByteArray::number(i) + "\\cell ";
    wide += "\\row}";
    auto doc = load(wide);
    const auto t = tablesIn(doc->rootFrame());
    QCOMPARE(t.size(), 1);
    QVERIFY(t.first()->columns() <= 64);
    QVERIFY(collapsed(doc->toPlainText()).endsWith(QStringLiteral("497 498 499")));
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

void TestRtfReader::savedCrashes()
{
    // Inputs that once broke the reader (found by the fuzz target).
    const QDir dir(QStringLiteral(QUILLET_TEST_DATA "/rtf/crashes"));
    for (const QString &f : dir.entryList(QDir::Files)) {
        QTextDocument d;
        rtf::read(fileData(dir.filePath(f)), &d);
        QVERIFY2(d.characterCount() >= 1, qPrintable(f));
    }
}

QTEST_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
