// ravelin-sim's chip options, and the chips behind the programmer's packets.
#include "sim/ChipImage.h"
#include "sim/SimChip.h"
#include "sim/SimOptions.h"
#include "sim/SimProgrammer.h"

#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <array>
#include <vector>

using namespace ravelin;
using namespace ravelin::sim;

namespace {

class VirtualClock : public Clock
{
public:
    std::uint64_t nowUs() const override { return m_now; }
    void sleepUs(std::uint64_t us) override { m_now += us; }

private:
    std::uint64_t m_now = 0;
};

// The programmer on a virtual clock with a chip in its socket; packets go out
// as the application writes them, checksum included.
struct Wire
{
    explicit Wire(TargetSocket &socket)
        : programmer(clock, {}, &socket)
    {
        programmer.openEx("QP000001", ft::OpenBySerialNumber, handle);
    }

    std::vector<std::uint8_t> send(std::initializer_list<int> bytes)
    {
        std::array<std::uint8_t, 8> packet {};
        std::size_t at = 0;
        for (auto it = bytes.begin(); it != bytes.end() && at < 7; ++it)
            packet[at++] = std::uint8_t(*it);
        for (int k = 0; k < 7; ++k)
            packet[7] = std::uint8_t(packet[7] + packet[k]);
        std::uint32_t done = 0;
        programmer.write(handle, packet.data(), 8, done);
        if (packet[0] >= 0x80)
            return {};
        std::array<std::uint8_t, 8> answer {};
        programmer.read(handle, answer.data(), 8, done);
        const std::vector<std::uint8_t> reply(answer.begin(), answer.begin() + std::min(done, 8u));
        return reply;
    }
    int read(int c)
    {
        send({0xD1, c, 0, 0x32});
        const auto reply = send({0x53, c, 0, 0x32});
        return reply.size() == 8 ? reply[4] << 8 | reply[5] : -1;
    }

    VirtualClock clock;
    SimProgrammer programmer;
    FtHandle handle = 0;
};

} // namespace

