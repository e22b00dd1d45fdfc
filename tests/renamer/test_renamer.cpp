// The renamer's engine and `lettrino-cli rename` on real folder trees with names in UTF-8 and in
// raw 8-bit Cyrillic bytes.
#include "CCharTable.h"
#include "CliApp.h"
#include "Journal.h"
#include "RawNames.h"
#include "RenamerEngine.h"

#include <gtest/gtest.h>

#include "../common/AsNobody.h"
#include "../common/EncodedBytes.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
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
        fs::remove_all(m_dir + ".state");
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

    // lettrino-cli with a private journal folder; as root it runs as nobody (uid 65534) when asked,
    // so that a read-only folder really is one.
    int RunCli(const std::string& args, std::string* out = nullptr, bool unprivileged = false,
               const char* streams = "2>&1") const {
        const std::string outFile = m_dir + ".out";
        std::string command = "XDG_STATE_HOME=" + m_dir + ".state " + LT_CLI_PATH + " " +
                              (args.starts_with("undo") ? args : "rename --keys= " + args) + " > " + outFile +
                              " " + streams;
        if (unprivileged && geteuid() == 0) {
            std::system(
                ("mkdir -p " + m_dir + ".state && chown -R 65534:65534 " + m_dir + " " + m_dir + ".state")
                    .c_str());
            command = "setpriv --reuid=65534 --regid=65534 --clear-groups sh -c '" + command + "'";
        }
        const int status = std::system(command.c_str());
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
        {"\xE7\xA5\xAC", kCodeRussian, "чем", 866},          // CP866 that is also valid UTF-8 ("祬")
        {"РџСЂРёРІРµС‚.txt", kCodeRussian, "Привет.txt", 0}, // UTF-8 read as 1251 once: repaired
        {"Ã‰tÃ©.txt", kCodeNormal, "Ã‰tÃ©.txt", 0},          // repairs to French, not Russian: kept
    };
    for (const auto& c : cases) {
        QString shown;
        unsigned codePage = 99;
        EXPECT_EQ(ClassifyName(c.onDisk, shown, &codePage), c.code) << c.shown;
        EXPECT_EQ(shown.toStdString(), c.shown);
        EXPECT_EQ(codePage, c.codePage) << c.shown;
    }
}

