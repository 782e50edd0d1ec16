#pragma once
// Two ways to make a save run out of room: a limit on the size of any file
// the process writes (works for every user), and a really full file system
// (a tiny tmpfs, filled; mounting needs root, so it is skipped otherwise).

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>

// From now on a write past `bytes` fails with EFBIG (SIGXFSZ ignored, as
// the signal would kill the process). Child processes inherit both.
struct FileSizeLimit
{
    rlimit old{};
    void (*handler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old); std::signal(SIGXFSZ, handler); }
    Q_DISABLE_COPY(FileSizeLimit)
};

// A 256 KiB tmpfs on `dir`. fill() takes every byte still free.
class FullDisk
{
public:
    explicit FullDisk(const QString &dir) : m_dir(QFile::encodeName(dir))
    {
        QDir().mkpath(dir);
        m_mounted = ::mount("tmpfs", m_dir.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=256k") == 0;
    }
    ~FullDisk()
    {
        if (m_mounted)
            ::umount2(m_dir.constData(), MNT_DETACH);
    }
    Q_DISABLE_COPY(FullDisk)

    bool mounted() const { return m_mounted; }

    void fill() const
    {
        QFile filler(QFile::decodeName(m_dir) + QStringLiteral("/filler"));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return;
        const QByteArray block(512, 'f');
        while (filler.write(block) == block.size()) {
        }
    }

private:
    QByteArray m_dir;
    bool m_mounted = false;
};
