#pragma once

#include "ui/ctemplatedialog.h"
#include "update/updateengine.h"

namespace vantoro {

// "Complete the Update ?": asked when the window is closed while the equipment is being
// programmed. Yes (accepted) keeps the update going; only No closes. Escape and the close box
// are everyone's "never mind", so they leave the update going as Yes does: stopping is the one
// answer that may leave the hardware unusable, and it takes the button that says so.
class CCompleteUpdateDlg : public CTemplateDialog {
    Q_OBJECT
public:
    // Asked while the update is in state nAsked.
    explicit CCompleteUpdateDlg(QWidget* pParent = nullptr, UpdateState nAsked = Idle);

    void reject() override; // Escape and the close box
    // The update is now in state nState. The question warns of an update in progress: once that
    // has ended (or failed) under it, it answers Yes for the person, so that the window shows
    // how the update ended. Nothing closes the window this way; that needs No.
    void FollowUpdate(UpdateState nState);

private:
    UpdateState m_nAsked;
};

} // namespace vantoro
