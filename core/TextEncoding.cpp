#include "TextEncoding.h"

#include "Utf8.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

// The one table of encodings: what the program shows, what the command line takes as an option
// value, the code page, and the other spellings a user may type.
struct SEncodingInfo {
    ETextEncoding encoding;
    const char* shown;   // in every output: the editor, the dialogs, detect, rename, JSON
    const char* cliName; // the value of --encoding
    unsigned codePage;   // of an 8-bit encoding; 0 for the Unicode ones
    const char* aliases; // separated by blanks
};
constexpr SEncodingInfo kEncodings[kTextEncodingCount] = {
    {ETextEncoding::kUtf8, "UTF-8", "utf-8", 0, "utf8 65001"},
    {ETextEncoding::kUtf16Le, "UTF-16LE", "utf-16le", 0, "utf16le utf-16 utf16 1200"},
    {ETextEncoding::kUtf16Be, "UTF-16BE", "utf-16be", 0, "utf16be 1201"},
    {ETextEncoding::kCp866, "CP866", "cp866", kCodePage866, "866 ibm866 dos"},
    {ETextEncoding::kCp1251, "Windows-1251", "cp1251", kCodePage1251, "1251 win1251"},
    {ETextEncoding::kKoi8r, "KOI8-R", "koi8-r", kCodePageKoi8r, "koi8r koi8 20866"},
    {ETextEncoding::kCp1252, "Windows-1252", "cp1252", 1252, "1252 latin1 iso-8859-1"},
};
static_assert(
    [] {
        for (int i = 0; i < kTextEncodingCount; ++i)
            if (static_cast<int>(kEncodings[i].encoding) != i)
                return false;
        return true;
    }(),
    "the table is indexed by ETextEncoding");

bool IsHigh(const unsigned char* bytes, std::size_t n) {
    return std::any_of(bytes, bytes + n, [](unsigned char b) { return b >= 0x80; });
}

