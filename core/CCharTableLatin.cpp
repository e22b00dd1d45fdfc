// Cyrillic text to Latin keys.
#include "CCharTable.h"

#include "UnicodeText.h"

#include <array>
#include <cstdint>
#include <utility>

bool CCharTable::ToLatin(std::u16string& text) const {
    if (text.empty())
        return false;
    // Per-call lookup of the Cyrillic block, so long texts cost one table read per character;
    // it is rebuilt every call because the keys may have changed since the last one.
    constexpr char16_t kBlock = 0x400;
    std::array<std::int16_t, 256> rowOf; // row + 1 (lower case), -(row + 1) (upper case), 0 none
    rowOf.fill(0);
    bool outsideBlock = false;
    // Lower case is looked up first, and a search finds the first row: fill upper before lower
    // and each from the last row up, so the entry that the search would find is the one left.
    for (const auto& [chars, sign] : {std::pair{&m_cyrUpper, -1}, std::pair{&m_cyrLower, 1}}) {
        for (int row = kLetterRows - 1; row >= 0; --row) {
            const char16_t c = (*chars)[row];
            if (c >= kBlock && c < kBlock + 256)
                rowOf[c - kBlock] = std::int16_t(sign * (row + 1));
            else
                outsideBlock = true;
        }
    }
    std::array<std::u16string, kLetterRows> upperKeys;
    for (int row = 0; row < kLetterRows; ++row)
        upperKeys[row] = UpperCase(m_keys[Index(row, 0)]);

    const std::u16string_view lower = std::u16string_view(m_cyrLower).substr(0, kLetterRows);
    const std::u16string_view upper = std::u16string_view(m_cyrUpper).substr(0, kLetterRows);
    std::u16string result;
    result.reserve(text.size() + text.size() / 4);
    for (const char16_t c : text) {
        int code = 0;
        if (c >= kBlock && c < kBlock + 256) {
            code = rowOf[c - kBlock];
        } else if (outsideBlock) {
            if (const std::size_t p = lower.find(c); p != lower.npos)
                code = int(p) + 1;
            else if (const std::size_t q = upper.find(c); q != upper.npos)
                code = -int(q) - 1;
        }
        if (code > 0)
            result += m_keys[Index(code - 1, 0)];
        else if (code < 0)
            result += upperKeys[-code - 1];
        else
            result += c;
    }
    text = std::move(result);
    return true;
}

bool CCharTable::IsNotLatinStart(std::u16string text) const {
    const std::u16string_view trimmed = TrimWhiteSpace(text);
    if (trimmed.empty())
        return false;
    const char16_t first = trimmed.front();
    return m_latLower.find(first) == std::u16string::npos && m_latUpper.find(first) == std::u16string::npos &&
           m_digits.find(first) == std::u16string::npos;
}
