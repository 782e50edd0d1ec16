// Tables the editor could not lay out in time: long tables are shown in
// slices and written back as the one table they were; tables nested deeper
// than Qt lays out in time are shown flat and written back nested.

#include "RtfTestUtil.h"

#include <QFontDatabase>
#include <QRegularExpression>
#include <QtTest>

using namespace rtftest;

namespace {

// Tables in the frame, and the deepest nesting below it.
int tableDepth(QTextFrame *frame)
{
    int deepest = 0;
    for (QTextFrame *child : frame->childFrames())
        deepest = std::max(deepest, tableDepth(child) + (qobject_cast<QTextTable *>(child) ? 1 : 0));
    return deepest;
}

QList<QTextTable *> outerTables(QTextDocument *doc)
{
    QList<QTextTable *> tables;
    for (QTextFrame *child : doc->rootFrame()->childFrames())
        if (auto *t = qobject_cast<QTextTable *>(child))
            tables.append(t);
    return tables;
}

// A chain of tables, each nested in the first cell of the one before, as
// Word writes them: two rows of two cells, shaded and bordered, per level.
// words gets the cells' text in reading order.
QByteArray nestedRows(int level, int depth, QStringList &words)
{
    const QByteArray l = QByteArray::number(level);
    const QByteArray pard = "\\pard\\intbl\\itap" + l + " ";
    const QByteArray cellEnd = level == 1 ? "\\cell" : "\\nestcell";
    const QByteArray def = "\\trowd\\trgaph" + QByteArray::number(100 + level)
        + "\\clcbpat1\\clbrdrb\\brdrdb\\brdrw20\\brdrcf2\\cellx" + QByteArray::number(6000 - 100 * level)
        + "\\clvertalc\\cellx" + QByteArray::number(9000 - 100 * level);
    QByteArray s = pard + "a" + l + "\\par\r\n";
    words << "a" + l;
    if (level < depth)
        s += nestedRows(level + 1, depth, words);
    s += pard + "b" + l + cellEnd + pard + "c" + l + cellEnd;
    words << "b" + l << "c" + l;
    s += level == 1 ? "\\row\r\n" : "{\\*\\nesttableprops" + def + "\\nestrow}{\\nonesttables\\par}\r\n";
    s += pard + "d" + l + cellEnd + pard + "e" + l + cellEnd;
    words << "d" + l << "e" + l;
    s += level == 1 ? "\\row\r\n" : "{\\*\\nesttableprops" + def + "\\nestrow}{\\nonesttables\\par}\r\n";
    return level == 1 ? def + "\r\n" + s : s;
}

QByteArray nestedRtf(int depth, QStringList &words)
{
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red200\\green0\\blue0;\\red0\\green0\\blue160;}\r\n"
        + nestedRows(1, depth, words) + "\\pard after\\par}";
}

int deepestItap(const QByteArray &rtf)
{
    int deepest = 0;
    const QRegularExpression re(QStringLiteral("\\\\itap(\\d+)"));
    for (auto it = re.globalMatch(QString::fromLatin1(rtf)); it.hasNext();)
        deepest = std::max(deepest, it.next().captured(1).toInt());
    return deepest;
}

// Each row's definition as written: its words from \\trowd up to its first
// paragraph, one string per row.
QStringList rowDefinitions(const QByteArray &rtf)
{
    QStringList rows;
    const QString s = QString::fromLatin1(rtf).remove(u'\r').remove(u'\n');
    const QRegularExpression re(QStringLiteral("\\\\trowd.*?(?=\\\\pard|$)"));
    for (auto it = re.globalMatch(s); it.hasNext();)
        rows << it.next().captured(0);
    return rows;
}

} // namespace

class TestRtfTables : public QObject {
    Q_OBJECT
private slots:
    void longTableInSlices();
    void tableOpeningTheDocument();
    void deepNestingShownFlat_data();
    void deepNestingShownFlat();
    void facesShownByWhatDrawsThem();
    void rowsKeepTheirCells_data();
    void rowsKeepTheirCells();
};

