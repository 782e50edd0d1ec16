// What real word processors write and a reader must keep: layout at its
// true size, colours, code pages, the parts the editor does not show, tab
// stops, line spacing, tables and lists. Each case reads a small fixture,
// checks the model, writes it, reads it again and compares; and LibreOffice
// reads what we write with the same layout.

#include "RtfTestUtil.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace rtftest;


namespace {

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

class TestRtfFidelity : public QObject {
    Q_OBJECT

private slots:
    void keptParts();
    void tabsAndLineSpacing();
    void tables();
    void lists();
    void fuzzFindings();
    void libreOfficeLayout();
};

void TestRtfFidelity::keptParts()
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
    QCOMPARE(doc->toPlainText(), QString::fromUtf16(u"Body1 more text end.\n\u200BSecond"));
    const QStringList sections = doc->rootFrame()->frameFormat().property(rtf::kSectionParts).toStringList();
    QCOMPARE(sections.size(), 2);
    QVERIFY(sections[0].startsWith(QStringLiteral("header\x1f")));
    QVERIFY(sections[1].startsWith(QStringLiteral("footerl\x1f")));
    auto partsAt = [&](const QString &text) {
        return formatOf(doc.get(), text).property(rtf::kAttachedParts).toStringList();
    };
    const QTextCharFormat mark = formatOf(doc.get(), QStringLiteral("1"));
    QCOMPARE(mark.stringProperty(rtf::kAutoNumber), QStringLiteral("1"));
    QCOMPARE(mark.toolTip(), QStringLiteral("1 The note."));
    QCOMPARE(partsAt(QStringLiteral("1")).size(), 1);
    QVERIFY(partsAt(QStringLiteral("e text")).value(0).startsWith(QStringLiteral("endnote\x1f")));
    QVERIFY(partsAt(QStringLiteral("t end")).value(0).startsWith(QStringLiteral("annotation\x1f" "AB\x1f" "Ann Bee\x1f")));
    QCOMPARE(formatOf(doc.get(), QStringLiteral("t end")).toolTip(), QStringLiteral("Ann Bee: A comment."));
    QCOMPARE(partsAt(QStringLiteral("d.")).value(0), QStringLiteral("hidden\x1f\x1f\x1fsecret"));
    QCOMPARE(partsAt(QString(QChar(0x200B))).value(0), QStringLiteral("hidden\x1f\x1f\x1fhidden start"));

    // The header keeps its look; its colour is in the document's table.
    QTextDocument head;
    QVERIFY(rtf::read(sections[0].section(u'\x1f', 3).toLatin1(), &head));
    QCOMPARE(formatOf(&head, QStringLiteral("red")).foreground().color(), QColor(255, 0, 0));
    QCOMPARE(head.firstBlock().blockFormat().alignment(), Qt::AlignHCenter);
    checkStable(*doc);

    // Text typed right after a footnote mark takes its look but is kept.
    QTextCursor typing = doc->find(QStringLiteral("Body1"));
    typing.clearSelection();
    typing.insertText(QStringLiteral("typed"));
    QVERIFY(plain(rtf::write(doc.get())).startsWith(QStringLiteral("Body1typed more")));

    // A note inside a link: the link stays around it, the note keeps its text.
    doc = load("{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"https://x.example/\"}{\\fldrslt link"
               "{\\super\\chftn}{\\footnote\\pard Note.}}} after}");
    QCOMPARE(doc->toPlainText(), QStringLiteral("link1 after"));
    checkStable(*doc);
    auto again = load(rtf::write(doc.get()));
    QCOMPARE(formatOf(again.get(), QStringLiteral("1")).toolTip(), QStringLiteral("Note."));
    QCOMPARE(formatOf(again.get(), QStringLiteral("k1")).anchorHref(), QStringLiteral("https://x.example/"));
    QVERIFY(formatOf(again.get(), QStringLiteral("after")).anchorHref().isEmpty());

    // Hidden text at the end of a table cell stays in its cell.
    doc = load("{\\rtf1\\trowd\\cellx1000\\cellx2000\\intbl a{\\v h}\\cell b\\cell\\row}");
    QCOMPARE(formatOf(doc.get(), QStringLiteral("a")).property(rtf::kAttachedParts).toStringList(),
             QStringList{QStringLiteral("hidden\x1f\x1f\x1fh")});
    checkStable(*doc);
}

void TestRtfFidelity::tabsAndLineSpacing()
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

void TestRtfFidelity::tables()
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

void TestRtfFidelity::lists()
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
        "\\pard between\\par"
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
    // Written back as list tables, with labels for older readers.
    QVERIFY(rtf::write(doc.get()).contains("{\\listtext\\pard\\plain 3.\\tab}"));
    checkStable(*doc);
}

// Inputs the round-trip fuzz target found: a save loses no character.
void TestRtfFidelity::fuzzFindings()
{
    auto words = [](QString s) {
        s.remove(QChar(0x200B));
        s.removeIf([](QChar c) { return c.isSpace(); });
        return s;
    };
    const QDir dir(QStringLiteral(QUILLET_TEST_DATA "/rtf/roundtrip"));
    const QStringList files = dir.entryList({QStringLiteral("*.rtf")}, QDir::Files);
    QVERIFY(!files.isEmpty());
    for (const QString &f : files) {
        QByteArray data = fileData(dir.filePath(f));
        if (!rtf::isRtf(data))
            data.prepend("{\\rtf1 ");
        auto first = load(data);
        QVERIFY(first);
        auto second = load(rtf::write(first.get()));
        QVERIFY2(words(rtf::plainText(second.get())) == words(rtf::plainText(first.get())), qPrintable(f));
    }
}

// What we write, LibreOffice reads with the same layout: indents at their
// true size, merged table cells, lists, and the parts the editor does not
// show (header, footnote). Skipped where LibreOffice is not installed.
void TestRtfFidelity::libreOfficeLayout()
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

QTEST_MAIN(TestRtfFidelity)
#include "tst_rtffidelity.moc"
