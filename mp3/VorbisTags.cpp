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

const QString kValueSeparator = QStringLiteral(" / ");

constexpr off_t kLargestCopy = off_t(1) << 30;

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

bool ValidUtf8(const QByteArray& bytes, QString& text) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    text = decoder(bytes);
    return !decoder.hasError();
}

// Latin-1 letters standing for every letter, or nearly: 8-bit Russian that was read as Latin-1 on
// its way into UTF-8. A Latin text with a few accents ("Café") is taken as it is.
bool LooksReadAsLatin1(const QString& text) {
    int high = 0;
    int letters = 0;
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return false;
        if (c.unicode() >= 0x80 && c.unicode() < 0xA0)
            ++high; // C1 controls: UTF-8 read as Latin-1
        if (c.isLetter()) {
            ++letters;
            high += c.unicode() >= 0x80;
        }
    }
    return high > 0 && high * 4 >= letters * 3;
}

// One value read: UTF-8 as it should be, 8-bit bytes by the reading rule, and text that went
// through a wrong reading on its way repaired. *damaged when the stored bytes are not the text.
SFrameText ReadValue(const QByteArray& bytes, ReadAs readAs, bool& damaged) {
    damaged = false;
    QString text;
    if (!ValidUtf8(bytes, text)) {
        damaged = true;
        return DecodeFrameBytes(bytes, readAs);
    }
    text = text.normalized(QString::NormalizationForm_C);
    if (readAs.onUtf8 && readAs.encoding) {
        damaged = true;
        return DecodeFrameBytes(LooksReadAsLatin1(text) ? text.toLatin1() : bytes, readAs);
    }
    if (LooksReadAsLatin1(text)) {
        SFrameText read = DecodeFrameBytes(text.toLatin1(), readAs);
        if (read.code == kCodeRussian) {
            damaged = true;
            read.encoding = "Latin-1 in UTF-8";
            return read;
        }
    }
    SFrameText result;
    result.repaired = RepairShortText(text);
    damaged = result.repaired;
    result.text = text;
    result.code = CodeOfUnicodeText(text);
    result.encoding = "UTF-8";
    bool ascii = true;
    for (const char c : bytes)
        ascii = ascii && uchar(c) < 0x80;
    if (!ascii)
        result.readIn = QStringLiteral("UTF-8");
    if (result.repaired)
        result.readIn += QStringLiteral(" (%1)").arg(Text(kStrRepaired));
    return result;
}

TagLib::String ToTagLib(const QString& text) {
    return TagLib::String(text.toUtf8().toStdString(), TagLib::String::UTF8);
}

} // namespace

bool IsVorbisName(const QByteArray& name) {
    const QByteArray lower = name.toLower();
    for (const char* extension : {".flac", ".ogg", ".oga", ".opus"}) {
        if (lower.size() > qsizetype(qstrlen(extension)) && lower.endsWith(extension))
            return true;
    }
    return false;
}

const char* VorbisFieldOf(int column) {
    return column >= 1 && column <= kTagColumnCount ? kFields[column - 1] : "";
}

bool ParseVorbisFile(const QByteArray& bytes, SVorbisFile& out, QString& error, bool head) {
    out = SVorbisFile();
    return bytes.startsWith("OggS") ? ParseOgg(bytes, out, error, head) : ParseFlac(bytes, out, error);
}

bool ReadWholeFile(int fd, QByteArray& bytes, QString& error) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !ReadAt(fd, 0, qsizetype(info.st_size), bytes)) {
        error = Text(1312) + QStringLiteral(": ") + SystemReason(errno ? errno : EIO);
        return false;
    }
    return true;
}

bool ReplaceWholeFile(const QByteArray& path, const SFileStamp& stamp, const QByteArray& replacement,
                      QString& error) {
    auto write = [&](int fd, QString& why) {
        if (WriteAll(fd, replacement.constData(), replacement.size()))
            return true;
        why = Text(1307) + QStringLiteral(": ") + SystemReason(errno);
        return false;
    };
    auto verify = [&](int fd, QString& why) {
        // The copy is read back from the disk, not trusted from memory.
        QByteArray copy;
        if (ReadWholeFile(fd, copy, why) && copy == replacement)
            return true;
        why = Text(1309);
        return false;
    };
    return ReplaceFileVerified(path, &stamp, write, verify, error);
}

