// The Cyrillic target of both batch tools, end to end through lettrino-cli: 8-bit and
// double-encoded Russian becomes Unicode Russian, what is right already stays byte for byte,
// the dry run predicts the refusals and undo gives everything back.
#include "CodePage.h"
#include "Mp3TestFiles.h"
#include "RawNames.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

namespace {

const QString kPrivet = QStringLiteral("Привет мир");

// UTF-8 read as Windows-1251: "РџСЂРёРІРµС‚".
QString DoubleEncoded(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return QString::fromStdU16String(DecodeWithCodePage(
        1251, reinterpret_cast<const unsigned char*>(utf8.constData()), std::size_t(utf8.size())));
}

class CyrillicTarget : public ::testing::Test {
protected:
    void SetUp() override { qputenv("XDG_STATE_HOME", QFile::encodeName(m_state.path())); }
    QByteArray Path(const QByteArray& name) const { return QFile::encodeName(m_dir.path()) + '/' + name; }
    SRun Cli(QStringList args) const { return RunProgram(QStringLiteral(LT_CLI_PATH), args << m_dir.path()); }
    QSet<QByteArray> Names() const {
        QSet<QByteArray> names;
        std::vector<SRawEntry> entries;
        ReadFolderRaw(QFile::encodeName(m_dir.path()), entries);
        for (const SRawEntry& entry : entries)
            names.insert(entry.name);
        return names;
    }

    QTemporaryDir m_dir;
    QTemporaryDir m_state;
};

} // namespace

TEST_F(CyrillicTarget, TagsBecomeUnicodeRussianAndUndoGivesThemBack) {
    const std::vector<STestFrame> frames = {{"TIT2", Cp1251(kPrivet), {}, false},
                                            {"TPE1", Koi8r(QStringLiteral("Группа крови")), {}, false},
                                            {"TALB", Cp866(QStringLiteral("Альбом звезда")), {}, false},
                                            {"TCOM", {}, DoubleEncoded(QStringLiteral("Композитор")), false},
                                            {"TOPE", {}, QStringLiteral("Уже юникод"), false},
                                            {"COMM", "ABBA", {}, false}};
    ASSERT_TRUE(WriteTestMp3(Path("v3.mp3"), 3, frames));
    ASSERT_TRUE(WriteTestMp3(Path("v4.mp3"), 4, frames));
    ASSERT_TRUE(AddTestId3v1(Path("v3.mp3"), Cp1251(QStringLiteral("Привет")), "ABBA", "", "", 1999));
    const QByteArray before3 = ReadBytes(Path("v3.mp3")), before4 = ReadBytes(Path("v4.mp3"));
    const QByteArray audio3 = AudioOf(Path("v3.mp3")), audio4 = AudioOf(Path("v4.mp3"));
    const QStringList frames3 = MutagenFrames(Path("v3.mp3")), frames4 = MutagenFrames(Path("v4.mp3"));

    const SRun dry = Cli({QStringLiteral("tags"), QStringLiteral("--to"), QStringLiteral("cyrillic")});
    EXPECT_EQ(dry.status, 0) << dry.err.toStdString();
    EXPECT_TRUE(dry.err.contains(QStringLiteral("2 files, 8 frames to write in Cyrillic")))
        << dry.err.toStdString();
    EXPECT_TRUE(dry.err.contains(QStringLiteral("ID3v1 tags cannot hold Cyrillic: 1 files")))
        << dry.err.toStdString();
    EXPECT_TRUE(dry.out.contains(QStringLiteral("v3.mp3\tTPE1\tKOI8-R\tГруппа крови\tГруппа крови\n")))
        << dry.out.toStdString();
    EXPECT_EQ(ReadBytes(Path("v3.mp3")), before3);

    const SRun run =
        Cli({QStringLiteral("tags"), QStringLiteral("--to=cyrillic"), QStringLiteral("--apply")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("8 frames written in Cyrillic"))) << run.err.toStdString();
    EXPECT_EQ(AudioOf(Path("v3.mp3")), audio3);
    EXPECT_EQ(AudioOf(Path("v4.mp3")), audio4);
    EXPECT_EQ(ReadBytes(Path("v3.mp3")).right(128), before3.right(128)); // ID3v1 as it was
    const SRun again = Cli({QStringLiteral("tags"), QStringLiteral("--to=cyrillic")});
    EXPECT_TRUE(again.err.contains(QStringLiteral("0 frames to write in Cyrillic")))
        << again.err.toStdString();

    if (!HaveMutagen())
        GTEST_SKIP() << "python3-mutagen is not installed";
    // The four frames in the version's Unicode, every other frame as mutagen read it before.
    const struct {
        QByteArray path;
        QStringList before;
        QString encoding;
    } files[] = {{Path("v3.mp3"), frames3, QStringLiteral("UTF16: 1")},
                 {Path("v4.mp3"), frames4, QStringLiteral("UTF8: 3")}};
    for (const auto& file : files) {
        QStringList expected = file.before;
        for (const auto& [id, text] : {std::pair{"TIT2", kPrivet},
                                       {"TPE1", QStringLiteral("Группа крови")},
                                       {"TALB", QStringLiteral("Альбом звезда")},
                                       {"TCOM", QStringLiteral("Композитор")}})
            expected.replaceInStrings(QRegularExpression(QStringLiteral("^%1\\(.*").arg(QLatin1String(id))),
                                      QStringLiteral("%1(encoding=<Encoding.%2>, text=['%3'])")
                                          .arg(QLatin1String(id), file.encoding, text));
        EXPECT_EQ(MutagenFrames(file.path), expected) << file.path.toStdString();
    }

    const SRun undo =
        RunProgram(QStringLiteral(LT_CLI_PATH), {QStringLiteral("undo"), QStringLiteral("--apply")});
    EXPECT_EQ(undo.status, 0) << undo.err.toStdString();
    EXPECT_EQ(ReadBytes(Path("v3.mp3")), before3);
    EXPECT_EQ(ReadBytes(Path("v4.mp3")), before4);
}

