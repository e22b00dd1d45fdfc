#include "RussianText.h"

#include "RussianPairs.h"

#include <algorithm>
#include <string>

bool IsRussianLetter(char16_t c) {
    return (c >= 0x0410 && c <= 0x044F) || c == 0x0401 || c == 0x0451;
}

bool IsRussianCapital(char16_t c) {
    return (c >= 0x0410 && c <= 0x042F) || c == 0x0401;
}

bool IsRussianSmall(char16_t c) {
    return (c >= 0x0430 && c <= 0x044F) || c == 0x0451;
}

char16_t RussianSmallLetter(char16_t c) {
    return c == 0x0401 ? char16_t(0x0451) : IsRussianCapital(c) ? char16_t(c + 0x20) : c;
}

bool IsInCyrillicBlock(char16_t c) {
    return c >= 0x0400 && c <= 0x04FF;
}

bool IsCyrillicLetter(char16_t c) {
    // U+040D and U+045D (accented И) are letters too; only the Cyrillic block's signs are not.
    return (c >= 0x0400 && c <= 0x045F) || c == 0x0490 || c == 0x0491;
}

bool IsCyrillicLower(char16_t c) {
    return (c >= 0x0430 && c <= 0x045F) || c == 0x0491;
}

bool IsLatinLetter(char16_t c) {
    return IsAsciiLetter(c) || (c >= 0xC0 && c < 0x250 && c != 0xD7 && c != 0xF7);
}

bool IsAsciiLetter(char16_t c) {
    return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
}

bool IsCyrillicOrLatinLetter(char16_t c) {
    return IsLatinLetter(c) || IsCyrillicLetter(c);
}

bool IsTextPunctuation(char16_t c) {
    switch (c) {
    case 0x00A0:
    case 0x00AB:
    case 0x00BB:
    case 0x00B7:
    case 0x00B0:
    case 0x2013:
    case 0x2014:
    case 0x2026:
    case 0x2116:
    case 0x201C:
    case 0x201D:
    case 0x201E:
    case 0x2018:
    case 0x2019:
        return true;
    default:
        return false;
    }
}

int RussianLetterIndex(char16_t c) {
    if (IsRussianLetter(c))
        return c == 0x0401 || c == 0x0451 ? 5 : (c >= 0x0430 ? c - 0x0430 : c - 0x0410) & 0x1F;
    constexpr int kG = 3, kE = 5, kZh = 6, kZ = 7, kI = 8, kK = 10, kL = 11, kN = 13, kU = 19, kCh = 23;
    switch (c | 0x50) { // the capitals 0400..040F have their small letters at 0450..045F
    case 0x0450:        // ѐ
    case 0x0454:        // є
        return kE;
    case 0x0452: // ђ
    case 0x045B: // ћ
        return kCh;
    case 0x0453: // ѓ
        return kG;
    case 0x0455: // ѕ
        return kZ;
    case 0x0456: // і
    case 0x0457: // ї
    case 0x045D: // ѝ
        return kI;
    case 0x0458: // ј: a glide before vowels, as и
        return kI;
    case 0x0459: // љ
        return kL;
    case 0x045A: // њ
        return kN;
    case 0x045C: // ќ
        return kK;
    case 0x045E: // ў
        return kU;
    case 0x045F: // џ
        return kZh;
    default:
        break;
    }
    return c == 0x0490 || c == 0x0491 ? kG : -1;
}

int RussianPairScore(std::u16string_view word) {
    constexpr unsigned kEdge = 32;
    unsigned previous = kEdge;
    int score = 0;
    for (const char16_t c : word) {
        // Ukrainian ї sounds as й and и: it follows vowels and the apostrophe, not consonants.
        if (c == 0x0457 || c == 0x0407) {
            score += kRussianPairScores[33 * previous + 9];
            previous = 9;
        }
        const int index = RussianLetterIndex(c);
        const unsigned letter = index < 0 ? kEdge : static_cast<unsigned>(index);
        score += kRussianPairScores[33 * previous + letter];
        previous = letter;
    }
    return score + kRussianPairScores[33 * previous + kEdge];
}

