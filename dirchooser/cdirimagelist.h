#pragma once

#include <QPixmap>

namespace vantoro {

// Positions of the chooser's pictures; network places use their display type + 7.
enum DirImage : int {
    ImageOpenFolder = 0,   // selected folder or share
    ImageClosedFolder = 1, // folder or share
    ImageRemovable = 2,
    ImageFixed = 3,
    ImageNetworkDrive = 4,
    ImageCdrom = 5,
    ImageRamdisk = 6,
    ImageNetworkRoot = 7, // "Network Neighborhood" and generic network places
    ImageDomain = 8,
    ImageServer = 9,
    ImageShare = 10,
    ImageFile = 11,
    ImageGroup = 12,
    ImageNetwork = 13,
    ImageGlobe = 14
};

// The directory chooser's 15 small pictures, drawn in code on a transparent background.
class CDirImageList {
public:
    static constexpr int kCount = 15;
    static constexpr int kWidth = 17;
    static constexpr int kHeight = 16;

    // The picture at nIndex, or a null pixmap outside 0..kCount-1 (the item shows none).
    static QPixmap Picture(int nIndex);
};

} // namespace vantoro
