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
// Towards Latin, `latin` spells (a standard scheme); without it, the table's keys.
using FWrite = std::function<bool(std::string_view)>;
EConvertResult ConvertUtf8(const CCharTable& table, EDirection direction, std::string_view input,
                           const FWrite& write, std::size_t& errorOffset,
                           const ILatinSpelling* latin = nullptr);

// UTF-16 text as UTF-8 pieces that, written in order, are the whole text.
void EncodeUtf8(std::u16string_view text, std::vector<std::string>& pieces);
