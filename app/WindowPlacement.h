// Where a stored window rectangle may open: a rectangle that meets no screen any more (its
// monitor has been unplugged) is moved onto the primary screen, keeping its size where it fits.
#pragma once

#include <QList>
#include <QRect>

// outer: the stored outer rectangle; screens: the geometry of every screen; primary: the
// primary screen's available area. The rectangle the window opens with.
QRect PlaceOnScreens(const QRect& outer, const QList<QRect>& screens, const QRect& primary);

// The same for the screens of this session.
QRect PlaceOnCurrentScreens(const QRect& outer);
