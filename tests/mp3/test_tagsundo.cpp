// Tag rewrites of a batch run are journalled and undone byte for byte, the dry run predicts the
// real run's refusals, a letter without a key holds a text back, and a folder swapped for a link
// in the middle of a run changes nothing outside the tree. Undo trusts only what proves itself:
// a journal cut short names what it lost, crafted records act nowhere, a rewrite killed half-way
// is finished from its recorded copy, a copy planted by someone else is left alone.
#include "CliApp.h"
#include "Journal.h"
#include "Mp3Batch.h"
#include "Mp3TestFiles.h"
#include "RawNames.h"
#include "SafeFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <map>
#include <sys/stat.h>
#include <sys/wait.h>
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
    STagsRun Cli(QStringList args, bool unprivileged = false, const QByteArray& plantedByRoot = {}) const {
        QProcess process;
        QString program = QStringLiteral(LT_CLI_PATH);
        if (unprivileged && geteuid() == 0) {
            QProcess::execute(QStringLiteral("chown"), {QStringLiteral("-R"), QStringLiteral("65534:65534"),
                                                        m_dir.path(), m_state.path()});
            if (!plantedByRoot.isEmpty() && ::chown(plantedByRoot.constData(), 0, 0) != 0)
                return {};
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

namespace {

int RunInProcess(std::vector<std::string> args) {
    args.insert(args.begin(), "lettrino-cli");
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = RunCli(int(argv.size()), argv.data());
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    return status;
}

// A tag of its own bytes: a Russian title in CP1251 and, when given, a picture of that many bytes.
QByteArray HandMadeMp3(const QString& title, int pictureBytes, int audioFrames) {
    QByteArray picture(pictureBytes, Qt::Uninitialized);
    for (int i = 0; i < pictureBytes; ++i)
        picture[i] = char((unsigned(i) * 7919u) >> 3);
    QByteArray frames = Id3Frame("TIT2", QByteArray(1, '\0') + Cp1251(title));
    if (pictureBytes)
        frames += Id3Frame("APIC", QByteArray("\0image/png\0\x03\0", 14) + picture);
    return Id3Tag(3, 0, frames) + TestAudio(audioFrames);
}

} // namespace

TEST_F(TagsUndo, AJournalCutShortNamesExactlyWhatIsNotUndone) {
    const QByteArray song = HandMadeMp3(QStringLiteral("Песня"), 0, 4);
    const QString tree = m_dir.path() + QStringLiteral("/many");
    QDir().mkpath(tree);
    for (int i = 0; i < 6; ++i)
        ASSERT_TRUE(WriteBytes(QFile::encodeName(tree) + "/c" + QByteArray::number(i) + ".mp3", song));
    // Cut anywhere after the index: the files the undo names are exactly those it left changed.
    for (const int part : {1000, 700, 500, 300, 1}) {
        SCOPED_TRACE(part);
        for (int i = 0; i < 6; ++i)
            ASSERT_TRUE(WriteBytes(QFile::encodeName(tree) + "/c" + QByteArray::number(i) + ".mp3", song));
        for (const QString& other : ListJournals())
            QFile::remove(other);
        const mode_t umask = ::umask(0);
        const STagsRun run =
            Cli({QStringLiteral("tags"), QStringLiteral("--keys="), QStringLiteral("--apply"), tree});
        ::umask(umask);
        EXPECT_EQ(run.status, 0) << run.out.toStdString();
        struct stat folder {};
        ASSERT_EQ(::stat(QFile::encodeName(JournalFolder()).constData(), &folder), 0);
        EXPECT_EQ(folder.st_mode & 0777, 0700u) << "under umask 000";
        ASSERT_EQ(ListJournals().size(), 1u);
        QFile journal(ListJournals()[0]);
        const QByteArray whole = ReadBytes(QFile::encodeName(journal.fileName()));
        const qsizetype index = whole.indexOf('\n', whole.indexOf('\n') + 1) + 1;
        ASSERT_TRUE(journal.resize(index + (whole.size() - index) * part / 1001));
        const STagsRun undo = Cli({QStringLiteral("undo"), QStringLiteral("--apply")});
        EXPECT_EQ(undo.status, 1) << undo.out.toStdString();
        QStringList named;
        for (const QString& line : undo.out.split(QLatin1Char('\n'))) {
            if (line.startsWith(QStringLiteral("left: ") + tree) &&
                line.contains(QStringLiteral("ends early")))
                named << line.mid(6).section(QStringLiteral("  ["), 0, 0);
        }
        QStringList changed;
        for (int i = 0; i < 6; ++i) {
            const QString path = tree + QStringLiteral("/c%1.mp3").arg(i);
            if (ReadBytes(QFile::encodeName(path)) != song)
                changed << path;
        }
        named.sort();
        EXPECT_EQ(named, changed) << undo.out.toStdString();
    }
}

TEST_F(TagsUndo, CraftedRecordsActNowhereOutsideTheirTree) {
    QDir(m_dir.path()).mkpath(QStringLiteral("outside"));
    const QByteArray victim = Path("outside/v.mp3");
    ASSERT_TRUE(WriteBytes(victim, TestAudio(4)));
    ASSERT_EQ(::mkfifo(Path("tree/fifo.mp3").constData(), 0600), 0);
    const QByteArray tree = Path("tree");
    struct stat root {};
    ASSERT_EQ(::stat(tree.constData(), &root), 0);
    const QByteArray id =
        QByteArray::number(qulonglong(root.st_dev)) + ':' + QByteArray::number(qulonglong(root.st_ino));
    const QByteArray zero = QByteArray(64, '0');
    const struct {
        const char* kind;
        std::vector<QByteArray> fields;
    } crafted[] = {
        {"rename", {tree, id, "", id, "a.mp3", "../outside/a.mp3", "1", "1"}},
        {"rename", {tree, id, "", id, "a.mp3", "/tmp/a.mp3", "1", "1"}},
        {"rename", {tree, id, "..", id, "v.mp3", "w.mp3", "1", "1"}},
        {"rename", {Path("outside"), id, "", id, "v.mp3", "w.mp3", "1", "1"}},
        {"tag", {tree, id, "../outside", id, "v.mp3", "1", "1", "1", zero, zero, "x49", ""}},
        {"tag", {Path("outside"), id, "", id, "v.mp3", "1", "1", "1", zero, zero, "x49", ""}},
        {"tag", {tree, id, "", id, "fifo.mp3", "1", "1", "1", zero, zero, "x49", ""}},
    };
    {
        CJournal journal("tags", tree, "");
        for (const auto& record : crafted) {
            long change = -1;
            ASSERT_TRUE(journal.Append({record.kind, record.fields}, nullptr, &change));
            journal.Done(change, 1, 1);
        }
    }
    const auto before = Files(tree);
    const STagsRun undo = Cli({QStringLiteral("undo"), QStringLiteral("--apply")});
    EXPECT_EQ(undo.status, 1) << undo.out.toStdString();
    EXPECT_EQ(undo.out.count(QStringLiteral("left: ")), int(std::size(crafted))) << undo.out.toStdString();
    EXPECT_EQ(ReadBytes(victim), TestAudio(4));
    EXPECT_EQ(Files(tree), before);
    EXPECT_FALSE(QFile::exists(m_dir.path() + QStringLiteral("/outside/a.mp3")));
}

TEST_F(TagsUndo, AFolderSwappedForALinkBeforeUndoChangesNothingOutside) {
    const QByteArray tree = Path("tree");
    RunInProcess({"tags", "--keys=", "--recursive", "--apply", tree.toStdString()});
    // The written folder goes elsewhere; in its place a link to a copy of it, outside.
    QDir(m_dir.path()).mkpath(QStringLiteral("outside"));
    ASSERT_TRUE(WriteBytes(Path("outside/b.mp3"), ReadBytes(tree + "/Папка/b.mp3")));
    const QByteArray outside = ReadBytes(Path("outside/b.mp3"));
    ASSERT_TRUE(QDir().rename(QFile::decodeName(tree + "/Папка"), m_dir.path() + QStringLiteral("/moved")));
    ASSERT_EQ(::symlink(Path("outside").constData(), (tree + "/Папка").constData()), 0);
    const STagsRun undo = Cli({QStringLiteral("undo"), QStringLiteral("--apply")});
    EXPECT_EQ(undo.status, 1) << undo.out.toStdString();
    EXPECT_TRUE(undo.out.contains(QStringLiteral("b.mp3  [not where the run acted")))
        << undo.out.toStdString();
    EXPECT_EQ(ReadBytes(Path("outside/b.mp3")), outside);
}

TEST_F(TagsUndo, ARewriteKilledInPlaceIsFinishedBeforeItsUndo) {
    // A second name makes the rewrite go in place; a title that grows shifts all the audio. A file
    // edited after the kill is not the one the run left: its kept copy never goes over it.
    const QByteArray original = HandMadeMp3(QStringLiteral("Щука щука"), 0, 8000);
    for (const bool editedSince : {false, true}) {
        SCOPED_TRACE(editedSince);
        const QByteArray file = Path(editedSince ? "tree/edited.mp3" : "tree/big.mp3");
        ASSERT_TRUE(WriteBytes(file, original));
        ASSERT_EQ(::link(file.constData(), (file + ".link").constData()), 0);
        std::fflush(nullptr);
        const pid_t child = fork();
        if (child == 0) {
            SetInPlaceWriteHook([](off_t written) {
                if (written >= (1 << 20))
                    std::raise(SIGKILL);
            });
            _exit(RunInProcess({"tags", "--keys=", "--apply", file.toStdString()}));
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the rewrite was not cut short";
        ASSERT_NE(ReadBytes(file), original);
        const QByteArray edit = "edited by hand after the kill";
        if (editedSince) {
            ASSERT_TRUE(WriteBytes(file, edit));
        }
        const STagsRun undo = Cli({QStringLiteral("undo"), QStringLiteral("--apply")});
        EXPECT_EQ(undo.status, editedSince ? 1 : 0) << undo.out.toStdString();
        EXPECT_EQ(ReadBytes(file), editedSince ? edit : original) << undo.out.toStdString();
        const QStringList kept =
            QDir(Path("tree")).entryList(QDir::Hidden | QDir::Files).filter(QStringLiteral(".lt-"));
        EXPECT_EQ(kept.size(), editedSince ? 1 : 0) << kept.join(u' ').toStdString();
    }
}

TEST_F(TagsUndo, ACoverCostsTheJournalNothing) {
    const QByteArray file = Path("tree/cover.mp3");
    ASSERT_TRUE(WriteBytes(file, HandMadeMp3(QStringLiteral("Обложка"), 2 << 20, 4)));
    const QByteArray original = ReadBytes(file);
    EXPECT_EQ(RunInProcess({"tags", "--keys=", "--apply", file.toStdString()}), 0);
    const std::vector<QString> journals = ListJournals();
    ASSERT_EQ(journals.size(), 1u);
    EXPECT_LT(QFileInfo(journals[0]).size(), 64 * 1024);
    EXPECT_EQ(RunInProcess({"undo", "--apply"}), 0);
    EXPECT_EQ(ReadBytes(file), original);
}

TEST_F(TagsUndo, AKeptCopyNoJournalRecordedIsLeftAlone) {
    // Someone else's file named like our copy, in a folder all may write: listed, never copied over.
    const QByteArray shared = Path("shared");
    ASSERT_TRUE(QDir().mkpath(QFile::decodeName(shared)));
    ::chmod(shared.constData(), 01777);
    ASSERT_TRUE(WriteBytes(shared + "/.r.mp3.lt-keep-AAAAAA", "attacker"));
    ASSERT_TRUE(WriteBytes(shared + "/r.mp3", HandMadeMp3(QStringLiteral("Отчёт"), 0, 4)));
    const STagsRun run = Cli({QStringLiteral("tags"), QStringLiteral("--keys="), QStringLiteral("--apply"),
                              QFile::decodeName(shared)},
                             true, shared + "/.r.mp3.lt-keep-AAAAAA");
    EXPECT_TRUE(run.out.contains(QStringLiteral(".r.mp3.lt-keep-AAAAAA is named like a temporary")))
        << run.out.toStdString();
    EXPECT_FALSE(ReadBytes(shared + "/r.mp3").contains("attacker"));
    EXPECT_EQ(ReadBytes(shared + "/.r.mp3.lt-keep-AAAAAA"), "attacker");
}

TEST_F(TagsUndo, OnlyAJournalNoOneElseCouldWriteIsTrusted) {
    const QByteArray file = Path("tree/a.mp3");
    ASSERT_EQ(RunInProcess({"tags", "--keys=", "--apply", file.toStdString()}), 0);
    const QByteArray written = ReadBytes(file);
    const QByteArray journal = QFile::encodeName(ListJournals().at(0));
    const QByteArray folder = QFile::encodeName(JournalFolder());
    const QByteArray planted = Path("planted.journal");
    ASSERT_TRUE(WriteBytes(planted, ReadBytes(journal)));
    const struct {
        mode_t folderMode;
        mode_t journalMode;
        QByteArray named;
    } cases[] = {
        {0700, 0622, {}},      // others may write the journal
        {0777, 0600, {}},      // or its folder
        {0700, 0600, planted}, // named, in a folder others may write
    };
    ::chmod(m_dir.path().toLocal8Bit().constData(), 0777);
    for (const auto& c : cases) {
        ::chmod(folder.constData(), c.folderMode);
        ::chmod(journal.constData(), c.journalMode);
        ::chmod(planted.constData(), 0600);
        QStringList args{QStringLiteral("undo"), QStringLiteral("--apply")};
        if (!c.named.isEmpty())
            args << QFile::decodeName(c.named);
        const STagsRun undo = Cli(args);
        EXPECT_EQ(undo.status, 1) << undo.out.toStdString();
        EXPECT_EQ(ReadBytes(file), written) << undo.out.toStdString();
    }
    ::chmod(folder.constData(), 0700);
    ::chmod(journal.constData(), 0600);
    EXPECT_EQ(Cli({QStringLiteral("undo"), QStringLiteral("--apply")}).status, 0);
    EXPECT_NE(ReadBytes(file), written);
}

TEST_F(TagsUndo, OldJournalsArePruned) {
    ASSERT_EQ(RunInProcess({"tags", "--keys=", "--apply", Path("tree/a.mp3").toStdString()}), 0);
    for (const auto& [days, kept] : {std::pair{1, 1u}, std::pair{0, 0u}}) {
        PruneJournals(days);
        EXPECT_EQ(ListJournals().size(), kept) << days;
    }
}

TEST_F(TagsUndo, AnUndoneMarkThatCannotBeWrittenIsReported) {
    const QByteArray file = Path("tree/a.mp3");
    const QByteArray before = ReadBytes(file);
    ASSERT_EQ(RunInProcess({"tags", "--keys=", "--apply", file.toStdString()}), 0);
    ::chmod(QFile::encodeName(ListJournals().at(0)).constData(), 0400);
    const STagsRun undo = Cli({QStringLiteral("undo"), QStringLiteral("--apply")}, true);
    EXPECT_EQ(undo.status, 1);
    EXPECT_TRUE(undo.out.contains(QStringLiteral("could not be marked undone"))) << undo.out.toStdString();
    EXPECT_EQ(ReadBytes(file), before);
}
