#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vantoro {

// Shows the fatal text of a broken serial time-out contract; the front end installs one that
// opens a message box. The process ends after it returns.
using ContractViolationHandler =
    std::function<void(const std::string& strCaption, const std::string& strText)>;

// Installs the handler (an empty one restores the default: standard error).
void SetContractViolationHandler(ContractViolationHandler handler);

// Shows "Serial library" / "Timeouts are not supported, ..." and ends the process with
// kContractExitCode. Used when a transfer or wait is given a time-out other than 0 or INFINITE.
[[noreturn]] void ReportTimeoutContractViolation();

// The check every transfer and wait makes first: any time-out but 0 and INFINITE ends there.
void CheckTimeoutContract(std::uint32_t nTimeout);

} // namespace vantoro
