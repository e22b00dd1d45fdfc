#include "Mp3Batch.h"

#include "CCharTable.h"
#include "CResourceModule.h"
#include "FileTag.h"
#include "Id3Tag.h"
#include "Mp3Tags.h"
#include "RawNames.h"
#include "ResourceIds.h"

#include <QCryptographicHash>

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray Digest(const STagRegions& regions) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(regions.id3v2);
    hash.addData(QByteArray::number(regions.id3v2.size()));
    hash.addData(regions.id3v1);
    return hash.result().toHex();
}

constexpr qsizetype kWindow = 16;
constexpr qsizetype kNear = 64 * 1024;
// Searches of the new tag for a piece of the old: bounded, so that a tag rewritten whole costs
// its bytes in the journal rather than time.
constexpr qint64 kSearchBudget = qint64(256) << 20;

// The old ID3v2 region as pieces of the new one ("c<offset>+<length>") and bytes of its own
// ("x<hex>"), comma-separated: frames the rewrite carried over, a cover picture say, cost nothing.
QByteArray DescribeAgainst(const QByteArray& old, const QByteArray& now, qint64 budget = kSearchBudget) {
    QByteArray out;
    QByteArray literal;
    auto flush = [&] {
        if (!literal.isEmpty())
            out += (out.isEmpty() ? "x" : ",x") + literal.toHex();
        literal.clear();
    };
    qsizetype delta = 0;
    qsizetype i = 0;
    while (i < old.size()) {
        qsizetype j = -1;
        if (i + kWindow <= old.size()) {
            const QByteArrayView window(old.constData() + i, kWindow);
            if (i + delta >= 0 && i + delta + kWindow <= now.size() &&
                QByteArrayView(now.constData() + i + delta, kWindow) == window)
                j = i + delta;
            else if (literal.size() % kWindow == 0) {
                // Near where the last piece was first (a frame that grew shifts the rest a little),
                // then anywhere while the budget lasts.
                const qsizetype from = std::clamp<qsizetype>(i + delta - kNear, 0, now.size());
                const qsizetype to = std::clamp<qsizetype>(i + delta + kNear + kWindow, 0, now.size());
                j = QByteArrayView(now.constData() + from, to - from).indexOf(window);
                j = j < 0 ? -1 : from + j;
                if (j < 0 && budget > 0) {
                    budget -= now.size() + 1;
                    j = now.indexOf(window);
                }
            }
        }
        if (j < 0) {
            literal += old[i++];
            continue;
        }
        flush();
        qsizetype length = kWindow;
        while (i + length < old.size() && j + length < now.size() && old[i + length] == now[j + length])
            ++length;
        out += (out.isEmpty() ? "c" : ",c") + QByteArray::number(j) + '+' + QByteArray::number(length);
        delta = j - i;
        i += length;
    }
    flush();
    return out;
}

// The old region back from its description; false when the description does not fit `now`.
bool RebuildFrom(const QByteArray& description, const QByteArray& now, QByteArray& old) {
    old.clear();
    if (description.isEmpty())
        return true;
    for (const QByteArray& piece : description.split(',')) {
        if (piece.startsWith('x')) {
            const QByteArray hex = piece.mid(1);
            const QByteArray bytes = QByteArray::fromHex(hex);
            if (bytes.size() * 2 != hex.size())
                return false;
            old += bytes;
        } else if (piece.startsWith('c')) {
            const qsizetype plus = piece.indexOf('+');
            bool a = false;
            bool b = false;
            const qlonglong offset = piece.mid(1, plus - 1).toLongLong(&a);
            const qlonglong length = piece.mid(plus + 1).toLongLong(&b);
            if (plus < 0 || !a || !b || offset < 0 || length <= 0 || offset + length > now.size())
                return false;
            old += now.mid(offset, length);
        } else {
            return false;
        }
    }
    return true;
}

// The opened folder of a path the tools use ("/proc/self/fd/N/name" or folder/name).
CFolderFd FolderOf(const QByteArray& path) {
    const QByteArray prefix = "/proc/self/fd/";
    if (path.startsWith(prefix)) {
        const qsizetype slash = path.indexOf('/', prefix.size());
        bool ok = false;
        const int fd = path.mid(prefix.size(), slash - prefix.size()).toInt(&ok);
        if (ok && slash > 0)
            return CFolderFd(fcntl(fd, F_DUPFD_CLOEXEC, 0));
    }
    return OpenFolderPath(FolderOfPath(path));
}

} // namespace

CTagJournalScope::CTagJournalScope(CJournal& journal) : m_scope(journal) {}

