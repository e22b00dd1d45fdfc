#include "TestText.h"
#include "TextFile.h"
#include "Utf8.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <string_view>

namespace {

// ---------------------------------------------------------------------------------------------
// UTF-8

struct SUtf8Case {
    const char* name;
    std::string bytes;
    bool valid;
    std::size_t errorOffset; // when not valid
};
// Test lists show the case name, not the bytes of the whole case.
void PrintTo(const SUtf8Case& c, std::ostream* os) {
    *os << c.name;
}

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
// Test lists show the case name, not the bytes of the whole case.
void PrintTo(const SFileCase& c, std::ostream* os) {
    *os << c.name;
}

class ReadTextFile : public testing::TestWithParam<SFileCase> {};

TEST_P(ReadTextFile, Decodes) {
    const SFileCase& c = GetParam();
    const SDecodedText decoded = DecodeTextFile(Bytes(c.bytes), c.bytes.size());
    EXPECT_EQ(decoded.text, c.text) << U8(decoded.text);
    EXPECT_EQ(decoded.label, c.label);
    EXPECT_EQ(decoded.format.encoding == ETextEncoding::kUtf8, c.utf8);
}

const std::string kMir1251 = "\xEF\xF0\xE8\xE2\xE5\xF2\x20\xEC\xE8\xF0";
const std::string kMirKoi8r = "\xD0\xD2\xC9\xD7\xC5\xD4\x20\xCD\xC9\xD2";
const std::string kMir866 = "\xAF\xE0\xA8\xA2\xA5\xE2\x20\xAC\xA8\xE0";
const std::string kMirUtf8 = "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\x20\xD0\xBC\xD0\xB8\xD1\x80";

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadTextFile,
    testing::Values(
        SFileCase{"Empty", "", u"", 65001, true}, SFileCase{"OneByte", "\xE9", u"é", 65001, false},
        SFileCase{"Utf16WithByteOrderMark", "\xFF\xFE" + Utf16Le(u"привет мир"), u"привет мир", 65001, false},
        SFileCase{"Utf16CyrillicWithoutMark", Utf16Le(u"Привет, мир!"), u"Привет, мир!", 65002, false},
        SFileCase{"Utf16OddLastByteKeptAside", "\xFF\xFE" + Utf16Le(u"ab") + "c", u"ab", 65001, false},
        SFileCase{"Utf16ZeroUnitKept", Utf16Le(std::u16string(u"ab\0cd", 5)), std::u16string(u"ab\0cd", 5),
                  65001, false},
        SFileCase{"Utf8Russian", kMirUtf8, u"привет мир", 866, true},
        SFileCase{"Utf8ByteOrderMarkSkipped", "\xEF\xBB\xBF" + kMirUtf8, u"привет мир", 866, true},
        SFileCase{"Utf8ZeroByteKept", kMirUtf8 + std::string("\0tail", 5),
                  std::u16string(u"привет мир\0tail", 15), 866, true},
        SFileCase{"Ascii", "plain text\r\n", u"plain text\r\n", 0, true},
        SFileCase{"Koi8r", kMirKoi8r, u"привет мир", 20866, false},
        SFileCase{"Cp866", kMir866, u"привет мир", 866, false},
        SFileCase{"Windows1251", kMir1251 + "\r\n", u"привет мир\r\n", 1251, false},
        SFileCase{"ZeroByteKeptIn8BitText", kMir1251 + std::string("\0\xEC\xE8\xF0", 4),
                  std::u16string(u"привет мир\0мир", 14), 1251, false},
        SFileCase{"Windows1252", "caf\xE9 au lait", u"café au lait", 0, false},
        // The file as a whole is not UTF-8, so neither is its part before the zero byte.
        SFileCase{"Utf8PrefixOfA1252File", "caf\xC3\xA9 au lait" + std::string("\0\xE9", 2),
                  std::u16string(u"cafÃ© au lait\0é", 15), 0, false}),
    [](const testing::TestParamInfo<SFileCase>& info) { return std::string(info.param.name); });

// Reading and writing back give the bytes the file held, whatever they are.
struct SRoundTrip {
    const char* name;
    std::string bytes;
    ETextEncoding encoding;
    std::size_t undecodable;
};
void PrintTo(const SRoundTrip& c, std::ostream* os) {
    *os << c.name;
}

class TextFileRoundTrip : public testing::TestWithParam<SRoundTrip> {};

TEST_P(TextFileRoundTrip, WritesBackTheSameBytes) {
    const SRoundTrip& c = GetParam();
    const SDecodedText decoded = DecodeTextFile(Bytes(c.bytes), c.bytes.size());
    EXPECT_EQ(decoded.format.encoding, c.encoding);
    EXPECT_EQ(decoded.undecodable, c.undecodable);
    const SEncodedText encoded = EncodeTextFile(decoded.text, decoded.format);
    EXPECT_EQ(encoded.lacking, 0u);
    EXPECT_EQ(encoded.bytes + decoded.trailing, c.bytes);
}

std::string Repeat(const std::string& s, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += s;
    return out;
}
std::string AllBytes() {
    std::string out;
    for (int b = 0; b < 256; ++b)
        out += static_cast<char>(b);
    return out;
}
// U+00A0, U+2028, U+2029 and U+FEFF inside the text, CR LF, a lone CR.
const std::u16string kSpecial = u"10\u00A0000 руб.\u2028a\u2029b\uFEFFc\r\nd\re\x01";

