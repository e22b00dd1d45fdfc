// Tag rewrites of a batch run are journalled and undone byte for byte, the dry run predicts the
// real run's refusals, a letter without a key holds a text back, and a folder swapped for a link
// in the middle of a run changes nothing outside the tree.
#include "CliApp.h"
#include "Mp3TestFiles.h"
#include "RawNames.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct STagsRun {
    int status = -1;
    QString out;
};

class TagsUndo : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_state.path()));
        QDir(m_dir.path()).mkpath(QStringLiteral("tree/Папка"));
        ASSERT_TRUE(WriteTestMp3(
            Path("tree/a.mp3"), 3,
            {{"TIT2", Cp1251(QStringLiteral("Привет мир")), {}, false}, {"TPE1", "ABBA", {}, false}}));
        ASSERT_TRUE(AddTestId3v1(Path("tree/a.mp3"), Cp1251(QStringLiteral("Привет")), "ABBA", "", "", 1999));
        ASSERT_TRUE(
            WriteTestMp3(Path("tree/Папка/b.mp3"), 4, {{"TALB", {}, QStringLiteral("Альбом"), false}}));
        ASSERT_TRUE(
            WriteTestMp3(Path("tree/Папка/только.mp3"), 3, {{"TIT2", {}, QStringLiteral("Закрыто"), false}}));
        ::chmod(Path("tree/Папка/только.mp3").constData(), 0444);
    }
    QByteArray Path(const QByteArray& relative) const {
        return QFile::encodeName(m_dir.path()) + '/' + relative;
    }

    std::map<QByteArray, QByteArray> Files(const QByteArray& root) const {
        std::map<QByteArray, QByteArray> files;
        for (const char* name : {"a.mp3", "Папка/b.mp3", "Папка/только.mp3"})
            files[name] = ReadBytes(root + '/' + name);
        return files;
    }

    // The command line; as root it runs as nobody, so that a read-only file really is one.
    STagsRun Cli(QStringList args, bool unprivileged = false) const {
        QProcess process;
        QString program = QStringLiteral(LT_CLI_PATH);
        if (unprivileged && geteuid() == 0) {
            QProcess::execute(QStringLiteral("chown"), {QStringLiteral("-R"), QStringLiteral("65534:65534"),
                                                        m_dir.path(), m_state.path()});
            args = QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                               QStringLiteral("--clear-groups"), program} +
                   args;
            program = QStringLiteral("setpriv");
        }
        process.start(program, args);
        process.waitForFinished(60000);
        return {process.exitCode(),
                QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError())};
    }

    static QStringList RefusedFiles(const QString& out) {
        QStringList files;
        for (const QString& line : out.split(QLatin1Char('\n'))) {
            if (line.contains(QStringLiteral("refused")) && !line.startsWith(QStringLiteral("lettrino-cli")))
                files << line.section(QLatin1Char('\t'), 0, 0);
        }
        return files;
    }

    QTemporaryDir m_dir;
    QTemporaryDir m_state;
};

} // namespace

TEST_F(TagsUndo, RunUndoneByteForByte) {
    const QString tree = m_dir.path() + QStringLiteral("/tree");
    const auto before = Files(QFile::encodeName(tree));
    const QByteArray audio = AudioOf(Path("tree/a.mp3"));
    const STagsRun dry =
        Cli({QStringLiteral("tags"), QStringLiteral("--keys="), QStringLiteral("--recursive"), tree}, true);
    const STagsRun real = Cli({QStringLiteral("tags"), QStringLiteral("--keys="),
                               QStringLiteral("--recursive"), QStringLiteral("--apply"), tree},
                              true);
    EXPECT_EQ(dry.status, 0) << dry.out.toStdString();
    EXPECT_EQ(real.status, 1) << real.out.toStdString();
    EXPECT_EQ(RefusedFiles(dry.out), RefusedFiles(real.out))
        << dry.out.toStdString() << real.out.toStdString();
    EXPECT_EQ(RefusedFiles(dry.out), QStringList{tree + QStringLiteral("/Папка/только.mp3")});
    const auto written = Files(QFile::encodeName(tree));
    EXPECT_NE(written.at("a.mp3"), before.at("a.mp3"));
    EXPECT_NE(written.at("Папка/b.mp3"), before.at("Папка/b.mp3"));
    EXPECT_EQ(AudioOf(Path("tree/a.mp3")), audio);

    const STagsRun undo = Cli({QStringLiteral("undo"), QStringLiteral("--apply")}, true);
    EXPECT_EQ(undo.status, 0) << undo.out.toStdString();
    EXPECT_EQ(Files(QFile::encodeName(tree)), before) << undo.out.toStdString();
    const STagsRun again = Cli({QStringLiteral("undo"), QStringLiteral("--apply")}, true);
    EXPECT_TRUE(again.out.contains(QStringLiteral("undone already"))) << again.out.toStdString();
    EXPECT_EQ(Files(QFile::encodeName(tree)), before);
}

