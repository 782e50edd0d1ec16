#include "text/DocumentFile.h"

#include <QDateTime>
#include <QDir>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <vector>

namespace docfile {

namespace testing {
namespace {
WriteHook g_hook = nullptr;
}
void setWriteHook(WriteHook hook)
{
    g_hook = hook;
}
} // namespace testing

namespace {

using testing::Write;

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

struct Fd {
    int fd = -1;
    Fd() = default;
    explicit Fd(int f) : fd(f) {}
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    ~Fd() { reset(); }
    void reset()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    // close() can report a failed write-back (NFS); it counts.
    bool close()
    {
        const int f = fd;
        fd = -1;
        return ::close(f) == 0;
    }
};

bool fail(QString *error, int err)
{
    *error = errnoError(err);
    return false;
}

// The type of what fd is open on, or the reason fstat gave.
bool checkRegular(int fd, struct stat *st, QString *error)
{
    if (::fstat(fd, st) != 0)
        return fail(error, errno);
    if (!S_ISREG(st->st_mode)) {
        *error = typeError(st->st_mode);
        return false;
    }
    return true;
}

// Writes data, the bytes from offset `done` to `end` of the file, at fd's
// position. A write that makes no progress would be retried for ever; it is
// taken for a full disk.
bool writeAll(Write what, int fd, const char *data, qint64 end, qint64 done = 0)
{
    const qint64 start = done;
    while (done < end) {
        const long chunk = long(qMin<qint64>(end - done, qint64(1) << 30));
        const long n = testing::g_hook ? testing::g_hook(what, fd, data + done - start, chunk, done)
                                       : long(::write(fd, data + done - start, size_t(chunk)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        done += n;
    }
    return true;
}

// Copies `from` (from its start) to `to` at its current offset.
bool copyAll(Write what, int from, int to, qint64 *copied)
{
    QByteArray buffer(1 << 16, Qt::Uninitialized);
    *copied = 0;
    for (;;) {
        const ssize_t n = ::pread(from, buffer.data(), size_t(buffer.size()), *copied);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (!writeAll(what, to, buffer.constData(), *copied + n, *copied))
            return false;
        *copied += n;
    }
}

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

QByteArray baseOf(const QByteArray &path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

// Makes a rename of the folder's entries last across a power cut.
void syncFolder(const QByteArray &folder)
{
    const Fd dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.fd >= 0)
        ::fsync(dir.fd);
}

// The file a save writes: through symbolic links, to their target.
QByteArray resolveLinks(const QByteArray &name)
{
    char real[PATH_MAX];
    if (::realpath(name.constData(), real))
        return QByteArray(real);
    // A link to a file not made yet: make its target.
    char link[PATH_MAX];
    const ssize_t n = ::readlink(name.constData(), link, sizeof link - 1);
    if (n <= 0)
        return name;
    const QByteArray target(link, n);
    return target.startsWith('/') ? target : folderOf(name) + '/' + target;
}

QByteArray randomSuffix()
{
    return QByteArray::number(QRandomGenerator::global()->generate() & 0xffffff, 16);
}

// A new file beside target, private while the old one is not replaced.
int createBeside(const QByteArray &target, mode_t mode, QByteArray *name)
{
    for (int tries = 0; tries < 100; ++tries) {
        *name = target + '.' + randomSuffix() + ".tmp";
        const int fd = ::open(name->constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

std::vector<QByteArray> xattrNames(const QByteArray &path, int fd)
{
    std::vector<QByteArray> names;
    for (int tries = 0; tries < 5; ++tries) {
        const ssize_t size = fd >= 0 ? ::flistxattr(fd, nullptr, 0) : ::llistxattr(path.constData(), nullptr, 0);
        if (size <= 0)
            return names;
        QByteArray list(size, Qt::Uninitialized);
        const ssize_t got = fd >= 0 ? ::flistxattr(fd, list.data(), size_t(size))
                                    : ::llistxattr(path.constData(), list.data(), size_t(size));
        if (got < 0 && errno == ERANGE)
            continue; // grew meanwhile
        if (got <= 0)
            return names;
        list.truncate(got);
        for (const QByteArray &n : list.split('\0'))
            if (!n.isEmpty())
                names.push_back(n);
        return names;
    }
    return names;
}

// Gives the new file (fd) the old one's owner, group, extended attributes
// (the ACL among them) and mode. False when any of them cannot be given:
// then the rename would change who may use the file.
bool keepIdentity(int fd, const QByteArray &old, const struct stat &st)
{
    struct stat now;
    if (::fstat(fd, &now) != 0)
        return false;
    if ((now.st_uid != st.st_uid || now.st_gid != st.st_gid)
        && ::fchown(fd, now.st_uid != st.st_uid ? st.st_uid : uid_t(-1),
                    now.st_gid != st.st_gid ? st.st_gid : gid_t(-1)) != 0)
        return false;
    const std::vector<QByteArray> names = xattrNames(old, -1);
    // What the folder's default ACL gave the new file and the old one lacks
    for (const QByteArray &n : xattrNames({}, fd))
        if (std::find(names.begin(), names.end(), n) == names.end())
            ::fremovexattr(fd, n.constData());
    for (const QByteArray &n : names) {
        const ssize_t size = ::lgetxattr(old.constData(), n.constData(), nullptr, 0);
        if (size < 0)
            return false;
        QByteArray value(size, Qt::Uninitialized);
        const ssize_t got = ::lgetxattr(old.constData(), n.constData(), value.data(), size_t(size));
        if (got != size)
            return false;
        // The security label is the system's to give (the folder's default
        // is right for a new file); everything else must come along.
        if (::fsetxattr(fd, n.constData(), value.constData(), size_t(size), 0) != 0 && !n.startsWith("security."))
            return false;
    }
    return ::fchmod(fd, st.st_mode & 07777) == 0;
}

// Copies the old file (open as `from`) into a new file of the backup
// folder and syncs both. Returns its descriptor, or -1 with *error set.
int makeBackup(int from, const QByteArray &target, QByteArray *backup, QString *error)
{
    const QByteArray folder = encodeName(backupFolder());
    // Only its user may look in: the names tell what the documents are.
    if (!QDir().mkpath(decodeName(folderOf(folder)))
        || (::mkdir(folder.constData(), 0700) != 0 && errno != EEXIST)) {
        *error = QStringLiteral("cannot make the backup folder %1").arg(decodeName(folder));
        return -1;
    }
    const QByteArray stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")).toLatin1();
    Fd fd;
    for (int tries = 0; fd.fd < 0 && tries < 100; ++tries) {
        *backup = folder + '/' + stamp + '-' + randomSuffix() + '-' + baseOf(target);
        fd.fd = ::open(backup->constData(), O_RDWR | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0600);
        if (fd.fd < 0 && errno != EEXIST)
            break;
    }
    if (fd.fd < 0) {
        *error = QStringLiteral("cannot keep a copy of the old file in %1: %2")
                     .arg(decodeName(folder), errnoError(errno));
        return -1;
    }
    qint64 copied = 0;
    if (!copyAll(Write::Backup, from, fd.fd, &copied) || ::fsync(fd.fd) != 0) {
        *error = QStringLiteral("cannot keep a copy of the old file in %1: %2")
                     .arg(decodeName(folder), errnoError(errno));
        ::unlink(backup->constData());
        return -1;
    }
    syncFolder(folder);
    const int kept = fd.fd;
    fd.fd = -1;
    return kept;
}

// Overwrites the file itself, for when a new file cannot take its place.
// The old content is safe in a synced backup before the first old byte is
// overwritten, and the room for the new content is reserved first, so a
// full disk or a file-size limit fails the save with the old file whole.
bool saveInPlace(const QByteArray &target, const QByteArray &data, QString *error)
{
    Fd fd(::open(target.constData(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (fd.fd < 0) {
        // Writable but not readable: the old content cannot be kept aside.
        fd.fd = ::open(target.constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd.fd >= 0) {
            *error = QStringLiteral("cannot keep a copy of the old file: it is not readable");
            return false;
        }
        return fail(error, errno);
    }
    struct stat st;
    if (!checkRegular(fd.fd, &st, error))
        return false;
    QByteArray backupName;
    const Fd backup(makeBackup(fd.fd, target, &backupName, error));
    if (backup.fd < 0)
        return false;

    int err = 0;
    if (!data.isEmpty())
        err = ::posix_fallocate(fd.fd, 0, data.size());
    if (!err && !(writeAll(Write::InPlace, fd.fd, data.constData(), data.size())
                  && ::ftruncate(fd.fd, data.size()) == 0 && ::fsync(fd.fd) == 0))
        err = errno;
    if (!err) {
        ::unlink(backupName.constData());
        return true;
    }
    // Put the old content back from the backup.
    qint64 copied = 0;
    const bool restored = ::lseek(fd.fd, 0, SEEK_SET) == 0 && copyAll(Write::Restore, backup.fd, fd.fd, &copied)
                          && ::ftruncate(fd.fd, copied) == 0 && ::fsync(fd.fd) == 0;
    *error = errnoError(err);
    if (restored)
        ::unlink(backupName.constData());
    else
        *error += QStringLiteral("; the old file is kept in %1").arg(decodeName(backupName));
    return false;
}

bool utf8Sequence(const uchar *s, qsizetype left, qsizetype *length)
{
    const uchar c = s[0];
    qsizetype n;
    uint min;
    uint cp;
    if (c < 0x80) {
        *length = 1;
        return true;
    } else if (c >= 0xC2 && c <= 0xDF) {
        n = 2, min = 0x80, cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3, min = 0x800, cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4, min = 0x10000, cp = c & 0x07;
    } else {
        return false;
    }
    if (left < n)
        return false;
    for (qsizetype i = 1; i < n; ++i) {
        if ((s[i] & 0xC0) != 0x80)
            return false;
        cp = (cp << 6) | (s[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return false;
    *length = n;
    return true;
}

} // namespace

QString decodeName(const QByteArray &name)
{
    QString out;
    const auto *s = reinterpret_cast<const uchar *>(name.constData());
    qsizetype i = 0, run = 0;
    while (i < name.size()) {
        qsizetype n = 0;
        if (utf8Sequence(s + i, name.size() - i, &n)) {
            i += n;
            continue;
        }
        out += QString::fromUtf8(name.constData() + run, i - run);
        out += QChar(0xDC00 + s[i]);
        run = ++i;
    }
    out += QString::fromUtf8(name.constData() + run, name.size() - run);
    return out;
}

QByteArray encodeName(const QString &name)
{
    QByteArray out;
    qsizetype run = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name.at(i).unicode();
        const bool stray = c >= 0xDC80 && c <= 0xDCFF && (i == 0 || !name.at(i - 1).isHighSurrogate());
        if (!stray)
            continue;
        out += QStringView(name).mid(run, i - run).toUtf8();
        out += char(c - 0xDC00);
        run = i + 1;
    }
    out += QStringView(name).mid(run).toUtf8();
    return out;
}

QString backupFolder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/quillet/backups");
}

namespace {

bool saveTo(const QString &path, const QByteArray &data, QString *error)
{
    if (path.isEmpty()) {
        *error = QStringLiteral("no file name given");
        return false;
    }
    const QByteArray target = resolveLinks(encodeName(path));
    struct stat st;
    const bool exists = ::stat(target.constData(), &st) == 0;
    if (!exists && errno != ENOENT)
        return fail(error, errno);
    if (exists && !S_ISREG(st.st_mode)) {
        *error = typeError(st.st_mode);
        return false;
    }
    // A file made read-only stays as it is, though its folder would let a
    // new file take its place.
    if (exists && ::access(target.constData(), W_OK) != 0)
        return fail(error, errno);
    // Another name for the same file would keep the old text after a rename.
    if (exists && st.st_nlink > 1)
        return saveInPlace(target, data, error);

    QByteArray temp;
    Fd fd(createBeside(target, exists ? 0600 : 0666, &temp));
    if (fd.fd < 0) {
        const int err = errno;
        // A writable file in a folder that takes no new files.
        if (exists && (err == EACCES || err == EPERM))
            return saveInPlace(target, data, error);
        if (err == ENOENT || err == ENOTDIR) {
            *error = QStringLiteral("folder not found");
            return false;
        }
        return fail(error, err);
    }
    bool ok = writeAll(Write::NewFile, fd.fd, data.constData(), data.size());
    int err = errno;
    if (ok && exists && !keepIdentity(fd.fd, target, st)) {
        // Say, a teammate's file: only the file itself keeps its owner.
        fd.reset();
        ::unlink(temp.constData());
        return saveInPlace(target, data, error);
    }
    if (ok) {
        ok = ::fsync(fd.fd) == 0 && fd.close() && ::rename(temp.constData(), target.constData()) == 0;
        err = errno;
    }
    if (!ok) {
        fd.reset();
        ::unlink(temp.constData());
        return fail(error, err);
    }
    syncFolder(folderOf(target));
    return true;
}

bool readFd(int fd, QByteArray *data, QString *error, qint64 maxBytes);

bool loadFrom(const QString &path, QByteArray *data, QString *error, qint64 maxBytes)
{
    if (path.isEmpty()) {
        *error = QStringLiteral("no file name given");
        return false;
    }
    const QByteArray name = encodeName(path);
    struct stat st;
    if (::stat(name.constData(), &st) != 0)
        return fail(error, errno);
    if (!S_ISREG(st.st_mode)) {
        *error = typeError(st.st_mode);
        return false;
    }
    if (st.st_size > maxBytes) {
        *error = tooLarge(maxBytes);
        return false;
    }
    // O_NONBLOCK: should the name be swapped for a pipe after the check,
    // open still returns at once, and the check below refuses it.
    const Fd fd(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.fd < 0)
        return fail(error, errno);
    if (!checkRegular(fd.fd, &st, error))
        return false;
    return readFd(fd.fd, data, error, maxBytes);
}

bool readFd(int fd, QByteArray *data, QString *error, qint64 maxBytes)
{
    struct stat st;
    qint64 sizeHint = 0;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        if (st.st_size > maxBytes) {
            *error = tooLarge(maxBytes);
            return false;
        }
        sizeHint = st.st_size;
    }
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

} // namespace

Result<> save(const QString &path, const QByteArray &data)
{
    QString error;
    if (!saveTo(path, data, &error))
        return Failure{error};
    return {};
}

Result<QByteArray> load(const QString &path, qint64 maxBytes)
{
    QByteArray data;
    QString error;
    if (!loadFrom(path, &data, &error, maxBytes))
        return Failure{error};
    return data;
}

Result<QByteArray> readAll(int fd, qint64 maxBytes)
{
    QByteArray data;
    QString error;
    if (!readFd(fd, &data, &error, maxBytes))
        return Failure{error};
    return data;
}

} // namespace docfile
