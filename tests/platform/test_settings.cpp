// The settings table, the character table and fonts at start-up and exit, mail availability.
#include "CCharTable.h"
#include "CProfile.h"
#include "SettingsGui.h"
#include "TestStore.h"

#include <QSignalSpy>
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
        {&settings.isPanel, 0},      {&settings.panelWidth, 150},    {&settings.wrapText, 1},
        {&settings.autoClip, 0},     {&settings.tabStops, 4},        {&settings.beep, 2},
        {&settings.toolbarLarge, 1}, {&settings.toolbarVertical, 1}, {&settings.keysCtrlShift, 0},
        {&settings.blueRus, 1},      {&settings.blueOrig, 0},        {&settings.interLang, 32882},
        {&settings.progressX, -1},   {&settings.progressY, -1},      {&settings.latinSpelling, 0},
        {&settings.mp3Spelling, -1}, {&settings.renamerSpelling, -1}};
    for (auto [setting, value] : expected) {
        setting->Set(12345);
        EXPECT_EQ(setting->Load(), value) << setting->Name();
        EXPECT_EQ(setting->Value(), value) << setting->Name();
    }
    settings.windowPos.Set(u"x"_s);
    EXPECT_EQ(settings.windowPos.Load(), QString());
    EXPECT_TRUE(settings.lastDir.Load().isEmpty());
}

// A settings object announces each real change once, by the stored value's name; loading a
// different stored value is a change too. Two objects don't share values.
TEST_F(SettingsTable, EachRealChangeIsSignalledOnce) {
    CSettings other;
    QSignalSpy changed(&settings, &CSettings::Changed);
    settings.tabStops.Set(8);
    settings.tabStops.Set(8);
    settings.lastDir.Set(u"/tmp"_s);
    settings.lastDir.Set(u"/tmp"_s);
    settings.tabStops.Load(); // nothing stored: back to 4
    settings.wrapText.Load(); // the default it already has
    ASSERT_EQ(changed.size(), 3);
    EXPECT_EQ(changed[0][0].toString(), u"TabStops"_s);
    EXPECT_EQ(changed[1][0].toString(), u"LastDir"_s);
    EXPECT_EQ(changed[2][0].toString(), u"TabStops"_s);
    other.tabStops.Set(9);
    EXPECT_EQ(settings.tabStops.Value(), 4);
}

TEST_F(SettingsTable, StoredValuesAreBroughtIntoRange) {
    const struct {
        CIntSetting* setting;
        const char* stored;
        int read;
    } rows[] = {
        // clang-format off
        {&settings.beep, "38", 0}, {&settings.beep, "-1", 0}, {&settings.beep, "37", 37}, {&settings.beep, "0", 0},
        {&settings.beep, "loud", 2}, // not a number: the default
        {&settings.tabStops, "25", 4}, {&settings.tabStops, "-1", 4}, {&settings.tabStops, "24", 24}, {&settings.tabStops, "0", 0},
        {&settings.interLang, "0", 0}, // unknown languages are kept; the language switch decides
        {&settings.panelWidth, "-20", -20},
        {&settings.latinSpelling, "4", 4}, {&settings.latinSpelling, "5", 0}, {&settings.latinSpelling, "-1", 0},
        {&settings.latinSpelling, "icao", 0}, {&settings.mp3Spelling, "5", -1}, {&settings.renamerSpelling, "-2", -1},
        {&settings.renamerSpelling, "2", 2},
        // clang-format on
    };
    for (const auto& row : rows) {
        Plant(QString::fromLatin1(row.setting->Name()), QString::fromLatin1(row.stored));
        EXPECT_EQ(row.setting->Load(), row.read) << row.setting->Name() << " = " << row.stored;
    }
}

// A value set in the program is clamped, so a writer can't leave what a reader doesn't expect;
// only a typed tab width may go past what is stored.
TEST_F(SettingsTable, ValuesSetAreClampedIntoRange) {
    const struct {
        CIntSetting* setting;
        int set;
        int held;
    } rows[] = {
        // clang-format off
        {&settings.beep, 38, 37}, {&settings.beep, -1, 0}, {&settings.beep, 15, 15},
        {&settings.tabStops, -5, 0}, {&settings.tabStops, INT_MAX, INT_MAX},
        {&settings.latinSpelling, 9, 4}, {&settings.mp3Spelling, -7, -1},
        {&settings.progressX, INT_MIN, INT_MIN}, // positions have no range
        // clang-format on
    };
    for (const auto& row : rows) {
        row.setting->Set(row.set);
        EXPECT_EQ(row.setting->Value(), row.held) << row.setting->Name() << " = " << row.set;
    }
}

