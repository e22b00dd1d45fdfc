// Where a stored window rectangle may open: shrunk to fit the available area of the screen that
// shows most of it and moved fully onto it; a rectangle that meets no screen any more (its monitor
// has been unplugged) is centred on the primary screen.
#pragma once

#include <QList>
#include <QRect>

// outer: the stored outer rectangle; screens: the available area of every screen; primary: the
// primary screen's available area. The rectangle the window opens with.
QRect PlaceOnScreens(const QRect& outer, const QList<QRect>& screens, const QRect& primary);

// The same for the screens of this session.
QRect PlaceOnCurrentScreens(const QRect& outer);
