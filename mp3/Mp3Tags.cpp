#include "Mp3Tags.h"

#include "CCharTable.h"
#include "CResourceModule.h"
#include "CodePage.h"
#include "Id3Tag.h"
#include "Mp3Batch.h"
#include "RawNames.h"
#include "RussianText.h"
#include "Utf8.h"

#include <taglib/commentsframe.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>
#include <taglib/mpegfile.h>
#include <taglib/mpegheader.h>
#include <taglib/textidentificationframe.h>

#include <QStringList>

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// TagLib turns a v2.3 TYER into TDRC and drops TDAT, TIME, TRDA, TSIZ, EQUA and RVAD while it
// reads; the frames it is given here keep their ids. v2.2 frames still get their four-letter ids.
template <typename> struct SFirstArg;
template <typename C, typename R, typename A> struct SFirstArg<R (C::*)(A) const> { using type = A; };

class CKeepingFrameFactory : public TagLib::ID3v2::FrameFactory {
    // The frame header type is protected in TagLib; the factory's own signature names it.
    using HeaderPtr = SFirstArg<decltype(&CKeepingFrameFactory::updateFrame)>::type;

protected:
    bool updateFrame(HeaderPtr header) const override {
        if (header->version() >= 3)
            return true;
        return FrameFactory::updateFrame(header);
    }
};

const CKeepingFrameFactory& Factory() {
    static const CKeepingFrameFactory factory;
    return factory;
}

// Values of a multi-value frame side by side in one cell.
const QString kValueSeparator = QStringLiteral(" / ");

QString Text(int id) {
    return CurrentResources().String(id);
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

TagLib::ByteVector ToVector(const QByteArray& bytes) {
    return TagLib::ByteVector(bytes.constData(), unsigned(bytes.size()));
}

QByteArray FromVector(const TagLib::ByteVector& bytes) {
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

bool IsYear(const char* frameId) {
    return qstrcmp(frameId, "TYER") == 0;
}

bool IsComment(const char* frameId) {
    return qstrcmp(frameId, "COMM") == 0;
}

int ColumnOf(const char* frameId) {
    for (int i = 0; i < kTagColumnCount; ++i) {
        if (qstrcmp(kTagColumns[i].frameId, frameId) == 0)
            return i;
    }
    return -1;
}

// The seven in ID3v2.2; the others are translated by TagLib.
QByteArray V23Id(const QByteArray& v22) {
    static const std::pair<const char*, const char*> kIds[] = {
        {"TAL", "TALB"}, {"TP1", "TPE1"}, {"TT2", "TIT2"}, {"TYE", "TYER"},
        {"TCM", "TCOM"}, {"TOA", "TOPE"}, {"COM", "COMM"}};
    for (const auto& [old, now] : kIds) {
        if (v22 == old)
            return now;
    }
    return {};
}

// ID3v1 fields: offset and length in the 128 bytes.
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

std::pair<int, int> V1Place(const QByteArray& v1, EV1Field field) {
    switch (field) {
    case EV1Field::kTitle:
        return {3, 30};
    case EV1Field::kArtist:
        return {33, 30};
    case EV1Field::kAlbum:
        return {63, 30};
    case EV1Field::kYear:
        return {93, 4};
    case EV1Field::kComment:
        // ID3v1.1 keeps the track number in the comment's last byte.
        return {97, v1[125] == '\0' && v1[126] != '\0' ? 28 : 30};
    case EV1Field::kNone:
        break;
    }
    return {0, 0};
}

// The field's bytes up to the first zero, without surrounding blanks; the year as a number.
QByteArray V1Value(const QByteArray& v1, EV1Field field) {
    const auto [at, size] = V1Place(v1, field);
    QByteArray value = v1.mid(at, size);
    const qsizetype zero = value.indexOf('\0');
    if (zero >= 0)
        value.truncate(zero);
    value = value.trimmed();
    if (field == EV1Field::kYear) {
        bool ok = false;
        const uint year = value.toUInt(&ok);
        return ok && year > 0 ? QByteArray::number(year) : QByteArray();
    }
    return value;
}

// ISO-8859-1 when the bytes read back as the same text; UTF-16 otherwise.
bool FitsLatin1(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return false;
    }
    return DecodeFrameBytes(text.toLatin1()).text == text;
}

// The ID3v1 field can hold the text entirely, and gives it back as it is.
bool FitsV1(const QByteArray& v1, const QString& text, EV1Field field) {
    if (text.isEmpty())
        return true;
    if (field == EV1Field::kYear) {
        bool ok = false;
        const uint year = text.toUInt(&ok);
        return ok && year > 0 && year < 10000 && QString::number(year) == text;
    }
    return text.size() <= V1Place(v1, field).second && text.trimmed() == text && FitsLatin1(text);
}

void SetV1Value(QByteArray& v1, EV1Field field, const QString& text) {
    const auto [at, size] = V1Place(v1, field);
    QByteArray bytes = text.toLatin1();
    bytes.resize(size, '\0');
    v1.replace(at, size, bytes);
}

// One of the seven in the ID3v2 tag.
struct SSlot {
    int index = -1; // in the tag's frames; -1 for a frame made here
    std::unique_ptr<TagLib::ID3v2::Frame> frame;
    bool edited = false;
    // Present but not readable as text (compressed, encrypted): never written.
    bool opaque = false;
    // A text-encoding byte no reader knows: the bytes are shown as they are and never written.
    bool unknownEncoding = false;
    QByteArray rawText;
};

// A clean frame (no format flags) of the tag's version for TagLib.
TagLib::ID3v2::Frame* ParseFrame(const QByteArray& id, const QByteArray& body, int major) {
    TagLib::ID3v2::Header header;
    header.setMajorVersion(unsigned(major));
    const QByteArray data = Id3FrameHeader(id, major, body.size()) + body;
    return Factory().createFrame(ToVector(data), &header);
}

} // namespace

