#pragma once

#include "link/Transport.h"
#include "link/ftdi/FtdiResults.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string_view>

struct ftdi_context;
struct libusb_device;

namespace ravelin {

// The transport on a real programmer: the D2XX calls carried out with
// libftdi1 on an FT232R-class chip.
class FtdiTransport final : public Transport
{
public:
    // defaultTimeoutMs applies to every USB transfer of a freshly opened
    // device until setTimeouts is called; tests keep it short.
    explicit FtdiTransport(std::uint32_t defaultTimeoutMs = ftdiresults::DefaultTimeoutMs);
    ~FtdiTransport() override;
    FtdiTransport(const FtdiTransport &) = delete;
    FtdiTransport &operator=(const FtdiTransport &) = delete;

    FtStatus listDeviceCount(std::uint32_t &count) override;
    FtStatus listDeviceByIndex(std::uint32_t index, char *buffer, std::uint32_t flags) override;
    FtStatus openEx(const char *text, std::uint32_t flags, FtHandle &handle) override;
    FtStatus resetDevice(FtHandle handle) override;
    FtStatus setTimeouts(FtHandle handle, std::uint32_t readMs, std::uint32_t writeMs) override;
    FtStatus getQueueStatus(FtHandle handle, std::uint32_t &rxCount) override;
    FtStatus write(FtHandle handle, const std::uint8_t *data, std::uint32_t length,
        std::uint32_t &written) override;
    FtStatus read(
        FtHandle handle, std::uint8_t *data, std::uint32_t length, std::uint32_t &got) override;
    FtStatus getDeviceId(FtHandle handle, std::uint32_t &id) override;
    FtStatus getLatencyTimer(FtHandle handle, std::uint8_t &ms) override;

private:
    struct ContextDeleter
    {
        void operator()(ftdi_context *context) const;
    };
    using Context = std::unique_ptr<ftdi_context, ContextDeleter>;

    static Context newContext(std::uint32_t timeoutMs);
    // The serial number or description of one listed device, read with the
    // given context (which must have no device open).
    static FtStatus deviceText(ftdi_context *context, libusb_device *device, std::uint32_t what,
        char (&text)[ft::TextBufferSize]);
    FtStatus checkOpen(FtHandle handle) const;
    // One ftdi_read_data call; whatever arrived joins the receive FIFO.
    FtStatus poll();
    std::uint32_t takeFromFifo(std::uint8_t *data, std::uint32_t length);

    std::uint32_t m_defaultTimeoutMs;
    // Listing reads string descriptors, which needs a context with no device
    // of its own open.
    Context m_listContext;
    Context m_device;
    FtHandle m_handle = 0;
    FtHandle m_lastHandle = 0;
    bool m_deviceGone = false;
    std::uint32_t m_readTimeoutMs;
    // D2XX keeps what the chip sent until it is read; libftdi only hands it
    // over when asked, so it waits here between a queue poll and the read.
    std::deque<std::uint8_t> m_fifo;
};

} // namespace ravelin
