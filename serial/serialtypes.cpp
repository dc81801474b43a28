#include "serial/serialtypes.h"

#include "platform/cmessageregistry.h"

namespace vantoro {

std::uint32_t SerialDefaultComMessage() {
    static const std::uint32_t number =
        CMessageRegistry::Instance().RegisterMessage(kSerialDefaultMessageName);
    return number;
}

} // namespace vantoro
