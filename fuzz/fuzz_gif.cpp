// The GIF block walker on any bytes. Frames counted by skipping and by cutting them out agree,
// the walk never leaves the data (AddressSanitizer sees any read past it: libFuzzer hands over a
// block of exactly the input's size), and every frame cut out is a GIF of its own.
#include "CGifParser.h"
#include "FuzzCheck.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto n = qsizetype(size);
    CGifParser parser(data, n);
    if (!parser.Open())
        return 0;
    const qsizetype head = 13 + parser.GlobalTableSize();
    LT_FUZZ_CHECK(head <= n && parser.ReadPosition() == head);

    int skipped = 0;
    for (qsizetype before = parser.ReadPosition(); parser.SkipFrame(); before = parser.ReadPosition()) {
        LT_FUZZ_CHECK(parser.ReadPosition() > before && parser.ReadPosition() <= n);
        ++skipped;
    }
    const bool truncated = parser.Truncated();

    parser.ResetReadPosition();
    int extracted = 0;
    GifFrame frame;
    for (QByteArray single; !(single = parser.ExtractFrame(frame)).isEmpty(); ++extracted) {
        LT_FUZZ_CHECK(parser.ReadPosition() <= n);
        LT_FUZZ_CHECK(single.size() <= n + 1);
        LT_FUZZ_CHECK(std::memcmp(single.constData(), data, size_t(head)) == 0);
        LT_FUZZ_CHECK(single.back() == '\x3B');
        LT_FUZZ_CHECK(frame.width >= 0 && frame.width <= 0xFFFF && frame.height >= 0 &&
                      frame.height <= 0xFFFF);
        LT_FUZZ_CHECK(frame.disposal >= 0 && frame.disposal <= 7);
        CGifParser again(reinterpret_cast<const uchar*>(single.constData()), single.size());
        LT_FUZZ_CHECK(again.Open() && again.SkipFrame() && !again.SkipFrame() && !again.Truncated());
    }
    LT_FUZZ_CHECK(extracted == skipped);
    LT_FUZZ_CHECK(parser.Truncated() == truncated);

    // Block by block, the same walk never goes backwards or past the end either.
    parser.ResetReadPosition();
    while (parser.GetBlockLength() > 0) {
        const qsizetype before = parser.ReadPosition();
        LT_FUZZ_CHECK(parser.SkipBlock() && parser.ReadPosition() > before && parser.ReadPosition() <= n);
    }
    return 0;
}
