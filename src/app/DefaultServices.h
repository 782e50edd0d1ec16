#pragma once
// Where the installed program keeps its data: beside it (<bin>/../share/
// quillet), then the folder it was configured to install to.

#include <QStringList>

QStringList programDataFolders();