// Valid UTF-8 keeps its reading, whatever a repair or an encoding forced for the whole run would
// make of it; decomposed letters are composed; a name with a stray byte is listed with a reason.
TEST(RenamerEngine, NamesReadAsTheyAre) {
    const struct {
        QByteArray onDisk;
        std::optional<ETextEncoding> readAs;
        bool whole; // the reading came for the whole run (--encoding)
        const char* shown;
        const char* proposal;
        ERefusal refusal;
    } cases[] = {
        {"ЖЖЖЖЖЖЖЖ.txt", {}, false, "ЖЖЖЖЖЖЖЖ.txt", "ZHZHZHZHZHZHZHZH.txt", ERefusal::kNone},
        {"ёёёё.txt", {}, false, "ёёёё.txt", "jojojojo.txt", ERefusal::kNone},
        {"И\xCC\x86oshkar-Ola", {}, false, "Йoshkar-Ola", "Joshkar-Ola", ERefusal::kNone},
        {"Е\xCC\x88lka", {}, false, "Ёlka", "JOlka", ERefusal::kNone},
        {"Видео", ETextEncoding::kKoi8r, true, "Видео", "Video", ERefusal::kNone},
        {"Видео", ETextEncoding::kKoi8r, false, "п▓п╦п╢п╣п╬", "p▓p╦p╢p╣p╬",
         ERefusal::kNone}, // the row's choice
        {kPrivetKoi, ETextEncoding::kKoi8r, true, "Привет", "Privet", ERefusal::kNone},
        {"Пес\xD0.txt", {}, false, "Пес\xEF\xBF\xBD.txt", "", ERefusal::kInvalidBytes},
    };
    const CCharTable table = DefaultTable();
    for (const auto& c : cases) {
        SRenameEntry entry;
        entry.onDisk = c.onDisk;
        entry.readAs = c.readAs;
        entry.readAsWhole = c.whole;
        ReadAndPropose(table, entry);
        EXPECT_EQ(entry.shown.toStdString(), c.shown) << c.shown;
        EXPECT_EQ(entry.proposal.toStdString(), c.proposal) << c.shown;
        EXPECT_EQ(entry.refusal, c.refusal) << c.shown;
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
        ForceRenameFallback(mode == "fallback");
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
    ForceRenameFallback(false);
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
    EXPECT_NE(out.find("/\\xCF\\xF0\\xE8\\xE2\\xE5\\xF2 1251.txt → Privet 1251.txt  (" + m_dir +
                       "/Привет 1251.txt, name in Windows-1251)"),
              std::string::npos)
        << out;
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
    EXPECT_NE(out.find(m_dir + "/Закрыто/внутри.txt: not renamed: the folder is not writable\n"),
              std::string::npos)
        << out;
    ExpectEveryOriginalOnce();
}

namespace {

// Every entry below a folder by its raw path, with its kind and, for a file, its content.
std::map<std::string, std::string> Snapshot(const std::string& root) {
    std::map<std::string, std::string> listing;
    for (auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = entry.path().string().substr(root.size());
        if (entry.is_symlink())
            listing[relative] = "link " + fs::read_symlink(entry.path()).string();
        else if (entry.is_directory())
            listing[relative] = "folder";
        else {
            std::ifstream in(entry.path(), std::ios::binary);
            listing[relative] =
                std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    return listing;
}

// The refusals of a --json run: "path: reason" per refused entry.
std::vector<std::string> Refusals(const std::string& json) {
    std::vector<std::string> found;
    std::istringstream lines(json);
    for (std::string line; std::getline(lines, line);) {
        if (line.find("refused\"") == std::string::npos)
            continue;
        const auto field = [&](const std::string& name) {
            const std::size_t at = line.find("\"" + name + "\":\"") + name.size() + 4;
            return line.substr(at, line.find('"', at) - at);
        };
        found.push_back(field("path") + ": " + field("reason"));
    }
    return found;
}

} // namespace

TEST_F(RenamerTest, TreeRenamedAndUndoneExactly) {
    Folder("Документы");
    Folder("Документы/Ёж");
    File("Документы/Ёж/объявление.txt");
    Folder(kPrivetKoi); // a folder named in KOI8-R
    File(kPrivetKoi + "/" + kPrivet1251 + ".txt");
    File(QByteArray(120, 'x').replace("x", "щ")); // 240 bytes, 360 in Latin: too long
    File("хлеб.txt");
    File("hleb.txt"); // taken
    Folder("Закрыто");
    File("Закрыто/внутри.txt");
    File("Закрыто/ещё.txt");
    fs::permissions(m_dir + "/Закрыто", fs::perms::owner_read | fs::perms::owner_exec);
    const auto before = Snapshot(m_dir);

    std::string dry, real;
    EXPECT_EQ(RunCli("--recursive --json " + m_dir, &dry, true, "2>/dev/null"), 0);
    EXPECT_EQ(RunCli("--recursive --json --apply " + m_dir, &real, true, "2>/dev/null"), 1);
    const std::vector<std::string> predicted = Refusals(dry);
    EXPECT_EQ(predicted, Refusals(real));
    EXPECT_EQ(predicted.size(), 4u) << dry;
    EXPECT_NE(
        dry.find("\"new\":\"\",\"encoding\":\"UTF-8\",\"kind\":\"file\",\"status\":\"would be refused\","
                 "\"reason\":\"the new name would be too long for the file system\""),
        std::string::npos)
        << dry;
    EXPECT_TRUE(fs::exists(m_dir + "/Privet/Privet.txt")) << real;
    EXPECT_TRUE(fs::exists(m_dir + "/Dokumenty/JOzh/ob'javlenie.txt")) << real;
    EXPECT_TRUE(fs::exists(m_dir + "/Zakryto/внутри.txt")) << real;
    EXPECT_TRUE(fs::exists(m_dir + "/хлеб.txt"));
    ExpectEveryOriginalOnce();

    std::string out;
    EXPECT_EQ(RunCli("undo --apply", &out, true), 0) << out;
    EXPECT_EQ(Snapshot(m_dir), before) << out;
    EXPECT_EQ(RunCli("undo --apply", &out, true), 0) << out; // the second time does nothing
    EXPECT_NE(out.find("undone already"), std::string::npos) << out;
    EXPECT_EQ(Snapshot(m_dir), before);
}

TEST_F(RenamerTest, UndoLeavesANameTakenMeanwhile) {
    File("дом.txt");
    File("сад.txt");
    EXPECT_EQ(RunCli("--apply " + m_dir), 0);
    File("дом.txt"); // someone took the old name meanwhile
    std::string out;
    EXPECT_EQ(RunCli("undo --apply", &out), 1);
    EXPECT_NE(out.find("left: " + m_dir + "/dom.txt → " + m_dir + "/дом.txt  [the old name is taken]"),
              std::string::npos)
        << out;
    EXPECT_TRUE(fs::exists(m_dir + "/dom.txt"));
    EXPECT_TRUE(fs::exists(m_dir + "/сад.txt"));
    EXPECT_FALSE(fs::exists(m_dir + "/sad.txt"));
}

TEST_F(RenamerTest, ATableWithoutALetterRefusesNamesWithIt) {
    File("баба.txt");
    File("дед.txt");
    std::string out;
    const std::string keys = "--keys '01a|05d|06e|15n' ";
    EXPECT_EQ(RunCli("undo", &out), 1); // no run yet
    const int status = std::system(("XDG_STATE_HOME=" + m_dir + ".state " + LT_CLI_PATH + " rename --apply " +
                                    keys + m_dir + " > " + m_dir + ".out 2>&1")
                                       .c_str());
    std::ifstream in(m_dir + ".out");
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(out.find("/баба.txt → -  [refused: no key for «б»]"), std::string::npos) << out;
    EXPECT_TRUE(fs::exists(m_dir + "/баба.txt"));
    EXPECT_TRUE(fs::exists(m_dir + "/ded.txt"));
    EXPECT_EQ(
        std::system((std::string(LT_CLI_PATH) + " rename --keys garbage " + m_dir + " 2>/dev/null").c_str()),
        2 << 8);
    // A standard spelling spells every letter, whatever the table lacks; the run undoes as any other.
    const std::string run = "XDG_STATE_HOME=" + m_dir + ".state " + LT_CLI_PATH;
    EXPECT_EQ(
        std::system((run + " rename --apply --scheme icao " + keys + m_dir + " >/dev/null 2>&1").c_str()), 0);
    EXPECT_TRUE(fs::exists(m_dir + "/baba.txt"));
    EXPECT_EQ(std::system((run + " undo --apply >/dev/null 2>&1").c_str()), 0);
    EXPECT_TRUE(fs::exists(m_dir + "/баба.txt"));
}

TEST_F(RenamerTest, FallbackRenameNeverReplaces) {
    ForceRenameFallback(true);
    File("Папка-файл");
    Folder("Папка");
    Folder("Papka"); // an empty folder: a plain rename would replace it
    File("papka-fajl");
    const CFolderFd fd = OpenFolderPath(QByteArray::fromStdString(m_dir));
    int error = 0;
    EXPECT_FALSE(RenameNoReplaceAt(fd.Fd(), "Папка", "Papka", &error));
    EXPECT_EQ(error, EEXIST);
    EXPECT_FALSE(RenameNoReplaceAt(fd.Fd(), "Папка-файл", "papka-fajl", &error));
    EXPECT_EQ(error, EEXIST);
    EXPECT_TRUE(RenameNoReplaceAt(fd.Fd(), "Папка", "Papka2"));
    EXPECT_TRUE(RenameNoReplaceAt(fd.Fd(), "Папка-файл", "papka-fajl2"));
    ForceRenameFallback(false);
    EXPECT_TRUE(fs::is_directory(m_dir + "/Papka2"));
    ExpectEveryOriginalOnce();
}

TEST_F(RenamerTest, FallbackCutShortIsTakenBack) {
    // A run killed between the two steps of the fallback: the rename is journalled, only the
    // second link or the empty 0700 folder is on disk.
    File("дом.txt");
    Folder("Папка");
    const auto before = Snapshot(m_dir);
    const QByteArray dir = QByteArray::fromStdString(m_dir);
    auto cutShort = [&] {
        if (const pid_t child = fork(); child > 0) {
            waitpid(child, nullptr, 0);
            return;
        }
        setenv("XDG_STATE_HOME", (m_dir + ".state").c_str(), 1);
        CJournal journal("rename", dir, "");
        const CFolderFd fd = OpenFolderPath(dir);
        for (const auto& [from, to] :
             {std::pair<QByteArray, QByteArray>{"дом.txt", "dom.txt"}, {"Папка", "Papka"}}) {
            struct stat info {};
            fstatat(fd.Fd(), from.constData(), &info, AT_SYMLINK_NOFOLLOW);
            journal.AppendRename(fd.Fd(), from, to, info.st_dev, info.st_ino);
            S_ISDIR(info.st_mode) ? mkdirat(fd.Fd(), to.constData(), 0700)
                                  : linkat(fd.Fd(), from.constData(), fd.Fd(), to.constData(), 0);
        }
        _exit(0); // as killed: the journal is never finished
    };
    cutShort();
    std::string out;
    EXPECT_EQ(RunCli("undo --apply", &out), 0) << out;
    EXPECT_EQ(Snapshot(m_dir), before);
    // A rerun removes the empty folder its journal accounts for, and names the second link.
    cutShort();
    setenv("LETTRINO_RENAME_FALLBACK", "1", 1);
    EXPECT_EQ(RunCli("--apply " + m_dir, &out), 1);
    unsetenv("LETTRINO_RENAME_FALLBACK");
    EXPECT_NE(out.find("another link"), std::string::npos) << out;
    EXPECT_TRUE(fs::is_directory(m_dir + "/Papka"));
    EXPECT_EQ(RunCli("undo --apply", &out), 0) << out;
    setenv("XDG_STATE_HOME", (m_dir + ".state").c_str(), 1);
    for (const QString& journal : ListJournals()) // then the run cut short
        EXPECT_EQ(RunCli("undo --apply " + journal.toStdString(), &out), 0) << out;
    EXPECT_EQ(Snapshot(m_dir), before);
}

TEST(RawNames, EscapedNamesReadBack) {
    const struct {
        QByteArray raw;
        const char* escaped;
    } cases[] = {
        {"Привет.txt", "Привет.txt"},
        {"\xCF\xF0\xE8", "\\xCF\\xF0\\xE8"},
        {"a\nb\tc\\d\re", "a\\nb\\tc\\\\d\\re"},
        {QByteArray("\x01\x7F\xC2\x85", 4), "\\x01\\x7F\\xC2\\x85"}, // C0, DEL, C1 (NEL)
        {"\xE2\x82", "\\xE2\\x82"},                                  // a cut sequence
        {"a b", "a b"},
        {"b\u202Etxt.exe", "b\\xE2\\x80\\xAEtxt.exe"}, // shows the rest reversed
        {"\u200B\uFEFF\U000E0041", "\\xE2\\x80\\x8B\\xEF\\xBB\\xBF\\xF3\\xA0\\x81\\x81"}, // invisible
        {"\u00A0\u2010", "\u00A0\u2010"}, // visible: a space, a hyphen
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RawToEscaped(c.raw).toStdString(), c.escaped);
        QByteArray back;
        EXPECT_TRUE(EscapedToRaw(c.escaped, back));
        EXPECT_EQ(back, c.raw);
    }
    EXPECT_EQ(ShownName(QStringLiteral("a\u202Eb\u2066\tc")), QStringLiteral("a\\u202Eb\\u2066\\u0009c"));
    QByteArray raw;
    EXPECT_FALSE(EscapedToRaw("\\q", raw));
    EXPECT_FALSE(EscapedToRaw("\\x4", raw));
    EXPECT_FALSE(EscapedToRaw("a\\", raw));
}

TEST_F(RenamerTest, AFolderSwappedForALinkChangesNothingOutside) {
    // The tree, and a folder outside it that a link will point to in the middle of the run.
    Folder("tree");
    Folder("tree/Папка");
    Folder("outside");
    for (int i = 0; i < 20; ++i) {
        File("tree/Папка/файл" + QByteArray::number(i));
        File("outside/чужой" + QByteArray::number(i));
    }
    const auto outside = Snapshot(m_dir + "/outside");
    const std::string tree = m_dir + "/tree";
    SetAfterListingHook([&](const QByteArray& folder) {
        if (folder.toStdString() != tree)
            return;
        fs::rename(tree + "/Папка", m_dir + "/moved");
        fs::create_directory_symlink(m_dir + "/outside", tree + "/Папка");
    });
    setenv("XDG_STATE_HOME", (m_dir + ".state").c_str(), 1);
    std::vector<std::string> args = {"lettrino-cli", "rename", "--keys=", "--recursive", "--apply", tree};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = ::RunCli(int(argv.size()), argv.data());
    testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    SetAfterListingHook({});
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find("skipped, not the folder listed"), std::string::npos) << err;
    EXPECT_EQ(Snapshot(m_dir + "/outside"), outside);
    EXPECT_TRUE(fs::is_symlink(tree + "/Папка")); // the link is not renamed either: not the entry listed
    EXPECT_TRUE(fs::exists(m_dir + "/moved/файл0"));
}

TEST_F(RenamerTest, KilledAtRandomMomentsAndUndoneExactly) {
    // A run killed at any moment leaves a journal that gives every name back.
    Folder("tree");
    for (int f = 0; f < 20; ++f) {
        const QByteArray folder = "tree/Папка" + QByteArray::number(f);
        Folder(folder);
        for (int i = 0; i < 40; ++i)
            File(folder + "/файл" + QByteArray::number(i));
    }
    const auto before = Snapshot(m_dir + "/tree");
    for (const int delayMs : {5, 20, 60}) {
        const std::string command = "XDG_STATE_HOME=" + m_dir + ".state " + LT_CLI_PATH +
                                    " rename --keys= --recursive --apply " + m_dir +
                                    "/tree >/dev/null 2>&1 & pid=$!; " + "sleep 0." +
                                    std::to_string(1000 + delayMs).substr(1) + "; kill -9 $pid; wait $pid";
        std::system(command.c_str());
        std::string out;
        RunCli("undo --apply", &out);
        EXPECT_EQ(Snapshot(m_dir + "/tree"), before) << delayMs << " ms\n" << out;
    }
}

TEST_F(RenamerTest, NoJournalNoRename) {
    File("дом.txt");
    fs::create_directories(m_dir + ".state");
    std::ofstream(m_dir + ".state/lettrino") << "a file where the journal folder should be";
    std::string out;
    EXPECT_EQ(RunCli("--apply " + m_dir, &out), 1);
    EXPECT_NE(out.find("not renamed: the journal could not be written"), std::string::npos) << out;
    EXPECT_TRUE(fs::exists(m_dir + "/дом.txt"));
}

// Short KOI8-R names: the detector takes some for Windows-1251; --encoding koi8-r reads them all.
TEST_F(RenamerTest, ForcedEncodingReadsEveryShortName) {
    const struct {
        const char* word;
        const char* latin;
    } words[] = {{"мир", "mir"}, {"дом", "dom"}, {"кот", "kot"}, {"сон", "son"},  {"лес", "les"},
                 {"нос", "nos"}, {"рот", "rot"}, {"сад", "sad"}, {"час", "chas"}, {"год", "god"},
                 {"сыр", "syr"}, {"пол", "pol"}, {"дым", "dym"}, {"жук", "zhuk"}, {"зуб", "zub"},
                 {"лук", "luk"}, {"мак", "mak"}, {"щи", "shhi"}};
    for (const auto& w : words)
        File(Koi8Bytes(QString::fromUtf8(w.word)) + ".txt");
    auto countRight = [&](const std::string& options) {
        std::string out;
        EXPECT_EQ(RunCli("--json " + options + m_dir, &out, false, "2>/dev/null"), 0);
        int right = 0;
        for (const auto& w : words)
            right += out.find(std::string("\"new\":\"") + w.latin + ".txt\"") != std::string::npos;
        return right;
    };
    const int automatic = countRight("");
    const int forced = countRight("--encoding koi8-r ");
    std::printf("short KOI8-R names read right: auto %d of %zu, --encoding koi8-r %d\n", automatic,
                std::size(words), forced);
    EXPECT_LT(automatic, int(std::size(words)));
    EXPECT_EQ(forced, int(std::size(words)));
    EXPECT_EQ(RunCli("--encoding koi8-r --only 'м*' --apply " + m_dir), 0);
    EXPECT_TRUE(fs::exists(m_dir + "/mir.txt"));
    EXPECT_TRUE(fs::exists(m_dir + "/mak.txt"));
    EXPECT_FALSE(fs::exists(m_dir + "/dom.txt")); // not matched by --only
    ExpectEveryOriginalOnce();
    EXPECT_EQ(RunCli("--encoding latin2 " + m_dir), 2);
}

TEST(RawNames, ForcedReadingWinsOverTheRule) {
    const QByteArray koi = "\xCB\xCF\xD4"; // "кот" in KOI8-R
    const struct {
        std::optional<ETextEncoding> forced;
        const char* text;
        bool russian;
    } cases[] = {{ETextEncoding::kKoi8r, "кот", true},
                 {ETextEncoding::kCp1251, "ЛПФ", true},
                 {ETextEncoding::kCp866, "╦╧╘", false},
                 {ETextEncoding::kCp1252, "ËÏÔ", false},
                 {ETextEncoding::kUtf8, "\uFFFD\uFFFD\uFFFD", false}};
    for (const auto& c : cases) {
        const SShortText read = ReadShortText(koi, c.forced);
        EXPECT_EQ(read.text.toStdString(), c.text);
        EXPECT_EQ(read.russian, c.russian) << c.text;
        EXPECT_EQ(read.encoding, *c.forced);
    }
}
