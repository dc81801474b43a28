#pragma once

#include <QAccessibleWidget>
#include <QWidgetList>

namespace vantoro {

// A plain widget that holds other controls, as the accessibility interface sees it: the same as
// Qt's own, except that children kept out of the accessibility tree are left out of its list.
class CAccessibleContainer : public QAccessibleWidget {
public:
    CAccessibleContainer(QWidget* pWidget, QAccessible::Role role);

    int childCount() const override;
    QAccessibleInterface* child(int nIndex) const override;
    int indexOfChild(const QAccessibleInterface* pChild) const override;

private:
    // The child widgets a reader is shown, in the order Qt would list them.
    QWidgetList ShownChildren() const;
};

} // namespace vantoro
