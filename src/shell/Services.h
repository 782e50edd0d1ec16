#pragma once
// The platform seams, handed to the main window in one object when it is
// built: the program passes the real ones (defaultServices() in src/app),
// tests pass fakes. Each interface lives with the subsystem that uses it;
// the shell only carries them.

#include <QStringList>

#include <functional>
#include <memory>

class ClipboardPort;     // editing/ClipboardPort.h
class Clock;             // editing/Clock.h
class DialogHost;        // shell/DialogHost.h
class PrinterSink;       // files/PrinterSink.h
class ProcessLauncher;   // views/ProcessLauncher.h
class Registry;          // views/Registry.h

struct Services
{
    std::shared_ptr<DialogHost> dialogs;       // modal dialogs and message boxes
    std::shared_ptr<PrinterSink> printer;      // where Print sends the text
    std::shared_ptr<ClipboardPort> clipboard;
    std::shared_ptr<Clock> clock;              // Time/ Date
    std::shared_ptr<Registry> registry;        // the about box's "System Info"
    std::shared_ptr<ProcessLauncher> launcher; // starts the viewer it finds
    std::function<void()> endProcess;          // Exit, once confirmed
    // Draws of the tip window, each in [0, 1). Empty: every new tip window
    // seeds a generator of its own from the clock.
    std::function<double()> random;
    // Folders searched for data files (TIPOFDAY.TXT) after the current one.
    QStringList dataFolders;
};
