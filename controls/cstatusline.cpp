#include "controls/cstatusline.h"

#include <QAccessible>

#include "controls/caccessiblefactory.h"

namespace vantoro {

CStatusLine::CStatusLine(const QString& strCaption, const QString& strText, QWidget* pParent)
    : QLabel(strText, pParent) {
    setTextFormat(Qt::PlainText);
    setAccessibleName(strCaption);
    CAccessibleFactory::Renew(this); // it was a plain label while QLabel was being built
}

void CStatusLine::SetLine(const QString& strText) {
    const QString strOld = text();
    if (strText == strOld)
        return;
    setText(strText);
    QAccessibleTextUpdateEvent event(this, 0, strOld, strText);
    QAccessible::updateAccessibility(&event);
}

} // namespace vantoro
