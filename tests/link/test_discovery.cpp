// Finding the programmer at start-up and on a click on the status line, and
// the firmware update.
#include "link/Discovery.h"
#include "link/FirmwareUpdate.h"
#include "support/Rig.h"

#include <QTemporaryDir>
#include <QTest>

#include <fstream>

using namespace ravelin;
using namespace ravelin::test;

namespace {

const std::string NotFound = "The Quillon Programmer Could Not Be Found....";
const std::string Question = "This Software Requires Firmware Version - 1.20\nDo You Want to Flash "
                             "Update the Programmer ?";

std::string dataFile(const char *name)
{
    return std::string(RAVELIN_TEST_DATA) + "/update/" + name;
}

sim::ProgrammerOptions withDevices(int count)
{
    sim::ProgrammerOptions options;
    options.devices = count == 0
        ? std::vector<sim::SimDevice> {}
        : std::vector<sim::SimDevice>(std::size_t(count), sim::SimDevice {"QP000001", "Quillon"});
    if (count == 2)
        options.devices[1] = {"FT00000B", "FT232R USB UART"};
    return options;
}

// An update file: the header with its signature and expected checksum, then
// the given number of bytes of records, each record's address at bytes 2..3.
std::vector<std::uint8_t> updateImage(std::size_t recordBytes, std::uint16_t expected)
{
    std::vector<std::uint8_t> bytes(FirmwareHeaderSize + recordBytes, 0x11);
    std::copy(FirmwareSignature.begin(), FirmwareSignature.end(), bytes.begin());
    bytes[14] = static_cast<std::uint8_t>(expected >> 8);
    bytes[15] = static_cast<std::uint8_t>(expected);
    for (std::size_t k = 0; FirmwareHeaderSize + FirmwareRecordSize * k + 4 <= bytes.size(); ++k) {
        const std::size_t at = FirmwareHeaderSize + FirmwareRecordSize * k;
        const std::size_t address = k * 0x40;
        bytes[at + 2] = static_cast<std::uint8_t>(address >> 8);
        bytes[at + 3] = static_cast<std::uint8_t>(address);
    }
    return bytes;
}

std::string writeFile(const QTemporaryDir &dir, const std::vector<std::uint8_t> &bytes)
{
    const std::string name = dir.filePath("update.bin").toStdString();
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    return name;
}

// A rig that notes what Quit_Add showed as each firmware record went out.
struct UpdateRig : Rig
{
    UpdateRig()
    {
        programmer.setTraceSink([this](std::string_view line) {
            trace.emplace_back(line);
            if (line.starts_with("TX") && line.size() == 2 + 3 * FirmwareRecordSize)
                shownWhileSent.push_back(ui[ControlId::Quit_Add].caption);
        });
    }
    std::vector<std::string> records() const
    {
        std::vector<std::string> lines;
        for (const std::string &line : sent()) {
            if (line.size() == 2 + 3 * FirmwareRecordSize)
                lines.push_back(line);
        }
        return lines;
    }
    std::vector<std::string> shownWhileSent;
};

} // namespace

class DiscoveryTest : public QObject
{
    Q_OBJECT

private slots:
    void startUpWithOneProgrammer()
    {
        Rig rig;
        rig.start();
        QCOMPARE(rig.caption(ControlId::StaticText3),
            std::string("Usb Programmer Found - FirmWare Version 1.20"));
        QCOMPARE(rig.st.ConnectionState, 2);
        QCOMPARE(rig.st.FirmwareVersion, 276);
        const auto sent = rig.sent();
        const auto query = std::find(sent.begin(), sent.end(), "TX 56 00 00 00 00 00 00 56");
        QVERIFY(query != sent.end());
        QCOMPARE(*(query + 1), std::string("TX 90 3F 30 00 00 00 00 FF"));
        // The reply to the version query comes before the 0x90.
        const auto tx = std::find(rig.trace.begin(), rig.trace.end(), "TX 56 00 00 00 00 00 00 56");
        QVERIFY((tx + 1)->starts_with("RX 56 01 14"));
        QVERIFY(rig.host.boxes.empty());
        QVERIFY(!rig.ui[ControlId::Memo1].visible);
    }

