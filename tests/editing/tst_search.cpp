// The search dialog: one window, non-modal, "Go!" searches and hides it,
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

private:
    std::unique_ptr<ScriptedDialogHost> host;
    std::unique_ptr<Form1> f;
    RichTextBox *rtb() const { return f->RichTextBox1; }

    // Opens the dialog with Ctrl+F in the editing area, types text, presses Go!.
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
    void cleanup()
    {
        f.reset();   // takes the dialog with it
        host.reset();
    }

    void searchesForwardAndWraps()
    {
        rtb()->SetText(QStringLiteral("alpha beta ALPHA gamma\r\nAlpHa end"));
        // From the middle, case-insensitively.
        rtb()->SetSelStart(8);
        searchFor(QStringLiteral("alpha"));
        QCOMPARE(rtb()->SelStart(), 11);
        QCOMPARE(rtb()->SelText(), QStringLiteral("ALPHA"));
        // From the end of that selection, into the next paragraph.
        searchFor(QStringLiteral("alpha"));
        QCOMPARE(rtb()->SelStart(), 23);
        // Past the last one it wraps to the start.
        searchFor(QStringLiteral("alpha"));
        QCOMPARE(rtb()->SelStart(), 0);
        QCOMPARE(rtb()->SelLength(), 5);

        // A single occurrence that is already selected stays selected.
        searchFor(QStringLiteral("gamma"));
        QCOMPARE(rtb()->SelStart(), 17);
        searchFor(QStringLiteral("gamma"));
        QCOMPARE(rtb()->SelStart(), 17);
        QCOMPARE(rtb()->SelLength(), 5);
    }

    void notFoundChangesNothing()
    {
        rtb()->SetText(QStringLiteral("some text here"));
        rtb()->SetSelStart(5);
        rtb()->SetSelLength(4);
        const QString before = rtb()->Text();
        searchFor(QStringLiteral("absent"));
        QCOMPARE(rtb()->SelStart(), 5);
        QCOMPARE(rtb()->SelLength(), 4);
        QCOMPARE(rtb()->Text(), before);
        // An empty field finds nothing either.
        searchFor(QString());
        QCOMPARE(rtb()->SelStart(), 5);
        QCOMPARE(rtb()->SelLength(), 4);
    }

    void matchIsScrolledIntoView()
    {
        QStringList lines;
        for (int i = 0; i < 400; ++i)
            lines << QStringLiteral("line %1").arg(i);
        lines << QStringLiteral("needle");
        rtb()->SetText(lines.join(QStringLiteral("\r\n")));
        rtb()->SetSelStart(0);
        QCOMPARE(rtb()->verticalScrollBar()->value(), 0);
        searchFor(QStringLiteral("NEEDLE"));
        QCOMPARE(rtb()->SelText(), QStringLiteral("needle"));
        QVERIFY(rtb()->verticalScrollBar()->value() > 0);
        QVERIFY(rtb()->viewport()->rect().contains(rtb()->cursorRect()));
    }

    void oneWindowKeepsTextUntilClosed()
    {
        rtb()->SetText(QStringLiteral("find me"));
        f->search_Click();
        QPointer<Form2> first = f->form2_;
        QVERIFY(first && first->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(first.data()));
        QVERIFY(first->Text1->text().isEmpty());
        QCOMPARE(first->focusWidget(), first->Command1);

        // The button shows the same window, never a second one.
        QTest::mouseClick(f->Command2, Qt::LeftButton);
        QCOMPARE(f->form2_.data(), first.data());
        const QWidgetList tops = QApplication::topLevelWidgets();
        QCOMPARE(std::count_if(tops.begin(), tops.end(),
                               [](QWidget *w) { return qobject_cast<Form2 *>(w) != nullptr; }),
                 1);

        // Enter in the field does not search.
        first->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(first.data()));
        first->Text1->setFocus();
        QTest::keyClicks(first->Text1, QStringLiteral("me"));
        QTest::keyClick(first->Text1, Qt::Key_Return);
        QTest::keyClick(first->Text1, Qt::Key_Enter);
        QVERIFY(first->isVisible());
        QCOMPARE(rtb()->SelLength(), 0);

        // The main window can still be edited meanwhile.
        rtb()->SetSelStart(0);
        QTest::keyClicks(rtb(), QStringLiteral(">"));
        QCOMPARE(rtb()->Text(), QStringLiteral(">find me"));

        QTest::mouseClick(first->Command1, Qt::LeftButton);
        QCOMPARE(rtb()->SelText(), QStringLiteral("me"));

        // Hidden, it keeps its text for the next opening.
        f->search_Click();
        QCOMPARE(f->form2_.data(), first.data());
        QCOMPARE(first->Text1->text(), QStringLiteral("me"));

        // The close box discards it; the next one starts empty.
        first->close();
        QTRY_VERIFY(!first);
        QVERIFY(!f->form2_);
        f->Command2_Click();
        QVERIFY(f->form2_);
        QVERIFY(f->form2_->Text1->text().isEmpty());
        QCOMPARE(f->form2_->focusWidget(), f->form2_->Command1);
    }

    void layout()
    {
        f->search_Click();
        Form2 *d = f->form2_;
        QCOMPARE(d->windowTitle(), QStringLiteral("Search..."));
        QCOMPARE(d->size(), QSize(twips::toPxX(3810), twips::toPxY(1170)));
        QCOMPARE(d->minimumSize(), d->maximumSize());
        QVERIFY(!(d->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(!(d->windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(d->windowFlags() & Qt::WindowCloseButtonHint);
        QCOMPARE(d->parentWidget(), nullptr);
        QCOMPARE(d->Label1->text(), QStringLiteral("Search For:"));
        QCOMPARE(d->Label1->geometry(), twips::rect(120, 240, 975, 255));
        QCOMPARE(d->Label1->palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
        QCOMPARE(d->Text1->geometry(), twips::rect(1080, 240, 2655, 285));
        QCOMPARE(d->Command1->text(), QStringLiteral("Go!"));
        QCOMPARE(d->Command1->geometry(), twips::rect(1320, 720, 1215, 375));
        QVERIFY(!d->Command1->isDefault() && !d->Command1->autoDefault());
        // Tab goes from Go! to the field.
        d->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(d));
        d->Command1->setFocus();
        QTest::keyClick(d->Command1, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), d->Text1);
    }
};

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
