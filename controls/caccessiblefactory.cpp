#include "controls/caccessiblefactory.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QVariant>

#include "controls/caccessiblecontainer.h"
#include "controls/caccessiblelist.h"
#include "controls/caccessibletextline.h"
#include "controls/cannouncer.h"
#include "controls/cpercentbar.h"
#include "controls/cpercentbaraccessible.h"
#include "controls/cstatusline.h"

namespace vantoro {

namespace {

constexpr const char* kHiddenProperty = "accessibleHidden";
constexpr const char* kRoleProperty = "accessibleRole";

// A status line reads as its caption, with what it says now as its text. It is one of the lines
// of the window's status bar, so a line of text, not a status bar of its own.
class CStatusLineAccessible : public CAccessibleTextLine {
public:
    explicit CStatusLineAccessible(CStatusLine* pLine)
        : CAccessibleTextLine(pLine, QAccessible::Paragraph) {}
    QString ShownText() const override { return static_cast<QLabel*>(widget())->text(); }

    // No key or click reaches a line, but the window may rest the focus on one while nothing
    // can be pressed: a reader then follows the focus there only if the line says it can.
    QAccessible::State state() const override {
        QAccessible::State s = CAccessibleTextLine::state();
        s.focusable = s.focusable || widget()->hasFocus();
        return s;
    }

    // Its caption stands beside the status bar, not inside it, where Qt looks for labels.
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>>
    relations(QAccessible::Relation match) const override {
        auto found = CAccessibleTextLine::relations(match);
        if (!(match & QAccessible::Label))
            return found;
        for (QLabel* pLabel : widget()->window()->findChildren<QLabel*>()) {
            if (pLabel->buddy() == widget())
                found.append({QAccessible::queryAccessibleInterface(pLabel), QAccessible::Label});
        }
        return found;
    }
};

// A notice is heard, never seen: readers speak it when it shows, and skip it when they read
// what is on the screen.
class CAnnouncerAccessible : public QAccessibleWidget {
public:
    explicit CAnnouncerAccessible(CAnnouncer* pAnnouncer)
        : QAccessibleWidget(pAnnouncer, QAccessible::Notification) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return static_cast<CAnnouncer*>(widget())->News();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.invisible = true;
        s.focusable = false;
        return s;
    }
};

} // namespace

void CAccessibleFactory::Install() {
    // Qt keeps each factory once, and asks the latest first, before its own.
    QAccessible::installFactory(&CAccessibleFactory::Create);
}

void CAccessibleFactory::Hide(QWidget* pWidget) {
    pWidget->setProperty(kHiddenProperty, true);
    Renew(pWidget);
}

// Qt makes a widget's interface as soon as the widget reports a change (a button or a label its
// text, while being built, before it is what it will be); that one is dropped, so that the next
// is made from what the widget is now.
void CAccessibleFactory::Renew(QWidget* pWidget) {
    if (QAccessibleInterface* pMade = QAccessible::queryAccessibleInterface(pWidget))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(pMade));
}

void CAccessibleFactory::PresentAs(QWidget* pWidget, QAccessible::Role role) {
    pWidget->setProperty(kRoleProperty, static_cast<int>(role));
    Renew(pWidget);
}

bool CAccessibleFactory::IsHidden(const QWidget* pWidget) {
    return pWidget->property(kHiddenProperty).toBool();
}

// Called for each class of the object from the most derived one up, until a factory answers.
QAccessibleInterface* CAccessibleFactory::Create(const QString& strClassName, QObject* pObject) {
    auto* pWidget = qobject_cast<QWidget*>(pObject);
    if (!pWidget)
        return nullptr;
    if (IsHidden(pWidget))
        return new QAccessibleWidget(pWidget, QAccessible::NoRole);
    const QVariant role = pWidget->property(kRoleProperty);
    if (role.isValid())
        return new CAccessibleContainer(pWidget, static_cast<QAccessible::Role>(role.toInt()));
    if (strClassName == QLatin1String("vantoro::CAnnouncer"))
        return new CAnnouncerAccessible(static_cast<CAnnouncer*>(pWidget));
    if (strClassName == QLatin1String("vantoro::CPercentBar"))
        return new CPercentBarAccessible(static_cast<CPercentBar*>(pWidget));
    if (strClassName == QLatin1String("vantoro::CStatusLine"))
        return new CStatusLineAccessible(static_cast<CStatusLine*>(pWidget));
    // The program's lists only: the ones inside Qt's own dialogs keep Qt's reading.
    if (strClassName == QLatin1String("QComboBox") && !pWidget->accessibleName().isEmpty())
        return new CAccessibleList(static_cast<QComboBox*>(pWidget));
    // A plain widget of its own on the screen (the help window) is a window, not a filler.
    if (strClassName == QLatin1String("QWidget"))
        return new CAccessibleContainer(pWidget, pWidget->isWindow() ? QAccessible::Window
                                                                     : QAccessible::Client);
    return nullptr;
}

} // namespace vantoro