struct CMp3Tag::SData {
    QByteArray path;
    SFileStamp stamp;
    bool link = false;
    STagRegions regions;
    SId3v2 v2;
    int version = 0; // of the ID3v2 tag on disk, 0 when none
    bool createdV2 = false;
    std::array<SSlot, kTagColumnCount> columns;
    QByteArray v1; // the ID3v1 tag being edited; empty when the file has none
    bool v1Changed = false;
    QString error;
    QString readError;

    int Major() const { return version == 4 ? 4 : 3; }
    void Load(const STagRegions& from);
};

namespace {

// The frames of the columns, found by id: the year is TYER, else TDRC; of several comments, the
// one without a description, else the first that is not iTunes' own data (iTunNORM, ...).
SSlot MakeSlot(const SId3Frame& raw, const QByteArray& id, int index, int major) {
    SSlot slot;
    slot.index = index;
    slot.opaque = raw.opaque;
    const bool textual = id.startsWith('T') || id == "COMM";
    if (!raw.opaque && textual && !raw.body.isEmpty() && quint8(raw.body[0]) > 3) {
        slot.unknownEncoding = true;
        slot.rawText = id == "COMM" ? QByteArray() : raw.body.mid(1);
    } else if (!raw.opaque) {
        slot.frame.reset(ParseFrame(id, raw.body, major));
    }
    return slot;
}

bool IsPlainComment(const SSlot& slot) {
    auto* comment = dynamic_cast<TagLib::ID3v2::CommentsFrame*>(slot.frame.get());
    return comment != nullptr && comment->description().isEmpty();
}

void FindSlots(CMp3Tag::SData& d) {
    const int yearColumn = ColumnOf("TYER");
    const int commentColumn = ColumnOf("COMM");
    auto idOf = [&](int i) {
        const QByteArray& id = d.v2.frames[std::size_t(i)].id;
        return d.v2.major == 2 ? V23Id(id) : id;
    };
    for (int i = 0; i < int(d.v2.frames.size()); ++i) {
        const QByteArray id = idOf(i);
        const int column = id == "TDRC" ? yearColumn : id.isEmpty() ? -1 : ColumnOf(id.constData());
        if (column < 0)
            continue;
        SSlot& slot = d.columns[std::size_t(column)];
        const bool yearWins = id == "TYER" && slot.index >= 0 && idOf(slot.index) == "TDRC";
        if (slot.index >= 0 && column != commentColumn && !yearWins)
            continue;
        SSlot found = MakeSlot(d.v2.frames[std::size_t(i)], id, i, d.Major());
        if (column == commentColumn) {
            auto* comment = dynamic_cast<TagLib::ID3v2::CommentsFrame*>(found.frame.get());
            if (comment == nullptr || IsPlainComment(slot))
                continue;
            if (!comment->description().isEmpty() &&
                (comment->description().startsWith("iTun") || slot.index >= 0))
                continue;
        }
        slot = std::move(found);
    }
}

} // namespace

