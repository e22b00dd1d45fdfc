// How Cyrillic text is written in Latin letters: with the first keys of the user's own table
// (CCharTable), or with one of the standard spellings (passports, library catalogues, maps,
// ISO 9). Every caller of the to-Latin direction takes an ILatinSpelling, so it writes whichever
// the user chose. Typing is not affected: it always uses the table.
#pragma once

#include <string>
#include <string_view>

class ILatinSpelling {
public:
    virtual ~ILatinSpelling() = default;

    // Replaces the text by its Latin spelling; false, with the text untouched, when it is empty.
    virtual bool ToLatin(std::u16string& text) const = 0;
    // Appends the spelling of a piece of a longer text to `out`. `before` and `after` are the
    // characters just outside the piece (0 at the ends of the text): the standard spellings look
    // at the neighbouring letters, so pieces spelled this way join up to the spelling of the whole.
    virtual void AppendLatin(std::u16string_view piece, char16_t before, char16_t after,
                             std::u16string& out) const = 0;
    // The first Russian letter of the text this spelling has nothing for, so ToLatin would drop it;
    // 0 when none. A standard spelling has one for every letter; the user's table may lack keys.
    virtual char16_t LetterWithoutKey(std::u16string_view /*text*/) const { return 0; }
    // How a journal's header names the spelling a run wrote with: the table's stored form, or
    // the scheme's command-line name.
    virtual std::u16string Describe() const = 0;
};

// The choices, in the order the settings store and the menus number them.
enum class ELatinScheme { kKeys = 0, kIcao = 1, kGost = 2, kBgn = 3, kIso9 = 4 };
inline constexpr int kLatinSchemeCount = 5;

class CCharTable;

// The table itself for kKeys, else the scheme's one shared instance.
const ILatinSpelling& LatinSpelling(const CCharTable& table, ELatinScheme scheme);

// The command line's names: keys, icao, gost, bgn, iso9. False for any other name.
bool LatinSchemeFromName(std::string_view name, ELatinScheme& scheme);
// A stored number as a scheme; anything out of range is the user's keys.
ELatinScheme LatinSchemeFromNumber(int number);
