// The text cipher: round trips, every kind of damage failing cleanly, and
// armour that survives the ways people move text around.

#include "shell/RichTextBox.h"
#include "tools/TextCipher.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

QString valueOr(const Result<QString> &r)
{
    return r ? *r : QStringLiteral("<failed>");
}

// The sealed bytes between the marker lines, and back into armour.
QByteArray unwrap(const QString &armoured)
{
    // fromBase64 skips the line ends.
    return QByteArray::fromBase64(QString(armoured).remove(TextCipher::BeginLine).remove(TextCipher::EndLine).toLatin1());
}
QString wrap(const QByteArray &sealed, int width = 76, const QString &eol = QStringLiteral("\r\n"))
{
    const QString b64 = QString::fromLatin1(sealed.toBase64());
    QString out = TextCipher::BeginLine;
    for (qsizetype i = 0; i < b64.size(); i += width)
        out += eol + b64.mid(i, width);
    return out + eol + TextCipher::EndLine;
}

} // namespace

class TestCipher : public QObject
{
    Q_OBJECT

    // The lowest cost decode accepts keeps these tests quick; the cost
    // travels in the header, so decode follows it. (The dialog tests run
    // the default cost.)
    TextCipher cipher{TextCipher::Limits{1, 1024}};

private slots:
    void roundTrips()
    {
        QString longText;
        for (int i = 0; i < 5000; ++i)
            longText += QStringLiteral("Line %1 of a long letter, with some words.\r\n").arg(i);
        const struct { QString text, password; } cases[] = {
            {QString(), QString()},
            {longText, QStringLiteral("secret")},
            {QStringLiteral("first\r\n\r\nthird\r\n\tindented"), QStringLiteral("pass word")},
            {QStringLiteral("Grüße, 日本語, ελληνικά, 😀"), QStringLiteral("pässwörd ключ 🔑")},
            {QStringLiteral("{\\rtf1 looks like RTF}"), QStringLiteral("    must be 6 chars long")},
        };
        static const QRegularExpression printable76(QStringLiteral("^[ -~]{0,76}$"));
        for (const auto &c : cases) {
            const auto sealed = cipher.encode(c.text, c.password);
            // Printable ASCII in short lines between the markers; never RTF.
            QVERIFY(sealed && !sealed->startsWith(QLatin1String("{\\rtf")) && sealed->startsWith(TextCipher::BeginLine + u'\r')
                    && sealed->endsWith(u'\n' + TextCipher::EndLine));
            for (const QString &line : sealed->split(QStringLiteral("\r\n")))
                QVERIFY2(printable76.match(line).hasMatch(), qPrintable(line));
            QCOMPARE(valueOr(cipher.decode(*sealed, c.password)), c.text);
        }

        // The password counts as text, not as code points: typed composed
        // (NFC) or decomposed (NFD), "café" opens the same text.
        const QString nfc = QStringLiteral("caf\u00e9 \u00c5"), nfd = QStringLiteral("cafe\u0301 A\u030a");
        QCOMPARE(valueOr(cipher.decode(*cipher.encode(QStringLiteral("x"), nfc), nfd)), QStringLiteral("x"));
        QCOMPARE(valueOr(cipher.decode(*cipher.encode(QStringLiteral("y"), nfd), nfc)), QStringLiteral("y"));

        // Salt and nonce are fresh each time: the same text never looks the same.
        QVERIFY(*cipher.encode(QStringLiteral("same"), QStringLiteral("pw"))
                != *cipher.encode(QStringLiteral("same"), QStringLiteral("pw")));
        // Encrypted twice, decrypted once: the once-encrypted text.
        const QString once = *cipher.encode(QStringLiteral("letter"), QStringLiteral("a"));
        QCOMPARE(*cipher.decode(*cipher.encode(once, QStringLiteral("b")), QStringLiteral("b")), once);
    }

