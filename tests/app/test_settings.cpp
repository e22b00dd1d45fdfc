// The settings table, the character table and fonts at start-up and exit, mail availability.
#include "CCharTable.h"
#include "CProfile.h"
#include "SettingsGui.h"
#include "TestStore.h"

#include <QTemporaryDir>

namespace {

const char kDefaultChars[] = "01a|02b|03v|04g|05d|06e|07jo|08zh|09z|10i|11j|12k|13l|14m|15n|16o|17p|18r|19s|"
                             "20t|21u|22f|23h|23x|24c|25ch|26sh|27shh|27w|28'|29y|30#|31je|32ju|33ja";

std::u16string Key(int row, int slot) {
    return g_charTable.m_keys[CCharTable::Index(row - 1, slot)];
}

} // namespace

using SettingsTable = StoreTest;
using StartAndExit = StoreTest;

TEST_F(SettingsTable, FirstStartGivesTheDefaults) {
    const std::pair<CIntSetting*, int> expected[] = {
        {&g_isPanel, 0},         {&g_panelWidth, 150}, {&g_wrapText, 1},      {&g_autoClip, 0},
        {&g_tabStops, 4},        {&g_beep, 2},         {&g_toolbarLarge, 1},  {&g_toolbarVertical, 1},
        {&g_keysCtrlShift, 0},   {&g_blueRus, 1},      {&g_blueOrig, 0},      {&g_interLang, 32882},
        {&g_progressX, -1},      {&g_progressY, -1},   {&g_latinSpelling, 0}, {&g_mp3Spelling, -1},
        {&g_renamerSpelling, -1}};
    for (auto [setting, value] : expected) {
        setting->Set(12345);
        EXPECT_EQ(setting->Load(), value) << setting->Name();
        EXPECT_EQ(setting->Value(), value) << setting->Name();
    }
    g_windowPos.Set(u"x"_s);
    EXPECT_EQ(g_windowPos.Load(), QString());
    EXPECT_TRUE(g_lastDir.Load().isEmpty());
}

TEST_F(SettingsTable, StoredValuesAreBroughtIntoRange) {
    const struct {
        CIntSetting* setting;
        const char* stored;
        int read;
    } rows[] = {
        // clang-format off
        {&g_beep, "38", 0}, {&g_beep, "-1", 0}, {&g_beep, "37", 37}, {&g_beep, "0", 0},
        {&g_beep, "loud", 2}, // not a number: the default
        {&g_tabStops, "25", 4}, {&g_tabStops, "-1", 4}, {&g_tabStops, "24", 24}, {&g_tabStops, "0", 0},
        {&g_interLang, "0", 0}, // unknown languages are kept; the language switch decides
        {&g_panelWidth, "-20", -20},
        {&g_latinSpelling, "4", 4}, {&g_latinSpelling, "5", 0}, {&g_latinSpelling, "-1", 0},
        {&g_latinSpelling, "icao", 0}, {&g_mp3Spelling, "5", -1}, {&g_renamerSpelling, "-2", -1},
        {&g_renamerSpelling, "2", 2},
        // clang-format on
    };
    for (const auto& row : rows) {
        Plant(QString::fromLatin1(row.setting->Name()), QString::fromLatin1(row.stored));
        EXPECT_EQ(row.setting->Load(), row.read) << row.setting->Name() << " = " << row.stored;
    }
}

TEST_F(SettingsTable, BatchToolsStartWithTheirOwnSpellingElseTheLatinSpelling) {
    g_latinSpelling.Set(3);
    g_mp3Spelling.Set(-1);
    EXPECT_EQ(BatchSpelling(g_mp3Spelling), 3);
    StoreSpelling(g_mp3Spelling, 1);
    StoreSpelling(g_renamerSpelling, 9); // out of range: as the Latin spelling
    g_mp3Spelling.Set(0);
    g_renamerSpelling.Set(0);
    EXPECT_EQ(g_mp3Spelling.Load(), 1);
    EXPECT_EQ(g_renamerSpelling.Load(), -1);
    EXPECT_EQ(BatchSpelling(g_renamerSpelling), 3);
}

TEST_F(SettingsTable, ChangingAValueWritesNothingUntilSaved) {
    g_tabStops.Set(8);
    EXPECT_FALSE(Stored(u"TabStops"_s).isValid());
    ASSERT_TRUE(g_tabStops.Save());
    g_tabStops.Set(2);
    EXPECT_EQ(g_tabStops.Load(), 8);
}

TEST_F(SettingsTable, WindowPosNeedsExactlyFiveIntegers) {
    for (const char* bad :
         {"", "1,2,3,4", "1,2,3,4,5,6", "1,2,x,4,5", "1,2,,4,5", "1;2;3;4;5", "1,2,3,4,5.5"}) {
        SWindowPos pos{7, 7, 7, 7, 7};
        EXPECT_FALSE(ParseWindowPos(QString::fromLatin1(bad), pos)) << bad;
        EXPECT_EQ(pos.showState, 7) << bad; // left alone
    }
    SWindowPos pos;
    ASSERT_TRUE(ParseWindowPos(u" 1, 100,50 ,800,600"_s, pos));
    EXPECT_EQ(FormatWindowPos(pos), u"1,100,50,800,600"_s);
}

