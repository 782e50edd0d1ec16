// The editor's command line as a user gives it: a file name is bytes, and
// one that is not UTF-8 still names its file.

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/inotify.h>
#include <unistd.h>

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void opensByteFileName()
    {
        QTemporaryDir dir;
        const QByteArray file = QFile::encodeName(dir.path()) + "/t\xfe.txt";
        {
            QFile f;
            QVERIFY(f.open(::fopen(file.constData(), "w"), QIODevice::WriteOnly, QFileDevice::AutoCloseHandle));
            f.write("plain text");
        }
        // The editor opening that very file is seen from outside.
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
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
