#pragma once

#include <QImage>
#include <QPainter>
#include <QRect>

namespace vantoro {

// An off-screen drawing surface for one paint: everything drawn through Painter() lands in an
// image of the clip box, which reaches the target in a single block copy when the surface is
// destroyed, so the screen never shows a half-drawn picture. Printing and vector targets are
// drawn into directly.
class CBufferDC {
public:
    // rcClipBox is in the target painter's logical coordinates; so are all drawing calls.
    CBufferDC(QPainter& target, const QRect& rcClipBox);
    ~CBufferDC();
    CBufferDC(const CBufferDC&) = delete;
    CBufferDC& operator=(const CBufferDC&) = delete;

    QPainter& Painter() { return m_bBuffered ? m_buffer : m_target; }
    bool IsBuffered() const { return m_bBuffered; }

private:
    QPainter& m_target;
    QRect m_rcClipBox;
    QImage m_image;
    QPainter m_buffer;
    bool m_bBuffered;
};

} // namespace vantoro
