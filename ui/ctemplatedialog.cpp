#include "ui/ctemplatedialog.h"

#include <QVariant>

namespace vantoro {

CTemplateDialog::CTemplateDialog(QWidget* pParent, const QString& strCaption, int nWidthUnits,
                                 int nHeightUnits)
    : QDialog(pParent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_units(CDialogUnits::DialogFont()) {
    setFont(CDialogUnits::DialogFont());
    setWindowTitle(strCaption);
    setFixedSize(m_units.ToPixels(nWidthUnits, nHeightUnits));
}

void CTemplateDialog::PlaceControl(QWidget* pControl, int nId, int x, int y, int cx, int cy) {
    pControl->setParent(this);
    pControl->setGeometry(m_units.ToPixels(x, y, cx, cy));
    if (nId != 0)
        pControl->setProperty(kControlIdProperty, nId);
}

QWidget* CTemplateDialog::Control(int nId) const {
    return FindControl(this, nId);
}

QWidget* CTemplateDialog::FindControl(const QWidget* pRoot, int nId) {
    const auto children = pRoot->findChildren<QWidget*>();
    for (QWidget* pChild : children) {
        const QVariant id = pChild->property(kControlIdProperty);
        if (id.isValid() && id.toInt() == nId)
            return pChild;
    }
    return nullptr;
}

} // namespace vantoro
