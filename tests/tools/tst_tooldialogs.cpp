// The encryption and internet transfer dialogs, driven as a user would:
// opened from the main window, typed into and clicked.

#include "common/ScriptedDialogHost.h"
#include "shell/Form1.h"
#include "shell/RichTextBox.h"
#include "shell/Twips.h"
#include "tools/Form4.h"
#include "tools/Form5.h"
#include "tools/LocalHttpServer.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

namespace {

bool anyFormatting(const QTextDocument *doc)
{
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (f.fontWeight() > QFont::Normal || f.hasProperty(QTextFormat::ForegroundBrush))
                return true;
        }
    return false;
}

bool shown(Form1 &f)
{
    f.show();
    return QTest::qWaitForWindowExposed(&f);
}

void undo(Form1 &f)
{
    f.RichTextBox1->setFocus();
    QTest::keyClick(f.RichTextBox1, Qt::Key_Z, Qt::ControlModifier);
}

const QString kEncoded = QStringLiteral("[FUNC] Text Encoded, please remember the password");
const QString kDecoded = QStringLiteral("[FUNC] Encripted text decoded");
const QString kDecodeFailed = QStringLiteral("[ERROR] Decoding failed: wrong password or text not encoded");

} // namespace

class TestToolDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        for (const char *v : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY", "all_proxy"})
            qunsetenv(v);
    }

    void encryptionDialogLayoutAndLifecycle()
    {
        ScriptedDialogHost host;
        Form1 f(&host);
        QVERIFY(shown(f));

        f.encript_Click();
        QPointer<Form4> d = f.form4_;
        QVERIFY(d);
        QVERIFY(QTest::qWaitForWindowExposed(d));
        QCOMPARE(d->windowTitle(), QStringLiteral("Encode/Decode Options"));
        QCOMPARE(d->windowModality(), Qt::NonModal);
        QVERIFY(!(d->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(d->size(), QSize(twips::toPxX(4785), twips::toPxY(1890)));
        QCOMPARE(d->minimumSize(), d->maximumSize());
        const struct { QWidget *w; QRect at; QString text; } controls[] = {
            {d->Label2, twips::rect(120, 240, 1695, 255), QStringLiteral("Encript Password:")},
            {d->Text2, twips::rect(1680, 240, 1935, 285), QStringLiteral("    must be 6 chars long")},
            {d->Command2, twips::rect(3720, 240, 975, 255), QStringLiteral("E")},
            {d->Label1, twips::rect(120, 720, 1455, 255), QStringLiteral("Decript Password:")},
            {d->Text1, twips::rect(1680, 720, 1935, 285), QStringLiteral("    must be 6 chars long")},
            {d->Command3, twips::rect(3720, 720, 975, 255), QStringLiteral("D")},
            {d->Command1, twips::rect(1680, 1320, 1575, 375), QStringLiteral("Ok")},
        };
        for (const auto &c : controls) {
            QCOMPARE(c.w->geometry(), c.at);
            QCOMPARE(c.w->property("text").toString(), c.text);
        }
        QCOMPARE(d->Command2->toolTip(), QStringLiteral("Encript the current text"));
        QCOMPARE(d->Command3->toolTip(), QStringLiteral("Decrypt the current text"));
        QVERIFY(d->Command2->font().bold() && d->Command3->font().bold());
        QCOMPARE(d->Text1->echoMode(), QLineEdit::Normal);
        // Centred on the main window.
        QVERIFY((d->geometry().center() - f.frameGeometry().center()).manhattanLength() <= 4);

        // D has the focus first; Tab goes E, encrypt box, decrypt box, Ok.
        d->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(d));
        QCOMPARE(QApplication::focusWidget(), d->Command3);
        const QList<QWidget *> order{d->Command3, d->Command2, d->Text2, d->Text1, d->Command1};
        for (int i = 1; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), order.at(i));
        }

        // Both commands show the one dialog; Ok hides it and keeps the boxes.
        d->Text2->clear();
        QTest::keyClicks(d->Text2, QStringLiteral("upper1"));
        d->Text1->clear();
        QTest::keyClicks(d->Text1, QStringLiteral("lower2"));
        QTest::mouseClick(d->Command1, Qt::LeftButton);
        QVERIFY(!d->isVisible());
        f.Command3_Click();
        QCOMPARE(f.form4_.data(), d.data());
        QVERIFY(d->isVisible());
        QCOMPARE(d->Text2->text(), QStringLiteral("upper1"));
        QCOMPARE(d->Text1->text(), QStringLiteral("lower2"));
        // The main window stays usable meanwhile.
        QVERIFY(!QApplication::activeModalWidget());

        // The close box destroys it; the next opening starts afresh.
        d->close();
        QTRY_VERIFY(d.isNull());
        QVERIFY(f.form4_.isNull());
        f.encript_Click();
        QVERIFY(f.form4_);
        QCOMPARE(f.form4_->Text2->text(), QStringLiteral("    must be 6 chars long"));
        QCOMPARE(f.form4_->Text1->text(), QStringLiteral("    must be 6 chars long"));
    }

    void encryptAndDecrypt()
    {
        ScriptedDialogHost host;
        Form1 f(&host);
        QVERIFY(shown(f));
        RichTextBox *box = f.RichTextBox1;
        const QString original = QStringLiteral("Dear Anna,\r\nthe bold plan is on.\r\nÜlrich");
        box->SetText(original);
        box->SetSelStart(15);
        box->SetSelLength(4);
        box->SetSelBold(true);
        box->SetSelColor(0x0000FF);
        QVERIFY(anyFormatting(box->document()));

        f.Command3_Click();
        Form4 *d = f.form4_;
        QVERIFY(d);

        // The hint left in both boxes is a password like any other.
        QTest::mouseClick(d->Command2, Qt::LeftButton);
        QCOMPARE(f.Status(), kEncoded);
        const QString sealed = box->Text();
        QVERIFY(sealed.startsWith(QLatin1String("-----BEGIN")));
        QVERIFY(!sealed.contains(QLatin1String("Anna")));
        QVERIFY(!anyFormatting(box->document()));
        f.SetStatus(QString());
        QTest::mouseClick(d->Command3, Qt::LeftButton);
        QCOMPARE(f.Status(), kDecoded);
        QCOMPARE(box->Text(), original);
        QVERIFY(!anyFormatting(box->document()));   // the formatting is gone

        // Ctrl+Z brings back the encrypted text, then the formatted original.
        undo(f);
        QCOMPARE(box->Text(), sealed);
        undo(f);
        QCOMPARE(box->Text(), original);
        QVERIFY(anyFormatting(box->document()));

        // A different lower password fails and leaves everything as it was.
        d->Text2->setText(QStringLiteral("upper"));
        d->Text1->setText(QStringLiteral("lower"));
        QTest::mouseClick(d->Command2, Qt::LeftButton);
        const QString once = box->Text();
        const QTextDocument *before = box->document();
        QTest::mouseClick(d->Command3, Qt::LeftButton);
        QCOMPARE(f.Status(), kDecodeFailed);
        QCOMPARE(box->document(), before);
        QCOMPARE(box->Text(), once);

        // Encrypted twice, decrypted once: the once-encrypted text.
        d->Text1->setText(QStringLiteral("upper"));
        QTest::mouseClick(d->Command2, Qt::LeftButton);
        QVERIFY(box->Text() != once);
        QTest::mouseClick(d->Command3, Qt::LeftButton);
        QCOMPARE(f.Status(), kDecoded);
        QCOMPARE(box->Text(), once);
        QTest::mouseClick(d->Command3, Qt::LeftButton);
        QCOMPARE(box->Text(), original);

        // A text that was never encrypted is refused, untouched.
        QTest::mouseClick(d->Command3, Qt::LeftButton);
        QCOMPARE(f.Status(), kDecodeFailed);
        QCOMPARE(box->Text(), original);

        // An empty document and an empty password go round too.
        box->SetText(QString());
        d->Text2->clear();
        d->Text1->clear();
        QTest::mouseClick(d->Command2, Qt::LeftButton);
        QCOMPARE(f.Status(), kEncoded);
        QVERIFY(!box->Text().isEmpty());
        QTest::mouseClick(d->Command3, Qt::LeftButton);
        QCOMPARE(f.Status(), kDecoded);
        QCOMPARE(box->Text(), QString());
    }

    void transferDialogLayoutAndLifecycle()
    {
        ScriptedDialogHost host;
        Form1 f(&host);
        QVERIFY(shown(f));

        f.inet_Click();
        QPointer<Form5> d = f.form5_;
        QVERIFY(d);
        QVERIFY(QTest::qWaitForWindowExposed(d));
        QCOMPARE(d->windowTitle(), QStringLiteral("Internet Transfers"));
        QCOMPARE(d->windowModality(), Qt::NonModal);
        QVERIFY(!(d->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(d->size(), QSize(twips::toPxX(4680), twips::toPxY(1020)));
        const struct { QWidget *w; QRect at; QString text; } controls[] = {
            {d->Label1, twips::rect(360, 360, 615, 255), QStringLiteral("URL:")},
            {d->Text1, twips::rect(840, 360, 2415, 285), Form5::SampleUrl},
            {d->Command1, twips::rect(3360, 360, 1095, 255), QStringLiteral("Receive!")},
        };
        for (const auto &c : controls) {
            QCOMPARE(c.w->geometry(), c.at);
            QCOMPARE(c.w->property("text").toString(), c.text);
        }
        // A sample of the form host, "/", file name with an extension.
        QVERIFY(QRegularExpression(QStringLiteral("^[a-z0-9.-]+\\.[a-z]+/[A-Za-z0-9_-]+\\.[a-z]+$"))
                    .match(d->Text1->text()).hasMatch());
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY((d->geometry().center() - screen.center()).manhattanLength() <= 4);

        d->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(d));
        QCOMPARE(QApplication::focusWidget(), d->Text1);
        QTest::keyClick(d->Text1, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), d->Command1);

        d->Text1->setText(QStringLiteral("typed.example/x.txt"));
        f.Command1_Click();
        QCOMPARE(f.form5_.data(), d.data());
        QCOMPARE(d->Text1->text(), QStringLiteral("typed.example/x.txt"));
        d->close();
        QTRY_VERIFY(d.isNull());
        f.inet_Click();
        QCOMPARE(f.form5_->Text1->text(), Form5::SampleUrl);
    }

    void receive()
    {
        LocalHttpServer server;
        QVERIFY(server.listening());
        server.serve("/letter.txt", 200, "OK", "text/plain; charset=utf-8", "Dear reader,\r\nthanks.");
        server.serve("/empty.txt", 200, "OK", "text/plain", QByteArray());

        ScriptedDialogHost host;
        Form1 f(&host);
        QVERIFY(shown(f));
        RichTextBox *box = f.RichTextBox1;
        box->SetText(QStringLiteral("before"));
        f.inet_Click();
        Form5 *d = f.form5_;
        d->Inet1.StallTimeoutMs = 3000;
        d->Inet1.ConnectTimeoutMs = 3000;

        // No scheme typed: http. The status shows the URL as typed, no blank.
        const QString typed = QStringLiteral("127.0.0.1:%1/letter.txt").arg(server.port());
        d->Text1->setText(typed);
        QTest::mouseClick(d->Command1, Qt::LeftButton);
        QCOMPARE(box->Text(), QStringLiteral("Dear reader,\r\nthanks."));
        QCOMPARE(f.Status(), QStringLiteral("[FUNC] File Received from:") + typed);
        // Editing the box afterwards changes nothing in the document.
        d->Text1->setText(QStringLiteral("elsewhere"));
        QCOMPARE(box->Text(), QStringLiteral("Dear reader,\r\nthanks."));
        // The replacement can be undone.
        undo(f);
        QCOMPARE(box->Text(), QStringLiteral("before"));

        // Zero length empties the document and counts as received.
        d->Text1->setText(server.url(QStringLiteral("/empty.txt")));
        QTest::mouseClick(d->Command1, Qt::LeftButton);
        QCOMPARE(box->Text(), QString());
        QCOMPARE(f.Status(), QStringLiteral("[FUNC] File Received from:") + server.url(QStringLiteral("/empty.txt")));
    }

    void receiveFailures()
    {
        LocalHttpServer server;
        QVERIFY(server.listening());
        server.serve("/gone", 404, "Not Found", "text/html", "<h1>404</h1>");
        LocalHttpServer::Answer slow;
        slow.head = "HTTP/1.1 200 OK\r\nContent-Length: 50000";
        slow.body = QByteArray(1000, 'z');
        slow.mode = LocalHttpServer::Mode::Stall;
        server.raw("/slow", slow);

        ScriptedDialogHost host;
        Form1 f(&host);
        QVERIFY(shown(f));
        RichTextBox *box = f.RichTextBox1;
        box->SetText(QStringLiteral("keep me"));
        const QTextDocument *doc = box->document();
        f.Command1_Click();
        QPointer<Form5> d = f.form5_;
        d->Inet1.ConnectTimeoutMs = 3000;
        d->Inet1.StallTimeoutMs = 20000;

        auto receiveFrom = [&](const QString &url) {
            d->Text1->setText(url);
            QTest::mouseClick(d->Command1, Qt::LeftButton);
            QCOMPARE(box->document(), doc);
            QCOMPARE(box->Text(), QStringLiteral("keep me"));
        };
        receiveFrom(server.url(QStringLiteral("/gone")));
        QCOMPARE(f.Status(), QStringLiteral("[ERROR] Transfer failed: server answered 404 Not Found"));
        receiveFrom(QString());
        QCOMPARE(f.Status(), QStringLiteral("[ERROR] Transfer failed: no URL given"));

        // The same click as below, with no transfer running, opens Form4.
        const QPoint at = f.Command3->mapTo(&f, f.Command3->rect().center());
        QTest::mouseClick(f.windowHandle(), Qt::LeftButton, {}, at);
        QVERIFY(f.form4_);
        f.form4_->close();
        QTRY_VERIFY(!f.form4_);

        // While the transfer runs only the progress dialog answers: the main
        // window's buttons do nothing, and closing the dialog window only
        // cancels. Cancel ends it cleanly.
        bool sawDialog = false;
        QTimer poke;
        connect(&poke, &QTimer::timeout, this, [&] {
            TransferDialog *p = d->Inet1.progressDialog();
            if (!p || !p->isVisible() || !p->labelText().contains(QLocale().toString(1000)))
                return;
            poke.stop();
            sawDialog = true;
            QCOMPARE(QApplication::activeModalWidget(), p);
            // Through the window system, as a real click comes.
            QTest::mouseClick(f.windowHandle(), Qt::LeftButton, {}, at);
            QVERIFY(!f.form4_);
            d->close();
            QVERIFY(d);
        });
        poke.start(50);
        receiveFrom(server.url(QStringLiteral("/slow")));
        QVERIFY(sawDialog);
        QCOMPARE(f.Status(), QStringLiteral("[ERROR] Transfer failed: cancelled"));
        QVERIFY(d && d->isVisible());
        QVERIFY(!d->Inet1.progressDialog());
    }
};

QTEST_MAIN(TestToolDialogs)
#include "tst_tooldialogs.moc"
