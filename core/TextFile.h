// The reading rules of a text file: what the editor shows for the bytes of a file.
#pragma once

#include "TextEncoding.h"

#include <cstddef>
#include <string>

struct SDecodedText {
    std::u16string text;
    STextFormat format; // what the reading rule chose (ChooseTextFormat)
    unsigned label = 0; // what the 8-bit detector on its own says (DetectCyrillicCodePage)
};

// The bytes in the format the reading rule chooses (a byte-order mark skipped). A zero byte or
// unit is kept like any other character: cutting the text there would lose the rest of the file
// at the next save.
SDecodedText DecodeTextFile(const unsigned char* bytes, std::size_t n);
