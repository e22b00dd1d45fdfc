// The whole-file tag formats (FLAC, Ogg Vorbis, Opus, MP4, CUE sheets) on any file: the first byte
// picks the format by the name the file gets, the rest is the file. A row reads the same twice with
// only the codes the tool knows, and a dry rewrite to Latin (which builds and checks the copy in
// memory) changes no byte of the file.
#include "CCharTable.h"
#include "FileTag.h"
#include "FuzzCheck.h"
#include "FuzzFiles.h"
#include "ICellGrid.h"
#include "LatinSpelling.h"

#include <QByteArray>

#include <cstdint>
#include <unistd.h>

namespace {

QByteArray g_folder;
const char* const kNames[] = {"fuzz.flac", "fuzz.ogg", "fuzz.opus", "fuzz.m4a", "fuzz.cue"};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_folder = MakeFuzzFolder();
    g_charTable.SetDefaultKeys();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const QByteArray name = kNames[data[0] % std::size(kNames)];
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const QByteArray path = g_folder + name;
    WriteWhole(path, bytes);

    CCellTable first(1 + kTagColumnCount), second(1 + kTagColumnCount);
    first.AddRow();
    second.AddRow();
    const ERowResult result = FileTagReadRow(g_folder, name, first, 0);
    LT_FUZZ_CHECK(result == ERowResult::kUnchanged || result == ERowResult::kNoTag ||
                  result == ERowResult::kCutShort);
    LT_FUZZ_CHECK(FileTagReadRow(g_folder, name, second, 0) == result);
    for (int column = 0; column <= kTagColumnCount; ++column) {
        const int code = first.CellCode(0, column);
        LT_FUZZ_CHECK(code == kCodePlain || code == kCodeRussian ||
                      (column == 0 && result == ERowResult::kCutShort && code == kCodeNotWritten));
        LT_FUZZ_CHECK(code == second.CellCode(0, column) &&
                      first.CellText(0, column) == second.CellText(0, column));
    }
    QString reason;
    const ERowResult trial =
        FileTagRewriteRow(g_folder, name, first, 0, &LatinSpelling(g_charTable, ELatinScheme::kKeys), &reason,
                          std::nullopt, true);
    LT_FUZZ_CHECK(trial != ERowResult::kFailed || !reason.isEmpty());
    LT_FUZZ_CHECK(ReadWhole(path) == bytes);
    unlink(path.constData());
    return 0;
}
