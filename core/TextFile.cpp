#include "TextFile.h"

#include "CodePage.h"
#include "Utf8.h"

#include <cstring>

namespace {

// Bytes before the first zero byte. In UTF-8 and in every 8-bit code page here, byte 0 is U+0000
// and nothing else is, so cutting the bytes is the same as cutting the decoded text.
std::size_t UpToNul(const unsigned char* bytes, std::size_t n) {
    const void* nul = n == 0 ? nullptr : std::memchr(bytes, 0, n);
    return nul == nullptr ? n : static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - bytes);
}

std::u16string DecodeUtf16Le(const unsigned char* bytes, std::size_t n) {
    std::size_t start = 0;
    if (n >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE)
        start = 2;
    std::u16string out;
    out.resize((n - start + 1) / 2);
    char16_t* dst = out.data();
    std::size_t count = 0;
    for (std::size_t i = start; i < n; i += 2) {
        // An odd last byte stands alone as a unit with high byte 0.
        const unsigned high = i + 1 < n ? bytes[i + 1] : 0;
        const char16_t unit = static_cast<char16_t>(bytes[i] | (high << 8));
        if (unit == 0)
            break;
        dst[count++] = unit;
    }
    out.resize(count);
    return out;
}

} // namespace

SDecodedText DecodeTextFile(const unsigned char* bytes, std::size_t n) {
    SDecodedText result;
    result.label = DetectCyrillicCodePage(bytes, n);
    if (result.label == kCodePageUtf16 || result.label == kCodePageUtf16Cyr) {
        result.text = DecodeUtf16Le(bytes, n);
        return result;
    }

    // Whether the file is UTF-8 is decided on all its bytes, not only on those before a zero byte.
    const std::size_t end = UpToNul(bytes, n);
    if (IsValidUtf8(bytes, n)) {
        result.utf8 = true;
        std::size_t start = 0;
        if (end >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF)
            start = 3;
        result.text = Utf8ToUtf16(bytes + start, end - start);
        return result;
    }
    // Not UTF-8, so the system code page is Windows-1252; named explicitly because the bytes before
    // a zero byte alone might pass for UTF-8.
    const unsigned codePage = result.label == kCodePageSystem ? 1252u : result.label;
    result.text = DecodeWithCodePage(codePage, bytes, end);
    return result;
}
