// Text reading: the UTF-8 checks and decoders against a plain decoder written from the definition
// of well-formed UTF-8, the way a file is read (UTF-16, UTF-8 or an 8-bit code page), and the
// round trips UTF-8 -> UTF-16 -> UTF-8 and 8-bit -> UTF-16 -> 8-bit.
#include "CodePage.h"
#include "FuzzCheck.h"
#include "TextFile.h"
#include "Utf8.h"

#include <cstdint>
#include <string>

namespace {

// Length of the well-formed sequence at p (Unicode table 3-7), 0 when none starts there.
std::size_t WellFormedAt(const std::uint8_t* p, std::size_t n, char32_t& cp) {
    const std::uint8_t b = p[0];
    if (b < 0x80) {
        cp = b;
        return 1;
    }
    std::size_t length = 0;
    char32_t least = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2, cp = b & 0x1F, least = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3, cp = b & 0x0F, least = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4, cp = b & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (n < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        cp = cp << 6 | (p[i] & 0x3F);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return length;
}

void Append(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out += char16_t(cp);
    } else {
        out += char16_t(0xD800 + ((cp - 0x10000) >> 10));
        out += char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
}

struct SReference {
    std::u16string text;  // every byte starting no sequence as U+FFFD
    std::size_t firstBad; // offset of the first such byte, or n
};

SReference ReferenceDecode(const std::uint8_t* p, std::size_t n) {
    SReference r{{}, n};
    for (std::size_t i = 0; i < n;) {
        char32_t cp = 0;
        const std::size_t length = WellFormedAt(p + i, n - i, cp);
        if (length == 0) {
            r.firstBad = std::min(r.firstBad, i);
            r.text += u'\xFFFD';
            ++i;
        } else {
            Append(r.text, cp);
            i += length;
        }
    }
    return r;
}

// UTF-16 with every lone surrogate as U+FFFD.
std::u16string WithoutLoneSurrogates(std::u16string_view units) {
    std::u16string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t u = units[i];
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            out += u;
            out += units[++i];
        } else {
            out += (u >= 0xD800 && u < 0xE000) ? u'\xFFFD' : u;
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const SReference ref = ReferenceDecode(data, size);
    const bool valid = ref.firstBad == size;

    std::size_t errorOffset = size + 1;
    LT_FUZZ_CHECK(IsValidUtf8(data, size, &errorOffset) == valid);
    LT_FUZZ_CHECK(valid || errorOffset == ref.firstBad);
    LT_FUZZ_CHECK(Utf8ToUtf16(data, size) == ref.text);
    std::u16string checked = u"x";
    LT_FUZZ_CHECK(Utf8ToUtf16Checked(data, size, checked) == valid);
    LT_FUZZ_CHECK(checked == (valid ? ref.text : std::u16string()));
    if (valid) // well-formed UTF-8 comes back byte for byte
        LT_FUZZ_CHECK(Utf16ToUtf8(ref.text) == std::string(reinterpret_cast<const char*>(data), size));

    // Any UTF-16 (the bytes as little-endian units) to UTF-8 and back loses only lone surrogates.
    std::u16string units(size / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = char16_t(data[2 * i] | data[2 * i + 1] << 8);
    const std::string utf8 = Utf16ToUtf8(units);
    std::u16string back;
    LT_FUZZ_CHECK(Utf8ToUtf16Checked(reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size(), back));
    LT_FUZZ_CHECK(back == WithoutLoneSurrogates(units));

    // Every byte the 8-bit code pages define comes back through the way to 8 bits.
    for (const unsigned codePage : {866u, 1251u, 20866u, 1252u}) {
        const std::u16string text = DecodeWithCodePage(codePage, data, size);
        LT_FUZZ_CHECK(text.size() == size);
        const std::string bytes = EncodeWithCodePage(codePage, text);
        LT_FUZZ_CHECK(bytes.size() == size);
        for (std::size_t i = 0; i < size; ++i)
            LT_FUZZ_CHECK(bytes[i] == char(data[i]) || (data[i] >= 0x80 && text[i] == data[i]));
    }

    // A file: the detector's own answer is kept beside what the reading rule chose.
    const unsigned label = DetectCyrillicCodePage(data, size);
    const SDecodedText file = DecodeTextFile(data, size);
    LT_FUZZ_CHECK(file.label == label);
    LT_FUZZ_CHECK(file.text.size() <= size);
    // Text the reading rule takes as UTF-8 is exactly the plain decoder's reading.
    if (valid && file.format.encoding == ETextEncoding::kUtf8) {
        const bool bom = size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF;
        LT_FUZZ_CHECK(file.text == (bom ? ref.text.substr(1) : ref.text));
    }
    // A file read in a Unicode encoding is written back as exactly its bytes.
    if (IsUnicodeEncoding(file.format.encoding)) {
        const SEncodedText back = EncodeTextFile(file.text, file.format);
        LT_FUZZ_CHECK(back.bytes + file.trailing == std::string(reinterpret_cast<const char*>(data), size));
    }
    const int best = ScoreCyrillicEncodings(data, size, 128);
    LT_FUZZ_CHECK(best >= 0 && best <= 2);
    return 0;
}
