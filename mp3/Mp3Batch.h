// The MP3 tool's part in the batch journal and its rules: every tag rewrite of a run is journalled
// before it is made (the file by its place, what it was, the old ID3v2 region described against
// the new one - so that frames carried over cost nothing - its ID3v1 block, and digests of both),
// so that undo can give the file back byte for byte; and a text holding a Russian letter without
// a key is held back rather than shortened.
#pragma once

#include "ICellGrid.h"
#include "Journal.h"

#include <QStringList>

#include <sys/types.h>
#include <vector>

class ILatinSpelling;
struct STagRegions;

// While one lives, every tag rewrite goes to this journal first (one scope at a time; the
// journal takes writers from several threads).
class CTagJournalScope {
public:
    explicit CTagJournalScope(CJournal& journal);

private:
    CJournalScope m_scope;
};

// Called right before a file's tag regions are replaced: journals the change when a scope is
// active. False (with the reason) when the journal could not be written: then nothing is written.
bool JournalTagRewrite(const QByteArray& path, const STagRegions& old, const STagRegions& replacement,
                       off_t oldFileSize, QString& error);

// The same for a FLAC or Ogg file rewritten whole: the old bytes described against the new ones
// (the audio carried over costs nothing), the record marked as a whole file's.
bool JournalFileRewrite(const QByteArray& path, const QByteArray& old, const QByteArray& replacement,
                        QString& error);

// Undoes or previews one "tag" record (FRecordUndo): the file is reached from the run's root
// without following links, must be the very file the run rewrote (device, inode), its tag still
// what the run wrote and the file its size; then the old regions go back by the verified replace,
// the audio carried over and compared (journalled as a change of its own when a journal is current).
SUndoResult UndoTagRecord(const SJournalRecord& record, bool apply);

// A name the MP3 tool takes: "*.mp3" in any case.
bool IsMp3Name(const QByteArray& name);

// The marked (Russian) cells of the row whose text holds a letter without a key lose their mark,
// so that a transliteration leaves them as they are; one line per cell ("TIT2: no key for «б»").
// *columns (when given) receives their columns, so that the caller can mark them again.
QStringList HoldBackTextsWithoutKeys(ICellGrid& grid, int row, const ILatinSpelling& spelling,
                                     std::vector<int>* columns = nullptr);
