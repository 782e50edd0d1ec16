#pragma once
// Plain-text bytes to and from QString, the way Windows tools write them:
// a byte-order mark wins, then valid UTF-8, and anything else is taken as
// Windows-1252 (every byte sequence decodes, so nothing is refused).

#include <QByteArray>
#include <QString>

namespace textcodec {

QString decodeWindows1252(const QByteArray &bytes);

// BOM (UTF-8, UTF-16 LE/BE), else UTF-8 when valid, else Windows-1252.
QString decodeText(const QByteArray &bytes);

// Line ends of any kind (CR LF, lone CR, lone LF) become CR LF.
QString toCrLf(const QString &text);

} // namespace textcodec
