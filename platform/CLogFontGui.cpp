// The font description made into a Qt font, and the font dialog: the part of CLogFont that needs
// Qt GUI.
#include "CLogFont.h"

#include "Modal.h"

#include <QApplication>
#include <QFont>
#include <QScreen>
#include <QWidget>

namespace {

QFont::StyleHint StyleHintOf(quint8 pitchAndFamily) {
    switch (pitchAndFamily & 0xF0) {
    case 0x10: // FF_ROMAN
        return QFont::Serif;
    case 0x20: // FF_SWISS
        return QFont::SansSerif;
    case 0x30: // FF_MODERN
        return QFont::Monospace;
    case 0x40: // FF_SCRIPT
        return QFont::Cursive;
    case 0x50: // FF_DECORATIVE
        return QFont::Fantasy;
    default:
        return QFont::AnyStyle;
    }
}

int LogicalDpiY(const QWidget* widget) {
    if (widget)
        return widget->logicalDpiY();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return qRound(screen->logicalDotsPerInchY());
    return 96;
}

QFontDialog::FontDialogOptions DialogOptions(quint32 flags) {
    QFontDialog::FontDialogOptions options;
    if (flags & CLogFont::kFixedPitchOnly)
        options |= QFontDialog::MonospacedFonts;
    if (flags & CLogFont::kScalableOnly)
        options |= QFontDialog::ScalableFonts;
    return options;
}

} // namespace

QFont CLogFont::ToFont() const {
    QFont font(FaceName());
    // A negative height is the character height in pixels, a positive one the cell height, which
    // Qt has no separate notion of; zero keeps the default size. Width, escapement, orientation and
    // the precisions have no counterpart in QFont. The character set only travels in the stored
    // text: Qt picks glyphs by character, not by code page.
    if (m_height != 0)
        font.setPixelSize(static_cast<int>(std::min<qint64>(std::abs(qint64(m_height)), 0xFFFF)));
    font.setWeight(m_weight == 0 ? QFont::Normal : static_cast<QFont::Weight>(std::clamp(m_weight, 1, 1000)));
    font.setItalic(m_italic != 0);
    font.setUnderline(m_underline != 0);
    font.setStrikeOut(m_strikeOut != 0);
    QFont::StyleStrategy strategy = QFont::PreferDefault;
    if (m_quality == 3) // NONANTIALIASED_QUALITY
        strategy = QFont::NoAntialias;
    else if (m_quality == 4 || m_quality == 5) // ANTIALIASED_QUALITY, CLEARTYPE_QUALITY
        strategy = QFont::PreferAntialias;
    font.setStyleHint(StyleHintOf(m_pitchAndFamily), strategy);
    return font;
}

bool CLogFont::MakeFont(QFont& target, quint8 charSet) {
    m_charSet = charSet;
    target = ToFont();
    return true;
}

bool CLogFont::MakeFont(QFont& target, quint8 charSet, qint32 height) {
    m_height = height;
    return MakeFont(target, charSet);
}

bool CLogFont::RunFontDialog(QWidget* owner, quint32 flags) {
    QWidget* parent = owner ? owner : QApplication::activeWindow();
    const QFont initial = (flags & kInitToLogFont) ? ToFont() : QFont();
    QFont chosen;
    if (!Modal::ChooseFont(parent, initial, DialogOptions(flags), chosen))
        return false;

    // Sizes come back in pixels as the description counts them: a character height, negative.
    const int pixels = chosen.pixelSize() > 0 ? chosen.pixelSize()
                                              : qRound(chosen.pointSizeF() * LogicalDpiY(parent) / 72.0);
    m_height = -std::max(pixels, 1);
    m_weight = chosen.weight();
    m_italic = chosen.italic() ? 1 : 0;
    m_underline = chosen.underline() ? 1 : 0;
    m_strikeOut = chosen.strikeOut() ? 1 : 0;
    // The face field is fixed in size; a longer family name is cut like the system dialog cuts
    // it, without leaving half a surrogate pair behind.
    QString face = chosen.family().left(kFaceSize - 1);
    if (!face.isEmpty() && face.back().isHighSurrogate())
        face.chop(1);
    SetFaceName(face);
    return true;
}
