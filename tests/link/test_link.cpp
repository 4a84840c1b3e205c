// The D2XX operations and the packet exchange, on the simulated programmer.
#include "link/D2XXUnit.h"
#include "link/PacketExchange.h"
#include "support/Rig.h"

#include <QTest>

using namespace ravelin;
using namespace ravelin::test;

namespace {

// Opens the programmer as a search would, without the search.
void openProgrammer(Rig &rig, std::int32_t state = 2)
{
    rig.st.link.ShowLinkErrors = false;
    QCOMPARE(Open_USB_Device_By_Serial_Number(rig.form.core(), "QP000001"), ft::Ok);
    SetTimeouts(rig.form.core(), 40, 0);
    rig.st.ConnectionState = state;
    rig.trace.clear();
}

void setPacket(Rig &rig, std::initializer_list<int> bytes)
{
    int i = 0;
    for (int b : bytes)
        commandPacket(rig.form.core())[i++] = static_cast<std::uint8_t>(b);
}

// Records what reaches the library, so a test can see the exact text passed.
class RecordingTransport : public sim::SimProgrammer
{
public:
    using SimProgrammer::SimProgrammer;
    FtStatus openEx(const char *text, std::uint32_t flags, FtHandle &handle) override
    {
        openedWith = text;
        return SimProgrammer::openEx(text, flags, handle);
    }
    std::string openedWith;
};

} // namespace

class LinkTest : public QObject
{
    Q_OBJECT

private slots:
    void checksum_data()
    {
        QTest::addColumn<QList<int>>("bytes");
        QTest::addColumn<int>("sum");
        QTest::newRow("version query") << QList<int> {0x56, 0, 0, 0, 0, 0, 0} << 0x56;
        QTest::newRow("end of records") << QList<int> {0xAA, 0x43, 0, 0, 0, 0, 0} << 0xED;
        QTest::newRow("above 255") << QList<int> {0xD2, 0x3F, 0xFF, 0x36, 0, 0, 0} << 0x46;
        QTest::newRow("all ones") << QList<int> {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF} << 0xF9;
    }
    void checksum()
    {
        QFETCH(QList<int>, bytes);
        QFETCH(int, sum);
        std::uint8_t packet[8] = {};
        for (int i = 0; i < 7; ++i)
            packet[i] = static_cast<std::uint8_t>(bytes[i]);
        QCOMPARE(int(packetChecksum(packet)), sum);

        Rig rig;
        openProgrammer(rig);
        for (int i = 0; i < 7; ++i)
            commandPacket(rig.form.core())[i] = packet[i];
        SendPacket(rig.form.core());
        QCOMPARE(int(commandPacket(rig.form.core())[7]), sum);
        QVERIFY(!rig.sent().empty());
        QCOMPARE(rig.sent().front().substr(rig.sent().front().size() - 2),
            QString::asprintf("%02X", sum).toStdString());
    }

