// The static texts that repeat the command line's lists (manual page, bash completion, guides,
// resource modules) held to what the built program and the tables say.
#include "LatinSpelling.h"
#include "TextEncoding.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct SRun {
    int status = -1;
    std::string out;
};

SRun Cli(const std::string& args) {
    SRun run;
    FILE* pipe = popen((std::string(LT_CLI_PATH) + " " + args + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        run.out.append(buffer, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// `word` standing on its own: not a piece of a longer name or option.
bool HasWord(const std::string& text, const std::string& word) {
    const auto part = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
    };
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        if ((at == 0 || !part(text[at - 1]) || word.front() == '-') &&
            (at + word.size() == text.size() || !part(text[at + word.size()])))
            return true;
    }
    return false;
}

// Qt's expressions rather than <regex>, which GCC 12 warns about under the sanitizers.
std::set<std::string> Matches(const std::string& text, const std::string& pattern) {
    std::set<std::string> found;
    const QRegularExpression re(QString::fromStdString(pattern));
    for (auto it = re.globalMatch(QString::fromStdString(text)); it.hasNext();)
        found.insert(it.next().captured(1).toStdString());
    return found;
}

// The text of a manual page's section, with roff's escapes for "-" and fonts taken out.
std::string ManSection(const std::string& page, const std::string& name) {
    const std::size_t start = page.find(".SH " + name + "\n");
    if (start == std::string::npos)
        return {};
    std::string text = page.substr(start, page.find("\n.SH ", start + 1) - start);
    QString plain = QString::fromStdString(text);
    plain.replace(QStringLiteral("\\-"), QStringLiteral("-"));
    plain.remove(QRegularExpression(QStringLiteral(R"(\\f[BIRP])")));
    return plain.toStdString();
}

// The words of a bash array "local name=( ... )", or of the compgen -W list offered after `option`.
std::set<std::string> BashWords(const std::string& script, const std::string& anchor) {
    const QString text = QString::fromStdString(script);
    const QString name = QRegularExpression::escape(QString::fromStdString(anchor));
    const QRegularExpression array(QStringLiteral("local ") + name + QStringLiteral(R"(=\(([^)]*)\))"));
    const QRegularExpression after(
        QStringLiteral(R"(\$prev == )") + name +
        QStringLiteral(R"re( \]\]; then\s*COMPREPLY=\(\$\(compgen -W "([^"]*)")re"));
    std::set<std::string> words;
    QRegularExpressionMatch m = array.match(text);
    if (!m.hasMatch())
        m = after.match(text);
    if (!m.hasMatch())
        return words;
    for (const QString& word :
         m.captured(1).split(QRegularExpression(QStringLiteral(R"(\s+)")), Qt::SkipEmptyParts))
        words.insert(word.toStdString());
    return words;
}

class CliLists : public testing::Test {
protected:
    void SetUp() override {
        const SRun help = Cli("--help");
        ASSERT_EQ(help.status, 0);
        m_help = help.out;
        const std::string commands =
            m_help.substr(m_help.find("Commands:"), m_help.find("Options:") - m_help.find("Commands:"));
        m_commands = Matches(commands, R"(\n  ([a-z][a-z-]+) )");
        m_options = Matches(m_help, R"((?:^|[\s\[,])(--[a-z][a-z0-9-]*|-h)\b)");
        const std::string page = Slurp(LT_SOURCE_DIR "/packaging/man/lettrino-cli.1");
        m_synopsis = ManSection(page, "SYNOPSIS");
        m_manCommands = ManSection(page, "COMMANDS");
        m_manOptions = ManSection(page, "OPTIONS");
        m_completion = Slurp(LT_SOURCE_DIR "/packaging/lettrino-cli.bash");
    }

    std::string m_help, m_synopsis, m_manCommands, m_manOptions, m_completion;
    std::set<std::string> m_commands, m_options;
};

TEST_F(CliLists, EveryCommandAndOptionIsInTheManualPageAndTheCompletion) {
    ASSERT_GE(m_commands.size(), 9u); // the parse of the help still finds them
    ASSERT_GE(m_options.size(), 14u);
    EXPECT_EQ(BashWords(m_completion, "commands"), m_commands);
    std::set<std::string> completed = BashWords(m_completion, "options");
    completed.insert("-h"); // offered beside the list
    for (const std::string& command : m_commands) {
        EXPECT_TRUE(HasWord(m_synopsis, command)) << command << " not in the manual's synopsis";
        EXPECT_TRUE(HasWord(m_manCommands, command)) << command << " not in the manual's commands";
    }
    for (const std::string& option : m_options) {
        EXPECT_TRUE(HasWord(m_manOptions, option)) << option << " not in the manual's options";
        EXPECT_TRUE(completed.count(option)) << option << " not completed";
    }
}

TEST_F(CliLists, EverySpellingIsNamedWhereverTheSpellingsAreListed) {
    std::set<std::string> names;
    for (const SLatinSchemeInfo& info : kLatinSchemes)
        names.insert(std::string(info.cliName));
    EXPECT_EQ(BashWords(m_completion, "--scheme"), names);
    const std::string guides[] = {"lettrino.txt", "lettrino.ru.txt", "lettrino.de.txt"};
    for (const std::string& name : names) {
        EXPECT_TRUE(HasWord(m_help, name)) << name;
        EXPECT_TRUE(HasWord(m_manOptions, name)) << name;
        for (const std::string& guide : guides)
            EXPECT_TRUE(HasWord(Slurp(LT_SOURCE_DIR "/app/" + guide), name)) << name << " not in " << guide;
    }
}

TEST_F(CliLists, EveryEncodingTheCommandLineTakesIsListed) {
    std::set<std::string> taken = {"auto"};
    for (int i = 0; i < kTextEncodingCount; ++i) {
        const std::string name = EncodingCliName(ETextEncoding(i));
        const SRun run = Cli("rename --encoding " + name + " /nonexistent/lettrino");
        if (run.out.find("unknown encoding") == std::string::npos)
            taken.insert(name);
        EXPECT_NE(run.status, 0) << name; // the missing folder, or the encoding refused
    }
    ASSERT_GE(taken.size(), 5u);
    EXPECT_EQ(BashWords(m_completion, "--encoding"), taken);
    for (const std::string& name : taken) {
        EXPECT_TRUE(HasWord(m_help, name)) << name;
        EXPECT_TRUE(HasWord(m_manOptions, name)) << name;
    }
}

TEST(SpellingNames, EveryModuleNamesEverySpelling) {
    for (const char* language : {"en", "ru", "de"}) {
        QFile file(QStringLiteral(LT_SOURCE_DIR "/resources/%1/module.json").arg(QLatin1String(language)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << language;
        const QJsonObject strings =
            QJsonDocument::fromJson(file.readAll()).object().value("strings").toObject();
        for (const SLatinSchemeInfo& info : kLatinSchemes)
            EXPECT_FALSE(strings.value(QString::number(info.nameString)).toString().isEmpty())
                << language << " " << info.cliName;
    }
}

} // namespace
