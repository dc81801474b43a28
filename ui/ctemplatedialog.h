#pragma once

#include <QDialog>

#include "ui/cdialogunits.h"

namespace vantoro {

// A dialog laid out like a resource template: its size and every control's rectangle are given
// in dialog units of the template font and converted to pixels here.
class CTemplateDialog : public QDialog {
    Q_OBJECT
public:
    // Name of the dynamic property that carries a control's resource ID.
    static constexpr const char* kControlIdProperty = "controlId";

    CTemplateDialog(QWidget* pParent, const QString& strCaption, int nWidthUnits, int nHeightUnits);

    const CDialogUnits& Units() const { return m_units; }

    // Puts pControl at its template rectangle and tags it with its resource ID (0: none).
    void PlaceControl(QWidget* pControl, int nId, int x, int y, int cx, int cy);

    // The child control tagged with nId, or null.
    QWidget* Control(int nId) const;

    // The same look-up for any widget tree built with PlaceControl.
    static QWidget* FindControl(const QWidget* pRoot, int nId);

private:
    CDialogUnits m_units;
};

} // namespace vantoro