int RussianWordScore(std::u16string_view word, bool doubtCapitals) {
    if (word.empty())
        return 0;
    bool upperAfterFirst = false, lowerAfterFirst = false;
    for (std::size_t i = 1; i < word.size(); ++i)
        (IsCyrillicLower(word[i]) ? lowerAfterFirst : upperAfterFirst) = true;
    const int length = static_cast<int>(word.size());
    if (upperAfterFirst && (lowerAfterFirst || IsCyrillicLower(word[0]))) {
        // Units and terms are written so ("дБ", "мА", "мРНК"), and score as abbreviations;
        // longer words are not.
        if (length <= 4 && !lowerAfterFirst)
            return doubtCapitals ? std::min(RussianPairScore(word), 0)
                                 : std::max(RussianPairScore(word), length);
        return -12 * length; // as bad as the rarest pairs
    }
    if (word.size() == 1) // the one-letter words of Russian: little proof either way
        return std::u16string_view(u"авиксоуяАВИКСОУЯ").find(word[0]) != std::u16string_view::npos ? 1
               : doubtCapitals                                                                     ? -4
                                                                                                   : -1;
    const int pairs = RussianPairScore(word);
    // Abbreviations are made of initials, whose pairs are no guide: a point a letter.
    if (upperAfterFirst && length <= 5)
        return doubtCapitals ? std::min(pairs, 0) : std::max(pairs, length);
    // Longer words in capitals are rarer than in lower case, which is what the readings that swap
    // KOI8-R and Windows-1251 make of them.
    return upperAfterFirst ? pairs - (doubtCapitals ? length : length / 2) : pairs;
}

bool IsPlausibleRussianWord(std::u16string_view word) {
    return RussianWordScore(word) >= -static_cast<int>(word.size());
}

namespace {

constexpr std::u16string_view kOneLetterWords = u"авиксоуя";

} // namespace

namespace {

bool SwappedCaseWord(std::u16string_view w) {
    return w.size() >= 2 && IsCyrillicLower(w[0]) && std::none_of(w.begin() + 1, w.end(), IsCyrillicLower);
}

} // namespace

bool IsSwappedCaseText(std::u16string_view text) {
    bool longWord = false;
    return EveryCyrillicWord(text,
                             [&](std::u16string_view w) {
                                 longWord = longWord || (w.size() >= 4 && SwappedCaseWord(w));
                                 return w.size() < 2 || SwappedCaseWord(w);
                             }) &&
           longWord;
}

bool HasSwappedCaseWord(std::u16string_view text) {
    return !EveryCyrillicWord(text, [](std::u16string_view w) { return !SwappedCaseWord(w); });
}

bool IsCapitalsLine(std::u16string_view text) {
    return EveryCyrillicWord(
        text, [](std::u16string_view w) { return std::none_of(w.begin() + 1, w.end(), IsCyrillicLower); });
}

int CapitalsAsAbbreviations(std::u16string_view text) {
    constexpr unsigned kEdge = 32;
    int score = 0;
    EveryCyrillicWord(text, [&score](std::u16string_view w) {
        const int pairs = RussianPairScore(w);
        int initials = 0;
        for (const char16_t c : w) {
            const int index = RussianLetterIndex(c);
            initials += index < 0 ? -12 : kRussianPairScores[33 * kEdge + static_cast<unsigned>(index)];
        }
        score += w.size() == 1 ? 0 : w.size() <= 5 ? std::max(pairs, initials) : pairs;
        return true;
    });
    return score;
}

bool IsLowerCaseWordShape(std::u16string_view text) {
    constexpr std::u16string_view kVowels = u"аеёиоуыэюяіїєАЕЁИОУЫЭЮЯІЇЄ";
    return EveryCyrillicWord(text, [&](std::u16string_view w) {
        if (w.size() == 1)
            return kOneLetterWords.find(w[0]) != std::u16string_view::npos;
        for (std::size_t k = 2; k < w.size(); ++k) {
            if (RussianLetterIndex(w[k]) == RussianLetterIndex(w[k - 1]) &&
                RussianLetterIndex(w[k]) == RussianLetterIndex(w[k - 2]))
                return false;
        }
        return std::any_of(w.begin(), w.end(),
                           [&](char16_t c) { return kVowels.find(c) != std::u16string_view::npos; });
    });
}

