// UTF-8 <-> UTF-16, strict: no overlong forms, no surrogates, nothing above U+10FFFF.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

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
