#pragma once
// What the views take from their surroundings. The main window keeps one of
// these; tests replace its parts before opening a window.

#include <QStringList>

#include <functional>
#include <memory>

class ProcessLauncher;
class Registry;

struct ViewSeams
{
    std::shared_ptr<Registry> registry;          // the about box's "System Info"
    std::shared_ptr<ProcessLauncher> launcher;   // starts the viewer it finds
    // Draws of the tip window, each in [0, 1). Empty: every new tip window
    // seeds a generator of its own from the clock.
    std::function<double()> tipRandom;
    // Folders searched for the tips file after the current directory.
    QStringList tipFolders;
};

// The program's own data folders: beside the installed program
// (<bin>/../share/quillet), then the folder it was configured to install to.
QStringList programDataFolders();
