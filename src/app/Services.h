#pragma once
// The platform seams, made once when the program starts: the program passes
// the real ones (defaultServices()), tests pass fakes. Form1 hands each
// subsystem only the seams it uses (FileSeams, EditSeams, ViewSeams); each
// interface lives with the subsystem that uses it.

#include "editing/ClipboardPort.h"
#include "editing/Clock.h"
#include "files/PrinterSink.h"
#include "shell/DialogHost.h"
#include "views/ProcessLauncher.h"
#include "views/Registry.h"

#include <QStringList>

#include <functional>
#include <memory>

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
