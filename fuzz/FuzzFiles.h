// Files for the targets that read and write MP3 files: a private folder, whole files in and out.
#pragma once

#include "FuzzCheck.h"

#include <QByteArray>

#include <cstdio>
#include <cstdlib>

// A new folder under /tmp, with a trailing "/".
inline QByteArray MakeFuzzFolder() {
    char pattern[] = "/tmp/lt-fuzz-XXXXXX";
    if (!mkdtemp(pattern))
        std::abort();
    return QByteArray(pattern) + '/';
}

inline void WriteWhole(const QByteArray& path, const QByteArray& bytes) {
    std::FILE* f = std::fopen(path.constData(), "wb");
    LT_FUZZ_CHECK(f && std::fwrite(bytes.constData(), 1, size_t(bytes.size()), f) == size_t(bytes.size()) &&
                  std::fclose(f) == 0);
}

inline QByteArray ReadWhole(const QByteArray& path) {
    QByteArray bytes;
    if (std::FILE* f = std::fopen(path.constData(), "rb")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
            bytes.append(buffer, qsizetype(n));
        std::fclose(f);
    }
    return bytes;
}
