#include "controls/cpercentbar.h"

#include <QAccessible>
#include <QPaintEvent>
#include <QPainter>

#include "controls/cbufferdc.h"
#include "controls/cpercentbargeometry.h"

namespace vantoro {

namespace {

int PackRange(int nLow, int nHigh) {
    return static_cast<int>((static_cast<quint32>(nLow) & 0xFFFFu) |
                            ((static_cast<quint32>(nHigh) & 0xFFFFu) << 16));
}

} // namespace

CPercentBar::CPercentBar(QWidget* pParent) : QFrame(pParent) {
    // The border of a standard progress control; the bar itself fills the contents rectangle.
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus); // shows progress, takes no input
}

int CPercentBar::SetRange(quint16 nLower, quint16 nUpper) {
    return SetRange32(nLower, nUpper);
}

int CPercentBar::SetRange32(int nLower, int nUpper) {
    const int nPrevious = PackRange(m_nMin, m_nMax);
    m_nMin = nLower;
    m_nMax = nUpper;
    return nPrevious;
}

int CPercentBar::GetRange(bool bWhichLow, SPercentBarRange* pRange) const {
    if (pRange) {
        pRange->iLow = m_nMin;
        pRange->iHigh = m_nMax;
    }
    return bWhichLow ? m_nMin : m_nMax;
}

int CPercentBar::SetPos(int nPos) {
    const int nPrevious = m_nPos;
    m_nPos = nPos;
    const double dFraction = CPercentBarGeometry::Fraction(m_nPos, m_nMin, m_nMax);
    const int nExtent = CPercentBarGeometry::Extent(dFraction, contentsRect().width());
    // The percentage figure alone is not worth a repaint; a moved edge is, and at once.
    if (nExtent != m_nBarExtent) {
        m_nBarExtent = nExtent;
        repaint();
        // A screen reader hears the bar move as often as a person sees it move.
        QAccessibleValueChangeEvent event(this, m_nPos);
        QAccessible::updateAccessibility(&event);
    }
    return nPrevious;
}

int CPercentBar::OffsetPos(int nDelta) {
    // Wraps like the 32-bit arithmetic of the position message instead of overflowing.
    return SetPos(static_cast<int>(static_cast<quint32>(m_nPos) + static_cast<quint32>(nDelta)));
}

int CPercentBar::SetStep(int nStep) {
    const int nPrevious = m_nStep;
    m_nStep = nStep;
    return nPrevious;
}

int CPercentBar::StepIt() {
    return OffsetPos(m_nStep);
}

QColor CPercentBar::SetBarColor(const QColor& crBar) {
    const QColor crPrevious = m_crBar;
    m_crBar = crBar;
    update();
    return crPrevious;
}

QColor CPercentBar::SetBkColor(const QColor& crBk) {
    const QColor crPrevious = m_crBk;
    m_crBk = crBk;
    update();
    return crPrevious;
}

QColor CPercentBar::SetTextColor(const QColor& crText) {
    const QColor crPrevious = m_crText;
    m_crText = crText;
    update();
    return crPrevious;
}

bool CPercentBar::SetShowText(bool bShow) {
    const bool bPrevious = m_bShowText;
    if (bShow != m_bShowText)
        update();
    m_bShowText = bShow;
    return bPrevious;
}

void CPercentBar::SetText(const QString& strText) {
    if (strText == m_strText)
        return;
    const QString strOld = ShownText();
    m_strText = strText;
    update();
    const QString strNew = ShownText();
    if (strNew != strOld) {
        QAccessibleTextUpdateEvent event(this, 0, strOld, strNew);
        QAccessible::updateAccessibility(&event);
    }
}

QString CPercentBar::ShownText() const {
    if (!m_bShowText || m_orientation == Qt::Vertical)
        return QString();
    if (!m_strText.isEmpty())
        return m_strText;
    return CPercentBarGeometry::PercentText(CPercentBarGeometry::Fraction(m_nPos, m_nMin, m_nMax));
}

void CPercentBar::SetOrientation(Qt::Orientation orientation) {
    if (orientation == m_orientation)
        return;
    m_orientation = orientation;
    m_nBarExtent = -1;
    update();
}

QSize CPercentBar::sizeHint() const {
    const int nFrame = 2 * frameWidth();
    if (m_orientation == Qt::Vertical)
        return QSize(fontMetrics().height() + 4 + nFrame, 160);
    return QSize(160, fontMetrics().height() + 4 + nFrame);
}

// The system colours do not fade with the window's focus or the control's enabled state: the
// bar reads the same while the user works in another window.
QColor CPercentBar::EffectiveBarColor() const {
    return m_crBar.isValid() ? m_crBar : palette().color(QPalette::Active, QPalette::Highlight);
}

QColor CPercentBar::EffectiveBkColor() const {
    return m_crBk.isValid() ? m_crBk : palette().color(QPalette::Active, QPalette::Base);
}

void CPercentBar::paintEvent(QPaintEvent* pEvent) {
    QPainter painter(this);
    if (!CPercentBarGeometry::IsDrawable(m_nMin, m_nMax)) {
        // Only the border belongs to the window itself; an unusable range paints no bar.
        drawFrame(&painter);
        return;
    }
    painter.setFont(font());
    CBufferDC dc(painter, pEvent->rect());
    QPainter& p = dc.Painter();
    drawFrame(&p);

    const QColor crBar = EffectiveBarColor();
    const QColor crBk = EffectiveBkColor();
    const QRect rcClient = contentsRect();
    const double dFraction = CPercentBarGeometry::Fraction(m_nPos, m_nMin, m_nMax);
    const bool bVertical = m_orientation == Qt::Vertical;
    QRect rcFilled;
    QRect rcEmpty;
    CPercentBarGeometry::Split(rcClient, dFraction, bVertical, rcFilled, rcEmpty);
    p.fillRect(rcFilled, crBar);
    p.fillRect(rcEmpty, crBk);

    const QString strText = ShownText();
    if (strText.isEmpty())
        return;
    const int nFormat = Qt::AlignCenter | Qt::TextSingleLine;
    // The same text twice, each pass clipped to one part and coloured against it.
    p.setClipRect(rcFilled);
    p.setPen(m_crText.isValid() ? m_crText : crBk);
    p.drawText(rcClient, nFormat, strText);
    p.setClipRect(rcEmpty);
    p.setPen(m_crText.isValid() ? m_crText : crBar);
    p.drawText(rcClient, nFormat, strText);
    p.setClipping(false);
}

void CPercentBar::resizeEvent(QResizeEvent* pEvent) {
    QFrame::resizeEvent(pEvent);
    // A new width moves the edge even at the same position, so the next change must repaint.
    m_nBarExtent = -1;
}

} // namespace vantoro