CVorbisTag::CVorbisTag(const QByteArray& path) : m_path(path) {
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0)
        return;
    m_link = S_ISLNK(info.st_mode);
    if (!S_ISREG(info.st_mode))
        return;
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        m_readError = Text(1312) + QStringLiteral(": ") + SystemReason(errno);
        return;
    }
    // Reading a tag costs its first bytes, not the whole file; a write reads the rest. Metadata
    // longer than those (a cover picture, say) is read in steps that grow fourfold.
    struct stat opened {};
    bool read = ::fstat(fd, &opened) == 0;
    for (qsizetype head = 64 * 1024; read; head *= 4) {
        m_whole = opened.st_size <= head;
        read = m_whole ? ReadWholeFile(fd, m_bytes, m_readError) : ReadAt(fd, 0, head, m_bytes);
        m_damage.clear();
        if (read && (ParseVorbisFile(m_bytes, m_file, m_damage, !m_whole) || m_whole))
            break;
    }
    ::close(fd);
    if (!read) {
        if (m_readError.isEmpty())
            m_readError = Text(1312) + QStringLiteral(": ") + SystemReason(errno);
        return;
    }
    m_stamp = StampOf(opened);
}

bool CVorbisTag::ReadColumn(int column, SFrameText& out, ReadAs readAs) const {
    out = SFrameText();
    QStringList texts;
    for (const auto& [name, value] : m_file.comment.fields) {
        if (qstricmp(name.constData(), VorbisFieldOf(column)) != 0)
            continue;
        bool damaged = false;
        const SFrameText read = ReadValue(value, readAs, damaged);
        texts << read.text;
        out.code = std::max(out.code, read.code);
        if (texts.size() == 1 || damaged)
            out.encoding = read.encoding;
        if (!read.readIn.isEmpty())
            out.readIn = read.readIn;
        out.repaired = out.repaired || read.repaired;
    }
    out.text = texts.join(kValueSeparator);
    return !texts.isEmpty();
}

bool CVorbisTag::CyrillicOf(int column, QString& cyrillic, ReadAs readAs) const {
    SFrameText text;
    if (!ReadColumn(column, text, readAs) || text.code != kCodeRussian)
        return false;
    bool anyDamaged = false;
    for (const auto& [name, value] : m_file.comment.fields) {
        bool damaged = false;
        if (qstricmp(name.constData(), VorbisFieldOf(column)) == 0)
            ReadValue(value, readAs, damaged);
        anyDamaged = anyDamaged || damaged;
    }
    if (!anyDamaged)
        return false;
    cyrillic = text.text;
    return true;
}

void CVorbisTag::SetColumn(int column, const QString& text) {
    qsizetype count = 0;
    for (const auto& field : m_file.comment.fields)
        count += qstricmp(field.first.constData(), VorbisFieldOf(column)) == 0;
    QStringList values = text.split(kValueSeparator);
    if (count < 2 || values.size() != count)
        values = QStringList{text};
    if (text.isEmpty())
        values.clear();
    m_set[std::size_t(column - 1)] = values;
}

