#include "StoredKeys.h"

#include <QSettings>
#include <QStringList>

std::u16string StoredKeysText() {
    const QSettings settings(QStringLiteral("ZDK"), QStringLiteral("Lt"));
    const QVariant value = settings.value(QStringLiteral("Settings/Chars"));
    // An INI value with unquoted commas (keys may be ",") reads back as a list; its items are
    // the text between the commas.
    const QString text =
        value.typeId() == QMetaType::QStringList ? value.toStringList().join(u',') : value.toString();
    return text.toStdU16String();
}
