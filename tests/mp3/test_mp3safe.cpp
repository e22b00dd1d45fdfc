// Tag rewrites that cannot lose a byte: failures leave the original as it was, frames not edited
// come back byte for byte (as mutagen reads them too), and odd but readable tags are read.
#include "CCharTable.h"
#include "Id3Tag.h"
#include "Mp3Tags.h"
#include "Mp3TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <array>
#include <cstring>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

const QByteArray kPrivet = Cp1251(QStringLiteral("Щука и лещ")); // grows when transliterated

QByteArray Text(const QByteArray& latin1) {
    return '\0' + latin1;
}

SRun Cli(const QStringList& args) {
    return RunProgram(QStringLiteral(LT_CLI_PATH), args);
}

// The command line as the user nobody when the tests run as root, its journal in `state`;
// `around` comes first (more of the environment, a program that starts it).
SRun CliAsUser(const QByteArray& state, const QStringList& args, const QStringList& around = {},
               bool ordinary = true) {
    QStringList command = QStringList{QStringLiteral("XDG_STATE_HOME=") + QString::fromLocal8Bit(state)} +
                          around + QStringList{QStringLiteral(LT_CLI_PATH)} + args;
    if (::geteuid() != 0 || !ordinary)
        return RunProgram(QStringLiteral("env"), command);
    return RunProgram(QStringLiteral("setpriv"),
                      QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                  QStringLiteral("--clear-groups"), QStringLiteral("env")} +
                          command);
}

// An access list as the system stores it: version 2, then tag, permissions and id per entry.
QByteArray Acl(std::initializer_list<std::array<quint32, 3>> entries) {
    QByteArray out("\x02\0\0\0", 4);
    for (const auto& [tag, permissions, id] : entries) {
        const quint16 head[2] = {quint16(tag), quint16(permissions)};
        out.append(reinterpret_cast<const char*>(head), 4).append(reinterpret_cast<const char*>(&id), 4);
    }
    return out;
}

struct SMeta {
    mode_t mode = 0;
    uid_t uid = 0;
    QByteArray acl;
    QByteArray rating;
    bool operator==(const SMeta&) const = default;
};

SMeta MetaOf(const QByteArray& path) {
    SMeta meta;
    struct stat info {};
    ::stat(path.constData(), &info);
    meta.mode = info.st_mode;
    meta.uid = info.st_uid;
    for (auto [name, value] :
         {std::pair{"system.posix_acl_access", &meta.acl}, {"user.rating", &meta.rating}}) {
        value->resize(256);
        value->resize(std::max<ssize_t>(0, ::getxattr(path.constData(), name, value->data(), 256)));
    }
    return meta;
}

class Mp3Safe : public ::testing::Test {
protected:
    Mp3Safe() {
        m_table.SetDefaultKeys();
        ::chmod(QFile::encodeName(m_dir.path()).constData(), 0755); // reachable by an ordinary user
    }
    QByteArray Folder() const { return QFile::encodeName(m_dir.path()) + '/'; }
    QByteArray Path(const QByteArray& name) const { return Folder() + name; }
    CCellTable Read(const QByteArray& name) {
        CCellTable grid(8);
        ReadRow(Folder(), name, grid, grid.AddRow());
        return grid;
    }
    // A file with a v2.3 tag without padding, so that any longer text makes it grow.
    QByteArray Tight(const QByteArray& frames) const { return Id3Tag(3, 0, frames) + TestAudio(); }

    QTemporaryDir m_dir;
    CCharTable m_table;
};

// TIT2 column 3, TPE1 column 2, TOPE column 6.
constexpr int kTitle = 3;
constexpr int kArtist = 2;
constexpr int kOrigArtist = 6;

