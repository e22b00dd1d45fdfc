// Recognition and conversion of the 8-bit Cyrillic code pages (CP866, Windows-1251, KOI8-R)
// and of UTF-16 without a byte-order mark. Pure functions of their input; no I/O, no allocation
// in the detector.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Labels answered by DetectCyrillicCodePage and accepted by DecodeWithCodePage.
enum : unsigned {
    kCodePageSystem = 0,      // no Cyrillic code page recognised: the system ANSI code page
    kCodePage866 = 866,       // IBM CP866 (DOS Cyrillic)
    kCodePage1251 = 1251,     // Windows-1251
    kCodePageKoi8r = 20866,   // KOI8-R
    kCodePageUtf16 = 65001,   // UTF-16LE without Cyrillic (or byte-order mark, or under two bytes)
    kCodePageUtf16Cyr = 65002 // UTF-16LE whose high bytes are 0 or 4 with at least one 4
};

// Plausible pairs of Russian letters: 32 x 32 bits, row = first letter, column = second, both as
// indices 0 (а) .. 31 (я) without ё; column c of row r is bit (0x80 >> (c & 7)) of byte 4r + (c >> 3).
extern const unsigned char kRussianBigrams[128];
// Alphabet index of the KOI8-R letter at (byte & 0x1F).
extern const unsigned char kKoiLetterOrder[32];
// Byte -> UTF-16 for every byte of each code page. Bytes a code page leaves undefined map to the
// code point with the byte's value, as the Windows converters do.
extern const char16_t kCp866ToUnicode[256];
extern const char16_t kKoi8rToUnicode[256];
extern const char16_t kCp1251ToUnicode[256];
extern const char16_t kCp1252ToUnicode[256];

// One of the labels above for the first n bytes.
unsigned DetectCyrillicCodePage(const unsigned char* bytes, std::size_t n);

// The letter-pair statistics behind ScoreCyrillicEncodings, over input that arrives in pieces.
class CCyrillicScorer {
public:
    explicit CCyrillicScorer(unsigned limit);
    void Feed(const unsigned char* bytes, std::size_t n);
    // 0 (CP866), 1 (Windows-1251) or 2 (KOI8-R), as ScoreCyrillicEncodings.
    int Best() const;

private:
    static bool Take(unsigned char* unseen, unsigned first, unsigned second);

    unsigned char m_unseen866[128];  // letter pairs not yet counted: 32 x 32 bits
    unsigned char m_unseenHigh[128]; // the same for Windows-1251 and KOI8-R together
    unsigned m_limit;
    unsigned m_pairs866 = 0, m_bad866 = 0, m_pairsHigh = 0, m_bad1251 = 0, m_badKoi = 0;
    unsigned m_prev = 0;
};

// DetectCyrillicCodePage over input that arrives in pieces (a file read in blocks): Feed every
// piece in order, then Label() is what DetectCyrillicCodePage says of all the bytes together.
class CCyrillicDetector {
public:
    static constexpr std::size_t kUtf16Probe = 200; // UTF-16 units judged by their high bytes

    void Feed(const unsigned char* bytes, std::size_t n);
    unsigned Label() const;
    std::size_t Size() const { return m_total; }

private:
    static constexpr unsigned kScoreLimit = 128;

    unsigned char m_head[2 * kUtf16Probe];
    std::size_t m_headSize = 0;
    std::size_t m_total = 0;
    std::size_t m_high = 0; // bytes >= 0x80, counted until the first run of three
    std::size_t m_run = 0;
    bool m_longRun = false;
    CCyrillicScorer m_score{kScoreLimit};
};

// 0 (CP866), 1 (Windows-1251) or 2 (KOI8-R): the reading with the fewest implausible letter pairs,
// scoring stops once either reading has seen `limit` distinct pairs.
int ScoreCyrillicEncodings(const unsigned char* bytes, std::size_t n, unsigned limit);

// The n bytes in the given code page as UTF-16: 866, 1251, 20866, 1252, or 0 for the system
// code page, which here is UTF-8 when the bytes are valid UTF-8 and Windows-1252 otherwise.
// Never yields more units than bytes. An unknown code page yields an empty string.
std::u16string DecodeWithCodePage(unsigned codePage, const unsigned char* bytes, std::size_t n);

// The way back to 8 bits, one byte per UTF-16 unit: 1251, 866, 20866, or 0 for the system code
// page (Windows-1252, the single-byte system code page; 1252 itself is accepted too). A unit the
// code page lacks becomes '?'. An unknown code page yields an empty string.
std::string EncodeWithCodePage(unsigned codePage, std::u16string_view text);
