// The standard Latin spellings: a spelling per letter, and the two rules that look at the
// neighbouring letters (BGN/PCGN's "ye" at the start of a word and after a vowel, GOST's "c"
// before the front vowels), plus the capitals rule every scheme shares.
#include "LatinSpelling.h"

#include "CCharTable.h"
#include "RussianText.h"
#include "UnicodeText.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace {

// The letters in the table's row order; the spellings below follow it.
constexpr std::u16string_view kLetters = u"абвгдеёжзийклмнопрстуфхцчшщъыьэюя";
constexpr int kLetterCount = 33;

enum class ERule {
    kNone,
    kIotated,   // the rule's letters take their other spelling at a word's start and after these
    kSoftBefore // the rule's letters take their other spelling before these
};
constexpr std::u16string_view kIotatedAfter = u"аеёиоуыэюяйъь";
constexpr std::u16string_view kSoftBefore = u"иеэыйёюя";

struct SSchemeData {
    std::array<const char16_t*, kLetterCount> spellings;
    ERule rule;
    std::u16string_view ruleLetters;
    std::array<const char16_t*, 2> ruleSpellings; // for ruleLetters, where the rule holds
};

// clang-format off
constexpr SSchemeData kIcao = {
    {u"a", u"b", u"v", u"g", u"d", u"e", u"e", u"zh", u"z", u"i", u"i", u"k", u"l", u"m", u"n", u"o", u"p",
     u"r", u"s", u"t", u"u", u"f", u"kh", u"ts", u"ch", u"sh", u"shch", u"ie", u"y", u"", u"e", u"iu", u"ia"},
    ERule::kNone, u"", {}};
constexpr SSchemeData kGost = {
    {u"a", u"b", u"v", u"g", u"d", u"e", u"yo", u"zh", u"z", u"i", u"j", u"k", u"l", u"m", u"n", u"o", u"p",
     u"r", u"s", u"t", u"u", u"f", u"x", u"cz", u"ch", u"sh", u"shh", u"``", u"y`", u"`", u"e`", u"yu", u"ya"},
    ERule::kSoftBefore, u"ц", {u"c", nullptr}};
constexpr SSchemeData kBgn = {
    {u"a", u"b", u"v", u"g", u"d", u"e", u"ë", u"zh", u"z", u"i", u"y", u"k", u"l", u"m", u"n", u"o", u"p",
     u"r", u"s", u"t", u"u", u"f", u"kh", u"ts", u"ch", u"sh", u"shch", u"\u201D", u"y", u"\u2019", u"e", u"yu",
     u"ya"},
    ERule::kIotated, u"её", {u"ye", u"yë"}};
constexpr SSchemeData kIso9 = {
    {u"a", u"b", u"v", u"g", u"d", u"e", u"ë", u"ž", u"z", u"i", u"j", u"k", u"l", u"m", u"n", u"o", u"p",
     u"r", u"s", u"t", u"u", u"f", u"h", u"c", u"č", u"š", u"ŝ", u"\u02BA", u"y", u"\u02B9", u"è", u"û", u"â"},
    ERule::kNone, u"", {}};
// clang-format on

// The Russian letters are all in U+0400..U+045F; everything else passes unchanged.
constexpr char16_t kBlockStart = 0x400;
constexpr std::size_t kBlockSize = 0x60;
constexpr std::size_t kMaxSpelling = 4;

class CLatinScheme final : public ILatinSpelling {
public:
    CLatinScheme(const SSchemeData& data, ELatinScheme scheme);

    bool ToLatin(std::u16string& text) const override;
    void AppendLatin(std::u16string_view piece, char16_t before, char16_t after,
                     std::u16string& out) const override;
    std::u16string Describe() const override { return m_name; }

private:
    // What a unit of the Cyrillic block becomes when it needs no look at its neighbours, else
    // kContext; `units` is copied whole, so the common case is one fixed-size move.
    struct SOut {
        char16_t units[kMaxSpelling];
        std::uint32_t length;
    };
    static constexpr std::uint32_t kContext = 0xFFFFFFFF;

    char16_t* SpellInContext(char16_t c, char16_t previous, char16_t next, char16_t* out) const;

    const SSchemeData& m_data;
    std::u16string m_name;
    std::array<std::u16string, kLetterCount> m_spelling;
    std::array<std::u16string, 2> m_ruleSpelling;
    std::array<SOut, kBlockSize> m_out;
    std::size_t m_maxLength = 1;
};

