// Text that comes with a Content-Type: the charset it names wins; without
// one, a byte-order mark, then UTF-8 when valid, then Windows-1252.

#include "text/Charset.h"
#include "base/Cp1252.h"

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

    // The writer's fallback byte comes from the table the reader decodes
    // with: every byte goes back to itself, but the C1 controls that only
    // stand in for unassigned bytes have no byte of their own.
    void windows1252BothWays()
    {
        for (int b = 0; b < 256; ++b) {
            const char16_t u = cp1252::toUnicode(uchar(b));
            const bool standIn = u >= 0x80 && u < 0xA0;
            QCOMPARE(int(cp1252::fromUnicode(u)), standIn ? 0 : b);
        }
    }
};

QTEST_GUILESS_MAIN(TestCharset)
#include "tst_charset.moc"
