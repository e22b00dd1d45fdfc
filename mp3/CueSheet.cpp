#include "CueSheet.h"

#include "CResourceModule.h"
#include "ResourceIds.h"

#include <array>
#include <unistd.h>

namespace {

QString Text(int id) {
    return CurrentResources().String(id);
}

// Sheets are a few kilobytes; anything this large is not one.
constexpr qsizetype kLargestSheet = qsizetype(4) << 20;

constexpr const char* kKeywords[kTagColumnCount] = {"TITLE",      "PERFORMER", "TRACK TITLE", "REM DATE",
                                                    "SONGWRITER", "",          "REM COMMENT"};

bool g_bom = false;

using SLine = CCueSheet::SLine;

bool Blank(char c) {
    return c == ' ' || c == '\t';
}

// The line ends of the body, as they are, by line.
QByteArray LineEnd(const QByteArray& body, const SLine& line) {
    qsizetype next = line.end;
    if (next < body.size() && body[next] == '\r')
        ++next;
    if (next < body.size() && body[next] == '\n')
        ++next;
    return body.mid(line.end, next - line.end);
}

// The sheet's lines; true when it has a FILE or TRACK line. Keywords are ASCII in every encoding
// a sheet is read in, so the 8-bit body is cut as it is.
bool ParseLines(const QByteArray& body, std::vector<SLine>& lines) {
    lines.clear();
    bool sheet = false;
    bool inTrack = false;
    for (qsizetype at = 0; at < body.size();) {
        SLine line;
        line.start = at;
        line.end = at;
        while (line.end < body.size() && body[line.end] != '\n' && body[line.end] != '\r')
            ++line.end;
        at = line.end + LineEnd(body, line).size();
        auto word = [&](qsizetype& from) {
            while (from < line.end && Blank(body[from]))
                ++from;
            const qsizetype begin = from;
            while (from < line.end && !Blank(body[from]))
                ++from;
            return body.mid(begin, from - begin).toUpper();
        };
        qsizetype rest = line.start;
        QByteArray key = word(rest);
        if (key == "REM")
            key += ' ' + word(rest);
        while (rest < line.end && Blank(body[rest]))
            ++rest;
        if (key == "TRACK")
            inTrack = true;
        sheet = sheet || key == "TRACK" || key == "FILE";
        line.file = key == "FILE";
        line.column = key == "TITLE"         ? (inTrack ? 3 : 1)
                      : key == "PERFORMER"   ? 2
                      : key == "REM DATE"    ? 4
                      : key == "SONGWRITER"  ? 5
                      : key == "REM COMMENT" ? 7
                                             : 0;
        line.valueStart = rest;
        line.valueEnd = line.end;
        if (rest < line.end && body[rest] == '"') {
            const qsizetype close = body.lastIndexOf('"', line.end - 1);
            line.quoted = close > rest;
            line.valueStart = rest + 1;
            line.valueEnd = line.quoted ? close : line.end;
        } else if (line.file) {
            // FILE name TYPE: the name runs to the last blank.
            qsizetype last = line.end;
            while (last > rest && !Blank(body[last - 1]))
                --last;
            line.valueEnd = last > rest ? last - 1 : line.end;
        }
        while (!line.quoted && line.valueEnd > line.valueStart && Blank(body[line.valueEnd - 1]))
            --line.valueEnd;
        lines.push_back(line);
    }
    return sheet;
}

QString Decode(QByteArrayView bytes, std::optional<ETextEncoding> encoding) {
    if (!encoding)
        return QString::fromUtf8(bytes);
    return QString::fromStdU16String(DecodeText(reinterpret_cast<const unsigned char*>(bytes.data()),
                                                std::size_t(bytes.size()), STextFormat{*encoding, false}));
}

// The body a sheet's bytes are parsed in: without a byte-order mark, and UTF-16 as UTF-8.
QByteArray BodyOf(const QByteArray& bytes, STextFormat& format) {
    format = ChooseTextFormat(reinterpret_cast<const unsigned char*>(bytes.constData()),
                              std::size_t(bytes.size()));
    if (format.encoding == ETextEncoding::kUtf16Le || format.encoding == ETextEncoding::kUtf16Be) {
        return QString::fromStdU16String(DecodeText(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                                    std::size_t(bytes.size()), format))
            .toUtf8();
    }
    format.bom = bytes.startsWith("\xEF\xBB\xBF");
    return format.bom ? bytes.mid(3) : bytes;
}

} // namespace

bool IsCueName(const QByteArray& name) {
    return HasExtension(name, {".cue"});
}

const char* CueFieldOf(int column) {
    return column >= 1 && column <= kTagColumnCount ? kKeywords[column - 1] : "";
}

