#include "text/Charset.h"

#include "text/TextCodec.h"

#include <QStringDecoder>
#include <QStringList>

namespace textcodec {

QString charsetOf(const QString &contentType)
{
    const QStringList params = contentType.split(QLatin1Char(';'));
    for (qsizetype i = 1; i < params.size(); ++i) {
        const QString p = params.at(i).trimmed();
        const qsizetype eq = p.indexOf(QLatin1Char('='));
        if (eq < 0 || p.left(eq).trimmed().compare(QLatin1String("charset"), Qt::CaseInsensitive) != 0)
            continue;
        QString value = p.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
            value = value.mid(1, value.size() - 2);
        return value.trimmed().toLower();
    }
    return {};
}

QString decode(const QByteArray &bytes, const QString &charset)
{
    if (!charset.isEmpty()) {
        // Servers that say Latin-1 or ASCII send Windows-1252 in practice;
        // it decodes every byte and agrees with Latin-1 outside 0x80..0x9F.
        static const QStringList western = {
            QStringLiteral("iso-8859-1"), QStringLiteral("iso8859-1"), QStringLiteral("latin1"),
            QStringLiteral("latin-1"), QStringLiteral("l1"), QStringLiteral("us-ascii"),
            QStringLiteral("ascii"), QStringLiteral("windows-1252"), QStringLiteral("cp1252")};
        if (western.contains(charset))
            return decodeWindows1252(bytes);
        QStringDecoder dec(charset.toLatin1().constData());
        if (dec.isValid())
            return dec.decode(bytes);
    }
    return decodeText(bytes);
}

} // namespace textcodec
