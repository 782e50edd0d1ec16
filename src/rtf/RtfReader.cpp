#include "rtf/Rtf.h"

#include <QTextDocument>

// Placeholder until the real reader lands.
namespace rtf {

bool isRtf(const QByteArray &data) { return data.startsWith("{\\rtf"); }

bool read(const QByteArray &data, QTextDocument *doc)
{
    if (!isRtf(data))
        return false;
    doc->clear();
    return true;
}

} // namespace rtf
