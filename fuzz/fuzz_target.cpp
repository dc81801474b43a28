// libFuzzer entry of every target: any broken promise stops the run with its description and the
// input saved. The build names the check (VANTORO_FUZZ_CHECK) and its header per target.
#include VANTORO_FUZZ_HEADER

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::string strFault = vantoro::VANTORO_FUZZ_CHECK(pData, nSize);
    if (!strFault.empty()) {
        std::fprintf(stderr, "fault: %s\n", strFault.c_str());
        std::abort();
    }
    return 0;
}
