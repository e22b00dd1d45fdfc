// The one judge of Russian text: which characters are letters of which kind, and how much a text
// reads like something a person wrote. The reading rule, the repair of damaged text, the reading
// of file names and of tag texts all ask here. Pure functions; no I/O.
#pragma once

#include <string_view>

// Letters. Russian: the 33 letters of the Russian alphabet, either case. Cyrillic: those and the
// other letters of U+0400..U+045F (Ukrainian, Belarusian, Serbian, Macedonian, Bulgarian) with
// Ґ/ґ. Latin: ASCII letters and the letters of Latin-1 and Latin Extended-A/B.
bool IsRussianLetter(char16_t c);
// А..Я and Ё; а..я and ё.
bool IsRussianCapital(char16_t c);
bool IsRussianSmall(char16_t c);
// The small letter of a Russian capital; anything else comes back unchanged.
char16_t RussianSmallLetter(char16_t c);
bool IsCyrillicLetter(char16_t c);
bool IsCyrillicLower(char16_t c);

// Calls `word` for every run of Cyrillic letters (a view into `s`), in order; stops at the first
// false.
template <class F> bool EveryCyrillicWord(std::u16string_view s, F word) {
    for (std::size_t i = 0; i < s.size();) {
        if (!IsCyrillicLetter(s[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < s.size() && IsCyrillicLetter(s[end]))
            ++end;
        if (!word(s.substr(i, end - i)))
            return false;
        i = end;
    }
    return true;
}

// Any character of the Cyrillic block U+0400..U+04FF: the letters of every Cyrillic alphabet and
// the block's signs. What makes text Cyrillic when choosing how to store or sort it.
bool IsInCyrillicBlock(char16_t c);
bool IsLatinLetter(char16_t c);
bool IsAsciiLetter(char16_t c);
// A letter of a word of Cyrillic or Latin text: either of the sets above.
bool IsCyrillicOrLatinLetter(char16_t c);
// Punctuation of the 8-bit code pages that Russian text uses between its words: « » – — … №
// “ ” „ ‘ ’ · ° and the no-break space.
bool IsTextPunctuation(char16_t c);

// The Russian letter a Cyrillic letter reads as, 0 (а) .. 31 (я): ё as е, Ukrainian і and ї as
// и, є as е, ґ as г, Belarusian ў as у, Serbian ј as и, љ as л, њ as н, ћ and ђ as ч, џ as ж,
// Macedonian ѓ as г, ќ as к, ѕ as з; -1 for anything else.
int RussianLetterIndex(char16_t c);

// The sum of the letter-pair scores of a word of Cyrillic letters, its edges included, in any
// case: about +3 a pair in real words, -3 and less in the salad of wrong readings.
int RussianPairScore(std::u16string_view word);

// Points for a word of Cyrillic letters: its pair score when it is in lower case, capitalised or
// in capitals; a word in capitals of up to five letters is an abbreviation (РФ, ООО, РСФСР) and
// gains a point a letter at least, as do units ("дБ", "мРНК"); longer words in mixed case
// ("рТЙЧЕФ", which swapped 8-bit readings make) lose a lot.
// `doubtCapitals` scores what a repair would make: an abbreviation there is no proof of words, and
// gains nothing.
int RussianWordScore(std::u16string_view word, bool doubtCapitals = false);
// A word reads as Russian (or another Cyrillic language) by the score above.
bool IsPlausibleRussianWord(std::u16string_view word);

// A line whose Cyrillic words of two letters or more are all in capitals ("ООО РФ", "НДС 20%").
bool IsCapitalsLine(std::u16string_view text);
// Points for such a line read as abbreviations: a word of up to five letters scores its letters as
// the initials of words (how often a Russian word starts with each) or its pairs, whichever is
// more; longer words their pairs. Abbreviations are made of likely initials ("ООО", "ДМС"); the
// capitals that swapped 8-bit readings make of lower-case words hold rare ones ("НВЙН", "УБЮКШ").
int CapitalsAsAbbreviations(std::u16string_view text);
// Every Cyrillic word of the text reads as a lower-case Russian word by its shape: words of two
// letters or more hold a vowel and no letter three times running, words of one letter are the
// one-letter words of Russian in lower case. What a line in capitals read back must be.
bool IsLowerCaseWordShape(std::u16string_view text);

// How much a line reads like text a person wrote: Cyrillic words gain or lose by their score,
// words mixing Cyrillic and Latin letters, words of accented Latin letters only and signs stuck
// to letters lose; plain words of other languages are neutral.
int TextPlausibility(std::u16string_view text, bool doubtCapitals = false);

// Text decoded from an 8-bit Cyrillic code page reads as Russian someone wrote: Cyrillic letters,
// Latin letters, digits, blanks and common punctuation, with at least one Cyrillic letter. Text
// such as Latin-1 accents read as CP866 ("Été" as "╔tщ") turns into box-drawing characters.
bool IsPlausibleRussian(std::u16string_view text);
// KOI8-R and Windows-1251 swap the cases of each other's letters: a capitalised word read in the
// other one is a small letter followed by capitals ("Кино" in KOI8-R read as Windows-1251 is
// "лЙОП"), a shape Russian words do not have. True when every word of two letters or more has it
// and one of them has four letters or more (a unit such as "кВА" is not taken for one).
bool IsSwappedCaseText(std::u16string_view text);
// Some word of two letters or more has that shape.
bool HasSwappedCaseWord(std::u16string_view text);
