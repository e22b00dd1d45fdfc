#include "CodePage.h"

#include "Utf8.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

std::uint64_t LoadWord(const unsigned char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    return word;
}

bool IsPlausiblePair(unsigned first, unsigned second) {
    return (kRussianBigrams[4 * first + (second >> 3)] & (0x80u >> (second & 7))) != 0;
}

bool IsCp866Letter(unsigned b) {
    return (b >= 0x80 && b <= 0xAF) || (b >= 0xE0 && b <= 0xEF);
}

unsigned Cp866LetterIndex(unsigned b) {
    return (b < 0xE0 ? b : b - 0x30) & 0x1F;
}

const char16_t* DecodeTable(unsigned codePage) {
    switch (codePage) {
    case kCodePage866:
        return kCp866ToUnicode;
    case kCodePage1251:
        return kCp1251ToUnicode;
    case kCodePageKoi8r:
        return kKoi8rToUnicode;
    case 1252:
        return kCp1252ToUnicode;
    default:
        return nullptr;
    }
}

// UTF-16 -> byte for one code page. Every non-ASCII character of these code pages lies in a
// handful of 256-unit blocks (Latin-1, Cyrillic, punctuation, box drawing), so a two-level table
// of a few kilobytes gives a lookup per unit without a 64 KB array per code page.
class CReverseTable {
public:
    explicit CReverseTable(const char16_t* forward) {
        std::memset(m_blockOf, 0, sizeof m_blockOf);
        std::memset(m_blocks, 0, sizeof m_blocks);
        for (unsigned b = 0x80; b < 0x100; ++b) {
            const unsigned unit = forward[b];
            if (unit < 0x80)
                continue; // never the case in these tables; ASCII is handled before the lookup
            unsigned char& block = m_blockOf[unit >> 8];
            if (block == 0) {
                if (m_used == kMaxBlocks)
                    continue; // cannot happen with the four tables; keeps the table safe regardless
                block = static_cast<unsigned char>(++m_used);
            }
            m_blocks[block - 1][unit & 0xFF] = static_cast<unsigned char>(b);
        }
    }

    // The byte of a non-ASCII unit, or 0 when the code page lacks it.
    unsigned char Lookup(char16_t unit) const {
        const unsigned block = m_blockOf[unit >> 8];
        return block == 0 ? 0 : m_blocks[block - 1][unit & 0xFF];
    }

private:
    static constexpr unsigned kMaxBlocks = 8;
    unsigned char m_blockOf[256];
    unsigned char m_blocks[kMaxBlocks][256];
    unsigned m_used = 0;
};

const CReverseTable* ReverseTable(unsigned codePage) {
    static const CReverseTable cp866(kCp866ToUnicode);
    static const CReverseTable cp1251(kCp1251ToUnicode);
    static const CReverseTable koi8r(kKoi8rToUnicode);
    static const CReverseTable cp1252(kCp1252ToUnicode);
    switch (codePage) {
    case kCodePage866:
        return &cp866;
    case kCodePage1251:
        return &cp1251;
    case kCodePageKoi8r:
        return &koi8r;
    case kCodePageSystem:
    case 1252:
        return &cp1252;
    default:
        return nullptr;
    }
}

} // namespace

CCyrillicScorer::CCyrillicScorer(unsigned limit) : m_limit(limit) {
    std::memset(m_unseen866, 0xFF, sizeof m_unseen866);
    std::memset(m_unseenHigh, 0xFF, sizeof m_unseenHigh);
}

bool CCyrillicScorer::Take(unsigned char* unseen, unsigned first, unsigned second) {
    unsigned char& byte = unseen[4 * first + (second >> 3)];
    const unsigned char mask = static_cast<unsigned char>(0x80u >> (second & 7));
    if ((byte & mask) == 0)
        return false;
    byte = static_cast<unsigned char>(byte & ~mask);
    return true;
}

void CCyrillicScorer::Feed(const unsigned char* bytes, std::size_t n) {
    unsigned prev = m_prev;
    for (std::size_t i = 0; i < n; ++i) {
        if (m_pairs866 >= m_limit || m_pairsHigh >= m_limit)
            break;
        // Eight ASCII bytes hold no letter pair, neither inside nor with the byte before them.
        if (n - i >= 8 && (LoadWord(bytes + i) & 0x8080808080808080ull) == 0) {
            prev = bytes[i + 7];
            i += 7;
            continue;
        }
        const unsigned cur = bytes[i];
        if (IsCp866Letter(prev) && IsCp866Letter(cur)) {
            const unsigned r = Cp866LetterIndex(prev), c = Cp866LetterIndex(cur);
            if (Take(m_unseen866, r, c)) {
                ++m_pairs866;
                if (!IsPlausiblePair(r, c))
                    ++m_bad866;
            }
        }
        // Windows-1251 and KOI8-R both keep their letters in C0..FF, so one matrix of seen byte
        // pairs serves both readings.
        if (prev >= 0xC0 && cur >= 0xC0) {
            const unsigned r = prev & 0x1F, c = cur & 0x1F;
            if (Take(m_unseenHigh, r, c)) {
                if (!IsPlausiblePair(r, c))
                    ++m_bad1251;
                if (!IsPlausiblePair(kKoiLetterOrder[r], kKoiLetterOrder[c]))
                    ++m_badKoi;
                ++m_pairsHigh;
            }
        }
        prev = cur;
    }
    m_prev = prev;
}

