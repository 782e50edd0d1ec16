#pragma once
// The main window shown and active, its dialogs answered by a script, the
// editing area focused. A test class derives from QObject and this, and
// calls open() from init() and close() from cleanup().

#include "common/ScriptedDialogHost.h"
#include "shell/Form1.h"
#include "shell/RichTextBox.h"

#include <QAction>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>
#include <memory>

struct MainWindowFixture
{
    std::unique_ptr<ScriptedDialogHost> host;
    std::unique_ptr<Form1> f;

    void open()
    {
        host = std::make_unique<ScriptedDialogHost>();
        f = std::make_unique<Form1>(host.get());
        f->show();
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.get()));
        rtb()->setFocus();
    }
    void close() { f.reset(); host.reset(); }   // the window takes its dialogs along

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
