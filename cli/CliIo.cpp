#include "CliIo.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::string InputName(const std::string& path) {
    return path.empty() ? "standard input" : path;
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

CInputStream::~CInputStream() {
    if (m_fd > STDIN_FILENO)
        close(m_fd);
}

bool CInputStream::Open(const std::string& path, std::string& error) {
    m_name = InputName(path);
    m_end = false;
    if (path.empty()) {
        m_fd = STDIN_FILENO;
        return true;
    }
    m_fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (fstat(m_fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        error = path + ": is a folder, not a file";
        return false;
    }
    return true;
}

bool CInputStream::Read(std::string& buffer, std::size_t max, std::string& error) {
    const std::size_t start = buffer.size();
    buffer.resize(start + max);
    std::size_t got = 0;
    while (got < max && !m_end) {
        const ssize_t n = read(m_fd, buffer.data() + start + got, max - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            buffer.resize(start + got);
            error = m_name + ": " + std::strerror(errno);
            return false;
        }
        m_end = n == 0;
        got += std::size_t(n);
    }
    buffer.resize(start + got);
    return true;
}

bool CInputStream::Rewind() {
    struct stat info {};
    if (fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode) || lseek(m_fd, 0, SEEK_SET) != 0)
        return false;
    m_end = false;
    return true;
}
