#pragma once

#include "record/ProductionRecord.h"

#include <string>
#include <vector>

namespace ravelin::record {

// The record listed for a person: aligned columns, a line per loose serial
// number, and the count of chips ok and failed.
std::string recordTable(
    const std::vector<ChipRow> &chips, const std::vector<ProductionRecord::LooseSerial> &loose);
// Every field of every chip for a spreadsheet, quoted as RFC 4180 has it.
std::string recordCsv(const std::vector<ChipRow> &chips);
// {"chips": [...], "loose_serials": [...]}, null for a value the chip did not give.
std::string recordJson(
    const std::vector<ChipRow> &chips, const std::vector<ProductionRecord::LooseSerial> &loose);

} // namespace ravelin::record
