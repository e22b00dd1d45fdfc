#include "Mp4Tags.h"

#include "CResourceModule.h"
#include "ResourceIds.h"

#include <taglib/mp4file.h>
#include <taglib/mp4item.h>
#include <taglib/mp4tag.h>
#include <taglib/tbytevectorstream.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString Text(int id) {
    return CurrentResources().String(id);
}

// The item of each column as stored: the atom types are Latin-1, as field names are shown.
// (octal escapes: "\xa9" would run on into the hex digits of "alb").
constexpr const char* kAtoms[kTagColumnCount] = {
    "\251alb", "\251ART", "\251nam", "\251day", "\251wrt", "----:com.apple.iTunes:ORIGINALARTIST", "\251cmt"};

quint64 Be(const QByteArray& bytes, qsizetype at, int size) {
    quint64 value = 0;
    for (int i = 0; i < size; ++i)
        value = value << 8 | uchar(bytes[at + i]);
    return value;
}

struct SAtom {
    QByteArray type;
    qsizetype at = 0;
    qsizetype header = 8;
    qsizetype size = 0; // header included
};

enum class EAtom { kOk, kShort, kBad };

// The atom at `at`, which must end by `end`; a size of 0 (up to the end of the file) only `toEnd`.
EAtom AtomAt(const QByteArray& bytes, qsizetype at, qsizetype end, bool toEnd, SAtom& atom) {
    if (end - at < 8)
        return EAtom::kShort;
    atom.at = at;
    atom.type = bytes.mid(at + 4, 4);
    atom.header = 8;
    quint64 size = Be(bytes, at, 4);
    if (size == 1) {
        if (end - at < 16)
            return EAtom::kShort;
        size = Be(bytes, at + 8, 8);
        atom.header = 16;
    } else if (size == 0) {
        if (!toEnd)
            return EAtom::kBad;
        size = quint64(end - at);
    }
    if (size < quint64(atom.header))
        return EAtom::kBad;
    if (size > quint64(end - at))
        return EAtom::kShort;
    atom.size = qsizetype(size);
    return EAtom::kOk;
}

QString Shown(const QByteArray& path) {
    return QString::fromLatin1(path);
}

bool ParseItems(const QByteArray& bytes, qsizetype from, qsizetype end, SMp4File& out, QString& error) {
    for (qsizetype at = from; at < end;) {
        SAtom atom;
        if (AtomAt(bytes, at, end, false, atom) != EAtom::kOk) {
            error = Text(1313).arg(QStringLiteral("ilst"));
            return false;
        }
        SMp4Item item;
        item.atom = bytes.mid(at, atom.size);
        QByteArray mean;
        QByteArray name;
        for (qsizetype inner = at + atom.header; inner < at + atom.size;) {
            SAtom child;
            const bool whole = AtomAt(bytes, inner, at + atom.size, false, child) == EAtom::kOk;
            const qsizetype least = child.type == "data"                           ? 8
                                    : child.type == "mean" || child.type == "name" ? 4
                                                                                   : 0;
            if (!whole || child.size - child.header < least) {
                error = Text(1313).arg(Shown(atom.type));
                return false;
            }
            const qsizetype body = inner + child.header;
            const qsizetype length = child.size - child.header;
            if (child.type == "data") {
                // Version 0 and the well-known type 1, UTF-8 text; the four bytes after are the locale.
                if (Be(bytes, body, 4) == 1)
                    item.texts.push_back(bytes.mid(body + 8, length - 8));
                else
                    item.onlyTexts = false;
            } else if (atom.type == "----" && child.type == "mean") {
                mean = bytes.mid(body + 4, length - 4);
            } else if (atom.type == "----" && child.type == "name") {
                name = bytes.mid(body + 4, length - 4);
            } else {
                item.onlyTexts = false;
            }
            inner += child.size;
        }
        item.name = atom.type == "----" ? "----:" + mean + ':' + name : atom.type;
        out.items.push_back(std::move(item));
        at += atom.size;
    }
    return true;
}

