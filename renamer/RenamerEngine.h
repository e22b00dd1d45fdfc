// What the file renamer does to a folder, apart from its dialog: list the entries by their names
// on disk, find the names holding Russian text (also names stored in an 8-bit Cyrillic code page),
// propose Latin names and rename without ever replacing anything. The dialog and lettrino-cli
// both run on this.
#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

class ILatinSpelling;

// Colour codes of the list: a name holding Russian text, a proposal.
enum { kCodeNormal = 0, kCodeRussian = 4, kCodeProposal = 9 };

// One entry of a folder as the renamer shows it.
struct SRenameEntry {
    QByteArray onDisk; // the name as the file system keeps it
    QString shown;     // the name as text (re-decoded when it was stored in a Cyrillic code page)
    QString proposal;  // the Latin name to rename to; empty when there is none
    bool isFolder = false;
    int code = kCodeNormal;
    unsigned codePage = 0; // 866, 1251 or 20866 when the name was re-decoded, else 0
};

// The colour code of a name and its text: kCodeRussian for valid UTF-8 holding Cyrillic letters,
// and for a name that is not UTF-8 but reads as CP866, Windows-1251 or KOI8-R (then shown in that
// code page, *codePage set); kCodeNormal otherwise.
int ClassifyName(const QByteArray& onDisk, QString& shown, unsigned* codePage = nullptr);

// The transliteration of a Russian name as a new name on disk (UTF-8), or empty when it would
// not make a sound name: empty, "." or "..", hidden where the original was not, holding "/" or a
// zero byte, longer than 255 bytes, or the same as the name on disk.
QByteArray ProposeName(const ILatinSpelling& spelling, const QString& shown, const QByteArray& onDisk);

// The entries of a folder (not "." and ".."): folders first, then files, each in the order the
// file system gives them, classified and with proposals. False when the folder cannot be read.
bool ListForRenaming(const ILatinSpelling& spelling, const QByteArray& folder,
                     std::vector<SRenameEntry>& entries);

// Renames folder/oldName to folder/newName unless something of that name exists; never replaces.
// On false, *error (when given) holds the errno (EEXIST when the name is taken).
bool RenameNoReplace(const QByteArray& folder, const QByteArray& oldName, const QByteArray& newName,
                     int* error = nullptr);
