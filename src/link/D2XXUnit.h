#pragma once

#include "app/Core.h"

#include <string>
#include <string_view>

namespace ravelin {

// The one place that calls the D2XX transport. Every operation makes one call,
// keeps what it returns and hands a failing status to ReportLinkError.
FtStatus GetFTDeviceCount(Core &core);
FtStatus GetFTDeviceSerialNo(Core &core, std::uint32_t index);
FtStatus GetFTDeviceDescription(Core &core, std::uint32_t index);
FtStatus Open_USB_Device_By_Serial_Number(Core &core, std::string_view serial);
FtStatus ResetDevice(Core &core);
FtStatus SetTimeouts(Core &core, std::uint32_t readMs, std::uint32_t writeMs);
FtStatus GetQueueStatus(Core &core);
// The diagnosis of the open device: vendor and product id, latency timer.
FtStatus GetDeviceId(Core &core, std::uint32_t &id);
FtStatus GetLatencyTimer(Core &core, std::uint8_t &ms);
// Both return the byte count; the status goes to the link's last I/O status.
std::uint32_t WriteBytes(Core &core, std::uint32_t length);
std::uint32_t ReadBytes(Core &core, std::uint32_t length);

void ReportLinkError(Core &core, std::string_view name, FtStatus status);
// The error box text: the operation's name and the status text, or empty for
// a status the library does not document.
std::string linkErrorText(std::string_view name, FtStatus status);

} // namespace ravelin