// A 400-row table (merged cells, shading, row heights, a vertical merge)
// is shown as several tables, writes exactly what it wrote as one table,
// and its plain text has no blank lines where the slices meet. Text typed
// into the block between two slices is kept: written as a paragraph
// between two tables, and read back as one.
void TestRtfTables::longTableInSlices()
{
    const QByteArray in = fileData(QStringLiteral(QUILLET_TEST_DATA "/tables/rows400.rtf"));
    const QByteArray expected = fileData(QStringLiteral(QUILLET_TEST_DATA "/tables/rows400.expected.rtf"));
    QVERIFY(!in.isEmpty());
    QVERIFY(!expected.isEmpty());
    auto doc = load(in);
    QVERIFY(doc);
    const QList<QTextTable *> tables = outerTables(doc.get());
    QVERIFY2(tables.size() > 1, "a long table is shown in slices");
    int rows = 0;
    for (QTextTable *t : tables) {
        QVERIFY(t->rows() <= 200);
        QCOMPARE(t->format().boolProperty(rtf::kTableContinues), t != tables.first());
        rows += t->rows();
    }
    QCOMPARE(rows, 400);
    // Only the blocks between slices are seams, each one line of no height.
    int seams = 0;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        if (!b.blockFormat().hasProperty(rtf::kTableSeam))
            continue;
        ++seams;
        QVERIFY(b.length() == 1);
        QVERIFY(!QTextCursor(b).currentTable());
        QCOMPARE(QTextCursor(b.next()).currentTable(), tables.value(seams));
        QCOMPARE(b.blockFormat().lineHeight(), 0.0);
    }
    QCOMPARE(seams, tables.size() - 1);
    // The vertical merge of rows 148-153 is in one slice.
    QTextCursor merged = doc->find(QStringLiteral("r148c2"));
    QVERIFY(merged.currentTable());
    QCOMPARE(merged.currentTable()->cellAt(merged).rowSpan(), 6);

    const QByteArray out = rtf::write(doc.get());
    QCOMPARE(out, expected);
    auto again = load(out);
    QVERIFY(again);
    QCOMPARE(rtf::write(again.get()), expected);

    QString plainExpected = QStringLiteral("Before the table.\n");
    for (int r = 0; r < 400; ++r) {
        if (r == 20) {
            plainExpected += QStringLiteral("r20 first\nr20 wide\n");
            continue;
        }
        for (int c = 0; c < 3; ++c)
            if (!(r >= 149 && r <= 153 && c == 2))
                plainExpected += QStringLiteral("r%1c%2\n").arg(r).arg(c);
    }
    plainExpected += QStringLiteral("After the table.");
    QCOMPARE(rtf::plainText(doc.get()), plainExpected);

    QTextCursor c(doc.get());
    c.setPosition(tables[1]->firstPosition() - 1); // the block before the second slice
    QVERIFY(!c.currentTable());
    c.insertText(QStringLiteral("typed here"));
    const QByteArray typed = rtf::write(doc.get());
    auto back = load(typed);
    QVERIFY(back);
    const QString text = rtf::plainText(back.get());
    const qsizetype at = text.indexOf(QStringLiteral("\ntyped here\n"));
    QVERIFY(at > 0);
    const int lastRow = tables[0]->rows() - 1;
    QVERIFY(text.lastIndexOf(QStringLiteral("r%1c1").arg(lastRow), at) > 0);
    QVERIFY(text.indexOf(QStringLiteral("r%1c0").arg(lastRow + 1), at) > at);
    QCOMPARE(rtf::write(back.get()), typed);
}

// Qt keeps a paragraph ahead of a table that opens a document; the file
// had none, and a save must not add one. An empty paragraph that was there,
// or text typed into Qt's, is written.
void TestRtfTables::tableOpeningTheDocument()
{
    const QByteArray table = "\\trowd\\cellx2000\\intbl a\\cell\\row\\pard after\\par}";
    const auto paragraphsBefore = [](const QByteArray &rtf) {
        const QByteArray out = rtf::write(load(rtf).get());
        return out.left(out.indexOf("\\trowd")).count("\\par\r\n");
    };
    QCOMPARE(paragraphsBefore("{\\rtf1\\ansi " + table), 0);
    QCOMPARE(paragraphsBefore("{\\rtf1\\ansi \\par" + table), 1);
    auto doc = load("{\\rtf1\\ansi " + table);
    QCOMPARE(rtf::withoutStandIns(doc.get(), doc->toPlainText()), QStringLiteral("a\nafter"));
    QTextCursor(doc.get()).insertText(QStringLiteral("typed"));
    const QByteArray out = rtf::write(doc.get());
    QVERIFY(out.contains("typed\\par"));
}

