#include "TextFile.h"

#include "Utf8.h"

#include <algorithm>

SDecodedText DecodeTextFile(const unsigned char* bytes, std::size_t n) {
    CTextFormatProbe probe;
    probe.Feed(bytes, n);
    SDecodedText result = DecodeTextFileAs(bytes, n, probe.Result());
    result.label = probe.DetectorLabel();
    result.binary = !result.format.bom && LooksBinary(result.text); // a mark says text
    return result;
}

SDecodedText DecodeTextFileAs(const unsigned char* bytes, std::size_t n, STextFormat format) {
    SDecodedText result;
    result.format = format;
    switch (format.encoding) {
    case ETextEncoding::kUtf8: {
        const std::size_t skip = format.bom ? std::min<std::size_t>(3, n) : 0;
        result.text = Utf8ToUtf16Escaped(bytes + skip, n - skip, &result.undecodable);
        break;
    }
    case ETextEncoding::kUtf16Le:
    case ETextEncoding::kUtf16Be: {
        // An odd last byte is no unit: it is kept aside and written back after the text.
        const std::size_t whole = n & ~std::size_t(1);
        result.text = DecodeText(bytes, whole, format);
        if (whole < n) {
            result.trailing.assign(1, static_cast<char>(bytes[n - 1]));
            result.undecodable = 1;
        }
        break;
    }
    default:
        result.text = DecodeText(bytes, n, format); // every byte has its character
        break;
    }
    return result;
}

SEncodedText EncodeTextFile(std::u16string_view text, STextFormat format) {
    if (format.encoding != ETextEncoding::kUtf8)
        return EncodeText(text, format);
    SEncodedText result;
    if (format.bom)
        result.bytes = "\xEF\xBB\xBF";
    AppendUtf16AsUtf8(result.bytes, text, true);
    return result;
}

bool LooksBinary(std::u16string_view text) {
    const std::size_t head = std::min<std::size_t>(text.size(), 1 << 16);
    std::size_t controls = 0;
    for (std::size_t i = 0; i < head; ++i) {
        const char16_t c = text[i];
        if (c == 0)
            return true;
        // Tab, line ends, form feed and escape (colour codes in logs) belong to text.
        controls += c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r' && c != u'\f' && c != 0x1B;
    }
    return 10 * controls > head;
}
