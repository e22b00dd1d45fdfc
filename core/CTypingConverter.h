// Whole-text Latin-to-Cyrillic conversion in linear time.
//
// Typing a text character by character in Russian mode (ConvertAtCaret after every character)
// only ever looks at the text already converted plus the new character, so a whole text can be
// converted in one append-and-replace-suffix pass. This class indexes the typed forms of a table
// by their last character, longest first, so each step tries only the few forms that can end
// with the new character. Results are identical to repeated ConvertAtCaret calls.
#pragma once

#include "CCharTable.h"

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
    // The text as typing it into an empty document would give.
    std::u16string Convert(std::u16string_view typed) const;

private:
    struct SForm {
        std::u16string text;
        char16_t lower;
        char16_t upper;
    };

    int Match(std::u16string_view fragment, const SForm& form) const;

    std::vector<SForm> m_forms;                      // in match order: longest, then highest row and slot
    std::vector<std::vector<std::uint16_t>> m_lists; // form indices per list, in match order
    std::vector<std::uint16_t> m_listOf;             // UTF-16 unit -> list (0 = none) of forms it can end
    std::vector<char16_t> m_partner;                 // UTF-16 unit -> the small letter it stands for, or 0
};

// Convenience over CTypingConverter.
std::u16string ConvertToCyrillic(const CCharTable& table, std::u16string_view typed);
