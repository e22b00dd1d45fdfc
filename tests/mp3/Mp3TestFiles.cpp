#include "Mp3TestFiles.h"

#include "CodePage.h"

#include "../common/EncodedBytes.h"

#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/uniquefileidentifierframe.h>
#include <taglib/unknownframe.h>

#include <QFile>
#include <QProcess>

#include <cstdio>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kFrameBytes = 417;

// ID3v2.2 by hand: TagLib reads it but cannot write it.
QByteArray Id3v22(const std::vector<STestFrame>& frames) {
    QByteArray body;
    for (const STestFrame& frame : frames) {
        QByteArray id = frame.id == "TALB"   ? "TAL"
                        : frame.id == "TPE1" ? "TP1"
                        : frame.id == "TIT2" ? "TT2"
                        : frame.id == "TYER" ? "TYE"
                        : frame.id == "TCOM" ? "TCM"
                        : frame.id == "TOPE" ? "TOA"
                                             : "COM";
        QByteArray data(1, '\0');
        if (id == "COM")
            data += QByteArray("eng") + '\0';
        data += frame.latin1;
        const int n = int(data.size());
        body += id + char((n >> 16) & 0xFF) + char((n >> 8) & 0xFF) + char(n & 0xFF) + data;
    }
    return QByteArray("ID3\x02\x00\x00", 6) + SyncSafe(int(body.size())) + body;
}

} // namespace

QByteArray SyncSafe(int size) {
    QByteArray out(4, '\0');
    for (int i = 3; i >= 0; --i) {
        out[i] = char(size & 0x7F);
        size >>= 7;
    }
    return out;
}

QByteArray Id3Frame(const QByteArray& id, const QByteArray& data, int major, quint16 flags) {
    const int n = int(data.size());
    QByteArray size = SyncSafe(n);
    if (major != 4) {
        for (int i = 0; i < 4; ++i)
            size[i] = char((n >> (24 - 8 * i)) & 0xFF);
    }
    return id + size + char(flags >> 8) + char(flags & 0xFF) + data;
}

QByteArray Id3Tag(int major, quint8 flags, const QByteArray& body, int padding) {
    return QByteArray("ID3") + char(major) + '\0' + char(flags) + SyncSafe(int(body.size()) + padding) +
           body + QByteArray(padding, '\0');
}

SRun RunProgram(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    process.waitForFinished(120000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QStringList MutagenFrames(const QByteArray& path) {
    const char* script = "import sys\n"
                         "from mutagen.id3 import ID3\n"
                         "t = ID3(sys.argv[1], translate=False)\n"
                         "print('version', t.version[1])\n"
                         "for f in t.values(): print(repr(f))\n"
                         "for u in t.unknown_frames: print('unknown', u.hex())\n";
    // Debian's own Python, where python3-mutagen lives.
    const QString python = QFile::exists(QStringLiteral("/usr/bin/python3"))
                               ? QStringLiteral("/usr/bin/python3")
                               : QStringLiteral("python3");
    const SRun run =
        RunProgram(python, {QStringLiteral("-c"), QString::fromLatin1(script), QString::fromLocal8Bit(path)});
    if (run.status != 0)
        return {QStringLiteral("error: ") + run.err};
    return run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool HaveMutagen() {
    return RunProgram(QStringLiteral("/usr/bin/python3"),
                      {QStringLiteral("-c"), QStringLiteral("import mutagen")})
               .status == 0;
}

int AsOrdinaryUser(const std::function<int()>& body) {
    if (::geteuid() != 0)
        return body();
    const pid_t child = ::fork();
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(125);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 126;
}

QByteArray TestAudio(int frames) {
    QByteArray out;
    for (int f = 0; f < frames; ++f) {
        QByteArray frame(kFrameBytes, '\0');
        frame[0] = char(0xFF);
        frame[1] = char(0xFB);
        frame[2] = char(0x90);
        frame[3] = char(0x00);
        for (int i = 4; i < kFrameBytes; ++i)
            frame[i] = char((i * 7 + f) % 200);
        out += frame;
    }
    return out;
}

bool WriteBytes(const QByteArray& path, const QByteArray& bytes) {
    // By the raw name: QFile would mangle names that are not UTF-8.
    FILE* file = std::fopen(path.constData(), "wb");
    if (file == nullptr)
        return false;
    const bool ok =
        std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), file) == std::size_t(bytes.size());
    return std::fclose(file) == 0 && ok;
}

QByteArray ReadBytes(const QByteArray& path) {
    QByteArray out;
    FILE* file = std::fopen(path.constData(), "rb");
    if (file == nullptr)
        return out;
    char buffer[65536];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        out.append(buffer, qsizetype(n));
    std::fclose(file);
    return out;
}

bool WriteTestMp3(const QByteArray& path, int version, const std::vector<STestFrame>& frames, bool others) {
    if (version == 2)
        return WriteBytes(path, Id3v22(frames) + TestAudio());
    if (!WriteBytes(path, TestAudio()))
        return false;
    if (version == 0)
        return true;
    TagLib::MPEG::File file(path.constData());
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
    for (const STestFrame& spec : frames) {
        const TagLib::String::Type encoding = spec.unicode.isEmpty() ? TagLib::String::Latin1
                                              : spec.utf8            ? TagLib::String::UTF8
                                                                     : TagLib::String::UTF16;
        const TagLib::String text =
            spec.unicode.isEmpty()
                ? TagLib::String(std::string(spec.latin1.constData(), std::size_t(spec.latin1.size())),
                                 TagLib::String::Latin1)
                : TagLib::String(spec.unicode.toUtf8().toStdString(), TagLib::String::UTF8);
        if (spec.id == "COMM") {
            auto* comment = new TagLib::ID3v2::CommentsFrame(encoding);
            comment->setLanguage("rus");
            comment->setText(text);
            tag->addFrame(comment);
        } else {
            auto* frame = new TagLib::ID3v2::TextIdentificationFrame(spec.id.constData(), encoding);
            frame->setText(text);
            tag->addFrame(frame);
        }
    }
    if (others) {
        auto* picture = new TagLib::ID3v2::AttachedPictureFrame;
        picture->setMimeType("image/png");
        picture->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        picture->setPicture(TagLib::ByteVector("\x89PNG\r\n\x1a\n\0\0\0\0fake", 16));
        tag->addFrame(picture);
        auto* user = new TagLib::ID3v2::TextIdentificationFrame("TCON", TagLib::String::Latin1);
        user->setText(TagLib::String("Rock\xC0", TagLib::String::Latin1));
        tag->addFrame(user);
        auto* described = new TagLib::ID3v2::CommentsFrame(TagLib::String::Latin1);
        described->setDescription("iTunNORM");
        described->setText(TagLib::String("\xCF\xF0\xE8", TagLib::String::Latin1));
        tag->addFrame(described);
    }
    return file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone,
                     version == 4 ? TagLib::ID3v2::v4 : TagLib::ID3v2::v3, TagLib::File::DoNotDuplicate);
}

