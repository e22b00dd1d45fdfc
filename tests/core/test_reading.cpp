#include "CodePage.h"
#include "Corpus.h"
#include "TestText.h"
#include "TextEncoding.h"
#include "TextFile.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace {

using E = ETextEncoding;

struct SFormatCase {
    const char* name;
    std::string bytes;
    STextFormat format;
    std::u16string text;
};
void PrintTo(const SFormatCase& c, std::ostream* os) {
    *os << c.name;
}

std::string Utf16Be(std::u16string_view text) {
    std::string out;
    for (char16_t u : text) {
        out += static_cast<char>(u >> 8);
        out += static_cast<char>(u & 0xFF);
    }
    return out;
}

class ReadingRule : public testing::TestWithParam<SFormatCase> {};

TEST_P(ReadingRule, ChoosesAndDecodes) {
    const SFormatCase& c = GetParam();
    const SDecodedText decoded = DecodeTextFile(Bytes(c.bytes), c.bytes.size());
    EXPECT_EQ(decoded.format.encoding, c.format.encoding) << EncodingName(decoded.format.encoding);
    EXPECT_EQ(decoded.format.bom, c.format.bom);
    EXPECT_EQ(decoded.text, c.text) << U8(decoded.text);
}

const std::u16string kMixed = u"Grüße, Привет! 😀 中文 naïve ½";

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadingRule,
    testing::Values(
        SFormatCase{"Empty", "", {E::kUtf8, false}, u""},
        SFormatCase{"OneLatin1Byte", "\xE9", {E::kCp1252, false}, u"é"},
        SFormatCase{"Utf8Mixed", U8(kMixed), {E::kUtf8, false}, kMixed},
        SFormatCase{"Utf8WithMark", "\xEF\xBB\xBF" + U8(kMixed), {E::kUtf8, true}, kMixed},
        SFormatCase{"Utf16LeWithMark", "\xFF\xFE" + Utf16Le(kMixed), {E::kUtf16Le, true}, kMixed},
        SFormatCase{"Utf16BeWithMark", "\xFE\xFF" + Utf16Be(kMixed), {E::kUtf16Be, true}, kMixed},
        SFormatCase{"Utf16BeWithoutMark",
                    Utf16Be(u"Привет, мир! Hello."),
                    {E::kUtf16Be, false},
                    u"Привет, мир! Hello."},
        SFormatCase{"Utf16LeWithoutMarkWithDash",
                    Utf16Le(u"Это — тире, а это «кавычки»."),
                    {E::kUtf16Le, false},
                    u"Это — тире, а это «кавычки»."},
        // Without a mark, by the zero bytes of blanks and line ends, or as CJK text.
        SFormatCase{"Utf16LeGreek", Utf16Le(u"Καλημέρα κόσμε"), {E::kUtf16Le, false}, u"Καλημέρα κόσμε"},
        SFormatCase{
            "Utf16LeChinese", Utf16Le(u"中文文本\n第二行"), {E::kUtf16Le, false}, u"中文文本\n第二行"},
        SFormatCase{"Utf16BeChineseNoBlank", Utf16Be(u"中文文本。"), {E::kUtf16Be, false}, u"中文文本。"},
        SFormatCase{"Utf16BeOneLetter", Utf16Be(u"Я"), {E::kUtf16Be, false}, u"Я"},
        SFormatCase{"TwoAsciiBytes", "ab", {E::kUtf8, false}, u"ab"},
        SFormatCase{
            "Utf16BeOddLastByteKeptAside", "\xFE\xFF" + Utf16Be(u"ab") + "c", {E::kUtf16Be, true}, u"ab"},
        // Valid UTF-8 that reads as rare CJK, where CP866 gives Russian words.
        SFormatCase{"Cp866ThatIsValidUtf8", "\xE7\xA5\xAC", {E::kCp866, false}, u"чем"},
        SFormatCase{"Cp866LineThatIsValidUtf8",
                    "\xE2\xA0\xAA \xE7\xA5\xAC \xE2\xA5\xAC",
                    {E::kCp866, false},
                    u"так чем тем"},
        SFormatCase{"Koi8rHerThatIsValidUtf8", "\xC5\xA3", {E::kKoi8r, false}, u"её"},
        SFormatCase{"Windows1251HerThatIsValidUtf8", "\xC5\xB8", {E::kCp1251, false}, u"Её"},
        SFormatCase{"Utf8Chinese", U8(u"中文"), {E::kUtf8, false}, u"中文"},
        SFormatCase{"Utf8Romanian", U8(u"ţară şi ţ"), {E::kUtf8, false}, u"ţară şi ţ"},
        SFormatCase{
            "Windows1251", "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0", {E::kCp1251, false}, u"Привет, мир"},
        SFormatCase{"Windows1252", "caf\xE9 au lait", {E::kCp1252, false}, u"café au lait"}),
    [](const testing::TestParamInfo<SFormatCase>& info) { return std::string(info.param.name); });

