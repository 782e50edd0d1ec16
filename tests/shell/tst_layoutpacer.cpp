// The pacer's hooks into Qt's text layout: found on the Qt we build against,
// or the editor quietly loses its pacing of big documents. Laying out far
// ahead (Ctrl+End) can be cancelled.

#include "common/CancelProgress.h"
#include "shell/LayoutPacer.h"

#include <QGuiApplication>
#include <QStyleHints>
#include <QTest>
#include <QTextEdit>

class TstLayoutPacer : public QObject
{
    Q_OBJECT

private slots:
    void hooksFoundOnThisQt()
    {
        QTextEdit editor;
        const LayoutPacer pacer(&editor);
        QVERIFY2(LayoutPacer::hooksFound(), "Qt's text control or lazy-layout timer has changed");
        QVERIFY(pacer.active());
    }

    void cursorStaysLitInAHugeParagraph()
    {
        // Each blink repainted the whole paragraph: a core busy while idle.
        QTextEdit editor;
        LayoutPacer pacer(&editor);
        editor.resize(400, 300);
        editor.show();
        editor.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        editor.setPlainText(QStringLiteral("word ").repeated(LayoutPacer::kSteadyCursorBlock / 4));
        pacer.track(editor.document());
        editor.setFocus();
        QTest::keyClick(&editor, Qt::Key_Right); // the cursor is lit after a move
        const QImage first = editor.viewport()->grab().toImage();
        for (int i = 0; i < 4; ++i) {
            QTest::qWait(QGuiApplication::styleHints()->cursorFlashTime() / 3);
            QCOMPARE(editor.viewport()->grab().toImage(), first);
        }
    }

    void layingOutAheadCanBeCancelled()
    {
        QTextEdit editor;
        LayoutPacer pacer(&editor);
        editor.resize(400, 300);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        editor.setPlainText(QStringLiteral("a short line\n").repeated(150000));
        pacer.track(editor.document());
        const CancelProgress cancel(&editor);
        QVERIFY(!pacer.layOutTo(editor.document()->characterCount() - 1));
        QVERIFY(!pacer.finished());
    }
};

QTEST_MAIN(TstLayoutPacer)
#include "tst_layoutpacer.moc"
