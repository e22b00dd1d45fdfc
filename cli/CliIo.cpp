#include "CliIo.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool ReadFd(int fd, std::string& bytes, std::size_t sizeHint) {
    bytes.clear();
    bytes.reserve(sizeHint);
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.append(buffer, std::size_t(got));
    }
}

} // namespace

std::string InputName(const std::string& path) {
    return path.empty() ? "standard input" : path;
}

bool ReadAll(const std::string& path, std::string& bytes, std::string& error) {
    if (path.empty()) {
        if (!ReadFd(STDIN_FILENO, bytes, 0)) {
            error = "standard input: " + std::string(std::strerror(errno));
            return false;
        }
        return true;
    }
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        close(fd);
        error = path + ": is a folder, not a file";
        return false;
    }
    const bool ok = ReadFd(fd, bytes, S_ISREG(info.st_mode) ? std::size_t(info.st_size) : 0);
    const int readErrno = errno;
    close(fd);
    if (!ok) {
        error = path + ": " + std::strerror(readErrno);
        return false;
    }
    return true;
}

bool WriteOut(std::string_view bytes, std::string& error) {
    while (!bytes.empty()) {
        const ssize_t written = write(STDOUT_FILENO, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            error = "standard output: " + std::string(std::strerror(errno));
            return false;
        }
        bytes.remove_prefix(std::size_t(written));
    }
    return true;
}
