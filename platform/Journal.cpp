#include "Journal.h"

#include "CResourceModule.h"
#include "RawNames.h"
#include "ResourceIds.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray kMagic = "lettrino-journal 1";

QString SystemError(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

QByteArray Line(const QByteArray& kind, const std::vector<QByteArray>& fields) {
    QByteArray line = kind;
    for (const QByteArray& field : fields)
        line += '\t' + RawToEscaped(field);
    return line + '\n';
}

bool SyncFolder(const QByteArray& path) {
    const int fd = open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = fsync(fd) == 0;
    close(fd);
    return ok;
}

} // namespace

QString JournalFolder() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/lettrino/journal");
}

CJournal::CJournal(const QByteArray& tool, const QByteArray& folder, const QByteArray& keys) {
    const QByteArray started = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toUtf8();
    m_header = kMagic + '\t' + RawToEscaped(tool) + '\t' + RawToEscaped(folder) + '\t' + RawToEscaped(keys) +
               '\t' + started + '\n';
}

CJournal::~CJournal() {
    if (m_fd >= 0)
        close(m_fd);
}

bool CJournal::Open(QString* error) {
    const QString folder = JournalFolder();
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("cannot create %1").arg(folder);
        return false;
    }
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss.zzz"));
    // Two runs in the same millisecond get a number each; the names still sort by time.
    for (int n = 0; n < 1000 && m_fd < 0; ++n) {
        m_path = folder + QLatin1Char('/') + stamp +
                 (n ? QStringLiteral("-%1").arg(n, 3, 10, QLatin1Char('0')) : QString()) +
                 QStringLiteral(".journal");
        m_fd = open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC,
                    0600);
        if (m_fd < 0 && errno != EEXIST)
            break;
    }
    if (m_fd < 0) {
        if (error)
            *error = QStringLiteral("cannot create %1: %2").arg(m_path, SystemError(errno));
        return false;
    }
    if (!WriteLine(m_header, error) || !SyncFolder(QFile::encodeName(folder))) {
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
            if (error)
                *error =
                    QStringLiteral("cannot write %1: %2").arg(m_path, SystemError(n < 0 ? errno : ENOSPC));
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

bool CJournal::Append(const SJournalRecord& record, QString* error) {
    if (m_fd < 0 && !Open(error))
        return false;
    return WriteLine(Line(record.kind, record.fields), error);
}

bool CJournal::AppendRename(const QByteArray& folder, const QByteArray& oldName, const QByteArray& newName,
                            dev_t device, ino_t inode, QString* error) {
    return Append({"rename",
                   {folder, oldName, newName, QByteArray::number(qulonglong(device)),
                    QByteArray::number(qulonglong(inode))}},
                  error);
}

std::vector<QString> ListJournals() {
    const QDir dir(JournalFolder());
    std::vector<QString> paths;
    for (const QString& name : dir.entryList({QStringLiteral("*.journal")}, QDir::Files, QDir::Name))
        paths.push_back(dir.filePath(name));
    return paths;
}

bool ReadJournal(const QString& path, SJournalRun& run, QString* error) {
    run = SJournalRun();
    run.path = path;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    const QList<QByteArray> lines = bytes.split('\n');
    const QList<QByteArray> header = lines.value(0).split('\t');
    if (header.size() < 5 || header[0] != kMagic || !EscapedToRaw(header[1], run.tool) ||
        !EscapedToRaw(header[2], run.folder) || !EscapedToRaw(header[3], run.keys)) {
        if (error)
            *error = QStringLiteral("not a journal of this program");
        return false;
    }
    run.started = header[4];
    // The last line counts only when it is complete: a crash may have cut it.
    for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
        const QList<QByteArray> parts = lines[i].split('\t');
        SJournalRecord record;
        record.kind = parts[0];
        bool ok = !record.kind.isEmpty();
        for (qsizetype f = 1; f < parts.size() && ok; ++f) {
            QByteArray raw;
            ok = EscapedToRaw(parts[f], raw);
            record.fields.push_back(raw);
        }
        if (!ok)
            continue;
        if (record.kind == "undone")
            run.undone = true;
        else
            run.records.push_back(std::move(record));
    }
    return true;
}

