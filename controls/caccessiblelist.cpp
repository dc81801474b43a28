#include "controls/caccessiblelist.h"

#include <QAbstractItemView>
#include <QComboBox>

namespace vantoro {

CAccessibleList::CAccessibleList(QComboBox* pList)
    : CAccessibleTextLine(pList, QAccessible::ComboBox) {}

QComboBox* CAccessibleList::List() const {
    return static_cast<QComboBox*>(widget());
}

QString CAccessibleList::ShownText() const {
    return List()->currentText();
}

QAccessible::State CAccessibleList::state() const {
    QAccessible::State s = CAccessibleTextLine::state();
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
    return CAccessibleTextLine::actionNames() << showMenuAction() << pressAction();
}

void CAccessibleList::doAction(const QString& strAction) {
    if (strAction == showMenuAction() || strAction == pressAction())
        List()->showPopup();
    else
        CAccessibleTextLine::doAction(strAction);
}

} // namespace vantoro
