#include "link/ftdi/FtdiTransport.h"

#include <ftdi.h>
#include <libusb.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>

namespace ravelin {

namespace {

using namespace ftdiresults;

// What ftdi_usb_find_all searches with vendor and product 0: VID 0x0403 with
// the FT232/FT2232/FT4232/FT232H/FT-X product ids.
constexpr int AnyFtdiVendor = 0;
constexpr int AnyFtdiProduct = 0;

// libftdi reads in chunks of this size; asking for at least as much leaves
// nothing behind in libftdi's own buffer, so the FIFO is the one queue.
constexpr int PollSize = 4096;

// At the chip's default of 16 ms every short reply sits in the chip until the
// latency timer runs out; each 8-byte packet exchange would cost 16 ms.
constexpr unsigned char LatencyMs = 1;

// The rate the vendor's driver leaves a freshly opened chip at; this program
// never sets another.
constexpr int FreshBaudRate = 9600;

// A find_all list, freed while its context still exists.
class DeviceList
{
public:
    DeviceList() = default;
    ~DeviceList() { ftdi_list_free(&m_list); }
    DeviceList(const DeviceList &) = delete;
    DeviceList &operator=(const DeviceList &) = delete;

    int find(ftdi_context *context)
    {
        return ftdi_usb_find_all(context, &m_list, AnyFtdiVendor, AnyFtdiProduct);
    }
    ftdi_device_list *first() const { return m_list; }

private:
    ftdi_device_list *m_list = nullptr;
};

// The same chip at the same place on the bus: a chip plugged in again gets
// a new address.
bool sameDevice(libusb_device *a, libusb_device *b)
{
    return libusb_get_bus_number(a) == libusb_get_bus_number(b)
        && libusb_get_device_address(a) == libusb_get_device_address(b);
}

bool validListFlags(std::uint32_t flags)
{
    return flags == (ft::ListByIndex | ft::OpenBySerialNumber)
        || flags == (ft::ListByIndex | ft::OpenByDescription);
}

} // namespace

void FtdiTransport::ContextDeleter::operator()(ftdi_context *context) const
{
    // Releases the interface, so a later open in this process can claim it.
    ftdi_usb_close(context);
    ftdi_free(context);
}

FtdiTransport::FtdiTransport(std::uint32_t defaultTimeoutMs)
    : m_defaultTimeoutMs(defaultTimeoutMs)
    , m_readTimeoutMs(defaultTimeoutMs)
{ }

FtdiTransport::~FtdiTransport() = default;

FtdiTransport::Context FtdiTransport::newContext(std::uint32_t timeoutMs)
{
    Context context(ftdi_new());
    if (context) {
        context->usb_read_timeout = usbTimeoutMs(timeoutMs);
        context->usb_write_timeout = usbTimeoutMs(timeoutMs);
    }
    return context;
}

FtStatus FtdiTransport::deviceText(ftdi_context *context, libusb_device *device, std::uint32_t what,
    char (&text)[ft::TextBufferSize])
{
    // A chip without the string has none to read; its text is empty, as the
    // vendor's driver lists it.
    libusb_device_descriptor descriptor {};
    if (libusb_get_device_descriptor(device, &descriptor) != 0)
        return ft::IoError;
    const std::uint8_t index
        = (what & ft::OpenBySerialNumber) != 0 ? descriptor.iSerialNumber : descriptor.iProduct;
    if (index == 0) {
        text[0] = '\0';
        return ft::Ok;
    }
    // Only the string asked for is fetched: each one is a control transfer.
    char *description = (what & ft::OpenByDescription) != 0 ? text : nullptr;
    char *serial = (what & ft::OpenBySerialNumber) != 0 ? text : nullptr;
    const int result = ftdi_usb_get_strings2(context, device, nullptr, 0, description,
        description ? sizeof text : 0, serial, serial ? sizeof text : 0);
    return stringsStatus(result);
}

FtStatus FtdiTransport::listDeviceCount(std::uint32_t &count)
{
    if (!m_listContext)
        m_listContext = newContext(m_defaultTimeoutMs);
    if (!m_listContext)
        return ft::InsufficientResources;
    DeviceList list;
    const int found = list.find(m_listContext.get());
    if (found < 0)
        return ft::IoError;
    count = static_cast<std::uint32_t>(found);
    return ft::Ok;
}

FtStatus FtdiTransport::listDeviceByIndex(std::uint32_t index, char *buffer, std::uint32_t flags)
{
    if (buffer == nullptr || !validListFlags(flags))
        return ft::InvalidParameter;
    if (!m_listContext)
        m_listContext = newContext(m_defaultTimeoutMs);
    if (!m_listContext)
        return ft::InsufficientResources;
    DeviceList list;
    if (list.find(m_listContext.get()) < 0)
        return ft::IoError;
    ftdi_device_list *node = list.first();
    for (std::uint32_t i = 0; node != nullptr && i < index; ++i)
        node = node->next;
    if (node == nullptr)
        return ft::DeviceNotFound;
    char text[ft::TextBufferSize] = {};
    const FtStatus status = deviceText(m_listContext.get(), node->dev, flags, text);
    if (status == ft::Ok)
        copyListText(text, buffer);
    return status;
}

FtStatus FtdiTransport::openEx(const char *text, std::uint32_t flags, FtHandle &handle)
{
    if (text == nullptr || (flags != ft::OpenBySerialNumber && flags != ft::OpenByDescription))
        return ft::InvalidParameter;
    // An empty text finds the first chip on the bus without that string.
    const std::string_view wanted = requestedText(text);

    // The device is looked up in the context that will own it: a libusb
    // device belongs to the libusb context that listed it.
    Context context = newContext(m_defaultTimeoutMs);
    if (!context)
        return ft::InsufficientResources;
    DeviceList list;
    if (list.find(context.get()) < 0)
        return ft::IoError;
    libusb_device *match = nullptr;
    for (ftdi_device_list *node = list.first(); node != nullptr && match == nullptr;
         node = node->next) {
        char found[ft::TextBufferSize] = {};
        // A device that cannot be asked (no permission, busy) is not the one.
        if (deviceText(context.get(), node->dev, flags, found) == ft::Ok
            && requestedText(found) == wanted)
            match = node->dev;
    }
    if (match == nullptr)
        return ft::DeviceNotFound;

    // Every programmer search opens again without closing, and an open that
    // fails leaves the earlier handle working. The chip open already keeps
    // its interface claimed, which cannot be claimed twice: it is taken over
    // and brought to where a fresh open leaves it.
    const bool reopen
        = m_device && !m_deviceGone && sameDevice(libusb_get_device(m_device->usb_dev), match);
    if (reopen) {
        if (ftdi_usb_reset(m_device.get()) != 0
            || ftdi_set_baudrate(m_device.get(), FreshBaudRate) != 0)
            return ft::DeviceNotOpened;
        if (ftdi_set_latency_timer(m_device.get(), LatencyMs) != 0)
            return ft::IoError;
    } else {
        // Also resets the chip and sets 9600 baud.
        if (const FtStatus status = openStatus(ftdi_usb_open_dev(context.get(), match));
            status != ft::Ok)
            return status;
        if (ftdi_set_latency_timer(context.get(), LatencyMs) != 0)
            return ft::IoError;
        m_device = std::move(context);
    }
    m_deviceGone = false;
    m_fifo.clear();
    // Time-outs belong to a handle, as with the vendor's driver.
    m_readTimeoutMs = m_defaultTimeoutMs;
    m_device->usb_read_timeout = usbTimeoutMs(m_defaultTimeoutMs);
    m_device->usb_write_timeout = usbTimeoutMs(m_defaultTimeoutMs);
    m_handle = ++m_lastHandle;
    if (m_handle == 0)
        m_handle = ++m_lastHandle;
    handle = m_handle;
    return ft::Ok;
}

FtStatus FtdiTransport::checkOpen(FtHandle handle) const
{
    if (!m_device || handle == 0 || handle != m_handle)
        return ft::InvalidHandle;
    // Once unplugged, a handle stays dead; failing at once spares every
    // later call a USB time-out.
    if (m_deviceGone)
        return ft::IoError;
    return ft::Ok;
}

FtStatus FtdiTransport::resetDevice(FtHandle handle)
{
    if (const FtStatus status = checkOpen(handle); status != ft::Ok)
        return status;
    // A reset purges the chip's buffers; what was waiting here goes too.
    m_fifo.clear();
    return ftdi_usb_reset(m_device.get()) == 0 ? ft::Ok : ft::IoError;
}

FtStatus FtdiTransport::setTimeouts(FtHandle handle, std::uint32_t readMs, std::uint32_t writeMs)
{
    if (const FtStatus status = checkOpen(handle); status != ft::Ok)
        return status;
    // libftdi has no read time-out of its own to set: read() keeps the
    // deadline. The USB read time-out only bounds a single bulk transfer,
    // which a live chip ends within its latency period.
    m_readTimeoutMs = readMs == 0 ? DefaultTimeoutMs : readMs;
    m_device->usb_read_timeout = usbTimeoutMs(readMs);
    m_device->usb_write_timeout = usbTimeoutMs(writeMs);
    return ft::Ok;
}

FtStatus FtdiTransport::poll()
{
    std::array<unsigned char, PollSize> chunk;
    const int result = ftdi_read_data(m_device.get(), chunk.data(), PollSize);
    if (result > 0)
        m_fifo.insert(m_fifo.end(), chunk.begin(), chunk.begin() + result);
    const ReadOutcome outcome = readOutcome(result);
    if (outcome.deviceGone)
        m_deviceGone = true;
    return outcome.status;
}

std::uint32_t FtdiTransport::takeFromFifo(std::uint8_t *data, std::uint32_t length)
{
    const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(length, m_fifo.size()));
    std::copy_n(m_fifo.begin(), count, data);
    m_fifo.erase(m_fifo.begin(), m_fifo.begin() + count);
    return count;
}

