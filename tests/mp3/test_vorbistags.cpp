// FLAC, Ogg Vorbis and Opus files through lettrino-cli tags: damaged Russian in their Vorbis
// comments repaired to Latin and to Cyrillic, the audio kept, undo byte-identical, and a file
// TagLib cannot write exactly refused and untouched. The files are made here byte by byte.
#include "Mp3TestFiles.h"
#include "VorbisTags.h"
#include "VorbisTestFiles.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

SFields FieldsOf(const QByteArray& bytes) {
    SVorbisFile file;
    QString error;
    EXPECT_TRUE(ParseVorbisFile(bytes, file, error)) << error.toStdString();
    return file.comment.fields;
}

QByteArray Value(const SFields& fields, const QByteArray& name) {
    for (const auto& field : fields) {
        if (field.first.toUpper() == name)
            return field.second;
    }
    return "<none>";
}

// What a rewrite must keep: the FLAC frames from where they start, or the Ogg audio payloads.
QByteArray VorbisAudio(const QByteArray& bytes) {
    SVorbisFile file;
    QString error;
    if (!ParseVorbisFile(bytes, file, error))
        return {};
    return file.kind == SVorbisFile::EKind::kFlac ? bytes.mid(file.audioStart) : file.audio;
}

class VorbisTags : public ::testing::Test {
protected:
    void SetUp() override { qputenv("XDG_STATE_HOME", QFile::encodeName(m_state.path())); }
    QByteArray Path(const QByteArray& name) const { return QFile::encodeName(m_dir.path()) + '/' + name; }
    SRun Cli(QStringList args) const { return RunProgram(QStringLiteral(LT_CLI_PATH), args << m_dir.path()); }

    QTemporaryDir m_dir;
    QTemporaryDir m_state;
};

const QString kGroup = QStringLiteral("Группа крови");
// An ID3v2.3 tag holding one TIT2 frame, as some taggers put before a FLAC stream.
const QByteArray kId3 = QByteArray::fromHex("494433030000000000115449543200000007000000") + "abcdef";

// CP1251 read as Latin-1 on its way into UTF-8: "Ãðóïïà êðîâè".
QByteArray ReadAsLatin1(const QString& text) {
    return QString::fromLatin1(Cp1251(text)).toUtf8();
}

SFields DamagedFields() {
    return {{"TITLE", ReadAsLatin1(kGroup)},
            {"artist", Cp1251(QStringLiteral("Кино"))},
            {"ALBUM", QStringLiteral("Звезда").toUtf8()},
            {"COMMENT", QStringLiteral("Café").toUtf8()},
            {"GENRE", "Rock"}};
}

} // namespace