TEST_F(Mp3Safe, FramesNotEditedStayByteIdentical) {
    const QByteArray others[] = {
        Id3Frame("TCON", Text("(17)Rock")),
        Id3Frame("TXXX", Text("mood") + '\0' + "calm"),
        Id3Frame("PRIV", QByteArray("owner.example") + '\0' + QByteArray("\x01\x02\xFF\x00", 4)),
        Id3Frame("APIC", Text("image/png") + '\0' + '\x03' + '\0' + QByteArray("\x89PNG\r\n\x1A\n", 8)),
        Id3Frame("XYZW", "unknown frame"),
        Id3Frame("TDAT", Text("0101")),
        Id3Frame("TPE2", QByteArray("\x05") + Text("grouped"), 3, 0x0020),
        Id3Frame("TPE3", Text("preserved"), 3, 0xC000),
        Id3Frame("TENC", QByteArray("\x01\x8F\x33\x44", 4), 3, 0x0040),
    };
    QByteArray frames = Id3Frame("TIT2", Text(kPrivet));
    for (const QByteArray& frame : others)
        frames += frame;
    ASSERT_TRUE(WriteBytes(Path("f.mp3"), Tight(frames)));
    const QStringList before = MutagenFrames(Path("f.mp3"));
    CCellTable grid = Read("f.mp3");
    ASSERT_EQ(TransliterateRow(Folder(), "f.mp3", grid, 0, m_table), ERowResult::kWritten);

    const QByteArray after = ReadBytes(Path("f.mp3"));
    EXPECT_TRUE(after.endsWith(TestAudio()));
    qsizetype at = 0;
    for (const QByteArray& frame : others) { // every frame, in its place
        const qsizetype found = after.indexOf(frame, at);
        EXPECT_GT(found, at) << frame.left(4).constData();
        at = found;
    }
    EXPECT_EQ(Read("f.mp3").CellText(0, kTitle), QStringLiteral("SHHuka i leshh"));
    if (!HaveMutagen())
        GTEST_SKIP() << "python3-mutagen is not installed";
    QStringList expected = before;
    expected.replaceInStrings(QStringLiteral("TIT2(encoding=<Encoding.LATIN1: 0>, text=['") +
                                  QString::fromLatin1(kPrivet) + QStringLiteral("'])"),
                              QStringLiteral("TIT2(encoding=<Encoding.LATIN1: 0>, text=['SHHuka i leshh'])"));
    EXPECT_EQ(MutagenFrames(Path("f.mp3")), expected);
}

struct SReadCase {
    const char* name;
    QByteArray file;
};

QByteArray ApicWithSync() { // false synchronisations a reader must not stumble over
    return Text("image/png") + '\0' + '\x03' + '\0' + QByteArray("\xFF\xFB\x90\xFF\x00\xFF", 6);
}

QByteArray Unsynchronised(QByteArray data) {
    for (qsizetype i = data.size() - 1; i >= 0; --i) {
        if (quint8(data[i]) == 0xFF &&
            (i + 1 == data.size() || quint8(data[i + 1]) >= 0xE0 || data[i + 1] == 0))
            data.insert(i + 1, '\0');
    }
    return data;
}

const SReadCase kReadCases[] = {
    {"extended_header_v23",
     Id3Tag(3, 0x40, QByteArray("\0\0\0\x06\0\0\0\0\0\0", 10) + Id3Frame("TIT2", Text("Moscow")), 16) +
         TestAudio()},
    {"extended_header_v24",
     Id3Tag(4, 0x40, QByteArray("\0\0\0\x06\x01\0", 6) + Id3Frame("TIT2", Text("Moscow"), 4)) + TestAudio()},
    {"unsynchronised_v23",
     Id3Tag(3, 0x80, Unsynchronised(Id3Frame("APIC", ApicWithSync()) + Id3Frame("TIT2", Text("Moscow")))) +
         TestAudio()},
    {"unsynchronised_frame_v24", Id3Tag(4, 0,
                                        Id3Frame("APIC", Unsynchronised(ApicWithSync()), 4, 0x0002) +
                                            Id3Frame("TIT2", Text("Moscow"), 4)) +
                                     TestAudio()},
    {"unsynchronised_tag_v24", Id3Tag(4, 0x80,
                                      Id3Frame("APIC", Unsynchronised(ApicWithSync()), 4, 0x0002) +
                                          Id3Frame("TIT2", Text("Moscow"), 4, 0x0002),
                                      8) +
                                   TestAudio()},
    {"plain_frame_sizes_v24",
     Id3Tag(4, 0, Id3Frame("TXXX", Text(QByteArray(200, 'x')), 3) + Id3Frame("TIT2", Text("Moscow"), 3)) +
         TestAudio()},
    {"size_byte_with_high_bit",
     [] {
         QByteArray file = Id3Tag(3, 0, Id3Frame("TIT2", Text("Moscow")), 100) + TestAudio();
         file[8] = char(file[8] | 0x80);
         return file;
     }()},
    {"tag_only", Id3Tag(3, 0, Id3Frame("TIT2", Text("Moscow")))},
    {"apev2_beside", Id3Tag(3, 0, Id3Frame("TIT2", Text("Moscow"))) + TestAudio() +
                         QByteArray("APETAGEX\xD0\x07\0\0", 12) + QByteArray(20, '\0') + "TAG" +
                         QByteArray(125, '\0')},
};

