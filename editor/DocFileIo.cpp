#include "DocFileIo.h"

#include "CResourceModule.h"
#include "RawNames.h"
#include "ResourceIds.h"
#include "TextPaths.h"
#include "Utf8.h"

#include <QCryptographicHash>
#include <QDir>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kRecoveryMagic[] = "lettrino-recovery 1";
constexpr char kRecoveryExt[] = ".recovery";
// Temporaries of saves under names that are not UTF-8, from before every save went through the
// verified replace: any this old belongs to no running save.
constexpr char kOldTempPrefix[] = ".lettrino-";
constexpr qint64 kOldTempAge = 600;

QByteArray FolderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

QByteArray NameOf(const QByteArray& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

bool ReadAllFd(int fd, QByteArray& bytes) {
    bytes.clear();
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        bytes.append(buffer, n);
    }
}

// The whole of fd reads back as bytes, no more and no less.
bool ReadsBack(int fd, const QByteArray& bytes, QString& error) {
    struct stat info {};
    QByteArray back;
    if (::fstat(fd, &info) != 0 || info.st_size != bytes.size() ||
        (!bytes.isEmpty() && !ReadAt(fd, 0, bytes.size(), back)) || (!bytes.isEmpty() && back != bytes)) {
        error = CurrentResources().String(1309);
        return false;
    }
    return true;
}

// A new file holding bytes, flushed and read back; never replaces anything.
bool WriteNewFile(const QByteArray& path, const QByteArray& bytes, mode_t mode, QString& error) {
    const CFd fd(::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode));
    if (fd.get() < 0 || !WriteAll(fd.get(), bytes.constData(), bytes.size()) || ::fsync(fd.get()) != 0) {
        error = SystemReason(errno);
        if (fd.get() >= 0)
            ::unlink(path.constData());
        return false;
    }
    if (!ReadsBack(fd.get(), bytes, error)) {
        ::unlink(path.constData());
        return false;
    }
    return true;
}

// Rewrites the file's content in place: the room first, so that a full disk is found before the
// first byte is overwritten; then the bytes, flushed and read back.
bool RewriteInPlace(const QByteArray& path, const QByteArray& bytes, QString& error) {
    const CFd fd(::open(path.constData(), O_RDWR | O_CLOEXEC));
    if (fd.get() < 0) {
        error = SystemReason(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        error = SystemReason(errno);
        return false;
    }
    if (bytes.size() > info.st_size) {
        const int code = ::posix_fallocate(fd.get(), 0, bytes.size());
        if (code != 0 && code != EOPNOTSUPP && code != EINVAL) {
            error = SystemReason(code);
            return false;
        }
    }
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n =
            ::pwrite(fd.get(), bytes.constData() + done, std::size_t(bytes.size() - done), done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = SystemReason(n < 0 ? errno : ENOSPC);
            return false;
        }
        done += n;
    }
    if (::ftruncate(fd.get(), bytes.size()) != 0 || ::fsync(fd.get()) != 0) {
        error = SystemReason(errno);
        return false;
    }
    return ReadsBack(fd.get(), bytes, error);
}

bool StateOfFd(int fd, const QByteArray& bytes, SDiskState& state) {
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return false;
    state.stamp = StampOf(info);
    state.hash = ContentHash(bytes);
    state.known = true;
    return true;
}

bool ProcessAlive(qint64 pid) {
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

} // namespace

