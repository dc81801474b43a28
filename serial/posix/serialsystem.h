#pragma once

// Types the private parts of the port classes use on Linux.
#include "serial/cfiledescriptor.h"
#include "serial/posix/linetermios.h"

#include <sys/types.h>