TEST_F(SettingsTable, BatchToolsStartWithTheirOwnSpellingElseTheLatinSpelling) {
    settings.latinSpelling.Set(3);
    settings.mp3Spelling.Set(-1);
    EXPECT_EQ(BatchSpelling(settings, settings.mp3Spelling), 3);
    StoreSpelling(settings.mp3Spelling, 1);
    StoreSpelling(settings.renamerSpelling, 9); // out of range: as the Latin spelling
    settings.mp3Spelling.Set(0);
    settings.renamerSpelling.Set(0);
    EXPECT_EQ(settings.mp3Spelling.Load(), 1);
    EXPECT_EQ(settings.renamerSpelling.Load(), -1);
    EXPECT_EQ(BatchSpelling(settings, settings.renamerSpelling), 3);
}

TEST_F(SettingsTable, ChangingAValueWritesNothingUntilSaved) {
    settings.tabStops.Set(8);
    EXPECT_FALSE(Stored(u"TabStops"_s).isValid());
    ASSERT_TRUE(settings.tabStops.Save());
    settings.tabStops.Set(2);
    EXPECT_EQ(settings.tabStops.Load(), 8);
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
    ASSERT_TRUE(LoadSettings(settings));
    ASSERT_TRUE(EditorFont(settings) && ListFont(settings) && settings.editorLogFont && settings.listLogFont);
    EXPECT_EQ(EditorFont(settings)->family(), u"Arial"_s);
    EXPECT_EQ(EditorFont(settings)->pixelSize(), 12);
    EXPECT_EQ(ListFont(settings)->pixelSize(), 12);
    EXPECT_EQ(settings.editorLogFont->m_charSet, kEditorCharSet);
    EXPECT_EQ(settings.listLogFont->m_charSet, kListCharSet);
    EXPECT_EQ(Key(23, 0), u"h"); // the default table, not an empty one

    SaveSettingsOnExit(settings);
    EXPECT_FALSE(EditorFont(settings) || ListFont(settings) || settings.editorLogFont ||
                 settings.listLogFont);
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
    ASSERT_TRUE(LoadSettings(settings));
    EXPECT_EQ(EditorFont(settings)->family(), u"Times New Roman"_s);
    EXPECT_EQ(EditorFont(settings)->pixelSize(), 20);
    EXPECT_TRUE(EditorFont(settings)->italic());
    EXPECT_EQ(Key(23, 0), u"x");
    EXPECT_EQ(Key(23, 1), u"h");
    EXPECT_TRUE(Key(1, 0).empty());
    SaveSettingsOnExit(settings);
    EXPECT_EQ(Stored(u"Font"_s).toString(), u"-20 0 0 0 700 1 0 0 204 7 0 0 0 Times-New-Roman"_s);
    EXPECT_EQ(Stored(u"FontList"_s).toString(), u"-16 0 0 0 400 0 0 0 1 7 0 0 0 Courier-New"_s);
    EXPECT_EQ(Stored(u"Chars"_s).toString(), u"23x|23h"_s);
}

TEST_F(StartAndExit, DamagedValuesFallBack) {
    Plant(u"Font"_s, u"-101 0 0 0 700 1 0 0 0 7 0 0 0 Times"_s);
    Plant(u"FontList"_s, u"-16 0 0 0 400 0 0 0 204 7 0 0 0 Courier New"_s);
    Plant(u"Chars"_s, u"xyz"_s); // not empty: no keys at all, not the defaults
    ASSERT_TRUE(LoadSettings(settings));
    EXPECT_EQ(EditorFont(settings)->family(), u"Arial"_s);
    EXPECT_EQ(EditorFont(settings)->pixelSize(), 12);
    EXPECT_EQ(ListFont(settings)->family(), u"Arial"_s);
    for (const auto& key : g_charTable.m_keys)
        EXPECT_TRUE(key.empty());
    SaveSettingsOnExit(settings);
    EXPECT_EQ(Stored(u"Font"_s).toString(), u"-12 0 0 0 400 0 0 0 204 7 0 0 0 Arial"_s);
    EXPECT_EQ(Stored(u"Chars"_s).toString(), QString());
}

TEST_F(StartAndExit, MailNeedsXdgEmailOnThePath) {
    const QByteArray path = qgetenv("PATH");
    QTemporaryDir bin;
    ASSERT_TRUE(bin.isValid());
    qputenv("PATH", QFile::encodeName(bin.path()));
    LoadSettings(settings);
    EXPECT_FALSE(settings.mailAvailable);

    QFile tool(bin.filePath(u"xdg-email"_s));
    ASSERT_TRUE(tool.open(QIODevice::WriteOnly));
    tool.write("#!/bin/sh\n");
    tool.setPermissions(tool.permissions() | QFileDevice::ExeOwner);
    tool.close();
    LoadSettings(settings);
    EXPECT_TRUE(settings.mailAvailable);
    qputenv("PATH", path);
    SaveSettingsOnExit(settings);
}