void CMp3Tag::SData::Load(const STagRegions& from) {
    regions = from;
    v2 = ParseId3v2(from.id3v2);
    version = v2.major;
    v1 = from.id3v1;
    for (SSlot& slot : columns)
        slot = SSlot();
    if (version != 0)
        FindSlots(*this);
}

SFrameText DecodeFrameBytes(const QByteArray& bytes, ReadAs readAs) {
    SFrameText result;
    bool ascii = true;
    for (const char c : bytes)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) {
        result.text = QString::fromLatin1(bytes);
        return result;
    }
    const SShortText read = ReadShortText(bytes, readAs.encoding, readAs.onUtf8);
    result.text = read.text;
    result.readIn = QString::fromLatin1(EncodingName(read.encoding));
    result.repaired = read.repaired;
    if (read.repaired)
        result.readIn += QStringLiteral(" (%1)").arg(Text(kStrRepaired));
    switch (read.encoding) {
    case ETextEncoding::kUtf8:
        // UTF-8 with stray bytes is shown, never rewritten: the bytes shown as U+FFFD would be lost.
        result.code = read.invalid ? kCodePlain : CodeOfUnicodeText(result.text);
        result.encoding = "UTF-8 in ISO-8859-1";
        break;
    case ETextEncoding::kCp866:
    case ETextEncoding::kCp1251:
    case ETextEncoding::kKoi8r:
        result.code = read.russian ? kCodeRussian : kCodePlain;
        result.encoding = read.encoding == ETextEncoding::kCp866    ? "CP866"
                          : read.encoding == ETextEncoding::kCp1251 ? "CP1251"
                                                                    : "KOI8-R";
        break;
    default:
        break;
    }
    return result;
}

int CodeOfUnicodeText(const QString& text) {
    for (const QChar c : text) {
        if (IsInCyrillicBlock(c.unicode()) && c.isLetter())
            return kCodeRussian;
    }
    return kCodePlain;
}

CMp3Tag::CMp3Tag(const QByteArray& path) : m_d(std::make_unique<SData>()) {
    m_d->path = path;
    // A folder named *.mp3, a fifo or a device is never handed to the tag library; a link is not
    // followed out of the folder.
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0)
        return;
    m_d->link = S_ISLNK(info.st_mode);
    if (!S_ISREG(info.st_mode))
        return;
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        m_d->readError = Text(1312) + QStringLiteral(": ") + SystemReason(errno);
        return;
    }
    STagRegions regions;
    off_t size = 0;
    struct stat opened {};
    const bool read = ::fstat(fd, &opened) == 0 && ReadTagRegions(fd, regions, size, m_d->readError);
    ::close(fd);
    if (!read) {
        if (m_d->readError.isEmpty())
            m_d->readError = Text(1312) + QStringLiteral(": ") + SystemReason(errno);
        return;
    }
    m_d->stamp = StampOf(opened);
    m_d->Load(regions);
    m_hadV1 = !regions.id3v1.isEmpty();
    if (m_d->version != 0) {
        // A tag alone is a tag too: the audio may follow later, or never.
        m_mpeg = true;
        return;
    }
    // The audio properties are not read: they walk back from the end of the file for its length,
    // which costs more than the tags. A valid frame header followed by the next one is the test.
    TagLib::MPEG::File file(path.constData(), false);
    const long first = file.isValid() ? file.firstFrameOffset() : -1;
    m_mpeg = first >= 0 && TagLib::MPEG::Header(&file, first, true).isValid();
}

