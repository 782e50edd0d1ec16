#pragma once
// The one main-window fixture. A test class derives from QObject and this;
// it may change `services` (or the fakes below) before open() or build(),
// since the window takes its services when it is built.

#include "app/Form1.h"
#include "common/Files.h"
#include "common/ScriptedDialogHost.h"
#include "editing/ClipboardPort.h"
#include "editing/Clock.h"
#include "shell/RichTextBox.h"

#include <QAction>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>
#include <memory>

// The system clipboard, unless a test locks it as another program would.
struct TestClipboard : SystemClipboard
{
    bool locked = false;
    Result<> empty() override { return locked ? Failure{unavailable()} : SystemClipboard::empty(); }
    Result<> putText(const QString &t) override { return locked ? Failure{unavailable()} : SystemClipboard::putText(t); }
    Result<QString> getText() override { return locked ? Failure{unavailable()} : SystemClipboard::getText(); }
};

// A clock standing still, which notes what was read.
struct TestClock : Clock
{
    QDate date{2026, 12, 6};
    QTime time{3, 47, 29};
    QStringList reads;
    QDate currentDate() override { reads << QStringLiteral("date"); return date; }
    QTime currentTime() override { reads << QStringLiteral("time"); return time; }
};

// The main window's caption, as users know it.
inline const QString kCaption = QStringLiteral("Quillet 99 v2.0");

// Draws from a script, then 0 forever. Copies share their place in it.
inline std::function<double()> draws(const QList<double> &values)
{
    auto next = std::make_shared<qsizetype>(0);
    return [values, next] { return *next < values.size() ? values[(*next)++] : 0.0; };
}

struct MainWindowFixture
{
    std::shared_ptr<ScriptedDialogHost> host;
    std::shared_ptr<TestClipboard> clipboard;
    std::shared_ptr<TestClock> clock;
    int ended = 0;   // Exit's confirmed ends of the process
    Services services;
    std::unique_ptr<Form1> f;

    MainWindowFixture() { reset(); }

    // The real services but for scripted dialogs, the fakes above and an
    // Exit that only counts.
    void reset()
    {
        host = std::make_shared<ScriptedDialogHost>();
        clipboard = std::make_shared<TestClipboard>();
        clock = std::make_shared<TestClock>();
        services = defaultServices();
        services.dialogs = host;
        services.clipboard = clipboard;
        services.clock = clock;
        services.endProcess = [this] { ++ended; };
        ended = 0;
    }

    // Built, not shown.
    Form1 &build()
    {
        f = std::make_unique<Form1>(services);
        return *f;
    }
    // Built, shown and active, the editing area focused.
    void open()
    {
        build();
        f->show();
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.get()));
        rtb()->setFocus();
    }
    // The window takes its secondary windows along.
    void close() { f.reset(); reset(); }

    template <typename Window> Window *window() const { return f->findChild<Window *>(); }
    RichTextBox *rtb() const { return f->RichTextBox1; }
    void key(Qt::Key k, Qt::KeyboardModifiers m) const { QTest::keyClick(rtb(), k, m); }
    void select(int start, int length) const { rtb()->SetSelStart(start); rtb()->SetSelLength(length); }
    // The format of the character at pos.
    QTextCharFormat at(int pos) const
    {
        QTextCursor c(rtb()->document());
        c.setPosition(pos + 1);
        return c.charFormat();
    }
};
