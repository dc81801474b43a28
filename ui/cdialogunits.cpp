#include "ui/cdialogunits.h"

#include <QFontMetrics>
#include <QStringList>
#include <cstdlib>

namespace vantoro {

namespace {
const char* const kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
} // namespace

CDialogUnits::CDialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    m_nBaseWidth = AverageCharWidth(metrics.horizontalAdvance(QString::fromLatin1(kAlphabet)));
    m_nBaseHeight = metrics.height();
    // A font that measures as nothing (no font database at all) must not collapse the window.
    if (m_nBaseWidth <= 0)
        m_nBaseWidth = 6;
    if (m_nBaseHeight <= 0)
        m_nBaseHeight = 13;
}

CDialogUnits::CDialogUnits(int nBaseWidth, int nBaseHeight)
    : m_nBaseWidth(nBaseWidth), m_nBaseHeight(nBaseHeight) {}

int CDialogUnits::MulDivRound(int nValue, int nNumerator, int nDenominator) {
    if (nDenominator == 0)
        return -1;
    const long long nProduct = static_cast<long long>(nValue) * nNumerator;
    const long long nHalf = std::llabs(nDenominator) / 2;
    const bool bNegative = (nProduct < 0) != (nDenominator < 0);
    const long long nMagnitude = (std::llabs(nProduct) + nHalf) / std::llabs(nDenominator);
    return static_cast<int>(bNegative ? -nMagnitude : nMagnitude);
}

int CDialogUnits::AverageCharWidth(int nAlphabetWidth) {
    return (nAlphabetWidth / 26 + 1) / 2;
}

int CDialogUnits::ToPixelsX(int nUnits) const {
    return MulDivRound(nUnits, m_nBaseWidth, 4);
}

int CDialogUnits::ToPixelsY(int nUnits) const {
    return MulDivRound(nUnits, m_nBaseHeight, 8);
}

QRect CDialogUnits::ToPixels(int x, int y, int cx, int cy) const {
    // Right and bottom edges are converted, not the sizes, so neighbouring controls never gap
    // or overlap by a rounding pixel.
    const int nLeft = ToPixelsX(x);
    const int nTop = ToPixelsY(y);
    return QRect(nLeft, nTop, ToPixelsX(x + cx) - nLeft, ToPixelsY(y + cy) - nTop);
}

QSize CDialogUnits::ToPixels(int cx, int cy) const {
    return QSize(ToPixelsX(cx), ToPixelsY(cy));
}

QFont CDialogUnits::DialogFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    font.setPointSize(8);
    return font;
}

} // namespace vantoro
