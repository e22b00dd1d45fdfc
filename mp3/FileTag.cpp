#include "FileTag.h"

#include "CResourceModule.h"
#include "CueSheet.h"
#include "LatinSpelling.h"
#include "Mp3Batch.h"
#include "Mp4Tags.h"
#include "RawNames.h"
#include "ResourceIds.h"
#include "VorbisTags.h"

#include <QStringDecoder>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const QString kTagValueSeparator = QStringLiteral(" / ");

namespace {

QString Text(int id) {
    return CurrentResources().String(id);
}

bool ValidUtf8(const QByteArray& bytes, QString& text) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    text = decoder(bytes);
    return !decoder.hasError();
}

// Latin-1 letters standing for every letter, or nearly: 8-bit Russian that was read as Latin-1 on
// its way into UTF-8. A Latin text with a few accents ("Café") is taken as it is.
bool LooksReadAsLatin1(const QString& text) {
    int high = 0;
    int letters = 0;
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return false;
        if (c.unicode() >= 0x80 && c.unicode() < 0xA0)
            ++high; // C1 controls: UTF-8 read as Latin-1
        if (c.isLetter()) {
            ++letters;
            high += c.unicode() >= 0x80;
        }
    }
    return high > 0 && high * 4 >= letters * 3;
}

QByteArray PathIn(const QByteArray& folder, const QByteArray& name) {
    return folder + (folder.isEmpty() || folder.endsWith('/') ? "" : "/") + name;
}

// What every row function does first: a link, an unreadable file, one never written and one without
// texts end the row alike. kUnchanged when the tag can be read on.
ERowResult FirstLook(const CFileTag& tag, const QByteArray& path, QString& why) {
    if (tag.IsLink()) {
        why = Text(1300);
        return ERowResult::kLink;
    }
    why = !tag.ReadError().isEmpty() ? tag.ReadError() : tag.Damage();
    if (!why.isEmpty())
        return ERowResult::kFailed;
    if (!tag.HasTag()) {
        if (::access(path.constData(), F_OK) == 0)
            return ERowResult::kNoTag;
        why = Text(1304) + QStringLiteral(": ") + SystemReason(errno);
        return ERowResult::kFailed;
    }
    return ERowResult::kUnchanged;
}

} // namespace

// One value read: UTF-8 as it should be, 8-bit bytes by the reading rule, and text that went
// through a wrong reading on its way repaired.
SFrameText ReadTagValue(const QByteArray& bytes, ReadAs readAs, bool& damaged) {
    damaged = false;
    QString text;
    if (!ValidUtf8(bytes, text)) {
        damaged = true;
        return DecodeFrameBytes(bytes, readAs);
    }
    text = text.normalized(QString::NormalizationForm_C);
    if (readAs.onUtf8 && readAs.encoding) {
        damaged = true;
        return DecodeFrameBytes(LooksReadAsLatin1(text) ? text.toLatin1() : bytes, readAs);
    }
    if (LooksReadAsLatin1(text)) {
        SFrameText read = DecodeFrameBytes(text.toLatin1(), readAs);
        if (read.code == kCodeRussian) {
            damaged = true;
            read.encoding = "Latin-1 in UTF-8";
            return read;
        }
    }
    SFrameText result;
    result.repaired = RepairShortText(text);
    damaged = result.repaired;
    result.text = text;
    result.code = CodeOfUnicodeText(text);
    result.encoding = "UTF-8";
    bool ascii = true;
    for (const char c : bytes)
        ascii = ascii && uchar(c) < 0x80;
    if (!ascii)
        result.readIn = QStringLiteral("UTF-8");
    if (result.repaired)
        result.readIn += QStringLiteral(" (%1)").arg(Text(kStrRepaired));
    return result;
}

CFileTag::CFileTag(const QByteArray& path) : m_path(path) {
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0)
        return;
    m_link = S_ISLNK(info.st_mode);
    m_regular = S_ISREG(info.st_mode);
}