bool CVorbisTag::Update(QString& error, bool trial) {
    if (!m_readError.isEmpty() || !m_damage.isEmpty() || !HasTag()) {
        error = !m_readError.isEmpty() ? m_readError : !m_damage.isEmpty() ? m_damage : Text(1309);
        return false;
    }
    // The copy is made in memory, several times over, and TagLib counts its bytes in 32 bits.
    if (m_stamp.size > kLargestCopy) {
        error = Text(1313).arg(m_file.kind == SVorbisFile::EKind::kFlac ? QStringLiteral("FLAC")
                                                                        : QStringLiteral("Ogg"));
        return false;
    }
    if (!m_whole) {
        // The rest of the very file that was read, and all of it parsed.
        const int fd = ::open(m_path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        struct stat info {};
        if (fd < 0) {
            error = Text(1312) + QStringLiteral(": ") + SystemReason(errno);
            return false;
        }
        const bool same = ::fstat(fd, &info) == 0 && StampOf(info) == m_stamp;
        const bool read = same && ReadWholeFile(fd, m_bytes, error);
        ::close(fd);
        if (!same)
            error = Text(1302);
        if (!read)
            return false;
        m_whole = true;
        if (!ParseVorbisFile(m_bytes, m_file, error))
            return false;
    }
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
    if (!JournalFileRewrite(m_path, m_bytes, replacement, error) ||
        !ReplaceWholeFile(m_path, m_stamp, replacement, error))
        return false;
    m_bytes = replacement;
    m_file = copy;
    m_set = {};
    return true;
}

ERowResult VorbisRewriteRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                            const ILatinSpelling* spelling, QString* reason, ReadAs readAs, bool trial) {
    QByteArray path = folder;
    if (!path.isEmpty() && !path.endsWith('/'))
        path += '/';
    CVorbisTag tag(path + name);
    auto fail = [&](const QString& why) {
        if (reason != nullptr)
            *reason = why;
        grid.SetCellCode(row, 0, kCodeNotWritten);
        return ERowResult::kFailed;
    };
    if (tag.IsLink()) {
        if (reason != nullptr)
            *reason = Text(1300);
        return ERowResult::kLink;
    }
    if (!tag.ReadError().isEmpty())
        return fail(tag.ReadError());
    if (!tag.Damage().isEmpty())
        return fail(tag.Damage());
    if (!tag.HasTag()) {
        if (::access((path + name).constData(), F_OK) != 0)
            return fail(Text(1304) + QStringLiteral(": ") + SystemReason(errno));
        return ERowResult::kNoTag;
    }
    std::vector<std::pair<int, QString>> results;
    for (int column = 1; column <= kTagColumnCount; ++column) {
        if (grid.CellCode(row, column) == kCodePlain)
            continue;
        SFrameText text;
        // A cell that no longer shows what the file holds is not overwritten from the file.
        if (!tag.ReadColumn(column, text, readAs) || text.code != kCodeRussian ||
            text.text != grid.CellText(row, column))
            continue;
        QString result;
        if (spelling != nullptr) {
            std::u16string latin = text.text.toStdU16String();
            spelling->ToLatin(latin);
            result = QString::fromStdU16String(latin);
        } else if (!tag.CyrillicOf(column, result, readAs)) {
            continue;
        }
        tag.SetColumn(column, result);
        results.emplace_back(column, result);
    }
    if (results.empty())
        return ERowResult::kUnchanged;
    QString why;
    if (!tag.Update(why, trial))
        return fail(why);
    for (const auto& [column, text] : results)
        grid.SetCellText(row, column, text);
    if (grid.CellCode(row, 0) == kCodeNotWritten)
        grid.SetCellCode(row, 0, kCodePlain);
    return ERowResult::kWritten;
}

