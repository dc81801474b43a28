#include "controls/cbufferdc.h"

#include <QPaintEngine>

namespace vantoro {

namespace {

// Printers and vector outputs keep their own resolution; a pixel buffer would only blur them.
bool IsVectorTarget(const QPainter& painter) {
    const QPaintEngine* pEngine = painter.paintEngine();
    if (!pEngine)
        return true;
    switch (pEngine->type()) {
    case QPaintEngine::Pdf:
    case QPaintEngine::MacPrinter:
    case QPaintEngine::Picture:
    case QPaintEngine::SVG:
        return true;
    default:
        return false;
    }
}

} // namespace

CBufferDC::CBufferDC(QPainter& target, const QRect& rcClipBox)
    : m_target(target), m_rcClipBox(rcClipBox),
      m_bBuffered(!IsVectorTarget(target) && !rcClipBox.isEmpty()) {
    if (!m_bBuffered)
        return;
    const qreal dRatio = target.device() ? target.device()->devicePixelRatioF() : 1.0;
    m_image = QImage(rcClipBox.size() * dRatio, QImage::Format_ARGB32_Premultiplied);
    m_image.setDevicePixelRatio(dRatio);
    // Whatever the owner leaves undrawn stays as it was on the target.
    m_image.fill(Qt::transparent);
    m_buffer.begin(&m_image);
    m_buffer.setFont(target.font());
    m_buffer.translate(-rcClipBox.topLeft());
}

CBufferDC::~CBufferDC() {
    if (!m_bBuffered)
        return;
    m_buffer.end();
    m_target.drawImage(m_rcClipBox.topLeft(), m_image);
}

} // namespace vantoro
