#include "CCharTable.h"
#include "Mp3Tags.h"
#include "Mp3TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kPrivet = QStringLiteral("Привет мир");
const QString kAlbum = QStringLiteral("Русская музыка");

class Mp3Tags : public ::testing::Test {
protected:
    Mp3Tags() { m_table.SetDefaultKeys(); }

    QByteArray Folder() const { return QFile::encodeName(m_dir.path()) + '/'; }
    QByteArray Path(const QByteArray& name) const { return Folder() + name; }

    // The file's row: name in column 0, the seven texts after it.
    CCellTable Read(const QByteArray& name, ERowResult* result = nullptr) {
        CCellTable grid(8);
        const int row = grid.AddRow();
        const ERowResult r = ReadRow(Folder(), name, grid, row);
        if (result)
            *result = r;
        return grid;
    }

    QTemporaryDir m_dir;
    CCharTable m_table;
};

// Column of a frame in the row.
int Col(const char* id) {
    if (qstrcmp(id, "TDRC") == 0)
        id = "TYER";
    for (int i = 0; i < kTagColumnCount; ++i) {
        if (qstrcmp(kTagColumns[i].frameId, id) == 0)
            return i + 1;
    }
    return -1;
}

struct SEncodingCase {
    const char* name;
    int version;
    STestFrame frame;
    int code;
    QString text;
};

class Mp3Encodings : public Mp3Tags, public ::testing::WithParamInterface<SEncodingCase> {};

