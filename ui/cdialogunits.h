#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

namespace vantoro {

// Converts dialog-template units to pixels for one dialog font, so that every control keeps
// the place its template gives it whatever font the desktop supplies.
class CDialogUnits {
public:
    // Base units measured from the font: average character width and character height.
    explicit CDialogUnits(const QFont& font);
    // Base units given directly (tests, or a caller that measured already).
    CDialogUnits(int nBaseWidth, int nBaseHeight);

    int BaseWidth() const { return m_nBaseWidth; }
    int BaseHeight() const { return m_nBaseHeight; }

    int ToPixelsX(int nUnits) const;
    int ToPixelsY(int nUnits) const;
    QRect ToPixels(int x, int y, int cx, int cy) const;
    QSize ToPixels(int cx, int cy) const;

    // The template font of the program's dialogs, "MS Sans Serif" 8 point, with the nearest
    // sans-serif face standing in where that face is not installed.
    static QFont DialogFont();

    // nValue * nNumerator / nDenominator rounded half away from zero, as the window system's
    // unit conversions round.
    static int MulDivRound(int nValue, int nNumerator, int nDenominator);

    // Average character width the way dialog base units are defined: the width of the 52
    // letters, divided by 26, halved with rounding.
    static int AverageCharWidth(int nAlphabetWidth);

private:
    int m_nBaseWidth;
    int m_nBaseHeight;
};

} // namespace vantoro
