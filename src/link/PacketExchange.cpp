#include "link/PacketExchange.h"

#include "link/D2XXUnit.h"

#include <string>

namespace ravelin {
namespace {

// How long the reply wait lets the process rest between two queue polls: short
// enough that an 8-byte reply is read within a millisecond of its arrival, long
// enough that a wait does not keep a core busy.
constexpr std::uint64_t PollRestUs = 1000;

void markLinkFailed(Core &core)
{
    core.st.exchange.linkFailed = true;
}

} // namespace

std::uint8_t packetChecksum(const std::uint8_t *packet)
{
    unsigned sum = 0;
    for (int i = 0; i < 7; ++i)
        sum += packet[i];
    return static_cast<std::uint8_t>(sum & 0xFF);
}

void SendPacket(Core &core)
{
    if (core.st.ConnectionState <= 0)
        return;
    std::uint8_t *packet = commandPacket(core);
    packet[7] = packetChecksum(packet);
    const std::uint32_t length = core.st.exchange.PacketLength;
    if (WriteBytes(core, length) != length) {
        core.ui.insertLine(ControlId::Memo1, "USB Device Write TimeOut ...");
        markLinkFailed(core);
    }
    if (packet[0] < 0x80)
        AwaitReply(core);
}

void AwaitReply(Core &core)
{
    const LinkBusyScope busy(core);
    ExchangeState &exchange = core.st.exchange;
    // Enabling a running timer does not restart its period.
    core.ui.enable(ControlId::Timer1);
    // The timer runs from the window's creation: a tick that fell due before
    // this wait began (while start-up work held the window) is delivered here.
    // It asks for a stop, so the wait reads at once, but it is no time-out of
    // this wait: a programmer that answers within the read time-out is there.
    core.host.pumpMessages();
    exchange.ReplyTimedOut = 0;
    exchange.replyComplete = false;
    for (;;) {
        core.host.pumpMessages();
        const FtStatus status = GetQueueStatus(core);
        // A reply already in the queue is taken even when a tick came in the
        // same pump: the timer runs from the window's creation, so the first
        // wait can meet a tick at once, and a programmer that answered is not
        // one that is gone.
        const bool replyWaiting = status == ft::Ok && core.st.link.RxQueueCount > 0;
        if (!replyWaiting && (status != ft::Ok || exchange.ReplyTimedOut != 0)) {
            core.st.link.receive[6] = 0x55;
            core.ui.disable(ControlId::Timer1);
            core.ui.insertLine(ControlId::Memo1,
                "Device no longer present ... PortStatus-" + std::to_string(status) + " USB-"
                    + std::to_string(exchange.ReplyTimedOut));
            core.st.editor.caretRow = 0;
            markLinkFailed(core);
            return;
        }
        if (core.st.link.RxQueueCount > 0 || (exchange.StopRequest > 0 && !exchange.holdStops))
            break;
        core.host.idleWait(PollRestUs);
    }
    core.ui.disable(ControlId::Timer1);
    const bool replyStarted = core.st.link.RxQueueCount > 0;
    const std::uint32_t got = ReadBytes(core, exchange.ReplyLength);
    // A reply that began to arrive but stopped short leaves stale bytes from the
    // previous reply in the buffer: no command may take them for an answer. A
    // read made at once because of a stop is not a link failure.
    if (replyStarted && got != exchange.ReplyLength)
        markLinkFailed(core);
    exchange.replyComplete = got == exchange.ReplyLength;
}

void SetLines(Core &core, LineGroup group)
{
    std::uint8_t *packet = commandPacket(core);
    packet[0] = 0x94;
    packet[1] = static_cast<std::uint8_t>(group);
    packet[2] = static_cast<std::uint8_t>(core.st.exchange.LineValue & 0xFF);
    SendPacket(core);
}

void ResetProgrammer(Core &core)
{
    if (core.st.ConnectionState == 2) {
        ResetDevice(core);
        commandPacket(core)[0] = 0x24;
        SendPacket(core);
    }
    core.st.op.CurrentAddress = core.st.device.StartAddress;
    core.st.exchange.StopRequest = 0;
}

} // namespace ravelin