    void deviceCount_data()
    {
        QTest::addColumn<int>("devices");
        QTest::newRow("none") << 0;
        QTest::newRow("two") << 2;
    }
    void deviceCount()
    {
        QFETCH(int, devices);
        Rig rig(withDevices(devices));
        rig.st.ConnectionState = 2; // from an earlier search
        FindProgrammer(rig.form.core());
        QVERIFY(rig.sent().empty());
        QCOMPARE(rig.host.boxes.size(), std::size_t {1});
        QCOMPARE(rig.host.boxes[0].text, NotFound);
        QCOMPARE(rig.host.boxes[0].kind, MessageKind::Information);
        QVERIFY(rig.host.boxes[0].position.has_value());
        QCOMPARE(rig.host.boxes[0].position->left, 375);
        QCOMPARE(rig.host.boxes[0].position->top, 325);
        QCOMPARE(rig.st.ConnectionState, 2);
        QCOMPARE(rig.caption(ControlId::StaticText3), std::string("Looking For Programmer"));
    }

    void versions_data()
    {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("asks");
        QTest::newRow("1.20") << 1 << 20 << "1.20" << 276 << false;
        QTest::newRow("1.19") << 1 << 19 << "1.19" << 275 << true;
        QTest::newRow("2.00") << 2 << 0 << "2.00" << 512 << false;
        QTest::newRow("1.05") << 1 << 5 << "1.05" << 261 << true;
        QTest::newRow("0.255") << 0 << 255 << "0.255" << 255 << true;
    }
    void versions()
    {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(QString, text);
        QFETCH(int, version);
        QFETCH(bool, asks);
        sim::ProgrammerOptions options;
        options.firmwareMajor = std::uint8_t(major);
        options.firmwareMinor = std::uint8_t(minor);
        Rig rig(options);
        rig.start();
        QCOMPARE(QString::fromStdString(rig.caption(ControlId::StaticText3)),
            "Usb Programmer Found - FirmWare Version " + text);
        QCOMPARE(rig.st.FirmwareVersion, version);
        QCOMPARE(rig.boxShown(Question), asks);
        if (asks) {
            QCOMPARE(rig.host.boxes.back().buttons, MessageButtons::YesNo);
            QCOMPARE(rig.host.boxes.back().position->left, 375);
            // Declined: no update. The next search asks again.
            QVERIFY(rig.host.openDialogsShown.empty());
            rig.form.click(ControlId::StaticText3);
            QCOMPARE(std::count_if(rig.host.boxes.begin(), rig.host.boxes.end(),
                         [](const MessageBoxRequest &b) { return b.text == Question; }),
                2);
        }
    }

    void acceptedQuestionStartsTheUpdate()
    {
        sim::ProgrammerOptions options;
        options.firmwareMinor = 19;
        Rig rig(options);
        rig.host.boxAnswers = {MessageAnswer::Yes};
        rig.start();
        QCOMPARE(rig.host.openDialogsShown.size(), std::size_t {1});
        QCOMPARE(
            rig.caption(ControlId::StaticText3), std::string("Updating Programmer Flash Code...."));
    }

    void nonZeroByte6IsNotFound()
    {
        sim::ProgrammerOptions options;
        options.versionByte6 = 1;
        Rig rig(options);
        rig.start();
        QVERIFY(rig.boxShown(NotFound));
        QCOMPARE(rig.st.ConnectionState, 1);
        // The device commands are unlocked all the same, and packets go out.
        QVERIFY(rig.ui[ControlId::Program_Eprom].enabled);
        const auto sent = rig.sent();
        QVERIFY(!sent.empty());
        QVERIFY(std::none_of(
            sent.begin(), sent.end(), [](const std::string &l) { return l.starts_with("TX 90"); }));
    }

    void silentProgrammer()
    {
        sim::ProgrammerOptions options;
        options.silent = true;
        Rig rig(options);
        rig.start();
        QVERIFY(rig.boxShown(NotFound));
        QCOMPARE(rig.st.ConnectionState, 1);
        QVERIFY(rig.host.nowUs() >= 1'000'000);
        QVERIFY(!rig.ui[ControlId::Memo1].visible);
        const auto memo = rig.memo();
        QVERIFY(std::any_of(memo.begin(), memo.end(), [](const std::string &l) {
            return l == "Device no longer present ... PortStatus-0 USB-5";
        }));
    }

