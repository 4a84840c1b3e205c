#pragma once

#include "app/Core.h"

namespace ravelin {

// Applies the device list row in Device_Box's tag (st.device.selectedRow):
// the caption, the jumper diagram while the user sets the board, the device's
// values, its erase and data EEPROM controls and a fresh configuration word.
// Ends with an idle step. The buffer is left as it is.
void SelectDevice(Core &core);

// The Device button: the list, with the commands locked until a row is picked.
void DeviceClick(Core &core);
// A click on a row of the list.
void Device_BoxClick(Core &core, int row);

// The list rows and the seven jumper drawings, once at start.
void loadJumperDiagrams(WindowModel &ui);

} // namespace ravelin
