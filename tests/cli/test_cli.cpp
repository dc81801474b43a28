// vantoro-cli as a bench uses it: many units side by side, faults on some, repeated power
// cycles, Ctrl-C, the report file, argument errors and the port list.
#include "clirig.h"
#include "serial/comportdiscovery.h"
#include "serial/comportnames.h"
#include "session/ccomportlist.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <sys/file.h>
#include <unistd.h>

using namespace vantoro;

namespace {

std::vector<std::string> SplitCsv(const std::string& strLine) {
    std::vector<std::string> fields(1);
    bool bQuoted = false;
    for (std::size_t i = 0; i < strLine.size(); ++i) {
        const char c = strLine[i];
        if (bQuoted && c == '"' && i + 1 < strLine.size() && strLine[i + 1] == '"') {
            fields.back() += '"';
            ++i;
        } else if (c == '"') {
            bQuoted = !bQuoted;
        } else if (c == ',' && !bQuoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::string Sha256Of(const std::string& strPath) {
    std::string strCommand = "sha256sum '" + strPath + "'";
    std::FILE* pPipe = ::popen(strCommand.c_str(), "r");
    char szHex[65] = {};
    if (!pPipe || std::fread(szHex, 1, 64, pPipe) != 64)
        szHex[0] = '\0';
    if (pPipe)
        ::pclose(pPipe);
    return szHex;
}

std::vector<std::string> ReportLines(const CCliRig& rig) {
    return LinesOf(test::ReadTextFile(rig.Folder() + "report"));
}

SimOptions PoweredWhenOpened(SimOptions options = SimOptions()) {
    options.nPowerOnWhenOpenedMs = 100;
    return options;
}

} // namespace

// Units fail alone: a checksum error, a port another program holds, a line that goes dead and
// a unit never switched on each end with their own text while the others complete.
TEST(CliUpdate, EachUnitEndsOnItsOwnAndTheReportHasALineEach) {
    CCliRig rig;
    const std::string strFolder = rig.Folder() + "with, comma/";
    test::MakeFolder(strFolder);
    const std::string strFile = rig.WriteCodeFile(strFolder + "st24v102.s19", 10);
    SimOptions checksum = PoweredWhenOpened();
    checksum.replyAt[3] = ")";
    SimOptions hangup = PoweredWhenOpened();
    hangup.nHangupAtRecord = 4;
    rig.AddSim(5, PoweredWhenOpened());
    rig.AddSim(6, PoweredWhenOpened());
    rig.AddSim(7, checksum);
    rig.AddSim(8, PoweredWhenOpened());
    rig.AddSim(9, hangup);
    rig.AddSim(10); // never switched on
    // Another program holds COM 8.
    const int nHeld = ::open(rig.Sim(8).GetDevicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_EQ(::flock(nHeld, LOCK_EX | LOCK_NB), 0);

    const CCliRig::Result result =
        rig.Run(CCliRig::Update({"--file", strFile, "--port", "5", "--port", "6", "--port", "7",
                                 "--port", rig.Sim(8).GetDevicePath(), "--port", "COM9", "--port",
                                 "10", "--wait", "3", "--report", rig.Folder() + "report"}));
    ::close(nHeld);
    EXPECT_EQ(result.nStatus, 1) << result.strErr;

    const std::map<int, std::pair<std::string, std::string>> expected = {
        {5, {"11", "Update Complete."}},
        {6, {"11", "Update Complete."}},
        {7, {"3", "Fatal Error. Saltir 24 Reports Record Checksum Error @ Record 3"}},
        {8, {"0", "Unable to open Port 8. It is In Use. Error 5"}},
        {9, {"4", "Fatal Error. Comms Timeout with Saltir 24 @ Record 4"}},
        {10, {"0", "Not Detected within 3 s"}},
    };
    const std::vector<std::string> lines = ReportLines(rig);
    ASSERT_EQ(lines.size(), expected.size() + 1) << result.strOut;
    EXPECT_EQ(lines[0], "time,port,device,by_id,product,model,file,sha256,records_sent,"
                        "records_total,seconds,result,outcome");
    const std::string strSha = Sha256Of(strFile);
    ASSERT_EQ(strSha.size(), 64u);
    std::map<int, std::vector<std::string>> byPort;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> fields = SplitCsv(lines[i]);
        ASSERT_EQ(fields.size(), 13u) << lines[i];
        byPort[std::stoi(fields[1])] = fields;
    }
    for (const auto& [nPort, texts] : expected) {
        const std::vector<std::string>& f = byPort[nPort];
        ASSERT_EQ(f.size(), 13u) << "no line for COM " << nPort;
        EXPECT_EQ(f[2], rig.Sim(nPort).GetDevicePath());
        EXPECT_EQ(std::vector<std::string>(f.begin() + 4, f.begin() + 10),
                  std::vector<std::string>(
                      {"Saltir Series", "Saltir 24", strFile, strSha, texts.first, "11"}))
            << "COM " << nPort;
        EXPECT_EQ(f[11], texts.second);
        EXPECT_EQ(f[12], nPort <= 6 ? "completed" : "failed");
    }
    EXPECT_NE(result.strOut.find(" COM7 failed: Fatal Error. Saltir 24 Reports Record Checksum "
                                 "Error @ Record 3 (3 of 11 records, "),
              std::string::npos)
        << "records sent, then the total:\n"
        << result.strOut;
    EXPECT_EQ(rig.Sim(5).GetReceived(), test::ReadTextFile(strFile));
    EXPECT_EQ(rig.Sim(6).GetReceived(), test::ReadTextFile(strFile));
    EXPECT_NE(result.strOut.find("COM10  " + rig.Sim(10).GetDevicePath()), std::string::npos)
        << "the summary lists every port:\n"
        << result.strOut;
    for (int nPort : {5, 6, 7, 8, 10})
        EXPECT_TRUE(CanTakePort(rig.Sim(nPort).GetDevicePath())) << "COM " << nPort;
}

// A bench: each port takes unit after unit until Ctrl-C, which stops a unit in the middle of
// its records, gives up a port still waiting, and releases every port at once.
TEST(CliUpdate, RepeatRunsUnitAfterUnitUntilCtrlCReleasesEveryPort) {
    CCliRig rig;
    const std::string strFile = rig.WriteCodeFile("st24v103.s19", 5);
    SimOptions slow = PoweredWhenOpened();
    slow.nReplyDelayMs = 40;
    rig.AddSim(5, PoweredWhenOpened());
    rig.AddSim(6, slow);
    rig.AddSim(7);                                         // never switched on
    rig.WriteCodeFile(rig.Folder() + "st24v900.s19", 200); // a slow unit's file, elsewhere
    rig.Start(CCliRig::Update({"--dir", rig.Code(), "--port", "5", "--port", "7", "--repeat",
                               "--json", "--report", rig.Folder() + "report"}));
    const auto completedOn5 = [&] {
        const std::vector<std::string> lines = ReportLines(rig);
        return std::count_if(lines.begin(), lines.end(), [](const std::string& s) {
            return s.find("\"port\":5,") != std::string::npos &&
                   s.find("\"outcome\":\"completed\"") != std::string::npos;
        });
    };
    // A unit's report line is on disk before its result is shown, not at the end of the run.
    const auto shownOn5 = [&] {
        const std::vector<std::string> lines = LinesOf(rig.Output());
        return std::count_if(lines.begin(), lines.end(), [](const std::string& s) {
            return s.rfind("{\"event\":\"result\",", 0) == 0 &&
                   s.find("\"port\":5,") != std::string::npos &&
                   s.find("\"outcome\":\"completed\"") != std::string::npos;
        });
    };
    for (int i = 0; i < 500 && completedOn5() < 3; ++i) {
        const long nShown = shownOn5();
        ASSERT_GE(completedOn5(), nShown) << "a result was shown before its report line was kept";
        usleep(10000);
    }
    ASSERT_GE(completedOn5(), 3) << rig.Output();
    CCliRig::Result result = rig.Interrupt();
    EXPECT_EQ(result.nStatus, 130);
    for (const std::string& strLine : ReportLines(rig)) {
        EXPECT_NE(strLine.find("\"port\":5,\"device\":\"" + rig.Sim(5).GetDevicePath()),
                  std::string::npos)
            << "COM 7 was never switched on: " << strLine;
        EXPECT_NE(strLine.find("\"sha256\":\"" + Sha256Of(strFile) +
                               "\",\"records_sent\":6,\"records_total\":6"),
                  std::string::npos)
            << strLine;
    }
    EXPECT_EQ(LinesOf(result.strOut).back().rfind("{\"event\":\"summary\",\"port\":7,", 0), 0u)
        << result.strOut;
    EXPECT_TRUE(CanTakePort(rig.Sim(5).GetDevicePath()));
    EXPECT_TRUE(CanTakePort(rig.Sim(7).GetDevicePath()));

    // Ctrl-C while records flow: that unit is reported as interrupted where it stood.
    rig.Start(CCliRig::Update({"--file", rig.Folder() + "st24v900.s19", "--port", "6", "--json",
                               "--report", rig.Folder() + "report"}));
    for (int i = 0; i < 500 && rig.Sim(6).GetRecordsReceived() < 5; ++i)
        usleep(10000);
    result = rig.Interrupt();
    EXPECT_EQ(result.nStatus, 130);
    const std::string strLast = ReportLines(rig).back();
    EXPECT_NE(strLast.find("\"port\":6,"), std::string::npos) << strLast;
    EXPECT_NE(strLast.find("\"records_total\":201"), std::string::npos) << strLast;
    EXPECT_NE(strLast.find("Records Sent\",\"outcome\":\"interrupted\"}"), std::string::npos)
        << strLast;
    EXPECT_TRUE(CanTakePort(rig.Sim(6).GetDevicePath()));
}

// Bad arguments name themselves and end the run with 2 before any port is opened; the same
// command with good arguments completes with 0.
TEST(CliUpdate, ArgumentErrorsExitTwoBeforeAnyPortOpens) {
    CCliRig rig;
    const std::string strFile = rig.WriteCodeFile("st24v104.s19", 3);
    rig.AddSim(5, PoweredWhenOpened());
    rig.AddSim(6, PoweredWhenOpened());
    test::MakeFolder(rig.Folder() + "empty");
    struct Case {
        std::vector<std::string> args;
        const char* pszMessage;
    };
    const Case cases[] = {
        {{"update", "--product", "Saltir", "--model", "Saltir 24", "--dir", rig.Code(), "--port",
          "5"},
         "--product \"Saltir\" is not a product; products are \"Saltir Series\", \"Verrin "
         "Series\""},
        {CCliRig::Update({"--file", strFile}), "--port P is required"},
        {CCliRig::Update({"--file", strFile, "--dir", rig.Code(), "--port", "5"}),
         "--file and --dir cannot be used together"},
        {CCliRig::Update({"--file", rig.Folder() + "missing.s19", "--port", "5"}),
         "missing.s19: not a readable file"},
        {CCliRig::Update({"--dir", rig.Folder() + "empty", "--port", "5"}),
         "No Software Found for Saltir 24"},
        {CCliRig::Update({"--dir", rig.Code(), "--port", "9"}),
         "--port 9: COM 9 is not a listed port (listed: "},
        {CCliRig::Update({"--dir", rig.Code(), "--port", "/dev/null"}),
         "--port /dev/null: not a terminal device"},
        {CCliRig::Update({"--dir", rig.Code(), "--port", "5", "--port", "COM5"}),
         "--port COM5: COM 5 is given twice"},
        // "all" beside a port of its own takes each port once: the run gets as far as the report.
        {CCliRig::Update({"--dir", rig.Code(), "--port", "all", "--port", "5", "--report",
                          rig.Folder() + "empty"}),
         "empty: it is a directory"},
        {CCliRig::Update({"--dir", rig.Code(), "--port", "COM5", "--port", "all", "--report",
                          rig.Folder() + "empty"}),
         "empty: it is a directory"},
        {CCliRig::Update({"--dir", rig.Code(), "--port", "5", "--timeout", "ten"}),
         "--timeout: not a whole number of seconds: ten"},
        {CCliRig::Update({"--dir", rig.Code(), "--port", "5", "--wait", "0"}),
         "--wait: 0 is out of range (give 1 to 86400 seconds)"},
        {CCliRig::Update({"--dir", rig.Code(), "--port", "5", "--bogus"}),
         "unknown option for this command: --bogus"},
        {{"ports", "--port", "5"}, "unknown option for this command: --port"},
        {{"flash"}, "unknown command: flash"},
        {{"--settings", rig.Folder() + "none.INI", "ports"}, "none.INI: not a readable file"},
    };
    for (const Case& c : cases) {
        const CCliRig::Result result = rig.Run(c.args);
        EXPECT_EQ(result.nStatus, 2) << c.pszMessage;
        EXPECT_NE(result.strErr.find(c.pszMessage), std::string::npos) << result.strErr;
        EXPECT_EQ(result.strOut, "");
    }
    usleep(300000); // an open would have switched the equipment on by now
    EXPECT_EQ(rig.Sim(5).GetPowerOnCount(), 0);
    EXPECT_EQ(rig.Sim(5).GetReceived(), "");

    const CCliRig::Result result = rig.Run(CCliRig::Update(
        {"--dir", rig.Code(), "--port", "5", "--port", rig.Sim(6).GetDevicePath()}));
    EXPECT_EQ(result.nStatus, 0) << result.strOut << result.strErr;
    for (int nPort : {5, 6})
        EXPECT_EQ(rig.Sim(nPort).GetReceived(), test::ReadTextFile(strFile));
}

// The port list is the window's, and the software list is what the window offers.
TEST(CliListing, PortsAsTheWindowListsThemAndSoftwareNewestFirst) {
    CCliRig rig;
    rig.AddSim(5);
    rig.AddSim(12);
    SetDosDevicesFolder(rig.DosDevices());
    std::vector<ComPortEntry> entries;
    const bool bFound = DiscoverComPortEntries(entries);
    std::vector<int> ports;
    std::vector<std::string> names;
    EXPECT_EQ(DiscoverComPorts(ports, names), bFound);
    ASSERT_EQ(ports.size(), entries.size());

    const CCliRig::Result plain = rig.Run({"ports"});
    const CCliRig::Result json = rig.Run({"ports", "--json"});
    ASSERT_EQ(plain.nStatus, bFound ? 0 : 1);
    const std::vector<std::string> lines = LinesOf(plain.strOut);
    const std::vector<std::string> objects = LinesOf(json.strOut);
    ASSERT_EQ(lines.size(), entries.size());
    ASSERT_EQ(objects.size(), entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(lines[i].substr(0, lines[i].find('\t')),
                  CComPortList::EntryText(ports[i], names[i]));
        EXPECT_EQ(lines[i].substr(lines[i].find('\t') + 1, entries[i].strDeviceNode.size()),
                  entries[i].strDeviceNode);
        EXPECT_EQ(objects[i].substr(0, objects[i].find(',')),
                  "{\"port\":" + std::to_string(ports[i]));
    }
    EXPECT_NE(plain.strOut.find("Com 12 - Serial Port (" + rig.Sim(12).GetDevicePath() + ")\t"),
              std::string::npos);

    for (const char* pszName :
         {"st24v101.s19", "ST24V120.S19", "st24v11a.s19", "st24v110.s19", "st48v200.s19"})
        test::WriteTextFile(rig.Code() + pszName, "S9030000FC\n");
    const std::vector<std::string> software = {"software", "--product", "Saltir Series", "--model",
                                               "Saltir 24"};
    CCliRig::Result listed = rig.Run(software); // the folder from the settings file
    EXPECT_EQ(listed.strOut, "ST24V120.S19\nst24v110.s19\nst24v101.s19\n");
    EXPECT_EQ(listed.nStatus, 0);
    std::vector<std::string> elsewhere = software;
    elsewhere.insert(elsewhere.end(), {"--dir", rig.Folder(), "--json"});
    listed = rig.Run(elsewhere);
    EXPECT_EQ(listed.nStatus, 1);
    EXPECT_EQ(listed.strErr, "vantoro-cli: No Software Found in " + rig.Folder() +
                                 ": Saltir 24 takes files named st24v???.s19\n");
}

// An adapter pulled while its unit is awaited: said on the port's line at once; with --repeat
// the port waits for a device behind the same name and goes on with it, and a port that did
// not come back fails the run.
TEST(CliUpdate, APortWhoseDeviceGoesIsSaidAtOnceAndAwaitedOnRepeat) {
    CCliRig rig;
    rig.WriteCodeFile("st24v104.s19", 5);
    const std::string strReport = rig.Folder() + "report";
    const auto opened = [&] {
        for (int i = 0; i < 1000 && CanTakePort(rig.Sim(5).GetDevicePath()); ++i)
            usleep(10000);
        return !CanTakePort(rig.Sim(5).GetDevicePath());
    };
    const auto said = [&](const std::string& strText, int nMillis) {
        for (int i = 0; i < nMillis / 10 && rig.Output().find(strText) == std::string::npos; ++i)
            usleep(10000);
        return rig.Output().find(strText) != std::string::npos;
    };
    rig.AddSim(5);
    rig.Start(CCliRig::Update({"--dir", rig.Code(), "--port", "5"}));
    ASSERT_TRUE(opened());
    // The port check before the open takes the port too: unplugged once the unit awaits the
    // equipment on the opened port.
    ASSERT_TRUE(said("Port 5 opened", 10000)) << rig.Output();
    rig.Unplug(5);
    CCliRig::Result result = rig.WaitForEnd(2000);
    EXPECT_EQ(result.nStatus, 1) << result.strOut;
    EXPECT_NE(result.strOut.find("COM5 failed: Port Gone"), std::string::npos) << result.strOut;

    rig.AddSim(5);
    rig.Start(CCliRig::Update(
        {"--dir", rig.Code(), "--port", "5", "--repeat", "--wait", "3", "--report", strReport}));
    ASSERT_TRUE(opened());
    const auto count = [&](const std::string& strText) {
        std::size_t n = 0;
        const std::string strOut = rig.Output();
        for (std::size_t at = strOut.find(strText); at != std::string::npos;
             at = strOut.find(strText, at + 1))
            ++n;
        return n;
    };
    rig.Sim(5).PowerOn();
    ASSERT_TRUE(said("COM5 completed", 10000)) << rig.Output();
    // Unplugged while the next unit is awaited, once the next cycle has the port open.
    for (int i = 0; i < 1000 && count("Port 5 opened") < 2; ++i)
        usleep(10000);
    ASSERT_EQ(count("Port 5 opened"), 2u) << rig.Output();
    rig.Unplug(5);
    EXPECT_TRUE(said("Port Gone", 1500)) << rig.Output();
    rig.AddSim(5, PoweredWhenOpened());
    for (int i = 0; i < 1000 && ReportLines(rig).size() < 3; ++i)
        usleep(10000);
    const std::vector<std::string> lines = ReportLines(rig);
    ASSERT_EQ(lines.size(), 3u) << rig.Output();
    EXPECT_NE(lines[2].find("," + rig.Sim(5).GetDevicePath() + ","), std::string::npos) << lines[2];
    EXPECT_NE(lines[2].find(",completed"), std::string::npos) << lines[2];
    // And once more with a port that does not come back.
    for (int i = 0; i < 500 && count("Port 5 opened") < 4; ++i)
        usleep(10000);
    ASSERT_EQ(count("Port 5 opened"), 4u) << rig.Output();
    rig.Unplug(5);
    result = rig.WaitForEnd(10000);
    EXPECT_EQ(result.nStatus, 1) << result.strOut;
    EXPECT_NE(result.strOut.find("did not return within 3 s"), std::string::npos) << result.strOut;
}
