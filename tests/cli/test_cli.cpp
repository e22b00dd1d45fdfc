// lettrino-cli as a user runs it: the built binary, its output compared exactly.
#include <gtest/gtest.h>

#include "../common/AsNobody.h"
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <csignal>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct SRun {
    int status = -1;
    std::string out, err;
};

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Spit(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/lt-cli-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
        // A private settings location: never the user's keys.
        fs::create_directories(m_dir / "config");
        m_env.push_back("XDG_CONFIG_HOME=" + (m_dir / "config").string());
        m_env.push_back("XDG_STATE_HOME=" + (m_dir / "state").string());
    }
    void TearDown() override { fs::remove_all(m_dir); }

    SRun Run(const std::vector<std::string>& args, const std::string& input = {},
             const char* output = nullptr) {
        Spit(m_dir / "stdin", input);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, (m_dir / "stdin").c_str(), O_RDONLY, 0);
        const std::string outPath = output ? output : (m_dir / "stdout").string();
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, (m_dir / "stderr").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<std::string> argStrings = {LT_CLI_PATH};
        argStrings.insert(argStrings.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : argStrings)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> envStrings;
        for (char** e = environ; *e; ++e) {
            if (std::string(*e).rfind("XDG_CONFIG_HOME=", 0) != 0 &&
                std::string(*e).rfind("XDG_STATE_HOME=", 0) != 0)
                envStrings.push_back(*e);
        }
        envStrings.insert(envStrings.end(), m_env.begin(), m_env.end());
        std::vector<char*> envp;
        for (auto& e : envStrings)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        pid_t pid = 0;
        SRun run;
        if (posix_spawn(&pid, LT_CLI_PATH, &actions, nullptr, argv.data(), envp.data()) == 0) {
            int wstatus = 0;
            waitpid(pid, &wstatus, 0);
            run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        run.out = output ? std::string() : Slurp(m_dir / "stdout");
        run.err = Slurp(m_dir / "stderr");
        return run;
    }

    std::string File(const std::string& name, const std::string& bytes) {
        Spit(m_dir / name, bytes);
        return (m_dir / name).string();
    }

    void StoreKeys(const std::string& iniLine) {
        fs::create_directories(m_dir / "config" / "ZDK");
        Spit(m_dir / "config" / "ZDK" / "Lt.conf", "[Settings]\n" + iniLine + "\n");
    }

    fs::path m_dir;
    std::vector<std::string> m_env;
};

const std::string kPrivet1251 = "\xCF\xF0\xE8\xE2\xE5\xF2 \xEC\xE8\xF0";
const std::string kPrivetKoi = "\xF0\xD2\xC9\xD7\xC5\xD4 \xCD\xC9\xD2";
const std::string kPrivet866 = "\x8F\xE0\xA8\xA2\xA5\xE2 \xAC\xA8\xE0";

} // namespace

TEST_F(CliTest, HelpVersionAndUsageErrors) {
    SRun r = Run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("to-cyrillic"), std::string::npos);
    EXPECT_NE(r.out.find("  2  usage error"), std::string::npos);
    r = Run({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("lettrino-cli ", 0), 0u);

    const std::vector<std::vector<std::string>> usageErrors = {{},
                                                               {"transmogrify"},
                                                               {"to-latin", "--bogus"},
                                                               {"to-latin", "--keys"},
                                                               {"to-latin", "a", "b"},
                                                               {"detect"},
                                                               {"decode", "--keys", "01a"},
                                                               {"to-latin", ""},
                                                               {"to-latin", "--keys", "garbage"},
                                                               {"rename", "--keys=01a|02", "."},
                                                               {"rename", "--list", "."},
                                                               {"undo", "--list", "--apply"},
                                                               {"undo", "a", "b"}};
    for (const auto& args : usageErrors) {
        r = Run(args);
        EXPECT_EQ(r.status, 2) << (args.empty() ? "" : args[0]);
        EXPECT_TRUE(r.out.empty());
        EXPECT_NE(r.err.find("lettrino-cli: "), std::string::npos);
    }
}

