// Playlists and CUE sheets following `lettrino-cli rename`: counted in the dry run, rewritten with
// every other byte kept, refused when their encoding cannot hold a new name, undone byte for byte.
#include "PlaylistLinks.h"

#include <gtest/gtest.h>

#include "../common/EncodedBytes.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class PlaylistTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/lt-playlists-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
        fs::create_directory(m_dir + "/Альбом");
        Write("Альбом/01 Песня.flac", "a");
        Write("Альбом/02 Вторая.flac", "b");
        Write("Ёж.flac", "c");
        // CRLF, relative and absolute entries, one through "..", one missing, an address.
        Write("list.m3u8", "#EXTM3U\r\n#EXTINF:1,Песня\r\nАльбом/01 Песня.flac\r\n" + m_dir +
                               "/Альбом/02 Вторая.flac\r\n./Альбом/../Ёж.flac\r\nнет/Песня.flac\r\n"
                               "http://host/Ёж.flac");
        Write("Сборник.cue",
              Cp1251("REM GENRE Рок\nPERFORMER \"Группа\"\nFILE \"Альбом/01 Песня.flac\" WAVE\n"
                     "  TRACK 01 AUDIO\n    TITLE \"Песня\"\nFILE Ёж.flac WAVE\n"));
    }
    void TearDown() override {
        fs::remove_all(m_dir);
        fs::remove_all(m_dir + ".state");
    }

    static std::string Cp1251(const char* text) {
        return EncodedBytes(1251, QString::fromUtf8(text)).toStdString();
    }
    void Write(const std::string& relative, const std::string& bytes) const {
        std::ofstream(m_dir + "/" + relative, std::ios::binary) << bytes;
    }
    std::map<std::string, std::string> Snapshot() const {
        std::map<std::string, std::string> found;
        for (auto& entry : fs::recursive_directory_iterator(m_dir))
            found[entry.path().string()] = entry.is_regular_file() ? Read(entry.path()) : "/";
        return found;
    }
    int Cli(const std::string& args, std::string& out) const {
        const std::string command =
            "XDG_STATE_HOME=" + m_dir + ".state " + LT_CLI_PATH + " " + args + " > " + m_dir + ".out 2>&1";
        const int status = std::system(command.c_str());
        out = Read(m_dir + ".out");
        fs::remove(m_dir + ".out");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string m_dir;
};

} // namespace

TEST(PlaylistLinks, LaterFolderRenamesCarryEarlierOnes) {
    CRenameMap renames;
    renames.Add("/t/A/x", "/t/A/y");
    renames.Add("/t/A", "/t/B");
    renames.Add("/t/C", "/t/D"); // a name freed by one rename taken by the next: both apply
    renames.Add("/t/D", "/t/E");
    renames.Add("/t/B/y", "/t/B/w"); // after its folder, by the folder's new name
    const std::pair<QByteArray, QByteArray> cases[] = {
        {"/t/A/x", "/t/B/w"}, {"/t/A/z", "/t/B/z"},  {"/t/A", "/t/B"}, {"/t/AB", "/t/AB"},
        {"/t/x", "/t/x"},     {"/t/C", "/t/E"},      {"/t/D", "/t/E"}, {"/t/E", "/t/E"},
        {"/t/B/y", "/t/B/w"}, {"/t/A/x/", "/t/B/w/"}};
    for (const auto& [before, after] : cases)
        EXPECT_EQ(renames.Final(before), after) << before.constData();
    EXPECT_TRUE(IsPlaylistName("a.M3U8") && IsPlaylistName("b.cue") && !IsPlaylistName(".m3u"));
}

TEST_F(PlaylistTest, EntriesFollowAndUndoRestoresEveryByte) {
    const auto before = Snapshot();
    std::string out;
    EXPECT_EQ(Cli("rename --keys= --recursive --json " + m_dir, out), 0) << out;
    EXPECT_NE(out.find("{\"playlist\":\"" + m_dir +
                       "/list.m3u8\",\"entries\":3,\"encoding\":\"UTF-8\","
                       "\"status\":\"to rewrite\""),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("/Сборник.cue\",\"entries\":2,\"encoding\":\"Windows-1251\""), std::string::npos)
        << out;
    EXPECT_EQ(Snapshot(), before);

    EXPECT_EQ(Cli("rename --keys= --recursive --apply " + m_dir, out), 0) << out;
    EXPECT_NE(out.find("playlist " + m_dir + "/Sbornik.cue: 2 entries follow"), std::string::npos) << out;
    EXPECT_EQ(Read(m_dir + "/list.m3u8"), "#EXTM3U\r\n#EXTINF:1,Песня\r\nAl#bom/01 Pesnja.flac\r\n" + m_dir +
                                              "/Al#bom/02 Vtoraja.flac\r\n./Al#bom/../JOzh.flac\r\n"
                                              "нет/Песня.flac\r\nhttp://host/Ёж.flac");
    EXPECT_EQ(Read(m_dir + "/Sbornik.cue"),
              Cp1251("REM GENRE Рок\nPERFORMER \"Группа\"\nFILE \"Al#bom/01 Pesnja.flac\" WAVE\n"
                     "  TRACK 01 AUDIO\n    TITLE \"Песня\"\nFILE JOzh.flac WAVE\n"));

    EXPECT_EQ(Cli("undo --apply", out), 0) << out;
    EXPECT_EQ(Snapshot(), before) << out;
}

TEST_F(PlaylistTest, AnEncodingWithoutTheNewLettersIsRefusedAndLeft) {
    // ISO 9 writes "Ёж" as "Ëž": Windows-1251 has neither letter.
    const std::string cue = Read(m_dir + "/Сборник.cue");
    std::string out;
    EXPECT_EQ(Cli("rename --keys= --scheme iso9 --recursive --apply " + m_dir, out), 1) << out;
    EXPECT_NE(out.find("[refused: Windows-1251 cannot hold «"), std::string::npos) << out;
    EXPECT_NE(out.find("playlist not rewritten"), std::string::npos) << out;
    EXPECT_EQ(Read(m_dir + "/Sbornik.cue"), cue);
    EXPECT_TRUE(fs::exists(m_dir + "/Ëž.flac")); // the names are renamed all the same
    EXPECT_NE(Read(m_dir + "/list.m3u8").find("./Alʹbom/../Ëž.flac"), std::string::npos);
}

TEST_F(PlaylistTest, AMendedNameThatReadsTheSameLeavesAnEightBitSheetAlone) {
    // A name stored in CP1251 mended into UTF-8: the CP1251 sheet already names it right, the
    // UTF-8 playlist holding the raw bytes does not.
    const std::string raw = Cp1251("Привет");
    Write(raw + ".flac", "d");
    Write("old.cue", Cp1251("FILE \"Привет.flac\" WAVE\n"));
    Write("raw.m3u8", raw + ".flac\n");
    std::string out;
    EXPECT_EQ(Cli("rename --to cyrillic --apply " + m_dir, out), 0) << out;
    EXPECT_EQ(out.find("old.cue"), std::string::npos) << out;
    EXPECT_EQ(Read(m_dir + "/old.cue"), Cp1251("FILE \"Привет.flac\" WAVE\n"));
    EXPECT_EQ(Read(m_dir + "/raw.m3u8"), "Привет.flac\n");
}
