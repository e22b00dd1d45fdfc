// The small pictures of a bitmap strip (bitmap 213: folders, drives, network, file), cut into
// icons the way an image list of 17-pixel images with white as the mask colour shows them.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <vector>

// The images of bitmap 213, by index.
enum EStripImage : int {
    kImgOpenFolder = 0,
    kImgClosedFolder = 1,
    kImgRemovable = 2,
    kImgFixed = 3,
    kImgRemote = 4,
    kImgOptical = 5,
    kImgRamDisk = 6,
    kImgNetwork = 7,
    kImgFile = 11
};

inline constexpr int kStripImageWidth = 17;

// Image `index` of the strip, white made transparent; a null pixmap when the strip lacks it.
QPixmap StripImage(const QImage& strip, int index, int width = kStripImageWidth);

// Every image of the strip as an icon that looks the same selected and not.
std::vector<QIcon> StripIcons(const QImage& strip, int width = kStripImageWidth);

// Bitmap 213 of the current resource module as icons.
std::vector<QIcon> FolderImageIcons();
