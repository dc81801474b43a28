#include "catalogue/ccatalogue.h"

namespace vantoro {

const VariantEntry g_saltirVariants[] = {
    {186, 190, SortByVersionAt5}, // Saltir 24
    {187, 191, SortByVersionAt5}, // Saltir 48
    {188, 192, SortByVersionAt5}, // Saltir 48XT
    {189, 193, SortByVersionAt5}, // Saltir 96XT
    {0, 0, nullptr},
};

const VariantEntry g_verrinVariants[] = {
    {181, 182, SortByVersionAt4}, // Verrin
    {0, 0, nullptr},
};

const TargetDescriptor g_targetDescriptors[] = {
    // name, section, detect, handshake, baud, folder, complete status, complete action, models
    {183, 184, 137, 140, 143, 185, 151, 152, g_saltirVariants}, // Saltir Series
    {178, 179, 136, 139, 142, 180, 149, 150, g_verrinVariants}, // Verrin Series
    {0, 0, 0, 0, 0, 0, 0, 0, nullptr},
};

std::vector<CTarget> BuildCatalogue(const TargetDescriptor* pDescriptors) {
    std::vector<CTarget> targets;
    if (pDescriptors == nullptr)
        return targets;
    for (const TargetDescriptor* pRow = pDescriptors; pRow->nNameId > 0; ++pRow) {
        CTarget target;
        target.SetNameId(pRow->nNameId);
        target.SetSectionId(pRow->nSectionId);
        target.SetDetectTextId(pRow->nDetectTextId);
        target.SetHandshakeTextId(pRow->nHandshakeTextId);
        target.SetBaudRateId(pRow->nBaudRateId);
        target.SetFolderId(pRow->nFolderId);
        target.SetCompleteStatusId(pRow->nCompleteStatusId);
        target.SetCompleteActionId(pRow->nCompleteActionId);
        target.AddVariants(pRow->pVariants);
        targets.push_back(std::move(target));
    }
    return targets;
}

} // namespace vantoro