void TestRtfTables::deepNestingShownFlat_data()
{
    QTest::addColumn<int>("depth");
    QTest::newRow("depth 4") << 4;
    QTest::newRow("depth 12") << 12;
    QTest::newRow("depth 25") << 25;
}

// Nesting deeper than shown is kept: read, write, read, write gives the
// same bytes, every cell's text in order, and every level's rows.
void TestRtfTables::deepNestingShownFlat()
{
    QFETCH(int, depth);
    QStringList words;
    const QByteArray in = nestedRtf(depth, words);
    auto doc = load(in);
    QVERIFY(doc);
    QCOMPARE(tableDepth(doc->rootFrame()), std::min(depth, rtf::kShownTableNesting));
    const QByteArray first = rtf::write(doc.get());
    auto back = load(first);
    QVERIFY(back);
    const QByteArray second = rtf::write(back.get());
    QCOMPARE(second, first);
    QCOMPARE(deepestItap(first), depth);
    QCOMPARE(int(first.count("\\nestrow")), 2 * (depth - 1));
    QCOMPARE(int(first.count("\\nestcell")), 4 * (depth - 1));
    QCOMPARE(int(first.count("\\clcbpat")), 2 * depth);
    QCOMPARE(int(first.count("\\brdrdb")), 2 * depth);
    QCOMPARE(collapsed(rtf::plainText(back.get())), words.join(u' ') + QStringLiteral(" after"));
    // The file as read and the file as written read alike, level by level.
    QCOMPARE(collapsed(rtf::plainText(doc.get())), collapsed(rtf::plainText(back.get())));
}

// Faces this machine lacks are shown in an installed family and written
// under their own names: the file writes what it wrote before; a face the
// user sets afterwards is written as set.
void TestRtfTables::facesShownByWhatDrawsThem()
{
    const QByteArray in = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Face Number 1;}"
                          "{\\f2\\fswiss DejaVu Sans;}{\\f3\\fmodern Courier New;}{\\f4 Wingdings;}}\r\n"
                          "\\pard {\\f1 one} {\\f2 two} {\\f3 three} {\\f4 four} zero\\par}";
    const QByteArray expected =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\r\n"
        "{\\fonttbl{\\f0\\fnil\\fcharset0 Face Number 1;}{\\f1\\fswiss\\fcharset0 Arial;}"
        "{\\f2\\fswiss\\fcharset0 DejaVu Sans;}{\\f3\\fmodern\\fcharset0 Courier New;}"
        "{\\f4\\ftech\\fcharset0 Wingdings;}}\r\n"
        "{\\colortbl;}\r\n{\\*\\generator Quillet 99 2.0;}\\viewkind4\\deftab720\r\n"
        "\\pard\\plain\\f0\\fs24 one\\plain\\f1\\fs24  \\plain\\f2\\fs24 two\\plain\\f1\\fs24  "
        "\\plain\\f3\\fs24 three\\plain\\f1\\fs24  \\plain\\f4\\fs24 four\\plain\\f1\\fs24  zero\\par\r\n}\r\n";
    auto doc = load(in);
    QVERIFY(doc);
    const QStringList installed = QFontDatabase::families();
    for (const char *word : {"one", "two", "three", "four", "zero"}) {
        const QTextCharFormat f = formatOf(doc.get(), QString::fromLatin1(word));
        QVERIFY2(installed.contains(f.fontFamilies().toStringList().value(0)), word);
    }
    QCOMPARE(faceOf(formatOf(doc.get(), QStringLiteral("one"))), QStringLiteral("Face Number 1"));
    QVERIFY(!formatOf(doc.get(), QStringLiteral("two")).hasProperty(rtf::kFontFace)); // installed
    const QByteArray out = rtf::write(doc.get());
    QCOMPARE(out, expected);
    auto back = load(out);
    QVERIFY(back);
    QCOMPARE(rtf::write(back.get()), expected);

    QTextCursor c = doc->find(QStringLiteral("one"));
    QTextCharFormat serif;
    serif.setFontFamilies({QStringLiteral("DejaVu Serif")});
    c.mergeCharFormat(serif);
    const QByteArray changed = rtf::write(doc.get());
    QVERIFY(changed.contains("DejaVu Serif;"));
    QVERIFY(!changed.contains("Face Number 1"));
}

