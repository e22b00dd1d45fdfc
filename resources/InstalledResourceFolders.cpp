#include "InstalledResourceFolders.h"

#include <QDir>

QStringList InstalledResourceFolders(const QString& programFolder) {
    QStringList folders;
    if (!programFolder.isEmpty())
        folders << QDir::cleanPath(programFolder + QLatin1Char('/') + QStringLiteral(LT_RES_RELATIVE_DIR));
    const QString installed = QStringLiteral(LT_RES_INSTALL_DIR);
    if (!folders.contains(installed))
        folders << installed;
    return folders;
}
