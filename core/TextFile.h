// The reading rules of a text file: what the editor shows for the bytes of a file, and the way
// back to exactly those bytes.
#pragma once

#include "TextEncoding.h"

#include <cstddef>
#include <string>
#include <string_view>

struct SDecodedText {
    std::u16string text;
    STextFormat format; // what the reading rule chose (ChooseTextFormat)
    unsigned label = 0; // what the 8-bit detector on its own says (DetectCyrillicCodePage)
    // Bytes the format cannot read. They stay in the text as escapes (see Utf8ToUtf16Escaped),
    // or for an odd last byte of UTF-16 in `trailing`, and are written back as they were.
    std::size_t undecodable = 0;
    std::string trailing;
    bool binary = false; // LooksBinary
};

// The bytes in the format the reading rule chooses (a byte-order mark skipped). A zero byte or
// unit is kept like any other character: cutting the text there would lose the rest of the file
// at the next save.
SDecodedText DecodeTextFile(const unsigned char* bytes, std::size_t n);
// The bytes in a format the user chose; every byte is kept as above.
SDecodedText DecodeTextFileAs(const unsigned char* bytes, std::size_t n, STextFormat format);

// The bytes of a text in a format, the escapes of UTF-8 turned back into their bytes.
SEncodedText EncodeTextFile(std::u16string_view text, STextFormat format);

// A zero character, or control characters in more than a tenth of the first ones: a program, an
// image, an archive rather than text.
bool LooksBinary(std::u16string_view text);
