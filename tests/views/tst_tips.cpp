// The tip of the day: reading TIPOFDAY.TXT, the draws, and the window's life.

#include "app/DefaultServices.h"
#include "common/MainWindowFixture.h"
#include "views/frmTip.h"

#include <QLabel>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>

class TstTips : public QObject, MainWindowFixture
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_empty;   // the current directory: no tips file there

    // A tip window over a tips file with these contents.
    std::unique_ptr<frmTip> tipWindow(const QByteArray &bytes, const QList<double> &random = {})
    {
        writeFile(m_dir.filePath(QStringLiteral("TIPOFDAY.TXT")), bytes);
        return std::make_unique<frmTip>(nullptr, draws(random), QStringList{m_dir.path()});
    }

private slots:
    void initTestCase()
    {
        m_empty = m_dir.filePath(QStringLiteral("empty"));
        QVERIFY(QDir().mkpath(m_empty));
        QDir::setCurrent(m_empty);
    }

    void cleanup() { close(); }

    void linesBecomeTips()
    {
        const std::pair<QByteArray, QStringList> cases[] = {   // the file, its tips
            // Empty lines are tips; CR LF and a lone CR end lines; a lone LF
            // and leading blanks belong to the tip.
            {"first\r\n\r\n  third\rfourth\nstill fourth\r\n", {"first", "", "  third", "fourth\nstill fourth"}},
            {"a\r\nb", {"a", "b"}},   // no final line end
            {"a\r\nb\r\n", {"a", "b"}},   // a final line end adds nothing
            {"a\r", {"a"}},
            {"\r\n", {""}},
            {"", {}},
            {"caf\xe9 \x93q\x94", {QStringLiteral("caf\u00e9 \u201cq\u201d")}},   // Windows-1252
            {"caf\xc3\xa9", {QStringLiteral("caf\u00e9")}},   // unless valid UTF-8
        };
        for (const auto &[bytes, tips] : cases) {
            auto w = tipWindow(bytes);
            QStringList read;
            for (int i = 1; i <= w->tipCount(); ++i)
                read << w->tip(i);
            QCOMPARE(read, tips);
        }
    }

    void seededDrawsPickTheTipShown()
    {
        const struct {
            QByteArray file; QList<double> random; QList<int> shown;   // at creation, after each Next
        } cases[] = {
            {"one\r\n\r\nthree\r\n", {0.0, 0.5, 0.999999, 0.34}, {1, 2, 3, 2}},   // an empty tip shows empty
            {"only\r\n", {0.9, 0.1, 0.99}, {1, 1, 1}},
            {"x\r\ny\r\n", {std::nextafter(1.0, 0.0)}, {2}},   // the top draw stays in range
            {"", {0.7, 0.3}, {1, 1}},
        };
        for (const auto &c : cases) {
            auto w = tipWindow(c.file, c.random);
            for (qsizetype i = 0; i < c.shown.size(); ++i) {
                if (i > 0)
                    QTest::mouseClick(w->cmdNextTip, Qt::LeftButton);
                QVERIFY2(w->CurrentTip() == c.shown[i] && w->lblTipText->text() == w->tip(c.shown[i]), c.file);
            }
        }
    }

    void findingTheFile()
    {
        // Nowhere to be found: the not-found text, which Next keeps.
        frmTip w(nullptr, draws({}), {m_empty});
        const QString text = QStringLiteral("Tip file not found, please report this error to ")
                             + frmTip::Contact + QStringLiteral(" TIPOFDAY.TXT.\r\n\r\n");
        QCOMPARE(w.lblTipText->text(), text);
        w.cmdNextTip_Click();
        QVERIFY(w.lblTipText->text() == text);
        QVERIFY(w.tipCount() == 0);
        QVERIFY(!w.LoadTips(m_empty));   // a folder posing as the file is not read as tips

        // The current directory first, then the data folders in order.
        QTemporaryDir data, cwd;
        QVERIFY(writeFile(data.filePath(QStringLiteral("TIPOFDAY.TXT")), "from data\r\n"));
        QVERIFY(writeFile(cwd.filePath(QStringLiteral("TIPOFDAY.TXT")), "from here\r\n"));
        QCOMPARE(frmTip(nullptr, draws({}), {m_empty, data.path()}).lblTipText->text(), "from data");
        QDir::setCurrent(cwd.path());
        QCOMPARE(frmTip(nullptr, draws({}), {data.path()}).lblTipText->text(), "from here");
        QDir::setCurrent(m_empty);

        // The installed program looks beside itself, never in the source tree.
        const QStringList folders = programDataFolders();
        QCOMPARE(folders.value(0), QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/quillet"));
        QVERIFY(!folders.contains(QDir::cleanPath(QUILLET_SOURCE_DIR "/resources")));
        QCOMPARE(defaultServices().dataFolders, folders);
    }

    void okKeepsTheTipAndCloseReloads()
    {
        const QString file = m_dir.filePath(QStringLiteral("TIPOFDAY.TXT"));
        QVERIFY(writeFile(file, "alpha\r\nbeta\r\ngamma\r\n"));
        services.dataFolders = {m_dir.path()};
        services.random = draws({0.1, 0.5});
        open();

        f->tip_Click();
        QPointer<frmTip> w = window<frmTip>();
        QVERIFY(w);
        QVERIFY(w->lblTipText->text() == QStringLiteral("alpha"));

        // Ok, Escape and Enter only hide; reopening shows the same window
        // with the same tip.
        QTest::mouseClick(w->cmdOK, Qt::LeftButton);
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
            QVERIFY(w);
            QVERIFY(!w->isVisible());
            f->Command16_Click();
            QVERIFY(window<frmTip>() == w);
            QVERIFY(QTest::qWaitForWindowActive(w));
            QCOMPARE(w->lblTipText->text(), QStringLiteral("alpha"));
            QTest::keyClick(w->focusWidget(), key);   // Ok has the focus
        }
        QVERIFY(w);
        QVERIFY(!w->isVisible());

        // The close box destroys it; reopening reads the file again and
        // draws afresh.
        QVERIFY(writeFile(file, "alpha\r\nbeta\r\ngamma\r\ndelta\r\n"));
        QVERIFY(w->close());
        QTRY_VERIFY(!w);
        f->tip_Click();
        QCOMPARE(window<frmTip>()->lblTipText->text(), QStringLiteral("gamma"));   // 0.5 of 4
    }

    void shippedTipsFile()
    {
        frmTip w(nullptr, draws({}), {QStringLiteral(QUILLET_SOURCE_DIR "/resources")});
        QVERIFY(w.tipCount() >= 20);
        for (int i = 1; i <= w.tipCount(); ++i)
            QVERIFY2(w.tip(i).size() > 20 && !w.tip(i).contains(QLatin1Char('\n')), qPrintable(w.tip(i)));
    }

    void oddFilesAreNotRead()
    {
        // A pipe by the tips file's name would keep a reader waiting for a
        // writer for ever. A watchdog plays the writer, so a window that
        // waits gets a line instead of hanging the test; one that does not
        // wait says the file is not found, as for a folder.
        QTemporaryDir cwd;
        const QByteArray fifo = QFile::encodeName(cwd.filePath(QStringLiteral("TIPOFDAY.TXT")));
        QVERIFY(::mkfifo(fifo.constData(), 0600) == 0);
        std::atomic<bool> done = false, waited = false;
        std::thread writer([&] {
            while (!done) {
                // Opens only while the pipe has a reader.
                const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) {
                    waited = true;
                    const ssize_t n = ::write(fd, "waited\r\n", 8);
                    (void)n;
                    ::close(fd);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
        QDir::setCurrent(cwd.path());
        QString shown;
        bool loaded = true;
        {
            frmTip w(nullptr, draws({}), {m_empty});
            shown = w.lblTipText->text();
            loaded = w.LoadTips(QString::fromLocal8Bit(fifo));
        }
        QDir::setCurrent(m_empty);
        done = true;
        writer.join();
        QVERIFY(!waited);
        QCOMPARE(shown, frmTip::notFoundText());
        QVERIFY(!loaded);

        // Far bigger than any tips file: refused, and said so. One giant
        // line is shown cut.
        const QByteArray line = QByteArray(99, 'x') + '\r';
        auto w = tipWindow(line.repeated(5 * 1024 * 1024 / line.size()));
        QVERIFY2(w->tipCount() == 0 && w->lblTipText->text().contains(QLatin1String("could not be read: file too large (over 4 MB). ")),
                 qPrintable(w->lblTipText->text()));
        auto giant = tipWindow(QByteArray(3 * 1024 * 1024, 'y'));
        QCOMPARE(giant->tipCount(), 1);
        QVERIFY(giant->lblTipText->text().size() < 10000);
    }
};

QTEST_MAIN(TstTips)
#include "tst_tips.moc"
