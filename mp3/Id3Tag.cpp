#include "Id3Tag.h"

#include "CResourceModule.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qsizetype kHeaderBytes = 10;
constexpr qsizetype kV1Bytes = 128;
constexpr qsizetype kGrowthPadding = 1024;
constexpr qsizetype kChunk = 1 << 20;

QString Text(int id) {
    return CurrentResources().String(id);
}

quint32 BigEndian(const QByteArray& data, qsizetype at, int bytes) {
    quint32 value = 0;
    for (int i = 0; i < bytes; ++i)
        value = (value << 8) | quint8(data[at + i]);
    return value;
}

// Seven bits a byte; a stray high bit is ignored, as other readers do.
quint32 SynchSafe(const QByteArray& data, qsizetype at) {
    quint32 value = 0;
    for (int i = 0; i < 4; ++i)
        value = (value << 7) | (quint8(data[at + i]) & 0x7F);
    return value;
}

QByteArray SynchSafeBytes(quint32 value) {
    QByteArray out(4, '\0');
    for (int i = 3; i >= 0; --i) {
        out[i] = char(value & 0x7F);
        value >>= 7;
    }
    return out;
}

QByteArray BigEndianBytes(quint32 value) {
    QByteArray out(4, '\0');
    for (int i = 3; i >= 0; --i) {
        out[i] = char(value & 0xFF);
        value >>= 8;
    }
    return out;
}

// FF 00 back to FF.
QByteArray Resynchronise(const QByteArray& data) {
    QByteArray out;
    out.reserve(data.size());
    for (qsizetype i = 0; i < data.size(); ++i) {
        out += data[i];
        if (quint8(data[i]) == 0xFF && i + 1 < data.size() && data[i + 1] == '\0')
            ++i;
    }
    return out;
}

// A 00 after every FF that a false synchronisation or another FF 00 could be read from.
QByteArray Unsynchronise(const QByteArray& data) {
    QByteArray out;
    out.reserve(data.size() + data.size() / 64);
    for (qsizetype i = 0; i < data.size(); ++i) {
        out += data[i];
        if (quint8(data[i]) == 0xFF &&
            (i + 1 == data.size() || quint8(data[i + 1]) >= 0xE0 || data[i + 1] == '\0'))
            out += '\0';
    }
    return out;
}

