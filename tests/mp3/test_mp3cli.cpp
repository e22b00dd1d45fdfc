#include "Mp3TestFiles.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

const QString kPrivet = QStringLiteral("Привет мир");

SRun Cli(const QStringList& args) {
    return RunProgram(QStringLiteral(LT_CLI_PATH), args);
}

class Mp3Cli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(WriteTestMp3(Path("a.mp3"), 3,
                                 {{"TIT2", Cp1251(kPrivet), {}, false}, {"TPE1", "ABBA", {}, false}}));
        ASSERT_TRUE(WriteTestMp3(Path("b.mp3"), 4, {{"TALB", {}, QStringLiteral("Альбом"), false}}));
        ASSERT_TRUE(WriteBytes(Path("c.mp3"), "not audio"));
    }
    QByteArray Path(const QByteArray& name) const { return QFile::encodeName(m_dir.path()) + '/' + name; }

    QTemporaryDir m_dir;
};

TEST_F(Mp3Cli, DryRunListsAndWritesNothing) {
    const QByteArray before = ReadBytes(Path("a.mp3"));
    const SRun run = Cli({QStringLiteral("tags"), m_dir.path()});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const QString dir = m_dir.path() + QLatin1Char('/');
    EXPECT_EQ(run.out, dir + QStringLiteral("a.mp3\tTPE1\tISO-8859-1\tABBA\tABBA\n") + dir +
                           QStringLiteral("a.mp3\tTIT2\tCP1251\tПривет мир\tPrivet mir\n") + dir +
                           QStringLiteral("b.mp3\tTALB\tUTF-16\tАльбом\tAl#bom\n") + dir +
                           QStringLiteral("c.mp3\t(no tag)\n"));
    EXPECT_TRUE(run.err.contains(QStringLiteral("3 files, 2 frames to transliterate")))
        << run.err.toStdString();
    EXPECT_EQ(ReadBytes(Path("a.mp3")), before);
}

TEST_F(Mp3Cli, ApplyRewritesAndAnIndependentReaderAgrees) {
    const QByteArray audioA = AudioOf(Path("a.mp3"));
    const QByteArray audioB = AudioOf(Path("b.mp3"));
    const QStringList beforeA = MutagenFrames(Path("a.mp3"));
    const QStringList beforeB = MutagenFrames(Path("b.mp3"));
    const SRun run = Cli({QStringLiteral("tags"), QStringLiteral("--apply"), m_dir.path()});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(
        QStringLiteral("3 files, 2 frames transliterated, 0 files not writable, 1 files without tag")))
        << run.err.toStdString();
    EXPECT_EQ(AudioOf(Path("a.mp3")), audioA);
    EXPECT_EQ(AudioOf(Path("b.mp3")), audioB);
    EXPECT_EQ(ReadBytes(Path("c.mp3")), QByteArray("not audio"));

    const SRun again = Cli({QStringLiteral("tags"), m_dir.path()});
    EXPECT_TRUE(again.err.contains(QStringLiteral("0 frames to transliterate"))) << again.err.toStdString();

    if (beforeA.value(0).contains(QStringLiteral("No module named")))
        GTEST_SKIP() << "python3-mutagen is not installed";
    // The same version and frames but the transliterated one, which is ISO-8859-1 now.
    QStringList expectA = beforeA;
    expectA.replaceInStrings(QRegularExpression(QStringLiteral("^TIT2\\(.*")),
                             QStringLiteral("TIT2(encoding=<Encoding.LATIN1: 0>, text=['Privet mir'])"));
    EXPECT_EQ(MutagenFrames(Path("a.mp3")), expectA);
    QStringList expectB = beforeB;
    expectB.replaceInStrings(QRegularExpression(QStringLiteral("^TALB\\(.*")),
                             QStringLiteral("TALB(encoding=<Encoding.LATIN1: 0>, text=['Al#bom'])"));
    EXPECT_EQ(MutagenFrames(Path("b.mp3")), expectB);
    EXPECT_EQ(expectA.value(0), QStringLiteral("version 3"));
    EXPECT_EQ(expectB.value(0), QStringLiteral("version 4"));
}

TEST_F(Mp3Cli, UnwritableFileFailsTheRun) {
    // A file size limit stands for a full disk (root writes read-only files).
    const SRun run = RunProgram(QStringLiteral("bash"),
                                {QStringLiteral("-c"),
                                 QStringLiteral("trap '' XFSZ; ulimit -f 0; exec \"$0\" tags --apply \"$1\""),
                                 QStringLiteral(LT_CLI_PATH), m_dir.path()});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("a.mp3: the tag could not be written")))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("files not writable"))) << run.err.toStdString();
}

// A forced encoding re-reads only the 8-bit texts that are not valid UTF-8.
TEST_F(Mp3Cli, ForcedEncodingKeepsValidUtf8) {
    const QString video = QStringLiteral("Видео");
    const struct {
        QByteArray name;
        STestFrame frame;
        QString line; // frame, encoding, text as listed
    } cases[] = {
        {"u8.mp3", {"TIT2", video.toUtf8(), {}, false}, QStringLiteral("TIT2\tUTF-8 in ISO-8859-1\tВидео\t")},
        {"u16.mp3", {"TIT2", {}, video, false}, QStringLiteral("TIT2\tUTF-16\tВидео\t")},
        {"k.mp3", {"TIT2", Koi8r(video), {}, false}, QStringLiteral("TIT2\tKOI8-R\tВидео\t")},
    };
    for (const auto& c : cases)
        ASSERT_TRUE(WriteTestMp3(Path(c.name), 3, {c.frame}));
    const SRun run = Cli({QStringLiteral("tags"), QStringLiteral("--encoding"), QStringLiteral("koi8-r"),
                          QStringLiteral("--only"), QStringLiteral("[uk]*"), m_dir.path()});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    for (const auto& c : cases)
        EXPECT_TRUE(run.out.contains(QString::fromUtf8(c.name) + QLatin1Char('\t') + c.line))
            << run.out.toStdString();
}

TEST_F(Mp3Cli, Usage) {
    EXPECT_EQ(Cli({QStringLiteral("tags")}).status, 2);
    EXPECT_EQ(Cli({QStringLiteral("detect"), QStringLiteral("--apply"), QStringLiteral("x")}).status, 2);
}

} // namespace
