// vantoro-target-sim: the equipment's boot loader on a pseudo-terminal, for tests and demos.
#include "sim/ctargetsimulator.h"
#include "sim/simoptions.h"

#include <csignal>
#include <cstdio>
#include <iostream>
#include <pthread.h>
#include <string>
#include <thread>

using namespace vantoro;

namespace {

// Signals are taken by one thread with sigwait, so no handler ever runs inside the simulator.
void WatchSignals(CTargetSimulator& simulator, sigset_t signals) {
    for (;;) {
        int nSignal = 0;
        if (sigwait(&signals, &nSignal) != 0) {
            continue;
        }
        if (nSignal == SIGUSR1) {
            simulator.PowerOn();
        } else if (nSignal == SIGUSR2) {
            simulator.PowerOff();
        } else {
            simulator.Stop();
            return;
        }
    }
}

void WatchInput(CTargetSimulator& simulator) {
    std::string strLine;
    while (std::getline(std::cin, strLine)) {
        if (strLine == "on") {
            simulator.PowerOn();
        } else if (strLine == "off") {
            simulator.PowerOff();
        } else if (strLine == "quit") {
            simulator.Stop();
            return;
        } else if (!strLine.empty()) {
            std::fprintf(stderr, "vantoro-target-sim: unknown command: %s\n", strLine.c_str());
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    SimOptions options;
    bool bHelp = false;
    std::string strError;
    if (!ParseSimOptions(args, options, bHelp, strError)) {
        std::fprintf(stderr, "vantoro-target-sim: %s\nTry --help.\n", strError.c_str());
        return 2;
    }
    if (bHelp) {
        std::fputs(SimUsage().c_str(), stdout);
        return 0;
    }

    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGUSR1);
    sigaddset(&signals, SIGUSR2);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    CTargetSimulator simulator(options);
    if (!simulator.Open(strError)) {
        std::fprintf(stderr, "vantoro-target-sim: %s\n", strError.c_str());
        return 1;
    }
    std::printf("pty: %s\n", simulator.GetDevicePath().c_str());
    if (!options.strLinkFolder.empty()) {
        std::printf("link: %s/com%d\n", options.strLinkFolder.c_str(), options.nLinkCom);
    }
    std::fflush(stdout);

    std::thread(WatchSignals, std::ref(simulator), signals).detach();
    std::thread(WatchInput, std::ref(simulator)).detach();
    const int nResult = simulator.Run();
    if (simulator.GetState() == CTargetSimulator::Done) {
        std::printf("done: %d records\n", simulator.GetRecordsReceived());
    } else if (simulator.GetState() == CTargetSimulator::HungUp) {
        std::printf("hung up at record %d\n", simulator.GetRecordsReceived());
    }
    std::fflush(stdout);
    return nResult;
}
