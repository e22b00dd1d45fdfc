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
// Appends to `out` instead of returning a new string (for streaming large texts).
void AppendUtf16AsUtf8(std::string& out, std::u16string_view text);
