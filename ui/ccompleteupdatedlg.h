#pragma once

#include "ui/ctemplatedialog.h"

namespace vantoro {

// "Complete the Update ?": asked when the window is closed while the equipment is being
// programmed. Yes (accepted) keeps the update going; No, Escape and the close box close.
class CCompleteUpdateDlg : public CTemplateDialog {
    Q_OBJECT
public:
    explicit CCompleteUpdateDlg(QWidget* pParent = nullptr);
};

} // namespace vantoro
