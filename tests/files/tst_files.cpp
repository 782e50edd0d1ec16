// Open, save, new and exit through the menu keys, the toolbar buttons and a
// scripted dialog host.

#include "common/ScriptedDialogHost.h"
#include "shell/Form1.h"
#include "shell/RichTextBox.h"

#include <QEventLoop>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>

namespace {

const QString kTitle = QStringLiteral("Quillet 99 v2.0: ");
const QString kSaveFailed = QStringLiteral("[ERROR] An error has occurred (CANCEL)");
const QByteArray kRtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Hello {\\b bold} world\\par\r\nTwo\\par}";

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

} // namespace

class TestFiles : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }

private slots:
    void open()
    {
        ScriptedDialogHost host;
        Form1 f(&host);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        const QString rtf = path("letter"), txt = path("notes.txt");
        writeFile(rtf, kRtf);
        writeFile(txt, "Caf\xc3\xa9\nline two");

        host.answerFile(txt, 2);
        QTest::keyClick(f.RichTextBox1, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(host.calls.last().filters, QStringList({"RTF Files (*.rtf)", "ALL Files (*)"}));
        QCOMPARE(f.RichTextBox1->Text(), QStringLiteral(u"Caf\u00e9\r\nline two"));
        QCOMPARE(f.windowTitle(), kTitle + txt);
        QCOMPARE(f.Status(), QStringLiteral("[ACTION] File Opened: ") + txt);

        // The filter entry decides, never the name: RTF markup under "ALL
        // Files" is text; a name without .rtf under "RTF Files" is RTF.
        host.answerFile(rtf, 2);
        QTest::mouseClick(f.Command7, Qt::LeftButton);
        QCOMPARE(f.RichTextBox1->Text().toUtf8(), kRtf);
        host.answerFile(rtf, 1);
        f.abrir_Click();
        QCOMPARE(f.RichTextBox1->Text(), QStringLiteral("Hello bold world\r\nTwo"));
        f.RichTextBox1->SetSelStart(6);
        f.RichTextBox1->SetSelLength(4);
        QVERIFY(f.RichTextBox1->SelBold());
        // Opening replaced the document; Ctrl+Z brings the earlier one back.
        QTest::keyClick(f.RichTextBox1, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.RichTextBox1->Text().toUtf8(), kRtf);

        // A text file under "RTF Files", or a missing one: document and
        // title stay, and the user is told why.
        for (const QString &bad : {txt, path("missing.rtf")}) {
            host.answerFile(bad, 1);
            f.abrir_Click();
            QCOMPARE(f.RichTextBox1->Text().toUtf8(), kRtf);
            QCOMPARE(f.windowTitle(), kTitle + rtf);
        }
        QCOMPARE(f.Status(), "[ERROR] Could not open " + path("missing.rtf") + ": file not found");

        // Cancel reloads nothing from the name the last dialog left, even
        // with CancelError left on by print.
        host.answerFile(txt, 2);
        f.abrir_Click();
        f.RichTextBox1->SetText(QStringLiteral("edited"));
        f.SetStatus(QString());
        for (bool raise : {false, true}) {
            f.CommonDialog1.CancelError = raise;
            host.cancelFile();
            f.abrir_Click();
            QCOMPARE(f.RichTextBox1->Text(), QStringLiteral("edited"));
            QCOMPARE(f.Status(), QString());
        }
    }

    void save()
    {
        ScriptedDialogHost host;
        Form1 f(&host);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        f.RichTextBox1->SetText(QStringLiteral("Alpha\r\nBeta"));
        f.SetStatus(QStringLiteral("earlier"));

        // Menu item: RTF into exactly the typed name, and no message.
        host.answerFile(path("saved"), 1);
        QTest::keyClick(f.RichTextBox1, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(host.calls.last().filters, QStringList({"RTF Files (*.rtf)", "All Files (*)"}));
        QVERIFY(readAll(path("saved")).startsWith("{\\rtf"));
        QCOMPARE(f.windowTitle(), kTitle + path("saved"));
        QCOMPARE(f.Status(), QStringLiteral("earlier"));
        // Plain text under "All Files", whatever the extension.
        host.answerFile(path("plain.rtf"), 2);
        f.save_Click();
        QCOMPARE(readAll(path("plain.rtf")), QByteArray("Alpha\r\nBeta"));
        QCOMPARE(f.Status(), "[ACTION] File Saved:" + path("plain.rtf"));
        // The button reports both formats, with neither colon nor blank.
        host.answerFile(path("b.rtf"), 1);
        QTest::mouseClick(f.Command6, Qt::LeftButton);
        QCOMPARE(f.Status(), "[ACTION] File Saved" + path("b.rtf"));
        host.answerFile(path("b.txt"), 2);
        f.Command6_Click();
        QCOMPARE(f.Status(), "[ACTION] File Saved" + path("b.txt"));
        // What was saved as RTF reads back the same.
        host.answerFile(path("saved"), 1);
        f.abrir_Click();
        QCOMPARE(f.RichTextBox1->Text(), QStringLiteral("Alpha\r\nBeta"));

        // Cancel never writes to the name the last dialog left behind.
        f.RichTextBox1->SetText(QStringLiteral("changed"));
        for (bool raise : {false, true}) {
            f.CommonDialog1.CancelError = raise;
            f.SetStatus(QString());
            host.cancelFile();
            f.Command6_Click();
            QCOMPARE(f.Status(), kSaveFailed);
            QCOMPARE(readAll(path("saved")).contains("changed"), false);
        }

        // A missing folder, and a write that breaks off half way (the file
        // size limit stands in for a full disk): error, old file intact.
        host.answerFile(path("no/such/a.rtf"), 1);
        f.save_Click();
        QCOMPARE(f.Status(), kSaveFailed);
        f.RichTextBox1->SetText(QString(100000, QLatin1Char('x')));
        rlimit old{}, small{};
        getrlimit(RLIMIT_FSIZE, &old);
        small = old;
        small.rlim_cur = 4096;
        auto handler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
        host.answerFile(path("b.txt"), 2);
        f.save_Click();
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, handler);
        QCOMPARE(f.Status(), kSaveFailed);
        QCOMPARE(readAll(path("b.txt")), QByteArray("Alpha\r\nBeta"));
        QCOMPARE(f.windowTitle(), kTitle + path("saved"));
    }

    void newAndExit()
    {
        ScriptedDialogHost host;
        Form1 f(&host);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        int ended = 0;
        f.endProcess = [&ended] { ++ended; };
        f.SetTitleFile(QStringLiteral("/tmp/x.rtf"));
        f.SetStatus(QStringLiteral("kept"));

        // Only the button resets the title; neither asks or writes status.
        f.RichTextBox1->SetText(QStringLiteral("unsaved"));
        f.nuevo->trigger();
        QCOMPARE(f.RichTextBox1->Text(), QString());
        QCOMPARE(f.windowTitle(), kTitle + "/tmp/x.rtf");
        f.RichTextBox1->SetText(QStringLiteral("unsaved"));
        QTest::mouseClick(f.Command5, Qt::LeftButton);
        QCOMPARE(f.RichTextBox1->Text(), QString());
        QCOMPARE(f.windowTitle(), QStringLiteral("Quillet 99 v2.0"));
        QCOMPARE(f.Status(), QStringLiteral("kept"));
        QVERIFY(host.calls.isEmpty());

        host.messages.enqueue(QMessageBox::Cancel);
        QTest::keyClick(f.RichTextBox1, Qt::Key_Q, Qt::ControlModifier);
        const ScriptedDialogHost::Call box = host.calls.last();
        QCOMPARE(box.title, QStringLiteral("Quillet 99"));
        QCOMPARE(box.text, QStringLiteral("Do you really want to quit Quillet 99?"));
        QCOMPARE(box.buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(box.defaultButton, QMessageBox::Ok);
        QCOMPARE(box.icon, QMessageBox::NoIcon);
        QCOMPARE(ended, 0);
        host.messages.enqueue(QMessageBox::Ok);
        f.end->trigger();
        QCOMPARE(ended, 1);

        // Without the test's hook, OK closes the windows and leaves the
        // running event loop (a local one here, so the test lives on).
        f.endProcess = nullptr;
        host.messages.enqueue(QMessageBox::Ok);
        QEventLoop loop;
        QTimer::singleShot(0, &f, &Form1::end_Click);
        QTimer::singleShot(5000, &loop, [&] { loop.exit(1); });
        QCOMPARE(loop.exec(), 0);
        QVERIFY(!f.isVisible());
    }
};

QTEST_MAIN(TestFiles)
#include "tst_files.moc"
