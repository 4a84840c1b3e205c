#pragma once

#include <cstdint>

namespace ravelin {

// Values the programming primitives and commands share.
struct OperationState
{
    std::uint16_t CurrentAddress = 0;
    std::uint16_t DataWord = 0;
    std::uint8_t TargetCommand = 0;
    std::uint8_t ReadCommand = 0;
    std::uint8_t LoadCommand = 0;
    std::uint8_t VoltageCode = 0;
    std::uint8_t ParallelControl = 0;
    std::uint16_t PulseDelaySetting = 5;
    int failureFlag = 0; // StaticText2's tag
    int programFlag = 0; // Program_Eprom's tag
};

} // namespace ravelin
