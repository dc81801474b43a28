#pragma once

#include <string>
#include <vector>

namespace vantoro {

// Kind of a drive, which picks its picture in the chooser.
enum DriveType : int {
    DriveRemovable = 2,
    DriveFixed = 3,
    DriveRemote = 4,
    DriveCdrom = 5,
    DriveRamdisk = 6
};

// One top-level place of the directory chooser: an absolute folder, shown by its path.
struct SDriveEntry {
    std::string strRoot; // absolute path, without a trailing '/' except for "/" itself
    int nType = DriveFixed;
};

// Lists the drives the directory chooser shows above "Network Neighborhood".
class IDriveSource {
public:
    virtual ~IDriveSource() = default;
    virtual std::vector<SDriveEntry> ListDrives() = 0;
};

} // namespace vantoro
