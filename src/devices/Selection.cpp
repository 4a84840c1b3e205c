#include "devices/Selection.h"

#include "app/Format.h"
#include "app/Steps.h"
#include "devices/Catalogue.h"
#include "devices/ConfigEditor.h"
#include "devices/JumperDiagrams.h"

namespace ravelin {
namespace {

constexpr ScreenPoint DiagramPausePosition {360, 260};

void information(Core &core, std::string text, std::optional<ScreenPoint> position = {})
{
    core.host.messageBox({MessageKind::Information, std::move(text), MessageButtons::Ok, position});
}

void showEraseControls(Core &core, bool erasable)
{
    core.ui.setVisible(ControlId::Erase_But, erasable);
    // The red backdrop frames Program_Eprom, and Erase_But below it when shown.
    core.ui.setHeight(ControlId::Label1, erasable ? 46 : 25);
}

void showEepromControls(Core &core)
{
    DeviceState &device = core.st.device;
    WindowModel &ui = core.ui;
    if (device.eeSizeCode == 0) {
        for (ControlId id : {ControlId::Prg_EE, ControlId::Label7, ControlId::Verify_EE,
                 ControlId::Label8, ControlId::EEprom_End})
            ui.hide(id);
        ui.setHeight(ControlId::Label6, 46);
        ui.hide(ControlId::EEprom_Begin);
        return;
    }
    device.LastEEAddress = lastEEAddressOf(device.eeSizeCode, device.LastEEAddress);
    ui.setCaption(ControlId::EEprom_Begin, "EE Start=2000");
    ui.setCaption(ControlId::EEprom_End, "EE End=" + hex4(device.LastEEAddress));
    for (ControlId id : {ControlId::Prg_EE, ControlId::Label7, ControlId::Verify_EE,
             ControlId::Label8, ControlId::EEprom_End})
        ui.show(id);
    // The aqua backdrop grows over the two EEPROM address buttons.
    ui.setHeight(ControlId::Label6, 88);
    ui.show(ControlId::EEprom_Begin);
}

} // namespace

void SelectDevice(Core &core)
{
    DeviceState &device = core.st.device;
    WindowModel &ui = core.ui;
    device.FamilyCode = Family::None;
    device.eraseFlag = 0;
    device.StartAddress = 0;
    device.eeSizeCode = 0;

    const int row = device.selectedRow;
    if (row >= 0 && static_cast<std::size_t>(row) < DeviceCatalogue.size()) {
        const CatalogueRow &entry = DeviceCatalogue[static_cast<std::size_t>(row)];
        ui.setCaption(ControlId::Device, std::string(entry.caption));
        if (entry.isSeparator()) {
            information(core, "No Device Was Selected.");
        } else {
            ui.show(entry.diagram);
            device.FamilyCode = entry.family;
            device.LastProgramAddress = entry.LastProgramAddress;
            device.eraseFlag = entry.erase == Erase::Erasable ? 1 : 0;
            device.eeSizeCode = entry.eeSizeCode;
        }
    }
    // A row outside the list (a damaged settings file) applies nothing.

    ui.setCaption(ControlId::End_Add, "Device End=" + hex4(device.LastProgramAddress));
    // The diagram stays up until the user has set the board and pressed OK.
    if (device.FamilyCode != Family::None)
        information(core, "", DiagramPausePosition);
    for (ControlId id : JumperDiagrams)
        ui.hide(id);

    showEraseControls(core, device.eraseFlag != 0);
    showEepromControls(core);

    device.WordMask = wordMaskOf(device.FamilyCode);
    device.ConfigWord = 0x3FFF;
    ShowConfigWord(core);
    IdleStep(core);
}

void DeviceClick(Core &core)
{
    BusyStep(core);
    core.ui.show(ControlId::Device_Box);
}

void Device_BoxClick(Core &core, int row)
{
    core.st.device.selectedRow = row;
    core.ui.setItemIndex(ControlId::Device_Box, row);
    core.ui.hide(ControlId::Device_Box);
    SelectDevice(core);
    IdleStep(core);
}

void loadJumperDiagrams(WindowModel &ui)
{
    std::vector<std::string> rows;
    rows.reserve(DeviceCatalogue.size());
    for (const CatalogueRow &row : DeviceCatalogue)
        rows.emplace_back(row.listText);
    ui.setItems(ControlId::Device_Box, std::move(rows));
    for (ControlId id : JumperDiagrams) {
        std::vector<std::string> lines;
        for (std::string_view line : jumperDrawing(id))
            lines.emplace_back(line);
        ui.setLines(id, std::move(lines));
    }
}

} // namespace ravelin
