// lettrino-cli rename: the file renamer on folders from the shell.
#pragma once

#include <string>
#include <vector>

class ILatinSpelling;

struct SRenameOptions {
    bool apply = false;     // rename; otherwise only show what would be renamed
    bool recursive = false; // also every folder below, children before their folders
};

// Prints "old → new" for every entry with a proposal and a summary on standard error; the exit
// status of the command (1 when a folder could not be read or a rename was refused).
int RunRename(const ILatinSpelling& spelling, const std::vector<std::string>& folders,
              const SRenameOptions& options);