// The probe and the decoder fed in pieces agree with one call on the whole, wherever the cuts fall.
TEST(ReadingRule, PiecesGiveTheSameAnswerAsTheWhole) {
    const std::vector<std::string> inputs = {U8(kMixed + kMixed),
                                             "\xEF\xBB\xBF" + U8(kMixed),
                                             "\xFE\xFF" + Utf16Be(kMixed) + "x",
                                             "\xE7\xA5\xAC \xE2\xA0\xAA",
                                             "\xCF\xF0\xE8\xE2\xE5\xF2",
                                             U8(u"a😀") + "\xF0\x9F\x98",
                                             "ab\xC3"};
    std::mt19937 rng(5);
    for (const std::string& input : inputs) {
        const STextFormat whole = ChooseTextFormat(Bytes(input), input.size());
        const std::u16string text = DecodeText(Bytes(input), input.size(), whole);
        for (int round = 0; round < 50; ++round) {
            CTextFormatProbe probe;
            CTextDecoder decoder(whole);
            std::u16string pieces;
            for (std::size_t at = 0; at < input.size();) {
                const std::size_t n = std::min(input.size() - at, std::size_t(rng() % 4));
                probe.Feed(Bytes(input) + at, n);
                decoder.Decode(Bytes(input) + at, n, false, pieces);
                at += n;
            }
            decoder.Decode(nullptr, 0, true, pieces);
            EXPECT_EQ(probe.Result(), whole) << input;
            EXPECT_EQ(probe.DetectorLabel(), DetectCyrillicCodePage(Bytes(input), input.size()));
            EXPECT_EQ(pieces, text) << input;
        }
    }
}

// Short texts where KOI8-R capitals read as Windows-1251 give "лЙОП": the other reading is taken
// only then, and only when it has no such word itself.
TEST(ReadingRule, SwappedCasesChooseTheOtherCodePage) {
    const struct {
        const char16_t* text;
        E stored;
        E chosen; // what the detector said
        E read;
    } cases[] = {
        {u"Кино", E::kKoi8r, E::kCp1251, E::kKoi8r},       {u"Песня Кино", E::kKoi8r, E::kCp1251, E::kKoi8r},
        {u"Кино", E::kCp1251, E::kKoi8r, E::kCp1251},      {u"Кино", E::kCp1251, E::kCp1251, E::kCp1251},
        {u"кВА", E::kCp1251, E::kCp1251, E::kCp1251},      // a unit, not a swapped word
        {u"кино", E::kKoi8r, E::kCp1251, E::kCp1251},      // capitals read: no proof either way
        {u"Кино кВА", E::kCp1251, E::kCp1251, E::kCp1251}, // one word of another shape
        {u"Кино", E::kKoi8r, E::kCp866, E::kCp866},        // only the two that swap cases
    };
    for (const auto& c : cases) {
        const std::string bytes = EncodeText(c.text, {c.stored, false}).bytes;
        EXPECT_EQ(
            UnswapCaseReading(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), c.chosen),
            c.read)
            << bytes;
    }
}

TEST(EncodeText, SaysWhichCharactersTheCodePageLacks) {
    const SEncodedText encoded = EncodeText(kMixed, {E::kCp1251, false});
    EXPECT_EQ(encoded.bytes, "Gr??e, \xCF\xF0\xE8\xE2\xE5\xF2! ? ?? na?ve ?");
    EXPECT_EQ(encoded.lacking, 7u);
    EXPECT_EQ(encoded.lackingFirst, u"üß😀中文ï½");
    EXPECT_EQ(EncodeText(u"Привет?", {E::kKoi8r, false}).lacking, 0u);
    EXPECT_EQ(EncodeText(u"Я", {E::kUtf16Be, true}).bytes, std::string("\xFE\xFF\x04\x2F", 4));
    EXPECT_EQ(EncodeText(u"Я", {E::kUtf8, true}).bytes, "\xEF\xBB\xBF\xD0\xAF");
}

TEST(EncodingNames, ShownNamesAndAliasesParse) {
    for (int i = 0; i < kTextEncodingCount; ++i) {
        ETextEncoding parsed = E::kCp1252;
        ASSERT_TRUE(ParseEncodingName(EncodingName(ETextEncoding(i)), parsed));
        EXPECT_EQ(parsed, ETextEncoding(i));
        ASSERT_TRUE(ParseEncodingName(EncodingCliName(ETextEncoding(i)), parsed));
        EXPECT_EQ(parsed, ETextEncoding(i));
        if (CodePageOf(ETextEncoding(i)) != 0) {
            ASSERT_TRUE(EncodingFromCodePage(CodePageOf(ETextEncoding(i)), parsed));
            EXPECT_EQ(parsed, ETextEncoding(i));
        }
    }
    ETextEncoding parsed = E::kUtf8;
    EXPECT_TRUE(ParseEncodingName("koi8r", parsed));
    EXPECT_EQ(parsed, E::kKoi8r);
    EXPECT_FALSE(ParseEncodingName("latin2", parsed));
}

// ---------------------------------------------------------------------------------------------
// The goal figures on real text