class Mp3Reading : public Mp3Safe, public ::testing::WithParamInterface<SReadCase> {};

TEST_P(Mp3Reading, ReadsAndRewritesKeepingTheRest) {
    const QByteArray original = GetParam().file;
    ASSERT_TRUE(WriteBytes(Path("r.mp3"), original));
    CCellTable grid = Read("r.mp3");
    EXPECT_EQ(grid.CellCode(0, 0), kCodePlain);
    EXPECT_EQ(grid.CellText(0, kTitle), QStringLiteral("Moscow"));
    grid.SetCellText(0, kTitle, QStringLiteral("Moskva"));
    QString reason;
    ASSERT_EQ(WriteRow(Folder(), "r.mp3", grid, 0, &reason), ERowResult::kWritten) << reason.toStdString();
    EXPECT_EQ(Read("r.mp3").CellText(0, kTitle), QStringLiteral("Moskva"));
    const QByteArray after = ReadBytes(Path("r.mp3"));
    EXPECT_EQ(after.size(), original.size());       // the same room, the same place for the audio
    EXPECT_EQ(after.mid(3, 3), original.mid(3, 3)); // version and flags
    if (original.contains("APETAGEX")) {
        EXPECT_EQ(after.chopped(128).right(72), original.chopped(128).right(72)); // APEv2 as it was
    }
    if (HaveMutagen()) {
        const QString frames = MutagenFrames(Path("r.mp3")).join('\n');
        EXPECT_TRUE(frames.contains(QStringLiteral("text=['Moskva']"))) << frames.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Tags, Mp3Reading, ::testing::ValuesIn(kReadCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Mp3Safe, Version22OriginalArtistBecomesTope) {
    const QByteArray v22 = QByteArray("TT2") + '\0' + '\0' + char(kPrivet.size() + 1) + Text(kPrivet) +
                           "TOA" + '\0' + '\0' + '\x05' + Text("Kino");
    ASSERT_TRUE(WriteBytes(Path("old.mp3"),
                           QByteArray("ID3\x02\0\0", 6) + SyncSafe(int(v22.size())) + v22 + TestAudio()));
    CCellTable grid = Read("old.mp3");
    EXPECT_EQ(grid.CellText(0, kOrigArtist), QStringLiteral("Kino"));
    ASSERT_EQ(TransliterateRow(Folder(), "old.mp3", grid, 0, m_table), ERowResult::kWritten);
    const QByteArray after = ReadBytes(Path("old.mp3"));
    EXPECT_TRUE(after.contains(Id3Frame("TOPE", Text("Kino"))));
    EXPECT_FALSE(after.contains("TOAL"));
    EXPECT_TRUE(after.contains(Id3Frame("TIT2", Text("SHHuka i leshh"))));
}

TEST_F(Mp3Safe, FrameThatCannotBeKeptLeavesTheFileAlone) {
    // A v2.2 frame no one knows cannot become a v2.3 frame.
    const QByteArray v22 = QByteArray("TT2") + '\0' + '\0' + char(kPrivet.size() + 1) + Text(kPrivet) +
                           "XYZ" + '\0' + '\0' + '\x03' + "abc";
    const QByteArray song = QByteArray("ID3\x02\0\0", 6) + SyncSafe(int(v22.size())) + v22 + TestAudio();
    ASSERT_TRUE(WriteBytes(Path("x.mp3"), song));
    CCellTable grid = Read("x.mp3");
    QString reason;
    EXPECT_EQ(TransliterateRow(Folder(), "x.mp3", grid, 0, m_table, &reason), ERowResult::kFailed);
    EXPECT_EQ(reason, QStringLiteral("frame XYZ cannot be kept exactly"));
    EXPECT_EQ(ReadBytes(Path("x.mp3")), song);
}

TEST_F(Mp3Safe, MultiValueArtistKeepsItsValues) {
    const QByteArray values = QStringLiteral("Кино").toUtf8() + '\0' + QStringLiteral("Виктор Цой").toUtf8();
    ASSERT_TRUE(
        WriteBytes(Path("m.mp3"), Id3Tag(4, 0, Id3Frame("TPE1", '\x03' + values, 4), 64) + TestAudio()));
    CCellTable grid = Read("m.mp3");
    EXPECT_EQ(grid.CellText(0, kArtist), QStringLiteral("Кино / Виктор Цой"));
    ASSERT_EQ(TransliterateRow(Folder(), "m.mp3", grid, 0, m_table), ERowResult::kWritten);
    EXPECT_TRUE(
        ReadBytes(Path("m.mp3")).contains(Id3Frame("TPE1", Text(QByteArray("Kino\0Viktor Coj", 15)), 4)));
}

TEST_F(Mp3Safe, LatinAccentsAreNotRussianAndStay) {
    const QByteArray file = Tight(Id3Frame("TIT2", Text("\xC9t\xE9")) + Id3Frame("TPE1", Text("\xD1u")) +
                                  Id3Frame("TALB", Text(kPrivet)));
    ASSERT_TRUE(WriteBytes(Path("l.mp3"), file));
    CCellTable grid = Read("l.mp3");
    EXPECT_EQ(grid.CellText(0, kTitle), QStringLiteral("Été"));
    EXPECT_EQ(grid.CellText(0, kArtist), QStringLiteral("Ñu"));
    EXPECT_EQ(grid.CellCode(0, kTitle), kCodePlain);
    EXPECT_EQ(grid.CellCode(0, kArtist), kCodePlain);
    ASSERT_EQ(TransliterateRow(Folder(), "l.mp3", grid, 0, m_table), ERowResult::kWritten);
    EXPECT_TRUE(ReadBytes(Path("l.mp3"))
                    .contains(Id3Frame("TIT2", Text("\xC9t\xE9")) + Id3Frame("TPE1", Text("\xD1u"))));
}

TEST_F(Mp3Safe, UnknownTextEncodingIsReadAsItIsAndKept) {
    const QByteArray frame = Id3Frame("TIT2", QByteArray("\x07") + kPrivet);
    ASSERT_TRUE(WriteBytes(Path("u.mp3"), Tight(frame + Id3Frame("TALB", Text(kPrivet)))));
    CCellTable grid = Read("u.mp3");
    EXPECT_EQ(grid.CellCode(0, kTitle), kCodePlain);
    ASSERT_EQ(TransliterateRow(Folder(), "u.mp3", grid, 0, m_table), ERowResult::kWritten);
    EXPECT_TRUE(ReadBytes(Path("u.mp3")).contains(frame));
}

TEST_F(Mp3Safe, SymbolicLinkIsNotWrittenThrough) {
    QDir(m_dir.path()).mkpath(QStringLiteral("tree"));
    QDir(m_dir.path()).mkpath(QStringLiteral("outside"));
    const QByteArray song = Tight(Id3Frame("TIT2", Text(kPrivet)));
    ASSERT_TRUE(WriteBytes(Path("outside/song.mp3"), song));
    ASSERT_EQ(::symlink("../outside/song.mp3", Path("tree/linked.mp3").constData()), 0);
    const SRun run = Cli({QStringLiteral("tags"), QStringLiteral("--apply"), QStringLiteral("--recursive"),
                          QString::fromLocal8Bit(Path("tree"))});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("linked.mp3\t(symbolic link, skipped)")))
        << run.out.toStdString();
    EXPECT_EQ(ReadBytes(Path("outside/song.mp3")), song);
}

