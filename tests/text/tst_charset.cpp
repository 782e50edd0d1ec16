// Text that comes with a Content-Type: the charset it names wins; without
// one, a byte-order mark, then UTF-8 when valid, then Windows-1252.

#include "text/Charset.h"

#include <QtTest>

class TestCharset : public QObject
{
    Q_OBJECT

private slots:
    void decodeByContentType()
    {
        const QString german = QStringLiteral("Grüße aus Köln €");
        const struct { const char *type; QByteArray bytes; QString text; } cases[] = {
            {"text/plain; charset=utf-8", "\xEF\xBB\xBF" + german.toUtf8(), german},
            // KOI8-R: only a decoder found by name reads this right.
            {"text/html; charset=KOI8-R; x=y", "\xF0\xD2\xC9\xD7\xC5\xD4", QStringLiteral("Привет")},
            // Labelled Latin-1 is Windows-1252 in practice (0x80 is the euro).
            {"text/plain; charset=\"ISO-8859-1\"", "caf\xE9 \x80", QStringLiteral("café €")},
            {"text/plain;Charset = US-ASCII ", "caf\xE9", QStringLiteral("café")},
            {"text/plain", QByteArray("\xFF\xFEh\0i\0", 6), QStringLiteral("hi")},
            {"text/plain", QByteArray("\xFE\xFF\0h\0i\0", 7), QStringLiteral("hi\uFFFD")},
            {"text/plain", german.toUtf8(), german},
            {"", "caf\xE9 \x80", QStringLiteral("café €")},
            {"text/plain; charset=x-no-such-thing", german.toUtf8(), german},
            {"text/plain; format=flowed", QByteArray(), QString()},
        };
        for (const auto &c : cases)
            QCOMPARE(textcodec::decode(c.bytes, textcodec::charsetOf(QLatin1String(c.type))), c.text);
    }
};

QTEST_GUILESS_MAIN(TestCharset)
#include "tst_charset.moc"
