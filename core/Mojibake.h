// Repair of double-encoded text ("mojibake"): text whose bytes were decoded with the wrong code
// page, once or twice, and kept as text. UTF-8 read as Windows-1252, Latin-1, Windows-1251,
// KOI8-R or CP866 ("Ð¿Ñ€Ð¸Ð²ÐµÑ‚", "РџСЂРёРІРµС‚"); Windows-1251, KOI8-R or CP866 read as
// Windows-1252/Latin-1 ("Ïðèâåò") or as one another ("рТЙЧЕФ"); and UTF-8 read wrongly twice.
// Everything else is left exactly as it is. Pure functions; no I/O.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The text with each damaged line repaired; `repairedLines` (when given) counts them. A line is
// changed only when one reading makes it clearly better text: Russian words in place of signs
// and letter salad, never a clean line of any language traded for another.
std::u16string RepairMojibake(std::u16string_view text, std::size_t* repairedLines = nullptr);

// One line (no line feed in it).
std::u16string RepairMojibakeLine(std::u16string_view line);
