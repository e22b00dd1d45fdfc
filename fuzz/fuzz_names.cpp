// Raw file names: classification and Latin proposals. The input is a name on disk, optionally
// after a key table in its text form and a line feed. UTF-8 names show as they are, composed. A
// proposal is never "/"-holding, zero-byte holding, ".", "..", over 255 bytes, hidden where the
// name was not, nor the name itself; it is UTF-8, and when it is ASCII it reads back as such.
#include "CCharTable.h"
#include "FuzzCheck.h"
#include "RawNames.h"
#include "RenamerEngine.h"
#include "Utf8.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CCharTable table;
    const auto* feed = static_cast<const std::uint8_t*>(std::memchr(data, '\n', size));
    if (feed) {
        table.KeysFromStored(Utf8ToUtf16(data, std::size_t(feed - data)));
        size -= std::size_t(feed + 1 - data);
        data = feed + 1;
    } else {
        table.SetDefaultKeys();
    }
    const QByteArray onDisk(reinterpret_cast<const char*>(data), qsizetype(size));

    QString shown;
    unsigned codePage = 1;
    const int code = ClassifyName(onDisk, shown, &codePage);
    LT_FUZZ_CHECK(code == kCodeNormal || code == kCodeRussian);
    LT_FUZZ_CHECK(codePage == 0 || codePage == 866 || codePage == 1251 || codePage == 20866);
    LT_FUZZ_CHECK(codePage == 0 || code == kCodeRussian);
    // Russian read as UTF-8 is shown as it is (composed), unless it was double-encoded and is shown
    // repaired, or holds stray bytes, shown as U+FFFD.
    const SShortText read = ReadShortText(onDisk);
    if (code == kCodeRussian && codePage == 0 && !read.repaired && !read.invalid)
        LT_FUZZ_CHECK(shown == QString::fromUtf8(onDisk).normalized(QString::NormalizationForm_C));
    if (read.invalid)
        LT_FUZZ_CHECK(shown.contains(QChar::ReplacementCharacter) && read.encoding == ETextEncoding::kUtf8);
    LT_FUZZ_CHECK(shown.size() <= onDisk.size());

    const QByteArray proposal = ProposeName(table, shown, onDisk);
    if (proposal.isEmpty())
        return 0;
    LT_FUZZ_CHECK(!proposal.contains('/') && !proposal.contains('\0'));
    LT_FUZZ_CHECK(proposal != "." && proposal != ".." && proposal.size() <= 255 && proposal != onDisk);
    LT_FUZZ_CHECK(!proposal.startsWith('.') || onDisk.startsWith('.'));
    LT_FUZZ_CHECK(IsValidUtf8(reinterpret_cast<const unsigned char*>(proposal.constData()),
                              std::size_t(proposal.size())));
    // Signs that are not letters pass into the proposal as they are; UTF-8 made mostly of such
    // signs ("╣╣╣") may read back as an 8-bit page. A proposal of ASCII always reads back.
    unsigned proposalPage = 1;
    DecodeRawName(proposal, &proposalPage);
    const bool ascii = std::all_of(proposal.begin(), proposal.end(), [](char c) { return (c & 0x80) == 0; });
    LT_FUZZ_CHECK(proposalPage == 0 || !ascii);
    return 0;
}
