// The renamer's engine and `lettrino-cli rename` on real folder trees with names in UTF-8 and in
// raw 8-bit Cyrillic bytes.
#include "CCharTable.h"
#include "RenamerEngine.h"

#include <gtest/gtest.h>

#include "../common/AsNobody.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const QByteArray kPrivet1251 = "\xCF\xF0\xE8\xE2\xE5\xF2";
const QByteArray kPrivetKoi = "\xF0\xD2\xC9\xD7\xC5\xD4";
const QByteArray kPrivet866 = "\x8F\xE0\xA8\xA2\xA5\xE2";

CCharTable DefaultTable() {
    CCharTable table;
    table.SetDefaultKeys();
    return table;
}

class RenamerTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/lt-renamer-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
    }
    void TearDown() override {
        for (auto& entry : fs::recursive_directory_iterator(m_dir, fs::directory_options::none))
            if (entry.is_directory() && !entry.is_symlink())
                fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(m_dir);
    }

    // A file whose content names it, so that every original can be found again afterwards.
    void File(const QByteArray& relative) {
        const std::string path = m_dir + "/" + relative.toStdString();
        std::ofstream(path, std::ios::binary) << "content of " << relative.toHex().toStdString();
        m_contents.push_back("content of " + relative.toHex().toStdString());
    }
    void Folder(const QByteArray& relative) { fs::create_directory(m_dir + "/" + relative.toStdString()); }

    // Every regular file's content below the test folder, counted.
    std::map<std::string, int> Contents() const {
        std::map<std::string, int> found;
        for (auto& entry : fs::recursive_directory_iterator(m_dir)) {
            if (entry.is_regular_file() && !entry.is_symlink()) {
                std::ifstream in(entry.path(), std::ios::binary);
                ++found[std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())];
            }
        }
        return found;
    }
    void ExpectEveryOriginalOnce() const {
        const std::map<std::string, int> found = Contents();
        EXPECT_EQ(found.size(), m_contents.size());
        for (const std::string& content : m_contents) {
            const auto it = found.find(content);
            ASSERT_NE(it, found.end()) << content;
            EXPECT_EQ(it->second, 1) << content;
        }
    }

    int RunCli(const std::string& args, std::string* out = nullptr) const {
        const std::string outFile = m_dir + ".out";
        const int status = std::system(
            (std::string(LT_CLI_PATH) + " rename --keys= " + args + " > " + outFile + " 2>&1").c_str());
        if (out) {
            std::ifstream in(outFile);
            *out = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        fs::remove(outFile);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string m_dir;
    std::vector<std::string> m_contents;
};

} // namespace

TEST(RenamerEngine, ClassifiesNamesByTheirBytes) {
    const struct {
        QByteArray onDisk;
        int code;
        const char* shown;
        unsigned codePage;
    } cases[] = {
        {"Привет.txt", kCodeRussian, "Привет.txt", 0},
        {"readme-ё", kCodeRussian, "readme-ё", 0}, // Cyrillic only at the end still counts
        {kPrivet1251 + ".txt", kCodeRussian, "Привет.txt", 1251},
        {kPrivetKoi + ".txt", kCodeRussian, "Привет.txt", 20866},
        {kPrivet866 + ".txt", kCodeRussian, "Привет.txt", 866},
        {"plain.txt", kCodeNormal, "plain.txt", 0},
        {"caf\xE9.txt", kCodeNormal, "café.txt", 0}, // one Latin-1 byte: not Cyrillic
        {"Ελλάδα", kCodeNormal, "Ελλάδα", 0},
    };
    for (const auto& c : cases) {
        QString shown;
        unsigned codePage = 99;
        EXPECT_EQ(ClassifyName(c.onDisk, shown, &codePage), c.code) << c.shown;
        EXPECT_EQ(shown.toStdString(), c.shown);
        EXPECT_EQ(codePage, c.codePage) << c.shown;
    }
}

TEST(RenamerEngine, ProposesOnlySoundNames) {
    const CCharTable table = DefaultTable();
    EXPECT_EQ(ProposeName(table, "Ёлка и объезд.mp3", "x"), "JOlka i ob'ezd.mp3"); // extension kept
    EXPECT_EQ(ProposeName(table, "мышь", "x"), "mysh#");
    EXPECT_EQ(ProposeName(table, ".скрытый", "x"), ".skrytyj"); // hidden stays hidden

    CCharTable odd;
    odd.KeysFromText(u"01.|02/|03..|33ja");
    EXPECT_EQ(ProposeName(odd, "а", "x"), "");                         // would be "."
    EXPECT_EQ(ProposeName(odd, "в", "x"), "");                         // would be ".."
    EXPECT_EQ(ProposeName(odd, "ая", "x"), "");                        // would turn hidden
    EXPECT_EQ(ProposeName(odd, "б", "x"), "");                         // would hold "/"
    EXPECT_EQ(ProposeName(odd, "ж", "x"), "");                         // no key: nothing left
    EXPECT_EQ(ProposeName(odd, "xя", "xja"), "");                      // already the name on disk
    EXPECT_EQ(ProposeName(table, QString(128, QChar(u'ш')), "x"), ""); // 256 bytes: too long
    EXPECT_EQ(ProposeName(table, QString(127, QChar(u'ш')), "x").size(), 254);
}

