// Loaded with LD_PRELOAD: every read and flush of the file (or folder) named by LT_TEST_EIO_NAME
// fails with EIO, as a failing disk's would.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <unistd.h>

namespace {

bool Failing(int fd) {
    const char* name = std::getenv("LT_TEST_EIO_NAME");
    if (name == nullptr)
        return false;
    char target[PATH_MAX];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0)
        return false;
    target[n] = '\0';
    const char* slash = std::strrchr(target, '/');
    return std::strcmp(slash ? slash + 1 : target, name) == 0;
}

using FPread = ssize_t (*)(int, void*, size_t, off_t);
using FFsync = int (*)(int);

} // namespace

extern "C" ssize_t pread(int fd, void* buffer, size_t count, off_t offset) {
    static const auto next = reinterpret_cast<FPread>(dlsym(RTLD_NEXT, "pread"));
    if (Failing(fd)) {
        errno = EIO;
        return -1;
    }
    return next(fd, buffer, count, offset);
}

extern "C" int fsync(int fd) {
    static const auto next = reinterpret_cast<FFsync>(dlsym(RTLD_NEXT, "fsync"));
    if (Failing(fd)) {
        errno = EIO;
        return -1;
    }
    return next(fd);
}

extern "C" ssize_t pread64(int fd, void* buffer, size_t count, off_t offset) {
    return pread(fd, buffer, count, offset);
}
