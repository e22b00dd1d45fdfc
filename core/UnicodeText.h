// Character classes that must not depend on which locales a machine has installed.
#pragma once

#include <string>
#include <string_view>

// Upper-case partner of a UTF-16 unit for Latin (Basic, Latin-1 Supplement, Extended-A), Greek and
// Cyrillic (with the Supplement); anything else, and letters without a single-unit capital such
// as "ß", come back unchanged.
char16_t UpperCase(char16_t c);
std::u16string UpperCase(std::u16string_view text);

// Characters that hide or reorder what stands around them when shown: controls (C0, DEL, C1),
// the line and paragraph separators and the invisible format characters (bidirectional
// controls such as U+202E, zero-width characters, the byte-order mark, tag characters).
bool IsInvisibleControl(char32_t c);
// The first such character of a UTF-16 text (surrogate pairs read as one); 0 when there is none.
char32_t FirstInvisibleControl(std::u16string_view text);

// The Unicode White_Space property.
bool IsWhiteSpace(char16_t c);
std::u16string_view TrimWhiteSpace(std::u16string_view text);
