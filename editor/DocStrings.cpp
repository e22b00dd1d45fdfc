#include "DocStrings.h"

#include "ResourceIds.h"

#include "CResourceModule.h"

#include "LtVersion.h"

#include <QRegularExpression>
#include <QStringList>

QString DocString(int field) {
    const QStringList fields = CurrentResources().String(kStrDocStrings).split(u'\n');
    if (field >= fields.size())
        return {};
    // The title shows the version this program was built as, whatever the module was written for.
    return field == kDocWindowTitle ? WithVersion(fields[field], QStringLiteral(LT_VERSION_SHORT))
                                    : fields[field];
}

QString WithVersion(QString text, const QString& version) {
    static const QRegularExpression number(QStringLiteral("\\d+(?:\\.\\d+)+"));
    const QRegularExpressionMatch match = number.match(text);
    if (match.hasMatch())
        text.replace(match.capturedStart(), match.capturedLength(), version);
    return text;
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
