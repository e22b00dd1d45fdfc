#include "Mojibake.h"

#include "CodePage.h"
#include "RussianText.h"
#include "TextEncoding.h"
#include "Utf8.h"

#include <algorithm>
#include <array>
#include <climits>
#include <memory>

namespace {

// The code pages text was wrongly read with, and what its bytes really were.
enum EReading { kWestern, k1251, kKoi8r, k866, kReadingCount }; // Western: Windows-1252 or Latin-1
enum EOrigin { kUtf8, kOrigin1251, kOriginKoi8r, kOrigin866 };

const char16_t* ForwardTable(int reading) {
    static const char16_t* const tables[kReadingCount] = {kCp1252ToUnicode, kCp1251ToUnicode, kKoi8rToUnicode,
                                                          kCp866ToUnicode};
    return tables[reading];
}

// Character -> byte of a reading; 0 when the reading has no such character. The Western reading
// takes the C1 controls as Latin-1 does, beside the signs Windows-1252 keeps at 80..9F.
class CReverse {
public:
    CReverse() {
        for (int r = 0; r < kReadingCount; ++r) {
            m_bytes[r] = std::make_unique<std::array<unsigned char, 0x10000>>();
            m_bytes[r]->fill(0);
            for (unsigned b = 0x80; b < 0x100; ++b)
                (*m_bytes[r])[ForwardTable(r)[b]] = static_cast<unsigned char>(b);
        }
        for (unsigned b = 0x80; b < 0xA0; ++b)
            (*m_bytes[kWestern])[b] = static_cast<unsigned char>(b);
    }
    unsigned char Byte(int reading, char16_t c) const { return (*m_bytes[reading])[c]; }

private:
    std::unique_ptr<std::array<unsigned char, 0x10000>> m_bytes[kReadingCount];
};

const CReverse& Reverse() {
    static const CReverse reverse;
    return reverse;
}

struct STransform {
    int reading;
    int origin;
    bool Strong() const { return origin == kUtf8; } // valid UTF-8 is strong evidence by itself
};

// A code point that text holds: not a control (tab aside), not private use, not a noncharacter,
// not in the planes that have nothing assigned (4 to 13) or only tags and private use (14 to 16).
bool IsAssignedText(char32_t c) {
    if (c < 0x20)
        return c == u'\t';
    if (c >= 0x7F && c < 0xA0)
        return false;
    if ((c >= 0xE000 && c < 0xF900) || (c >= 0xFDD0 && c < 0xFDF0) || (c & 0xFFFE) == 0xFFFE)
        return false;
    if (c >= 0xD800 && c < 0xE000)
        return false; // an unpaired surrogate
    if (c >= 0x30000)
        return c < 0x31350 || (c >= 0xE0000 && c < 0xE01F0); // CJK extension G; tags, selectors
    return true;
}

// What UTF-8 read with a Cyrillic code page was written in: Cyrillic letters, the punctuation and
// signs of text (general punctuation to arrows, enclosed numbers, symbols, dingbats, pictographs); no letters
// of other scripts, which the wrong readings of clean Cyrillic text would invent (Ukrainian "Ні" is Greek
// U+0373, "её" in KOI8-R is "ţ").
bool IsCyrillicText(char32_t c) {
    return c < 0xC0 || c == 0xD7 || c == 0xF7 || (c >= 0x0300 && c < 0x0370) || IsCyrillicLetter(c) ||
           (c >= 0x2000 && c < 0x2200) || (c >= 0x2460 && c < 0x2500) || (c >= 0x2600 && c < 0x27C0) ||
           (c >= 0x1F300 && c < 0x1FB00);
}

// What a right reading gives. From 8-bit Russian text: Cyrillic letters for letters, and signs
// that are no letters of another script, no box drawing and no controls; punctuation only
// between words. From UTF-8: assigned characters of text and no box drawing (read with a
// Cyrillic code page: of European text). `run` is what was read wrongly.
bool IsLikelyResult(STransform t, std::u16string_view run, std::u16string_view decoded) {
    if (!t.Strong()) {
        for (std::size_t i = 0; i < decoded.size(); ++i) {
            const char16_t c = decoded[i];
            // Russian letters, and from Windows-1251 the Ukrainian ones; the other letters these
            // code pages hold are what wrong readings of clean text invent ("Ђаз", "Ў'уд").
            if (IsRussianLetter(c) ||
                (t.origin == kOrigin1251 && (c == 0x0404 || c == 0x0406 || c == 0x0407 || c == 0x0454 ||
                                             c == 0x0456 || c == 0x0457 || c == 0x0490 || c == 0x0491)))
                continue;
            // A wrong 8-bit reading never turns a letter into a sign, so a repair that would is
            // no repair; nor does Russian text hold signs inside words.
            const bool between = i > 0 && i + 1 < decoded.size() && IsCyrillicLetter(decoded[i - 1]) &&
                                 IsCyrillicLetter(decoded[i + 1]);
            if (between || IsCyrillicOrLatinLetter(run[i]) || IsCyrillicOrLatinLetter(c) || c < 0xA0 ||
                (c >= 0x2500 && c < 0x2600) || (c >= 0x0370 && c < 0x2000))
                return false;
        }
        return true;
    }
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        char32_t c = decoded[i];
        if ((c & 0xFC00) == 0xD800 && i + 1 < decoded.size() && (decoded[i + 1] & 0xFC00) == 0xDC00)
            c = 0x10000 + ((c - 0xD800) << 10) + (decoded[++i] - 0xDC00);
        if (!IsAssignedText(c) || (c >= 0x2500 && c < 0x2600) ||
            (t.reading != kWestern && !IsCyrillicText(c)))
            return false;
    }
    return true;
}