TEST_P(Mp3Encodings, ReadsTextAndMark) {
    const SEncodingCase& c = GetParam();
    ASSERT_TRUE(WriteTestMp3(Path("a.mp3"), c.version, {c.frame}));
    ERowResult result{};
    CCellTable grid = Read("a.mp3", &result);
    EXPECT_EQ(result, ERowResult::kUnchanged);
    EXPECT_EQ(grid.CellCode(0, 0), kCodePlain);
    EXPECT_EQ(grid.CellText(0, Col(c.frame.id.constData())), c.text);
    EXPECT_EQ(grid.CellCode(0, Col(c.frame.id.constData())), c.code);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, Mp3Encodings,
    ::testing::Values(
        SEncodingCase{"cp1251_v23", 3, {"TIT2", Cp1251(kPrivet), {}, false}, kCodeRussian, kPrivet},
        SEncodingCase{"koi8r_v24", 4, {"TALB", Koi8r(kAlbum), {}, false}, kCodeRussian, kAlbum},
        SEncodingCase{"cp866_v23", 3, {"TPE1", Cp866(kPrivet), {}, false}, kCodeRussian, kPrivet},
        SEncodingCase{"cp1251_v22", 2, {"TCOM", Cp1251(kAlbum), {}, false}, kCodeRussian, kAlbum},
        SEncodingCase{"cp1251_comment", 3, {"COMM", Cp1251(kPrivet), {}, false}, kCodeRussian, kPrivet},
        SEncodingCase{"utf16", 3, {"TOPE", {}, kAlbum, false}, kCodeRussian, kAlbum},
        // Double-encoded Unicode texts are shown repaired, the CP866 bytes that are also UTF-8 as CP866.
        SEncodingCase{"utf16_mojibake",
                      3,
                      {"TIT2", {}, QStringLiteral("РџСЂРёРІРµС‚"), false},
                      kCodeRussian,
                      QStringLiteral("Привет")},
        SEncodingCase{
            "cp866_valid_utf8", 3, {"TIT2", "\xE7\xA5\xAC", {}, false}, kCodeRussian, QStringLiteral("чем")},
        SEncodingCase{"utf8_v24", 4, {"TIT2", {}, kPrivet, true}, kCodeRussian, kPrivet},
        SEncodingCase{
            "utf8_bytes_in_latin1", 3, {"TIT2", kPrivet.toUtf8(), {}, false}, kCodeRussian, kPrivet},
        SEncodingCase{"utf16_latin_text",
                      3,
                      {"TIT2", {}, QStringLiteral("Straße"), false},
                      kCodePlain,
                      QStringLiteral("Straße")},
        SEncodingCase{
            "ascii", 3, {"TIT2", "Moscow 1980", {}, false}, kCodePlain, QStringLiteral("Moscow 1980")},
        SEncodingCase{"empty", 3, {"TIT2", "", {}, false}, kCodePlain, QString()},
        SEncodingCase{"year_v23", 3, {"TYER", "1984", {}, false}, kCodePlain, QStringLiteral("1984")},
        SEncodingCase{"year_v24", 4, {"TDRC", "1984", {}, false}, kCodePlain, QStringLiteral("1984")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Mp3Tags, TransliterationKeepsVersionAudioAndOtherFrames) {
    for (const int version : {3, 4}) {
        SCOPED_TRACE(version);
        const QByteArray name = "v" + QByteArray::number(version) + ".mp3";
        ASSERT_TRUE(WriteTestMp3(Path(name), version,
                                 {{"TIT2", Cp1251(kPrivet), {}, false},
                                  {"TALB", {}, kAlbum, false},
                                  {"TPE1", "ABBA", {}, false},
                                  {"TYER", "1984", {}, false},
                                  {"COMM", Koi8r(kPrivet), {}, false}}));
        const QByteArray audio = AudioOf(Path(name));
        const std::vector<QByteArray> others = OtherFrames(Path(name));
        ASSERT_EQ(others.size(), 3u); // picture, TCON, described comment

        CCellTable grid = Read(name);
        EXPECT_EQ(TransliterateRow(Folder(), name, grid, 0, m_table), ERowResult::kWritten);
        EXPECT_EQ(grid.CellText(0, Col("TIT2")), QStringLiteral("Privet mir"));
        EXPECT_EQ(grid.CellText(0, Col("TALB")), QStringLiteral("Russkaja muzyka"));
        EXPECT_EQ(grid.CellText(0, Col("COMM")), QStringLiteral("Privet mir"));
        EXPECT_EQ(grid.CellCode(0, Col("TIT2")), kCodeRussian); // the mark stays

        EXPECT_EQ(Id3v2VersionOnDisk(Path(name)), version);
        EXPECT_FALSE(HasId3v1OnDisk(Path(name)));
        EXPECT_EQ(AudioOf(Path(name)), audio);
        EXPECT_EQ(OtherFrames(Path(name)), others);
        // The file reads back Latin, unmarked; a second pass changes nothing.
        CCellTable again = Read(name);
        EXPECT_EQ(again.CellText(0, Col("TIT2")), QStringLiteral("Privet mir"));
        EXPECT_EQ(again.CellCode(0, Col("TIT2")), kCodePlain);
        EXPECT_EQ(again.CellText(0, Col("TYER")), QStringLiteral("1984"));
        const QByteArray before = ReadBytes(Path(name));
        EXPECT_EQ(TransliterateRow(Folder(), name, grid, 0, m_table), ERowResult::kUnchanged);
        EXPECT_EQ(ReadBytes(Path(name)), before);
    }
}

TEST_F(Mp3Tags, Version22BecomesVersion23) {
    ASSERT_TRUE(WriteTestMp3(Path("old.mp3"), 2,
                             {{"TIT2", Cp1251(kPrivet), {}, false}, {"TYER", "1999", {}, false}}));
    const QByteArray audio = AudioOf(Path("old.mp3"));
    CCellTable grid = Read("old.mp3");
    EXPECT_EQ(TransliterateRow(Folder(), "old.mp3", grid, 0, m_table), ERowResult::kWritten);
    EXPECT_EQ(Id3v2VersionOnDisk(Path("old.mp3")), 3);
    EXPECT_EQ(AudioOf(Path("old.mp3")), audio);
    CCellTable again = Read("old.mp3");
    EXPECT_EQ(again.CellText(0, Col("TIT2")), QStringLiteral("Privet mir"));
    EXPECT_EQ(again.CellText(0, Col("TYER")), QStringLiteral("1999"));
}

TEST_F(Mp3Tags, Id3v1OnlyStaysId3v1Only) {
    ASSERT_TRUE(WriteTestMp3(Path("v1.mp3"), 0, {}));
    ASSERT_TRUE(
        AddTestId3v1(Path("v1.mp3"), Cp1251(QStringLiteral("Песня")), "Artist", Cp1251(kAlbum), "", 2001));
    const QByteArray audio = AudioOf(Path("v1.mp3"));
    CCellTable grid = Read("v1.mp3");
    EXPECT_EQ(grid.CellText(0, Col("TIT2")), QStringLiteral("Песня"));
    EXPECT_EQ(grid.CellCode(0, Col("TIT2")), kCodeRussian);
    EXPECT_EQ(grid.CellText(0, Col("TYER")), QStringLiteral("2001"));
    EXPECT_EQ(TransliterateRow(Folder(), "v1.mp3", grid, 0, m_table), ERowResult::kWritten);
    EXPECT_EQ(Id3v2VersionOnDisk(Path("v1.mp3")), 0);
    EXPECT_TRUE(HasId3v1OnDisk(Path("v1.mp3")));
    EXPECT_EQ(AudioOf(Path("v1.mp3")), audio);
    CCellTable again = Read("v1.mp3");
    EXPECT_EQ(again.CellText(0, Col("TIT2")), QStringLiteral("Pesnja"));
    EXPECT_EQ(again.CellText(0, Col("TALB")), QStringLiteral("Russkaja muzyka"));
    EXPECT_EQ(again.CellText(0, Col("TPE1")), QStringLiteral("Artist"));

    // A composer has no place in ID3v1: only then an ID3v2 tag is added.
    again.SetCellText(0, Col("TCOM"), QStringLiteral("Chajkovskij"));
    EXPECT_EQ(WriteRow(Folder(), "v1.mp3", again, 0), ERowResult::kWritten);
    EXPECT_EQ(Id3v2VersionOnDisk(Path("v1.mp3")), 3);
    EXPECT_TRUE(HasId3v1OnDisk(Path("v1.mp3")));
    EXPECT_EQ(AudioOf(Path("v1.mp3")), audio);
    CCellTable third = Read("v1.mp3");
    EXPECT_EQ(third.CellText(0, Col("TCOM")), QStringLiteral("Chajkovskij"));
    EXPECT_EQ(third.CellText(0, Col("TIT2")), QStringLiteral("Pesnja"));
}

TEST_F(Mp3Tags, BothTagsAreTransliterated) {
    ASSERT_TRUE(WriteTestMp3(Path("both.mp3"), 3, {{"TIT2", Cp1251(kPrivet), {}, false}}));
    ASSERT_TRUE(AddTestId3v1(Path("both.mp3"), Cp1251(kPrivet), "", "", "", 0));
    CCellTable grid = Read("both.mp3");
    EXPECT_EQ(TransliterateRow(Folder(), "both.mp3", grid, 0, m_table), ERowResult::kWritten);
    EXPECT_EQ(Id3v2VersionOnDisk(Path("both.mp3")), 3);
    const QByteArray bytes = ReadBytes(Path("both.mp3"));
    ASSERT_TRUE(HasId3v1OnDisk(Path("both.mp3")));
    EXPECT_EQ(bytes.mid(bytes.size() - 125, 10), QByteArray("Privet mir"));
}

TEST_F(Mp3Tags, WritingChoosesLatin1OnlyWhereItReadsBack) {
    ASSERT_TRUE(WriteTestMp3(Path("w.mp3"), 3, {{"TIT2", "x", {}, false}, {"TPE1", "y", {}, false}}));
    CCellTable grid = Read("w.mp3");
    grid.SetCellText(0, Col("TIT2"), kPrivet);                // Cyrillic: no "?" ever
    grid.SetCellText(0, Col("TPE1"), QStringLiteral("ÀÁÂÃ")); // as Latin-1 it would read as Cyrillic
    grid.SetCellText(0, Col("TALB"), QStringLiteral("Café")); // Latin-1 reads back
    EXPECT_EQ(WriteRow(Folder(), "w.mp3", grid, 0), ERowResult::kWritten);
    CCellTable again = Read("w.mp3");
    for (const char* id : {"TIT2", "TPE1", "TALB"})
        EXPECT_EQ(again.CellText(0, Col(id)), grid.CellText(0, Col(id))) << id;
    EXPECT_EQ(again.CellCode(0, Col("TIT2")), kCodeRussian);
    EXPECT_EQ(again.CellCode(0, Col("TPE1")), kCodePlain);
    EXPECT_EQ(Id3v2VersionOnDisk(Path("w.mp3")), 3);
}

TEST_F(Mp3Tags, EmptyCells) {
    ASSERT_TRUE(WriteTestMp3(Path("e.mp3"), 3, {{"TIT2", "Title", {}, false}}, false));
    CCellTable grid = Read("e.mp3");
    grid.SetCellText(0, Col("TIT2"), QString());
    // An existing frame is emptied and kept; a missing one with an empty cell is not created.
    auto tag = OpenTag(Folder(), "e.mp3");
    EXPECT_TRUE(WriteCellToFrame(*tag, "TIT2", grid, 0, Col("TIT2")));
    EXPECT_FALSE(WriteCellToFrame(*tag, "TALB", grid, 0, Col("TALB")));
    EXPECT_TRUE(tag->Update());
    tag.reset();
    const QByteArray bytes = ReadBytes(Path("e.mp3"));
    EXPECT_TRUE(bytes.contains("TIT2"));
    EXPECT_FALSE(bytes.contains("TALB"));
}

TEST_F(Mp3Tags, StaleAndPlainCellsAreNotTransliterated) {
    ASSERT_TRUE(
        WriteTestMp3(Path("s.mp3"), 3, {{"TIT2", Cp1251(kPrivet), {}, false}, {"TPE1", "Plain", {}, false}}));
    CCellTable grid = Read("s.mp3");
    const QByteArray before = ReadBytes(Path("s.mp3"));
    grid.SetCellText(0, Col("TIT2"), QStringLiteral("Другой"));
    grid.SetCellCode(0, Col("TPE1"), kCodeRussian); // a marked cell holding ASCII
    EXPECT_EQ(TransliterateRow(Folder(), "s.mp3", grid, 0, m_table), ERowResult::kUnchanged);
    EXPECT_EQ(ReadBytes(Path("s.mp3")), before);
    EXPECT_EQ(grid.CellText(0, Col("TIT2")), QStringLiteral("Другой"));
}

TEST_F(Mp3Tags, NotMpegIsRedAndNeverWritten) {
    ASSERT_TRUE(WriteBytes(Path("zero.mp3"), {}));
    ASSERT_TRUE(
        WriteBytes(Path("text.mp3"), QByteArray("Just some text, no audio here at all.\n").repeated(40)));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder.mp3")));
    ASSERT_TRUE(WriteTestMp3(Path("plain.mp3"), 0, {})); // audio without any tag
    for (const QByteArray name : {"zero.mp3", "text.mp3", "folder.mp3", "plain.mp3", "missing.mp3"}) {
        SCOPED_TRACE(name.constData());
        const QByteArray before = ReadBytes(Path(name));
        ERowResult result{};
        CCellTable grid = Read(name, &result);
        EXPECT_EQ(result, ERowResult::kNoTag);
        EXPECT_EQ(grid.CellCode(0, 0), kCodeRussian);
        grid.SetCellText(0, Col("TIT2"), QStringLiteral("New"));
        const ERowResult written = WriteRow(Folder(), name, grid, 0);
        if (name != "plain.mp3") {
            // A file that is gone by now is a failure like any other.
            EXPECT_EQ(written, name == "missing.mp3" ? ERowResult::kFailed : ERowResult::kNoTag);
            EXPECT_EQ(ReadBytes(Path(name)), before);
        }
    }
}

TEST_F(Mp3Tags, CyrillicFileName) {
    const QByteArray name = Cp1251(QStringLiteral("Песня.mp3"));
    ASSERT_TRUE(WriteTestMp3(Path(name), 3, {{"TIT2", Cp1251(kPrivet), {}, false}}));
    CCellTable grid = Read(name);
    EXPECT_EQ(grid.CellCode(0, 0), kCodePlain);
    EXPECT_EQ(TransliterateRow(Folder(), name, grid, 0, m_table), ERowResult::kWritten);
    EXPECT_EQ(Read(name).CellText(0, Col("TIT2")), QStringLiteral("Privet mir"));
    ::unlink(Path(name).constData()); // QTemporaryDir cannot remove names that are not UTF-8
}

// A write that fails (a file size limit standing for a full disk; a read-only file, as an ordinary
// user even when the tests run as root) is reported, the file stays byte for byte as it was and
// the row shows what it holds.
TEST_F(Mp3Tags, FailedWriteIsReportedAndTheFileIsUntouched) {
    ASSERT_TRUE(WriteTestMp3(Path("f.mp3"), 3, {{"TIT2", Cp1251(kPrivet), {}, false}}, false));
    const QByteArray before = ReadBytes(Path("f.mp3"));
    CCellTable grid = Read("f.mp3");
    grid.SetCellText(0, Col("TALB"), QString(20000, QLatin1Char('a'))); // the tag must grow
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limited = old;
    limited.rlim_cur = rlim_t(before.size());
    setrlimit(RLIMIT_FSIZE, &limited);
    QString reason;
    const ERowResult result = WriteRow(Folder(), "f.mp3", grid, 0, &reason);
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(result, ERowResult::kFailed);
    EXPECT_TRUE(reason.endsWith(QStringLiteral("File too large"))) << reason.toStdString();
    EXPECT_EQ(grid.CellCode(0, 0), kCodeNotWritten);
    EXPECT_EQ(grid.CellText(0, Col("TALB")), QString());
    EXPECT_EQ(ReadBytes(Path("f.mp3")), before);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1); // no temporary left

    ASSERT_TRUE(WriteTestMp3(Path("ro.mp3"), 3, {{"TIT2", Cp1251(kPrivet), {}, false}}));
    ::chmod(QFile::encodeName(m_dir.path()).constData(), 0777);
    ::chmod(Path("ro.mp3").constData(), 0444);
    const QByteArray roBefore = ReadBytes(Path("ro.mp3"));
    const int written = AsOrdinaryUser([&] {
        CCellTable ro = Read("ro.mp3");
        const bool failed = TransliterateRow(Folder(), "ro.mp3", ro, 0, m_table) == ERowResult::kFailed;
        return failed && ro.CellText(0, Col("TIT2")) == kPrivet && ro.CellCode(0, 0) == kCodeNotWritten ? 0
                                                                                                        : 1;
    });
    EXPECT_EQ(written, 0);
    EXPECT_EQ(ReadBytes(Path("ro.mp3")), roBefore);
}

} // namespace

// An encoding byte no text encoding has (0x93, as a fuzzer made it): read without undefined
// behaviour, and the other frames as usual.
TEST_F(Mp3Tags, UnknownTextEncodingByte) {
    const QByteArray frames =
        QByteArray("TIT2\0\0\0\x06\0\0\x93Hello", 16) + QByteArray("TPE1\0\0\0\x05\0\0\0Kino", 15);
    const QByteArray tag = QByteArray("ID3\x03\0\0\0\0\0", 9) + char(frames.size()) + frames;
    ASSERT_TRUE(WriteBytes(Path("odd.mp3"), tag + TestAudio(2)));
    ERowResult result{};
    const CCellTable grid = Read("odd.mp3", &result);
    EXPECT_EQ(result, ERowResult::kUnchanged);
    EXPECT_EQ(grid.CellText(0, Col("TPE1")), QStringLiteral("Kino"));
    EXPECT_EQ(grid.CellCode(0, Col("TIT2")), kCodePlain);
}
