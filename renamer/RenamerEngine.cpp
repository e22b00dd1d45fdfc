#include "RenamerEngine.h"

#include "CCharTable.h"
#include "RawNames.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kMaxNameBytes = 255; // NAME_MAX of the usual Linux file systems

bool HoldsCyrillic(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() >= 0x400 && c.unicode() <= 0x4FF)
            return true;
    }
    return false;
}

QByteArray Join(const QByteArray& folder, const QByteArray& name) {
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

// Where renameat2 is not supported, a rename that cannot replace: a file gets a second hard link
// under the new name (which fails if the name exists) before the old one goes; a folder first
// claims the new name with an empty folder of its own, which the rename may then replace.
bool FallbackRename(const QByteArray& from, const QByteArray& to, int& error) {
    struct stat info {};
    if (lstat(from.constData(), &info) != 0) {
        error = errno;
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        if (link(from.constData(), to.constData()) != 0) {
            error = errno;
            return false;
        }
        if (unlink(from.constData()) != 0) {
            error = errno;
            unlink(to.constData());
            return false;
        }
        return true;
    }
    if (mkdir(to.constData(), 0700) != 0) {
        error = errno;
        return false;
    }
    if (rename(from.constData(), to.constData()) != 0) {
        error = errno;
        rmdir(to.constData());
        return false;
    }
    return true;
}

} // namespace

int ClassifyName(const QByteArray& onDisk, QString& shown, unsigned* codePage) {
    unsigned used = 0;
    shown = DecodeRawName(onDisk, &used);
    const bool cyrillicCodePage = used == 866 || used == 1251 || used == 20866;
    if (codePage)
        *codePage = cyrillicCodePage ? used : 0;
    if (cyrillicCodePage || (used == 0 && HoldsCyrillic(shown)))
        return kCodeRussian;
    return kCodeNormal;
}

QByteArray ProposeName(const ILatinSpelling& spelling, const QString& shown, const QByteArray& onDisk) {
    std::u16string text = shown.toStdU16String();
    spelling.ToLatin(text);
    const QByteArray proposal = QString::fromStdU16String(text).toUtf8();
    const bool hiddenNow = proposal.startsWith('.') && !shown.startsWith(QLatin1Char('.'));
    if (proposal.isEmpty() || proposal == "." || proposal == ".." || hiddenNow || proposal.contains('/') ||
        proposal.contains('\0') || proposal.size() > kMaxNameBytes || proposal == onDisk)
        return {};
    return proposal;
}

bool ListForRenaming(const ILatinSpelling& spelling, const QByteArray& folder,
                     std::vector<SRenameEntry>& entries) {
    entries.clear();
    std::vector<SRawEntry> raw;
    if (!ReadFolderRaw(folder, raw))
        return false;
    for (const bool folders : {true, false}) {
        for (const SRawEntry& item : raw) {
            if (item.isFolder != folders)
                continue;
            SRenameEntry entry;
            entry.onDisk = item.name;
            entry.isFolder = item.isFolder;
            entry.code = ClassifyName(item.name, entry.shown, &entry.codePage);
            if (entry.code == kCodeRussian)
                entry.proposal = QString::fromUtf8(ProposeName(spelling, entry.shown, entry.onDisk));
            entries.push_back(std::move(entry));
        }
    }
    return true;
}

bool RenameNoReplace(const QByteArray& folder, const QByteArray& oldName, const QByteArray& newName,
                     int* error) {
    const QByteArray from = Join(folder, oldName);
    const QByteArray to = Join(folder, newName);
    int code = 0;
    bool ok = renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0;
    if (!ok) {
        code = errno;
        if (code == EINVAL || code == ENOSYS || code == ENOTSUP)
            ok = FallbackRename(from, to, code);
    }
    if (!ok && error)
        *error = code;
    return ok;
}