void CFileTag::ReadHead() {
    if (!m_regular)
        return;
    const int fd = ::open(m_path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        m_readError = Text(1312) + QStringLiteral(": ") + SystemReason(errno);
        return;
    }
    // Reading a tag costs its first bytes, not the whole file; a write reads the rest. Metadata
    // longer than those (a cover picture, say) is read in steps that grow fourfold.
    struct stat opened {};
    bool read = ::fstat(fd, &opened) == 0;
    for (qsizetype head = 64 * 1024; read; head *= 4) {
        m_whole = opened.st_size <= head;
        read = m_whole ? ReadWholeFile(fd, m_bytes, m_readError) : ReadAt(fd, 0, head, m_bytes);
        m_damage.clear();
        if (read && (Parse(m_whole, m_damage) || m_whole))
            break;
    }
    ::close(fd);
    if (!read) {
        if (m_readError.isEmpty())
            m_readError = Text(1312) + QStringLiteral(": ") + SystemReason(errno);
        return;
    }
    m_stamp = StampOf(opened);
}

bool CFileTag::ReadRest(QString& error) {
    if (m_whole)
        return true;
    const int fd = ::open(m_path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    struct stat info {};
    if (fd < 0) {
        error = Text(1312) + QStringLiteral(": ") + SystemReason(errno);
        return false;
    }
    const bool same = ::fstat(fd, &info) == 0 && StampOf(info) == m_stamp;
    const bool read = same && ReadWholeFile(fd, m_bytes, error);
    ::close(fd);
    if (!same)
        error = Text(1302);
    if (!read)
        return false;
    m_whole = true;
    return Parse(true, error);
}

bool CFileTag::ReadyToRewrite(QString& error, const QString& format) {
    if (!m_readError.isEmpty() || !m_damage.isEmpty() || !HasTag()) {
        error = !m_readError.isEmpty() ? m_readError : !m_damage.isEmpty() ? m_damage : Text(1309);
        return false;
    }
    // The copy is made in memory, several times over, and TagLib counts its bytes in 32 bits.
    if (m_stamp.size > kLargestTagCopy) {
        error = Text(1313).arg(format);
        return false;
    }
    return ReadRest(error);
}

bool CFileTag::Replace(const QByteArray& replacement, QString& error) {
    if (!JournalFileRewrite(m_path, m_bytes, replacement, error) ||
        !ReplaceWholeFile(m_path, m_stamp, replacement, error))
        return false;
    m_bytes = replacement;
    m_set = {};
    return true;
}

bool CFileTag::ReadColumn(int column, SFrameText& out, ReadAs readAs) const {
    out = SFrameText();
    QStringList texts;
    for (const QByteArray& value : Values(column)) {
        bool damaged = false;
        const SFrameText read = ReadTagValue(value, readAs, damaged);
        texts << read.text;
        out.code = std::max(out.code, read.code);
        if (texts.size() == 1 || damaged)
            out.encoding = read.encoding;
        if (!read.readIn.isEmpty())
            out.readIn = read.readIn;
        out.repaired = out.repaired || read.repaired;
    }
    out.text = texts.join(kTagValueSeparator);
    return !texts.isEmpty();
}

bool CFileTag::CyrillicOf(int column, QString& cyrillic, ReadAs readAs) const {
    SFrameText text;
    if (!ReadColumn(column, text, readAs) || text.code != kCodeRussian)
        return false;
    bool anyDamaged = false;
    for (const QByteArray& value : Values(column)) {
        bool damaged = false;
        ReadTagValue(value, readAs, damaged);
        anyDamaged = anyDamaged || damaged;
    }
    if (!anyDamaged)
        return false;
    cyrillic = text.text;
    return true;
}

void CFileTag::SetColumn(int column, const QString& text) {
    const qsizetype count = qsizetype(Values(column).size());
    QStringList values = text.split(kTagValueSeparator);
    if (count < 2 || values.size() != count)
        values = QStringList{text};
    if (text.isEmpty())
        values.clear();
    m_set[std::size_t(column - 1)] = values;
}

bool HasExtension(const QByteArray& name, std::initializer_list<const char*> extensions) {
    const QByteArray lower = name.toLower();
    for (const char* extension : extensions) {
        if (lower.size() > qsizetype(qstrlen(extension)) && lower.endsWith(extension))
            return true;
    }
    return false;
}

std::unique_ptr<CFileTag> OpenFileTag(const QByteArray& path) {
    if (IsVorbisName(path))
        return std::make_unique<CVorbisTag>(path);
    if (IsCueName(path))
        return std::make_unique<CCueSheet>(path);
    if (IsMp4Name(path))
        return std::make_unique<CMp4Tag>(path);
    return nullptr;
}

bool IsFileTagName(const QByteArray& name) {
    return IsVorbisName(name) || IsMp4Name(name) || IsCueName(name);
}

const char* TagFieldOf(const QByteArray& name, int column) {
    if (column < 1 || column > kTagColumnCount)
        return "";
    if (IsVorbisName(name))
        return VorbisFieldOf(column);
    if (IsCueName(name))
        return CueFieldOf(column);
    if (IsMp4Name(name))
        return Mp4FieldOf(column);
    return kTagColumns[column - 1].frameId;
}

bool ReadWholeFile(int fd, QByteArray& bytes, QString& error) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !ReadAt(fd, 0, qsizetype(info.st_size), bytes)) {
        error = Text(1312) + QStringLiteral(": ") + SystemReason(errno ? errno : EIO);
        return false;
    }
    return true;
}

