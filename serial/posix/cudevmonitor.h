#pragma once

#include <memory>

namespace vantoro {

// Hears udev announce tty devices coming and going, so a port list can follow the cables. The
// descriptor becomes readable when announcements wait; any event loop can poll it.
class CUdevMonitor {
public:
    CUdevMonitor();
    ~CUdevMonitor();
    CUdevMonitor(const CUdevMonitor&) = delete;
    CUdevMonitor& operator=(const CUdevMonitor&) = delete;

    // False when udev cannot be listened to (no udev in a container, say): nothing will come.
    bool IsValid() const;
    int Fd() const;
    // Reads every waiting announcement; true when a tty device was added, removed or moved.
    bool TakeTtyChanges();

private:
    struct State; // keeps libudev out of the header
    std::unique_ptr<State> m_pState;
};

} // namespace vantoro
