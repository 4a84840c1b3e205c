#pragma once

#include "buffer/BufferState.h"
#include "devices/DeviceState.h"
#include "link/LinkState.h"
#include "operations/OperationState.h"

#include <cstdint>
#include <string>

namespace ravelin {

// Every process-wide value, in one place, passed by reference.
struct AppState
{
    std::int32_t ConnectionState = 0; // 0 none, 1 one device, 2 programmer answered
    std::int32_t FirmwareVersion = 0;
    std::string OpenSerialNumber;
    ProgrammerLink link;
    ExchangeState exchange;
    DeviceState device;
    OperationState op;
    BufferState buffer;
    EditorState editor;

    // Something that talks to the programmer is running (a device command, a
    // firmware update or a programmer search); the status line ignores clicks then.
    int linkBusy = 0;
    bool activated = false; // the start-up sequence has run
    // The start-up has read Ravelin.Cfg (or found none): only then may a close
    // write it, or a close that came first would put defaults over the user's.
    bool settingsRead = false;
    bool closing = false; // the window was closed; pumps must not start new work
};

} // namespace ravelin
