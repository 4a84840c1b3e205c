#include "link/D2XXUnit.h"

#include <algorithm>
#include <cstring>

namespace ravelin {
namespace {

constexpr std::size_t MaxText = ft::TextBufferSize - 1;

void copyIntoTextBuffer(ProgrammerLink &link, std::string_view text)
{
    link.text[0] = '\0';
    const std::size_t length = std::min(text.size(), MaxText);
    if (length == 0)
        return;
    std::memcpy(link.text.data(), text.data(), length);
    link.text[length] = '\0';
}

std::string copyOutOfTextBuffer(ProgrammerLink &link)
{
    link.text[MaxText] = '\0';
    return std::string(link.text.data());
}

FtStatus listByIndex(Core &core, std::uint32_t index, std::uint32_t what, std::string_view name)
{
    ProgrammerLink &link = core.st.link;
    const FtStatus status
        = core.transport.listDeviceByIndex(index, link.text.data(), ft::ListByIndex | what);
    if (status == ft::Ok)
        link.LastListText = copyOutOfTextBuffer(link);
    else
        ReportLinkError(core, name, status);
    return status;
}

FtStatus checked(Core &core, std::string_view name, FtStatus status)
{
    if (status != ft::Ok)
        ReportLinkError(core, name, status);
    return status;
}

} // namespace

FtStatus GetFTDeviceCount(Core &core)
{
    std::uint32_t count = 0;
    const FtStatus status = core.transport.listDeviceCount(count);
    if (status == ft::Ok)
        core.st.link.DeviceCount = count;
    return checked(core, "GetFTDeviceCount", status);
}

FtStatus GetFTDeviceSerialNo(Core &core, std::uint32_t index)
{
    return listByIndex(core, index, ft::OpenBySerialNumber, "GetFTDeviceSerialNo");
}

FtStatus GetFTDeviceDescription(Core &core, std::uint32_t index)
{
    return listByIndex(core, index, ft::OpenByDescription, "GetFTDeviceDescription");
}

FtStatus Open_USB_Device_By_Serial_Number(Core &core, std::string_view serial)
{
    ProgrammerLink &link = core.st.link;
    copyIntoTextBuffer(link, serial);
    FtHandle handle = 0;
    const FtStatus status = core.transport.openEx(link.text.data(), ft::OpenBySerialNumber, handle);
    if (status == ft::Ok) {
        link.handle = handle;
        link.openSerial = std::string(serial);
    }
    return checked(core, "Open_USB_Device_By_Serial_Number", status);
}

FtStatus ResetDevice(Core &core)
{
    return checked(core, "FT_ResetDevice", core.transport.resetDevice(core.st.link.handle));
}

FtStatus SetTimeouts(Core &core, std::uint32_t readMs, std::uint32_t writeMs)
{
    return checked(
        core, "FT_SetTimeouts", core.transport.setTimeouts(core.st.link.handle, readMs, writeMs));
}

FtStatus GetQueueStatus(Core &core)
{
    std::uint32_t count = 0;
    const FtStatus status = core.transport.getQueueStatus(core.st.link.handle, count);
    if (status == ft::Ok)
        core.st.link.RxQueueCount = count;
    return checked(core, "FT_GetQueueStatus", status);
}

FtStatus GetDeviceId(Core &core, std::uint32_t &id)
{
    return checked(core, "FT_GetDeviceInfo", core.transport.getDeviceId(core.st.link.handle, id));
}

FtStatus GetLatencyTimer(Core &core, std::uint8_t &ms)
{
    return checked(
        core, "FT_GetLatencyTimer", core.transport.getLatencyTimer(core.st.link.handle, ms));
}

std::uint32_t WriteBytes(Core &core, std::uint32_t length)
{
    ProgrammerLink &link = core.st.link;
    length = std::min<std::uint32_t>(length, ProgrammerLink::BufferSize);
    std::uint32_t written = 0;
    link.lastIoStatus = core.transport.write(link.handle, link.transmit.data(), length, written);
    checked(core, "FT_Write", link.lastIoStatus);
    return link.lastIoStatus == ft::Ok ? written : 0;
}

std::uint32_t ReadBytes(Core &core, std::uint32_t length)
{
    ProgrammerLink &link = core.st.link;
    length = std::min<std::uint32_t>(length, ProgrammerLink::BufferSize);
    std::uint32_t got = 0;
    link.lastIoStatus = core.transport.read(link.handle, link.receive.data(), length, got);
    checked(core, "FT_Read", link.lastIoStatus);
    return link.lastIoStatus == ft::Ok ? got : 0;
}

std::string linkErrorText(std::string_view name, FtStatus status)
{
    std::string_view tail;
    switch (status) {
    case ft::InvalidHandle:
        tail = " - Invalid Handle...";
        break;
    case ft::DeviceNotFound:
        tail = " - Device Not Found....";
        break;
    case ft::DeviceNotOpened:
        tail = " - Device Not Opened...";
        break;
    case ft::IoError:
        tail = " - General IO Error...";
        break;
    case ft::InsufficientResources:
        tail = " - Insufficient Resources...";
        break;
    case ft::InvalidParameter:
        tail = " - Invalid Parameter ...";
        break;
    default:
        return {};
    }
    std::string text(name);
    text += tail;
    return text;
}

void ReportLinkError(Core &core, std::string_view name, FtStatus status)
{
    if (!core.st.link.ShowLinkErrors || status == ft::Ok)
        return;
    core.host.messageBox({MessageKind::Error, linkErrorText(name, status), MessageButtons::Ok, {}});
}

} // namespace ravelin
