#include "SafeFile.h"

#include "CResourceModule.h"
#include "RawNames.h"

#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr char kTempMark[] = ".lt-tmp-";
constexpr char kKeepMark[] = ".lt-keep-";
constexpr int kSuffixBytes = 6;
constexpr int kNameMax = 255;

// Closes on every path out.
class CFd {
public:
    explicit CFd(int fd = -1) : m_fd(fd) {}
    ~CFd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

void SplitPath(const QByteArray& path, QByteArray& folder, QByteArray& name) {
    const qsizetype slash = path.lastIndexOf('/');
    folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
    name = path.mid(slash + 1);
}

QByteArray RandomSuffix() {
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray out;
    for (int i = 0; i < kSuffixBytes; ++i)
        out += kChars[QRandomGenerator::global()->bounded(int(sizeof kChars) - 1)];
    return out;
}

// "." + name + mark + suffix; a long name is cut so that the whole still fits the folder.
QByteArray SideName(const QByteArray& name, const char* mark, const QByteArray& suffix) {
    const qsizetype room = kNameMax - 1 - qsizetype(std::strlen(mark)) - suffix.size();
    return '.' + name.left(room) + mark + suffix;
}

QString Text(int id) {
    return CurrentResources().String(id);
}

QString Reason(const QString& what, int code) {
    return what + QStringLiteral(": ") + SystemReason(code);
}

QString Reason(int what, int code) {
    return Reason(Text(what), code);
}

// Sets error from errno.
bool Fail(QString& error, int what) {
    error = Reason(what, errno);
    return false;
}

// The content of `from` over `to`, in place, flushed, then read back and compared.
bool CopyInPlace(int from, int to, QString& error) {
    struct stat source {};
    struct stat target {};
    if (::fstat(from, &source) != 0 || ::fstat(to, &target) != 0)
        return Fail(error, 1312);
    // The room first: a full disk must be found before the first byte is overwritten.
    if (source.st_size > target.st_size) {
        const int code = ::posix_fallocate(to, 0, source.st_size);
        if (code != 0) {
            if (::ftruncate(to, target.st_size) != 0) {
                // Nothing more can be done; the verified copy stays for the next run.
            }
            error = Reason(1323, code);
            return false;
        }
    }
    constexpr qsizetype kChunk = 1 << 20;
    QByteArray buffer;
    for (off_t at = 0; at < source.st_size; at += kChunk) {
        const qsizetype n = qsizetype(std::min<off_t>(kChunk, source.st_size - at));
        if (!ReadAt(from, at, n, buffer))
            return Fail(error, 1309);
        if (::pwrite(to, buffer.constData(), std::size_t(n), at) != n)
            return Fail(error, 1305);
    }
    if (::ftruncate(to, source.st_size) != 0 || ::fsync(to) != 0)
        return Fail(error, 1305);
    QByteArray check;
    for (off_t at = 0; at < source.st_size; at += kChunk) {
        const qsizetype n = qsizetype(std::min<off_t>(kChunk, source.st_size - at));
        if (!ReadAt(from, at, n, buffer) || !ReadAt(to, at, n, check))
            return Fail(error, 1309);
        if (buffer != check) {
            error = Text(1309);
            return false;
        }
    }
    return true;
}

bool StillTheSame(int dirFd, const QByteArray& name, const SFileStamp& stamp, QString& error) {
    struct stat now {};
    if (::fstatat(dirFd, name.constData(), &now, AT_SYMLINK_NOFOLLOW) != 0)
        return Fail(error, 1324);
    if (StampOf(now) != stamp) {
        error = Text(1302);
        return false;
    }
    return true;
}

} // namespace

SFileStamp StampOf(const struct stat& info) {
    SFileStamp stamp;
    stamp.dev = info.st_dev;
    stamp.ino = info.st_ino;
    stamp.size = info.st_size;
    stamp.mtime = info.st_mtim;
    return stamp;
}

