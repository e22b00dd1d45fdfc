// Typing conversion (Latin keys to Cyrillic) and transliteration back to Latin.
#include "CCharTable.h"
#include "CTypingConverter.h"
#include "TestText.h"
#include "UnicodeText.h"

#include <gtest/gtest.h>

namespace {

CCharTable Table(const char16_t* keys = u"") {
    CCharTable table;
    table.KeysFromStored(keys);
    return table;
}

// Typing character by character, as the editor does: ConvertAtCaret after each character.
std::string Typed(const CCharTable& table, const std::string& keys) {
    std::u16string text;
    for (char16_t c : U16(keys)) {
        text.push_back(c);
        std::size_t caret = text.size();
        table.ConvertAtCaret(text, caret);
    }
    EXPECT_EQ(text, ConvertToCyrillic(table, U16(keys))) << keys;
    return U8(text);
}

std::string Latin(const CCharTable& table, const std::string& text) {
    std::u16string t = U16(text);
    table.ToLatin(t);
    return U8(t);
}

} // namespace

TEST(TypedForms, DefaultTable) {
    const CCharTable table = Table();
    const struct {
        int row, slot;
        const char* form;
    } expected[] = {{6, 0, "йo"},  {7, 0, "зh"},  {24, 0, "цh"}, {25, 0, "сh"}, {26, 0, "шh"}, {26, 1, "w"},
                    {30, 0, "йe"}, {31, 0, "йu"}, {32, 0, "йa"}, {0, 0, "a"},   {22, 1, "x"},  {33, 0, ""}};
    for (const auto& e : expected)
        EXPECT_EQ(U8(table.m_typed[CCharTable::Index(e.row, e.slot)]), e.form) << e.row << "/" << e.slot;
    EXPECT_EQ(table.MaxTypedLength(), 2u);
}

TEST(TypedForms, PassDerivationOfLongKeys) {
    // "shch" completes "sh" after its second letter: the pass derivation stops converting there.
    const CCharTable table = Table(u"19s|26sh|24c|25ch|27shch");
    EXPECT_EQ(U8(table.m_typed[CCharTable::Index(26, 0)]), "шch");
    EXPECT_EQ(Typed(table, "shch"), "шч");
    // A two-letter key whose first letter is no key keeps itself as typed form.
    EXPECT_EQ(Typed(Table(u"01qz"), "qz"), "а");
}

TEST(ConvertAtCaret, DefaultExamples) {
    const CCharTable table = Table();
    const std::pair<const char*, const char*> cases[] = {
        {"privet", "привет"}, {"Privet", "Привет"},
        {"zhuk", "жук"},      {"shh", "щ"},
        {"Shh", "Щ"},         {"SHH", "Щ"},
        {"sHh", "Щ"},         {"sH", "Ш"},
        {"ob'ekt", "объект"}, {"jo", "ё"},
        {"JO", "Ё"},          {"je", "э"},
        {"ja", "я"},          {"w", "щ"},
        {"x", "х"},           {"#", "ь"},
        {"schi", "счи"},      {"", ""},
        {"5 kg.", "5 кг."},   {"Moskva, 2009", "Москва, 2009"},
    };
    for (const auto& [keys, cyrillic] : cases)
        EXPECT_EQ(Typed(table, keys), cyrillic) << keys;
}

TEST(ConvertAtCaret, TraceAndBoundaries) {
    const CCharTable table = Table();
    std::u16string text = u"шh";
    std::size_t caret = 2;
    EXPECT_TRUE(table.ConvertAtCaret(text, caret));
    EXPECT_EQ(U8(text), "щ");
    EXPECT_EQ(caret, 1u);

    // Only the text before the caret takes part; what follows it is kept after the new letter.
    text = u"xshtail";
    caret = 3;
    EXPECT_TRUE(table.ConvertAtCaret(text, caret));
    EXPECT_EQ(U8(text), "xsхtail");
    EXPECT_EQ(caret, 3u);

    text = u"";
    caret = 0;
    EXPECT_FALSE(table.ConvertAtCaret(text, caret));
    text = u"h";
    caret = 0;
    EXPECT_FALSE(table.ConvertAtCaret(text, caret));
    EXPECT_EQ(text, u"h");
    text = u"123";
    caret = 3;
    EXPECT_FALSE(table.ConvertAtCaret(text, caret));
    EXPECT_EQ(caret, 3u);

    // A Cyrillic letter from another source combines; an unconverted Latin one does not.
    text = u"сh";
    caret = 2;
    table.ConvertAtCaret(text, caret);
    EXPECT_EQ(U8(text), "ш");
    text = u"sh";
    caret = 2;
    table.ConvertAtCaret(text, caret);
    EXPECT_EQ(U8(text), "sх");
}

TEST(ConvertAtCaret, UserKeys) {
    // The same key in two rows: the lower row in the table wins.
    EXPECT_EQ(Typed(Table(u"01x|23x"), "x"), "х");
    // "." as a key: ":" is its capital.
    EXPECT_EQ(Typed(Table(u"01.|02,"), ".:,;"), "аАбБ");
    // An upper-case key matches only itself and gives the small letter.
    EXPECT_EQ(Typed(Table(u"01A"), "aA"), "aа");
    // "ß" has no capital of its own and never makes the result upper case.
    EXPECT_EQ(Typed(Table(u"01ß"), "ß"), "а");
    EXPECT_EQ(Typed(Table(u"01ü"), "Üü"), "Аа");
}

