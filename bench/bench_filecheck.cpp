// The file check's cost beside what Start already does with a file (open and count it), and its
// memory on a gigabyte without a line feed. Figures as "name: value".
#include "srecord/cfilecheck.h"
#include "update/ccodefile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vantoro;

namespace {

using Clock = std::chrono::steady_clock;

// A good file of S3 records with 32 data bytes each, about nBytes long.
void WriteCodeFile(const std::string& strPath, std::size_t nBytes) {
    std::FILE* pFile = std::fopen(strPath.c_str(), "wb");
    std::fputs("S00600004844521B\n", pFile);
    std::size_t nWritten = 0;
    for (std::uint32_t nAddress = 0; nWritten < nBytes; nAddress += 32) {
        unsigned nSum = 37;
        char szLine[96];
        int n = std::snprintf(szLine, sizeof szLine, "S325%08X", nAddress);
        for (int i = 0; i < 4; ++i)
            nSum += (nAddress >> (8 * i)) & 0xFF;
        for (int i = 0; i < 32; ++i) {
            const unsigned nByte = (nAddress / 32 + static_cast<unsigned>(i)) & 0xFF;
            nSum += nByte;
            n += std::snprintf(szLine + n, sizeof szLine - static_cast<std::size_t>(n), "%02X",
                               nByte);
        }
        std::snprintf(szLine + n, sizeof szLine - static_cast<std::size_t>(n), "%02X\n",
                      ~nSum & 0xFF);
        std::fputs(szLine, pFile);
        nWritten += static_cast<std::size_t>(n) + 3;
    }
    std::fputs("S70500000000FA\n", pFile);
    std::fclose(pFile);
}

// Best of five, in seconds.
template <typename Fn> double Best(Fn fn) {
    double dBest = 1e9;
    for (int i = 0; i < 5; ++i) {
        const Clock::time_point start = Clock::now();
        fn();
        dBest = std::min(dBest, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return dBest;
}

// Peak resident memory of a child that checks the file and nothing else, in kB.
long CheckInChildRssKb(const std::string& strPath) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        CFileVerdict verdict;
        std::string strError;
        ::_exit(CFileCheck::CheckFile(strPath, verdict, strError) && verdict.HasErrors() ? 0 : 1);
    }
    int nStatus = 0;
    rusage usage{};
    if (pid < 0 || ::wait4(pid, &nStatus, 0, &usage) != pid || !WIFEXITED(nStatus) ||
        WEXITSTATUS(nStatus) != 0)
        return -1;
    return usage.ru_maxrss;
}

} // namespace

int main() {
    char szFolder[] = "/tmp/vantoro-bench-XXXXXX";
    if (!::mkdtemp(szFolder))
        return 1;
    const std::string strFile = std::string(szFolder) + "/code.s19";
    const std::string strHuge = std::string(szFolder) + "/huge.s19";
    WriteCodeFile(strFile, 16u << 20);

    CCodeFile codeFile;
    const double dRead = Best([&] {
        codeFile.OpenAndCount(strFile);
        codeFile.CloseIfOpen();
    });
    bool bGood = true;
    const double dCheck = Best([&] {
        CFileVerdict verdict;
        std::string strError;
        bGood = CFileCheck::CheckFile(strFile, verdict, strError) && !verdict.HasErrors();
    });
    std::printf("file_check_16mb_read_s: %.3f\n", dRead);
    std::printf("file_check_16mb_check_s: %.3f\n", dCheck);
    std::printf("file_check_16mb_vs_read_ratio: %.2f\n", dCheck / dRead);

    const int fd = ::open(strHuge.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const bool bSparse = fd >= 0 && ::ftruncate(fd, 1LL << 30) == 0;
    if (fd >= 0)
        ::close(fd);
    const long nRssKb = bSparse ? CheckInChildRssKb(strHuge) : -1;
    std::printf("check_1gb_one_line_rss_kb: %ld\n", nRssKb);

    std::remove(strFile.c_str());
    std::remove(strHuge.c_str());
    ::rmdir(szFolder);
    return bGood && nRssKb > 0 ? 0 : 1;
}
