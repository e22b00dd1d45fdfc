// Readable comparisons of UTF-16 results: failures print UTF-8, not code unit lists.
#pragma once

#include "Utf8.h"

#include <string>

inline std::string U8(const std::u16string& text) {
    return Utf16ToUtf8(text);
}

inline std::u16string U16(const std::string& utf8) {
    return Utf8ToUtf16(reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size());
}
