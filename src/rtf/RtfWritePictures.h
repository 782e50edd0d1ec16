#pragma once
// Pictures as RTF, apart from the rest of the writer; and what the reader
// and the writer both ask of picture bytes.

#include <QByteArray>

class QTextDocument;
class QTextImageFormat;

namespace rtf::detail {

// The RTF group of one picture in doc ("{\pict...}", or a kept object's
// group as read); empty when it cannot be written.
QByteArray pictureRtf(const QTextDocument *doc, const QTextImageFormat &format);

// What the bytes are, from their first bytes (never from a label).
bool isWmf(const QByteArray &data);
bool isEmf(const QByteArray &data);

} // namespace rtf::detail
