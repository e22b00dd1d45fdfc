// Tags of MP4 audio files (.m4a, .m4b) for the tags tool: its seven columns as the iTunes items
// ©alb, ©ART, ©nam, ©day, ©wrt, ©cmt and, for the original artist, which has no item of its own,
// the freeform item ----:com.apple.iTunes:ORIGINALARTIST (the name TagLib gives that field in every
// format that has one; TagLib and mutagen read and write any freeform item under that name). The
// items are read from the file's own bytes (moov/udta/meta/ilst): TagLib turns a value that is not
// UTF-8 into replacement characters, and the damaged Russian would be lost before it is read.
//
// Writing lets TagLib rewrite a copy of the file in memory, then checks the copy against the
// original: every top-level atom but moov and padding the same (the audio in mdat above all),
// everything in moov outside the item list the same but the chunk offsets, which must have moved
// by exactly as much as the atoms they point into, and every item the user did not change the
// same byte for byte. Only then is the change journalled and made by the verified replace.
#pragma once

#include "FileTag.h"

#include <QByteArray>
#include <QString>

#include <vector>

// "*.m4a", "*.m4b" in any case.
bool IsMp4Name(const QByteArray& name);
// The item of column 1 to 7, in Latin-1 ("\xa9nam" is ©nam) as every field name is shown.
const char* Mp4FieldOf(int column);

struct SMp4Item {
    QByteArray name;               // the atom's type, "----:mean:name" for a freeform item
    QByteArray atom;               // the whole item as stored
    std::vector<QByteArray> texts; // the values of its UTF-8 data atoms
    bool onlyTexts = true;         // every data atom holds UTF-8 text
};

// A part of the file a rewrite must keep: where it is, and (in moov) where it sits.
struct SMp4Part {
    QByteArray path; // "mdat", "moov/trak/mdia/minf/stbl/stsd"
    qsizetype at = 0;
    qsizetype size = 0;
};

struct SMp4File {
    bool isMp4 = false;
    bool hasTag = false;          // moov/udta/meta/ilst exists
    std::vector<SMp4Part> kept;   // the top-level atoms but moov, free and skip
    std::vector<SMp4Part> inMoov; // every atom of moov outside the item list, chunk offsets apart
    std::vector<std::vector<quint64>> chunkOffsets; // each stco/co64 table (with its place in inMoov)
    std::vector<SMp4Item> items;
};
// Not isMp4 (and false) for bytes that do not begin as an MP4 file; false with the reason for one
// cut short, fragmented or laid out in a way a rewrite cannot keep. With `head` the bytes are the
// file's first only: true once moov has been read whole.
bool ParseMp4File(const QByteArray& bytes, SMp4File& out, QString& error, bool head = false);

// One file's items for the length of one command.
class CMp4Tag : public CFileTag {
public:
    explicit CMp4Tag(const QByteArray& path);

    bool HasTag() const override { return m_file.isMp4 && m_file.hasTag; }
    const char* FieldOf(int column) const override { return Mp4FieldOf(column); }
    bool Update(QString& error, bool trial = false) override;

private:
    std::vector<QByteArray> Values(int column) const override;
    bool Parse(bool whole, QString& error) override;
    void ReadMoov(int fd, off_t size);

    SMp4File m_file;
};
