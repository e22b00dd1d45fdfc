// Text as an 8-bit code page stores it: how the tests plant names and tags that other programs
// wrote in Windows-1251 (1251), KOI8-R (20866) or CP866 (866).
#pragma once

#include "CodePage.h"

#include <QByteArray>
#include <QString>

inline QByteArray EncodedBytes(unsigned codePage, const QString& text) {
    return QByteArray::fromStdString(EncodeWithCodePage(codePage, text.toStdU16String()));
}

inline QByteArray Koi8Bytes(const QString& text) {
    return EncodedBytes(20866, text);
}
