// The about box: its keys, GetKeyValue against a scripted registry, the order
// of StartSysInfo's lookups, and the viewer lookup used where there is no
// Windows registry.

#include "common/ScriptedDialogHost.h"
#include "shell/Form1.h"
#include "views/ProcessLauncher.h"
#include "views/Registry.h"
#include "views/ViewSeams.h"
#include "views/frmAbout.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

namespace {

const QString kInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");

class FakeRegistry : public Registry
{
public:
    struct Value { quint32 type; QByteArray data; };
    QMap<QString, QMap<QString, Value>> keys;
    QStringList log;           // "open K", "query V", "close"
    int openHandles = 0;
    bool sawBadArguments = false;

    void set(const QString &key, const QString &name, quint32 type, const QByteArray &data)
    {
        keys[key][name] = {type, data};
    }

    long openKey(reg::Key root, const QString &subKey, quint32 options, quint32 mask,
                 reg::Key *result) override
    {
        log << QStringLiteral("open ") + subKey;
        if (root != reg::kLocalMachine || options != 0 || mask != 0x2003F)
            sawBadArguments = true;
        const auto names = keys.keys();
        const qsizetype i = names.indexOf(subKey);
        if (i < 0)
            return 5;   // access denied: as good as absent
        *result = reg::Key(100 + i);
        ++openHandles;
        return reg::kSuccess;
    }

    long queryValue(reg::Key key, const QString &name, quint32, quint32 *type,
                    unsigned char *data, quint32 *size) override
    {
        log << QStringLiteral("query ") + name;
        if (*size != 1024)
            sawBadArguments = true;
        const QString keyName = keys.keys().value(int(key) - 100);
        const auto values = keys.value(keyName);
        if (!values.contains(name))
            return reg::kNotFound;
        const Value v = values.value(name);
        if (quint32(v.data.size()) > *size) {
            *size = quint32(v.data.size());
            return reg::kMoreData;
        }
        std::memcpy(data, v.data.constData(), size_t(v.data.size()));
        *size = quint32(v.data.size());
        *type = v.type;
        return reg::kSuccess;
    }

    long closeKey(reg::Key) override
    {
        log << QStringLiteral("close");
        --openHandles;
        return reg::kSuccess;
    }
};

class FakeLauncher : public ProcessLauncher
{
public:
    QStringList started;
    bool succeed = true;
    bool start(const QString &program) override
    {
        started << program;
        return succeed;
    }
};

} // namespace

