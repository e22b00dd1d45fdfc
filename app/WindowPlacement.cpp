#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

QRect PlaceOnScreens(const QRect& outer, const QList<QRect>& screens, const QRect& primary) {
    // The screen that shows most of the rectangle keeps it; one that meets no screen any more
    // goes to the primary one, centred.
    QRect area;
    qint64 shown = 0;
    for (const QRect& screen : screens) {
        const QRect common = screen.intersected(outer);
        const qint64 size = qint64(common.width()) * common.height();
        if (!common.isEmpty() && size > shown) {
            shown = size;
            area = screen;
        }
    }
    const bool lost = area.isEmpty();
    if (lost)
        area = primary;
    if (!area.isValid())
        return outer;
    QRect placed(outer.topLeft(), outer.size().boundedTo(area.size()));
    if (lost) {
        placed.moveCenter(area.center());
        return placed;
    }
    // Fully on that screen: a title bar off the top or a corner off the side cannot be reached.
    placed.moveLeft(std::clamp(placed.left(), area.left(), area.right() - placed.width() + 1));
    placed.moveTop(std::clamp(placed.top(), area.top(), area.bottom() - placed.height() + 1));
    return placed;
}

QRect PlaceOnCurrentScreens(const QRect& outer) {
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    const QScreen* primary = QGuiApplication::primaryScreen();
    return PlaceOnScreens(outer, screens, primary != nullptr ? primary->availableGeometry() : QRect());
}
