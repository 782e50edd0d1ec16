#pragma once
// Text that arrives with a declared charset (a web server's Content-Type):
// the declared charset when it names one we know, else the plain-text rules
// of TextCodec (byte-order mark, valid UTF-8, Windows-1252).

#include <QByteArray>
#include <QString>

namespace textcodec {

// The charset parameter of a Content-Type value, lower case, or "".
QString charsetOf(const QString &contentType);

// Bytes to text: the named charset, else what decodeText finds.
QString decode(const QByteArray &bytes, const QString &charset);

} // namespace textcodec
