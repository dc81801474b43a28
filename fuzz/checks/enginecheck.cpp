#include "fuzz/checks/enginecheck.h"

#include "fuzz/checks/cenginefuzzrig.h"

namespace vantoro {

std::string CheckEngineInput(const std::uint8_t* pData, std::size_t nSize) {
    return CEngineFuzzRig::Instance().Run(pData, nSize);
}

} // namespace vantoro
