#include "controls/caccessiblelist.h"

#include <QAbstractItemView>
#include <QComboBox>

namespace vantoro {

CAccessibleList::CAccessibleList(QComboBox* pList)
    : QAccessibleWidget(pList, QAccessible::ComboBox) {}

QComboBox* CAccessibleList::List() const {
    return static_cast<QComboBox*>(widget());
}

QString CAccessibleList::text(QAccessible::Text t) const {
    if (t == QAccessible::Value)
        return List()->currentText();
    return QAccessibleWidget::text(t);
}

QAccessible::State CAccessibleList::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    s.expandable = true;
    s.expanded = List()->view()->isVisible();
    s.collapsed = !s.expanded;
    return s;
}

int CAccessibleList::childCount() const {
    return 1;
}

QAccessibleInterface* CAccessibleList::child(int nIndex) const {
    return nIndex == 0 ? QAccessible::queryAccessibleInterface(List()->view()) : nullptr;
}

int CAccessibleList::indexOfChild(const QAccessibleInterface* pChild) const {
    return pChild && pChild->object() == List()->view() ? 0 : -1;
}

QStringList CAccessibleList::actionNames() const {
    return QAccessibleWidget::actionNames() << showMenuAction() << pressAction();
}

void CAccessibleList::doAction(const QString& strAction) {
    if (strAction == showMenuAction() || strAction == pressAction())
        List()->showPopup();
    else
        QAccessibleWidget::doAction(strAction);
}

} // namespace vantoro
