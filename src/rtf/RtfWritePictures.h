#pragma once
// What the reader and the writer both ask of picture bytes.

#include <QByteArray>

namespace rtf::detail {

// What the bytes are, from their first bytes (never from a label).
bool isWmf(const QByteArray &data);
bool isEmf(const QByteArray &data);

} // namespace rtf::detail
