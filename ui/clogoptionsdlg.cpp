#include "ui/clogoptionsdlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "ui/ilogoptionsowner.h"

namespace vantoro {

namespace {

struct CategoryTemplate {
    int nCategory;
    int nId;
    const char* pszText;
    int y;
    int cx;
    int cy;
};

constexpr std::array<CategoryTemplate, 5> kCategoryTemplates{{
    {0x01, 1030, "Application", 60, 95, 12},
    {0x02, 1033, "System", 80, 82, 13},
    {0x04, 1034, "High Level Comms", 101, 91, 13},
    {0x08, 1041, "Low Level Comms", 122, 87, 10},
    {0x10, 1035, "Debug", 140, 97, 10},
}};

} // namespace

CLogOptionsDlg::CLogOptionsDlg(ILogOptionsOwner& owner, QWidget* pParent)
    : CTemplateDialog(pParent, QStringLiteral("Log Options"), 186, 167), m_owner(owner) {
    auto* pOk = new QPushButton(QStringLiteral("&OK"));
    PlaceControl(pOk, 1, 129, 7, 50, 14);
    pOk->setDefault(true);
    auto* pCancel = new QPushButton(QStringLiteral("&Cancel"));
    PlaceControl(pCancel, 2, 129, 26, 50, 14);
    m_pEnable = new QCheckBox(QStringLiteral("Enable Logging"));
    PlaceControl(m_pEnable, kIdEnableLogging, 24, 14, 79, 13);
    PlaceControl(new QLabel(QStringLiteral("Messages To Log:")), 0, 34, 40, 76, 8);
    for (std::size_t i = 0; i < kCategoryTemplates.size(); ++i) {
        const CategoryTemplate& row = kCategoryTemplates[i];
        auto* pBox = new QCheckBox(QString::fromLatin1(row.pszText));
        PlaceControl(pBox, row.nId, 24, row.y, row.cx, row.cy);
        m_categories[i] = {row.nCategory, pBox};
    }
    // Tab order follows the template: OK, Cancel, Enable Logging, then the categories.
    setTabOrder(pOk, pCancel);
    setTabOrder(pCancel, m_pEnable);
    QWidget* pPrevious = m_pEnable;
    for (const CategoryRow& row : m_categories) {
        setTabOrder(pPrevious, row.pBox);
        pPrevious = row.pBox;
    }

    connect(pOk, &QPushButton::clicked, this, &CLogOptionsDlg::accept);
    connect(pCancel, &QPushButton::clicked, this, &CLogOptionsDlg::reject);
    connect(m_pEnable, &QCheckBox::clicked, this, &CLogOptionsDlg::OnEnableClicked);

    const int nMask = m_owner.GetLogFlags();
    const bool bOn = m_owner.IsLoggingEnabled();
    m_pEnable->setChecked(bOn);
    for (const CategoryRow& row : m_categories) {
        row.pBox->setEnabled(bOn);
        // Greyed boxes still show the mask, so switching logging back on restores it.
        row.pBox->setChecked((nMask & row.nCategory) != 0);
    }
}

QCheckBox* CLogOptionsDlg::CategoryBox(int nCategory) const {
    for (const CategoryRow& row : m_categories) {
        if (row.nCategory == nCategory)
            return row.pBox;
    }
    return nullptr;
}

void CLogOptionsDlg::OnEnableClicked() {
    const bool bOn = m_pEnable->isChecked();
    for (const CategoryRow& row : m_categories)
        row.pBox->setEnabled(bOn);
}

void CLogOptionsDlg::accept() {
    QDialog::accept();
    int nMask = 0;
    for (const CategoryRow& row : m_categories) {
        if (row.pBox->checkState() != Qt::Unchecked)
            nMask |= row.nCategory;
    }
    m_owner.SetLogFlags(nMask);
    m_owner.SetLogging(m_pEnable->isChecked());
}

} // namespace vantoro
