// Folders as the file system keeps them: entries by their names' bytes (Qt's own listing drops
// names that are not valid UTF-8), and work inside a folder through its opened descriptor.
#pragma once

#include <QByteArray>

#include <functional>
#include <sys/types.h>
#include <vector>

// One entry of a folder, by its name on disk.
struct SRawEntry {
    QByteArray name;
    bool isFolder = false; // a folder, or a link to one
};

// Every entry of the folder but "." and "..", hidden ones too, in the order the file system gives
// them. False (and no entries) when the folder cannot be read.
bool ReadFolderRaw(const QByteArray& folder, std::vector<SRawEntry>& entries);

// --- Working inside a folder through its opened descriptor, so that a folder swapped for a
// symbolic link while a batch runs changes nothing outside the tree. ---

// An opened folder; closes itself.
class CFolderFd {
public:
    CFolderFd() = default;
    explicit CFolderFd(int fd) : m_fd(fd) {}
    CFolderFd(CFolderFd&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    CFolderFd& operator=(CFolderFd&& other) noexcept;
    CFolderFd(const CFolderFd&) = delete;
    CFolderFd& operator=(const CFolderFd&) = delete;
    ~CFolderFd();

    int Fd() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// The folder a path names (the path the user gave may pass through links). *error gets errno.
CFolderFd OpenFolderPath(const QByteArray& path, int* error = nullptr);
// The sub-folder `name` of an opened folder, refusing a symbolic link (ELOOP or ENOTDIR then).
CFolderFd OpenFolderAt(int folderFd, const QByteArray& name, int* error = nullptr);

// One entry of an opened folder as listed: its name, and what it was when listed.
struct SListedEntry {
    QByteArray name;
    bool isFolder = false; // a folder, or a link to one
    bool isLink = false;
    dev_t device = 0;
    ino_t inode = 0;
};
// Every entry of the opened folder but "." and "..", in the order the file system gives them.
bool ReadFolderAt(int folderFd, std::vector<SListedEntry>& entries);

// Renames oldName to newName inside the opened folder unless something of that name exists; never
// replaces. Where renameat2 is missing, a file gets a second link under the new name before the
// old goes, and a folder first claims the new name with an empty folder of its own. On false,
// *error (when given) holds the errno (EEXIST when the name is taken).
bool RenameNoReplaceAt(int folderFd, const QByteArray& oldName, const QByteArray& newName,
                       int* error = nullptr);
// Test seam: forces the link/folder fallback above, as on a system without renameat2. Also set
// by the environment variable LETTRINO_RENAME_FALLBACK=1, so that the command line can be tested.
void ForceRenameFallback(bool force);

// The path ending in "/", as folders are kept.
QByteArray WithSlash(QByteArray path);

// The folder part of a path: "." when it has none, "/" for a name in the root.
QByteArray FolderOfPath(const QByteArray& path);

// The longest name the opened folder's file system takes, in bytes.
long NameMaxAt(int folderFd);

// Test seam: the batch tools call AfterListing with each folder's real path after listing it and
// before changing anything in it, so that a test can swap folders for links at the worst moment.
void SetAfterListingHook(std::function<void(const QByteArray& folderPath)> hook);
void AfterListing(const QByteArray& folderPath);
