// How fast a whole update runs through a pseudo-terminal: the engine with its listener thread
// against a minimal lock-step loop, and a paced line against its theoretical time.
#include "lockstep.h"
#include "updaterig.h"

#include <algorithm>
#include <cstdio>

using namespace vantoro;

int main() {
    const int nRecords = 4000;
    const std::string strFile = MakeSRecordFile(nRecords - 1, 16);

    // Best of three for each, taken in turns so that both see the same machine load; the paced
    // figures are the best of two.
    double dEngine = 1e9;
    double dLockStep = 1e9;
    for (int i = 0; i < 3; ++i) {
        dEngine = std::min(dEngine, TimeEngineUpdate(SimOptions{}, strFile));
        dLockStep = std::min(dLockStep, TimeLockStep(strFile));
    }
    if (dEngine <= 0 || dLockStep <= 0) {
        std::fprintf(stderr, "bench_update: an update did not complete\n");
        return 1;
    }
    std::printf("update_records_per_second: %.0f\n", nRecords / dEngine);
    std::printf("lockstep_records_per_second: %.0f\n", nRecords / dLockStep);
    std::printf("update_vs_lockstep_ratio: %.3f\n", dLockStep / dEngine);

    // Paced at 57600 baud, 10 bits a byte: every byte each way, detection to the last reply.
    const int nBaud = 57600;
    const int nPacedRecords = 300;
    const std::string strPaced = MakeSRecordFile(nPacedRecords - 1, 16);
    SimOptions paced;
    paced.nBaud = nBaud;
    double dPaced = 1e9;
    double dPacedLockStep = 1e9;
    for (int i = 0; i < 2; ++i) {
        dPaced = std::min(dPaced, TimeEngineUpdate(paced, strPaced));
        dPacedLockStep = std::min(dPacedLockStep, TimeLockStep(strPaced, paced));
    }
    if (dPaced <= 0 || dPacedLockStep <= 0) {
        std::fprintf(stderr, "bench_update: the paced update did not complete\n");
        return 1;
    }
    const std::size_t nLineBytes = paced.strDetect.size() + paced.strHandshake.size() + 1 +
                                   strPaced.size() + static_cast<std::size_t>(nPacedRecords);
    const double dLine = static_cast<double>(nLineBytes) * 10.0 / nBaud;
    std::printf("paced_lockstep_seconds: %.3f\n", dPacedLockStep);
    std::printf("paced_update_seconds: %.3f\n", dPaced);
    std::printf("paced_line_seconds: %.3f\n", dLine);
    std::printf("paced_vs_line_ratio: %.4f\n", dPaced / dLine);
    return 0;
}
