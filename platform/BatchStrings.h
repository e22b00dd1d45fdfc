// Ids of the texts the batch tools (renamer, MP3 tool, undo) share: reasons of refusals, the undo
// command and its reports. The texts live in resources/<language>/module.json.
#pragma once

enum : int {
    kStrNoKey = 1400,           // no key for «%1»
    kStrUnsoundName = 1401,     // the new name would not be a sound name
    kStrNameTooLong = 1402,     // the new name would be too long for the file system
    kStrNameTaken = 160,        // the new name is taken (shared with the first renamer)
    kStrNameCollides = 1404,    // an earlier entry gets the same new name
    kStrNotWritable = 1405,     // the folder is not writable
    kStrEntryChanged = 1406,    // the entry changed since it was listed
    kStrJournalFailed = 1407,   // the journal could not be written: %1
    kStrWouldRefuse = 1408,     // %1 to rename, %2 would be refused.
    kStrUndoLastRun = 1409,     // Undo Last Run
    kStrUndoSummary = 1410,     // %1 undone, %2 not undone.
    kStrNotUndone = 1411,       // "%1" was not undone: %2
    kStrNothingToUndo = 1412,   // There is no run to undo.
    kStrUndoneAlready = 1413,   // That run was undone already.
    kStrChangedSinceRun = 1414, // it changed since the run
    kStrOldNameTaken = 1415,    // the old name is taken
    kStrEntryGone = 1416,       // it is not there any more
    kStrUndoConfirm = 1417,     // Undo the run of %1 (%2): %3 changes?
    kStrFileNotWritable = 1418, // the file is not writable
    kStrCannotUndoHere = 1419,  // not a change this tool can undo
};

// The Extra menu's command that undoes the last batch run.
enum : int { kCmdUndoLastRun = 33400 };
