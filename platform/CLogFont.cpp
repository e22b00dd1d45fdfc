#include "CLogFont.h"

#include "CProfile.h"

#include <QStringView>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <type_traits>

// Exactly a LOGFONTW: nothing else lives in a description.
static_assert(sizeof(CLogFont) == 92);
static_assert(std::is_trivially_copyable_v<CLogFont>);

namespace {

constexpr int kNumberCount = 13;
constexpr qint64 kMaxHeight = 100; // a larger stored height is taken as damage

// Reads the stored text the way the C library's scanf reads "%d ... %s %s": white space before
// every item is skipped, a number is an optional sign and at least one digit, a token runs to the
// next white space.
class CFontTextScanner {
public:
    explicit CFontTextScanner(QStringView text) : m_text(text) {}

    // False when no number starts here or it does not fit 32 bits.
    bool Number(qint32& value) {
        SkipSpace();
        qsizetype i = m_pos;
        bool negative = false;
        if (i < m_text.size() && (m_text[i] == u'+' || m_text[i] == u'-')) {
            negative = m_text[i] == u'-';
            ++i;
        }
        const qsizetype digitsStart = i;
        qint64 magnitude = 0;
        for (; i < m_text.size() && m_text[i] >= u'0' && m_text[i] <= u'9'; ++i) {
            magnitude = magnitude * 10 + (m_text[i].unicode() - u'0');
            if (magnitude > qint64(std::numeric_limits<qint32>::max()) + 1)
                return false;
        }
        if (i == digitsStart)
            return false;
        const qint64 number = negative ? -magnitude : magnitude;
        if (number > std::numeric_limits<qint32>::max())
            return false;
        value = static_cast<qint32>(number);
        m_pos = i;
        return true;
    }

    bool Token(QStringView& token) {
        SkipSpace();
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && !IsSpace(m_text[m_pos]))
            ++m_pos;
        token = m_text.mid(start, m_pos - start);
        return !token.isEmpty();
    }

    bool AtEnd() {
        SkipSpace();
        return m_pos == m_text.size();
    }

private:
    static bool IsSpace(QChar c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }
    void SkipSpace() {
        while (m_pos < m_text.size() && IsSpace(m_text[m_pos]))
            ++m_pos;
    }

    QStringView m_text;
    qsizetype m_pos = 0;
};

} // namespace

CLogFont::CLogFont()
    : m_height(-12), m_width(0), m_escapement(0), m_orientation(0), m_weight(400), m_italic(0),
      m_underline(0), m_strikeOut(0), m_charSet(1), m_outPrecision(7), m_clipPrecision(0), m_quality(0),
      m_pitchAndFamily(0), m_faceName{u'A', u'r', u'i', u'a', u'l'} {}

QString CLogFont::FaceName() const {
    const char16_t* end = std::find(std::begin(m_faceName), std::end(m_faceName), u'\0');
    return QString::fromUtf16(m_faceName, end - std::begin(m_faceName));
}

bool CLogFont::SetFaceName(const QString& face) {
    if (face.size() >= kFaceSize)
        return false;
    std::fill(std::begin(m_faceName), std::end(m_faceName), u'\0');
    std::copy(face.utf16(), face.utf16() + face.size(), m_faceName);
    return true;
}

QString CLogFont::ToText() const {
    const qint32 numbers[kNumberCount] = {
        m_height,    m_width,   m_escapement,   m_orientation,   m_weight,  m_italic,        m_underline,
        m_strikeOut, m_charSet, m_outPrecision, m_clipPrecision, m_quality, m_pitchAndFamily};
    QString text;
    for (qint32 number : numbers) {
        text += QString::number(number);
        text += u' ';
    }
    QString face = FaceName();
    face.replace(u' ', u'-'); // keeps the face one token
    return text + face;
}

bool CLogFont::FromText(const QString& text) {
    CFontTextScanner scanner(text);
    qint32 numbers[kNumberCount] = {};
    for (qint32& number : numbers) {
        if (!scanner.Number(number))
            return false;
    }
    QStringView token;
    if (!scanner.Token(token) || !scanner.AtEnd())
        return false; // thirteen items, or a fifteenth
    if (std::abs(qint64(numbers[0])) > kMaxHeight)
        return false;

    CLogFont parsed;
    QString face = token.toString();
    face.replace(u'-', u' ');
    // The field ends at its first U+0000: such a face would come back shorter, or empty, which the
    // reader itself rejects.
    if (face.contains(QChar(u'\0')) || !parsed.SetFaceName(face))
        return false;
    parsed.m_height = numbers[0];
    parsed.m_width = numbers[1];
    parsed.m_escapement = numbers[2];
    parsed.m_orientation = numbers[3];
    parsed.m_weight = numbers[4];
    // The byte fields keep the low eight bits of what was stored.
    parsed.m_italic = static_cast<quint8>(numbers[5]);
    parsed.m_underline = static_cast<quint8>(numbers[6]);
    parsed.m_strikeOut = static_cast<quint8>(numbers[7]);
    parsed.m_charSet = static_cast<quint8>(numbers[8]);
    parsed.m_outPrecision = static_cast<quint8>(numbers[9]);
    parsed.m_clipPrecision = static_cast<quint8>(numbers[10]);
    parsed.m_quality = static_cast<quint8>(numbers[11]);
    parsed.m_pitchAndFamily = static_cast<quint8>(numbers[12]);
    *this = parsed;
    return true;
}

bool CLogFont::WriteProfile(const QString& section, const QString& entry) const {
    return WriteProfileString(section, entry, ToText());
}

bool CLogFont::ReadProfile(const QString& section, const QString& entry) {
    const QString stored = GetProfileString(section, entry);
    return !stored.isEmpty() && FromText(stored);
}
