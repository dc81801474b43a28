#include "serial/serialcontract.h"

#include "serial/serialtypes.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace vantoro {

namespace {

std::mutex& HandlerMutex() {
    static std::mutex mutex;
    return mutex;
}

ContractViolationHandler& Handler() {
    static ContractViolationHandler handler;
    return handler;
}

} // namespace

void SetContractViolationHandler(ContractViolationHandler handler) {
    std::lock_guard<std::mutex> lock(HandlerMutex());
    Handler() = std::move(handler);
}

void ReportTimeoutContractViolation() {
    const std::string caption = "Serial library";
    const std::string text = "Timeouts are not supported, when SERIAL_NO_CANCELIO is defined";
    ContractViolationHandler handler;
    {
        std::lock_guard<std::mutex> lock(HandlerMutex());
        handler = Handler();
    }
    if (handler)
        handler(caption, text);
    else
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(nullptr);
    // Ends at once, as the process would on the system the contract comes from: no static
    // destructors run under threads that may still be using the port.
    std::_Exit(kContractExitCode);
}

void CheckTimeoutContract(std::uint32_t nTimeout) {
    if (nTimeout != 0 && nTimeout != INFINITE)
        ReportTimeoutContractViolation();
}

} // namespace vantoro
