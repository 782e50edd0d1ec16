// The about box: its keys, GetKeyValue against a scripted registry, the order
// of StartSysInfo's lookups, and the viewer lookup used where there is no
// Windows registry.

#include "common/MainWindowFixture.h"
#include "views/ProcessLauncher.h"
#include "views/Registry.h"
#include "views/frmAbout.h"

#include <QLineEdit>

#include <cstring>

namespace {

const QString kInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QByteArray kAbsent("<absent>");   // in a table: no such value stored
const QByteArray kLocked("<locked>");   // no such key either

// Answers from a table; checks the arguments of every call and counts the
// keys left open, which must come back to zero.
struct FakeRegistry : Registry
{
    QMap<QString, QMap<QString, std::pair<quint32, QByteArray>>> keys;
    QStringList opened;
    int openHandles = 0;
    bool badArguments = false;

    long openKey(reg::Key root, const QString &subKey, quint32 options, quint32 mask,
                 reg::Key *result) override
    {
        opened << subKey;
        badArguments |= root != reg::kLocalMachine || options != 0 || mask != 0x2003F;
        *result = reg::Key(keys.keys().indexOf(subKey));
        openHandles += keys.contains(subKey);
        return keys.contains(subKey) ? reg::kSuccess : 5;   // access denied: as good as absent
    }
    long queryValue(reg::Key key, const QString &name, quint32, quint32 *type,
                    unsigned char *data, quint32 *size) override
    {
        badArguments |= *size != 1024;
        const auto values = keys.value(keys.keys().value(qsizetype(key)));
        if (!values.contains(name))
            return reg::kNotFound;
        const auto [storedType, bytes] = values.value(name);
        if (std::exchange(*size, quint32(bytes.size())) < *size)
            return reg::kMoreData;
        std::memcpy(data, bytes.constData(), *size);
        *type = storedType;
        return reg::kSuccess;
    }
    long closeKey(reg::Key) override { --openHandles; return reg::kSuccess; }
};

struct FakeLauncher : ProcessLauncher
{
    QStringList started;
    bool succeed = true;
    bool start(const QString &program) override { started << program; return succeed; }
};

// A main window over the fake registry and launcher.
struct Setup : MainWindowFixture
{
    std::shared_ptr<FakeRegistry> registry = std::make_shared<FakeRegistry>();
    std::shared_ptr<FakeLauncher> launcher = std::make_shared<FakeLauncher>();

    explicit Setup(std::shared_ptr<Registry> other = nullptr)
    {
        services.registry = other ? other : registry;
        services.launcher = launcher;
        build();
    }
    frmAbout *about() { f->about_Click(); return window<frmAbout>(); }
    // The one message shown: exactly this text, OK only, no icon.
    bool saidUnavailable() const
    {
        const auto c = host->calls.value(0);
        return host->calls.size() == 1 && c.kind == QLatin1String("message")
               && c.text == frmAbout::Unavailable && c.buttons == QMessageBox::Ok
               && c.icon == QMessageBox::NoIcon && c.title == QGuiApplication::applicationDisplayName();
    }
};

} // namespace

class TstAbout : public QObject
{
    Q_OBJECT

private slots:
    void getKeyValue()
    {
        // Expected: found, error, value. The last zero byte is cut; a
        // REG_DWORD is read backwards, each byte without a leading zero,
        // after what the caller passed.
        const quint32 sz = reg::kTypeString;
        const struct { quint32 type; QByteArray data; QString before, after; } cases[] = {
            {sz, QByteArray(1024, 'a'), "", "1 0 " + QString(1024, u'a')},
            {reg::kTypeDword, QByteArray("\x01\x02\x00\x00", 4), "7", "1 0 &h7021"},
            {3, "\x05\x06", "as passed", "1 0 as passed"},   // another type
            {sz, QByteArray(1025, 'a'), "x", "0 0 "},
            {sz, kAbsent, "x", "0 0 "},
            {sz, "", "x", "0 1 x"},
            {sz, kLocked, "x", "0 0 "},
        };
        for (const auto &c : cases) {
            FakeRegistry r;
            if (c.data != kLocked)
                r.keys["K"];
            if (c.data != kLocked && c.data != kAbsent)
                r.keys["K"]["V"] = {c.type, c.data};
            QString value = c.before;
            bool error = !c.after.startsWith(QLatin1String("0 1"));   // the opposite, so it must be written
            const bool found = frmAbout::GetKeyValue(r, reg::kLocalMachine, "K", "V", value, &error);
            const QString got = QStringLiteral("%1 %2 %3").arg(int(found)).arg(int(error)).arg(value);
            QVERIFY2(got == c.after && r.openHandles == 0 && !r.badArguments, qPrintable(got.left(20)));
        }
    }

