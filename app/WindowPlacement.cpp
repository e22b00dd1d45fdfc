#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

QRect PlaceOnScreens(const QRect& outer, const QList<QRect>& screens, const QRect& primary) {
    if (std::any_of(screens.cbegin(), screens.cend(), [&](const QRect& s) { return s.intersects(outer); }) ||
        !primary.isValid())
        return outer;
    QRect placed(QPoint(0, 0), outer.size().boundedTo(primary.size()));
    placed.moveCenter(primary.center());
    return placed;
}

QRect PlaceOnCurrentScreens(const QRect& outer) {
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens << screen->geometry();
    const QScreen* primary = QGuiApplication::primaryScreen();
    return PlaceOnScreens(outer, screens, primary != nullptr ? primary->availableGeometry() : QRect());
}