// A tag that grows on a full disk: the run fails with the system's reason and the file is as it
// was. A small tmpfs where mounting is allowed, else a file size limit.
TEST_F(Mp3Safe, FullDiskFailsAndKeepsTheFile) {
    const QByteArray mount = Path("small");
    QDir(m_dir.path()).mkpath(QStringLiteral("small"));
    const bool mounted = ::mount("tmpfs", mount.constData(), "tmpfs", 0, "size=16k") == 0;
    const QByteArray file = mount + "/g.mp3";
    const QByteArray song = Tight(Id3Frame("TIT2", Text(kPrivet)));
    ASSERT_TRUE(WriteBytes(file, song));
    SRun run;
    if (mounted) {
        // Fill the rest of the disk.
        WriteBytes(mount + "/filler", QByteArray(16384 - 4096, 'x'));
        run = Cli({QStringLiteral("tags"), QStringLiteral("--apply"), QString::fromLocal8Bit(mount)});
    } else {
        run = RunProgram(QStringLiteral("bash"),
                         {QStringLiteral("-c"),
                          QStringLiteral("trap '' XFSZ; ulimit -f 4; exec \"$0\" tags --apply \"$1\""),
                          QStringLiteral(LT_CLI_PATH), QString::fromLocal8Bit(mount)});
    }
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(mounted ? QStringLiteral("No space left on device")
                                         : QStringLiteral("File too large")))
        << run.err.toStdString();
    EXPECT_EQ(ReadBytes(file), song);
    EXPECT_EQ(QDir(QString::fromLocal8Bit(mount)).entryList(QDir::Hidden | QDir::Files).size(),
              mounted ? 2 : 1);
    if (mounted)
        ::umount(mount.constData());
}

