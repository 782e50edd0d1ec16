#include "app/DefaultServices.h"

#include "app/QtDialogHost.h"
#include "editing/ClipboardPort.h"
#include "editing/Clock.h"
#include "files/PrinterSink.h"
#include "views/ProcessLauncher.h"
#include "views/Registry.h"

#include <QApplication>
#include <QDir>
#include <QThread>

#include <cstdlib>

#ifndef QUILLET_DATA_DIR
#define QUILLET_DATA_DIR ""
#endif

namespace {

// Closes every window and leaves the event loop; with no loop running there
// is nothing to return to, so the process ends right here.
void quitProcess()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows)
        w->hide();
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
    else
        std::exit(0);
}

} // namespace

QStringList programDataFolders()
{
    QStringList folders;
    if (QCoreApplication::instance())
        folders << QDir::cleanPath(QCoreApplication::applicationDirPath()
                                   + QStringLiteral("/../share/quillet"));
    const QString configured = QStringLiteral(QUILLET_DATA_DIR);
    if (!configured.isEmpty() && !folders.contains(QDir::cleanPath(configured)))
        folders << QDir::cleanPath(configured);
    return folders;
}

Services defaultServices()
{
    Services s;
    s.dialogs = std::make_shared<QtDialogHost>();
    s.printer = std::make_shared<QPrinterSink>();
    s.clipboard = std::make_shared<SystemClipboard>();
    s.clock = std::make_shared<SystemClock>();
    s.registry = platformRegistry();
    s.launcher = defaultLauncher();
    s.endProcess = quitProcess;
    s.dataFolders = programDataFolders();
    return s;
}
