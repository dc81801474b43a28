#include "catalogue/cstringtable.h"

#include <gtest/gtest.h>

#include <iterator>

using namespace vantoro;

// The rows from ID 101 on, in order; "\x0A" marks the real line feeds of the detection texts.
// clang-format off
const char* const kRows[] = {
    "&About Vantoro...", "Brava Series", "Celto Series", "duKan Series", "Brava Series Dimmers",
    "Celto", "duKan S", "duKan M", "duKan MP", "duKan L", "duKan XL", "duKan XXL", "ZRL",
    "Brava Files (brvav???.bk3)|brvav???.bk3|Brava Files "
    "(plekcode.bk3)|plekcode.bk3|All Files (*.*)|*.*||",
    "Celto 12 Files (celv???.s19)|celv???.s19|All Files (*.*)|*.*||",
    "Dukan S Files (dk12v???.s19)|dk12v???.s19|All Files (*.*)|*.*||",
    "Dukan M Files (dk24v???.s19)|dk24v???.s19|All Files (*.*)|*.*||",
    "Dukan MP Files (dkmpv???.s19)|dkmpv???.s19|All Files (*.*)|*.*||",
    "Dukan L Files (dk36v???.s19)|dk36v???.s19|All Files (*.*)|*.*||",
    "Dukan XL Files (dk48v???.s19)|dk48v???.s19|All Files (*.*)|*.*||",
    "Dukan XXL Files (dk60v???.s19)|dk60v???.s19|All Files (*.*)|*.*||",
    "Dukan ZRL Files (zrl*.mot)|zrl*.mot|All Files (*.*)|*.*||", "PLATFORM_BRVA", "PLATFORM_CELTO",
    "PLATFORM_DUKAN", "VARIANT", "COMS", "IXOV2", "PORT", "APP", "PLATFORM", "VARIANT_FILE",
    "LOG_FLAGS", "LOG", "\x0A", "ceL\x0A", "\x0A", "QbRVAZ", "QduKanZ", "QduKanZ", "9600", "57600",
    "57600", "B_V_Dim", "Celto", "Dukan", "Code Update Complete. Dimmer Boot Code May be Updating.",
    "Wait for Br vEr x-xx to Scroll on Dimmer Display, then press Done To Continue.",
    "Update Complete.", "Press Done To Continue.", "Update Complete.", "Press Done To Continue.",
    "IXO, K24 Dimmer", "IXO V1 Files (ixov???.s19|ixov???.s19|All Files (*.*)|*.*||",
    "IXO V1 Series", "PLATFORM_IXO", "IXO\x0A", "QIXOZ\x0A", "57600", "IXO", "Update Complete.",
    "Press Done To Continue.", "QVR Series", "QVR Light Controller",
    "QVR Files (dkqvv???.s19)|dkqvv???.s19|All Files (*.*)|*.*||", "PLATFORM_QVR", "\x0A",
    "QduKanZ", "57600", "QVR", "Update Complete.", "Press Done To Continue.", "IXO V2 Dimmer",
    "IXO V2 Files (ixov2.?.??*.s19|ixov2.?.??*.s19|All Files (*.*)|*.*||", "IXO V2 Series",
    "PLATFORM_IXOV2", "IXOV2", "Verrin Series", "PLATFORM_VERRIN", "Verrin", "Verrin",
    "Verrin Files (verv???.s19)|verv???.s19|All Files (*.*)|*.*||", "Saltir Series",
    "PLATFORM_SALTIR", "Saltir", "Saltir 24", "Saltir 48", "Saltir 48XT", "Saltir 96XT",
    "Saltir 24 Files (st24v???.s19)|st24v???.s19|All Files (*.*)|*.*||",
    "Saltir 48 Files (st48v???.s19)|st48v???.s19|All Files (*.*)|*.*||",
    "Saltir 48XT Files (sx48v???.s19)|sx48v???.s19|All Files (*.*)|*.*||",
    "Saltir 96XT Files (sx96v???.s19)|sx96v???.s19|All Files (*.*)|*.*||",
};
// clang-format on

TEST(StringTable, EveryRowHoldsItsTextByteForByte) {
    ASSERT_EQ(std::size(kRows), 93u);
    for (int i = 0; i < 93; ++i) {
        std::string strText = "previous";
        ASSERT_TRUE(LoadStringId(101 + i, strText)) << "ID " << 101 + i;
        EXPECT_EQ(strText, kRows[i]) << "ID " << 101 + i;
    }
}

TEST(StringTable, AMissingIdLeavesTheDestinationUnchanged) {
    for (int nId : {0, -1, 100, 194, 65535}) {
        std::string strText = "kept";
        EXPECT_FALSE(LoadStringId(nId, strText)) << nId;
        EXPECT_EQ(strText, "kept");
        EXPECT_EQ(StringFromId(nId), "");
    }
}
