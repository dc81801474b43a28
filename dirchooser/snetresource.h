#pragma once

#include <string>

namespace vantoro {

// How a network place presents itself; the chooser's picture for it is this value + 7.
enum NetDisplayType : int {
    NetDisplayGeneric = 0,
    NetDisplayDomain = 1,
    NetDisplayServer = 2,
    NetDisplayShare = 3,
    NetDisplayFile = 4,
    NetDisplayGroup = 5,
    NetDisplayNetwork = 6,
    NetDisplayRoot = 7
};

// One network place as a network source reports it. The chooser keeps its own copy for every
// browsable container (server, domain ...) it shows; shares are shown as folders instead.
struct SNetResource {
    int nScope = 0;
    int nType = 0;
    int nDisplayType = NetDisplayGeneric;
    int nUsage = 0;
    // Where the place is reachable on this machine: for a share, its mount point.
    std::string strLocalName;
    // The place's network name: "//server" for a server, "//server/share" for a share.
    std::string strRemoteName;
    std::string strComment;
    std::string strProvider;
};

} // namespace vantoro