// Bytes of an incomplete UTF-8 sequence at the end (0 to 3): they may complete in the next piece.
std::size_t IncompleteTail(const unsigned char* bytes, std::size_t n) {
    for (std::size_t back = 1; back <= std::min<std::size_t>(3, n); ++back) {
        const unsigned b = bytes[n - back];
        if ((b & 0xC0) == 0x80)
            continue;
        const std::size_t need = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        return need > back ? back : 0;
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------
// UTF-16 without a byte-order mark. Text of 8 bits a character, UTF-8 included, has no zero bytes;
// UTF-16 has them in the high byte of every blank, line end, digit and Latin letter, whatever
// the script of the rest. So: most high bytes 0 or 4 (Latin and Cyrillic); or zero bytes on the
// high side only, units that are text (no controls but blanks, no lone surrogates) and of the
// alphabets' blocks (U+0100..U+21FF: Greek, Hebrew, Arabic..., high bytes no 8-bit text has
// between zeros) or of CJK; or, with no blank at all, text of CJK ideographs, kana and their
// punctuation. A lone unit is a letter.

bool IsUtf16TextUnit(unsigned unit) {
    return unit >= 0x20 ? unit != 0x7F && !(unit >= 0x80 && unit < 0xA0) && unit != 0xFFFE && unit != 0xFFFF
                        : unit == '\t' || unit == '\n' || unit == '\r';
}

bool IsCjkUnit(unsigned unit) {
    return (unit >= 0x3000 && unit < 0x3100) || (unit >= 0x4E00 && unit < 0xA000) ||
           (unit >= 0xFF00 && unit < 0xFFF0);
}

bool LooksLikeUtf16(const unsigned char* head, std::size_t n, bool bigEndian) {
    const std::size_t units = std::min(n / 2, CCyrillicDetector::kUtf16Probe);
    if (units == 0)
        return false;
    std::size_t latinOrCyrillic = 0, highZeros = 0, lowZeros = 0, text = 0, cjk = 0, eightBit = 0;
    bool alphabet = true;   // every high byte other than 0 one of an alphabet's block (01..21)
    bool afterLead = false; // a pair of surrogates counts as two units of text
    for (std::size_t i = 0; i < units; ++i) {
        const unsigned high = head[2 * i + (bigEndian ? 0 : 1)], low = head[2 * i + (bigEndian ? 1 : 0)];
        const unsigned unit = high << 8 | low;
        latinOrCyrillic += high == 0 || high == 4;
        highZeros += high == 0;
        lowZeros += low == 0;
        alphabet = alphabet && high <= 0x21;
        const bool lead = (unit & 0xFC00) == 0xD800, trail = (unit & 0xFC00) == 0xDC00;
        text += trail ? afterLead : lead || IsUtf16TextUnit(unit);
        text -= afterLead && !trail; // the lead before was lone
        afterLead = lead;
        cjk += IsCjkUnit(unit);
        eightBit += high >= 0x80 || low >= 0x80;
    }
    if (units == 1) {
        const unsigned high = head[bigEndian ? 0 : 1], low = head[bigEndian ? 1 : 0];
        return (high == 4 && IsCyrillicLetter(char16_t(0x400 | low))) || (high == 0 && low >= 0xC0);
    }
    if (4 * latinOrCyrillic >= 3 * units)
        return true;
    if (lowZeros > 0 || text < units)
        return false;
    // CJK units may be made of two ASCII bytes ("ca" is U+6361): a third of them at least must
    // have a byte of 0x80 or more, as ideographs do and Latin text does not.
    const bool cjkText = units >= 4 && 10 * cjk >= 9 * (units - highZeros) && 3 * eightBit >= units;
    if (highZeros > 0 && (alphabet || cjkText))
        return true;
    return highZeros == 0 && cjkText && !IsValidUtf8(head, 2 * units);
}

} // namespace

namespace {

// ---------------------------------------------------------------------------------------------
// UTF-8 against the 8-bit readings

// Most bytes >= 0x80 read as letters of Russian words, the rest as punctuation.
bool IsPlausibleRussian(const unsigned char* bytes, std::size_t n, unsigned codePage) {
    const std::u16string text = DecodeWithCodePage(codePage, bytes, n);
    std::size_t good = 0, bad = 0;
    for (std::size_t i = 0; i < text.size();) {
        const char16_t c = text[i];
        if (!IsRussianLetter(c) && !IsAsciiLetter(c)) {
            if (c >= 0x80 && !IsTextPunctuation(c))
                ++bad; // box drawing, letters of other languages, signs
            ++i;
            continue;
        }
        std::size_t end = i;
        bool latin = false;
        for (; end < text.size() && (IsRussianLetter(text[end]) || IsAsciiLetter(text[end])); ++end)
            latin = latin || IsAsciiLetter(text[end]);
        const std::u16string_view word(text.data() + i, end - i);
        const std::size_t letters = std::count_if(word.begin(), word.end(), IsRussianLetter);
        (!latin && IsPlausibleRussianWord(word) ? good : bad) += letters;
        i = end;
    }
    return good > 0 && 20 * bad <= good;
}

// An ASCII letter or anything from the Latin-1 letters on.
bool IsLetterLike(char16_t c) {
    return IsAsciiLetter(c) || (c >= 0xC0 && c != 0xD7 && c != 0xF7);
}

// Characters that UTF-8 read from Russian 8-bit text tends to give: C1 controls, rare scripts,
// CJK and Hangul, private use; and a lone letter of Latin Extended standing as a word of its own
// ("её" in KOI8-R is "ţ" in UTF-8). The ordinary letters, punctuation and signs of European text,
// emoji and the CJK extensions beyond the first plane are not suspicious.
bool IsSuspicious(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c < 0x80)
            continue;
        if (c < 0xA0 || (c >= 0x0700 && c < 0x1E00) || (c >= 0x2800 && c < 0xD800) || c >= 0xE000)
            return true;
        if ((c >= 0xD8C0 && c < 0xDB40) || (c >= 0xDB80 && c < 0xDC00))
            return true; // planes 4 to 13 are empty, 15 and 16 private (14 has the flags' tags)
        if (c >= 0x0100 && c < 0x0250 && (i == 0 || !IsLetterLike(text[i - 1])) &&
            (i + 1 == text.size() || !IsLetterLike(text[i + 1])))
            return true;
    }
    return false;
}

} // namespace

const char* EncodingName(ETextEncoding encoding) {
    return kEncodings[static_cast<int>(encoding)].shown;
}

const char* EncodingCliName(ETextEncoding encoding) {
    return kEncodings[static_cast<int>(encoding)].cliName;
}

bool ParseEncodingName(std::string_view name, ETextEncoding& encoding) {
    auto lower = [](std::string_view s) {
        std::string out(s);
        for (char& ch : out)
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        return out;
    };
    const std::string wanted = lower(name);
    for (const SEncodingInfo& entry : kEncodings) {
        if (lower(entry.shown) == wanted || entry.cliName == wanted) {
            encoding = entry.encoding;
            return true;
        }
        std::string_view all = entry.aliases;
        while (!all.empty()) {
            const std::size_t end = std::min(all.find(' '), all.size());
            if (all.substr(0, end) == wanted) {
                encoding = entry.encoding;
                return true;
            }
            all.remove_prefix(std::min(end + 1, all.size()));
        }
    }
    return false;
}