bool ValidId(const QByteArray& id) {
    for (const char c : id) {
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

// The frames from `at` to `end`; true when the walk ends cleanly (at the end or in padding).
bool WalkFrames(const QByteArray& data, qsizetype at, int major, bool synchSafe,
                std::vector<SId3Frame>& frames, qsizetype& stop) {
    frames.clear();
    const qsizetype idBytes = major == 2 ? 3 : 4;
    const qsizetype headerBytes = major == 2 ? 6 : 10;
    while (at + headerBytes <= data.size()) {
        if (data[at] == '\0') {
            stop = at;
            // Padding is zeros to the end; anything else after it is not ours to judge.
            return true;
        }
        SId3Frame frame;
        frame.id = data.mid(at, idBytes);
        if (!ValidId(frame.id)) {
            stop = at;
            return false;
        }
        const qsizetype size = major == 2  ? qsizetype(BigEndian(data, at + 3, 3))
                               : synchSafe ? qsizetype(SynchSafe(data, at + 4))
                                           : qsizetype(BigEndian(data, at + 4, 4));
        if (synchSafe) {
            for (int i = 4; i < 8; ++i) {
                if (quint8(data[at + i]) & 0x80) {
                    stop = at;
                    return false;
                }
            }
        }
        if (at + headerBytes + size > data.size()) {
            stop = at;
            return false;
        }
        frame.flags = major == 2 ? 0 : quint16(BigEndian(data, at + 8, 2));
        frame.raw = data.mid(at, headerBytes + size);
        frames.push_back(std::move(frame));
        at += headerBytes + size;
    }
    stop = at;
    return at == data.size() || data.mid(at).count('\0') == data.size() - at;
}

// The content of a frame apart from the bytes its format flags add.
void ExtractBody(SId3Frame& frame, int major, bool wholeTagUnsynchronised) {
    const qsizetype headerBytes = major == 2 ? 6 : 10;
    QByteArray data = frame.raw.mid(headerBytes);
    if (major == 3) {
        const bool compressed = frame.flags & 0x0080;
        const bool encrypted = frame.flags & 0x0040;
        const qsizetype extra = (compressed ? 4 : 0) + (encrypted ? 1 : 0) + ((frame.flags & 0x0020) ? 1 : 0);
        frame.opaque = compressed || encrypted || extra > data.size();
        frame.body = frame.opaque ? QByteArray() : data.mid(extra);
    } else if (major == 4) {
        const bool compressed = frame.flags & 0x0008;
        const bool encrypted = frame.flags & 0x0004;
        const qsizetype extra =
            ((frame.flags & 0x0040) ? 1 : 0) + (encrypted ? 1 : 0) + ((frame.flags & 0x0001) ? 4 : 0);
        frame.opaque = compressed || encrypted || extra > data.size();
        data = data.mid(extra);
        frame.body = frame.opaque                                       ? QByteArray()
                     : (frame.flags & 0x0002) || wholeTagUnsynchronised ? Resynchronise(data)
                                                                        : data;
    } else {
        frame.body = data;
    }
}

bool WriteRange(int from, off_t begin, off_t end, int to, QString& error) {
    QByteArray buffer;
    for (off_t at = begin; at < end; at += kChunk) {
        const qsizetype n = qsizetype(std::min<off_t>(kChunk, end - at));
        if (!ReadAt(from, at, n, buffer) || !WriteAll(to, buffer.constData(), n)) {
            error = Text(1307) + QStringLiteral(": ") + SystemReason(errno);
            return false;
        }
    }
    return true;
}

bool SameRange(int a, off_t atA, int b, off_t atB, off_t count) {
    QByteArray one;
    QByteArray two;
    for (off_t done = 0; done < count; done += kChunk) {
        const qsizetype n = qsizetype(std::min<off_t>(kChunk, count - done));
        if (!ReadAt(a, atA + done, n, one) || !ReadAt(b, atB + done, n, two) || one != two)
            return false;
    }
    return true;
}

} // namespace

bool ReadTagRegions(int fd, STagRegions& regions, off_t& fileSize, QString& error) {
    regions = STagRegions();
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        error = Text(1312) + QStringLiteral(": ") + SystemReason(errno);
        return false;
    }
    fileSize = info.st_size;
    // A read that fails is a failure, never "no tag": the file would be shown as what it is not.
    auto failed = [&] {
        error = Text(1312) + QStringLiteral(": ") + SystemReason(errno);
        return false;
    };
    QByteArray header;
    if (fileSize >= kHeaderBytes && !ReadAt(fd, 0, kHeaderBytes, header))
        return failed();
    if (header.startsWith("ID3") && quint8(header[3]) >= 2 && quint8(header[3]) <= 4 &&
        quint8(header[4]) != 0xFF) {
        qsizetype size = kHeaderBytes + qsizetype(SynchSafe(header, 6));
        if (header[3] == 4 && (quint8(header[5]) & 0x10))
            size += kHeaderBytes; // the footer
        // A tag longer than its file (a cut download) is read as far as it goes; ParseId3v2 tells.
        size = qsizetype(std::min<off_t>(size, fileSize));
        if (!ReadAt(fd, 0, size, regions.id3v2))
            return failed();
    }
    QByteArray tail;
    if (fileSize - regions.id3v2.size() >= kV1Bytes) {
        if (!ReadAt(fd, fileSize - kV1Bytes, kV1Bytes, tail))
            return failed();
        if (tail.startsWith("TAG"))
            regions.id3v1 = tail;
    }
    return true;
}