class TstAbout : public QObject
{
    Q_OBJECT

private:
    struct Setup
    {
        ScriptedDialogHost host;
        Form1 f{&host};
        std::shared_ptr<FakeRegistry> registry = std::make_shared<FakeRegistry>();
        std::shared_ptr<FakeLauncher> launcher = std::make_shared<FakeLauncher>();
        Setup()
        {
            f.viewSeams().registry = registry;
            f.viewSeams().launcher = launcher;
        }
        frmAbout *about()
        {
            f.about_Click();
            return f.frmAbout_;
        }
        bool saidUnavailable() const
        {
            if (host.calls.size() != 1)
                return false;
            const auto &c = host.calls.first();
            return c.kind == QLatin1String("message") && c.text == frmAbout::Unavailable
                   && c.buttons == QMessageBox::Ok && c.icon == QMessageBox::NoIcon
                   && c.title == QGuiApplication::applicationDisplayName();
        }
    };

private slots:
    void getKeyValueReadsStringsAndDwords()
    {
        FakeRegistry r;
        const QString k = QStringLiteral("K");
        r.set(k, QStringLiteral("zero"), reg::kTypeString, QByteArray("C:\\Tools\0", 9));
        r.set(k, QStringLiteral("bare"), reg::kTypeString, QByteArray("C:\\Tools"));
        r.set(k, QStringLiteral("dword"), reg::kTypeDword, QByteArray("\x01\x02\x00\x00", 4));
        r.set(k, QStringLiteral("full"), reg::kTypeString, QByteArray(1024, 'a'));
        r.set(k, QStringLiteral("over"), reg::kTypeString, QByteArray(1025, 'a'));
        r.set(k, QStringLiteral("binary"), 3, QByteArray("\x05\x06", 2));
        r.set(k, QStringLiteral("nothing"), reg::kTypeString, QByteArray());

        QString v = QStringLiteral("old");
        QVERIFY(frmAbout::GetKeyValue(r, reg::kLocalMachine, k, QStringLiteral("zero"), v));
        QCOMPARE(v, QStringLiteral("C:\\Tools"));
        QVERIFY(frmAbout::GetKeyValue(r, reg::kLocalMachine, k, QStringLiteral("bare"), v));
        QCOMPARE(v, QStringLiteral("C:\\Tools"));
        QVERIFY(frmAbout::GetKeyValue(r, reg::kLocalMachine, k, QStringLiteral("full"), v));
        QCOMPARE(v, QString(1024, QLatin1Char('a')));

        // 0x00000201: the last zero byte is cut, the rest read backwards,
        // each byte without a leading zero, after what the caller passed.
        v.clear();
        QVERIFY(frmAbout::GetKeyValue(r, reg::kLocalMachine, k, QStringLiteral("dword"), v));
        QCOMPARE(v, QStringLiteral("&h021"));
        v = QStringLiteral("7");
        QVERIFY(frmAbout::GetKeyValue(r, reg::kLocalMachine, k, QStringLiteral("dword"), v));
        QCOMPARE(v, QStringLiteral("&h7021"));

        // Another type leaves the value as passed.
        v = QStringLiteral("as passed");
        QVERIFY(frmAbout::GetKeyValue(r, reg::kLocalMachine, k, QStringLiteral("binary"), v));
        QCOMPARE(v, QStringLiteral("as passed"));

        // Too long for the buffer, or missing: absent, value emptied.
        v = QStringLiteral("x");
        QVERIFY(!frmAbout::GetKeyValue(r, reg::kLocalMachine, k, QStringLiteral("over"), v));
        QCOMPARE(v, QString());
        v = QStringLiteral("x");
        QVERIFY(!frmAbout::GetKeyValue(r, reg::kLocalMachine, k, QStringLiteral("missing"), v));
        QCOMPARE(v, QString());

        // No data at all: an error for the caller, value untouched.
        bool error = false;
        v = QStringLiteral("x");
        QVERIFY(!frmAbout::GetKeyValue(r, reg::kLocalMachine, k, QStringLiteral("nothing"), v, &error));
        QVERIFY(error);
        QCOMPARE(v, QStringLiteral("x"));

        // A key that cannot be opened: absent, nothing to close.
        r.log.clear();
        v = QStringLiteral("x");
        QVERIFY(!frmAbout::GetKeyValue(r, reg::kLocalMachine, QStringLiteral("Locked"),
                                       QStringLiteral("PATH"), v, &error));
        QVERIFY(!error);
        QCOMPARE(v, QString());
        QCOMPARE(r.log, QStringList{QStringLiteral("open Locked")});

        // Every key opened was closed, whatever the outcome.
        QCOMPARE(r.openHandles, 0);
        QVERIFY(!r.sawBadArguments);
    }

    void firstLookupAnswersAndTheSecondIsNeverRead()
    {
        Setup s;
        s.registry->set(kInfoKey, QStringLiteral("PATH"), reg::kTypeString,
                        QByteArray("/opt/info/viewer\0", 17));
        s.registry->set(kLocationKey, QStringLiteral("MSINFO"), reg::kTypeString, "/elsewhere");
        frmAbout *a = s.about();
        QTest::mouseClick(a->cmdSysInfo, Qt::LeftButton);
        QCOMPARE(s.launcher->started, QStringList{QStringLiteral("/opt/info/viewer")});
        for (const QString &line : s.registry->log)
            QVERIFY2(!line.contains(QLatin1String("Location")), qPrintable(line));
        QVERIFY(s.host.calls.isEmpty());
        QVERIFY(a->isVisible() || !a->isWindow());
    }

    void secondLookupNamesTheFolderOfMsinfo32()
    {
        QTemporaryDir dir;
        // The folder's name is used as stored: with a trailing backslash
        // the name has two before "MSINFO32.EXE".
        const QString folder = dir.filePath(QStringLiteral("tools"));
        for (const QString &stored : {folder, folder + QLatin1Char('\\')}) {
            Setup s;
            const QString exe = stored + QStringLiteral("\\MSINFO32.EXE");
            QFile f(exe);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.close();
            s.registry->set(kLocationKey, QStringLiteral("MSINFO"), reg::kTypeString,
                            stored.toLocal8Bit() + '\0');
            s.about()->StartSysInfo();
            QCOMPARE(s.launcher->started, QStringList{exe});
            QCOMPARE(s.registry->log.first(), QStringLiteral("open ") + kInfoKey);
            QVERIFY(s.host.calls.isEmpty());
            QVERIFY(QFile::remove(exe));
        }
        QVERIFY(exeSuffixStaysLiteral(folder));
    }

