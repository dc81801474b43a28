// libFuzzer entry: any broken promise stops the run with its description and the input saved.
#include "fuzz/checks/clicheck.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::string strFault = vantoro::CheckCliInput(pData, nSize);
    if (!strFault.empty()) {
        std::fprintf(stderr, "fault: %s\n", strFault.c_str());
        std::abort();
    }
    return 0;
}
