#include "catalogue/cstringtable.h"

#include <algorithm>
#include <iterator>

namespace vantoro {

namespace {

struct StringRow {
    int nId;
    const char* pszText;
};

// Sorted by ID. Texts are the documented ones, byte for byte.
constexpr StringRow kStrings[] = {
    {101, "&About Vantoro..."},
    {102, "Brava Series"},
    {103, "Celto Series"},
    {104, "duKan Series"},
    {105, "Brava Series Dimmers"},
    {106, "Celto"},
    {107, "duKan S"},
    {108, "duKan M"},
    {109, "duKan MP"},
    {110, "duKan L"},
    {111, "duKan XL"},
    {112, "duKan XXL"},
    {113, "ZRL"},
    {114, "Brava Files (brvav???.bk3)|brvav???.bk3|Brava Files (plekcode.bk3)|plekcode.bk3|"
          "All Files (*.*)|*.*||"},
    {115, "Celto 12 Files (celv???.s19)|celv???.s19|All Files (*.*)|*.*||"},
    {116, "Dukan S Files (dk12v???.s19)|dk12v???.s19|All Files (*.*)|*.*||"},
    {117, "Dukan M Files (dk24v???.s19)|dk24v???.s19|All Files (*.*)|*.*||"},
    {118, "Dukan MP Files (dkmpv???.s19)|dkmpv???.s19|All Files (*.*)|*.*||"},
    {119, "Dukan L Files (dk36v???.s19)|dk36v???.s19|All Files (*.*)|*.*||"},
    {120, "Dukan XL Files (dk48v???.s19)|dk48v???.s19|All Files (*.*)|*.*||"},
    {121, "Dukan XXL Files (dk60v???.s19)|dk60v???.s19|All Files (*.*)|*.*||"},
    {122, "Dukan ZRL Files (zrl*.mot)|zrl*.mot|All Files (*.*)|*.*||"},
    {123, "PLATFORM_BRVA"},
    {124, "PLATFORM_CELTO"},
    {125, "PLATFORM_DUKAN"},
    {126, "VARIANT"},
    {127, "COMS"},
    {128, "IXOV2"},
    {129, "PORT"},
    {130, "APP"},
    {131, "PLATFORM"},
    {132, "VARIANT_FILE"},
    {133, "LOG_FLAGS"},
    {134, "LOG"},
    {135, "\n"},
    {136, "ceL\n"},
    {137, "\n"},
    {138, "QbRVAZ"},
    {139, "QduKanZ"},
    {140, "QduKanZ"},
    {141, "9600"},
    {142, "57600"},
    {143, "57600"},
    {144, "B_V_Dim"},
    {145, "Celto"},
    {146, "Dukan"},
    {147, "Code Update Complete. Dimmer Boot Code May be Updating."},
    {148, "Wait for Br vEr x-xx to Scroll on Dimmer Display, then press Done To Continue."},
    {149, "Update Complete."},
    {150, "Press Done To Continue."},
    {151, "Update Complete."},
    {152, "Press Done To Continue."},
    {153, "IXO, K24 Dimmer"},
    {154, "IXO V1 Files (ixov???.s19|ixov???.s19|All Files (*.*)|*.*||"},
    {155, "IXO V1 Series"},
    {156, "PLATFORM_IXO"},
    {157, "IXO\n"},
    {158, "QIXOZ\n"},
    {159, "57600"},
    {160, "IXO"},
    {161, "Update Complete."},
    {162, "Press Done To Continue."},
    {163, "QVR Series"},
    {164, "QVR Light Controller"},
    {165, "QVR Files (dkqvv???.s19)|dkqvv???.s19|All Files (*.*)|*.*||"},
    {166, "PLATFORM_QVR"},
    {167, "\n"},
    {168, "QduKanZ"},
    {169, "57600"},
    {170, "QVR"},
    {171, "Update Complete."},
    {172, "Press Done To Continue."},
    {173, "IXO V2 Dimmer"},
    {174, "IXO V2 Files (ixov2.?.??*.s19|ixov2.?.??*.s19|All Files (*.*)|*.*||"},
    {175, "IXO V2 Series"},
    {176, "PLATFORM_IXOV2"},
    {177, "IXOV2"},
    {178, "Verrin Series"},
    {179, "PLATFORM_VERRIN"},
    {180, "Verrin"},
    {181, "Verrin"},
    {182, "Verrin Files (verv???.s19)|verv???.s19|All Files (*.*)|*.*||"},
    {183, "Saltir Series"},
    {184, "PLATFORM_SALTIR"},
    {185, "Saltir"},
    {186, "Saltir 24"},
    {187, "Saltir 48"},
    {188, "Saltir 48XT"},
    {189, "Saltir 96XT"},
    {190, "Saltir 24 Files (st24v???.s19)|st24v???.s19|All Files (*.*)|*.*||"},
    {191, "Saltir 48 Files (st48v???.s19)|st48v???.s19|All Files (*.*)|*.*||"},
    {192, "Saltir 48XT Files (sx48v???.s19)|sx48v???.s19|All Files (*.*)|*.*||"},
    {193, "Saltir 96XT Files (sx96v???.s19)|sx96v???.s19|All Files (*.*)|*.*||"},
};

constexpr bool IsSortedById() {
    for (std::size_t i = 1; i < std::size(kStrings); ++i) {
        if (kStrings[i - 1].nId >= kStrings[i].nId)
            return false;
    }
    return true;
}
static_assert(IsSortedById(), "the string table must stay sorted by ID for the lookup");

} // namespace

bool LoadStringId(int nId, std::string& strText) {
    const StringRow* pEnd = std::end(kStrings);
    const StringRow* pRow = std::lower_bound(
        std::begin(kStrings), pEnd, nId, [](const StringRow& row, int id) { return row.nId < id; });
    if (pRow == pEnd || pRow->nId != nId)
        return false;
    strText = pRow->pszText;
    return true;
}

std::string StringFromId(int nId) {
    std::string strText;
    LoadStringId(nId, strText);
    return strText;
}

} // namespace vantoro
