#pragma once

#include "ui/ctemplatedialog.h"

namespace vantoro {

// "Complete the Update ?": asked when the window is closed while the equipment is being
// programmed. Yes (accepted) keeps the update going; only No closes. Escape and the close box
// are everyone's "never mind", so they leave the update going as Yes does: stopping is the one
// answer that may leave the hardware unusable, and it takes the button that says so.
class CCompleteUpdateDlg : public CTemplateDialog {
    Q_OBJECT
public:
    explicit CCompleteUpdateDlg(QWidget* pParent = nullptr);

    void reject() override; // Escape and the close box
};

} // namespace vantoro
