// vantoro-cli's file check: the check command's verdicts and exit status, and the update that
// refuses a file with errors before any port is opened.
#include "clirig.h"

#include <gtest/gtest.h>

using namespace vantoro;

namespace {

bool Has(const std::string& strText, const std::string& strPart) {
    return strText.find(strPart) != std::string::npos;
}

SimOptions PoweredWhenOpened() {
    SimOptions options;
    options.nPowerOnWhenOpenedMs = 100;
    return options;
}

} // namespace

TEST(CliCheck, EachFileGetsItsVerdictAndTheWorstSetsTheStatus) {
    CCliRig rig;
    const std::string strGood = rig.WriteCodeFile("st24v102.s19", 3);
    const std::string strText = rig.Code() + "notes.txt";
    test::WriteTextFile(strText, "Release notes\nsee the manual\n");
    const std::string strCut = rig.Code() + "cut.s19";
    test::WriteTextFile(strCut, test::ReadTextFile(strGood).substr(0, 33));

    CCliRig::Result result = rig.Run({"check", strGood});
    EXPECT_EQ(result.nStatus, 0) << result.strOut;
    EXPECT_TRUE(Has(result.strOut, strGood + ": 4 Records, 0x0000-0x000B, no errors, 1 warning"))
        << result.strOut;
    EXPECT_TRUE(Has(result.strOut, strGood + ": warning: no header record (S0)"));

    result = rig.Run({"check", strGood, strText, strCut, rig.Code() + "missing.s19"});
    EXPECT_EQ(result.nStatus, 1);
    EXPECT_TRUE(Has(result.strOut, strText + ":1: error: not an S-record")) << result.strOut;
    EXPECT_TRUE(Has(result.strOut, strText + ":2: error: not an S-record"));
    EXPECT_TRUE(Has(result.strOut, strCut + ":2: error: the byte count says 7 bytes"));
    EXPECT_TRUE(Has(result.strOut, strCut + ": error: no termination record"));
    EXPECT_TRUE(Has(result.strErr, "missing.s19: cannot be read: No such file or directory"))
        << result.strErr;
    EXPECT_FALSE(Has(result.strOut, "missing.s19")) << result.strOut;
    EXPECT_TRUE(Has(result.strOut, strGood + ": 4 Records")) << "a good file among bad ones";

    result = rig.Run({"check", "--json", strText});
    EXPECT_EQ(result.nStatus, 1);
    EXPECT_TRUE(Has(result.strOut, "\"ok\":false,\"records\":2,")) << result.strOut;
    EXPECT_TRUE(Has(result.strOut, "\"errors\":[{\"line\":1,\"text\":\"not an S-record"));

    for (const auto& args : {std::vector<std::string>{"check"},
                             std::vector<std::string>{"check", strGood, "--force"}}) {
        result = rig.Run(args);
        EXPECT_EQ(result.nStatus, 2) << result.strErr;
        EXPECT_TRUE(result.strOut.empty());
    }
    // A file whose name looks like an option, after "--".
    test::WriteTextFile("-odd.s19", test::ReadTextFile(strGood));
    result = rig.Run({"check", "--", "-odd.s19"});
    ::unlink("-odd.s19");
    EXPECT_EQ(result.nStatus, 0) << result.strOut << result.strErr;
}

// A text file picked by mistake never reaches the equipment: refused before the port is opened
// (the simulated unit would switch on when it is), unless --force says to send it as it is.
TEST(CliUpdate, AFileWithErrorsIsRefusedBeforeAnyPortOpensUnlessForced) {
    CCliRig rig;
    rig.AddSim(5, PoweredWhenOpened());
    const std::string strText = rig.Code() + "notes.s19";
    test::WriteTextFile(strText, "Release notes\n");

    CCliRig::Result result = rig.Run(CCliRig::Update({"--file", strText, "--port", "5"}));
    EXPECT_EQ(result.nStatus, 1);
    EXPECT_TRUE(Has(result.strErr, strText + ":1: error: not an S-record")) << result.strErr;
    EXPECT_TRUE(Has(result.strErr, "refused, nothing was sent")) << result.strErr;
    EXPECT_TRUE(result.strOut.empty()) << result.strOut;
    EXPECT_EQ(rig.Sim(5).GetPowerOnCount(), 0) << "the port was opened";

    // Sent as it is: the equipment itself refuses record 1.
    result = rig.Run(CCliRig::Update({"--file", strText, "--port", "5", "--force", "--wait", "5"}));
    EXPECT_EQ(result.nStatus, 1);
    EXPECT_TRUE(Has(result.strErr, "sent as it is (--force)")) << result.strErr;
    EXPECT_EQ(rig.Sim(5).GetReceived(), "Release notes\n");
}

TEST(CliUpdate, WarningsArePrintedAndTheUpdateGoesOn) {
    CCliRig rig;
    rig.AddSim(5, PoweredWhenOpened());
    const std::string strFile = rig.WriteCodeFile("st24v102.s19", 5); // no header record
    const CCliRig::Result result =
        rig.Run(CCliRig::Update({"--file", strFile, "--port", "5", "--wait", "5"}));
    EXPECT_EQ(result.nStatus, 0) << result.strErr;
    EXPECT_TRUE(Has(result.strErr, "vantoro-cli: " + strFile + ": warning: no header record (S0)"))
        << result.strErr;
    EXPECT_EQ(rig.Sim(5).GetRecordsReceived(), 6);
}

// A new version copied over the code file during a --repeat shift: the next cycle's check finds
// the errors and refuses the file as the first check would have, instead of sending it.
TEST(CliUpdate, RepeatRefusesAFileThatChangedIntoOneWithErrors) {
    CCliRig rig;
    const std::string strFile = rig.WriteCodeFile("st24v104.s19", 30);
    SimOptions paced = PoweredWhenOpened();
    paced.nReplyDelayMs = 10;
    rig.AddSim(5, paced);
    const std::string strReport = rig.Folder() + "report";
    rig.Start(
        CCliRig::Update({"--dir", rig.Code(), "--port", "5", "--repeat", "--report", strReport}));
    for (int i = 0; i < 2000 && !Has(test::ReadTextFile(strReport), ",completed"); ++i)
        usleep(10000);
    ASSERT_TRUE(Has(test::ReadTextFile(strReport), ",completed")) << rig.Output();
    test::WriteTextFile(strFile, "S1070000010203\n"); // a copy still in progress
    const CCliRig::Result result = rig.WaitForEnd(30000);
    EXPECT_EQ(result.nStatus, 1) << "-1: the run went on with the cut file\n" << result.strOut;
    const std::vector<std::string> lines = LinesOf(test::ReadTextFile(strReport));
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(Has(lines.back(), "File Check: refused, nothing was sent")) << lines.back();
    EXPECT_FALSE(Has(result.strOut, "Update Anyway")) << result.strOut;
}
