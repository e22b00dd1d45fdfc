// Stored settings: a font description and a window placement, each read from the input (UTF-8).
// Whatever the reader accepts, the writer writes so that the reader gives exactly the same back.
#include "CLogFont.h"
#include "FuzzCheck.h"
#include "Settings.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));

    CLogFont font;
    if (font.FromText(text)) {
        const QString written = font.ToText();
        CLogFont reread;
        std::memset(reread.m_faceName, 0x55, sizeof reread.m_faceName);
        LT_FUZZ_CHECK(reread.FromText(written));
        LT_FUZZ_CHECK(std::memcmp(&reread, &font, sizeof font) == 0);
        LT_FUZZ_CHECK(reread.ToText() == written);
    }

    SWindowPos pos;
    if (ParseWindowPos(text, pos)) {
        const QString written = FormatWindowPos(pos);
        SWindowPos reread{-7, -7, -7, -7, -7};
        LT_FUZZ_CHECK(ParseWindowPos(written, reread));
        LT_FUZZ_CHECK(reread.showState == pos.showState && reread.left == pos.left && reread.top == pos.top &&
                      reread.width == pos.width && reread.height == pos.height);
        LT_FUZZ_CHECK(FormatWindowPos(reread) == written);
    }
    return 0;
}
