// The journal of the batch runs: one text file per run under $XDG_STATE_HOME/lettrino/journal/
// (~/.local/state/lettrino/journal/ by default), named by the time the run began. Each change is
// appended and flushed to disk before it is made, so that whatever happens to the run, its changes
// can be found and taken back (lettrino-cli undo, "Undo Last Run" in the dialogs).
//
// The file is text, one record a line, fields separated by tabs, every field escaped as
// RawToEscaped does (names and paths are bytes). The header line
//   lettrino-journal 2 <tab> run id <tab> tool <tab> folders <tab> key table <tab> start (UTC)
//   <tab> changes <tab> check
// holds the number of changes made once the run has finished ("----------" until then). At the end
// the journal is replaced (verified) by one holding only the changes made, each followed by its
// "done", with an "index" line of their files after the header and an "end" line last. Every record
// repeats the run id and ends in a check of its own line, so that a damaged or cut line, a line
// from another journal or a missing tail is found, and the index names what a lost tail took.
//
// A change names its folder as the run reached it: the root the run opened (path, device, inode),
// the folders below it one name at a time, and the folder's device and inode. Undo goes the same
// way, refusing links, so that it acts only where the run acted.
//   rename <place> old name <tab> new name <tab> device <tab> inode
//   tag    <place> name <tab> device <tab> inode <tab> ... (the MP3 tool's fields)
//   content <place> name <tab> device <tab> inode <tab> new digest <tab> old digest <tab> old bytes
//          (base64)                              a small file's whole content about to be replaced
//   temp   <place> name                         a temporary about to be created
//   keep   <place> name <tab> device <tab> inode <tab> digest <tab> target <tab> device <tab> inode
//          <tab> change <tab> size <tab> time   a verified copy about to be written in place over
//          target (which keeps that time until the rewrite is done)
//   done   change <tab> device <tab> inode       the change was made; what the entry is now
//   undone time
#pragma once

#include "RawNames.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <mutex>
#include <sys/types.h>
#include <vector>

// One record of a journal: its kind and its fields, unescaped (without the run id and check).
struct SJournalRecord {
    QByteArray kind;
    std::vector<QByteArray> fields;
    long change = -1; // for a change: its number in the run (what "done" names)
    bool done = false;
    dev_t doneDevice = 0; // what the entry was after the change
    ino_t doneInode = 0;
};

// Where a run acted: a folder reached from the run's root, one name at a time.
struct SJournalPlace {
    QByteArray root; // the root as the run opened it (an absolute path)
    dev_t rootDevice = 0;
    ino_t rootInode = 0;
    QByteArray below; // names from the root down, separated by "/"; empty for the root itself
    dev_t device = 0;
    ino_t inode = 0;
};
constexpr std::size_t kPlaceFields = 4; // root, its device:inode, names below, device:inode

// A run as read back from its journal.
struct SJournalRun {
    QString path; // the journal file
    QByteArray id;
    QByteArray tool;
    QByteArray folder;
    QByteArray keys;
    QByteArray started; // ISO time, UTC
    long changes = -1;  // changes made, from the header; -1 when the run did not finish
    qint64 size = 0;    // bytes of the journal
    std::vector<SJournalRecord> records;
    bool undone = false;
    // Lines that failed their check or were cut short, and what can still be read of them.
    long damaged = 0;
    std::vector<QByteArray> damagedPaths;
    // Changes the header counts that are not in the file (its tail is missing).
    long missing = 0;
};

class CJournal {
public:
    // Nothing is written until the first record: a run that changes nothing leaves no journal.
    CJournal(const QByteArray& tool, const QByteArray& folder, const QByteArray& keys);
    // Finishes the run (Finish).
    ~CJournal();
    CJournal(const CJournal&) = delete;
    CJournal& operator=(const CJournal&) = delete;

