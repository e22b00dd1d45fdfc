// Where an installed program keeps its language module files. The resources layer, which installs
// them, defines this; the build gives it the layout.
#pragma once

#include <QString>
#include <QStringList>

// The folders to search after the program's own folder: the data folder relative to the program
// (so a moved installation still finds its files), then the one the build installs to.
QStringList InstalledResourceFolders(const QString& programFolder);
