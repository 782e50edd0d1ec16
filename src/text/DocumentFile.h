#pragma once
// Reading and writing whole document files safely, shared by the editor and
// quillet-convert. A save replaces the old file only once every byte is on
// disk and keeps who may read and write it; a read takes only regular files,
// never blocks, and stops at a size no real document reaches.

#include "base/Result.h"

#include <QByteArray>
#include <QString>

namespace docfile {

// The most a document file may hold. Word's own ceiling for a document with
// pictures is 512 MB, and no word processor writes a bigger RTF or text
// file; anything larger is a runaway file, not a document, and would only
// exhaust memory.
constexpr qint64 kMaxDocumentBytes = qint64(512) * 1024 * 1024;

// Writes data to path (through a symbolic link, to its target): into a
// temporary file beside it, which takes the old file's owner, group, mode,
// ACLs and extended attributes, flushed, checked and fsync'd, then renamed
// over the old file. Where the rename would lose the file's identity (other
// hard links, an owner we cannot give it) or the folder takes no new files,
// the file is written in place instead: the old content is first copied to
// backupFolder() and synced, then overwritten (room reserved first), and put
// back from the copy should writing fail. A kill at any moment leaves the
// old file, the new file, or the old file in the backup folder.
// A failure says why in a few words (lower case, no full stop) and names
// the backup when the old file could not be put back.
Result<> save(const QString &path, const QByteArray &data);

// Reads a whole regular file of at most maxBytes. Folders, pipes, devices
// and sockets are refused without being opened for reading in a way that
// could block.
Result<QByteArray> load(const QString &path, qint64 maxBytes = kMaxDocumentBytes);

// Reads an open descriptor (a file, a pipe, a device) to its end, refusing
// more than maxBytes, so that endless input ends in an error rather than in
// running out of memory. A regular file over maxBytes is refused unread.
Result<QByteArray> readAll(int fd, qint64 maxBytes = kMaxDocumentBytes);

// File names are bytes. Names from the command line that are not valid
// UTF-8 keep each stray byte as a lone surrogate (U+DC80..U+DCFF), which
// encodeName turns back into the same byte, so such a file can be opened
// and saved under its own name.
QString decodeName(const QByteArray &name);
QByteArray encodeName(const QString &name);

// Where an in-place save keeps the old file while it writes:
// $XDG_STATE_HOME/quillet/backups (~/.local/state/quillet/backups).
QString backupFolder();

namespace testing {
// Every write of a save goes through here, so a test can fail it or stop
// the process at a chosen byte. offset is the byte of that file written.
enum class Write { NewFile, Backup, InPlace, Restore };
using WriteHook = long (*)(Write what, int fd, const char *data, long size, qint64 offset);
void setWriteHook(WriteHook hook);
} // namespace testing

} // namespace docfile
