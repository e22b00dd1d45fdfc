#include "CPrintRenderer.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrinter>
#include <QStringList>
#include <QTextLayout>

#include <algorithm>

QFont PrintFont(const QFont& screenFont, qreal screenDpi) {
    QFont font(screenFont);
    if (screenFont.pixelSize() > 0 && screenDpi > 0)
        font.setPointSizeF(screenFont.pixelSize() * 72.0 / screenDpi);
    return font;
}

qreal TabStopDistance(int tabStops, qreal averageCharWidth) {
    return std::max(1, tabStops) * averageCharWidth;
}

int PrintText(QPagedPaintDevice* device, const QString& text, const QFont& font, const QString& title,
              const QString& pageLabel, int tabStops) {
    QPainter painter;
    if (!painter.begin(device))
        return 0;
    // The painter starts at the top left of the area inside the margins.
    const QRectF area(QPointF(0, 0), device->pageLayout().paintRectPixels(device->logicalDpiX()).size());
    const QFont bodyFont(font, device);
    const QFontMetricsF metrics(bodyFont);
    QFont headerFont(bodyFont);
    headerFont.setBold(true);
    const qreal headerHeight = QFontMetricsF(headerFont).height();
    const qreal bodyTop = headerHeight * 2;
    const qreal lineHeight = metrics.lineSpacing();

    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTabStopDistance(TabStopDistance(tabStops, metrics.averageCharWidth()));

    int page = 0;
    qreal y = area.height(); // no page started yet
    const auto newPage = [&] {
        if (page > 0)
            device->newPage();
        ++page;
        painter.setFont(headerFont);
        const QRectF header(0, 0, area.width(), headerHeight);
        const QString number = QString(pageLabel).arg(page);
        painter.drawText(header, Qt::AlignRight | Qt::AlignVCenter, number);
        const qreal numberWidth = QFontMetricsF(headerFont).horizontalAdvance(number) + headerHeight;
        painter.drawText(
            header.adjusted(0, 0, -numberWidth, 0), Qt::AlignLeft | Qt::AlignVCenter,
            QFontMetricsF(headerFont).elidedText(title, Qt::ElideMiddle, area.width() - numberWidth));
        painter.drawLine(QPointF(0, headerHeight * 1.25), QPointF(area.width(), headerHeight * 1.25));
        painter.setFont(bodyFont);
        y = bodyTop;
    };

    const QStringList paragraphs = QString(text).replace(QChar::ParagraphSeparator, u'\n').split(u'\n');
    for (const QString& paragraph : paragraphs) {
        QTextLayout layout(paragraph, bodyFont, device);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
            line.setLineWidth(area.width());
        layout.endLayout();
        for (int i = 0; i < layout.lineCount(); ++i) {
            if (page == 0 || y + lineHeight > area.height())
                newPage();
            const QTextLine line = layout.lineAt(i);
            line.draw(&painter, QPointF(-line.x(), y - line.y()));
            y += lineHeight;
        }
    }
    if (page == 0)
        newPage(); // an empty document still prints its header
    painter.end();
    return page;
}

void ApplyPageSetting(QPrinter& printer, const QString& stored) {
    constexpr qreal kDefaultMargin = 20.0;
    const QStringList fields = stored.split(u',');
    bool ok = fields.size() == 6;
    int numbers[6] = {};
    for (int i = 0; ok && i < 6; ++i)
        numbers[i] = fields[i].trimmed().toInt(&ok);
    ok = ok && numbers[0] >= 0 && numbers[0] < QPageSize::LastPageSize && numbers[0] != QPageSize::Custom &&
         (numbers[1] == 0 || numbers[1] == 1);
    for (int i = 2; ok && i < 6; ++i)
        ok = numbers[i] >= 0 && numbers[i] <= 100;
    if (!ok) {
        printer.setPageMargins(QMarginsF(kDefaultMargin, kDefaultMargin, kDefaultMargin, kDefaultMargin),
                               QPageLayout::Millimeter);
        return;
    }
    printer.setPageSize(QPageSize(static_cast<QPageSize::PageSizeId>(numbers[0])));
    printer.setPageOrientation(numbers[1] == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setPageMargins(QMarginsF(numbers[2], numbers[3], numbers[4], numbers[5]),
                           QPageLayout::Millimeter);
}

QString PageSetting(const QPrinter& printer) {
    const QPageLayout layout = printer.pageLayout();
    const QMarginsF margins = layout.margins(QPageLayout::Millimeter);
    return QStringLiteral("%1,%2,%3,%4,%5,%6")
        .arg(int(layout.pageSize().id()))
        .arg(layout.orientation() == QPageLayout::Landscape ? 1 : 0)
        .arg(qRound(margins.left()))
        .arg(qRound(margins.top()))
        .arg(qRound(margins.right()))
        .arg(qRound(margins.bottom()));
}