void SetCueSheetsWithBom(bool bom) {
    g_bom = bom;
}

bool CueSheetsWithBom() {
    return g_bom;
}

CCueSheet::CCueSheet(const QByteArray& path) : CFileTag(path) {
    ReadHead();
}

bool CCueSheet::Parse(bool whole, QString& error) {
    m_sheet = false;
    m_lines.clear();
    if (!whole || m_bytes.size() > kLargestSheet) {
        if (m_bytes.size() < kLargestSheet)
            return false; // more to read
        error = Text(kStrCueTooLarge).arg(kLargestSheet >> 20);
        return true;
    }
    m_body = BodyOf(m_bytes, m_format);
    m_sheet = ParseLines(m_body, m_lines);
    // A FILE line may keep 8-bit bytes in a sheet made UTF-8 (they name the file on disk): the
    // sheet is UTF-8 when everything else is.
    m_validUtf8 = true;
    for (const SLine& line : m_lines) {
        QByteArrayView bytes = QByteArrayView(m_body).sliced(line.start, line.end - line.start);
        if (line.file)
            bytes = bytes.first(line.valueStart - line.start);
        m_validUtf8 = m_validUtf8 && QUtf8StringView(bytes).isValidUtf8();
    }
    // A sheet's Russian is a few short names, where KOI8-R capitals can pass for Windows-1251
    // capitals: the names alone decide between the two.
    QByteArray names;
    for (int column = 1; column <= kTagColumnCount; ++column) {
        for (const QByteArray& value : Values(column))
            names += value + ' ';
    }
    m_format.encoding = UnswapCaseReading(reinterpret_cast<const unsigned char*>(names.constData()),
                                          std::size_t(names.size()), m_format.encoding);
    return true;
}

std::vector<QByteArray> CCueSheet::Values(int column) const {
    std::vector<QByteArray> values;
    for (const SLine& line : m_lines) {
        if (line.column == column)
            values.push_back(m_body.mid(line.valueStart, line.valueEnd - line.valueStart));
    }
    return values;
}

std::optional<ETextEncoding> CCueSheet::EightBit(ReadAs readAs) const {
    if (!m_validUtf8 && !IsUnicodeEncoding(m_format.encoding))
        return readAs.encoding && !IsUnicodeEncoding(*readAs.encoding) ? *readAs.encoding : m_format.encoding;
    // Valid UTF-8 keeps its reading unless the user chose another for this very sheet.
    if (m_validUtf8 && m_format.encoding != ETextEncoding::kUtf16Le &&
        m_format.encoding != ETextEncoding::kUtf16Be && readAs.encoding && readAs.onUtf8 &&
        !IsUnicodeEncoding(*readAs.encoding))
        return *readAs.encoding;
    return std::nullopt;
}

bool CCueSheet::ReadColumn(int column, SFrameText& out, ReadAs readAs) const {
    m_shownAs = readAs;
    const std::optional<ETextEncoding> eightBit = EightBit(readAs);
    if (!eightBit)
        return CFileTag::ReadColumn(column, out, readAs);
    out = SFrameText();
    out.encoding = EncodingName(*eightBit);
    QStringList texts;
    for (const QByteArray& value : Values(column)) {
        texts << Decode(value, eightBit);
        out.code = std::max(out.code, CodeOfUnicodeText(texts.back()));
        for (const char c : value) {
            if (uchar(c) >= 0x80)
                out.readIn = QLatin1String(EncodingName(*eightBit));
        }
    }
    out.text = texts.join(kTagValueSeparator);
    return !texts.isEmpty();
}

bool CCueSheet::CyrillicOf(int column, QString& cyrillic, ReadAs readAs) const {
    if (!EightBit(readAs))
        return CFileTag::CyrillicOf(column, cyrillic, readAs);
    SFrameText text;
    if (!ReadColumn(column, text, readAs) || text.code != kCodeRussian)
        return false;
    cyrillic = text.text;
    return true;
}

