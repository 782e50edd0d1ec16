#pragma once
// Whole files in and out, for tests that set up and check files by hand.

#include "base/Result.h"

#include <QByteArray>
#include <QFile>
#include <QString>

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Empty when the file cannot be read.
inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The reason a step failed; "<ok>" when it did not.
template <typename T>
QString failure(const Result<T> &r)
{
    return r ? QStringLiteral("<ok>") : r.error();
}
