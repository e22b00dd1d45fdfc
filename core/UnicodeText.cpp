#include "UnicodeText.h"

namespace {

// Blocks where capital and small letter alternate, capital first (even) or second (odd).
bool InPairBlock(char16_t c, char16_t first, char16_t last) {
    return c >= first && c <= last;
}

} // namespace

char16_t UpperCase(char16_t c) {
    if (c < 0x80)
        return (c >= u'a' && c <= u'z') ? char16_t(c - 0x20) : c;
    if (c < 0x100) {
        if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
            return char16_t(c - 0x20);
        if (c == 0xFF)
            return 0x178;
        if (c == 0xB5)
            return 0x39C; // micro sign: its capital is Greek Mu
        return c;
    }
    if (c < 0x180) { // Latin Extended-A
        if (c == 0x131)
            return u'I';
        if (c == 0x17F)
            return u'S';
        if (c == 0x138 || c == 0x149 || c == 0x130 || c == 0x178)
            return c;
        if (InPairBlock(c, 0x100, 0x137) || InPairBlock(c, 0x14A, 0x177))
            return (c & 1) ? char16_t(c - 1) : c;
        // 0139..0148 and 0179..017E put the capital on the odd code point.
        return (c & 1) ? c : char16_t(c - 1);
    }
    if (c >= 0x370 && c < 0x400) { // Greek
        if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2)
            return char16_t(c - 0x20);
        if (c == 0x3C2)
            return 0x3A3;
        if (c == 0x3AC)
            return 0x386;
        if (c >= 0x3AD && c <= 0x3AF)
            return char16_t(c - 0x25);
        if (c == 0x3CC)
            return 0x38C;
        if (c == 0x3CD || c == 0x3CE)
            return char16_t(c - 0x3F);
        return c;
    }
    if (c >= 0x400 && c < 0x530) { // Cyrillic and Cyrillic Supplement
        if (c >= 0x430 && c <= 0x44F)
            return char16_t(c - 0x20);
        if (c >= 0x450 && c <= 0x45F)
            return char16_t(c - 0x50);
        if (c == 0x4CF)
            return 0x4C0;
        if (InPairBlock(c, 0x460, 0x481) || InPairBlock(c, 0x48A, 0x4BF) || InPairBlock(c, 0x4D0, 0x52F))
            return (c & 1) ? char16_t(c - 1) : c;
        if (InPairBlock(c, 0x4C1, 0x4CE))
            return (c & 1) ? c : char16_t(c - 1);
        return c;
    }
    return c;
}

std::u16string UpperCase(std::u16string_view text) {
    std::u16string result(text);
    for (char16_t& c : result)
        c = UpperCase(c);
    return result;
}

bool IsInvisibleControl(char32_t c) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
        return true;
    if (c < 0xAD)
        return false;
    // The format characters (general category Cf) and the two separators.
    static constexpr char32_t kRanges[][2] = {
        {0x00AD, 0x00AD},   {0x0600, 0x0605},   {0x061C, 0x061C},   {0x06DD, 0x06DD},   {0x070F, 0x070F},
        {0x0890, 0x0891},   {0x08E2, 0x08E2},   {0x180E, 0x180E},   {0x200B, 0x200F},   {0x2028, 0x202E},
        {0x2060, 0x2064},   {0x2066, 0x206F},   {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD},
        {0x110CD, 0x110CD}, {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0001, 0xE0001},
        {0xE0020, 0xE007F},
    };
    for (const auto& [first, last] : kRanges) {
        if (c < first)
            return false;
        if (c <= last)
            return true;
    }
    return false;
}

char32_t FirstInvisibleControl(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        if (IsInvisibleControl(c))
            return c;
    }
    return 0;
}

bool IsWhiteSpace(char16_t c) {
    if (c <= 0x20)
        return c == 0x20 || (c >= 0x09 && c <= 0x0D);
    if (c < 0x85)
        return false;
    return c == 0x85 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 ||
           c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

std::u16string_view TrimWhiteSpace(std::u16string_view text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsWhiteSpace(text[begin]))
        ++begin;
    while (end > begin && IsWhiteSpace(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}