bool CCueSheet::Update(QString& error, bool trial) {
    if (!ReadyToRewrite(error, QStringLiteral("CUE")))
        return false;
    // Lines the user did not touch are read back as the columns were shown.
    const std::optional<ETextEncoding> eightBit = EightBit(m_shownAs);
    const QByteArray folder = m_path.left(m_path.lastIndexOf('/') + 1);
    auto exists = [&](const QByteArray& name) { return ::access((folder + name).constData(), F_OK) == 0; };
    // What each column's lines are to hold, in order.
    std::array<QStringList, kTagColumnCount> values;
    for (int column = 1; column <= kTagColumnCount; ++column) {
        const std::optional<QStringList>& set = m_set[std::size_t(column - 1)];
        if (!set)
            continue;
        const qsizetype count = qsizetype(Values(column).size());
        QStringList& wanted = values[std::size_t(column - 1)];
        wanted = set->isEmpty() ? QStringList(count, QString()) : *set;
        if (count == 0 || wanted.size() != count) {
            error = count == 0 ? Text(kStrCueNoLine).arg(QLatin1String(CueFieldOf(column)))
                               : Text(kStrCueLineCount).arg(count).arg(QLatin1String(CueFieldOf(column)));
            return false;
        }
        for (const QString& value : wanted) {
            // A sheet has no way to hold a quote inside a quoted value.
            if (value.contains(QLatin1Char('"'))) {
                error = Text(kStrCueQuote).arg(value);
                return false;
            }
        }
    }
    QByteArray body;
    std::vector<int> taken(kTagColumnCount, 0);
    std::vector<bool> keptBytes; // a FILE line left in its 8-bit bytes
    for (const SLine& line : m_lines) {
        const QByteArray eol = LineEnd(m_body, line);
        const QStringList& wanted = line.column > 0 ? values[std::size_t(line.column - 1)] : QStringList();
        keptBytes.push_back(false);
        if (!wanted.isEmpty()) {
            const QString value = wanted[taken[std::size_t(line.column - 1)]++];
            const bool quote =
                line.quoted || value.contains(QLatin1Char(' ')) || value.contains(QLatin1Char('\t'));
            QString text =
                Decode(QByteArrayView(m_body).sliced(line.start, line.valueStart - line.start), eightBit);
            if (quote && !line.quoted)
                text += QLatin1Char('"');
            text += value;
            if (quote && !line.quoted)
                text += QLatin1Char('"');
            text += Decode(QByteArrayView(m_body).sliced(line.valueEnd, line.end - line.valueEnd), eightBit);
            body += text.toUtf8() + eol;
            continue;
        }
        const QByteArray bytes = m_body.mid(line.start, line.end - line.start);
        if (eightBit && line.file) {
            // The name in UTF-8, unless only the old bytes name a file that is there.
            const QByteArray old = m_body.mid(line.valueStart, line.valueEnd - line.valueStart);
            if (exists(old) && !exists(Decode(old, eightBit).toUtf8())) {
                keptBytes.back() = true;
                body += bytes + eol;
                continue;
            }
        }
        body += (eightBit ? Decode(bytes, eightBit).toUtf8() : bytes) + eol;
    }
    QByteArray replacement;
    if (m_format.encoding == ETextEncoding::kUtf16Le || m_format.encoding == ETextEncoding::kUtf16Be) {
        replacement =
            QByteArray::fromStdString(EncodeText(QString::fromUtf8(body).toStdU16String(), m_format).bytes);
    } else {
        replacement = (eightBit ? CueSheetsWithBom() : m_format.bom) ? "\xEF\xBB\xBF" + body : body;
    }

    // The copy read back: the same lines, each holding what it held or what it was to hold.
    STextFormat format;
    const QByteArray copyBody = BodyOf(replacement, format);
    std::vector<SLine> copy;
    ParseLines(copyBody, copy);
    if (copy.size() != m_lines.size()) {
        error = Text(1309);
        return false;
    }
    std::fill(taken.begin(), taken.end(), 0);
    for (std::size_t i = 0; i < copy.size(); ++i) {
        const SLine& was = m_lines[i];
        const SLine& now = copy[i];
        const QByteArrayView nowBytes = QByteArrayView(copyBody).sliced(now.start, now.end - now.start);
        const QByteArrayView wasBytes = QByteArrayView(m_body).sliced(was.start, was.end - was.start);
        const QStringList& wanted = was.column > 0 ? values[std::size_t(was.column - 1)] : QStringList();
        bool same = now.column == was.column && LineEnd(copyBody, now) == LineEnd(m_body, was);
        if (!wanted.isEmpty()) {
            same = same && QString::fromUtf8(QByteArrayView(copyBody).sliced(
                               now.valueStart, now.valueEnd - now.valueStart)) ==
                               wanted[taken[std::size_t(was.column - 1)]++];
        } else if (keptBytes[i]) {
            same = same && nowBytes == wasBytes;
        } else {
            same = same && QString::fromUtf8(nowBytes) == Decode(wasBytes, eightBit);
        }
        if (!same) {
            error = Text(1309);
            return false;
        }
    }
    if (trial || replacement == m_bytes)
        return true;
    if (!Replace(replacement, error))
        return false;
    QString unused;
    Parse(true, unused);
    return true;
}
