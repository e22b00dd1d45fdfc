#include "CodePage.h"
#include "TestText.h"

#include <gtest/gtest.h>

#include <bit>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::string Repeat(std::string_view s, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += s;
    return out;
}

// One sentence with every Russian letter, ё and ъ included.
constexpr std::u16string_view kSentence = u"Съешь же ещё этих мягких французских булок, да выпей чаю.";
const std::string kSentence1251 =
    "\xD1\xFA\xE5\xF8\xFC\x20\xE6\xE5\x20\xE5\xF9\xB8\x20\xFD\xF2\xE8\xF5\x20\xEC\xFF\xE3\xEA\xE8\xF5\x20"
    "\xF4\xF0\xE0\xED\xF6\xF3\xE7\xF1\xEA\xE8\xF5\x20\xE1\xF3\xEB\xEE\xEA\x2C\x20\xE4\xE0\x20\xE2\xFB\xEF"
    "\xE5\xE9\x20\xF7\xE0\xFE\x2E";
const std::string kSentenceKoi8r =
    "\xF3\xDF\xC5\xDB\xD8\x20\xD6\xC5\x20\xC5\xDD\xA3\x20\xDC\xD4\xC9\xC8\x20\xCD\xD1\xC7\xCB\xC9\xC8\x20"
    "\xC6\xD2\xC1\xCE\xC3\xD5\xDA\xD3\xCB\xC9\xC8\x20\xC2\xD5\xCC\xCF\xCB\x2C\x20\xC4\xC1\x20\xD7\xD9\xD0"
    "\xC5\xCA\x20\xDE\xC1\xC0\x2E";
const std::string kSentence866 =
    "\x91\xEA\xA5\xE8\xEC\x20\xA6\xA5\x20\xA5\xE9\xF1\x20\xED\xE2\xA8\xE5\x20\xAC\xEF\xA3\xAA\xA8\xE5\x20"
    "\xE4\xE0\xA0\xAD\xE6\xE3\xA7\xE1\xAA\xA8\xE5\x20\xA1\xE3\xAB\xAE\xAA\x2C\x20\xA4\xA0\x20\xA2\xEB\xAF"
    "\xA5\xA9\x20\xE7\xA0\xEE\x2E";

// The same sentence in capitals: 32 distinct letter pairs (31 without its last 2 bytes "Ю.", 30
// without "АЮ."), none of them implausible, and no pairs at all in the other readings (1251
// capitals are no CP866 letters, CP866 capitals lie below C0).
const std::string kCapitals866 =
    "\x91\x9A\x85\x98\x9C\x20\x86\x85\x20\x85\x99\xF0\x20\x9D\x92\x88\x95\x20\x8C\x9F\x83\x8A\x88\x95\x20"
    "\x94\x90\x80\x8D\x96\x93\x87\x91\x8A\x88\x95\x20\x81\x93\x8B\x8E\x8A\x2C\x20\x84\x80\x20\x82\x9B\x8F"
    "\x85\x89\x20\x97\x80\x9E\x2E";
const std::string kCapitals1251 =
    "\xD1\xDA\xC5\xD8\xDC\x20\xC6\xC5\x20\xC5\xD9\xA8\x20\xDD\xD2\xC8\xD5\x20\xCC\xDF\xC3\xCA\xC8\xD5\x20"
    "\xD4\xD0\xC0\xCD\xD6\xD3\xC7\xD1\xCA\xC8\xD5\x20\xC1\xD3\xCB\xCE\xCA\x2C\x20\xC4\xC0\x20\xC2\xDB\xCF"
    "\xC5\xC9\x20\xD7\xC0\xDE\x2E";

// ---------------------------------------------------------------------------------------------
// Tables

TEST(CodePageTables, BigramMatrixHoldsTheRussianPairs) {
    int set = 0;
    for (unsigned char byte : kRussianBigrams)
        set += std::popcount(byte);
    EXPECT_EQ(set, 709);
}

// The letter orders the detector uses must agree with the decoding tables, or detection and
// decoding would disagree about which byte is which letter.
TEST(CodePageTables, LetterIndicesAgreeWithTheDecodingTables) {
    auto index = [](char16_t u) { return static_cast<int>(u >= u'а' ? u - u'а' : u - u'А'); };
    for (unsigned b = 0xC0; b <= 0xFF; ++b) {
        EXPECT_EQ(index(kCp1251ToUnicode[b]), static_cast<int>(b & 0x1F)) << "1251 byte " << b;
        EXPECT_EQ(index(kKoi8rToUnicode[b]), kKoiLetterOrder[b & 0x1F]) << "KOI8-R byte " << b;
    }
    for (unsigned b = 0x80; b <= 0xEF; ++b) {
        if (b >= 0xB0 && b < 0xE0)
            continue;
        EXPECT_EQ(index(kCp866ToUnicode[b]), static_cast<int>((b < 0xE0 ? b : b - 0x30) & 0x1F)) << b;
    }
}