SId3v2 ParseId3v2(const QByteArray& region) {
    SId3v2 tag;
    if (region.size() < kHeaderBytes)
        return tag;
    tag.major = quint8(region[3]);
    tag.revision = quint8(region[4]);
    tag.flags = quint8(region[5]);
    tag.room = qsizetype(SynchSafe(region, 6));
    QByteArray data = region.mid(kHeaderBytes, tag.room);
    if (tag.major == 2 && (tag.flags & 0x40)) {
        tag.damage = Text(1315).arg(QStringLiteral("(compression)"));
        return tag;
    }
    const bool unsynchronised = tag.flags & 0x80;
    if (unsynchronised && tag.major < 4)
        data = Resynchronise(data);
    qsizetype at = 0;
    if (tag.major >= 3 && (tag.flags & 0x40) && data.size() >= 6) {
        const qsizetype size =
            tag.major == 3 ? 4 + qsizetype(BigEndian(data, 0, 4)) : qsizetype(SynchSafe(data, 0));
        at = std::min(size, data.size());
        tag.extended = data.left(at);
        // A checksum over the frames would no longer match them.
        const bool crc = tag.major == 3 ? (data.size() > 4 && (quint8(data[4]) & 0x80))
                                        : (data.size() > 5 && (quint8(data[5]) & 0x20));
        if (crc)
            tag.damage = Text(1314);
    }
    qsizetype stop = 0;
    bool clean = WalkFrames(data, at, tag.major, tag.major == 4, tag.frames, stop);
    if (!clean && tag.major == 4) {
        // Frame sizes written as plain numbers (a common slip of ID3v2.4 writers).
        std::vector<SId3Frame> plain;
        qsizetype plainStop = 0;
        if (WalkFrames(data, at, 4, false, plain, plainStop)) {
            tag.frames = std::move(plain);
            clean = true;
        }
    }
    if (!clean && tag.damage.isEmpty())
        tag.damage = Text(1315).arg(tag.frames.empty() ? QStringLiteral("-")
                                                       : QString::fromLatin1(tag.frames.back().id));
    for (SId3Frame& frame : tag.frames)
        ExtractBody(frame, tag.major, unsynchronised);
    // The file ends inside its tag: whatever is missing is not ours to make up.
    const qsizetype footer = tag.major == 4 && (tag.flags & 0x10) ? kHeaderBytes : 0;
    tag.cutShort = region.size() < kHeaderBytes + tag.room + footer;
    if (tag.cutShort)
        tag.damage = Text(2505);
    return tag;
}

QByteArray RenderId3v2(const SId3v2& tag, qsizetype oldRegionSize, const std::vector<QByteArray>& frames,
                       QString& error) {
    if (!tag.damage.isEmpty()) {
        error = tag.damage;
        return {};
    }
    const int major = tag.major == 4 ? 4 : 3;
    const quint8 flags = tag.major == 2 ? 0 : tag.flags;
    QByteArray body = tag.extended;
    for (const QByteArray& frame : frames)
        body += frame;
    const bool unsynchronise = major == 3 && (flags & 0x80);
    if (unsynchronise)
        body = Unsynchronise(body);
    const bool footer = major == 4 && (flags & 0x10);
    if (!footer) {
        // The padding keeps the audio where it was when the frames fit; otherwise some room for later.
        const qsizetype oldRoom = oldRegionSize - kHeaderBytes;
        body += QByteArray(body.size() <= oldRoom ? oldRoom - body.size() : kGrowthPadding, '\0');
    }
    if (body.size() >= (1 << 28)) {
        error = Text(1315).arg(QStringLiteral("(size)"));
        return {};
    }
    QByteArray out = QByteArray("ID3") + char(major) + char(tag.major == 2 ? 0 : tag.revision) + char(flags) +
                     SynchSafeBytes(quint32(body.size())) + body;
    if (footer)
        out += QByteArray("3DI") + char(major) + char(tag.revision) + char(flags) +
               SynchSafeBytes(quint32(body.size()));
    return out;
}