// The line with every run of non-ASCII characters read back through the transform; false when
// no run changed (for the weak transforms: no word of two letters or more). A run the reading
// cannot hold, or whose bytes are no likely text of the origin, stays. Runs beside Latin letters
// are read back too: Russian text holds Latin look-alikes ("нpавится"), and a Western word read
// back comes out of mixed script, which the score rejects. Every run read back turns into the
// same bytes again (the repair is reversible); a `between` layer of two needs nothing more.
bool Apply(STransform t, std::u16string_view line, std::u16string& out, bool between = false) {
    const CReverse& reverse = Reverse();
    out.clear();
    out.reserve(line.size());
    bool changed = false;
    std::string bytes;
    std::u16string decoded;
    for (std::size_t i = 0; i < line.size();) {
        if (line[i] < 0x80) {
            out += line[i++];
            continue;
        }
        std::size_t end = i;
        while (end < line.size() && line[end] >= 0x80)
            ++end;
        const std::u16string_view run = line.substr(i, end - i);
        bool ok = true;
        bytes.clear();
        for (std::size_t k = 0; ok && k < run.size(); ++k) {
            const unsigned char b = reverse.Byte(t.reading, run[k]);
            ok = b != 0;
            bytes += static_cast<char>(b);
        }
        const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
        if (ok && t.Strong()) {
            ok = Utf8ToUtf16Checked(data, bytes.size(), decoded);
        } else if (ok) {
            const unsigned page = t.origin == kOrigin1251    ? kCodePage1251
                                  : t.origin == kOriginKoi8r ? kCodePageKoi8r
                                                             : kCodePage866;
            decoded = DecodeWithCodePage(page, data, bytes.size());
            ok = EncodeWithCodePage(page, decoded) == bytes;
        }
        ok = ok && (between || IsLikelyResult(t, run, decoded));
        // A line read wrongly is read wrongly all through: a weak reading that leaves part of the
        // line as it was is no repair of the line.
        if (!ok && !t.Strong() && !between)
            return false;
        if (ok && decoded != run) {
            out += decoded;
            changed = changed || t.Strong() || decoded.size() >= 2;
        } else {
            out += run;
        }
        i = end;
    }
    return changed;
}

// Every wrong reading worth trying: UTF-8 read with any of the four, and each 8-bit Cyrillic code
// page read with any other 8-bit one.
std::array<STransform, 13> Transforms() {
    std::array<STransform, 13> all{};
    std::size_t n = 0;
    for (int reading = 0; reading < kReadingCount; ++reading)
        all[n++] = {reading, kUtf8};
    for (int reading = 0; reading < kReadingCount; ++reading) {
        for (int origin = kOrigin1251; origin <= kOrigin866; ++origin) {
            if (origin != reading) // EOrigin 1..3 and EReading 1..3 name the same code pages
                all[n++] = {reading, origin};
        }
    }
    return all;
}

