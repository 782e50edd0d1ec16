// The RTF writer: what it writes for each kind of content, and that what it
// writes reads back the same and writes again byte for byte; what other word
// processors write survives the trip, and LibreOffice reads what we write
// with the same layout.

#include "RtfTestUtil.h"
#include "common/Metafiles.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using namespace rtftest;

namespace {

// The body of the RTF: everything after the header's tables.
QByteArray body(const QByteArray &rtf)
{
    const qsizetype i = rtf.indexOf("\\pard");
    return i < 0 ? QByteArray() : rtf.mid(i);
}

// LibreOffice's HTML of an RTF file, or an empty string.
QString libreOfficeHtml(const QTemporaryDir &dir, const QByteArray &rtf)
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    QFile f(dir.filePath(QStringLiteral("doc.rtf")));
    if (!f.open(QIODevice::WriteOnly) || f.write(rtf) != rtf.size())
        return {};
    f.close();
    QProcess p;
    p.start(soffice, {QStringLiteral("-env:UserInstallation=file://") + dir.filePath(QStringLiteral("profile")),
                      QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("html"),
                      QStringLiteral("--outdir"), dir.path(), f.fileName()});
    if (!p.waitForFinished(180000))
        return {};
    QFile html(dir.filePath(QStringLiteral("doc.html")));
    return html.open(QIODevice::ReadOnly) ? QString::fromUtf8(html.readAll()) : QString();
}

// A length in LibreOffice's CSS ("0.5in", "1.27cm") in twips.
int cssTwips(const QString &value)
{
    static const QRegularExpression re(QStringLiteral("^\\s*(-?[0-9.]+)(in|cm|mm|pt)"));
    const auto m = re.match(value);
    if (!m.hasMatch())
        return -1;
    const double v = m.captured(1).toDouble();
    const QString unit = m.captured(2);
    const double perUnit = unit == u"in" ? 1440 : unit == u"cm" ? 1440 / 2.54 : unit == u"mm" ? 144 / 2.54 : 20;
    return qRound(v * perUnit);
}

} // namespace

class TestRtfWriter : public QObject {
    Q_OBJECT

private slots:
    void wholeFile();
    void lineLengths();
    void tables();
    void picture();
    void objects_data();
    void objects();
    void roundTripFiles_data();
    void roundTripFiles();
    void roundTripTables();
    // What real word processors write and a reader must keep: each case
    // reads a small fixture, checks the model, and must survive the trip.
    void keptParts();
    void keptPartsAreThings();
    void documentSettings();
    void keptProperties();
    void pagesAndSections();
    void tabsAndLineSpacing();
    void styles();
    void cellLooks();
    void lists();
    void listShapes_data();
    void listShapes();
    void libreOfficeLayout();
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
        "\\plain\\f0\\fs24\\b\\par\r\n" // the mark: a link's look ends with its group
        "\\pard\\qc\\plain\\f0\\fs24 para\\par\r\n"
        "\\pard\\qr\\plain\\f0\\fs24 para\\par\r\n"
        "\\pard\\qj\\plain\\f0\\fs24 para\\par\r\n"
        "\\pard\\li720\\ri273\\fi-360\\sb120\\sa240\\plain\\f0\\fs24 indented\\par\r\n"
        "\\pard\\plain\\f0\\fs24\\par\r\n"
        "\\pard\\plain\\f0\\fs24\\par\r\n"
        "}\r\n").split('\n'));
    // The address reads back escaped, the same one.
    QTextCharFormat escaped;
    escaped.setAnchorHref("https://example.com/a?b=1&c=%22q%22");
    doc.find("the site").mergeCharFormat(escaped);
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
    QVERIFY2(out.contains("x{\\pict\\pngblip\\picw3\\pich2\\picwgoal450\\pichgoal30\r\n89504e47"), out);
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

void TestRtfWriter::objects_data()
{
    QTest::addColumn<QByteArray>("group"); // kept and written back as it is
    QTest::addColumn<QSizeF>("shown");     // pixels
    QTest::addColumn<QByteArray>("picture"); // the start of what is shown
    const QByteArray wmf = metafiles::wmf().toHex(), emf = metafiles::emf().toHex();
    const QByteArray wmfPict = "{\\pict\\wmetafile8\\picw2646\\pich1323\\picwgoal1500\\pichgoal750\r\n" + wmf + "}";
    QTest::newRow("wmf") << wmfPict << QSizeF(100, 50) << metafiles::wmf();
    QTest::newRow("wmf, huge") << "{\\pict\\wmetafile8\\picwgoal2147483647\\pichgoal750\r\n" + wmf + "}" << QSizeF(22 * 96, 50)
                               << metafiles::wmf();
    QTest::newRow("emf scaled") << "{\\pict\\emfblip\\picw2646\\pich1322\\picscalex50\\picscaley200\r\n" + emf + "}"
                                << QSizeF(50, 100) << metafiles::emf();
    QTest::newRow("object, wmf result")
        << "{\\object\\objemb{\\*\\objclass Paint.Picture}\\objw1500\\objh750{\\*\\objdata 01050000}{\\result " + wmfPict + "}}"
        << QSizeF(100, 50) << metafiles::wmf();
    QTest::newRow("object, no result") << QByteArray("{\\object\\objemb\\objw3000\\objh1500{\\*\\objdata 0105}}")
                                       << QSizeF(200, 100) << QByteArray("<svg");
    QTest::newRow("shape, result")
        << "{\\shp{\\*\\shpinst\\shpleft100\\shptop0\\shpright1600\\shpbottom750{\\sp{\\sn shapeType}{\\sv 75}}}"
           "{\\shprslt\\par\\pard " + wmfPict + "\\par}}"
        << QSizeF(100, 50) << metafiles::wmf();
    QTest::newRow("text box") << QByteArray("{\\shp{\\*\\shpinst\\shpright3000\\shpbottom750{\\shptxt \\pard boxed <words>\\par}}}")
                              << QSizeF(200, 50) << QByteArray("<svg");
    QTest::newRow("object, nul in it") << QByteArray("{\\object\\objw1500\\objh750{\\*\\objdata 01}") + QByteArray("\0\x01}", 3)
                                       << QSizeF(100, 50) << QByteArray("<svg");
    QTest::newRow("drawing object") << QByteArray("{\\*\\do\\dobxpage\\dprect\\dpx0\\dpy0\\dpxsize1500\\dpysize3000}")
                                    << QSizeF(100, 200) << QByteArray("<svg");
}

