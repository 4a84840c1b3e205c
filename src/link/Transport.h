#pragma once

#include <cstddef>
#include <cstdint>

namespace ravelin {

// The D2XX calls this program makes, with the vendor's status codes. The
// libftdi1 backend and the simulated programmer both implement it.
using FtStatus = std::uint32_t;
using FtHandle = std::uint32_t;

namespace ft {
inline constexpr FtStatus Ok = 0;
inline constexpr FtStatus InvalidHandle = 1;
inline constexpr FtStatus DeviceNotFound = 2;
inline constexpr FtStatus DeviceNotOpened = 3;
inline constexpr FtStatus IoError = 4;
inline constexpr FtStatus InsufficientResources = 5;
inline constexpr FtStatus InvalidParameter = 6;
inline constexpr FtStatus NotSupported = 17;

inline constexpr std::uint32_t ListNumberOnly = 0x80000000u;
inline constexpr std::uint32_t ListByIndex = 0x40000000u;
inline constexpr std::uint32_t OpenBySerialNumber = 1;
inline constexpr std::uint32_t OpenByDescription = 2;

// The text buffer the list and open calls fill or read: 49 characters and a NUL.
inline constexpr std::size_t TextBufferSize = 50;
} // namespace ft

class Transport
{
public:
    virtual ~Transport() = default;

    // FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY)
    virtual FtStatus listDeviceCount(std::uint32_t &count) = 0;
    // FT_ListDevices(index, buffer, FT_LIST_BY_INDEX | what): what is
    // OpenBySerialNumber or OpenByDescription; the buffer holds TextBufferSize bytes.
    virtual FtStatus listDeviceByIndex(std::uint32_t index, char *buffer, std::uint32_t flags) = 0;
    // FT_OpenEx(text, FT_OPEN_BY_SERIAL_NUMBER, &handle)
    virtual FtStatus openEx(const char *text, std::uint32_t flags, FtHandle &handle) = 0;
    virtual FtStatus resetDevice(FtHandle handle) = 0;
    virtual FtStatus setTimeouts(FtHandle handle, std::uint32_t readMs, std::uint32_t writeMs) = 0;
    virtual FtStatus getQueueStatus(FtHandle handle, std::uint32_t &rxCount) = 0;
    virtual FtStatus write(
        FtHandle handle, const std::uint8_t *data, std::uint32_t length, std::uint32_t &written)
        = 0;
    // Waits at most the read time-out and returns what arrived, with status Ok.
    virtual FtStatus read(
        FtHandle handle, std::uint8_t *data, std::uint32_t length, std::uint32_t &got)
        = 0;

    // FT_GetDeviceInfo's device id: the USB vendor id in the high half, the
    // product id in the low half. Only the console's diagnosis asks.
    virtual FtStatus getDeviceId(FtHandle, std::uint32_t &) { return ft::NotSupported; }
    // FT_GetLatencyTimer: how long the chip holds a short reply back.
    virtual FtStatus getLatencyTimer(FtHandle, std::uint8_t &) { return ft::NotSupported; }
};

} // namespace ravelin
