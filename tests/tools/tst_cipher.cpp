// The text cipher: round trips, every kind of damage failing cleanly, and
// armour that survives the ways people move text around.

#include "shell/RichTextBox.h"
#include "tools/TextCipher.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The base64 between the marker lines, and back into armour.
QByteArray unwrap(const QString &armoured)
{
    QStringList lines = armoured.split(QStringLiteral("\r\n"));
    lines.removeFirst();
    lines.removeLast();
    return QByteArray::fromBase64(lines.join(QString()).toLatin1());
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

    TextCipher cipher;
    // For the tests of the armour itself: the lowest cost decode accepts
    // keeps them quick; the cost travels in the header, so decode follows.
    TextCipher cheap{TextCipher::Limits{1, 1024}};

private slots:
    void roundTrips()
    {
        QString longText;
        for (int i = 0; i < 5000; ++i)
            longText += QStringLiteral("Line %1 of a long letter, with some words.\r\n").arg(i);
        const struct { QString text, password; } cases[] = {
            {QString(), QString()},
            {QStringLiteral("x"), QString()},
            {longText, QStringLiteral("secret")},
            {QStringLiteral("first\r\n\r\nthird\r\n\tindented"), QStringLiteral("pass word")},
            {QStringLiteral("Grüße, 日本語, ελληνικά, 😀"), QStringLiteral("pässwörd ключ 🔑")},
            {QStringLiteral("{\\rtf1 looks like RTF}"), QStringLiteral("    must be 6 chars long")},
        };
        for (const auto &c : cases) {
            const auto sealed = cipher.encode(c.text, c.password);
            QVERIFY(sealed);
            // Printable ASCII in short lines between the markers; never RTF.
            QVERIFY(!sealed->startsWith(QLatin1String("{\\rtf")));
            const QStringList lines = sealed->split(QStringLiteral("\r\n"));
            QCOMPARE(lines.first(), TextCipher::BeginLine);
            QCOMPARE(lines.last(), TextCipher::EndLine);
            for (const QString &line : lines) {
                QVERIFY(line.size() <= 76);
                for (QChar ch : line)
                    QVERIFY(ch.unicode() >= 0x20 && ch.unicode() < 0x7F);
            }
            const auto plain = cipher.decode(*sealed, c.password);
            QVERIFY(plain);
            QCOMPARE(*plain, c.text);
        }

        // Salt and nonce are fresh each time: the same text never looks the same.
        QVERIFY(*cipher.encode(QStringLiteral("same"), QStringLiteral("pw"))
                != *cipher.encode(QStringLiteral("same"), QStringLiteral("pw")));

        // Encrypted twice, decrypted once: the once-encrypted text.
        const QString once = *cipher.encode(QStringLiteral("letter"), QStringLiteral("a"));
        const QString twice = *cipher.encode(once, QStringLiteral("b"));
        QCOMPARE(*cipher.decode(twice, QStringLiteral("b")), once);
    }

    void damageFails()
    {
        const QString pw = QStringLiteral("correct horse");
        const QString sealed = *cheap.encode(QStringLiteral("attack at dawn\r\nbring snacks"), pw);

        // Wrong passwords, also ones that differ only a little.
        for (const QString &wrong : {QStringLiteral("correct hors"), QStringLiteral("Correct horse"),
                                     QStringLiteral("correct horse "), QString()})
            QVERIFY(!cheap.decode(sealed, wrong));

        // One character changed anywhere in the body (header, salt, nonce,
        // ciphertext or tag) is caught.
        const qsizetype bodyStart = TextCipher::BeginLine.size() + 2;
        const qsizetype bodyEnd = sealed.size() - TextCipher::EndLine.size() - 2;
        const qsizetype positions[] = {bodyStart, bodyStart + 3, bodyStart + 10, bodyStart + 20,
                                       bodyStart + 40, bodyStart + 70, bodyEnd - 25, bodyEnd - 4};
        for (qsizetype i : positions) {
            QString changed = sealed;
            const QChar c = changed.at(i);
            if (c == u'\r' || c == u'\n' || c == u'=')
                continue;
            changed[i] = c == u'A' ? u'B' : u'A';
            QVERIFY2(!cheap.decode(changed, pw), qPrintable(QString::number(i)));
        }

        // Cut short, markers missing, nothing or garbage inside.
        QVERIFY(!cheap.decode(sealed.left(sealed.size() - 20), pw));
        QVERIFY(!cheap.decode(sealed.left(sealed.lastIndexOf(QLatin1String("\r\n"))), pw));
        QVERIFY(!cheap.decode(sealed.mid(TextCipher::BeginLine.size()), pw));
        QVERIFY(!cheap.decode(TextCipher::BeginLine + QStringLiteral("\r\n") + TextCipher::EndLine, pw));
        QVERIFY(!cheap.decode(TextCipher::BeginLine + QStringLiteral("\r\n@@not*base64@@\r\n")
                                   + TextCipher::EndLine, pw));
        QVERIFY(!cheap.decode(TextCipher::BeginLine + QStringLiteral("\r\nQUFBQQ==\r\n")
                                   + TextCipher::EndLine, pw));
        QVERIFY(!cheap.decode(QStringLiteral("Dear Sir, this letter was never encrypted."), pw));
        QVERIFY(!cheap.decode(QString(), pw));
        // Text around the armour is not part of it.
        QVERIFY(!cheap.decode(QStringLiteral("Hello\r\n") + sealed, pw));
        QVERIFY(!cheap.decode(sealed + QStringLiteral("\r\nregards"), pw));
    }

    // A forged header cannot make decoding allocate gigabytes or spin for
    // minutes: limits beyond the accepted range are refused before the key
    // derivation runs. A different but acceptable cost fails on the tag.
    void tamperedHeader()
    {
        const QString pw = QStringLiteral("pw");
        const QByteArray sealed = unwrap(*cipher.encode(QStringLiteral("text"), pw));
        QVERIFY(sealed.size() > 50);
        QCOMPARE(int(sealed.at(0)), 1);   // version

        auto withHeader = [&](int offset, QByteArray bytes) {
            QByteArray s = sealed;
            s.replace(offset, bytes.size(), bytes);
            return wrap(s);
        };
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!cipher.decode(withHeader(6, QByteArray(4, '\xFF')), pw));            // 4 TiB memory
        QVERIFY(!cipher.decode(withHeader(2, QByteArray(4, '\xFF')), pw));            // 4 G passes
        QVERIFY(!cipher.decode(withHeader(2, QByteArray(4, '\0')), pw));              // no pass
        QVERIFY(!cipher.decode(withHeader(6, QByteArray(4, '\0')), pw));              // no memory
        QVERIFY(!cipher.decode(withHeader(0, QByteArray(1, '\x02')), pw));            // version
        QVERIFY(!cipher.decode(withHeader(1, QByteArray(1, '\x07')), pw));            // algorithm
        QVERIFY2(clock.elapsed() < 1000, "refused limits must not reach the key derivation");
        // Acceptable but different cost: the derivation runs, the tag refuses.
        QVERIFY(!cipher.decode(withHeader(2, QByteArray("\0\0\0\3", 4)), pw));

        QVERIFY(TextCipher::acceptableLimits(TextCipher::interactiveLimits()));
        QVERIFY(!TextCipher::acceptableLimits({2, 1u << 20}));   // 1 GiB
        QVERIFY(!TextCipher::acceptableLimits({100, 65536}));
    }

    // Mail, editors and a save as text or RTF change line ends and white
    // space; none of that matters.
    void survivesRewrapping()
    {
        const QString pw = QStringLiteral("pw");
        const QString text = QStringLiteral("Ünïcödé letter\r\nsecond line");
        const QString sealed = *cheap.encode(text, pw);
        const QByteArray raw = unwrap(sealed);

        QString spaced = sealed;
        spaced.replace(QStringLiteral("\r\n"), QStringLiteral(" \t\n  "));
        const QString variants[] = {
            QString(sealed).replace(QStringLiteral("\r\n"), QStringLiteral("\r")),
            wrap(raw, 64, QStringLiteral("\n")),
            QString(sealed).remove(QStringLiteral("\r\n")),
            QStringLiteral("\r\n\r\n  ") + spaced + QStringLiteral("\r\n\r\n"),
            QString(sealed).replace(QStringLiteral("\r\n"), QString(QChar::ParagraphSeparator)),
        };
        for (const QString &v : variants)
            QCOMPARE(cheap.decode(v, pw).value_or(QStringLiteral("<failed>")), text);

        // Through the editing area and files, as text and as RTF.
        RichTextBox box;
        box.SetText(sealed);
        QCOMPARE(box.Text(), sealed);
        QTemporaryDir dir;
        for (int type : {RichTextBox::rtfText, RichTextBox::rtfRTF}) {
            const QString file = dir.filePath(QStringLiteral("sealed%1").arg(type));
            box.SetText(sealed);
            QString error;
            QVERIFY2(box.SaveFile(file, type, &error), qPrintable(error));
            RichTextBox back;
            QVERIFY2(back.LoadFile(file, type, &error), qPrintable(error));
            QCOMPARE(cheap.decode(back.Text(), pw).value_or(QStringLiteral("<failed>")), text);
        }
    }
};

QTEST_MAIN(TestCipher)
#include "tst_cipher.moc"
