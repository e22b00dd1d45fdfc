// MP4 audio files through lettrino-cli tags: damaged Russian in their items repaired to Latin and
// to Cyrillic, the audio and the other items kept, the chunk offsets moved with the audio, undo
// byte-identical, and files that cannot be written exactly refused untouched. The files are made
// here byte by byte, with moov before the audio and after it.
#include "Mp3TestFiles.h"
#include "Mp4Tags.h"
#include "Mp4TestFiles.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

const QString kGroup = QStringLiteral("Группа крови");

QByteArray DamagedItems(const QByteArray& genre = "Rock") {
    return Item("\251nam", {QString::fromLatin1(Cp1251(kGroup)).toUtf8()}) +
           Item("\251ART", {Cp1251(QStringLiteral("Кино"))}) +
           Item("\251wrt", {Cp1251(QStringLiteral("Щука").repeated(8))}) +
           Item("----:com.apple.iTunes:ORIGINALARTIST", {Cp1251(QStringLiteral("Цой"))}) +
           Item("\251alb", {QStringLiteral("Звезда").toUtf8()}) + Item("\251gen", {genre}) +
           Item("trkn", {QByteArray::fromHex("0000000100 0a0000")}, 0);
}

QByteArray ItemText(const SMp4File& file, const QByteArray& name) {
    for (const SMp4Item& item : file.items) {
        if (item.name == name)
            return item.texts.empty() ? QByteArray("<no text>") : item.texts.front();
    }
    return "<none>";
}

class Mp4Tags : public ::testing::Test {
protected:
    void SetUp() override { qputenv("XDG_STATE_HOME", QFile::encodeName(m_state.path())); }
    QByteArray Path(const QByteArray& name) const { return QFile::encodeName(m_dir.path()) + '/' + name; }
    SRun Cli(QStringList args) const { return RunProgram(QStringLiteral(LT_CLI_PATH), args << m_dir.path()); }

    QTemporaryDir m_dir;
    QTemporaryDir m_state;
};

} // namespace

TEST_F(Mp4Tags, DamagedItemsRepairedToBothTargetsAudioAndOffsetsKeptUndoExact) {
    struct SCase {
        const char* target;
        const char* title;
        const char* composer;
        const char* original;
        const char* frames;
    } cases[] = {{"latin", "Gruppa krovi", "SHHukaSHHukaSHHukaSHHukaSHHukaSHHukaSHHukaSHHuka", "Coj",
                  "20 frames transliterated"},
                 {"cyrillic", "Группа крови", "ЩукаЩукаЩукаЩукаЩукаЩукаЩукаЩука", "Цой",
                  "16 frames written in Cyrillic"}};
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.target);
        // c and d: longer than the first bytes a read takes, which skips the audio to moov.
        const std::pair<QByteArray, QByteArray> files[] = {{"a.m4a", Mp4(DamagedItems(), true)},
                                                           {"b.M4B", Mp4(DamagedItems(), false)},
                                                           {"c.m4a", Mp4(DamagedItems(), true, {}, 300000)},
                                                           {"d.m4b", Mp4(DamagedItems(), false, {}, 300000)}};
        for (const auto& [name, bytes] : files)
            ASSERT_TRUE(WriteBytes(Path(name), bytes));
        const QStringList args = {QStringLiteral("tags"), QStringLiteral("--to=") + QLatin1String(c.target)};

        const SRun dry = Cli(args);
        EXPECT_EQ(dry.status, 0) << dry.err.toStdString();
        EXPECT_TRUE(dry.out.contains(
            QStringLiteral("a.m4a\t©nam\tLatin-1 in UTF-8\t%1\t%2").arg(kGroup, QString::fromUtf8(c.title))))
            << dry.out.toStdString();
        EXPECT_EQ(ReadBytes(Path("a.m4a")), Mp4(DamagedItems(), true));

        const SRun run = Cli(QStringList(args) << QStringLiteral("--apply"));
        EXPECT_EQ(run.status, 0) << run.err.toStdString() << run.out.toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String(c.frames))) << run.err.toStdString();
        for (const auto& [name, old] : files) {
            SCOPED_TRACE(name.constData());
            const QByteArray now = ReadBytes(Path(name));
            SMp4File before;
            SMp4File after;
            QString error;
            ASSERT_TRUE(ParseMp4File(old, before, error));
            ASSERT_TRUE(ParseMp4File(now, after, error)) << error.toStdString();
            ASSERT_EQ(after.kept.size(), 2u); // ftyp, mdat
            const qsizetype shift = after.kept[1].at - before.kept[1].at;
            EXPECT_EQ(after.kept[1].path, "mdat");
            EXPECT_EQ(now.mid(after.kept[1].at, after.kept[1].size),
                      old.mid(before.kept[1].at, before.kept[1].size));
            // The item list grew (Щ is SHH) before the audio, or after it.
            EXPECT_EQ(shift != 0, old.indexOf("mdat") > old.indexOf("moov"));
            ASSERT_EQ(after.chunkOffsets.size(), 1u);
            for (std::size_t i = 0; i < 3; ++i)
                EXPECT_EQ(after.chunkOffsets[0][i], before.chunkOffsets[0][i] + quint64(shift));
            EXPECT_EQ(ItemText(after, "\251nam"), QByteArray(c.title));
            EXPECT_EQ(ItemText(after, "\251wrt"), QByteArray(c.composer));
            EXPECT_EQ(ItemText(after, "----:com.apple.iTunes:ORIGINALARTIST"), QByteArray(c.original));
            EXPECT_EQ(ItemText(after, "\251gen"), QByteArray("Rock"));
            EXPECT_TRUE(now.contains(Item("trkn", {QByteArray::fromHex("0000000100 0a0000")}, 0)));
        }
        if (HaveMutagen()) {
            const SRun read = RunProgram(
                QStringLiteral("/usr/bin/python3"),
                {QStringLiteral("-c"),
                 QStringLiteral(
                     "import sys, mutagen\nfor p in sys.argv[1:]: print(mutagen.File(p)['\\xa9nam'][0])"),
                 QString::fromLocal8Bit(Path("a.m4a")), QString::fromLocal8Bit(Path("b.M4B"))});
            EXPECT_EQ(read.out, (QString::fromUtf8(c.title) + '\n').repeated(2)) << read.err.toStdString();
        }

        const SRun undo =
            RunProgram(QStringLiteral(LT_CLI_PATH), {QStringLiteral("undo"), QStringLiteral("--apply")});
        EXPECT_EQ(undo.status, 0) << undo.err.toStdString() << undo.out.toStdString();
        for (const auto& [name, bytes] : files)
            EXPECT_EQ(ReadBytes(Path(name)), bytes) << name.constData();
    }
}

