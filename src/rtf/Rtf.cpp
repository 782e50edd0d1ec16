#include "rtf/Rtf.h"

#include <QTextCursor>
#include <QTextDocument>

// Placeholder until the real reader and writer land: plain text only.
namespace rtf {

bool isRtf(const QByteArray &data) { return data.startsWith("{\\rtf"); }

bool read(const QByteArray &data, QTextDocument *doc)
{
    if (!isRtf(data))
        return false;
    doc->clear();
    return true;
}

QByteArray write(const QTextDocument *doc)
{
    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\r\n";
    out += doc->toPlainText().toLatin1();
    out += "}\r\n";
    return out;
}

} // namespace rtf
