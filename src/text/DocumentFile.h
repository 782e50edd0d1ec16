#pragma once
// Reading and writing whole document files safely, shared by the editor and
// quillet-convert. A save replaces the old file only once every byte is on
// disk; a read takes only regular files, never blocks, and stops at a size
// no real document reaches.

#include <QByteArray>
#include <QString>

namespace docfile {

// The most a document file may hold. Word's own ceiling for a document with
// pictures is 512 MB, and no word processor writes a bigger RTF or text
// file; anything larger is a runaway file, not a document, and would only
// exhaust memory.
constexpr qint64 kMaxDocumentBytes = qint64(512) * 1024 * 1024;

// Writes data to path: into a temporary file beside it, flushed, checked and
// fsync'd, then renamed over the old file. When the folder refuses the
// temporary file but the file itself is writable, writes the file in place,
// with its room reserved first (still checked and fsync'd). On failure
// returns false with a short reason (lower case, no full stop) in *error;
// the old file is then untouched, unless the disk fails in the middle of an
// in-place write.
bool save(const QString &path, const QByteArray &data, QString *error);

// Reads a whole regular file of at most maxBytes. Folders, pipes, devices
// and sockets are refused without being opened for reading in a way that
// could block. On failure returns false with a short reason in *error.
bool load(const QString &path, QByteArray *data, QString *error,
          qint64 maxBytes = kMaxDocumentBytes);

// Reads an open descriptor (a file, a pipe, a device) to its end, refusing
// more than maxBytes, so that endless input ends in an error rather than in
// running out of memory. sizeHint (the file's size, when known) saves
// growing the buffer.
bool readAll(int fd, QByteArray *data, QString *error, qint64 maxBytes = kMaxDocumentBytes,
             qint64 sizeHint = 0);

} // namespace docfile
