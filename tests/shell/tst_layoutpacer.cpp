// The pacer's hooks into Qt's text layout: found on the Qt we build against,
// or the editor quietly loses its pacing of big documents.

#include "shell/LayoutPacer.h"

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
};

QTEST_MAIN(TstLayoutPacer)
#include "tst_layoutpacer.moc"