// Pictures Qt cannot draw, objects, shapes and drawing objects: one picture
// each, of their size, showing their result (or a box with their text),
// and written back byte for byte.
void TestRtfWriter::objects()
{
    QFETCH(QByteArray, group);
    QFETCH(QSizeF, shown);
    QFETCH(QByteArray, picture);
    auto doc = load("{\\rtf1\\ansi a" + group + "b\\par}");
    QList<QTextImageFormat> images;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                images.append(it.fragment().charFormat().toImageFormat());
    QCOMPARE(images.size(), 1);
    QCOMPARE(QSizeF(images[0].width(), images[0].height()).toSize(), shown.toSize());
    const QByteArray data = doc->resource(QTextDocument::ImageResource, QUrl(images[0].name())).toByteArray();
    QVERIFY2(data.startsWith(picture), data.left(80).toHex().constData());
    if (QTest::currentDataTag() == QByteArrayLiteral("text box"))
        QVERIFY(data.contains("boxed &lt;words&gt;"));
    int lost = -1;
    const QByteArray out = rtf::write(doc.get(), &lost);
    QCOMPARE(lost, 0);
    QVERIFY2(QByteArray(out).replace("\r\n", "").contains("a" + QByteArray(group).replace("\r\n", "")), out.constData());
    QCOMPARE(rtf::write(load(out).get()), out);
    // Only picture properties are kept with a picture: a stray destination
    // word written back would swallow the data after it.
    if (picture.startsWith(metafiles::wmf()))
        QVERIFY(!rtf::write(load("{\\rtf1 {\\pict\\wmetafile8 " + metafiles::wmf().toHex() + "\\objdata 00}}").get()).contains("objdata"));
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

// Real files: read with the text LibreOffice extracts from them (where the
// corpus has it), and through the round trip.
void TestRtfWriter::roundTripFiles()
{
    QFETCH(QString, path);
    auto doc = load(fileData(path));
    QVERIFY(doc);
    QVERIFY(!doc->toPlainText().trimmed().isEmpty());
    const QString libreOffice = QString::fromUtf8(fileData(path.chopped(4) + QStringLiteral(".lo.txt")));
    if (path.contains(QLatin1String("/corpus/")))
        QCOMPARE(collapsed(rtf::plainText(doc.get())), collapsed(libreOffice));
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
    QVERIFY(rtf::write(&doc).contains("\\itap3"));
    checkStable(doc, false);
}

void TestRtfWriter::keptParts()
{
    // Word's way of writing each part the editor does not show.
    auto doc = load("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times;}{\\f1 Arial;}}"
                    "{\\colortbl;\\red255\\green0\\blue0;}"
                    "{\\header \\pard\\plain\\qc\\f1 Head {\\cf1 red}\\par}{\\footerl \\pard Left foot\\par}"
                    "\\pard Body{\\super\\chftn}{\\footnote \\pard\\plain{\\super\\chftn} The note.}"
                    " more{\\footnote\\ftnalt \\pard An endnote.}"
                    " text{\\*\\atnid AB}{\\*\\atnauthor Ann Bee}\\chatn{\\*\\annotation{\\*\\atnref 1}\\pard A comment.}"
                    " end{\\v secret}.\\par"
                    "{\\v hidden start}Second\\par}");
    QVERIFY(doc);
    QCOMPARE(rtf::plainText(doc.get()), QStringLiteral("Body1 more text end.\nSecond"));
    const QStringList sections = doc->rootFrame()->frameFormat().property(rtf::kSectionParts).toStringList();
    QCOMPARE(QStringList(sections).replaceInStrings(QRegularExpression(QStringLiteral("(?s)\x1f.*")), QString()),
             QStringList({"header", "footerl"}));
    // Each part at its place, with its kind, a comment's id and author, and its text.
    QCOMPARE(partList(*doc), QStringList({"5 footnote | 1 The note.", "10 endnote | An endnote.",
                                           "15 annotation AB|Ann Bee A comment.", "19 hidden | secret",
                                           "21 hidden | hidden start"}));
    QCOMPARE(formatOf(doc.get(), QStringLiteral("1")).stringProperty(rtf::kAutoNumber), QStringLiteral("1"));
    // The header keeps its look; its colour is in the document's table.
    QTextDocument head;
    QVERIFY(rtf::read(sections[0].section(u'\x1f', 3).toLatin1(), &head));
    QCOMPARE(formatOf(&head, QStringLiteral("red")).foreground().color(), QColor(255, 0, 0));
    QCOMPARE(head.firstBlock().blockFormat().alignment(), Qt::AlignHCenter);
    checkStable(*doc);
    // Notes and comments end as they were written, with no \par that
    // would show as an empty paragraph; a header keeps its last one.
    const QByteArray written = rtf::write(doc.get());
    for (const char *end : {"The note.}", "An endnote.}", "A comment.}", "red\\plain\\f1\\fs24\\par}"})
        QVERIFY2(written.contains(end), end);
    const auto emptyEnd = load("{\\rtf1 a{\\footnote n\\par\\par}b\\par}"); // an empty last paragraph stays
    QVERIFY(rtf::write(load(rtf::write(emptyEnd.get())).get()).contains("\\pard\\plain\\f0\\fs24\\par}"));

    // Text typed right after a footnote mark takes its look but is kept.
    QTextCursor typing = doc->find(QStringLiteral("Body1"));
    typing.clearSelection();
    typing.insertText(QStringLiteral("typed"));
    QVERIFY(plain(rtf::write(doc.get())).startsWith(QStringLiteral("Body1typed more")));
    QCOMPARE(partList(*load(rtf::write(doc.get()))).value(0), QStringLiteral("10 footnote | 1 The note."));

    // A note inside a link: the link stays around it, the note keeps its text.
    doc = load("{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"https://x.example/\"}{\\fldrslt link"
               "{\\super\\chftn}{\\footnote\\pard Note.}}} after}");
    QCOMPARE(rtf::plainText(doc.get()), QStringLiteral("link1 after"));
    checkStable(*doc);
    auto again = load(rtf::write(doc.get()));
    QCOMPARE(partList(*again), QStringList{QStringLiteral("5 footnote | Note.")});
    QCOMPARE(formatOf(again.get(), QStringLiteral("k1")).anchorHref(), QStringLiteral("https://x.example/"));
    QVERIFY(formatOf(again.get(), QStringLiteral("after")).anchorHref().isEmpty());

    // Hidden text at the end of a table cell stays in its cell.
    doc = load("{\\rtf1\\trowd\\cellx1000\\cellx2000\\intbl a{\\v h}\\cell b\\cell\\row}");
    QCOMPARE(partList(*doc), QStringList{QStringLiteral("2 hidden | h")});
    QCOMPARE(structure(*doc), QStringLiteral("[a|b]"));
    checkStable(*doc);
}

// Each note, comment or hidden run is one thing in the text: equal ones
// side by side stay two, and editing around one neither moves, splits nor
// copies it. Each case is saved twice (the second time from what the first
// save reads back as): each part is written once, at its place, and the
// two saves are the same.
void TestRtfWriter::keptPartsAreThings()
{
    const auto bold = [](QTextDocument &d, int from, int to) {
        QTextCursor c(&d);
        c.setPosition(from);
        c.setPosition(to, QTextCursor::KeepAnchor);
        QTextCharFormat f;
        f.setFontWeight(QFont::Bold);
        c.mergeCharFormat(f);
    };
    const auto typeAt = [](QTextDocument &d, int at, const QString &text) {
        QTextCursor c(&d);
        c.setPosition(at);
        c.insertText(text);
    };
    const auto append = [typeAt](QTextDocument &d) { typeAt(d, d.characterCount() - 1, QStringLiteral(" More text")); };
    const QByteArray hello = "{\\rtf1 Hello.{\\footnote NOTE}}";
    const QString helloNote = QStringLiteral("6 footnote | NOTE");
    const struct {
        const char *name;
        QByteArray rtf;
        std::function<void(QTextDocument &)> edit;
        QString text;
        QStringList parts;
        QByteArray word; // written once per part
        int count = -1;  // or this many times
    } cases[] = {
        {"two equal footnotes", "{\\rtf1 x{\\footnote N1}y{\\footnote N1}z}", {}, "xyz",
         {"1 footnote | N1", "2 footnote | N1"}, "\\footnote"},
        {"side by side", "{\\rtf1 Claim one.{\\footnote Ibid.} {\\footnote Ibid.}Claim two.}", {},
         "Claim one. Claim two.", {"10 footnote | Ibid.", "11 footnote | Ibid."}, "\\footnote"},
        {"next to each other", "{\\rtf1 a{\\footnote Ibid.}{\\footnote Ibid.}b}", {}, "ab",
         {"1 footnote | Ibid.", "1 footnote | Ibid."}, "\\footnote"},
        {"two equal comments",
         "{\\rtf1 x{\\*\\atnid A}{\\*\\atnauthor B}\\chatn{\\*\\annotation C}y"
         "{\\*\\atnid A}{\\*\\atnauthor B}\\chatn{\\*\\annotation C}z}", {}, "xyz",
         {"1 annotation A|B C", "2 annotation A|B C"}, "\\chatn"},
        {"two equal hidden runs", "{\\rtf1 a{\\v XE}b{\\v XE}c}", {}, "abc", {"1 hidden | XE", "2 hidden | XE"}, "\\v"},
        {"hidden runs side by side", "{\\rtf1 a{\\v X}{\\v\\b Y}c}", {}, "ac", {"1 hidden | X", "1 hidden | Y"}, "\\v"},
        {"text typed at the end", hello, append, "Hello. More text", {helloNote}, "\\footnote"},
        {"bold across the note", hello, [&](QTextDocument &d) { append(d); bold(d, 3, 10); },
         "Hello. More text", {helloNote}, "\\footnote"},
        {"bold after the note", hello, [&](QTextDocument &d) { append(d); bold(d, 13, 17); },
         "Hello. More text", {helloNote}, "\\footnote"},
        {"typed right after the note", hello,
         [&](QTextDocument &d) { append(d); typeAt(d, 7, QStringLiteral("XYZ")); bold(d, 8, 9); },
         "Hello.XYZ More text", {helloNote}, "\\footnote"},
        {"typed right before the note", hello,
         [&](QTextDocument &d) { typeAt(d, 6, QStringLiteral("XYZ")); bold(d, 5, 8); },
         "Hello.XYZ", {"9 footnote | NOTE"}, "\\footnote"},
        // Fields keep their instruction around their result, which stays text.
        {"page of pages", "{\\rtf1 Page {\\field{\\*\\fldinst PAGE}{\\fldrslt 1}} of {\\field\\flddirty{\\*\\fldinst NUMPAGES}{\\fldrslt 2}}}",
         {}, "Page 1 of 2", {"5 field | PAGE", "6 end | ", "10 field | NUMPAGES", "11 end | "}, "\\flddirty", 1},
        {"a field's end deleted", "{\\rtf1 a{\\field{\\*\\fldinst PAGE}{\\fldrslt 1}}b}",
         [](QTextDocument &d) { QTextCursor c(&d); c.setPosition(3); c.deleteChar(); },
         "a1b", {}, "\\field", 0},
        {"a field's start deleted", "{\\rtf1 a{\\field{\\*\\fldinst PAGE}{\\fldrslt 1}}b}",
         [](QTextDocument &d) { QTextCursor c(&d); c.setPosition(1); c.deleteChar(); }, "a1b", {}, "\\field", 0},
        {"table of contents",
         "{\\rtf1{\\field{\\*\\fldinst TOC \\\\o \"1-3\"}{\\fldrslt {\\field{\\*\\fldinst HYPERLINK \\\\l \"_Toc1\"}"
         "{\\fldrslt Intro\\tab {\\field{\\*\\fldinst {PAGEREF _Toc1 \\\\h}}{\\fldrslt 1}}}}\\par}}"
         "\\pard{\\*\\bkmkstart _Toc1}Intro{\\*\\bkmkend _Toc1}\\par}", {}, "Intro\t1\nIntro",
         {"0 field | TOC \\\\o \"1-3\"", "6 field | {PAGEREF _Toc1 \\\\h}", "7 end | ", "7 end | ",
          "8 bookmark _Toc1| ", "13 bookmarkend _Toc1| "}, "\\fldinst", 4},
        {"special characters and entries", "{\\rtf1 Page {\\b\\chpgn} \\chdate{\\tc \\tcl2 Entry}.}", {}, "Page  .",
         {"5 special | chpgn", "6 special | chdate", "6 tc | {\\tc \\tcl2 Entry}"}, "\\chpgn", 1},
        // A result that goes on into the next cell, or into a table, ends
        // where its cell (or the text before the table) ends: groups close
        // where they open.
        {"a result across cells", "{\\rtf1 z\\par\\trowd\\cellx1000\\cellx2000\\intbl a{\\field{\\*\\fldinst REF x}{\\fldrslt b\\cell c}}d\\cell\\row}",
         {}, "z\nab\ncd\n", {"3 field | REF x", "4 end | "}, "\\field", 1},
        {"a result into a table", "{\\rtf1 x{\\field{\\*\\fldinst REF y}{\\fldrslt p\\par\\trowd\\cellx2000\\intbl q}}r\\cell\\row}",
         {}, "xp\nqr\n", {"1 field | REF y", "2 end | "}, "\\field", 1},
        {"an entry with data", "{\\rtf1 a{\\tc \\bin3 x}y Entry}b}", {}, "ab", {"1 tc | {\\tc \\bin3 x}y Entry}"}, "\\tc", 1},
        {"a field in an instruction", "{\\rtf1{\\field{\\*\\fldinst IF {\\field{\\*\\fldinst PAGE}{\\fldrslt 1}} = 1 \"one\"}{\\fldrslt one}}}",
         {}, "one", {"0 field | IF {\\field{\\*\\fldinst PAGE}{\\fldrslt 1}} = 1 \"one\"", "3 end | "}, "\\fldinst", 2},
        {"instruction in another code page", "{\\rtf1\\ansi\\ansicpg1251 {\\field{\\*\\fldinst REF \\'c0}{\\fldrslt 1}}}", {},
         "1", {"0 field | REF \\u1040?", "1 end | "}, "\\fldinst", 1},
    };
    for (const auto &c : cases) {
        auto doc = load(c.rtf);
        QVERIFY2(doc, c.name);
        if (c.edit)
            c.edit(*doc);
        const QByteArray w1 = rtf::write(doc.get());
        QCOMPARE(w1.count(c.word + ' ') + w1.count(c.word + '\\') + w1.count(c.word + '{'),
                 qsizetype(c.count < 0 ? c.parts.size() : c.count));
        auto back = load(w1);
        QVERIFY2(back, c.name);
        QCOMPARE(rtf::plainText(back.get()), c.text);
        QCOMPARE(partList(*back), c.parts);
        QCOMPARE(rtf::write(back.get()), w1);
        // The anchors are not the user's text.
        QCOMPARE(rtf::plainText(doc.get()), c.text);
        QCOMPARE(rtf::withoutStandIns(doc.get(), doc->toPlainText()), c.text);
    }

    // A link to a bookmark has its target; what else its instruction says
    // is written as read while the link goes there.
    auto marked = load("{\\rtf1{\\field{\\*\\fldinst HYPERLINK \\\\l \"b\" \\\\o \"tip\"}{\\fldrslt go}} x{\\*\\bkmkstart b}y}");
    QCOMPARE(formatOf(marked.get(), QStringLiteral("go")).anchorHref(), QStringLiteral("#b"));
    QTextCursor target(marked.get());
    target.setPosition(5);
    QCOMPARE(target.charFormat().anchorNames(), QStringList{QStringLiteral("b")});
    QVERIFY(rtf::write(marked.get()).contains("{\\*\\fldinst HYPERLINK \\\\l \"b\" \\\\o \"tip\"}{\\fldrslt {"));
    checkStable(*marked);
    QTextCharFormat elsewhere;
    elsewhere.setAnchorHref(QStringLiteral("#c"));
    marked->find(QStringLiteral("go")).mergeCharFormat(elsewhere);
    QVERIFY(rtf::write(marked.get()).contains("{HYPERLINK \\\\l \"c\"}"));

    // An anchor takes no room on the line.
    auto withNote = load("{\\rtf1 ab{\\footnote N}c}");
    auto without = load("{\\rtf1 abc}");
    rtf::registerKeptParts(withNote.get());
    rtf::registerKeptParts(withNote.get()); // once is enough; twice does no harm
    QCOMPARE(withNote->idealWidth(), without->idealWidth());
    QCOMPARE(rtf::withoutStandIns(withNote.get(), withNote->toPlainText().mid(2), 2), QStringLiteral("c"));
}

// Page setup, language, widow control, the document's information and
// the note settings are kept as read and written back in the header.
void TestRtfWriter::documentSettings()
{
    auto doc = load("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1031{\\fonttbl{\\f0 Times;}}"
                    "{\\info{\\title A title}{\\author Ann}{\\creatim\\yr2020\\mo1\\dy2\\hr3\\min4}}"
                    "\\paperw11906\\paperh16838\\margl1134\\margr1135\\margt1417\\margb1136\\gutter20\\landscape"
                    "\\headery709\\footery710\\widowctrl\\ftnbj\\ftnnar\\aftnnrlc\\ftnstart1\\fet0\\ftnbj "
                    "{\\footnote\\pard\\paperw1 \\margl2 not the document's}\\pard Text\\par}");
    QVERIFY(doc);
    const auto s = doc->rootFrame()->frameFormat().property(rtf::kDocumentSettings).value<rtf::DocumentSettings>();
    QCOMPARE(QList<int>({s.paperWidth, s.paperHeight, s.marginLeft, s.marginRight, s.marginTop, s.marginBottom,
                         s.gutter, s.headerY, s.footerY, s.language, s.landscape, s.widowControl}),
             QList<int>({11906, 16838, 1134, 1135, 1417, 1136, 20, 709, 710, 1031, 1, 1}));
    QCOMPARE(s.notes, QByteArray("\\ftnbj\\ftnnar\\aftnnrlc\\ftnstart1\\fet0"));
    QCOMPARE(s.info, QByteArray("{\\info{\\title A title}{\\author Ann}{\\creatim\\yr2020\\mo1\\dy2\\hr3\\min4}}"));
    const QByteArray w1 = rtf::write(doc.get());
    QVERIFY(w1.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1031\\uc1"));
    QVERIFY(w1.contains("\r\n{\\info{\\title A title}"));
    QVERIFY(w1.contains("\\paperw11906\\paperh16838\\margl1134\\margr1135\\margt1417\\margb1136\\gutter20"
                        "\\headery709\\footery710\\landscape\\widowctrl\\ftnbj\\ftnnar\\aftnnrlc\\ftnstart1\\fet0"));
    checkStable(*doc);

    // Information in another code page is not kept as bytes that would
    // mean other letters under the header's, nor with bytes that are no text.
    for (const QByteArray &in : {QByteArray("{\\rtf1\\ansi\\ansicpg1251{\\info{\\title \\'c0}}x}"),
                                 QByteArray("{\\rtf1{\\info{\\title a\0b}}x}", 27)}) {
        doc = load(in);
        QVERIFY(!rtf::write(doc.get()).contains("info"));
        QCOMPARE(rtf::plainText(load(rtf::write(doc.get())).get()), QStringLiteral("x"));
    }

    // Latent styles outside the style sheet stay where they were: in the
    // header, or after the body, where Word writes them.
    const QByteArray latent = "{\\*\\latentstyles\\lsdstimax376{\\lsdlockedexcept \\lsdpriority0 Normal;}}";
    for (const bool last : {false, true}) {
        doc = load("{\\rtf1" + (last ? QByteArray() : latent) + "\\pard Text\\par" + (last ? latent : QByteArray()) + '}');
        const QByteArray w = rtf::write(doc.get());
        QVERIFY(w.contains(latent));
        QCOMPARE(w.indexOf(latent) > w.indexOf("Text"), last);
        checkStable(*doc);
    }
}

// Page breaks and the starts of sections with their properties are
// kept where they stood; \pagebb stays a paragraph's.
void TestRtfWriter::pagesAndSections()
{
    auto doc = load("{\\rtf1\\sectd\\sbknone\\cols2 First\\page Second\\par Third\\par\\page\\pard\\pagebb Fourth"
                    "\\sect\\sectd\\sbkodd\\pgnrestart\\pgnstarts5 Fifth\\par}");
    QVERIFY(doc);
    QCOMPARE(rtf::plainText(doc.get()), QStringLiteral("First\nSecond\nThird\nFourth\nFifth"));
    QCOMPARE(structure(*doc), QStringLiteral("First Second Third Fourth Fifth"));
    const QStringList parts = {"0 section | \\sectd\\sbknone\\cols2", "6 page | ", "19 page | ",
                               "26 section+ | \\sectd\\sbkodd\\pgnrestart\\pgnstarts5"};
    QCOMPARE(partList(*doc), parts);
    QVERIFY(doc->find(QStringLiteral("Fourth")).blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore);
    const QByteArray w1 = rtf::write(doc.get());
    QVERIFY(w1.contains("\\sectd\\sbknone\\cols2"));
    QVERIFY(w1.contains("\\sect\\sectd\\sbkodd\\pgnrestart\\pgnstarts5"));
    QVERIFY(w1.contains("\\pagebb"));
    QCOMPARE(w1.count("\\page\\") + w1.count("\\page "), 2);
    QCOMPARE(w1.count("\\sect"), 3); // the break, the two \sectd
    QCOMPARE(partList(*load(w1)), parts);
    checkStable(*doc);

    // A later section keeps its own header; a column break stays where it was.
    doc = load("{\\rtf1{\\header First\\par}a\\column b\\sect\\sectd{\\header Second\\par}"
               "{\\footer Page {\\field{\\*\\fldinst PAGE}{\\fldrslt 1}} of {\\field{\\*\\fldinst NUMPAGES}{\\fldrslt 2}}\\par}c\\par}");
    QCOMPARE(partList(*doc), QStringList({"2 column | ", "4 section+ | \\sectd"}));
    QCOMPARE(doc->rootFrame()->frameFormat().property(rtf::kSectionParts).toStringList().size(), 1);
    const QByteArray w2 = rtf::write(doc.get());
    QVERIFY(w2.indexOf("Second") > w2.indexOf("\\sect\\sectd{\\header"));
    QVERIFY(w2.indexOf("{\\field{\\*\\fldinst NUMPAGES}{\\fldrslt") > w2.indexOf("{\\footer"));
    QVERIFY(w2.indexOf("First") < w2.indexOf("\\column"));
    checkStable(*doc);

    // A later section's page is its own, not the document's; a section
    // that opens with a table breaks before the row, not in its first cell.
    doc = load("{\\rtf1\\paperw11905 a\\sect\\paperw16837\\landscape\\trowd\\cellx900\\intbl b\\cell\\row}");
    const auto page = doc->rootFrame()->frameFormat().property(rtf::kDocumentSettings).value<rtf::DocumentSettings>();
    QCOMPARE(QList<int>({page.paperWidth, page.landscape}), QList<int>({11905, 0}));
    const QByteArray w3 = rtf::write(doc.get());
    QVERIFY(w3.contains("a\\sect\\paperw16837\\landscape"));
    QVERIFY(w3.indexOf("\\sect") < w3.indexOf("\\trowd"));
    checkStable(*doc);

    // A page break and a section's words before the same paragraph, in
    // either order, come back in one order.
    for (const char *in : {"{\\rtf1 a\\par\\page\\sectd\\cols2 b\\par}", "{\\rtf1 a\\par\\sectd\\cols2\\page b\\par}"}) {
        doc = load(in);
        QCOMPARE(partList(*doc), QStringList({"2 page | ", "2 section | \\sectd\\cols2"}));
        checkStable(*doc);
    }
    // A column break comes after its section's columns: before them, with
    // one column, it is a page break.
    QVERIFY(rtf::write(load("{\\rtf1\\cols2\\column hello\\par}").get()).contains("\\cols2\\column"));
    // An empty paragraph before a section break stays one.
    doc = load("{\\rtf1 a\\par{\\par}\\sect\\sectd\\cols2 b\\par}");
    QCOMPARE(rtf::plainText(load(rtf::write(doc.get())).get()), QStringLiteral("a\n\nb"));
}

void TestRtfWriter::tabsAndLineSpacing()
{
    auto doc = load("{\\rtf1 \\pard\\tx720\\tqr\\tldot\\tx5760\\tqc\\tx3000\\tqdec\\tlhyph\\tx4320 cols\\par"
                    "\\pard\\tx1440\\tb2000\\tx1440\\tqr\\tx100 same place\\par"
                    "\\pard\\sl360\\slmult1 one and a half\\par\\pard\\sl-300\\slmult0 exactly\\par"
                    "\\pard\\sl480 at least\\par\\pard\\sl0 single\\par}");
    QVERIFY(doc);
    // Kinds: 0 left, 1 right, 2 centre, 3 decimal; positions in twips; 300 twips = 20 px.
    QCOMPARE(formatDump(*doc).filter(QStringLiteral("P0")).replaceInStrings(QStringLiteral("P0 q1 li0 ri0 fi0 sb0 sa0"), QString()),
             QStringList({" tab0:720 tab2:3000 tab3:4320 tab1:5760 leaders'  -.'", " tab1:100 tab0:1440", " line1:150",
                          " line2:20", " line3:32", ""}));
    QCOMPARE(blockOf(doc.get(), QStringLiteral("cols")).tabPositions().at(2).delimiter, QChar(u'.'));
    checkStable(*doc);
}

// A paragraph or run shows its style's look (based-on styles followed, in
// any order) under its own words; headings are headings; a change the
// user made wins over the style after the trip.
void TestRtfWriter::styles()
{
    auto doc = load("{\\rtf1{\\fonttbl{\\f0 Times;}{\\f1 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
                    "{\\stylesheet{\\fs20\\widctlpar \\snext0 \\sqformat Normal;}"
                    "{\\s1\\sb240\\b\\f1\\fs32\\sbasedon0\\snext2\\spriority9 heading 1;}"
                    "{\\s2\\sl360\\slmult1\\sbasedon0 Body;}{\\s3\\li720\\sbasedon2 Quote;}"
                    "{\\s4\\qc\\sbasedon5 Forward;}{\\s5\\sa120\\sbasedon4 Loop;}"
                    "{\\*\\cs10\\additive\\i\\cf1 Emphasis;}{\\*\\ts11\\tsrowd\\trpaddl108 Grid;}"
                    "{\\s6\\outlinelevel2 Custom;}{\\s7 \\'dcberschrift 2;}{\\s8 Tab\\'09and\\'a0space;}}"
                    "\\pard\\s1 Head\\par\\pard\\plain\\s2 Body {\\cs10 emph}\\par\\pard\\s3 Quoted\\par"
                    "\\pard\\s2\\sl0 Single\\par\\pard\\plain\\s1\\b0 Plain\\par\\pard\\s4 Fwd\\par"
                    "\\pard\\s6 Custom\\par\\pard\\s7 Ueber\\par\\pard\\outlinelevel0 Outline\\par"
                    "\\pard\\s1\\plain Under\\par\\pard\\qc\\s3 Before\\par\\trowd\\ts11\\cellx2000\\pard\\intbl cell\\cell\\row}");
    QVERIFY(doc);
    const QRegularExpression para(QStringLiteral("^P\\d "));
    const QStringList paragraphs = formatDump(*doc).filter(para);
    QCOMPARE(paragraphs.mid(0, 9), QStringList({
        "P0 q1 li0 ri0 fi0 sb240 sa0 s1 h1", "P0 q1 li0 ri0 fi0 sb0 sa0 s2 h0 line1:150",
        "P0 q1 li720 ri0 fi0 sb0 sa0 s3 h0 line1:150", "P0 q1 li0 ri0 fi0 sb0 sa0 s2 h0",
        "P0 q1 li0 ri0 fi0 sb240 sa0 s1 h1", "P0 q4 li0 ri0 fi0 sb0 sa120 s4 h0",
        "P0 q1 li0 ri0 fi0 sb0 sa0 s6 h3", "P0 q1 li0 ri0 fi0 sb0 sa0 s7 h2", "P0 q1 li0 ri0 fi0 sb0 sa0 s0 h1"}));
    QCOMPARE(lookOf(doc.get(), QStringLiteral("Head")), QStringLiteral("1000 v0 / Arial 16"));
    QCOMPARE(lookOf(doc.get(), QStringLiteral("Plain")), QStringLiteral("0000 v0 / Arial 16"));
    QCOMPARE(lookOf(doc.get(), QStringLiteral("Under")), QStringLiteral("1000 v0 / Arial 16")); // \plain: to the style
    // AbiWord writes a paragraph's words before its style's number.
    QCOMPARE(formatDump(*doc).filter(para).value(10), QStringLiteral("P0 q4 li720 ri0 fi0 sb0 sa0 s3 h0 line1:150"));
    QCOMPARE(lookOf(doc.get(), QStringLiteral("emph")), QStringLiteral("0100 v0 #ff0000/ Times 10"));
    QVERIFY(doc->toHtml().contains(QStringLiteral("<h3")));
    const QByteArray w1 = rtf::write(doc.get());
    for (const char *kept : {"{\\stylesheet\r\n{\\widctlpar\\fs20\\snext0\\sqformat Normal;}",
                             "{\\*\\cs10\\additive\\i\\cf1 Emphasis;}", "\\pard\\s2", "\\ts11", "\\fs32\\b0 Plain"})
        QVERIFY2(w1.contains(kept), kept);
    const auto names = [](const QTextDocument &d) {
        QStringList out;
        for (const rtf::Style &s : d.rootFrame()->frameFormat().property(rtf::kStyleSheet).value<rtf::StyleSheet>().styles)
            out << s.name;
        return out;
    };
    QCOMPARE(names(*load(w1)), names(*doc));
    checkStable(*doc);

    // \pard puts a paragraph in style 0; a style named after it takes the
    // place of style 0's look, also where it is based on style 0.
    auto plain = load("{\\rtf1{\\stylesheet{\\qj\\sa120 Normal;}{\\s1\\ql\\sbasedon0 Left;}}"
                      "\\pard Just\\par\\pard\\s1 Left\\par}");
    QCOMPARE(formatDump(*plain).filter(para), QStringList({"P0 q8 li0 ri0 fi0 sb0 sa120", "P0 q1 li0 ri0 fi0 sb0 sa120 s1 h0"}));
    checkStable(*plain);

    // The user's changes: no spacing in a paragraph whose style has it, a
    // run that is no longer italic in its character style.
    QTextCursor c = doc->find(QStringLiteral("Quoted"));
    QTextBlockFormat bf = c.blockFormat();
    bf.setLineHeight(100, QTextBlockFormat::SingleHeight);
    bf.setLeftMargin(0);
    c.setBlockFormat(bf);
    QTextCharFormat upright;
    upright.setFontItalic(false);
    doc->find(QStringLiteral("emph")).mergeCharFormat(upright);
    auto back = load(rtf::write(doc.get()));
    QCOMPARE(formatDump(*back).filter(para).value(2), QStringLiteral("P0 q1 li0 ri0 fi0 sb0 sa0 s3 h0"));
    QCOMPARE(lookOf(back.get(), QStringLiteral("emph")), QStringLiteral("0000 v0 #ff0000/ Times 10"));
}

void TestRtfWriter::cellLooks()
{
    // Three columns of 2880 twips; a row of fewer, wider cells spans them;
    // vertical and horizontal merges; borders only where written.
    auto doc = load(
        "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
        "\\trowd\\trgaph108\\trrh400\\clcbpat2\\clvertalc\\clbrdrt\\brdrs\\brdrw30\\brdrcf1"
        "\\clbrdrb\\brdrdb\\brdrw15\\cellx2880\\clshdng2500\\cellx8640"
        "\\pard\\intbl a\\cell wide\\cell\\row"
        "\\trowd\\trgaph108\\clvmgf\\cellx2880\\clvertalb\\cellx5760\\cellx8640"
        "\\pard\\intbl tall\\cell b\\cell c\\cell\\row"
        "\\trowd\\trgaph108\\clvmrg\\cellx2880\\clmgf\\cellx5760\\clmrg\\cellx8640"
        "\\pard\\intbl\\cell joined\\cell\\cell\\row"
        "\\pard after\\par}");
    QVERIFY(doc);
    const QStringList dump = tableDump(doc->rootFrame());
    // va: 3 middle, 5 bottom; borders width/style (3 solid, 4 double)/colour
    QCOMPARE(dump, QStringList({
        "table 3x3 w[2880,2880,2880] pad108 border0",
        " 0,0 1x1 bg#0000ff va3 h400 2/3/#ff0000 - 1/4/#000000 - a",
        " 0,1 1x2 bg#c0c0c0 va0 h400 - - - - wide",
        " 1,0 2x1 bg va0 h0 - - - - tall",
        " 1,1 1x1 bg va5 h0 - - - - b",
        " 1,2 1x1 bg va0 h0 - - - - c",
        " 2,1 1x2 bg va0 h0 - - - - joined",
    }));
    QCOMPARE(structure(*doc), QStringLiteral("[a|wide/tall|b|c/joined] after"));
    QVERIFY(rtf::write(doc.get()).contains("\\clvmgf")); // our reader merges without it, others do not
    checkStable(*doc);
}

void TestRtfWriter::lists()
{
    // As LibreOffice and Word write them: the list table defines the
    // levels, paragraphs name them, \listtext is only a label.
    auto doc = load(
        "{\\rtf1{\\fonttbl{\\f0 Times;}{\\f1\\fcharset2 Symbol;}}"
        "{\\*\\listtable{\\list\\listtemplateid7"
        "{\\listlevel\\levelnfc0\\levelstartat3{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}\\fi-360\\li720}"
        "{\\listlevel\\levelnfc4\\levelstartat1{\\leveltext\\'03(\\'01);}{\\levelnumbers\\'02;}\\fi-360\\li1440}"
        "\\listid11}"
        "{\\list{\\listlevel\\levelnfc23{\\leveltext\\'01\\u-3913 ?;}{\\levelnumbers;}\\f1\\fi-283\\li709}\\listid22}"
        "{\\list{\\listlevel\\levelnfc2{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}\\fi-360\\li720}\\listid33}}"
        "{\\*\\listoverridetable{\\listoverride\\listid11\\listoverridecount0\\ls1}"
        "{\\listoverride\\listid22\\listoverridecount0\\ls2}{\\listoverride\\listid33\\ls3}}"
        "{\\listtext 3.\\tab}\\pard\\ls1\\li720\\fi-360 three\\par"
        "{\\listtext (a)\\tab}\\pard\\ls1\\ilvl1\\li1440\\fi-360 sub\\par"
        "{\\listtext 4.\\tab}\\pard\\ls1\\li720\\fi-360 four\\par"
        "\\pard{\\b\\fs40 between\\par}"
        "{\\listtext\\f1 \\'b7\\tab}\\pard\\ls2 bullet\\par"
        "\\pard\\ls1 five\\par"
        "\\pard\\ls3 roman\\par}");
    QVERIFY(doc);
    QCOMPARE(plain(rtf::write(doc.get())), QString::fromUtf16(u"3.\tthree\n(a)\tsub\n4.\tfour\nbetween\n"
                                                                u"\u2022\tbullet\n5.\tfive\ni.\troman"));
    QTextBlock three = doc->find(QStringLiteral("three")).block();
    QTextList *first = three.textList();
    QVERIFY(first);
    QCOMPARE(first->format().style(), QTextListFormat::ListDecimal);
    QCOMPARE(first->count(), 3); // three, four, five: one list, numbering goes on
    QCOMPARE(doc->find(QStringLiteral("sub")).block().textList()->format().style(), QTextListFormat::ListLowerAlpha);
    QCOMPARE(three.blockFormat().leftMargin(), 48.0); // 720 twips
    QCOMPARE(three.blockFormat().textIndent(), 0.0);  // the marker's: -360 on the list
    QCOMPARE(doc->find(QStringLiteral("between")).block().textList(), nullptr);
    QCOMPARE(rtf::listMarker(doc->find(QStringLiteral("bullet")).block()), QStringLiteral(u"\u2022"));
    // Its marker is drawn in its own look, not the big bold one before it.
    QCOMPARE(doc->find(QStringLiteral("bullet")).block().charFormat().fontWeight(), QFont::Normal);
    // Written back as list tables, with labels for older readers.
    QVERIFY(rtf::write(doc.get()).contains("{\\listtext\\pard\\plain 3.\\tab}"));
    checkStable(*doc);
}

void TestRtfWriter::listShapes_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text"); // with markers, as read and as read back
    QTest::addColumn<QByteArray>("written");
    const QByteArray head = "{\\rtf1\\ansi{\\fonttbl{\\f0 Times;}{\\f1\\fcharset2 Symbol;}{\\f2\\fcharset2 Wingdings;}"
                            "{\\f3\\fcharset2 Wingdings 2;}{\\f4\\fcharset2 Wingdings 3;}{\\f5\\fcharset2 Webdings;}}"
                            "{\\colortbl;\\red255\\green0\\blue0;}";
    auto row = [&](const char *name, const QByteArray &body, const char16_t *text, const char *written) {
        QTest::newRow(name) << head + body + '}' << QString::fromUtf16(text) << QByteArray(written);
    };
    // Levels of one list: numbers above go in front, a level goes on
    // across deeper items and starts again under the next item above.
    row("nesting",
        "{\\*\\listtable{\\list\\listtemplateid9"
        "{\\listlevel\\levelnfc0\\leveljc0{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}\\fi-360\\li720}"
        "{\\listlevel\\levelnfc4{\\leveltext\\'04\\'00.\\'01.;}{\\levelnumbers\\'01\\'03;}\\fi-360\\li1440}"
        "{\\listlevel\\levelnfc23{\\leveltext\\'01\\'b7;}{\\levelnumbers;}\\f1\\fi-360\\li2160}\\listid4}}"
        "{\\*\\listoverridetable{\\listoverride\\listid4\\ls1}}"
        "\\pard\\ls1 a\\par\\pard\\ls1\\ilvl1 b\\par\\pard\\ls1\\ilvl1 c\\par\\pard\\ls1\\ilvl2 d\\par"
        "\\pard\\ls1 e\\par\\pard\\ls1\\ilvl1 f\\par\\pard\\ls1 g\\par",
        u"1.\ta\n1.a.\tb\n1.b.\tc\n\u2022\td\n2.\te\n2.a.\tf\n3.\tg", "\\ls1\\ilvl1\\li1440");
    // Old lists: \pn words in each paragraph, the label before them.
    row("pn", "\\pard{\\pntext 1.\\tab}{\\*\\pn\\pnlvlbody\\pndec\\pnstart1\\pnhang{\\pntxta .}}\\fi-360\\li360 A\\par B\\par"
              "\\pard{\\pntext\\f1 \\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb \\'b7}}\\fi-360\\li360 C\\par"
              "\\pard{\\*\\pn\\pnlvlbody\\pnlcrm\\pnstart4{\\pntxtb (}{\\pntxta )}}D\\par",
        u"1.\tA\n2.\tB\n\u2022\tC\n(iv)\tD", "{\\*\\pn\\pnlvlbody\\pndec\\pnstart1\\pnindent360\\pnhang{\\pntxta .}}");
    // Bullets of symbol fonts as what they mean; a dash stays a dash.
    row("bullets",
        "{\\*\\listtable{\\list{\\listlevel\\levelnfc23{\\leveltext\\'01\\u-3913 ?;}\\f1}\\listid1}"
        "{\\list{\\listlevel\\levelnfc23{\\leveltext\\'01\\'a7;}\\f2}\\listid2}"
        "{\\list{\\listlevel\\levelnfc23{\\leveltext\\'01\\'d8;}\\f2}\\listid3}"
        "{\\list{\\listlevel\\levelnfc23{\\leveltext\\'01\\'96;}}\\listid5}}"
        "{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}{\\listoverride\\listid2\\ls2}"
        "{\\listoverride\\listid3\\ls3}{\\listoverride\\listid5\\ls4}}"
        "\\pard\\ls1 s\\par\\pard\\ls2 w\\par\\pard\\ls3 x\\par\\pard\\ls4 d\\par",
        u"\u2022\ts\n\u25AA\tw\n\u27A2\tx\n\u2013\td", "{\\leveltext\\'01\\u-3913?;}{\\levelnumbers;}\\f1");
    // Other dingbat faces; their bytes (80-9F too) are written as read.
    row("dings",
        "{\\*\\listtable{\\list{\\listlevel\\levelnfc23{\\leveltext\\'01\\'97;}\\f3}\\listid1}"
        "{\\list{\\listlevel\\levelnfc23{\\leveltext\\'01\\'75;}\\f4}\\listid2}"
        "{\\list{\\listlevel\\levelnfc23{\\leveltext\\'01a;}\\f5}\\listid3}}"
        "{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}{\\listoverride\\listid2\\ls2}{\\listoverride\\listid3\\ls3}}"
        "\\pard\\ls1 a\\par\\pard\\ls2 b\\par\\pard\\ls3 c\\par",
        u"\u2022\ta\n\u25B6\tb\n\u2714\tc", "{\\leveltext\\'01\\'97;}");
    // Legal numbering, a level that counts on under the next item above,
    // and a marker's own look (its colour by the colour, not the index).
    row("level words",
        "{\\*\\listtable{\\list"
        "{\\listlevel\\levelnfc1{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}\\fi-360\\li720}"
        "{\\listlevel\\levelnfc0\\levellegal1\\levelnorestart1{\\leveltext\\'04\\'00.\\'01.;}{\\levelnumbers\\'01\\'03;}"
        "\\fi-720\\li1440}\\listid1}}{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}}"
        "\\pard\\ls1 a\\par\\pard\\ls1\\ilvl1 b\\par\\pard\\ls1\\ilvl1 c\\par\\pard\\ls1 d\\par\\pard\\ls1\\ilvl1 e\\par",
        u"I.\ta\n1.1.\tb\n1.2.\tc\nII.\td\n2.3.\te", "\\levellegal1\\levelnorestart1");
    row("level look",
        "{\\*\\listtable{\\list{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}\\b\\cf1\\fs32}\\listid1}}"
        "{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}}\\pard\\ls1 a\\par",
        u"1.\ta", "\\b\\cf1\\fs32\\fi0");
    // A picture bullet keeps its picture and shows a plain bullet.
    row("picture bullet",
        "{\\*\\listtable{\\*\\listpicture{\\*\\shppict{\\pict\\pngblip\\picw1\\pich1 89504e47}}}"
        "{\\list{\\listlevel\\levelnfc23\\levelpicture0{\\leveltext\\'01\\'b7;}\\f1}\\listid1}}"
        "{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}}\\pard\\ls1 a\\par",
        u"\u2022\ta", "{\\*\\listpicture{\\*\\shppict{\\pict\\pngblip\\picw1\\pich1 89504e47}}}");
    // First numbers: the level's, and an override's.
    row("start",
        "{\\*\\listtable{\\list{\\listlevel\\levelnfc0\\levelstartat5{\\leveltext\\'02\\'00);}}\\listid1}}"
        "{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}"
        "{\\listoverride\\listid1\\listoverridecount1{\\lfolevel\\listoverridestartat\\levelstartat7}\\ls2}}"
        "\\pard\\ls1 a\\par\\pard\\ls1 b\\par\\pard\\ls2 c\\par",
        u"5)\ta\n6)\tb\n7)\tc", "{\\lfolevel\\listoverridestartat\\levelstartat7}");
    // An item's own first-line indent, unlike its level's.
    row("own indent",
        "{\\*\\listtable{\\list{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}\\fi-360\\li720}\\listid1}}"
        "{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}}\\pard\\ls1\\fi-720 a\\par\\pard\\ls1 b\\par",
        u"1.\ta\n2.\tb", "\\ls1\\ilvl0\\li720\\fi-720");
    // A simple list's items at a deeper level are of its one level.
    row("bullet stays",
        "{\\*\\listtable{\\list\\listsimple1{\\listlevel\\levelnfc23{\\leveltext\\'01\\'b7;}\\f1}\\listid1}}"
        "{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}}\\pard\\ls1\\ilvl1 a\\par",
        u"\u2022\ta", "\\listsimple1");
}

void TestRtfWriter::listShapes()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QFETCH(QByteArray, written);
    auto doc = load(rtf);
    QVERIFY(doc);
    QCOMPARE(rtf::plainText(doc.get()), text);
    const QByteArray out = rtf::write(doc.get());
    QVERIFY2(out.contains(written), out);
    QCOMPARE(plain(out), text);
    checkStable(*doc);
}