bool EncodingFromCodePage(unsigned codePage, ETextEncoding& encoding) {
    for (const SEncodingInfo& entry : kEncodings)
        if (entry.codePage != 0 && entry.codePage == codePage) {
            encoding = entry.encoding;
            return true;
        }
    return false;
}

bool IsUnicodeEncoding(ETextEncoding encoding) {
    return encoding == ETextEncoding::kUtf8 || encoding == ETextEncoding::kUtf16Le ||
           encoding == ETextEncoding::kUtf16Be;
}

unsigned CodePageOf(ETextEncoding encoding) {
    return kEncodings[static_cast<int>(encoding)].codePage;
}

void CTextFormatProbe::Feed(const unsigned char* bytes, std::size_t n) {
    m_detector.Feed(bytes, n);
    if (m_judged.size() < kJudgedBytes)
        m_judged.append(reinterpret_cast<const char*>(bytes), std::min(n, kJudgedBytes - m_judged.size()));
    if (n == 0)
        return;
    m_high = m_high || IsHigh(bytes, n);
    // The sequence cut at the end of the last piece is completed first.
    std::size_t start = 0;
    if (m_tailSize > 0) {
        const unsigned lead = m_tail[0];
        const std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        while (m_tailSize < need && start < n && (bytes[start] & 0xC0) == 0x80)
            m_tail[m_tailSize++] = bytes[start++];
        if (m_tailSize < need && start == n)
            return; // still open at the end of this piece
        // Cut by another byte, or complete: counted as the whole input would count it (its bytes
        // after an ill-formed lead are stray continuation bytes, each invalid on its own).
        CountUtf8(m_tail, m_tailSize, m_multiByte, m_invalid);
        m_tailSize = 0;
    }
    const std::size_t tail = IncompleteTail(bytes + start, n - start);
    CountUtf8(bytes + start, n - start - tail, m_multiByte, m_invalid);
    std::memcpy(m_tail, bytes + n - tail, tail);
    m_tailSize = tail;
}

bool CTextFormatProbe::MostlyUtf8() const {
    const std::size_t invalid = m_invalid + m_tailSize;
    return invalid == 0 || m_multiByte >= kValidPerInvalid * invalid;
}

STextFormat CTextFormatProbe::Result() const {
    const auto* head = reinterpret_cast<const unsigned char*>(m_judged.data());
    const std::size_t n = m_detector.Size();
    if (n >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF)
        return {ETextEncoding::kUtf8, true};
    if (n >= 2 && head[0] == 0xFF && head[1] == 0xFE)
        return {ETextEncoding::kUtf16Le, true};
    if (n >= 2 && head[0] == 0xFE && head[1] == 0xFF)
        return {ETextEncoding::kUtf16Be, true};
    const bool utf8 = MostlyUtf8();
    // An empty file or a single byte holds no UTF-16 unit: it is read as the bytes it is.
    if (n < 2)
        return {utf8 ? ETextEncoding::kUtf8 : ETextEncoding::kCp1252, false};

    const unsigned label = m_detector.Label();
    if (label == kCodePageUtf16 || label == kCodePageUtf16Cyr || LooksLikeUtf16(head, m_judged.size(), false))
        return {ETextEncoding::kUtf16Le, false};
    if (LooksLikeUtf16(head, m_judged.size(), true))
        return {ETextEncoding::kUtf16Be, false};

    if (utf8) {
        if (!m_high)
            return {ETextEncoding::kUtf8, false};
        // Judged on whole characters only.
        const std::size_t judged = m_judged.size() - IncompleteTail(head, m_judged.size());
        if (!IsSuspicious(Utf8ToUtf16(head, judged)))
            return {ETextEncoding::kUtf8, false};
        // The detector's own choice first, then the other Cyrillic readings.
        const ETextEncoding detected = label == kCodePage1251    ? ETextEncoding::kCp1251
                                       : label == kCodePageKoi8r ? ETextEncoding::kKoi8r
                                                                 : ETextEncoding::kCp866;
        for (const ETextEncoding candidate :
             {detected, ETextEncoding::kCp866, ETextEncoding::kCp1251, ETextEncoding::kKoi8r}) {
            if (IsPlausibleRussian(head, judged, CodePageOf(candidate)))
                return {candidate, false};
        }
        return {ETextEncoding::kUtf8, false};
    }
    switch (label) {
    case kCodePage866:
        return {ETextEncoding::kCp866, false};
    case kCodePage1251:
        return {ETextEncoding::kCp1251, false};
    case kCodePageKoi8r:
        return {ETextEncoding::kKoi8r, false};
    default:
        return {ETextEncoding::kCp1252, false};
    }
}

