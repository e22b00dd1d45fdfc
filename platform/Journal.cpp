#include "Journal.h"

#include "CProfile.h"
#include "CResourceModule.h"
#include "RawNames.h"
#include "ResourceIds.h"
#include "SafeFile.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace {

const QByteArray kMagic = "lettrino-journal 2";
const QByteArray kUnfinished = "----------";
constexpr qsizetype kCheckSize = 16;
constexpr qint64 kMaxJournal = qint64(256) << 20;
constexpr qint64 kMaxHeader = qint64(1) << 20;

QString SystemError(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

QString Text(int id) {
    return CurrentResources().String(id);
}

QByteArray Check(const QByteArray& id, const QByteArray& line) {
    return QCryptographicHash::hash(id + '\t' + line, QCryptographicHash::Sha256).toHex().left(kCheckSize);
}

// "kind <tab> fields <tab> run id <tab> check", newline.
QByteArray Line(const QByteArray& id, const QByteArray& kind, const std::vector<QByteArray>& fields) {
    QByteArray line = kind;
    for (const QByteArray& field : fields)
        line += '\t' + RawToEscaped(field);
    line += '\t' + id;
    return line + '\t' + Check(id, line) + '\n';
}

QByteArray HeaderLine(const QByteArray& id, const QByteArray& tool, const QByteArray& folder,
                      const QByteArray& keys, const QByteArray& started, long changes) {
    const QByteArray count =
        changes < 0 ? kUnfinished
                    : QByteArray::number(qlonglong(changes)).rightJustified(kUnfinished.size(), '0');
    const QByteArray line = kMagic + '\t' + id + '\t' + RawToEscaped(tool) + '\t' + RawToEscaped(folder) +
                            '\t' + RawToEscaped(keys) + '\t' + started + '\t' + count;
    return line + '\t' + Check(id, line) + '\n';
}

bool IsChange(const QByteArray& kind) {
    return kind == "rename" || kind == "tag" || kind == "content";
}

bool SyncFolder(const QByteArray& path) {
    const int fd = open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = fsync(fd) == 0;
    close(fd);
    return ok;
}

// A folder only this user may change.
bool Private(const struct stat& info) {
    return info.st_uid == geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// --- Places of the folders a run opened, by device and inode ---

std::mutex g_placesMutex;
std::map<std::pair<dev_t, ino_t>, SJournalPlace> g_places;

std::atomic<CJournal*> g_current{nullptr};
thread_local long t_lastChange = -1;

} // namespace

QString JournalFolder() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/lettrino/journal");
}

