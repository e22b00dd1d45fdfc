// lettrino-cli rename: the file renamer on folders and files from the shell.
#pragma once

#include <string>
#include <vector>

class ILatinSpelling;

struct SRenameOptions {
    bool apply = false;     // rename; otherwise only show what would be renamed or refused
    bool recursive = false; // also every folder below, children before their folders
    bool json = false;      // one JSON object per entry instead of the lines for people
};

// Shows "old → new" for every entry with a proposal, and the refusals a run meets (or would meet),
// with a summary on standard error; with apply, renames, journalling every rename first. The exit
// status of the command: 1 when a folder could not be read or a rename was refused.
int RunRename(const ILatinSpelling& spelling, const std::vector<std::string>& paths,
              const SRenameOptions& options);
