// Whether a text decoded from an 8-bit Cyrillic code page reads as Russian someone wrote: made of
// Cyrillic letters, Latin letters, digits, blanks and common punctuation, with at least one
// Cyrillic letter. Text such as Latin-1 accents read as CP866 ("Été" as "╔tщ") turns into
// box-drawing and pseudo-graphic characters and is not Russian. Tags and file names use this
// one rule before anything is marked for transliteration.
#pragma once

#include <string_view>

bool IsPlausibleRussian(std::u16string_view text);
