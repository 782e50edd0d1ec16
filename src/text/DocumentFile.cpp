#include "text/DocumentFile.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace docfile {

namespace {

QString typeError(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("it is a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("it is a pipe, not a file");
    if (S_ISSOCK(mode))
        return QStringLiteral("it is a socket, not a file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("it is a device, not a file");
    return QStringLiteral("not a regular file");
}

QString errnoError(int err)
{
    switch (err) {
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("file not found");
    case EACCES:
    case EPERM:
        return QStringLiteral("access denied");
    default:
        return QString::fromLocal8Bit(std::strerror(err));
    }
}

QString tooLarge(qint64 maxBytes)
{
    constexpr qint64 mb = 1024 * 1024;
    if (maxBytes >= mb && maxBytes % mb == 0)
        return QStringLiteral("file too large (over %1 MB)").arg(maxBytes / mb);
    return QStringLiteral("file too large (over %1 bytes)").arg(maxBytes);
}

struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
};

bool fail(QString *error, int err)
{
    *error = errnoError(err);
    return false;
}

// For a writable file in a folder that takes no new files. The room for the
// new content is reserved before the first old byte is overwritten, so a
// full disk or a file-size limit fails the save with the old file whole.
bool saveInPlace(const QString &path, const QByteArray &data, QString *error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return fail(error, errno);
    Closer closer{fd};
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        *error = typeError(st.st_mode);
        return false;
    }
    if (!data.isEmpty()) {
        if (const int err = ::posix_fallocate(fd, 0, data.size()))
            return fail(error, err);
    }
    for (qint64 done = 0; done < data.size();) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno != EINTR)
            return fail(error, errno);
        done += qMax<ssize_t>(n, 0);
    }
    if (::ftruncate(fd, data.size()) != 0 || ::fsync(fd) != 0)
        return fail(error, errno);
    return true;
}

} // namespace

bool save(const QString &path, const QByteArray &data, QString *error)
{
    if (path.isEmpty()) {
        *error = QStringLiteral("no file name given");
        return false;
    }
    if (QFileInfo(path).isDir()) {
        *error = QStringLiteral("it is a folder");
        return false;
    }
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        // A writable file in a folder we may not create files in can still
        // be saved, in place.
        const QByteArray name = QFile::encodeName(path);
        const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
        if (::access(name.constData(), W_OK) == 0 && ::access(folder.constData(), W_OK) != 0)
            return saveInPlace(path, data, error);
        *error = f.errorString();
        return false;
    }
    // QSaveFile::commit() renames even when its own final flush fails (a
    // small document sits in the write buffer until then), so the data is
    // pushed out and synced here, and commit only renames what is complete.
    if (f.write(data) != data.size() || !f.flush() || f.error() != QFileDevice::NoError) {
        *error = f.errorString();
        f.cancelWriting();
        return false;
    }
    if (::fsync(f.handle()) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        f.cancelWriting();
        return false;
    }
    if (!f.commit()) {
        *error = f.errorString();
        return false;
    }
    return true;
}

bool load(const QString &path, QByteArray *data, QString *error, qint64 maxBytes)
{
    if (path.isEmpty()) {
        *error = QStringLiteral("no file name given");
        return false;
    }
    const QByteArray name = QFile::encodeName(path);
    struct stat st;
    if (::stat(name.constData(), &st) != 0) {
        *error = errnoError(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        *error = typeError(st.st_mode);
        return false;
    }
    if (st.st_size > maxBytes) {
        *error = tooLarge(maxBytes);
        return false;
    }
    // O_NONBLOCK: should the name be swapped for a pipe after the check,
    // open still returns at once, and fstat below refuses it.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *error = errnoError(errno);
        return false;
    }
    Closer closer{fd};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        *error = typeError(st.st_mode);
        return false;
    }
    return readAll(fd, data, error, maxBytes, st.st_size);
}

bool readAll(int fd, QByteArray *data, QString *error, qint64 maxBytes, qint64 sizeHint)
{
    // The size may change while we read; read until end of file, but never
    // past the cap.
    QByteArray out;
    out.resize(qBound<qint64>(0, sizeHint, maxBytes) + 1);
    qint64 got = 0;
    for (;;) {
        if (got == out.size()) {
            if (got > maxBytes) {
                *error = tooLarge(maxBytes);
                return false;
            }
            out.resize(qMin<qint64>(got * 2, maxBytes + 1));
        }
        const ssize_t n = ::read(fd, out.data() + got, size_t(out.size() - got));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            *error = QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
        if (n == 0)
            break;
        got += n;
    }
    out.truncate(got);
    *data = std::move(out);
    return true;
}

} // namespace docfile
