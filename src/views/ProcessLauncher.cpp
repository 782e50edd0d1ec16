#include "views/ProcessLauncher.h"

#include <QProcess>

bool DetachedLauncher::start(const QString &program)
{
    // The whole name is the program: a path with blanks stays one path.
    if (program.isEmpty())
        return false;
    return QProcess::startDetached(program, QStringList());
}

std::shared_ptr<ProcessLauncher> defaultLauncher()
{
    return std::make_shared<DetachedLauncher>();
}
