// Replacing a user's file so that no failure or interruption can lose a byte of it: a complete
// new copy is written beside it, checked, flushed, and only then renamed over the original. The
// original keeps its mode (and owner and group where the system lets us). A file with more than
// one name, or one its folder does not let us replace, is rewritten in place, but only from a
// verified copy that stays on disk (under a name a later run recognises) until the rewrite is
// verified too.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <sys/stat.h>
#include <vector>

// Writes the complete new content into fd (opened for reading and writing, empty, at offset 0).
using FWriteCopy = std::function<bool(int fd, QString& error)>;
// Checks the copy as it reads back from fd (any offset; use pread). False with a reason refuses it.
using FVerifyCopy = std::function<bool(int fd, QString& error)>;

inline bool operator==(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// What a file was when it was read, so that a change meanwhile is noticed before replacing it.
struct SFileStamp {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = -1;
    timespec mtime{};
    bool operator==(const SFileStamp&) const = default;
};
SFileStamp StampOf(const struct stat& info);

// The system's reason for errno `code` ("No space left on device").
QString SystemReason(int code);

// Replaces folder/name (raw bytes) with what `write` produces, once `verify` accepts it. A link is
// never written through. `expected`, when given, must still describe the file. False leaves the
// original byte-identical (but see the in-place case above) and gives the reason.
bool ReplaceFileVerified(const QByteArray& path, const SFileStamp* expected, const FWriteCopy& write,
                         const FVerifyCopy& verify, QString& error);

// Our temporaries are "." + name + ".lt-tmp-XXXXXX"; a verified copy kept for an in-place
// rewrite is "." + name + ".lt-keep-XXXXXX".
bool IsLeftoverName(const QByteArray& name);
// Removes the temporaries an interrupted run left in the folder and finishes the in-place
// rewrites it left behind (from their verified copies). One line per leftover for the user.
// With onlyFor, only the leftovers of the file of that name.
void CleanLeftovers(const QByteArray& folder, std::vector<QString>& messages, const QByteArray& onlyFor = {});

// Reads count bytes at offset into out; false (errno set) on a short read.
bool ReadAt(int fd, off_t offset, qsizetype count, QByteArray& out);
// Writes all bytes; false with errno set.
bool WriteAll(int fd, const char* data, qsizetype count);