// The atoms of moov from `from` to `end` under `path`: the tables and descriptions a rewrite must
// keep, the chunk offsets it must move, and the items.
bool ParseMoov(const QByteArray& bytes, qsizetype from, qsizetype end, const QByteArray& path, SMp4File& out,
               QString& error) {
    for (qsizetype at = from; at < end;) {
        SAtom atom;
        if (AtomAt(bytes, at, end, false, atom) != EAtom::kOk) {
            error = Text(1313).arg(Shown(path));
            return false;
        }
        const QByteArray inner = path + '/' + atom.type;
        const qsizetype body = at + atom.header;
        const qsizetype next = at + atom.size;
        const bool tags = path == "moov/udta" || path == "moov/udta/meta";
        if (atom.type == "mvex") {
            error = Text(kStrMp4Fragmented);
            return false;
        }
        // Containers nest no deeper than moov/trak/mdia/minf/stbl in a file a rewrite can keep.
        if (path.count('/') > 8) {
            error = Text(1313).arg(Shown(inner));
            return false;
        }
        if (atom.type == "trak" || atom.type == "mdia" || atom.type == "minf" || atom.type == "stbl" ||
            atom.type == "edts" || atom.type == "dinf" || inner == "moov/udta") {
            if (!ParseMoov(bytes, body, next, inner, out, error))
                return false;
        } else if (inner == "moov/udta/meta") {
            // A full atom: version and flags before its children.
            if (next - body < 4) {
                error = Text(1313).arg(Shown(inner));
                return false;
            }
            out.inMoov.push_back({inner, body, 4});
            if (!ParseMoov(bytes, body + 4, next, inner, out, error))
                return false;
        } else if (inner == "moov/udta/meta/ilst") {
            if (out.hasTag) {
                error = Text(1313).arg(Shown(inner));
                return false;
            }
            out.hasTag = true;
            if (!ParseItems(bytes, body, next, out, error))
                return false;
        } else if (tags && (atom.type == "free" || atom.type == "skip")) {
            // Padding of the item list, which TagLib takes or adds as the list grows or shrinks.
        } else if (atom.type == "stco" || atom.type == "co64") {
            const int width = atom.type == "stco" ? 4 : 8;
            const qsizetype count = next - body >= 8 ? qsizetype(Be(bytes, body + 4, 4)) : -1;
            if (count < 0 || (next - body - 8) / width < count) {
                error = Text(1313).arg(Shown(inner));
                return false;
            }
            std::vector<quint64> offsets;
            for (qsizetype i = 0; i < count; ++i)
                offsets.push_back(Be(bytes, body + 8 + i * width, width));
            out.chunkOffsets.push_back(std::move(offsets));
            // The table's header and what may follow its entries are kept as they are.
            out.inMoov.push_back({inner, at, atom.header + 8});
            out.inMoov.push_back({inner + "+", body + 8 + count * width, next - body - 8 - count * width});
        } else {
            out.inMoov.push_back({inner, at, atom.size});
        }
        at = next;
    }
    return true;
}

TagLib::String KeyOf(int column) {
    return TagLib::String(kAtoms[column - 1], TagLib::String::Latin1);
}

// The items by name, in the file's order: TagLib keeps them in a map of its own order.
std::map<QByteArray, std::vector<const SMp4Item*>> ItemMap(const SMp4File& file) {
    std::map<QByteArray, std::vector<const SMp4Item*>> map;
    for (const SMp4Item& item : file.items)
        map[item.name].push_back(&item);
    return map;
}

QByteArrayView Slice(const QByteArray& bytes, const SMp4Part& part) {
    return QByteArrayView(bytes).sliced(part.at, part.size);
}

} // namespace

bool IsMp4Name(const QByteArray& name) {
    return HasExtension(name, {".m4a", ".m4b"});
}

const char* Mp4FieldOf(int column) {
    return column >= 1 && column <= kTagColumnCount ? kAtoms[column - 1] : "";
}

bool ParseMp4File(const QByteArray& bytes, SMp4File& out, QString& error, bool head) {
    out = SMp4File();
    if (bytes.size() < 8 || bytes.mid(4, 4) != "ftyp") {
        error = Text(kStrNotMp4);
        return false;
    }
    out.isMp4 = true;
    bool moov = false;
    for (qsizetype at = 0; at < bytes.size();) {
        SAtom atom;
        const EAtom got = AtomAt(bytes, at, bytes.size(), true, atom);
        if (got == EAtom::kShort) {
            // The first bytes of a file end anywhere: moov read whole is enough.
            if (head && moov)
                return true;
            error = Text(kStrTagCutShort);
            return false;
        }
        if (got == EAtom::kBad || (atom.type == "moov" && moov)) {
            error = Text(1313).arg(Shown(atom.type));
            return false;
        }
        if (atom.type == "moof") {
            error = Text(kStrMp4Fragmented);
            return false;
        }
        if (atom.type == "moov") {
            moov = true;
            if (!ParseMoov(bytes, at + atom.header, at + atom.size, "moov", out, error))
                return false;
        } else if (atom.type != "free" && atom.type != "skip") {
            out.kept.push_back({atom.type, at, atom.size});
        }
        at += atom.size;
    }
    if (!moov) {
        error = Text(kStrTagCutShort);
        return false;
    }
    return true;
}