QByteArray Id3FrameHeader(const QByteArray& id, int major, qsizetype size) {
    return id + (major == 4 ? SynchSafeBytes(quint32(size)) : BigEndianBytes(quint32(size))) +
           QByteArray(2, '\0');
}

QByteArray FitFrameToTag(const SId3v2& tag, const QByteArray& frame) {
    // An ID3v2.4 tag flagged unsynchronised has every frame so; readers undo it on each one.
    if (tag.major != 4 || !(tag.flags & 0x80) || frame.size() < kHeaderBytes)
        return frame;
    const QByteArray data = Unsynchronise(frame.mid(kHeaderBytes));
    QByteArray out = Id3FrameHeader(frame.left(4), 4, data.size()) + data;
    out[9] = char(out[9] | 0x02);
    return out;
}

bool ReplaceTagRegions(const QByteArray& path, const SFileStamp* stamp, const STagRegions& old,
                       const STagRegions& replacement, const FCheckRegions& check, QString& error) {
    const int original = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (original < 0) {
        error = Text(errno == ELOOP ? 1300 : 1312) + QStringLiteral(": ") + SystemReason(errno);
        return false;
    }
    STagRegions now;
    off_t size = 0;
    bool ok = ReadTagRegions(original, now, size, error);
    if (ok && now != old) {
        error = Text(1302);
        ok = false;
    }
    const off_t audioBegin = off_t(old.id3v2.size());
    const off_t audioEnd = size - off_t(old.id3v1.size());
    auto write = [&](int fd, QString& why) {
        if (!WriteAll(fd, replacement.id3v2.constData(), replacement.id3v2.size())) {
            why = Text(1307) + QStringLiteral(": ") + SystemReason(errno);
            return false;
        }
        if (!WriteRange(original, audioBegin, audioEnd, fd, why))
            return false;
        if (!WriteAll(fd, replacement.id3v1.constData(), replacement.id3v1.size())) {
            why = Text(1307) + QStringLiteral(": ") + SystemReason(errno);
            return false;
        }
        return true;
    };
    auto verify = [&](int fd, QString& why) {
        // The copy is read back from the disk, not trusted from memory.
        STagRegions copy;
        off_t copySize = 0;
        QByteArray head;
        QByteArray tail;
        const off_t audio = audioEnd - audioBegin;
        const off_t expected = off_t(replacement.id3v2.size()) + audio + off_t(replacement.id3v1.size());
        if (!ReadTagRegions(fd, copy, copySize, why))
            return false;
        if (copySize != expected || !ReadAt(fd, 0, replacement.id3v2.size(), head) ||
            head != replacement.id3v2 ||
            !ReadAt(fd, copySize - replacement.id3v1.size(), replacement.id3v1.size(), tail) ||
            tail != replacement.id3v1) {
            why = Text(1309);
            return false;
        }
        if (!SameRange(original, audioBegin, fd, off_t(replacement.id3v2.size()), audio)) {
            why = Text(1316);
            return false;
        }
        return !check || check(replacement, why);
    };
    ok = ok && ReplaceFileVerified(path, stamp, write, verify, error);
    ::close(original);
    return ok;
}

bool ReadTagRegions(const QByteArray& path, STagRegions& regions, QString& error) {
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        error = Text(errno == ELOOP ? 1300 : 1312) + QStringLiteral(": ") + SystemReason(errno);
        return false;
    }
    off_t size = 0;
    const bool read = ReadTagRegions(fd, regions, size, error);
    ::close(fd);
    return read;
}

bool ReplaceTagRegions(const QByteArray& path, const STagRegions& replacement, QString& error) {
    STagRegions old;
    return ReadTagRegions(path, old, error) && ReplaceTagRegions(path, nullptr, old, replacement, {}, error);
}
