// The URL fetcher against a real HTTP server on 127.0.0.1 that the test
// starts itself, and against local files. Nothing else is contacted.
// (Cancel from the progress dialog is driven through Form5, in tst_tooldialogs.)

#include "tools/LocalHttpServer.h"
#include "tools/UrlFetcher.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestFetcher : public QObject
{
    Q_OBJECT

    LocalHttpServer server;
    UrlFetcher f;

    std::optional<QString> fetch(const QString &url)
    {
        f.URL = url;
        return f.OpenURL();
    }
    std::optional<QString> get(const char *path) { return fetch(server.url(QLatin1String(path))); }

private slots:
    void initTestCase()
    {
        // A proxy from the environment must not see our local requests.
        for (const char *v : {"http_proxy", "HTTP_PROXY", "ALL_PROXY", "all_proxy"})
            qunsetenv(v);
        QVERIFY(server.listening());
    }

    void init()
    {
        f.ShowProgress = false;
        f.ConnectTimeoutMs = f.StallTimeoutMs = 3000;
        f.MaxBytes = UrlFetcher::DefaultMaxBytes;
    }

    // The charset the server names wins; without one, a BOM, then UTF-8 when
    // valid, then Windows-1252. Zero length is an empty text, not a failure.
    void textDecoding()
    {
        const QString german = QStringLiteral("Grüße aus Köln €");
        const struct { const char *path, *type; QByteArray body; QString text; } cases[] = {
            {"/utf8", "text/plain; charset=UTF-8", german.toUtf8(), german},
            {"/utf8bom", "text/plain; charset=utf-8", "\xEF\xBB\xBF" + german.toUtf8(), german},
            {"/quoted", "text/html; charset=\"utf-8\"; x=y", german.toUtf8(), german},
            // KOI8-R: only a decoder found by name reads this right.
            {"/koi8", "text/plain; charset=koi8-r", "\xF0\xD2\xC9\xD7\xC5\xD4", QStringLiteral("Привет")},
            // Labelled Latin-1 is Windows-1252 in practice (0x80 is the euro).
            {"/latin1-labelled", "text/plain; charset=ISO-8859-1", "caf\xE9 \x80", QStringLiteral("café €")},
            {"/bom16", "text/plain", QByteArray("\xFF\xFEh\0i\0", 6), QStringLiteral("hi")},
            {"/utf8-unlabelled", "text/plain", german.toUtf8(), german},
            {"/latin1", "", "caf\xE9 \x80", QStringLiteral("café €")},
            {"/bogus-charset", "text/plain; charset=x-no-such-thing", german.toUtf8(), german},
            {"/empty", "text/plain", QByteArray(), QString()},
        };
        for (const auto &c : cases) {
            server.serve(c.path, 200, "OK", c.type, c.body);
            const auto text = get(c.path);
            QVERIFY2(text, qPrintable(QLatin1String(c.path) + u' ' + f.Error()));
            QCOMPARE(*text, c.text);
        }
        QCOMPARE(f.Charset(), QString());
        get("/koi8");
        QCOMPARE(f.Charset(), QStringLiteral("koi8-r"));
    }

    void httpFailuresAndRedirects()
    {
        server.serve("/missing", 404, "Not Found", "text/html", "<h1>gone</h1>");
        server.serve("/broken", 500, "Internal Server Error", "text/html", "<h1>oops</h1>");
        QVERIFY(!get("/missing"));
        QCOMPARE(f.Error(), QStringLiteral("server answered 404 Not Found"));
        QVERIFY(!get("/broken"));
        QCOMPARE(f.Error(), QStringLiteral("server answered 500 Internal Server Error"));

        // A chain, absolute and relative, is followed to its end.
        server.serve("/target", 200, "OK", "text/plain", "arrived");
        server.redirect("/r1", "/r2", 301);
        server.redirect("/r2", server.url(QStringLiteral("/r3")).toLatin1(), 302);
        server.redirect("/r3", "/target", 307);
        server.clearRequests();
        QCOMPARE(get("/r1").value_or(f.Error()), QStringLiteral("arrived"));
        QCOMPARE(server.requests(), (QList<QByteArray>{"/r1", "/r2", "/r3", "/target"}));

        // Ten hops are allowed, eleven are not; a loop ends.
        for (int i = 1; i <= 11; ++i)
            server.redirect("/hop" + QByteArray::number(i), "/hop" + QByteArray::number(i - 1));
        server.serve("/hop0", 200, "OK", "text/plain", "end of the road");
        QCOMPARE(get("/hop10").value_or(f.Error()), QStringLiteral("end of the road"));
        QVERIFY(!get("/hop11"));
        QCOMPARE(f.Error(), QStringLiteral("too many redirects"));
        server.redirect("/loop", "/loop");
        QVERIFY(!get("/loop"));
        QCOMPARE(f.Error(), QStringLiteral("too many redirects"));

        // A web server cannot send us to a local file.
        server.redirect("/tofile", "file:///etc/hostname");
        QVERIFY(!get("/tofile"));
        QCOMPARE(f.Error(), QStringLiteral("unsupported protocol"));
    }

    void limits()
    {
        // Announced as larger than 64 MiB: refused before any of it comes.
        server.raw("/huge", {"HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number((qint64(64) << 20) + 1),
                             {}, LocalHttpServer::Mode::Stall});
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!get("/huge"));
        QCOMPARE(f.Error(), QStringLiteral("larger than 64 MiB"));
        QVERIFY(clock.elapsed() < 2500);

        // Sent without a length: cut off once the limit is passed.
        server.serve("/chunked", 200, "OK", "text/plain", QByteArray(200000, 'x'), true);
        f.MaxBytes = 100000;
        QVERIFY(!get("/chunked"));
        QCOMPARE(f.Error(), QStringLiteral("larger than 100000 bytes"));

        // A server that sends a little and then nothing times out.
        server.raw("/stall", {"HTTP/1.1 200 OK\r\nContent-Length: 1000", "the first bytes",
                              LocalHttpServer::Mode::Stall});
        f.StallTimeoutMs = 400;
        clock.restart();
        QVERIFY(!get("/stall"));
        QCOMPARE(f.Error(), QStringLiteral("timed out"));
        QVERIFY(clock.elapsed() >= 400 && clock.elapsed() < 5000);
    }

    void urls()
    {
        // No scheme: http.
        server.serve("/page.txt", 200, "OK", "text/plain", "plain http");
        server.clearRequests();
        QCOMPARE(fetch(QStringLiteral("127.0.0.1:%1/page.txt").arg(server.port())).value_or(f.Error()),
                 QStringLiteral("plain http"));
        QCOMPARE(server.requests(), QList<QByteArray>{"/page.txt"});
        QCOMPARE(UrlFetcher::withScheme(QStringLiteral("example.com/a?b=http://c")),
                 QStringLiteral("http://example.com/a?b=http://c"));

        // Files.
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("notes.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("line one\r\nna\xEFve");
        file.close();
        QCOMPARE(fetch(QUrl::fromLocalFile(file.fileName()).toString()).value_or(f.Error()),
                 QStringLiteral("line one\r\nnaïve"));
        QVERIFY(!fetch(QUrl::fromLocalFile(dir.filePath(QStringLiteral("absent.txt"))).toString()));
        QCOMPARE(f.Error(), QStringLiteral("file not found or unreadable"));

        // Nobody listening.
        quint16 closedPort;
        {
            LocalHttpServer gone;
            closedPort = gone.port();
        }
        QVERIFY(!fetch(QStringLiteral("http://127.0.0.1:%1/x").arg(closedPort)));
        QCOMPARE(f.Error(), QStringLiteral("could not connect"));

        // Nothing to fetch, or a scheme we do not speak.
        for (const char *url : {"", "   "}) {
            QVERIFY(!fetch(QLatin1String(url)));
            QCOMPARE(f.Error(), QStringLiteral("no URL given"));
        }
        for (const char *url : {"gopher://127.0.0.1/", "dict://127.0.0.1/", "http://"}) {
            QVERIFY2(!fetch(QLatin1String(url)), url);
            QVERIFY(!f.Error().isEmpty());
        }
    }
};

QTEST_MAIN(TestFetcher)
#include "tst_fetcher.moc"
