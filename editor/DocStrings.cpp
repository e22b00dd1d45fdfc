#include "DocStrings.h"

#include "CommandIds.h"

#include "CResourceModule.h"

#include <QStringList>

QString DocString(int field) {
    const QStringList fields = CurrentResources().String(kStrDocStrings).split(u'\n');
    return field < fields.size() ? fields[field] : QString();
}

QString DocFileFilter() {
    const QString ext = DocString(kDocFilterExt);
    QString filter = DocString(kDocFilterName);
    // "Text Files (*.txt)" names its pattern already; a bare name gets the extension's.
    if (!filter.contains(u'(') && !ext.isEmpty())
        filter += QStringLiteral(" (*%1)").arg(ext);
    const QString all = CurrentResources().String(kStrAllFilesFilter);
    return all.isEmpty() ? filter : filter + QStringLiteral(";;") + all;
}
