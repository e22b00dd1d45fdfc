// FLAC, Ogg Vorbis and Opus files through lettrino-cli tags: damaged Russian in their Vorbis
// comments repaired to Latin and to Cyrillic, the audio kept, undo byte-identical, and a file
// TagLib cannot write exactly refused and untouched. The files are made here byte by byte.
#include "Mp3TestFiles.h"
#include "VorbisTags.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

using SFields = std::vector<std::pair<QByteArray, QByteArray>>;

QByteArray Le32(quint32 v) {
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[i] = char(v >> (8 * i));
    return out;
}

QByteArray Comment(const SFields& fields) {
    QByteArray out = Le32(9) + "lettrino " + Le32(quint32(fields.size()));
    for (const auto& [name, value] : fields)
        out += Le32(quint32(name.size() + 1 + value.size())) + name + '=' + value;
    return out;
}

// Bytes that stand for audio: a pattern no tag writer would make up.
QByteArray Pattern(int size, int seed) {
    QByteArray out(size, '\0');
    for (int i = 0; i < size; ++i)
        out[i] = char((i * 131 + seed * 7 + (i >> 5)) & 0xff);
    return out;
}

QByteArray Flac(const SFields& fields, int audio = 5000, int application = 0) {
    auto block = [](int type, bool last, const QByteArray& data) {
        return char(type | (last ? 0x80 : 0)) + QByteArray(1, char(data.size() >> 16)) +
               char(data.size() >> 8) + char(data.size()) + data;
    };
    const QByteArray info =
        QByteArray::fromHex("1000100000000e00000e0ac442f00000ac44") + QByteArray(16, '\x11');
    return "fLaC" + block(0, false, info) +
           (application ? block(2, false, "test" + Pattern(application, 3)) : "") +
           block(4, false, Comment(fields)) + block(1, true, QByteArray(64, 0)) + "\xff\xf8" +
           Pattern(audio, 1);
}

quint32 OggCrc(const QByteArray& page) {
    quint32 crc = 0;
    for (const char c : page) {
        crc ^= quint32(uchar(c)) << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 0x80000000u ? (crc << 1) ^ 0x04c11db7u : crc << 1;
    }
    return crc;
}

// Pages holding the packets, as many as they need (255 segments a page); a page on which no packet
// ends has no granule position.
QByteArray OggPages(const std::vector<QByteArray>& packets, int flags, qint64 granule, int& sequence) {
    QByteArray out;
    QByteArray lacing;
    QByteArray body;
    bool continued = false;
    auto flush = [&] {
        const bool ends = uchar(lacing.back()) < 255;
        QByteArray page = "OggS" + QByteArray(1, 0) + char(flags | (continued ? 1 : 0));
        for (int i = 0; i < 8; ++i)
            page += char((ends ? granule : -1) >> (8 * i));
        page += Le32(0x1234) + Le32(quint32(sequence++)) + Le32(0) + char(lacing.size()) + lacing + body;
        page.replace(22, 4, Le32(OggCrc(page)));
        out += page;
        continued = !ends;
        lacing.clear();
        body.clear();
    };
    for (const QByteArray& packet : packets) {
        for (qsizetype at = 0;;) {
            if (lacing.size() == 255)
                flush();
            const qsizetype segment = std::min<qsizetype>(255, packet.size() - at);
            lacing += char(segment);
            body += packet.mid(at, segment);
            at += segment;
            if (segment < 255)
                break;
        }
    }
    flush();
    return out;
}

QByteArray Ogg(bool opus, const SFields& fields) {
    QByteArray out;
    int sequence = 0;
    if (opus) {
        out += OggPages({QByteArray("OpusHead\x01\x02\x38\x01\x80\xbb\0\0\0\0\0", 19)}, 2, 0, sequence);
        out += OggPages({"OpusTags" + Comment(fields)}, 0, 0, sequence);
    } else {
        out += OggPages(
            {QByteArray("\x01vorbis\0\0\0\0\x02\x44\xac\0\0\0\0\0\0\xee\x02\0\0\0\0\0\0\xb8\x01", 30)}, 2, 0,
            sequence);
        out += OggPages({"\x03vorbis" + Comment(fields) + '\x01', "\x05vorbis" + Pattern(300, 9)}, 0, 0,
                        sequence);
    }
    for (int i = 0; i < 4; ++i)
        out += OggPages({Pattern(700, i), Pattern(400, i + 5)}, i == 3 ? 4 : 0, 960 * (i + 1), sequence);
    return out;
}

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
