#include "controls/caccessibletextline.h"

#include <QFontMetrics>

namespace vantoro {

CAccessibleTextLine::CAccessibleTextLine(QWidget* pWidget, QAccessible::Role role)
    : QAccessibleWidget(pWidget, role) {}

void* CAccessibleTextLine::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString CAccessibleTextLine::text(QAccessible::Text t) const {
    if (t == QAccessible::Value)
        return ShownText();
    return QAccessibleWidget::text(t);
}

void CAccessibleTextLine::selection(int, int* pStart, int* pEnd) const {
    *pStart = 0;
    *pEnd = 0;
}

QString CAccessibleTextLine::text(int nStart, int nEnd) const {
    const QString strText = ShownText();
    // Readers ask for (0, -1) to mean "all of it".
    if (nEnd < 0 || nEnd > strText.size())
        nEnd = strText.size();
    nStart = qBound(0, nStart, nEnd);
    return strText.mid(nStart, nEnd - nStart);
}

QString CAccessibleTextLine::textAtOffset(int nOffset, QAccessible::TextBoundaryType boundary,
                                          int* pStart, int* pEnd) const {
    if (boundary != QAccessible::LineBoundary && boundary != QAccessible::ParagraphBoundary &&
        boundary != QAccessible::NoBoundary)
        return QAccessibleTextInterface::textAtOffset(nOffset, boundary, pStart, pEnd);
    const QString strText = ShownText();
    *pStart = 0;
    *pEnd = strText.size();
    return strText;
}

// The line is drawn centred or left-aligned in the widget; a reader that wants the place of a
// character gets the widget's own rectangle, which holds every character.
QRect CAccessibleTextLine::characterRect(int) const {
    return rect();
}

int CAccessibleTextLine::offsetAtPoint(const QPoint& point) const {
    return rect().contains(point) ? 0 : -1;
}

// The line is one run of plain text: a reader walking the runs of attributes (Orca does, for
// the language of each part) must find every character in one, or it loses the last one.
QString CAccessibleTextLine::attributes(int nOffset, int* pStart, int* pEnd) const {
    const int nCount = characterCount();
    const bool bInside = nOffset >= 0 && nOffset < nCount;
    *pStart = bInside ? 0 : nOffset;
    *pEnd = bInside ? nCount : nOffset;
    return QString();
}

} // namespace vantoro