INSTANTIATE_TEST_SUITE_P(
    Cases, TextFileRoundTrip,
    testing::Values(
        SRoundTrip{"Utf8SpecialCharacters", U8(kSpecial), ETextEncoding::kUtf8, 0},
        SRoundTrip{"Utf8OneLatin1Byte", kMirUtf8 + " caf\xE9 " + kMirUtf8, ETextEncoding::kUtf8, 1},
        SRoundTrip{"Utf8CutInALetter", Repeat(kMirUtf8, 50) + "\xD0", ETextEncoding::kUtf8, 1},
        SRoundTrip{"Utf8WithMarkAndBadBytes", "\xEF\xBB\xBF" + kMirUtf8 + "\xFF\xC0\x80",
                   ETextEncoding::kUtf8, 3},
        SRoundTrip{"Utf16LeSpecial", "\xFF\xFE" + Utf16Le(kSpecial), ETextEncoding::kUtf16Le, 0},
        SRoundTrip{"Utf16LeOddByte", "\xFF\xFE" + Utf16Le(u"мир") + "x", ETextEncoding::kUtf16Le, 1},
        SRoundTrip{"Windows1251", Repeat(kMir1251 + " ", 5), ETextEncoding::kCp1251, 0},
        SRoundTrip{"EveryByte", AllBytes(), ETextEncoding::kKoi8r, 0}),
    [](const testing::TestParamInfo<SRoundTrip>& info) { return std::string(info.param.name); });

TEST(TextFile, BinaryLooksBinary) {
    EXPECT_TRUE(DecodeTextFile(Bytes(AllBytes()), 256).binary);
    EXPECT_FALSE(DecodeTextFile(Bytes(U8(kSpecial)), U8(kSpecial).size()).binary);
    EXPECT_FALSE(DecodeTextFile(Bytes(Utf16Le(u"Привет, мир!")), 24).binary);
    // The escapes: a Latin-1 byte inside UTF-8 text stays one unit.
    const std::string bytes = kMirUtf8 + "\xE9";
    EXPECT_EQ(DecodeTextFile(Bytes(bytes), bytes.size()).text, u"привет мир\xDCE9");
}

} // namespace

// The word-at-a-time fast paths against a plain byte-by-byte reading of the UTF-8 rules, on
// random bytes weighted towards Cyrillic text and its near misses.
TEST(Utf8, FastPathsMatchAPlainReading) {
    auto reference = [](const std::string& s, std::u16string& out) -> std::size_t {
        out.clear();
        for (std::size_t i = 0; i < s.size();) {
            const unsigned b = static_cast<unsigned char>(s[i]);
            std::size_t len = b < 0x80                ? 1
                              : b >= 0xC2 && b < 0xE0 ? 2
                              : b >= 0xE0 && b < 0xF0 ? 3
                              : b >= 0xF0 && b < 0xF5 ? 4
                                                      : 0;
            if (len == 0 || i + len > s.size())
                return i;
            std::uint32_t cp = len == 1 ? b : b & (0x7F >> len);
            for (std::size_t k = 1; k < len; ++k) {
                const unsigned c = static_cast<unsigned char>(s[i + k]);
                if ((c & 0xC0) != 0x80)
                    return i;
                cp = cp << 6 | (c & 0x3F);
            }
            const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
            if (cp < least[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000))
                return i;
            if (cp >= 0x10000) {
                out += char16_t(0xD800 + ((cp - 0x10000) >> 10));
                out += char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
            } else {
                out += char16_t(cp);
            }
            i += len;
        }
        return std::string::npos;
    };
    const unsigned char pool[] = {'a',  ' ',  '.',  0xD0, 0xD1, 0xB0, 0xBF, 0x80, 0x81, 0xC0, 0xC1, 0xC2,
                                  0xDF, 0xE0, 0xE2, 0xED, 0xF0, 0xF4, 0xF5, 0xFF, 0xA0, 0x9F, 0x90, 0x8F};
    std::mt19937 rng(7);
    std::uniform_int_distribution<std::size_t> pick(0, sizeof pool - 1), length(0, 40);
    std::bernoulli_distribution cyrillic(0.8);
    for (int n = 0; n < 200000; ++n) {
        std::string s;
        for (std::size_t k = length(rng); k > 0; --k) {
            if (cyrillic(rng)) // mostly well-formed text, so that the fast paths really run
                s += (k % 3 == 0) ? std::string(" ") : std::string(k % 2 ? "\xD0\xB0" : "\xD1\x8F");
            else
                s += char(pool[pick(rng)]);
        }
        std::u16string expected, checked;
        const std::size_t bad = reference(s, expected);
        std::size_t offset = 0;
        ASSERT_EQ(IsValidUtf8(Bytes(s), s.size(), &offset), bad == std::string::npos) << n;
        ASSERT_EQ(Utf8ToUtf16Checked(Bytes(s), s.size(), checked, &offset), bad == std::string::npos) << n;
        if (bad == std::string::npos) {
            ASSERT_EQ(checked, expected) << n;
            ASSERT_EQ(Utf8ToUtf16(Bytes(s), s.size()), expected) << n;
        } else {
            ASSERT_EQ(offset, bad) << n;
        }
    }
}