FtStatus FtdiTransport::getQueueStatus(FtHandle handle, std::uint32_t &rxCount)
{
    if (const FtStatus status = checkOpen(handle); status != ft::Ok)
        return status;
    if (const FtStatus status = poll(); status != ft::Ok)
        return status;
    rxCount = static_cast<std::uint32_t>(m_fifo.size());
    return ft::Ok;
}

FtStatus FtdiTransport::write(
    FtHandle handle, const std::uint8_t *data, std::uint32_t length, std::uint32_t &written)
{
    written = 0;
    if (const FtStatus status = checkOpen(handle); status != ft::Ok)
        return status;
    if (length == 0)
        return ft::Ok;
    if (data == nullptr || length > static_cast<std::uint32_t>(INT_MAX))
        return ft::InvalidParameter;
    const int result = ftdi_write_data(m_device.get(), data, static_cast<int>(length));
    if (result > 0)
        written = static_cast<std::uint32_t>(result);
    return writeStatus(result);
}

FtStatus FtdiTransport::read(
    FtHandle handle, std::uint8_t *data, std::uint32_t length, std::uint32_t &got)
{
    got = 0;
    if (const FtStatus status = checkOpen(handle); status != ft::Ok)
        return status;
    if (length == 0)
        return ft::Ok;
    if (data == nullptr)
        return ft::InvalidParameter;
    // No sleep between polls: an idle poll already waits one latency period
    // in the chip before its status-only packet comes back.
    const auto deadline
        = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_readTimeoutMs);
    FtStatus status = ft::Ok;
    while (m_fifo.size() < length) {
        status = poll();
        if (status != ft::Ok || std::chrono::steady_clock::now() >= deadline)
            break;
    }
    // Like the vendor's driver, a read that ran out of time is no failure:
    // the caller sees how many bytes came.
    got = takeFromFifo(data, length);
    return status;
}

FtStatus FtdiTransport::getDeviceId(FtHandle handle, std::uint32_t &id)
{
    if (const FtStatus status = checkOpen(handle); status != ft::Ok)
        return status;
    libusb_device_descriptor descriptor {};
    if (libusb_get_device_descriptor(libusb_get_device(m_device->usb_dev), &descriptor) != 0)
        return ft::IoError;
    id = (std::uint32_t {descriptor.idVendor} << 16) | descriptor.idProduct;
    return ft::Ok;
}

FtStatus FtdiTransport::getLatencyTimer(FtHandle handle, std::uint8_t &ms)
{
    if (const FtStatus status = checkOpen(handle); status != ft::Ok)
        return status;
    unsigned char latency = 0;
    if (ftdi_get_latency_timer(m_device.get(), &latency) != 0)
        return ft::IoError;
    ms = latency;
    return ft::Ok;
}

} // namespace ravelin
