#include "app/parentconsole.h"

namespace vantoro {

// A program here always has the standard streams its caller gave it.
void AttachParentConsole() {}

} // namespace vantoro
