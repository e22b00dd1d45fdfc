// The conversions of lettrino-cli over whole inputs of any size: cut into pieces that convert
// independently (on as many threads as the machine has), each piece in small cache-sized blocks.
#pragma once

#include "CCharTable.h"
#include "LatinSpelling.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

enum class EDirection { kNone, kToCyrillic, kToLatin };

// The Convert command's choice, made on the first character that is not white space.
EDirection ChooseDirection(const CCharTable& table, std::string_view utf8);

enum class EConvertResult { kOk, kBadInput, kWriteFailed };

// Converts UTF-8 input and hands the UTF-8 result to `write` in order, in pieces. On input that
// is not well-formed UTF-8, gives kBadInput with the offset of the first bad byte; what precedes
// the bad block may have been written already, as with iconv. kWriteFailed when `write` failed.
// Towards Latin, `latin` spells (a standard scheme); without it, the table's keys. `before` and
// `after` are the Russian letters around the input when it is part of a longer text (else 0).
// Towards Cyrillic, `typed` (when given) carries the text that typing can still change from the
// input before to this one and on to the next, so that a text may be cut anywhere; it is then
// left unwritten at the end (written out by the caller once the text ends).
using FWrite = std::function<bool(std::string_view)>;
EConvertResult ConvertUtf8(const CCharTable& table, EDirection direction, std::string_view input,
                           const FWrite& write, std::size_t& errorOffset,
                           const ILatinSpelling* latin = nullptr, char16_t before = 0, char16_t after = 0,
                           std::u16string* typed = nullptr);

// The commands over a file, or standard input for the empty path, read and written in pieces:
// memory stays the same whatever the input's size. False with the reason, naming the input.
// command: "to-cyrillic", "to-latin" or "convert" (the direction chosen on the first character).
bool StreamConversion(const CCharTable& table, const std::string& command, const std::string& path,
                      std::string& error, const ILatinSpelling* latin = nullptr);
// The text as the editor opens it (the reading rule), as UTF-8; repair: with double-encoded
// lines repaired. A file is read twice, first to choose its encoding; standard input that is not
// a file has its encoding chosen on its first 16 MB.
bool StreamDecode(const std::string& path, bool repair, std::string& error);
// "KOI8-R", or with verbose "KOI8-R\t866" (the 8-bit detector's own label beside it).
bool DetectEncoding(const std::string& path, bool verbose, std::string& answer, std::string& error);