bool MarkUndone(const QString& path, QString* error) {
    const int fd = open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
    const QByteArray line =
        "undone\t" + QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toUtf8() + '\n';
    const bool ok =
        fd >= 0 && write(fd, line.constData(), std::size_t(line.size())) == line.size() && fsync(fd) == 0;
    const int code = errno;
    if (fd >= 0)
        close(fd);
    if (!ok && error)
        *error = QStringLiteral("cannot write %1: %2").arg(path, SystemError(code));
    return ok;
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

QByteArray ChildOf(const QByteArray& folder, const QByteArray& name) {
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

// `moved` holds the folders a preview has already (virtually) put back, as (now, then) paths:
// a preview must look for the entries inside them where they are now.
SUndoResult UndoRename(const SJournalRecord& record, bool apply,
                       std::vector<std::pair<QByteArray, QByteArray>>& moved) {
    SUndoResult result;
    if (record.fields.size() < 5) {
        result.status = EUndoStatus::kLeft;
        result.reason = CurrentResources().String(kStrEntryGone);
        return result;
    }
    QByteArray folder = record.fields[0];
    for (auto it = moved.rbegin(); it != moved.rend(); ++it) {
        if (folder == it->second || folder.startsWith(it->second + '/')) {
            folder = it->first + folder.mid(it->second.size());
            break;
        }
    }
    const QByteArray& oldName = record.fields[1];
    const QByteArray& newName = record.fields[2];
    const auto device = dev_t(record.fields[3].toULongLong());
    const auto inode = ino_t(record.fields[4].toULongLong());
    result.path = ChildOf(folder, newName);
    result.target = ChildOf(folder, oldName);
    auto left = [&](int id) {
        result.status = EUndoStatus::kLeft;
        result.reason = CurrentResources().String(id);
        return result;
    };
    const CFolderFd fd = OpenFolderPath(folder);
    if (!fd.IsOpen())
        return left(kStrEntryGone);
    struct stat now {};
    if (fstatat(fd.Fd(), newName.constData(), &now, AT_SYMLINK_NOFOLLOW) != 0) {
        // Under its old name and the same entry: the rename never happened, or was undone.
        struct stat before {};
        if (fstatat(fd.Fd(), oldName.constData(), &before, AT_SYMLINK_NOFOLLOW) == 0 &&
            before.st_dev == device && before.st_ino == inode) {
            result.status = EUndoStatus::kNothing;
            return result;
        }
        return left(kStrEntryGone);
    }
    if (now.st_dev != device || now.st_ino != inode)
        return left(kStrChangedSinceRun);
    struct stat taken {};
    if (fstatat(fd.Fd(), oldName.constData(), &taken, AT_SYMLINK_NOFOLLOW) == 0)
        return left(kStrOldNameTaken);
    if (!apply) {
        result.status = EUndoStatus::kWouldUndo;
        if (S_ISDIR(now.st_mode))
            moved.emplace_back(result.path, ChildOf(record.fields[0], oldName));
        return result;
    }
    int error = 0;
    if (!RenameNoReplaceAt(fd.Fd(), newName, oldName, &error)) {
        if (error == EEXIST || error == ENOTEMPTY)
            return left(kStrOldNameTaken);
        result.status = EUndoStatus::kLeft;
        result.reason = SystemError(error);
        return result;
    }
    result.status = EUndoStatus::kUndone;
    return result;
}

} // namespace

std::vector<SUndoResult> UndoRun(const SJournalRun& run, bool apply, const FRecordUndo& other) {
    std::vector<SUndoResult> results;
    std::vector<std::pair<QByteArray, QByteArray>> moved;
    for (auto it = run.records.rbegin(); it != run.records.rend(); ++it) {
        if (it->kind == "rename") {
            results.push_back(UndoRename(*it, apply, moved));
        } else if (other) {
            results.push_back(other(*it, apply));
        } else {
            SUndoResult result;
            result.path = it->fields.empty() ? QByteArray() : it->fields[0];
            result.status = EUndoStatus::kLeft;
            result.reason =
                QStringLiteral("not a change this tool can undo (%1)").arg(QString::fromUtf8(it->kind));
            results.push_back(result);
        }
    }
    const bool anyLeft = std::any_of(results.begin(), results.end(),
                                     [](const SUndoResult& r) { return r.status == EUndoStatus::kLeft; });
    if (apply && !anyLeft)
        MarkUndone(run.path);
    return results;
}

QString UndoLatestRun(const std::vector<QByteArray>& tools, const FRecordUndo& other) {
    const CResourceModule& texts = CurrentResources();
    const std::vector<QString> journals = ListJournals();
    for (auto it = journals.rbegin(); it != journals.rend(); ++it) {
        SJournalRun run;
        if (!ReadJournal(*it, run) ||
            (!tools.empty() && std::find(tools.begin(), tools.end(), run.tool) == tools.end()))
            continue;
        if (run.undone)
            return texts.String(kStrUndoneAlready);
        int undone = 0;
        QStringList left;
        for (const SUndoResult& result : UndoRun(run, true, other)) {
            if (result.status == EUndoStatus::kUndone)
                ++undone;
            else if (result.status == EUndoStatus::kLeft)
                left << texts.String(kStrNotUndone).arg(ShownName(DecodeRawName(result.path)), result.reason);
        }
        QString summary = texts.String(kStrUndoSummary).arg(undone).arg(left.size());
        if (!left.isEmpty())
            summary += QStringLiteral("\n\n") + left.join(QLatin1Char('\n'));
        return summary;
    }
    return texts.String(kStrNothingToUndo);
}