TEST(IsNotCyrillicStart, Classification) {
    const CCharTable table = Table();
    EXPECT_TRUE(table.IsNotCyrillicStart(u"  privet"));
    EXPECT_TRUE(table.IsNotCyrillicStart(u"5 kg"));
    EXPECT_FALSE(table.IsNotCyrillicStart(u"привет"));
    EXPECT_FALSE(table.IsNotCyrillicStart(u".abc"));
    EXPECT_FALSE(table.IsNotCyrillicStart(u""));
    EXPECT_FALSE(table.IsNotCyrillicStart(u" \t\r\n\u00A0\u2003\u3000"));
    EXPECT_FALSE(table.IsNotCyrillicStart(u"\u00A0\u2028Привет"));
}

TEST(ToLatin, DefaultExamples) {
    const CCharTable table = Table();
    const std::pair<const char*, const char*> cases[] = {
        {"привет", "privet"},
        {"Привет", "Privet"},
        {"Жук", "ZHuk"},
        {"Щука", "SHHuka"},
        {"объект", "ob'ekt"},
        {"ёлка", "jolka"},
        {"Ёлка", "JOlka"},
        {"мышь", "mysh#"},
        {"хлеб", "hleb"},
        {"Это", "JEto"},
        {"юг", "jug"},
        {"яма", "jama"},
        {"Москва, 2009.", "Moskva, 2009."},
        {"abc где", "abc gde"},
        {"ЁЖИК", "JOZHIK"},
        {"😀ы", "😀y"},
    };
    for (const auto& [cyrillic, latin] : cases)
        EXPECT_EQ(Latin(table, cyrillic), latin) << cyrillic;

    std::u16string empty;
    EXPECT_FALSE(table.ToLatin(empty));
    std::u16string unchanged = u"abc";
    EXPECT_TRUE(table.ToLatin(unchanged));
}

TEST(ToLatin, UserKeys) {
    // Only slot 0 counts; a row without keys drops its letter; "." and "," are never replaced.
    CCharTable table = Table();
    table.ReadRowLabel(22, u"x,h");
    table.BuildTypedForms();
    EXPECT_EQ(Latin(table, "хлеб"), "xleb");
    EXPECT_EQ(Typed(table, "h"), "х");
    table.ReadRowLabel(0, u"");
    table.ReadRowLabel(33, u"dot");
    table.BuildTypedForms();
    EXPECT_EQ(Latin(table, "мама."), "mm.");
    // Capitals of keys beyond ASCII, whatever the machine's locale.
    EXPECT_EQ(Latin(Table(u"01äß|02ÿœ|03ёж"), "АБВ"), "ÄßŸŒЁЖ");
}

// The UTF-8 path gives what ToLatin on the decoded text gives, and stops at the first bad byte.
TEST(ToLatin, Utf8PathMatchesUtf16) {
    const CCharTable defaults = Table();
    const CCharTable custom = Table(u"01äß|02ÿœ|03ёж|04verylongkey");
    for (const CCharTable* table : {&defaults, &custom}) {
        const CLatinUtf8 utf8(*table);
        for (const std::string text : {"", "plain ASCII text, long enough for words of eight",
                                       "Щука, жук; привет!", "АБВГ ёЁ ∑ € 😀 x", "ÀÿĀ Ω ابت"}) {
            std::string out = "kept:";
            std::size_t offset = 99;
            ASSERT_TRUE(utf8.Append(text, out, &offset)) << text;
            EXPECT_EQ(out, "kept:" + Latin(*table, text)) << text;
        }
    }
    const CLatinUtf8 utf8(defaults);
    const struct {
        std::string bytes;
        std::size_t offset;
        std::string before;
    } bad[] = {{"аб\xD0", 4, "ab"},         {"x\xC0\x80", 1, "x"},     {"я\xED\xA0\x80", 2, "ja"},
               {"\xF4\x90\x80\x80", 0, ""}, {"ok \xE2\x82", 3, "ok "}, {"\x80", 0, ""}};
    for (const auto& row : bad) {
        std::string out;
        std::size_t offset = 99;
        EXPECT_FALSE(utf8.Append(row.bytes, out, &offset)) << row.bytes;
        EXPECT_EQ(offset, row.offset) << row.bytes;
        EXPECT_EQ(out, row.before) << row.bytes;
    }
}

TEST(IsNotLatinStart, Classification) {
    const CCharTable table = Table();
    EXPECT_TRUE(table.IsNotLatinStart(u"привет"));
    EXPECT_TRUE(table.IsNotLatinStart(u"  Привет"));
    EXPECT_TRUE(table.IsNotLatinStart(u"«ёлка»"));
    EXPECT_FALSE(table.IsNotLatinStart(u"hello"));
    EXPECT_FALSE(table.IsNotLatinStart(u":)"));
    EXPECT_FALSE(table.IsNotLatinStart(u"7 дней"));
    EXPECT_FALSE(table.IsNotLatinStart(u"Über"));
    EXPECT_FALSE(table.IsNotLatinStart(u""));
    EXPECT_FALSE(table.IsNotLatinStart(u"\u2009 "));
}

TEST(UnicodeText, UpperCaseCoversTheScriptsKeysUse) {
    EXPECT_EQ(U8(UpperCase(u"azàþÿāķĺňŋžſıёяѣӂӏԁαςώ")), "AZÀÞŸĀĶĹŇŊŽSIЁЯѢӁӀԀΑΣΏ");
    EXPECT_EQ(U8(UpperCase(u"ß#'1÷×ĸŉ")), "ß#'1÷×ĸŉ");
}
