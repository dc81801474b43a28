#include "controls/cpercentbargeometry.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace vantoro {

double CPercentBarGeometry::Fraction(int nPos, int nMin, int nMax) {
    const double dSpan = static_cast<double>(nMax) - static_cast<double>(nMin);
    if (dSpan == 0.0)
        return 0.0;
    return (static_cast<double>(nPos) - static_cast<double>(nMin)) / dSpan;
}

int CPercentBarGeometry::Extent(double dFraction, int nLength) {
    const double d = std::trunc(dFraction * static_cast<double>(nLength));
    if (std::isnan(d))
        return 0;
    // Converting an out-of-range double to int is undefined, so saturate first.
    if (d >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (d <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(d);
}

void CPercentBarGeometry::Split(const QRect& rcClient, double dFraction, bool bVertical,
                                QRect& rcFilled, QRect& rcEmpty) {
    rcFilled = rcClient;
    rcEmpty = rcClient;
    if (bVertical) {
        const int nHeight = rcClient.height();
        const int d = std::clamp(Extent(dFraction, nHeight), 0, nHeight);
        const int nEdge = rcClient.top() + nHeight - d; // first row of the fill
        rcFilled.setTop(nEdge);
        rcEmpty.setBottom(nEdge - 1);
    } else {
        const int nWidth = rcClient.width();
        const int d = std::clamp(Extent(dFraction, nWidth), 0, nWidth);
        const int nEdge = rcClient.left() + d; // first column past the fill
        rcFilled.setRight(nEdge - 1);
        rcEmpty.setLeft(nEdge);
    }
}

QString CPercentBarGeometry::PercentText(double dFraction) {
    return QString::asprintf("%d%%", Extent(dFraction, 100));
}

} // namespace vantoro