TEST_F(RenamerTest, ListsFoldersFirstAndRenamesWithoutReplacing) {
    Folder("Папка");
    File("Привет.txt");
    File("Privet.txt");
    File(kPrivet1251 + "-1251");
    std::vector<SRenameEntry> entries;
    ASSERT_TRUE(ListForRenaming(DefaultTable(), QByteArray::fromStdString(m_dir), entries));
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_TRUE(entries[0].isFolder);
    EXPECT_EQ(entries[0].proposal, "Papka");

    // renameat2's flag, then the fallback for file systems without it: neither replaces.
    const QByteArray dir = QByteArray::fromStdString(m_dir);
    for (const QByteArray mode : {"native", "fallback"}) {
        if (mode == "fallback")
            setenv("LT_RENAME_FALLBACK", "1", 1);
        File("файл-" + mode);
        File("fajl-" + mode);
        Folder("папка-" + mode);
        Folder("papka-" + mode); // empty: a plain rename would replace it
        for (const auto& [from, to] : {std::pair{"файл-", "fajl-"}, {"папка-", "papka-"}}) {
            int error = 0;
            EXPECT_FALSE(RenameNoReplace(dir, from + mode, to + mode, &error)) << to << mode.data();
            EXPECT_EQ(error, EEXIST) << to << mode.data();
            EXPECT_TRUE(RenameNoReplace(dir, from + mode, to + mode + "-free")) << to << mode.data();
            EXPECT_FALSE(fs::exists(m_dir + "/" + (from + mode).toStdString())) << to << mode.data();
        }
        EXPECT_TRUE(fs::is_directory(m_dir + "/papka-" + mode.toStdString() + "-free"));
    }
    unsetenv("LT_RENAME_FALLBACK");
    ExpectEveryOriginalOnce();

    EXPECT_FALSE(ListForRenaming(DefaultTable(), QByteArray::fromStdString(m_dir + "/missing"), entries));
}

TEST_F(RenamerTest, CommandLineRenamesATreeAndLosesNothing) {
    if (RanAsNobody())
        return;
    Folder("Документы");
    Folder("Документы/Ёж");
    File("Документы/Ёж/объявление.txt");
    File("Документы/отчёт.doc");
    File("Привет мир.txt");
    File(kPrivet1251 + " 1251.txt");
    File(kPrivetKoi + " koi.txt");
    File(kPrivet866 + " 866.txt");
    File("ascii.txt");
    File("Подъезд-Ь-ъ.txt");
    File("щ.txt");  // shh.txt
    File("шh.txt"); // shh.txt as well: the second is refused
    File("хлеб.txt");
    File("hleb.txt"); // the proposal of хлеб.txt exists: it must survive untouched
    File(".скрытый");
    ASSERT_EQ(symlink("Привет мир.txt", (m_dir + "/ссылка").c_str()), 0);
    Folder("Закрыто");
    File("Закрыто/внутри.txt");
    fs::permissions(m_dir + "/Закрыто", fs::perms::owner_read | fs::perms::owner_exec);

    std::string out;
    EXPECT_EQ(RunCli("--recursive " + m_dir, &out), 0); // dry run: nothing changes
    EXPECT_NE(out.find("Привет 1251.txt → Privet 1251.txt  (name in CP1251)"), std::string::npos) << out;
    EXPECT_TRUE(fs::exists(m_dir + "/Привет мир.txt"));

    EXPECT_EQ(RunCli("--recursive --apply " + m_dir, &out), 1) << out; // refusals make the exit 1
    for (const char* renamed :
         {"Dokumenty/JOzh/ob'javlenie.txt", "Dokumenty/otchjot.doc", "Privet mir.txt", "Privet 1251.txt",
          "Privet koi.txt", "Privet 866.txt", "Pod'ezd-#-'.txt", "shh.txt", ".skrytyj", "ssylka"})
        EXPECT_TRUE(fs::exists(fs::symlink_status(m_dir + "/" + renamed))) << renamed << "\n" << out;
    EXPECT_TRUE(fs::exists(m_dir + "/хлеб.txt"));
    EXPECT_TRUE(fs::is_symlink(m_dir + "/ssylka"));
    EXPECT_EQ(fs::read_symlink(m_dir + "/ssylka"), "Привет мир.txt"); // the link itself, not its target
    EXPECT_NE(out.find("not renamed: the new name is taken"), std::string::npos) << out;
    EXPECT_TRUE(fs::exists(m_dir + "/Zakryto/внутри.txt")) << out; // its folder is not writable
    EXPECT_NE(out.find(m_dir + "/Закрыто/внутри.txt: not renamed: Permission denied\n"), std::string::npos)
        << out;
    ExpectEveryOriginalOnce();
}
