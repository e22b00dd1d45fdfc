// What the file renamer does to a folder, apart from its dialog: list the entries by their names
// on disk, find the names holding Russian text (also names stored in an 8-bit Cyrillic code page),
// propose Latin names and rename without ever replacing anything. The dialog and lettrino-cli
// both run on this.
#pragma once

#include "TextEncoding.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <sys/types.h>
#include <vector>

class CJournal;
class ILatinSpelling;

// Colour codes of the list: a name holding Russian text, a proposal.
enum { kCodeNormal = 0, kCodeRussian = 4, kCodeProposal = 9 };

// What a run makes of a Russian name: Latin letters (the spelling chosen), or the same Russian
// in UTF-8, composed (NFC), for a system that shows Cyrillic: an 8-bit or double-encoded name is
// mended, a correct UTF-8 name left alone.
enum class ENameTarget { kLatin, kCyrillic };
struct SNameTarget {
    ENameTarget target = ENameTarget::kLatin;
    bool nfc = false; // names in decomposed form (NFD) rewritten composed, nothing else changed
};

// Why a rename is (or would be) refused.
enum class ERefusal {
    kNone,
    kNoKey,       // a Russian letter of the name has no key (missing holds it)
    kUnsound,     // the Latin name would be empty, "." or "..", turn hidden, or hold "/"
    kTooLong,     // longer than the folder's file system takes
    kTaken,       // something of the new name exists
    kSecondLink,  // the new name is another link to this file (a rename cut short half-way)
    kCollides,    // an earlier entry of the same run gets the same new name
    kNotWritable, // the folder is not writable for this user
    kChanged,     // the entry is not the one listed any more (replaced, e.g. by a link)
    kJournal,     // the journal could not be written, so nothing was changed
    kSystem,      // the system refused (error holds errno)
    kInvalidBytes // the name is UTF-8 with stray bytes: no reading takes it whole
};

// One entry of a folder as the renamer shows it.
struct SRenameEntry {
    QByteArray onDisk; // the name as the file system keeps it
    QString shown;     // the name as text (re-decoded when it was stored in a Cyrillic code page)
    QString proposal;  // the Latin name to rename to; empty when there is none
    bool isFolder = false;
    bool isLink = false;
    int code = kCodeNormal;
    unsigned codePage = 0;                         // 866, 1251 or 20866 when the name was re-decoded, else 0
    ETextEncoding encoding = ETextEncoding::kUtf8; // what the name was read in
    std::optional<ETextEncoding> readAs;           // the reading the user chose for it
    bool readAsWhole = false;                      // readAs came for the whole run: not for valid UTF-8
    QString edited;                                // the Latin name the user typed; empty when none
    bool skipped = false;                          // left out of a whole run
    bool repaired = false;                         // double-encoded, shown repaired
    dev_t device = 0;                              // what the entry was when listed
    ino_t inode = 0;
    ERefusal refusal = ERefusal::kNone;
    char16_t missing = 0; // the letter without a key
    int error = 0;
    QString detail; // the journal's reason
    SNameTarget target;
};

// The colour code of a name and its text: kCodeRussian for valid UTF-8 holding Cyrillic letters,
// and for a name that is not UTF-8 but reads as CP866, Windows-1251 or KOI8-R (then shown in that
// code page, *codePage set); kCodeNormal otherwise.
int ClassifyName(const QByteArray& onDisk, QString& shown, unsigned* codePage = nullptr);

// Reads the entry's name again (in entry.readAs when set) and proposes for it (entry.edited when
// set, else the name of entry.target), refusals cleared; PredictRefusals over the list comes after.
void ReadAndPropose(const ILatinSpelling& spelling, SRenameEntry& entry);
// Whether a name the user typed can be a new name on its own (not yet against the folder): never
// empty, ".", "..", holding "/" or a zero byte, hidden where the original was not, or over 255
// bytes. kNone when it can.
ERefusal CheckTypedName(const QString& name, const QString& shown);

// The transliteration of a Russian name as a new name on disk (UTF-8), or empty when there is
// none: the same as the name on disk, or refused (*refusal, *missing say why): a letter without a
// key, not a sound name (empty, "." or "..", hidden where the original was not, holding "/" or a
// zero byte), longer than 255 bytes.
QByteArray ProposeName(const ILatinSpelling& spelling, const QString& shown, const QByteArray& onDisk,
                       ERefusal* refusal = nullptr, char16_t* missing = nullptr);

// The entries of a folder (not "." and ".."): folders first, then files, each in the order the
// file system gives them, classified, with proposals and with the refusals that a run renaming
// them in this order would meet (PredictRefusals). False when the folder cannot be read.
bool ListForRenaming(const ILatinSpelling& spelling, int folderFd, std::vector<SRenameEntry>& entries,
                     std::optional<ETextEncoding> readAs = std::nullopt, SNameTarget target = {});
bool ListForRenaming(const ILatinSpelling& spelling, const QByteArray& folder,
                     std::vector<SRenameEntry>& entries);
// Marks what a run renaming the proposals in list order would refuse: a name too long for the
// folder's file system, a name that exists or that an earlier entry takes, a folder not writable.
void PredictRefusals(int folderFd, std::vector<SRenameEntry>& entries);

// Renames one listed entry with a proposal inside the opened folder: checks it is still the entry
// listed, journals the rename (the folder by its place, PlaceOf), then renames without replacing
// and marks it done. False with entry.refusal set when refused (a predicted refusal is not tried),
// except that an empty folder left at the new name by a journalled rename of this entry, cut short,
// is removed first.
bool RenameEntry(int folderFd, SRenameEntry& entry, CJournal& journal);

// The reason of a refusal in the current interface language.
QString RefusalText(const SRenameEntry& entry);

// Renames folder/oldName to folder/newName unless something of that name exists; never replaces.
// On false, *error (when given) holds the errno (EEXIST when the name is taken).
bool RenameNoReplace(const QByteArray& folder, const QByteArray& oldName, const QByteArray& newName,
                     int* error = nullptr);