bool PrepareJournalFolder(QString* error) {
    const QByteArray folder = QFile::encodeName(JournalFolder());
    // Every missing folder on the way is made private: the umask is not asked.
    for (qsizetype at = folder.indexOf('/', 1); at != -1 || !folder.isEmpty();
         at = folder.indexOf('/', at + 1)) {
        const QByteArray part = at < 0 ? folder : folder.left(at);
        if (mkdir(part.constData(), 0700) != 0 && errno != EEXIST) {
            if (error)
                *error =
                    QStringLiteral("cannot create %1: %2").arg(QFile::decodeName(part), SystemError(errno));
            return false;
        }
        if (at < 0)
            break;
    }
    struct stat info {};
    if (lstat(folder.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid()) {
        if (error)
            *error = QStringLiteral("%1 is not a folder of this user").arg(JournalFolder());
        return false;
    }
    // A folder of ours that others may write (an older version's, a umask of 000) is closed.
    if (!Private(info) && chmod(folder.constData(), 0700) != 0) {
        if (error)
            *error = QStringLiteral("cannot make %1 private: %2").arg(JournalFolder(), SystemError(errno));
        return false;
    }
    return true;
}

bool TrustedJournal(const QString& path, QString* error) {
    auto refuse = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    const QByteArray file = QFile::encodeName(path);
    struct stat folder {};
    if (stat(FolderOfPath(file).constData(), &folder) != 0)
        return refuse(SystemError(errno));
    if (!S_ISDIR(folder.st_mode) || !Private(folder))
        return refuse(QStringLiteral("its folder belongs to someone else or others may write to it"));
    struct stat info {};
    if (lstat(file.constData(), &info) != 0)
        return refuse(SystemError(errno));
    if (!S_ISREG(info.st_mode))
        return refuse(QStringLiteral("not a regular file"));
    if (!Private(info))
        return refuse(QStringLiteral("it belongs to someone else or others may write to it"));
    return true;
}

CJournal::CJournal(const QByteArray& tool, const QByteArray& folder, const QByteArray& keys)
    : m_tool(tool), m_folder(folder), m_keys(keys) {
    m_started = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toUtf8();
    const quint64 id = QRandomGenerator::system()->generate64();
    m_id = QByteArray::number(id, 16).rightJustified(16, '0');
}

CJournal::~CJournal() {
    Finish();
}

bool CJournal::Open(QString* error) {
    if (!PrepareJournalFolder(error))
        return false;
    // The setting is read from the store itself: the command line runs without the settings object.
    PruneJournals(std::clamp(
        GetProfileInt(QStringLiteral("Settings"), QStringLiteral("JournalDays"), kJournalDays), 1, 36500));
    const QString folder = JournalFolder();
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss.zzz"));
    // Two runs in the same millisecond get a number each; the names still sort by time.
    for (int n = 0; n < 1000 && m_fd < 0; ++n) {
        m_path = folder + QLatin1Char('/') + stamp +
                 (n ? QStringLiteral("-%1").arg(n, 3, 10, QLatin1Char('0')) : QString()) +
                 QStringLiteral(".journal");
        m_fd = open(QFile::encodeName(m_path).constData(),
                    O_RDWR | O_CREAT | O_EXCL | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (m_fd < 0 && errno != EEXIST)
            break;
    }
    if (m_fd < 0) {
        if (error)
            *error = QStringLiteral("cannot create %1: %2").arg(m_path, SystemError(errno));
        return false;
    }
    if (!WriteLine(HeaderLine(m_id, m_tool, m_folder, m_keys, m_started, -1), error) ||
        !SyncFolder(QFile::encodeName(folder))) {
        if (error && error->isEmpty())
            *error = QStringLiteral("cannot write %1").arg(m_path);
        close(m_fd);
        m_fd = -1;
        unlink(QFile::encodeName(m_path).constData());
        return false;
    }
    return true;
}

bool CJournal::WriteLine(const QByteArray& line, QString* error) {
    qsizetype done = 0;
    while (done < line.size()) {
        const ssize_t n = write(m_fd, line.constData() + done, std::size_t(line.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int code = n < 0 ? errno : ENOSPC;
            // A line cut short is cut off, so that the next one starts where it should.
            if (done > 0) {
                struct stat info {};
                if (fstat(m_fd, &info) == 0 && ftruncate(m_fd, info.st_size - done) != 0) {
                    // The reader drops a line that fails its check.
                }
            }
            if (error)
                *error = QStringLiteral("cannot write %1: %2").arg(m_path, SystemError(code));
            return false;
        }
        done += n;
    }
    if (fsync(m_fd) != 0) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(m_path, SystemError(errno));
        return false;
    }
    return true;
}

bool CJournal::Append(const SJournalRecord& record, QString* error, long* change) {
    const std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_fd < 0 && !Open(error))
        return false;
    if (!WriteLine(Line(m_id, record.kind, record.fields), error))
        return false;
    if (record.kind == "temp" || record.kind == "keep")
        m_sideFiles = true;
    if (IsChange(record.kind)) {
        if (change)
            *change = m_changes;
        // The verified replace that follows on this thread journals its side files for it.
        if (record.kind == "tag" || record.kind == "content")
            t_lastChange = m_changes;
        ++m_changes;
    }
    return true;
}

bool CJournal::AppendRename(int folderFd, const QByteArray& oldName, const QByteArray& newName, dev_t device,
                            ino_t inode, QString* error, long* change) {
    std::vector<QByteArray> fields = PlaceFields(PlaceOf(folderFd));
    fields.insert(fields.end(), {oldName, newName, QByteArray::number(qulonglong(device)),
                                 QByteArray::number(qulonglong(inode))});
    return Append({"rename", fields}, error, change);
}

void CJournal::Done(long change, dev_t device, ino_t inode) {
    const std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_fd < 0 || change < 0)
        return;
    // Undo does not need it (it looks at the entry), so a failure here changes nothing but the count.
    if (WriteLine(Line(m_id, "done",
                       {QByteArray::number(qlonglong(change)), QByteArray::number(qulonglong(device)),
                        QByteArray::number(qulonglong(inode))}),
                  nullptr))
        ++m_done;
}

void CJournal::Finish() {
    const std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_fd < 0)
        return;
    // What stays: the changes made, and side files still on disk with the change they belong to
    // (a rewrite that failed half-way is finished from its copy later). Refused attempts go.
    SJournalRun run;
    QString why;
    std::vector<const SJournalRecord*> records;
    std::set<long> wanted;
    if ((m_done > 0 || m_sideFiles) && ReadJournal(m_path, run, &why)) {
        for (const SJournalRecord& record : run.records) {
            SJournalPlace place;
            if ((record.kind == "temp" || record.kind == "keep") && PlaceFromFields(record.fields, place) &&
                record.fields.size() > kPlaceFields) {
                const CFolderFd folder = OpenPlace(place);
                struct stat info {};
                if (!folder.IsOpen() || fstatat(folder.Fd(), record.fields[kPlaceFields].constData(), &info,
                                                AT_SYMLINK_NOFOLLOW) != 0)
                    continue;
                records.push_back(&record);
                if (record.kind == "keep" && record.fields.size() > kPlaceFields + 7)
                    wanted.insert(record.fields[kPlaceFields + 7].toLong());
            } else if (IsChange(record.kind) && record.done) {
                wanted.insert(record.change);
            }
        }
    }
    if (wanted.empty() && records.empty()) {
        // Only attempts, all refused: nothing to undo, nothing to list.
        close(m_fd);
        m_fd = -1;
        m_done = 0;
        unlink(QFile::encodeName(m_path).constData());
        SyncFolder(QFile::encodeName(JournalFolder()));
        return;
    }
    // The names of the changes, near the top where a lost tail does not reach them.
    std::vector<QByteArray> index;
    QByteArray body;
    long kept = 0;
    std::map<long, long> renumbered;
    std::vector<const SJournalRecord*> ordered;
    for (const SJournalRecord& record : run.records) {
        if (IsChange(record.kind) && wanted.count(record.change)) {
            renumbered[record.change] = kept++;
            SJournalPlace place;
            PlaceFromFields(record.fields, place);
            // A rename by the name it was given: where the entry is now.
            const std::size_t name = kPlaceFields + (record.kind == "rename" ? 1 : 0);
            index.push_back(
                PlacePath(place, record.fields.size() > name ? record.fields[name] : QByteArray()));
            ordered.push_back(&record);
        } else if (std::find(records.begin(), records.end(), &record) != records.end()) {
            ordered.push_back(&record);
        }
    }
    for (const SJournalRecord* record : ordered) {
        std::vector<QByteArray> fields = record->fields;
        if (record->kind == "keep" && fields.size() > kPlaceFields + 7) {
            const auto it = renumbered.find(fields[kPlaceFields + 7].toLong());
            fields[kPlaceFields + 7] =
                QByteArray::number(qlonglong(it == renumbered.end() ? -1 : it->second));
        }
        body += Line(m_id, record->kind, fields);
        if (record->done && renumbered.count(record->change))
            body += Line(m_id, "done",
                         {QByteArray::number(qlonglong(renumbered[record->change])),
                          QByteArray::number(qulonglong(record->doneDevice)),
                          QByteArray::number(qulonglong(record->doneInode))});
    }
    const QByteArray content = HeaderLine(m_id, m_tool, m_folder, m_keys, m_started, kept) +
                               Line(m_id, "index", index) + body + Line(m_id, "end", {});
    const QByteArray path = QFile::encodeName(m_path);
    auto write = [&](int fd, QString& error) {
        if (WriteAll(fd, content.constData(), content.size()))
            return true;
        error = SystemReason(errno);
        return false;
    };
    auto verify = [&](int fd, QString& error) {
        QByteArray back;
        if (ReadAt(fd, 0, content.size(), back) && back == content)
            return true;
        error = QStringLiteral("read back differently");
        return false;
    };
    close(m_fd);
    m_fd = -1;
    t_lastChange = -1;
    // Should the rewrite fail, the journal as written stays: undo reads it just as well.
    if (!run.path.isEmpty() && ReplaceFileVerified(path, nullptr, write, verify, why))
        SyncFolder(QFile::encodeName(JournalFolder()));
}

