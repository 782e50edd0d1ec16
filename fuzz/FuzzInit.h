#pragma once
// What every RTF fuzz target needs first: an application object, since
// fonts and image plugins want one (no display: the offscreen platform).

#include <QGuiApplication>

#include <cstdlib>

inline void fuzzInitApplication(char *name)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char *argv[] = {name, nullptr};
    static QGuiApplication *app = new QGuiApplication(argc, argv);
    (void)app;
}
