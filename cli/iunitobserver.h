#pragma once

#include "cli/cunitresult.h"

#include <string>

namespace vantoro {

class CUpdateUnit;

// Who hears what a unit shows: the texts its window would show, and each finished unit.
class IUnitObserver {
public:
    virtual ~IUnitObserver() = default;
    // pszKind: "status", "action", "progress" or "log".
    virtual void OnUnitText(const CUpdateUnit& unit, const char* pszKind,
                            const std::string& strText) = 0;
    virtual void OnUnitFinished(const CUpdateUnit& unit, const CUnitResult& result) = 0;
};

} // namespace vantoro
