#include "text/TextCodec.h"

#include <QStringDecoder>

namespace textcodec {

QString decodeWindows1252(const QByteArray &bytes)
{
    // 0x80..0x9F differ from Latin-1; the five unassigned bytes keep their
    // C1 code points so that no byte is lost.
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *d = out.data();
    for (char c : bytes) {
        const uchar u = uchar(c);
        *d++ = (u >= 0x80 && u < 0xA0) ? QChar(high[u - 0x80]) : QChar(u);
    }
    return out;
}

namespace {

// After the byte-order mark. A last byte without its partner would be held
// back for more input that never comes; it shows as U+FFFD instead.
QString decodeUtf16(const QByteArray &bytes, QStringDecoder::Encoding encoding)
{
    QStringDecoder dec(encoding);
    QString text = dec.decode(QByteArrayView(bytes).sliced(2));
    if (bytes.size() % 2 != 0)
        text += QChar::ReplacementCharacter;
    return text;
}

} // namespace

QString decodeText(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (bytes.startsWith("\xFF\xFE"))
        return decodeUtf16(bytes, QStringDecoder::Utf16LE);
    if (bytes.startsWith("\xFE\xFF"))
        return decodeUtf16(bytes, QStringDecoder::Utf16BE);
    // Decoded once: the text is kept unless the bytes were not UTF-8.
    QStringDecoder dec(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = dec.decode(bytes);
    if (!dec.hasError())
        return text;
    text = QString();   // freed before the second decoding, which may be of megabytes
    return decodeWindows1252(bytes);
}

QString toCrLf(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 16);
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == u'\r') {
            out += u"\r\n";
            if (i + 1 < n && text.at(i + 1) == u'\n')
                ++i;
        } else if (c == u'\n') {
            out += u"\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace textcodec
