// Dialog units: the dialogs are laid out on the grid their templates use, a quarter of the
// font's average character width across and an eighth of its height down, so they keep their
// proportions with any font.
#pragma once

#include <QFontMetrics>
#include <QRect>

class CDialogUnits {
public:
    explicit CDialogUnits(const QFontMetrics& metrics)
        : m_baseX(metrics.averageCharWidth()), m_baseY(metrics.height()) {}

    int X(int units) const { return units * m_baseX / 4; }
    int Y(int units) const { return units * m_baseY / 8; }
    QRect Rect(int x, int y, int width, int height) const { return {X(x), Y(y), X(width), Y(height)}; }

private:
    int m_baseX;
    int m_baseY;
};