// C1 controls are never text: they are the punctuation of the Windows code pages read as Latin-1
// (U+0095 is the bullet). Only the signs that Windows-1251 and Windows-1252 share are taken back;
// U+0085 stays, a line separator of its own.
char16_t WindowsSign(char16_t c) {
    switch (c) {
    case 0x82:
    case 0x84:
    case 0x86:
    case 0x87:
    case 0x89:
    case 0x8B:
    case 0x91:
    case 0x92:
    case 0x93:
    case 0x94:
    case 0x95:
    case 0x96:
    case 0x97:
    case 0x99:
    case 0x9B:
        return kCp1252ToUnicode[c];
    default:
        return c;
    }
}

// A sign stuck to a word where text has none: not a blank, not a quote or dash on its side of the
// word. CP866 read as Windows-1251 scatters such signs through words ("Є«Ґй" is "клещ").
bool StuckSign(char16_t c, bool before) {
    if (c < 0x80 || c == 0x00A0 || c == 0x2013 || c == 0x2014 || IsCyrillicOrLatinLetter(c))
        return false;
    return std::u16string_view(before ? u"«„“‘" : u"»“”’…").find(c) == std::u16string_view::npos;
}

// Every Cyrillic word of the line in capitals of up to five letters, the first letter in either
// case ("мРНК"), or of one letter ("и"), and no sign stuck to any.
bool OnlyAbbreviations(std::u16string_view s) {
    return EveryCyrillicWord(s, [s](std::u16string_view w) {
        const std::size_t at = static_cast<std::size_t>(w.data() - s.data());
        const std::size_t end = at + w.size();
        const bool lower = std::any_of(w.begin() + 1, w.end(), IsCyrillicLower);
        if (w.size() > 1 && (lower || w.size() > (IsCyrillicLower(w[0]) ? 4u : 5u)))
            return false;
        return !(at > 0 && StuckSign(s[at - 1], true)) && !(end < s.size() && StuckSign(s[end], false));
    });
}

int CountCyrillic(std::u16string_view s) {
    return static_cast<int>(std::count_if(s.begin(), s.end(), IsCyrillicLetter));
}

// Letters in Cyrillic words of two letters or more: one-letter words ("р" against "а") prove
// nothing. `swappedCase` tells whether a word of three letters or more is a small letter followed
// by capitals, the shape swapped 8-bit readings give a capitalised word ("иВШМ"): no repair's.
int LettersInWords(std::u16string_view s, bool& swappedCase) {
    int letters = 0;
    swappedCase = false;
    EveryCyrillicWord(s, [&](std::u16string_view w) {
        if (w.size() >= 2)
            letters += static_cast<int>(w.size());
        if (w.size() >= 3 && IsCyrillicLower(w[0]) && std::none_of(w.begin() + 1, w.end(), IsCyrillicLower))
            swappedCase = true;
        return true;
    });
    return letters;
}

