// The full-screen view: a copy of the document that never flows back.

#include "common/MainWindowFixture.h"
#include "shell/LayoutPacer.h"
#include "shell/RichTextBox.h"
#include "views/Form3.h"

#include <QMenuBar>

class TstFullScreen : public QObject, MainWindowFixture
{
    Q_OBJECT

private slots:
    void init() { open(); }
    void cleanup() { close(); }

    void menuCopiesTheFormattedDocumentAndNothingFlowsBack()
    {
        // "plain " then a bold 20 pt word.
        RichTextBox *box = rtb();
        box->SetText(QStringLiteral("plain word"));
        select(6, 4);
        box->SetSelFontSize(20);
        box->SetSelBold(true);
        const QString before = box->document()->toHtml();

        // F2 in the editing area runs the menu command.
        QTest::keyClick(box, Qt::Key_F2);
        QPointer<Form3> v = window<Form3>();
        QVERIFY(v);
        QVERIFY(QTest::qWaitForWindowExposed(v));
        QVERIFY(!f->isVisible());
        QVERIFY((v->windowState() & Qt::WindowMaximized));
        RichTextBox *vb = v->RichTextBox1;
        vb->SetSelStart(6);
        vb->SetSelLength(4);
        QVERIFY(vb->Text() == QStringLiteral("plain word"));
        QVERIFY(vb->SelBold());
        QVERIFY(vb->SelFontSize() == 20.0f);
        // Ctrl+Z in the view does not undo the copy itself.
        vb->setFocus();
        QTest::keyClick(vb, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(vb->Text(), QStringLiteral("plain word"));

        // Edits in the view stay there; F2 goes back.
        vb->moveCursor(QTextCursor::End);
        QTest::keyClicks(vb, QStringLiteral(" extra"));
        QTest::keyClick(vb, Qt::Key_F2);
        QVERIFY(!v->isVisible());
        QVERIFY(f->isVisible());
        QCOMPARE(box->document()->toHtml(), before);

        // The next run overwrites the view's edits, in the same window, and
        // shows the copy as the editor shows any document: a long word is
        // wrapped anywhere (at word boundaries Qt takes minutes for a big
        // one) and laid out in slices.
        const QString word = QStringLiteral("second ") + QString(30000, u'w');
        box->SetText(word);
        f->full_Click();
        QVERIFY(window<Form3>() == v);
        QVERIFY(vb->Text() == word);
        QCOMPARE(vb->wordWrapMode(), QTextOption::WrapAnywhere);
        QTRY_VERIFY(vb->pacer()->finished());
    }

    void buttonShowsTheLastCopyAndEveryWayBackReturns()
    {
        rtb()->SetText(QStringLiteral("doc"));

        // First use from the toolbar: an empty view, the main window stays.
        QTest::mouseClick(f->Command15, Qt::LeftButton);
        QPointer<Form3> v = window<Form3>();
        QVERIFY(v);
        QVERIFY(QTest::qWaitForWindowExposed(v));
        QVERIFY(f->isVisible());
        QVERIFY(v->RichTextBox1->Text().isEmpty());

        // The menu-bar entry has no menu to open: a click goes back.
        QMenuBar *bar = v->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(v->back).center());
        QTRY_VERIFY(!v->isVisible());

        // The frame's close button goes back too, and the view keeps its copy.
        f->full_Click();
        QVERIFY(!f->isVisible());
        QVERIFY(!v->close());
        QVERIFY(!v->isVisible());
        QVERIFY(f->isVisible());
        rtb()->SetText(QStringLiteral("edited later"));
        f->Command15_Click();
        QVERIFY(v);
        QVERIFY(v->isVisible());
        QVERIFY(f->isVisible());
        QCOMPARE(v->RichTextBox1->Text(), QStringLiteral("doc"));
    }
};

QTEST_MAIN(TstFullScreen)
#include "tst_fullscreen.moc"
