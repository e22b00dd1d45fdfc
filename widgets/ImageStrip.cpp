#include "ImageStrip.h"

#include "CResourceModuleGui.h"

QPixmap StripImage(const QImage& strip, int index, int width) {
    if (strip.isNull() || width <= 0 || index < 0 || (index + 1) * width > strip.width())
        return {};
    QImage image = strip.copy(index * width, 0, width, strip.height()).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & 0x00FFFFFFu) == 0x00FFFFFFu)
                line[x] = 0;
        }
    }
    return QPixmap::fromImage(image);
}

std::vector<QIcon> StripIcons(const QImage& strip, int width) {
    std::vector<QIcon> icons;
    for (int index = 0;; ++index) {
        const QPixmap pixmap = StripImage(strip, index, width);
        if (pixmap.isNull())
            break;
        QIcon icon(pixmap);
        // Without its own selected picture the icon would be tinted with the selection colour.
        icon.addPixmap(pixmap, QIcon::Selected);
        icons.push_back(icon);
    }
    return icons;
}

std::vector<QIcon> FolderImageIcons() {
    return StripIcons(CurrentResources().Bitmap(kBmpStrip));
}
