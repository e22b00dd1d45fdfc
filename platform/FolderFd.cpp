#include "FolderFd.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

bool ReadFolderRaw(const QByteArray& folder, std::vector<SRawEntry>& entries) {
    namespace fs = std::filesystem;
    entries.clear();
    std::error_code error;
    const fs::path path(std::string(folder.constData(), static_cast<std::size_t>(folder.size())));
    fs::directory_iterator it(path, error);
    if (error)
        return false;
    for (const fs::directory_iterator end; it != end; it.increment(error)) {
        if (error)
            break;
        const std::string name = it->path().filename().string();
        // A broken link or an entry that vanished meanwhile is simply not a folder.
        std::error_code typeError;
        const bool isFolder = it->is_directory(typeError);
        entries.push_back({QByteArray(name.data(), static_cast<qsizetype>(name.size())), isFolder});
    }
    if (error) {
        entries.clear();
        return false;
    }
    return true;
}

CFolderFd& CFolderFd::operator=(CFolderFd&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0)
            close(m_fd);
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

CFolderFd::~CFolderFd() {
    if (m_fd >= 0)
        close(m_fd);
}

CFolderFd OpenFolderPath(const QByteArray& path, int* error) {
    const int fd = open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 && error)
        *error = errno;
    return CFolderFd(fd);
}

CFolderFd OpenFolderAt(int folderFd, const QByteArray& name, int* error) {
    const int fd = openat(folderFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && error)
        *error = errno;
    return CFolderFd(fd);
}

bool ReadFolderAt(int folderFd, std::vector<SListedEntry>& entries) {
    entries.clear();
    // fdopendir takes the descriptor over, so it reads through a copy of its own.
    const int copy = openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = copy >= 0 ? fdopendir(copy) : nullptr;
    if (!dir) {
        if (copy >= 0)
            close(copy);
        return false;
    }
    errno = 0;
    while (const dirent* item = readdir(dir)) {
        const QByteArray name(item->d_name);
        if (name == "." || name == "..")
            continue;
        SListedEntry entry;
        entry.name = name;
        struct stat info {};
        if (fstatat(folderFd, item->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
            entry.device = info.st_dev;
            entry.inode = info.st_ino;
            entry.isLink = S_ISLNK(info.st_mode);
            entry.isFolder = S_ISDIR(info.st_mode);
            struct stat target {};
            // A link to a folder shows as a folder; a broken link is simply not one.
            if (entry.isLink && fstatat(folderFd, item->d_name, &target, 0) == 0)
                entry.isFolder = S_ISDIR(target.st_mode);
        }
        entries.push_back(std::move(entry));
        errno = 0;
    }
    const int readError = errno;
    closedir(dir);
    if (readError != 0) {
        entries.clear();
        return false;
    }
    return true;
}

namespace {

std::atomic<int> g_forceFallback{-1}; // -1: not decided yet, then 0 or 1

bool FallbackForced() {
    int forced = g_forceFallback.load();
    if (forced < 0) {
        const char* env = std::getenv("LETTRINO_RENAME_FALLBACK");
        forced = env && env[0] == '1' ? 1 : 0;
        g_forceFallback.store(forced);
    }
    return forced == 1;
}

bool FallbackRenameAt(int fd, const char* from, const char* to, int& error) {
    struct stat info {};
    if (fstatat(fd, from, &info, AT_SYMLINK_NOFOLLOW) != 0) {
        error = errno;
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        if (linkat(fd, from, fd, to, 0) != 0) {
            error = errno;
            return false;
        }
        if (unlinkat(fd, from, 0) != 0) {
            error = errno;
            unlinkat(fd, to, 0);
            return false;
        }
        return true;
    }
    if (mkdirat(fd, to, 0700) != 0) {
        error = errno;
        return false;
    }
    if (renameat(fd, from, fd, to) != 0) {
        error = errno;
        unlinkat(fd, to, AT_REMOVEDIR);
        return false;
    }
    return true;
}

} // namespace

void ForceRenameFallback(bool force) {
    g_forceFallback.store(force ? 1 : 0);
}

bool RenameNoReplaceAt(int folderFd, const QByteArray& oldName, const QByteArray& newName, int* error) {
    int code = 0;
    bool ok = false;
    if (FallbackForced()) {
        ok = FallbackRenameAt(folderFd, oldName.constData(), newName.constData(), code);
    } else {
        ok = renameat2(folderFd, oldName.constData(), folderFd, newName.constData(), RENAME_NOREPLACE) == 0;
        if (!ok) {
            code = errno;
            if (code == EINVAL || code == ENOSYS || code == ENOTSUP)
                ok = FallbackRenameAt(folderFd, oldName.constData(), newName.constData(), code);
        }
    }
    if (!ok && error)
        *error = code;
    return ok;
}

QByteArray WithSlash(QByteArray path) {
    if (!path.endsWith('/'))
        path += '/';
    return path;
}

QByteArray FolderOfPath(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

long NameMaxAt(int folderFd) {
    const long max = fpathconf(folderFd, _PC_NAME_MAX);
    return max > 0 ? max : 255;
}

namespace {

std::function<void(const QByteArray&)>& Hook() {
    static std::function<void(const QByteArray&)> hook;
    return hook;
}

} // namespace

void SetAfterListingHook(std::function<void(const QByteArray&)> hook) {
    Hook() = std::move(hook);
}

void AfterListing(const QByteArray& folderPath) {
    if (Hook())
        Hook()(folderPath);
}
