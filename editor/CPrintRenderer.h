// Printing the document: the editor's font at its real size (a font given in screen pixels is
// turned into points, so that it prints as large as it shows), inside the margins the page
// set-up chose, word-wrapped to the page, each page under a header line with the document's
// title and the page number. Print and Print Preview both draw through here.
#pragma once

#include <QFont>
#include <QString>

class QPagedPaintDevice;
class QPrinter;

// The page set-up as Lt.conf keeps it: "page size id,orientation (0 portrait, 1 landscape),left,
// top,right,bottom" with the margins in millimetres. A value that is missing or odd keeps the
// printer's page and gives margins of 20 mm (a real printer clips at a few millimetres).
void ApplyPageSetting(QPrinter& printer, const QString& stored);
QString PageSetting(const QPrinter& printer);

// The font as the printer is to draw it: pixels of a screen of screenDpi turned into points.
QFont PrintFont(const QFont& screenFont, qreal screenDpi);

// The distance between tab stops, on screen and on paper alike: every `tabStops` average
// character widths. 0 (the settings allow it) gives stops one character apart, so that a tab
// always moves the text on; Qt would take a distance of 0 for its default of 80 pixels.
qreal TabStopDistance(int tabStops, qreal averageCharWidth);

// Draws text on device page by page; pageLabel holds "%1" for the page number. Returns the
// number of pages drawn, 0 when the device could not be painted on.
int PrintText(QPagedPaintDevice* device, const QString& text, const QFont& font, const QString& title,
              const QString& pageLabel, int tabStops);