CLatinScheme::CLatinScheme(const SSchemeData& data, ELatinScheme scheme)
    : m_data(data), m_name(LatinSchemeInfo(scheme).cliName.begin(), LatinSchemeInfo(scheme).cliName.end()) {
    for (int i = 0; i < kLetterCount; ++i) {
        m_spelling[i] = data.spellings[i];
        m_maxLength = std::max(m_maxLength, m_spelling[i].size());
    }
    for (std::size_t i = 0; i < data.ruleLetters.size(); ++i) {
        m_ruleSpelling[i] = data.ruleSpellings[i];
        m_maxLength = std::max(m_maxLength, m_ruleSpelling[i].size());
    }
    for (std::size_t k = 0; k < kBlockSize; ++k) {
        const char16_t c = char16_t(kBlockStart + k);
        SOut& entry = m_out[k];
        entry = SOut{{c}, 1};
        if (!IsRussianLetter(c))
            continue;
        const char16_t small = RussianSmallLetter(c);
        const std::u16string& spelling = m_spelling[kLetters.find(small)];
        const bool ruled = data.ruleLetters.find(small) != std::u16string_view::npos;
        const bool capital = c != small;
        if (ruled || (capital && spelling.size() > 1)) {
            entry.length = kContext;
            continue;
        }
        const std::u16string written = capital ? UpperCase(spelling) : spelling;
        std::copy(written.begin(), written.end(), entry.units);
        entry.length = std::uint32_t(written.size());
    }
}

char16_t* CLatinScheme::SpellInContext(char16_t c, char16_t previous, char16_t next, char16_t* out) const {
    const char16_t small = RussianSmallLetter(c);
    const std::u16string* spelling = &m_spelling[kLetters.find(small)];
    if (const std::size_t ruled = m_data.ruleLetters.find(small); ruled != std::u16string_view::npos) {
        const bool holds =
            m_data.rule == ERule::kIotated
                ? !IsRussianLetter(previous) ||
                      kIotatedAfter.find(RussianSmallLetter(previous)) != std::u16string_view::npos
                : kSoftBefore.find(RussianSmallLetter(next)) != std::u16string_view::npos;
        if (holds)
            spelling = &m_ruleSpelling[ruled];
    }
    if (c == small || spelling->empty())
        return std::copy(spelling->begin(), spelling->end(), out);
    // A capital is written all in capitals inside a word in capitals, else only its first letter:
    // the next letter decides, and at the end of a word the one before.
    const bool allCapitals = IsRussianLetter(next) ? IsRussianCapital(next)
                                                   : IsRussianLetter(previous) && IsRussianCapital(previous);
    *out++ = UpperCase(spelling->front());
    for (auto it = spelling->begin() + 1; it != spelling->end(); ++it)
        *out++ = allCapitals ? UpperCase(*it) : *it;
    return out;
}

void CLatinScheme::AppendLatin(std::u16string_view piece, char16_t before, char16_t after,
                               std::u16string& out) const {
    // In stretches, so the room reserved for the longest spellings stays small.
    constexpr std::size_t kStretch = 1 << 14;
    for (std::size_t start = 0; start < piece.size(); start += kStretch) {
        const std::size_t end = std::min(piece.size(), start + kStretch);
        const std::size_t written = out.size();
        out.resize(written + (end - start) * m_maxLength + kMaxSpelling);
        char16_t* o = out.data() + written;
        for (std::size_t i = start; i < end; ++i) {
            const char16_t c = piece[i];
            const std::size_t k = std::size_t(c) - kBlockStart;
            if (k >= kBlockSize) {
                *o++ = c;
                continue;
            }
            const SOut& entry = m_out[k];
            if (entry.length != kContext) {
                std::memcpy(o, entry.units, sizeof entry.units);
                o += entry.length;
                continue;
            }
            const char16_t previous = i > 0 ? piece[i - 1] : before;
            const char16_t next = i + 1 < piece.size() ? piece[i + 1] : after;
            o = SpellInContext(c, previous, next, o);
        }
        out.resize(std::size_t(o - out.data()));
    }
}

bool CLatinScheme::ToLatin(std::u16string& text) const {
    if (text.empty())
        return false;
    std::u16string result;
    AppendLatin(text, 0, 0, result);
    text = std::move(result);
    return true;
}

} // namespace

// Settings and menus store a scheme by its place in the table.
static_assert([] {
    for (int i = 0; i < kLatinSchemeCount; ++i) {
        if (int(kLatinSchemes[std::size_t(i)].scheme) != i)
            return false;
    }
    return true;
}());

const ILatinSpelling& LatinSpelling(const CCharTable& table, ELatinScheme scheme) {
    static const CLatinScheme icao(kIcao, ELatinScheme::kIcao), gost(kGost, ELatinScheme::kGost),
        bgn(kBgn, ELatinScheme::kBgn), iso9(kIso9, ELatinScheme::kIso9);
    switch (scheme) {
    case ELatinScheme::kIcao:
        return icao;
    case ELatinScheme::kGost:
        return gost;
    case ELatinScheme::kBgn:
        return bgn;
    case ELatinScheme::kIso9:
        return iso9;
    case ELatinScheme::kKeys:
        break;
    }
    return table;
}

bool LatinSchemeFromName(std::string_view name, ELatinScheme& scheme) {
    const auto it = std::find_if(kLatinSchemes.begin(), kLatinSchemes.end(),
                                 [name](const SLatinSchemeInfo& info) { return info.cliName == name; });
    if (it == kLatinSchemes.end())
        return false;
    scheme = it->scheme;
    return true;
}

ELatinScheme LatinSchemeFromNumber(int number) {
    return number >= 0 && number < kLatinSchemeCount ? ELatinScheme(number) : ELatinScheme::kKeys;
}
