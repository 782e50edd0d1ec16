// Start-up: the splash over the main window, and the two ways it goes away.

#include "ViewTestKit.h"
#include "views/frmSplash.h"
#include "views/frmTip.h"

class TstStartup : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;   // holds the only tips file the tip window can find

    // A started main window, its tip window reading our one-tip file.
    struct Started : Main
    {
        QPointer<frmSplash> splash;
        explicit Started(const QString &tipFolder)
        {
            f.viewSeams().tipFolders = {tipFolder};
            f.start();
            splash = f.frmSplash_;
        }
    };

private slots:
    void initTestCase()
    {
        QVERIFY(writeFile(m_dir.filePath(QStringLiteral("TIPOFDAY.TXT")), "only tip\r\n"));
        QDir::setCurrent(QDir::tempPath());
        QVERIFY(!QFileInfo::exists(QStringLiteral("TIPOFDAY.TXT")));
    }

    void mainWindowEndsActiveAndOnlyTheFrameTakesClicks()
    {
        Started s(m_dir.path());
        QVERIFY(QTest::qWaitForWindowActive(&s.f));
        QVERIFY(QTest::qWaitForWindowExposed(s.splash));
        QCOMPARE(s.f.windowTitle(), Form1::Caption);   // Form_Load writes nothing of its own
        // The platform in use rather than a fixed one.
        QCOMPARE(s.splash->lblPlatform->text(), QStringLiteral("Linux"));

        // The words and the picture take the click and nothing happens.
        QTest::mouseClick(s.splash->lblProductName, Qt::LeftButton);
        QTest::mouseClick(s.splash->lblPlatform, Qt::LeftButton);
        QTest::mouseClick(s.splash->Image1, Qt::LeftButton, {}, QPoint(5, 5));
        QCoreApplication::processEvents();
        QVERIFY(s.splash && s.splash->isVisible());
        QVERIFY(!s.f.frmTip_);

        // The bottom right corner of the frame is bare.
        QWidget *frame = s.splash->Frame1;
        const QPoint bare(frame->width() - 12, frame->height() - 12);
        QVERIFY(!frame->childAt(bare));
        QTest::mouseClick(frame, Qt::LeftButton, {}, bare);
        QTRY_VERIFY(!s.splash);
        QVERIFY(s.f.isVisible());
        QVERIFY(s.f.frmTip_ && s.f.frmTip_->isVisible());
        QCOMPARE(s.f.frmTip_->lblTipText->text(), QStringLiteral("only tip"));
    }

    void keysThatTypeCloseTheSplashAndNothingElse()
    {
        // The key, the text it sends, whether it closes the splash. Delete
        // sends a character code but types nothing.
        const std::tuple<Qt::Key, const char *, bool> cases[] = {
            {Qt::Key_Shift, "", false}, {Qt::Key_Left, "", false}, {Qt::Key_F5, "", false},
            {Qt::Key_Delete, "\x7f", false}, {Qt::Key_A, "a", true}, {Qt::Key_Escape, "\x1b", true},
            {Qt::Key_Return, "\r", true}, {Qt::Key_Space, " ", true}};
        for (const auto &[key, text, closes] : cases) {
            QPointer<frmSplash> splash;
            {
                Started s(m_dir.path());
                QVERIFY(QTest::qWaitForWindowActive(&s.f));
                QTest::sendKeyEvent(QTest::Click, s.splash, key, QString::fromLatin1(text), {});
                QVERIFY2((s.splash && s.splash->isVisible()) != closes && s.f.isVisible() && !s.f.frmTip_,
                         qPrintable(QKeySequence(key).toString()));
                splash = s.splash;
            }
            QVERIFY(!splash);   // one left open goes with the main window
        }
    }
};

QTEST_MAIN(TstStartup)
#include "tst_startup.moc"
