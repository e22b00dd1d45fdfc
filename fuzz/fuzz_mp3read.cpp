// MP3 tag reading on any file: the tool reads the seven columns of a row without changing a byte
// of the file, marks cells only with the codes it knows, and reads the same twice.
#include "FuzzCheck.h"
#include "ICellGrid.h"
#include "Mp3Tags.h"

#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

QByteArray g_folder;
const QByteArray kName = "fuzz.mp3";

QByteArray ReadBack(const QByteArray& path) {
    QByteArray bytes;
    if (std::FILE* f = std::fopen(path.constData(), "rb")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
            bytes.append(buffer, qsizetype(n));
        std::fclose(f);
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char pattern[] = "/tmp/lt-fuzz-mp3-XXXXXX";
    if (!mkdtemp(pattern))
        std::abort();
    g_folder = QByteArray(pattern) + '/';
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray path = g_folder + kName;
    std::FILE* f = std::fopen(path.constData(), "wb");
    LT_FUZZ_CHECK(f && std::fwrite(bytes.constData(), 1, size, f) == size && std::fclose(f) == 0);

    CCellTable first(1 + kTagColumnCount), second(1 + kTagColumnCount);
    first.AddRow();
    second.AddRow();
    const ERowResult result = ReadRow(g_folder, kName, first, 0);
    LT_FUZZ_CHECK(result == ERowResult::kUnchanged || result == ERowResult::kNoTag);
    LT_FUZZ_CHECK(ReadRow(g_folder, kName, second, 0) == result);
    for (int column = 0; column <= kTagColumnCount; ++column) {
        const int code = first.CellCode(0, column);
        LT_FUZZ_CHECK(code == kCodePlain || code == kCodeRussian);
        LT_FUZZ_CHECK(code == second.CellCode(0, column) &&
                      first.CellText(0, column) == second.CellText(0, column));
        if (result == ERowResult::kNoTag && column > 0)
            LT_FUZZ_CHECK(first.CellText(0, column).isEmpty());
    }
    LT_FUZZ_CHECK(ReadBack(path) == bytes);
    unlink(path.constData());
    return 0;
}
