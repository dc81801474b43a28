#pragma once

#include "catalogue/ctarget.h"

#include <vector>

// The compiled-in descriptor and model tables and the catalogue build.
namespace vantoro {

// The descriptor table: "Saltir Series", "Verrin Series", then the all-zero end row.
extern const TargetDescriptor g_targetDescriptors[];
// The model tables, each closed by an all-zero row.
extern const VariantEntry g_saltirVariants[];
extern const VariantEntry g_verrinVariants[];

// One CTarget per descriptor row, in table order, filled with the row's eight IDs (in the
// documented order) and its models; stops at the first row whose name ID is 0 or negative.
std::vector<CTarget> BuildCatalogue(const TargetDescriptor* pDescriptors = g_targetDescriptors);

} // namespace vantoro