    // Appends the record and flushes it to disk (the file and, when new, its folder); false with
    // the system's reason when that fails, and then the change must not be made. *change receives
    // the number of a change record (rename, tag) for Done.
    bool Append(const SJournalRecord& record, QString* error = nullptr, long* change = nullptr);
    // A rename about to be made inside the opened folder.
    bool AppendRename(int folderFd, const QByteArray& oldName, const QByteArray& newName, dev_t device,
                      ino_t inode, QString* error = nullptr, long* change = nullptr);
    // The change was made; the entry is now (device, inode).
    void Done(long change, dev_t device, ino_t inode);
    // Writes the number of changes made into the header. A journal whose run made no change and
    // left nothing to finish is removed.
    void Finish();

    QString Path() const { return m_path; }
    bool IsOpen() const { return m_fd >= 0; }
    long Changes() const { return m_done; }

private:
    bool Open(QString* error);
    bool WriteLine(const QByteArray& line, QString* error);

    std::recursive_mutex m_mutex; // records come from several threads
    QByteArray m_id;
    QByteArray m_tool, m_folder, m_keys, m_started;
    QString m_path;
    int m_fd = -1;
    long m_changes = 0;
    long m_done = 0;
    bool m_sideFiles = false;
};

// While one lives, the tools' changes and the verified replace's side files go to this journal.
class CJournalScope {
public:
    explicit CJournalScope(CJournal& journal);
    ~CJournalScope();
    CJournalScope(const CJournalScope&) = delete;
    CJournalScope& operator=(const CJournalScope&) = delete;
};
CJournal* CurrentJournal();
// The tag change the calling thread journalled last and has not yet made, once: the verified
// replace that makes it journals its side files and its result for it. -1 when none.
long TakeJournalledChange();

// The place of an opened folder: as NoteRootFolder and NoteChildFolder saw it reached, else the
// folder as a root of its own.
void NoteRootFolder(int folderFd);
void NoteChildFolder(int parentFd, int childFd, const QByteArray& name);
SJournalPlace PlaceOf(int folderFd);
std::vector<QByteArray> PlaceFields(const SJournalPlace& place);
bool PlaceFromFields(const std::vector<QByteArray>& fields, SJournalPlace& place);
// The path for people: root, the names below, name.
QByteArray PlacePath(const SJournalPlace& place, const QByteArray& name = {});
// Opens the folder the way the run reached it: the root by its path, every name below it without
// following links, devices and inodes checked. Closed (*why says why) otherwise.
CFolderFd OpenPlace(const SJournalPlace& place, QString* why = nullptr);
// A name that stays in its folder: not empty, ".", "..", and without "/".
bool IsSingleName(const QByteArray& name);

// The folder of the journals.
QString JournalFolder();
// Creates the folder (0700 whatever the umask) or checks it: ours, no one else may write it.
bool PrepareJournalFolder(QString* error = nullptr);
// Whether the journal can be trusted: a regular file of this user that no one else may write, in a
// folder of this user that no one else may write. False with the reason.
bool TrustedJournal(const QString& path, QString* error = nullptr);
// Every trusted journal file of the journal folder, oldest first (the names sort by time).
std::vector<QString> ListJournals();
// Reads a journal; false with the reason when the file cannot be read or its header is not ours.
// With headerOnly, the records are not read (a listing).
bool ReadJournal(const QString& path, SJournalRun& run, QString* error = nullptr, bool headerOnly = false);
// Appends the "undone" record to the run's journal.
bool MarkUndone(const SJournalRun& run, QString* error = nullptr);
// Removes the journals older than `days`; a run starts with those older than the setting
// "JournalDays" (kJournalDays by default).
constexpr int kJournalDays = 90;
void PruneJournals(int days);

// The real path of an opened folder (where it is now), or `fallback` when the system cannot say.
QByteArray RealFolderPath(int folderFd, const QByteArray& fallback);

// The temporaries and kept copies the trusted journals recorded in the opened folder.
struct SSideFile;
std::vector<SSideFile> RecordedSideFiles(int folderFd);
// Finishes the in-place rewrites the run left cut short, from their verified copies, and removes
// its temporaries.
void FinishInterruptedRewrites(const SJournalRun& run, std::vector<QString>& messages);

