#include "Mojibake.h"

#include "CodePage.h"
#include "RussianPairs.h"
#include "TextEncoding.h"
#include "Utf8.h"

#include <algorithm>
#include <array>
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

bool IsAsciiLetter(char16_t c) {
    return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
}
bool IsLatinLetter(char16_t c) {
    return IsAsciiLetter(c) || (c >= 0xC0 && c < 0x250 && c != 0xD7 && c != 0xF7);
}
bool IsLetter(char16_t c) {
    return IsLatinLetter(c) || IsRussianLetter(c);
}
// Punctuation that sits against words in clean text; not "°", "·" and "№", which the wrong
// readings of UTF-8 leave stuck to letters ("Р°" is "а" read as Windows-1251).
bool IsWordPunctuation(char16_t c) {
    return IsTextPunctuation(c) && c != 0x00B0 && c != 0x00B7 && c != 0x2116;
}

bool IsLower(char16_t c) {
    return (c >= 0x0430 && c <= 0x044F) || c == 0x0451;
}

// Points for a word of Russian letters: its letter pairs weighed by how often Russian has them,
// so ordinary words gain, rare names lose a little and letter salad loses a lot; mixed case, which
// the readings that swap KOI8-R and Windows-1251 make of every word, loses more.
int WordScore(std::u16string_view word) {
    bool upperAfterFirst = false, lowerAfterFirst = false;
    for (std::size_t i = 1; i < word.size(); ++i)
        (IsLower(word[i]) ? lowerAfterFirst : upperAfterFirst) = true;
    const int length = static_cast<int>(word.size());
    if (upperAfterFirst && (lowerAfterFirst || IsLower(word[0])))
        return -12 * length; // as bad as the rarest pairs
    if (word.size() == 1)    // the one-letter words of Russian: little proof either way
        return std::u16string_view(u"авиксоуяАВИКСОУЯ").find(word[0]) != std::u16string_view::npos ? 1 : -1;
    // Capitals all through are rarer than lower case, which is what the readings swapping KOI8-R
    // and Windows-1251 make of them.
    return RussianPairScore(word) - (upperAfterFirst ? length : 0);
}

// How much a line reads like clean text: Russian words gain, letter salad and signs stuck to
// letters lose, words of other languages are neutral unless made of accented letters only.
int Score(std::u16string_view s) {
    int score = 0;
    for (std::size_t i = 0; i < s.size();) {
        const char16_t c = s[i];
        if (IsLetter(c)) {
            std::size_t end = i;
            bool russian = false, latin = false, ascii = false;
            for (; end < s.size() && IsLetter(s[end]); ++end) {
                (IsRussianLetter(s[end]) ? russian : latin) = true;
                ascii = ascii || IsAsciiLetter(s[end]);
            }
            const int length = static_cast<int>(end - i);
            if (russian && latin)
                score -= 4 * length;
            else if (russian)
                score += WordScore(s.substr(i, end - i));
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
                stuck = IsLetter(s[k - 1]);
            for (std::size_t k = i + 1; !stuck && k < s.size() && (s[k] >= 0x80 || IsAsciiLetter(s[k])); ++k)
                stuck = IsLetter(s[k]);
            stuck = stuck || (i > 0 && IsAsciiLetter(s[i - 1]));
            if (stuck)
                score -= 6;
        }
        ++i;
    }
    return score;
}

// What a right reading gives: for 8-bit Russian text, Russian letters and the punctuation between
// them; for UTF-8, the letters, punctuation and signs of text (anything, read as Western: that is
// how text of every script turns up damaged), but no control or box-drawing characters.
// `run` is what was read wrongly; a weak reading gives one character for each of its characters.
bool IsLikelyResult(STransform t, std::u16string_view run, std::u16string_view decoded) {
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        const char16_t c = decoded[i];
        if (!t.Strong()) {
            // Russian letters, punctuation only between words. A wrong 8-bit reading never turns a
            // letter into a sign, so a repair that would is no repair.
            const bool between = i > 0 && i + 1 < decoded.size() && IsRussianLetter(decoded[i - 1]) &&
                                 IsRussianLetter(decoded[i + 1]);
            if (!IsRussianLetter(c) &&
                (between || (!IsWordPunctuation(c) && c != 0x2116) || (i < run.size() && IsLetter(run[i]))))
                return false;
        } else if ((c >= 0x2500 && c < 0x2600) || (c >= 0xE000 && c < 0xF900)) {
            return false;
        } else if (t.reading != kWestern && c >= 0x0460 && (c < 0x2000 || c >= 0x2200) &&
                   (c & 0xFC00) != 0xD800 && (c & 0xFC00) != 0xDC00) {
            return false;
        }
    }
    return true;
}

// The line with every run of non-ASCII characters read back through the transform; false when
// no run changed (for the weak transforms: no word of two letters or more). A run the reading
// cannot hold, or whose bytes are no likely text of the origin, stays. Runs beside Latin letters
// are read back too: Russian text holds Latin look-alikes ("нpавится"), and a Western word read
// back comes out of mixed script, which the score rejects.
bool Apply(STransform t, std::u16string_view line, std::u16string& out) {
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
        if (ok && t.Strong()) {
            ok = Utf8ToUtf16Checked(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                                    decoded);
        } else if (ok) {
            decoded = DecodeWithCodePage(t.origin == kOrigin1251    ? kCodePage1251
                                         : t.origin == kOriginKoi8r ? kCodePageKoi8r
                                                                    : kCodePage866,
                                         reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        }
        ok = ok && IsLikelyResult(t, run, decoded);
        // A line read wrongly is read wrongly all through: a weak reading that leaves a word of
        // the line as it was is no repair of the line.
        if (!ok && !t.Strong() && run.size() >= 2 && std::any_of(run.begin(), run.end(), IsLetter))
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

} // namespace

std::u16string RepairMojibakeLine(std::u16string_view line) {
    std::u16string best(line);
    bool any = false;
    for (const char16_t c : line)
        any = any || c >= 0x80;
    if (!any)
        return best;
    static const std::array<STransform, 13> transforms = Transforms();
    const int original = Score(line);
    // Russian letters read wrongly as other Russian letters must gain in proportion: a line of
    // such letters gains about six points a letter when it was damaged, and only a short line of
    // odd words gains a little by chance.
    const int weakMargin = std::max<int>(8, 2 * std::count_if(line.begin(), line.end(), IsRussianLetter));
    // A small gain is no proof: clean text stays as it is. Valid UTF-8 needs less of it.
    int bestScore = original;
    auto consider = [&](const std::u16string& candidate, int from, bool strong) {
        const int score = Score(candidate);
        if (score > bestScore && score >= from + (strong ? 4 : weakMargin)) {
            bestScore = score;
            best = candidate;
        }
        return score;
    };
    std::u16string once, twice;
    for (const STransform& first : transforms) {
        if (!Apply(first, line, once))
            continue;
        const int onceScore = consider(once, original, first.Strong());
        if (!first.Strong())
            continue;
        // Two layers deep: UTF-8 read wrongly, written as UTF-8 and read wrongly again. Each layer
        // proves itself: a word of the first repair is not traded for a lone accented letter.
        for (int reading = 0; reading < kReadingCount; ++reading) {
            if (Apply({reading, kUtf8}, once, twice))
                consider(twice, std::max(original, onceScore), true);
        }
    }
    return best;
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
