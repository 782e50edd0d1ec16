#pragma once
// What the view tests share: a main window with scripted dialogs, scripted
// draws for the tip window, and small files.

#include "common/ScriptedDialogHost.h"
#include "shell/Form1.h"
#include "views/ViewSeams.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Draws from a script, then 0 forever. Copies share their place in it.
inline std::function<double()> draws(const QList<double> &values)
{
    auto next = std::make_shared<qsizetype>(0);
    return [values, next] { return *next < values.size() ? values[(*next)++] : 0.0; };
}

struct Main
{
    ScriptedDialogHost host;
    Form1 f{&host};
    bool showActive() { f.show(); return QTest::qWaitForWindowActive(&f); }
};
