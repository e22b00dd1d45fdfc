#include "RawNames.h"

#include "CodePage.h"
#include "Mojibake.h"
#include "RussianText.h"
#include "UnicodeText.h"
#include "Utf8.h"

#include <algorithm>
#include <string>

namespace {

QString FromUtf16(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

namespace {

bool HoldsCyrillicLetter(const std::u16string& text) {
    return std::any_of(text.begin(), text.end(), IsInCyrillicBlock);
}

ETextEncoding ChooseShortTextEncoding(const unsigned char* bytes, std::size_t n) {
    const ETextEncoding chosen = ChooseTextFormat(bytes, n).encoding;
    if (!IsUnicodeEncoding(chosen))
        return UnswapCaseReading(bytes, n, chosen);
    std::u16string ignored;
    if (Utf8ToUtf16Checked(bytes, n, ignored))
        return ETextEncoding::kUtf8; // ASCII with control bytes may look like UTF-16 ("a\x04b\x04")
    // A name or a tag text never holds UTF-16 (no zero bytes, and "яю" in 1251 is a byte-order
    // mark): the 8-bit detector decides.
    switch (DetectCyrillicCodePage(bytes, n)) {
    case kCodePage866:
        return ETextEncoding::kCp866;
    case kCodePage1251:
        return UnswapCaseReading(bytes, n, ETextEncoding::kCp1251);
    case kCodePageKoi8r:
        return UnswapCaseReading(bytes, n, ETextEncoding::kKoi8r);
    default:
        return ETextEncoding::kCp1252;
    }
}

// Valid UTF-8 but for a stray byte or two: most bytes >= 0x80 are whole sequences, as in a name
// cut inside a letter ("Пес\xD0"). 8-bit text gives hardly any sequence.
bool IsUtf8WithStrayBytes(const unsigned char* bytes, std::size_t n) {
    std::size_t sequences = 0, stray = 0;
    for (std::size_t i = 0; i < n;) {
        if (bytes[i] < 0x80) {
            ++i;
            continue;
        }
        const std::size_t need = bytes[i] >= 0xF0 ? 4 : bytes[i] >= 0xE0 ? 3 : bytes[i] >= 0xC2 ? 2 : 0;
        if (need > 0 && i + need <= n && IsValidUtf8(bytes + i, need)) {
            ++sequences;
            i += need;
        } else {
            ++stray;
            ++i;
        }
    }
    return sequences >= 2 && 3 * stray <= sequences;
}

// The 8-bit reading of valid UTF-8 that the reading rule found suspicious ("祬" is CP866 "чем")
// is believed only when it is far better text by the judge of Russian text: two points a letter.
bool FarMorePlausible(const std::u16string& eightBit, const std::u16string& utf8) {
    const int letters = static_cast<int>(std::count_if(eightBit.begin(), eightBit.end(), IsCyrillicLetter));
    return TextPlausibility(eightBit) >= TextPlausibility(utf8) + std::max(6, 2 * letters);
}

} // namespace

SShortText ReadShortText(const QByteArray& bytes, std::optional<ETextEncoding> forced, bool forceOnUtf8) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto n = static_cast<std::size_t>(bytes.size());
    std::u16string utf8;
    const bool valid = Utf8ToUtf16Checked(data, n, utf8);
    // A reading forced for a whole run is for the texts the rule cannot read: valid UTF-8 keeps
    // its reading unless the user chose otherwise for this very text.
    if (forced && valid && !forceOnUtf8)
        forced.reset();
    SShortText result;
    result.encoding = forced ? *forced : ChooseShortTextEncoding(data, n);
    if (IsUnicodeEncoding(result.encoding) && result.encoding != ETextEncoding::kUtf8)
        result.encoding = ETextEncoding::kUtf8; // a forced UTF-16 reads as UTF-8 here: no zero bytes
    if (!forced && !valid && IsUtf8WithStrayBytes(data, n)) {
        // UTF-8 with a byte or two cut or damaged: read as UTF-8, the bad bytes shown as U+FFFD.
        result.encoding = ETextEncoding::kUtf8;
        result.invalid = true;
    }
    std::u16string text = DecodeText(data, n, {result.encoding, false});
    const bool cyrillicPage = CodePageOf(result.encoding) != 0 && result.encoding != ETextEncoding::kCp1252;
    if (!forced && cyrillicPage && !IsPlausibleRussian(text)) {
        // Latin-1 accents read as a Cyrillic code page give pseudo-graphics, not Russian.
        result.encoding = ETextEncoding::kCp1252;
        text = DecodeText(data, n, {result.encoding, false});
    }
    if (!forced && valid && result.encoding != ETextEncoding::kUtf8 && !FarMorePlausible(text, utf8)) {
        // Valid UTF-8 is read as UTF-8 unless an 8-bit reading is far better text.
        result.encoding = ETextEncoding::kUtf8;
        text = utf8;
    }
    result.text = FromUtf16(text).normalized(QString::NormalizationForm_C);
    // A reading the user forced is taken as it is.
    if (!forced && result.encoding == ETextEncoding::kUtf8 && !result.invalid)
        result.repaired = RepairShortText(result.text);
    result.russian =
        result.encoding != ETextEncoding::kCp1252 && HoldsCyrillicLetter(result.text.toStdU16String());
    return result;
}

bool RepairShortText(QString& text) {
    if (text.contains(QLatin1Char('\n')))
        return false;
    // Russian read as other Russian letters is told apart only over a few letters: "Ёж" is also
    // "иц" in CP866 read as Windows-1251. A shorter Russian name keeps its reading.
    const std::u16string original = text.toStdU16String();
    const auto russian = std::count_if(original.begin(), original.end(), IsRussianLetter);
    if (russian > 0 && russian < 4)
        return false;
    const std::u16string repaired = RepairMojibakeLine(original);
    // Short texts in capitals ("ÀÁÂÃ" is also "АБВГ" read as 1252) are too easily taken for
    // damage: only a repair to Russian with small letters is believed.
    const bool small = std::any_of(repaired.begin(), repaired.end(), IsRussianSmall);
    if (repaired == original || !small)
        return false;
    text = FromUtf16(repaired);
    return true;
}

QString DecodeRawName(const QByteArray& name, unsigned* codePage) {
    const SShortText read = ReadShortText(name);
    if (codePage)
        *codePage = CodePageOf(read.encoding);
    return read.text;
}

QByteArray RawToEscaped(const QByteArray& raw) {
    static const char kHex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(raw.size());
    const auto* bytes = reinterpret_cast<const unsigned char*>(raw.constData());
    const auto n = std::size_t(raw.size());
    auto hex = [&](unsigned char b) {
        out += "\\x";
        out += kHex[b >> 4];
        out += kHex[b & 15];
    };
    for (std::size_t i = 0; i < n;) {
        const unsigned char b = bytes[i];
        if (b < 0x80) {
            switch (b) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (b < 0x20 || b == 0x7F)
                    hex(b);
                else
                    out += char(b);
            }
            ++i;
            continue;
        }
        // One whole UTF-8 sequence at a time; C1 controls (U+0080 to U+009F) and the characters
        // that would hide or reorder the name around them (U+202E) are shown as bytes.
        std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
        if (i + length > n || !IsValidUtf8(bytes + i, length)) {
            hex(b);
            ++i;
            continue;
        }
        char32_t c = length == 2 ? b & 0x1F : length == 3 ? b & 0x0F : b & 0x07;
        for (std::size_t k = 1; k < length; ++k)
            c = (c << 6) | (bytes[i + k] & 0x3F);
        if (IsInvisibleControl(c)) {
            for (std::size_t k = 0; k < length; ++k)
                hex(bytes[i + k]);
            i += length;
            continue;
        }
        out.append(raw.constData() + i, qsizetype(length));
        i += length;
    }
    return out;
}