// A read-only folder, as an ordinary user (also when the tests run as root).
TEST_F(Mp3Safe, ReadOnlyFolderFailsAndKeepsTheFile) {
    QDir(m_dir.path()).mkpath(QStringLiteral("ro"));
    const QByteArray song = Tight(Id3Frame("TIT2", Text(kPrivet)));
    ASSERT_TRUE(WriteBytes(Path("ro/s.mp3"), song));
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(Path("ro").constData(), 65534, 65534), 0);
        ASSERT_EQ(::chown(Path("ro/s.mp3").constData(), 65534, 65534), 0);
    }
    ::chmod(Path("ro").constData(), 0555);
    const int result = AsOrdinaryUser([&] {
        CCellTable grid = Read("ro/s.mp3");
        QString reason;
        const ERowResult written = TransliterateRow(Path("ro"), "s.mp3", grid, 0, m_table, &reason);
        return written == ERowResult::kFailed && reason.contains(QStringLiteral("Permission denied")) &&
                       grid.CellCode(0, 0) == kCodeNotWritten
                   ? 0
                   : 1;
    });
    ::chmod(Path("ro").constData(), 0755);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadBytes(Path("ro/s.mp3")), song);
}

TEST_F(Mp3Safe, FileReplacedMeanwhileIsLeftAlone) {
    ASSERT_TRUE(WriteBytes(Path("c.mp3"), Tight(Id3Frame("TIT2", Text(kPrivet)))));
    CCellTable grid = Read("c.mp3");
    auto tag = OpenTag(Folder(), "c.mp3");
    ASSERT_TRUE(TransliterateFrame(*tag, "TIT2", grid, 0, kTitle, m_table));
    const QByteArray other = Tight(Id3Frame("TIT2", Text("Other")));
    ASSERT_TRUE(WriteBytes(Path("c.mp3.new"), other));
    ASSERT_EQ(::rename(Path("c.mp3.new").constData(), Path("c.mp3").constData()), 0);
    EXPECT_FALSE(tag->Update());
    EXPECT_EQ(tag->Error(), QStringLiteral("the file changed meanwhile"));
    EXPECT_EQ(ReadBytes(Path("c.mp3")), other);
}

TEST_F(Mp3Safe, HardLinkedFileIsRewrittenInPlace) {
    ASSERT_TRUE(WriteBytes(Path("h.mp3"), Tight(Id3Frame("TIT2", Text(kPrivet)))));
    ASSERT_EQ(::link(Path("h.mp3").constData(), Path("second.mp3").constData()), 0);
    CCellTable grid = Read("h.mp3");
    ASSERT_EQ(TransliterateRow(Folder(), "h.mp3", grid, 0, m_table), ERowResult::kWritten);
    EXPECT_EQ(ReadBytes(Path("second.mp3")), ReadBytes(Path("h.mp3")));
    EXPECT_EQ(Read("second.mp3").CellText(0, kTitle), QStringLiteral("SHHuka i leshh"));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Hidden | QDir::Files).size(), 2);
}

