// The FTDI backend against a replayed programmer. Each function runs under
// umockdev-run with its own capture (see CMakeLists.txt); the capture holds
// the exact USB transfers expected, so a missing latency setting, a wrong
// control request or an extra read stalls the replay and fails here.

#include "ReplayDevice.h"
#include "link/ftdi/FtdiTransport.h"

#include <QTest>

#include <array>
#include <cstring>
#include <string>

using namespace ravelin;
using namespace ravelin::replaydevice;

namespace {

// Short enough that a stalled replay fails in well under a second.
constexpr std::uint32_t TestTimeoutMs = 300;

FtStatus send(FtdiTransport &link, FtHandle handle, const Packet &packet)
{
    std::uint32_t written = 0;
    const FtStatus status = link.write(handle, packet.data(), packet.size(), written);
    return status == ft::Ok && written != packet.size() ? ft::IoError : status;
}

} // namespace

class TestFtdiReplay : public QObject
{
    Q_OBJECT

private slots:
    void listOpenAndExchange();
    void reopenThenUnplug();
    void noSerialNumber();
};

void TestFtdiReplay::listOpenAndExchange()
{
    FtdiTransport link(TestTimeoutMs);

    std::uint32_t count = 0;
    QCOMPARE(link.listDeviceCount(count), ft::Ok);
    QCOMPARE(count, 1u);

    char text[ft::TextBufferSize];
    QCOMPARE(link.listDeviceByIndex(0, text, ft::ListByIndex | ft::OpenBySerialNumber), ft::Ok);
    QCOMPARE(std::string(text), std::string(Serial));
    QCOMPARE(link.listDeviceByIndex(0, text, ft::ListByIndex | ft::OpenByDescription), ft::Ok);
    QCOMPARE(std::string(text), std::string(Description.substr(0, ft::TextBufferSize - 1)));
    std::strcpy(text, "untouched");
    QCOMPARE(link.listDeviceByIndex(1, text, ft::ListByIndex | ft::OpenBySerialNumber),
        ft::DeviceNotFound);
    QCOMPARE(std::string(text), std::string("untouched"));

    FtHandle handle = 0;
    QCOMPARE(link.openEx(std::string(UnknownSerial).c_str(), ft::OpenBySerialNumber, handle),
        ft::DeviceNotFound);
    QCOMPARE(handle, 0u);
    // The capture sets the latency timer to 1 ms right after the open.
    QCOMPARE(link.openEx(std::string(Serial).c_str(), ft::OpenBySerialNumber, handle), ft::Ok);
    QVERIFY(handle != 0);
    QCOMPARE(link.setTimeouts(handle, 40, TestTimeoutMs), ft::Ok);

    // Request, poll, read: the way the program waits for every reply.
    QCOMPARE(send(link, handle, VersionRequest), ft::Ok);
    std::uint32_t queued = 0;
    QCOMPARE(link.getQueueStatus(handle, queued), ft::Ok);
    QCOMPARE(queued, 8u);
    Packet reply = {};
    std::uint32_t got = 0;
    QCOMPARE(link.read(handle, reply.data(), reply.size(), got), ft::Ok);
    QCOMPARE(got, 8u);
    QCOMPARE(reply, VersionReply);

    // A read with nothing queued yet gathers a reply split over two packets.
    QCOMPARE(send(link, handle, SecondRequest), ft::Ok);
    reply = {};
    QCOMPARE(link.read(handle, reply.data(), reply.size(), got), ft::Ok);
    QCOMPARE(got, 8u);
    QCOMPARE(reply, SecondReply);

    // What is left unread goes with a reset.
    QCOMPARE(send(link, handle, ThirdRequest), ft::Ok);
    QCOMPARE(link.getQueueStatus(handle, queued), ft::Ok);
    QCOMPARE(queued, 8u);
    std::array<std::uint8_t, 4> half = {};
    QCOMPARE(link.read(handle, half.data(), half.size(), got), ft::Ok);
    QCOMPARE(got, 4u);
    QCOMPARE(half[3], ThirdReply[3]);
    QCOMPARE(link.resetDevice(handle), ft::Ok);
    QCOMPARE(link.getQueueStatus(handle, queued), ft::Ok);
    QCOMPARE(queued, 0u);
}

void TestFtdiReplay::reopenThenUnplug()
{
    FtdiTransport link(TestTimeoutMs);
    const std::string serial(Serial);

    FtHandle first = 0;
    QCOMPARE(link.openEx(serial.c_str(), ft::OpenBySerialNumber, first), ft::Ok);
    std::uint32_t queued = 99;
    QCOMPARE(link.getQueueStatus(first, queued), ft::Ok);
    QCOMPARE(queued, 0u);

    // A search whose open fails keeps the working link.
    FtHandle failed = 0;
    QCOMPARE(link.openEx(serial.c_str(), ft::OpenBySerialNumber, failed), ft::DeviceNotOpened);
    QCOMPARE(failed, 0u);
    QCOMPARE(link.getQueueStatus(first, queued), ft::Ok);

    // The next programmer search opens again without closing.
    FtHandle second = 0;
    QCOMPARE(link.openEx(serial.c_str(), ft::OpenBySerialNumber, second), ft::Ok);
    QVERIFY(second != 0);
    QVERIFY(second != first);
    QCOMPARE(link.getQueueStatus(first, queued), ft::InvalidHandle);

    // The programmer is pulled out: the poll fails as a general I/O error,
    // and so does everything after it, without waiting on the bus.
    QCOMPARE(link.getQueueStatus(second, queued), ft::IoError);
    QCOMPARE(link.getQueueStatus(second, queued), ft::IoError);
    QVERIFY(send(link, second, VersionRequest) != ft::Ok);
    Packet reply = {};
    std::uint32_t got = 99;
    QVERIFY(link.read(second, reply.data(), reply.size(), got) != ft::Ok);
    QCOMPARE(got, 0u);

    // Plugged in again, it is found again.
    FtHandle third = 0;
    QCOMPARE(link.openEx(serial.c_str(), ft::OpenBySerialNumber, third), ft::Ok);
    QCOMPARE(link.getQueueStatus(third, queued), ft::Ok);
    QCOMPARE(queued, 0u);
}

void TestFtdiReplay::noSerialNumber()
{
    FtdiTransport link(TestTimeoutMs);
    char text[ft::TextBufferSize];
    std::strcpy(text, "untouched");
    QCOMPARE(link.listDeviceByIndex(0, text, ft::ListByIndex | ft::OpenBySerialNumber), ft::Ok);
    QCOMPARE(std::string(text), std::string());

    FtHandle handle = 0;
    QCOMPARE(link.openEx("", ft::OpenBySerialNumber, handle), ft::Ok);
    std::uint32_t queued = 99;
    QCOMPARE(link.getQueueStatus(handle, queued), ft::Ok);
    QCOMPARE(queued, 0u);
}

QTEST_APPLESS_MAIN(TestFtdiReplay)
#include "tst_ftdireplay.moc"
