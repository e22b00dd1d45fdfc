// The profile store over QSettings: where it writes, what survives a round trip, and how
// stored data of the wrong shape reads.
#include "CProfile.h"
#include "TestStore.h"

#include <QDir>
#include <QProcess>

#include <climits>

using ProfileStore = StoreTest;

TEST_F(ProfileStore, WritesOnlyIntoThePrivateLocation) {
    ASSERT_FALSE(TestConfigHome().isEmpty());
    EXPECT_EQ(StoreFile(), TestConfigHome() + u"/ZDK/Lt.conf"_s);
    ASSERT_TRUE(WriteProfileInt(u"Settings"_s, u"Beep"_s, 15));
    EXPECT_TRUE(QFile::exists(StoreFile()));
}

TEST_F(ProfileStore, ValuesReadBackExactly) {
    const int numbers[] = {0, -1, 32882, INT_MAX, INT_MIN};
    for (int number : numbers) {
        ASSERT_TRUE(WriteProfileInt(u"Settings"_s, u"N"_s, number));
        EXPECT_EQ(GetProfileInt(u"Settings"_s, u"N"_s, 7), number);
    }
    const QString texts[] = {u"01a,b|35,"_s,  u","_s,           u"1,100,50,800,600"_s, u" lead"_s,
                             u"trail "_s,     u"@Variant(x)"_s, u"a;b=c\"d\\"_s,       u"line\nnext"_s,
                             u"Шрифт хлеб"_s, QString()};
    for (const QString& text : texts) {
        ASSERT_TRUE(WriteProfileString(u"Settings"_s, u"S"_s, text));
        EXPECT_EQ(GetProfileString(u"Settings"_s, u"S"_s, u"d"_s), text);
    }
    // Sections are separate, also one whose name has spaces.
    WriteProfileString(u"Recent File List"_s, u"S"_s, u"other"_s);
    EXPECT_EQ(GetProfileString(u"Recent File List"_s, u"S"_s), u"other"_s);
    EXPECT_EQ(GetProfileString(u"Settings"_s, u"S"_s, u"d"_s), QString());
}

TEST_F(ProfileStore, IntegerEntryWithoutAnIntegerReadsTheDefault) {
    EXPECT_EQ(GetProfileInt(u"Settings"_s, u"Absent"_s, 150), 150);
    WriteRawStore("[Settings]\n"
                  "Text=abc\nFraction=3.5\nTail=12abc\nEmpty=\nList=1,2\nHuge=2147483648\nHex=0x10\n"
                  "Padded= 7 \nSigned=-4\n");
    for (const char* entry : {"Text", "Fraction", "Tail", "Empty", "List", "Huge", "Hex"})
        EXPECT_EQ(GetProfileInt(u"Settings"_s, QString::fromLatin1(entry), 99), 99) << entry;
    EXPECT_EQ(GetProfileInt(u"Settings"_s, u"Padded"_s, 99), 7);
    EXPECT_EQ(GetProfileInt(u"Settings"_s, u"Signed"_s, 99), -4);
}

TEST_F(ProfileStore, HandEditedCommasReadBackWhole) {
    WriteRawStore("[Settings]\nChars=01a,b|35,\nWindowPos=1,100,50,800,600\n");
    EXPECT_EQ(GetProfileString(u"Settings"_s, u"Chars"_s), u"01a,b|35,"_s);
    EXPECT_EQ(GetProfileString(u"Settings"_s, u"WindowPos"_s), u"1,100,50,800,600"_s);
}

TEST_F(ProfileStore, FailedWriteIsReported) {
    // A file where the store's folder belongs makes the store unwritable.
    const QString folder = TestConfigHome() + u"/ZDK"_s;
    ASSERT_TRUE(QDir(folder).removeRecursively());
    {
        QFile blocker(folder);
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    EXPECT_FALSE(WriteProfileInt(u"Settings"_s, u"Beep"_s, 15));
    EXPECT_FALSE(WriteProfileString(u"Settings"_s, u"LastDir"_s, u"/"_s));
    ASSERT_TRUE(QFile::remove(folder));
    EXPECT_TRUE(WriteProfileInt(u"Settings"_s, u"Beep"_s, 15));
}

// lettrino-cli converts with the keys the editor stored.
TEST_F(ProfileStore, CliUsesTheStoredKeys) {
    const auto toLatin = [](const QString& chars) {
        WriteProfileString(u"Settings"_s, u"Chars"_s, chars);
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_CONFIG_HOME"_s, TestConfigHome());
        cli.setProcessEnvironment(env);
        cli.start(QStringLiteral(LT_CLI_PATH), {u"to-latin"_s});
        cli.write(u"хлеб\n"_s.toUtf8());
        cli.closeWriteChannel();
        cli.waitForFinished();
        return cli.exitCode() == 0 ? cli.readAllStandardOutput() : QByteArray("failed");
    };
    // The default table with "x" put before "h" in the row of х.
    EXPECT_EQ(toLatin(QStringLiteral("01a|02b|03v|04g|05d|06e|07jo|08zh|09z|10i|11j|12k|13l|14m|15n|16o|17p|"
                                     "18r|19s|20t|21u|22f|23x|23h|24c|25ch|26sh|27shh|27w|28'|29y|30#|31je|"
                                     "32ju|33ja")),
              QByteArray("xleb\n"));
    // A stored table is the whole table: rows it leaves out have no keys, and their letters drop out.
    EXPECT_EQ(toLatin(u"23x|23h"_s), QByteArray("x\n"));
}