    // A stop left over from start-up makes the version wait read at once.
    void leftoverStopRequest_data()
    {
        QTest::addColumn<bool>("silent");
        QTest::addColumn<int>("state");
        QTest::newRow("programmer answers") << false << 2;
        QTest::newRow("silent programmer") << true << 1;
    }
    void leftoverStopRequest()
    {
        QFETCH(bool, silent);
        QFETCH(int, state);
        sim::ProgrammerOptions options;
        options.silent = silent;
        Rig rig(options);
        rig.form.FormCreate();
        rig.st.exchange.StopRequest = 1; // the end record of the last file loaded
        FindProgrammer(rig.form.core());
        QCOMPARE(rig.st.ConnectionState, state);
        QCOMPARE(rig.boxShown(NotFound), silent);
    }

    // Start-up work held the window past a tick: it arrives in the version
    // wait's first pump, and the programmer is found all the same.
    void tickDueBeforeTheFirstWait()
    {
        Rig rig;
        rig.form.FormCreate();
        rig.host.advanceUs(1'500'000);
        FindProgrammer(rig.form.core());
        QCOMPARE(rig.host.timerTicks, 1);
        QCOMPARE(rig.st.ConnectionState, 2);
        QVERIFY(!rig.boxShown(NotFound));
    }

    void unpluggedAfterSuccess()
    {
        Rig rig;
        rig.start();
        QCOMPARE(rig.st.ConnectionState, 2);
        rig.programmer.unplug();
        rig.form.click(ControlId::StaticText3);
        QVERIFY(rig.boxShown(NotFound));
        QCOMPARE(rig.st.ConnectionState, 2);
        QCOMPARE(rig.caption(ControlId::StaticText3),
            std::string("Usb Programmer Found - FirmWare Version 1.20"));
    }

    void failedOpenStillQueries()
    {
        // The device lists with a serial number that does not open.
        struct NoOpen : sim::SimProgrammer
        {
            using SimProgrammer::SimProgrammer;
            FtStatus openEx(const char *, std::uint32_t, FtHandle &) override
            {
                return ft::DeviceNotOpened;
            }
        };
        WindowModel ui;
        AppState st;
        FakeHost host(ui);
        NoOpen transport(host, {});
        MainForm form(ui, st, host, transport);
        host.setTimerHandler([&] { form.Timer1Timer(); });
        form.FormCreate();
        form.FormActivate();
        QCOMPARE(st.ConnectionState, 1);
        QCOMPARE(st.link.handle, FtHandle {0});
        QCOMPARE(host.boxes.size(), std::size_t {1});
        QCOMPARE(host.boxes[0].text, NotFound);
    }

    void updateSendsAllButTheLastRecord()
    {
        UpdateRig rig;
        rig.start();
        rig.trace.clear();
        rig.ui.OpenDialog1.fileName = "/work/last.hex";
        rig.host.openAnswers = {dataFile("update_r3.bin")};
        UpdateFirmware(rig.form.core());

        const auto records = rig.records();
        QCOMPARE(records.size(), std::size_t {2});
        // Each record carries its own checksum in byte 7, whatever the file held.
        for (const std::string &line : records) {
            unsigned sum = 0;
            for (int i = 0; i < 7; ++i)
                sum += std::stoul(line.substr(3 + 3 * std::size_t(i), 2), nullptr, 16);
            QCOMPARE(std::stoul(line.substr(3 + 21, 2), nullptr, 16), sum & 0xFF);
        }
        // While a record goes out the stop button shows the next record's address.
        QCOMPARE(rig.shownWhileSent, (std::vector<std::string> {"0FC0", "1000"}));
        const auto sent = rig.sent();
        QCOMPARE(sent[sent.size() - 2], std::string("TX AA 43 00 00 00 00 00 ED"));
        QCOMPARE(sent.back(), std::string("TX 52 00 00 00 00 00 00 52"));
        QCOMPARE(rig.st.exchange.PacketLength, std::uint32_t {8});
        // Two of three records arrived: the programmer's checksum is not the file's.
        QVERIFY(rig.boxShown("Warning: Bad Update..."));
        QCOMPARE(rig.host.boxes.back().kind, MessageKind::Warning);
        // The firmware file does not become the buffer's last file.
        QCOMPARE(rig.ui.OpenDialog1.fileName, std::string("/work/last.hex"));
    }

