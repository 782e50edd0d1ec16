// Start-up: the splash over the main window, the two ways it goes away, and
// a file named on the command line.

#include "common/MainWindowFixture.h"
#include "views/frmSplash.h"
#include "views/frmTip.h"
#include "text/DocumentFile.h"

#include <QLabel>
#include <QProcess>

#include <sys/inotify.h>
#include <unistd.h>

class TstStartup : public QObject, MainWindowFixture
{
    Q_OBJECT

    QTemporaryDir m_dir;   // holds the only tips file the tip window can find
    QPointer<frmSplash> splash;

    // A started, active main window, its tip window reading our one-tip file.
    void start()
    {
        close();
        services.dataFolders = {m_dir.path()};
        build().start();
        splash = window<frmSplash>();
        QVERIFY(QTest::qWaitForWindowActive(f.get()));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(writeFile(m_dir.filePath(QStringLiteral("TIPOFDAY.TXT")), "only tip\r\n"));
        QDir::setCurrent(QDir::tempPath());
        QVERIFY(!QFileInfo::exists(QStringLiteral("TIPOFDAY.TXT")));
    }

    void cleanup() { close(); }

    void mainWindowEndsActiveAndOnlyTheFrameTakesClicks()
    {
        start();
        QVERIFY(QTest::qWaitForWindowExposed(splash));
        // Form_Load writes no title of its own; the platform is the one in use.
        QCOMPARE(f->windowTitle() + u'|' + splash->lblPlatform->text(), kCaption + QStringLiteral("|Linux"));

        // The words and the picture take the click and nothing happens.
        for (QWidget *w : std::initializer_list<QWidget *>{splash->lblProductName, splash->lblPlatform, splash->Image1})
            QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(5, 5));
        QCoreApplication::processEvents();
        QVERIFY(splash);
        QVERIFY(splash->isVisible());
        QVERIFY(!window<frmTip>());

        // The bottom right corner of the frame is bare.
        QWidget *frame = splash->Frame1;
        const QPoint bare(frame->width() - 12, frame->height() - 12);
        QVERIFY(!frame->childAt(bare));
        QTest::mouseClick(frame, Qt::LeftButton, {}, bare);
        QTRY_VERIFY(!splash);
        QVERIFY(f->isVisible());
        QVERIFY(window<frmTip>());
        QVERIFY(window<frmTip>()->isVisible());
        QCOMPARE(window<frmTip>()->lblTipText->text(), QStringLiteral("only tip"));
    }

    void fileFromTheCommandLineOpensOnceStartedAsOpenWould()
    {
        QTemporaryDir dir;
        const QString rtf = dir.filePath(QStringLiteral("letter.txt"));   // the content decides, not the name
        const QString text = dir.filePath(QStringLiteral("notes.rtf"));
        const QString named = dir.filePath(QStringLiteral("Brief an Jürgen – Ñandú 1.rtf"));
        const QString missing = dir.filePath(QStringLiteral("gone.rtf"));
        QVERIFY(writeFile(rtf, "{\\rtf1\\ansi {\\b Dear} Sir\\par}"));
        QVERIFY(writeFile(text, "plain {\\rtf\r\nsecond"));
        QVERIFY(writeFile(named, "{\\rtf1\\ansi Gr\\'fc\\'dfe\\par}"));

        // The argument as given, the file the dialog is left with, its
        // filter entry, the document's text, whether it opened.
        struct Case { QString arg, path; int filterIndex; QString text; bool opened; };
        const Case cases[] = {
            {rtf, rtf, 1, QStringLiteral("Dear Sir"), true},
            {text, text, 2, QStringLiteral("plain {\\rtf\r\nsecond"), true},
            {named, named, 1, QStringLiteral("Grüße"), true},
            // A relative name is completed from the working folder.
            {QDir(QDir::currentPath()).relativeFilePath(named), named, 1, QStringLiteral("Grüße"), true},
            {missing, missing, 2, QString(), false},
            {dir.path(), dir.path(), 2, QString(), false}};
        for (const Case &c : cases) {
            start();
            f->openFile(c.arg);
            QVERIFY2(splash && splash->isVisible(), qPrintable(c.arg));   // start-up as usual
            // No dialog shown; a failure gives its reason.
            const QString status = c.opened ? "[ACTION] File Opened: " + c.path : "[ERROR] Could not open " + c.path + ": ";
            QCOMPARE(QStringList({f->CommonDialog1.FileName, QString::number(f->CommonDialog1.FilterIndex), rtb()->Text(),
                                  f->windowTitle(), f->status().left(status.size())}),
                     QStringList({c.path, QString::number(c.filterIndex), c.text,
                                  c.opened ? kCaption + ": " + c.path : kCaption, status}));
            QVERIFY(host->calls.isEmpty());
            QVERIFY((f->status().size() == status.size()) == c.opened);
            close();
        }
    }

    void byteFileNameOpensThatFile()
    {
        // A name that is not UTF-8 (written by an older system) still names
        // its file: the editor opening that very file is seen from outside.
        QTemporaryDir dir;
        const QByteArray file = QFile::encodeName(dir.path()) + "/t\xfe.txt";
        QVERIFY(docfile::save(docfile::decodeName(file), "plain text"));
        const int watch = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        QVERIFY(watch >= 0);
        QVERIFY(::inotify_add_watch(watch, file.constData(), IN_OPEN) >= 0);
        QProcess editor;
        // Through the shell: QProcess would re-encode the name.
        editor.start(QStringLiteral("/bin/sh"), {"-c", "exec \"$0\" \"$1$(printf '\\376').txt\"",
                                                 QStringLiteral(QUILLET_BINARY_DIR "/src/quillet"), dir.filePath("t")});
        QVERIFY(editor.waitForStarted());
        bool opened = false;
        const auto openedOrEnded = [&] {
            char event[4096];
            opened = opened || ::read(watch, event, sizeof event) > 0;
            return opened || editor.state() == QProcess::NotRunning;
        };
        QTRY_VERIFY_WITH_TIMEOUT(openedOrEnded(), 60000);
        QVERIFY(opened);
        editor.kill();
        editor.waitForFinished();
        ::close(watch);
        QCOMPARE(::unlink(file.constData()), 0); // QTemporaryDir cannot name it
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
            start();
            QTest::sendKeyEvent(QTest::Click, splash, key, QString::fromLatin1(text), {});
            QVERIFY2((splash && splash->isVisible()) != closes && f->isVisible() && !window<frmTip>(),
                     qPrintable(QKeySequence(key).toString()));
            close();
            QVERIFY(!splash);   // one left open goes with the main window
        }
    }
};

QTEST_MAIN(TstStartup)
#include "tst_startup.moc"