CJournalScope::CJournalScope(CJournal& journal) {
    g_current.store(&journal);
}

CJournalScope::~CJournalScope() {
    g_current.store(nullptr);
}

CJournal* CurrentJournal() {
    return g_current.load();
}

long TakeJournalledChange() {
    const long change = t_lastChange;
    t_lastChange = -1;
    return change;
}

// --- Places ---

void NoteRootFolder(int folderFd) {
    struct stat info {};
    if (fstat(folderFd, &info) != 0)
        return;
    SJournalPlace place;
    place.root = RealFolderPath(folderFd, QByteArray());
    place.rootDevice = place.device = info.st_dev;
    place.rootInode = place.inode = info.st_ino;
    const std::lock_guard<std::mutex> lock(g_placesMutex);
    g_places[{info.st_dev, info.st_ino}] = place;
}

void NoteChildFolder(int parentFd, int childFd, const QByteArray& name) {
    struct stat info {};
    if (fstat(childFd, &info) != 0)
        return;
    SJournalPlace place = PlaceOf(parentFd);
    place.below = place.below.isEmpty() ? name : place.below + '/' + name;
    place.device = info.st_dev;
    place.inode = info.st_ino;
    const std::lock_guard<std::mutex> lock(g_placesMutex);
    g_places[{info.st_dev, info.st_ino}] = place;
}

SJournalPlace PlaceOf(int folderFd) {
    struct stat info {};
    if (fstat(folderFd, &info) == 0) {
        const std::lock_guard<std::mutex> lock(g_placesMutex);
        const auto it = g_places.find({info.st_dev, info.st_ino});
        if (it != g_places.end())
            return it->second;
    }
    SJournalPlace place;
    place.root = RealFolderPath(folderFd, QByteArray());
    place.rootDevice = place.device = info.st_dev;
    place.rootInode = place.inode = info.st_ino;
    return place;
}

std::vector<QByteArray> PlaceFields(const SJournalPlace& place) {
    return {place.root,
            QByteArray::number(qulonglong(place.rootDevice)) + ':' +
                QByteArray::number(qulonglong(place.rootInode)),
            place.below,
            QByteArray::number(qulonglong(place.device)) + ':' + QByteArray::number(qulonglong(place.inode))};
}

namespace {

bool ReadId(const QByteArray& field, dev_t& device, ino_t& inode) {
    const qsizetype colon = field.indexOf(':');
    bool a = false;
    bool b = false;
    device = dev_t(field.left(colon).toULongLong(&a));
    inode = ino_t(field.mid(colon + 1).toULongLong(&b));
    return colon > 0 && a && b;
}

} // namespace

bool PlaceFromFields(const std::vector<QByteArray>& fields, SJournalPlace& place) {
    if (fields.size() < kPlaceFields)
        return false;
    place.root = fields[0];
    place.below = fields[2];
    return fields[0].startsWith('/') && ReadId(fields[1], place.rootDevice, place.rootInode) &&
           ReadId(fields[3], place.device, place.inode);
}

QByteArray PlacePath(const SJournalPlace& place, const QByteArray& name) {
    QByteArray path = place.root;
    for (const QByteArray& part : {place.below, name}) {
        if (!part.isEmpty())
            path += (path.endsWith('/') ? "" : "/") + part;
    }
    return path;
}

bool IsSingleName(const QByteArray& name) {
    return !name.isEmpty() && name != "." && name != ".." && !name.contains('/') && !name.contains('\0');
}

