#include "TestText.h"
#include "TextFile.h"
#include "Utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

const unsigned char* Bytes(std::string_view s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

std::string Utf16Le(std::u16string_view text) {
    std::string out;
    for (char16_t u : text) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// UTF-8

struct SUtf8Case {
    const char* name;
    std::string bytes;
    bool valid;
    std::size_t errorOffset; // when not valid
};

class Utf8Validation : public testing::TestWithParam<SUtf8Case> {};

TEST_P(Utf8Validation, AcceptsOrReportsFirstBadSequence) {
    const SUtf8Case& c = GetParam();
    std::size_t offset = 12345;
    EXPECT_EQ(IsValidUtf8(Bytes(c.bytes), c.bytes.size(), &offset), c.valid);
    EXPECT_EQ(offset, c.valid ? 12345u : c.errorOffset);
}

// Runs longer than eight ASCII bytes go through the word-at-a-time scan; the errors behind them
// must still be reported at the right byte.
const std::string kAscii19 = "nineteen ascii byte";
const std::string kBoundaries =
    "\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF";

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8Validation,
    testing::Values(SUtf8Case{"Empty", "", true, 0}, SUtf8Case{"Ascii", kAscii19 + kAscii19, true, 0},
                    // U+0080, U+07FF, U+0800, U+D7FF, U+E000, U+FFFF, U+10000, U+10FFFF
                    SUtf8Case{"Boundaries", kBoundaries, true, 0},
                    SUtf8Case{"ByteOrderMark", "\xEF\xBB\xBFx", true, 0},
                    SUtf8Case{"StrayContinuation", kAscii19 + "\x80", false, 19},
                    SUtf8Case{"OverlongTwoBytes", "ab\xC0\x80", false, 2},
                    SUtf8Case{"OverlongThreeBytes", kAscii19 + "\xE0\x9F\xBF", false, 19},
                    SUtf8Case{"OverlongFourBytes", "\xF0\x8F\xBF\xBF", false, 0},
                    SUtf8Case{"Surrogate", "\xD0\xBC\xED\xA0\x80", false, 2},
                    SUtf8Case{"AboveMaximum", "\xF4\x90\x80\x80", false, 0},
                    SUtf8Case{"LeadF5", "x\xF5\x80\x80\x80", false, 1},
                    SUtf8Case{"TruncatedAtEnd", kAscii19 + "\xE2\x82", false, 19},
                    SUtf8Case{"MissingContinuation", "\xD0\xBC\xE2\x82x\xD0\xBC", false, 2},
                    SUtf8Case{"BadThirdByte", "\xF0\x9F\xC0\x80", false, 0}),
    [](const testing::TestParamInfo<SUtf8Case>& info) { return std::string(info.param.name); });

TEST(Utf8, DecodesEveryLengthAndKeepsByteOrderMark) {
    const std::string bytes =
        "\xEF\xBB\xBF\x41\xC2\x80\xD0\xAF\xE2\x82\xAC\xEF\xBF\xBF\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF 0123456789";
    EXPECT_EQ(Utf8ToUtf16(Bytes(bytes), bytes.size()), u"\uFEFFA\u0080Я€\uFFFF😀\U0010FFFF 0123456789");
}

// The length given is the end, even when valid bytes follow in memory.
TEST(Utf8, SequenceCutByTheLengthIsIllFormed) {
    const std::string bytes = "a\xE2\x82\xAC";
    std::size_t offset = 0;
    EXPECT_FALSE(IsValidUtf8(Bytes(bytes), 3, &offset));
    EXPECT_EQ(offset, 1u);
    EXPECT_EQ(Utf8ToUtf16(Bytes(bytes), 3), u"a\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16(Bytes(bytes), 4), u"a€");
}

TEST(Utf8, EncodesPairsAndReplacesLoneSurrogates) {
    EXPECT_EQ(Utf16ToUtf8(u"A\u0080Я€\uFFFF😀\U0010FFFF"),
              "A\xC2\x80\xD0\xAF\xE2\x82\xAC\xEF\xBF\xBF\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF");
    const char16_t lone[] = {u'a', 0xD800, u'b', 0xDC00, 0xD83D};
    EXPECT_EQ(Utf16ToUtf8(std::u16string_view(lone, 5)), "a\xEF\xBF\xBD\x62\xEF\xBF\xBD\xEF\xBF\xBD");
    const char16_t reversed[] = {0xDE00, 0xD83D};
    EXPECT_EQ(Utf16ToUtf8(std::u16string_view(reversed, 2)), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Utf8, AppendKeepsWhatIsThere) {
    std::string out = "x";
    AppendUtf16AsUtf8(out, u"мир");
    AppendUtf16AsUtf8(out, u"");
    EXPECT_EQ(out, "x\xD0\xBC\xD0\xB8\xD1\x80");
}

// ---------------------------------------------------------------------------------------------
// Reading a text file

struct SFileCase {
    const char* name;
    std::string bytes;
    std::u16string text;
    unsigned label;
    bool utf8;
};

class ReadTextFile : public testing::TestWithParam<SFileCase> {};

TEST_P(ReadTextFile, Decodes) {
    const SFileCase& c = GetParam();
    const SDecodedText decoded = DecodeTextFile(Bytes(c.bytes), c.bytes.size());
    EXPECT_EQ(decoded.text, c.text) << U8(decoded.text);
    EXPECT_EQ(decoded.label, c.label);
    EXPECT_EQ(decoded.utf8, c.utf8);
}

const std::string kMir1251 = "\xEF\xF0\xE8\xE2\xE5\xF2\x20\xEC\xE8\xF0";
const std::string kMirKoi8r = "\xD0\xD2\xC9\xD7\xC5\xD4\x20\xCD\xC9\xD2";
const std::string kMir866 = "\xAF\xE0\xA8\xA2\xA5\xE2\x20\xAC\xA8\xE0";
const std::string kMirUtf8 = "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\x20\xD0\xBC\xD0\xB8\xD1\x80";

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadTextFile,
    testing::Values(
        SFileCase{"Empty", "", u"", 65001, false}, SFileCase{"OneByte", "\xE9", u"é", 65001, false},
        SFileCase{"Utf16WithByteOrderMark", "\xFF\xFE" + Utf16Le(u"привет мир"), u"привет мир", 65001, false},
        SFileCase{"Utf16CyrillicWithoutMark", Utf16Le(u"Привет, мир!"), u"Привет, мир!", 65002, false},
        SFileCase{"Utf16OddLastByte", "\xFF\xFE" + Utf16Le(u"ab") + "c", u"abc", 65001, false},
        SFileCase{"Utf16ZeroUnitEndsText", Utf16Le(std::u16string(u"ab\0cd", 5)), u"ab", 65001, false},
        SFileCase{"Utf8Russian", kMirUtf8, u"привет мир", 866, true},
        SFileCase{"Utf8ByteOrderMarkSkipped", "\xEF\xBB\xBF" + kMirUtf8, u"привет мир", 866, true},
        SFileCase{"Utf8ZeroByteEndsText", kMirUtf8 + std::string("\0tail", 5), u"привет мир", 866, true},
        SFileCase{"Ascii", "plain text\r\n", u"plain text\r\n", 0, true},
        SFileCase{"Koi8r", kMirKoi8r, u"привет мир", 20866, false},
        SFileCase{"Cp866", kMir866, u"привет мир", 866, false},
        SFileCase{"Windows1251", kMir1251 + "\r\n", u"привет мир\r\n", 1251, false},
        SFileCase{"ZeroByteEnds8BitText", kMir1251 + std::string("\0\xEC\xE8\xF0", 4), u"привет мир", 1251,
                  false},
        SFileCase{"Windows1252", "caf\xE9 au lait", u"café au lait", 0, false},
        // The file as a whole is not UTF-8, so neither is its part before the zero byte.
        SFileCase{"Utf8PrefixOfA1252File", "caf\xC3\xA9 au lait" + std::string("\0\xE9", 2), u"cafÃ© au lait",
                  0, false}),
    [](const testing::TestParamInfo<SFileCase>& info) { return std::string(info.param.name); });

} // namespace
