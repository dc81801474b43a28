#include "platform/installregistry.h"

#include "platform/cinstallpath.h"

namespace vantoro {

const char kInstallIniPath[] = "/etc/Quentar/Proms/Install.ini";

bool ReadInstallRegistry(const std::string&, std::string&) {
    return false; // no registry: the installer's note is a file
}

} // namespace vantoro
