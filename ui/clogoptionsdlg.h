#pragma once

#include <array>

#include "ui/ctemplatedialog.h"

class QCheckBox;

namespace vantoro {

class ILogOptionsOwner;

// "Log Options": switches logging on or off and chooses the categories that are logged; the
// choice is applied to the owner on OK only.
class CLogOptionsDlg : public CTemplateDialog {
    Q_OBJECT
public:
    static constexpr int kIdEnableLogging = 1039;

    CLogOptionsDlg(ILogOptionsOwner& owner, QWidget* pParent);

    QCheckBox* EnableBox() const { return m_pEnable; }
    // The box of one category bit (0x01 ... 0x10), or null.
    QCheckBox* CategoryBox(int nCategory) const;

    void accept() override;

private:
    void OnEnableClicked();

    struct CategoryRow {
        int nCategory;
        QCheckBox* pBox;
    };

    ILogOptionsOwner& m_owner;
    QCheckBox* m_pEnable;
    std::array<CategoryRow, 5> m_categories{};
};

} // namespace vantoro