QString ShownName(const QString& name) {
    QString out;
    out.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        char32_t c = name[i].unicode();
        qsizetype units = 1;
        if (name[i].isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(name[i], name[i + 1]);
            units = 2;
        }
        if (IsInvisibleControl(c))
            out += QStringLiteral("\\u") + QString::number(uint(c), 16).toUpper().rightJustified(4, u'0');
        else
            out += name.mid(i, units);
        i += units - 1;
    }
    return out;
}

bool EscapedToRaw(const QByteArray& escaped, QByteArray& raw) {
    raw.clear();
    auto digit = [](char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                      : -1;
    };
    for (qsizetype i = 0; i < escaped.size(); ++i) {
        const char c = escaped[i];
        if (c != '\\') {
            raw += c;
            continue;
        }
        if (++i >= escaped.size())
            return false;
        switch (escaped[i]) {
        case '\\':
            raw += '\\';
            break;
        case 'n':
            raw += '\n';
            break;
        case 't':
            raw += '\t';
            break;
        case 'r':
            raw += '\r';
            break;
        case 'x': {
            const int high = i + 1 < escaped.size() ? digit(escaped[i + 1]) : -1;
            const int low = i + 2 < escaped.size() ? digit(escaped[i + 2]) : -1;
            if (high < 0 || low < 0)
                return false;
            raw += char(high * 16 + low);
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}