CMp3Tag::~CMp3Tag() = default;

bool CMp3Tag::IsLink() const {
    return m_d->link;
}

bool CMp3Tag::IsLinked() const {
    return m_mpeg && (m_d->version != 0 || m_hadV1);
}

QString CMp3Tag::ReadError() const {
    return m_d->readError;
}

bool CMp3Tag::CutShort() const {
    return m_d->version != 0 && m_d->v2.cutShort;
}

QString CMp3Tag::Error() const {
    return m_d->error;
}

namespace {

// What the seven columns show, to compare a copy with what was meant.
std::array<QString, kTagColumnCount> ColumnTexts(const CMp3Tag& tag) {
    std::array<QString, kTagColumnCount> texts;
    for (int i = 0; i < kTagColumnCount; ++i) {
        SFrameText text;
        if (ReadFrameText(tag, kTagColumns[i].frameId, text))
            texts[std::size_t(i)] = text.text;
    }
    return texts;
}

// An ID3v2.2 frame as a v2.3 frame: the seven by their new ids, the others as TagLib translates them,
// where it can.
bool ConvertV22(const SId3Frame& raw, QByteArray& out) {
    const QByteArray id = V23Id(raw.id);
    if (!id.isEmpty()) {
        out = Id3FrameHeader(id, 3, raw.body.size()) + raw.body;
        return true;
    }
    // A text-encoding byte TagLib would cast into its enum: no one knows what the frame holds.
    const bool textual = raw.id.startsWith('T') || raw.id == "COM" || raw.id == "ULT" || raw.id == "PIC";
    if (textual && !raw.body.isEmpty() && quint8(raw.body[0]) > 3)
        return false;
    TagLib::ID3v2::Header header;
    header.setMajorVersion(2);
    const std::unique_ptr<TagLib::ID3v2::Frame> frame(Factory().createFrame(ToVector(raw.raw), &header));
    if (!frame || frame->frameID().size() != 4)
        return false;
    // TagLib renders the header of a frame read from v2.2 with a synch-safe size; v2.3 wants a plain one.
    const QByteArray rendered = FromVector(frame->render());
    out = Id3FrameHeader(rendered.left(4), 3, rendered.size() - 10) + rendered.mid(10);
    return true;
}

} // namespace

bool CMp3Tag::Update() {
    m_d->error.clear();
    if (!m_mpeg)
        return false;
    SData& d = *m_d;
    STagRegions replacement = d.regions;
    if (d.v1Changed && !d.v1.isEmpty())
        replacement.id3v1 = d.v1;
    bool v2Edited = false;
    for (const SSlot& slot : d.columns)
        v2Edited = v2Edited || slot.edited;
    std::vector<std::size_t> carried; // tag frames that must come back byte for byte
    if (v2Edited) {
        std::vector<QByteArray> frames;
        for (std::size_t i = 0; i < d.v2.frames.size(); ++i) {
            const SId3Frame& raw = d.v2.frames[i];
            const SSlot* edited = nullptr;
            for (const SSlot& slot : d.columns)
                edited = slot.edited && slot.index == int(i) ? &slot : edited;
            if (edited != nullptr) {
                frames.push_back(FitFrameToTag(d.v2, FromVector(edited->frame->render())));
            } else if (d.v2.major == 2) {
                QByteArray converted;
                if (!ConvertV22(raw, converted)) {
                    d.error = Text(1313).arg(QString::fromLatin1(raw.id));
                    return false;
                }
                frames.push_back(converted);
            } else {
                frames.push_back(raw.raw);
                carried.push_back(i);
            }
        }
        for (const SSlot& slot : d.columns) {
            if (slot.edited && slot.index < 0)
                frames.push_back(FitFrameToTag(d.v2, FromVector(slot.frame->render())));
        }
        SId3v2 shape = d.v2;
        if (d.version == 0) {
            shape = SId3v2();
            shape.major = 3;
        }
        replacement.id3v2 = RenderId3v2(shape, d.regions.id3v2.size(), frames, d.error);
        if (replacement.id3v2.isEmpty())
            return false;
    }
    if (replacement == d.regions)
        return true;

    // The copy must read back as meant: every column, and every frame not edited as it was.
    const std::array<QString, kTagColumnCount> meant = ColumnTexts(*this);
    auto check = [&](const STagRegions& copy, QString& why) {
        CMp3Tag back(QByteArray{});
        back.m_mpeg = true;
        back.m_hadV1 = !copy.id3v1.isEmpty();
        back.m_d->Load(copy);
        if (ColumnTexts(back) != meant) {
            why = Text(1317);
            return false;
        }
        for (const std::size_t i : carried) {
            const std::vector<SId3Frame>& now = back.m_d->v2.frames;
            if (i >= now.size() || now[i].raw != d.v2.frames[i].raw) {
                why = Text(1313).arg(QString::fromLatin1(d.v2.frames[i].id));
                return false;
            }
        }
        return true;
    };
    if (!JournalTagRewrite(d.path, d.regions, replacement, d.stamp.size, d.error) ||
        !ReplaceTagRegions(d.path, &d.stamp, d.regions, replacement, check, d.error))
        return false;
    d.regions = replacement;
    return true;
}

