// The tags tool's formats whose texts are rewritten with the whole file: FLAC, Ogg Vorbis, Opus
// (VorbisTags), MP4 audio (Mp4Tags) and CUE sheets (CueSheet). Each reads its texts from the file's
// own bytes, so that damaged Russian is seen as stored, and maps them to the seven columns of the
// MP3 tool. A rewrite is made on a copy in memory and checked against the original (the audio
// and everything the user did not change the same) before it is journalled (the whole file,
// described against the new one) and made by the verified replace; undo puts the old bytes back.
#pragma once

#include "Mp3Tags.h"
#include "SafeFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <initializer_list>
#include <memory>
#include <optional>
#include <sys/types.h>
#include <vector>

class ILatinSpelling;

// A column's values are shown joined by this, and split by it again when there are as many.
extern const QString kTagValueSeparator;
// The copy is made in memory, several times over, and TagLib counts its bytes in 32 bits.
inline constexpr off_t kLargestTagCopy = off_t(1) << 30;

// One stored UTF-8 value read: right UTF-8 as it is, other bytes by the reading rule, and text
// that went through a wrong reading on its way (8-bit Russian read as Latin-1, double-encoded
// UTF-8) repaired. *damaged when the stored bytes are not the text.
SFrameText ReadTagValue(const QByteArray& bytes, ReadAs readAs, bool& damaged);

// One file's texts for the length of one command.
class CFileTag {
public:
    explicit CFileTag(const QByteArray& path);
    virtual ~CFileTag() = default;
    CFileTag(const CFileTag&) = delete;
    CFileTag& operator=(const CFileTag&) = delete;

    bool IsLink() const { return m_link; }
    // Why the file could not be read; empty when it was.
    QString ReadError() const { return m_readError; }
    // Why the file is never written (cut short, an unusual layout); empty when it can be.
    QString Damage() const { return m_damage; }
    // The file has the texts the columns show (a tag, a comment block, a sheet).
    virtual bool HasTag() const = 0;
    // The name of a column's field in this format, for messages.
    virtual const char* FieldOf(int column) const = 0;

    // The column's values, each read and repaired, joined by " / ". False when the file has none.
    virtual bool ReadColumn(int column, SFrameText& out, ReadAs readAs = std::nullopt) const;
    // The Cyrillic target: true (the Russian into *cyrillic) when the field holds damaged Russian;
    // right UTF-8 stays.
    virtual bool CyrillicOf(int column, QString& cyrillic, ReadAs readAs = std::nullopt) const;
    // The column is to hold `text` (split into the field's values where it has as many).
    void SetColumn(int column, const QString& text);
    // Writes the columns set; false with the reason, the file untouched. A trial stops before the
    // write, once the copy has passed its checks: what a dry run predicts.
    virtual bool Update(QString& error, bool trial = false) = 0;

protected:
    // The stored bytes of the column's values, in the file's order.
    virtual std::vector<QByteArray> Values(int column) const = 0;
    // Parses m_bytes (the file's first bytes only unless `whole`); false with the reason in `error`
    // when they do not hold the layout, or are cut short.
    virtual bool Parse(bool whole, QString& error) = 0;
    // Reads the file's first bytes, more while Parse wants them; to be called by the constructor of
    // the format's class, whose Parse is then in place.
    void ReadHead();
    // The rest of the very file that was read, parsed again; false with the reason.
    bool ReadRest(QString& error);
    // What every rewrite asks first: the file was read, is not damaged, has its texts, is no larger
    // than a copy in memory may be (`format` names it in the refusal), and is now read whole.
    bool ReadyToRewrite(QString& error, const QString& format);
    // The replacement journalled and written over the file, if it still is the one read.
    bool Replace(const QByteArray& replacement, QString& error);

    QByteArray m_path;
    SFileStamp m_stamp;
    QByteArray m_bytes; // the file, or its first bytes (m_whole false)
    bool m_whole = false;
    bool m_link = false;
    bool m_regular = false;
    QString m_readError;
    QString m_damage;
    std::array<std::optional<QStringList>, kTagColumnCount> m_set;
};

// The name ends in one of the extensions (".flac"), in any case, after something.
bool HasExtension(const QByteArray& name, std::initializer_list<const char*> extensions);
// The texts of the file at `path` in the format its name says; null for a name of none of these.
std::unique_ptr<CFileTag> OpenFileTag(const QByteArray& path);
// A name OpenFileTag takes.
bool IsFileTagName(const QByteArray& name);
// The field of a column in the format of `name` (the ID3v2 frame for an MP3 file).
const char* TagFieldOf(const QByteArray& name, int column);

// Transliterates the row's marked cells (spelling given) or turns them into Unicode Cyrillic
// (spelling null), as TransliterateRow and CyrillicRow do for MP3 files. A trial writes nothing:
// kWritten when the write would be made, kFailed with the reason it would be refused.
ERowResult FileTagRewriteRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                             const ILatinSpelling* spelling, QString* reason, ReadAs readAs = std::nullopt,
                             bool trial = false);
// The row filled as ReadRow fills it for an MP3 file: the same codes in column 0, the reason in
// column 1 for a file that cannot be read or written, *readIn what the texts were read in.
ERowResult FileTagReadRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                          ReadAs readAs = std::nullopt, QString* readIn = nullptr, bool cyrillic = false);
// Every cell whose text is no longer what the file holds (read in `readAs`) written, as WriteRow
// writes an MP3 file's after an edit.
ERowResult FileTagWriteRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                           QString* reason = nullptr, ReadAs readAs = std::nullopt);

// The tags dialog's files: MP3 and the formats above, each row read and written by the functions
// of its format.
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
