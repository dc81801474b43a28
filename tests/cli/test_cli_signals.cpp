// A unit whose line stops taking bytes must hold up nobody: the other units finish, and Ctrl-C,
// SIGTERM and SIGHUP end the run at once with every unit's line in the report, every port free
// again and the status a shell gives for the signal.
#include "clirig.h"
#include "integration/cstallingdevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <unistd.h>
#include <vector>

using namespace vantoro;

namespace {

// S1 records of 250 data bytes: longer than the slack a full pseudo-terminal still has.
std::string LongRecords(int nRecords) {
    std::string strFile;
    char szHex[3];
    for (int n = 0; n < nRecords; ++n) {
        std::vector<unsigned> bytes = {253, static_cast<unsigned>(n * 250) >> 8 & 0xFF,
                                       static_cast<unsigned>(n * 250) & 0xFF};
        bytes.resize(253, static_cast<unsigned>(n));
        unsigned nSum = 0;
        strFile += "S1";
        for (unsigned nByte : bytes) {
            nSum += nByte;
            std::snprintf(szHex, sizeof szHex, "%02X", nByte);
            strFile += szHex;
        }
        std::snprintf(szHex, sizeof szHex, "%02X", ~nSum & 0xFF);
        strFile += std::string(szHex) + "\n";
    }
    return strFile + "S9030000FC\n";
}

std::string ReportLineFor(const CCliRig& rig, int nPort) {
    for (const std::string& strLine : LinesOf(test::ReadTextFile(rig.Folder() + "report"))) {
        if (strLine.find("," + std::to_string(nPort) + ",/") != std::string::npos)
            return strLine;
    }
    return {};
}

} // namespace

TEST(CliStalledLine, NeverDelaysAnotherUnitAndSignalsEndTheRunAtOnce) {
    const struct {
        const char* pszName;
        int nSignal;
        int nStatus;
    } kCases[] = {{"CtrlC", SIGINT, 130}, {"Terminate", SIGTERM, 143}, {"HangUp", SIGHUP, 129}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.pszName);
        CCliRig rig;
        rig.WriteSettings();
        test::WriteTextFile(rig.Code() + "st24v104.s19", LongRecords(20));
        SimOptions paced;
        paced.nReplyDelayMs = 10;
        CTargetSimulator& other = rig.AddSim(6, paced);
        CStallingDevice stalled(rig.DosDevices() + "/com5", true);
        ASSERT_TRUE(stalled.IsValid());
        rig.Start(CCliRig::Update({"--dir", rig.Code(), "--port", "5", "--port", "6", "--timeout",
                                   "60", "--report", rig.Folder() + "report"}));
        ASSERT_TRUE(Within(10000, [&] {
            return !CanTakePort(stalled.SlavePath()) && !CanTakePort(other.GetDevicePath());
        })) << "the ports were not opened";
        stalled.PowerOn();
        ASSERT_TRUE(Within(10000, [&] { return stalled.IsStalled(); }));
        other.PowerOn();
        const bool bOtherDone = Within(
            10000, [&] { return ReportLineFor(rig, 6).find(",completed") != std::string::npos; });
        if (!bOtherDone)
            stalled.Release(); // a blocked program goes on and ends, leaving nothing behind
        ASSERT_TRUE(bOtherDone) << "COM 6 did not complete while COM 5 was stalled\n"
                                << rig.Output();
        EXPECT_TRUE(ReportLineFor(rig, 5).empty());

        const CCliRig::Result result = rig.Signal(c.nSignal, 5000);
        EXPECT_EQ(result.nStatus, c.nStatus) << result.strErr;
        EXPECT_NE(ReportLineFor(rig, 5).find(",interrupted"), std::string::npos)
            << test::ReadTextFile(rig.Folder() + "report");
        EXPECT_TRUE(CanTakePort(stalled.SlavePath()));
        EXPECT_TRUE(CanTakePort(other.GetDevicePath()));
    }
}