std::unique_ptr<CMp3Tag> OpenTag(const QByteArray& folder, const QByteArray& name) {
    QByteArray path = folder;
    if (!path.isEmpty() && !path.endsWith('/'))
        path += '/';
    return std::make_unique<CMp3Tag>(path + name);
}

namespace {

SSlot* Slot(const CMp3Tag& tag, const char* frameId) {
    CMp3Tag::SData& d = const_cast<CMp3Tag&>(tag).Data();
    const int column = ColumnOf(frameId);
    if (column < 0 || (d.version == 0 && !d.createdV2))
        return nullptr;
    SSlot& slot = d.columns[std::size_t(column)];
    return slot.frame || slot.opaque || slot.unknownEncoding ? &slot : nullptr;
}

QStringList Values(TagLib::ID3v2::Frame* frame, TagLib::String::Type& encoding) {
    QStringList values;
    if (auto* comment = dynamic_cast<TagLib::ID3v2::CommentsFrame*>(frame)) {
        encoding = comment->textEncoding();
        values << (encoding == TagLib::String::Latin1 ? QString::fromLatin1(RawLatin1(comment->text()))
                                                      : FromTagLib(comment->text()));
    } else if (auto* field = dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(frame)) {
        encoding = field->textEncoding();
        for (const TagLib::String& value : field->fieldList())
            values << (encoding == TagLib::String::Latin1 ? QString::fromLatin1(RawLatin1(value))
                                                          : FromTagLib(value));
    }
    return values;
}

SFrameText SlotText(const SSlot& slot, ReadAs readAs = std::nullopt) {
    SFrameText result;
    if (slot.unknownEncoding) {
        // Read as what it is: bytes of no known encoding, never marked for a rewrite.
        result.text = DecodeFrameBytes(slot.rawText, readAs).text;
        result.encoding = "unknown";
        return result;
    }
    if (!slot.frame)
        return result;
    TagLib::String::Type encoding = TagLib::String::Latin1;
    const QStringList values = Values(slot.frame.get(), encoding);
    QStringList texts;
    for (const QString& value : values) {
        if (encoding == TagLib::String::Latin1) {
            const SFrameText text = DecodeFrameBytes(value.toLatin1(), readAs);
            texts << text.text;
            result.code = std::max(result.code, text.code);
            result.encoding = text.encoding;
            if (!text.readIn.isEmpty())
                result.readIn = text.readIn;
            result.repaired = result.repaired || text.repaired;
        } else {
            // Composed, as names are: "Й", not "И" and a breve.
            QString text = value.normalized(QString::NormalizationForm_C);
            const bool repaired = RepairShortText(text);
            texts << text;
            result.code = std::max(result.code, CodeOfUnicodeText(text));
            result.encoding = encoding == TagLib::String::UTF8 ? "UTF-8" : "UTF-16";
            bool ascii = true;
            for (const QChar c : value)
                ascii = ascii && c.unicode() < 0x80;
            if (!ascii)
                result.readIn = QString::fromLatin1(result.encoding);
            if (repaired)
                result.readIn += QStringLiteral(" (%1)").arg(Text(kStrRepaired));
            result.repaired = result.repaired || repaired;
        }
    }
    result.text = texts.join(kValueSeparator);
    return result;
}

// The cell's text as the frame's values: a frame of several values takes the cell apart again.
// `unicode` (UTF-16 or UTF-8) is the encoding for a text that is not ISO-8859-1.
void SetFrameText(SSlot& slot, const QString& text, TagLib::String::Type unicode = TagLib::String::UTF16) {
    TagLib::String::Type old = TagLib::String::Latin1;
    const qsizetype count = Values(slot.frame.get(), old).size();
    QStringList values = text.split(kValueSeparator);
    if (count < 2 || values.size() != count)
        values = QStringList{text};
    bool latin1 = true;
    for (const QString& value : values)
        latin1 = latin1 && FitsLatin1(value);
    const TagLib::String::Type encoding = latin1 ? TagLib::String::Latin1 : unicode;
    auto toTagLib = [&](const QString& value) {
        return latin1 ? TagLib::String(value.toLatin1().toStdString(), TagLib::String::Latin1)
                      : ToTagLib(value);
    };
    if (auto* comment = dynamic_cast<TagLib::ID3v2::CommentsFrame*>(slot.frame.get())) {
        comment->setTextEncoding(encoding);
        comment->setText(toTagLib(text));
    } else if (auto* field = dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(slot.frame.get())) {
        TagLib::StringList list;
        for (const QString& value : values)
            list.append(toTagLib(value));
        field->setTextEncoding(encoding);
        field->setText(list);
    }
    slot.edited = true;
}

bool ReadText(const CMp3Tag& tag, const char* frameId, SFrameText& out, ReadAs readAs = std::nullopt) {
    if (const SSlot* slot = Slot(tag, frameId)) {
        out = SlotText(*slot, readAs);
        return true;
    }
    const EV1Field field = V1Field(frameId);
    const QByteArray& v1 = const_cast<CMp3Tag&>(tag).Data().v1;
    if (v1.isEmpty() || field == EV1Field::kNone)
        return false;
    const QByteArray value = V1Value(v1, field);
    if (value.isEmpty())
        return false;
    out = DecodeFrameBytes(value, readAs);
    return true;
}

} // namespace

