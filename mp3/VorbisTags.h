// Tags of FLAC, Ogg Vorbis and Opus files for the tags tool: its seven columns as the Vorbis
// comments ALBUM, ARTIST, TITLE, DATE, COMPOSER, ORIGINALARTIST and COMMENT. The comments are read
// from the file's own bytes rather than through TagLib, which drops a value that is not UTF-8: raw
// 8-bit Russian, CP1251 read as Latin-1 and stored as UTF-8 ("Ãðóïïà"), and double-encoded UTF-8
// are all read by the reading rule and repaired, as the MP3 tool reads its ISO-8859-1 frames.
//
// Writing lets TagLib rewrite a copy of the file in memory, then checks the copy against the
// original: every metadata block, header packet and comment the user did not change the same, the
// FLAC frames byte for byte, the Ogg audio pages' payloads and granule positions the same. Only
// then is the change journalled (the whole file, described against the new one) and made by the
// verified replace; undo puts the old bytes back.
#pragma once

#include "FileTag.h"

#include <QByteArray>
#include <QString>

#include <utility>
#include <vector>

// "*.flac", "*.ogg", "*.oga", "*.opus" in any case.
bool IsVorbisName(const QByteArray& name);
// The Vorbis comment of column 1 to 7.
const char* VorbisFieldOf(int column);

struct SVorbisComment {
    QByteArray vendor;
    std::vector<std::pair<QByteArray, QByteArray>> fields; // name as stored, value bytes
    QByteArray tail;                                       // what follows the list in the packet
};

// A file's bytes cut into the comment a rewrite may change and what it must keep.
struct SVorbisFile {
    enum class EKind { kNone, kFlac, kOggVorbis, kOpus } kind = EKind::kNone;
    bool hasComment = false;
    SVorbisComment comment;
    QByteArray before;               // FLAC: an ID3v2 tag before "fLaC"
    std::vector<QByteArray> blocks;  // FLAC: every metadata block but comment and padding (type, data)
    qsizetype audioStart = 0;        // FLAC: where the frames begin
    std::vector<QByteArray> packets; // Ogg: the header packets but the comment
    QByteArray audio;                // Ogg: the payloads of the pages after the headers
    std::vector<qint64> granules;    // and their granule positions
};
// kNone (and true) for bytes that are neither FLAC nor Ogg Vorbis/Opus; false with the reason for
// such a file that is cut short or laid out in a way a rewrite cannot keep. With `head` the bytes
// are the file's first only: its audio is not looked at.
bool ParseVorbisFile(const QByteArray& bytes, SVorbisFile& out, QString& error, bool head = false);

// One file's comments for the length of one command.
class CVorbisTag : public CFileTag {
public:
    explicit CVorbisTag(const QByteArray& path);

    // A FLAC, Ogg Vorbis or Opus file with a comment block.
    bool HasTag() const override { return m_file.kind != SVorbisFile::EKind::kNone && m_file.hasComment; }
    const char* FieldOf(int column) const override { return VorbisFieldOf(column); }
    bool Update(QString& error, bool trial = false) override;

private:
    std::vector<QByteArray> Values(int column) const override;
    bool Parse(bool whole, QString& error) override;

    SVorbisFile m_file;
};
