// Writes the usbmon captures that umockdev replays to the FTDI backend, in the
// order libftdi 1.5 on libusb 1.0 issues the transfers. Each capture is the
// whole USB dialogue of one test function: a transfer the backend leaves out,
// adds or sends with other bytes stalls the replay and fails the test.
//
// Usage: MakeReplays OUTPUT-DIRECTORY

#include "ReplayDevice.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using namespace ravelin::replaydevice;
using Bytes = std::vector<std::uint8_t>;

enum class Kind { ControlIn, ControlOut, BulkIn, BulkOut };

struct Transfer
{
    Kind kind;
    Bytes setup; // control transfers only
    std::uint32_t requested = 0; // IN transfers: the length asked for
    Bytes data; // OUT: what the host sends; IN: what the device answers
    std::int32_t status = 0;
};

constexpr std::uint8_t BulkInEndpoint = 0x81;
constexpr std::uint8_t BulkOutEndpoint = 0x02;
constexpr std::int32_t InProgress = -115; // -EINPROGRESS, as usbmon shows a submission
constexpr std::int32_t Shutdown = -108; // -ESHUTDOWN: the device left the bus
constexpr std::int32_t Stall = -32; // -EPIPE: the device refused the request
// libftdi's read chunk, the length of every bulk read it submits.
constexpr std::uint32_t ReadChunk = 4096;
// The two modem and line status bytes at the start of every packet from the chip.
const Bytes StatusBytes = {0x01, 0x60};

Transfer controlOut(Bytes setup)
{
    return {Kind::ControlOut, std::move(setup), 0, {}};
}

Bytes stringDescriptor(std::string_view text)
{
    Bytes d = {static_cast<std::uint8_t>(2 + 2 * text.size()), 0x03};
    for (char c : text) {
        d.push_back(static_cast<std::uint8_t>(c));
        d.push_back(0);
    }
    return d;
}

// libusb_get_string_descriptor_ascii: the language list (4 bytes), then the
// string in US English.
void addString(std::vector<Transfer> &t, std::uint8_t index, std::string_view text)
{
    t.push_back({Kind::ControlIn, {0x80, 0x06, 0x00, 0x03, 0x00, 0x00, 0x04, 0x00}, 4,
        {0x04, 0x03, 0x09, 0x04}});
    t.push_back({Kind::ControlIn, {0x80, 0x06, index, 0x03, 0x09, 0x04, 0xFF, 0x00}, 255,
        stringDescriptor(text)});
}

// ftdi_usb_open_dev after the claim, then the latency timer.
void addOpen(std::vector<Transfer> &t, std::uint8_t latencyMs)
{
    // SIO reset of port A
    t.push_back(controlOut({0x40, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00}));
    // 9600 baud on an FT232R: divisor 312.5
    t.push_back(controlOut({0x40, 0x03, 0x38, 0x41, 0x00, 0x00, 0x00, 0x00}));
    t.push_back(controlOut({0x40, 0x09, latencyMs, 0x00, 0x01, 0x00, 0x00, 0x00}));
}

void addWrite(std::vector<Transfer> &t, const Packet &packet)
{
    t.push_back({Kind::BulkOut, {}, 0, Bytes(packet.begin(), packet.end())});
}

// One bulk read answered by one packet from the chip.
void addRead(std::vector<Transfer> &t, Bytes payload = {})
{
    Bytes data = StatusBytes;
    data.insert(data.end(), payload.begin(), payload.end());
    t.push_back({Kind::BulkIn, {}, ReadChunk, data});
}

Bytes part(const Packet &p, std::size_t from, std::size_t to)
{
    return Bytes(
        p.begin() + static_cast<std::ptrdiff_t>(from), p.begin() + static_cast<std::ptrdiff_t>(to));
}

std::vector<Transfer> exchange()
{
    std::vector<Transfer> t;
    addString(t, SerialIndex, Serial); // list index 0, serial number
    addString(t, DescriptionIndex, Description); // list index 0, description
    addString(t, SerialIndex, Serial); // open by an unknown serial number
    addString(t, SerialIndex, Serial); // open by the right one
    addOpen(t, 1);
    // Version exchange through a queue poll; libftdi reads on until the chip
    // has nothing more than its status bytes.
    addWrite(t, VersionRequest);
    addRead(t, Bytes(VersionReply.begin(), VersionReply.end()));
    addRead(t);
    // The second reply arrives in two packets within one read.
    addWrite(t, SecondRequest);
    addRead(t, part(SecondReply, 0, SecondReplySplit));
    addRead(t, part(SecondReply, SecondReplySplit, SecondReply.size()));
    addRead(t);
    // The third reply is half read, then a reset throws the rest away.
    addWrite(t, ThirdRequest);
    addRead(t, Bytes(ThirdReply.begin(), ThirdReply.end()));
    addRead(t);
    t.push_back(controlOut({0x40, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00}));
    addRead(t);
    return t;
}

