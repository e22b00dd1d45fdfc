// CUE sheets as items of the tags tool. Sheets written by Windows rippers are often CP1251 and
// show as garbage in players; the sheet is read by the reading rule as a whole (its short lines
// alone say too little) and its texts mapped to the columns: album the disc's TITLE, artist every
// PERFORMER, title every track's TITLE, year REM DATE, composer every SONGWRITER, comment
// REM COMMENT. Several lines of a column show as one text joined by " / ".
//
// A rewrite changes those lines' values only. An 8-bit sheet is written as UTF-8 (with a
// byte-order mark only when asked), a Unicode one in its own encoding; a FILE line keeps naming a
// file that exists: its old bytes stay when only they name one.
#pragma once

#include "FileTag.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// "*.cue" in any case.
bool IsCueName(const QByteArray& name);
// The sheet's keyword of column 1 to 7 ("" for original artist, which a sheet does not have).
const char* CueFieldOf(int column);
// 8-bit sheets rewritten as UTF-8 start with a byte-order mark (some Windows players want one).
// For the whole program run: the command line's option or the dialog's setting.
void SetCueSheetsWithBom(bool bom);
bool CueSheetsWithBom();

class CCueSheet : public CFileTag {
public:
    explicit CCueSheet(const QByteArray& path);

    // A sheet with a FILE or TRACK line.
    bool HasTag() const override { return m_sheet; }
    const char* FieldOf(int column) const override { return CueFieldOf(column); }
    bool ReadColumn(int column, SFrameText& out, ReadAs readAs = std::nullopt) const override;
    bool CyrillicOf(int column, QString& cyrillic, ReadAs readAs = std::nullopt) const override;
    bool Update(QString& error, bool trial = false) override;

    struct SLine {
        qsizetype start = 0, end = 0;           // the line in the body, without its line end
        qsizetype valueStart = 0, valueEnd = 0; // its value, without quotes
        bool quoted = false;
        int column = 0; // 0: not a column's line
        bool file = false;
    };

private:
    std::vector<QByteArray> Values(int column) const override;
    bool Parse(bool whole, QString& error) override;
    // The 8-bit encoding the values are read in; none when the sheet is Unicode.
    std::optional<ETextEncoding> EightBit(ReadAs readAs) const;

    QByteArray m_body; // the sheet without its byte-order mark, as UTF-8 when it was UTF-16
    STextFormat m_format;
    bool m_validUtf8 = false;
    bool m_sheet = false;
    std::vector<SLine> m_lines;
    mutable ReadAs m_shownAs; // what the columns were last read in
};
