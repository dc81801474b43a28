#include "controls/caccessiblecontainer.h"

#include <QFocusFrame>
#include <QMenu>

#include "controls/caccessiblefactory.h"

namespace vantoro {

CAccessibleContainer::CAccessibleContainer(QWidget* pWidget, QAccessible::Role role)
    : QAccessibleWidget(pWidget, role) {}

QWidgetList CAccessibleContainer::ShownChildren() const {
    QWidgetList children;
    for (QObject* pObject : widget()->children()) {
        auto* pChild = qobject_cast<QWidget*>(pObject);
        // Windows, menus and focus frames are reached another way, as in Qt's own list; what is
        // hidden is not there for a reader either.
        if (!pChild || pChild->isWindow() || qobject_cast<QMenu*>(pChild) ||
            qobject_cast<QFocusFrame*>(pChild) ||
            pChild->objectName() == QLatin1String("qt_rubberband") || pChild->isHidden() ||
            CAccessibleFactory::IsHidden(pChild))
            continue;
        children.append(pChild);
    }
    return children;
}

int CAccessibleContainer::childCount() const {
    return ShownChildren().size();
}

QAccessibleInterface* CAccessibleContainer::child(int nIndex) const {
    const QWidgetList children = ShownChildren();
    if (nIndex < 0 || nIndex >= children.size())
        return nullptr;
    return QAccessible::queryAccessibleInterface(children.at(nIndex));
}

int CAccessibleContainer::indexOfChild(const QAccessibleInterface* pChild) const {
    if (!pChild || !pChild->object() || !pChild->object()->isWidgetType())
        return -1;
    return ShownChildren().indexOf(static_cast<QWidget*>(pChild->object()));
}

} // namespace vantoro
