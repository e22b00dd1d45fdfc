// lettrino-cli undo: takes back the latest (or a named) batch run from its journal.
#pragma once

#include <string>

struct SUndoOptions {
    bool list = false;  // list the recent runs instead
    bool apply = false; // undo; otherwise only show what undoing would do
    bool json = false;
    std::string run; // a journal file (name or path); empty for the latest run
};

int RunUndo(const SUndoOptions& options);
