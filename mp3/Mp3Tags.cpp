#include "Mp3Tags.h"

#include "CCharTable.h"
#include "CodePage.h"
#include "Utf8.h"

#include <taglib/commentsframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/mpegheader.h>
#include <taglib/textidentificationframe.h>

#include <sys/stat.h>

#include <vector>

namespace {

// TagLib turns a v2.3 TYER into TDRC and drops TDAT, TIME, TRDA, TSIZ, EQUA and RVAD while it
// reads; writing the tag back in v2.3 would then lose them. v2.3 frames are kept as they are;
// v2.2 frames still get their four-letter ids.
template <typename> struct SFirstArg;
template <typename C, typename R, typename A> struct SFirstArg<R (C::*)(A) const> { using type = A; };

class CKeepingFrameFactory : public TagLib::ID3v2::FrameFactory {
    // The frame header type is protected in TagLib; the factory's own signature names it.
    using HeaderPtr = SFirstArg<decltype(&CKeepingFrameFactory::updateFrame)>::type;

protected:
    bool updateFrame(HeaderPtr header) const override {
        if (header->version() == 3)
            return true;
        return FrameFactory::updateFrame(header);
    }
};

const CKeepingFrameFactory& Factory() {
    static const CKeepingFrameFactory factory;
    return factory;
}

QString FromTagLib(const TagLib::String& s) {
    return QString::fromStdWString(s.toWString());
}

TagLib::String ToTagLib(const QString& text) {
    return TagLib::String(text.toUtf8().toStdString(), TagLib::String::UTF8);
}

QByteArray RawLatin1(const TagLib::String& s) {
    const std::string bytes = s.to8Bit(false);
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

bool IsYear(const char* frameId) {
    return qstrcmp(frameId, "TYER") == 0;
}

bool IsComment(const char* frameId) {
    return qstrcmp(frameId, "COMM") == 0;
}

enum class EV1Field { kNone, kTitle, kArtist, kAlbum, kYear, kComment };

EV1Field V1Field(const char* frameId) {
    const QByteArray id(frameId);
    if (id == "TALB")
        return EV1Field::kAlbum;
    if (id == "TPE1")
        return EV1Field::kArtist;
    if (id == "TIT2")
        return EV1Field::kTitle;
    if (id == "TYER")
        return EV1Field::kYear;
    if (id == "COMM")
        return EV1Field::kComment;
    return EV1Field::kNone;
}

// ISO-8859-1 when the bytes read back as the same text; UTF-16 otherwise.
bool FitsLatin1(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return false;
    }
    return DecodeFrameBytes(text.toLatin1()).text == text;
}

} // namespace

struct CMp3Tag::SData {
    std::unique_ptr<TagLib::MPEG::File> file;
    int version = 0; // of the ID3v2 tag on disk, 0 when none
    bool createdV2 = false;
    bool v1Changed = false;
};

SFrameText DecodeFrameBytes(const QByteArray& bytes) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto n = std::size_t(bytes.size());
    SFrameText result;
    std::u16string utf16;
    bool ascii = true;
    for (const char c : bytes)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (!ascii && Utf8ToUtf16Checked(data, n, utf16)) {
        result.text = QString::fromStdU16String(utf16);
        result.code = CodeOfUnicodeText(result.text);
        result.encoding = "UTF-8 in ISO-8859-1";
        return result;
    }
    const unsigned cp = DetectCyrillicCodePage(data, n);
    if (cp == kCodePage866 || cp == kCodePage1251 || cp == kCodePageKoi8r) {
        result.text = QString::fromStdU16String(DecodeWithCodePage(cp, data, n));
        result.code = kCodeRussian;
        result.encoding = cp == kCodePage866 ? "CP866" : cp == kCodePage1251 ? "CP1251" : "KOI8-R";
    } else {
        result.text = QString::fromStdU16String(DecodeWithCodePage(kCodePageSystem, data, n));
    }
    return result;
}

int CodeOfUnicodeText(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() >= 0x0400 && c.unicode() <= 0x04FF && c.isLetter())
            return kCodeRussian;
    }
    return kCodePlain;
}

