// What real word processors write and a reader must keep: layout at its
// true size, colours, code pages, the parts the editor does not show, tab
// stops, line spacing, tables and lists. Each case reads a small fixture,
// checks the model, writes it, reads it again and compares.

#include "RtfTestUtil.h"

#include <QDir>
#include <QTest>

using namespace rtftest;


class TestRtfFidelity : public QObject {
    Q_OBJECT

private slots:
    void keptParts();
    void tabsAndLineSpacing();
    void tables();
    void lists();
    void fuzzFindings();
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

QTEST_MAIN(TestRtfFidelity)
#include "tst_rtffidelity.moc"