TEST(CodePageTables, EveryByteSurvivesDecodeAndEncode) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    for (unsigned cp : {866u, 1251u, 20866u, 1252u}) {
        const std::u16string text = DecodeWithCodePage(cp, Bytes(all), all.size());
        ASSERT_EQ(text.size(), 256u) << cp;
        EXPECT_EQ(EncodeWithCodePage(cp, text), all) << cp;
    }
}

// ---------------------------------------------------------------------------------------------
// Detection

struct SDetectCase {
    const char* name;
    std::string bytes;
    unsigned expected;
};
// Test lists show the case name, not the bytes of the whole case.
void PrintTo(const SDetectCase& c, std::ostream* os) {
    *os << c.name;
}

class DetectCyrillic : public testing::TestWithParam<SDetectCase> {};

TEST_P(DetectCyrillic, Label) {
    const SDetectCase& c = GetParam();
    EXPECT_EQ(DetectCyrillicCodePage(Bytes(c.bytes), c.bytes.size()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DetectCyrillic,
    testing::Values(
        SDetectCase{"Empty", "", 65001}, SDetectCase{"OneHighByte", "\xE9", 65001},
        SDetectCase{"ByteOrderMarkBefore1251", "\xFF\xFE" + kSentence1251, 65001},
        SDetectCase{"Utf16Latin", Utf16Le(u"abc"), 65001},
        SDetectCase{"Utf16Cyrillic", Utf16Le(u"При"), 65002},
        SDetectCase{"Utf16OddLength", std::string("a\0b", 3), 65001},
        SDetectCase{"Utf16CyrillicAtUnit199", Utf16Le(std::u16string(199, u'a') + u"Я"), 65002},
        SDetectCase{"Utf16CyrillicAfterUnit200", Utf16Le(std::u16string(200, u'a') + u"Я"), 65001},
        SDetectCase{"OneHighByteAmongAscii", "Moscow 19\xE9\x38\x30", 0},
        SDetectCase{"HighBytesAQuarter", "a\xE9\x62\x63", 0},
        SDetectCase{"HighBytesAboveAQuarter", "a\xE9\x62", 866},
        SDetectCase{"TwoHighBytesInARow", "abcdefghijkl\xE9\xE9", 0},
        SDetectCase{"HighBytePairsApart", "ab\xE9\xE9 cdefghijklmnopq\xE9\xE9", 0},
        SDetectCase{"ThreeHighBytesInARow", "abcdefghijkl\xE9\xE9\xE9", 20866},
        SDetectCase{"Words1251", "\xEF\xF0\xE8\xE2\xE5\xF2\x20\xEC\xE8\xF0", 1251},
        SDetectCase{"WordsKoi8r", "\xD0\xD2\xC9\xD7\xC5\xD4\x20\xCD\xC9\xD2", 20866},
        SDetectCase{"Words866", "\xAF\xE0\xA8\xA2\xA5\xE2\x20\xAC\xA8\xE0", 866},
        // Counted over the whole text, not only the part the UTF-16 test looked at.
        SDetectCase{"CyrillicAfterLongAscii", std::string(500, 'x') + "\xEF\xF0\xE8\xE2\xE5\xF2", 1251},
        // No letter pair in any reading: all scores tie and CP866 wins.
        SDetectCase{"HighBytesWithoutLetters", "\xB0\xB1\xB2", 866},
        // Same pair in 1251 and KOI8-R, none in CP866: 1251 wins the tie.
        SDetectCase{"TieOf1251AndKoi8r", "\xC0\xC0", 1251}),
    [](const testing::TestParamInfo<SDetectCase>& info) { return std::string(info.param.name); });

struct SScoreCase {
    const char* name;
    std::string bytes;
    unsigned limit;
    int expected;
};
// Test lists show the case name, not the bytes of the whole case.
void PrintTo(const SScoreCase& c, std::ostream* os) {
    *os << c.name;
}

class ScoreCyrillic : public testing::TestWithParam<SScoreCase> {};

TEST_P(ScoreCyrillic, Winner) {
    const SScoreCase& c = GetParam();
    EXPECT_EQ(ScoreCyrillicEncodings(Bytes(c.bytes), c.bytes.size(), c.limit), c.expected);
}

// Every pair of CP866 capitals once: 1024 pairs, 315 of them implausible, none in the other readings.
std::string AllCp866Pairs() {
    std::string out;
    for (int r = 0; r < 32; ++r) {
        for (int c = 0; c < 32; ++c) {
            out += static_cast<char>(0x80 + r);
            out += static_cast<char>(0x80 + c);
        }
    }
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScoreCyrillic,
    testing::Values(
        // One implausible pair (ЪЪ, counted once however often it comes) among 32 is forgiven ...
        SScoreCase{"BadPairForgivenAmong32In1251", kCapitals1251.substr(0, 55) + " \xDA\xDA \xDA\xDA", 128,
                   1},
        SScoreCase{"BadPairForgivenAmong32In866", kCapitals866.substr(0, 55) + " \x9A\x9A \x9A\x9A", 128, 0},
        // ... but not among 31, where the reading without any pairs then wins.
        SScoreCase{"BadPairCountsAmong31In1251", kCapitals1251.substr(0, 54) + " \xDA\xDA", 128, 0},
        SScoreCase{"BadPairCountsAmong31In866", kCapitals866.substr(0, 54) + " \x9A\x9A", 128, 1},
        // A 1251 word, then KOI8-R text: stopping after five pairs sees only the word.
        SScoreCase{"LimitStopsScoring", "\xEF\xF0\xE8\xE2\xE5\xF2 " + Repeat(kSentenceKoi8r, 3), 5, 1},
        // The limit is checked before the first byte too: nothing scored, CP866 wins the tie.
        SScoreCase{"LimitZeroScoresNothing", kSentence1251, 0, 0},
        // Within 128 pairs CP866 already has too many implausible ones ...
        SScoreCase{"ImplausibleCp866Capitals", AllCp866Pairs(), 128, 1},
        // ... while past 255 of them its score wraps around as an unsigned number and wins.
        SScoreCase{"UnsignedWrapAbove255BadPairs", AllCp866Pairs(), 2000, 0}),
    [](const testing::TestParamInfo<SScoreCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Conversion

struct SGolden {
    unsigned codePage;
    const std::string* bytes;
};

class GoldenSentence : public testing::TestWithParam<SGolden> {};

TEST_P(GoldenSentence, IsDetectedDecodedAndEncodedBack) {
    const SGolden& g = GetParam();
    EXPECT_EQ(DetectCyrillicCodePage(Bytes(*g.bytes), g.bytes->size()), g.codePage);
    const std::u16string decoded = DecodeWithCodePage(g.codePage, Bytes(*g.bytes), g.bytes->size());
    EXPECT_EQ(decoded, kSentence) << U8(decoded);
    EXPECT_EQ(EncodeWithCodePage(g.codePage, kSentence), *g.bytes);
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenSentence,
                         testing::Values(SGolden{1251, &kSentence1251}, SGolden{20866, &kSentenceKoi8r},
                                         SGolden{866, &kSentence866}));

TEST(DecodeWithCodePage, SystemCodePageIsUtf8WhenValidElseWindows1252) {
    const std::string utf8 = "caf\xC3\xA9 \xD0\xBC\xD0\xB8\xD1\x80";
    EXPECT_EQ(DecodeWithCodePage(0, Bytes(utf8), utf8.size()), u"café мир");
    const std::string latin = "caf\xE9 \x80 \x81";
    EXPECT_EQ(DecodeWithCodePage(0, Bytes(latin), latin.size()), u"café € \u0081");
}

TEST(DecodeWithCodePage, KeepsZeroBytesAndRejectsUnknownCodePages) {
    const std::string bytes("a\0\xE0", 3);
    EXPECT_EQ(DecodeWithCodePage(1251, Bytes(bytes), bytes.size()), std::u16string(u"a\0а", 3));
    EXPECT_EQ(DecodeWithCodePage(437, Bytes(bytes), bytes.size()), u"");
    EXPECT_EQ(DecodeWithCodePage(866, nullptr, 0), u"");
}

struct SEncodeCase {
    unsigned codePage;
    std::u16string text;
    std::string expected;
};

class EncodeMissing : public testing::TestWithParam<SEncodeCase> {};

TEST_P(EncodeMissing, BecomesQuestionMark) {
    const SEncodeCase& c = GetParam();
    EXPECT_EQ(EncodeWithCodePage(c.codePage, c.text), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EncodeMissing,
    testing::Values(SEncodeCase{1251, u"№ é €", "\xB9 ? \x88"}, SEncodeCase{866, u"№ é ░", "\xFC ? \xB0"},
                    SEncodeCase{20866, u"№ ё ÷", "? \xA3 \x9F"},
                    // Code page 0 writes Windows-1252; Cyrillic is lost there.
                    SEncodeCase{0, u"é € Я", "\xE9 \x80 ?"},
                    // One byte per unit: a surrogate pair is two characters the code page lacks.
                    SEncodeCase{1251, u"a\U0001F600b", "a??b"}, SEncodeCase{1251, u"", ""}));

} // namespace
