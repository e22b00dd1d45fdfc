// MP3 tag writing on any file: the title is edited (or, where the tool marks Russian texts, those
// are transliterated) and written by the verified replace. Afterwards every frame not edited is
// byte for byte what it was, in the same order, the audio between the tags too, and the edited
// texts read back; a write that is refused leaves the file exactly as it was.
#include "CCharTable.h"
#include "FuzzCheck.h"
#include "FuzzFiles.h"
#include "ICellGrid.h"
#include "Id3Tag.h"
#include "Mp3Tags.h"
#include "RawNames.h"

#include <QByteArray>
#include <QSet>
#include <QStringList>

#include <cstdint>
#include <unistd.h>

namespace {

QByteArray g_folder;
const QByteArray kName = "fuzz.mp3";
constexpr int kColumns = 1 + kTagColumnCount;

// The frames of the file's ID3v2 tag but those with the given ids, as the tag holds them.
std::vector<QByteArray> FramesBut(const QByteArray& file, const QSet<QByteArray>& ids, int* major) {
    STagRegions regions;
    QString error;
    std::vector<QByteArray> frames;
    const QByteArray path = g_folder + "regions";
    WriteWhole(path, file);
    if (ReadTagRegions(path, regions, error)) {
        const SId3v2 tag = ParseId3v2(regions.id3v2);
        *major = tag.major;
        for (const SId3Frame& frame : tag.frames) {
            if (!ids.contains(frame.id))
                frames.push_back(frame.raw);
        }
    }
    unlink(path.constData());
    return frames;
}

// What a text becomes in a frame: a lone surrogate (a broken UTF-16 frame shows one) has no
// encoding and is written as "?". The row keeps showing the surrogate (left as it is, for now).
QString AsWritten(QString text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            text[i] = u'?';
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_folder = MakeFuzzFolder();
    g_charTable.SetDefaultKeys();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray before(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray path = g_folder + kName;
    WriteWhole(path, before);

    CCellTable grid(kColumns);
    grid.AddRow();
    if (ReadRow(g_folder, kName, grid, 0) != ERowResult::kUnchanged) {
        unlink(path.constData());
        return 0;
    }
    // The frames the write may change: the columns it edits.
    QSet<QByteArray> edited;
    bool russian = false;
    for (int column = 1; column < kColumns; ++column)
        russian = russian || grid.CellCode(0, column) == kCodeRussian;
    ERowResult result;
    if (russian) {
        for (int column = 1; column < kColumns; ++column) {
            if (grid.CellCode(0, column) == kCodeRussian)
                edited << kTagColumns[column - 1].frameId;
        }
        result = TransliterateRow(g_folder, kName, grid, 0, g_charTable);
    } else {
        edited << "TIT2";
        grid.SetCellText(0, 3, grid.CellText(0, 3) + QStringLiteral(" Фаззинг"));
        result = WriteRow(g_folder, kName, grid, 0);
    }
    if (edited.contains("TYER"))
        edited << "TDRC";
    const QByteArray after = ReadWhole(path);
    LT_FUZZ_CHECK(result == ERowResult::kWritten || result == ERowResult::kFailed ||
                  result == ERowResult::kUnchanged);
    if (result != ERowResult::kWritten) {
        LT_FUZZ_CHECK(after == before);
    } else {
        int majorBefore = 0, majorAfter = 0;
        const std::vector<QByteArray> kept = FramesBut(before, edited, &majorBefore);
        const std::vector<QByteArray> now = FramesBut(after, edited, &majorAfter);
        if (majorBefore == 3 || majorBefore == 4) // ID3v2.2 frames become v2.3 ones
            LT_FUZZ_CHECK(now == kept && majorAfter == majorBefore);
        CCellTable reread(kColumns);
        reread.AddRow();
        LT_FUZZ_CHECK(ReadRow(g_folder, kName, reread, 0) == ERowResult::kUnchanged);
        // The frames written read back as written, or as the reading shows them: a run of signs
        // left in a Latin text may now look double-encoded and be shown repaired. The others keep
        // their bytes (above), but their reading may change: a tag's 8-bit texts are read in one
        // code page chosen on all of them, and the Russian ones are Latin now.
        for (int column = 1; column < kColumns; ++column) {
            if (!edited.contains(kTagColumns[column - 1].frameId))
                continue;
            // Unicode frames read back composed: "S" and a combining acute (a transliterated
            // "С́") shows as "Ś".
            const QString written =
                AsWritten(grid.CellText(0, column)).normalized(QString::NormalizationForm_C);
            QStringList values = written.split(QStringLiteral(" / ")); // each value is read alone
            for (QString& value : values)
                RepairShortText(value);
            const QString shown = values.join(QStringLiteral(" / "));
            const QString again = reread.CellText(0, column);
            LT_FUZZ_CHECK(again == grid.CellText(0, column) || again == written || again == shown);
        }
    }
    unlink(path.constData());
    return 0;
}
