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

#include "Mp3Tags.h"
#include "SafeFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <utility>
#include <vector>

class ILatinSpelling;

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
class CVorbisTag {
public:
    explicit CVorbisTag(const QByteArray& path);

    bool IsLink() const { return m_link; }
    // Why the file could not be read; empty when it was.
    QString ReadError() const { return m_readError; }
    // Why the file is never written (cut short, an unusual layout); empty when it can be.
    QString Damage() const { return m_damage; }
    // A FLAC, Ogg Vorbis or Opus file with a comment block.
    bool HasTag() const { return m_file.kind != SVorbisFile::EKind::kNone && m_file.hasComment; }

    // The column's values, each read and repaired, joined by " / ". False when the file has none.
    bool ReadColumn(int column, SFrameText& out, ReadAs readAs = std::nullopt) const;
    // The Cyrillic target: true (the Russian into *cyrillic) when the field holds damaged Russian
    // (8-bit bytes, or read as Latin-1 on the way, or double-encoded); right UTF-8 stays.
    bool CyrillicOf(int column, QString& cyrillic, ReadAs readAs = std::nullopt) const;
    // The column is to hold `text` (split into the field's values where it has as many).
    void SetColumn(int column, const QString& text);
    // Writes the columns set; false with the reason, the file untouched. A trial stops before the
    // write, once the copy has passed its checks: what a dry run predicts.
    bool Update(QString& error, bool trial = false);

private:
    QByteArray m_path;
    SFileStamp m_stamp;
    QByteArray m_bytes; // the file, or its first bytes (m_whole false)
    bool m_whole = false;
    SVorbisFile m_file;
    bool m_link = false;
    QString m_readError;
    QString m_damage;
    std::array<std::optional<QStringList>, kTagColumnCount> m_set;
};

// Transliterates the row's marked cells (spelling given) or turns them into Unicode Cyrillic
// (spelling null), as TransliterateRow and CyrillicRow do for MP3 files. A trial writes nothing:
// kWritten when the write would be made, kFailed with the reason it would be refused.
ERowResult VorbisRewriteRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                            const ILatinSpelling* spelling, QString* reason, ReadAs readAs = std::nullopt,
                            bool trial = false);

// The row filled as ReadRow fills it for an MP3 file: the same codes in column 0, the reason in
// column 1 for a file that cannot be read or written, *readIn what the texts were read in.
ERowResult VorbisReadRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                         ReadAs readAs = std::nullopt, QString* readIn = nullptr, bool cyrillic = false);
// Every cell whose text is no longer what the file holds (read in `readAs`) written, as WriteRow
// writes an MP3 file's after an edit.
ERowResult VorbisWriteRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                          QString* reason = nullptr, ReadAs readAs = std::nullopt);

// The tags dialog's files: MP3, FLAC, Ogg Vorbis and Opus, each row read and written by the
// functions of its format.
bool IsTagFileName(const QByteArray& name);
ERowResult ReadTagRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                      ReadAs readAs = std::nullopt, QString* readIn = nullptr, bool cyrillic = false);
// The marked cells to Latin (spelling given) or to Unicode Cyrillic (spelling null).
ERowResult RewriteTagRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                         const ILatinSpelling* spelling, QString* reason = nullptr,
                         ReadAs readAs = std::nullopt);
ERowResult WriteTagRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                       QString* reason = nullptr, ReadAs readAs = std::nullopt);

// The whole open file; false with the reason.
bool ReadWholeFile(int fd, QByteArray& bytes, QString& error);
// The file replaced by `replacement` through the verified replace, if it still is `stamp`.
bool ReplaceWholeFile(const QByteArray& path, const SFileStamp& stamp, const QByteArray& replacement,
                      QString& error);