// --- Undo ---

enum class EUndoStatus {
    kUndone,    // put back
    kWouldUndo, // would be put back (a preview)
    kNothing,   // the run did not make this change, or it was undone already
    kLeft       // left alone; reason says why
};

struct SUndoResult {
    QByteArray path;   // the entry as it is now (raw bytes)
    QByteArray target; // what it becomes (for a rename: the old name's path)
    EUndoStatus status = EUndoStatus::kNothing;
    QString reason;
};

// Undoes (with apply) or previews one record other than a rename, e.g. a tag rewrite; the tool
// that writes such records provides it.
using FRecordUndo = std::function<SUndoResult(const SJournalRecord& record, bool apply)>;

// How every undo of a rewritten file begins: the record is of `kind` with at least `fields`
// fields after its place, its name stays in its folder, and the folder opens as the run reached
// it. False with result left and the reason; otherwise result's paths are set.
bool OpenUndoPlace(const SJournalRecord& record, const char* kind, std::size_t fields, SUndoResult& result,
                   SJournalPlace& place, CFolderFd& folder, QByteArray& name);
// And then: the entry there is a regular file and the very one the run rewrote (the two fields
// after the name hold its device and inode before the replace, the done mark those after it).
// Without the done mark (lost with a journal's tail, or a run killed right after its replace) the
// new inode is not known, and a file of this user is taken: the caller checks its content. False
// with result left and the reason; otherwise `info` is the file's.
bool OpenUndoFile(const SJournalRecord& record, const char* kind, std::size_t fields, SUndoResult& result,
                  CFolderFd& folder, QByteArray& name, struct stat& info);

// What a rename by the link/folder fallback (RenameNoReplaceAt without renameat2) leaves when it
// is killed half-way, in the opened folder: the file (device, inode) also under the new name, or
// the folder still under its old name and an empty folder of this user, mode 0700, at the new one.
enum class EHalfRename { kNone, kSecondLink, kEmptyFolder };
EHalfRename HalfRenameAt(int folderFd, const QByteArray& oldName, const QByteArray& newName, dev_t device,
                         ino_t inode);
// Takes such a half rename back: the new name goes, the entry stays under its old name only. A
// folder is removed only while empty. False with the errno in *error.
bool TakeBackHalfRenameAt(int folderFd, const QByteArray& newName, EHalfRename state, int* error = nullptr);
// Whether a trusted journal records this rename in the opened folder as not made (not "done").
bool JournalledUnfinishedRename(int folderFd, const QByteArray& oldName, const QByteArray& newName,
                                dev_t device, ino_t inode);

// Undoes or previews a run, last change first. Interrupted in-place rewrites of the run are
// finished from their verified copies first. A rename goes back only when the entry under the new
// name is still the one renamed and the old name is free; nothing is ever replaced. A rename cut
// short half-way (HalfRenameAt) is taken back. Records that
// `other` does not know (or when it is empty) are left with a reason. A journal that ends early
// adds one result per change it cannot account for. After an undo that left nothing, the run is
// marked undone (*markError says why it could not be).
std::vector<SUndoResult> UndoRun(const SJournalRun& run, bool apply, const FRecordUndo& other = {},
                                 QString* markError = nullptr);

// The latest finished or interrupted run of one of `tools` (all tools when empty) whose folder is
// `folder` (any when empty); false when there is none. Damaged journals are passed over.
bool LatestRun(const std::vector<QByteArray>& tools, const QByteArray& folder, SJournalRun& run);
// The runs for a menu: the latest `count` of `tools`, newest first.
std::vector<SJournalRun> RecentRuns(const std::vector<QByteArray>& tools, std::size_t count);
// What undoing the run would do, for people: tool, folder, time, then a line per change.
QString UndoPreview(const SJournalRun& run, const FRecordUndo& other = {});
// Undoes the run and returns the summary for the user, in the interface language: what was undone
// and, line by line, what was not and why.
QString UndoAndSummarise(const SJournalRun& run, const FRecordUndo& other = {});