bool AddTestId3v1(const QByteArray& path, const QByteArray& title, const QByteArray& artist,
                  const QByteArray& album, const QByteArray& comment, unsigned year) {
    TagLib::MPEG::File file(path.constData());
    TagLib::ID3v1::Tag* tag = file.ID3v1Tag(true);
    auto latin = [](const QByteArray& bytes) {
        return TagLib::String(std::string(bytes.constData(), std::size_t(bytes.size())),
                              TagLib::String::Latin1);
    };
    tag->setTitle(latin(title));
    tag->setArtist(latin(artist));
    tag->setAlbum(latin(album));
    tag->setComment(latin(comment));
    tag->setYear(year);
    return file.save(TagLib::MPEG::File::ID3v1, TagLib::File::StripNone, TagLib::ID3v2::v4,
                     TagLib::File::DoNotDuplicate);
}

QByteArray AudioOf(const QByteArray& path) {
    QByteArray bytes = ReadBytes(path);
    if (bytes.startsWith("ID3") && bytes.size() >= 10) {
        int size = 0;
        for (int i = 6; i < 10; ++i)
            size = (size << 7) | (bytes[i] & 0x7F);
        bytes = bytes.mid(10 + size);
    }
    // TagLib pads a tag it writes: the audio starts at the first frame sync.
    const qsizetype sync = bytes.indexOf("\xFF\xFB");
    if (sync > 0)
        bytes = bytes.mid(sync);
    if (bytes.size() >= 128 && bytes.mid(bytes.size() - 128, 3) == "TAG")
        bytes.chop(128);
    return bytes;
}

std::vector<QByteArray> OtherFrames(const QByteArray& path) {
    std::vector<QByteArray> out;
    TagLib::MPEG::File file(path.constData());
    if (!file.hasID3v2Tag())
        return out;
    for (TagLib::ID3v2::Frame* frame : file.ID3v2Tag()->frameList()) {
        const TagLib::ByteVector id = frame->frameID();
        const QByteArray qid(id.data(), int(id.size()));
        if (qid == "TALB" || qid == "TPE1" || qid == "TIT2" || qid == "TYER" || qid == "TDRC" ||
            qid == "TCOM" || qid == "TOPE")
            continue;
        auto* comment = dynamic_cast<TagLib::ID3v2::CommentsFrame*>(frame);
        if (comment != nullptr && comment->description().isEmpty())
            continue;
        const TagLib::ByteVector data = frame->render();
        out.push_back(qid + ':' + QByteArray(data.data(), int(data.size())).mid(10));
    }
    return out;
}

int Id3v2VersionOnDisk(const QByteArray& path) {
    const QByteArray bytes = ReadBytes(path);
    return bytes.startsWith("ID3") && bytes.size() > 3 ? bytes[3] : 0;
}

bool HasId3v1OnDisk(const QByteArray& path) {
    const QByteArray bytes = ReadBytes(path);
    return bytes.size() >= 128 && bytes.mid(bytes.size() - 128, 3) == "TAG";
}

QByteArray Cp1251(const QString& text) {
    return EncodedBytes(1251, text);
}
QByteArray Koi8r(const QString& text) {
    return Koi8Bytes(text);
}
QByteArray Cp866(const QString& text) {
    return EncodedBytes(866, text);
}