bool ReadFrameText(const CMp3Tag& tag, const char* frameId, SFrameText& out, ReadAs readAs) {
    return ReadText(tag, frameId, out, readAs);
}

namespace {

// The text into the column's place: the ID3v2 frame; the ID3v1 field too, where the file has
// one and the text fits in it; a new frame only when neither holds the text already.
bool WriteText(CMp3Tag& tag, const char* frameId, const QString& text) {
    CMp3Tag::SData& d = tag.Data();
    const EV1Field field = V1Field(frameId);
    bool inV1 = false;
    bool changed = false;
    if (!d.v1.isEmpty() && field != EV1Field::kNone && FitsV1(d.v1, text, field)) {
        if (QString::fromLatin1(V1Value(d.v1, field)) != text) {
            SetV1Value(d.v1, field, text);
            d.v1Changed = true;
            changed = true;
        }
        inV1 = true;
    }
    if (SSlot* slot = Slot(tag, frameId)) {
        // A frame that cannot be read is not overwritten from a cell that never showed it.
        if (slot->opaque || slot->unknownEncoding)
            return changed;
        if (SlotText(*slot).text == text)
            return changed;
        SetFrameText(*slot, text);
        return true;
    }
    if (inV1 || text.isEmpty())
        return changed;
    if (d.version == 0)
        d.createdV2 = true;
    SSlot& slot = d.columns[std::size_t(ColumnOf(frameId))];
    const QByteArray id = IsYear(frameId) && d.Major() == 4 ? QByteArray("TDRC") : QByteArray(frameId);
    slot = SSlot();
    slot.frame.reset(
        ParseFrame(id, IsComment(frameId) ? QByteArray("\0XXX\0", 5) : QByteArray(1, '\0'), d.Major()));
    SetFrameText(slot, text);
    return true;
}

void ClearRow(ICellGrid& grid, int row) {
    for (int column = 1; column <= kTagColumnCount; ++column) {
        grid.SetCellText(row, column, QString());
        grid.SetCellCode(row, column, kCodePlain);
    }
}

// After a failed write: what the file really holds, and the name marked.
void ShowFailure(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row, ReadAs readAs) {
    ReadRow(folder, name, grid, row, readAs);
    grid.SetCellCode(row, 0, kCodeNotWritten);
}

template <typename Op>
ERowResult RewriteRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                      QString* reason, ReadAs readAs, Op op) {
    std::unique_ptr<CMp3Tag> tag = OpenTag(folder, name);
    if (tag->IsLink()) {
        if (reason != nullptr)
            *reason = Text(1300);
        return ERowResult::kLink;
    }
    if (!tag->ReadError().isEmpty()) {
        if (reason != nullptr)
            *reason = tag->ReadError();
        ShowFailure(folder, name, grid, row, readAs);
        return ERowResult::kFailed;
    }
    if (!tag->IsMpeg()) {
        // A file listed earlier and gone now is a failure, not a file without a tag.
        if (::access((folder + (folder.endsWith('/') ? "" : "/") + name).constData(), F_OK) != 0) {
            if (reason != nullptr)
                *reason = Text(1304) + QStringLiteral(": ") + SystemReason(errno);
            ShowFailure(folder, name, grid, row, readAs);
            return ERowResult::kFailed;
        }
        return ERowResult::kNoTag;
    }
    bool changed = false;
    // Every frame is visited, also after one has changed.
    for (int column = 1; column <= kTagColumnCount; ++column)
        changed = op(*tag, kTagColumns[column - 1].frameId, column) || changed;
    if (!changed) {
        if (grid.CellCode(row, 0) == kCodeNotWritten)
            grid.SetCellCode(row, 0, kCodePlain);
        return ERowResult::kUnchanged;
    }
    const bool saved = tag->Update();
    if (!saved) {
        if (reason != nullptr)
            *reason = tag->Error();
        tag.reset();
        ShowFailure(folder, name, grid, row, readAs);
        return ERowResult::kFailed;
    }
    if (grid.CellCode(row, 0) == kCodeNotWritten)
        grid.SetCellCode(row, 0, kCodePlain);
    return ERowResult::kWritten;
}

} // namespace

