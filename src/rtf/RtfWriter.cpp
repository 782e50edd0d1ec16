// QTextDocument to RTF in one pass over blocks and fragments (the pieces
// are described in RtfWriterImpl.h).

#include "rtf/RtfWriterImpl.h"

namespace rtf {

QByteArray write(const QTextDocument *doc, int *picturesLeftOut)
{
    QTextDocument empty;
    if (!doc)
        doc = &empty;
    writer::Tables tables(doc);
    writer::Sink body;
    body.reserve(doc->characterCount() + doc->characterCount() / 8 + 4096);
    writer::Writer(doc, tables, body).writeDocument();

    // The header goes in front of the body, now that its tables are full.
    writer::Sink head;
    writer::writeHeader(head, doc, tables);
    QByteArray out = head.take();
    out.reserve(out.size() + body.size() + 4);
    out.append(body.bytes());
    body = writer::Sink();
    out.append("}\r\n");
    if (picturesLeftOut)
        *picturesLeftOut = tables.picturesLeftOut;
    return out;
}

} // namespace rtf
