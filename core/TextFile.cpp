#include "TextFile.h"

#include "CodePage.h"
#include "Utf8.h"

namespace {

std::u16string DecodeUtf16Le(const unsigned char* bytes, std::size_t n) {
    std::size_t start = 0;
    if (n >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE)
        start = 2;
    std::u16string out;
    out.resize((n - start + 1) / 2);
    char16_t* dst = out.data();
    for (std::size_t i = start; i < n; i += 2) {
        // An odd last byte stands alone as a unit with high byte 0.
        const unsigned high = i + 1 < n ? bytes[i + 1] : 0;
        *dst++ = static_cast<char16_t>(bytes[i] | (high << 8));
    }
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

    if (IsValidUtf8(bytes, n)) {
        result.utf8 = true;
        const std::size_t start = n >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF ? 3 : 0;
        result.text = Utf8ToUtf16(bytes + start, n - start);
        return result;
    }
    // Not UTF-8, so the system code page is Windows-1252.
    const unsigned codePage = result.label == kCodePageSystem ? 1252u : result.label;
    result.text = DecodeWithCodePage(codePage, bytes, n);
    return result;
}
