// ravelin-sim's chip options, and the chips behind the programmer's packets.
#include "sim/ChipImage.h"
#include "sim/SimChip.h"
#include "sim/SimOptions.h"
#include "sim/SimProgrammer.h"

#include <QTemporaryDir>
#include <QTest>

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

    std::vector<std::uint8_t> send(std::initializer_list<int> bytes, std::uint32_t replyLength = 8)
    {
        std::uint8_t packet[8] = {};
        int i = 0;
        for (int b : bytes)
            packet[i++] = static_cast<std::uint8_t>(b);
        unsigned sum = 0;
        for (int k = 0; k < 7; ++k)
            sum += packet[k];
        packet[7] = static_cast<std::uint8_t>(sum);
        std::uint32_t written = 0;
        programmer.write(handle, packet, 8, written);
        if (packet[0] >= 0x80)
            return {};
        std::vector<std::uint8_t> reply(replyLength);
        std::uint32_t got = 0;
        programmer.read(handle, reply.data(), replyLength, got);
        reply.resize(got);
        return reply;
    }
    void lines(int group, int value) { send({0x94, group, value}); }
    void command(int c) { send({0xD1, c, 0, 0x32}); }
    void data(int word) { send({0xD2, word >> 8, word & 0xFF, 0x32}); }
    int read(int c)
    {
        command(c);
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
        QTest::newRow("default") << QStringList {} << "16F84/A"
                                 << "";
        QTest::newRow("16F877A") << QStringList {"--chip", "16F877A"} << "16F877A"
                                 << "";
        QTest::newRow("12C508/A") << QStringList {"--chip", "12C508/A"} << "12C508/A"
                                  << "";
        QTest::newRow("16C54") << QStringList {"--chip", "16C54"} << "16C54"
                               << "";
        QTest::newRow("none") << QStringList {"--chip", "none"} << "none"
                              << "";
        QTest::newRow("unknown chip") << QStringList {"--chip", "16F84"} << ""
                                      << "unknown chip: 16F84";
        QTest::newRow("chip without name") << QStringList {"--chip"} << ""
                                           << "--chip needs a device name";
        QTest::newRow("load without name") << QStringList {"--load"} << ""
                                           << "--load needs a file name";
        QTest::newRow("save into nothing")
            << QStringList {"--chip", "none", "--save", "x.hex"} << ""
            << "--load and --save need a chip in the socket";
        QTest::newRow("stuck word") << QStringList {"--stuck-word", "2007"} << "16F84/A"
                                    << "";
        QTest::newRow("stuck word, not hex") << QStringList {"--stuck-word", "20G7"} << ""
                                             << "--stuck-word needs a hex address";
        QTest::newRow("slow word") << QStringList {"--slow-word", "0x10:3"} << "16F84/A"
                                   << "";
        QTest::newRow("slow word, no count")
            << QStringList {"--slow-word", "10"} << ""
            << "--slow-word needs ADDR:PULSES, a hex address and a count above 0";
        QTest::newRow("slow word, zero pulses")
            << QStringList {"--slow-word", "10:0"} << ""
            << "--slow-word needs ADDR:PULSES, a hex address and a count above 0";
        QTest::newRow("protected read") << QStringList {"--protected-read", "xor"} << "16F84/A"
                                        << "";
        QTest::newRow("protected read, other") << QStringList {"--protected-read", "ones"} << ""
                                               << "--protected-read needs zeros or xor";
        QTest::newRow("floating") << QStringList {"--floating", "3FFF"} << "16F84/A"
                                  << "";
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
        const auto result
            = parseSimCommandLine({"--chip", "16F628A", "--load", "in.hex", "--save", "out.hex",
                "--stuck-word", "0x123", "--slow-word", "1FF:7", "--fail-at-3v", "--no-calibration",
                "--protected-read", "zeros", "--floating", "3FFF", "--devices", "2"});
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
        const std::string usage = simUsage();
        for (const char *option : {"--chip", "--load", "--save", "--stuck-word", "--slow-word",
                 "--fail-at-3v", "--protected-read", "--floating"})
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

    // ---- through the programmer's packets -----------------------------------------------

    void serialPackets()
    {
        auto chip = makeChip("16F628A");
        chip->setWord(0, 0x2805);
        chip->setWord(1, 0x0008);
        chip->setEeprom(0, 0x5A);
        Wire wire {*chip};
        // The entry at 5 Volts exactly as the application sends it.
        wire.lines(0x5F, 0x33);
        wire.lines(0x3F, 0xF1);
        wire.lines(0x4F, 0x00);
        wire.lines(0x5F, 0x32);
        QCOMPARE(int(chip->mode()), int(SimChip::Mode::Serial));
        QCOMPARE(wire.read(4), 0x2805);
        const auto block = wire.send({0x54, 4, 0, 0x32}, 256);
        QCOMPARE(block.size(), std::size_t {256});
        QCOMPARE(block[0] << 8 | block[1], 0x2805);
        QCOMPARE(block[2] << 8 | block[3], 0x0008);
        QCOMPARE(block[254] << 8 | block[255], 0x3FFF);
        QCOMPARE(int(*chip->counter()), 128);
        QCOMPARE(wire.read(5), 0x5A); // 128 mod 128
        // One word programmed as the single-word routine does it.
        wire.command(2);
        wire.data(0x1234);
        wire.command(8);
        QCOMPARE(int(chip->word(128)), 0x1234);
        // The erase: 0xFF arrives as 0x3F, which this part ignores; then B.
        wire.command(0xFF);
        QCOMPARE(int(chip->word(0)), 0x2805);
        wire.command(0);
        wire.data(0x3FFF);
        for (int i = 0; i < 7; ++i)
            wire.command(6);
        wire.command(9);
        wire.command(0x0B);
        QCOMPARE(int(chip->word(0)), 0x3FFF);
        QCOMPARE(int(chip->eeprom(0)), 0xFF);
        // 0x24 takes the chip out of programming mode.
        wire.send({0x24});
        QCOMPARE(int(chip->mode()), int(SimChip::Mode::Off));
        QCOMPARE(wire.read(4), 0x0000);
    }

    void chipErasePacket()
    {
        auto chip = makeChip("16F877A");
        chip->setWord(0, 0x2805);
        Wire wire {*chip};
        wire.lines(0x5F, 0x37);
        wire.lines(0x3F, 0xF1);
        wire.lines(0x4F, 0x00);
        wire.lines(0x5F, 0x36);
        QCOMPARE(int(*chip->voltage()), int(SupplyVoltage::Volts3));
        wire.command(0xFF);
        QCOMPARE(int(chip->word(0)), 0x3FFF);
    }

    void parallelPackets()
    {
        auto chip = makeChip("16C54");
        chip->setWord(0x0FFF, 0x0FF9);
        Wire wire {*chip};
        wire.lines(0x5F, 0x7B);
        wire.lines(0x3F, 0xE1);
        wire.lines(0x3F, 0xE9);
        wire.lines(0x5F, 0x7A);
        QCOMPARE(int(chip->mode()), int(SimChip::Mode::Parallel));
        auto reply = wire.send({0x50, 0, 0, 0x6D, 0xED, 0xE9});
        QCOMPARE(reply[1] << 8 | reply[2], 0x0FF9);
        // The parallel program step at address 0, as the application sends it.
        const int word = 0x0A53;
        wire.send({0x92, word & 0x0F, (word >> 4) & 0xFF, 0x62, 0xF9, 0x32, 0x30});
        wire.lines(0x3F, 0xF8);
        wire.lines(0x3F, 0xF9);
        wire.lines(0x5F, 0x7A);
        wire.send({0x92, 0x0F, 0xFF, 0x62, 0xE8, 0x7A, 0x30});
        reply = wire.send({0x50, 0x0F, 0xFF, 0x68, 0xE8, 0xE8, 0x30});
        QCOMPARE(reply[1] << 8 | reply[2], word);
        QCOMPARE(int(*chip->counter()), 0);
        // A pulse with the data lines released programs nothing.
        wire.lines(0x3F, 0xFD);
        wire.lines(0x3F, 0xF9);
        wire.lines(0x3F, 0xF8);
        wire.lines(0x3F, 0xF9);
        QCOMPARE(int(chip->word(1)), 0x0FFF);
        QCOMPARE(int(*chip->counter()), 1);
    }
};

int runSocketTests(int argc, char **argv)
{
    SocketTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "SocketTests.moc"
