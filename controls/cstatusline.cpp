#include "controls/cstatusline.h"

#include <QAccessible>
#include <QTimer>

#include "controls/caccessiblefactory.h"

namespace vantoro {

CStatusLine::CStatusLine(const QString& strCaption, const QString& strText, QWidget* pParent)
    : QLabel(strText, pParent), m_strReported(strText), m_pReportTimer(new QTimer(this)) {
    setTextFormat(Qt::PlainText);
    setAccessibleName(strCaption);
    CAccessibleFactory::Renew(this); // it was a plain label while QLabel was being built
    m_pReportTimer->setSingleShot(true);
    m_pReportTimer->setInterval(kReportMs);
    connect(m_pReportTimer, &QTimer::timeout, this, [this] {
        if (text() == m_strReported)
            return;
        Report();
        m_pReportTimer->start(); // the line is still changing: the next report waits as well
    });
}

void CStatusLine::SetLine(const QString& strText) {
    if (strText == text())
        return;
    setText(strText);
    if (!m_pReportTimer->isActive()) {
        Report();
        m_pReportTimer->start();
    }
}

void CStatusLine::Report() {
    QAccessibleTextUpdateEvent event(this, 0, m_strReported, text());
    m_strReported = text();
    QAccessible::updateAccessibility(&event);
}

} // namespace vantoro