bool OpenUndoPlace(const SJournalRecord& record, const char* kind, std::size_t fields, SUndoResult& result,
                   SJournalPlace& place, CFolderFd& folder, QByteArray& name) {
    auto left = [&](const QString& reason) {
        result.status = EUndoStatus::kLeft;
        result.reason = reason;
        return false;
    };
    const CResourceModule& texts = CurrentResources();
    if (record.kind != kind || record.fields.size() < kPlaceFields + fields ||
        !PlaceFromFields(record.fields, place))
        return left(texts.String(kStrCannotUndoHere));
    name = record.fields[kPlaceFields];
    result.path = result.target = PlacePath(place, name);
    if (!IsSingleName(name))
        return left(texts.String(kStrOutsideRun));
    QString why;
    folder = OpenPlace(place, &why);
    return folder.IsOpen() || left(why);
}

bool OpenUndoFile(const SJournalRecord& record, const char* kind, std::size_t fields, SUndoResult& result,
                  CFolderFd& folder, QByteArray& name, struct stat& info) {
    SJournalPlace place;
    if (!OpenUndoPlace(record, kind, fields, result, place, folder, name))
        return false;
    auto left = [&](int text) {
        result.status = EUndoStatus::kLeft;
        result.reason = Text(text);
        return false;
    };
    if (fstatat(folder.Fd(), name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return left(kStrEntryGone);
    if (!S_ISREG(info.st_mode))
        return left(kStrNotRegularFile);
    const auto field = [&](std::size_t i) { return record.fields[kPlaceFields + i].toULongLong(); };
    const auto device = dev_t(record.done ? record.doneDevice : field(1));
    const auto inode = ino_t(record.done ? record.doneInode : field(2));
    if ((info.st_dev != device || info.st_ino != inode) && (record.done || info.st_uid != geteuid()))
        return left(kStrChangedSinceRun);
    return true;
}

CFolderFd OpenPlace(const SJournalPlace& place, QString* why) {
    auto fail = [&](const QString& reason) {
        if (why)
            *why = reason;
        return CFolderFd();
    };
    int error = 0;
    if (!place.root.startsWith('/'))
        return fail(Text(kStrOutsideRun));
    CFolderFd folder = OpenFolderPath(place.root, &error);
    struct stat info {};
    if (!folder.IsOpen())
        return fail(Text(kStrEntryGone));
    if (fstat(folder.Fd(), &info) != 0 || info.st_dev != place.rootDevice || info.st_ino != place.rootInode)
        return fail(Text(kStrOutsideRun));
    if (!place.below.isEmpty()) {
        for (const QByteArray& name : place.below.split('/')) {
            if (!IsSingleName(name))
                return fail(Text(kStrOutsideRun));
            folder = OpenFolderAt(folder.Fd(), name, &error);
            if (!folder.IsOpen())
                return fail(error == ENOENT ? Text(kStrEntryGone) : Text(kStrOutsideRun));
        }
    }
    if (fstat(folder.Fd(), &info) != 0 || info.st_dev != place.device || info.st_ino != place.inode)
        return fail(Text(kStrOutsideRun));
    return folder;
}

// --- Reading ---

namespace {

// Parses one line ("kind fields id check"); false when it fails its check.
bool ParseLine(const QByteArray& id, const QByteArray& line, SJournalRecord& record) {
    const qsizetype lastTab = line.lastIndexOf('\t');
    if (lastTab < 0 || Check(id, line.left(lastTab)) != line.mid(lastTab + 1))
        return false;
    QList<QByteArray> parts = line.left(lastTab).split('\t');
    if (parts.size() < 2 || parts.back() != id)
        return false;
    parts.pop_back();
    record = SJournalRecord();
    record.kind = parts[0];
    for (qsizetype f = 1; f < parts.size(); ++f) {
        QByteArray raw;
        if (!EscapedToRaw(parts[f], raw))
            return false;
        record.fields.push_back(raw);
    }
    return !record.kind.isEmpty();
}

// What can be read of a damaged line: the path of its change.
QByteArray PathOfDamaged(const QByteArray& line) {
    const QList<QByteArray> parts = line.split('\t');
    const qsizetype name = qsizetype(kPlaceFields) + (parts.value(0) == "rename" ? 2 : 1);
    if (parts.size() <= name || !IsChange(parts[0]))
        return {};
    std::vector<QByteArray> fields;
    for (qsizetype f = 1; f <= name; ++f) {
        QByteArray raw;
        EscapedToRaw(parts[f], raw);
        fields.push_back(raw);
    }
    SJournalPlace place;
    PlaceFromFields(fields, place);
    return PlacePath(place, fields.back());
}

} // namespace

std::vector<QString> ListJournals() {
    std::vector<QString> paths;
    const QDir dir(JournalFolder());
    struct stat folder {};
    if (stat(QFile::encodeName(dir.path()).constData(), &folder) != 0 || !Private(folder))
        return paths;
    for (const QString& name :
         dir.entryList({QStringLiteral("*.journal")}, QDir::Files | QDir::Hidden, QDir::Name)) {
        if (TrustedJournal(dir.filePath(name)))
            paths.push_back(dir.filePath(name));
    }
    return paths;
}

bool ReadJournal(const QString& path, SJournalRun& run, QString* error, bool headerOnly) {
    run = SJournalRun();
    run.path = path;
    auto refuse = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    // Never a FIFO or a device: opened without waiting, and only when a regular file.
    const int fd = open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return refuse(SystemError(errno));
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kMaxJournal) {
        close(fd);
        return refuse(QStringLiteral("not a journal of this program"));
    }
    run.size = info.st_size;
    QFile file;
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    const QByteArray first = file.readLine(kMaxHeader);
    const QList<QByteArray> header = first.chopped(first.endsWith('\n') ? 1 : 0).split('\t');
    const bool headerOk = header.size() == 8 && header[0] == kMagic &&
                          Check(header[1], first.left(first.lastIndexOf('\t'))) == header[7];
    if (!headerOk || !EscapedToRaw(header[2], run.tool) || !EscapedToRaw(header[3], run.folder) ||
        !EscapedToRaw(header[4], run.keys))
        return refuse(QStringLiteral("not a journal of this program"));
    run.id = header[1];
    run.started = header[5];
    bool counted = false;
    run.changes = header[6] == kUnfinished ? -1 : header[6].toLong(&counted);
    if (header[6] != kUnfinished && !counted)
        return refuse(QStringLiteral("not a journal of this program"));
    if (headerOnly) {
        // The undone mark is the last line: the tail alone says so.
        constexpr qint64 kTail = 4096;
        file.seek(std::max<qint64>(first.size(), run.size - kTail));
        for (const QByteArray& line : file.read(kTail).split('\n')) {
            SJournalRecord record;
            run.undone = run.undone || (ParseLine(run.id, line, record) && record.kind == "undone");
        }
        return true;
    }
    const QList<QByteArray> lines = file.readAll().split('\n');
    std::vector<QByteArray> index;
    bool ended = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        const bool last = i + 1 == lines.size();
        if (line.isEmpty() && last)
            break;
        SJournalRecord record;
        if (!ParseLine(run.id, line, record) || (ended && record.kind != "undone")) {
            // A killed run may leave its last line half written: that change was never made.
            if (last && run.changes < 0)
                break;
            ++run.damaged;
            const QByteArray damaged = PathOfDamaged(line);
            if (!damaged.isEmpty())
                run.damagedPaths.push_back(damaged);
            continue;
        }
        if (record.kind == "undone") {
            run.undone = true;
        } else if (record.kind == "index") {
            index = record.fields;
        } else if (record.kind == "end") {
            ended = true;
        } else if (record.kind == "done") {
            const long change = record.fields.empty() ? -1 : record.fields[0].toLong();
            for (SJournalRecord& made : run.records) {
                if (made.change == change && record.fields.size() >= 3) {
                    made.done = true;
                    made.doneDevice = dev_t(record.fields[1].toULongLong());
                    made.doneInode = ino_t(record.fields[2].toULongLong());
                }
            }
        } else {
            if (IsChange(record.kind))
                record.change = long(std::count_if(run.records.begin(), run.records.end(),
                                                   [](const SJournalRecord& r) { return r.change >= 0; }));
            run.records.push_back(std::move(record));
        }
    }
    if (run.changes >= 0) {
        const long found = long(std::count_if(run.records.begin(), run.records.end(),
                                              [](const SJournalRecord& r) { return r.change >= 0; }));
        if (found < run.changes) {
            run.missing = run.changes - found;
            for (std::size_t i = std::size_t(found); i < index.size() && i < std::size_t(run.changes); ++i) {
                if (std::find(run.damagedPaths.begin(), run.damagedPaths.end(), index[i]) ==
                    run.damagedPaths.end())
                    run.damagedPaths.push_back(index[i]);
            }
        } else if (!ended) {
            ++run.damaged; // the end mark is gone: something was lost after the last change
        }
    }
    return true;
}

