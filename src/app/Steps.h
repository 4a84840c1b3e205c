#pragma once

#include "app/Core.h"

#include <array>

namespace ravelin {

// The controls a busy step locks, in the order it disables them.
inline constexpr std::array<ControlId, 20> BusyLocked {ControlId::Program_Eprom,
    ControlId::Fuse_Settings, ControlId::EEprom_Begin, ControlId::Verify_Eprom,
    ControlId::Chk_Sum_But, ControlId::EEprom_End, ControlId::Move_Eprom, ControlId::Blank_Chk,
    ControlId::Erase_But, ControlId::Start_Add, ControlId::Verify_EE, ControlId::Save_But,
    ControlId::Load_But, ControlId::File_But, ControlId::V_Verify, ControlId::End_Add,
    ControlId::Device, ControlId::Prg_EE, ControlId::Edit, ControlId::Fill};

// The device commands, which need a programmer.
inline constexpr std::array<ControlId, 5> DeviceCommands {ControlId::Program_Eprom,
    ControlId::Verify_Eprom, ControlId::Move_Eprom, ControlId::Blank_Chk, ControlId::Erase_But};

// The controls every idle step unlocks, in order.
inline constexpr std::array<ControlId, 15> IdleUnlocked {ControlId::Fuse_Settings,
    ControlId::EEprom_Begin, ControlId::Chk_Sum_But, ControlId::EEprom_End, ControlId::Start_Add,
    ControlId::Verify_EE, ControlId::Save_But, ControlId::Load_But, ControlId::File_But,
    ControlId::V_Verify, ControlId::End_Add, ControlId::Device, ControlId::Prg_EE, ControlId::Edit,
    ControlId::Fill};

// The pickers an idle step puts away.
inline constexpr std::array<ControlId, 7> IdleHidden {ControlId::StaticText2, ControlId::File_Type,
    ControlId::Buf_Start, ControlId::FillEdit, ControlId::EE_Start, ControlId::ID_Start,
    ControlId::FillBox};

void BusyStep(Core &core);
void IdleStep(Core &core);

} // namespace ravelin