CMp4Tag::CMp4Tag(const QByteArray& path) : CFileTag(path) {
    if (!m_regular)
        return;
    const int fd = ::open(m_path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    struct stat opened {};
    if (fd < 0 || ::fstat(fd, &opened) != 0) {
        m_readError = Text(1312) + QStringLiteral(": ") + SystemReason(errno);
        if (fd >= 0)
            ::close(fd);
        return;
    }
    ReadMoov(fd, opened.st_size);
    ::close(fd);
    if (m_readError.isEmpty())
        m_stamp = StampOf(opened);
}

// Encoders often write moov after the audio: rather than the file's first bytes, the top-level
// atoms' heads are read, and then ftyp and moov whole, as if they were the first bytes.
void CMp4Tag::ReadMoov(int fd, off_t size) {
    auto failed = [&] {
        m_readError = Text(1312) + QStringLiteral(": ") + SystemReason(errno ? errno : EIO);
    };
    if (size <= 64 * 1024) {
        m_whole = true;
        if (ReadWholeFile(fd, m_bytes, m_readError))
            Parse(true, m_damage);
        return;
    }
    off_t moovAt = -1;
    off_t moovSize = 0;
    off_t firstSize = 0;
    QByteArray head;
    int count = 0;
    for (off_t at = 0; at < size; ++count) {
        if (!ReadAt(fd, at, qsizetype(std::min<off_t>(16, size - at)), head))
            return failed();
        if (at == 0 && (head.size() < 8 || head.mid(4, 4) != "ftyp")) {
            m_damage = Text(kStrNotMp4);
            return;
        }
        const QByteArray type = head.mid(4, 4);
        quint64 length = head.size() < 8 ? 0 : Be(head, 0, 4);
        quint64 header = 8;
        if (length == 1) {
            length = head.size() < 16 ? 0 : Be(head, 8, 8);
            header = 16;
        } else if (length == 0 && head.size() >= 8) {
            length = quint64(size - at); // up to the end of the file
        }
        if (head.size() < 8 || length == 0 || length > quint64(size - at)) {
            m_damage = Text(kStrTagCutShort);
            return;
        }
        if (length < header || count > 100000) {
            m_damage = Text(1313).arg(Shown(type));
            return;
        }
        if (type == "moof") {
            m_damage = Text(kStrMp4Fragmented);
            return;
        }
        if (type == "moov") {
            if (moovAt >= 0 || off_t(length) > kLargestTagCopy) {
                m_damage = Text(1313).arg(QStringLiteral("moov"));
                return;
            }
            moovAt = at;
            moovSize = off_t(length);
        }
        if (at == 0)
            firstSize = off_t(length);
        at += off_t(length);
    }
    if (moovAt < 0) {
        m_damage = Text(kStrTagCutShort);
        return;
    }
    QByteArray moov;
    if (firstSize > 1024 * 1024) {
        m_damage = Text(1313).arg(QStringLiteral("ftyp"));
        return;
    }
    if (!ReadAt(fd, 0, qsizetype(firstSize), m_bytes) || !ReadAt(fd, moovAt, qsizetype(moovSize), moov))
        return failed();
    m_bytes += moov;
    Parse(false, m_damage);
}

bool CMp4Tag::Parse(bool whole, QString& error) {
    // The head is ftyp and moov (ReadMoov), the file's first bytes only when moov follows ftyp.
    return ParseMp4File(m_bytes, m_file, error, !whole);
}

std::vector<QByteArray> CMp4Tag::Values(int column) const {
    std::vector<QByteArray> values;
    if (column < 1 || column > kTagColumnCount)
        return values;
    for (const SMp4Item& item : m_file.items) {
        if (item.name == kAtoms[column - 1])
            values.insert(values.end(), item.texts.begin(), item.texts.end());
    }
    return values;
}

bool CMp4Tag::Update(QString& error, bool trial) {
    if (!ReadyToRewrite(error, QStringLiteral("MP4")))
        return false;
    auto refuse = [&](const QString& why) {
        error = why;
        return false;
    };
    if (!HasTag())
        return refuse(Text(1309));
    // TagLib writes into a copy in memory; the file is touched only by the verified replace below.
    TagLib::ByteVector data(m_bytes.constData(), unsigned(m_bytes.size()));
    TagLib::ByteVectorStream stream(data);
    auto file = std::make_unique<TagLib::MP4::File>(&stream, false);
    TagLib::MP4::Tag* tag = file->isValid() ? file->tag() : nullptr;
    if (tag == nullptr)
        return refuse(Text(1309));
    std::map<QByteArray, std::vector<QByteArray>> set;
    for (int column = 1; column <= kTagColumnCount; ++column) {
        const std::optional<QStringList>& values = m_set[std::size_t(column - 1)];
        if (!values)
            continue;
        std::vector<QByteArray>& expected = set[kAtoms[column - 1]];
        TagLib::StringList list;
        for (const QString& value : *values) {
            list.append(TagLib::String(value.toUtf8().toStdString(), TagLib::String::UTF8));
            expected.push_back(value.toUtf8());
        }
        tag->removeItem(KeyOf(column));
        if (!values->isEmpty())
            tag->setItem(KeyOf(column), TagLib::MP4::Item(list));
    }
    if (!file->save())
        return refuse(Text(1309));
    file.reset();
    const QByteArray replacement(stream.data()->data(), qsizetype(stream.data()->size()));

    // The copy must keep everything but the items set: TagLib re-renders every item it parsed.
    SMp4File copy;
    QString why;
    if (!ParseMp4File(replacement, copy, why) || !copy.hasTag)
        return refuse(why.isEmpty() ? Text(1309) : why);
    if (copy.kept.size() != m_file.kept.size() || copy.inMoov.size() != m_file.inMoov.size() ||
        copy.chunkOffsets.size() != m_file.chunkOffsets.size())
        return refuse(Text(1313).arg(QStringLiteral("moov")));
    for (std::size_t i = 0; i < copy.kept.size(); ++i) {
        if (copy.kept[i].path != m_file.kept[i].path ||
            Slice(replacement, copy.kept[i]) != Slice(m_bytes, m_file.kept[i]))
            return refuse(m_file.kept[i].path == "mdat" ? Text(1316)
                                                        : Text(1313).arg(Shown(m_file.kept[i].path)));
    }
    for (std::size_t i = 0; i < copy.inMoov.size(); ++i) {
        if (copy.inMoov[i].path != m_file.inMoov[i].path ||
            Slice(replacement, copy.inMoov[i]) != Slice(m_bytes, m_file.inMoov[i]))
            return refuse(Text(1313).arg(Shown(m_file.inMoov[i].path)));
    }
    // Each chunk offset must point into the same atom, at the same place in it, as before: moved by
    // as much as that atom moved. One that points outside every kept atom cannot be checked.
    for (std::size_t table = 0; table < copy.chunkOffsets.size(); ++table) {
        const std::vector<quint64>& before = m_file.chunkOffsets[table];
        const std::vector<quint64>& after = copy.chunkOffsets[table];
        if (before.size() != after.size())
            return refuse(Text(1313).arg(QStringLiteral("stco")));
        for (std::size_t i = 0; i < before.size(); ++i) {
            bool moved = false;
            for (std::size_t atom = 0; atom < m_file.kept.size() && !moved; ++atom) {
                const SMp4Part& old = m_file.kept[atom];
                if (before[i] >= quint64(old.at) && before[i] < quint64(old.at + old.size))
                    moved = after[i] == before[i] - quint64(old.at) + quint64(copy.kept[atom].at);
            }
            if (!moved)
                return refuse(Text(1316));
        }
    }
    const auto was = ItemMap(m_file);
    const auto now = ItemMap(copy);
    // An item set holds texts only: one that also held data of another kind would lose it.
    for (const auto& [name, values] : set) {
        const auto found = was.find(name);
        for (std::size_t i = 0; found != was.end() && i < found->second.size(); ++i) {
            if (!found->second[i]->onlyTexts)
                return refuse(Text(1313).arg(Shown(name)));
        }
    }
    for (const auto& [name, items] : was) {
        if (set.count(name) != 0)
            continue;
        const auto found = now.find(name);
        bool same = found != now.end() && found->second.size() == items.size();
        for (std::size_t i = 0; same && i < items.size(); ++i)
            same = found->second[i]->atom == items[i]->atom;
        if (!same)
            return refuse(Text(1313).arg(Shown(name)));
    }
    for (const auto& [name, items] : now) {
        const auto expected = set.find(name);
        if (expected == set.end()) {
            if (was.count(name) == 0)
                return refuse(Text(1313).arg(Shown(name)));
            continue;
        }
        if (items.size() != 1 || !items[0]->onlyTexts || items[0]->texts != expected->second)
            return refuse(Text(1313).arg(Shown(name)));
    }
    for (const auto& [name, values] : set) {
        if (!values.empty() && now.count(name) == 0)
            return refuse(Text(1313).arg(Shown(name)));
    }
    if (trial || replacement == m_bytes)
        return true;
    if (!Replace(replacement, error))
        return false;
    m_file = copy;
    return true;
}
