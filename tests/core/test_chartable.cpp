// The key table: stored text form, row labels, defaults.
#include "CCharTable.h"
#include "TestText.h"

#include <gtest/gtest.h>

namespace {

const char* const kDefaultText =
    "01a|02b|03v|04g|05d|06e|07jo|08zh|09z|10i|11j|12k|13l|14m|15n|16o|17p|18r|19s|"
    "20t|21u|22f|23h|23x|24c|25ch|26sh|27shh|27w|28'|29y|30#|31je|32ju|33ja";

CCharTable DefaultTable() {
    CCharTable table;
    table.SetDefaultKeys();
    return table;
}

std::string Keys(const CCharTable& table, int row) {
    return U8(table.m_keys[CCharTable::Index(row, 0)]) + "|" + U8(table.m_keys[CCharTable::Index(row, 1)]) +
           "|" + U8(table.m_keys[CCharTable::Index(row, 2)]);
}

} // namespace

TEST(CharTable, FixedRowsPairCase) {
    const CCharTable table;
    ASSERT_EQ(table.m_cyrLower.size(), 35u);
    ASSERT_EQ(table.m_cyrUpper.size(), 35u);
    ASSERT_EQ(table.m_latLower.size(), 32u);
    ASSERT_EQ(table.m_latUpper.size(), 32u);
    EXPECT_EQ(U8(table.m_cyrLower.substr(5, 3)), "еёж"); // ё directly after е, as in Windows-1251
    for (const auto& key : table.m_keys)
        EXPECT_TRUE(key.empty()); // keys are valid only after loading
}

TEST(CharTable, DefaultTableStoresExactText) {
    const CCharTable table = DefaultTable();
    EXPECT_EQ(U8(table.KeysToText()), kDefaultText);
    EXPECT_EQ(table.KeysToText().size(), 148u);

    CCharTable loaded;
    loaded.KeysFromText(table.KeysToText());
    EXPECT_EQ(loaded.m_keys, table.m_keys);
    EXPECT_EQ(loaded.m_typed, table.m_typed);
}

TEST(CharTable, TextFormOrderAndLimits) {
    CCharTable table;
    table.KeysFromText(u"23x|23h");
    EXPECT_EQ(Keys(table, 22), "x|h|");

    table.KeysFromText(u"01a|01b|01c|01d");
    EXPECT_EQ(Keys(table, 0), "a|b|c");

    // Bad fields are skipped one by one; the good ones still load.
    table.KeysFromText(u"00x|36x|ab|02b||05|-1q|03v|");
    EXPECT_EQ(U8(table.KeysToText()), "02b|03v");

    // strtol-style row numbers: leading space and "+" are accepted, only two characters count.
    table.KeysFromText(u" 5e|+6f|7g");
    EXPECT_EQ(U8(table.KeysToText()), "05e|06f");

    // A key holding "|" is cut into two fields.
    table.KeysFromText(u"01a|b");
    EXPECT_EQ(Keys(table, 0), "a||");
}

TEST(CharTable, EmptyStoredValueMeansDefaultsButGarbageMeansNoKeys) {
    CCharTable table;
    table.KeysFromStored(u"");
    EXPECT_EQ(U8(table.KeysToText()), kDefaultText);

    table.KeysFromStored(u"xyz");
    EXPECT_EQ(table.KeysToText(), u"");
    EXPECT_EQ(table.MaxTypedLength(), 0u);

    // A table without keys writes the empty string, which loads as the defaults again.
    table.KeysFromStored(table.KeysToText());
    EXPECT_EQ(U8(table.KeysToText()), kDefaultText);
}

TEST(CharTable, RowLabels) {
    CCharTable table = DefaultTable();
    EXPECT_EQ(U8(table.RowLabel(22)), "h,x");
    EXPECT_EQ(U8(table.RowLabel(26)), "shh,w");
    EXPECT_EQ(U8(table.RowLabel(33)), "");

    struct {
        const char16_t* label;
        const char* keys;
    } const cases[] = {
        {u"shh,w", "shh|w|"}, {u",z", ",|z|"}, {u"a,,b", "a||b"},   {u"", "||"},
        {u",", ",||"},        {u",,", ",||"},  {u"a,b,c", "a|b|c"}, {u"x,,", "x||"},
    };
    for (const auto& c : cases) {
        table.SetDefaultKeys();
        table.ReadRowLabel(0, c.label);
        EXPECT_EQ(Keys(table, 0), c.keys) << U8(c.label);
    }

    // A third comma leaves slot 2 as it was (the list cuts labels there before reading them).
    table.KeysFromText(u"01a|01b|01c");
    table.ReadRowLabel(0, u"p,q,r,s");
    EXPECT_EQ(Keys(table, 0), "p|q|c");

    // A gap in slot 1 hides slot 2 from the label.
    table.ReadRowLabel(0, u"a,,b");
    EXPECT_EQ(U8(table.RowLabel(0)), "a");
    EXPECT_EQ(U8(table.KeysToText()), "01a|01b");
}

TEST(CharTable, StrictTextFormNamesTheBadField) {
    const struct {
        const char16_t* text;
        const char* field; // empty: accepted
    } cases[] = {
        {u"01a|02b|33ja", ""}, {u"23h|23x|23q", ""},        {u"garbage", "garbage"}, {u"01a|00x", "00x"},
        {u"01a|36x", "36x"},   {u"01a||02b", ""}, // an empty field names nothing, but is refused
        {u"01a|02b|", ""},                        // a trailing bar likewise
        {u"01a|05", "05"},                        // no key
        {u" 1a", " 1a"},                          // the lenient reading takes this; the strict one does not
        {u"+1a", "+1a"},       {u"01a|01b|01c|01d", "01d"},
    };
    for (const auto& c : cases) {
        std::u16string field;
        std::string why;
        const bool ok = CCharTable::CheckKeysText(c.text, field, why);
        const bool expectOk = std::string(c.field).empty() && U8(c.text).find("||") == std::string::npos &&
                              U8(c.text).back() != '|';
        EXPECT_EQ(ok, expectOk) << U8(c.text);
        EXPECT_EQ(U8(field), c.field) << U8(c.text);
        EXPECT_EQ(why.empty(), ok) << U8(c.text);
    }
}

TEST(CharTable, LetterWithoutKey) {
    CCharTable table;
    table.KeysFromText(u"01a|03v|20t");
    EXPECT_EQ(table.LetterWithoutKey(u"вата"), 0);
    EXPECT_EQ(table.LetterWithoutKey(u"ваБа"), u'Б');
    EXPECT_EQ(table.LetterWithoutKey(u"x.,y"), 0); // "." and "," are not letters
}
