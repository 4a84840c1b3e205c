#pragma once

#include "devices/Catalogue.h"
#include "devices/Selection.h"
#include "sim/ChipImage.h"
#include "sim/SimChip.h"
#include "support/Rig.h"

#include <QTest>

#include <memory>
#include <string>

namespace ravelin::test {

inline std::string testFile(const std::string &relative)
{
    return std::string(RAVELIN_TEST_DATA) + "/" + relative;
}

// The catalogue row whose Device button reads this caption.
inline int catalogueRow(std::string_view caption)
{
    for (std::size_t row = 0; row < DeviceCatalogue.size(); ++row) {
        if (!DeviceCatalogue[row].isSeparator() && DeviceCatalogue[row].caption == caption)
            return int(row);
    }
    return -1;
}

// The program on the simulated programmer with a chip in the socket and the
// device picked in the list, as a user would have it before a command.
struct ChipRig : Rig
{
    explicit ChipRig(const std::string &chipName, sim::ChipOptions chipOptions = {},
        sim::LinkFaults faults = {}, const std::string &device = {})
        : Rig({}, faults)
        , chip(sim::makeChip(chipName, chipOptions))
    {
        if (chip)
            programmer.setSocket(chip.get());
        start();
        // "-": no device picked, as at a first start.
        if (device != "-")
            select(device.empty() ? chipName : device);
        trace.clear();
        host.boxes.clear();
    }

    void select(const std::string &caption)
    {
        st.device.selectedRow = catalogueRow(caption);
        SelectDevice(form.core());
    }

    bool loadChip(const std::string &relative)
    {
        return sim::loadHexFile(*chip, testFile(relative)).ok;
    }

    Core &core() { return form.core(); }
    std::uint16_t &buffer(unsigned address) { return st.buffer.DeviceBuffer[address]; }
    std::string status() const { return caption(ControlId::StaticText3); }

    std::unique_ptr<sim::SimChip> chip;
};

} // namespace ravelin::test
