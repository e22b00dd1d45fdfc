#include "CliIo.h"

#include "UnicodeText.h"

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

std::string JsonQuote(std::string_view utf8) {
    static const char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    auto escape = [&](char32_t unit) {
        out += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4)
            out += kHex[(unit >> shift) & 15];
    };
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (b < 0x20) {
            escape(b);
        } else if (b >= 0xC2 && b <= 0xF4) {
            // A character that would hide or reorder the text around it is escaped too.
            const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
            char32_t point = length == 2 ? b & 0x1F : length == 3 ? b & 0x0F : b & 0x07;
            bool whole = i + length <= utf8.size();
            for (std::size_t k = 1; whole && k < length; ++k) {
                const auto next = static_cast<unsigned char>(utf8[i + k]);
                whole = (next & 0xC0) == 0x80;
                point = (point << 6) | (next & 0x3F);
            }
            if (whole && IsInvisibleControl(point)) {
                if (point >= 0x10000) {
                    escape(0xD800 + ((point - 0x10000) >> 10));
                    escape(0xDC00 + ((point - 0x10000) & 0x3FF));
                } else {
                    escape(point);
                }
                i += length - 1;
            } else {
                out += c;
            }
        } else {
            out += c;
        }
    }
    return out + '"';
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
