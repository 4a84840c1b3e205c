#include "sim/ChipTable.h"

#include <algorithm>

namespace ravelin::sim {

const ChipInfo *findChip(std::string_view name)
{
    const auto *found = std::find_if(ChipTable.begin(), ChipTable.end(),
        [name](const ChipInfo &chip) { return chip.name == name; });
    return found == ChipTable.end() ? nullptr : found;
}

} // namespace ravelin::sim
