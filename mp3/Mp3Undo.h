// Tag rewrites in the batch journal: the record written before a rewrite (the whole old ID3v2
// region with its padding and the ID3v1 block), and its undo, which puts those bytes back.
#pragma once

#include "Journal.h"

// Undoes or previews one "tag" record of a journal (FRecordUndo).
SUndoResult UndoTagRecord(const SJournalRecord& record, bool apply);
