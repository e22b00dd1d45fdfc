#include "PlaylistLinks.h"

#include "CResourceModule.h"
#include "FolderFd.h"
#include "ResourceIds.h"

#include <QByteArrayList>
#include <QCryptographicHash>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Playlists are small; a bigger file is not one, and its old bytes would swell the journal.
constexpr off_t kMaxPlaylistBytes = 4 << 20;

QByteArray Join(const QByteArray& folder, const QByteArray& name) {
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

QByteArray Parent(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray() : path.left(slash);
}

QByteArray Digest(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

bool ReadRegular(int folderFd, const QByteArray& name, QByteArray& bytes, struct stat& info, QString& why) {
    const CFd fd(openat(folderFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0 || fstat(fd.get(), &info) != 0) {
        why = SystemReason(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        why = CurrentResources().String(kStrNotRegularFile);
        return false;
    }
    if (info.st_size > kMaxPlaylistBytes) {
        why = CurrentResources().String(kStrPlaylistTooBig).arg(kMaxPlaylistBytes >> 20);
        return false;
    }
    if (!ReadAt(fd.get(), 0, qsizetype(info.st_size), bytes)) {
        why = SystemReason(errno);
        return false;
    }
    return true;
}

// Writes `bytes` over folder/name by the verified replace, the copy read back and compared.
bool Replace(int folderFd, const QByteArray& name, const SFileStamp& stamp, const QByteArray& bytes,
             QString& error) {
    const QByteArray path = "/proc/self/fd/" + QByteArray::number(folderFd) + '/' + name;
    return ReplaceFileVerified(
        path, &stamp,
        [&](int fd, QString& why) {
            if (WriteAll(fd, bytes.constData(), bytes.size()))
                return true;
            why = SystemReason(errno);
            return false;
        },
        [&](int fd, QString& why) {
            QByteArray back;
            struct stat info {};
            if (fstat(fd, &info) == 0 && info.st_size == bytes.size() && ReadAt(fd, 0, bytes.size(), back) &&
                back == bytes)
                return true;
            why = CurrentResources().String(kStrPlaylistReadBack);
            return false;
        },
        error);
}

bool AppendContent(CJournal& journal, int folderFd, const QByteArray& name, const struct stat& info,
                   const QByteArray& oldBytes, const QByteArray& newBytes, QString& error) {
    std::vector<QByteArray> fields = PlaceFields(PlaceOf(folderFd));
    fields.insert(fields.end(), {name, QByteArray::number(qulonglong(info.st_dev)),
                                 QByteArray::number(qulonglong(info.st_ino)), Digest(newBytes),
                                 Digest(oldBytes), oldBytes.toBase64()});
    QString why;
    if (journal.Append({"content", fields}, &why))
        return true;
    error = CurrentResources().String(kStrJournalFailed).arg(why);
    return false;
}

// One playlist's entries against the renames, line by line on its bytes.
class CPlaylistRewrite {
public:
    CPlaylistRewrite(const QByteArray& folder, const CRenameMap& renames, bool applied, STextFormat format)
        : m_folder(folder), m_renames(renames), m_applied(applied), m_format(format) {}

    // The new bytes; *entries counts those that follow, *refusal says why they cannot.
    QByteArray Run(const QByteArray& bytes, bool cue, int& entries, QString& refusal);

private:
    QByteArray Entry(const QByteArray& entry, bool& changed, QString& refusal) const;
    bool Exists(const QByteArray& original) const {
        struct stat info {};
        return lstat((m_applied ? m_renames.Final(original) : original).constData(), &info) == 0;
    }
    bool Utf8() const { return m_format.encoding == ETextEncoding::kUtf8; }

    QByteArray m_folder;
    const CRenameMap& m_renames;
    bool m_applied;
    STextFormat m_format;
};

QByteArray CPlaylistRewrite::Run(const QByteArray& bytes, bool cue, int& entries, QString& refusal) {
    const qsizetype bom = m_format.bom && bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    QByteArray out = bytes.left(bom);
    qsizetype start = bom;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        end = end < 0 ? bytes.size() : end + 1;
        const QByteArray line = bytes.mid(start, end - start);
        start = end;
        // The entry's bytes within the line: everything around them stays as it is.
        qsizetype from = 0, to = line.size();
        while (to > 0 &&
               (line[to - 1] == '\n' || line[to - 1] == '\r' || line[to - 1] == ' ' || line[to - 1] == '\t'))
            --to;
        while (from < to && (line[from] == ' ' || line[from] == '\t'))
            ++from;
        bool entry = from < to && line[from] != '#';
        if (cue) {
            entry = line.mid(from, 5).toUpper() == "FILE " || line.mid(from, 5).toUpper() == "FILE\t";
            if (entry) {
                from += 5;
                while (from < to && (line[from] == ' ' || line[from] == '\t'))
                    ++from;
                if (from < to && line[from] == '"') {
                    const qsizetype close = line.indexOf('"', from + 1);
                    entry = close > from && close <= to;
                    ++from;
                    to = close;
                } else {
                    // FILE name TYPE: the type is the last word.
                    const qsizetype space =
                        std::max(line.lastIndexOf(' ', to - 1), line.lastIndexOf('\t', to - 1));
                    entry = space > from;
                    to = space;
                }
            }
        }
        // Addresses and Windows paths name nothing here.
        const QByteArray path = line.mid(from, std::max<qsizetype>(to - from, 0));
        if (!entry || path.isEmpty() || path.contains("://") || path.contains('\\')) {
            out += line;
            continue;
        }
        bool changed = false;
        const QByteArray rewritten = Entry(path, changed, refusal);
        if (changed)
            ++entries;
        out += changed ? line.left(from) + rewritten + line.mid(to) : line;
    }
    return out;
}

QByteArray CPlaylistRewrite::Entry(const QByteArray& entry, bool& changed, QString& refusal) const {
    const QList<QByteArray> parts = entry.split('/');
    QByteArray original = entry.startsWith('/') ? QByteArray() : m_folder;
    QList<QByteArray> out;
    QString why;
    for (const QByteArray& part : parts) {
        if (part.isEmpty() || part == ".") {
            out << part;
            continue;
        }
        if (part == "..") {
            original = Parent(original);
            out << part;
            continue;
        }
        // The name on disk: the text in UTF-8, or (a name kept in 8-bit) the very bytes.
        QByteArray name;
        const QByteArray decoded =
            Utf8() ? part
                   : QString::fromStdU16String(
                         DecodeText(reinterpret_cast<const unsigned char*>(part.constData()),
                                    std::size_t(part.size()), m_format))
                         .toUtf8();
        for (const QByteArray& candidate : {decoded, part}) {
            if (name.isEmpty() && Exists(Join(original, candidate)))
                name = candidate;
        }
        if (name.isEmpty()) {
            changed = false; // names nothing that is there: left as it is
            return entry;
        }
        original = Join(original, name);
        const QByteArray now = m_renames.Final(original);
        const QByteArray newName = now.mid(now.lastIndexOf('/') + 1);
        if (newName == name) {
            out << part;
            continue;
        }
        if (Utf8()) {
            changed = true;
            out << newName;
            continue;
        }
        const SEncodedText encoded = EncodeText(QString::fromUtf8(newName).toStdU16String(), m_format);
        if (encoded.lacking > 0 && why.isEmpty())
            why = CurrentResources()
                      .String(kStrPlaylistCannotHold)
                      .arg(QLatin1String(EncodingName(m_format.encoding)),
                           QString::fromStdU16String(encoded.lackingFirst), QString::fromUtf8(newName));
        // An 8-bit name on disk mended into UTF-8 reads the same in an 8-bit playlist: no change.
        const QByteArray bytes = QByteArray::fromStdString(encoded.bytes);
        changed = changed || bytes != part || encoded.lacking > 0;
        out << bytes;
    }
    if (changed && refusal.isEmpty())
        refusal = why;
    return out.join('/');
}

} // namespace

QByteArray CRenameMap::Final(const QByteArray& path) const {
    // The renames in run order, each applied to where the earlier ones took the path: the next one
    // that applies renames the path itself or one of its folders, so it is looked up by those.
    QByteArray now = path;
    std::size_t next = 0;
    for (;;) {
        std::size_t found = m_renames.size();
        qsizetype cut = now.size();
        while (cut > 0) {
            const auto it = m_byOldPath.constFind(QByteArray::fromRawData(now.constData(), cut));
            if (it != m_byOldPath.cend()) {
                const auto at = std::lower_bound(it->begin(), it->end(), next);
                if (at != it->end())
                    found = std::min(found, *at);
            }
            cut = now.lastIndexOf('/', cut - 1);
        }
        if (found == m_renames.size())
            return now;
        const auto& [from, to] = m_renames[found];
        now = to + now.mid(from.size());
        next = found + 1;
    }
}

bool IsPlaylistName(const QByteArray& name) {
    const QByteArray lower = name.toLower();
    return lower.size() > 4 && (lower.endsWith(".m3u") || lower.endsWith(".m3u8") || lower.endsWith(".cue"));
}

SPlaylistUpdate PlanPlaylist(const QByteArray& original, const CRenameMap& renames, bool applied) {
    SPlaylistUpdate update;
    update.original = original;
    update.path = applied ? renames.Final(original) : original;
    const QByteArray name = update.path.mid(update.path.lastIndexOf('/') + 1);
    const CFolderFd folder = OpenFolderPath(FolderOfPath(update.path));
    struct stat info {};
    if (!folder.IsOpen() || !ReadRegular(folder.Fd(), name, update.oldBytes, info, update.refusal)) {
        if (update.refusal.isEmpty())
            update.refusal = SystemReason(errno);
        return update;
    }
    update.read = true;
    update.stamp = StampOf(info);
    const auto* bytes = reinterpret_cast<const unsigned char*>(update.oldBytes.constData());
    const std::size_t size = std::size_t(update.oldBytes.size());
    // An .m3u8 is UTF-8 by its name; the others are read by the rule the editor reads text by.
    if (name.toLower().endsWith(".m3u8"))
        update.format = {ETextEncoding::kUtf8, update.oldBytes.startsWith("\xEF\xBB\xBF")};
    else
        update.format = ChooseTextFormat(bytes, size);
    const bool cue = name.toLower().endsWith(".cue");
    const QByteArray folderBefore = Parent(original);
    if (update.format.encoding == ETextEncoding::kUtf16Le ||
        update.format.encoding == ETextEncoding::kUtf16Be) {
        // Counted on its UTF-8 reading, but never written back from it.
        const QByteArray text = QString::fromStdU16String(DecodeText(bytes, size, update.format)).toUtf8();
        QString ignored;
        CPlaylistRewrite(folderBefore, renames, applied, {}).Run(text, cue, update.entries, ignored);
        update.refusal = CurrentResources()
                             .String(kStrPlaylistUtf16)
                             .arg(QLatin1String(EncodingName(update.format.encoding)));
        return update;
    }
    update.newBytes = CPlaylistRewrite(folderBefore, renames, applied, update.format)
                          .Run(update.oldBytes, cue, update.entries, update.refusal);
    return update;
}

bool WritePlaylist(const SPlaylistUpdate& update, CJournal& journal, QString& error) {
    const QByteArray name = update.path.mid(update.path.lastIndexOf('/') + 1);
    const CFolderFd folder = OpenFolderPath(FolderOfPath(update.path));
    struct stat info {};
    if (!folder.IsOpen() || fstatat(folder.Fd(), name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        error = SystemReason(errno);
        return false;
    }
    if (StampOf(info) != update.stamp) {
        error = CurrentResources().String(kStrChangedSinceRun);
        return false;
    }
    // The folder may have been renamed by the run: it is journalled where it is now.
    NoteRootFolder(folder.Fd());
    return AppendContent(journal, folder.Fd(), name, info, update.oldBytes, update.newBytes, error) &&
           Replace(folder.Fd(), name, update.stamp, update.newBytes, error);
}

SUndoResult UndoContentRecord(const SJournalRecord& record, bool apply) {
    SUndoResult result;
    auto left = [&](const QString& reason) {
        result.status = EUndoStatus::kLeft;
        result.reason = reason;
        return result;
    };
    const CResourceModule& texts = CurrentResources();
    CFolderFd folder;
    QByteArray name;
    struct stat info {};
    // Only the very file the run rewrote; without the done mark, one holding what the run wrote.
    if (!OpenUndoFile(record, "content", 6, result, folder, name, info))
        return result;
    const auto field = [&](std::size_t i) { return record.fields[kPlaceFields + i]; };
    QString why;
    QByteArray now;
    if (!ReadRegular(folder.Fd(), name, now, info, why))
        return left(why);
    const QByteArray old = QByteArray::fromBase64(field(5));
    if (Digest(now) == field(4)) {
        result.status = EUndoStatus::kNothing; // never written, or put back already
        return result;
    }
    if (Digest(now) != field(3) || Digest(old) != field(4))
        return left(texts.String(kStrChangedSinceRun));
    if (!apply) {
        result.status = EUndoStatus::kWouldUndo;
        return result;
    }
    // Putting it back is a rewrite of its own, journalled when the undo has a journal.
    if (CJournal* journal = CurrentJournal();
        journal && !AppendContent(*journal, folder.Fd(), name, info, now, old, why))
        return left(why);
    if (!Replace(folder.Fd(), name, StampOf(info), old, why))
        return left(why);
    result.status = EUndoStatus::kUndone;
    return result;
}