ETextEncoding UnswapCaseReading(const unsigned char* bytes, std::size_t n, ETextEncoding chosen) {
    if (chosen != ETextEncoding::kCp1251 && chosen != ETextEncoding::kKoi8r)
        return chosen;
    const ETextEncoding other =
        chosen == ETextEncoding::kCp1251 ? ETextEncoding::kKoi8r : ETextEncoding::kCp1251;
    if (!IsSwappedCaseText(DecodeText(bytes, n, {chosen, false})))
        return chosen;
    const std::u16string read = DecodeText(bytes, n, {other, false});
    return !HasSwappedCaseWord(read) && IsPlausibleRussian(read) ? other : chosen;
}

STextFormat ChooseTextFormat(const unsigned char* bytes, std::size_t n) {
    CTextFormatProbe probe;
    probe.Feed(bytes, n);
    return probe.Result();
}

std::u16string DecodeText(const unsigned char* bytes, std::size_t n, STextFormat format) {
    std::u16string out;
    CTextDecoder(format).Decode(bytes, n, true, out);
    return out;
}

void CTextDecoder::Decode(const unsigned char* bytes, std::size_t n, bool last, std::u16string& out) {
    std::string joined;
    if (!m_carry.empty()) {
        joined = m_carry;
        joined.append(reinterpret_cast<const char*>(bytes), n);
        m_carry.clear();
        bytes = reinterpret_cast<const unsigned char*>(joined.data());
        n = joined.size();
    }
    if (m_skipBom) {
        const std::size_t bom = m_format.encoding == ETextEncoding::kUtf8 ? 3 : 2;
        if (n < bom && !last) {
            m_carry.assign(reinterpret_cast<const char*>(bytes), n);
            return;
        }
        const std::size_t skip = std::min(n, bom);
        bytes += skip;
        n -= skip;
        m_skipBom = false;
    }
    switch (m_format.encoding) {
    case ETextEncoding::kUtf8: {
        const std::size_t tail = last ? 0 : IncompleteTail(bytes, n);
        out += Utf8ToUtf16(bytes, n - tail);
        m_carry.assign(reinterpret_cast<const char*>(bytes + n - tail), tail);
        return;
    }
    case ETextEncoding::kUtf16Le:
    case ETextEncoding::kUtf16Be: {
        const bool big = m_format.encoding == ETextEncoding::kUtf16Be;
        std::size_t whole = n & ~std::size_t(1);
        if (!last && whole < n)
            m_carry.assign(1, static_cast<char>(bytes[n - 1]));
        const std::size_t start = out.size();
        out.resize(start + (last ? (n + 1) / 2 : whole / 2));
        char16_t* dst = out.data() + start;
        for (std::size_t i = 0; i < whole; i += 2)
            *dst++ =
                static_cast<char16_t>(big ? (bytes[i] << 8) | bytes[i + 1] : bytes[i] | (bytes[i + 1] << 8));
        if (last && whole < n)
            *dst = bytes[n - 1]; // an odd last byte stands alone as a unit with high byte 0
        return;
    }
    default:
        out += DecodeWithCodePage(CodePageOf(m_format.encoding), bytes, n);
        return;
    }
}

SEncodedText EncodeText(std::u16string_view text, STextFormat format) {
    SEncodedText result;
    std::string& out = result.bytes;
    switch (format.encoding) {
    case ETextEncoding::kUtf8:
        if (format.bom)
            out = "\xEF\xBB\xBF";
        AppendUtf16AsUtf8(out, text);
        return result;
    case ETextEncoding::kUtf16Le:
    case ETextEncoding::kUtf16Be: {
        const bool big = format.encoding == ETextEncoding::kUtf16Be;
        if (format.bom)
            out = big ? "\xFE\xFF" : "\xFF\xFE";
        const std::size_t start = out.size();
        out.resize(start + 2 * text.size());
        char* dst = out.data() + start;
        for (const char16_t u : text) {
            *dst++ = static_cast<char>(big ? u >> 8 : u & 0xFF);
            *dst++ = static_cast<char>(big ? u & 0xFF : u >> 8);
        }
        return result;
    }
    default:
        break;
    }
    const std::string encoded = EncodeWithCodePage(CodePageOf(format.encoding), text);
    out.reserve(encoded.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (encoded[i] != '?' || text[i] == u'?') {
            out += encoded[i];
            continue;
        }
        // A pair of surrogates is one character, and one "?".
        const bool pair =
            i + 1 < text.size() && (text[i] & 0xFC00) == 0xD800 && (text[i + 1] & 0xFC00) == 0xDC00;
        const std::u16string_view ch = text.substr(i, pair ? 2 : 1);
        ++result.lacking;
        if (result.lackingFirst.size() < 16 && result.lackingFirst.find(ch) == std::u16string::npos)
            result.lackingFirst += ch;
        out += '?';
        i += pair;
    }
    return result;
}
