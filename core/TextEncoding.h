// The encodings a text file, a paste, a name or a tag text can be in, and the one reading rule
// that chooses among them: a byte-order mark first, then UTF-16 without a mark, then valid and
// plausible UTF-8, then the 8-bit Cyrillic detector. Pure functions of their input; no I/O.
#pragma once

#include "CodePage.h"
#include "RussianText.h"

#include <cstddef>
#include <string>
#include <string_view>

enum class ETextEncoding { kUtf8, kUtf16Le, kUtf16Be, kCp866, kCp1251, kKoi8r, kCp1252 };
constexpr int kTextEncodingCount = 7;

struct STextFormat {
    ETextEncoding encoding = ETextEncoding::kUtf8;
    bool bom = false; // the bytes start with a byte-order mark (Unicode encodings only)

    bool operator==(const STextFormat&) const = default;
};

// The name every output shows: "UTF-8", "UTF-16LE", "UTF-16BE", "CP866", "Windows-1251",
// "KOI8-R", "Windows-1252" (the editor, the dialogs, the command line's text and JSON alike).
const char* EncodingName(ETextEncoding encoding);
// The command line's option value: "utf-8", "utf-16le", "utf-16be", "cp866", "cp1251", "koi8-r",
// "cp1252".
const char* EncodingCliName(ETextEncoding encoding);
// Either name above, any case, or a common alias ("utf8", "866", "koi8r", "20866", ...).
bool ParseEncodingName(std::string_view name, ETextEncoding& encoding);
// The 8-bit encoding of a code page (866, 1251, 20866, 1252); false for any other number.
bool EncodingFromCodePage(unsigned codePage, ETextEncoding& encoding);
bool IsUnicodeEncoding(ETextEncoding encoding);
// The code page of an 8-bit encoding (866, 1251, 20866, 1252); 0 for the Unicode ones.
unsigned CodePageOf(ETextEncoding encoding);

// The reading rule over input that arrives in pieces: Feed every piece in order, then Result()
// is what ChooseTextFormat says of all the bytes together.
class CTextFormatProbe {
public:
    // UTF-8 is judged against the 8-bit readings on this many bytes at the start.
    static constexpr std::size_t kJudgedBytes = 1 << 16;

    void Feed(const unsigned char* bytes, std::size_t n);
    STextFormat Result() const;
    // What the 8-bit detector on its own says of the bytes (DetectCyrillicCodePage).
    unsigned DetectorLabel() const { return m_detector.Label(); }

    // Text with at least this many well-formed multi-byte sequences per invalid byte is UTF-8;
    // 8-bit Cyrillic gives far fewer (its letters rarely pair up as UTF-8 sequences).
    static constexpr std::size_t kValidPerInvalid = 8;

private:
    bool MostlyUtf8() const;

    CCyrillicDetector m_detector;
    std::string m_judged;    // the first kJudgedBytes bytes
    unsigned char m_tail[4]; // an incomplete UTF-8 sequence at the end of the last piece
    std::size_t m_tailSize = 0;
    // What a lenient UTF-8 reading meets: UTF-8 is chosen by their share, so that a few invalid
    // bytes (a cut last letter, one Latin-1 letter) do not turn a whole UTF-8 file into 8-bit.
    std::size_t m_multiByte = 0;
    std::size_t m_invalid = 0;
    bool m_high = false; // some byte >= 0x80
};

STextFormat ChooseTextFormat(const unsigned char* bytes, std::size_t n);
// For a short text (a name, a tag, a CUE sheet) the detector chose `chosen` for: the other of
// Windows-1251 and KOI8-R when the chosen reading has only words with swapped cases ("лЙОП") and
// the other reads as plausible Russian without any; `chosen` otherwise.
ETextEncoding UnswapCaseReading(const unsigned char* bytes, std::size_t n, ETextEncoding chosen);

// The text of bytes in a format: a byte-order mark is skipped when the format has one; bytes a
// Unicode encoding cannot read become U+FFFD; an odd last byte of UTF-16 stands for itself.
std::u16string DecodeText(const unsigned char* bytes, std::size_t n, STextFormat format);

// The bytes of a text in a format (with its byte-order mark when it has one). A character the
// format cannot hold becomes "?"; `lacking` counts such characters and `lackingFirst` keeps the
// first few distinct ones, so that a caller can say which were lost before writing anything.
struct SEncodedText {
    std::string bytes;
    std::size_t lacking = 0;
    std::u16string lackingFirst;
};
SEncodedText EncodeText(std::u16string_view text, STextFormat format);

// Decoding in pieces with the same result as DecodeText on the whole: a sequence cut at the end
// of a piece waits for the next one.
class CTextDecoder {
public:
    explicit CTextDecoder(STextFormat format) : m_format(format), m_skipBom(format.bom) {}
    // Appends the text of the next piece; `last` for the final one.
    void Decode(const unsigned char* bytes, std::size_t n, bool last, std::u16string& out);

private:
    STextFormat m_format;
    bool m_skipBom;
    std::string m_carry;
};