void TestRtfTables::rowsKeepTheirCells_data()
{
    QTest::addColumn<QByteArray>("rows");
    QTest::addColumn<int>("columns");    // of the table shown
    QTest::addColumn<QString>("spans");  // of the cells shown, row by row
    QTest::addColumn<QString>("edges");  // written, row by row
    QTest::addColumn<QStringList>("kept"); // written as read
    QTest::addColumn<QString>("text");   // shown
    QTest::addColumn<double>("indent");  // of the table shown, pixels
    // Cell edges differ from row to row: one grid of their union.
    QTest::newRow("mixed edges") << QByteArray("\\trowd\\cellx3000\\cellx6000\\cellx9000\\intbl a\\cell b\\cell c\\cell\\row"
                                               "\\trowd\\cellx2000\\cellx4500\\cellx9000\\intbl d\\cell e\\cell f\\cell\\row")
                                 << 5 << "2 2 1|1 2 2" << "3000 6000 9000|2000 4500 9000" << QStringList()
                                 << "a\nb\nc\nd\ne\nf\nafter" << 0.0;
    // A one-cell row is one cell across the table, however it is spelled.
    QTest::newRow("one-cell row") << QByteArray("\\trowd\\cellx9000\\intbl title\\cell\\row"
                                                "\\trowd\\cellx3000\\cellx6000\\cellx9000\\intbl a\\cell b\\cell c\\cell\\row")
                                  << 3 << "3|1 1 1" << "9000|3000 6000 9000" << QStringList()
                                  << "title\na\nb\nc\nafter" << 0.0;
    QTest::newRow("merged across") << QByteArray("\\trowd\\clmgf\\cellx2000\\clmrg\\cellx4000\\clmrg\\cellx6000\\clmrg\\cellx8000"
                                                 "\\intbl title\\cell\\cell\\cell\\cell\\row"
                                                 "\\trowd\\cellx2000\\cellx4000\\cellx6000\\cellx8000\\intbl a\\cell b\\cell c\\cell d\\cell\\row")
                                   << 4 << "4|1 1 1 1" << "8000|2000 4000 6000 8000" << QStringList()
                                   << "title\na\nb\nc\nd\nafter" << 0.0;
    // A row after \pard goes on with the last definition; a later row's
    // edges still count.
    QTest::newRow("row on the last definition") << QByteArray("\\trowd\\cellx4000\\cellx8000\\intbl a\\cell b\\cell\\row"
                                                              "\\pard\\intbl c\\cell d\\cell\\row"
                                                              "\\trowd\\cellx2000\\cellx8000\\intbl e\\cell f\\cell\\row")
                                                << 3 << "2 1|2 1|1 2" << "4000 8000|4000 8000|2000 8000" << QStringList()
                                                << "a\nb\nc\nd\ne\nf\nafter" << 0.0;
    // Edges a few twips apart are one column, each row written as read.
    QTest::newRow("edges rounded apart") << QByteArray("\\trowd\\cellx3000\\cellx9000\\intbl a\\cell b\\cell\\row"
                                                       "\\trowd\\cellx3004\\cellx8995\\intbl c\\cell d\\cell\\row")
                                         << 2 << "1 1|1 1" << "3000 9000|3004 8995" << QStringList()
                                         << "a\nb\nc\nd\nafter" << 0.0;
    // Row indent, padding, widths and the rest that Qt does not show or
    // shows rounded (a border of 10 twips is drawn 15 twips wide).
    QTest::newRow("row and cell words") << QByteArray("\\trowd\\ts11\\trgaph108\\trleft720\\trbrdrt\\brdrs\\brdrw10\\brdrcf1"
                                                      "\\trftsWidth3\\trwWidth8000\\trautofit1\\trhdr\\trpaddl108\\trpaddfl3"
                                                      "\\tbllkhdrrows\\tbllknocolband\\clcbpat1\\clshdng2000\\clbrdrb\\brdrs\\brdrw10\\clftsWidth3\\clwWidth4000"
                                                      "\\clpadl100\\clpadt200\\clpadfl3\\clpadft3\\cellx4720\\cltxtbrl\\clNoWrap\\cellx8720"
                                                      "\\intbl a\\cell b\\cell\\row")
                                        << 2 << "1 1" << "4720 8720"
                                        << QStringList{"\\trleft720\\trhdr\\trautofit1\\trpaddl108\\trpaddfl3\\trftsWidth3\\trwWidth8000"
                                                       "\\ts11\\tbllkhdrrows\\tbllknocolband\\trbrdrt\\brdrs\\brdrw10\\brdrcf1",
                                                       "\\clcbpat1\\clshdng2000\\clbrdrb\\brdrs\\brdrw10\\clpadl100\\clpadt200\\clpadfl3\\clpadft3\\clftsWidth3\\clwWidth4000\\cellx4720",
                                                       "\\cltxtbrl\\clNoWrap\\cellx8720"}
                                        << "a\nb\nafter" << 48.0;
    // pandoc ends each cell's paragraph with \par: no empty paragraph is
    // shown, and the \par is written back.
    QTest::newRow("trailing par") << QByteArray("{\\trowd\\cellx4320\\cellx8640\\trkeep\\intbl{{\\pard\\intbl Code\\par}\\cell}"
                                                "{{\\pard\\intbl Error\\par}\\cell}\\intbl\\row}")
                                  << 2 << "1 1" << "4320 8640" << QStringList{"\\trkeep", "Code\\par\\cell", "Error\\par\\cell"}
                                  << "Code\nError\nafter" << 0.0;
}

