#include "link/ftdi/FtdiResults.h"

#include <libusb.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace ravelin::ftdiresults {

namespace {
// libftdi's "USB device unavailable": the context holds no open device.
constexpr int NoUsbDevice = -666;
// ftdi_usb_get_strings2 and ftdi_usb_open_dev: libusb_open() failed.
constexpr int CouldNotOpen = -4;
constexpr std::size_t MaxTextLength = ft::TextBufferSize - 1;
} // namespace

int usbTimeoutMs(std::uint32_t ms)
{
    if (ms == 0)
        return static_cast<int>(DefaultTimeoutMs);
    return static_cast<int>(std::min<std::uint32_t>(ms, INT_MAX));
}

ReadOutcome readOutcome(int result)
{
    if (result >= 0)
        return {};
    switch (result) {
    case LIBUSB_ERROR_TIMEOUT:
        // A live chip answers every bulk read within its latency period, if
        // only with its two status bytes; a read that times out brought
        // nothing, which is not a failure of the queue poll by itself.
        return {};
    case LIBUSB_ERROR_NO_DEVICE:
    case -ENODEV:
        return {ft::IoError, true};
    case NoUsbDevice:
        return {ft::DeviceNotOpened, false};
    default:
        return {ft::IoError, false};
    }
}

FtStatus writeStatus(int result)
{
    if (result >= 0)
        return ft::Ok;
    return result == NoUsbDevice ? ft::DeviceNotOpened : ft::IoError;
}

FtStatus openStatus(int result)
{
    if (result >= 0)
        return ft::Ok;
    // Whatever stopped it (no permission, claimed by another program, gone
    // meanwhile), the vendor's driver reports an open that failed this way.
    return ft::DeviceNotOpened;
}

FtStatus stringsStatus(int result)
{
    if (result >= 0)
        return ft::Ok;
    return result == CouldNotOpen ? ft::DeviceNotOpened : ft::IoError;
}

std::string_view requestedText(const char *text)
{
    if (text == nullptr)
        return {};
    std::size_t length = 0;
    while (length < MaxTextLength && text[length] != '\0')
        ++length;
    return {text, length};
}

void copyListText(std::string_view text, char *buffer)
{
    const std::size_t length = std::min(text.size(), MaxTextLength);
    std::copy_n(text.data(), length, buffer);
    buffer[length] = '\0';
}

} // namespace ravelin::ftdiresults
