// The URL fetcher against a real HTTP server on 127.0.0.1 that the test
// starts itself, and against local files. Nothing else is contacted.

#include "tools/LocalHttpServer.h"
#include "tools/TransferDialog.h"
#include "tools/UrlFetcher.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class TestFetcher : public QObject
{
    Q_OBJECT

    LocalHttpServer *server = nullptr;

    // A fetcher that shows no dialog, with short time-outs.
    static void quiet(UrlFetcher &f)
    {
        f.ShowProgress = false;
        f.ConnectTimeoutMs = 3000;
        f.StallTimeoutMs = 3000;
    }

    std::optional<QString> fetch(const QString &url, UrlFetcher *with = nullptr)
    {
        UrlFetcher own;
        UrlFetcher &f = with ? *with : own;
        if (!with)
            quiet(f);
        f.URL = url;
        auto r = f.OpenURL();
        m_lastError = f.Error();
        return r;
    }
    QString m_lastError;

private slots:
    void initTestCase()
    {
        // A proxy from the environment must not see our local requests.
        for (const char *v : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY", "all_proxy"})
            qunsetenv(v);
        server = new LocalHttpServer;
        QVERIFY(server->listening());
    }
    void cleanupTestCase() { delete server; }

    // The charset the server names wins; without one, a BOM, then UTF-8 when
    // it is valid, then Windows-1252.
    void textDecoding()
    {
        const QString german = QStringLiteral("Grüße aus Köln €");
        server->serve("/utf8", 200, "OK", "text/plain; charset=UTF-8", german.toUtf8());
        server->serve("/utf8bom", 200, "OK", "text/plain; charset=utf-8", "\xEF\xBB\xBF" + german.toUtf8());
        server->serve("/quoted", 200, "OK", "text/html; charset=\"utf-8\"; x=y", german.toUtf8());
        // KOI8-R "Привет": only a decoder found by name reads this right.
        server->serve("/koi8", 200, "OK", "text/plain; charset=koi8-r", "\xF0\xD2\xC9\xD7\xC5\xD4");
        // Labelled Latin-1: read as Windows-1252, as browsers do (0x80 is the euro).
        server->serve("/labelled-latin1", 200, "OK", "text/plain; charset=ISO-8859-1", "caf\xE9 \x80");
        server->serve("/bom16", 200, "OK", "text/plain", QByteArray("\xFF\xFE" "h\0i\0", 6));
        server->serve("/plain-utf8", 200, "OK", "text/plain", german.toUtf8());
        server->serve("/latin1", 200, "OK", "", "caf\xE9 \x80");
        server->serve("/unknown-charset", 200, "OK", "text/plain; charset=x-no-such-thing", german.toUtf8());

        struct Case { const char *path; QString expected; QString charset; };
        const Case cases[] = {
            {"/utf8", german, QStringLiteral("utf-8")},
            {"/utf8bom", german, QStringLiteral("utf-8")},
            {"/quoted", german, QStringLiteral("utf-8")},
            {"/koi8", QStringLiteral("Привет"), QStringLiteral("koi8-r")},
            {"/labelled-latin1", QStringLiteral("café €"), QStringLiteral("iso-8859-1")},
            {"/bom16", QStringLiteral("hi"), QString()},
            {"/plain-utf8", german, QString()},
            {"/latin1", QStringLiteral("café €"), QString()},
            {"/unknown-charset", german, QStringLiteral("x-no-such-thing")},
        };
        for (const Case &c : cases) {
            UrlFetcher f;
            quiet(f);
            const auto text = fetch(server->url(QLatin1String(c.path)), &f);
            QVERIFY2(text, qPrintable(QLatin1String(c.path) + QLatin1String(": ") + f.Error()));
            QCOMPARE(*text, c.expected);
            QCOMPARE(f.Charset(), c.charset);
        }
    }

    void zeroLengthIsAnEmptyText()
    {
        server->serve("/empty", 200, "OK", "text/plain", QByteArray());
        const auto text = fetch(server->url(QStringLiteral("/empty")));
        QVERIFY2(text, qPrintable(m_lastError));
        QVERIFY(text->isEmpty());
    }

    void httpErrorsFail()
    {
        server->serve("/missing", 404, "Not Found", "text/html", "<h1>gone</h1>");
        server->serve("/broken", 500, "Internal Server Error", "text/html", "<h1>oops</h1>");
        QVERIFY(!fetch(server->url(QStringLiteral("/missing"))));
        QCOMPARE(m_lastError, QStringLiteral("server answered 404 Not Found"));
        QVERIFY(!fetch(server->url(QStringLiteral("/broken"))));
        QCOMPARE(m_lastError, QStringLiteral("server answered 500 Internal Server Error"));
    }

    void redirects()
    {
        // A chain of three is followed to its end.
        server->serve("/target", 200, "OK", "text/plain; charset=utf-8", "arrived");
        server->redirect("/r1", "/r2", 301);
        server->redirect("/r2", server->url(QStringLiteral("/r3")).toLatin1(), 302);
        server->redirect("/r3", "/target", 307);
        server->clearRequests();
        auto text = fetch(server->url(QStringLiteral("/r1")));
        QVERIFY2(text, qPrintable(m_lastError));
        QCOMPARE(*text, QStringLiteral("arrived"));
        QCOMPARE(server->requests(), (QList<QByteArray>{"/r1", "/r2", "/r3", "/target"}));

        // Ten hops are allowed, eleven are not.
        for (int i = 1; i <= 11; ++i)
            server->redirect("/hop" + QByteArray::number(i), "/hop" + QByteArray::number(i - 1));
        server->serve("/hop0", 200, "OK", "text/plain", "end of the road");
        text = fetch(server->url(QStringLiteral("/hop10")));
        QVERIFY2(text, qPrintable(m_lastError));
        QCOMPARE(*text, QStringLiteral("end of the road"));
        QVERIFY(!fetch(server->url(QStringLiteral("/hop11"))));
        QCOMPARE(m_lastError, QStringLiteral("too many redirects"));

        // A loop ends too.
        server->redirect("/loop", "/loop");
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!fetch(server->url(QStringLiteral("/loop"))));
        QCOMPARE(m_lastError, QStringLiteral("too many redirects"));
        QVERIFY(clock.elapsed() < 10000);

        // A web server cannot send us to a local file.
        QTemporaryDir dir;
        QFile secret(dir.filePath(QStringLiteral("secret.txt")));
        QVERIFY(secret.open(QIODevice::WriteOnly));
        secret.write("private");
        secret.close();
        server->redirect("/tofile", QUrl::fromLocalFile(secret.fileName()).toEncoded());
        QVERIFY(!fetch(server->url(QStringLiteral("/tofile"))));
        QCOMPARE(m_lastError, QStringLiteral("unsupported protocol"));
    }

    void sizeLimit()
    {
        // Announced as larger than 64 MiB: refused before any of it comes.
        LocalHttpServer::Answer huge;
        huge.head = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: "
                    + QByteArray::number((qint64(64) << 20) + 1);
        huge.mode = LocalHttpServer::Mode::Stall;
        server->raw("/huge", huge);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!fetch(server->url(QStringLiteral("/huge"))));
        QCOMPARE(m_lastError, QStringLiteral("larger than 64 MiB"));
        QVERIFY(clock.elapsed() < 3000);

        // Sent without a length: cut off once the limit is passed.
        const QByteArray body(200000, 'x');
        server->serve("/chunked", 200, "OK", "text/plain", body, true);
        UrlFetcher f;
        quiet(f);
        f.MaxBytes = 100000;
        QVERIFY(!fetch(server->url(QStringLiteral("/chunked")), &f));
        QCOMPARE(f.Error(), QStringLiteral("larger than 100000 bytes"));
        // Exactly at the limit is fine.
        f.MaxBytes = body.size();
        const auto text = fetch(server->url(QStringLiteral("/chunked")), &f);
        QVERIFY2(text, qPrintable(f.Error()));
        QCOMPARE(text->size(), body.size());
    }

    void stallTimesOut()
    {
        LocalHttpServer::Answer stall;
        stall.head = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 1000";
        stall.body = "the first few bytes";
        stall.mode = LocalHttpServer::Mode::Stall;
        server->raw("/stall", stall);
        server->raw("/silent", {{}, {}, LocalHttpServer::Mode::Silent});
        for (const char *path : {"/stall", "/silent"}) {
            UrlFetcher f;
            quiet(f);
            f.StallTimeoutMs = 400;
            QElapsedTimer clock;
            clock.start();
            QVERIFY(!fetch(server->url(QLatin1String(path)), &f));
            QCOMPARE(f.Error(), QStringLiteral("timed out"));
            QVERIFY(clock.elapsed() >= 400);
            QVERIFY(clock.elapsed() < 5000);
        }
    }

    // Cancel in the modal progress dialog ends the transfer at once.
    void cancelFromTheDialog()
    {
        LocalHttpServer::Answer stall;
        stall.head = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 100000";
        stall.body = QByteArray(5000, 'y');
        stall.mode = LocalHttpServer::Mode::Stall;
        server->raw("/slow", stall);

        UrlFetcher f;
        f.ConnectTimeoutMs = 3000;
        f.StallTimeoutMs = 20000;
        f.URL = server->url(QStringLiteral("/slow"));
        QString seenLabel;
        bool wasModal = false;
        QTimer poke;
        connect(&poke, &QTimer::timeout, this, [&] {
            TransferDialog *d = f.progressDialog();
            const QString count = QStringLiteral("%1 of %2 bytes received")
                                      .arg(QLocale().toString(5000), QLocale().toString(100000));
            if (!d || !d->isVisible() || !d->labelText().contains(count))
                return;
            seenLabel = d->labelText();
            wasModal = d->isModal() && QApplication::activeModalWidget() == d;
            auto *cancel = d->findChild<QPushButton *>();
            QVERIFY(cancel);
            QTest::mouseClick(cancel, Qt::LeftButton);
        });
        poke.start(50);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!f.OpenURL());
        poke.stop();
        QCOMPARE(f.Error(), QStringLiteral("cancelled"));
        QVERIFY(clock.elapsed() < 10000);
        QVERIFY2(seenLabel.contains(QLatin1String("/slow")), qPrintable(seenLabel));
        QVERIFY(wasModal);
        QVERIFY(!f.progressDialog());
        QVERIFY(!f.Busy());
    }

    void connectionRefused()
    {
        quint16 closedPort;
        {
            LocalHttpServer gone;
            QVERIFY(gone.listening());
            closedPort = gone.port();
        }
        QVERIFY(!fetch(QStringLiteral("http://127.0.0.1:%1/x").arg(closedPort)));
        QCOMPARE(m_lastError, QStringLiteral("could not connect"));
    }

    void fileUrls()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("notes.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("line one\r\nna\xEFve\r\n");
        file.close();
        const auto text = fetch(QUrl::fromLocalFile(file.fileName()).toString());
        QVERIFY2(text, qPrintable(m_lastError));
        QCOMPARE(*text, QStringLiteral("line one\r\nnaïve\r\n"));

        QVERIFY(!fetch(QUrl::fromLocalFile(dir.filePath(QStringLiteral("absent.txt"))).toString()));
        QCOMPARE(m_lastError, QStringLiteral("file not found or unreadable"));
    }

    void urlsAsTyped()
    {
        server->serve("/page.txt", 200, "OK", "text/plain", "plain http");
        // No scheme: http.
        server->clearRequests();
        auto text = fetch(QStringLiteral("127.0.0.1:%1/page.txt").arg(server->port()));
        QVERIFY2(text, qPrintable(m_lastError));
        QCOMPARE(*text, QStringLiteral("plain http"));
        QCOMPARE(server->requests(), QList<QByteArray>{"/page.txt"});
        QCOMPARE(UrlFetcher::withScheme(QStringLiteral("example.com/a?b=http://c")),
                 QStringLiteral("http://example.com/a?b=http://c"));
        QCOMPARE(UrlFetcher::withScheme(QStringLiteral("ftp://example.com/a")),
                 QStringLiteral("ftp://example.com/a"));

        // Nothing to fetch.
        QVERIFY(!fetch(QString()));
        QCOMPARE(m_lastError, QStringLiteral("no URL given"));
        QVERIFY(!fetch(QStringLiteral("   ")));
        QCOMPARE(m_lastError, QStringLiteral("no URL given"));

        // Schemes we do not speak are refused without any connection.
        for (const char *url : {"gopher://127.0.0.1/", "dict://127.0.0.1/", "http://"}) {
            QVERIFY2(!fetch(QLatin1String(url)), url);
            QVERIFY(!m_lastError.isEmpty());
        }
    }
};

QTEST_MAIN(TestFetcher)
#include "tst_fetcher.moc"