QByteArray ContentHash(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

bool ReadDocumentFile(const QString& path, QByteArray& bytes, SDiskState& state, QString& error, int& code) {
    // Non-blocking: a named pipe must not hang the editor before it is refused.
    const CFd fd(::open(PathToBytes(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0) {
        code = errno;
        error = SystemReason(code);
        return false;
    }
    if (S_ISDIR(info.st_mode) || !S_ISREG(info.st_mode)) {
        code = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        error = CurrentResources().String(S_ISDIR(info.st_mode) ? kStrIsFolder : 1301);
        return false;
    }
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    if (!ReadAllFd(fd.get(), bytes) || !StateOfFd(fd.get(), bytes, state)) {
        code = errno;
        error = SystemReason(code);
        return false;
    }
    return true;
}

SDiskState CurrentDiskState(const QString& path, bool& exists) {
    SDiskState state;
    QByteArray bytes;
    QString error;
    int code = 0;
    exists = ReadDocumentFile(path, bytes, state, error, code) || code != ENOENT;
    return state;
}

bool WriteDocumentFile(const QString& path, const QByteArray& bytes, const QString& keepFolder,
                       SWriteResult& result, QString& error) {
    QByteArray target = PathToBytes(path);
    // Through a link to the file it names, as every editor saves.
    if (char real[PATH_MAX]; ::realpath(target.constData(), real) != nullptr)
        target = real;
    bool created = false;
    struct stat info {};
    if (::lstat(target.constData(), &info) != 0) {
        if (errno != ENOENT) {
            error = SystemReason(errno);
            return false;
        }
        // A new file is claimed empty first: the verified replace then has a file to replace.
        const CFd fd(::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
        if (fd.get() < 0) {
            error = SystemReason(errno);
            return false;
        }
        created = true;
    }
    const auto write = [&](int fd, QString& reason) {
        if (WriteAll(fd, bytes.constData(), bytes.size()))
            return true;
        reason = SystemReason(errno);
        return false;
    };
    const auto verify = [&](int fd, QString& reason) { return ReadsBack(fd, bytes, reason); };
    QString replaceError;
    if (ReplaceFileVerified(target, nullptr, write, verify, replaceError)) {
        const CFd fd(::open(target.constData(), O_RDONLY | O_CLOEXEC));
        result.inPlace = false;
        if (fd.get() >= 0)
            StateOfFd(fd.get(), bytes, result.state);
        return true;
    }
    const QByteArray folder = FolderOf(target);
    const bool folderRefuses = ::faccessat(AT_FDCWD, folder.constData(), W_OK, AT_EACCESS) != 0 &&
                               (errno == EACCES || errno == EPERM);
    if (created || !folderRefuses || keepFolder.isEmpty() ||
        ::faccessat(AT_FDCWD, target.constData(), W_OK, AT_EACCESS) != 0) {
        if (created)
            ::unlink(target.constData()); // still the empty file claimed above
        error = replaceError;
        return false;
    }
    // The folder takes no copy beside the file: the file is rewritten in place, but only once a
    // verified copy of the new bytes exists where the user can write.
    QDir().mkpath(keepFolder);
    const QByteArray keep = QFile::encodeName(keepFolder) + '/' + ContentHash(target).toHex().left(16) + '-' +
                            QByteArray::number(::getpid()) + ".saved";
    ::unlink(keep.constData());
    if (!WriteNewFile(keep, bytes, 0600, error))
        return false;
    if (!RewriteInPlace(target, bytes, error)) {
        error += QStringLiteral("; ") + CurrentResources().String(1310).arg(QFile::decodeName(keep));
        return false;
    }
    ::unlink(keep.constData());
    result.inPlace = true;
    const CFd fd(::open(target.constData(), O_RDONLY | O_CLOEXEC));
    if (fd.get() >= 0)
        StateOfFd(fd.get(), bytes, result.state);
    return true;
}

void CleanSaveLeftovers(const QString& path) {
    const QByteArray bytes = PathToBytes(QDir::cleanPath(QDir::current().absoluteFilePath(path)));
    const QByteArray folder = FolderOf(bytes);
    std::vector<SRawEntry> entries;
    if (!ReadFolderRaw(folder, entries))
        return;
    // A save's temporary copy of this file that a kill left: the file itself is still whole, so
    // removing one of our own loses nothing. Raw-name temporaries only when old enough to belong
    // to no save running now.
    const QByteArray ownTemp = '.' + NameOf(bytes) + ".lt-tmp-";
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    for (const SRawEntry& entry : entries) {
        const bool oldTemp = entry.name.startsWith(kOldTempPrefix) &&
                             entry.name.size() == qsizetype(sizeof kOldTempPrefix - 1 + 6);
        const bool saveTemp = entry.name.startsWith(ownTemp) && entry.name.size() == ownTemp.size() + 6 &&
                              IsLeftoverName(entry.name);
        if (entry.isFolder || !(oldTemp || saveTemp))
            continue;
        const QByteArray full = folder + '/' + entry.name;
        struct stat info {};
        if (::lstat(full.constData(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
            (saveTemp || info.st_mtim.tv_sec < now - kOldTempAge))
            ::unlink(full.constData());
    }
}

QString RecoveryFolder() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/lettrino/recovery");
}

bool WriteRecovery(const QString& file, const QString& documentPath, const QString& title,
                   const std::u16string& text, QString& error) {
    const QString folder = QFileInfo(file).path();
    if (!QDir().mkpath(folder)) {
        error = SystemReason(errno);
        return false;
    }
    ::chmod(QFile::encodeName(folder).constData(), 0700);
    QByteArray bytes = QByteArray(kRecoveryMagic) + '\n' + QByteArray::number(::getpid()) + '\t' +
                       QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toUtf8() + '\n' +
                       RawToEscaped(PathToBytes(documentPath)) + '\n' + title.toUtf8().replace('\n', ' ') +
                       '\n';
    const std::string body = Utf16ToUtf8Escaped(text);
    bytes.append(body.data(), qsizetype(body.size()));
    const QByteArray path = QFile::encodeName(file);
    // Private from the start: the text may be anything the user typed.
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        error = SystemReason(errno);
        return false;
    }
    ::close(fd);
    SWriteResult result;
    return WriteDocumentFile(file, bytes, QString(), result, error);
}

bool ReadRecovery(const QString& file, SRecovery& recovery) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = in.readAll();
    QList<QByteArray> head;
    qsizetype at = 0;
    for (int line = 0; line < 4; ++line) {
        const qsizetype end = bytes.indexOf('\n', at);
        if (end < 0)
            return false;
        head << bytes.mid(at, end - at);
        at = end + 1;
    }
    const QList<QByteArray> process = head[1].split('\t');
    QByteArray path;
    if (head[0] != kRecoveryMagic || process.size() != 2 || !EscapedToRaw(head[2], path))
        return false;
    recovery.file = file;
    recovery.pid = process[0].toLongLong();
    recovery.written = QDateTime::fromString(QString::fromLatin1(process[1]), Qt::ISODateWithMs);
    recovery.documentPath = PathFromBytes(path);
    recovery.title = QString::fromUtf8(head[3]);
    recovery.text = Utf8ToUtf16Escaped(reinterpret_cast<const unsigned char*>(bytes.constData() + at),
                                       std::size_t(bytes.size() - at));
    return recovery.written.isValid();
}

std::vector<SRecovery> StaleRecoveries() {
    std::vector<SRecovery> found;
    const QDir dir(RecoveryFolder());
    for (const QString& name :
         dir.entryList({QStringLiteral("*") + QLatin1String(kRecoveryExt)}, QDir::Files)) {
        SRecovery recovery;
        if (!ReadRecovery(dir.filePath(name), recovery) || ProcessAlive(recovery.pid))
            continue;
        if (!recovery.documentPath.isEmpty()) {
            struct stat info {};
            const QByteArray document = PathToBytes(recovery.documentPath);
            if (::stat(document.constData(), &info) == 0 &&
                QDateTime::fromSecsSinceEpoch(info.st_mtim.tv_sec).addMSecs(info.st_mtim.tv_nsec / 1000000) >
                    recovery.written)
                continue; // the document was saved after the text was kept
        }
        found.push_back(std::move(recovery));
    }
    std::sort(found.begin(), found.end(),
              [](const SRecovery& a, const SRecovery& b) { return a.written > b.written; });
    return found;
}
