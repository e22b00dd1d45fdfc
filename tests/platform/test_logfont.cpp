// Font descriptions: the stored text form, the fonts made from them, the font dialog's answer.
#include "CLogFont.h"
#include "Modal.h"
#include "TestStore.h"

#include <QFont>

namespace {

const char kDefaultText[] = "-12 0 0 0 400 0 0 0 1 7 0 0 0 Arial";

class LogFont : public StoreTest {
protected:
    void TearDown() override { Modal::Reset(); }
};

} // namespace

TEST_F(LogFont, TextFormRoundTrips) {
    CLogFont font;
    EXPECT_EQ(font.ToText(), QString::fromLatin1(kDefaultText));

    const QString stored = u"-100 5 -900 900 700 1 255 0 204 3 2 4 49 Times-New-Roman"_s;
    ASSERT_TRUE(font.FromText(stored));
    EXPECT_EQ(font.FaceName(), u"Times New Roman"_s);
    EXPECT_EQ(font.m_escapement, -900);
    EXPECT_EQ(font.m_underline, 255);
    EXPECT_EQ(font.m_pitchAndFamily, 49);
    EXPECT_EQ(font.ToText(), stored);

    ASSERT_TRUE(font.SetFaceName(u"Шрифт Ф"_s));
    ASSERT_TRUE(font.WriteProfile(u"Settings"_s, u"Font"_s));
    CLogFont reread;
    ASSERT_TRUE(reread.ReadProfile(u"Settings"_s, u"Font"_s));
    EXPECT_EQ(reread.FaceName(), u"Шрифт Ф"_s);
    EXPECT_EQ(reread.m_height, -100);

    // A real "-" in a face cannot be told from an encoded space.
    ASSERT_TRUE(font.SetFaceName(u"Noto-Sans"_s));
    ASSERT_TRUE(reread.FromText(font.ToText()));
    EXPECT_EQ(reread.FaceName(), u"Noto Sans"_s);
}

TEST_F(LogFont, ReadsNumbersTheWayScanfDoes) {
    CLogFont font;
    ASSERT_TRUE(font.FromText(u"  +100\t0 0 0 400 0 0 0 460 -1 0 0 0 Arial \n"_s));
    EXPECT_EQ(font.m_height, 100);
    EXPECT_EQ(font.m_charSet, 204); // the low eight bits of 460
    EXPECT_EQ(font.m_outPrecision, 255);
}

TEST_F(LogFont, MalformedTextLeavesTheDescriptionAlone) {
    const char* const rows[] = {
        "",
        "   ",
        "-12 0 0 0 400 0 0 0 1 7 0 0 0",             // thirteen items
        "-12 0 0 0 400 0 0 0 1 7 0 0 0 Courier New", // fifteen
        "-12 0 0 0 400 0 0 0 1 7 0 0 Arial",         // a number missing
        "-12 0 0 0 400 0 x 0 1 7 0 0 0 Arial",
        "-12 0 0 0 - 0 0 0 1 7 0 0 0 Arial",
        "-101 0 0 0 400 0 0 0 1 7 0 0 0 Arial",
        "101 0 0 0 400 0 0 0 1 7 0 0 0 Arial",
        "-2147483648 0 0 0 400 0 0 0 1 7 0 0 0 Arial",
        "-12 0 0 0 99999999999 0 0 0 1 7 0 0 0 Arial",                    // beyond 32 bits
        "-12 0 0 0 400 0 0 0 1 7 0 0 0 ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", // 32 characters
    };
    for (const char* row : rows) {
        CLogFont font;
        font.m_height = -33;
        EXPECT_FALSE(font.FromText(QString::fromLatin1(row))) << row;
        EXPECT_EQ(font.m_height, -33) << row;
        EXPECT_EQ(font.FaceName(), u"Arial"_s) << row;
    }
    CLogFont font;
    EXPECT_TRUE(font.FromText(u"-100 0 0 0 400 0 0 0 1 7 0 0 0 ABCDEFGHIJKLMNOPQRSTUVWXYZ01234"_s));
    EXPECT_EQ(font.FaceName().size(), 31);

    // Absent from the store is a failure too.
    font.m_weight = 900;
    EXPECT_FALSE(font.ReadProfile(u"Settings"_s, u"Font"_s));
    EXPECT_EQ(font.m_weight, 900);
}