TEST_F(StartAndExit, FirstRunStoresTheDefaults) {
    ASSERT_TRUE(LoadSettings());
    ASSERT_TRUE(g_editorFont && g_listFont && g_editorLogFont && g_listLogFont);
    EXPECT_EQ(g_editorFont->family(), u"Arial"_s);
    EXPECT_EQ(g_editorFont->pixelSize(), 12);
    EXPECT_EQ(g_listFont->pixelSize(), 12);
    EXPECT_EQ(g_editorLogFont->m_charSet, kEditorCharSet);
    EXPECT_EQ(g_listLogFont->m_charSet, kListCharSet);
    EXPECT_EQ(Key(23, 0), u"h"); // the default table, not an empty one

    SaveSettingsOnExit();
    EXPECT_FALSE(g_editorFont || g_listFont || g_editorLogFont || g_listLogFont);
    EXPECT_EQ(Stored(u"Font"_s).toString(), u"-12 0 0 0 400 0 0 0 204 7 0 0 0 Arial"_s);
    EXPECT_EQ(Stored(u"FontList"_s).toString(), u"-12 0 0 0 400 0 0 0 1 7 0 0 0 Arial"_s);
    const QString chars = Stored(u"Chars"_s).toString();
    EXPECT_EQ(chars, QString::fromLatin1(kDefaultChars));
    EXPECT_EQ(chars.size(), 148);
}

TEST_F(StartAndExit, StoredValuesComeBackAndCharacterSetsAreForced) {
    Plant(u"Font"_s, u"-20 0 0 0 700 1 0 0 0 7 0 0 0 Times-New-Roman"_s);
    Plant(u"FontList"_s, u"-16 0 0 0 400 0 0 0 204 7 0 0 0 Courier-New"_s);
    Plant(u"Chars"_s, u"23x|23h"_s);
    ASSERT_TRUE(LoadSettings());
    EXPECT_EQ(g_editorFont->family(), u"Times New Roman"_s);
    EXPECT_EQ(g_editorFont->pixelSize(), 20);
    EXPECT_TRUE(g_editorFont->italic());
    EXPECT_EQ(Key(23, 0), u"x");
    EXPECT_EQ(Key(23, 1), u"h");
    EXPECT_TRUE(Key(1, 0).empty());
    SaveSettingsOnExit();
    EXPECT_EQ(Stored(u"Font"_s).toString(), u"-20 0 0 0 700 1 0 0 204 7 0 0 0 Times-New-Roman"_s);
    EXPECT_EQ(Stored(u"FontList"_s).toString(), u"-16 0 0 0 400 0 0 0 1 7 0 0 0 Courier-New"_s);
    EXPECT_EQ(Stored(u"Chars"_s).toString(), u"23x|23h"_s);
}

TEST_F(StartAndExit, DamagedValuesFallBack) {
    Plant(u"Font"_s, u"-101 0 0 0 700 1 0 0 0 7 0 0 0 Times"_s);
    Plant(u"FontList"_s, u"-16 0 0 0 400 0 0 0 204 7 0 0 0 Courier New"_s);
    Plant(u"Chars"_s, u"xyz"_s); // not empty: no keys at all, not the defaults
    ASSERT_TRUE(LoadSettings());
    EXPECT_EQ(g_editorFont->family(), u"Arial"_s);
    EXPECT_EQ(g_editorFont->pixelSize(), 12);
    EXPECT_EQ(g_listFont->family(), u"Arial"_s);
    for (const auto& key : g_charTable.m_keys)
        EXPECT_TRUE(key.empty());
    SaveSettingsOnExit();
    EXPECT_EQ(Stored(u"Font"_s).toString(), u"-12 0 0 0 400 0 0 0 204 7 0 0 0 Arial"_s);
    EXPECT_EQ(Stored(u"Chars"_s).toString(), QString());
}

TEST_F(StartAndExit, MailNeedsXdgEmailOnThePath) {
    const QByteArray path = qgetenv("PATH");
    QTemporaryDir bin;
    ASSERT_TRUE(bin.isValid());
    qputenv("PATH", QFile::encodeName(bin.path()));
    LoadSettings();
    EXPECT_FALSE(g_bMailAvailable);

    QFile tool(bin.filePath(u"xdg-email"_s));
    ASSERT_TRUE(tool.open(QIODevice::WriteOnly));
    tool.write("#!/bin/sh\n");
    tool.setPermissions(tool.permissions() | QFileDevice::ExeOwner);
    tool.close();
    LoadSettings();
    EXPECT_TRUE(g_bMailAvailable);
    qputenv("PATH", path);
    SaveSettingsOnExit();
}
