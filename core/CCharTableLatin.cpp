// Cyrillic text to Latin keys.
#include "CCharTable.h"

#include "UnicodeText.h"
#include "Utf8.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string_view>

namespace {

// What one UTF-16 unit becomes: up to four units inline, so that the copy is one fixed-size move
// whatever the key's length (key lengths vary from letter to letter and would defeat branch
// prediction); longer keys are flagged and copied the slow way.
struct SOut {
    char16_t units[4];
    std::uint32_t length; // kLongKey: take `key`
    const std::u16string* key;
};
constexpr std::uint32_t kLongKey = 0xFFFFFFFF;
constexpr std::size_t kTableSize = 0x500; // Basic Latin up to the end of the Cyrillic block

} // namespace

bool CCharTable::ToLatin(std::u16string& text) const {
    if (text.empty())
        return false;
    std::array<std::u16string, kLetterRows> upperKeys;
    for (int row = 0; row < kLetterRows; ++row)
        upperKeys[row] = UpperCase(m_keys[Index(row, 0)]);

    // The letters, as a search from the start of each string finds them: small letters first.
    const std::u16string_view lower = std::u16string_view(m_cyrLower).substr(0, kLetterRows);
    const std::u16string_view upper = std::u16string_view(m_cyrUpper).substr(0, kLetterRows);
    auto search = [&](char16_t c) -> const std::u16string* {
        if (const std::size_t p = lower.find(c); p != lower.npos)
            return &m_keys[Index(int(p), 0)];
        if (const std::size_t q = upper.find(c); q != upper.npos)
            return &upperKeys[q];
        return nullptr;
    };
    // A table of the answers for the units below 0x500, built per call because the keys may have
    // changed since the last one. Filled from the last letter to the first, capitals before small
    // letters, so that what stays is what the search finds; units above are searched.
    auto table = std::make_unique_for_overwrite<SOut[]>(kTableSize);
    for (std::size_t c = 0; c < kTableSize; ++c)
        table[c] = SOut{{char16_t(c)}, 1, nullptr};
    bool searchAbove = false;
    for (const std::u16string_view letters : {upper, lower}) {
        for (std::size_t row = letters.size(); row-- > 0;) {
            const char16_t c = letters[row];
            if (c >= kTableSize) {
                searchAbove = true;
                continue;
            }
            const std::u16string* key = letters == upper ? &upperKeys[row] : &m_keys[Index(int(row), 0)];
            SOut& entry = table[c];
            entry.key = key;
            entry.length = key->size() <= 4 ? std::uint32_t(key->size()) : kLongKey;
            std::memcpy(entry.units, key->data(), std::min<std::size_t>(key->size(), 4) * sizeof(char16_t));
        }
    }

    auto keyAbove = [&](char16_t c) { return searchAbove ? search(c) : nullptr; };

    // Measure first, then fill: one allocation of the exact size (plus room for the fixed-size
    // moves), even for texts of 100 MB.
    std::size_t length = 0;
    for (const char16_t c : text) {
        if (c < kTableSize) {
            const SOut& entry = table[c];
            length += entry.length != kLongKey ? entry.length : entry.key->size();
        } else {
            const std::u16string* key = keyAbove(c);
            length += key ? key->size() : 1;
        }
    }
    std::u16string result(length + 4, u'\0');
    char16_t* out = result.data();
    for (const char16_t c : text) {
        if (c < kTableSize) {
            const SOut& entry = table[c];
            if (entry.length != kLongKey) {
                std::memcpy(out, entry.units, sizeof entry.units);
                out += entry.length;
                continue;
            }
            out = std::copy(entry.key->begin(), entry.key->end(), out);
        } else if (const std::u16string* key = keyAbove(c)) {
            out = std::copy(key->begin(), key->end(), out);
        } else {
            *out++ = c;
        }
    }
    result.resize(length);
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

char16_t CCharTable::LetterWithoutKey(std::u16string_view text) const {
    const std::u16string_view lower = std::u16string_view(m_cyrLower).substr(0, kLetterRows);
    const std::u16string_view upper = std::u16string_view(m_cyrUpper).substr(0, kLetterRows);
    for (const char16_t c : text) {
        std::size_t row = lower.find(c);
        if (row == lower.npos)
            row = upper.find(c);
        if (row != lower.npos && m_keys[Index(int(row), 0)].empty())
            return c;
    }
    return 0;
}

void CCharTable::AppendLatin(std::u16string_view piece, char16_t, char16_t, std::u16string& out) const {
    // A key never depends on the letters around it.
    std::u16string latin(piece);
    ToLatin(latin);
    out += latin;
}

std::vector<int> CCharTable::FirstKeyAsSequence(int row) const {
    if (row < 0 || row >= kLetterRows)
        return {};
    const std::u16string_view key = m_keys[Index(row, 0)];
    // Fewest keys first: best[end] is the shortest sequence spelling key[0, end).
    std::vector<std::vector<int>> best(key.size() + 1);
    std::vector<bool> reached(key.size() + 1, false);
    reached[0] = true;
    for (std::size_t start = 0; start < key.size(); ++start) {
        if (!reached[start])
            continue;
        for (int other = 0; other < kLetterRows; ++other) {
            const std::u16string_view piece = m_keys[Index(other, 0)];
            if (other == row || piece.empty() || piece.size() >= key.size() ||
                key.substr(start, piece.size()) != piece)
                continue;
            const std::size_t end = start + piece.size();
            if (reached[end] && best[end].size() <= best[start].size() + 1)
                continue;
            best[end] = best[start];
            best[end].push_back(other);
            reached[end] = true;
        }
    }
    return reached[key.size()] && best[key.size()].size() >= 2 ? best[key.size()] : std::vector<int>();
}

namespace {

std::string Utf8Of(std::u16string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        if (c < 0x80) {
            bytes += char(c);
        } else if (c < 0x800) {
            bytes += char(0xC0 | (c >> 6));
            bytes += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            bytes += char(0xE0 | (c >> 12));
            bytes += char(0x80 | ((c >> 6) & 0x3F));
            bytes += char(0x80 | (c & 0x3F));
        } else {
            bytes += char(0xF0 | (c >> 18));
            bytes += char(0x80 | ((c >> 12) & 0x3F));
            bytes += char(0x80 | ((c >> 6) & 0x3F));
            bytes += char(0x80 | (c & 0x3F));
        }
    }
    return bytes;
}

std::size_t Utf8LengthOf(char32_t c) {
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

} // namespace

CLatinUtf8::CLatinUtf8(const CCharTable& table) : m_keys(0x800) {
    for (char32_t c = 0; c < 0x800; ++c) {
        SKey& key = m_keys[c];
        const std::string bytes = Utf8Of(std::u16string(1, char16_t(c)));
        std::memcpy(key.bytes, bytes.data(), bytes.size());
        key.length = std::uint8_t(bytes.size());
        key.isLong = 0;
    }
    // As ToLatin finds them: small letters before capitals, earlier rows before later ones.
    const std::u16string_view lower =
        std::u16string_view(table.m_cyrLower).substr(0, CCharTable::kLetterRows);
    const std::u16string_view upper =
        std::u16string_view(table.m_cyrUpper).substr(0, CCharTable::kLetterRows);
    for (const std::u16string_view letters : {upper, lower}) {
        for (std::size_t row = letters.size(); row-- > 0;) {
            const char16_t c = letters[row];
            const std::u16string& lowerKey = table.m_keys[CCharTable::Index(int(row), 0)];
            const std::string key = Utf8Of(letters == upper ? UpperCase(lowerKey) : lowerKey);
            m_growth = std::max(m_growth, (key.size() + Utf8LengthOf(c) - 1) / Utf8LengthOf(c));
            if (c >= 0x800) {
                m_above.insert(m_above.begin(), {c, key});
                continue;
            }
            m_asciiSame = m_asciiSame && c >= 0x80;
            SKey& entry = m_keys[c];
            if (key.size() <= sizeof entry.bytes) {
                std::memcpy(entry.bytes, key.data(), key.size());
                entry.length = std::uint8_t(key.size());
                entry.isLong = 0;
            } else {
                const std::size_t index = m_longKeys.size();
                m_longKeys.push_back(key);
                std::memcpy(entry.bytes, &index, sizeof index);
                entry.isLong = 1;
            }
        }
    }
}

bool CLatinUtf8::Append(std::string_view utf8, std::string& out, std::size_t* errorOffset) const {
    const auto* const begin = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* const end = begin + utf8.size();
    // One buffer, sized for the worst case once (plus room for the eight-byte moves), then trimmed.
    const std::size_t start = out.size();
    out.resize(start + utf8.size() * m_growth + sizeof(SKey::bytes));
    char* w = out.data() + start;
    const unsigned char* p = begin;
    bool ok = true;
    while (p < end) {
        const unsigned b = *p;
        if (b < 0x80 && m_asciiSame) {
            *w++ = char(b);
            ++p;
            // Long runs (Latin, digits, markup) go eight bytes at a time.
            while (end - p >= 8) {
                std::uint64_t word;
                std::memcpy(&word, p, 8);
                if (word & 0x8080808080808080ULL)
                    break;
                std::memcpy(w, p, 8);
                w += 8;
                p += 8;
            }
            continue;
        }
        if (b >= 0xC2 && b <= 0xDF && end - p >= 2 && (p[1] & 0xC0) == 0x80) {
            // A two-byte character, as every Cyrillic letter is.
            const SKey& key = m_keys[((b & 0x1F) << 6) | (p[1] & 0x3F)];
            if (!key.isLong) {
                std::memcpy(w, key.bytes, sizeof key.bytes);
                w += key.length;
                p += 2;
                continue;
            }
        }
        std::size_t length = 1;
        char32_t c = b;
        if (b >= 0x80) {
            length = WellFormedLength(p, end);
            if (length == 0) {
                if (errorOffset)
                    *errorOffset = std::size_t(p - begin);
                ok = false;
                break;
            }
            c = length == 2 ? ((b & 0x1F) << 6) | (p[1] & 0x3F)
                : length == 3
                    ? ((b & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F)
                    : ((b & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
        }
        if (c < 0x800) {
            const SKey& key = m_keys[c];
            if (!key.isLong) {
                std::memcpy(w, key.bytes, sizeof key.bytes);
                w += key.length;
            } else {
                std::size_t index = 0;
                std::memcpy(&index, key.bytes, sizeof index);
                const std::string& text = m_longKeys[index];
                std::memcpy(w, text.data(), text.size());
                w += text.size();
            }
        } else {
            const auto found = std::find_if(m_above.begin(), m_above.end(),
                                            [c](const auto& letter) { return letter.first == c; });
            if (found != m_above.end()) {
                std::memcpy(w, found->second.data(), found->second.size());
                w += found->second.size();
            } else {
                std::memcpy(w, p, length);
                w += length;
            }
        }
        p += length;
    }
    out.resize(std::size_t(w - out.data()));
    return ok;
}