TEST_F(Mp4Tags, FilesThatCannotBeWrittenExactlyAreRefusedUntouched) {
    const QByteArray genre = DamagedItems(Cp1251(QStringLiteral("Рок"))); // not UTF-8: TagLib would lose it
    const QByteArray locale = DamagedItems() + Atom("\251grp", Atom("data", Be32(1) + Be32(7) + "x"));
    const struct {
        QByteArray name;
        QByteArray bytes;
        QString reason;
    } cases[] = {
        {"cut.m4a", Mp4(DamagedItems(), false).chopped(100), QStringLiteral("tag cut short")},
        {"bigcut.m4a", Mp4(DamagedItems(), false, {}, 300000).chopped(100), QStringLiteral("tag cut short")},
        {"bigmoof.m4a", Mp4(DamagedItems(), true, Atom("moof", {}), 300000),
         QStringLiteral("a fragmented MP4 file")},
        {"genre.m4a", Mp4(genre, true), QStringLiteral("frame ©gen cannot be kept exactly")},
        {"locale.m4a", Mp4(locale, true), QStringLiteral("frame ©grp cannot be kept exactly")},
        {"moof.m4a", Mp4(DamagedItems(), true, Atom("moof", Atom("mfhd", Be32(0) + Be32(1)))),
         QStringLiteral("a fragmented MP4 file")},
        {"text.m4a", "not sound at all", QStringLiteral("not an MP4 file")}};
    for (const auto& c : cases)
        ASSERT_TRUE(WriteBytes(Path(c.name), c.bytes));
    const SRun dry = Cli({QStringLiteral("tags")});
    for (const auto& c : cases) {
        EXPECT_TRUE(dry.out.contains(QString::fromLatin1(c.name) + QStringLiteral("\t(would be refused: ") +
                                     c.reason))
            << dry.out.toStdString();
    }
    const SRun run = Cli({QStringLiteral("tags"), QStringLiteral("--apply")});
    EXPECT_NE(run.status, 0);
    for (const auto& c : cases) {
        EXPECT_TRUE(run.out.contains(c.reason)) << run.out.toStdString();
        EXPECT_EQ(ReadBytes(Path(c.name)), c.bytes) << c.name.constData();
    }
    EXPECT_TRUE(run.err.contains(QStringLiteral("0 frames transliterated"))) << run.err.toStdString();
}

TEST(Mp4Parse, EveryCutOfAFileIsRefusedAndItsHeadReadOnceMoovIsWhole) {
    for (const bool moovFirst : {true, false}) {
        const QByteArray bytes = Mp4(DamagedItems(), moovFirst);
        const qsizetype moovEnd = moovFirst ? bytes.indexOf("mdat") - 4 : bytes.size();
        for (qsizetype size = 0; size < bytes.size(); ++size) {
            SMp4File file;
            QString error;
            // Only a cut right after moov leaves whole atoms (and no audio).
            EXPECT_EQ(ParseMp4File(bytes.left(size), file, error), size == moovEnd) << size;
            EXPECT_EQ(ParseMp4File(bytes.left(size), file, error, true), size >= moovEnd) << size;
        }
    }
}
