#include "CliIo.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool ReadFd(int fd, std::string& bytes) {
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

CInputBytes::~CInputBytes() {
    Close();
}

void CInputBytes::Close() {
    if (m_mapped)
        munmap(const_cast<char*>(m_mapped), m_size);
    m_mapped = nullptr;
    m_size = 0;
    m_buffer.clear();
    m_buffer.shrink_to_fit();
}

bool CInputBytes::Open(const std::string& path, std::string& error) {
    Close();
    if (path.empty()) {
        if (!ReadFd(STDIN_FILENO, m_buffer)) {
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
    if (S_ISREG(info.st_mode) && info.st_size > 0) {
        void* mapped = mmap(nullptr, std::size_t(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (mapped != MAP_FAILED) {
            close(fd);
            m_mapped = static_cast<const char*>(mapped);
            m_size = std::size_t(info.st_size);
            return true;
        }
    }
    // Pipes, devices, and files that can't be mapped are read the plain way.
    const bool ok = ReadFd(fd, m_buffer);
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

std::string JsonQuote(std::string_view utf8) {
    static const char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (b < 0x20) {
            out += "\\u00";
            out += kHex[b >> 4];
            out += kHex[b & 15];
        } else {
            out += c;
        }
    }
    return out + '"';
}