// What we write, LibreOffice reads with the same layout: indents at their
// true size, merged table cells, lists, and the parts the editor does not
// show (header, footnote). Skipped where LibreOffice is not installed.
void TestRtfWriter::libreOfficeLayout()
{
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
        QSKIP("LibreOffice (soffice) is not installed");
    auto doc = load(
        "{\\rtf1\\ansi{\\fonttbl{\\f0 Times New Roman;}}"
        "{\\header \\pard Running head\\par}"
        "{\\*\\listtable{\\list{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}\\fi-360\\li720}\\listid5}}"
        "{\\*\\listoverridetable{\\listoverride\\listid5\\ls1}}"
        "\\pard\\li1440\\fi-720 indented\\par"
        "\\pard\\ls1\\li720 first item\\par\\pard\\ls1\\li720 second item{\\super\\chftn}{\\footnote\\pard Note text.}\\par"
        "\\trowd\\cellx2880\\cellx8640\\pard\\intbl a\\cell wide\\cell\\row"
        "\\trowd\\clvmgf\\cellx2880\\cellx5760\\cellx8640\\pard\\intbl tall\\cell b\\cell c\\cell\\row"
        "\\trowd\\clvmrg\\cellx2880\\cellx5760\\cellx8640\\pard\\intbl\\cell d\\cell e\\cell\\row"
        "\\pard after\\par}");
    QVERIFY(doc);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString html = libreOfficeHtml(dir, rtf::write(doc.get())).simplified(); // it wraps lines
    QVERIFY2(!html.isEmpty(), "LibreOffice wrote no HTML");

    // One inch of left indent, half an inch hanging: 1440 and -720 twips.
    static const QRegularExpression para(QStringLiteral("<p[^>]*style=\"([^\"]*)\"[^>]*>\\s*(?:<[^>]*>\\s*)*indented"));
    const auto m = para.match(html);
    QVERIFY2(m.hasMatch(), qPrintable(html.left(2000)));
    static const QRegularExpression left(QStringLiteral("margin-left:\\s*([^;]+)"));
    static const QRegularExpression indent(QStringLiteral("text-indent:\\s*([^;]+)"));
    QVERIFY(qAbs(cssTwips(left.match(m.captured(1)).captured(1)) - 1440) <= 15);
    QVERIFY(qAbs(cssTwips(indent.match(m.captured(1)).captured(1)) + 720) <= 15);
    // The list is a list; the table keeps its merged cells.
    QVERIFY(html.contains(QLatin1String("<ol")));
    QVERIFY(html.contains(QLatin1String("colspan=\"2\"")));
    QVERIFY(html.contains(QLatin1String("rowspan=\"2\"")));
    // The parts the editor does not show are there.
    QVERIFY(html.contains(QLatin1String("Running head")));
    QVERIFY(html.contains(QLatin1String("Note text.")));
}

