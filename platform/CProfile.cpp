#include "CProfile.h"

#include <QSettings>
#include <QStringList>
#include <QVariant>

#include <limits>

namespace {

QVariant StoredValue(const QString& section, const QString& entry) {
    QSettings settings(QStringLiteral("ZDK"), QStringLiteral("Lt"));
    settings.beginGroup(section);
    return settings.value(entry);
}

bool Store(const QString& section, const QString& entry, const QVariant& value) {
    QSettings settings(QStringLiteral("ZDK"), QStringLiteral("Lt"));
    settings.beginGroup(section);
    settings.setValue(entry, value);
    settings.endGroup();
    // Written now rather than when the object goes, so that a full disk or an unwritable folder
    // is reported to the caller instead of being lost silently.
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace

int GetProfileInt(const QString& section, const QString& entry, int defaultValue) {
    const QVariant value = StoredValue(section, entry);
    bool ok = false;
    switch (value.typeId()) {
    case QMetaType::QString: {
        // QVariant's own conversion wraps numbers beyond the int range around; QString's refuses.
        const int number = value.toString().toInt(&ok);
        return ok ? number : defaultValue;
    }
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: { // the registry backend gives typed numbers
        const qlonglong number = value.toLongLong(&ok);
        if (ok && number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max())
            return static_cast<int>(number);
        return defaultValue;
    }
    default: // absent, a list, or anything else that is not an integer
        return defaultValue;
    }
}

QString GetProfileString(const QString& section, const QString& entry, const QString& defaultValue) {
    const QVariant value = StoredValue(section, entry);
    if (!value.isValid())
        return defaultValue;
    // The INI reader splits unquoted commas into a list; the commas belong to the text (keys may
    // be ",", a window position is "1,100,50,800,600").
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(u',');
    return value.toString();
}

bool WriteProfileInt(const QString& section, const QString& entry, int value) {
    return Store(section, entry, value);
}

bool WriteProfileString(const QString& section, const QString& entry, const QString& value) {
    return Store(section, entry, value);
}
