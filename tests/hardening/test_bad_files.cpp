// Code files and folders nobody should feed the program: binary data, NUL bytes, a megabyte
// without a line end, a 16 MB file, a file that goes away after Start, odd bytes in names, and a
// crowded folder. Each ends in a clear text, sends the bytes exactly as they are in the file,
// and leaves the port ready for the next update.
#include "hardrig.h"

#include "catalogue/ccatalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <unistd.h>

using namespace vantoro;

namespace {

// The records of a file as the engine reads them: lines without their line feed, a carriage
// return before the line feed dropped.
std::vector<std::string> TextRecords(const std::string& strFile) {
    std::vector<std::string> records;
    std::size_t nStart = 0;
    while (nStart < strFile.size()) {
        std::size_t nEnd = strFile.find('\n', nStart);
        const bool bLineFeed = nEnd != std::string::npos;
        std::string strRecord =
            strFile.substr(nStart, bLineFeed ? nEnd - nStart : std::string::npos);
        if (bLineFeed && !strRecord.empty() && strRecord.back() == '\r') {
            strRecord.pop_back();
        }
        records.push_back(strRecord);
        nStart = bLineFeed ? nEnd + 1 : strFile.size();
    }
    return records;
}

// Runs one update of strFile to its end; the equipment judges each record itself.
void RunUpdateOf(CHardRig& rig, const std::string& strFile) {
    rig.StartSim(SimOptions{});
    rig.UseCodeFile(strFile);
    ASSERT_TRUE(rig.StartAndPowerOn());
    ASSERT_TRUE(rig.RunToRest(30000));
}

// The update failed at record 1 on the equipment's verdict, having sent strRecord exactly.
void ExpectRejectedFirstRecord(CHardRig& rig, const std::string& strRecord) {
    EXPECT_EQ(rig.m_pEngine->GetState(), ActionFail);
    EXPECT_EQ(rig.m_pEngine->GetRecordsSent(), 1);
    EXPECT_EQ(rig.m_window.m_strStatus.rfind("Fatal Error. ", 0), 0u) << rig.m_window.m_strStatus;
    EXPECT_EQ(rig.m_pSim->GetReceived(), strRecord + "\n");
    EXPECT_FALSE(rig.m_pEngine->IsPortOpen());
    EXPECT_FALSE(rig.m_pEngine->IsCodeFileOpen());
}

void CancelAndUpdateCleanly(CHardRig& rig) {
    rig.m_pEngine->StepUpdate(CancelPressed);
    EXPECT_EQ(rig.m_pEngine->GetState(), Idle);
    std::string strWhy;
    EXPECT_TRUE(rig.RunCleanUpdate(strWhy)) << strWhy;
}

std::string RecordCountLine(std::size_t nRecords) {
    return "StartUpdate: File has " + std::to_string(nRecords) + " Records";
}

} // namespace

TEST(BadCodeFileTest, BinaryDataIsCountedSentAsItIsAndRejectedByTheEquipment) {
    std::mt19937 random(7);
    std::string strFile;
    for (int i = 0; i < 64 * 1024; ++i) {
        const char c = static_cast<char>(random() & 0xFF);
        strFile.push_back(c == '\x1a' ? '\x1b' : c); // Ctrl-Z would end the file early
    }
    CHardRig rig(0);
    const ProcessSample before = SampleProcess();
    RunUpdateOf(rig, strFile);
    const std::vector<std::string> records = TextRecords(strFile);
    EXPECT_TRUE(rig.m_window.HasLogged(RecordCountLine(records.size())));
    ExpectRejectedFirstRecord(rig, records.front());
    CancelAndUpdateCleanly(rig);
    rig.StopSim();
    EXPECT_EQ(SampleProcess().nDescriptors, before.nDescriptors);
}

TEST(BadCodeFileTest, NulBytesInsideARecordAreSentAndDoNotEndTheLine) {
    std::string strRecord = MakeSRecordFile(1).substr(0, MakeSRecordFile(1).find('\n'));
    strRecord.insert(6, std::string("\0\0", 2));
    const std::string strFile = strRecord + "\n" + std::string("\0\n", 2) + "S9030000FC\n";
    CHardRig rig(1);
    RunUpdateOf(rig, strFile);
    EXPECT_TRUE(rig.m_window.HasLogged(RecordCountLine(3)));
    ExpectRejectedFirstRecord(rig, strRecord);
    CancelAndUpdateCleanly(rig);
}

TEST(BadCodeFileTest, AMegabyteOnOneLineIsOneRecordSentWhole) {
    std::string strLine = "S1";
    strLine.append(1024 * 1024, 'A');
    CHardRig rig(0);
    RunUpdateOf(rig, strLine); // no line end at all
    EXPECT_TRUE(rig.m_window.HasLogged(RecordCountLine(1)));
    ExpectRejectedFirstRecord(rig, strLine);
    CancelAndUpdateCleanly(rig);
}

TEST(BadCodeFileTest, SixteenMegabytesOfRecordsAreCountedExactly) {
    const std::string strBlock = MakeSRecordFile(999); // 1000 lines
    std::string strFile;
    while (strFile.size() < 16u * 1024 * 1024) {
        strFile += strBlock;
    }
    const std::size_t nRecords = strFile.size() / strBlock.size() * 1000;
    CHardRig rig(0);
    rig.StartSim(SimOptions{});
    rig.UseCodeFile(strFile);
    rig.m_pEngine->StepUpdate(StartPressed);
    EXPECT_EQ(rig.m_pEngine->GetState(), StartUpdate);
    EXPECT_EQ(rig.m_pEngine->GetRecordsTotal(), static_cast<int>(nRecords));
    EXPECT_TRUE(rig.m_window.HasLogged(RecordCountLine(nRecords)));
    rig.m_pEngine->StepUpdate(CancelPressed);
    EXPECT_EQ(rig.m_pEngine->GetState(), Idle);
    EXPECT_FALSE(rig.m_pEngine->IsCodeFileOpen());
}

