#include "operations/Primitives.h"

#include "app/Format.h"
#include "link/PacketExchange.h"

namespace ravelin {
namespace {

void setLines(Core &core, LineGroup group, std::uint8_t value, std::uint32_t waitMs)
{
    core.st.exchange.LineValue = value;
    SetLines(core, group);
    core.host.sleepMs(waitMs);
}

// The serial families are those from 5 up; the 16C5x (1 to 3), and any code
// below 5 that has no routine, take the parallel set-up.
bool serialFamily(const Core &core)
{
    return static_cast<int>(core.st.device.FamilyCode) >= 5;
}

void chooseVoltage(Core &core, const std::array<std::uint8_t, 3> &codes)
{
    const int item = core.ui[ControlId::V_Verify].itemIndex;
    if (item >= 0 && item < static_cast<int>(codes.size()))
        core.st.op.VoltageCode = codes[static_cast<std::size_t>(item)];
}

std::uint16_t replyWord(const Core &core, std::size_t high)
{
    const std::uint8_t *reply = replyBuffer(core);
    return static_cast<std::uint16_t>(reply[high] << 8 | reply[high + 1]);
}

} // namespace

void showAddress(Core &core)
{
    core.ui.setCaption(ControlId::Quit_Add, hex4(core.st.op.CurrentAddress));
}

void EnterProgrammingMode(Core &core)
{
    core.host.pumpMessages();
    OperationState &op = core.st.op;
    if (serialFamily(core)) {
        chooseVoltage(core, SerialVoltageCodes);
        setLines(core, LineGroup::Supplies, op.VoltageCode | 0x01, 2);
        setLines(core, LineGroup::Control, 0xF1, 2);
        setLines(core, LineGroup::Data, 0x00, 2);
        setLines(core, LineGroup::Supplies, op.VoltageCode, 10);
    } else {
        chooseVoltage(core, ParallelVoltageCodes);
        setLines(core, LineGroup::Supplies, op.VoltageCode, 30);
        setLines(core, LineGroup::Control, 0xE1, 30);
        setLines(core, LineGroup::Control, 0xE9, 30);
        setLines(core, LineGroup::Supplies, op.VoltageCode & 0xFE, 60);
        op.ParallelControl = 0x6D;
    }
}

void ParallelReadWord(Core &core)
{
    showAddress(core);
    std::uint8_t *packet = commandPacket(core);
    packet[0] = 0x50;
    packet[3] = core.st.op.ParallelControl;
    packet[4] = 0xED;
    packet[5] = 0xE9;
    SendPacket(core);
    core.st.op.DataWord = replyWord(core, 1);
}

void SendTargetCommand(Core &core)
{
    std::uint8_t *packet = commandPacket(core);
    packet[0] = 0xD1;
    packet[1] = core.st.op.TargetCommand;
    packet[2] = 0;
    packet[3] = core.st.op.VoltageCode;
    SendPacket(core);
}

void sendCommand(Core &core, std::uint8_t command)
{
    core.st.op.TargetCommand = command;
    SendTargetCommand(core);
}

void SendDataWord(Core &core)
{
    std::uint8_t *packet = commandPacket(core);
    packet[0] = 0xD2;
    packet[1] = static_cast<std::uint8_t>(core.st.op.DataWord >> 8);
    packet[2] = static_cast<std::uint8_t>(core.st.op.DataWord);
    packet[3] = core.st.op.VoltageCode;
    SendPacket(core);
}

void ReadWord(Core &core)
{
    sendCommand(core, core.st.op.ReadCommand);
    std::uint8_t *packet = commandPacket(core);
    packet[0] = 0x53;
    packet[1] = core.st.op.TargetCommand;
    packet[2] = 0;
    packet[3] = core.st.op.VoltageCode;
    SendPacket(core);
    core.st.op.DataWord = replyWord(core, 4);
}

void ReadWordAndIncrement(Core &core)
{
    ReadWord(core);
    sendCommand(core, target::Increment);
    if ((core.st.op.CurrentAddress & 0x000F) == 0)
        showAddress(core);
}

void ReadBlock(Core &core)
{
    core.st.exchange.ReplyLength = 256;
    std::uint8_t *packet = commandPacket(core);
    packet[0] = 0x54;
    packet[1] = core.st.op.ReadCommand;
    packet[2] = 0;
    packet[3] = core.st.op.VoltageCode;
    SendPacket(core);
    core.st.exchange.ReplyLength = 8;
    showAddress(core);
}

std::uint16_t blockWord(const Core &core, std::size_t k)
{
    return replyWord(core, 2 * k);
}

void toConfigurationSpace(Core &core)
{
    sendCommand(core, target::LoadConfiguration);
    core.st.op.DataWord = 0x3FFF;
    SendDataWord(core);
}

void toConfigurationWord(Core &core)
{
    toConfigurationSpace(core);
    for (int i = 0; i < 7; ++i)
        sendCommand(core, target::Increment);
}

bool readProgramBlocks(Core &core, unsigned last, const BlockVisitor &visit)
{
    for (unsigned b = 0; b <= last / 128u; ++b) {
        if (core.st.exchange.StopRequest > 0)
            return false;
        core.st.op.CurrentAddress = static_cast<std::uint16_t>(b * 128);
        ReadBlock(core);
        if (core.st.exchange.linkFailed)
            return false;
        for (unsigned k = 0; k < 128 && b * 128 + k <= last; ++k) {
            if (!visit(static_cast<std::uint16_t>(b * 128 + k), blockWord(core, k)))
                return false;
        }
    }
    return true;
}

} // namespace ravelin
