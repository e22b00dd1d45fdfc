#include "TextFile.h"

SDecodedText DecodeTextFile(const unsigned char* bytes, std::size_t n) {
    CTextFormatProbe probe;
    probe.Feed(bytes, n);
    SDecodedText result;
    result.format = probe.Result();
    result.label = probe.DetectorLabel();
    result.text = DecodeText(bytes, n, result.format);
    return result;
}