TEST_F(VorbisTags, DamagedCommentsRepairedToBothTargetsAudioKeptUndoExact) {
    struct SCase {
        const char* target;
        const char* title;
        const char* artist;
        const char* album;
        const char* frames;
    } cases[] = {{"latin", "Gruppa krovi", "Kino", "Zvezda", "22 frames transliterated"},
                 {"cyrillic", "Группа крови", "Кино", "Звезда", "14 frames written in Cyrillic"}};
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.target);
        // d: longer than what a read looks at; e: metadata past that; f: a comment over three pages
        // that shrinks to two, so that every page after it is numbered anew; g: an ID3v2 tag first.
        SFields paged = DamagedFields();
        paged.emplace_back("COMPOSER", QStringLiteral("Композитор ").repeated(7000).toUtf8());
        const std::pair<QByteArray, QByteArray> files[] = {{"a.flac", Flac(DamagedFields())},
                                                           {"b.OGG", Ogg(false, DamagedFields())},
                                                           {"c.opus", Ogg(true, DamagedFields())},
                                                           {"d.flac", Flac(DamagedFields(), 400000)},
                                                           {"e.flac", Flac(DamagedFields(), 5000, 300000)},
                                                           {"f.oga", Ogg(false, paged)},
                                                           {"g.flac", kId3 + Flac(DamagedFields())}};
        for (const auto& [name, bytes] : files)
            ASSERT_TRUE(WriteBytes(Path(name), bytes));
        ASSERT_TRUE(WriteBytes(Path("skip.flac"), Flac(DamagedFields())));
        const QStringList args = {QStringLiteral("tags"), QStringLiteral("--to=") + QLatin1String(c.target),
                                  QStringLiteral("--only=[a-g].*")};

        const SRun dry = Cli(args);
        EXPECT_EQ(dry.status, 0) << dry.err.toStdString();
        EXPECT_TRUE(dry.out.contains(QStringLiteral("a.flac\tTITLE\tLatin-1 in UTF-8\t%1\t%2")
                                         .arg(kGroup, QString::fromUtf8(c.title))))
            << dry.out.toStdString();
        EXPECT_FALSE(dry.out.contains(QStringLiteral("skip.flac")));
        EXPECT_EQ(ReadBytes(Path("a.flac")), files[0].second);

        const SRun run = Cli(QStringList(args) << QStringLiteral("--apply"));
        EXPECT_EQ(run.status, 0) << run.err.toStdString() << run.out.toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String(c.frames))) << run.err.toStdString();
        for (const auto& [name, bytes] : files) {
            SCOPED_TRACE(name.constData());
            const QByteArray now = ReadBytes(Path(name));
            EXPECT_EQ(VorbisAudio(now), VorbisAudio(bytes));
            if (name == "g.flac") {
                EXPECT_TRUE(now.startsWith(kId3));
            }
            if (name == "f.oga" && c.target == QByteArrayView("latin")) {
                EXPECT_NE(now.count("OggS"), bytes.count("OggS")); // the pages after it renumbered
            }
            const SFields fields = FieldsOf(now);
            EXPECT_EQ(Value(fields, "TITLE"), QByteArray(c.title));
            EXPECT_EQ(Value(fields, "ARTIST"), QByteArray(c.artist));
            EXPECT_EQ(Value(fields, "ALBUM"), QByteArray(c.album));
            EXPECT_EQ(Value(fields, "COMMENT"), QStringLiteral("Café").toUtf8());
            EXPECT_EQ(Value(fields, "GENRE"), QByteArray("Rock"));
        }
        EXPECT_EQ(ReadBytes(Path("skip.flac")), Flac(DamagedFields()));
        if (HaveMutagen()) {
            const SRun read = RunProgram(
                QStringLiteral("/usr/bin/python3"),
                {QStringLiteral("-c"),
                 QStringLiteral(
                     "import sys, mutagen\nfor p in sys.argv[1:]: print(mutagen.File(p)['title'][0])"),
                 QString::fromLocal8Bit(Path("a.flac")), QString::fromLocal8Bit(Path("b.OGG")),
                 QString::fromLocal8Bit(Path("c.opus"))});
            EXPECT_EQ(read.out, (QString::fromUtf8(c.title) + '\n').repeated(3)) << read.err.toStdString();
        }

        const SRun undo =
            RunProgram(QStringLiteral(LT_CLI_PATH), {QStringLiteral("undo"), QStringLiteral("--apply")});
        EXPECT_EQ(undo.status, 0) << undo.err.toStdString() << undo.out.toStdString();
        for (const auto& [name, bytes] : files)
            EXPECT_EQ(ReadBytes(Path(name)), bytes) << name.constData();
    }
}

TEST_F(VorbisTags, FilesThatCannotBeWrittenExactlyAreRefusedUntouched) {
    SFields genre = DamagedFields();
    genre.back().second = Cp1251(QStringLiteral("Рок")); // not UTF-8: TagLib would lose it
    const QByteArray flac = Flac(DamagedFields());
    const struct {
        QByteArray name;
        QByteArray bytes;
        QString reason;
    } cases[] = {{"cut.flac", flac.left(60), QStringLiteral("tag cut short")},
                 {"genre.flac", Flac(genre), QStringLiteral("frame GENRE cannot be kept exactly")},
                 {"genre.ogg", Ogg(false, genre), QStringLiteral("frame GENRE cannot be kept exactly")}};
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
        EXPECT_TRUE(run.out.contains(QString::fromLatin1(c.name) + QStringLiteral("\t(refused: ")))
            << run.out.toStdString();
        EXPECT_TRUE(run.out.contains(c.reason)) << run.out.toStdString();
        EXPECT_EQ(ReadBytes(Path(c.name)), c.bytes) << c.name.constData();
    }
    EXPECT_TRUE(run.err.contains(QStringLiteral("0 frames transliterated"))) << run.err.toStdString();
}

TEST(VorbisParse, EveryCutOfAFileIsRefusedOrReadWithoutOverrun) {
    for (const QByteArray& bytes :
         {Flac(DamagedFields(), 100), Ogg(false, DamagedFields()), Ogg(true, DamagedFields())}) {
        for (qsizetype size = 0; size < bytes.size(); ++size) {
            SVorbisFile file;
            QString error;
            // A cut inside the metadata is damage; one between audio frames or pages is not.
            if (ParseVorbisFile(bytes.left(size), file, error) && file.kind != SVorbisFile::EKind::kNone) {
                EXPECT_TRUE(file.hasComment) << size;
            }
        }
    }
}
