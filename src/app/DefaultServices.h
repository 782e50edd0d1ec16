#pragma once
// The real services the program runs with: Qt's dialogs, the printer, the
// system clipboard and clock, the platform registry, detached processes,
// quitting, and the program's data folders. Tests start from these and
// replace what they fake.

#include "app/Services.h"

Services defaultServices();

// Where the installed program keeps its data: beside it (<bin>/../share/
// quillet), then the folder it was configured to install to.
QStringList programDataFolders();
