// File names as the file system keeps them: bytes. Folders are read with the raw names (Qt's own
// listing drops names that are not valid UTF-8), and a name is turned into text for display in
// one place, so that the folder picker, the renamer and the MP3 tool show the same text for it.
#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// One entry of a folder, by its name on disk.
struct SRawEntry {
    QByteArray name;
    bool isFolder = false; // a folder, or a link to one
};

// The text of a name: valid UTF-8 as UTF-8; otherwise, when the bytes read as one of the 8-bit
// Cyrillic code pages (866, 1251, KOI8-R), in that code page; otherwise as Windows-1252.
// *codePage (when given) receives the code page used: 0 for UTF-8, else 866, 1251, 20866 or 1252.
QString DecodeRawName(const QByteArray& name, unsigned* codePage = nullptr);

// Every entry of the folder but "." and "..", hidden ones too, in the order the file system gives
// them. False (and no entries) when the folder cannot be read.
bool ReadFolderRaw(const QByteArray& folder, std::vector<SRawEntry>& entries);
