#include "Utf8.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
constexpr char16_t kReplacement = 0xFFFD;

std::uint64_t LoadWord(const unsigned char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    return word;
}

std::size_t Utf8Length(std::u16string_view text) {
    // A sum the compiler can vectorise; surrogate pairs (4 bytes, counted as 3 + 3) are rare
    // and corrected afterwards only when the text has any.
    std::size_t total = 0, highSurrogates = 0;
    for (const char16_t u : text) {
        total += 1 + (u >= 0x80) + (u >= 0x800);
        highSurrogates += (u & 0xFC00) == 0xD800;
    }
    if (highSurrogates == 0)
        return total;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if ((text[i] & 0xFC00) == 0xD800 && (text[i + 1] & 0xFC00) == 0xDC00) {
            total -= 2;
            ++i;
        }
    }
    return total;
}

} // namespace

namespace {

enum class EDecode { kValidate, kStrict, kLenient, kEscape };

// Checks whether the eight bytes hold only ASCII and complete two-byte sequences (the bulk of
// Cyrillic text) with no sequence crossing the word's edges; false leaves them to the byte-wise
// path. Bit 7 of each byte of the masks marks: high = byte >= 0x80, lead = 110xxxxx,
// cont = 10xxxxxx; little-endian, so byte k sits at bits 8k..8k+7.
inline __attribute__((always_inline)) bool SimpleWord(std::uint64_t w) {
    const std::uint64_t high = w & kHighBits;
    const std::uint64_t bit6 = (w << 1) & kHighBits;
    const std::uint64_t bit5 = (w << 2) & kHighBits;
    const std::uint64_t lead = high & bit6 & ~bit5;
    const std::uint64_t cont = high & ~bit6;
    // C0 and C1 would be overlong: a two-byte lead needs one of its bits 1..4 set.
    const std::uint64_t payload = ((w << 3) | (w << 4) | (w << 5) | (w << 6)) & kHighBits;
    return (high & bit6 & bit5) == 0 && cont == (lead << 8) && (lead >> 56) == 0 && (lead & ~payload) == 0;
}

// The one decoding loop behind validation, strict and lenient decoding. Returns the number of
// units written to dst (nothing is written when validating); on an ill-formed sequence a strict
// or validating run stops and reports its offset, a lenient one writes U+FFFD for its first byte.
template <EDecode kMode>
std::size_t Decode(const unsigned char* bytes, std::size_t n, char16_t* dst, std::size_t* errorOffset) {
    char16_t* const start = dst;
    std::size_t i = 0;
    while (i < n) {
        if (n - i >= 8) {
            const std::uint64_t w = LoadWord(bytes + i);
            if ((w & kHighBits) == 0 || SimpleWord(w)) {
                if constexpr (kMode != EDecode::kValidate) {
                    // Every byte writes a candidate unit into the next free slot and only bytes
                    // that start a character advance: no branch on the kind of byte. A
                    // continuation byte's candidate is overwritten by the next one.
#pragma GCC unroll 8
                    for (int k = 0; k < 8; ++k) {
                        const unsigned b = unsigned(w >> (8 * k)) & 0xFF;
                        const unsigned next = k < 7 ? unsigned(w >> (8 * k + 8)) & 0xFF : 0;
                        *dst = char16_t(b < 0x80 ? b : ((b & 0x1F) << 6) | (next & 0x3F));
                        dst += (b & 0xC0) != 0x80;
                    }
                }
                i += 8;
                continue;
            }
        }
        const unsigned b0 = bytes[i];
        if (b0 < 0x80) {
            if constexpr (kMode != EDecode::kValidate)
                *dst++ = char16_t(b0);
            ++i;
            continue;
        }
        const std::size_t len = WellFormedLength(bytes + i, bytes + n);
        if (len == 0) {
            if constexpr (kMode == EDecode::kValidate || kMode == EDecode::kStrict) {
                if (errorOffset != nullptr)
                    *errorOffset = i;
                return std::size_t(-1);
            } else {
                *dst++ = kMode == EDecode::kEscape ? char16_t(kByteEscapeBase + b0) : kReplacement;
                ++i;
                continue;
            }
        }
        if constexpr (kMode != EDecode::kValidate) {
            const std::uint32_t b1 = bytes[i + 1] & 0x3Fu;
            if (len == 2) {
                *dst++ = char16_t(((b0 & 0x1Fu) << 6) | b1);
            } else if (len == 3) {
                *dst++ = char16_t(((b0 & 0x0Fu) << 12) | (b1 << 6) | (bytes[i + 2] & 0x3Fu));
            } else {
                const std::uint32_t cp = ((b0 & 0x07u) << 18) | (b1 << 12) | ((bytes[i + 2] & 0x3Fu) << 6) |
                                         (bytes[i + 3] & 0x3Fu);
                *dst++ = char16_t(0xD800 + ((cp - 0x10000) >> 10));
                *dst++ = char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
            }
        }
        i += len;
    }
    return std::size_t(dst - start);
}

} // namespace