ERowResult VorbisReadRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                         ReadAs readAs, QString* readIn, bool cyrillic) {
    for (int column = 1; column <= kTagColumnCount; ++column) {
        grid.SetCellText(row, column, QString());
        grid.SetCellCode(row, column, kCodePlain);
    }
    if (readIn)
        readIn->clear();
    const CVorbisTag tag(folder + (folder.isEmpty() || folder.endsWith('/') ? "" : "/") + name);
    auto refused = [&](int code, const QString& why, ERowResult result) {
        grid.SetCellCode(row, 0, code);
        grid.SetCellText(row, 1, why);
        return result;
    };
    if (tag.IsLink())
        return refused(kCodeRussian, Text(1300), ERowResult::kLink);
    if (!tag.ReadError().isEmpty())
        return refused(kCodeNotWritten, tag.ReadError(), ERowResult::kUnreadable);
    // Never written, as an MP3 file whose tag runs past its end.
    if (!tag.Damage().isEmpty())
        return refused(kCodeNotWritten, tag.Damage(), ERowResult::kCutShort);
    if (!tag.HasTag()) {
        grid.SetCellCode(row, 0, kCodeRussian);
        return ERowResult::kNoTag;
    }
    grid.SetCellCode(row, 0, kCodePlain);
    QStringList encodings;
    for (int column = 1; column <= kTagColumnCount; ++column) {
        SFrameText read;
        if (!tag.ReadColumn(column, read, readAs))
            continue;
        QString unused;
        grid.SetCellText(row, column, read.text);
        grid.SetCellCode(row, column,
                         cyrillic && read.code == kCodeRussian && !tag.CyrillicOf(column, unused, readAs)
                             ? int(kCodePlain)
                             : read.code);
        if (!read.readIn.isEmpty() && !encodings.contains(read.readIn))
            encodings << read.readIn;
    }
    if (readIn)
        *readIn = encodings.join(QStringLiteral(", "));
    return ERowResult::kUnchanged;
}

ERowResult VorbisWriteRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                          QString* reason, ReadAs readAs) {
    const QByteArray path = folder + (folder.isEmpty() || folder.endsWith('/') ? "" : "/") + name;
    CVorbisTag tag(path);
    auto fail = [&](const QString& why) {
        if (reason != nullptr)
            *reason = why;
        VorbisReadRow(folder, name, grid, row, readAs);
        grid.SetCellCode(row, 0, kCodeNotWritten);
        return ERowResult::kFailed;
    };
    if (tag.IsLink()) {
        if (reason != nullptr)
            *reason = Text(1300);
        return ERowResult::kLink;
    }
    if (!tag.ReadError().isEmpty())
        return fail(tag.ReadError());
    if (!tag.Damage().isEmpty())
        return fail(tag.Damage());
    if (!tag.HasTag()) {
        if (::access(path.constData(), F_OK) != 0)
            return fail(Text(1304) + QStringLiteral(": ") + SystemReason(errno));
        return ERowResult::kNoTag;
    }
    bool changed = false;
    for (int column = 1; column <= kTagColumnCount; ++column) {
        SFrameText text;
        const bool present = tag.ReadColumn(column, text, readAs);
        const QString cell = grid.CellText(row, column);
        // A text the user left as it was shown is not rewritten; an empty one removes the field.
        if (present ? cell == text.text : cell.isEmpty())
            continue;
        tag.SetColumn(column, cell);
        changed = true;
    }
    if (changed) {
        QString why;
        if (!tag.Update(why))
            return fail(why);
    }
    if (grid.CellCode(row, 0) == kCodeNotWritten)
        grid.SetCellCode(row, 0, kCodePlain);
    return changed ? ERowResult::kWritten : ERowResult::kUnchanged;
}

bool IsTagFileName(const QByteArray& name) {
    return IsMp3Name(name) || IsVorbisName(name);
}

ERowResult ReadTagRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                      ReadAs readAs, QString* readIn, bool cyrillic) {
    return IsVorbisName(name) ? VorbisReadRow(folder, name, grid, row, readAs, readIn, cyrillic)
                              : ReadRow(folder, name, grid, row, readAs, readIn, cyrillic);
}

ERowResult RewriteTagRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                         const ILatinSpelling* spelling, QString* reason, ReadAs readAs) {
    if (IsVorbisName(name))
        return VorbisRewriteRow(folder, name, grid, row, spelling, reason, readAs);
    return spelling != nullptr ? TransliterateRow(folder, name, grid, row, *spelling, reason, readAs)
                               : CyrillicRow(folder, name, grid, row, reason, readAs);
}

ERowResult WriteTagRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                       QString* reason, ReadAs readAs) {
    return IsVorbisName(name) ? VorbisWriteRow(folder, name, grid, row, reason, readAs)
                              : WriteRow(folder, name, grid, row, reason);
}
