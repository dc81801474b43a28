#include "catalogue/cstringtable.h"

#include <gtest/gtest.h>

using namespace vantoro;

struct StringCase {
    int nId;
    const char* pszText;
};

void PrintTo(const StringCase& c, std::ostream* pOut) {
    *pOut << "ID " << c.nId;
}

class StringTableRow : public ::testing::TestWithParam<StringCase> {};

TEST_P(StringTableRow, HoldsItsTextByteForByte) {
    std::string strText = "previous";
    ASSERT_TRUE(LoadStringId(GetParam().nId, strText));
    EXPECT_EQ(strText, GetParam().pszText);
    EXPECT_EQ(StringFromId(GetParam().nId), GetParam().pszText);
}

// Every row of the string table, in ID order.
INSTANTIATE_TEST_SUITE_P(
    Part31, StringTableRow,
    ::testing::Values(
        StringCase{101, "&About Vantoro..."}, StringCase{102, "Brava Series"},
        StringCase{103, "Celto Series"}, StringCase{104, "duKan Series"},
        StringCase{105, "Brava Series Dimmers"}, StringCase{106, "Celto"},
        StringCase{107, "duKan S"}, StringCase{108, "duKan M"}, StringCase{109, "duKan MP"},
        StringCase{110, "duKan L"}, StringCase{111, "duKan XL"}, StringCase{112, "duKan XXL"},
        StringCase{113, "ZRL"},
        StringCase{114, "Brava Files (brvav???.bk3)|brvav???.bk3|Brava Files "
                        "(plekcode.bk3)|plekcode.bk3|All Files (*.*)|*.*||"},
        StringCase{115, "Celto 12 Files (celv???.s19)|celv???.s19|All Files (*.*)|*.*||"},
        StringCase{116, "Dukan S Files (dk12v???.s19)|dk12v???.s19|All Files (*.*)|*.*||"},
        StringCase{117, "Dukan M Files (dk24v???.s19)|dk24v???.s19|All Files (*.*)|*.*||"},
        StringCase{118, "Dukan MP Files (dkmpv???.s19)|dkmpv???.s19|All Files (*.*)|*.*||"},
        StringCase{119, "Dukan L Files (dk36v???.s19)|dk36v???.s19|All Files (*.*)|*.*||"},
        StringCase{120, "Dukan XL Files (dk48v???.s19)|dk48v???.s19|All Files (*.*)|*.*||"},
        StringCase{121, "Dukan XXL Files (dk60v???.s19)|dk60v???.s19|All Files (*.*)|*.*||"},
        StringCase{122, "Dukan ZRL Files (zrl*.mot)|zrl*.mot|All Files (*.*)|*.*||"},
        StringCase{123, "PLATFORM_BRVA"}, StringCase{124, "PLATFORM_CELTO"},
        StringCase{125, "PLATFORM_DUKAN"}, StringCase{126, "VARIANT"}, StringCase{127, "COMS"},
        StringCase{128, "IXOV2"}, StringCase{129, "PORT"}, StringCase{130, "APP"},
        StringCase{131, "PLATFORM"}, StringCase{132, "VARIANT_FILE"}, StringCase{133, "LOG_FLAGS"},
        StringCase{134, "LOG"}, StringCase{135, "\x0A"}, StringCase{136, "ceL\x0A"},
        StringCase{137, "\x0A"}, StringCase{138, "QbRVAZ"}, StringCase{139, "QduKanZ"},
        StringCase{140, "QduKanZ"}, StringCase{141, "9600"}, StringCase{142, "57600"},
        StringCase{143, "57600"}, StringCase{144, "B_V_Dim"}, StringCase{145, "Celto"},
        StringCase{146, "Dukan"},
        StringCase{147, "Code Update Complete. Dimmer Boot Code May be Updating."},
        StringCase{148, "Wait for Br vEr x-xx to Scroll on Dimmer Display, then press Done To "
                        "Continue."},
        StringCase{149, "Update Complete."}, StringCase{150, "Press Done To Continue."},
        StringCase{151, "Update Complete."}, StringCase{152, "Press Done To Continue."},
        StringCase{153, "IXO, K24 Dimmer"},
        StringCase{154, "IXO V1 Files (ixov???.s19|ixov???.s19|All Files (*.*)|*.*||"},
        StringCase{155, "IXO V1 Series"}, StringCase{156, "PLATFORM_IXO"},
        StringCase{157, "IXO\x0A"}, StringCase{158, "QIXOZ\x0A"}, StringCase{159, "57600"},
        StringCase{160, "IXO"}, StringCase{161, "Update Complete."},
        StringCase{162, "Press Done To Continue."}, StringCase{163, "QVR Series"},
        StringCase{164, "QVR Light Controller"},
        StringCase{165, "QVR Files (dkqvv???.s19)|dkqvv???.s19|All Files (*.*)|*.*||"},
        StringCase{166, "PLATFORM_QVR"}, StringCase{167, "\x0A"}, StringCase{168, "QduKanZ"},
        StringCase{169, "57600"}, StringCase{170, "QVR"}, StringCase{171, "Update Complete."},
        StringCase{172, "Press Done To Continue."}, StringCase{173, "IXO V2 Dimmer"},
        StringCase{174, "IXO V2 Files (ixov2.?.??*.s19|ixov2.?.??*.s19|All Files (*.*)|*.*||"},
        StringCase{175, "IXO V2 Series"}, StringCase{176, "PLATFORM_IXOV2"},
        StringCase{177, "IXOV2"}, StringCase{178, "Verrin Series"},
        StringCase{179, "PLATFORM_VERRIN"}, StringCase{180, "Verrin"}, StringCase{181, "Verrin"},
        StringCase{182, "Verrin Files (verv???.s19)|verv???.s19|All Files (*.*)|*.*||"},
        StringCase{183, "Saltir Series"}, StringCase{184, "PLATFORM_SALTIR"},
        StringCase{185, "Saltir"}, StringCase{186, "Saltir 24"}, StringCase{187, "Saltir 48"},
        StringCase{188, "Saltir 48XT"}, StringCase{189, "Saltir 96XT"},
        StringCase{190, "Saltir 24 Files (st24v???.s19)|st24v???.s19|All Files (*.*)|*.*||"},
        StringCase{191, "Saltir 48 Files (st48v???.s19)|st48v???.s19|All Files (*.*)|*.*||"},
        StringCase{192, "Saltir 48XT Files (sx48v???.s19)|sx48v???.s19|All Files (*.*)|*.*||"},
        StringCase{193, "Saltir 96XT Files (sx96v???.s19)|sx96v???.s19|All Files (*.*)|*.*||"}));

