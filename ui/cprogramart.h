#pragma once

#include <QIcon>
#include <QImage>
#include <QSize>

namespace vantoro {

// The program's pictures, drawn in code: the window icon (a stage lamp receiving a download
// arrow) and the About box banner.
class CProgramArt {
public:
    // The icon at the usual sizes, from 16 to 64 pixels.
    static QIcon ProgramIcon();
    // One square rendering of the icon.
    static QImage IconImage(int nSize);
    // The About box picture, filling the given size.
    static QImage AboutBitmap(const QSize& size);
};

} // namespace vantoro
