#pragma once

#include "serial/cnetsocket.h"

namespace vantoro {

// Waits up to nMillis (negative: no limit) until the socket has bytes or its end to read
// (bWrite false) or room to send; bFailed tells a connection that failed meanwhile. The count
// of ready sockets (0 when the time ran out), or SOCKET_ERROR.
int SelectOne(NativeSocket nSocket, bool bWrite, long nMillis, bool& bFailed);

} // namespace vantoro
