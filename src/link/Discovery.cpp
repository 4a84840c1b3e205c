#include "link/Discovery.h"

#include "link/D2XXUnit.h"
#include "link/FirmwareUpdate.h"
#include "link/PacketExchange.h"

#include <algorithm>
#include <string>

namespace ravelin {
namespace {

void showNotFound(Core &core)
{
    core.host.messageBox({MessageKind::Information, "The Quillon Programmer Could Not Be Found....",
        MessageButtons::Ok, DiscoveryBoxPosition});
}

std::string versionText(std::uint8_t major, std::uint8_t minor)
{
    std::string text = std::to_string(major) + ".";
    const std::string minorText = std::to_string(minor);
    if (minorText.size() < 2)
        text += '0';
    return text + minorText;
}

void sendVersionRequest(Core &core)
{
    std::uint8_t *packet = commandPacket(core);
    std::fill(packet, packet + 7, std::uint8_t {0});
    packet[0] = 0x56;
    SendPacket(core);
}

// The search itself; the caller hides the message panel whichever way it ends.
void search(Core &core)
{
    GetFTDeviceCount(core);
    const std::string &wanted = core.st.link.wantedSerial;
    std::uint32_t index = 0;
    if (wanted.empty()) {
        if (core.st.link.DeviceCount != 1) {
            showNotFound(core);
            return;
        }
        GetFTDeviceSerialNo(core, index);
    } else {
        // Several devices may be attached: the one asked for by name.
        while (index < core.st.link.DeviceCount
            && (GetFTDeviceSerialNo(core, index) != ft::Ok || core.st.link.LastListText != wanted))
            ++index;
        if (index == core.st.link.DeviceCount) {
            showNotFound(core);
            return;
        }
    }

    // The open needs the serial number of the device found; the description
    // read next replaces it in the list text.
    const std::string serial = core.st.link.LastListText;
    GetFTDeviceDescription(core, index);
    if (Open_USB_Device_By_Serial_Number(core, serial) == ft::Ok)
        SetTimeouts(core, 40, 0);

    core.st.ConnectionState = 1;
    sendVersionRequest(core);

    const std::uint8_t *reply = replyBuffer(core);
    // A wait that read at once because of a stop left over from start-up (the
    // end record of the last file loaded, a tick) may have read nothing: the
    // buffer then holds no version reply, whatever its byte 6 says.
    if (reply[6] != 0 || !core.st.exchange.replyComplete) {
        showNotFound(core);
        return;
    }

    core.st.ConnectionState = 2;
    const std::uint8_t major = reply[1];
    const std::uint8_t minor = reply[2];
    core.ui.setCaption(ControlId::StaticText3,
        "Usb Programmer Found - FirmWare Version " + versionText(major, minor));
    core.st.FirmwareVersion = major * 256 + minor;

    std::uint8_t *packet = commandPacket(core);
    packet[0] = 0x90;
    packet[1] = 0x3F;
    packet[2] = 0x30;
    SendPacket(core);

    if (core.st.FirmwareVersion < RequiredFirmwareVersion) {
        const MessageAnswer answer = core.host.messageBox({MessageKind::Confirmation,
            "This Software Requires Firmware Version - 1.20\nDo You Want to Flash Update the "
            "Programmer ?",
            MessageButtons::YesNo, DiscoveryBoxPosition});
        if (answer == MessageAnswer::Yes)
            UpdateFirmware(core);
    }
}

} // namespace

void FindProgrammer(Core &core)
{
    const LinkBusyScope busy(core);
    core.ui.clearLines(ControlId::Memo1);
    core.ui.show(ControlId::Memo1);
    core.st.link.ShowLinkErrors = false;
    search(core);
    core.ui.hide(ControlId::Memo1);
}

} // namespace ravelin

namespace ravelin {

std::string firmwareVersionText(std::int32_t version)
{
    return versionText(static_cast<std::uint8_t>((version >> 8) & 0xFF),
        static_cast<std::uint8_t>(version & 0xFF));
}

std::vector<BusDevice> ListBusDevices(Core &core)
{
    std::vector<BusDevice> devices;
    if (GetFTDeviceCount(core) != ft::Ok)
        return devices;
    for (std::uint32_t index = 0; index < core.st.link.DeviceCount; ++index) {
        BusDevice device {index, {}, {}};
        if (GetFTDeviceSerialNo(core, index) == ft::Ok)
            device.serial = core.st.link.LastListText;
        if (GetFTDeviceDescription(core, index) == ft::Ok)
            device.description = core.st.link.LastListText;
        devices.push_back(std::move(device));
    }
    return devices;
}

std::vector<std::uint64_t> VersionRoundTrips(Core &core, int count)
{
    const LinkBusyScope busy(core);
    std::vector<std::uint64_t> trips;
    for (int i = 0; i < count; ++i) {
        const std::uint64_t sent = core.host.nowUs();
        sendVersionRequest(core);
        if (!core.st.exchange.replyComplete || core.st.exchange.linkFailed)
            break;
        trips.push_back(core.host.nowUs() - sent);
    }
    return trips;
}

} // namespace ravelin
