// Tag access of the MP3 tool over TagLib: the seven text frames of one file, read into and
// written from one row of a cell grid (the MP3 dialog's colour list, or a plain table in
// lettrino-cli). A cell's colour code tells whether its text is Russian that can be
// transliterated (4) or not (0); column 0 holds the file name, code 4 there meaning "no tag".
//
// Writing keeps what the user did not ask to change: the tag's own ID3v2 version (v2.2, which
// TagLib cannot write, becomes v2.3), flags and padding, an ID3v1 tag only where the file had
// one, the audio and every other frame byte for byte. A multi-value frame shows its values
// joined by " / " and keeps them apart when written. A text goes into a frame as ISO-8859-1 where those bytes
// read back as the same text, otherwise as UTF-16.
#pragma once

#include "ICellGrid.h"
#include "ResourceIds.h"
#include "TextEncoding.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class ILatinSpelling;

struct STagColumn {
    const char* frameId; // the ID3v2.3 frame
    int headerId;        // the column header in the string table
    int width;           // pixels
};

// Columns 1 to 7 of a row; column 0 is the file name.
inline constexpr int kTagColumnCount = 7;
inline constexpr STagColumn kTagColumns[kTagColumnCount] = {
    {"TALB", kStrColAlbum, 150},  {"TPE1", kStrColArtist, 150},   {"TIT2", kStrColTitle, 140},
    {"TYER", kStrColYear, 40},    {"TCOM", kStrColComposer, 100}, {"TOPE", kStrColOrigArtist, 100},
    {"COMM", kStrColComment, 100}};

// Colour codes of the cells.
enum : int {
    kCodePlain = 0,
    kCodeRussian = 4,    // a frame's text holds Russian; column 0: the file has no tag
    kCodeNotWritten = 1, // column 0: the last write to this file failed
};

// The text of a frame and its colour code, from the raw bytes of an ISO-8859-1 frame or an
// ID3v1 field, read as names are (ReadShortText): by the reading rule, or in the encoding the
// user chose for the file (`readAs`).
struct SFrameText {
    QString text;
    int code = kCodePlain;
    const char* encoding = "ISO-8859-1"; // how the text was stored, for lettrino-cli
    // What the text was read in, when it is not plain ASCII: the 8-bit reading, or "UTF-16"/"UTF-8"
    // for a Unicode frame; empty for ASCII.
    QString readIn;
    bool repaired = false; // double-encoded text, shown as the Russian it was
};
// The encoding a user can force on a file's 8-bit texts; none for the reading rule. Forced on
// many files at once it reads only the texts that are not valid UTF-8: a good UTF-8 text keeps
// its reading unless the user chose the encoding for this one file (`onUtf8`).
struct SReadAs {
    std::optional<ETextEncoding> encoding;
    bool onUtf8 = false;

    SReadAs() = default;
    SReadAs(std::nullopt_t) {}
    SReadAs(std::optional<ETextEncoding> forced, bool utf8Too = false) : encoding(forced), onUtf8(utf8Too) {}
    SReadAs(ETextEncoding forced, bool utf8Too = false) : encoding(forced), onUtf8(utf8Too) {}
};
using ReadAs = SReadAs;
SFrameText DecodeFrameBytes(const QByteArray& bytes, ReadAs readAs = std::nullopt);
// Code 4 when a Unicode text holds Cyrillic letters.
int CodeOfUnicodeText(const QString& text);

class CMp3Tag;
// What a column shows: the ID3v2 frame, else the ID3v1 field when it holds something. False
// when neither does.
bool ReadFrameText(const CMp3Tag& tag, const char* frameId, SFrameText& out, ReadAs readAs = std::nullopt);

// One file's tags for the length of one command.
class CMp3Tag {
public:
    explicit CMp3Tag(const QByteArray& path);
    ~CMp3Tag();
    CMp3Tag(const CMp3Tag&) = delete;
    CMp3Tag& operator=(const CMp3Tag&) = delete;

    // An MPEG audio file (a regular file TagLib could read frames of).
    bool IsMpeg() const { return m_mpeg; }
    // A symbolic link: listed, never read or written through.
    bool IsLink() const;
    // An MPEG file with an ID3v2 or ID3v1 tag: the "link result" the dialog colours by.
    bool IsLinked() const;
    // Why the file could not be read (with the system's reason); empty when it was.
    QString ReadError() const;
    // The ID3v2 tag runs past the end of the file: listed as such, never written.
    bool CutShort() const;