    // Codes below 0x80 are answered and read; the others go out and nothing waits.
    void replyRule_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("waits");
        QTest::newRow("0x24 reset") << 0x24 << true;
        QTest::newRow("0x7F") << 0x7F << true;
        QTest::newRow("0x80") << 0x80 << false;
        QTest::newRow("0x90") << 0x90 << false;
        QTest::newRow("0x94 lines") << 0x94 << false;
    }
    void replyRule()
    {
        QFETCH(int, code);
        QFETCH(bool, waits);
        Rig rig;
        openProgrammer(rig);
        rig.st.link.receive.fill(0xEE);
        const int pumpsBefore = rig.host.pumps;
        setPacket(rig, {code, 0, 0, 0, 0, 0, 0});
        SendPacket(rig.form.core());
        QCOMPARE(rig.sent().size(), std::size_t {1});
        QCOMPARE(rig.host.pumps > pumpsBefore, waits);
        QCOMPARE(rig.st.link.receive[0] == code, waits);
        QVERIFY(!rig.st.exchange.linkFailed);
        QVERIFY(!rig.ui[ControlId::Timer1].enabled || !waits);
    }

    void nothingSentWithoutProgrammer()
    {
        Rig rig;
        openProgrammer(rig, 0);
        rig.st.link.receive[1] = 0x42;
        setPacket(rig, {0x56, 0, 0, 0, 0, 0, 0});
        SendPacket(rig.form.core());
        QVERIFY(rig.sent().empty());
        QCOMPARE(int(rig.st.link.receive[1]), 0x42);
    }

    void resetTalksOnlyToAnAnsweringProgrammer_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("sends");
        QTest::newRow("none") << 0 << false;
        QTest::newRow("device, no answer") << 1 << false;
        QTest::newRow("programmer") << 2 << true;
    }
    void resetTalksOnlyToAnAnsweringProgrammer()
    {
        QFETCH(int, state);
        QFETCH(bool, sends);
        Rig rig;
        openProgrammer(rig, state);
        rig.st.device.StartAddress = 0x0123;
        rig.st.op.CurrentAddress = 0x0400;
        rig.st.exchange.StopRequest = 5;
        ResetProgrammer(rig.form.core());
        QCOMPARE(!rig.sent().empty(), sends);
        if (sends)
            QVERIFY(rig.sent().front().starts_with("TX 24"));
        QCOMPARE(rig.st.op.CurrentAddress, std::uint16_t {0x0123});
        QCOMPARE(rig.st.exchange.StopRequest, 0);
    }

    void operandsCarryOver()
    {
        Rig rig;
        openProgrammer(rig);
        setPacket(rig, {0xD2, 0x12, 0x34, 0x36, 0xA1, 0xB2, 0xC3});
        SendPacket(rig.form.core());
        rig.st.exchange.LineValue = 0x1F9;
        SetLines(rig.form.core(), LineGroup::Control);
        QCOMPARE(rig.sent().back(), std::string("TX 94 3F F9 36 A1 B2 C3 ") + "18");
    }

    void silentProgrammerFailsAfterOneSecond()
    {
        sim::ProgrammerOptions options;
        options.silent = true;
        Rig rig(options);
        openProgrammer(rig);
        rig.ui.disable(ControlId::Timer1); // as after an earlier wait
        rig.st.editor.caretRow = 7;
        const std::uint64_t start = rig.host.nowUs();
        setPacket(rig, {0x56, 0, 0, 0, 0, 0, 0});
        SendPacket(rig.form.core());
        const std::uint64_t waited = rig.host.nowUs() - start;
        QVERIFY2(waited >= 1'000'000 && waited < 1'002'000, std::to_string(waited).c_str());
        QCOMPARE(
            rig.memo().front(), std::string("Device no longer present ... PortStatus-0 USB-5"));
        QCOMPARE(int(rig.st.link.receive[6]), 0x55);
        QCOMPARE(rig.st.exchange.StopRequest, 5);
        QCOMPARE(rig.st.editor.caretRow, 0);
        QVERIFY(!rig.ui[ControlId::Timer1].enabled);
        QVERIFY(rig.st.exchange.linkFailed);
        // The wait rests between polls instead of spinning.
        QVERIFY(rig.host.idleWaits > 100 && rig.host.idleWaits <= 1001);
    }

    // The timer has run since the window was created: a tick can be due at the
    // first pump of a wait. A reply that is already there still counts.
    void tickMeetsAReplyAlreadyThere()
    {
        sim::ProgrammerOptions options;
        options.latencyUs = 0;
        Rig rig(options);
        openProgrammer(rig);
        rig.ui.enable(ControlId::Timer1);
        rig.host.advanceUs(1'000'000); // the tick is due
        setPacket(rig, {0x56, 0, 0, 0, 0, 0, 0});
        SendPacket(rig.form.core());
        QCOMPARE(rig.host.timerTicks, 1);
        QCOMPARE(int(rig.st.link.receive[6]), 0);
        QCOMPARE(int(rig.st.link.receive[2]), 20);
        QVERIFY(!rig.st.exchange.linkFailed);
    }

    void failingPollEndsTheWait()
    {
        sim::LinkFaults faults;
        faults.failQueuePollFromPacket = 1;
        Rig rig({}, faults);
        openProgrammer(rig);
        setPacket(rig, {0x24, 0, 0, 0, 0, 0, 0});
        SendPacket(rig.form.core());
        QCOMPARE(
            rig.memo().front(), std::string("Device no longer present ... PortStatus-4 USB-0"));
        QCOMPARE(int(rig.st.link.receive[6]), 0x55);
        QVERIFY(rig.st.exchange.linkFailed);
    }

    void stopRequestReadsAtOnce()
    {
        Rig rig;
        openProgrammer(rig);
        rig.st.exchange.StopRequest = 5;
        const int waitsBefore = rig.host.idleWaits;
        setPacket(rig, {0x24, 0, 0, 0, 0, 0, 0});
        SendPacket(rig.form.core());
        // One poll, no rest, then the read collects the reply within its 40 ms.
        QCOMPARE(rig.host.idleWaits, waitsBefore);
        QCOMPARE(int(rig.st.link.receive[0]), 0x24);
        QVERIFY(!rig.st.exchange.linkFailed);
    }

    void stopWithNothingArrivedIsNoLinkFailure()
    {
        sim::ProgrammerOptions options;
        options.silent = true;
        Rig rig(options);
        openProgrammer(rig);
        rig.st.exchange.StopRequest = 5;
        setPacket(rig, {0x24, 0, 0, 0, 0, 0, 0});
        SendPacket(rig.form.core());
        QVERIFY(!rig.st.exchange.linkFailed);
        QVERIFY(rig.memo().empty() || rig.memo().front() == "Memo1");
    }

    void quitClickDuringWait()
    {
        sim::ProgrammerOptions options;
        options.silent = true;
        Rig rig(options);
        openProgrammer(rig);
        rig.host.at(300'000, [&] { rig.form.click(ControlId::Quit_Add); });
        setPacket(rig, {0x24, 0, 0, 0, 0, 0, 0});
        SendPacket(rig.form.core());
        QCOMPARE(rig.st.exchange.StopRequest, 5);
        QVERIFY(rig.host.nowUs() < 400'000);
    }

    void shortReplyKeepsOldBytes()
    {
        sim::LinkFaults faults;
        faults.shortReplyPacket = 1;
        faults.shortReplyBytes = 3;
        Rig rig({}, faults);
        openProgrammer(rig);
        rig.st.link.receive.fill(0xAB);
        setPacket(rig, {0x56, 0, 0, 0, 0, 0, 0});
        SendPacket(rig.form.core());
        QCOMPARE(int(rig.st.link.receive[1]), 1);
        QCOMPARE(int(rig.st.link.receive[2]), 20);
        for (int i = 3; i < 8; ++i)
            QCOMPARE(int(rig.st.link.receive[i]), 0xAB);
        QVERIFY(rig.st.exchange.linkFailed);
    }

    void shortWriteIsReported()
    {
        sim::LinkFaults faults;
        faults.shortWritePacket = 1;
        Rig rig({}, faults);
        openProgrammer(rig);
        setPacket(rig, {0x90, 0x3F, 0x30, 0, 0, 0, 0});
        SendPacket(rig.form.core());
        QCOMPARE(rig.memo().front(), std::string("USB Device Write TimeOut ..."));
        QVERIFY(rig.st.exchange.linkFailed);
    }

    void linkErrorTexts_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text");
        QTest::newRow("1") << 1 << "FT_GetQueueStatus - Invalid Handle...";
        QTest::newRow("2") << 2 << "FT_GetQueueStatus - Device Not Found....";
        QTest::newRow("3") << 3 << "FT_GetQueueStatus - Device Not Opened...";
        QTest::newRow("4") << 4 << "FT_GetQueueStatus - General IO Error...";
        QTest::newRow("5") << 5 << "FT_GetQueueStatus - Insufficient Resources...";
        QTest::newRow("6") << 6 << "FT_GetQueueStatus - Invalid Parameter ...";
        QTest::newRow("other") << 17 << "";
    }
    void linkErrorTexts()
    {
        QFETCH(int, status);
        QFETCH(QString, text);
        Rig rig;
        ReportLinkError(rig.form.core(), "FT_GetQueueStatus", static_cast<FtStatus>(status));
        QCOMPARE(rig.host.boxes.size(), std::size_t {1});
        QCOMPARE(QString::fromStdString(rig.host.boxes[0].text), text);
        QCOMPARE(rig.host.boxes[0].kind, MessageKind::Error);

        rig.st.link.ShowLinkErrors = false;
        ReportLinkError(rig.form.core(), "FT_GetQueueStatus", static_cast<FtStatus>(status));
        QCOMPARE(rig.host.boxes.size(), std::size_t {1});
    }

    void failingCallShowsItsBoxWhileReportsAreOn()
    {
        Rig rig;
        // No open yet: the handle is 0.
        QCOMPARE(GetQueueStatus(rig.form.core()), ft::InvalidHandle);
        QCOMPARE(rig.host.boxes.size(), std::size_t {1});
        QCOMPARE(rig.host.boxes[0].text, std::string("FT_GetQueueStatus - Invalid Handle..."));
    }

    void textBufferCutsAt49_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("passed");
        QTest::newRow("empty") << 0 << 0;
        QTest::newRow("48") << 48 << 48;
        QTest::newRow("49") << 49 << 49;
        QTest::newRow("60") << 60 << 49;
    }
    void textBufferCutsAt49()
    {
        QFETCH(int, length);
        QFETCH(int, passed);
        WindowModel ui;
        AppState st;
        FakeHost host(ui);
        sim::ProgrammerOptions options;
        options.devices
            = {{std::string(std::size_t(length), 'S'), std::string(std::size_t(length), 'D')}};
        RecordingTransport transport(host, options);
        Core core {ui, st, host, transport};
        st.link.ShowLinkErrors = false;

        Open_USB_Device_By_Serial_Number(core, std::string(std::size_t(length), 'S'));
        QCOMPARE(int(transport.openedWith.size()), passed);
        if (length > 0) {
            QCOMPARE(GetFTDeviceDescription(core, 0), ft::Ok);
            QCOMPARE(st.link.LastListText, std::string(std::size_t(passed), 'D'));
        }
    }

    void failingListKeepsTheText()
    {
        Rig rig;
        rig.st.link.ShowLinkErrors = false;
        rig.st.link.LastListText = "before";
        QCOMPARE(GetFTDeviceSerialNo(rig.form.core(), 5), ft::DeviceNotFound);
        QCOMPARE(rig.st.link.LastListText, std::string("before"));
    }

    void failedOpenKeepsTheHandle()
    {
        Rig rig;
        rig.st.link.ShowLinkErrors = false;
        QCOMPARE(Open_USB_Device_By_Serial_Number(rig.form.core(), "QP000001"), ft::Ok);
        const FtHandle handle = rig.st.link.handle;
        QVERIFY(handle != 0);
        QCOMPARE(Open_USB_Device_By_Serial_Number(rig.form.core(), ""), ft::DeviceNotFound);
        QCOMPARE(rig.st.link.handle, handle);
    }
};

QTEST_APPLESS_MAIN(LinkTest)
#include "test_link.moc"
