// The URL fetcher against a real HTTP server on 127.0.0.1 that the test
// starts itself, and against local files. Nothing else is contacted.
// (Cancel from the progress dialog is driven through Form5, in tst_tooldialogs.)

#include "tools/LocalHttpServer.h"
#include "tools/UrlFetcher.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

class TestFetcher : public QObject
{
    Q_OBJECT

    LocalHttpServer server;
    UrlFetcher f;
    QTemporaryDir dir;

    Result<QString> fetch(const QString &url)
    {
        f.URL = url.startsWith(u'/') ? server.url(url) : url;
        return f.OpenURL();
    }

private slots:
    void initTestCase()
    {
        // A proxy from the environment must not see our local requests.
        for (const char *v : {"http_proxy", "HTTP_PROXY", "ALL_PROXY", "all_proxy"})
            qunsetenv(v);
        QVERIFY(server.port());
        f.ShowProgress = false;
        f.ConnectTimeoutMs = 3000;
        f.StallTimeoutMs = 400;
        // Redirect chains, absolute and relative; ten hops are allowed.
        server.serve("/r1", "301 Moved\r\nLocation: /r2");
        server.serve("/r2", "302 Moved\r\nLocation: " + server.url(QStringLiteral("/r3")).toLatin1());
        server.serve("/r3", "307 Moved\r\nLocation: /koi8");
        server.serve("/hop0", "200 OK");
        for (int i = 1; i <= 11; ++i)
            server.serve("/hop" + QByteArray::number(i), "302 Moved\r\nLocation: /hop" + QByteArray::number(i - 1));
    }

    // The charset the server names wins; without one, a BOM, then UTF-8 when
    // valid, then Windows-1252. Zero length is an empty text, not a failure.
    void successes()
    {
        QFile file(dir.filePath(QStringLiteral("notes.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("line one\r\nna\xEFve");
        file.close();
        const QString german = QStringLiteral("Grüße aus Köln €");
        // Those with a content type are served at their path.
        const struct { QString url; const char *type; QByteArray body; QString text; } cases[] = {
            {QStringLiteral("/utf8bom"), "text/plain; charset=utf-8", "\xEF\xBB\xBF" + german.toUtf8(), german},
            // KOI8-R: only a decoder found by name reads this right.
            {QStringLiteral("/koi8"), "text/html; charset=KOI8-R; x=y", "\xF0\xD2\xC9\xD7\xC5\xD4", QStringLiteral("Привет")},
            // Labelled Latin-1 is Windows-1252 in practice (0x80 is the euro).
            {QStringLiteral("/latin1-labelled"), "text/plain; charset=\"ISO-8859-1\"", "caf\xE9 \x80", QStringLiteral("café €")},
            {QStringLiteral("/bom16"), "text/plain", QByteArray("\xFF\xFEh\0i\0", 6), QStringLiteral("hi")},
            {QStringLiteral("/utf8-unlabelled"), "text/plain", german.toUtf8(), german},
            {QStringLiteral("/latin1"), "", "caf\xE9 \x80", QStringLiteral("café €")},
            {QStringLiteral("/bogus-charset"), "text/plain; charset=x-no-such-thing", german.toUtf8(), german},
            {QStringLiteral("/empty"), "text/plain", QByteArray(), QString()},
            {QStringLiteral("/r1"), nullptr, {}, QStringLiteral("Привет")},
            {QStringLiteral("/hop10"), nullptr, {}, QString()},
            {QUrl::fromLocalFile(file.fileName()).toString(), nullptr, {}, QStringLiteral("line one\r\nnaïve")},
        };
        for (const auto &c : cases)
            if (c.type)
                server.serve(c.url.toLatin1(), "200 OK\r\nContent-Type: " + QByteArray(c.type), c.body);
        for (const auto &c : cases) {
            const auto got = fetch(c.url);
            QVERIFY2(got, qPrintable(c.url + u' ' + got.error()));
            QCOMPARE(*got, c.text);
        }
        // A scheme-like text later in the URL is not a scheme.
        QCOMPARE(UrlFetcher::withScheme(QStringLiteral("example.com/a?b=http://c")),
                 QStringLiteral("http://example.com/a?b=http://c"));
    }

    void failures()
    {
        server.serve("/missing", "404 Not Found", "<h1>gone</h1>");
        server.serve("/broken", "500 Internal Server Error", "<h1>oops</h1>");
        // A web server cannot send us to a local file.
        server.serve("/tofile", "302 Moved\r\nLocation: file:///etc/hostname");
        // Announced as larger than 64 MiB: refused before any of it comes.
        server.raw("/huge", "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number((qint64(64) << 20) + 1));
        // Sent without a length: cut off once the limit is passed.
        server.raw("/unsized", "HTTP/1.1 200 OK", QByteArray(200000, 'x'));
        // A little, and then nothing.
        server.raw("/stall", "HTTP/1.1 200 OK\r\nContent-Length: 1000", "the first bytes");
        const QString fifo = dir.filePath(QStringLiteral("pipe"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QString big = dir.filePath(QStringLiteral("big file.txt"));
        {
            QFile file(big);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(100001, 'x')) == 100001);
        }
        quint16 closedPort;
        {
            LocalHttpServer gone;
            closedPort = gone.port();
        }

        const struct { QString url; const char *error; qint64 maxBytes = UrlFetcher::DefaultMaxBytes; } cases[] = {
            {QStringLiteral("/missing"), "server answered 404 Not Found"},
            {QStringLiteral("/broken"), "server answered 500 Internal Server Error"},
            {QStringLiteral("/hop11"), "too many redirects"},
            {QStringLiteral("/tofile"), "unsupported protocol"},
            {QStringLiteral("/huge"), "larger than 64 MiB"},
            {QStringLiteral("/unsized"), "larger than 100000 bytes", 100000},
            {QStringLiteral("/stall"), "timed out"},
            // Only a regular file is a document; none of these may block.
            {QUrl::fromLocalFile(dir.filePath(QStringLiteral("absent.txt"))).toString(), "file not found"},
            {QUrl::fromLocalFile(dir.path()).toString(), "it is a folder"},
            {QUrl::fromLocalFile(fifo).toString(), "it is a pipe, not a file"},
            {QStringLiteral("file:///dev/zero"), "it is a device, not a file"},
            {QUrl::fromLocalFile(big).toString(), "file too large (over 100000 bytes)", 100000},
            {QStringLiteral("http://127.0.0.1:%1/x").arg(closedPort), "could not connect"},
            {QStringLiteral("   "), "no URL given"},
            {QStringLiteral("gopher://127.0.0.1/"), "unsupported protocol"},
            {QStringLiteral("http://"), "malformed URL"},
        };
        for (const auto &c : cases) {
            f.MaxBytes = c.maxBytes;
            const Result<QString> got = fetch(c.url);
            QVERIFY2(!got, qPrintable(c.url));
            QCOMPARE(got.error(), QLatin1String(c.error));
        }
    }
};

QTEST_MAIN(TestFetcher)
#include "tst_fetcher.moc"
