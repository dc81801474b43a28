#pragma once

#include "controls/caccessibletextline.h"

class QComboBox;

namespace vantoro {

// A drop-down list as the accessibility interface sees it, named by its label like every other
// control: Qt's own list takes its name from the entry it shows on this platform, so that a
// reader tabbing through the window hears "Saltir 24" where it should hear "Model". The entry
// shown is the list's value and its text (the bridge passes on no selection of the popup's
// entries, so the text is where a reader finds the choice); its entries are its one child, the
// popup's list.
class CAccessibleList : public CAccessibleTextLine {
public:
    explicit CAccessibleList(QComboBox* pList);

    QString ShownText() const override;
    QAccessible::State state() const override;
    int childCount() const override;
    QAccessibleInterface* child(int nIndex) const override;
    int indexOfChild(const QAccessibleInterface* pChild) const override;

    // QAccessibleActionInterface: drop the list down, besides taking the focus.
    QStringList actionNames() const override;
    void doAction(const QString& strAction) override;

private:
    QComboBox* List() const;
};

} // namespace vantoro
