// The encryption and internet transfer dialogs, driven as a user would:
// opened from the main window, typed into and clicked.

#include "common/MainWindowFixture.h"
#include "tools/Form4.h"
#include "tools/Form5.h"
#include "tools/LocalHttpServer.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextDocument>
#include <QtTest>

#include <sys/stat.h>

namespace {

void undo(Form1 &f)
{
    f.RichTextBox1->setFocus();
    QTest::keyClick(f.RichTextBox1, Qt::Key_Z, Qt::ControlModifier);
}

// The focus starts on the first widget and Tab walks them in order.
void checkTabs(QWidget *d, const QList<QWidget *> &tabOrder)
{
    d->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(d));
    for (QWidget *w : tabOrder) {
        QCOMPARE(QApplication::focusWidget(), w);
        QTest::keyClick(w, Qt::Key_Tab);
    }
}

const QString kHint = QStringLiteral("    must be 6 chars long");
const QString kDecodeFailed = QStringLiteral("[ERROR] Decoding failed: wrong password or text not encoded");

} // namespace

class TestToolDialogs : public QObject, MainWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        for (const char *v : {"http_proxy", "HTTP_PROXY", "ALL_PROXY", "all_proxy"})
            qunsetenv(v);
    }
    void init() { open(); }
    void cleanup() { close(); }

    void encryptionDialogLifecycle()
    {
        f->encript_Click();
        QPointer<Form4> d = window<Form4>();
        QVERIFY(d && QTest::qWaitForWindowExposed(d));
        // Centred on the main window, which stays usable meanwhile.
        QVERIFY((d->geometry().center() - f->frameGeometry().center()).manhattanLength() <= 4);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(d->Text2->text() + d->Text1->text(), kHint + kHint);
        // D has the focus first; Tab goes E, encrypt box, decrypt box, Ok.
        checkTabs(d, {d->Command3, d->Command2, d->Text2, d->Text1, d->Command1});

        // Both commands show the one dialog; Ok hides it and keeps the boxes.
        d->Text2->setText(QStringLiteral("upper"));
        d->Text1->setText(QStringLiteral("lower"));
        QTest::mouseClick(d->Command1, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(d && !d->isVisible());
        f->Command3_Click();
        QVERIFY(window<Form4>() == d && d->isVisible());
        QCOMPARE(d->Text2->text() + d->Text1->text(), QStringLiteral("upperlower"));

        // The close box destroys it; the next opening starts afresh.
        d->close();
        QTRY_VERIFY(d.isNull() && !window<Form4>());
        f->encript_Click();
        QCOMPARE(window<Form4>()->Text2->text() + window<Form4>()->Text1->text(), kHint + kHint);
    }

    void encryptAndDecrypt()
    {
        RichTextBox *box = f->RichTextBox1;
        const QString original = QStringLiteral("Dear Anna,\r\nthe bold plan is on.\r\nÜlrich");
        box->SetText(original);
        auto boldWord = [box](bool set = false) {
            box->SetSelStart(15);
            box->SetSelLength(4);
            if (set)
                box->SetSelBold(true);
            return box->SelBold();
        };
        QVERIFY(boldWord(true));
        f->Command3_Click();
        Form4 *d = window<Form4>();

        // The hint left in both boxes is a password like any other.
        QTest::mouseClick(d->Command2, Qt::LeftButton);
        QCOMPARE(f->Status(), QStringLiteral("[FUNC] Text Encoded, please remember the password"));
        const QString sealed = box->Text();
        QVERIFY(sealed.startsWith(QLatin1String("-----BEGIN")) && !sealed.contains(QLatin1String("Anna")));
        QTest::mouseClick(d->Command3, Qt::LeftButton);
        QCOMPARE(f->Status(), QStringLiteral("[FUNC] Encripted text decoded"));
        QCOMPARE(box->Text(), original);
        QVERIFY(!boldWord());   // the formatting is gone

        // Ctrl+Z brings back the encrypted text, then the formatted original.
        undo(*f);
        QCOMPARE(box->Text(), sealed);
        undo(*f);
        QCOMPARE(box->Text(), original);
        QVERIFY(boldWord());

        // A text that was never encrypted, and a different lower password,
        // fail and leave everything as it was.
        const QTextDocument *before = box->document();
        QTest::mouseClick(d->Command3, Qt::LeftButton);
        QCOMPARE(f->Status(), kDecodeFailed);
        QCOMPARE(box->document(), before);
        d->Text2->setText(QStringLiteral("upper"));
        d->Text1->setText(QStringLiteral("lower"));
        QTest::mouseClick(d->Command2, Qt::LeftButton);
        const QString once = box->Text();
        before = box->document();
        QTest::mouseClick(d->Command3, Qt::LeftButton);
        QCOMPARE(f->Status(), kDecodeFailed);
        QCOMPARE(box->document(), before);
        QCOMPARE(box->Text(), once);

        // The document's own characters come back: a no-break space, and a
        // line break typed with Shift+Enter inside a paragraph.
        box->SetText(QStringLiteral("one\u00a0two"));
        box->moveCursor(QTextCursor::End);
        QTest::keyClick(box, Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClicks(box, QStringLiteral("three"));
        const QString chars = QStringLiteral("one\u00a0two\u2028three");
        QCOMPARE(box->Characters(), chars);
        d->Text1->setText(QStringLiteral("upper"));
        QTest::mouseClick(d->Command2, Qt::LeftButton);
        QTest::mouseClick(d->Command3, Qt::LeftButton);
        QCOMPARE(f->Status(), QStringLiteral("[FUNC] Encripted text decoded"));
        QCOMPARE(box->Characters(), chars);
        QCOMPARE(box->document()->blockCount(), 1);
    }

    void transferDialogLifecycle()
    {
        f->inet_Click();
        QPointer<Form5> d = window<Form5>();
        QVERIFY(d && QTest::qWaitForWindowExposed(d));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY((d->geometry().center() - screen.center()).manhattanLength() <= 4);
        QCOMPARE(d->Text1->text(), QStringLiteral("example.com/file.txt"));
        checkTabs(d, {d->Text1, d->Command1});

        // Both commands show the one dialog; the close box destroys it.
        d->Text1->setText(QStringLiteral("typed.example/x.txt"));
        f->Command1_Click();
        QVERIFY(window<Form5>() == d && d->Text1->text() == QStringLiteral("typed.example/x.txt"));
        d->close();
        QTRY_VERIFY(d.isNull());
        f->inet_Click();
        QCOMPARE(window<Form5>()->Text1->text(), QStringLiteral("example.com/file.txt"));
    }

    void receive()
    {
        LocalHttpServer server;
        QVERIFY(server.port());
        server.serve("/letter.txt", "200 OK\r\nContent-Type: text/plain; charset=utf-8", "Dear reader,\r\nthanks.");
        server.serve("/empty.txt", "200 OK");
        server.raw("/slow", "HTTP/1.1 200 OK\r\nContent-Length: 50000", QByteArray(1000, 'z'));

        RichTextBox *box = f->RichTextBox1;
        box->SetText(QStringLiteral("keep me"));
        const QTextDocument *doc = box->document();
        f->Command1_Click();
        QPointer<Form5> d = window<Form5>();
        d->Inet1.StallTimeoutMs = 20000;
        auto receiveFrom = [&](const QString &url, const QString &status) {
            d->Text1->setText(url);
            QTest::mouseClick(d->Command1, Qt::LeftButton);
            QCOMPARE(f->Status(), status);
        };
        auto failsWith = [&](const QString &url, const char *reason) {
            receiveFrom(url, QStringLiteral("[ERROR] Transfer failed: ") + QLatin1String(reason));
            QCOMPARE(box->document(), doc);
            QCOMPARE(box->Text(), QStringLiteral("keep me"));
        };

        // The same click as below, with no transfer running, opens Form4.
        const QPoint at = f->Command3->mapTo(f.get(), f->Command3->rect().center());
        QTest::mouseClick(f->windowHandle(), Qt::LeftButton, {}, at);
        QVERIFY(window<Form4>());
        window<Form4>()->close();
        QTRY_VERIFY(!window<Form4>());

        // While the transfer runs only the progress dialog answers: the main
        // window's buttons do nothing. Its Cancel ends the transfer cleanly;
        // so does closing the transfer window, which stays open.
        for (bool byClose : {false, true}) {
            bool sawDialog = false;
            QTimer poke;
            connect(&poke, &QTimer::timeout, this, [&] {
                TransferDialog *p = d->Inet1.progressDialog();
                if (!p || !p->isVisible() || !p->labelText().contains(QLocale().toString(1000)))
                    return;
                poke.stop();
                sawDialog = true;
                QCOMPARE(QApplication::activeModalWidget(), p);
                QTest::mouseClick(f->windowHandle(), Qt::LeftButton, {}, at);   // as a real click comes
                QVERIFY(!window<Form4>());
                if (byClose)
                    d->close();
                else
                    QTest::mouseClick(p->findChild<QPushButton *>(), Qt::LeftButton);
            });
            poke.start(50);
            failsWith(server.url(QStringLiteral("/slow")), "cancelled");
            QVERIFY(sawDialog && d && d->isVisible() && !d->Inet1.progressDialog());
        }

        // A local folder or pipe is no document, and reading never waits.
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("pipe"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        failsWith(QUrl::fromLocalFile(dir.path()).toString(), "it is a folder");
        failsWith(QUrl::fromLocalFile(fifo).toString(), "it is a pipe, not a file");

        // No scheme typed: http. The status shows the URL as typed, no blank;
        // the replacement can be undone.
        const QString typed = QStringLiteral("127.0.0.1:%1/letter.txt").arg(server.port());
        receiveFrom(typed, QStringLiteral("[FUNC] File Received from:") + typed);
        QCOMPARE(box->Text(), QStringLiteral("Dear reader,\r\nthanks."));
        undo(*f);
        QCOMPARE(box->Text(), QStringLiteral("keep me"));

        // Zero length empties the document and counts as received.
        const QString empty = server.url(QStringLiteral("/empty.txt"));
        receiveFrom(empty, QStringLiteral("[FUNC] File Received from:") + empty);
        QCOMPARE(box->Text(), QString());
    }
};

QTEST_MAIN(TestToolDialogs)
#include "tst_tooldialogs.moc"
