// Open, save, new and exit, driven through the menu keys, the toolbar
// buttons and a scripted dialog host.

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
#include <unistd.h>

namespace {

const QString kCaption = QStringLiteral("Quillet 99 v2.0");
const QString kSaveFailed = QStringLiteral("[ERROR] An error has occurred (CANCEL)");
const QByteArray kRtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 Hello {\\b bold} world\\par\r\n"
                        "Second line\\par}";

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// Ctrl+key into the editing area, as a user at the keyboard would.
void ctrlKey(Form1 &f, Qt::Key key)
{
    f.RichTextBox1->setFocus();
    QTest::keyClick(f.RichTextBox1, key, Qt::ControlModifier);
}

} // namespace

class TestFiles : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }

    // A shown window; each test starts with a fresh dialog component.
    struct Window
    {
        ScriptedDialogHost host;
        Form1 f{&host};
        Window()
        {
            f.show();
            f.activateWindow();
        }
    };

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        writeFile(path(QStringLiteral("letter.rtf")), kRtf);
        writeFile(path(QStringLiteral("notes.txt")), "Caf\xc3\xa9 au lait\r\nline two\n\tindented");
    }

    void openUnderEachFilterEntry()
    {
        Window w;
        Form1 &f = w.f;
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        const QString rtfPath = path(QStringLiteral("letter.rtf"));
        const QString txtPath = path(QStringLiteral("notes.txt"));

        // Text file under "ALL Files", from the menu key.
        w.host.answerFile(txtPath, 2);
        ctrlKey(f, Qt::Key_O);
        QCOMPARE(w.host.calls.size(), 1);
        QCOMPARE(w.host.calls.last().kind, QStringLiteral("open"));
        QCOMPARE(w.host.calls.last().filters,
                 QStringList({QStringLiteral("RTF Files (*.rtf)"), QStringLiteral("ALL Files (*)")}));
        QCOMPARE(f.CommonDialog1.Filter, QStringLiteral("RTF Files|*.rtf|ALL Files|*.*"));
        QCOMPARE(f.RichTextBox1->Text(),
                 QStringLiteral(u"Caf\u00e9 au lait\r\nline two\r\n\tindented"));
        QCOMPARE(f.windowTitle(), kCaption + QStringLiteral(": ") + txtPath);
        QCOMPARE(f.Status(), QStringLiteral("[ACTION] File Opened: ") + txtPath);

        // An RTF file under "ALL Files": its markup becomes the text.
        w.host.answerFile(rtfPath, 2);
        QTest::mouseClick(f.Command7, Qt::LeftButton);
        QCOMPARE(f.RichTextBox1->Text().toUtf8(), kRtf);
        QCOMPARE(f.Status(), QStringLiteral("[ACTION] File Opened: ") + rtfPath);

        // The same file under "RTF Files" is read as a formatted document;
        // the entry decides, not the name.
        const QString rtfNoExt = path(QStringLiteral("letter-without-extension"));
        QFile::copy(rtfPath, rtfNoExt);
        w.host.answerFile(rtfNoExt, 1);
        f.abrir_Click();
        QCOMPARE(f.windowTitle(), kCaption + QStringLiteral(": ") + rtfNoExt);
        QCOMPARE(f.RichTextBox1->Text(), QStringLiteral("Hello bold world\r\nSecond line"));
        f.RichTextBox1->SetSelStart(6);
        f.RichTextBox1->SetSelLength(4);
        QVERIFY(f.RichTextBox1->SelBold());
        f.RichTextBox1->SetSelStart(0);
        f.RichTextBox1->SetSelLength(5);
        QVERIFY(!f.RichTextBox1->SelBold());

        // Opening replaced the document without a question, and Ctrl+Z in
        // the editing area brings the one before back.
        QVERIFY(w.host.messages.isEmpty());
        QTest::keyClick(f.RichTextBox1, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(f.RichTextBox1->Text().startsWith(QStringLiteral("{\\rtf1")));
    }

    void failedOpenKeepsDocumentAndTitle()
    {
        Window w;
        Form1 &f = w.f;
        f.RichTextBox1->SetText(QStringLiteral("unsaved work"));
        const QString txtPath = path(QStringLiteral("notes.txt"));
        const QString before = f.windowTitle();

        struct Case { QString path; QString reason; };
        const QList<Case> cases = {
            {txtPath, QStringLiteral("not a Rich Text Format file")},     // text under "RTF Files"
            {path(QStringLiteral("missing.rtf")), QStringLiteral("file not found")},
            {dir.path(), QString()},                                      // a folder
            {QString(), QStringLiteral("no file name given")},
        };
        for (const Case &c : cases) {
            w.host.answerFile(c.path, 1);
            f.abrir_Click();
            QCOMPARE(f.RichTextBox1->Text(), QStringLiteral("unsaved work"));
            QCOMPARE(f.windowTitle(), before);
            const QString prefix = QStringLiteral("[ERROR] Could not open ") + c.path + QStringLiteral(": ");
            QVERIFY2(f.Status().startsWith(prefix), qPrintable(f.Status()));
            QVERIFY(f.Status().size() > prefix.size());
            if (!c.reason.isEmpty())
                QCOMPARE(f.Status(), prefix + c.reason);
        }
    }

    void cancelledOpenChangesNothing()
    {
        Window w;
        Form1 &f = w.f;
        // Before any file was chosen.
        w.host.cancelFile();
        f.Command7_Click();
        QCOMPARE(f.windowTitle(), kCaption);
        QCOMPARE(f.Status(), QString());

        // After an earlier open, FileName still names that file: a cancel
        // must not load it again over the user's edits.
        const QString txtPath = path(QStringLiteral("notes.txt"));
        w.host.answerFile(txtPath, 2);
        f.abrir_Click();
        f.RichTextBox1->SetText(QStringLiteral("edited since"));
        f.SetStatus(QStringLiteral("before"));
        w.host.cancelFile();
        f.abrir_Click();
        QCOMPARE(f.RichTextBox1->Text(), QStringLiteral("edited since"));
        QCOMPARE(f.windowTitle(), kCaption + QStringLiteral(": ") + txtPath);
        QCOMPARE(f.Status(), QStringLiteral("before"));

        // Also once a cancel is raised as a failure (left so by print).
        f.CommonDialog1.CancelError = true;
        w.host.cancelFile();
        f.Command7_Click();
        QCOMPARE(f.RichTextBox1->Text(), QStringLiteral("edited since"));
        QCOMPARE(f.Status(), QStringLiteral("before"));
    }

    void saveFormatsAndMessages()
    {
        Window w;
        Form1 &f = w.f;
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        f.RichTextBox1->SetText(QStringLiteral("Alpha\r\nBeta"));
        f.SetStatus(QStringLiteral("earlier message"));

        // Menu item, "RTF Files", a name without extension: RTF into exactly
        // that name, and the menu item reports nothing for RTF.
        const QString rtfName = path(QStringLiteral("saved-rtf"));
        w.host.answerFile(rtfName, 1);
        ctrlKey(f, Qt::Key_S);
        QCOMPARE(w.host.calls.last().kind, QStringLiteral("save"));
        QCOMPARE(w.host.calls.last().filters,
                 QStringList({QStringLiteral("RTF Files (*.rtf)"), QStringLiteral("All Files (*)")}));
        QCOMPARE(f.CommonDialog1.Filter, QStringLiteral("RTF Files|*.rtf|All Files|*.*"));
        QCOMPARE(f.CommonDialog1.Action, 2);
        QVERIFY(readAll(rtfName).startsWith("{\\rtf"));
        QVERIFY(!QFile::exists(rtfName + QStringLiteral(".rtf")));
        QCOMPARE(f.windowTitle(), kCaption + QStringLiteral(": ") + rtfName);
        QCOMPARE(f.Status(), QStringLiteral("earlier message"));

        // Menu item, "All Files", a name ending in .rtf: plain text in it.
        const QString txtName = path(QStringLiteral("plain.rtf"));
        w.host.answerFile(txtName, 2);
        f.save_Click();
        QCOMPARE(readAll(txtName), QByteArray("Alpha\r\nBeta"));
        QCOMPARE(f.Status(), QStringLiteral("[ACTION] File Saved:") + txtName);
        QCOMPARE(f.windowTitle(), kCaption + QStringLiteral(": ") + txtName);

        // The button reports both formats, without colon or blank.
        const QString btnRtf = path(QStringLiteral("button.rtf"));
        w.host.answerFile(btnRtf, 1);
        QTest::mouseClick(f.Command6, Qt::LeftButton);
        QVERIFY(readAll(btnRtf).startsWith("{\\rtf"));
        QCOMPARE(f.Status(), QStringLiteral("[ACTION] File Saved") + btnRtf);

        const QString btnTxt = path(QStringLiteral("button.txt"));
        w.host.answerFile(btnTxt, 2);
        f.Command6_Click();
        QCOMPARE(readAll(btnTxt), QByteArray("Alpha\r\nBeta"));
        QCOMPARE(f.Status(), QStringLiteral("[ACTION] File Saved") + btnTxt);

        // Saving over an existing file replaces it without a question.
        f.RichTextBox1->SetText(QStringLiteral("Gamma"));
        w.host.answerFile(btnTxt, 2);
        f.Command6_Click();
        QCOMPARE(readAll(btnTxt), QByteArray("Gamma"));
        QVERIFY(w.host.messages.isEmpty());

        // What was saved as RTF opens again as the same text.
        w.host.answerFile(rtfName, 1);
        f.abrir_Click();
        QCOMPARE(f.RichTextBox1->Text(), QStringLiteral("Alpha\r\nBeta"));
    }

    void cancelledSaveWritesNothing()
    {
        Window w;
        Form1 &f = w.f;
        const QString first = path(QStringLiteral("first-save.txt"));
        f.RichTextBox1->SetText(QStringLiteral("version one"));
        w.host.answerFile(first, 2);
        f.save_Click();
        const QString title = f.windowTitle();

        // FileName still names the first file; a cancel must leave it be.
        f.RichTextBox1->SetText(QStringLiteral("version two"));
        for (bool cancelError : {false, true}) {
            f.CommonDialog1.CancelError = cancelError;
            w.host.cancelFile();
            f.save_Click();
            QCOMPARE(f.Status(), kSaveFailed);
            f.SetStatus(QString());
            w.host.cancelFile();
            f.Command6_Click();
            QCOMPARE(f.Status(), kSaveFailed);
            QCOMPARE(readAll(first), QByteArray("version one"));
            QCOMPARE(f.windowTitle(), title);
            QCOMPARE(f.RichTextBox1->Text(), QStringLiteral("version two"));
        }
    }

    void failedSaveKeepsOldFile()
    {
        Window w;
        Form1 &f = w.f;
        f.RichTextBox1->SetText(QStringLiteral("new content"));
        const QString title = f.windowTitle();

        // Into a folder that does not exist, and onto a folder's name.
        for (const QString &target : {path(QStringLiteral("no/such/folder/a.rtf")), dir.path()}) {
            f.SetStatus(QString());
            w.host.answerFile(target, 1);
            f.save_Click();
            QCOMPARE(f.Status(), kSaveFailed);
            QCOMPARE(f.windowTitle(), title);
        }
        QVERIFY(!QFile::exists(path(QStringLiteral("no"))));

        // A write that breaks off half way (the file size limit stands in
        // for a full disk) leaves the old file as it was.
        const QString old = path(QStringLiteral("precious.txt"));
        writeFile(old, "precious old text");
        f.RichTextBox1->SetText(QString(200000, QLatin1Char('x')));
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit small = saved;
        small.rlim_cur = 4096;
        auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        w.host.answerFile(old, 2);
        f.Command6_Click();
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(f.Status(), kSaveFailed);
        QCOMPARE(readAll(old), QByteArray("precious old text"));
        QCOMPARE(f.windowTitle(), title);

        // A read-only file (root may write anything, so only as a user).
        if (geteuid() != 0) {
            QFile::setPermissions(old, QFileDevice::ReadOwner);
            w.host.answerFile(old, 2);
            f.save_Click();
            QCOMPARE(f.Status(), kSaveFailed);
            QCOMPARE(readAll(old), QByteArray("precious old text"));
            QFile::setPermissions(old, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
    }

    void newFromMenuAndButton()
    {
        Window w;
        Form1 &f = w.f;
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        const QString txtPath = path(QStringLiteral("notes.txt"));
        w.host.answerFile(txtPath, 2);
        f.abrir_Click();
        const QString openedTitle = f.windowTitle();
        f.RichTextBox1->setFocus();
        QTest::keyClicks(f.RichTextBox1, QStringLiteral("unsaved"));
        f.SetStatus(QStringLiteral("kept"));

        // The menu item keeps the title; nothing is asked.
        f.nuevo->trigger();
        QCOMPARE(f.RichTextBox1->Text(), QString());
        QCOMPARE(f.windowTitle(), openedTitle);
        QCOMPARE(f.Status(), QStringLiteral("kept"));
        QVERIFY(w.host.calls.size() == 1);
        // Ctrl+Z brings the discarded document back.
        QTest::keyClick(f.RichTextBox1, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(f.RichTextBox1->Text().contains(QStringLiteral("unsaved")));

        // The button also resets the title.
        QTest::mouseClick(f.Command5, Qt::LeftButton);
        QCOMPARE(f.RichTextBox1->Text(), QString());
        QCOMPARE(f.windowTitle(), kCaption);
        QCOMPARE(f.Status(), QStringLiteral("kept"));
        QCOMPARE(f.CommonDialog1.FileName, txtPath);
    }

    void exitAsksFirst()
    {
        Window w;
        Form1 &f = w.f;
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        int ended = 0;
        f.endProcess = [&ended] { ++ended; };
        f.RichTextBox1->SetText(QStringLiteral("unsaved"));
        f.SetStatus(QStringLiteral("status"));
        const QString title = f.windowTitle();

        w.host.messages.enqueue(QMessageBox::Cancel);
        ctrlKey(f, Qt::Key_Q);
        QCOMPARE(w.host.calls.size(), 1);
        const ScriptedDialogHost::Call box = w.host.calls.last();
        QCOMPARE(box.kind, QStringLiteral("message"));
        QCOMPARE(box.title, QStringLiteral("Quillet 99"));
        QCOMPARE(box.text, QStringLiteral("Do you really want to quit Quillet 99?"));
        QCOMPARE(box.buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(box.defaultButton, QMessageBox::Ok);
        QCOMPARE(box.icon, QMessageBox::NoIcon);
        QCOMPARE(ended, 0);
        QCOMPARE(f.RichTextBox1->Text(), QStringLiteral("unsaved"));
        QCOMPARE(f.Status(), QStringLiteral("status"));
        QCOMPARE(f.windowTitle(), title);
        QVERIFY(f.isVisible());

        // OK ends at once, unsaved changes or not, asking nothing more.
        w.host.messages.enqueue(QMessageBox::Ok);
        f.end->trigger();
        QCOMPARE(ended, 1);
        QCOMPARE(w.host.calls.size(), 2);
    }

    void exitLeavesTheEventLoop()
    {
        // Without a replacement, OK closes the windows and leaves the
        // running event loop (here a local one, so the test lives on).
        Window w;
        Form1 &f = w.f;
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        w.host.messages.enqueue(QMessageBox::Ok);
        QEventLoop loop;
        bool timedOut = false;
        QTimer::singleShot(0, &f, &Form1::end_Click);
        QTimer::singleShot(5000, &loop, [&] { timedOut = true; loop.quit(); });
        loop.exec();
        QVERIFY(!timedOut);
        QVERIFY(!f.isVisible());
    }
};

QTEST_MAIN(TestFiles)
#include "tst_files.moc"
