#pragma once

#include "settings/capppaths.h"

#include <map>
#include <string>

namespace vantoro::test {

// An environment of exactly these variables.
inline EnvironmentLookup FakeEnvironment(std::map<std::string, std::string> values) {
    return [values](const std::string& strName, std::string& strValue) {
        auto it = values.find(strName);
        if (it == values.end())
            return false;
        strValue = it->second;
        return true;
    };
}

} // namespace vantoro::test
