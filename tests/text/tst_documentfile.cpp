// Whole-file reads and saves: what is refused, what a save keeps of the
// file it replaces, and what an interrupted save leaves behind.

#include "common/Files.h"
#include "text/DocumentFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

QByteArray name(const QString &path)
{
    return QFile::encodeName(path);
}

const QByteArray kOld = QByteArray(100000, 'o');
const QByteArray kNew = QByteArray(150000, 'n');

// The child side of interruptedInPlaceSave: saves kNew to SAVE_PATH,
// failing (EIO) or killing itself at the bytes SAVE_FAIL and SAVE_KILL name
// ("inplace:5000,restore:100").
struct Stops {
    qint64 at[4] = {-1, -1, -1, -1};
    explicit Stops(const QByteArray &list)
    {
        const char *kinds[] = {"newfile", "backup", "inplace", "restore"};
        for (const QByteArray &part : list.split(','))
            for (int k = 0; k < 4; ++k)
                if (part.startsWith(QByteArray(kinds[k]) + ':'))
                    at[k] = part.mid(part.indexOf(':') + 1).toLongLong();
    }
};
Stops *g_fail = nullptr, *g_kill = nullptr;

long stoppingWrite(docfile::testing::Write what, int fd, const char *data, long size, qint64 offset)
{
    const qint64 fail = g_fail->at[int(what)], kill = g_kill->at[int(what)];
    if (kill >= 0 && offset + size > kill) {
        if (kill > offset && ::write(fd, data, size_t(kill - offset)) < 0)
            ::_exit(98);
        ::raise(SIGKILL);
    }
    if (fail >= 0 && offset + size > fail) {
        if (fail > offset)
            return long(::write(fd, data, size_t(fail - offset)));
        errno = EIO;
        return -1;
    }
    return long(::write(fd, data, size_t(size)));
}

int childSave()
{
    Stops fail(qgetenv("SAVE_FAIL")), kill(qgetenv("SAVE_KILL"));
    g_fail = &fail;
    g_kill = &kill;
    docfile::testing::setWriteHook(stoppingWrite);
    const Result<> saved = docfile::save(QFile::decodeName(qgetenv("SAVE_PATH")), kNew);
    if (saved)
        return 0;
    std::fprintf(stderr, "%s\n", saved.error().toUtf8().constData());
    return 1;
}

struct ChildResult {
    int exitCode; // -1: killed
    QByteArray err;
};

// Runs childSave in a new process of this test; as nobody when root, since
// root may make files in any folder.
ChildResult runChild(const QString &path, const QString &state, const QByteArray &fail, const QByteArray &kill)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DOCFILE_CHILD"), QStringLiteral("1"));
    env.insert(QStringLiteral("SAVE_PATH"), path);
    env.insert(QStringLiteral("SAVE_FAIL"), QString::fromLatin1(fail));
    env.insert(QStringLiteral("SAVE_KILL"), QString::fromLatin1(kill));
    env.insert(QStringLiteral("XDG_STATE_HOME"), state);
    p.setProcessEnvironment(env);
    if (::geteuid() == 0) {
        p.setChildProcessModifier([] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(99);
        });
    }
    p.start(QCoreApplication::applicationFilePath(), {});
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardError()};
}

QStringList backups(const QString &state)
{
    QDir dir(state + QStringLiteral("/quillet/backups"));
    QStringList out;
    for (const QString &f : dir.entryList(QDir::Files))
        out << dir.filePath(f);
    return out;
}

// Writes from the hook that never make progress.
int g_stuckCalls = 0;
long stuckWrite(docfile::testing::Write, int, const char *, long, qint64)
{
    if (++g_stuckCalls > 1000) { // would spin for ever: end it here
        errno = EIO;
        return -1;
    }
    return 0;
}

} // namespace