    void startSysInfo()
    {
        // "$D" stands for a folder holding "tools\MSINFO32.EXE" and
        // "tools\\MSINFO32.EXE": the name as built, backslashes and all.
        QTemporaryDir dir;
        for (const char *exe : {"/tools\\MSINFO32.EXE", "/tools\\\\MSINFO32.EXE"})
            QVERIFY(writeFile(dir.path() + QLatin1String(exe), {}));
        // The first lookup's value, the second's (empty: none), whether the
        // viewer starts, what was started (empty: nothing), and whether the
        // second key was read.
        const struct {
            const char *name; QByteArray info; QString location;
            bool launches; QString started; bool secondRead;
        } cases[] = {
            {"first answers", QByteArray("/opt/viewer\0", 12), "$D/tools", true, "/opt/viewer", false},
            {"folder as stored", kAbsent, "$D/tools", true, "$D/tools\\MSINFO32.EXE", true},
            {"trailing backslash", kAbsent, "$D/tools\\", true, "$D/tools\\\\MSINFO32.EXE", true},
            {"folder without it", kAbsent, "$D", true, "", true},
            // An empty first value is an error: the second key is not tried.
            {"empty first value", "", "$D/tools", true, "", false},
            {"viewer will not start", "/no/viewer", "", false, "/no/viewer", false},
        };
        for (const auto &c : cases) {
            const QString location = QString(c.location).replace("$D", dir.path());
            const QString started = QString(c.started).replace("$D", dir.path());
            Setup s;
            if (c.info != kAbsent)
                s.registry->keys[kInfoKey][QStringLiteral("PATH")] = {reg::kTypeString, c.info};
            if (!location.isEmpty())
                s.registry->keys[kLocationKey][QStringLiteral("MSINFO")] = {
                    reg::kTypeString, location.toLocal8Bit() + '\0'};
            s.launcher->succeed = c.launches;
            frmAbout *a = s.about();
            QTest::mouseClick(a->cmdSysInfo, Qt::LeftButton);
            const bool ok = c.launches && !started.isEmpty();
            QVERIFY2(s.registry->opened.value(0) == kInfoKey
                         && s.registry->opened.contains(kLocationKey) == c.secondRead
                         && s.launcher->started.join('|') == started
                         && (ok ? s.host->calls.isEmpty() : s.saidUnavailable())
                         && s.window<frmAbout>() == a && s.registry->openHandles == 0,
                     c.name);
        }
    }

    void enterAndEscapeClose()
    {
        // Escape anywhere; Return even in the home page box, since Ok is the
        // default button.
        const std::pair<Qt::Key, bool> cases[] = {{Qt::Key_Escape, false}, {Qt::Key_Return, true}};
        for (const auto &[key, inHomePage] : cases) {
            Setup s;
            s.f->show();
            QPointer<frmAbout> a = s.about();
            QVERIFY(QTest::qWaitForWindowActive(a));
            QCOMPARE(s.about(), a.data());   // opened once, shown again
            QWidget *focus = inHomePage ? static_cast<QWidget *>(a->Text1) : a->cmdOK;
            focus->setFocus();
            QTRY_COMPARE(QApplication::focusWidget(), focus);
            QTest::keyClick(focus, key);
            QTRY_VERIFY2(!a && !s.window<frmAbout>(), qPrintable(QKeySequence(key).toString()));
        }
    }

    void viewerLookupStandsInForTheRegistry()
    {
        // Through the about box: the well-known names in their order,
        // executable ones only, by full path; only absolute PATH entries
        // count, so neither an empty one, "." nor "sub" finds the current
        // folder's.
        QTemporaryDir a, b, cwd;
        QVERIFY(QDir(cwd.path()).mkdir(QStringLiteral("sub")));
        const std::pair<QString, bool> programs[] = {
            {a.filePath("kinfocenter"), true}, {a.filePath("hardinfo2"), false},
            {a.filePath("gnome-system-monitor"), true},   // not a viewer
            {b.filePath("hardinfo"), true}, {cwd.filePath("hardinfo2"), true}, {cwd.filePath("sub/hardinfo2"), true}};
        for (const auto &[file, executable] : programs) {
            QVERIFY(writeFile(file, "#!/bin/sh\n"));
            QFile::setPermissions(file, QFile::ReadOwner | (executable ? QFile::ExeOwner : QFile::ReadOwner));
        }
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(a.path()) + "::.:sub:" + QFile::encodeName(b.path()));
        Setup s(std::make_shared<ViewerLookupRegistry>());
        qputenv("PATH", path);
        const QString here = QDir::currentPath();
        QDir::setCurrent(cwd.path());
        s.about()->StartSysInfo();
        QDir::setCurrent(here);
        QCOMPARE(s.launcher->started, QStringList{b.filePath(QStringLiteral("hardinfo"))});
    }
};

QTEST_MAIN(TstAbout)
#include "tst_about.moc"
