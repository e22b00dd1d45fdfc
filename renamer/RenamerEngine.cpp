#include "RenamerEngine.h"

#include "CCharTable.h"
#include "CResourceModule.h"
#include "CodePage.h"
#include "Journal.h"
#include "RawNames.h"
#include "ResourceIds.h"
#include "RussianText.h"

#include <QSet>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kMaxNameBytes = 255; // NAME_MAX of the usual Linux file systems

ERefusal RefusalOfErrno(int code) {
    switch (code) {
    case EEXIST:
    case ENOTEMPTY:
        return ERefusal::kTaken;
    case EACCES:
    case EPERM:
    case EROFS:
        return ERefusal::kNotWritable;
    case ENAMETOOLONG:
        return ERefusal::kTooLong;
    case ENOENT:
        return ERefusal::kChanged;
    default:
        return ERefusal::kSystem;
    }
}

// The Cyrillic target's name: the reading itself, composed, where it differs from the bytes on
// disk for a reason this target mends; empty otherwise.
QString CyrillicProposal(const SShortText& read, const SRenameEntry& entry) {
    if (read.text.toUtf8() == entry.onDisk)
        return {};
    const bool mended = read.russian && (read.encoding != ETextEncoding::kUtf8 || read.repaired);
    const bool decomposed = entry.target.nfc && read.encoding == ETextEncoding::kUtf8 && !read.repaired;
    // The name becomes what the list shows: a reading that is wrong is put right with Read as.
    return mended || decomposed ? read.text : QString();
}

} // namespace

int ClassifyName(const QByteArray& onDisk, QString& shown, unsigned* codePage) {
    const SShortText read = ReadShortText(onDisk);
    shown = read.text;
    if (codePage)
        *codePage = read.encoding == ETextEncoding::kCp1252 ? 0 : CodePageOf(read.encoding);
    return read.russian ? kCodeRussian : kCodeNormal;
}

ERefusal CheckTypedName(const QString& name, const QString& shown) {
    const QByteArray bytes = name.toUtf8();
    const bool hiddenNow = bytes.startsWith('.') && !shown.startsWith(QLatin1Char('.'));
    if (bytes.isEmpty() || bytes == "." || bytes == ".." || hiddenNow || bytes.contains('/') ||
        bytes.contains('\0'))
        return ERefusal::kUnsound;
    if (bytes.size() > kMaxNameBytes)
        return ERefusal::kTooLong;
    return ERefusal::kNone;
}

void ReadAndPropose(const ILatinSpelling& spelling, SRenameEntry& entry) {
    const SShortText read = ReadShortText(entry.onDisk, entry.readAs, !entry.readAsWhole);
    entry.shown = read.text;
    entry.encoding = read.encoding;
    entry.repaired = read.repaired;
    entry.codePage = read.encoding == ETextEncoding::kCp1252 ? 0 : CodePageOf(read.encoding);
    entry.code = read.russian ? kCodeRussian : kCodeNormal;
    entry.proposal.clear();
    entry.refusal = ERefusal::kNone;
    entry.missing = 0;
    if (read.invalid && entry.edited.isEmpty()) {
        // Listed with its best reading, never renamed from a reading that is not whole.
        entry.refusal = ERefusal::kInvalidBytes;
    } else if (!entry.edited.isEmpty()) {
        entry.refusal = CheckTypedName(entry.edited, entry.shown);
        if (entry.edited.toUtf8() != entry.onDisk)
            entry.proposal = entry.edited;
    } else if (entry.shown.contains(QChar::ReplacementCharacter)) {
        // A name that does not read whole in the chosen encoding is never renamed from it.
        if (entry.code == kCodeRussian)
            entry.refusal = ERefusal::kUnsound;
    } else if (entry.target.target == ENameTarget::kCyrillic) {
        entry.proposal = CyrillicProposal(read, entry);
        if (!entry.proposal.isEmpty())
            entry.refusal = CheckTypedName(entry.proposal, entry.shown);
    } else if (entry.code == kCodeRussian) {
        entry.proposal = QString::fromUtf8(
            ProposeName(spelling, entry.shown, entry.onDisk, &entry.refusal, &entry.missing));
    }
    // Only a decomposed name that nothing else renames is composed; the Latin form is composed anyway.
    if (entry.target.nfc && entry.proposal.isEmpty() && entry.refusal == ERefusal::kNone && !read.invalid &&
        entry.edited.isEmpty() && read.encoding == ETextEncoding::kUtf8 && !read.repaired &&
        read.text.toUtf8() != entry.onDisk)
        entry.proposal = read.text;
}

QByteArray ProposeName(const ILatinSpelling& spelling, const QString& shown, const QByteArray& onDisk,
                       ERefusal* refusal, char16_t* missing) {
    ERefusal why = ERefusal::kNone;
    QByteArray proposal;
    const std::u16string original = shown.toStdU16String();
    if (const char16_t letter = spelling.LetterWithoutKey(original)) {
        why = ERefusal::kNoKey;
        if (missing)
            *missing = letter;
    } else {
        std::u16string text = original;
        spelling.ToLatin(text);
        proposal = QString::fromStdU16String(text).toUtf8();
        why = CheckTypedName(QString::fromUtf8(proposal), shown);
        if (why == ERefusal::kNone && proposal == onDisk)
            proposal.clear();
    }
    if (refusal)
        *refusal = why;
    return why == ERefusal::kNone ? proposal : QByteArray();
}

