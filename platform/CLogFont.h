// A font description: the thirteen numbers and the face name of a Windows LOGFONTW, which is how
// the program stores its fonts ("Font", "FontList") and what the font commands choose. Every font
// the program shows is made from one of these with MakeFont.
//
// Font text form: the thirteen numbers in field order, then the face name with every space
// written as "-", separated by single spaces, e.g. "-12 0 0 0 400 0 0 0 204 7 0 0 0 Arial".
#pragma once

#include <QString>
#include <QtGlobal>

class QFont;
class QWidget;

class CLogFont {
public:
    // The face name field holds this many UTF-16 units including the terminator.
    static constexpr int kFaceSize = 32;

    // Dialog flags as the font commands pass them: screen fonts, help button, start from this
    // description, no script selection.
    static constexpr quint32 kScreenFonts = 0x1;
    static constexpr quint32 kShowHelp = 0x4;
    static constexpr quint32 kInitToLogFont = 0x40;
    static constexpr quint32 kFixedPitchOnly = 0x4000;
    static constexpr quint32 kScalableOnly = 0x20000;
    static constexpr quint32 kNoScriptSel = 0x800000;
    static constexpr quint32 kFontCommandFlags = kScreenFonts | kShowHelp | kInitToLogFont | kNoScriptSel;

    // Arial, height -12, weight 400, character set 1, output precision 7.
    CLogFont();

    // Shows the font dialog over owner (the active window when null). On OK the choice is written
    // into height, weight, italic, underline, strike-out and face name, and the result is true.
    bool RunFontDialog(QWidget* owner, quint32 flags);

    // Stores the character set (and the height) into this description, then makes target the
    // font it describes. Always succeeds: a face that is not installed falls back to a similar one.
    bool MakeFont(QFont& target, quint8 charSet);
    bool MakeFont(QFont& target, quint8 charSet, qint32 height);

    // The font text form in the profile. ReadProfile replaces this description only when the
    // stored value is well formed; otherwise it leaves it alone and gives false.
    bool WriteProfile(const QString& section, const QString& entry) const;
    bool ReadProfile(const QString& section, const QString& entry);

    QString ToText() const;
    bool FromText(const QString& text);

    QString FaceName() const;
    // False, leaving the name alone, when the face does not fit the field (over 31 units).
    bool SetFaceName(const QString& face);

    qint32 m_height;
    qint32 m_width;
    qint32 m_escapement;
    qint32 m_orientation;
    qint32 m_weight;
    quint8 m_italic;
    quint8 m_underline;
    quint8 m_strikeOut;
    quint8 m_charSet;
    quint8 m_outPrecision;
    quint8 m_clipPrecision;
    quint8 m_quality;
    quint8 m_pitchAndFamily;
    char16_t m_faceName[kFaceSize];

private:
    QFont ToFont() const;
};