// Root reads a file whatever its mode bits say, so "unreadable" is played by putting a folder
// where the file was; the other case deletes the file.
TEST(BadCodeFileTest, AFileThatGoesAwayBetweenStartAndUpdateIsAFileErrorAtRecordOne) {
    for (const bool bFolderInstead : {false, true}) {
        SCOPED_TRACE(bFolderInstead ? "replaced by a folder" : "deleted");
        CHardRig rig(bFolderInstead ? 1 : 0);
        rig.StartSim(SimOptions{});
        const std::string strPath = rig.UseCodeFile(MakeSRecordFile(3));
        rig.m_pEngine->StepUpdate(StartPressed);
        ASSERT_EQ(rig.m_pEngine->GetState(), StartUpdate);
        ASSERT_EQ(::unlink(strPath.c_str()), 0);
        if (bFolderInstead) {
            ASSERT_TRUE(std::filesystem::create_directory(strPath));
        }
        rig.m_pEngine->StepUpdate(StartPressed);
        rig.m_pSim->PowerOn();
        ASSERT_TRUE(rig.RunToRest());
        CRecordingWindow& window = rig.m_window;
        EXPECT_EQ(rig.m_pEngine->GetState(), ActionFail);
        EXPECT_EQ(window.m_strStatus, "File Error @ Record 1. Update Failed");
        EXPECT_EQ(window.m_strAction, " Press Cancel to Try Again");
        EXPECT_TRUE(window.HasLogged("Send S Record: Code File Changed or Unreadable"));
        EXPECT_EQ(rig.m_pSim->GetReceived(), ""); // nothing of the vanished file went out
        window.ClearHistory();
        rig.m_pEngine->StepUpdate(CancelPressed);
        EXPECT_EQ(window.Log(),
                  (std::vector<std::string>{"Action Fail : Cancel Button Press", "Port 5 Closed",
                                            "Complete : Update Cycle Complete"}));
        EXPECT_FALSE(rig.m_pEngine->IsCodeFileOpen());
        EXPECT_FALSE(HoldsDescriptorTo(strPath));
        std::string strWhy;
        EXPECT_TRUE(rig.RunCleanUpdate(strWhy)) << strWhy;
    }
}

TEST(BadCodeFileTest, PercentSignsBlanksAndNonUtf8BytesInNamesAreUsedAsTheyAre) {
    CHardRig rig(0);
    const std::string strFolder = rig.Dir() + "/100% sure %s %d \xff\xfe\xc3(/";
    ASSERT_TRUE(std::filesystem::create_directory(strFolder));
    const std::string strFile = MakeSRecordFile(3);
    for (const char* pszName : {"st24v100.s19", "st24v200.s19", "st24v%d%.s19", "x%sy.s19"}) {
        std::ofstream(strFolder + pszName, std::ios::binary) << strFile;
    }
    CTarget& target = rig.m_catalogue.at(0);
    target.SetVariantFile("");
    ASSERT_TRUE(target.SetWorkingDirectory(strFolder));
    EXPECT_EQ(target.FindSoftware(), (std::vector<std::string>{"st24v200.s19", "st24v100.s19"}));

    // A file chosen by hand may have any name at all.
    const std::string strOdd = strFolder + "my %s 100% \xe9t\xe9 file.s19";
    std::ofstream(strOdd, std::ios::binary) << strFile;
    for (const std::string& strPath : {strFolder + "st24v200.s19", strOdd}) {
        if (strPath == strOdd) {
            target.SetVariantFile(strOdd);
        }
        target.FindSoftware();
        rig.m_window.m_nSelected = 0;
        ASSERT_EQ(target.GetSoftwarePath(0), strPath);
        rig.StartSim(SimOptions{});
        rig.m_window.ClearHistory();
        ASSERT_TRUE(rig.StartAndPowerOn());
        ASSERT_TRUE(rig.RunToRest());
        EXPECT_TRUE(rig.m_window.HasLogged("StartUpdate: Opened File " + strPath));
        EXPECT_EQ(rig.m_window.m_strStatus, "Update Complete.");
        EXPECT_EQ(rig.m_pSim->GetReceived(), strFile);
        rig.m_pEngine->StepUpdate(StartPressed);
    }
}

TEST(BadCodeFileTest, TenThousandFilesInTheFolderGiveExactlyTheMatchingOnes) {
    CHardRig rig(0);
    const std::string strFolder = rig.Dir() + "/crowd/";
    ASSERT_TRUE(std::filesystem::create_directory(strFolder));
    std::vector<std::string> expected;
    for (int i = 0; i < 10000; ++i) {
        char szName[32];
        if (i % 1000 == 0) {
            std::snprintf(szName, sizeof(szName), "ST24V%03d.S19", i / 1000); // case is ignored
            expected.push_back(szName);
        } else {
            std::snprintf(szName, sizeof(szName), "other%05d.s19", i);
        }
        std::ofstream(strFolder + szName) << "S9030000FC\n";
    }
    std::filesystem::create_directory(strFolder + "st24v999.s19"); // a folder is no software
    std::sort(expected.rbegin(), expected.rend());
    CTarget& target = rig.m_catalogue.at(0);
    target.SetVariantFile("");
    ASSERT_TRUE(target.SetWorkingDirectory(strFolder));
    EXPECT_EQ(target.FindSoftware(), expected);
}
