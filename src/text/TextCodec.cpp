#include "text/TextCodec.h"

#include "base/Cp1252.h"

#include <QStringDecoder>

namespace textcodec {

QString decodeWindows1252(const QByteArray &bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *d = out.data();
    for (char c : bytes)
        *d++ = QChar(cp1252::toUnicode(uchar(c)));
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
