// lettrino-cli rename: the file renamer on folders and files from the shell.
#pragma once

#include "TextEncoding.h"

#include <optional>
#include <string>
#include <vector>

class ILatinSpelling;

struct SRenameOptions {
    bool apply = false;                    // rename; otherwise only show what would be renamed or refused
    bool recursive = false;                // also every folder below, children before their folders
    bool json = false;                     // one JSON object per entry instead of the lines for people
    std::optional<ETextEncoding> encoding; // every name read in it; none: the reading rule
    std::string only;                      // a shell pattern the names taken must match; empty: all
    bool cyrillic = false;                 // Russian names mended into UTF-8 Russian, not made Latin
    bool nfc = false;                      // decomposed (NFD) names rewritten composed
};

// Whether a name matches --only, by its bytes on disk or by its text as read (UTF-8): every name
// when the pattern is empty.
bool MatchesOnly(const std::string& pattern, const char* onDisk, const char* shown);

// Shows "old → new" for every entry with a proposal, and the refusals a run meets (or would meet),
// with a summary on standard error; with apply, renames, journalling every rename first. The exit
// status of the command: 1 when a folder could not be read or a rename was refused.
int RunRename(const ILatinSpelling& spelling, const std::vector<std::string>& paths,
              const SRenameOptions& options);