void ReadFrameToCell(const CMp3Tag& tag, const char* frameId, ICellGrid& grid, int row, int column,
                     ReadAs readAs, SFrameText* read) {
    SFrameText text;
    if (!ReadText(tag, frameId, text, readAs))
        return;
    grid.SetCellText(row, column, text.text);
    grid.SetCellCode(row, column, text.code);
    if (read)
        *read = text;
}

bool WriteCellToFrame(CMp3Tag& tag, const char* frameId, ICellGrid& grid, int row, int column) {
    if (!tag.IsMpeg())
        return false;
    return WriteText(tag, frameId, grid.CellText(row, column));
}

bool TransliterateFrame(CMp3Tag& tag, const char* frameId, ICellGrid& grid, int row, int column,
                        const ILatinSpelling& spelling, ReadAs readAs) {
    if (!tag.IsMpeg() || grid.CellCode(row, column) == kCodePlain)
        return false;
    SFrameText text;
    if (!ReadText(tag, frameId, text, readAs) || text.code != kCodeRussian)
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

ERowResult ReadRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row, ReadAs readAs,
                   QString* readIn, bool cyrillic) {
    ClearRow(grid, row);
    if (readIn)
        readIn->clear();
    const std::unique_ptr<CMp3Tag> tag = OpenTag(folder, name);
    if (tag->IsLink()) {
        grid.SetCellCode(row, 0, kCodeRussian);
        grid.SetCellText(row, 1, Text(1300));
        return ERowResult::kLink;
    }
    if (!tag->ReadError().isEmpty()) {
        grid.SetCellCode(row, 0, kCodeNotWritten);
        grid.SetCellText(row, 1, tag->ReadError());
        return ERowResult::kUnreadable;
    }
    if (tag->CutShort()) {
        grid.SetCellCode(row, 0, kCodeNotWritten);
        grid.SetCellText(row, 1, Text(kStrTagCutShort));
        return ERowResult::kCutShort;
    }
    if (!tag->IsLinked()) {
        grid.SetCellCode(row, 0, kCodeRussian);
        return ERowResult::kNoTag;
    }
    grid.SetCellCode(row, 0, kCodePlain);
    QStringList encodings;
    for (int column = 1; column <= kTagColumnCount; ++column) {
        SFrameText read;
        ReadFrameToCell(*tag, kTagColumns[column - 1].frameId, grid, row, column, readAs, &read);
        QString unused;
        if (cyrillic && grid.CellCode(row, column) == kCodeRussian &&
            !CyrillicOfFrame(*tag, kTagColumns[column - 1].frameId, unused, readAs))
            grid.SetCellCode(row, column, kCodePlain);
        if (!read.readIn.isEmpty() && !encodings.contains(read.readIn))
            encodings << read.readIn;
    }
    if (readIn)
        *readIn = encodings.join(QStringLiteral(", "));
    return ERowResult::kUnchanged;
}

