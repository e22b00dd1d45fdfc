#include "VorbisTags.h"

#include "CResourceModule.h"
#include "LatinSpelling.h"
#include "Mp3Batch.h"
#include "RawNames.h"
#include "ResourceIds.h"

#include <taglib/flacfile.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/opusfile.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

#include <QStringDecoder>

#include <cerrno>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString Text(int id) {
    return CurrentResources().String(id);
}

constexpr const char* kFields[kTagColumnCount] = {"ALBUM",    "ARTIST",         "TITLE",  "DATE",
                                                  "COMPOSER", "ORIGINALARTIST", "COMMENT"};

quint32 Le32(const QByteArray& bytes, qsizetype at) {
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData() + at);
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

// The comment list starting at `at` of a packet or block; false when it runs past its end.
bool ParseComment(const QByteArray& data, qsizetype at, SVorbisComment& out) {
    auto take = [&](QByteArray& into) {
        if (data.size() - at < 4)
            return false;
        const quint32 size = Le32(data, at);
        at += 4;
        if (size > quint32(data.size() - at))
            return false;
        into = data.mid(at, qsizetype(size));
        at += qsizetype(size);
        return true;
    };
    if (!take(out.vendor) || data.size() - at < 4)
        return false;
    const quint32 count = Le32(data, at);
    at += 4;
    for (quint32 i = 0; i < count; ++i) {
        QByteArray entry;
        if (!take(entry))
            return false;
        const qsizetype equals = entry.indexOf('=');
        // An entry without "=" is kept whole as a name: TagLib drops it, and the check refuses that.
        out.fields.emplace_back(equals < 0 ? entry : entry.left(equals),
                                equals < 0 ? QByteArray() : entry.mid(equals + 1));
    }
    out.tail = data.mid(at);
    return true;
}

bool ParseFlac(const QByteArray& bytes, SVorbisFile& out, QString& error) {
    qsizetype at = 0;
    if (bytes.startsWith("ID3") && bytes.size() >= 10) {
        const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
        at = 10 + (qsizetype(p[6] & 0x7f) << 21 | qsizetype(p[7] & 0x7f) << 14 | qsizetype(p[8] & 0x7f) << 7 |
                   qsizetype(p[9] & 0x7f));
        if (p[5] & 0x10)
            at += 10;
        out.before = bytes.left(at);
    }
    if (bytes.mid(at, 4) != "fLaC")
        return true;
    out.kind = SVorbisFile::EKind::kFlac;
    at += 4;
    for (bool last = false; !last;) {
        if (bytes.size() - at < 4) {
            error = Text(kStrTagCutShort);
            return false;
        }
        const auto* p = reinterpret_cast<const uchar*>(bytes.constData() + at);
        last = (p[0] & 0x80) != 0;
        const int type = p[0] & 0x7f;
        const qsizetype size = qsizetype(p[1]) << 16 | qsizetype(p[2]) << 8 | qsizetype(p[3]);
        if (bytes.size() - at - 4 < size || type == 127) {
            error = Text(kStrTagCutShort);
            return false;
        }
        const QByteArray data = bytes.mid(at + 4, size);
        if (type == 4) {
            if (out.hasComment || !ParseComment(data, 0, out.comment)) {
                error = Text(1313).arg(QStringLiteral("VORBIS_COMMENT"));
                return false;
            }
            out.hasComment = true;
        } else if (type != 1) {
            out.blocks.push_back(char(type) + data);
        }
        at += 4 + size;
    }
    out.audioStart = at;
    return true;
}

struct SPage {
    quint32 serial = 0;
    qint64 granule = 0;
    QByteArray segments;
    QByteArray payload;
};

