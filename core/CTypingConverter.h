// Whole-text Latin-to-Cyrillic conversion in linear time.
//
// Typing a text character by character in Russian mode (ConvertAtCaret after every character)
// only ever looks at the text already converted plus the new character, so a whole text can be
// converted in one append-and-replace-suffix pass. This class indexes the typed forms of a table
// by their last character, longest first, so each step tries only the few forms that can end
// with the new character. Results are identical to repeated ConvertAtCaret calls.
#pragma once

#include "CCharTable.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CTypingConverter {
public:
    // Takes a snapshot of the table's typed forms; later key changes need a new converter.
    explicit CTypingConverter(const CCharTable& table);

    // Appends one typed character to `text` (the converted text so far) and converts at its end.
    void Type(std::u16string& text, char16_t c) const;
    // Types every character of `typed` in turn.
    void Type(std::u16string& text, std::u16string_view typed) const;
    // The text as typing it into an empty document would give.
    std::u16string Convert(std::u16string_view typed) const;
    // How far back from its end typing can still change a text: the longest typed form. Anything
    // before that is final, so long texts can be converted and written out piece by piece.
    std::size_t Reach() const { return m_reach; }
    // True when no typed form can match the character: nothing typed before it combines with
    // anything typed after it, so a text can be cut behind it and its pieces converted apart.
    bool IsSeparator(char16_t c) const;

    // Types UTF-8 text and appends the result to `out` as UTF-8, with no UTF-16 text in between
    // beyond a small window. `pending` carries the converted units that typing can still change
    // from one call to the next (start with it empty; FinishUtf8 writes it out at the end). False,
    // with *errorOffset at the first byte that is not well-formed UTF-8, when the input is not.
    bool TypeUtf8(std::string_view utf8, std::u16string& pending, std::string& out,
                  std::size_t* errorOffset) const;
    static void FinishUtf8(std::u16string& pending, std::string& out);

private:
    // One typing step: appends c at `end` and converts there; returns the new end.
    char16_t* Step(char16_t* text, char16_t* end, char16_t& last, char16_t c) const;
    // Converts in a raw buffer: `text` holds `length` units and has room for typed.size() more.
    // Returns the new length.
    std::size_t TypeInto(char16_t* text, std::size_t length, std::u16string_view typed) const;
    // Tries the longer forms of a list at the end of the text; on a match replaces them there.
    bool MatchLonger(const char16_t* text, char16_t*& end, const std::uint32_t* form) const;

    std::size_t m_reach = 0;
    // For each UTF-16 unit, the forms that can end with it, packed one after the other so that a
    // step walks one short stretch of memory. A list starts with a header:
    //   [0], [1]  64-bit filter of the units that can stand before the last unit of a longer form
    //             (bit unit & 63; capitals included), so most steps skip the longer forms after
    //             one test;
    //   [2]       small letter | capital << 16 of the first one-unit form, 0 when there is none;
    //   [3]       that form's unit (a typed unit equal to it gives the small letter);
    //   [4]       the number of two-unit entries that follow;
    // then the two-unit forms as {unit before | letter it gives << 16}, the first form taking a
    // unit winning; then the forms of three units or more {length, small letter | capital << 16,
    // units...}, closed by a 0. Longer forms win over shorter ones.
    // m_listOf[unit] is the offset of the unit's list; offset 0 is the empty list.
    std::vector<std::uint32_t> m_lists;
    std::vector<std::uint32_t> m_listOf;
    // For each ASCII unit: the filter of its list and what it becomes when no longer form
    // matches, so that most steps for plain Latin text take one load.
    struct SAscii {
        std::uint64_t filter;
        char16_t alone;
    };
    std::array<SAscii, 0x80> m_ascii{};
    std::vector<char16_t> m_partner; // UTF-16 unit -> the small letter it stands for as capital, or 0
    std::vector<bool> m_inForm;      // UTF-16 unit -> occurs in some typed form
};

// Convenience over CTypingConverter.
std::u16string ConvertToCyrillic(const CCharTable& table, std::u16string_view typed);
