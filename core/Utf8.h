// UTF-8 <-> UTF-16, strict: no overlong forms, no surrogates, nothing above U+10FFFF.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The length of the well-formed UTF-8 sequence at p (lead byte >= 0x80), 0 when there is none.
// Inline: the conversions' fast paths call it for every non-ASCII character.
inline std::size_t WellFormedLength(const unsigned char* p, const unsigned char* end) {
    const unsigned b = p[0];
    auto continuation = [&](std::size_t k, unsigned low = 0x80, unsigned high = 0xBF) {
        return p + k < end && p[k] >= low && p[k] <= high;
    };
    if (b >= 0xC2 && b <= 0xDF)
        return continuation(1) ? 2 : 0;
    if (b >= 0xE0 && b <= 0xEF) {
        const unsigned low = b == 0xE0 ? 0xA0 : 0x80;
        const unsigned high = b == 0xED ? 0x9F : 0xBF; // no surrogates
        return continuation(1, low, high) && continuation(2) ? 3 : 0;
    }
    if (b >= 0xF0 && b <= 0xF4) {
        const unsigned low = b == 0xF0 ? 0x90 : 0x80;
        const unsigned high = b == 0xF4 ? 0x8F : 0xBF;
        return continuation(1, low, high) && continuation(2) && continuation(3) ? 4 : 0;
    }
    return 0;
}

// True when the bytes are well-formed UTF-8. On false, *errorOffset (when given) receives the
// offset of the first byte of the first ill-formed sequence.
bool IsValidUtf8(const unsigned char* bytes, std::size_t n, std::size_t* errorOffset = nullptr);

// Decodes; each byte that starts no well-formed sequence becomes U+FFFD. A leading byte-order
// mark EF BB BF is kept (as U+FEFF).
std::u16string Utf8ToUtf16(const unsigned char* bytes, std::size_t n);

// Decodes and checks in one pass: false (out empty, *errorOffset as for IsValidUtf8) when the
// bytes are not well-formed UTF-8.
bool Utf8ToUtf16Checked(const unsigned char* bytes, std::size_t n, std::u16string& out,
                        std::size_t* errorOffset = nullptr);

// Encodes UTF-16; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
// Appends to `out` instead of returning a new string (for streaming large texts). With
// `escapes`, a lone U+DC80..U+DCFF is written as the byte it stands for (see below).
void AppendUtf16AsUtf8(std::string& out, std::u16string_view text, bool escapes = false);

// A byte that starts no well-formed sequence stands in the text as U+DC80..U+DCFF (a lone low
// surrogate, which UTF-8 can never hold), so that the text turns back into exactly the bytes it
// came from: the escape the raw file names use. *invalid (when given) receives their number.
constexpr char16_t kByteEscapeBase = 0xDC00;
std::u16string Utf8ToUtf16Escaped(const unsigned char* bytes, std::size_t n, std::size_t* invalid = nullptr);
// The bytes of an escaped text: Utf8ToUtf16Escaped read backwards.
std::string Utf16ToUtf8Escaped(std::u16string_view text);
// The unit is an escaped byte, unless it ends a surrogate pair (prev is its high half).
inline bool IsByteEscape(char16_t unit, char16_t prev) {
    return unit >= 0xDC80 && unit <= 0xDCFF && !(prev >= 0xD800 && prev <= 0xDBFF);
}

// What a lenient reading of the bytes meets: well-formed sequences of two bytes or more, and
// bytes that start none. Adds to the counts.
void CountUtf8(const unsigned char* bytes, std::size_t n, std::size_t& multiByte, std::size_t& invalid);
