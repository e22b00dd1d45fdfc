// How Cyrillic text is written in Latin letters: with the first keys of the user's own table
// (CCharTable), or with one of the standard spellings (passports, library catalogues, maps,
// ISO 9). Every caller of the to-Latin direction takes an ILatinSpelling, so it writes whichever
// the user chose. Typing is not affected: it always uses the table.
#pragma once

#include <array>
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

// Everything the other layers name a spelling by. A new spelling is one more line here (and its
// letters below, its display name in the resource modules); the command line's parsing and help,
// the combo boxes and the Toolkit menu follow this table, and a test holds the manual page, the
// completion and the guides to it. The ids lie in ranges ResourceIds.h reserves for spellings.
struct SLatinSchemeInfo {
    ELatinScheme scheme;
    std::string_view cliName;     // --scheme's value and a journal's name of the spelling
    int nameString;               // the resource string of its display name
    int menuCommand;              // its item of the Toolkit panel's menu
    std::string_view description; // what --help says of it
};
inline constexpr std::array<SLatinSchemeInfo, kLatinSchemeCount> kLatinSchemes = {{
    {ELatinScheme::kKeys, "keys", 3100, 33900, "the first key of each letter, the default"},
    {ELatinScheme::kIcao, "icao", 3101, 33901, "passports"},
    {ELatinScheme::kGost, "gost", 3102, 33902, "GOST 7.79-2000 B"},
    {ELatinScheme::kBgn, "bgn", 3103, 33903, "BGN/PCGN 1947"},
    {ELatinScheme::kIso9, "iso9", 3104, 33904, "ISO 9:1995"},
}};

constexpr const SLatinSchemeInfo& LatinSchemeInfo(ELatinScheme scheme) {
    return kLatinSchemes[std::size_t(scheme)];
}

class CCharTable;

// The table itself for kKeys, else the scheme's one shared instance.
const ILatinSpelling& LatinSpelling(const CCharTable& table, ELatinScheme scheme);

// A scheme by its command-line name (the table's cliName). False for any other name.
bool LatinSchemeFromName(std::string_view name, ELatinScheme& scheme);
// A stored number as a scheme; anything out of range is the user's keys.
ELatinScheme LatinSchemeFromNumber(int number);
