// The reading rules of a text file: what the editor shows for the bytes of a file.
#pragma once

#include <cstddef>
#include <string>

struct SDecodedText {
    std::u16string text;
    unsigned label = 0; // DetectCyrillicCodePage of the bytes
    bool utf8 = false;  // read as UTF-8 (valid UTF-8 wins over the 8-bit detection)
};

// UTF-16 when the detection says so (a leading FF FE skipped, an odd last byte forms a unit with
// high byte 0); otherwise UTF-8 when the bytes are valid UTF-8 (a leading EF BB BF skipped);
// otherwise the detected 8-bit code page. A zero byte or unit is kept like any other character:
// cutting the text there would lose the rest of the file at the next save.
SDecodedText DecodeTextFile(const unsigned char* bytes, std::size_t n);
