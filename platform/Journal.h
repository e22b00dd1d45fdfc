// The journal of the batch runs: one text file per run under $XDG_STATE_HOME/lettrino/journal/
// (~/.local/state/lettrino/journal/ by default), named by the time the run began. Each change is
// appended and flushed to disk before it is made, so that whatever happens to the run, its changes
// can be found and taken back (lettrino-cli undo, "Undo Last Run" in the dialogs).
//
// The file is text, one record a line, fields separated by tabs, every field escaped as
// RawToEscaped does (names and paths are bytes): a header line
//   lettrino-journal 1 <tab> tool <tab> folder <tab> key table <tab> start time (UTC)
// then the records, e.g. "rename <tab> folder <tab> old name <tab> new name <tab> device <tab> inode",
// and "undone <tab> time" once the run has been undone.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <sys/types.h>
#include <vector>

// One record of a journal: its kind and its fields, unescaped.
struct SJournalRecord {
    QByteArray kind;
    std::vector<QByteArray> fields;
};

// A run as read back from its journal.
struct SJournalRun {
    QString path; // the journal file
    QByteArray tool;
    QByteArray folder;
    QByteArray keys;
    QByteArray started; // ISO time, UTC
    std::vector<SJournalRecord> records;
    bool undone = false;
};

class CJournal {
public:
    // Nothing is written until the first record: a run that changes nothing leaves no journal.
    CJournal(const QByteArray& tool, const QByteArray& folder, const QByteArray& keys);
    ~CJournal();
    CJournal(const CJournal&) = delete;
    CJournal& operator=(const CJournal&) = delete;

    // Appends the record and flushes it to disk (the file and, when new, its folder); false with
    // the system's reason when that fails, and then the change must not be made.
    bool Append(const SJournalRecord& record, QString* error = nullptr);
    // A rename about to be made inside `folder` (the folder's real path).
    bool AppendRename(const QByteArray& folder, const QByteArray& oldName, const QByteArray& newName,
                      dev_t device, ino_t inode, QString* error = nullptr);

    QString Path() const { return m_path; }
    bool IsOpen() const { return m_fd >= 0; }

private:
    bool Open(QString* error);
    bool WriteLine(const QByteArray& line, QString* error);

    QByteArray m_header;
    QString m_path;
    int m_fd = -1;
};

// The folder of the journals.
QString JournalFolder();
// Every journal file, oldest first (the names sort by time).
std::vector<QString> ListJournals();
// Reads a journal; false with the reason when the file cannot be read or its header is not ours.
// Records that cannot be read (a line cut short by a crash) are left out.
bool ReadJournal(const QString& path, SJournalRun& run, QString* error = nullptr);
// Appends the "undone" record to the run's journal.
bool MarkUndone(const QString& path, QString* error = nullptr);

// The real path of an opened folder (where it is now), or `fallback` when the system cannot say.
QByteArray RealFolderPath(int folderFd, const QByteArray& fallback);

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

// Undoes or previews a run, last change first. A rename goes back only when the entry under the
// new name is still the one renamed and the old name is free; nothing is ever replaced. Records
// that `other` does not know (or when it is empty) are left with a reason. After an undo that left
// nothing, the run is marked undone.
std::vector<SUndoResult> UndoRun(const SJournalRun& run, bool apply, const FRecordUndo& other = {});

// What "Undo Last Run" does in the program: undoes the latest run of one of `tools` (all tools
// when empty) and returns the summary for the user, in the interface language: what was undone
// and, line by line, what was not and why.
QString UndoLatestRun(const std::vector<QByteArray>& tools, const FRecordUndo& other = {});
