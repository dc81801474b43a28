#include "controls/cannouncer.h"

#include <QAccessible>
#include <QTimer>

#include "controls/caccessiblefactory.h"

namespace vantoro {

CAnnouncer::CAnnouncer(QWidget* pParent)
    : QWidget(pParent), m_pTimer(new QTimer(this)), m_pNewsTimer(new QTimer(this)) {
    setObjectName(QStringLiteral("announcer"));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    resize(0, 0);
    m_pTimer->setSingleShot(true);
    m_pTimer->setInterval(0);
    connect(m_pTimer, &QTimer::timeout, this, &CAnnouncer::Show);
    m_pNewsTimer->setSingleShot(true);
    m_pNewsTimer->setInterval(kNewsMs);
    connect(m_pNewsTimer, &QTimer::timeout, this, [this] { m_bNews = false; });
    CAccessibleFactory::Renew(this);
}

void CAnnouncer::Say(const QString& strText) {
    const QString strSaid = strText.simplified();
    if (strSaid.isEmpty())
        return;
    // "Update Complete." on the Status line and "Update Complete" on the bar are one news, as
    // are "Update Failed" on the bar and "Update Failed. Press Cancel to Continue".
    QString strNews = strSaid;
    while (strNews.endsWith(QLatin1Char('.')))
        strNews.chop(1);
    for (const QString& strPending : std::as_const(m_pending)) {
        if (strPending.startsWith(strNews) &&
            (strPending.size() == strNews.size() || strPending.at(strNews.size()) == '.'))
            return;
    }
    m_pending.append(strSaid);
    m_pTimer->start();
}

QString CAnnouncer::JoinSentences(const QStringList& texts) {
    QString strJoined;
    for (const QString& strText : texts) {
        if (!strJoined.isEmpty()) {
            const QChar cLast = strJoined.back();
            if (cLast != QLatin1Char('.') && cLast != QLatin1Char('?') && cLast != QLatin1Char('!'))
                strJoined += QLatin1Char('.');
            strJoined += QLatin1Char(' ');
        }
        strJoined += strText;
    }
    return strJoined;
}

void CAnnouncer::Show() {
    // Nobody hears a window that is not on the screen: what it said meanwhile is dropped.
    if (m_pending.isEmpty() || !isVisible()) {
        m_pending.clear();
        return;
    }
    m_strNotice = JoinSentences(m_pending);
    m_pending.clear();
    m_bNews = true;
    m_pNewsTimer->start();
    // A reader asks for the notice's name when it hears it show: the text is in place first.
    QAccessibleEvent showEvent(this, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&showEvent);
    emit Shown(m_strNotice);
}

} // namespace vantoro
