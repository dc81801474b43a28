#pragma once

#include <QRect>
#include <QString>

namespace vantoro {

// The arithmetic behind CPercentBar's picture, kept apart from painting so that it can be
// checked number by number.
class CPercentBarGeometry {
public:
    // A range can be drawn only when its lower limit lies below its upper limit.
    static bool IsDrawable(int nMin, int nMax) { return nMin < nMax; }

    // How far nPos lies along the range, in double precision and not clamped (a position past
    // the upper limit gives more than 1). An empty range gives 0 instead of a division by zero.
    static double Fraction(int nPos, int nMin, int nMax);

    // trunc(dFraction * nLength), saturated to the int range (NaN gives 0).
    static int Extent(double dFraction, int nLength);

    // Splits client into the filled and the empty part: horizontal bars fill from the left,
    // vertical bars from the bottom. Both parts are cut to client, which paints the same picture
    // as the uncut parts clipped by the window and keeps every coordinate in range.
    static void Split(const QRect& rcClient, double dFraction, bool bVertical, QRect& rcFilled,
                      QRect& rcEmpty);

    // The bar's own text when the owner has set none: "%d%%" of trunc(dFraction * 100).
    static QString PercentText(double dFraction);
};

} // namespace vantoro
