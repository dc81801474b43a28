#pragma once

#include <string>
#include <vector>

namespace vantoro {

// One line of the kernel's mount table.
struct SMountEntry {
    std::string strDevice;     // what is mounted: "/dev/sdb1", "//server/share", "host:/export"
    std::string strMountPoint; // where, with the table's octal escapes decoded
    std::string strType;       // file system type: "ext4", "cifs", "nfs4", "fuse.sshfs" ...
};

// Reads the mount table in the kernel's text form (/proc/mounts, fstab layout).
class CMountTable {
public:
    // Parses the table's text; lines with fewer than three fields are skipped.
    static std::vector<SMountEntry> Parse(const std::string& strText);
    // Reads and parses the file at strPath; false when it cannot be read.
    static bool Read(const std::string& strPath, std::vector<SMountEntry>& entries);
    // Decodes the table's "\ooo" escapes (space, tab, newline and backslash in names).
    static std::string Unescape(const std::string& strField);
    // Whether a file system type reaches another machine over the network.
    static bool IsNetworkType(const std::string& strType);
    // Splits a network file system's device into its server and the path on that server
    // ("//fs1/public/x" gives "fs1" and "public/x"; "fs1:/export" gives "fs1" and "/export").
    static bool SplitNetworkDevice(const std::string& strType, const std::string& strDevice,
                                   std::string& strServer, std::string& strPath);
};

} // namespace vantoro