bool ReplaceWholeFile(const QByteArray& path, const SFileStamp& stamp, const QByteArray& replacement,
                      QString& error) {
    auto write = [&](int fd, QString& why) {
        if (WriteAll(fd, replacement.constData(), replacement.size()))
            return true;
        why = Text(1307) + QStringLiteral(": ") + SystemReason(errno);
        return false;
    };
    auto verify = [&](int fd, QString& why) {
        // The copy is read back from the disk, not trusted from memory.
        QByteArray copy;
        if (ReadWholeFile(fd, copy, why) && copy == replacement)
            return true;
        why = Text(1309);
        return false;
    };
    return ReplaceFileVerified(path, &stamp, write, verify, error);
}

ERowResult FileTagRewriteRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                             const ILatinSpelling* spelling, QString* reason, ReadAs readAs, bool trial) {
    const QByteArray path = PathIn(folder, name);
    const std::unique_ptr<CFileTag> tag = OpenFileTag(path);
    QString why;
    ERowResult look = tag ? FirstLook(*tag, path, why) : ERowResult::kNoTag;
    if (look == ERowResult::kUnchanged) {
        std::vector<std::pair<int, QString>> results;
        for (int column = 1; column <= kTagColumnCount; ++column) {
            if (grid.CellCode(row, column) == kCodePlain)
                continue;
            SFrameText text;
            // A cell that no longer shows what the file holds is not overwritten from the file.
            if (!tag->ReadColumn(column, text, readAs) || text.code != kCodeRussian ||
                text.text != grid.CellText(row, column))
                continue;
            QString result;
            if (spelling != nullptr) {
                std::u16string latin = text.text.toStdU16String();
                spelling->ToLatin(latin);
                result = QString::fromStdU16String(latin);
            } else if (!tag->CyrillicOf(column, result, readAs)) {
                continue;
            }
            tag->SetColumn(column, result);
            results.emplace_back(column, result);
        }
        if (results.empty())
            return ERowResult::kUnchanged;
        if (!tag->Update(why, trial)) {
            look = ERowResult::kFailed;
        } else {
            for (const auto& [column, text] : results)
                grid.SetCellText(row, column, text);
            look = ERowResult::kWritten;
        }
    }
    if (reason != nullptr && !why.isEmpty())
        *reason = why;
    if (look == ERowResult::kFailed)
        grid.SetCellCode(row, 0, kCodeNotWritten);
    else if (look == ERowResult::kWritten && grid.CellCode(row, 0) == kCodeNotWritten)
        grid.SetCellCode(row, 0, kCodePlain);
    return look;
}