TEST(StringTable, EveryIdFrom101To193HasARowAndNoOtherDoes) {
    std::string strText;
    for (int nId = -5; nId <= 70000; ++nId)
        EXPECT_EQ(LoadStringId(nId, strText), nId >= 101 && nId <= 193) << "ID " << nId;
}

TEST(StringTable, AMissingIdLeavesTheDestinationUnchanged) {
    for (int nId : {0, -1, 100, 194, 65535}) {
        std::string strText = "kept";
        EXPECT_FALSE(LoadStringId(nId, strText));
        EXPECT_EQ(strText, "kept");
        EXPECT_EQ(StringFromId(nId), "");
    }
}

TEST(StringTable, DetectionTextsAreRealLineFeeds) {
    EXPECT_EQ(StringFromId(137), std::string(1, '\x0A'));
    std::string strVerrin = StringFromId(136);
    ASSERT_EQ(strVerrin.size(), 4u);
    EXPECT_EQ(strVerrin.substr(0, 3), "ceL");
    EXPECT_EQ(strVerrin[3], 0x0A);
}

TEST(StringTable, NamedSettingsKeys) {
    EXPECT_EQ(StringFromId(IDS_SECTION_APP), "APP");
    EXPECT_EQ(StringFromId(IDS_KEY_PORT), "PORT");
    EXPECT_EQ(StringFromId(IDS_KEY_PLATFORM), "PLATFORM");
    EXPECT_EQ(StringFromId(IDS_KEY_LOG), "LOG");
    EXPECT_EQ(StringFromId(IDS_KEY_LOG_FLAGS), "LOG_FLAGS");
    EXPECT_EQ(StringFromId(IDS_KEY_REPLY_TIMEOUT), "QVR Series");
}