namespace {

// Punctuation that sits against words in clean text; not "°", "·" and "№", which the wrong
// readings of UTF-8 leave stuck to letters ("Р°" is "а" read as Windows-1251).
bool IsWordPunctuation(char16_t c) {
    return IsTextPunctuation(c) && c != 0x00B0 && c != 0x00B7 && c != 0x2116;
}

// Russian words typed with Latin look-alikes ("Кpюгеp", "Cтоп"): the word with its Cyrillic
// twins in `word`; false when a Latin letter has none.
bool LatinLookAlikes(std::u16string_view mixed, std::u16string& word) {
    static constexpr std::u16string_view kLatin = u"AaBCcEeHKMOoPpTXxy";
    static constexpr std::u16string_view kCyrillic = u"АаВСсЕеНКМОоРрТХху";
    word.assign(mixed);
    for (char16_t& c : word) {
        if (IsCyrillicLetter(c))
            continue;
        const std::size_t at = kLatin.find(c);
        if (at == std::u16string_view::npos)
            return false;
        c = kCyrillic[at];
    }
    return true;
}

// Box drawing and blocks stuck to other signs ("╨╡") are what UTF-8 read as CP866 or KOI8-R
// leaves; drawings have them side by side too, but no repair makes words of them.
bool IsDrawing(char16_t c) {
    return c >= 0x2500 && c < 0x25A0;
}

} // namespace

int TextPlausibility(std::u16string_view s, bool doubtCapitals) {
    int score = 0;
    std::u16string word;
    for (std::size_t i = 0; i < s.size();) {
        const char16_t c = s[i];
        if (IsCyrillicOrLatinLetter(c)) {
            std::size_t end = i;
            bool cyrillic = false, latin = false, ascii = false;
            for (; end < s.size() && IsCyrillicOrLatinLetter(s[end]); ++end) {
                (IsCyrillicLetter(s[end]) ? cyrillic : latin) = true;
                ascii = ascii || IsAsciiLetter(s[end]);
            }
            const int length = static_cast<int>(end - i);
            if (cyrillic && latin && LatinLookAlikes(s.substr(i, end - i), word))
                score += RussianWordScore(word, doubtCapitals);
            else if (cyrillic && latin)
                score -= 4 * length;
            else if (cyrillic)
                score += RussianWordScore(s.substr(i, end - i), doubtCapitals);
            else if (!ascii && length >= 2)
                score -= 3 * length; // accented letters only: Windows-1251 read as Western ("Ëåö")
            i = end;
            continue;
        }
        if (c >= 0x80 && !IsWordPunctuation(c)) {
            // A sign inside a word-like token (no blank or ASCII punctuation between it and a
            // letter) is what wrong readings leave; standing alone ("©", "½") it is fine.
            bool stuck = c < 0xA0 || c == 0xFFFD;
            for (std::size_t k = i; !stuck && k > 0 && s[k - 1] >= 0x80; --k)
                stuck = IsCyrillicOrLatinLetter(s[k - 1]);
            for (std::size_t k = i + 1; !stuck && k < s.size() && (s[k] >= 0x80 || IsAsciiLetter(s[k])); ++k)
                stuck = IsCyrillicOrLatinLetter(s[k]);
            stuck = stuck || (i > 0 && IsAsciiLetter(s[i - 1])) ||
                    (IsDrawing(c) && i + 1 < s.size() && s[i + 1] >= 0x80 && !IsDrawing(s[i + 1]));
            if (stuck)
                score -= 6;
        }
        ++i;
    }
    return score;
}

namespace {

bool IsOtherAllowed(char16_t c) {
    if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'))
        return true;
    // Blanks and the punctuation of ordinary Russian and Latin text.
    if (c == u' ' || c == u'\t' || (c >= 0x21 && c <= 0x2F) || (c >= 0x3A && c <= 0x40) ||
        (c >= 0x5B && c <= 0x60) || (c >= 0x7B && c <= 0x7E))
        return true;
    return IsTextPunctuation(c);
}

} // namespace

bool IsPlausibleRussian(std::u16string_view text) {
    bool cyrillic = false;
    for (const char16_t c : text) {
        if (IsCyrillicLetter(c))
            cyrillic = true;
        else if (!IsOtherAllowed(c))
            return false;
    }
    return cyrillic;
}