bool MarkUndone(const SJournalRun& run, QString* error) {
    const int fd =
        open(QFile::encodeName(run.path).constData(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
    const QByteArray line =
        Line(run.id, "undone", {QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toUtf8()});
    const bool ok = fd >= 0 && WriteAll(fd, line.constData(), line.size()) && fsync(fd) == 0;
    const int code = errno;
    if (fd >= 0)
        close(fd);
    if (!ok && error)
        *error = QStringLiteral("cannot write %1: %2").arg(run.path, SystemError(code));
    return ok;
}

void PruneJournals(int days) {
    const QDateTime limit = QDateTime::currentDateTimeUtc().addDays(-days);
    for (const QString& path : ListJournals()) {
        SJournalRun run;
        if (!ReadJournal(path, run, nullptr, true))
            continue;
        const QDateTime started = QDateTime::fromString(QString::fromLatin1(run.started), Qt::ISODateWithMs);
        if (started.isValid() && started < limit)
            unlink(QFile::encodeName(path).constData());
    }
}

QByteArray RealFolderPath(int folderFd, const QByteArray& fallback) {
    char buffer[4096];
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(folderFd);
    const ssize_t n = readlink(link.constData(), buffer, sizeof buffer);
    if (n <= 0 || std::size_t(n) >= sizeof buffer || buffer[0] != '/')
        return fallback;
    return QByteArray(buffer, n);
}

namespace {

// Renames a preview has already (virtually) put back: in folder (device, inode), new name → old.
struct SMoved {
    dev_t device;
    ino_t inode;
    QByteArray now;
    QByteArray then;
};

// Opens the place of a preview: a folder on the way that an earlier record would have renamed
// back is looked for where it is now.
CFolderFd OpenPlaceAsPreviewed(SJournalPlace place, const std::vector<SMoved>& moved, QString* why) {
    if (moved.empty() || place.below.isEmpty())
        return OpenPlace(place, why);
    CFolderFd folder = OpenPlace(
        {place.root, place.rootDevice, place.rootInode, {}, place.rootDevice, place.rootInode}, why);
    for (QByteArray name : place.below.split('/')) {
        if (!folder.IsOpen() || !IsSingleName(name))
            return CFolderFd();
        struct stat info {};
        fstat(folder.Fd(), &info);
        for (const SMoved& m : moved) {
            if (m.device == info.st_dev && m.inode == info.st_ino && m.then == name)
                name = m.now;
        }
        folder = OpenFolderAt(folder.Fd(), name);
    }
    struct stat info {};
    if (!folder.IsOpen() || fstat(folder.Fd(), &info) != 0 || info.st_dev != place.device ||
        info.st_ino != place.inode) {
        if (why)
            *why = Text(kStrOutsideRun);
        return CFolderFd();
    }
    return folder;
}

// A file a later change of the run replaced (a new inode), in its folder (device, inode) by name.
using SRewritten = std::set<std::tuple<dev_t, ino_t, QByteArray>>;

SUndoResult UndoRename(const SJournalRecord& record, bool apply, std::vector<SMoved>& moved,
                       const SRewritten& rewritten) {
    SUndoResult result;
    auto left = [&](const QString& reason) {
        result.status = EUndoStatus::kLeft;
        result.reason = reason;
        return result;
    };
    SJournalPlace place;
    if (record.fields.size() < kPlaceFields + 4 || !PlaceFromFields(record.fields, place))
        return left(Text(kStrOutsideRun));
    const QByteArray& oldName = record.fields[kPlaceFields];
    const QByteArray& newName = record.fields[kPlaceFields + 1];
    const auto device = dev_t(record.fields[kPlaceFields + 2].toULongLong());
    const auto inode = ino_t(record.fields[kPlaceFields + 3].toULongLong());
    result.path = PlacePath(place, newName);
    result.target = PlacePath(place, oldName);
    if (!IsSingleName(oldName) || !IsSingleName(newName))
        return left(Text(kStrOutsideRun));
    QString why;
    const CFolderFd fd = apply ? OpenPlace(place, &why) : OpenPlaceAsPreviewed(place, moved, &why);
    if (!fd.IsOpen())
        return left(why.isEmpty() ? Text(kStrEntryGone) : why);
    struct stat now {};
    if (fstatat(fd.Fd(), newName.constData(), &now, AT_SYMLINK_NOFOLLOW) != 0) {
        // Under its old name and the same entry: the rename never happened, or was undone.
        struct stat before {};
        if (fstatat(fd.Fd(), oldName.constData(), &before, AT_SYMLINK_NOFOLLOW) == 0 &&
            before.st_dev == device && before.st_ino == inode) {
            result.status = EUndoStatus::kNothing;
            return result;
        }
        return left(Text(kStrEntryGone));
    }
    // Killed inside the fallback: the old name still holds the entry, the new name only what the
    // fallback made of it.
    const EHalfRename half = HalfRenameAt(fd.Fd(), oldName, newName, device, inode);
    if (half != EHalfRename::kNone) {
        int error = 0;
        if (!apply) {
            result.status = EUndoStatus::kWouldUndo;
        } else if (TakeBackHalfRenameAt(fd.Fd(), newName, half, &error)) {
            result.status = EUndoStatus::kUndone;
        } else {
            return left(SystemError(error));
        }
        return result;
    }
    // A file the run renamed and then rewrote is a new inode; its undo checked its content.
    if ((now.st_dev != device || now.st_ino != inode) &&
        !(S_ISREG(now.st_mode) && rewritten.count({place.device, place.inode, newName})))
        return left(Text(kStrChangedSinceRun));
    struct stat taken {};
    if (fstatat(fd.Fd(), oldName.constData(), &taken, AT_SYMLINK_NOFOLLOW) == 0)
        return left(Text(kStrOldNameTaken));
    if (!apply) {
        result.status = EUndoStatus::kWouldUndo;
        if (S_ISDIR(now.st_mode))
            moved.push_back({place.device, place.inode, newName, oldName});
        return result;
    }
    int error = 0;
    if (!RenameNoReplaceAt(fd.Fd(), newName, oldName, &error))
        return left(error == EEXIST || error == ENOTEMPTY ? Text(kStrOldNameTaken) : SystemError(error));
    result.status = EUndoStatus::kUndone;
    return result;
}

// The side files the run recorded in one folder, for CleanLeftoversAt.
std::vector<SSideFile> SideFilesOf(const SJournalRun& run, dev_t device, ino_t inode) {
    std::vector<SSideFile> files;
    for (const SJournalRecord& record : run.records) {
        SJournalPlace place;
        if ((record.kind != "temp" && record.kind != "keep") || !PlaceFromFields(record.fields, place) ||
            place.device != device || place.inode != inode || record.fields.size() <= kPlaceFields)
            continue;
        SSideFile file;
        file.name = record.fields[kPlaceFields];
        file.keep = record.kind == "keep";
        if (file.keep) {
            if (record.fields.size() < kPlaceFields + 10)
                continue;
            file.device = dev_t(record.fields[kPlaceFields + 1].toULongLong());
            file.inode = ino_t(record.fields[kPlaceFields + 2].toULongLong());
            file.digest = record.fields[kPlaceFields + 3];
            file.target = record.fields[kPlaceFields + 4];
            file.targetDevice = dev_t(record.fields[kPlaceFields + 5].toULongLong());
            file.targetInode = ino_t(record.fields[kPlaceFields + 6].toULongLong());
            file.targetSize = off_t(record.fields[kPlaceFields + 8].toLongLong());
            const QList<QByteArray> time = record.fields[kPlaceFields + 9].split('.');
            file.targetTime = {time_t(time.value(0).toLongLong()), long(time.value(1).toLong())};
            const long change = record.fields[kPlaceFields + 7].toLong();
            for (const SJournalRecord& made : run.records)
                file.stale = file.stale || (made.change == change && made.done);
        }
        files.push_back(file);
    }
    return files;
}

} // namespace

EHalfRename HalfRenameAt(int folderFd, const QByteArray& oldName, const QByteArray& newName, dev_t device,
                         ino_t inode) {
    struct stat before {
    }, now{};
    if (!IsSingleName(oldName) || !IsSingleName(newName) || oldName == newName ||
        fstatat(folderFd, oldName.constData(), &before, AT_SYMLINK_NOFOLLOW) != 0 ||
        fstatat(folderFd, newName.constData(), &now, AT_SYMLINK_NOFOLLOW) != 0 || before.st_dev != device ||
        before.st_ino != inode)
        return EHalfRename::kNone;
    if (S_ISREG(before.st_mode) && S_ISREG(now.st_mode) && now.st_dev == device && now.st_ino == inode &&
        now.st_nlink >= 2)
        return EHalfRename::kSecondLink;
    if (!S_ISDIR(before.st_mode) || !S_ISDIR(now.st_mode) || now.st_dev != device || now.st_ino == inode ||
        (now.st_mode & 07777) != 0700 || now.st_uid != geteuid())
        return EHalfRename::kNone;
    const CFolderFd made = OpenFolderAt(folderFd, newName);
    std::vector<SListedEntry> inside;
    struct stat opened {};
    if (!made.IsOpen() || fstat(made.Fd(), &opened) != 0 || opened.st_ino != now.st_ino ||
        !ReadFolderAt(made.Fd(), inside) || !inside.empty())
        return EHalfRename::kNone;
    return EHalfRename::kEmptyFolder;
}

bool TakeBackHalfRenameAt(int folderFd, const QByteArray& newName, EHalfRename state, int* error) {
    // rmdir refuses a folder that is not empty (any more); unlink takes only the name, not the file.
    const int flags = state == EHalfRename::kEmptyFolder ? AT_REMOVEDIR : 0;
    if (state == EHalfRename::kNone || unlinkat(folderFd, newName.constData(), flags) != 0) {
        if (error)
            *error = state == EHalfRename::kNone ? EINVAL : errno;
        return false;
    }
    fsync(folderFd);
    return true;
}

bool JournalledUnfinishedRename(int folderFd, const QByteArray& oldName, const QByteArray& newName,
                                dev_t device, ino_t inode) {
    struct stat folder {};
    if (fstat(folderFd, &folder) != 0)
        return false;
    for (const QString& path : ListJournals()) {
        SJournalRun run;
        if (!ReadJournal(path, run) || run.undone)
            continue;
        for (const SJournalRecord& record : run.records) {
            SJournalPlace place;
            if (record.kind == "rename" && !record.done && record.fields.size() >= kPlaceFields + 4 &&
                PlaceFromFields(record.fields, place) && place.device == folder.st_dev &&
                place.inode == folder.st_ino && record.fields[kPlaceFields] == oldName &&
                record.fields[kPlaceFields + 1] == newName &&
                dev_t(record.fields[kPlaceFields + 2].toULongLong()) == device &&
                ino_t(record.fields[kPlaceFields + 3].toULongLong()) == inode)
                return true;
        }
    }
    return false;
}

std::vector<SSideFile> RecordedSideFiles(int folderFd) {
    struct stat info {};
    std::vector<SSideFile> files;
    if (fstat(folderFd, &info) != 0)
        return files;
    for (const QString& path : ListJournals()) {
        SJournalRun run;
        if (ReadJournal(path, run)) {
            const std::vector<SSideFile> more = SideFilesOf(run, info.st_dev, info.st_ino);
            files.insert(files.end(), more.begin(), more.end());
        }
    }
    return files;
}

void FinishInterruptedRewrites(const SJournalRun& run, std::vector<QString>& messages) {
    std::vector<std::pair<dev_t, ino_t>> seen;
    for (const SJournalRecord& record : run.records) {
        SJournalPlace place;
        if ((record.kind != "temp" && record.kind != "keep") || !PlaceFromFields(record.fields, place) ||
            std::find(seen.begin(), seen.end(), std::make_pair(place.device, place.inode)) != seen.end())
            continue;
        seen.emplace_back(place.device, place.inode);
        const CFolderFd folder = OpenPlace(place);
        if (folder.IsOpen())
            CleanLeftoversAt(folder.Fd(), SideFilesOf(run, place.device, place.inode), messages, true);
    }
}

std::vector<SUndoResult> UndoRun(const SJournalRun& run, bool apply, const FRecordUndo& other,
                                 QString* markError) {
    std::vector<SUndoResult> results;
    std::vector<SMoved> moved;
    SRewritten rewritten;
    // An undo that rewrites files is a run of its own: journalled, its side files recorded.
    std::optional<CJournal> journal;
    std::optional<CJournalScope> scope;
    if (apply && CurrentJournal() == nullptr) {
        journal.emplace("undo", run.folder, run.keys);
        scope.emplace(*journal);
    }
    if (apply) {
        // A rewrite cut short is finished from its verified copy first: never a tag onto half a file.
        std::vector<QString> messages;
        FinishInterruptedRewrites(run, messages);
    }
    const bool finished = run.changes >= 0;
    for (auto it = run.records.rbegin(); it != run.records.rend(); ++it) {
        if (!IsChange(it->kind) || (finished && !it->done && it->kind == "rename"))
            continue;
        if (it->kind == "rename") {
            results.push_back(UndoRename(*it, apply, moved, rewritten));
        } else if (other) {
            results.push_back(other(*it, apply));
            SJournalPlace place;
            if (results.back().status != EUndoStatus::kLeft && PlaceFromFields(it->fields, place) &&
                it->fields.size() > kPlaceFields)
                rewritten.insert({place.device, place.inode, it->fields[kPlaceFields]});
        } else {
            SUndoResult result;
            SJournalPlace place;
            PlaceFromFields(it->fields, place);
            result.path =
                PlacePath(place, it->fields.size() > kPlaceFields ? it->fields[kPlaceFields] : QByteArray());
            result.status = EUndoStatus::kLeft;
            result.reason = Text(kStrCannotUndoHere);
            results.push_back(result);
        }
    }
    // What the journal lost is named where it can be, and counted where it cannot.
    const long lost = std::max(run.missing, run.damaged);
    for (const QByteArray& path : run.damagedPaths) {
        SUndoResult result;
        result.path = path;
        result.status = EUndoStatus::kLeft;
        result.reason = Text(kStrJournalEndsEarly).arg(lost);
        results.push_back(result);
    }
    if (lost > qsizetype(run.damagedPaths.size())) {
        SUndoResult result;
        result.path = QFile::encodeName(run.path);
        result.status = EUndoStatus::kLeft;
        result.reason = Text(kStrJournalEndsEarly).arg(lost);
        results.push_back(result);
    }
    const bool anyLeft = std::any_of(results.begin(), results.end(),
                                     [](const SUndoResult& r) { return r.status == EUndoStatus::kLeft; });
    QString why;
    if (apply && !anyLeft && !MarkUndone(run, &why)) {
        if (markError)
            *markError = Text(kStrUndoneMarkFailed).arg(why);
    }
    return results;
}

bool LatestRun(const std::vector<QByteArray>& tools, const QByteArray& folder, SJournalRun& run) {
    const std::vector<QString> journals = ListJournals();
    for (auto it = journals.rbegin(); it != journals.rend(); ++it) {
        SJournalRun candidate;
        if (!ReadJournal(*it, candidate, nullptr, true) ||
            (!tools.empty() && std::find(tools.begin(), tools.end(), candidate.tool) == tools.end()) ||
            (!folder.isEmpty() && candidate.folder != folder))
            continue;
        if (ReadJournal(*it, run))
            return true;
    }
    return false;
}

std::vector<SJournalRun> RecentRuns(const std::vector<QByteArray>& tools, std::size_t count) {
    std::vector<SJournalRun> runs;
    const std::vector<QString> journals = ListJournals();
    for (auto it = journals.rbegin(); it != journals.rend() && runs.size() < count; ++it) {
        SJournalRun run;
        if (ReadJournal(*it, run, nullptr, true) &&
            (tools.empty() || std::find(tools.begin(), tools.end(), run.tool) != tools.end()))
            runs.push_back(run);
    }
    return runs;
}

QString UndoPreview(const SJournalRun& run, const FRecordUndo& other) {
    const CResourceModule& texts = CurrentResources();
    QStringList lines;
    lines << texts.String(kStrUndoRunHead)
                 .arg(QString::fromUtf8(run.tool), DecodeRawName(run.folder),
                      QDateTime::fromString(QString::fromLatin1(run.started), Qt::ISODateWithMs)
                          .toLocalTime()
                          .toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    if (run.undone) {
        lines << texts.String(kStrUndoneAlready);
        return lines.join(QLatin1Char('\n'));
    }
    int would = 0;
    QStringList rest;
    for (const SUndoResult& result : UndoRun(run, false, other)) {
        if (result.status == EUndoStatus::kWouldUndo) {
            ++would;
            rest << (result.target != result.path
                         ? QStringLiteral("%1 → %2").arg(ShownName(DecodeRawName(result.path)),
                                                         ShownName(DecodeRawName(result.target)))
                         : ShownName(DecodeRawName(result.path)));
        } else if (result.status == EUndoStatus::kLeft) {
            rest << texts.String(kStrNotUndone).arg(ShownName(DecodeRawName(result.path)), result.reason);
        }
    }
    lines << texts.String(kStrUndoConfirm)
                 .arg(QString::fromUtf8(run.tool), DecodeRawName(run.folder))
                 .arg(would);
    constexpr int kShown = 20;
    lines << rest.mid(0, kShown);
    if (rest.size() > kShown)
        lines << QStringLiteral("…");
    return lines.join(QLatin1Char('\n'));
}

QString UndoAndSummarise(const SJournalRun& run, const FRecordUndo& other) {
    const CResourceModule& texts = CurrentResources();
    if (run.undone)
        return texts.String(kStrUndoneAlready);
    int undone = 0;
    QStringList left;
    QString markError;
    for (const SUndoResult& result : UndoRun(run, true, other, &markError)) {
        if (result.status == EUndoStatus::kUndone)
            ++undone;
        else if (result.status == EUndoStatus::kLeft)
            left << texts.String(kStrNotUndone).arg(ShownName(DecodeRawName(result.path)), result.reason);
    }
    if (!markError.isEmpty())
        left << markError;
    QString summary = texts.String(kStrUndoSummary).arg(undone).arg(left.size());
    if (!left.isEmpty())
        summary += QStringLiteral("\n\n") + left.join(QLatin1Char('\n'));
    return summary;
}