bool ListForRenaming(const ILatinSpelling& spelling, int folderFd, std::vector<SRenameEntry>& entries,
                     std::optional<ETextEncoding> readAs, SNameTarget target) {
    entries.clear();
    std::vector<SListedEntry> raw;
    if (!ReadFolderAt(folderFd, raw))
        return false;
    for (const bool folders : {true, false}) {
        for (const SListedEntry& item : raw) {
            if (item.isFolder != folders)
                continue;
            SRenameEntry entry;
            entry.onDisk = item.name;
            entry.isFolder = item.isFolder;
            entry.isLink = item.isLink;
            entry.device = item.device;
            entry.inode = item.inode;
            entry.readAs = readAs;
            entry.readAsWhole = readAs.has_value();
            entry.target = target;
            ReadAndPropose(spelling, entry);
            entries.push_back(std::move(entry));
        }
    }
    PredictRefusals(folderFd, entries);
    return true;
}

bool ListForRenaming(const ILatinSpelling& spelling, const QByteArray& folder,
                     std::vector<SRenameEntry>& entries) {
    const CFolderFd fd = OpenFolderPath(folder);
    if (!fd.IsOpen()) {
        entries.clear();
        return false;
    }
    return ListForRenaming(spelling, fd.Fd(), entries);
}

void PredictRefusals(int folderFd, std::vector<SRenameEntry>& entries) {
    const long nameMax = NameMaxAt(folderFd);
    const bool writable = faccessat(folderFd, ".", W_OK, AT_EACCESS) == 0;
    QSet<QByteArray> existing;
    for (const SRenameEntry& entry : entries)
        existing.insert(entry.onDisk);
    QSet<QByteArray> claimed;
    for (SRenameEntry& entry : entries) {
        if (entry.skipped || entry.proposal.isEmpty() || entry.refusal != ERefusal::kNone)
            continue;
        const QByteArray proposal = entry.proposal.toUtf8();
        if (proposal.size() > nameMax)
            entry.refusal = ERefusal::kTooLong;
        else if (existing.contains(proposal))
            entry.refusal = HalfRenameAt(folderFd, entry.onDisk, proposal, entry.device, entry.inode) ==
                                    EHalfRename::kSecondLink
                                ? ERefusal::kSecondLink
                                : ERefusal::kTaken;
        else if (claimed.contains(proposal))
            entry.refusal = ERefusal::kCollides;
        else if (!writable)
            entry.refusal = ERefusal::kNotWritable;
        else
            claimed.insert(proposal);
    }
}

bool RenameEntry(int folderFd, SRenameEntry& entry, CJournal& journal) {
    // An earlier run killed inside the folder fallback left only its own empty folder in the way.
    if (entry.refusal == ERefusal::kTaken) {
        const QByteArray proposal = entry.proposal.toUtf8();
        if (HalfRenameAt(folderFd, entry.onDisk, proposal, entry.device, entry.inode) ==
                EHalfRename::kEmptyFolder &&
            JournalledUnfinishedRename(folderFd, entry.onDisk, proposal, entry.device, entry.inode) &&
            TakeBackHalfRenameAt(folderFd, proposal, EHalfRename::kEmptyFolder))
            entry.refusal = ERefusal::kNone;
    }
    if (entry.refusal != ERefusal::kNone)
        return false;
    struct stat info {};
    if (fstatat(folderFd, entry.onDisk.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        info.st_dev != entry.device || info.st_ino != entry.inode) {
        entry.refusal = ERefusal::kChanged;
        return false;
    }
    const QByteArray proposal = entry.proposal.toUtf8();
    long change = -1;
    if (!journal.AppendRename(folderFd, entry.onDisk, proposal, info.st_dev, info.st_ino, &entry.detail,
                              &change)) {
        entry.refusal = ERefusal::kJournal;
        return false;
    }
    int error = 0;
    if (RenameNoReplaceAt(folderFd, entry.onDisk, proposal, &error)) {
        journal.Done(change, info.st_dev, info.st_ino);
        return true;
    }
    entry.refusal = RefusalOfErrno(error);
    entry.error = error;
    return false;
}

QString RefusalText(const SRenameEntry& entry) {
    const CResourceModule& texts = CurrentResources();
    switch (entry.refusal) {
    case ERefusal::kNone:
        return {};
    case ERefusal::kNoKey:
        return texts.String(kStrNoKey).arg(QChar(entry.missing));
    case ERefusal::kUnsound:
        return texts.String(kStrUnsoundName);
    case ERefusal::kTooLong:
        return texts.String(kStrNameTooLong);
    case ERefusal::kTaken:
        return texts.String(kStrNameTaken);
    case ERefusal::kCollides:
        return texts.String(kStrNameCollides);
    case ERefusal::kSecondLink:
        return texts.String(kStrNameIsSecondLink);
    case ERefusal::kNotWritable:
        return texts.String(kStrNotWritable);
    case ERefusal::kChanged:
        return texts.String(kStrEntryChanged);
    case ERefusal::kJournal:
        return texts.String(kStrJournalFailed).arg(entry.detail);
    case ERefusal::kSystem:
        return QString::fromLocal8Bit(std::strerror(entry.error));
    case ERefusal::kInvalidBytes:
        return texts.String(kStrInvalidNameBytes);
    }
    return {};
}

bool RenameNoReplace(const QByteArray& folder, const QByteArray& oldName, const QByteArray& newName,
                     int* error) {
    const CFolderFd fd = OpenFolderPath(folder, error);
    return fd.IsOpen() && RenameNoReplaceAt(fd.Fd(), oldName, newName, error);
}