CMp3Tag::CMp3Tag(const QByteArray& path) : m_d(std::make_unique<SData>()) {
    // A folder named *.mp3, a fifo or a device is never handed to the tag library.
    struct stat info {};
    if (::stat(path.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return;
    auto* factory = const_cast<CKeepingFrameFactory*>(&Factory());
    // The audio properties are not read: they walk back from the end of the file for its length,
    // which costs more than the tags. A valid frame header followed by the next one is the test.
    m_d->file = std::make_unique<TagLib::MPEG::File>(path.constData(), factory, false);
    TagLib::MPEG::File& file = *m_d->file;
    const long first = file.isValid() ? file.firstFrameOffset() : -1;
    m_mpeg = first >= 0 && TagLib::MPEG::Header(&file, first, true).isValid();
    if (!m_mpeg) {
        m_d->file.reset();
        return;
    }
    m_hadV1 = file.hasID3v1Tag();
    if (file.hasID3v2Tag())
        m_d->version = int(file.ID3v2Tag()->header()->majorVersion());
}

CMp3Tag::~CMp3Tag() = default;

bool CMp3Tag::IsLinked() const {
    return m_mpeg && (m_d->version != 0 || m_hadV1);
}

int CMp3Tag::Id3v2Version() const {
    if (m_d->version == 0)
        return m_d->createdV2 ? 3 : 0;
    return m_d->version == 4 ? 4 : 3;
}

bool CMp3Tag::Update() {
    if (!m_mpeg)
        return false;
    int tags = TagLib::MPEG::File::NoTags;
    if (m_d->version != 0 || m_d->createdV2)
        tags |= TagLib::MPEG::File::ID3v2;
    if (m_hadV1 && m_d->v1Changed)
        tags |= TagLib::MPEG::File::ID3v1;
    if (tags == TagLib::MPEG::File::NoTags)
        return true;
    const auto version = Id3v2Version() == 4 ? TagLib::ID3v2::v4 : TagLib::ID3v2::v3;
    return m_d->file->save(tags, TagLib::File::StripNone, version, TagLib::File::DoNotDuplicate);
}

std::unique_ptr<CMp3Tag> OpenTag(const QByteArray& folder, const QByteArray& name) {
    QByteArray path = folder;
    if (!path.isEmpty() && !path.endsWith('/'))
        path += '/';
    return std::make_unique<CMp3Tag>(path + name);
}

namespace {

TagLib::ID3v2::Tag* V2(const CMp3Tag& tag) {
    CMp3Tag::SData& d = const_cast<CMp3Tag&>(tag).Data();
    if (!d.file || (d.version == 0 && !d.createdV2))
        return nullptr;
    return d.file->ID3v2Tag();
}

TagLib::ID3v1::Tag* V1(const CMp3Tag& tag) {
    CMp3Tag::SData& d = const_cast<CMp3Tag&>(tag).Data();
    if (!d.file || !tag.HasId3v1())
        return nullptr;
    return d.file->ID3v1Tag();
}

// The frame a column shows: the year is TDRC in v2.4; of several comments, the one without a
// description, else the first that is not iTunes' own data (iTunNORM, iTunSMPB, ...).
TagLib::ID3v2::Frame* FindFrame(const CMp3Tag& tag, const char* frameId) {
    TagLib::ID3v2::Tag* v2 = V2(tag);
    if (v2 == nullptr)
        return nullptr;
    const TagLib::ID3v2::FrameListMap& map = v2->frameListMap();
    if (IsComment(frameId)) {
        const auto it = map.find("COMM");
        if (it == map.end() || it->second.isEmpty())
            return nullptr;
        for (TagLib::ID3v2::Frame* frame : it->second) {
            auto* comment = dynamic_cast<TagLib::ID3v2::CommentsFrame*>(frame);
            if (comment != nullptr && comment->description().isEmpty())
                return frame;
        }
        for (TagLib::ID3v2::Frame* frame : it->second) {
            auto* comment = dynamic_cast<TagLib::ID3v2::CommentsFrame*>(frame);
            if (comment != nullptr && !comment->description().startsWith("iTun"))
                return frame;
        }
        return nullptr;
    }
    for (const char* id : {frameId, IsYear(frameId) ? "TDRC" : ""}) {
        if (*id == '\0')
            continue;
        const auto it = map.find(id);
        if (it != map.end() && !it->second.isEmpty())
            if (auto* text = dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(it->second.front()))
                return text;
    }
    return nullptr;
}

SFrameText FrameText(TagLib::ID3v2::Frame* frame) {
    TagLib::String text;
    TagLib::String::Type encoding = TagLib::String::Latin1;
    if (auto* comment = dynamic_cast<TagLib::ID3v2::CommentsFrame*>(frame)) {
        text = comment->text();
        encoding = comment->textEncoding();
    } else if (auto* field = dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(frame)) {
        text = field->toString();
        encoding = field->textEncoding();
    }
    if (encoding == TagLib::String::Latin1)
        return DecodeFrameBytes(RawLatin1(text));
    SFrameText result;
    result.text = FromTagLib(text);
    result.code = CodeOfUnicodeText(result.text);
    result.encoding = encoding == TagLib::String::UTF8 ? "UTF-8" : "UTF-16";
    return result;
}

void SetFrameText(TagLib::ID3v2::Frame* frame, const QString& text) {
    const TagLib::String::Type encoding = FitsLatin1(text) ? TagLib::String::Latin1 : TagLib::String::UTF16;
    const TagLib::String value = encoding == TagLib::String::Latin1
                                     ? TagLib::String(text.toLatin1().toStdString(), TagLib::String::Latin1)
                                     : ToTagLib(text);
    if (auto* comment = dynamic_cast<TagLib::ID3v2::CommentsFrame*>(frame)) {
        comment->setTextEncoding(encoding);
        comment->setText(value);
    } else if (auto* field = dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(frame)) {
        field->setTextEncoding(encoding);
        field->setText(value);
    }
}

TagLib::String V1Value(TagLib::ID3v1::Tag* v1, EV1Field field) {
    switch (field) {
    case EV1Field::kTitle:
        return v1->title();
    case EV1Field::kArtist:
        return v1->artist();
    case EV1Field::kAlbum:
        return v1->album();
    case EV1Field::kComment:
        return v1->comment();
    case EV1Field::kYear:
        return v1->year() ? TagLib::String::number(int(v1->year())) : TagLib::String();
    case EV1Field::kNone:
        break;
    }
    return {};
}

// The ID3v1 field can hold the text entirely, and gives it back as it is.
bool FitsV1(const QString& text, EV1Field field) {
    if (text.isEmpty())
        return true;
    if (field == EV1Field::kYear) {
        bool ok = false;
        const uint year = text.toUInt(&ok);
        return ok && year > 0 && QString::number(year) == text;
    }
    const qsizetype limit = field == EV1Field::kComment ? 28 : 30;
    return text.size() <= limit && text.trimmed() == text && FitsLatin1(text);
}

void SetV1Value(TagLib::ID3v1::Tag* v1, EV1Field field, const QString& text) {
    const TagLib::String value(text.toLatin1().toStdString(), TagLib::String::Latin1);
    switch (field) {
    case EV1Field::kTitle:
        v1->setTitle(value);
        break;
    case EV1Field::kArtist:
        v1->setArtist(value);
        break;
    case EV1Field::kAlbum:
        v1->setAlbum(value);
        break;
    case EV1Field::kComment:
        v1->setComment(value);
        break;
    case EV1Field::kYear:
        v1->setYear(text.toUInt());
        break;
    case EV1Field::kNone:
        break;
    }
}

bool ReadText(const CMp3Tag& tag, const char* frameId, SFrameText& out) {
    if (TagLib::ID3v2::Frame* frame = FindFrame(tag, frameId)) {
        out = FrameText(frame);
        return true;
    }
    const EV1Field field = V1Field(frameId);
    TagLib::ID3v1::Tag* v1 = V1(tag);
    if (v1 == nullptr || field == EV1Field::kNone)
        return false;
    const TagLib::String value = V1Value(v1, field);
    if (value.isEmpty())
        return false;
    out = DecodeFrameBytes(RawLatin1(value));
    return true;
}

} // namespace

bool ReadFrameText(const CMp3Tag& tag, const char* frameId, SFrameText& out) {
    return ReadText(tag, frameId, out);
}

namespace {

// The text into the column's place: the ID3v2 frame; the ID3v1 field too, where the file has
// one and the text fits in it; a new frame only when neither holds the text already.
bool WriteText(CMp3Tag& tag, const char* frameId, const QString& text) {
    const EV1Field field = V1Field(frameId);
    TagLib::ID3v1::Tag* v1 = V1(tag);
    bool inV1 = false;
    bool changed = false;
    if (v1 != nullptr && field != EV1Field::kNone && FitsV1(text, field)) {
        if (FromTagLib(V1Value(v1, field)) != text || text.isEmpty()) {
            SetV1Value(v1, field, text);
            tag.Data().v1Changed = true;
            changed = !V1Value(v1, field).isEmpty() || !text.isEmpty();
        }
        inV1 = true;
    }
    if (TagLib::ID3v2::Frame* frame = FindFrame(tag, frameId)) {
        SetFrameText(frame, text);
        return true;
    }
    if (inV1 || text.isEmpty())
        return changed;
    CMp3Tag::SData& d = tag.Data();
    if (d.version == 0)
        d.createdV2 = true;
    TagLib::ID3v2::Tag* v2 = d.file->ID3v2Tag(true);
    TagLib::ID3v2::Frame* frame = nullptr;
    if (IsComment(frameId))
        frame = new TagLib::ID3v2::CommentsFrame(TagLib::String::Latin1);
    else
        frame = new TagLib::ID3v2::TextIdentificationFrame(
            IsYear(frameId) && tag.Id3v2Version() == 4 ? "TDRC" : frameId, TagLib::String::Latin1);
    SetFrameText(frame, text);
    v2->addFrame(frame); // the tag owns it from here
    return true;
}

void ClearRow(ICellGrid& grid, int row) {
    for (int column = 1; column <= kTagColumnCount; ++column) {
        grid.SetCellText(row, column, QString());
        grid.SetCellCode(row, column, kCodePlain);
    }
}

// After a failed write: what the file really holds, and the name marked.
void ShowFailure(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row) {
    ReadRow(folder, name, grid, row);
    grid.SetCellCode(row, 0, kCodeNotWritten);
}

// TagLib does not see every failed write (a full disk): the changed texts must read back.
bool ReadsBack(const QByteArray& folder, const QByteArray& name, const ICellGrid& grid, int row,
               const std::vector<int>& columns) {
    const std::unique_ptr<CMp3Tag> tag = OpenTag(folder, name);
    for (const int column : columns) {
        SFrameText text;
        ReadText(*tag, kTagColumns[column - 1].frameId, text);
        if (text.text != grid.CellText(row, column))
            return false;
    }
    return true;
}

template <typename Op>
ERowResult RewriteRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row, Op op) {
    std::unique_ptr<CMp3Tag> tag = OpenTag(folder, name);
    if (!tag->IsMpeg())
        return ERowResult::kNoTag;
    std::vector<int> changed;
    // Every frame is visited, also after one has changed.
    for (int column = 1; column <= kTagColumnCount; ++column) {
        if (op(*tag, kTagColumns[column - 1].frameId, column))
            changed.push_back(column);
    }
    if (changed.empty()) {
        if (grid.CellCode(row, 0) == kCodeNotWritten)
            grid.SetCellCode(row, 0, kCodePlain);
        return ERowResult::kUnchanged;
    }
    const bool saved = tag->Update();
    tag.reset();
    if (!saved || !ReadsBack(folder, name, grid, row, changed)) {
        ShowFailure(folder, name, grid, row);
        return ERowResult::kFailed;
    }
    if (grid.CellCode(row, 0) == kCodeNotWritten)
        grid.SetCellCode(row, 0, kCodePlain);
    return ERowResult::kWritten;
}

} // namespace

void ReadFrameToCell(const CMp3Tag& tag, const char* frameId, ICellGrid& grid, int row, int column) {
    SFrameText text;
    if (!ReadText(tag, frameId, text))
        return;
    grid.SetCellText(row, column, text.text);
    grid.SetCellCode(row, column, text.code);
}

bool WriteCellToFrame(CMp3Tag& tag, const char* frameId, ICellGrid& grid, int row, int column) {
    if (!tag.IsMpeg())
        return false;
    return WriteText(tag, frameId, grid.CellText(row, column));
}

bool TransliterateFrame(CMp3Tag& tag, const char* frameId, ICellGrid& grid, int row, int column,
                        const ILatinSpelling& spelling) {
    if (!tag.IsMpeg() || grid.CellCode(row, column) == kCodePlain)
        return false;
    SFrameText text;
    if (!ReadText(tag, frameId, text) || text.code != kCodeRussian)
        return false;
    // A cell that no longer shows what the tag holds is not overwritten from the tag.
    if (text.text != grid.CellText(row, column))
        return false;
    std::u16string latin = text.text.toStdU16String();
    spelling.ToLatin(latin);
    const QString result = QString::fromStdU16String(latin);
    if (!WriteText(tag, frameId, result))
        return false;
    grid.SetCellText(row, column, result);
    return true;
}

ERowResult ReadRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row) {
    ClearRow(grid, row);
    const std::unique_ptr<CMp3Tag> tag = OpenTag(folder, name);
    if (!tag->IsLinked()) {
        grid.SetCellCode(row, 0, kCodeRussian);
        return ERowResult::kNoTag;
    }
    grid.SetCellCode(row, 0, kCodePlain);
    for (int column = 1; column <= kTagColumnCount; ++column)
        ReadFrameToCell(*tag, kTagColumns[column - 1].frameId, grid, row, column);
    return ERowResult::kUnchanged;
}

ERowResult TransliterateRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                            const ILatinSpelling& spelling) {
    return RewriteRow(folder, name, grid, row, [&](CMp3Tag& tag, const char* frameId, int column) {
        return TransliterateFrame(tag, frameId, grid, row, column, spelling);
    });
}

ERowResult WriteRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row) {
    return RewriteRow(folder, name, grid, row, [&](CMp3Tag& tag, const char* frameId, int column) {
        return WriteCellToFrame(tag, frameId, grid, row, column);
    });
}