// The face field ends at its first U+0000, so a face holding one cannot come back as it was
// read (one starting with it would read as empty, which the reader rejects).
TEST_F(LogFont, FaceWithZeroUnitIsRejected) {
    const QString prefix = u"-12 0 0 0 400 0 0 0 1 7 0 0 0 "_s;
    for (const QString& face : {u"\0Arial"_s, u"Ari\0al"_s, u"Arial\0"_s}) {
        const QString text = prefix + face;
        ASSERT_EQ(text.size(), prefix.size() + 6);
        CLogFont font;
        EXPECT_FALSE(font.FromText(text));
        EXPECT_EQ(font.ToText(), QString::fromLatin1(kDefaultText));
    }
}

TEST_F(LogFont, MakeFontForcesTheCharacterSet) {
    CLogFont description;
    ASSERT_TRUE(description.FromText(u"-20 0 0 0 700 1 1 1 0 7 0 0 0 Courier-New"_s));
    QFont font;
    ASSERT_TRUE(description.MakeFont(font, 204));
    EXPECT_EQ(description.m_charSet, 204);
    EXPECT_EQ(font.family(), u"Courier New"_s);
    EXPECT_EQ(font.pixelSize(), 20);
    EXPECT_EQ(font.weight(), QFont::Bold);
    EXPECT_TRUE(font.italic() && font.underline() && font.strikeOut());

    ASSERT_TRUE(description.MakeFont(font, 1, -12));
    EXPECT_EQ(description.ToText(), u"-12 0 0 0 700 1 1 1 1 7 0 0 0 Courier-New"_s);
    EXPECT_EQ(font.pixelSize(), 12);
}

TEST_F(LogFont, DialogChoiceIsWrittenBack) {
    CLogFont description;
    ASSERT_TRUE(description.FromText(u"-16 3 0 0 400 0 0 0 204 7 2 4 34 Arial"_s));
    QFont chosen(u"DejaVu Sans"_s);
    chosen.setPixelSize(18);
    chosen.setWeight(QFont::Bold);
    chosen.setItalic(true);
    chosen.setStrikeOut(true);
    Modal::NextFontAnswer(chosen);
    ASSERT_TRUE(description.RunFontDialog(nullptr, CLogFont::kFontCommandFlags));
    const QFont shown = Modal::Record().fontsShown.value(0);
    EXPECT_EQ(shown.family(), u"Arial"_s);
    EXPECT_EQ(shown.pixelSize(), 16);
    // The six chosen fields change; width, character set and the rest stay.
    EXPECT_EQ(description.ToText(), u"-18 3 0 0 700 1 0 1 204 7 2 4 34 DejaVu-Sans"_s);

    Modal::NextFontAnswer(QFont(u"An Extraordinarily Long Family Name For A Font"_s, 12));
    ASSERT_TRUE(description.RunFontDialog(nullptr, CLogFont::kFontCommandFlags));
    EXPECT_EQ(description.FaceName(), u"An Extraordinarily Long Family "_s);
    EXPECT_LT(description.m_height, 0); // points come back as a pixel height
    CLogFont reread;
    EXPECT_TRUE(reread.FromText(description.ToText())); // what the dialog gives can be stored

    const QString before = description.ToText();
    Modal::NextFontAnswer(std::nullopt); // cancelled
    EXPECT_FALSE(description.RunFontDialog(nullptr, CLogFont::kFontCommandFlags));
    EXPECT_EQ(description.ToText(), before);
}
