// The MP3 tool's part in the batch journal and its rules: every tag rewrite of a run is journalled
// (the file, its whole old ID3v2 region with padding and its ID3v1 block, and a digest of what is
// written) before it is made, so that undo can give the file back byte for byte; and a text
// holding a Russian letter without a key is held back rather than shortened.
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
    ~CTagJournalScope();
    CTagJournalScope(const CTagJournalScope&) = delete;
    CTagJournalScope& operator=(const CTagJournalScope&) = delete;
};

// Called right before a file's tag regions are replaced: journals the change when a scope is
// active. False (with the reason) when the journal could not be written: then nothing is written.
bool JournalTagRewrite(const QByteArray& path, const STagRegions& old, const STagRegions& replacement,
                       off_t oldFileSize, QString& error);

// Undoes or previews one "tag" record (FRecordUndo): the tag must still be what the run wrote and
// the file its size; then the old regions go back by the verified replace, the audio carried over
// and compared.
SUndoResult UndoTagRecord(const SJournalRecord& record, bool apply);

// A name the MP3 tool takes: "*.mp3" in any case.
bool IsMp3Name(const QByteArray& name);

// The marked (Russian) cells of the row whose text holds a letter without a key lose their mark,
// so that a transliteration leaves them as they are; one line per cell ("TIT2: no key for «б»").
// *columns (when given) receives their columns, so that the caller can mark them again.
QStringList HoldBackTextsWithoutKeys(ICellGrid& grid, int row, const ILatinSpelling& spelling,
                                     std::vector<int>* columns = nullptr);
