// The tip of the day: reading TIPOFDAY.TXT, the draws, and the window's life.

#include "common/ScriptedDialogHost.h"
#include "shell/Form1.h"
#include "views/ViewSeams.h"
#include "views/frmTip.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <deque>

namespace {

// Draws from a script, then 0 forever.
std::function<double()> draws(std::initializer_list<double> values)
{
    auto queue = std::make_shared<std::deque<double>>(values);
    return [queue] {
        if (queue->empty())
            return 0.0;
        const double r = queue->front();
        queue->pop_front();
        return r;
    };
}

} // namespace

class TstTips : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_empty;   // a folder with no tips file

    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return QString();
        f.write(bytes);
        return path;
    }

    // A tip window created over a tips file with these contents.
    std::unique_ptr<frmTip> window(const QByteArray &bytes, std::function<double()> random)
    {
        const QString folder = QStringLiteral("d%1").arg(m_serial++);
        QDir(m_dir.path()).mkdir(folder);
        write(folder + QStringLiteral("/TIPOFDAY.TXT"), bytes);
        return std::make_unique<frmTip>(nullptr, std::move(random),
                                        QStringList{m_dir.filePath(folder)});
    }
    int m_serial = 0;

    static QStringList tips(const frmTip &w)
    {
        QStringList out;
        for (int i = 1; i <= w.TipCount(); ++i)
            out << w.Tip(i);
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("empty")));
        m_empty = m_dir.filePath(QStringLiteral("empty"));
        QDir::setCurrent(m_empty);
    }

    void linesBecomeTips()
    {
        // Empty lines are tips; CR LF and a lone CR end lines; a lone LF
        // and leading blanks belong to the tip.
        auto w = window("first\r\n\r\n  third\rfourth\nstill fourth\r\n", draws({0.0}));
        QCOMPARE(tips(*w), (QStringList{QStringLiteral("first"), QString(), QStringLiteral("  third"),
                                        QStringLiteral("fourth\nstill fourth")}));

        // A last line without a line end counts; a final line end adds nothing.
        QCOMPARE(tips(*window("a\r\nb", draws({}))), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
        QCOMPARE(tips(*window("a\r\nb\r\n", draws({}))), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
        QCOMPARE(tips(*window("a\r", draws({}))), QStringList{QStringLiteral("a")});
        QCOMPARE(tips(*window("\r\n", draws({}))), QStringList{QString()});

        // Windows-1252 unless the bytes are valid UTF-8.
        QCOMPARE(tips(*window("caf\xe9 \x93quoted\x94", draws({}))),
                 QStringList{QStringLiteral("caf\u00e9 \u201cquoted\u201d")});
        QCOMPARE(tips(*window("caf\xc3\xa9", draws({}))), QStringList{QStringLiteral("caf\u00e9")});
    }

    void drawsPickTipsAndEmptyTipsShowEmpty()
    {
        // Three tips, the middle one empty: r = 0.5 draws number 2.
        auto w = window("one\r\n\r\nthree\r\n", draws({0.0, 0.5, 0.999999, 0.34}));
        QCOMPARE(w->CurrentTip(), 1);
        QCOMPARE(w->lblTipText->text(), QStringLiteral("one"));
        QTest::mouseClick(w->cmdNextTip, Qt::LeftButton);
        QCOMPARE(w->CurrentTip(), 2);
        QCOMPARE(w->lblTipText->text(), QString());
        w->cmdNextTip_Click();
        QCOMPARE(w->CurrentTip(), 3);
        QCOMPARE(w->lblTipText->text(), QStringLiteral("three"));
        w->cmdNextTip_Click();
        QCOMPARE(w->CurrentTip(), 2);

        // One tip: every draw shows it.
        auto one = window("only\r\n", draws({0.9, 0.1, 0.99}));
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(one->lblTipText->text(), QStringLiteral("only"));
            one->cmdNextTip_Click();
        }
        QCOMPARE(one->CurrentTip(), 1);

        // A draw that comes out at the top never goes past the last tip.
        auto edge = window("x\r\ny\r\n", draws({std::nextafter(1.0, 0.0)}));
        QCOMPARE(edge->CurrentTip(), 2);

        // An empty file: no tips, the label stays empty, Next changes nothing.
        auto none = window("", draws({0.7}));
        QCOMPARE(none->TipCount(), 0);
        QCOMPARE(none->CurrentTip(), 1);
        QCOMPARE(none->lblTipText->text(), QString());
        none->cmdNextTip_Click();
        QCOMPARE(none->lblTipText->text(), QString());
    }

    void missingFileShowsTheNotFoundText()
    {
        // Started away from the tips file, with no data folder holding one.
        frmTip w(nullptr, draws({}), QStringList{m_empty});
        QCOMPARE(w.TipCount(), 0);
        const QString text = w.lblTipText->text();
        QCOMPARE(text, QStringLiteral("Tip file not found, please report this error to ") + frmTip::Contact
                           + QStringLiteral(" TIPOFDAY.TXT.\r\n\r\n"));
        QVERIFY(frmTip::Contact.contains(QLatin1Char('@')));
        w.cmdNextTip_Click();
        QCOMPARE(w.lblTipText->text(), text);

        QVERIFY(!w.LoadTips(QString()));
        QVERIFY(!w.LoadTips(m_dir.filePath(QStringLiteral("nope.txt"))));
        // A folder posing as the file is reported, not taken for tips.
        QVERIFY(!w.LoadTips(m_empty));
    }

    void currentDirectoryFirstThenDataFolder()
    {
        QTemporaryDir data;
        QFile d(data.filePath(QStringLiteral("TIPOFDAY.TXT")));
        QVERIFY(d.open(QIODevice::WriteOnly));
        d.write("from the data folder\r\n");
        d.close();
        {
            frmTip w(nullptr, draws({}), QStringList{m_empty, data.path()});
            QCOMPARE(w.lblTipText->text(), QStringLiteral("from the data folder"));
        }
        QTemporaryDir cwd;
        QFile c(cwd.filePath(QStringLiteral("TIPOFDAY.TXT")));
        QVERIFY(c.open(QIODevice::WriteOnly));
        c.write("from here\r\n");
        c.close();
        QDir::setCurrent(cwd.path());
        {
            frmTip w(nullptr, draws({}), QStringList{data.path()});
            QCOMPARE(w.lblTipText->text(), QStringLiteral("from here"));
        }
        QDir::setCurrent(m_empty);
    }

    void installedProgramFindsItsDataFolder()
    {
        // Beside the installed program first, then where it was configured
        // to install; the source tree is never among them.
        const QStringList folders = programDataFolders();
        QVERIFY(!folders.isEmpty());
        QCOMPARE(folders.first(), QDir::cleanPath(QCoreApplication::applicationDirPath()
                                                  + QStringLiteral("/../share/quillet")));
        QVERIFY(!folders.contains(QDir::cleanPath(QStringLiteral(QUILLET_SOURCE_DIR "/resources"))));
        ScriptedDialogHost host;
        Form1 f(&host);
        QCOMPARE(f.viewSeams().tipFolders, folders);
    }

    void okKeepsTheTipAndCloseReloads()
    {
        ScriptedDialogHost host;
        Form1 f(&host);
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        const QString file = write(QStringLiteral("TIPOFDAY.TXT"), "alpha\r\nbeta\r\ngamma\r\n");
        f.viewSeams().tipFolders = {m_dir.path()};
        f.viewSeams().tipRandom = draws({0.1, 0.5, 0.9});

        f.tip_Click();
        QPointer<frmTip> w = f.frmTip_;
        QVERIFY(w);
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QCOMPARE(w->windowTitle(), QStringLiteral("Tip of the day"));
        QCOMPARE(w->Label1->text(), QStringLiteral("Did you know?"));
        QCOMPARE(w->lblTipText->text(), QStringLiteral("alpha"));

        // Ok (and Enter, and Escape) only hides; the next opening shows the
        // same window with the same tip.
        QTest::mouseClick(w->cmdOK, Qt::LeftButton);
        QVERIFY(w && !w->isVisible());
        f.Command16_Click();
        QCOMPARE(f.frmTip_.data(), w.data());
        QVERIFY(w->isVisible());
        QCOMPARE(w->lblTipText->text(), QStringLiteral("alpha"));
        QVERIFY(QTest::qWaitForWindowActive(w));
        QTest::keyClick(w, Qt::Key_Escape);
        QVERIFY(w && !w->isVisible());
        f.tip_Click();
        QVERIFY(QTest::qWaitForWindowActive(w));
        QTest::keyClick(w->cmdOK, Qt::Key_Return);
        QVERIFY(w && !w->isVisible());
        f.tip_Click();
        QCOMPARE(w->lblTipText->text(), QStringLiteral("alpha"));

        // The close box destroys it; reopening reads the file again (changed
        // meanwhile) and draws afresh.
        write(QStringLiteral("TIPOFDAY.TXT"), "alpha\r\nbeta\r\ngamma\r\ndelta\r\n");
        QVERIFY(w->close());
        QTRY_VERIFY(!w);
        QVERIFY(!f.frmTip_);
        f.tip_Click();
        QVERIFY(f.frmTip_);
        QCOMPARE(f.frmTip_->TipCount(), 4);
        QCOMPARE(f.frmTip_->lblTipText->text(), QStringLiteral("gamma"));   // draw 0.5 of 4
        Q_UNUSED(file);
    }

    void shippedTipsFile()
    {
        frmTip w(nullptr, draws({}), QStringList{QStringLiteral(QUILLET_SOURCE_DIR "/resources")});
        QVERIFY(w.TipCount() >= 20);
        for (int i = 1; i <= w.TipCount(); ++i) {
            const QString tip = w.Tip(i);
            QVERIFY2(tip.size() > 20 && !tip.contains(QLatin1Char('\n')), qPrintable(tip));
        }
    }

    void hugeFilesStayBounded()
    {
        // A file far bigger than any tips file is read only in part, whole
        // lines only, and opening the window stays quick.
        QByteArray big;
        big.reserve(6 * 1024 * 1024);
        const QByteArray line = QByteArray(99, 'x') + '\r';
        while (big.size() < 6 * 1024 * 1024)
            big += line;
        QElapsedTimer t;
        t.start();
        auto w = window(big, draws({0.5}));
        QVERIFY(w->TipCount() > 10000);
        QVERIFY(w->TipCount() < big.size() / line.size());
        QCOMPARE(w->Tip(w->TipCount()), QString(99, QLatin1Char('x')));
        // One giant line is shown cut, not laid out whole.
        auto giant = window(QByteArray(3 * 1024 * 1024, 'y'), draws({0.0}));
        QCOMPARE(giant->TipCount(), 1);
        QVERIFY(giant->lblTipText->text().size() < 10000);
        QVERIFY2(t.elapsed() < 5000, qPrintable(QString::number(t.elapsed())));
    }
};

QTEST_MAIN(TstTips)
#include "tst_tips.moc"