QString SystemReason(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

bool ReadAt(int fd, off_t offset, qsizetype count, QByteArray& out) {
    out.resize(count);
    qsizetype done = 0;
    while (done < count) {
        const ssize_t n = ::pread(fd, out.data() + done, std::size_t(count - done), offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            out.resize(done);
            return false;
        }
        done += n;
    }
    return true;
}

bool WriteAll(int fd, const char* data, qsizetype count) {
    while (count > 0) {
        const ssize_t n = ::write(fd, data, std::size_t(count));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        data += n;
        count -= n;
    }
    return true;
}

bool ReplaceFileVerified(const QByteArray& path, const SFileStamp* expected, const FWriteCopy& write,
                         const FVerifyCopy& verify, QString& error) {
    QByteArray folder;
    QByteArray name;
    SplitPath(path, folder, name);
    const CFd dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        return Fail(error, 1303);
    struct stat info {};
    if (::fstatat(dir.get(), name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return Fail(error, 1304);
    if (S_ISLNK(info.st_mode)) {
        error = Text(1300);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error = Text(1301);
        return false;
    }
    const SFileStamp stamp = StampOf(info);
    if (expected != nullptr && *expected != stamp) {
        error = Text(1302);
        return false;
    }
    // A file the user may not write stays as it is, even though its folder would let us replace it.
    if (::faccessat(dir.get(), name.constData(), W_OK, AT_EACCESS) != 0)
        return Fail(error, 1305);

    const QByteArray suffix = RandomSuffix();
    const QByteArray temp = SideName(name, kTempMark, suffix);
    const CFd copy(
        ::openat(dir.get(), temp.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (copy.get() < 0)
        return Fail(error, 1306);
    auto discard = [&] { ::unlinkat(dir.get(), temp.constData(), 0); };
    if (!write(copy.get(), error)) {
        discard();
        return false;
    }
    // The owner is kept where the system lets us, the group where that alone is allowed.
    if (::fchown(copy.get(), info.st_uid, info.st_gid) != 0 &&
        ::fchown(copy.get(), uid_t(-1), info.st_gid) != 0) {
        // Left as ours: a replace is still better than no change, and the mode follows below.
    }
    if (::fchmod(copy.get(), info.st_mode & 07777) != 0 || ::fsync(copy.get()) != 0) {
        Fail(error, 1307);
        discard();
        return false;
    }
    if (!verify(copy.get(), error) || !StillTheSame(dir.get(), name, stamp, error)) {
        discard();
        return false;
    }

    if (info.st_nlink <= 1) {
        if (::renameat(dir.get(), temp.constData(), dir.get(), name.constData()) == 0) {
            ::fsync(dir.get());
            return true;
        }
        if (errno != EPERM && errno != EACCES && errno != EBUSY) {
            Fail(error, 1308);
            discard();
            return false;
        }
    }
    // Other names share the file (or the folder keeps it): its content is rewritten in place, from a
    // copy marked verified, which a later run finishes from should this one be cut short.
    const QByteArray keep = SideName(name, kKeepMark, suffix);
    if (keep.size() - qsizetype(std::strlen(kKeepMark)) - suffix.size() - 1 != name.size()) {
        error = Text(1311);
        discard();
        return false;
    }
    if (::renameat(dir.get(), temp.constData(), dir.get(), keep.constData()) != 0) {
        Fail(error, 1325);
        discard();
        return false;
    }
    ::fsync(dir.get());
    const CFd original(::openat(dir.get(), name.constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
    if (original.get() < 0 || !StillTheSame(dir.get(), name, stamp, error)) {
        if (original.get() < 0)
            Fail(error, 1312);
        ::unlinkat(dir.get(), keep.constData(), 0);
        return false;
    }
    if (!CopyInPlace(copy.get(), original.get(), error)) {
        error += QStringLiteral("; ") + Text(1310).arg(DecodeRawName(keep));
        return false;
    }
    ::unlinkat(dir.get(), keep.constData(), 0);
    ::fsync(dir.get());
    return true;
}

bool IsLeftoverName(const QByteArray& name) {
    for (const char* mark : {kTempMark, kKeepMark}) {
        const qsizetype at = name.size() - kSuffixBytes - qsizetype(std::strlen(mark));
        if (name.startsWith('.') && at > 0 && name.mid(at, qsizetype(std::strlen(mark))) == mark)
            return true;
    }
    return false;
}

void CleanLeftovers(const QByteArray& folder, std::vector<QString>& messages, const QByteArray& onlyFor) {
    std::vector<SRawEntry> entries;
    if (!ReadFolderRaw(folder, entries))
        return;
    const CFd dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        return;
    const qsizetype keepMark = qsizetype(std::strlen(kKeepMark));
    for (const SRawEntry& entry : entries) {
        if (entry.isFolder || !IsLeftoverName(entry.name))
            continue;
        if (!onlyFor.isEmpty() && !entry.name.startsWith('.' + onlyFor + ".lt-"))
            continue;
        const QString shown = DecodeRawName(entry.name);
        const qsizetype at = entry.name.size() - kSuffixBytes - keepMark;
        if (entry.name.mid(at, keepMark) != kKeepMark) {
            // A copy never renamed into place: the original is still whole.
            if (::unlinkat(dir.get(), entry.name.constData(), 0) == 0)
                messages.push_back(Text(1320).arg(shown));
            else
                messages.push_back(Reason(Text(1326).arg(shown), errno));
            continue;
        }
        // A verified copy whose in-place rewrite may have been cut short: the rewrite is finished.
        const QByteArray original = entry.name.mid(1, at - 1);
        const CFd from(::openat(dir.get(), entry.name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        const CFd to(::openat(dir.get(), original.constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
        QString error;
        if (from.get() < 0 || to.get() < 0) {
            messages.push_back(Reason(Text(1322).arg(shown), errno));
        } else if (!CopyInPlace(from.get(), to.get(), error)) {
            messages.push_back(Text(1322).arg(shown) + QStringLiteral(": ") + error);
        } else {
            ::unlinkat(dir.get(), entry.name.constData(), 0);
            messages.push_back(Text(1321).arg(DecodeRawName(original)));
        }
    }
}