bool ParseOgg(const QByteArray& bytes, SVorbisFile& out, QString& error, bool head) {
    if (!bytes.startsWith("OggS"))
        return true;
    std::vector<SPage> pages;
    for (qsizetype at = 0; at < bytes.size();) {
        const auto* p = reinterpret_cast<const uchar*>(bytes.constData() + at);
        // The first bytes of a file end anywhere: the pages they hold in full are enough.
        const bool whole = bytes.size() - at >= 27 && bytes.size() - at - 27 >= p[26];
        if (head && !whole)
            break;
        if (!whole || bytes.mid(at, 4) != "OggS") {
            error = Text(kStrTagCutShort);
            return false;
        }
        SPage page;
        for (int i = 0; i < 8; ++i)
            page.granule |= qint64(p[6 + i]) << (8 * i);
        page.serial = Le32(bytes, at + 14);
        page.segments = bytes.mid(at + 27, p[26]);
        qsizetype size = 0;
        for (const char segment : page.segments)
            size += uchar(segment);
        at += 27 + p[26];
        if (head && bytes.size() - at < size)
            break;
        if (bytes.size() - at < size) {
            error = Text(kStrTagCutShort);
            return false;
        }
        page.payload = bytes.mid(at, size);
        at += size;
        pages.push_back(std::move(page));
    }
    // The header packets of the first stream, which end on a page of their own.
    std::vector<QByteArray> headers;
    QByteArray packet;
    std::size_t wanted = 3;
    std::size_t page = 0;
    for (; page < pages.size() && headers.size() < wanted; ++page) {
        if (pages[page].serial != pages[0].serial) {
            error = Text(1313).arg(QStringLiteral("Ogg"));
            return false;
        }
        qsizetype offset = 0;
        for (qsizetype i = 0; i < pages[page].segments.size(); ++i) {
            if (headers.size() == wanted) {
                error = Text(1313).arg(QStringLiteral("Ogg"));
                return false;
            }
            const int size = uchar(pages[page].segments[i]);
            packet += pages[page].payload.mid(offset, size);
            offset += size;
            if (size < 255) {
                headers.push_back(packet);
                packet.clear();
                if (headers.size() == 1) {
                    if (headers[0].startsWith("\x01vorbis"))
                        out.kind = SVorbisFile::EKind::kOggVorbis;
                    else if (headers[0].startsWith("OpusHead"))
                        out.kind = SVorbisFile::EKind::kOpus;
                    else
                        return true; // another codec: not ours
                    wanted = out.kind == SVorbisFile::EKind::kOpus ? 2 : 3;
                }
            }
        }
    }
    const QByteArray magic = out.kind == SVorbisFile::EKind::kOpus ? "OpusTags" : "\x03vorbis";
    if (headers.size() < wanted || !headers[1].startsWith(magic) ||
        !ParseComment(headers[1], magic.size(), out.comment)) {
        error = Text(kStrTagCutShort);
        return false;
    }
    out.hasComment = true;
    for (std::size_t i = 0; i < headers.size(); ++i) {
        if (i != 1)
            out.packets.push_back(headers[i]);
    }
    for (; page < pages.size(); ++page) {
        out.audio += pages[page].payload;
        out.granules.push_back(pages[page].granule);
    }
    return true;
}

// The values of each field by its name in capitals, in order: what a reader of the comments sees.
std::map<QByteArray, std::vector<QByteArray>> FieldMap(const SVorbisComment& comment) {
    std::map<QByteArray, std::vector<QByteArray>> map;
    for (const auto& [name, value] : comment.fields)
        map[name.toUpper()].push_back(value);
    return map;
}

TagLib::String ToTagLib(const QString& text) {
    return TagLib::String(text.toUtf8().toStdString(), TagLib::String::UTF8);
}

} // namespace

bool IsVorbisName(const QByteArray& name) {
    return HasExtension(name, {".flac", ".ogg", ".oga", ".opus"});
}

const char* VorbisFieldOf(int column) {
    return column >= 1 && column <= kTagColumnCount ? kFields[column - 1] : "";
}

bool ParseVorbisFile(const QByteArray& bytes, SVorbisFile& out, QString& error, bool head) {
    out = SVorbisFile();
    return bytes.startsWith("OggS") ? ParseOgg(bytes, out, error, head) : ParseFlac(bytes, out, error);
}

CVorbisTag::CVorbisTag(const QByteArray& path) : CFileTag(path) {
    ReadHead();
}

bool CVorbisTag::Parse(bool whole, QString& error) {
    return ParseVorbisFile(m_bytes, m_file, error, !whole);
}

std::vector<QByteArray> CVorbisTag::Values(int column) const {
    std::vector<QByteArray> values;
    for (const auto& [name, value] : m_file.comment.fields) {
        if (qstricmp(name.constData(), VorbisFieldOf(column)) == 0)
            values.push_back(value);
    }
    return values;
}