class SocketTests : public QObject
{
    Q_OBJECT

private slots:
    void options_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("chip"); // empty: a usage error is expected
        QTest::addColumn<QString>("error");
        const auto row = [](const char *tag, const QStringList &arguments, const char *chip,
                             const char *error = "") {
            QTest::newRow(tag) << arguments << QString(chip) << QString(error);
        };
        const char *const slowWordUsage
            = "--slow-word needs ADDR:PULSES, a hex address and a count above 0";
        row("default", {}, "16F84/A");
        row("16F877A", {"--chip", "16F877A"}, "16F877A");
        row("12C508/A", {"--chip", "12C508/A"}, "12C508/A");
        row("16C54", {"--chip", "16C54"}, "16C54");
        row("none", {"--chip", "none"}, "none");
        row("unknown chip", {"--chip", "16F85"}, "", "unknown chip: 16F85");
        row("a name -d takes", {"--chip", "pic16f84a"}, "16F84/A");
        row("a 16F84", {"--chip", "16F84"}, "16F84/A");
        row("revision", {"--chip", "16F877A", "--revision", "2"}, "16F877A");
        row("revision too large", {"--revision", "32"}, "", "--revision needs a number of 0..31");
        row("revision of a 12-bit chip", {"--chip", "12C508A", "--revision", "1"}, "",
            "the 12C508/A has no word 2006 to hold a device ID");
        row("revision of a 16F84", {"--chip", "16F84", "--revision", "1"}, "",
            "--revision needs a chip with a device ID of its own");
        row("device ID too wide", {"--device-id", "4000"}, "",
            "--device-id needs a hex word of 0000..3FFF");
        row("device ID, empty socket", {"--chip", "none", "--device-id", "1060"}, "",
            "--device-id and --revision need a chip in the socket");
        row("chip without name", {"--chip"}, "", "--chip needs a device name");
        row("load without name", {"--load"}, "", "--load needs a file name");
        row("save into nothing", {"--chip", "none", "--save", "x.hex"}, "",
            "--load and --save need a chip in the socket");
        row("stuck word", {"--stuck-word", "2007"}, "16F84/A");
        row("stuck word, not hex", {"--stuck-word", "20G7"}, "",
            "--stuck-word needs a hex address");
        row("slow word", {"--slow-word", "0x10:3"}, "16F84/A");
        row("slow word, no count", {"--slow-word", "10"}, "", slowWordUsage);
        row("slow word, zero pulses", {"--slow-word", "10:0"}, "", slowWordUsage);
        row("protected read", {"--protected-read", "xor"}, "16F84/A");
        row("protected read, other", {"--protected-read", "ones"}, "",
            "--protected-read needs zeros or xor");
        row("floating", {"--floating", "3FFF"}, "16F84/A");
        row("band gap, too large", {"--band-gap", "4"}, "", "--band-gap needs 0, 1, 2 or 3");
    }
    void options()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, chip);
        QFETCH(QString, error);
        std::vector<std::string> args;
        for (const QString &a : arguments)
            args.push_back(a.toStdString());
        const SimCommandLineResult result = parseSimCommandLine(args);
        QCOMPARE(QString::fromStdString(result.error), error);
        QCOMPARE(result.options.has_value(), !chip.isEmpty());
        if (result.options)
            QCOMPARE(QString::fromStdString(result.options->chipName), chip);
    }

    void optionValues()
    {
        const auto result = parseSimCommandLine({"--chip", "16F628A", "--load", "in.hex", "--save",
            "out.hex", "--stuck-word", "0x123", "--slow-word", "1FF:7", "--fail-at-3v",
            "--no-calibration", "--protected-read", "zeros", "--floating", "3FFF", "--devices", "2",
            "--calibration", "3490", "--band-gap", "1"});
        QVERIFY2(result.options, result.error.c_str());
        const SimCommandLine &line = *result.options;
        QCOMPARE(*line.loadFile, std::string("in.hex"));
        QCOMPARE(*line.saveFile, std::string("out.hex"));
        QCOMPARE(int(*line.chip.stuckWord), 0x123);
        QCOMPARE(int(*line.chip.slowWord), 0x1FF);
        QCOMPARE(line.chip.slowWordPulses, 7u);
        QVERIFY(line.chip.failAt3Volts);
        QVERIFY(!line.chip.factoryCalibration);
        QCOMPARE(int(*line.chip.protectedRead), int(ProtectedRead::Zeros));
        QCOMPARE(int(line.chip.floatingLevel), 0x3FFF);
        QCOMPARE(line.programmer.devices.size(), std::size_t {2});
        QCOMPARE(int(*line.chip.calibration), 0x3490);
        QCOMPARE(int(line.chip.bandGap), 1);
        const std::string usage = simUsage();
        for (const char *option : {"--chip", "--load", "--save", "--stuck-word", "--slow-word",
                 "--fail-at-3v", "--protected-read", "--floating", "--calibration", "--band-gap",
                 "--revision", "--device-id"})
            QVERIFY2(usage.find(option) != std::string::npos, option);
    }

    // The socket the command line makes: the chip with its image, written back
    // at the end.
    void socketFromCommandLine()
    {
        QTemporaryDir dir;
        const std::string saved = dir.filePath("out.hex").toStdString();
        const auto result = parseSimCommandLine({"--chip", "16F84/A", "--load",
            std::string(RAVELIN_TEST_DATA) + "/hex/valid/f84a_blink.inhx8m.hex", "--save", saved});
        QVERIFY(result.options);
        SimSocket socket = buildSocket(*result.options);
        QVERIFY2(socket.error.empty(), socket.error.c_str());
        QVERIFY(socket.chip);
        QCOMPARE(socket.target(), static_cast<TargetSocket *>(socket.chip.get()));
        QCOMPARE(int(socket.chip->word(0)), 0x2805);
        QCOMPARE(int(socket.chip->config()), 0x3FF1);
        socket.chip->setWord(1, 0x0123);
        QCOMPARE(QString::fromStdString(saveSocket(socket, *result.options)), QString());
        auto again = makeChip("16F84/A");
        QVERIFY(loadHexFile(*again, saved).ok);
        QCOMPARE(int(again->word(1)), 0x0123);
        QCOMPARE(int(again->eeprom(5)), 0x55);
    }

    // The next chip of a run: fresh, the image again, its own calibration,
    // in the same place.
    void renewedChip()
    {
        const std::string image
            = std::string(RAVELIN_TEST_DATA) + "/hex/valid/f84a_blink.inhx8m.hex";
        const auto f84 = parseSimCommandLine({"--chip", "16F84A", "--load", image});
        SimSocket socket = buildSocket(*f84.options);
        TargetSocket *const target = socket.target();
        socket.chip->setWord(0, 0x0123);
        QCOMPARE(renew(socket, *f84.options), std::string());
        QVERIFY(socket.target() == target && socket.chip->word(0) == 0x2805);

        const auto f629 = parseSimCommandLine({"--chip", "12F629", "--calibration", "34FC"});
        SimSocket calibrated = buildSocket(*f629.options);
        for (const auto &[word, config] :
            {std::pair {0x3400, 0x3FFF}, {0x3404, 0x0FFF}, {0x3408, 0x1FFF}}) {
            renew(calibrated, *f629.options);
            QCOMPARE(calibrated.chip->word(0x3FF) << 16 | calibrated.chip->config(),
                word << 16 | config);
        }
    }

    void socketErrors()
    {
        const auto missing = parseSimCommandLine({"--load", "/nonexistent/in.hex"});
        QVERIFY(missing.options);
        const SimSocket socket = buildSocket(*missing.options);
        QVERIFY(socket.error.find("/nonexistent/in.hex") != std::string::npos);

        const auto empty = parseSimCommandLine({"--chip", "none", "--floating", "3FFF"});
        QVERIFY(empty.options);
        SimSocket nothing = buildSocket(*empty.options);
        QVERIFY(nothing.error.empty());
        QVERIFY(!nothing.chip);
        QVERIFY(nothing.target());
        QCOMPARE(int(nothing.target()->serialRead(4)), 0x3FFF);
        QCOMPARE(saveSocket(nothing, *empty.options), std::string());
    }

    // The programmer relays the line patterns and commands to the socket, and
    // its reset (0x24) takes the chip out of programming mode.
    void packetsReachTheSocket()
    {
        auto chip = makeChip("16F628A");
        chip->setWord(0, 0x2805);
        Wire wire {*chip};
        for (const auto &[group, value] :
            {std::pair {0x5F, 0x33}, {0x3F, 0xF1}, {0x4F, 0x00}, {0x5F, 0x32}})
            wire.send({0x94, group, value});
        QCOMPARE(int(chip->mode()), int(SimChip::Mode::Serial));
        QCOMPARE(wire.read(4), 0x2805);
        wire.send({0x24});
        QCOMPARE(int(chip->mode()), int(SimChip::Mode::Off));
        QCOMPARE(wire.read(4), 0x0000);
    }

    // The bytes the firmware expects in a packet are not free: a wrong supply
    // pattern in a serial packet takes the chip out of programming mode, wrong
    // read lines in 0x50 read nothing, and a word presented with a wrong
    // data-line set-up in 0x92 is not programmed. Each case runs right, then
    // with one byte spoilt.
    void fixedBytesCount_data()
    {
        QTest::addColumn<QString>("packets"); // after the entry; "*" marks the byte to spoil
        QTest::addColumn<int>("wrong");
        QTest::addColumn<int>("word"); // reply byte of the word's high half; -1: chip word 0
        QTest::addColumn<int>("right");
        QTest::addColumn<int>("spoilt");
        const QString pulse = "94 3F FD, 94 3F F9, 92 0A 5A %1, 94 3F F8, 94 3F F9";
        QTest::newRow("0xD1") << "D1 04 00 *32, 53 04 00 32" << 0x33 << 4 << 0x3FFF << 0;
        QTest::newRow("0x53") << "D1 04 00 32, 53 04 00 *32" << 0x36 << 4 << 0x3FFF << 0;
        QTest::newRow("0xD2") << "D1 02 00 32, D2 12 34 *32, D1 08 00 32" << 0xF2 << -1 << 0x1234
                              << 0x3FFF;
        QTest::newRow("0x54") << "54 04 00 *32" << 0x36 << 0 << 0x3FFF << 0;
        QTest::newRow("0x50") << "50 00 00 *6D ED E9" << 0x6C << 1 << 0x0FFF << 0;
        QTest::newRow("0x92 byte 3") << pulse.arg("*62 F9 32 30") << 0x63 << -1 << 0x05AA << 0x0FFF;
        QTest::newRow("0x92 byte 5") << pulse.arg("62 F9 *32 30") << 0x33 << -1 << 0x05AA << 0x0FFF;
        QTest::newRow("0x92 byte 6") << pulse.arg("62 F9 32 *30") << 0x31 << -1 << 0x05AA << 0x0FFF;
    }
    void fixedBytesCount()
    {
        QFETCH(QString, packets);
        QFETCH(int, wrong);
        QFETCH(int, word);
        QFETCH(int, right);
        QFETCH(int, spoilt);
        const bool parallel = packets.contains("50 ") || packets.contains("92 ");
        for (const bool spoil : {false, true}) {
            auto chip = makeChip(parallel ? "16C54" : "16F628A");
            Wire wire {*chip};
            const QString entry = parallel ? "94 5F 7B, 94 3F E1, 94 3F E9, 94 5F 7A, "
                                           : "94 5F 33, 94 3F F1, 94 4F 00, 94 5F 32, ";
            std::vector<std::uint8_t> reply;
            for (const QString &packet : (entry + packets).split(", ")) {
                std::array<int, 7> bytes {};
                const QStringList hex = packet.split(' ');
                for (int i = 0; i < hex.size(); ++i)
                    bytes[std::size_t(i)] = spoil && hex[i].startsWith('*')
                        ? wrong
                        : QString(hex[i]).remove('*').toInt(nullptr, 16);
                reply = wire.send(
                    {bytes[0], bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6]});
            }
            const int found = word < 0
                ? chip->word(0)
                : reply.at(std::size_t(word)) << 8 | reply.at(std::size_t(word) + 1);
            QCOMPARE(found, spoil ? spoilt : right);
        }
    }
};

int runSocketTests(int argc, char **argv)
{
    SocketTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "SocketTests.moc"