TEST_F(Mp3Safe, ModeAndOwnerAreKept) {
    ASSERT_TRUE(WriteBytes(Path("o.mp3"), Tight(Id3Frame("TIT2", Text(kPrivet)))));
    ::chmod(Path("o.mp3").constData(), 0640);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(Path("o.mp3").constData(), 65534, 65534), 0);
    }
    struct stat before {};
    ::stat(Path("o.mp3").constData(), &before);
    CCellTable grid = Read("o.mp3");
    ASSERT_EQ(TransliterateRow(Folder(), "o.mp3", grid, 0, m_table), ERowResult::kWritten);
    struct stat after {};
    ::stat(Path("o.mp3").constData(), &after);
    EXPECT_NE(after.st_ino, before.st_ino); // replaced, not rewritten in place
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
}

// Mode 0640, an access list and a player's rating survive a rewrite and its undo, as an ordinary
// user. A file of another owner that the list lets us write is rewritten in place, but not one
// whose set-user-id bit the write would clear (run as root).
TEST_F(Mp3Safe, MetadataSurvivesRewriteAndUndo) {
    constexpr quint32 kOwner = 1, kUser = 2, kGroup = 4, kMask = 0x10, kOther = 0x20, kNobody = 65534;
    const struct {
        const char* name;
        bool othersFile;
        mode_t mode;
        QByteArray acl;
        bool refused;
    } cases[] = {
        {"own.mp3", false, 0640,
         Acl({{kOwner, 6, 0}, {kUser, 4, 1}, {kGroup, 4, 0}, {kMask, 4, 0}, {kOther, 0, 0}}), false},
        {"others.mp3", true, 0660,
         Acl({{kOwner, 6, 0}, {kUser, 6, kNobody}, {kGroup, 4, 0}, {kMask, 6, 0}, {kOther, 0, 0}}), false},
        {"setuid.mp3", true, 04660,
         Acl({{kOwner, 6, 0}, {kUser, 6, kNobody}, {kGroup, 4, 0}, {kMask, 6, 0}, {kOther, 0, 0}}), true},
    };
    const QByteArray folder = Path("meta");
    const QByteArray state = Path("state");
    QDir(m_dir.path()).mkpath(QStringLiteral("meta"));
    QDir(m_dir.path()).mkpath(QStringLiteral("state"));
    const QByteArray song = Tight(Id3Frame("TIT2", Text(kPrivet)));
    for (const auto& c : cases) {
        const QByteArray file = folder + '/' + c.name;
        ASSERT_TRUE(WriteBytes(file, song));
        if (::setxattr(file.constData(), "user.rating", "5", 1, 0) != 0)
            GTEST_SKIP() << "the file system here keeps no extended attributes: " << std::strerror(errno);
        ASSERT_EQ(::setxattr(file.constData(), "system.posix_acl_access", c.acl.constData(), c.acl.size(), 0),
                  0)
            << std::strerror(errno);
        if (::geteuid() == 0)
            ASSERT_EQ(::chown(file.constData(), c.othersFile ? 0 : kNobody, c.othersFile ? 0 : kNobody), 0);
        else if (c.othersFile)
            ::unlink(file.constData());    // only root makes a file of another owner
        ::chmod(file.constData(), c.mode); // after chown, which clears set-id bits
    }
    if (::geteuid() == 0) {
        for (const QByteArray& path : {folder, state})
            ASSERT_EQ(::chown(path.constData(), kNobody, kNobody), 0);
    }
    std::vector<std::pair<SMeta, ino_t>> before;
    for (const auto& c : cases) {
        struct stat info {};
        ::stat((folder + '/' + c.name).constData(), &info);
        before.emplace_back(MetaOf(folder + '/' + c.name), info.st_ino);
    }
    const SRun run =
        CliAsUser(state, {QStringLiteral("tags"), QStringLiteral("--apply"), QString::fromLocal8Bit(folder)});
    EXPECT_EQ(run.status, ::geteuid() == 0 ? 1 : 0) << run.err.toStdString();
    EXPECT_EQ(run.err.contains(QStringLiteral("setuid.mp3: the tag could not be written: the file's owner, "
                                              "set-id bits or capabilities cannot be kept")),
              ::geteuid() == 0)
        << run.err.toStdString();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const QByteArray file = folder + '/' + cases[i].name;
        if (!QFile::exists(QString::fromLocal8Bit(file)))
            continue;
        struct stat info {};
        ::stat(file.constData(), &info);
        EXPECT_EQ(ReadBytes(file) == song, cases[i].refused) << cases[i].name;
        EXPECT_EQ(info.st_ino == before[i].second, cases[i].othersFile) << cases[i].name;
        EXPECT_TRUE(MetaOf(file) == before[i].first) << cases[i].name;
    }
    const SRun undo = CliAsUser(state, {QStringLiteral("undo"), QStringLiteral("--apply")});
    EXPECT_EQ(undo.status, 0) << undo.err.toStdString();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const QByteArray file = folder + '/' + cases[i].name;
        if (QFile::exists(QString::fromLocal8Bit(file))) {
            EXPECT_EQ(ReadBytes(file), song) << cases[i].name << undo.err.toStdString();
            EXPECT_TRUE(MetaOf(file) == before[i].first) << cases[i].name;
        }
    }
}