// One pass over a line: the reading that makes it much more plausible, or the line itself.
std::u16string RepairOnce(std::u16string_view line) {
    std::u16string best(line);
    for (char16_t& c : best)
        c = WindowsSign(c);
    if (std::all_of(line.begin(), line.end(), [](char16_t c) { return c < 0x80; }))
        return best;
    const std::u16string plain = best;
    static const std::array<STransform, 13> transforms = Transforms();
    const int original = TextPlausibility(line);
    // Capitals are taken as no proof of words only beside words that are no abbreviations: a
    // line of abbreviations ("ООО РФ") is what it seems.
    const bool abbreviations = OnlyAbbreviations(line);
    const int doubted = abbreviations ? original : TextPlausibility(line, true);
    // Russian letters read wrongly as other Russian letters must gain in proportion: a line of
    // such letters gains about six points a letter when it was damaged, and only a short line of
    // odd words gains a little by chance.
    const int weakMargin = std::max<int>(8, 4 * CountCyrillic(line));
    int bestScore = doubted;
    bool strongFound = false;
    // A line in capitals is abbreviations, or lower-case words that a swapped 8-bit reading turned
    // into capitals ("ОЕ ИПФЙН." is "не хотим." read as KOI8-R). It is read back when the reading
    // in lower case has the shape of words and scores far above the line read as abbreviations,
    // over four letters or more, and no other such reading comes near it.
    constexpr int kCapitalsMargin = 20;
    const bool capitals = IsCapitalsLine(line) && CountCyrillic(line) >= 4;
    const int asAbbreviations = capitals ? CapitalsAsAbbreviations(line) : 0;
    int lowerFirst = INT_MIN, lowerSecond = INT_MIN; // the two best readings that have that shape
    bool bestFromCapitals = false;
    auto consider = [&](const std::u16string& candidate, STransform t) {
        const int score = TextPlausibility(candidate, !t.Strong() || !abbreviations);
        const bool lowerWords =
            capitals && !t.Strong() && t.reading != kWestern && IsLowerCaseWordShape(candidate);
        if (lowerWords) {
            lowerSecond = std::max(lowerSecond, std::min(lowerFirst, score));
            lowerFirst = std::max(lowerFirst, score);
        }
        if (score <= bestScore)
            return;
        bool fromCapitals = false;
        if (t.Strong()) {
            // Valid UTF-8 is evidence of its own: a small gain is enough, but no gain is no proof.
            // The capitals that UTF-8 read as Windows-1251 makes ("РЎРІ") are no proof either.
            if (score < doubted + 4)
                return;
            strongFound = true;
        } else {
            // A reading that swaps letters for letters must beat the repair to UTF-8 by its
            // margin, or else the line with its capitals taken as no proof: the readings that swap
            // KOI8-R and Windows-1251 make lines of them. From Cyrillic letters it proves itself
            // only over a few letters ("дБ" is a unit), from text that reads as salad to text that
            // reads as words (half a point a letter), or from mixed case ("хПМФ хЙФНЕО") to
            // names. From Western letters ("Ïðèâåò"), which keep their case, to words that lose
            // little (rare names and words: "Ãåéãåð" is "Гейгер"), over three letters or more
            // ("çà" is French).
            const int cyrillic = CountCyrillic(candidate);
            bool swappedCase = false;
            const int inWords = LettersInWords(candidate, swappedCase);
            const bool words = 2 * score >= cyrillic || (doubted <= -6 * cyrillic && score >= 0);
            if (swappedCase)
                return;
            if (score < (strongFound ? bestScore : doubted) + weakMargin ||
                (t.reading == kWestern ? score < -3 || cyrillic < 3
                                       : inWords < 4 || doubted >= cyrillic || !words)) {
                fromCapitals = lowerWords && !strongFound && score >= asAbbreviations + kCapitalsMargin;
                if (!fromCapitals)
                    return;
            }
        }
        bestScore = score;
        bestFromCapitals = fromCapitals;
        best = candidate;
        for (char16_t& c : best)
            c = WindowsSign(c);
    };
    std::u16string once, twice;
    for (const STransform& first : transforms) {
        if (Apply(first, line, once))
            consider(once, first);
        // Two layers deep: UTF-8 read wrongly, written as UTF-8 and read wrongly again. The
        // layer between may hold anything (box drawing, when KOI8-R or CP866 was inside).
        if (!first.Strong() || !Apply(first, line, once, true))
            continue;
        for (int reading = 0; reading < kReadingCount; ++reading) {
            if (Apply({reading, kUtf8}, once, twice))
                consider(twice, {reading, kUtf8});
        }
    }
    if (bestFromCapitals && lowerSecond > bestScore - kCapitalsMargin / 2)
        return plain; // two readings of the capitals are words: no clear case
    return best;
}

} // namespace

std::u16string RepairMojibakeLine(std::u16string_view line) {
    // A repair that another pass would change again is no clear case: the line stays as it was.
    // So a repaired line stays as it is when repaired again.
    std::u16string repaired = RepairOnce(line);
    if (repaired == line || RepairOnce(repaired) != repaired)
        return std::u16string(line);
    return repaired;
}

std::u16string RepairMojibake(std::u16string_view text, std::size_t* repairedLines) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t repaired = 0;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(u'\n'), text.size());
        const std::u16string_view line = text.substr(0, end);
        const std::u16string fixed = RepairMojibakeLine(line);
        repaired += fixed != line;
        out += fixed;
        if (end < text.size())
            out += u'\n';
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    if (repairedLines != nullptr)
        *repairedLines = repaired;
    return out;
}
