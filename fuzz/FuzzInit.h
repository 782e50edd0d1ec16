#pragma once
// What every RTF fuzz target needs: an application object, since fonts
// and image plugins want one (no display: the offscreen platform), and its
// input as RTF.

#include "rtf/Rtf.h"

#include <QByteArray>
#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>

inline void fuzzInitApplication(char *name)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char *argv[] = {name, nullptr};
    static QGuiApplication *app = new QGuiApplication(argc, argv);
    (void)app;
}

// The input as RTF: input that is not RTF is tried behind an RTF header, so
// mutations of plain text reach the parser too.
inline QByteArray fuzzInputAsRtf(const uint8_t *data, size_t size)
{
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    if (!rtf::isRtf(bytes))
        bytes = QByteArrayLiteral("{\\rtf1 ") + bytes;
    return bytes;
}