// Every failure fails the run with the system's reason and leaves the file as it was (but for a
// folder that cannot be flushed after the rename); nothing is shown as read that was not. As an
// ordinary user.
TEST_F(Mp3Safe, FailuresAreReportedAndChangeNothing) {
    const QString preload = QStringLiteral("LD_PRELOAD=") + QStringLiteral(LT_READ_ERROR_PRELOAD);
    // Under the address sanitizer the preloaded library comes before its runtime: allowed here.
    const QString asan = QStringLiteral("ASAN_OPTIONS=") + qEnvironmentVariable("ASAN_OPTIONS") +
                         QStringLiteral(":verify_asan_link_order=0");
    const QByteArray song = Tight(Id3Frame("TIT2", Text(kPrivet)));
    QByteArray cut = song.left(96); // a cut download whose tag claims 4,000 bytes
    cut.replace(6, 4, SyncSafe(4000 - 10));
    const struct {
        const char* name;
        QByteArray file;
        mode_t mode;
        QStringList around;
        const char* reason;
        bool readFails; // a dry run fails too, and no text is shown
        bool late;      // the failure comes after the rename: only --apply meets it
    } cases[] = {
        {"unreadable.mp3", song, 0, {}, "cannot read the file: Permission denied", true, false},
        {"eio.mp3",
         song,
         0644,
         {preload, QStringLiteral("LT_TEST_EIO_NAME=eio.mp3"), asan},
         "cannot read the file: Input/output error",
         true,
         false},
        {"limit.mp3",
         song,
         0644,
         {QStringLiteral("prlimit"), QStringLiteral("--fsize=1000")},
         "File too large",
         false,
         false},
        {"cut.mp3", cut, 0644, {}, "tag cut short (file may be incomplete)", false, false},
        {"fsync.mp3",
         song,
         0644,
         {preload, QStringLiteral("LT_TEST_EIO_NAME=fsync"), asan},
         "its folder could not be written to disk: Input/output error",
         false,
         true},
    };
    const QByteArray state = Path("state");
    QDir(m_dir.path()).mkpath(QStringLiteral("state"));
    for (const auto& c : cases) {
        const QByteArray folder = Path(QByteArray(c.name).chopped(4));
        QDir().mkpath(QString::fromLocal8Bit(folder));
        const QByteArray file = folder + '/' + c.name;
        ASSERT_TRUE(WriteBytes(file, c.file));
        ::chmod(file.constData(), c.mode);
        if (::geteuid() == 0) {
            for (const QByteArray& path : {folder, file, state})
                ASSERT_EQ(::chown(path.constData(), 65534, 65534), 0);
        }
        for (const char* apply : {"", "--apply"}) {
            QStringList args = {QStringLiteral("tags"), QString::fromLocal8Bit(folder)};
            if (*apply)
                args.insert(1, QString::fromLatin1(apply));
            const SRun run = CliAsUser(state, args, c.around);
            const bool dryWrite = (c.late || c.around.contains(QStringLiteral("prlimit"))) && !*apply;
            EXPECT_EQ(run.status, *apply || c.readFails ? 1 : 0) << c.name << apply << run.err.toStdString();
            EXPECT_TRUE(dryWrite || (run.out + run.err).contains(QString::fromLatin1(c.reason)))
                << c.name << apply << run.out.toStdString() << run.err.toStdString();
            EXPECT_FALSE(c.readFails && run.out.contains(QStringLiteral("SHHuka")))
                << c.name << " shown as read";
            ::chmod(file.constData(), 0644);
            EXPECT_EQ(ReadBytes(file) == c.file, !(c.late && *apply)) << c.name;
            ::chmod(file.constData(), c.mode);
        }
    }
}