    void updateReport()
    {
        // The programmer sums every record byte it receives; a file that expects
        // exactly that sum is a good update.
        std::vector<std::uint8_t> image = updateImage(3 * FirmwareRecordSize, 0);
        std::uint16_t sum = 0;
        for (std::size_t k = 0; k < 2; ++k) {
            const std::size_t at = FirmwareHeaderSize + FirmwareRecordSize * k;
            image[at + 7] = 0;
            unsigned packetSum = 0;
            for (int i = 0; i < 7; ++i)
                packetSum += image[at + std::size_t(i)];
            image[at + 7] = std::uint8_t(packetSum);
            for (std::size_t i = 0; i < FirmwareRecordSize; ++i)
                sum = std::uint16_t(sum + image[at + i]);
        }
        image[14] = std::uint8_t(sum >> 8);
        image[15] = std::uint8_t(sum);
        QTemporaryDir dir;
        UpdateRig rig;
        rig.start();
        rig.ui.clearLines(ControlId::Memo1);
        rig.host.openAnswers = {writeFile(dir, image)};
        UpdateFirmware(rig.form.core());
        QVERIFY(rig.boxShown("Good Update..."));
        const auto memo = rig.memo();
        QCOMPARE(memo.size(), std::size_t {10});
        QCOMPARE(memo[0], std::string("AA"));
        QCOMPARE(memo[2], hexPair(sum >> 8));
        QCOMPARE(memo[8], "Expected - " + hexPair(sum >> 8) + hexPair(sum));
        QCOMPARE(memo[9], "Found    - " + hexPair(sum >> 8) + hexPair(sum));
    }

