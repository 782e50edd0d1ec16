// The search dialog: one window, non-modal; "Go!" searches and hides it,
// the close box discards it.

#include "common/ScriptedDialogHost.h"
#include "editing/Form2.h"
#include "shell/Form1.h"
#include "shell/RichTextBox.h"
#include "shell/Twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

class TestSearch : public QObject
{
    Q_OBJECT
    std::unique_ptr<ScriptedDialogHost> host;
    std::unique_ptr<Form1> f;
    RichTextBox *rtb() const { return f->RichTextBox1; }

    // Ctrl+F in the editing area, the text typed, "Go!".
    void searchFor(const QString &text)
    {
        QTest::keyClick(rtb(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(f->form2_ && f->form2_->isVisible());
        f->form2_->Text1->setText(text);
        QTest::mouseClick(f->form2_->Command1, Qt::LeftButton);
        QVERIFY(!f->form2_->isVisible());
    }

private slots:
    void init()
    {
        host = std::make_unique<ScriptedDialogHost>();
        f = std::make_unique<Form1>(host.get());
        f->show();
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.get()));
        rtb()->setFocus();
    }
    void cleanup() { f.reset(); }   // takes the dialog with it

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
        QCOMPARE(rtb()->SelStart(), 11);
        QCOMPARE(rtb()->verticalScrollBar()->value(), 0);
        searchFor(QStringLiteral("alpha"));
        QCOMPARE(rtb()->SelStart(), last);
        QVERIFY(rtb()->viewport()->rect().contains(rtb()->cursorRect()));
        // Past the last one it wraps to the start.
        searchFor(QStringLiteral("alpha"));
        QCOMPARE(rtb()->SelStart(), 0);
        QCOMPARE(rtb()->SelLength(), 5);

        // Not found, or nothing typed: the selection stays.
        rtb()->SetSelStart(6);
        rtb()->SetSelLength(4);
        searchFor(QStringLiteral("absent"));
        searchFor(QString());
        QCOMPARE(rtb()->SelText(), QStringLiteral("beta"));
    }

    void oneWindowKeepsTextUntilClosed()
    {
        rtb()->SetText(QStringLiteral("find me"));
        f->search_Click();
        QPointer<Form2> first = f->form2_;
        QVERIFY(QTest::qWaitForWindowExposed(first.data()));
        QCOMPARE(first->focusWidget(), first->Command1);
        QTest::mouseClick(f->Command2, Qt::LeftButton);
        QCOMPARE(f->form2_.data(), first.data());

        // Enter in the field does not search; the main window stays editable.
        first->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(first.data()));
        QTest::keyClick(first->Command1, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), first->Text1);
        QTest::keyClicks(first->Text1, QStringLiteral("me"));
        QTest::keyClick(first->Text1, Qt::Key_Return);
        QVERIFY(first->isVisible());
        QCOMPARE(rtb()->SelLength(), 0);
        QTest::keyClicks(rtb(), QStringLiteral(">"));
        QCOMPARE(rtb()->Text(), QStringLiteral(">find me"));

        // Hidden by Go!, shown again with its text.
        QTest::mouseClick(first->Command1, Qt::LeftButton);
        QCOMPARE(rtb()->SelText(), QStringLiteral("me"));
        f->search_Click();
        QCOMPARE(f->form2_.data(), first.data());
        QCOMPARE(first->Text1->text(), QStringLiteral("me"));

        // The close box discards it; the next one starts empty.
        first->close();
        QTRY_VERIFY(!first);
        f->Command2_Click();
        QVERIFY(f->form2_->Text1->text().isEmpty());
    }

    void layout()
    {
        f->search_Click();
        Form2 *d = f->form2_;
        QCOMPARE(d->windowTitle(), QStringLiteral("Search..."));
        QCOMPARE(d->size(), QSize(twips::toPxX(3810), twips::toPxY(1170)));
        QCOMPARE(d->minimumSize(), d->maximumSize());
        QVERIFY(!(d->windowFlags() & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint)));
        QCOMPARE(d->Label1->geometry(), twips::rect(120, 240, 975, 255));
        QCOMPARE(d->Text1->geometry(), twips::rect(1080, 240, 2655, 285));
        QCOMPARE(d->Command1->geometry(), twips::rect(1320, 720, 1215, 375));
        // The label's caption fits its fixed width.
        QVERIFY(d->Label1->fontMetrics().horizontalAdvance(d->Label1->text()) <= d->Label1->width());
    }
};

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