bool IsValidUtf8(const unsigned char* bytes, std::size_t n, std::size_t* errorOffset) {
    return Decode<EDecode::kValidate>(bytes, n, nullptr, errorOffset) != std::size_t(-1);
}

bool Utf8ToUtf16Checked(const unsigned char* bytes, std::size_t n, std::u16string& out,
                        std::size_t* errorOffset) {
    // Never more units than bytes: size for the worst case once, then trim.
    out.resize(n);
    const std::size_t units = Decode<EDecode::kStrict>(bytes, n, out.data(), errorOffset);
    if (units == std::size_t(-1)) {
        out.clear();
        return false;
    }
    out.resize(units);
    return true;
}

std::u16string Utf8ToUtf16(const unsigned char* bytes, std::size_t n) {
    std::u16string out(n, u'\0');
    out.resize(Decode<EDecode::kLenient>(bytes, n, out.data(), nullptr));
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    AppendUtf16AsUtf8(out, text);
    return out;
}

std::u16string Utf8ToUtf16Escaped(const unsigned char* bytes, std::size_t n, std::size_t* invalid) {
    std::u16string out(n, u'\0');
    out.resize(Decode<EDecode::kEscape>(bytes, n, out.data(), nullptr));
    if (invalid != nullptr) {
        std::size_t multiByte = 0;
        *invalid = 0;
        CountUtf8(bytes, n, multiByte, *invalid);
    }
    return out;
}

std::string Utf16ToUtf8Escaped(std::u16string_view text) {
    std::string out;
    AppendUtf16AsUtf8(out, text, true);
    return out;
}

void CountUtf8(const unsigned char* bytes, std::size_t n, std::size_t& multiByte, std::size_t& invalid) {
    std::size_t i = 0;
    std::size_t error = n;
    // Valid text (the usual case) is checked by the fast scan and its lead bytes counted in a
    // loop the compiler vectorises; the byte-wise walk starts at the first ill-formed sequence.
    if (IsValidUtf8(bytes, n, &error))
        error = n;
    for (; i < error; ++i)
        multiByte += bytes[i] >= 0xC0;
    // 8-bit Cyrillic lands here whole, so it is walked eight bytes at a time where it can be:
    // in a word without continuation bytes (10xxxxxx), followed by a byte that is none either,
    // no sequence can complete and every high byte is invalid on its own (KOI8-R and most of
    // Windows-1251 text). The common misses elsewhere are settled before the full check.
    while (i < n) {
        while (i + 9 <= n) {
            const std::uint64_t word = LoadWord(bytes + i);
            const std::uint64_t high = word & kHighBits;
            if (high != 0 && ((high & ~(word << 1)) != 0 || (bytes[i + 8] & 0xC0) == 0x80))
                break;
            invalid += static_cast<std::size_t>(std::popcount(high));
            i += 8;
        }
        if (i >= n)
            break;
        const unsigned b = bytes[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        if (b < 0xC2 || b > 0xF4 || i + 1 == n || (bytes[i + 1] & 0xC0) != 0x80) {
            ++invalid;
            ++i;
            continue;
        }
        if (b < 0xE0) {
            ++multiByte;
            i += 2;
            continue;
        }
        const std::size_t len = WellFormedLength(bytes + i, bytes + n);
        if (len == 0) {
            ++invalid;
            ++i;
        } else {
            ++multiByte;
            i += len;
        }
    }
}

void AppendUtf16AsUtf8(std::string& out, std::u16string_view text, bool escapes) {
    // Measuring first lets the loop write through a pointer instead of growing the string.
    const std::size_t start = out.size();
    const std::size_t length = Utf8Length(text);
    out.resize(start + length + 1); // one spare byte for the two-byte stores below
    char* dst = out.data() + start;
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t cp = text[i];
        if (cp < 0x800) {
            // ASCII and two-byte units alternate unpredictably in Cyrillic text: write two bytes
            // either way and advance by the real length, without a branch.
            const bool ascii = cp < 0x80;
            dst[0] = static_cast<char>(ascii ? cp : 0xC0 | (cp >> 6));
            dst[1] = static_cast<char>(0x80 | (cp & 0x3F));
            dst += 2 - ascii;
            continue;
        }
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            if (cp <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00u);
                *dst++ = static_cast<char>(0xF0 | (cp >> 18));
                *dst++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
                *dst++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                *dst++ = static_cast<char>(0x80 | (cp & 0x3F));
                continue;
            }
            if (escapes && IsByteEscape(char16_t(cp), i > 0 ? text[i - 1] : u'\0')) {
                *dst++ = static_cast<char>(cp - kByteEscapeBase);
                continue;
            }
            cp = kReplacement;
        }
        *dst++ = static_cast<char>(0xE0 | (cp >> 12));
        *dst++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *dst++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
    // An escaped byte is shorter than the three bytes measured for it.
    out.resize(static_cast<std::size_t>(dst - out.data()));
}
