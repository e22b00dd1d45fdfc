// File names as the file system keeps them: bytes. Folders are read with the raw names (Qt's own
// listing drops names that are not valid UTF-8), and a name is turned into text for display in
// one place, so that the folder picker, the renamer and the MP3 tool show the same text for it.
#pragma once

#include "TextEncoding.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>
#include <sys/types.h>
#include <vector>

// One entry of a folder, by its name on disk.
struct SRawEntry {
    QByteArray name;
    bool isFolder = false; // a folder, or a link to one
};

// A short text kept as bytes (a name, an 8-bit tag text) read as the program reads any text: the
// reading rule (valid, plausible UTF-8; else the 8-bit Cyrillic detector), a Cyrillic reading
// taken only when it gives plausible Russian, Windows-1252 otherwise. A user who knows better
// forces the encoding; the text is then read in it whatever the rule says.
struct SShortText {
    QString text;
    ETextEncoding encoding = ETextEncoding::kUtf8; // what the text was read in
    bool russian = false;                          // it holds Russian letters
    bool repaired = false; // double-encoded text ("РџСЂРёРІРµС‚") turned back into Russian
    bool invalid = false;  // UTF-8 with stray bytes, shown as U+FFFD
};
// The text is in Unicode normal form C ("Й", not "И" and a breve, as some systems write names).
// `forced` applies to bytes that are not valid UTF-8, and to valid UTF-8 too when `forceOnUtf8`
// (the user chose the reading for this very text).
SShortText ReadShortText(const QByteArray& bytes, std::optional<ETextEncoding> forced = std::nullopt,
                         bool forceOnUtf8 = true);
// A text that was double-encoded and repairs to Russian becomes the Russian; true when it did.
// Anything else stays as it is.
bool RepairShortText(QString& text);

// The text of a name by ReadShortText. *codePage (when given) receives the code page used: 0 for
// UTF-8, else 866, 1251, 20866 or 1252.
QString DecodeRawName(const QByteArray& name, unsigned* codePage = nullptr);

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

// A name (or path) as text that shows every byte: valid UTF-8 stays as it is, a backslash doubles,
// control characters become \n, \t, \r or \xHH and bytes that are not valid UTF-8 become \xHH, as
// `ls --quoting-style=escape` shows them; so do the bytes of invisible format characters
// (U+202E and the like), which would make a listing lie about the name. EscapedToRaw reads it back; false on
// a bad escape.
QByteArray RawToEscaped(const QByteArray& raw);
bool EscapedToRaw(const QByteArray& escaped, QByteArray& raw);
// A decoded name as a dialog shows it: controls and invisible format characters (U+202E, which
// would show the rest of a name reversed) become "\u202E", everything else stays as it is.
QString ShownName(const QString& name);

// Test seam: the batch tools call AfterListing with each folder's real path after listing it and
// before changing anything in it, so that a test can swap folders for links at the worst moment.
void SetAfterListingHook(std::function<void(const QByteArray& folderPath)> hook);
void AfterListing(const QByteArray& folderPath);
