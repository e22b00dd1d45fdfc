#include "StoredKeys.h"

#include "CProfile.h"

std::u16string StoredKeysText() {
    return GetProfileString(QStringLiteral("Settings"), QStringLiteral("Chars")).toStdU16String();
}
