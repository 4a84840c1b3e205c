#include "link/FirmwareUpdate.h"

#include "app/Format.h"
#include "link/D2XXUnit.h"
#include "link/PacketExchange.h"

#include <algorithm>
#include <fstream>
#include <vector>

namespace ravelin {
namespace {

std::vector<std::uint8_t> readUpdateFile(const std::string &name)
{
    std::vector<std::uint8_t> bytes(FirmwareFileLimit);
    std::ifstream file(name, std::ios::binary);
    if (!file)
        return {};
    file.read(reinterpret_cast<char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(file.gcount(), 0)));
    return bytes;
}

bool signatureMatches(const std::vector<std::uint8_t> &bytes)
{
    if (bytes.size() < FirmwareSignature.size())
        return false;
    return std::equal(FirmwareSignature.begin() + 2, FirmwareSignature.end(), bytes.begin() + 2);
}

std::uint16_t addressAt(const std::vector<std::uint8_t> &bytes, std::size_t recordStart)
{
    return static_cast<std::uint16_t>(bytes[recordStart + 2] << 8 | bytes[recordStart + 3]);
}

void sendRecords(Core &core, const std::vector<std::uint8_t> &bytes)
{
    const std::size_t records = firmwareRecordsSent(bytes.size());
    for (std::size_t k = 0; k < records; ++k) {
        const std::size_t start = FirmwareHeaderSize + FirmwareRecordSize * k;
        // A record cut off by the end of the data read is not sent: its missing
        // bytes would be whatever the transmit buffer last held.
        if (start + FirmwareRecordSize > bytes.size())
            break;
        std::uint8_t *packet = commandPacket(core);
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(start), FirmwareRecordSize, packet);
        // Progress shows the address of the record that follows; for the last
        // one sent, whose successor lies past the data read, its own.
        const std::size_t next = start + FirmwareRecordSize;
        const std::uint16_t shown
            = next + 4 <= bytes.size() ? addressAt(bytes, next) : addressAt(bytes, start);
        core.ui.setCaption(ControlId::Quit_Add, hex4(shown));
        packet[7] = packetChecksum(packet);
        if (WriteBytes(core, FirmwareRecordSize) < FirmwareRecordSize)
            core.ui.insertLine(ControlId::Memo1, "USB Device Write TimeOut 1...");
        AwaitReply(core);
        if (replyBuffer(core)[7] == 0x7F)
            core.ui.appendLine(ControlId::Memo1, "Bad Check Sum");
    }
}

void finishUpdate(Core &core, const std::vector<std::uint8_t> &bytes)
{
    core.st.exchange.PacketLength = 8;
    std::uint8_t *packet = commandPacket(core);
    constexpr std::uint8_t EndOfRecords[8] = {0xAA, 0x43, 0, 0, 0, 0, 0, 0xED};
    std::copy(std::begin(EndOfRecords), std::end(EndOfRecords), packet);
    if (WriteBytes(core, 8) < 8)
        core.ui.insertLine(ControlId::Memo1, "USB Device Write TimeOut 2...");
    AwaitReply(core);

    const std::uint8_t *reply = replyBuffer(core);
    for (int i = 0; i < 8; ++i)
        core.ui.appendLine(ControlId::Memo1, hex2(reply[i]));
    // A file cut off inside the header has no expected checksum: read as 0.
    const auto headerByte
        = [&bytes](std::size_t i) -> std::uint8_t { return i < bytes.size() ? bytes[i] : 0; };
    core.ui.appendLine(
        ControlId::Memo1, "Expected - " + hex2(headerByte(14)) + hex2(headerByte(15)));
    core.ui.appendLine(ControlId::Memo1, "Found    - " + hex2(reply[2]) + hex2(reply[3]));
    const bool good = reply[2] == headerByte(14) && reply[3] == headerByte(15);
    core.host.messageBox({MessageKind::Warning, good ? "Good Update..." : "Warning: Bad Update...",
        MessageButtons::Ok, {}});

    constexpr std::uint8_t Closing[8] = {0x52, 0, 0, 0, 0, 0, 0, 0x52};
    std::copy(std::begin(Closing), std::end(Closing), commandPacket(core));
    WriteBytes(core, 8);
}

} // namespace

std::size_t firmwareRecordsSent(std::size_t bytesRead)
{
    if (bytesRead < FirmwareHeaderSize)
        return 0;
    const std::size_t n = (bytesRead - FirmwareHeaderSize) / 73;
    return n < 2 ? 0 : n - 1;
}

void UpdateFirmware(Core &core)
{
    const LinkBusyScope busy(core);
    core.ui.setCaption(ControlId::StaticText3, "Updating Programmer Flash Code....");
    // The dialog's file name is the buffer's last file, which the settings file
    // records at close: the firmware image must not take its place.
    const std::string lastFile = core.ui.OpenDialog1.fileName;
    const std::optional<std::string> chosen = core.host.runOpenDialog(core.ui.OpenDialog1);
    if (chosen) {
        const std::vector<std::uint8_t> bytes = readUpdateFile(*chosen);
        if (!signatureMatches(bytes)) {
            core.host.messageBox({MessageKind::Warning,
                "Invalid File Type...\nCan Not Update Units With This File......",
                MessageButtons::Ok, {}});
        } else {
            core.st.exchange.PacketLength = FirmwareRecordSize;
            sendRecords(core, bytes);
            finishUpdate(core, bytes);
        }
    }
    core.st.exchange.PacketLength = 8;
    core.ui.OpenDialog1.fileName = lastFile;
}

} // namespace ravelin