    void unavailableCases()
    {
        {   // Nothing in the registry.
            Setup s;
            s.about()->StartSysInfo();
            QVERIFY(s.launcher->started.isEmpty());
            QVERIFY(s.saidUnavailable());
            QVERIFY(s.f.frmAbout_);   // the about box stays
        }
        {   // The folder is named but holds no MSINFO32.EXE.
            QTemporaryDir dir;
            Setup s;
            s.registry->set(kLocationKey, QStringLiteral("MSINFO"), reg::kTypeString,
                            dir.path().toLocal8Bit());
            s.about()->StartSysInfo();
            QVERIFY(s.launcher->started.isEmpty());
            QVERIFY(s.saidUnavailable());
        }
        {   // An empty first value: an error, so the second key is not tried.
            Setup s;
            s.registry->set(kInfoKey, QStringLiteral("PATH"), reg::kTypeString, QByteArray());
            s.registry->set(kLocationKey, QStringLiteral("MSINFO"), reg::kTypeString, "/x");
            s.about()->StartSysInfo();
            QVERIFY(s.saidUnavailable());
            for (const QString &line : s.registry->log)
                QVERIFY(!line.contains(QLatin1String("Location")));
            QCOMPARE(s.registry->openHandles, 0);
        }
        {   // The viewer is found but will not start.
            Setup s;
            s.registry->set(kInfoKey, QStringLiteral("PATH"), reg::kTypeString, "/no/such/viewer");
            s.launcher->succeed = false;
            s.about()->StartSysInfo();
            QCOMPARE(s.launcher->started.size(), 1);
            QVERIFY(s.saidUnavailable());
        }
    }

    void enterAndEscapeClose()
    {
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            Setup s;
            s.f.show();
            QVERIFY(QTest::qWaitForWindowActive(&s.f));
            QPointer<frmAbout> a = s.about();
            QVERIFY(QTest::qWaitForWindowActive(a));
            QCOMPARE(a->windowTitle(), QStringLiteral("About Quillet 99 v2.0"));
            QVERIFY(a->cmdOK->isDefault());
            QTRY_COMPARE(QApplication::focusWidget(), a->cmdOK);
            QTest::keyClick(QApplication::focusWidget(), key);
            QTRY_VERIFY2(!a, qPrintable(QKeySequence(key).toString()));
            QVERIFY(!s.f.frmAbout_);
        }
        // Enter in the home page box presses Ok as well.
        Setup s;
        s.f.show();
        QPointer<frmAbout> a = s.about();
        QVERIFY(QTest::qWaitForWindowActive(a));
        a->Text1->setFocus();
        QTest::keyClick(a->Text1, Qt::Key_Return);
        QTRY_VERIFY(!a);
    }

    void openedOnceAndShownAgain()
    {
        Setup s;
        frmAbout *a = s.about();
        QCOMPARE(a->picIcon->size(), QSize(50, 64));   // the picture is there
        s.f.about_Click();
        QCOMPARE(s.f.frmAbout_.data(), a);
    }

    void viewerLookupStandsInForTheRegistry()
    {
        QTemporaryDir a, b;
        auto makeProgram = [](const QString &path, bool executable) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("#!/bin/sh\n");
            f.close();
            f.setPermissions(executable ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                        : QFile::ReadOwner | QFile::WriteOwner);
        };
        makeProgram(a.filePath(QStringLiteral("kinfocenter")), true);
        makeProgram(b.filePath(QStringLiteral("hardinfo")), true);
        makeProgram(a.filePath(QStringLiteral("hardinfo2")), false);   // not executable
        makeProgram(a.filePath(QStringLiteral("gnome-system-monitor")), true);   // not a viewer

        ViewerLookupRegistry lookup(QStringList{a.path(), QString(), b.path()});
        QCOMPARE(lookup.findViewer(), b.filePath(QStringLiteral("hardinfo")));

        // Through the about box: the first lookup answers with the full path.
        Setup s;
        s.f.viewSeams().registry = std::make_shared<ViewerLookupRegistry>(QStringList{a.path()});
        s.about()->StartSysInfo();
        QCOMPARE(s.launcher->started, QStringList{a.filePath(QStringLiteral("kinfocenter"))});

        // No viewer on the path: the key is absent and the user is told.
        Setup none;
        none.f.viewSeams().registry = std::make_shared<ViewerLookupRegistry>(QStringList{});
        none.about()->StartSysInfo();
        QVERIFY(none.launcher->started.isEmpty());
        QVERIFY(none.saidUnavailable());

    }

private:
    static bool exeSuffixStaysLiteral(const QString &folder)
    {
        // Nothing was created inside the folder itself: the name was used
        // exactly as built, not re-read as a path below it.
        return !QFileInfo::exists(folder + QStringLiteral("/MSINFO32.EXE"));
    }
};

QTEST_MAIN(TstAbout)
#include "tst_about.moc"
