#pragma once

#include "catalogue/ctarget.h"

#include <string>
#include <vector>

// Which file names a model takes, in words a technician can act on when none are found.
namespace vantoro {

// The name patterns the software search uses for the selected model of pTarget (from its file
// filter, "All Files" left out), e.g. {"st24v???.s19"}.
std::vector<std::string> SoftwarePatterns(const CTarget& target);

// The patterns joined with " or ".
std::string SoftwarePatternText(const CTarget& target);

// "No Software Found in DIR: Saltir 24 takes files named st24v???.s19", for the log and the
// command line when the search found nothing.
std::string NoSoftwareText(const CTarget& target);

} // namespace vantoro
