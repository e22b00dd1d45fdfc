#include "SafeFile.h"

#include "CResourceModule.h"
#include "FileMetadata.h"
#include "Journal.h"
#include "RawNames.h"
#include "ResourceIds.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

constexpr char kTempMark[] = ".lt-tmp-";
constexpr char kKeepMark[] = ".lt-keep-";
constexpr int kSuffixBytes = 6;
constexpr int kNameMax = 255;

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

std::function<void(off_t)> g_inPlaceHook;

// The digest of the whole content of fd (hex).
bool DigestOf(int fd, QByteArray& digest) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    constexpr qsizetype kChunk = 1 << 20;
    QByteArray buffer;
    for (off_t at = 0;; at += kChunk) {
        buffer.resize(kChunk);
        const ssize_t n = ::pread(fd, buffer.data(), std::size_t(kChunk), at);
        if (n < 0 && errno == EINTR) {
            at -= kChunk;
            continue;
        }
        if (n < 0)
            return false;
        if (n == 0)
            break;
        hash.addData(QByteArrayView(buffer.constData(), n));
    }
    digest = hash.result().toHex();
    return true;
}

// The content of `from` over `to`, in place, flushed, then read back and compared.
// While the rewrite is under way the file keeps its time, so that whoever finishes it after a kill
// can tell it from a file someone changed since; the time is now once it is done.
bool CopyInPlace(int from, int to, QString& error) {
    struct stat source {};
    struct stat target {};
    if (::fstat(from, &source) != 0 || ::fstat(to, &target) != 0)
        return Fail(error, 1312);
    const timespec kept[2] = {{0, UTIME_OMIT}, target.st_mtim};
    // Only the owner may set a time: another's file (written through its access list) takes the
    // time of the write, and a cut rewrite of it is then not finished from its copy, only reported.
    auto keepTime = [&] { return ::futimens(to, kept) == 0 || errno == EPERM || errno == EACCES; };
    // The room first: a full disk must be found before the first byte is overwritten.
    if (source.st_size > target.st_size) {
        const int code = ::posix_fallocate(to, 0, source.st_size);
        if (code != 0) {
            if (::ftruncate(to, target.st_size) != 0) {
                // Nothing more can be done; the verified copy stays for the next run.
            }
            keepTime();
            error = Reason(1323, code);
            return false;
        }
        if (!keepTime())
            return Fail(error, 1305);
    }
    constexpr qsizetype kChunk = 1 << 20;
    QByteArray buffer;
    for (off_t at = 0; at < source.st_size; at += kChunk) {
        const qsizetype n = qsizetype(std::min<off_t>(kChunk, source.st_size - at));
        if (!ReadAt(from, at, n, buffer))
            return Fail(error, 1309);
        if (::pwrite(to, buffer.constData(), std::size_t(n), at) != n || !keepTime())
            return Fail(error, 1305);
        if (g_inPlaceHook)
            g_inPlaceHook(at + n);
    }
    if (::ftruncate(to, source.st_size) != 0 || !keepTime() || ::fsync(to) != 0)
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
    const timespec now[2] = {{0, UTIME_OMIT}, {0, UTIME_NOW}};
    ::futimens(to, now);
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

bool ReadMetadataAt(int dirFd, const QByteArray& name, SFileMetadata& meta) {
    const CFd file(::openat(dirFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    return file.get() >= 0 && ReadMetadata(file.get(), meta);
}

// The new copy takes the file's exact metadata and must read back with it before it may take the
// file's place. Where the system does not let us give it (another owner, a security label), the
// file is to be rewritten in place, keeping its own: inPlace is set and the copy made private.
bool GiveMetadata(int copy, const SFileMetadata& meta, bool& inPlace, QString& error) {
    if (ApplyMetadata(copy, meta))
        return true;
    if (!MetadataNotPermitted(errno))
        return Fail(error, 2501);
    inPlace = true;
    ::fremovexattr(copy, "system.posix_acl_access");
    if (::fchmod(copy, 0600) != 0)
        return Fail(error, 2501);
    return true;
}

// A replace is done only once the folder that names the new file is on disk.
bool FlushFolder(int dirFd, QString& error) {
    if (::fsync(dirFd) == 0 || errno == EINVAL)
        return true;
    return Fail(error, 2504);
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
    SFileMetadata meta;
    if (!ReadMetadataAt(dir.get(), name, meta))
        return Fail(error, 2500);

    // The change this replace makes, when journalled: its side files and its result go there too.
    const long change = TakeJournalledChange();
    CJournal* journal = change >= 0 ? CurrentJournal() : nullptr;
    const QByteArray suffix = RandomSuffix();
    const QByteArray temp = SideName(name, kTempMark, suffix);
    std::vector<QByteArray> place;
    if (journal) {
        place = PlaceFields(PlaceOf(dir.get()));
        std::vector<QByteArray> fields = place;
        fields.push_back(temp);
        if (!journal->Append({"temp", fields}, &error))
            return false;
    }
    auto done = [&](int fd) {
        struct stat now {};
        if (journal && ::fstat(fd, &now) == 0)
            journal->Done(change, now.st_dev, now.st_ino);
        return true;
    };
    const CFd copy(
        ::openat(dir.get(), temp.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (copy.get() < 0)
        return Fail(error, 1306);
    auto discard = [&] { ::unlinkat(dir.get(), temp.constData(), 0); };
    if (!write(copy.get(), error)) {
        discard();
        return false;
    }
    bool inPlace = info.st_nlink > 1;
    if (!inPlace && !GiveMetadata(copy.get(), meta, inPlace, error)) {
        discard();
        return false;
    }
    if (::fsync(copy.get()) != 0) {
        Fail(error, 1307);
        discard();
        return false;
    }
    if (!verify(copy.get(), error) || !StillTheSame(dir.get(), name, stamp, error)) {
        discard();
        return false;
    }

    if (!inPlace) {
        if (::renameat(dir.get(), temp.constData(), dir.get(), name.constData()) == 0) {
            done(copy.get());
            return FlushFolder(dir.get(), error);
        }
        if (errno != EPERM && errno != EACCES && errno != EBUSY) {
            Fail(error, 1308);
            discard();
            return false;
        }
    }
    if (!InPlaceKeepsMetadata(meta)) {
        error = Text(2502);
        discard();
        return false;
    }
    // Other names share the file (or the folder keeps it): its content is rewritten in place, from a
    // copy marked verified, which a later run finishes from should this one be cut short.
    const QByteArray keep = SideName(name, kKeepMark, suffix);
    if (keep.size() - qsizetype(std::strlen(kKeepMark)) - suffix.size() - 1 != name.size()) {
        error = Text(1311);
        discard();
        return false;
    }
    if (journal) {
        // What the copy is and holds, so that only this very copy is ever used to finish the rewrite.
        struct stat kept {};
        QByteArray digest;
        if (::fstat(copy.get(), &kept) != 0 || !DigestOf(copy.get(), digest)) {
            Fail(error, 1309);
            discard();
            return false;
        }
        std::vector<QByteArray> fields = place;
        fields.insert(fields.end(),
                      {keep, QByteArray::number(qulonglong(kept.st_dev)),
                       QByteArray::number(qulonglong(kept.st_ino)), digest, name,
                       QByteArray::number(qulonglong(info.st_dev)),
                       QByteArray::number(qulonglong(info.st_ino)), QByteArray::number(qlonglong(change)),
                       QByteArray::number(qlonglong(info.st_size)),
                       QByteArray::number(qlonglong(info.st_mtim.tv_sec)) + '.' +
                           QByteArray::number(qlonglong(info.st_mtim.tv_nsec))});
        if (!journal->Append({"keep", fields}, &error)) {
            discard();
            return false;
        }
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
    done(original.get());
    if (!RestoreMetadata(original.get(), meta))
        return Fail(error, 2503);
    return FlushFolder(dir.get(), error);
}

bool IsLeftoverName(const QByteArray& name) {
    for (const char* mark : {kTempMark, kKeepMark}) {
        const qsizetype at = name.size() - kSuffixBytes - qsizetype(std::strlen(mark));
        if (name.startsWith('.') && at > 0 && name.mid(at, qsizetype(std::strlen(mark))) == mark)
            return true;
    }
    return false;
}

void SetInPlaceWriteHook(std::function<void(off_t written)> hook) {
    g_inPlaceHook = std::move(hook);
}

void CleanLeftovers(const QByteArray& folder, std::vector<QString>& messages) {
    const CFd dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        return;
    std::vector<SListedEntry> entries;
    if (!ReadFolderAt(dir.get(), entries))
        return;
    // The journals are read only when something here is named like ours.
    if (std::none_of(entries.begin(), entries.end(),
                     [](const SListedEntry& e) { return IsLeftoverName(e.name); }))
        return;
    CleanLeftoversAt(dir.get(), RecordedSideFiles(dir.get()), messages);
}

namespace {

// A file of this user; for root any (its copies are given the owner of the file they copy).
bool OursOrRoots(const struct stat& info) {
    return info.st_uid == ::geteuid() || ::geteuid() == 0;
}

// Finishes the rewrite of `file.target` from the recorded copy, when both are still what the journal
// says; the message for the user either way.
QString FinishFromCopy(int dir, const SSideFile& file) {
    const QString shown = DecodeRawName(file.name);
    const CFd from(::openat(dir, file.name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat copy {};
    if (from.get() < 0 || ::fstat(from.get(), &copy) != 0)
        return Reason(Text(1322).arg(shown), errno);
    QByteArray digest;
    if (!S_ISREG(copy.st_mode) || !OursOrRoots(copy) || copy.st_dev != file.device ||
        copy.st_ino != file.inode || !DigestOf(from.get(), digest) || digest != file.digest)
        return Text(kStrLeftoverNotOurs).arg(shown);
    if (file.stale) {
        // The rewrite finished; a later change of the file must not be undone by an old copy.
        ::unlinkat(dir, file.name.constData(), 0);
        return Text(1320).arg(shown);
    }
    const CFd to(::openat(dir, file.target.constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat target {};
    if (to.get() < 0 || ::fstat(to.get(), &target) != 0)
        return Reason(Text(1322).arg(shown), errno);
    // The file the run rewrote, as the cut rewrite left it: its time, and its old or its new size.
    const bool asLeft =
        target.st_mtim == file.targetTime &&
        (target.st_size == file.targetSize || target.st_size == std::max(file.targetSize, copy.st_size));
    if (!S_ISREG(target.st_mode) || !OursOrRoots(target) || target.st_dev != file.targetDevice ||
        target.st_ino != file.targetInode || !asLeft)
        return Text(1322).arg(shown) + QStringLiteral(": ") + Text(1302);
    QString error;
    if (!CopyInPlace(from.get(), to.get(), error))
        return Text(1322).arg(shown) + QStringLiteral(": ") + error;
    ::unlinkat(dir, file.name.constData(), 0);
    ::fsync(dir);
    return Text(1321).arg(DecodeRawName(file.target));
}

} // namespace

void CleanLeftoversAt(int folderFd, const std::vector<SSideFile>& recorded, std::vector<QString>& messages,
                      bool onlyRecorded) {
    std::vector<SListedEntry> entries;
    if (!ReadFolderAt(folderFd, entries))
        return;
    for (const SListedEntry& entry : entries) {
        if (entry.isFolder || !IsLeftoverName(entry.name))
            continue;
        const QString shown = DecodeRawName(entry.name);
        const auto it = std::find_if(recorded.begin(), recorded.end(),
                                     [&](const SSideFile& file) { return file.name == entry.name; });
        if (it == recorded.end()) {
            if (!onlyRecorded)
                messages.push_back(Text(kStrLeftoverNotOurs).arg(shown));
            continue;
        }
        if (it->keep) {
            messages.push_back(FinishFromCopy(folderFd, *it));
            continue;
        }
        // A copy never renamed into place: the original is still whole.
        struct stat info {};
        if (::fstatat(folderFd, entry.name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(info.st_mode) || !OursOrRoots(info))
            messages.push_back(Text(kStrLeftoverNotOurs).arg(shown));
        else if (::unlinkat(folderFd, entry.name.constData(), 0) == 0)
            messages.push_back(Text(1320).arg(shown));
        else
            messages.push_back(Reason(Text(1326).arg(shown), errno));
    }
}
