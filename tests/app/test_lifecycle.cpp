// Start-up, the busy and idle steps, the timer, the stop button, the status
// line and closing.
#include "app/Steps.h"
#include "link/D2XXUnit.h"
#include "link/PacketExchange.h"
#include "sim/SimOptions.h"
#include "support/Rig.h"

#include <QTest>

#include <fstream>
#include <iterator>

using namespace ravelin;
using namespace ravelin::test;

namespace {

sim::ProgrammerOptions noProgrammer()
{
    sim::ProgrammerOptions options;
    options.devices.clear();
    return options;
}

int countSent(const Rig &rig, const std::string &prefix)
{
    const auto sent = rig.sent();
    return int(std::count_if(sent.begin(), sent.end(),
        [&](const std::string &line) { return line.starts_with(prefix); }));
}

} // namespace

class LifecycleTest : public QObject
{
    Q_OBJECT

private slots:
    void formCreate()
    {
        Rig rig;
        rig.st.exchange.PacketLength = 74;
        rig.st.op.PulseDelaySetting = 9;
        rig.form.FormCreate();
        QVERIFY(rig.memo().empty());
        QCOMPARE(rig.caption(ControlId::Device), std::string("No Device"));
        QCOMPARE(rig.st.exchange.PacketLength, std::uint32_t {8});
        QCOMPARE(rig.st.exchange.ReplyLength, std::uint32_t {8});
        QCOMPARE(rig.st.op.PulseDelaySetting, std::uint16_t {5});
        QVERIFY(rig.ui[ControlId::Timer1].enabled);
    }

    // What the idle step at the end of start-up unlocks, by what the search found.
    void startUp_data()
    {
        QTest::addColumn<int>("devices");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<int>("state");
        QTest::newRow("no programmer") << 0 << false << 0;
        QTest::newRow("device that does not answer") << 1 << true << 1;
        QTest::newRow("programmer") << 1 << false << 2;
        QTest::newRow("two devices") << 2 << false << 0;
    }
    void startUp()
    {
        QFETCH(int, devices);
        QFETCH(bool, silent);
        QFETCH(int, state);
        sim::ProgrammerOptions options;
        options.devices.resize(std::size_t(devices), {"QP000001", "Quillon"});
        options.silent = silent;
        Rig rig(options);
        rig.start();
        QCOMPARE(rig.st.ConnectionState, state);
        for (ControlId id : DeviceCommands)
            QCOMPARE(rig.ui[id].enabled, state > 0);
        for (ControlId id : IdleUnlocked)
            QVERIFY(rig.ui[id].enabled);
        // Enabling never shows: these stay hidden until a device asks for them.
        for (ControlId id : {ControlId::Erase_But, ControlId::Prg_EE, ControlId::Verify_EE,
                 ControlId::EEprom_Begin, ControlId::EEprom_End})
            QVERIFY(!rig.ui[id].visible);
        for (ControlId id : IdleHidden)
            QVERIFY(!rig.ui[id].visible);
        QVERIFY(!rig.ui[ControlId::Memo1].visible);
        // No device picked yet: the list asks for one.
        QCOMPARE(rig.caption(ControlId::Device), std::string("No Device"));
        QVERIFY(rig.ui[ControlId::Device_Box].visible);
        QVERIFY(rig.ui.formEnabled());
        QCOMPARE(rig.st.exchange.StopRequest, 0);
    }

    void startUpRunsOnce()
    {
        Rig rig;
        rig.start();
        const std::size_t packets = rig.sent().size();
        rig.form.FormActivate(); // activated again after a modal box
        QCOMPARE(rig.sent().size(), packets);
    }

    void busyStepLocksAndIdleStepUnlocks()
    {
        Rig rig;
        rig.start();
        rig.ui.show(ControlId::Memo1);
        rig.ui.show(ControlId::FillBox);
        rig.trace.clear();
        BusyStep(rig.form.core());
        for (ControlId id : BusyLocked)
            QVERIFY2(!rig.ui[id].enabled, std::string(controlInfo(id).name).c_str());
        QVERIFY(!rig.ui[ControlId::Memo1].visible);
        // The stop button, the status line, the pickers and the oscillator
        // controls stay usable during a command.
        for (ControlId id : {ControlId::Quit_Add, ControlId::StaticText3, ControlId::Device_Box,
                 ControlId::File_Type, ControlId::FillBox, ControlId::Osc_Settings,
                 ControlId::BORV1, ControlId::BORV2})
            QVERIFY(rig.ui[id].enabled);
        QCOMPARE(countSent(rig, "TX 24"), 1);

        rig.ui.show(ControlId::Memo1);
        IdleStep(rig.form.core());
        QVERIFY(rig.ui[ControlId::Memo1].visible); // results stay up until the next command
        QVERIFY(!rig.ui[ControlId::FillBox].visible);
        QCOMPARE(countSent(rig, "TX 24"), 2);
    }

