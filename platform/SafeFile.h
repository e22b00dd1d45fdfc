// Replacing a user's file so that no failure or interruption can lose a byte of it: a complete
// new copy is written beside it, checked, flushed, and only then renamed over the original. The
// copy takes the original's exact mode, owner, group and extended attributes (the access list
// too) and must read back with them before the rename. A file with more than one name, one its
// folder does not let us replace, or one whose metadata the system does not let us give a copy,
// is rewritten in place (keeping its own), but only from a verified copy that stays on disk
// (under a name a later run recognises) until the rewrite is verified too; a file that would
// lose metadata even so (set-id bits of another owner) is refused.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

// Writes the complete new content into fd (opened for reading and writing, empty, at offset 0).
using FWriteCopy = std::function<bool(int fd, QString& error)>;
// Checks the copy as it reads back from fd (any offset; use pread). False with a reason refuses it.
using FVerifyCopy = std::function<bool(int fd, QString& error)>;

inline bool operator==(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// A file descriptor that closes on every path out.
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
// rewrite is "." + name + ".lt-keep-XXXXXX". While a journal is current (and the replace makes
// the change the calling thread journalled last), each is journalled before it is created, and
// the change is marked done with what the file is afterwards.
bool IsLeftoverName(const QByteArray& name);

// A side file as a journal recorded it.
struct SSideFile {
    QByteArray name;
    bool keep = false; // a verified copy (else a temporary)
    dev_t device = 0;  // a copy's: what it is, and the digest of its content
    ino_t inode = 0;
    QByteArray digest;
    QByteArray target; // the file it is a copy of, and what that file was
    dev_t targetDevice = 0;
    ino_t targetInode = 0;
    off_t targetSize = 0; // and its size and time when the rewrite began
    timespec targetTime{};
    bool stale = false; // the rewrite finished: the copy only needs removing
};

// Removes the temporaries an interrupted run left in the folder and finishes the in-place
// rewrites it left behind (from their verified copies) - but only those a trusted journal recorded
// (RecordedSideFiles), of this user, whose target is still the file the run rewrote and belongs to
// this user. Anything else named like ours is listed and left. One line per leftover for the user.
void CleanLeftovers(const QByteArray& folder, std::vector<QString>& messages);
// The same inside the opened folder for the recorded side files given; with onlyRecorded, other
// files named like ours are not mentioned.
void CleanLeftoversAt(int folderFd, const std::vector<SSideFile>& recorded, std::vector<QString>& messages,
                      bool onlyRecorded = false);

// Test seam: called after each piece of an in-place rewrite is written, with the bytes written so
// far, so that a test can cut the rewrite short.
void SetInPlaceWriteHook(std::function<void(off_t written)> hook);

// Reads count bytes at offset into out; false (errno set) on a short read.
bool ReadAt(int fd, off_t offset, qsizetype count, QByteArray& out);
// Writes all bytes; false with errno set.
bool WriteAll(int fd, const char* data, qsizetype count);
