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
        {&AppSettings().isPanel, 0},         {&AppSettings().panelWidth, 150},
        {&AppSettings().wrapText, 1},        {&AppSettings().autoClip, 0},
        {&AppSettings().tabStops, 4},        {&AppSettings().beep, 2},
        {&AppSettings().toolbarLarge, 1},    {&AppSettings().toolbarVertical, 1},
        {&AppSettings().keysCtrlShift, 0},   {&AppSettings().blueRus, 1},
        {&AppSettings().blueOrig, 0},        {&AppSettings().interLang, 32882},
        {&AppSettings().progressX, -1},      {&AppSettings().progressY, -1},
        {&AppSettings().latinSpelling, 0},   {&AppSettings().mp3Spelling, -1},
        {&AppSettings().renamerSpelling, -1}};
    for (auto [setting, value] : expected) {
        setting->Set(12345);
        EXPECT_EQ(setting->Load(), value) << setting->Name();
        EXPECT_EQ(setting->Value(), value) << setting->Name();
    }
    AppSettings().windowPos.Set(u"x"_s);
    EXPECT_EQ(AppSettings().windowPos.Load(), QString());
    EXPECT_TRUE(AppSettings().lastDir.Load().isEmpty());
}

// A fresh settings object is the current one while it lives and announces each real change once,
// by the stored value's name; loading a different stored value is a change too.
TEST_F(SettingsTable, AFreshObjectIsCurrentAndSignalsEachChangeOnce) {
    CSettings& outer = AppSettings();
    {
        CSettings settings;
        ASSERT_EQ(&AppSettings(), &settings);
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
        EXPECT_EQ(outer.tabStops.Value(), 4);
    }
    EXPECT_EQ(&AppSettings(), &outer);
}

TEST_F(SettingsTable, StoredValuesAreBroughtIntoRange) {
    const struct {
        CIntSetting* setting;
        const char* stored;
        int read;
    } rows[] = {
        // clang-format off
        {&AppSettings().beep, "38", 0}, {&AppSettings().beep, "-1", 0}, {&AppSettings().beep, "37", 37}, {&AppSettings().beep, "0", 0},
        {&AppSettings().beep, "loud", 2}, // not a number: the default
        {&AppSettings().tabStops, "25", 4}, {&AppSettings().tabStops, "-1", 4}, {&AppSettings().tabStops, "24", 24}, {&AppSettings().tabStops, "0", 0},
        {&AppSettings().interLang, "0", 0}, // unknown languages are kept; the language switch decides
        {&AppSettings().panelWidth, "-20", -20},
        {&AppSettings().latinSpelling, "4", 4}, {&AppSettings().latinSpelling, "5", 0}, {&AppSettings().latinSpelling, "-1", 0},
        {&AppSettings().latinSpelling, "icao", 0}, {&AppSettings().mp3Spelling, "5", -1}, {&AppSettings().renamerSpelling, "-2", -1},
        {&AppSettings().renamerSpelling, "2", 2},
        // clang-format on
    };
    for (const auto& row : rows) {
        Plant(QString::fromLatin1(row.setting->Name()), QString::fromLatin1(row.stored));
        EXPECT_EQ(row.setting->Load(), row.read) << row.setting->Name() << " = " << row.stored;
    }
}

TEST_F(SettingsTable, BatchToolsStartWithTheirOwnSpellingElseTheLatinSpelling) {
    AppSettings().latinSpelling.Set(3);
    AppSettings().mp3Spelling.Set(-1);
    EXPECT_EQ(BatchSpelling(AppSettings().mp3Spelling), 3);
    StoreSpelling(AppSettings().mp3Spelling, 1);
    StoreSpelling(AppSettings().renamerSpelling, 9); // out of range: as the Latin spelling
    AppSettings().mp3Spelling.Set(0);
    AppSettings().renamerSpelling.Set(0);
    EXPECT_EQ(AppSettings().mp3Spelling.Load(), 1);
    EXPECT_EQ(AppSettings().renamerSpelling.Load(), -1);
    EXPECT_EQ(BatchSpelling(AppSettings().renamerSpelling), 3);
}

TEST_F(SettingsTable, ChangingAValueWritesNothingUntilSaved) {
    AppSettings().tabStops.Set(8);
    EXPECT_FALSE(Stored(u"TabStops"_s).isValid());
    ASSERT_TRUE(AppSettings().tabStops.Save());
    AppSettings().tabStops.Set(2);
    EXPECT_EQ(AppSettings().tabStops.Load(), 8);
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
    ASSERT_TRUE(EditorFont() && ListFont() && AppSettings().editorLogFont && AppSettings().listLogFont);
    EXPECT_EQ(EditorFont()->family(), u"Arial"_s);
    EXPECT_EQ(EditorFont()->pixelSize(), 12);
    EXPECT_EQ(ListFont()->pixelSize(), 12);
    EXPECT_EQ(AppSettings().editorLogFont->m_charSet, kEditorCharSet);
    EXPECT_EQ(AppSettings().listLogFont->m_charSet, kListCharSet);
    EXPECT_EQ(Key(23, 0), u"h"); // the default table, not an empty one

    SaveSettingsOnExit();
    EXPECT_FALSE(EditorFont() || ListFont() || AppSettings().editorLogFont || AppSettings().listLogFont);
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
    EXPECT_EQ(EditorFont()->family(), u"Times New Roman"_s);
    EXPECT_EQ(EditorFont()->pixelSize(), 20);
    EXPECT_TRUE(EditorFont()->italic());
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
    EXPECT_EQ(EditorFont()->family(), u"Arial"_s);
    EXPECT_EQ(EditorFont()->pixelSize(), 12);
    EXPECT_EQ(ListFont()->family(), u"Arial"_s);
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