// Properties Qt does not draw are kept and written back; what the user
// changed is written with the user's value; equal runs still merge.
void TestRtfWriter::keptProperties()
{
    const auto change = [](const char *text, std::function<void(QTextCharFormat &)> set) {
        return [text, set](QTextDocument &d) {
            QTextCursor c = d.find(QString::fromLatin1(text));
            QTextCharFormat f = c.charFormat();
            set(f);
            c.setCharFormat(f);
        };
    };
    const QByteArray head = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}";
    const QByteArray frame = "\\pard\\absh-600\\absw3000\\box\\brdrs\\brdrw10\\cbpat1\\dxfrtext180\\phpg\\posx1440"
                             "\\posy2880\\pvpg\\wraparound\\plain\\f0\\fs24 ";
    const struct {
        const char *name;
        QByteArray rtf;
        std::function<void(QTextDocument &)> edit;
        QByteArrayList written, notWritten;
    } cases[] = {
        {"run words", head + "{\\lang1031\\langfe1041\\noproof\\kerning2\\outl\\shad\\embo\\ulc1 a}"
                             "{\\impr\\accdot\\accnone b}{\\outl\\outl0 c}}", {},
         {"\\lang1031\\langfe1041", "\\noproof", "\\kerning2", "\\outl", "\\shad", "\\embo", "\\ulc1", "\\impr",
          "\\accnone"}, {"\\accdot", "\\outl0"}},
        {"paragraph words",
         head + "\\pard\\keepn\\keep\\nowidctlpar\\widctlpar\\hyphpar0\\contextualspace\\aspalpha\\cbpat1\\shading2000"
                "\\brdrt\\brdrs\\brdrw10\\brsp40\\brdrcf1\\brdrb\\brdrdb\\brdrs\\brdrw15 a\\par"
                "\\trowd\\clbrdrt\\brdrs\\brdrw30\\cellx1000\\pard\\intbl\\box\\brdrdot c\\cell\\row}", {},
         {"\\keep\\keepn", "\\widctlpar", "\\hyphpar0", "\\contextualspace", "\\cbpat1", "\\shading2000",
          "\\brdrb\\brdrs\\brdrw15\\brdrt\\brdrcf1\\brdrs\\brdrw10\\brsp40", "\\box\\brdrdot"},
         {"\\nowidctlpar", "\\brdrdb"}},
        {"shown words", head + "{\\up6 a}{\\dn3 b}{\\expnd4\\expndtw20 c}{\\charscalex150 d}\\pagebb}", {},
         {"\\up6 a", "\\dn3 b", "\\expnd4\\expndtw20 c", "\\charscalex150 d", "\\pagebb"}, {}},
        {"double lines", head + "{\\uldb\\striked1 a}{\\ulthd b}}", {}, {"\\uldb\\striked1 a", "\\ulthd b"},
         {"\\ul\\", "\\strike\\", "\\strike "}},
        {"the user's underline", head + "{\\uldb\\striked1 a}{\\ulth b}}",
         [&](QTextDocument &d) {
             change("a", [](QTextCharFormat &f) { f.setFontUnderline(false), f.setFontStrikeOut(false); })(d);
             change("b", [](QTextCharFormat &f) { f.setUnderlineStyle(QTextCharFormat::WaveUnderline); })(d);
         },
         {"\\ulwave b"}, {"\\uldb", "\\striked", "\\ulth"}},
        {"the user's spacing", head + "{\\up6\\expndtw20\\lang1031 a}}",
         change("a", [](QTextCharFormat &f) { f.setFontLetterSpacing(4), f.setBaselineOffset(0); }),
         {"\\expnd12\\expndtw60\\lang1031 a"}, {"\\up"}},
        // Paragraphs with equal frame words are one frame: each keeps its
        // words, in a header, a note and a cell too, and Enter in a frame
        // makes another paragraph of it.
        {"frames", fileData(QStringLiteral(QUILLET_TEST_DATA "/rtf/frames.rtf")),
         [](QTextDocument &d) {
             QTextCursor c = d.find(QStringLiteral("Body between"));
             c.setPosition(c.selectionStart());
             c.insertText(QStringLiteral("More. "));
             c = d.find(QStringLiteral("line two."));
             c.clearSelection();
             c.insertBlock();
             c.insertText(QStringLiteral("Line three."));
         },
         {"{\\header\\pard\\absw2000\\phpg\\posxr\\posy360\\pvpg", "{\\footnote\\pard\\absw3000\\phmrg\\posxc\\posyb\\pvmrg",
          "\\absh-800\\dropcapli3\\dropcapt1\\dxfrtext72\\nowrap\\phcol\\posy0\\pvpara\\plain\\f0\\fs96 Q\\par",
          frame + "First frame, line one.\\par", frame + "First frame, line two.\\par", frame + "Line three.\\par",
          "\\pard\\absh0\\absw2000\\adjustright\\aspalpha\\aspnum", "\\cbpat1\\dfrmtxtx144\\dfrmtxty144\\dxfrtext180\\faauto"
          "\\keepn\\phmrg\\posxr\\posy0\\pvpara\\shading1000\\widctlpar\\wrapdefault\r\n\\plain\\f0\\fs24 Second frame.\\par",
          "\\pard\\plain\\f0\\fs24 More. Body between.", "\\intbl\\absw1500\\phcol\\posxc\\posy0\\pvpara\\plain"}, {}},
        {"a face the font table lacks", "{\\rtf1{\\fonttbl{\\f1 Arial;}}\\f0 a{\\footnote n}\\par\\plain b}", {},
         {"{\\f0\\fnil\\fcharset0;}", "\\f0\\fs24 a", "\\f0\\fs24 n"}, {"\\f0\\fs24 b"}},
        {"document words",
         "{\\rtf1\\ansi\\deff1{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}{\\info{\\title T}}"
         "{\\*\\userprops {\\propname Client}\\proptype30{\\staticval ACME}}\\formprot\\protlevel2\\enforceprot1"
         "\\hyphauto1\\hyphhotz360\\viewkind1\\viewscale150{\\*\\background {\\shp{\\*\\shpinst{\\sp{\\sn fillColor}"
         "{\\sv 255}}}}}{\\f0 a}}", {},
         {"{\\f0\\fmodern\\fcharset0 Courier New;}", "{\\*\\userprops{\\propname Client}\\proptype30{\\staticval ACME}}",
          "\\viewkind1\\deftab", "\\enforceprot1\\formprot\\hyphauto1\\hyphhotz360\\protlevel2\\viewscale150",
          "{\\*\\background{\\shp{\\*\\shpinst{\\sp{\\sn fillColor}{\\sv 255}}}}}"}, {"\\viewkind4"}},
    };
    for (const auto &c : cases) {
        auto doc = load(c.rtf);
        QVERIFY2(doc, c.name);
        if (c.edit)
            c.edit(*doc);
        const QByteArray out = rtf::write(doc.get());
        for (const QByteArray &w : c.written)
            QVERIFY2(out.contains(w), c.name + QByteArray(": ") + w + " not in\n" + out);
        for (const QByteArray &w : c.notWritten)
            QVERIFY2(!out.contains(w), c.name + QByteArray(": ") + w + " in\n" + out);
        checkStable(c.edit ? *load(out) : *doc); // an edited run may keep words it no longer writes
    }

    // Equal runs share one format: Qt compares kept words by value, so a
    // look from another document typed in merges with its equal.
    const QByteArray runs = "{\\rtf1 {\\lang1031\\noproof a}{\\noproof\\lang1031 b}{\\lang1033\\noproof c}}";
    auto doc = load(runs);
    QVERIFY(formatOf(doc.get(), QStringLiteral("a")) != formatOf(doc.get(), QStringLiteral("c")));
    QTextCursor(doc.get()).insertText(QStringLiteral("z"), formatOf(load(runs).get(), QStringLiteral("b")));
    int fragments = 0;
    for (auto it = doc->firstBlock().begin(); !it.atEnd(); ++it)
        ++fragments;
    QCOMPARE(fragments, 2);

    // An empty paragraph has its mark's look, not the run's before it;
    // a mark unlike its paragraph's last run keeps its look too.
    doc = load("{\\rtf1 {\\fs48 big}\\fs20\\par\\par\\fs22 small{\\fs30\\par}}");
    QCOMPARE(doc->findBlockByNumber(1).charFormat().fontPointSize(), 10.0);
    const QByteArray out = rtf::write(doc.get());
    QVERIFY2(out.contains("\\fs20\\par\r\n\\pard\\plain\\f0\\fs20\\par") && out.contains("small\\plain\\f0\\fs30\\par"), out);
    checkStable(*doc);
    QCOMPARE(load(out)->findBlockByNumber(1).charFormat().fontPointSize(), 10.0);
}

QTEST_MAIN(TestRtfWriter)
#include "tst_rtfwriter.moc"
