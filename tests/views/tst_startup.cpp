// Start-up: the splash over the main window, and the two ways it goes away.

#include "common/ScriptedDialogHost.h"
#include "shell/Form1.h"
#include "views/ViewSeams.h"
#include "views/frmSplash.h"
#include "views/frmTip.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

class TstStartup : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // A main window whose tip window reads a file of our own.
    void prepare(Form1 &f)
    {
        QFile tips(m_dir.filePath(QStringLiteral("TIPOFDAY.TXT")));
        QVERIFY(tips.open(QIODevice::WriteOnly));
        tips.write("only tip\r\n");
        tips.close();
        f.viewSeams().tipFolders = {m_dir.path()};
        f.viewSeams().tipRandom = [] { return 0.0; };
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // No tips file in the current directory: the folder above is used.
        QDir::setCurrent(QDir::tempPath());
        QVERIFY(!QFileInfo::exists(QStringLiteral("TIPOFDAY.TXT")));
    }

    void mainWindowEndsVisibleAndActiveBesideTheSplash()
    {
        ScriptedDialogHost host;
        Form1 f(&host);
        prepare(f);
        f.start();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QVERIFY(f.isVisible());
        QVERIFY(f.frmSplash_);
        frmSplash *s = f.frmSplash_;
        QVERIFY(s->isVisible());
        QVERIFY(s->isWindow());
        QVERIFY(!s->parentWidget());   // no owner
        QVERIFY(s->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(!f.frmTip_);
        // Form_Load writes nothing of its own.
        QCOMPARE(f.windowTitle(), Form1::Caption);
        QCOMPARE(f.Status(), QString());

        // The platform in use rather than a fixed one.
        QCOMPARE(s->lblPlatform->text(), QStringLiteral("Linux"));
        // The right-aligned pair share their right edge, and every label
        // sits inside the frame.
        QCOMPARE(s->lblPlatform->geometry().right(), s->lblVersion->geometry().right());
        for (QLabel *l : {s->lblCompanyProduct, s->lblProductName, s->lblPlatform, s->lblVersion,
                          s->lblCompany, s->Image1})
            QVERIFY2(s->Frame1->rect().contains(l->geometry()), qPrintable(l->objectName()));
        QVERIFY(!s->Image1->pixmap().isNull());
    }

    void clickOnTheFrameOpensTheTipWindowButLabelsDoNot()
    {
        ScriptedDialogHost host;
        Form1 f(&host);
        prepare(f);
        f.start();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QPointer<frmSplash> s = f.frmSplash_;
        QVERIFY(QTest::qWaitForWindowExposed(s));

        // The words and the picture take the click and nothing happens.
        QTest::mouseClick(s->lblProductName, Qt::LeftButton);
        QTest::mouseClick(s->lblPlatform, Qt::LeftButton);
        QTest::mouseClick(s->Image1, Qt::LeftButton, {}, QPoint(5, 5));
        QCoreApplication::processEvents();
        QVERIFY(s && s->isVisible());
        QVERIFY(!f.frmTip_);

        // The bare surface of the frame: the bottom right corner is empty.
        const QPoint bare(s->Frame1->width() - 12, s->Frame1->height() - 12);
        QVERIFY(!s->Frame1->childAt(bare));
        QTest::mouseClick(s->Frame1, Qt::LeftButton, {}, bare);
        QTRY_VERIFY(!s);   // closed and gone
        QVERIFY(f.isVisible());
        QVERIFY(f.frmTip_);
        QVERIFY(f.frmTip_->isVisible());
        QCOMPARE(f.frmTip_->lblTipText->text(), QStringLiteral("only tip"));
    }

    void keyOnlyClosesTheSplash()
    {
        ScriptedDialogHost host;
        Form1 f(&host);
        prepare(f);
        f.start();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QPointer<frmSplash> s = f.frmSplash_;

        // Keys that type nothing leave it up.
        QTest::keyClick(s, Qt::Key_Shift);
        QTest::keyClick(s, Qt::Key_Left);
        QTest::keyClick(s, Qt::Key_F5);
        QCoreApplication::processEvents();
        QVERIFY(s && s->isVisible());

        QTest::keyClick(s, Qt::Key_A);
        QTRY_VERIFY(!s);
        QVERIFY(!f.frmTip_);
        QVERIFY(f.isVisible());

        // Escape, Enter and the space bar type a character too.
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Space}) {
            Form1 g(&host);
            prepare(g);
            g.start();
            QVERIFY(QTest::qWaitForWindowActive(&g));
            QPointer<frmSplash> gs = g.frmSplash_;
            QTest::keyClick(gs, key);
            QTRY_VERIFY2(!gs, qPrintable(QKeySequence(key).toString()));
            QVERIFY(g.isVisible());
            QVERIFY(!g.frmTip_);
        }
    }

    void splashLeftOpenGoesWithTheMainWindow()
    {
        QPointer<frmSplash> s;
        {
            ScriptedDialogHost host;
            Form1 f(&host);
            f.start();
            s = f.frmSplash_;
            QVERIFY(s);
        }
        QVERIFY(!s);
    }
};

QTEST_MAIN(TstStartup)
#include "tst_startup.moc"
