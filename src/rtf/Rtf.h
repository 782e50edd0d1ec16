#pragma once
// The RTF engine's public face: bytes in, QTextDocument out, and back.
// No widgets here; the editor, the converter, the benchmarks and the fuzz
// target all go through these three functions.

#include <QByteArray>

class QTextDocument;

namespace rtf {

// True when the data is RTF, i.e. it starts with "{\rtf".
bool isRtf(const QByteArray &data);

// Replaces the content of doc with the RTF in data. Returns false, leaving
// doc untouched, when data is not RTF. Never crashes or hangs on any input;
// truncated files are read as far as they go.
bool read(const QByteArray &data, QTextDocument *doc);

// The whole document as RTF (\rtf1\ansi\ansicpg1252, CR LF line ends).
QByteArray write(const QTextDocument *doc);

} // namespace rtf
