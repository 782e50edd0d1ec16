// The full-screen view: a copy of the document that never flows back.

#include "common/ScriptedDialogHost.h"
#include "shell/Form1.h"
#include "shell/RichTextBox.h"
#include "views/Form3.h"

#include <QMenuBar>
#include <QPushButton>
#include <QTextBlock>
#include <QtTest>

class TstFullScreen : public QObject
{
    Q_OBJECT

private:
    static void showMain(Form1 &f)
    {
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
    }

    // Formatted text: "plain " then a bold red 20 pt word in Arial.
    static void fillFormatted(RichTextBox *box)
    {
        box->SetText(QStringLiteral("plain word"));
        box->SetSelStart(6);
        box->SetSelLength(4);
        box->SetSelFontName(QStringLiteral("Arial"));
        box->SetSelFontSize(20);
        box->SetSelBold(true);
        box->SetSelColor(0x000000FF);
    }

private slots:
    void menuCopiesTheFormattedDocumentAndBackReturns()
    {
        ScriptedDialogHost host;
        Form1 f(&host);
        showMain(f);
        fillFormatted(f.RichTextBox1);
        const QString before = f.RichTextBox1->document()->toHtml();

        // F2 in the editing area runs the menu command.
        QTest::keyClick(f.RichTextBox1, Qt::Key_F2);
        QVERIFY(f.form3_);
        Form3 *v = f.form3_;
        QVERIFY(QTest::qWaitForWindowExposed(v));
        QVERIFY(!f.isVisible());
        QVERIFY(v->isVisible());
        QVERIFY(v->windowState() & Qt::WindowMaximized);
        QCOMPARE(v->windowTitle(), QStringLiteral("Quillet 99 v2.0: Full Screen View"));
        QVERIFY(!(v->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(!(v->windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!v->parentWidget());

        // Same text, same formatting.
        RichTextBox *vb = v->RichTextBox1;
        QCOMPARE(vb->Text(), QStringLiteral("plain word"));
        vb->SetSelStart(6);
        vb->SetSelLength(4);
        QVERIFY(vb->SelBold());
        QCOMPARE(vb->SelFontSize(), 20.0f);
        QCOMPARE(vb->SelColor(), quint32(0x000000FF));
        QCOMPARE(vb->SelFontName(), QStringLiteral("Arial"));
        vb->SetSelStart(0);
        vb->SetSelLength(5);
        QVERIFY(!vb->SelBold());
        // Ctrl+Z in the view does not undo the copy itself.
        vb->setFocus();
        QTest::keyClick(vb, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(vb->Text(), QStringLiteral("plain word"));

        // Typing in the view changes only the view.
        vb->moveCursor(QTextCursor::End);
        QTest::keyClicks(vb, QStringLiteral(" extra"));
        QCOMPARE(vb->Text(), QStringLiteral("plain word extra"));

        // F2 in the view goes back; nothing flows back.
        QTest::keyClick(vb, Qt::Key_F2);
        QVERIFY(!v->isVisible());
        QVERIFY(f.isVisible());
        QCOMPARE(f.RichTextBox1->Text(), QStringLiteral("plain word"));
        QCOMPARE(f.RichTextBox1->document()->toHtml(), before);

        // The next menu run overwrites the view's edits with a fresh copy,
        // in the same window.
        f.RichTextBox1->SetText(QStringLiteral("second"));
        f.full_Click();
        QCOMPARE(f.form3_.data(), v);
        QCOMPARE(vb->Text(), QStringLiteral("second"));
    }

    void toolbarButtonShowsTheOldCopyAndKeepsMainVisible()
    {
        ScriptedDialogHost host;
        Form1 f(&host);
        showMain(f);
        f.RichTextBox1->SetText(QStringLiteral("main text"));

        // First use from the toolbar: an empty view, main window still up.
        QTest::mouseClick(f.Command15, Qt::LeftButton);
        QVERIFY(f.form3_);
        Form3 *v = f.form3_;
        QVERIFY(QTest::qWaitForWindowExposed(v));
        QVERIFY(f.isVisible());
        QCOMPARE(v->RichTextBox1->Text(), QString());
        QCOMPARE(v->RichTextBox1->document()->defaultFont().pointSizeF(), 8.5);
        v->back_Click();

        f.full_Click();
        QCOMPARE(v->RichTextBox1->Text(), QStringLiteral("main text"));
        v->back_Click();
        f.RichTextBox1->SetText(QStringLiteral("edited later"));
        f.Command15_Click();
        QVERIFY(v->isVisible());
        QVERIFY(f.isVisible());
        QCOMPARE(v->RichTextBox1->Text(), QStringLiteral("main text"));
    }

    void backMenuActsWhenClickedAndFrameCloseGoesBack()
    {
        ScriptedDialogHost host;
        Form1 f(&host);
        showMain(f);
        f.RichTextBox1->SetText(QStringLiteral("doc"));
        f.full_Click();
        Form3 *v = f.form3_;
        QVERIFY(QTest::qWaitForWindowExposed(v));

        // The menu bar entry has no menu to open: a click runs Back.
        QCOMPARE(v->back->text(), QStringLiteral("Back To Editing (F2)"));
        QVERIFY(!v->back->menu());
        QMenuBar *bar = v->menuBar();
        const QRect r = bar->actionGeometry(v->back);
        QVERIFY(r.isValid());
        QTest::mouseClick(bar, Qt::LeftButton, {}, r.center());
        QTRY_VERIFY(!v->isVisible());
        QVERIFY(f.isVisible());

        // The frame's close button goes back too, and the view survives.
        f.full_Click();
        QVERIFY(!f.isVisible());
        QVERIFY(!v->close());
        QVERIFY(!v->isVisible());
        QVERIFY(f.isVisible());
        QVERIFY(f.form3_);
        f.Command15_Click();
        QCOMPARE(v->RichTextBox1->Text(), QStringLiteral("doc"));
    }
};

QTEST_MAIN(TstFullScreen)
#include "tst_fullscreen.moc"
