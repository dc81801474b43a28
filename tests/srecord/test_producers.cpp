// Code files made by the S-record producers technicians use (srec_cat, objcopy): the check must
// take what they write as they write it, and the equipment must end up holding the image.
#include "platform/testtempfolder.h"
#include "srecord/cfilecheck.h"
#include "updaterig.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace vantoro;
using namespace vantoro::test;

namespace {

std::vector<std::uint8_t> Image(std::size_t nSize) {
    std::vector<std::uint8_t> bytes(nSize);
    std::uint32_t nState = 0x2545F491;
    for (std::uint8_t& b : bytes) {
        nState = nState * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(nState >> 24);
    }
    bytes[7] = 0xFF; // erased-flash bytes inside the image still count
    return bytes;
}

struct Producer {
    const char* pszName;
    std::string strCommand;    // IN and OUT are replaced by the files' paths
    std::uint32_t nAddress;    // where the image lands
    const char* pszRecordType; // of the data records
    const char* pszStart;      // as the check shows it
};

void PrintTo(const Producer& producer, std::ostream* pOut) {
    *pOut << producer.strCommand;
}

class ProducedFile : public testing::TestWithParam<Producer> {};

std::string Replace(std::string strText, const std::string& strWhat, const std::string& strWith) {
    for (std::size_t at; (at = strText.find(strWhat)) != std::string::npos;)
        strText.replace(at, strWhat.size(), strWith);
    return strText;
}

TEST_P(ProducedFile, PassesTheCheckAndReachesTheEquipmentByteForByte) {
    const Producer& producer = GetParam();
    CTempFolder tmp;
    const std::vector<std::uint8_t> image = Image(1500);
    WriteTextFile(tmp / "image.bin", std::string(image.begin(), image.end()));
    const std::string strCommand =
        Replace(Replace(producer.strCommand, "IN", tmp / "image.bin"), "OUT", tmp / "code.s19");
    ASSERT_EQ(std::system((strCommand + " 2>" + (tmp / "err")).c_str()), 0)
        << strCommand << "\n"
        << ReadTextFile(tmp / "err");
    const std::string strFile = ReadTextFile(tmp / "code.s19");
    ASSERT_NE(strFile.find(std::string("\n") + producer.pszRecordType), std::string::npos)
        << strFile.substr(0, 200);

    CFileVerdict verdict;
    std::string strError;
    ASSERT_TRUE(CFileCheck::CheckFile(tmp / "code.s19", verdict, strError)) << strError;
    EXPECT_FALSE(verdict.HasErrors()) << verdict.Summary();
    EXPECT_EQ(verdict.nDataBytes, image.size());
    ASSERT_EQ(verdict.ranges.size(), 1u);
    EXPECT_EQ(verdict.ranges[0].nFirst, producer.nAddress);
    EXPECT_EQ(verdict.ranges[0].nLast, producer.nAddress + image.size() - 1);
    EXPECT_EQ(verdict.StartText(), producer.pszStart);

    CUpdateRig rig{SimOptions()};
    rig.UseCodeFile(strFile);
    ASSERT_TRUE(rig.StartAndPowerOn());
    ASSERT_TRUE(rig.RunToRest(30000));
    EXPECT_EQ(rig.m_window.m_strStatus, "Update Complete.");
    EXPECT_EQ(rig.m_pSim->GetImage(), image) << "the equipment holds other bytes";
}

INSTANTIATE_TEST_SUITE_P(
    Tools, ProducedFile,
    testing::Values(Producer{"SrecCatS19",
                             "srec_cat IN -binary -offset 0x1000 -o OUT -motorola "
                             "-execution-start-address=0x1000",
                             0x1000, "S1", "0x1000"},
                    Producer{"SrecCatS28",
                             "srec_cat IN -binary -offset 0x20000 -o OUT -motorola "
                             "-address-length=3 -execution-start-address=0x20010",
                             0x20000, "S2", "0x020010"},
                    Producer{"SrecCatS37",
                             "srec_cat IN -binary -offset 0x12345600 -o OUT -motorola "
                             "-address-length=4 -execution-start-address=0x12345678",
                             0x12345600, "S3", "0x12345678"},
                    Producer{"ObjcopyS19", "objcopy -I binary -O srec IN OUT", 0, "S1", "0x0000"},
                    Producer{"ObjcopyS37",
                             "objcopy -I binary -O srec --srec-forceS3 "
                             "--change-addresses 0x08000000 --set-start 0x100 IN OUT",
                             0x08000000, "S3", "0x08000100"}),
    [](const testing::TestParamInfo<Producer>& info) { return info.param.pszName; });

// A producer's default without a start address writes no termination record: refused, with
// the way out.
TEST(ProducedFileWithoutStart, IsRefusedSayingToAskTheToolForATerminationRecord) {
    CTempFolder tmp;
    const std::vector<std::uint8_t> image = Image(64);
    WriteTextFile(tmp / "image.bin", std::string(image.begin(), image.end()));
    const std::string strCommand =
        "srec_cat " + (tmp / "image.bin") + " -binary -o " + (tmp / "code.s19") + " -motorola";
    ASSERT_EQ(std::system(strCommand.c_str()), 0) << strCommand;
    CFileVerdict verdict;
    std::string strError;
    ASSERT_TRUE(CFileCheck::CheckFile(tmp / "code.s19", verdict, strError)) << strError;
    ASSERT_TRUE(verdict.HasErrors());
    EXPECT_NE(verdict.errors.back().strText.find("ask the tool that made the file to write one"),
              std::string::npos)
        << verdict.errors.back().strText;
}

} // namespace