    void stopRequestedWhileIdle()
    {
        Rig rig;
        rig.start();
        rig.form.click(ControlId::Quit_Add);
        QCOMPARE(rig.st.exchange.StopRequest, 5);
        IdleStep(rig.form.core());
        QCOMPARE(rig.st.exchange.StopRequest, 0);
    }

    void timerTick()
    {
        Rig rig;
        rig.form.Timer1Timer();
        QCOMPARE(rig.st.exchange.StopRequest, 5);
        QCOMPARE(int(rig.st.exchange.ReplyTimedOut), 5);
    }

    // The timer runs from creation until the first wait ends; after that only
    // during waits, each with a fresh period.
    void timerRunsOnlyDuringWaits()
    {
        Rig rig;
        QVERIFY(rig.host.timerRunning());
        rig.start();
        QVERIFY(!rig.host.timerRunning());
        QVERIFY(!rig.ui[ControlId::Timer1].enabled);
    }

    void statusLineSearchesWhenIdle()
    {
        Rig rig(noProgrammer());
        rig.start();
        QCOMPARE(rig.st.ConnectionState, 0);
        QVERIFY(!rig.ui[ControlId::Program_Eprom].enabled);
        // The programmer is plugged in later; a click on the status line finds it.
        rig.programmer.plugIn(sim::simulatedDevices(1));
        rig.form.click(ControlId::StaticText3);
        QCOMPARE(countSent(rig, "TX 56"), 1);
        QCOMPARE(rig.st.ConnectionState, 2);
        QVERIFY(!rig.ui[ControlId::Memo1].visible);
        QVERIFY(rig.ui[ControlId::Device_Box].visible);
        QVERIFY(rig.ui[ControlId::Program_Eprom].enabled);
    }

    // A click on the status line in the middle of an exchange would interleave
    // version queries with the running command's packets.
    void statusLineIgnoredDuringAnExchange()
    {
        sim::ProgrammerOptions options;
        options.latencyUs = 50'000;
        Rig rig(options);
        rig.start();
        rig.trace.clear();
        rig.host.atPump(1, [&] { rig.form.click(ControlId::StaticText3); });
        BusyStep(rig.form.core()); // its reset waits for a reply
        QCOMPARE(countSent(rig, "TX 56"), 0);
        // Once idle, the click searches again.
        rig.form.click(ControlId::StaticText3);
        QCOMPARE(countSent(rig, "TX 56"), 1);
    }

    void statusLineIgnoredDuringASearch()
    {
        sim::ProgrammerOptions options;
        options.silent = true;
        Rig rig(options);
        int searches = 0;
        rig.programmer.setTraceSink([&](std::string_view line) {
            if (line.starts_with("TX 56"))
                ++searches;
        });
        rig.host.at(500'000, [&] { rig.form.click(ControlId::StaticText3); });
        rig.start();
        QCOMPARE(searches, 1);
    }

    void closing()
    {
        Rig rig;
        rig.start();
        rig.ui.enable(ControlId::Timer1);
        QVERIFY(rig.form.FormCloseQuery());
        QCOMPARE(rig.st.exchange.StopRequest, 5);
        QVERIFY(!rig.ui[ControlId::Timer1].enabled);
        // Input that arrives after the close does nothing.
        rig.trace.clear();
        rig.form.click(ControlId::StaticText3);
        QVERIFY(rig.sent().empty());
    }

    // A close that comes before the start-up read the settings file leaves it
    // as the user had it.
    void closingBeforeStartUpKeepsTheSettings()
    {
        Rig rig;
        const std::string saved = "12\r\n3\r\n1\r\n0\r\n1023\r\n\r\n";
        std::ofstream("Ravelin.Cfg", std::ios::binary) << saved;
        rig.form.FormCreate();
        rig.form.FormCloseQuery();
        std::ifstream file("Ravelin.Cfg", std::ios::binary);
        QCOMPARE(std::string(std::istreambuf_iterator<char>(file), {}), saved);
    }

    // Closing while a command waits: the wait ends at once.
    void closingDuringAWait()
    {
        sim::ProgrammerOptions options;
        options.silent = true;
        Rig rig(options);
        rig.st.ConnectionState = 2;
        rig.st.link.ShowLinkErrors = false;
        Open_USB_Device_By_Serial_Number(rig.form.core(), "QP000001");
        SetTimeouts(rig.form.core(), 40, 0);
        rig.host.at(200'000, [&] { rig.form.FormCloseQuery(); });
        commandPacket(rig.form.core())[0] = 0x24;
        AwaitReply(rig.form.core());
        QVERIFY(rig.host.nowUs() < 300'000);
        QCOMPARE(rig.st.exchange.StopRequest, 5);
    }
};

QTEST_APPLESS_MAIN(LifecycleTest)
#include "test_lifecycle.moc"
