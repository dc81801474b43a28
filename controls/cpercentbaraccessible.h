#pragma once

#include "controls/caccessibletextline.h"

namespace vantoro {

class CPercentBar;

// CPercentBar as the accessibility interface sees it: a progress bar whose value is the position
// it paints, within its range, and whose value text is the text drawn across it.
class CPercentBarAccessible : public CAccessibleTextLine, public QAccessibleValueInterface {
public:
    explicit CPercentBarAccessible(CPercentBar* pBar);

    QString ShownText() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;

    // QAccessibleValueInterface: read only, as the bar takes no input.
    QVariant currentValue() const override;
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override { return 0; }

private:
    CPercentBar* Bar() const;
};

} // namespace vantoro