std::vector<Transfer> reopenAndUnplug()
{
    std::vector<Transfer> t;
    addString(t, SerialIndex, Serial);
    addOpen(t, 1);
    addRead(t); // an idle queue poll
    // A programmer search whose open fails: the chip refuses the reset.
    addString(t, SerialIndex, Serial);
    t.push_back({Kind::ControlOut, {0x40, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00}, 0, {}, Stall});
    addRead(t); // the earlier handle still polls
    // A new programmer search opens the same device again.
    addString(t, SerialIndex, Serial);
    addOpen(t, 1);
    // Pulled out while the queue poll waits.
    t.push_back({Kind::BulkIn, {}, ReadChunk, {}, Shutdown});
    // Plugged in again and searched for.
    addString(t, SerialIndex, Serial);
    addOpen(t, 1);
    addRead(t);
    return t;
}

// A chip without a serial-number string: listed with an empty serial
// number, and opened by it.
std::vector<Transfer> noSerialNumber()
{
    std::vector<Transfer> t;
    addOpen(t, 1);
    addRead(t);
    return t;
}

void put(Bytes &out, std::uint64_t value, int size)
{
    for (int i = 0; i < size; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// One usbmon event in the 64-byte memory-mapped layout.
Bytes usbmonRecord(const Transfer &t, std::uint64_t id, bool submit, std::uint64_t timeUs)
{
    const bool control = t.kind == Kind::ControlIn || t.kind == Kind::ControlOut;
    const bool in = t.kind == Kind::ControlIn || t.kind == Kind::BulkIn;
    std::uint8_t endpoint = control ? (in ? 0x80 : 0x00) : (in ? BulkInEndpoint : BulkOutEndpoint);
    const Bytes *payload = nullptr;
    std::uint32_t length = 0;
    char dataFlag = 0;
    if (submit) {
        length = in ? t.requested : static_cast<std::uint32_t>(t.data.size());
        if (in)
            dataFlag = '<';
        else
            payload = &t.data;
    } else {
        length = static_cast<std::uint32_t>(t.data.size());
        if (in)
            payload = &t.data;
        else
            dataFlag = '>';
    }
    const std::uint32_t captured = payload ? static_cast<std::uint32_t>(payload->size()) : 0;

    Bytes r;
    put(r, id, 8);
    r.push_back(submit ? 'S' : 'C');
    r.push_back(control ? 2 : 3);
    r.push_back(endpoint);
    r.push_back(DeviceNumber);
    put(r, BusNumber, 2);
    r.push_back(submit && control ? 0 : '-');
    r.push_back(static_cast<std::uint8_t>(dataFlag));
    put(r, timeUs / 1000000, 8);
    put(r, timeUs % 1000000, 4);
    put(r, static_cast<std::uint32_t>(submit ? InProgress : t.status), 4);
    put(r, length, 4);
    put(r, captured, 4);
    Bytes setup = submit && control ? t.setup : Bytes(8, 0);
    r.insert(r.end(), setup.begin(), setup.end());
    put(r, 0, 4); // interval
    put(r, 0, 4); // start frame
    put(r, in ? 0x200 : 0, 4); // URB_DIR_IN
    put(r, 0, 4); // iso descriptors
    if (payload)
        r.insert(r.end(), payload->begin(), payload->end());
    return r;
}

bool writeCapture(const std::string &path, const std::vector<Transfer> &transfers)
{
    Bytes out;
    put(out, 0xA1B2C3D4, 4);
    put(out, 2, 2);
    put(out, 4, 2);
    put(out, 0, 4);
    put(out, 0, 4);
    put(out, 65535, 4);
    put(out, 220, 4); // LINKTYPE_USB_LINUX_MMAPPED
    // Events a tenth of a millisecond apart: the replay never waits for
    // the recorded time to pass.
    std::uint64_t timeUs = 1000000;
    std::uint64_t id = 0xFFFF888000001000u;
    for (const Transfer &t : transfers) {
        for (bool submit : {true, false}) {
            const Bytes record = usbmonRecord(t, id, submit, timeUs);
            put(out, timeUs / 1000000, 4);
            put(out, timeUs % 1000000, 4);
            put(out, record.size(), 4);
            put(out, record.size(), 4);
            out.insert(out.end(), record.begin(), record.end());
            timeUs += 100;
        }
        id += 0x100;
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(
        reinterpret_cast<const char *>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(file);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-DIRECTORY\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const bool ok = writeCapture(dir + "/exchange.pcap", exchange())
        && writeCapture(dir + "/reopen-unplug.pcap", reopenAndUnplug())
        && writeCapture(dir + "/no-serial.pcap", noSerialNumber());
    if (!ok)
        std::fprintf(stderr, "%s: cannot write the captures in %s\n", argv[0], dir.c_str());
    return ok ? 0 : 1;
}