class TestDocumentFile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // nobody (the child, when root) walks through to its folders
        QVERIFY(::chmod(name(m_dir.path()).constData(), 0755) == 0);
    }

    void refusals()
    {
        // What is not a regular file is refused before anything is read from
        // it: a pipe with no writer would block, and /dev/zero never ends.
        const QString fifo = path("pipe"), huge = path("huge.txt"), plain = path("plain.txt");
        QCOMPARE(::mkfifo(name(fifo).constData(), 0600), 0);
        QVERIFY(writeFile(huge, {}));
        QVERIFY(QFile::resize(huge, docfile::kMaxDocumentBytes + 1)); // sparse
        QVERIFY(writeFile(plain, "text"));
        const std::pair<QString, QString> loads[] = {
            {path("missing.txt"), "file not found"},
            {QString(), "no file name given"},
            {m_dir.path(), "it is a folder"},
            {fifo, "it is a pipe, not a file"},
            {QStringLiteral("/dev/zero"), "it is a device, not a file"},
            {huge, "file too large (over 512 MB)"}};
        for (const auto &[file, reason] : loads)
            QCOMPARE(failure(docfile::load(file)), reason);
        QCOMPARE(failure(docfile::load(plain, 3)), QStringLiteral("file too large (over 3 bytes)"));

        // A descriptor of a file over the cap is refused unread.
        const int fd = ::open(name(huge).constData(), O_RDONLY);
        QVERIFY(fd >= 0);
        QCOMPARE(failure(docfile::readAll(fd)), QStringLiteral("file too large (over 512 MB)"));
        QCOMPARE(::lseek(fd, 0, SEEK_CUR), off_t(0));
        ::close(fd);

        // Saves over what is no file, or into no folder, make nothing.
        const std::pair<QString, QString> saves[] = {
            {QString(), "no file name given"},
            {m_dir.path(), "it is a folder"},
            {fifo, "it is a pipe, not a file"},
            {QStringLiteral("/dev/null"), "it is a device, not a file"},
            {path("no/such/out.txt"), "folder not found"}};
        for (const auto &[file, reason] : saves)
            QCOMPARE(failure(docfile::save(file, "x")), reason);
        if (::geteuid() != 0) { // root writes anything
            QCOMPARE(::chmod(name(plain).constData(), 0444), 0);
            QCOMPARE(failure(docfile::save(plain, "x")), QStringLiteral("access denied"));
            QCOMPARE(readFile(plain), QByteArray("text"));
        }
        QVERIFY(!QFile::exists(path("no")));
    }

    void byteNames()
    {
        // Not UTF-8: each stray byte survives the trip through a QString.
        for (const QByteArray &bytes : {QByteArray("o\xff.txt"), QByteArray("caf\xe9\xc3"), QByteArray("\xed\xb2\x80"),
                                       QByteArray("caf\xc3\xa9 \xf0\x9f\x98\x80")})
            QCOMPARE(docfile::encodeName(docfile::decodeName(bytes)), bytes);
        QCOMPARE(docfile::decodeName("caf\xc3\xa9"), QStringLiteral(u"caf\u00e9"));

        const QByteArray file = name(path("o")) + "\xff.txt";
        QCOMPARE(failure(docfile::save(docfile::decodeName(file), "bytes")), QStringLiteral("<ok>"));
        const Result<QByteArray> read = docfile::load(docfile::decodeName(file));
        QVERIFY(read);
        QCOMPARE(*read, QByteArray("bytes"));
        QCOMPARE(::unlink(file.constData()), 0); // exactly that name
    }

    // A save changes the content only: who may read and write the file, and
    // every name it has, stay.
    void keepsIdentity_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char *kind : {"mode, owner and group", "acl", "user xattr", "hard link", "symlink"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }
    void keepsIdentity()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("doc.rtf"));
        QVERIFY(writeFile(file, "old"));
        const QByteArray n = name(file);
        QString saveAs = file;
        if (kind == u"mode, owner and group") {
            // only root gives a file away; others may have a second group
            const bool root = ::geteuid() == 0;
            if (::chown(n.constData(), root ? 65534 : uid_t(-1), root ? 65534 : 0) != 0)
                QSKIP("no second group to give the file");
            QCOMPARE(::chmod(n.constData(), 0640), 0);
        } else if (kind == u"acl") {
            const QString setfacl = QStandardPaths::findExecutable(QStringLiteral("setfacl"));
            if (setfacl.isEmpty())
                QSKIP("setfacl is not installed");
            if (QProcess::execute(setfacl, {"-m", "u:65534:rw-,m::rw-", file}) != 0)
                QSKIP("the file system takes no ACLs");
        } else if (kind == u"user xattr") {
            if (::setxattr(n.constData(), "user.quillet.test", "kept", 4, 0) != 0)
                QSKIP("the file system takes no extended attributes");
        } else if (kind == u"hard link") {
            QCOMPARE(::link(n.constData(), name(dir.filePath(QStringLiteral("other.rtf"))).constData()), 0);
            qputenv("XDG_STATE_HOME", name(dir.filePath(QStringLiteral("state"))));
        } else if (kind == u"symlink") {
            saveAs = dir.filePath(QStringLiteral("link.rtf"));
            QVERIFY(QFile::link(QStringLiteral("doc.rtf"), saveAs));
        }
        struct stat before, after;
        QCOMPARE(::stat(n.constData(), &before), 0);
        char acl[256] = {}, acl2[256] = {};
        const ssize_t aclSize = ::getxattr(n.constData(), "system.posix_acl_access", acl, sizeof acl);

        QCOMPARE(failure(docfile::save(saveAs, "new")), QStringLiteral("<ok>"));
        qunsetenv("XDG_STATE_HOME");
        QCOMPARE(readFile(file), QByteArray("new"));
        QCOMPARE(::stat(n.constData(), &after), 0);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(after.st_gid, before.st_gid);
        QCOMPARE(::getxattr(n.constData(), "system.posix_acl_access", acl2, sizeof acl2), aclSize);
        QCOMPARE(QByteArray(acl2, sizeof acl2), QByteArray(acl, sizeof acl));
        if (kind == u"user xattr") {
            char value[8] = {};
            QCOMPARE(::getxattr(n.constData(), "user.quillet.test", value, sizeof value), ssize_t(4));
            QCOMPARE(QByteArray(value), QByteArray("kept"));
        } else if (kind == u"hard link") {
            QCOMPARE(after.st_ino, before.st_ino);
            QCOMPARE(readFile(dir.filePath(QStringLiteral("other.rtf"))), QByteArray("new"));
            QCOMPARE(backups(dir.filePath(QStringLiteral("state"))), QStringList());
        } else if (kind == u"symlink") {
            QVERIFY(QFileInfo(saveAs).isSymLink());
        }
        // nothing else was left beside it
        const QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::System);
        QVERIFY2(names.size() == (kind == u"hard link" || kind == u"symlink" ? 2 : 1), qPrintable(names.join(u' ')));
    }

    // A writable file in a folder that takes no new files is written in
    // place. Whenever the save stops, the file is old or new, or the old
    // content is in the backup folder. A teammate's file in a shared folder
    // is written in place too, and stays the teammate's.
    void interruptedInPlaceSave_data()
    {
        QTest::addColumn<QByteArray>("fail");
        QTest::addColumn<QByteArray>("kill");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("left"); // "old", "new" or "backup"
        QTest::addColumn<bool>("shared");
        const std::tuple<const char *, const char *, const char *, int, const char *> rows[] = {
            {"completes", "", "", 0, "new"},
            {"killed while backing up", "", "backup:1000", -1, "old"},
            {"killed half way", "", "inplace:60000", -1, "backup"},
            {"failed, put back", "inplace:5000", "", 1, "old"},
            {"failed, killed putting back", "inplace:5000", "restore:50000", -1, "backup"},
            {"failed, cannot put back", "inplace:5000,restore:100", "", 1, "backup"}};
        for (const auto &[row, fail, kill, exitCode, left] : rows)
            QTest::newRow(row) << QByteArray(fail) << QByteArray(kill) << exitCode << QString::fromLatin1(left) << false;
        QTest::newRow("others' file in a shared folder") << QByteArray() << QByteArray() << 0 << "new" << true;
    }
    void interruptedInPlaceSave()
    {
        QFETCH(QByteArray, fail);
        QFETCH(QByteArray, kill);
        QFETCH(int, exitCode);
        QFETCH(QString, left);
        QFETCH(bool, shared);
        if (shared && ::geteuid() != 0)
            QSKIP("making a file of another owner needs root");
        const QString folder = path("locked"), file = folder + QStringLiteral("/doc.rtf");
        const QString state = path("state");
        QDir(state).removeRecursively();
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QDir().mkpath(state));
        QCOMPARE(::chmod(name(state).constData(), 0777), 0);
        QCOMPARE(::chmod(name(folder).constData(), shared ? 0777 : 0755), 0);
        QVERIFY(writeFile(file, kOld));
        QCOMPARE(::chmod(name(file).constData(), 0666), 0);
        if (::geteuid() != 0)
            QCOMPARE(::chmod(name(folder).constData(), 0555), 0);

        const ChildResult r = runChild(file, state, fail, kill);
        QCOMPARE(r.exitCode, exitCode);
        const QByteArray now = readFile(file);
        const QStringList kept = backups(state);
        if (left == u"old") {
            QCOMPARE(now, kOld);
        } else if (left == u"new") {
            QCOMPARE(now, kNew);
        } else {
            QCOMPARE(kept.size(), 1);
            QVERIFY(readFile(kept.first()) == kOld);
        }
        if (exitCode >= 0) // not killed: the backup goes unless it is the only copy
            QCOMPARE(kept.size(), left == u"backup" ? 1 : 0);
        if (exitCode == 1 && left == u"backup") // and the user is told where it is
            QVERIFY2(r.err.contains(name(kept.first())), r.err);
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"doc.rtf"});
        struct stat st;
        QCOMPARE(::stat(name(file).constData(), &st), 0);
        QCOMPARE(st.st_uid, ::geteuid()); // still the owner's, not the saver's
        QCOMPARE(::chmod(name(folder).constData(), 0755), 0);
    }

    // A write that never makes progress ends the save as a failure.
    void stuckWriteFails()
    {
        const QString file = path("stuck.txt");
        QVERIFY(writeFile(file, "old"));
        docfile::testing::setWriteHook(stuckWrite);
        const QString saved = failure(docfile::save(file, "new"));
        docfile::testing::setWriteHook(nullptr);
        QCOMPARE(g_stuckCalls, 1);
        QCOMPARE(saved, QStringLiteral("No space left on device"));
        QCOMPARE(readFile(file), QByteArray("old"));
    }

private:
    QTemporaryDir m_dir;
    QString path(const char *file) const { return m_dir.filePath(QString::fromLatin1(file)); }
};

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet("DOCFILE_CHILD"))
        return childSave();
    QCoreApplication app(argc, argv);
    TestDocumentFile test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_documentfile.moc"