int CCyrillicScorer::Best() const {
    unsigned bad866 = m_bad866, bad1251 = m_bad1251, badKoi = m_badKoi;
    // A few odd pairs (names, abbreviations, typos) should not outweigh a long text.
    if (bad866 <= m_pairs866 / 32)
        bad866 = 0;
    if (bad1251 <= m_pairsHigh / 32)
        bad1251 = 0;
    if (badKoi <= m_pairsHigh / 32)
        badKoi = 0;

    // Unsigned on purpose: with a limit above 255 a reading can collect more than 255 implausible
    // pairs, and its score then wraps around to a large number. The detector's limit of 128 never
    // gets there; other callers get the same comparison.
    const std::uint32_t score866 = (255u - bad866) * 256u + m_pairs866;
    const std::uint32_t score1251 = (255u - bad1251) * 256u + m_pairsHigh;
    const std::uint32_t scoreKoi = (255u - badKoi) * 256u + m_pairsHigh;
    if (score866 >= score1251 && score866 >= scoreKoi)
        return 0;
    return score1251 < scoreKoi ? 2 : 1;
}

void CCyrillicDetector::Feed(const unsigned char* bytes, std::size_t n) {
    const std::size_t keep = std::min(n, sizeof m_head - m_headSize);
    std::memcpy(m_head + m_headSize, bytes, keep);
    m_headSize += keep;
    m_total += n;
    m_score.Feed(bytes, n);

    // Plain text: high bytes at most a quarter of all n bytes, never three of them in a row. The
    // first run of three settles it against plain text, so the count can stop there.
    for (std::size_t i = 0; i < n && !m_longRun;) {
        if (n - i >= 8 && (LoadWord(bytes + i) & 0x8080808080808080ull) == 0) {
            m_run = 0;
            i += 8;
            continue;
        }
        if (bytes[i++] < 0x80) {
            m_run = 0;
        } else {
            ++m_high;
            if (++m_run > 2)
                m_longRun = true;
        }
    }
}

unsigned CCyrillicDetector::Label() const {
    const unsigned char* bytes = m_head;
    if (m_total > 1 && bytes[0] == 0xFF && bytes[1] == 0xFE)
        return kCodePageUtf16;
    const std::size_t h = m_total / 2;
    if (h == 0)
        return kCodePageUtf16;

    unsigned result = kCodePageUtf16;
    const std::size_t probe = std::min(h, kUtf16Probe);
    for (std::size_t i = 0; i < probe; ++i) {
        const unsigned high = bytes[2 * i + 1];
        if (high == 4) {
            result = kCodePageUtf16Cyr;
        } else if (high != 0) {
            result = 0;
            break;
        }
    }
    if (result != 0)
        return result;
    if (!m_longRun && 3 * m_high <= m_total - m_high)
        return kCodePageSystem;

    switch (m_score.Best()) {
    case 0:
        return kCodePage866;
    case 1:
        return kCodePage1251;
    default:
        return kCodePageKoi8r;
    }
}

unsigned DetectCyrillicCodePage(const unsigned char* bytes, std::size_t n) {
    CCyrillicDetector detector;
    detector.Feed(bytes, n);
    return detector.Label();
}

int ScoreCyrillicEncodings(const unsigned char* bytes, std::size_t n, unsigned limit) {
    CCyrillicScorer scorer(limit);
    scorer.Feed(bytes, n);
    return scorer.Best();
}

std::u16string DecodeWithCodePage(unsigned codePage, const unsigned char* bytes, std::size_t n) {
    if (codePage == kCodePageSystem) {
        if (IsValidUtf8(bytes, n))
            return Utf8ToUtf16(bytes, n);
        codePage = 1252;
    }
    const char16_t* table = DecodeTable(codePage);
    if (table == nullptr)
        return {};
    std::u16string out(n, u'\0');
    char16_t* dst = out.data();
    for (std::size_t i = 0; i < n; ++i)
        dst[i] = table[bytes[i]];
    return out;
}

std::string EncodeWithCodePage(unsigned codePage, std::u16string_view text) {
    const CReverseTable* reverse = ReverseTable(codePage);
    if (reverse == nullptr)
        return {};
    std::string out(text.size(), '\0');
    char* dst = out.data();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        unsigned char b;
        if (unit < 0x80) {
            b = static_cast<unsigned char>(unit);
        } else {
            b = reverse->Lookup(unit);
            if (b == 0)
                b = '?';
        }
        dst[i] = static_cast<char>(b);
    }
    return out;
}
