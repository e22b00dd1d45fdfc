#include "RawNames.h"

#include "CodePage.h"
#include "Utf8.h"

#include <filesystem>
#include <string>
#include <system_error>

namespace {

QString FromUtf16(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QString DecodeRawName(const QByteArray& name, unsigned* codePage) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(name.constData());
    const auto n = static_cast<std::size_t>(name.size());
    std::u16string text;
    unsigned used = 0;
    if (!Utf8ToUtf16Checked(bytes, n, text)) {
        used = DetectCyrillicCodePage(bytes, n);
        if (used != kCodePage866 && used != kCodePage1251 && used != kCodePageKoi8r)
            used = 1252; // the bytes are not UTF-8, so the system code page reads them as 1252
        text = DecodeWithCodePage(used, bytes, n);
    }
    if (codePage)
        *codePage = used;
    return FromUtf16(text);
}

bool ReadFolderRaw(const QByteArray& folder, std::vector<SRawEntry>& entries) {
    namespace fs = std::filesystem;
    entries.clear();
    std::error_code error;
    const fs::path path(std::string(folder.constData(), static_cast<std::size_t>(folder.size())));
    fs::directory_iterator it(path, error);
    if (error)
        return false;
    for (const fs::directory_iterator end; it != end; it.increment(error)) {
        if (error)
            break;
        const std::string name = it->path().filename().string();
        // A broken link or an entry that vanished meanwhile is simply not a folder.
        std::error_code typeError;
        const bool isFolder = it->is_directory(typeError);
        entries.push_back({QByteArray(name.data(), static_cast<qsizetype>(name.size())), isFolder});
    }
    if (error) {
        entries.clear();
        return false;
    }
    return true;
}