    // Writes the tags back by a verified replace of the file; false when the file could not be
    // written, with the reason in Error(). Never called on a file that is not MPEG audio.
    bool Update();
    QString Error() const;

    struct SData;
    SData& Data() { return *m_d; }
    const SData& Data() const { return *m_d; }

private:
    std::unique_ptr<SData> m_d;
    bool m_mpeg = false;
    bool m_hadV1 = false;
};

// The file folder + name (raw bytes; the folder ends in "/").
std::unique_ptr<CMp3Tag> OpenTag(const QByteArray& folder, const QByteArray& name);

// The frame of kTagColumns[column - 1] into cell (row, column): text and code. A missing frame
// leaves the cell as it is.
void ReadFrameToCell(const CMp3Tag& tag, const char* frameId, ICellGrid& grid, int row, int column,
                     ReadAs readAs = std::nullopt, SFrameText* read = nullptr);
// The cell's text into the frame; true when the tag changed (a missing frame is created only
// for a text that is not empty).
bool WriteCellToFrame(CMp3Tag& tag, const char* frameId, ICellGrid& grid, int row, int column);
// A cell marked 4 whose text still is what the frame holds: the frame and the cell get the
// Latin transliteration. True when the tag changed.
bool TransliterateFrame(CMp3Tag& tag, const char* frameId, ICellGrid& grid, int row, int column,
                        const ILatinSpelling& spelling, ReadAs readAs = std::nullopt);

// Whole rows, as the dialog and lettrino-cli use them. Column 0 is left to the caller but for
// its colour code.
enum class ERowResult { kUnchanged, kWritten, kFailed, kNoTag, kLink, kUnreadable, kCutShort };
// Clears columns 1-7 and reads the file; kNoTag (column 0 code 4) when it has no tag, kLink
// (the same, and the reason in column 1) for a symbolic link; kUnreadable (column 0 code 1, the
// reason in column 1) for a file that cannot be read, kCutShort (the same) for a tag that runs
// past the end of its file, which is never written. *readIn (when given) gets the
// encodings the texts were read in, joined by ", ". For the Cyrillic target (`cyrillic`) only the
// texts that target would rewrite keep their mark.
ERowResult ReadRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                   ReadAs readAs = std::nullopt, QString* readIn = nullptr, bool cyrillic = false);
// Transliterates the marked cells, or writes all seven cells (after an edit), and commits.
// On kFailed the row shows again what the file holds, column 0 is marked kCodeNotWritten and
// *reason (when given) says why, with the system's words where the system refused.
ERowResult TransliterateRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                            const ILatinSpelling& spelling, QString* reason = nullptr,
                            ReadAs readAs = std::nullopt);
ERowResult WriteRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                    QString* reason = nullptr);

// The Cyrillic target: Russian kept as Russian, in a Unicode encoding the tag's version allows
// (v2.3 UTF-16 with a byte order mark, v2.4 UTF-8), for players that show Cyrillic.
// True (with the text into *cyrillic) when the ID3v2 frame holds 8-bit Russian (by the reading rule
// or readAs), UTF-8 Russian kept as ISO-8859-1, or double-encoded Russian in any encoding: what
// the rewrite would put there. False for text already right in Unicode, the ID3v1 tag (it cannot
// hold Cyrillic) and anything else.
bool CyrillicOfFrame(const CMp3Tag& tag, const char* frameId, QString& cyrillic,
                     ReadAs readAs = std::nullopt);
// A marked cell whose text still is what the frame holds: the frame gets its Russian in Unicode.
// True when the tag changed.
bool CyrillicFrame(CMp3Tag& tag, const char* frameId, ICellGrid& grid, int row, int column,
                   ReadAs readAs = std::nullopt);
// The row's marked cells to Cyrillic and the file committed, as TransliterateRow does it.
ERowResult CyrillicRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                       QString* reason = nullptr, ReadAs readAs = std::nullopt);
// The file's ID3v1 tag holds Russian: the Cyrillic target leaves it as it is.
bool Id3v1HoldsRussian(const CMp3Tag& tag, ReadAs readAs = std::nullopt);