// A path named twice is taken once: no spurious "changed meanwhile".
TEST_F(Mp3Safe, PathNamedTwiceIsTakenOnce) {
    ASSERT_TRUE(WriteBytes(Path("t.mp3"), Tight(Id3Frame("TIT2", Text(kPrivet)))));
    QDir(m_dir.path()).mkpath(QStringLiteral("state"));
    const SRun run = CliAsUser(Path("state"),
                               {QStringLiteral("tags"), QStringLiteral("--apply"), m_dir.path(), m_dir.path(),
                                QString::fromLocal8Bit(Path("t.mp3"))},
                               {}, false);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.count(QStringLiteral("t.mp3")), 1) << run.out.toStdString();
    EXPECT_EQ(Read("t.mp3").CellText(0, kTitle), QStringLiteral("SHHuka i leshh"));
}

TEST_F(Mp3Safe, LeftoversNoJournalRecordedAreListedAndLeft) {
    // Named like ours but never journalled (planted, or from elsewhere): never removed or copied
    // over anything. Recorded ones are cleared (TagsUndo.ARewriteKilledInPlaceIsFinishedBeforeItsUndo).
    const QByteArray song = Tight(Id3Frame("TIT2", Text(kPrivet)));
    ASSERT_TRUE(WriteBytes(Path("k.mp3"), song));
    ASSERT_TRUE(WriteBytes(Path(".k.mp3.lt-tmp-AbC123"), song.left(100)));
    ASSERT_TRUE(WriteBytes(Path("j.mp3"), song.left(50)));
    ASSERT_TRUE(WriteBytes(Path(".j.mp3.lt-keep-XyZ789"), song));
    const SRun dry = Cli({QStringLiteral("tags"), m_dir.path()});
    EXPECT_TRUE(dry.err.contains(QStringLiteral(".k.mp3.lt-tmp-AbC123: a temporary file left")))
        << dry.err.toStdString();
    const SRun run = Cli({QStringLiteral("tags"), QStringLiteral("--apply"), m_dir.path()});
    for (const char* name : {".k.mp3.lt-tmp-AbC123", ".j.mp3.lt-keep-XyZ789"})
        EXPECT_TRUE(
            run.err.contains(QString::fromLatin1(name) + QStringLiteral(" is named like a temporary")))
            << run.err.toStdString();
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Hidden | QDir::Files).size(), 4);
    EXPECT_EQ(ReadBytes(Path(".j.mp3.lt-keep-XyZ789")), song);
}

TEST_F(Mp3Safe, OldTagBytesGoBackExactly) {
    const QByteArray song =
        Id3Tag(3, 0, Id3Frame("TIT2", Text(kPrivet)), 7) + TestAudio() + "TAG" + QByteArray(125, '\x01');
    ASSERT_TRUE(WriteBytes(Path("u.mp3"), song));
    STagRegions old;
    QString error;
    ASSERT_TRUE(ReadTagRegions(Path("u.mp3"), old, error));
    CCellTable grid = Read("u.mp3");
    ASSERT_EQ(TransliterateRow(Folder(), "u.mp3", grid, 0, m_table), ERowResult::kWritten);
    ASSERT_NE(ReadBytes(Path("u.mp3")), song);
    ASSERT_TRUE(ReplaceTagRegions(Path("u.mp3"), old, error)) << error.toStdString();
    EXPECT_EQ(ReadBytes(Path("u.mp3")), song);
}

} // namespace
