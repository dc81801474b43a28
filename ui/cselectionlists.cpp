#include "ui/cselectionlists.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>

namespace vantoro {

CSelectionLists::CSelectionLists(std::initializer_list<QComboBox*> lists, QObject* pParent)
    : QObject(pParent), m_lists(lists) {
    for (QComboBox* pList : m_lists) {
        connect(pList, &QComboBox::currentIndexChanged, this, [this, pList](int nIndex) {
            // While the list is open a highlight is no choice yet, and a choice made by the
            // program (a refill, a new model) is no news of the person's.
            if (nIndex >= 0 && pList->hasFocus() && !pList->view()->isVisible())
                emit ChosenByKey(pList->itemText(nIndex));
        });
    }
}

QComboBox* CSelectionLists::ListOwning(QWidget* pWidget) const {
    for (; pWidget; pWidget = pWidget->parentWidget()) {
        for (QComboBox* pList : m_lists) {
            if (pWidget == pList)
                return pList;
        }
    }
    return nullptr;
}

void CSelectionLists::CloseOpenList(QWidget* pWidget) const {
    QComboBox* pList = ListOwning(pWidget);
    if (pList && pList->view()->isVisible())
        pList->hidePopup();
}

bool CSelectionLists::OpenOnEnter(QWidget* pWidget) const {
    QComboBox* pList = ListOwning(pWidget);
    if (!pList || pWidget != pList)
        return false;
    pList->showPopup();
    return true;
}

bool CSelectionLists::OpensList(const QKeyEvent& key) {
    const bool bAlt = (key.modifiers() & Qt::AltModifier) != 0;
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter || key.key() == Qt::Key_F4 ||
           key.key() == Qt::Key_Space ||
           (bAlt && (key.key() == Qt::Key_Down || key.key() == Qt::Key_Up));
}

} // namespace vantoro