// The grid shown, and each row written with the edges and words it was read with.
void TestRtfTables::rowsKeepTheirCells()
{
    QFETCH(QByteArray, rows);
    QFETCH(int, columns);
    QFETCH(QString, spans);
    QFETCH(QString, edges);
    QFETCH(QStringList, kept);
    QFETCH(QString, text);
    QFETCH(double, indent);
    auto doc = load("{\\rtf1\\ansi{\\colortbl;\\red0\\green0\\blue255;}" + rows + "\\pard after\\par}");
    QVERIFY(doc);
    const QList<QTextTable *> tables = outerTables(doc.get());
    QCOMPARE(tables.size(), 1);
    QTextTable *table = tables.first();
    QCOMPARE(table->columns(), columns);
    QStringList shown;
    for (int r = 0; r < table->rows(); ++r) {
        QStringList row;
        for (int c = 0; c < table->columns(); c += table->cellAt(r, c).columnSpan())
            row << QString::number(table->cellAt(r, c).columnSpan());
        shown << row.join(u' ');
    }
    QCOMPARE(shown.join(u'|'), spans);
    QCOMPARE(rtf::withoutStandIns(doc.get(), doc->toPlainText()), text);
    QCOMPARE(table->format().leftMargin(), indent);
    const QByteArray out = rtf::write(doc.get());
    QStringList written;
    for (const QString &row : rowDefinitions(out)) {
        QStringList e;
        const QRegularExpression re(QStringLiteral("\\\\cellx(\\d+)"));
        for (auto it = re.globalMatch(row); it.hasNext();)
            e << it.next().captured(1);
        written << e.join(u' ');
    }
    QCOMPARE(written.join(u'|'), edges);
    const QString flat = QString::fromLatin1(out).remove(u'\r').remove(u'\n');
    for (const QString &words : kept)
        QVERIFY2(flat.contains(words), qPrintable(words));
    QCOMPARE(rtf::write(load(out).get()), out);
}

QTEST_MAIN(TestRtfTables)
#include "tst_rtftables.moc"
