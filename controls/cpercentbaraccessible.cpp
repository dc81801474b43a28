#include "controls/cpercentbaraccessible.h"

#include "controls/cpercentbar.h"

namespace vantoro {

CPercentBarAccessible::CPercentBarAccessible(CPercentBar* pBar)
    : CAccessibleTextLine(pBar, QAccessible::ProgressBar) {}

CPercentBar* CPercentBarAccessible::Bar() const {
    return static_cast<CPercentBar*>(widget());
}

QString CPercentBarAccessible::ShownText() const {
    return Bar()->ShownText();
}

void* CPercentBarAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return CAccessibleTextLine::interface_cast(type);
}

QAccessible::State CPercentBarAccessible::state() const {
    QAccessible::State s = CAccessibleTextLine::state();
    s.readOnly = true;
    return s;
}

// A position past either limit paints an empty or a full bar, and that is what it reads as.
QVariant CPercentBarAccessible::currentValue() const {
    const CPercentBar* pBar = Bar();
    const int nLow = pBar->GetRange(true);
    const int nHigh = pBar->GetRange(false);
    if (nLow >= nHigh)
        return nLow;
    return qBound(nLow, pBar->GetPos(), nHigh);
}

QVariant CPercentBarAccessible::maximumValue() const {
    return Bar()->GetRange(false);
}

QVariant CPercentBarAccessible::minimumValue() const {
    return Bar()->GetRange(true);
}

} // namespace vantoro