    // Wrong passwords, any changed byte, cuts, garbage and forged headers all
    // fail. A forged cost beyond the accepted range is refused before the key
    // derivation runs: it cannot make us allocate gigabytes or spin for hours.
    void damageFails()
    {
        const QString pw = QStringLiteral("correct horse");
        const QString sealed = *cipher.encode(QStringLiteral("attack at dawn\r\nbring snacks"), pw);
        QCOMPARE(valueOr(cipher.decode(sealed, pw)), QStringLiteral("attack at dawn\r\nbring snacks"));
        for (const QString &wrong : {QStringLiteral("Correct horse"), QStringLiteral("correct horse "), QString()})
            QVERIFY(!cipher.decode(sealed, wrong));

        const QByteArray raw = unwrap(sealed);
        QCOMPARE(int(raw.at(0)), 1);   // version
        auto patched = [&](int at, const QByteArray &bytes) {
            return wrap(QByteArray(raw).replace(at, bytes.size(), bytes));
        };
        const QString B = TextCipher::BeginLine + QStringLiteral("\r\n"), E = QStringLiteral("\r\n") + TextCipher::EndLine;
        QStringList damaged = {
            sealed.left(sealed.size() - 20),
            sealed.left(sealed.lastIndexOf(QLatin1String("\r\n"))),   // no end line
            sealed.mid(TextCipher::BeginLine.size()),                 // no begin line
            B + QStringLiteral("@@not*base64@@") + E,
            B + QStringLiteral("QUFBQQ==") + E,
            QStringLiteral("Dear Sir, this letter was never encrypted."),
            QString(),
            patched(0, "\x02"),                      // version
            patched(1, "\x07"),                      // algorithm
            patched(2, QByteArray(4, '\xFF')),       // 4 G passes
            patched(6, QByteArray(4, '\xFF')),       // 4 TiB memory
            patched(2, QByteArray("\0\0\0\2", 4)),   // acceptable cost: the tag refuses
        };
        // One character changed in the header, salt, nonce, ciphertext or tag.
        for (qsizetype at : {9, 12, 30, 52, int(raw.size()) - 1}) {
            QByteArray one = raw;
            one[at] = char(one.at(at) ^ 0x04);
            damaged << wrap(one);
        }
        for (const QString &d : damaged) {
            const Result<QString> got = cipher.decode(d, pw);
            QVERIFY2(!got && got.error() == "wrong password or text not encoded", qPrintable(d.left(120)));
        }
    }

    // Mail, editors and a save as text or RTF change line ends and white
    // space; none of that matters.
    void survivesRewrapping()
    {
        const QString pw = QStringLiteral("pw");
        const QString text = QStringLiteral("Ünïcödé letter\r\nsecond line");
        const QString sealed = *cipher.encode(text, pw);

        QString spaced = sealed;
        spaced.replace(QStringLiteral("\r\n"), QStringLiteral(" \t\n  "));
        const QString variants[] = {
            QString(sealed).replace(QStringLiteral("\r\n"), QStringLiteral("\r")),
            wrap(unwrap(sealed), 64, QStringLiteral("\n")),
            QString(sealed).remove(QStringLiteral("\r\n")),
            QStringLiteral("\r\n\r\n  ") + spaced + QStringLiteral("\r\n\r\n"),
            QString(sealed).replace(QStringLiteral("\r\n"), QString(QChar::ParagraphSeparator)),
        };
        for (const QString &v : variants)
            QCOMPARE(valueOr(cipher.decode(v, pw)), text);

        // Through the editing area and files, as text and as RTF.
        QTemporaryDir dir;
        for (RichTextBox::FileType type : {RichTextBox::rtfText, RichTextBox::rtfRTF}) {
            const QString file = dir.filePath(QStringLiteral("sealed%1").arg(type));
            RichTextBox box, back;
            box.SetText(sealed);
            QVERIFY(box.SaveFile(file, type));
            QVERIFY(back.LoadFile(file, type));
            QCOMPARE(valueOr(cipher.decode(back.Text(), pw)), text);
        }
    }
};

QTEST_MAIN(TestCipher)
#include "tst_cipher.moc"