ERowResult FileTagReadRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                          ReadAs readAs, QString* readIn, bool cyrillic) {
    for (int column = 1; column <= kTagColumnCount; ++column) {
        grid.SetCellText(row, column, QString());
        grid.SetCellCode(row, column, kCodePlain);
    }
    if (readIn)
        readIn->clear();
    const std::unique_ptr<CFileTag> tag = OpenFileTag(PathIn(folder, name));
    auto refused = [&](int code, const QString& why, ERowResult result) {
        grid.SetCellCode(row, 0, code);
        grid.SetCellText(row, 1, why);
        return result;
    };
    if (!tag) {
        grid.SetCellCode(row, 0, kCodeRussian);
        return ERowResult::kNoTag;
    }
    if (tag->IsLink())
        return refused(kCodeRussian, Text(1300), ERowResult::kLink);
    if (!tag->ReadError().isEmpty())
        return refused(kCodeNotWritten, tag->ReadError(), ERowResult::kUnreadable);
    // Never written, as an MP3 file whose tag runs past its end.
    if (!tag->Damage().isEmpty())
        return refused(kCodeNotWritten, tag->Damage(), ERowResult::kCutShort);
    if (!tag->HasTag()) {
        grid.SetCellCode(row, 0, kCodeRussian);
        return ERowResult::kNoTag;
    }
    grid.SetCellCode(row, 0, kCodePlain);
    QStringList encodings;
    for (int column = 1; column <= kTagColumnCount; ++column) {
        SFrameText read;
        if (!tag->ReadColumn(column, read, readAs))
            continue;
        QString unused;
        grid.SetCellText(row, column, read.text);
        grid.SetCellCode(row, column,
                         cyrillic && read.code == kCodeRussian && !tag->CyrillicOf(column, unused, readAs)
                             ? int(kCodePlain)
                             : read.code);
        if (!read.readIn.isEmpty() && !encodings.contains(read.readIn))
            encodings << read.readIn;
    }
    if (readIn)
        *readIn = encodings.join(QStringLiteral(", "));
    return ERowResult::kUnchanged;
}

ERowResult FileTagWriteRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                           QString* reason, ReadAs readAs) {
    const QByteArray path = PathIn(folder, name);
    const std::unique_ptr<CFileTag> tag = OpenFileTag(path);
    QString why;
    ERowResult look = tag ? FirstLook(*tag, path, why) : ERowResult::kNoTag;
    bool changed = false;
    if (look == ERowResult::kUnchanged) {
        for (int column = 1; column <= kTagColumnCount; ++column) {
            SFrameText text;
            const bool present = tag->ReadColumn(column, text, readAs);
            const QString cell = grid.CellText(row, column);
            // A text the user left as it was shown is not rewritten; an empty one removes the field.
            if (present ? cell == text.text : cell.isEmpty())
                continue;
            tag->SetColumn(column, cell);
            changed = true;
        }
        if (changed && !tag->Update(why))
            look = ERowResult::kFailed;
    }
    if (reason != nullptr && !why.isEmpty())
        *reason = why;
    if (look == ERowResult::kFailed) {
        // The row shows again what the file holds.
        FileTagReadRow(folder, name, grid, row, readAs);
        grid.SetCellCode(row, 0, kCodeNotWritten);
        return look;
    }
    if (look != ERowResult::kUnchanged)
        return look;
    if (grid.CellCode(row, 0) == kCodeNotWritten)
        grid.SetCellCode(row, 0, kCodePlain);
    return changed ? ERowResult::kWritten : ERowResult::kUnchanged;
}

bool IsTagFileName(const QByteArray& name) {
    return IsMp3Name(name) || IsFileTagName(name);
}

ERowResult ReadTagRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                      ReadAs readAs, QString* readIn, bool cyrillic) {
    return IsFileTagName(name) ? FileTagReadRow(folder, name, grid, row, readAs, readIn, cyrillic)
                               : ReadRow(folder, name, grid, row, readAs, readIn, cyrillic);
}

ERowResult RewriteTagRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                         const ILatinSpelling* spelling, QString* reason, ReadAs readAs) {
    if (IsFileTagName(name))
        return FileTagRewriteRow(folder, name, grid, row, spelling, reason, readAs);
    return spelling != nullptr ? TransliterateRow(folder, name, grid, row, *spelling, reason, readAs)
                               : CyrillicRow(folder, name, grid, row, reason, readAs);
}

ERowResult WriteTagRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                       QString* reason, ReadAs readAs) {
    return IsFileTagName(name) ? FileTagWriteRow(folder, name, grid, row, reason, readAs)
                               : WriteRow(folder, name, grid, row, reason);
}
