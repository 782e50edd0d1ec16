#include "rtf/Rtf.h"

#include <QTextDocument>

// Placeholder until the real writer lands.
namespace rtf {

QByteArray write(const QTextDocument *doc)
{
    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\r\n";
    out += doc->toPlainText().toLatin1();
    out += "}\r\n";
    return out;
}

} // namespace rtf
