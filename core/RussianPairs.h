// How likely each pair of Russian letters is in real text, weighed by frequency: what tells a
// Russian word from the letter salad that a wrong code-page reading makes of it. The table is
// generated (tools/gen_russian_pairs.py); the scorer reads it.
#pragma once

#include <string_view>

// 33 x 33: row = first letter, column = second, 0 (а) .. 31 (я) with ё as е, and 32 for the edge
// of the word (a row for the first letter, a column for the last). About +3 for a pair of
// ordinary words, about -3 for one of letter salad, at least -12.
extern const signed char kRussianPairScores[33 * 33];