ERowResult TransliterateRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                            const ILatinSpelling& spelling, QString* reason, ReadAs readAs) {
    return RewriteRow(folder, name, grid, row, reason, readAs,
                      [&](CMp3Tag& tag, const char* frameId, int column) {
                          return TransliterateFrame(tag, frameId, grid, row, column, spelling, readAs);
                      });
}

ERowResult WriteRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                    QString* reason) {
    return RewriteRow(folder, name, grid, row, reason, std::nullopt,
                      [&](CMp3Tag& tag, const char* frameId, int column) {
                          return WriteCellToFrame(tag, frameId, grid, row, column);
                      });
}

bool CyrillicOfFrame(const CMp3Tag& tag, const char* frameId, QString& cyrillic, ReadAs readAs) {
    const SSlot* slot = Slot(tag, frameId);
    if (slot == nullptr || !slot->frame || slot->opaque || slot->unknownEncoding)
        return false;
    const SFrameText text = SlotText(*slot, readAs);
    if (text.code != kCodeRussian)
        return false;
    TagLib::String::Type encoding = TagLib::String::Latin1;
    Values(slot->frame.get(), encoding);
    // Unicode that reads as Russian is already what this target makes; only its damage is mended.
    if (encoding != TagLib::String::Latin1 && !text.repaired)
        return false;
    // The frame gets what the cell shows: a reading that is wrong is put right with Read as.
    cyrillic = text.text;
    return true;
}

bool CyrillicFrame(CMp3Tag& tag, const char* frameId, ICellGrid& grid, int row, int column, ReadAs readAs) {
    if (!tag.IsMpeg() || grid.CellCode(row, column) == kCodePlain)
        return false;
    QString cyrillic;
    // A cell that no longer shows what the tag holds is not overwritten from the tag.
    if (!CyrillicOfFrame(tag, frameId, cyrillic, readAs) || cyrillic != grid.CellText(row, column))
        return false;
    SSlot* slot = Slot(tag, frameId);
    SetFrameText(*slot, cyrillic, tag.Data().Major() == 4 ? TagLib::String::UTF8 : TagLib::String::UTF16);
    return true;
}

ERowResult CyrillicRow(const QByteArray& folder, const QByteArray& name, ICellGrid& grid, int row,
                       QString* reason, ReadAs readAs) {
    return RewriteRow(folder, name, grid, row, reason, readAs,
                      [&](CMp3Tag& tag, const char* frameId, int column) {
                          return CyrillicFrame(tag, frameId, grid, row, column, readAs);
                      });
}

bool Id3v1HoldsRussian(const CMp3Tag& tag, ReadAs readAs) {
    const QByteArray& v1 = const_cast<CMp3Tag&>(tag).Data().v1;
    if (v1.isEmpty())
        return false;
    for (const STagColumn& column : kTagColumns) {
        const EV1Field field = V1Field(column.frameId);
        if (field != EV1Field::kNone && DecodeFrameBytes(V1Value(v1, field), readAs).code == kCodeRussian)
            return true;
    }
    return false;
}
