#pragma once

#include "updaterig.h"

#include <string>

namespace vantoro {

// The hardening tests and the soak benchmark drive the same rig as the end-to-end tests.
using CHardRig = CUpdateRig;

// What the process holds at one moment, read from /proc/self.
struct ProcessSample {
    int nDescriptors = 0; // open descriptors, the simulators' pseudo-terminal masters left out
    int nThreads = 0;
    long nRssKb = 0;  // VmRSS
    long nPeakKb = 0; // VmHWM
};
ProcessSample SampleProcess();

// How one update with the equipment hanging up at a given byte ended.
struct HangupOutcome {
    bool bAsDocumented = false;
    bool bNoLeak = false;
    std::string strWhy; // what went wrong, empty when both hold
};

// One update of strFile with the simulator hanging up when nByte bytes have arrived (counting
// the handshake text), taken to its documented end and back to Idle with Cancel: a hang-up
// during the handshake leaves the engine waiting for 'F' until Cancel; a later one ends in the
// reply time-out at the record being sent. Also checks that no descriptor or thread is left.
HangupOutcome RunHangupUpdate(CUpdateRig& rig, const std::string& strFile, long long nByte);

} // namespace vantoro
