#include "CResourceModuleGui.h"

std::vector<SAccelerator> CResourceModule::Accelerators(int id) const {
    std::vector<SAccelerator> table;
    for (const SAcceleratorText& entry : AcceleratorTexts(id)) {
        SAccelerator accelerator{entry.id, QKeySequence::fromString(entry.key, QKeySequence::PortableText)};
        if (accelerator.key.count() == 1 && accelerator.key[0].key() != Qt::Key_unknown)
            table.push_back(accelerator);
    }
    return table;
}

QImage CResourceModule::Bitmap(int id) const {
    QImage image(FilePath("bitmap", id, ".png"));
    return image.isNull() ? Toolbar(id) : image;
}

QImage CResourceModule::Toolbar(int id) const {
    return QImage(FilePath("toolbar", id, ".png"));
}

QImage CResourceModule::Toolbar2x(int id) const {
    return QImage(FilePath("toolbar", id, "@2x.png"));
}

QImage CResourceModule::Icon(int id) const {
    return QImage(FilePath("icon", id, ".png"));
}

QImage CResourceModule::Cursor(int id) const {
    return QImage(FilePath("cursor", id, ".png"));
}
