#pragma once

#include "sim/simoptions.h"

#include <string>

namespace vantoro {

// Seconds for a complete update of strFile by the update engine and its listener thread against
// simulated equipment, from power-on to the last reply handled; negative when it did not
// complete.
double TimeEngineUpdate(const SimOptions& options, const std::string& strFile);

// Seconds for the same exchange done the plainest way: one thread, blocking write of a record,
// blocking read of its one-byte reply, against the same simulated equipment.
double TimeLockStep(const std::string& strFile, const SimOptions& options = SimOptions{});

} // namespace vantoro