std::vector<std::string> RussianWords(const std::vector<std::string>& cookies) {
    std::set<std::u16string> words;
    for (const std::string& cookie : cookies) {
        const std::u16string text = U16(cookie);
        std::u16string word;
        for (const char16_t c : text + u' ') {
            if ((c >= 0x0410 && c <= 0x044F) || c == 0x0401 || c == 0x0451) {
                word += c;
            } else if (!word.empty()) {
                words.insert(word);
                word.clear();
            }
        }
    }
    std::vector<std::string> out;
    for (const std::u16string& word : words)
        out.push_back(U8(word));
    return out;
}

bool HasCyrillic(const std::string& utf8) {
    const std::u16string text = U16(utf8);
    return std::any_of(text.begin(), text.end(), [](char16_t c) { return c >= 0x0400 && c <= 0x04FF; });
}

// How many of the texts, written in the code page, read back as UTF-8.
std::size_t ReadAsUtf8(const std::vector<std::string>& texts, unsigned codePage) {
    std::size_t count = 0;
    for (const std::string& text : texts) {
        const std::string bytes = EncodeWithCodePage(codePage, U16(text));
        const bool utf8 = ChooseTextFormat(Bytes(bytes), bytes.size()).encoding == E::kUtf8;
        if (utf8 && text.size() < 40)
            std::printf("  read as UTF-8: %s\n", text.c_str());
        count += utf8;
    }
    return count;
}

TEST(ReadingFigures, RussianIn8BitCodePagesIsAlmostNeverReadAsUtf8) {
    std::vector<std::string> cookies;
    for (const std::string& cookie : corpus::Cookies(corpus::kRussian))
        if (HasCyrillic(cookie))
            cookies.push_back(cookie);
    ASSERT_GT(cookies.size(), 10000u) << "install fortunes-ru";
    std::vector<std::string> lines;
    for (const std::string& line : corpus::Lines(cookies))
        if (HasCyrillic(line))
            lines.push_back(line);
    const std::vector<std::string> words = RussianWords(cookies);
    std::vector<std::string> files;
    for (std::size_t i = 0; i + 20 <= cookies.size(); i += 20) {
        std::string file;
        for (std::size_t k = i; k < i + 20; ++k)
            file += cookies[k];
        files.push_back(file);
    }
    using SSet = std::pair<const char*, const std::vector<std::string>*>;
    for (const auto& [name, texts] :
         {SSet{"words", &words}, SSet{"lines", &lines}, SSet{"cookies", &cookies}, SSet{"files", &files}}) {
        for (const unsigned cp : {kCodePage866, kCodePage1251, kCodePageKoi8r}) {
            const std::size_t wrong = ReadAsUtf8(*texts, cp);
            std::printf("%-8s %5u: %zu of %zu read as UTF-8\n", name, cp, wrong, texts->size());
            EXPECT_LE(wrong * 10000, texts->size()) << name << " in " << cp;
        }
    }
}

TEST(ReadingFigures, Utf8TextIsAlwaysReadAsUtf8) {
    std::vector<std::string> files = corpus::Cookies(corpus::kRussian);
    const std::size_t russian = files.size();
    for (const std::string& cookie : corpus::Cookies(corpus::kGerman))
        files.push_back(cookie);
    for (const std::string& cookie : corpus::Cookies(corpus::kEnglish))
        files.push_back(cookie);
    for (const char* dic : {corpus::kFrench, corpus::kIcelandic}) {
        const std::vector<std::string> lines = corpus::DictionaryLines(dic, 4000);
        for (std::size_t i = 0; i + 4 <= lines.size(); i += 4)
            files.push_back(lines[i] + "\n" + lines[i + 1] + "\n" + lines[i + 2] + "\n" + lines[i + 3] +
                            "\n");
    }
    const char* asian[] = {"中文是世界上使用人数最多的语言之一。我们今天去公园散步，天气很好。",
                           "日本語の文章です。東京は大きな都市で、たくさんの人が住んでいます。",
                           "한국어 문장입니다. 서울은 아름다운 도시입니다.",
                           "中文",
                           "漢字",
                           "ひらがな",
                           "カタカナ",
                           "한국",
                           "Emoji 😀🎉👍 and text ✓ ★ → ∑ € №",
                           "Ελληνικά: Καλημέρα κόσμε",
                           "עברית: שלום עולם",
                           "العربية: مرحبا بالعالم",
                           "हिन्दी: नमस्ते दुनिया",
                           "ไทย: สวัสดีชาวโลก"};
    for (const char* text : asian)
        files.push_back(text);
    ASSERT_GT(russian, 10000u) << "install fortunes-ru";
    ASSERT_GT(files.size(), russian + 5000)
        << "install fortunes-de, fortunes-min, hunspell-fr-classical, hunspell-is";
    std::size_t wrong = 0;
    for (const std::string& file : files) {
        const STextFormat format = ChooseTextFormat(Bytes(file), file.size());
        EXPECT_EQ(format.encoding, E::kUtf8) << file;
        wrong += format.encoding != E::kUtf8;
    }
    std::printf("UTF-8 files: %zu of %zu read otherwise\n", wrong, files.size());
}

} // namespace