bool CVorbisTag::Update(QString& error, bool trial) {
    if (!ReadyToRewrite(error, m_file.kind == SVorbisFile::EKind::kFlac ? QStringLiteral("FLAC")
                                                                        : QStringLiteral("Ogg")))
        return false;
    // TagLib writes into a copy in memory; the file is touched only by the verified replace below.
    // An ID3v2 tag before a FLAC stream is not TagLib's to rewrite: it is set aside and kept.
    const qsizetype kept = m_file.before.size();
    TagLib::ByteVector data(m_bytes.constData() + kept, unsigned(m_bytes.size() - kept));
    TagLib::ByteVectorStream stream(data);
    std::unique_ptr<TagLib::File> file;
    TagLib::Ogg::XiphComment* comment = nullptr;
    if (m_file.kind == SVorbisFile::EKind::kFlac) {
        auto* flac = new TagLib::FLAC::File(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
        file.reset(flac);
        comment = flac->isValid() ? flac->xiphComment(true) : nullptr;
    } else if (m_file.kind == SVorbisFile::EKind::kOggVorbis) {
        auto* vorbis = new TagLib::Ogg::Vorbis::File(&stream, false);
        file.reset(vorbis);
        comment = vorbis->isValid() ? vorbis->tag() : nullptr;
    } else {
        auto* opus = new TagLib::Ogg::Opus::File(&stream, false);
        file.reset(opus);
        comment = opus->isValid() ? opus->tag() : nullptr;
    }
    auto refuse = [&](const QString& why) {
        error = why;
        return false;
    };
    if (comment == nullptr)
        return refuse(Text(1309));
    std::map<QByteArray, std::vector<QByteArray>> expected = FieldMap(m_file.comment);
    for (int column = 1; column <= kTagColumnCount; ++column) {
        const std::optional<QStringList>& values = m_set[std::size_t(column - 1)];
        if (!values)
            continue;
        const char* field = VorbisFieldOf(column);
        comment->removeFields(field);
        expected.erase(field);
        for (const QString& value : *values) {
            comment->addField(field, ToTagLib(value), false);
            expected[field].push_back(value.toUtf8());
        }
    }
    if (!file->save())
        return refuse(Text(1309));
    file.reset();
    const QByteArray replacement =
        m_file.before + QByteArray(stream.data()->data(), qsizetype(stream.data()->size()));

    // The copy must keep everything but the fields set: TagLib re-renders what it parsed.
    SVorbisFile copy;
    QString why;
    if (!ParseVorbisFile(replacement, copy, why) || copy.kind != m_file.kind || !copy.hasComment)
        return refuse(why.isEmpty() ? Text(1309) : why);
    if (copy.before != m_file.before || copy.blocks != m_file.blocks || copy.packets != m_file.packets)
        return refuse(Text(1313).arg(m_file.kind == SVorbisFile::EKind::kFlac ? QStringLiteral("FLAC")
                                                                              : QStringLiteral("Ogg")));
    const bool sameAudio = m_file.kind == SVorbisFile::EKind::kFlac
                               ? QByteArrayView(m_bytes).sliced(m_file.audioStart) ==
                                     QByteArrayView(replacement).sliced(copy.audioStart)
                               : copy.audio == m_file.audio && copy.granules == m_file.granules;
    if (!sameAudio)
        return refuse(Text(1316));
    const std::map<QByteArray, std::vector<QByteArray>> now = FieldMap(copy.comment);
    for (const auto& [name, values] : expected) {
        if (values.empty())
            continue;
        const auto found = now.find(name);
        if (found == now.end() || found->second != values)
            return refuse(Text(1313).arg(QString::fromUtf8(name)));
    }
    for (const auto& [name, values] : now) {
        const auto found = expected.find(name);
        if (found == expected.end() || found->second != values)
            return refuse(Text(1313).arg(QString::fromUtf8(name)));
    }
    // Opus keeps data after the list when its first bit says so; what Vorbis has there is framing.
    const bool tailKept = m_file.kind != SVorbisFile::EKind::kOpus || m_file.comment.tail.isEmpty() ||
                          (m_file.comment.tail[0] & 1) == 0 || copy.comment.tail == m_file.comment.tail;
    if (copy.comment.vendor != m_file.comment.vendor || !tailKept)
        return refuse(Text(1313).arg(QStringLiteral("vendor")));
    if (trial || replacement == m_bytes)
        return true;
    if (!Replace(replacement, error))
        return false;
    m_file = copy;
    return true;
}
