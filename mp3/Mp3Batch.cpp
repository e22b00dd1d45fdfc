#include "Mp3Batch.h"

#include "CCharTable.h"
#include "CResourceModule.h"
#include "Id3Tag.h"
#include "Mp3Tags.h"
#include "RawNames.h"
#include "ResourceIds.h"

#include <QCryptographicHash>

#include <atomic>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<CJournal*> g_tagJournal{nullptr};
std::mutex g_tagJournalMutex;

QByteArray Digest(const STagRegions& regions) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(regions.id3v2);
    hash.addData(QByteArray::number(regions.id3v2.size()));
    hash.addData(regions.id3v1);
    return hash.result().toHex();
}

// Where the file really is: a path through an opened folder (/proc/self/fd/N/name) means nothing
// after the run, so it is written down as the folder's real path.
QByteArray LastingPath(const QByteArray& path) {
    const QByteArray prefix = "/proc/self/fd/";
    if (path.startsWith(prefix)) {
        const qsizetype slash = path.indexOf('/', prefix.size());
        bool ok = false;
        const int fd = path.mid(prefix.size(), slash - prefix.size()).toInt(&ok);
        if (ok && slash > 0)
            return RealFolderPath(fd, path.left(slash)) + path.mid(slash);
    }
    char* real = realpath(FolderOfPath(path).constData(), nullptr);
    QByteArray lasting = real ? QByteArray(real) + '/' + path.mid(path.lastIndexOf('/') + 1) : path;
    std::free(real);
    return lasting;
}

} // namespace

CTagJournalScope::CTagJournalScope(CJournal& journal) {
    g_tagJournal.store(&journal);
}

CTagJournalScope::~CTagJournalScope() {
    g_tagJournal.store(nullptr);
}

bool JournalTagRewrite(const QByteArray& path, const STagRegions& old, const STagRegions& replacement,
                       off_t oldFileSize, QString& error) {
    CJournal* journal = g_tagJournal.load();
    if (journal == nullptr)
        return true;
    const off_t newSize = oldFileSize - off_t(old.id3v2.size() + old.id3v1.size()) +
                          off_t(replacement.id3v2.size() + replacement.id3v1.size());
    const std::lock_guard<std::mutex> lock(g_tagJournalMutex);
    QString why;
    if (journal->Append({"tag",
                         {LastingPath(path), old.id3v2.toHex(), old.id3v1.toHex(),
                          QByteArray::number(qlonglong(newSize)), Digest(replacement)}},
                        &why))
        return true;
    error = CurrentResources().String(kStrJournalFailed).arg(why);
    return false;
}

SUndoResult UndoTagRecord(const SJournalRecord& record, bool apply) {
    SUndoResult result;
    auto left = [&](const QString& reason) {
        result.status = EUndoStatus::kLeft;
        result.reason = reason;
        return result;
    };
    const CResourceModule& texts = CurrentResources();
    if (record.kind != "tag" || record.fields.size() < 5)
        return left(texts.String(kStrCannotUndoHere));
    result.path = record.fields[0];
    result.target = record.fields[0];
    STagRegions old;
    old.id3v2 = QByteArray::fromHex(record.fields[1]);
    old.id3v1 = QByteArray::fromHex(record.fields[2]);
    const int fd = ::open(result.path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return left(texts.String(kStrEntryGone));
    struct stat info {};
    STagRegions now;
    off_t size = 0;
    QString error;
    const bool read =
        ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ReadTagRegions(fd, now, size, error);
    ::close(fd);
    if (!read)
        return left(error.isEmpty() ? texts.String(kStrEntryGone) : error);
    if (now == old) {
        result.status = EUndoStatus::kNothing; // never written, or put back already
        return result;
    }
    if (Digest(now) != record.fields[4] || QByteArray::number(qlonglong(size)) != record.fields[3])
        return left(texts.String(kStrChangedSinceRun));
    if (!apply) {
        result.status = EUndoStatus::kWouldUndo;
        return result;
    }
    const SFileStamp stamp = StampOf(info);
    if (!ReplaceTagRegions(result.path, &stamp, now, old, {}, error))
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