namespace {

// The record of a change about to be made to path: its place, then name, device, inode and `tail`.
bool JournalChange(const QByteArray& path, const std::vector<QByteArray>& tail, QString& error) {
    CJournal* journal = CurrentJournal();
    const CFolderFd folder = FolderOf(path);
    const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    struct stat info {};
    QString why;
    if (!folder.IsOpen() || fstatat(folder.Fd(), name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        why = SystemReason(errno);
    } else {
        std::vector<QByteArray> fields = PlaceFields(PlaceOf(folder.Fd()));
        fields.insert(fields.end(), {name, QByteArray::number(qulonglong(info.st_dev)),
                                     QByteArray::number(qulonglong(info.st_ino))});
        fields.insert(fields.end(), tail.begin(), tail.end());
        if (journal->Append({"tag", fields}, &why))
            return true;
    }
    error = CurrentResources().String(kStrJournalFailed).arg(why);
    return false;
}

// Marks a record whose regions are a whole file's (FLAC, Ogg) rather than ID3 tags.
const QByteArray kWholeFile = "file";
// A whole file differs from its rewrite in its first bytes and, for Ogg, in page headers that are
// found near where they were: searches of the whole file would cost more than the bytes saved.
constexpr qint64 kWholeFileSearches = 2;

} // namespace

bool JournalTagRewrite(const QByteArray& path, const STagRegions& old, const STagRegions& replacement,
                       off_t oldFileSize, QString& error) {
    if (CurrentJournal() == nullptr)
        return true;
    const off_t newSize = oldFileSize - off_t(old.id3v2.size() + old.id3v1.size()) +
                          off_t(replacement.id3v2.size() + replacement.id3v1.size());
    return JournalChange(path,
                         {QByteArray::number(qlonglong(newSize)), Digest(replacement), Digest(old),
                          DescribeAgainst(old.id3v2, replacement.id3v2), old.id3v1.toHex()},
                         error);
}

bool JournalFileRewrite(const QByteArray& path, const QByteArray& old, const QByteArray& replacement,
                        QString& error) {
    if (CurrentJournal() == nullptr)
        return true;
    return JournalChange(path,
                         {QByteArray::number(replacement.size()), Digest({replacement, {}}),
                          Digest({old, {}}),
                          DescribeAgainst(old, replacement, kWholeFileSearches * replacement.size()),
                          QByteArray(), kWholeFile},
                         error);
}

SUndoResult UndoTagRecord(const SJournalRecord& record, bool apply) {
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
    // Only the very file the run rewrote; without the done mark, one whose tag is the one written.
    if (!OpenUndoFile(record, "tag", 8, result, folder, name, info))
        return result;
    const auto field = [&](std::size_t i) { return record.fields[kPlaceFields + i]; };
    const int fd = openat(folder.Fd(), name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return left(SystemReason(errno));
    // The file is reached through the folder the way the run reached it, never by its path again.
    const QByteArray path = "/proc/self/fd/" + QByteArray::number(folder.Fd()) + '/' + name;
    if (record.fields.size() > kPlaceFields + 8 && field(8) == kWholeFile) {
        QByteArray bytes;
        QString error;
        struct stat opened {};
        const bool read = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
                          opened.st_dev == info.st_dev && opened.st_ino == info.st_ino &&
                          ReadWholeFile(fd, bytes, error);
        ::close(fd);
        if (!read)
            return left(error.isEmpty() ? texts.String(kStrChangedSinceRun) : error);
        const QByteArray digest = Digest({bytes, {}});
        if (digest == field(5)) {
            result.status = EUndoStatus::kNothing;
            return result;
        }
        QByteArray old;
        if (digest != field(4) || QByteArray::number(bytes.size()) != field(3) ||
            !RebuildFrom(field(6), bytes, old) || Digest({old, {}}) != field(5))
            return left(texts.String(kStrChangedSinceRun));
        if (!apply) {
            result.status = EUndoStatus::kWouldUndo;
            return result;
        }
        if (!JournalFileRewrite(path, bytes, old, error) ||
            !ReplaceWholeFile(path, StampOf(opened), old, error))
            return left(error);
        result.status = EUndoStatus::kUndone;
        return result;
    }
    STagRegions now;
    off_t size = 0;
    QString error;
    struct stat opened {};
    const bool read = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_dev == info.st_dev &&
                      opened.st_ino == info.st_ino && ReadTagRegions(fd, now, size, error);
    ::close(fd);
    if (!read)
        return left(error.isEmpty() ? texts.String(kStrChangedSinceRun) : error);
    if (Digest(now) == field(5)) {
        result.status = EUndoStatus::kNothing; // never written, or put back already
        return result;
    }
    STagRegions old;
    old.id3v1 = QByteArray::fromHex(field(7));
    if (Digest(now) != field(4) || QByteArray::number(qlonglong(size)) != field(3) ||
        !RebuildFrom(field(6), now.id3v2, old.id3v2) || Digest(old) != field(5))
        return left(texts.String(kStrChangedSinceRun));
    if (!apply) {
        result.status = EUndoStatus::kWouldUndo;
        return result;
    }
    const SFileStamp stamp = StampOf(info);
    if (!JournalTagRewrite(path, now, old, size, error) ||
        !ReplaceTagRegions(path, &stamp, now, old, {}, error))
        return left(error);
    result.status = EUndoStatus::kUndone;
    return result;
}

QStringList HoldBackTextsWithoutKeys(ICellGrid& grid, int row, const ILatinSpelling& spelling,
                                     std::vector<int>* columns) {
    QStringList held;
    for (int column = 1; column <= kTagColumnCount; ++column) {
        if (grid.CellCode(row, column) == kCodePlain)
            continue;
        const char16_t missing = spelling.LetterWithoutKey(grid.CellText(row, column).toStdU16String());
        if (missing == 0)
            continue;
        grid.SetCellCode(row, column, kCodePlain);
        if (columns)
            columns->push_back(column);
        held << QStringLiteral("%1: %2").arg(QLatin1String(kTagColumns[column - 1].frameId),
                                             CurrentResources().String(kStrNoKey).arg(QChar(missing)));
    }
    return held;
}

bool IsMp3Name(const QByteArray& name) {
    return name.size() > 4 && name.right(4).toLower() == ".mp3";
}
