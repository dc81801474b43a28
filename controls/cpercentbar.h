#pragma once

#include <QColor>
#include <QFrame>
#include <QString>

namespace vantoro {

// Lower and upper limit of a CPercentBar's range, as GetRange reports them.
struct SPercentBarRange {
    int iLow = 0;
    int iHigh = 0;
};

// A progress bar that paints itself: the filled part in the bar colour, the rest in the
// background colour, and one centred line of text whose colour flips where it crosses the edge
// of the fill, so the text stays readable at every position.
//
// The text is the owner's text when one is set, otherwise the bar's own percentage ("37%").
// Range and position are taken as given: nothing is clamped, an empty or inverted range paints
// nothing, and a position beyond the upper limit simply fills past the edge (clipped).
// A position change repaints at once, but only when the filled width in pixels changes.
class CPercentBar : public QFrame {
    Q_OBJECT
public:
    explicit CPercentBar(QWidget* pParent = nullptr);

    // Range limits as two unsigned 16-bit values; no repaint. Returns the previous range
    // packed as (low | high << 16), each limit truncated to 16 bits.
    int SetRange(quint16 nLower, quint16 nUpper);
    // Range limits as full 32-bit values; no repaint. Returns the previous range as SetRange.
    int SetRange32(int nLower, int nUpper);
    // The lower limit when bWhichLow is true, else the upper limit; fills pRange when given.
    int GetRange(bool bWhichLow, SPercentBarRange* pRange = nullptr) const;

    // Moves to nPos (not clamped) and returns the previous position.
    int SetPos(int nPos);
    // SetPos(GetPos() + nDelta); returns the previous position.
    int OffsetPos(int nDelta);
    // Returns the previous step.
    int SetStep(int nStep);
    // SetPos(GetPos() + step), without wrapping at the upper limit; returns the previous position.
    int StepIt();
    int GetPos() const { return m_nPos; }

    // Colours: an invalid QColor (the default) stands for the palette's colour, which is
    // Highlight for the bar, Base for the background, and for the text the background colour
    // over the fill and the bar colour over the rest. Each setter returns the previous value
    // and repaints.
    QColor SetBarColor(const QColor& crBar);
    QColor SetBkColor(const QColor& crBk);
    QColor SetTextColor(const QColor& crText);
    QColor GetBarColor() const { return m_crBar; }
    QColor GetBkColor() const { return m_crBk; }
    QColor GetTextColor() const { return m_crText; }

    // Switches all text drawing on or off; returns the previous setting.
    bool SetShowText(bool bShow);
    bool IsTextShown() const { return m_bShowText; }

    // A finished text drawn instead of the percentage; an empty text brings the percentage
    // back. A '%' in it is shown as is. Setting the text it already has does not repaint.
    void SetText(const QString& strText);
    QString GetText() const { return m_strText; }
    // The text drawn across the bar now: the owner's text or the percentage; empty when no text
    // is drawn at all.
    QString ShownText() const;

    // Horizontal bars fill from the left and carry the text; vertical bars fill from the
    // bottom and carry no text.
    void SetOrientation(Qt::Orientation orientation);
    Qt::Orientation GetOrientation() const { return m_orientation; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;

private:
    // The colours to paint with, defaults resolved against the palette.
    QColor EffectiveBarColor() const;
    QColor EffectiveBkColor() const;

    QColor m_crText; // invalid: the inverse of the part the text lies over
    int m_nPos = 0;
    int m_nStep = 1;
    int m_nMax = 100;
    int m_nMin = 0;
    QString m_strText; // empty: show the percentage
    bool m_bShowText = true;
    int m_nBarExtent = -1; // filled width at the last position change; -1 forces a repaint
    QColor m_crBar;        // invalid: palette Highlight
    QColor m_crBk;         // invalid: palette Base
    Qt::Orientation m_orientation = Qt::Horizontal;
};

} // namespace vantoro
