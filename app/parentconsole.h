#pragma once

namespace vantoro {

// Lets a windowed program answer --help and --version in the console it was started from.
// Where a program's standard output always reaches its caller this does nothing.
void AttachParentConsole();

} // namespace vantoro
