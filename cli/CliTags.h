// lettrino-cli tags: the MP3 tag transliteration on folders from the shell.
#pragma once

#include "TextEncoding.h"

#include <optional>
#include <string>
#include <vector>

class ILatinSpelling;

struct STagsOptions {
    bool apply = false;                    // write the tags; otherwise only show them
    bool recursive = false;                // also every folder below
    bool json = false;                     // one JSON object per frame (and per file without tag) for scripts
    std::optional<ETextEncoding> encoding; // every 8-bit text read in it; none: the reading rule
    std::string only;                      // a shell pattern the file names must match; empty: all
    bool cyrillic = false;                 // Russian written as Unicode Russian, not in Latin letters
    bool bom = false;                      // 8-bit CUE sheets rewritten as UTF-8 with a byte-order mark
};

// Prints, per file and frame, the encoding, the text and its Latin form, and a summary on
// standard error; the exit status (1 when a folder could not be read or a file not written).
int RunTags(const ILatinSpelling& spelling, const std::vector<std::string>& folders,
            const STagsOptions& options);
