// Playlists (.m3u, .m3u8) and CUE sheets that follow a rename run: the entries naming a file or
// folder the run renamed are rewritten to the new names, every other byte kept, in the playlist's
// own encoding and line ends. Each rewrite is journalled as a "content" record (the old bytes kept)
// and made by the verified replace, so that undo puts the playlist back byte for byte.
#pragma once

#include "Journal.h"
#include "SafeFile.h"
#include "TextEncoding.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <utility>
#include <vector>

// The renames of a run (made, or in a dry run predicted) in the order they happen, by real path.
// A run renames the entries of a folder before the folder, so a later rename of a folder carries
// every earlier one below it along.
class CRenameMap {
public:
    void Add(const QByteArray& oldPath, const QByteArray& newPath) {
        m_byOldPath[oldPath].push_back(m_renames.size());
        m_renames.emplace_back(oldPath, newPath);
    }
    // Where a path from before the run is after it.
    QByteArray Final(const QByteArray& path) const;
    bool IsEmpty() const { return m_renames.empty(); }

private:
    std::vector<std::pair<QByteArray, QByteArray>> m_renames;
    // Each old path's renames in run order: a playlist of thousands of entries against a run of
    // thousands of renames looks each entry up instead of going through every rename.
    QHash<QByteArray, std::vector<std::size_t>> m_byOldPath;
};

// The old bytes of the playlists one run keeps in its journal at most, so that the journal stays
// readable (it has a size limit of its own); playlists past it are refused.
constexpr qsizetype kPlaylistJournalBudget = qsizetype(64) << 20;

// "*.m3u", "*.m3u8", "*.cue" in any case.
bool IsPlaylistName(const QByteArray& name);

struct SPlaylistUpdate {
    QByteArray original; // the playlist's real path before the run
    QByteArray path;     // where it is read and written (after the run's renames when applied)
    bool read = false;   // false: it could not be read (refusal says why)
    int entries = 0;     // entries that follow a rename
    QString refusal;     // why it is not rewritten; empty when it can be
    STextFormat format;
    QByteArray oldBytes, newBytes;
    SFileStamp stamp;
};

// Reads the playlist at `original` (or where the renames took it, with `applied`: then the renames
// are on disk) and works out its new bytes. Entries that name nothing there or nothing renamed stay.
SPlaylistUpdate PlanPlaylist(const QByteArray& original, const CRenameMap& renames, bool applied);

// Journals the rewrite in `journal` (the old bytes kept) and replaces the playlist, verified. The
// journal must be current (CJournalScope) so that the replace's side files are recorded too.
bool WritePlaylist(const SPlaylistUpdate& update, CJournal& journal, QString& error);

// Undoes or previews one "content" record (FRecordUndo): the very file rewritten, still holding
// what the run wrote, gets its old bytes back by the verified replace.
SUndoResult UndoContentRecord(const SJournalRecord& record, bool apply);
