// The search dialog: one window, non-modal; "Go!" searches and hides it,
// the close box discards it.

#include "common/MainWindowFixture.h"
#include "editing/Form2.h"

#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

class TestSearch : public QObject, MainWindowFixture
{
    Q_OBJECT

    // Ctrl+F in the editing area, the text typed, "Go!".
    void searchFor(const QString &text)
    {
        QTest::keyClick(rtb(), Qt::Key_F, Qt::ControlModifier);
        Form2 *search = window<Form2>();
        QVERIFY(search && search->isVisible());
        search->Text1->setText(text);
        QTest::mouseClick(search->Command1, Qt::LeftButton);
        QVERIFY(!search->isVisible());
    }

private slots:
    void init() { open(); }
    void cleanup() { close(); }

    void searchesForwardWrapsAndScrolls()
    {
        QStringList lines(300, QStringLiteral("filler"));
        lines.prepend(QStringLiteral("alpha beta ALPHA gamma"));
        lines << QStringLiteral("AlpHa end");
        rtb()->SetText(lines.join(QStringLiteral("\r\n")));
        const int last = int(rtb()->Text().indexOf(QStringLiteral("AlpHa"))) - 301;

        // From the middle, case-insensitively, then on to the far end.
        rtb()->SetSelStart(8);
        searchFor(QStringLiteral("alpha"));
        QVERIFY(rtb()->SelStart() == 11 && rtb()->verticalScrollBar()->value() == 0);
        searchFor(QStringLiteral("alpha"));
        QVERIFY(rtb()->SelStart() == last && rtb()->viewport()->rect().contains(rtb()->cursorRect()));
        // Past the last one it wraps to the start.
        searchFor(QStringLiteral("alpha"));
        QVERIFY(rtb()->SelStart() == 0 && rtb()->SelLength() == 5);

        // Not found, or nothing typed: the selection stays.
        select(6, 4);
        searchFor(QStringLiteral("absent"));
        searchFor(QString());
        QCOMPARE(rtb()->SelText(), QStringLiteral("beta"));
    }

    void oneWindowKeepsTextUntilClosed()
    {
        rtb()->SetText(QStringLiteral("find me"));
        f->search_Click();
        QPointer<Form2> first = window<Form2>();
        QVERIFY(QTest::qWaitForWindowExposed(first.data()));
        // At its fixed size the label's caption still fits.
        QVERIFY(first->Label1->fontMetrics().horizontalAdvance(first->Label1->text()) <= first->Label1->width());
        QTest::mouseClick(f->Command2, Qt::LeftButton);
        QCOMPARE(window<Form2>(), first.data());

        // Enter in the field does not search; the main window stays editable.
        QTest::keyClicks(first->Text1, QStringLiteral("me"));
        QTest::keyClick(first->Text1, Qt::Key_Return);
        QVERIFY(first->isVisible() && rtb()->SelLength() == 0);
        QTest::keyClicks(rtb(), QStringLiteral(">"));
        QCOMPARE(rtb()->Text(), QStringLiteral(">find me"));

        // Hidden by Go!, shown again with its text.
        QTest::mouseClick(first->Command1, Qt::LeftButton);
        QCOMPARE(rtb()->SelText(), QStringLiteral("me"));
        f->search_Click();
        QVERIFY(window<Form2>() == first && first->Text1->text() == QStringLiteral("me"));

        // The close box discards it; the next one starts empty.
        first->close();
        QTRY_VERIFY(!first);
        f->Command2_Click();
        QVERIFY(window<Form2>()->Text1->text().isEmpty());
    }
};

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
