// The key table and both conversions. The input (UTF-8) is a key table in its text form, a line
// feed, and a text. The text form reads back to the same keys; converting the whole text at once
// gives what typing it key by key gives; to Latin, no letter grows beyond its longest key.
#include "CCharTable.h"
#include "CTypingConverter.h"
#include "FuzzCheck.h"
#include "Utf8.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string input = Utf8ToUtf16(data, size);
    const std::size_t feed = input.find(u'\n');
    const std::u16string keys = input.substr(0, feed);
    const std::u16string text = feed == input.npos ? std::u16string() : input.substr(feed + 1);

    CCharTable table;
    table.KeysFromStored(keys);
    const std::u16string stored = table.KeysToText();
    // (Stored as a setting, the text form of a table without any key would read as the default
    // table: an empty value means "never stored".)
    CCharTable reread;
    reread.KeysFromText(stored);
    LT_FUZZ_CHECK(reread.m_keys == table.m_keys);
    LT_FUZZ_CHECK(reread.m_typed == table.m_typed);
    LT_FUZZ_CHECK(reread.KeysToText() == stored);

    // Typing one key after the other, converting at the caret each time, as the editor does.
    std::u16string typed;
    for (const char16_t c : text) {
        typed += c;
        std::size_t caret = typed.size();
        table.ConvertAtCaret(typed, caret);
        LT_FUZZ_CHECK(caret == typed.size());
    }
    // A converter costs more to make than most inputs cost to check; inputs that differ only in
    // their text share one.
    static std::map<std::u16string, std::unique_ptr<CTypingConverter>> converters;
    if (converters.size() > 256)
        converters.clear();
    auto& converter = converters[stored];
    if (!converter)
        converter = std::make_unique<CTypingConverter>(table);
    LT_FUZZ_CHECK(converter->Convert(text) == typed);
    LT_FUZZ_CHECK(typed.size() <= text.size());

    std::size_t longest = 1;
    for (int row = 0; row < CCharTable::kLetterRows; ++row)
        longest = std::max(longest, table.m_keys[CCharTable::Index(row, 0)].size());
    std::u16string latin = text;
    LT_FUZZ_CHECK(table.ToLatin(latin) == !text.empty());
    LT_FUZZ_CHECK(latin.size() <= text.size() * longest);
    const bool cyrillic = std::any_of(text.begin(), text.end(), [&](char16_t c) {
        return table.m_cyrLower.substr(0, CCharTable::kLetterRows).find(c) != std::u16string::npos ||
               table.m_cyrUpper.substr(0, CCharTable::kLetterRows).find(c) != std::u16string::npos;
    });
    if (!cyrillic)
        LT_FUZZ_CHECK(latin == text);
    return 0;
}
