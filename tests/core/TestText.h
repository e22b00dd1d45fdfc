// Readable comparisons of UTF-16 results: failures print UTF-8, not code unit lists.
#pragma once

#include "Utf8.h"

#include <string>
#include <string_view>

inline std::string U8(const std::u16string& text) {
    return Utf16ToUtf8(text);
}

inline std::u16string U16(const std::string& utf8) {
    return Utf8ToUtf16(reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size());
}

inline const unsigned char* Bytes(std::string_view s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

// The bytes of a text in UTF-16 little-endian, without a byte-order mark.
inline std::string Utf16Le(std::u16string_view text) {
    std::string out;
    for (char16_t u : text) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    }
    return out;
}
