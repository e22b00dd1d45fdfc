// The character table: 35 fixed Cyrillic rows (the 33 Russian letters in Windows-1251 order,
// then "." and ","), up to three Latin keys per row, and the typed forms that typing matches.
// One process-wide instance, g_charTable, read by every conversion in the program; only the
// character list changes its keys, and every change rebuilds the typed forms at once.
#pragma once

#include "LatinSpelling.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CCharTable : public ILatinSpelling {
public:
    static constexpr int kRows = 35;
    static constexpr int kLetterRows = 33; // rows 34 and 35 ("." and ",") are not letters
    static constexpr int kSlots = 3;
    static constexpr int kKeyCount = kRows * kSlots;

    // Match results of MatchTyped.
    enum { kNoMatch = 0, kMatchLower = 1, kMatchUpper = 2 };

    CCharTable();

    // Keys and typed forms: row r, slot s at index 3r + s.
    static constexpr int Index(int row, int slot) { return row * kSlots + slot; }

    // Character table (keys and their text forms).
    void SetDefaultKeys();
    std::u16string KeysToText() const;
    void KeysFromText(const std::u16string& text);
    // LoadKeys semantics for a stored value: empty means the default table.
    void KeysFromStored(const std::u16string& stored);
    // The strict reading of a text form typed by hand: every field must be two digits 01 to 35
    // followed by a key, and a row takes at most three keys. On false, `field` is the first field
    // that breaks the rule and `why` says how. The stored value keeps the lenient reading above.
    static bool CheckKeysText(const std::u16string& text, std::u16string& field, std::string& why);
    // The row's keys joined by "," from slot 0 up to the first empty slot.
    std::u16string RowLabel(int row) const;
    // Reads a label into the row's slots without rebuilding the typed forms; callers that read a
    // whole list call BuildTypedForms once at the end.
    void ReadRowLabel(int row, const std::u16string& label);

    // Latin to Cyrillic.
    void BuildTypedForms();
    int MatchTyped(std::u16string fragment, std::u16string form) const;
    bool ConvertAtCaret(std::u16string& text, std::size_t& caret) const;
    bool IsNotCyrillicStart(std::u16string text) const;
    // Length of the longest typed form: typing needs only this many characters before the caret.
    std::size_t MaxTypedLength() const;

    // Cyrillic to Latin, with the first key of each letter.
    bool ToLatin(std::u16string& text) const override;
    void AppendLatin(std::u16string_view piece, char16_t before, char16_t after,
                     std::u16string& out) const override;
    // The letter rows whose first keys, one after another, make up the first key of `row` (the
    // default "sh" is "s" then "h"): Latin written with that key types back as a different word.
    // Empty when there is no such sequence of two or more keys.
    std::vector<int> FirstKeyAsSequence(int row) const;
    bool IsNotLatinStart(std::u16string text) const;
    char16_t LetterWithoutKey(std::u16string_view text) const override;
    std::u16string Describe() const override { return KeysToText(); }

    std::u16string m_cyrLower;
    std::u16string m_cyrUpper;
    std::u16string m_latLower;
    std::u16string m_latUpper;
    std::u16string m_digits;
    std::array<std::u16string, kKeyCount> m_keys;
    std::array<std::u16string, kKeyCount> m_typed;
};

// CCharTable::ToLatin for UTF-8 text, straight to UTF-8: no UTF-16 in between, runs of ASCII
// copied eight bytes at a time, a two-byte letter's key from a table by its code point. The
// table is made once from the keys as they are when it is made.
class CLatinUtf8 {
public:
    explicit CLatinUtf8(const CCharTable& table);

    // Appends the Latin form of `utf8` to `out`. False, with *errorOffset at the first byte that
    // is not well-formed UTF-8, when the input is not (out then holds the text before it).
    bool Append(std::string_view utf8, std::string& out, std::size_t* errorOffset) const;

private:
    struct SKey {
        char bytes[8];
        std::uint8_t length;
        std::uint8_t isLong; // the key is in m_longKeys, at `bytes` read as an index
    };
    std::vector<SKey> m_keys;                              // by code point, below U+0800
    std::vector<std::string> m_longKeys;                   // keys over eight bytes
    std::vector<std::pair<char32_t, std::string>> m_above; // letters at U+0800 and above
    bool m_asciiSame = true;                               // no ASCII character is a letter
    std::size_t m_growth = 1;                              // output bytes per input byte, at most
};

extern CCharTable g_charTable;