TEST_F(CliTest, Conversions) {
    EXPECT_EQ(Run({"to-cyrillic"}, "Shhuka i ob'ekt, jolka!\n").out, "Щука и объект, ёлка!\n");
    EXPECT_EQ(Run({"to-latin"}, "Щука и объект, ёлка!\n").out, "SHHuka i ob'ekt, jolka!\n");
    EXPECT_EQ(Run({"convert"}, "  privet").out, "  привет");
    EXPECT_EQ(Run({"convert"}, "Привет").out, "Privet");
    EXPECT_EQ(Run({"convert"}, ". abc").out, ". abc"); // neither direction: unchanged
    EXPECT_EQ(Run({"to-cyrillic", "--keys", "01x|02y"}, "xyz").out, "абz");
    EXPECT_EQ(Run({"to-latin", "--keys=01x"}, "абв").out, "x");
    const std::string file = File("in.txt", "zhuk\r\nshh\n😀 ß");
    EXPECT_EQ(Run({"to-cyrillic", file}).out, "жук\r\nщ\n😀 ß");
    EXPECT_EQ(Run({"to-cyrillic", "-"}, "w").out, "щ");
    // One line longer than a piece read at a time: letters typed across the cut still combine,
    // from a file and through a pipe, whatever falls on the cut.
    for (const std::size_t lead : {3, 6}) { // the cut after the "s" of "sh", after the "z" of "zh"
        std::string line(lead, 'b'), expected;
        for (std::size_t i = 0; i < lead; ++i)
            expected += "б";
        for (int i = 0; i < 1'300'000; ++i) {
            line += "shh zh ";
            expected += "щ ж ";
        }
        EXPECT_TRUE(Run({"to-cyrillic", File("line.txt", line)}).out == expected) << lead;
        EXPECT_TRUE(Run({"to-cyrillic", "-"}, line).out == expected) << lead;
    }
    SRun r = Run({"to-latin"}, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
}

TEST_F(CliTest, UsesTheKeysTheEditorStored) {
    StoreKeys("Chars=01q");
    EXPECT_EQ(Run({"to-cyrillic"}, "qa").out, "аa");
    EXPECT_EQ(Run({"to-cyrillic", "--keys", "02a"}, "qa").out, "qб"); // --keys wins
    StoreKeys("Chars=");
    EXPECT_EQ(Run({"to-cyrillic"}, "qa").out, "qа"); // empty value: the default keys
    StoreKeys("Chars=01a,b|35z");                    // unquoted comma: the INI reader splits it
    EXPECT_EQ(Run({"to-latin"}, "а,").out, "a,b,");
    StoreKeys("Chars=\"01q|35,\"");
    EXPECT_EQ(Run({"to-cyrillic"}, "q,").out, "а,");
}

TEST_F(CliTest, BadInputIsAnErrorNamingIt) {
    if (RanAsNobody())
        return;
    SRun r = Run({"to-latin"}, "ok \xC3\x28");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("standard input: invalid UTF-8 at byte offset 3"), std::string::npos) << r.err;

    r = Run({"to-cyrillic", (m_dir / "missing.txt").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("missing.txt: No such file or directory"), std::string::npos) << r.err;

    r = Run({"decode", m_dir.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is a folder"), std::string::npos) << r.err;

    const std::string locked = File("locked.txt", "x");
    fs::permissions(locked, fs::perms::none);
    r = Run({"to-latin", locked});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "lettrino-cli: " + locked + ": Permission denied\n");

    // A full disk is a failure, not a silent success.
    for (const char* command : {"to-latin", "decode"}) {
        r = Run({command}, "привет", "/dev/full");
        EXPECT_EQ(r.status, 1) << command;
        EXPECT_NE(r.err.find("standard output: No space left on device"), std::string::npos) << r.err;
    }

    r = Run({"to-latin", "--keys", "01\xFF"}, "а");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--keys: invalid UTF-8"), std::string::npos);
}

TEST_F(CliTest, DetectAndDecode) {
    const std::string cp1251 = File("1251.txt", kPrivet1251);
    const std::string koi = File("koi.txt", kPrivetKoi);
    const std::string dos = File("866.txt", kPrivet866);
    const std::string utf16 = File("utf16.txt", std::string("\xFF\xFE\x1F\x04\x40\x04", 6));
    const std::string utf8 = File("utf8.txt", "Привет мир");
    SRun r = Run({"detect", cp1251, koi, dos, utf16, (m_dir / "gone").string(), utf8});
    EXPECT_EQ(r.status, 1); // one file was missing, the others are still reported
    EXPECT_EQ(r.out, "Windows-1251\t" + cp1251 + "\nKOI8-R\t" + koi + "\nCP866\t" + dos + "\nUTF-16LE\t" +
                         utf16 + "\nUTF-8\t" + utf8 + "\n");
    EXPECT_EQ(Run({"detect", "--verbose", utf8}).out, "UTF-8\t866\t" + utf8 + "\n");
    EXPECT_NE(r.err.find("gone"), std::string::npos);

    for (const std::string& path : {cp1251, koi, dos, utf8}) {
        r = Run({"decode", path});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "Привет мир") << path;
    }
    EXPECT_EQ(Run({"decode", utf16}).out, "Пр");
    EXPECT_EQ(Run({"decode"}, kPrivetKoi).out, "Привет мир");
    EXPECT_EQ(Run({"decode"}, "").out, "");
}

TEST_F(CliTest, LargeInputInOnePass) {
    std::string latin;
    for (int i = 0; i < 100000; ++i)
        latin += "Shhuka, zhuk i ob'ekt.\n"; // 2.3 MB: hours on a quadratic path
    SRun r = Run({"to-cyrillic"}, latin);
    ASSERT_EQ(r.status, 0);
    std::string expected;
    for (int i = 0; i < 100000; ++i)
        expected += "Щука, жук и объект.\n";
    EXPECT_TRUE(r.out == expected); // not EXPECT_EQ: its diff of megabytes exhausts the memory
    std::string back;
    for (int i = 0; i < 100000; ++i)
        back += "SHHuka, zhuk i ob'ekt.\n";
    EXPECT_TRUE(Run({"to-latin"}, expected).out == back);
    // A bad byte far past the first piece, at the start of a line (34 bytes each), in both
    // directions: pieces and blocks are cut differently there.
    expected[2000016] = '\xFF';
    for (const char* command : {"to-latin", "to-cyrillic"})
        EXPECT_EQ(Run({command}, expected).err,
                  "lettrino-cli: standard input: invalid UTF-8 at byte offset 2000016\n");
}

// Under a memory limit an endless input either streams on or ends with a message and status 1;
// never an abort. AddressSanitizer reserves more address space than any such limit allows.
#if !defined(__SANITIZE_ADDRESS__)
TEST_F(CliTest, OutOfMemoryIsAnError) {
    int errPipe[2];
    ASSERT_EQ(pipe(errPipe), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const rlimit limit{512u << 20, 512u << 20};
        setrlimit(RLIMIT_AS, &limit);
        dup2(open("/dev/null", O_WRONLY), 1);
        dup2(errPipe[1], 2);
        execl(LT_CLI_PATH, LT_CLI_PATH, "to-latin", "/dev/zero", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(errPipe[1]);
    int wstatus = 0;
    for (int i = 0; i < 200 && waitpid(pid, &wstatus, WNOHANG) == 0; ++i)
        usleep(100000);
    if (waitpid(pid, &wstatus, WNOHANG) == 0) { // still converting after 20 s: streaming, fine
        kill(pid, SIGKILL);
        waitpid(pid, &wstatus, 0);
        close(errPipe[0]);
        return;
    }
    char err[256] = {};
    [[maybe_unused]] const ssize_t n = read(errPipe[0], err, sizeof err - 1);
    close(errPipe[0]);
    ASSERT_TRUE(WIFEXITED(wstatus)) << "signal " << WTERMSIG(wstatus);
    EXPECT_EQ(WEXITSTATUS(wstatus), 1);
    EXPECT_STREQ(err, "lettrino-cli: out of memory\n");
}
#endif
TEST_F(CliTest, NamesAreShownByteForByte) {
    fs::create_directory(m_dir / "tree");
    Spit(m_dir / "tree" / "a\nб.txt", "x");
    Spit(m_dir / "tree" / (kPrivet1251 + ".txt"), "x");
    const SRun r = Run({"rename", "--keys=", (m_dir / "tree").string()});
    EXPECT_EQ(r.status, 0);
    const std::string tree = (m_dir / "tree").string();
    EXPECT_NE(r.out.find(tree + "/a\\nб.txt → a\\nb.txt\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(tree + "/\\xCF\\xF0\\xE8\\xE2\\xE5\\xF2 \\xEC\\xE8\\xF0.txt → Privet mir.txt  (" +
                         tree + "/Привет мир.txt, name in Windows-1251)\n"),
              std::string::npos)
        << r.out;
    const SRun bad = Run({"rename", "--keys", "01a|1b", (m_dir / "tree").string()});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("--keys: bad field '1b'"), std::string::npos) << bad.err;
}

// JSON lines stay valid whatever the names hold, and name encodings as detect does.
TEST_F(CliTest, JsonParsesForAnyNameAndNamesEncodingsAsDetect) {
    fs::create_directory(m_dir / "tree");
    const std::vector<std::string> names = {"a\"б.txt", "c\\д.txt", "e\x01ж\tз.txt", kPrivet1251 + ".txt"};
    for (const std::string& name : names)
        Spit(m_dir / "tree" / name, kPrivet1251);
    const SRun r = Run({"rename", "--json", (m_dir / "tree").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    std::set<QString> old;
    QString encoding1251;
    for (const QByteArray& line : QByteArray::fromStdString(r.out).split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError error{};
        const QJsonObject entry = QJsonDocument::fromJson(line, &error).object();
        ASSERT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
        old.insert(entry[u"old"].toString());
        if (entry[u"old_text"].toString() == u"Привет мир.txt")
            encoding1251 = entry[u"encoding"].toString();
    }
    EXPECT_EQ(old, (std::set<QString>{u"a\"б.txt"_qs, u"c\\\\д.txt"_qs, u"e\\x01ж\\tз.txt"_qs,
                                      u"\\xCF\\xF0\\xE8\\xE2\\xE5\\xF2 \\xEC\\xE8\\xF0.txt"_qs}));
    const SRun detect = Run({"detect", (m_dir / "tree" / names[0]).string()});
    EXPECT_EQ(detect.out.substr(0, detect.out.find('\t')), encoding1251.toStdString());
}

// Characters that hide or reorder a name (U+202E shows the rest reversed) are shown as bytes,
// in the listing and in JSON; keys holding control or format characters are refused.
TEST_F(CliTest, InvisibleCharactersAreEscapedAndNoKeys) {
    fs::create_directory(m_dir / "tree");
    Spit(m_dir / "tree" / "б\u202Etxt.exe", "x");
    Spit(m_dir / "tree" / "в\u200Bx\u2066", "x");
    const std::string tree = (m_dir / "tree").string();
    const SRun r = Run({"rename", "--keys=", tree});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("/б\\xE2\\x80\\xAEtxt.exe → b\\xE2\\x80\\xAEtxt.exe\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("/в\\xE2\\x80\\x8Bx\\xE2\\x81\\xA6 → v\\xE2\\x80\\x8Bx\\xE2\\x81\\xA6\n"),
              std::string::npos)
        << r.out;
    const SRun json = Run({"rename", "--json", "--keys=", tree});
    EXPECT_NE(json.out.find("\\u202e"), std::string::npos) << json.out;
    EXPECT_EQ(json.out.find("\u202E"), std::string::npos) << json.out;
    const std::string file = tree + "/б\u202Etxt.exe";
    const SRun twice = Run({"rename", "--apply", "--keys=", file, file}); // one path, named twice
    EXPECT_EQ(twice.status, 0) << twice.err;
    EXPECT_TRUE(fs::exists(m_dir / "tree" / "b\u202Etxt.exe")) << twice.err;
    for (const char* keys : {"02\x04\x04\x041", "02b\u202E", "01a|02\u200Bb", "03\u0085"}) {
        const SRun bad = Run({"rename", "--keys", keys, tree});
        EXPECT_EQ(bad.status, 2) << keys;
        EXPECT_NE(bad.err.find("a key cannot hold control or invisible formatting characters"),
                  std::string::npos)
            << bad.err;
        EXPECT_EQ(bad.err.find_first_of("\x04"), std::string::npos) << bad.err;
    }
}

// detect names what decode reads, for every kind of file: the text comes back exactly.
TEST_F(CliTest, DetectNamesWhatDecodeReads) {
    auto be = [](const std::u16string& text) {
        std::string out;
        for (char16_t u : text)
            out += {char(u >> 8), char(u & 0xFF)};
        return out;
    };
    auto le = [](const std::u16string& text) {
        std::string out;
        for (char16_t u : text)
            out += {char(u & 0xFF), char(u >> 8)};
        return out;
    };
    const std::u16string mixed = u"Grüße, Привет! 😀 中文 — naïve ½\n";
    const std::string mixed8 = "Grüße, Привет! 😀 中文 — naïve ½\n";
    struct SCase {
        const char* name;
        std::string bytes;
        const char* encoding;
        std::string text;
    };
    const SCase cases[] = {
        {"utf8", mixed8, "UTF-8", mixed8},
        {"utf8bom", "\xEF\xBB\xBF" + mixed8, "UTF-8", mixed8},
        {"utf16le", "\xFF\xFE" + le(mixed), "UTF-16LE", mixed8},
        {"utf16le-nobom", le(mixed), "UTF-16LE", mixed8},
        {"utf16be", "\xFE\xFF" + be(mixed), "UTF-16BE", mixed8},
        {"utf16be-nobom", be(mixed), "UTF-16BE", mixed8},
        {"cp1251", kPrivet1251, "Windows-1251", "Привет мир"},
        {"koi8r", kPrivetKoi, "KOI8-R", "Привет мир"},
        {"cp866", kPrivet866, "CP866", "Привет мир"},
        {"cp866-valid-utf8", "\xE7\xA5\xAC \xE2\xA0\xAA", "CP866", "чем так"},
        {"koi8r-valid-utf8", "\xC5\xA3", "KOI8-R", "её"},
        {"cp1252", "caf\xE9 cr\xE8me", "Windows-1252", "café crème"},
        {"ascii", "plain\r\n", "UTF-8", "plain\r\n"},
    };
    std::vector<std::string> args = {"detect"};
    std::string expected;
    for (const SCase& c : cases) {
        args.push_back(File(c.name, c.bytes));
        expected += std::string(c.encoding) + "\t" + args.back() + "\n";
        const SRun r = Run({"decode", args.back()});
        EXPECT_EQ(r.status, 0) << c.name;
        EXPECT_EQ(r.out, c.text) << c.name;
        EXPECT_EQ(Run({"decode"}, c.bytes).out, c.text) << c.name; // standard input alike
    }
    EXPECT_EQ(Run(args).out, expected);
}

TEST_F(CliTest, RepairTurnsDoubleEncodedLinesBack) {
    const std::string damaged = "Ð¿Ñ€Ð¸Ð²ÐµÑ‚\nРџСЂРёРІРµС‚, РјРёСЂ!\nGrüße, þjóð\n";
    const std::string a = File("a.txt", damaged);
    const std::string b = File("b.txt", "\xCF\xF0\xE8\xE2\xE5\xF2"); // Windows-1251, read as such
    SRun r = Run({"repair", a, b});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "привет\nПривет, мир!\nGrüße, þjóð\nПривет");
    EXPECT_EQ(Run({"repair"}, "Ïðèâåò, ìèð!").out, "Привет, мир!");
}

// Pieces meet inside characters and lines: the output is the small input's, repeated.
TEST_F(CliTest, StreamsLargeInputsInPieces) {
    const std::string line = "Щука и объект, ёлка! Ð¿Ñ€Ð¸Ð²ÐµÑ‚ 😀\n";
    auto times = [](const std::string& s, std::size_t n) {
        std::string out;
        for (std::size_t i = 0; i < n; ++i)
            out += s;
        return out;
    };
    const std::size_t count = (9u << 20) / line.size();
    const std::string path = File("big.txt", times(line, count));
    const std::string oneLatin = Run({"to-latin"}, line).out;
    const SRun latin = Run({"to-latin", path});
    ASSERT_EQ(latin.status, 0);
    EXPECT_TRUE(latin.out == times(oneLatin, count));
    EXPECT_TRUE(Run({"to-cyrillic"}, latin.out).out == times(Run({"to-cyrillic"}, oneLatin).out, count));
    const SRun repaired = Run({"repair"}, times(line, count));
    ASSERT_EQ(repaired.status, 0);
    EXPECT_TRUE(repaired.out == times("Щука и объект, ёлка! привет 😀\n", count));
}

// Through a pipe, which cannot be read twice, every command reads 20 MB as it reads the file, also
// when the first 16 MB end inside a letter.
TEST_F(CliTest, PipesReadLikeTheFile) {
    const std::string line = "Съешь же ещё этих мягких французских булок, да выпей чаю. Ð¿Ñ€Ð¸Ð²ÐµÑ‚\n";
    std::string text;
    while (text.size() < (20u << 20))
        text += line;
    if ((static_cast<unsigned char>(text[16u << 20]) & 0xC0) != 0x80)
        text.insert(0, "x");
    const std::string path = File("big.txt", text);
    for (const char* command : {"decode", "repair", "to-latin", "convert"}) {
        const SRun file = Run({command, path});
        ASSERT_EQ(file.status, 0) << command << file.err;
        const std::string shell =
            "cat '" + path + "' | " + LT_CLI_PATH + " " + command + " >'" + (m_dir / "piped").string() + "'";
        ASSERT_EQ(std::system(shell.c_str()), 0) << command;
        EXPECT_TRUE(Slurp(m_dir / "piped") == file.out) << command;
    }
}

TEST_F(CliTest, SchemesSpellTheWholeInputAlike) {
    EXPECT_EQ(Run({"to-latin", "--scheme", "icao"}, "Щука и объект, ЩУКА!\n").out,
              "Shchuka i obieekt, SHCHUKA!\n");
    EXPECT_EQ(Run({"convert", "--scheme=iso9"}, "Щука, ёж").out, "Ŝuka, ëž");
    EXPECT_EQ(Run({"convert", "--scheme=iso9"}, "shhuka").out, "щука"); // typing keeps the keys
    EXPECT_EQ(Run({"to-latin", "--scheme", "keys"}, "Щука").out, "SHHuka");
    for (const auto& args : std::vector<std::vector<std::string>>{{"to-latin", "--scheme"},
                                                                  {"to-latin", "--scheme", "ICAO"},
                                                                  {"to-cyrillic", "--scheme", "icao"},
                                                                  {"detect", "--scheme=bgn", "x"}}) {
        const SRun r = Run(args);
        EXPECT_EQ(r.status, 2) << args.back();
        EXPECT_TRUE(r.out.empty());
    }
    // About 9 MB: the input is read in 8 MB pieces, converted in pieces on threads and in blocks,
    // and the context rules look across every cut (the line's odd length puts the cuts at many
    // places in it; the 30 bytes before the lines put the first read's end right behind ЁЕ).
    const std::string line = "ЩЩ ЁЕёеЁЦЕцеЦИци!\n";
    const struct {
        const char* scheme;
        std::string expected;
    } rows[] = {{"gost", "SHHSHH YOEyoeYOCEceCIci!\n"}, {"bgn", "SHCHSHCH YËYeyëyeYËTSEtseTSItsi!\n"}};
    const std::string lead(30, 'x');
    std::string input = lead;
    for (int i = 0; i < 300001; ++i)
        input += line;
    for (const auto& row : rows) {
        std::string expected = lead;
        for (int i = 0; i < 300001; ++i)
            expected += row.expected;
        const SRun r = Run({"to-latin", "--scheme", row.scheme}, input);
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(r.out == expected) << row.scheme;
    }
}