    // Files that send no record: the end packet and the closing packet still go
    // out for a valid header; a wrong or missing file sends nothing.
    void updateWithoutRecords_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("valid");
        QTest::newRow("header only") << "update_r0.bin" << true;
        QTest::newRow("one record, 90 bytes") << "update_r1.bin" << true;
        QTest::newRow("lower-case f") << "update_bad_signature.bin" << false;
        QTest::newRow("cut inside the signature") << "update_short_header.bin" << false;
        QTest::newRow("missing") << "no_such_file.bin" << false;
    }
    void updateWithoutRecords()
    {
        QFETCH(QString, file);
        QFETCH(bool, valid);
        UpdateRig rig;
        rig.start();
        rig.trace.clear();
        rig.host.openAnswers = {dataFile(file.toUtf8().constData())};
        UpdateFirmware(rig.form.core());
        QVERIFY(rig.records().empty());
        const std::vector<std::string> closing {
            "TX AA 43 00 00 00 00 00 ED", "TX 52 00 00 00 00 00 00 52"};
        QCOMPARE(rig.sent(), valid ? closing : std::vector<std::string> {});
        QCOMPARE(rig.boxShown("Invalid File Type...\nCan Not Update Units With This File......"),
            !valid);
        QCOMPARE(rig.host.boxes.size(), std::size_t {1});
        QCOMPARE(rig.st.exchange.PacketLength, std::uint32_t {8});
    }

    void updateCancelled()
    {
        UpdateRig rig;
        rig.start();
        rig.trace.clear();
        UpdateFirmware(rig.form.core());
        QVERIFY(rig.sent().empty());
        QVERIFY(rig.host.boxes.empty());
        QCOMPARE(
            rig.caption(ControlId::StaticText3), std::string("Updating Programmer Flash Code...."));
    }

    // Records the count rule takes in but the data read does not hold.
    void recordsPastTheData_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("sent");
        QTest::addColumn<QString>("lastShown");
        // n = 71: record 69 is the last sent, record 70 starts 3 bytes before the end.
        QTest::newRow("successor cut") << 16 + 73 * 71 << 70 << "1140";
        // n = 80: records 78 and 79 run past the end and are not sent; while 77
        // goes out, 78's address bytes are still inside the data.
        QTest::newRow("records cut") << 16 + 73 * 80 << 78 << "1380";
    }
    void recordsPastTheData()
    {
        QFETCH(int, size);
        QFETCH(int, sent);
        QFETCH(QString, lastShown);
        QTemporaryDir dir;
        UpdateRig rig;
        rig.start();
        rig.host.openAnswers = {writeFile(dir, updateImage(std::size_t(size) - 16, 0))};
        UpdateFirmware(rig.form.core());
        QCOMPARE(int(rig.records().size()), sent);
        QCOMPARE(QString::fromStdString(rig.shownWhileSent.back()), lastShown);
    }

    void recordCount_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("records");
        QTest::newRow("12") << 12 << 0;
        QTest::newRow("16") << 16 << 0;
        QTest::newRow("161") << 161 << 0;
        QTest::newRow("162") << 162 << 1;
        QTest::newRow("238") << 238 << 2;
        QTest::newRow("9215") << 9215 << 125;
    }
    void recordCount()
    {
        QFETCH(int, size);
        QFETCH(int, records);
        QCOMPARE(int(firmwareRecordsSent(std::size_t(size))), records);
    }

    // Input in a pump of a running exchange starts no other: the packets are
    // those of the exchange alone, whatever the window shows enabled.
    void oneExchangeAtATime_data()
    {
        QTest::addColumn<bool>("update");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("arg");
        const auto row
            = [](const char *name, bool update, UiEventKind kind, ControlId id, int arg = 0) {
                  QTest::newRow(name) << update << int(kind) << int(id) << arg;
              };
        row("update: Program", true, UiEventKind::Click, ControlId::Program_Eprom);
        row("update: Fill", true, UiEventKind::Click, ControlId::Fill);
        row("update: Device", true, UiEventKind::Click, ControlId::Device);
        row("update: device list", true, UiEventKind::ItemClick, ControlId::Device_Box, 3);
        row("update: U again", true, UiEventKind::Key, ControlId::Start_Add, 'U');
        row("search: Blank Check", false, UiEventKind::Click, ControlId::Blank_Chk);
        row("search: device list", false, UiEventKind::ItemClick, ControlId::Device_Box, 3);
    }
    void oneExchangeAtATime()
    {
        QFETCH(bool, update);
        QFETCH(int, kind);
        QFETCH(int, id);
        QFETCH(int, arg);
        const auto run = [&](bool intrude) {
            UpdateRig rig;
            rig.start();
            rig.trace.clear();
            rig.host.openAnswers = {dataFile("update_r3.bin"), dataFile("update_r3.bin")};
            bool intruded = false;
            rig.host.atPump(3, [&] {
                if (!intrude)
                    return;
                UiEvent event = UiEvent::of(UiEventKind(kind), ControlId(id));
                event.index = arg;
                event.key = char(arg);
                rig.form.handle(event);
                intruded = rig.st.linkBusy > 0;
            });
            if (update)
                rig.form.keyPress(ControlId::Start_Add, 'U');
            else
                rig.form.click(ControlId::StaticText3);
            return std::make_tuple(rig.sent(), intruded, rig.st.exchange.PacketLength);
        };
        const auto [alone, none, lengthAlone] = run(false);
        const auto [sent, intruded, length] = run(true);
        QVERIFY(intruded && !none);
        QCOMPARE(sent, alone);
        QCOMPARE(length, std::uint32_t {8});
    }

    void updateKeyOnStartAdd_data()
    {
        QTest::addColumn<char>("key");
        QTest::addColumn<bool>("starts");
        QTest::newRow("U") << 'U' << true;
        QTest::newRow("u") << 'u' << true;
        QTest::newRow("X") << 'X' << false;
    }
    void updateKeyOnStartAdd()
    {
        QFETCH(char, key);
        QFETCH(bool, starts);
        Rig rig;
        rig.start();
        rig.form.keyPress(ControlId::Start_Add, key);
        QCOMPARE(rig.host.openDialogsShown.size(), std::size_t(starts ? 1 : 0));
    }

private:
    static std::string hexPair(unsigned value)
    {
        return QString::asprintf("%02X", value & 0xFF).toStdString();
    }
};

QTEST_APPLESS_MAIN(DiscoveryTest)
#include "test_discovery.moc"