TEST_F(CyrillicTarget, NamesBecomeUtf8AndCollisionsArePredicted) {
    const QString nfd = QStringLiteral("Йошкар-Ола.txt").normalized(QString::NormalizationForm_D);
    const QByteArray tooLong =
        Cp1251(QString(130, QChar(0x042F)) + QStringLiteral(".txt")); // 260 bytes in UTF-8
    const struct {
        QByteArray onDisk;
        QString after; // empty: left as it is
    } cases[] = {
        {Cp1251(QStringLiteral("Песня.txt")), QStringLiteral("Песня.txt")},
        {Koi8r(QStringLiteral("Звезда по имени.txt")), QStringLiteral("Звезда по имени.txt")},
        {Cp866(QStringLiteral("Альбом лето.txt")), QStringLiteral("Альбом лето.txt")},
        {DoubleEncoded(QStringLiteral("Привет мир")).toUtf8() + ".dbl", QStringLiteral("Привет мир.dbl")},
        {nfd.toUtf8(), QStringLiteral("Йошкар-Ола.txt")},
        {QStringLiteral("Уже юникод.txt").toUtf8(), {}},
        {QStringLiteral("Дубль.txt").toUtf8(), {}},
        {Cp1251(QStringLiteral("Дубль.txt")), {}}, // taken
        {tooLong, {}},
    };
    QSet<QByteArray> expected;
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteBytes(Path(c.onDisk), {}));
        expected.insert(c.after.isEmpty() ? c.onDisk : c.after.toUtf8());
    }
    // Two names that read the same: one is renamed, the other refused as colliding.
    ASSERT_TRUE(WriteBytes(Path(Cp1251(kPrivet)), {}));
    ASSERT_TRUE(WriteBytes(Path(Koi8r(kPrivet)), {}));
    const QSet<QByteArray> before = Names();

    const QStringList args = {QStringLiteral("rename"), QStringLiteral("--to"), QStringLiteral("cyrillic"),
                              QStringLiteral("--nfc")};
    const SRun dry = Cli(args);
    EXPECT_EQ(dry.status, 0) << dry.err.toStdString();
    for (const char* refusal : {"an earlier entry gets the same new name", "the new name is taken",
                                "the new name would be too long"})
        EXPECT_EQ(dry.out.count(QString::fromUtf8(refusal)), 1) << refusal << dry.out.toStdString();
    EXPECT_TRUE(dry.out.contains(QStringLiteral("decomposed (NFD))"))) << dry.out.toStdString();
    EXPECT_EQ(Names(), before);

    const SRun run = Cli(QStringList(args) << QStringLiteral("--apply"));
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("6 renamed, 3 refused"))) << run.err.toStdString();
    QSet<QByteArray> after = Names();
    EXPECT_TRUE(after.remove(kPrivet.toUtf8()));
    EXPECT_TRUE(after.remove(Cp1251(kPrivet)) != after.remove(Koi8r(kPrivet)));
    EXPECT_EQ(after, expected);

    const SRun undo =
        RunProgram(QStringLiteral(LT_CLI_PATH), {QStringLiteral("undo"), QStringLiteral("--apply")});
    EXPECT_EQ(undo.status, 0) << undo.err.toStdString();
    EXPECT_EQ(Names(), before);
}
