#include "RussianText.h"

#include "RussianPairs.h"

namespace {

bool IsCyrillicLetter(char16_t c) {
    return c >= 0x0400 && c <= 0x045F;
}

bool IsOtherAllowed(char16_t c) {
    if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'))
        return true;
    // Blanks and the punctuation of ordinary Russian and Latin text.
    if (c == u' ' || c == u'\t' || c == 0x00A0 || (c >= 0x21 && c <= 0x2F) || (c >= 0x3A && c <= 0x40) ||
        (c >= 0x5B && c <= 0x60) || (c >= 0x7B && c <= 0x7E))
        return true;
    switch (c) {
    case 0x00AB: // «
    case 0x00BB: // »
    case 0x2013: // –
    case 0x2014: // —
    case 0x2026: // …
    case 0x2116: // №
    case 0x2018:
    case 0x2019:
    case 0x201C:
    case 0x201D:
    case 0x201E:
    case 0x00B7:
        return true;
    default:
        return false;
    }
}

} // namespace

bool IsPlausibleRussian(std::u16string_view text) {
    bool cyrillic = false;
    for (const char16_t c : text) {
        if (IsCyrillicLetter(c))
            cyrillic = true;
        else if (!IsOtherAllowed(c))
            return false;
    }
    return cyrillic;
}

int RussianPairScore(std::u16string_view word) {
    constexpr unsigned kEdge = 32;
    unsigned previous = kEdge;
    int score = 0;
    for (const char16_t c : word) {
        // ё is е; every other letter by its place in а..я, either case.
        const unsigned letter =
            c == 0x0401 || c == 0x0451 ? 5 : (c >= 0x0430 ? c - 0x0430 : c - 0x0410) & 0x1F;
        score += kRussianPairScores[33 * previous + letter];
        previous = letter;
    }
    return score + kRussianPairScores[33 * previous + kEdge];
}