TEST_F(TagsUndo, UndoLeavesATagChangedSinceTheRun) {
    const QString file = m_dir.path() + QStringLiteral("/tree/a.mp3");
    EXPECT_EQ(
        Cli({QStringLiteral("tags"), QStringLiteral("--keys="), QStringLiteral("--apply"), file}).status, 0);
    ASSERT_TRUE(WriteTestMp3(Path("tree/a.mp3"), 3, {{"TIT2", "someone else", {}, false}}));
    const QByteArray changed = ReadBytes(Path("tree/a.mp3"));
    const STagsRun undo = Cli({QStringLiteral("undo"), QStringLiteral("--apply")});
    EXPECT_EQ(undo.status, 1);
    EXPECT_TRUE(undo.out.contains(QStringLiteral("[it changed since the run]"))) << undo.out.toStdString();
    EXPECT_EQ(ReadBytes(Path("tree/a.mp3")), changed);
}

TEST_F(TagsUndo, ALetterWithoutAKeyHoldsTheTextBack) {
    ASSERT_TRUE(WriteTestMp3(
        Path("tree/c.mp3"), 3,
        {{"TIT2", {}, QStringLiteral("баба"), false}, {"TALB", {}, QStringLiteral("дед"), false}}));
    const STagsRun run = Cli({QStringLiteral("tags"), QStringLiteral("--keys=01a|05d|06e"),
                              QStringLiteral("--apply"), m_dir.path() + QStringLiteral("/tree/c.mp3")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.out.contains(QStringLiteral("c.mp3\tTIT2\t(refused: no key for «б»)")))
        << run.out.toStdString();
    const STagsRun after = Cli({QStringLiteral("tags"), m_dir.path() + QStringLiteral("/tree/c.mp3")});
    EXPECT_TRUE(after.out.contains(QStringLiteral("TIT2\tUTF-16\tбаба"))) << after.out.toStdString();
    EXPECT_TRUE(after.out.contains(QStringLiteral("TALB\tISO-8859-1\tded"))) << after.out.toStdString();
    EXPECT_EQ(Cli({QStringLiteral("tags"), QStringLiteral("--keys"), QStringLiteral("garbage"), m_dir.path()})
                  .status,
              2);
}

TEST_F(TagsUndo, AFolderSwappedForALinkChangesNothingOutside) {
    QDir(m_dir.path()).mkpath(QStringLiteral("outside"));
    ASSERT_TRUE(WriteTestMp3(Path("outside/b.mp3"), 3, {{"TIT2", {}, QStringLiteral("Чужое"), false}}));
    const QByteArray outside = ReadBytes(Path("outside/b.mp3"));
    const QByteArray tree = Path("tree");
    SetAfterListingHook([&](const QByteArray& folder) {
        if (folder != tree)
            return;
        QDir().rename(QFile::decodeName(tree + "/Папка"), m_dir.path() + QStringLiteral("/moved"));
        ::symlink(Path("outside").constData(), (tree + "/Папка").constData());
    });
    std::vector<std::string> args = {
        "lettrino-cli", "tags", "--keys=", "--recursive", "--apply", tree.toStdString()};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = RunCli(int(argv.size()), argv.data());
    testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    SetAfterListingHook({});
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find("skipped, not the folder listed"), std::string::npos) << err;
    EXPECT_EQ(ReadBytes(Path("outside/b.mp3")), outside);
}
