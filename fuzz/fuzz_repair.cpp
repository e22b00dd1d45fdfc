// The repair of double-encoded text: the input is UTF-8 text (bytes that are not become U+FFFD).
// A second repair changes nothing, the repair keeps the lines and their ends, and a line without
// characters beyond ASCII and C1 is left as it is.
#include "FuzzCheck.h"
#include "Mojibake.h"
#include "Utf8.h"

#include <algorithm>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text = Utf8ToUtf16(data, size);
    std::size_t lines = 0;
    const std::u16string once = RepairMojibake(text, &lines);
    LT_FUZZ_CHECK(RepairMojibake(once) == once);
    LT_FUZZ_CHECK(std::count(once.begin(), once.end(), u'\n') == std::count(text.begin(), text.end(), u'\n'));
    LT_FUZZ_CHECK(lines <= static_cast<std::size_t>(std::count(text.begin(), text.end(), u'\n')) + 1);
    if (std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; }))
        LT_FUZZ_CHECK(once == text);
    return 0;
}
