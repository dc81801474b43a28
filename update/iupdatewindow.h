#pragma once

#include "srecord/cfileverdict.h"
#include "update/logcategory.h"

#include <string>

namespace vantoro {

// Where the engine may park the keyboard focus.
enum class UpdateFocus {
    Start,  // button 1010
    Cancel, // button 1038
    Hidden, // the invisible button 1044, used while records are being sent
};

// What the update engine needs from the window that shows it; any front end (the main window,
// a test, a command-line driver) implements it. Every text is finished: shown exactly as given,
// a "%" in it is never interpreted.
class IUpdateWindow {
public:
    virtual ~IUpdateWindow() = default;

    virtual void SetStatusText(const std::string& strText) = 0; // Status line 1008
    virtual void SetActionText(const std::string& strText) = 0; // Action line 1037

    virtual void SetProgressPos(int nPercent) = 0;                // bar position, 0 to 100
    virtual void SetProgressText(const std::string& strText) = 0; // text drawn on the bar

    virtual void SetStartCaption(const std::string& strCaption) = 0; // "&Start", "&Update", "&Done"
    virtual void EnableStart(bool bEnable) = 0;
    virtual void EnableCancel(bool bEnable) = 0;
    virtual void SetFocusTo(UpdateFocus focus) = 0;

    // The seven selection controls: Software list, Com Port list, Product list, Model list,
    // "File...", "Directory..." and the Directory edit, all at once.
    virtual void EnableSelectionControls(bool bEnable) = 0;

    // One log line; the window adds the time stamp and applies its filter.
    virtual void LogEvent(LogCategory category, const std::string& strText) = 0;

    // Index selected in the Software list, -1 when nothing is selected.
    virtual int GetSelectedSoftware() const = 0;

    // Refills the Software list and writes the idle Status and Action texts; may disable Start.
    virtual void RefreshSoftware() = 0;

    // Asked at Start, before anything else happens, when the file check found errors in the
    // code file: true sends it all the same ("Update Anyway"), false ends the cycle as Cancel
    // does. A front end that decided before the cycle began (the command line refuses such a
    // file unless told to send it) keeps this answer.
    virtual bool AcceptFileWithErrors(const std::string& /*strPath*/,
                                      const CFileVerdict& /*verdict*/) {
        return true;
    }
};

} // namespace vantoro
