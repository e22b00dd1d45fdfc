// MP3 tag reading on any file: the tool reads the seven columns of a row without changing a byte
// of the file, marks cells only with the codes it knows, and reads the same twice.
#include "FuzzCheck.h"
#include "FuzzFiles.h"
#include "ICellGrid.h"
#include "Mp3Tags.h"

#include <QByteArray>

#include <cstdint>
#include <unistd.h>

namespace {

QByteArray g_folder;
const QByteArray kName = "fuzz.mp3";

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_folder = MakeFuzzFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray path = g_folder + kName;
    WriteWhole(path, bytes);

    CCellTable first(1 + kTagColumnCount), second(1 + kTagColumnCount);
    first.AddRow();
    second.AddRow();
    const ERowResult result = ReadRow(g_folder, kName, first, 0);
    // A tag that runs past the end of the file is listed as cut short (and never written).
    LT_FUZZ_CHECK(result == ERowResult::kUnchanged || result == ERowResult::kNoTag ||
                  result == ERowResult::kCutShort);
    LT_FUZZ_CHECK(ReadRow(g_folder, kName, second, 0) == result);
    for (int column = 0; column <= kTagColumnCount; ++column) {
        const int code = first.CellCode(0, column);
        LT_FUZZ_CHECK(code == kCodePlain || code == kCodeRussian ||
                      (column == 0 && result == ERowResult::kCutShort && code == kCodeNotWritten));
        LT_FUZZ_CHECK(code == second.CellCode(0, column) &&
                      first.CellText(0, column) == second.CellText(0, column));
        if (result == ERowResult::kNoTag && column > 0)
            LT_FUZZ_CHECK(first.CellText(0, column).isEmpty());
    }
    LT_FUZZ_CHECK(ReadWhole(path) == bytes);
    unlink(path.constData());
    return 0;
}
