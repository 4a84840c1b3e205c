// Writing the target: program, erase and the data EEPROM, on the simulated
// programmer with a simulated chip in the socket.
#include "ChipRig.h"

#include "app/Format.h"
#include "buffer/IntelHex.h"
#include "buffer/TestFiles.h"

#include <QTest>

#include <fstream>
#include <optional>
#include <sstream>

using namespace ravelin;
using namespace ravelin::test;

namespace {

const std::string NotProgrammed = "Device DID NOT Program...";

int countSent(const ChipRig &rig, const std::string &prefix)
{
    const auto sent = rig.sent();
    return int(std::count_if(
        sent.begin(), sent.end(), [&](const std::string &l) { return l.starts_with(prefix); }));
}

// The serial commands (0xD1's byte 1) sent since the trace was cleared, with
// each data word (0xD2) as "D hhhh".
std::vector<std::string> serialCommands(const ChipRig &rig)
{
    std::vector<std::string> commands;
    for (const std::string &line : rig.sent()) {
        if (line.starts_with("TX D1"))
            commands.push_back(line.substr(6, 2));
        else if (line.starts_with("TX D2"))
            commands.push_back("D " + line.substr(6, 2) + line.substr(9, 2));
    }
    return commands;
}

// Counts, for one address, the programming cycles started while the address
// display showed it.
struct CycleCounter
{
    explicit CycleCounter(ChipRig &rig)
        : rig(rig)
    {
        rig.programmer.setTraceSink([this](std::string_view line) {
            this->rig.trace.emplace_back(line);
            if (line.starts_with("TX D1 08"))
                ++cycles[this->rig.caption(ControlId::Quit_Add)];
        });
    }
    ChipRig &rig;
    std::map<std::string, int> cycles;
};

// A buffer as a hex file would give it: program words counting up, IDs, a
// configuration word and the data EEPROM.
void fillBuffer(ChipRig &rig)
{
    const std::uint16_t mask = rig.st.device.WordMask;
    for (unsigned a = 0; a <= rig.st.device.LastProgramAddress; ++a)
        rig.buffer(a) = std::uint16_t((a * 0x0105 + 0x0301) & mask);
    for (unsigned i = 0; i < 4; ++i)
        rig.buffer(0x2100 + i) = std::uint16_t((0x0C00 + i) & mask);
    for (unsigned a = 0x2000; a <= rig.st.device.LastEEAddress && rig.st.device.eeSizeCode > 0; ++a)
        rig.buffer(a) = std::uint16_t((a * 3) & 0xFF);
}

// A 12C67x or 12F629/675 with its own calibration word and band-gap bits.
sim::ChipOptions calibrated()
{
    sim::ChipOptions options;
    options.calibration = 0x3490;
    options.bandGap = 1;
    return options;
}

// An erase of a 12F675 that could not put the calibration back tells the
// values read before it; a chip without one gets nothing back; a
// code-protected chip hides its calibration word, so only the band-gap bits go
// back and the word is not invented. Name, interruption (0 none, 1 stop, 2
// unplugged), factory calibration, code protection, calibration and
// configuration word after, the memo's calibration line.
constexpr std::tuple<const char *, int, bool, bool, const char *, const char *>
    CalibratedEraseRows[] {
        // The erase is done: a stop no longer keeps the values from going back.
        {"stopped after the sequence", 1, true, false, "34901FFF", ""},
        {"unplugged after the sequence", 2, true, false, "3FFF3FFF", "Calibration Word = 3490"},
        {"no calibration to keep", 0, false, false, "3FFF3FFF", ""},
        {"code protected", 0, true, true, "3FFF1FFF",
            "Calibration Word = Not Readable, Code Protected"},
    };

// Every wait between two packets, on the virtual clock: the time from the
// packet to the next one written (after a reset, its reply comes first).
// Name, chip, command, packet, which of them (0: every one), milliseconds.
constexpr ControlId Blank = ControlId::Blank_Chk, Program = ControlId::Program_Eprom,
                    Erase = ControlId::Erase_But;
constexpr std::tuple<const char *, const char *, ControlId, const char *, int, int> WaitRows[] {
    {"serial set-up 1", "16F84/A", Blank, "TX 94 5F 33", 0, 2},
    {"serial set-up 2", "16F84/A", Blank, "TX 94 3F F1", 0, 2},
    {"serial set-up 3", "16F84/A", Blank, "TX 94 4F 00", 0, 2},
    {"serial set-up 4", "16F84/A", Blank, "TX 94 5F 32", 0, 10},
    {"parallel set-up 1", "16C54", Blank, "TX 94 5F 7B", 0, 30},
    {"parallel set-up 2", "16C54", Blank, "TX 94 3F E1", 0, 30},
    {"parallel set-up 3", "16C54", Blank, "TX 94 3F E9", 0, 30},
    {"parallel set-up 4", "16C54", Blank, "TX 94 5F 7A", 0, 60},
    {"single word", "16F84/A", Program, "TX D1 08", 0, 20},
    {"row", "16F877A", Program, "TX D1 18", 0, 5},
    {"row IDs and configuration", "16F877A", Program, "TX D1 08", 0, 100},
    {"row configuration pass", "16F877A", Program, "TX 24", 3, 100},
    {"parallel read-back pass", "16C54", Program, "TX 24", 2, 70},
    {"parallel configuration pass", "16C54", Program, "TX 24", 3, 70},
    {"erase A cycle", "16F84/A", Erase, "TX D1 08", 0, 50},
    {"erase A end", "16F84/A", Erase, "TX D1 07", 2, 50},
    {"erase B program", "16F628A", Erase, "TX D1 09", 0, 50},
    {"erase B data", "16F628A", Erase, "TX D1 0B", 0, 50},
    {"erase C chip", "16F877A", Erase, "TX D1 FF", 0, 50},
    {"erase C IDs", "16F877A", Erase, "TX D1 08", 0, 20},
    {"data EEPROM", "16F628A", ControlId::Prg_EE, "TX D1 08", 0, 20},
};

} // namespace

class WritingTest : public QObject
{
    Q_OBJECT

private slots:
    // For a device of every family: program from the buffer, verify, read back
    // into a cleared buffer, compare; erase and blank-check where the chip can.
    void roundTrip_data()
    {
        QTest::addColumn<QString>("chip");
        QTest::addColumn<QString>("file"); // empty: a pattern
        QTest::newRow("16F84/A blink") << "16F84/A"
                                       << "hex/native/f84a_blink.native.hex";
        QTest::newRow("16F628A") << "16F628A"
                                 << "hex/native/f628a_eeprom.native.hex";
        QTest::newRow("16F877A") << "16F877A"
                                 << "hex/native/f877a_bigtable.native.hex";
        QTest::newRow("12C508/A") << "12C508/A"
                                  << "hex/native/c508a_osccal.native.hex";
        for (const char *chip : {"16C54", "16C52", "16C58B", "16F83", "16F627", "16F648A", "16F870",
                 "16F877", "16F73", "16F716", "16F818", "12F629", "16C74A/B", "16C62", "16C745",
                 "16C773", "16C923", "12C671", "12C519", "16C642", "16C717"})
            QTest::newRow(chip) << chip << "";
    }
    void roundTrip()
    {
        QFETCH(QString, chip);
        QFETCH(QString, file);
        ChipRig rig(chip.toStdString());
        if (file.isEmpty()) {
            fillBuffer(rig);
        } else {
            rig.host.openAnswers = {testFile(file.toStdString())};
            rig.ui.setItemIndex(ControlId::File_Type, 1);
            rig.st.buffer.fileType = 1;
            rig.ui.setCaption(ControlId::File_But, "Intel Hex");
            rig.form.click(ControlId::Load_But);
        }
        // The 14-bit parts with a factory calibration word (RETLW) in their last
        // word get it back from the buffer, as after reading the chip first.
        const unsigned last = rig.st.device.LastProgramAddress;
        if (rig.chip->info().calibrationAddress == last && rig.st.device.FamilyCode != Family::F30)
            rig.buffer(last) = rig.chip->word(std::uint16_t(last));
        const bool twelveBit = rig.st.device.WordMask == 0x0FFF;
        // A configuration word that leaves the chip readable.
        rig.st.device.ConfigWord = twelveBit ? 0x0FFB : 0x3FF1;
        // The 12F629/675 keep their factory band-gap bits 13:12, as the fuse
        // controls do after a read.
        if (rig.st.device.FamilyCode == Family::F27)
            rig.st.device.ConfigWord = std::uint16_t((rig.chip->config() & 0x3000) | 0x0FF1);
        const std::uint16_t calibration = rig.chip->word(rig.st.device.LastProgramAddress);
        const auto written = rig.st.buffer.DeviceBuffer;

        rig.form.click(ControlId::Program_Eprom);
        QCOMPARE(rig.status(), std::string("Device is Programmed..."));
        QCOMPARE(rig.st.buffer.DeviceBuffer, written);
        // Bits 13:12 of a 12F629/675 are its factory band-gap bits.
        QCOMPARE(hex4(rig.chip->config() & 0x0FFF), hex4(rig.st.device.ConfigWord & 0x0FFF));

        if (rig.st.device.eeSizeCode > 0) {
            rig.form.click(ControlId::Prg_EE);
            QCOMPARE(rig.status(), std::string("EEprom Programmed...."));
            rig.form.click(ControlId::Verify_EE);
            QCOMPARE(rig.status(), std::string("EEprom Verified to Buffer...."));
        }
        // The 12-bit serial parts keep their calibration word (Cal_Byte off).
        if (rig.st.device.FamilyCode == Family::F30)
            QCOMPARE(hex4(rig.chip->word(rig.st.device.LastProgramAddress)), hex4(calibration));

        rig.form.click(ControlId::Verify_Eprom);
        QCOMPARE(rig.status(), std::string("Device Verified to Buffer..."));

        rig.st.buffer.DeviceBuffer.fill(0);
        rig.form.click(ControlId::Move_Eprom);
        QCOMPARE(rig.status(), std::string("Device Has Been Moved to Buffer..."));
        for (unsigned a = 0; a <= rig.st.device.LastProgramAddress; ++a) {
            if (rig.st.device.FamilyCode == Family::F30 && a == rig.st.device.LastProgramAddress)
                continue;
            QCOMPARE(hex4(rig.buffer(a)), hex4(written[a] & rig.st.device.WordMask));
        }
        for (unsigned a = 0x2100; a < 0x2104; ++a)
            QCOMPARE(hex4(rig.buffer(a)), hex4(written[a] & rig.st.device.WordMask));
        for (unsigned a = 0x2000; rig.st.device.eeSizeCode > 0 && a <= rig.st.device.LastEEAddress;
             ++a)
            QCOMPARE(hex4(rig.buffer(a)), hex4(written[a] & 0xFF));

        if (rig.st.device.eraseFlag > 0) {
            rig.form.click(ControlId::Erase_But);
            rig.form.click(ControlId::Blank_Chk);
            QCOMPARE(rig.status(), std::string("Device is Erased..."));
        }
    }

    void stuckWordEndsTheRun()
    {
        sim::ChipOptions options;
        options.stuckWord = 0x0123;
        ChipRig rig("16F84/A", options);
        fillBuffer(rig);
        rig.form.click(ControlId::Program_Eprom);
        QCOMPARE(rig.status(), NotProgrammed);
        QVERIFY(rig.boxShown(NotProgrammed));
        for (std::uint16_t a = 0; a < 0x0123; ++a)
            QCOMPARE(rig.chip->word(a), rig.buffer(a));
        QCOMPARE(rig.chip->word(0x0124), std::uint16_t {0x3FFF});
        for (int i = 0; i < 4; ++i)
            QCOMPARE(rig.chip->id(i), std::uint16_t {0x3FFF});
        QCOMPARE(rig.chip->config(), std::uint16_t {0x3FFF});
        // No Load Configuration was sent.
        const auto commands = serialCommands(rig);
        QVERIFY(std::find(commands.begin(), commands.end(), "00") == commands.end());
    }

    void goodSingleWordRun()
    {
        ChipRig rig("16F84/A");
        CycleCounter counter(rig);
        fillBuffer(rig);
        rig.buffer(0x0400) = 0x1357;
        rig.st.device.ConfigWord = 0x3FF2;
        rig.form.click(ControlId::Program_Eprom);
        QCOMPARE(rig.status(), std::string("Device is Programmed..."));
        QCOMPARE(countSent(rig, "TX D1 08"), 1024 + 4 + 1);
        // The configuration cycle shows LastProgramAddress + 1.
        QCOMPARE(counter.cycles["0400"], 1);
        QCOMPARE(rig.chip->config(), std::uint16_t {0x3FF2});
        for (int i = 0; i < 4; ++i)
            QCOMPARE(rig.chip->id(i), rig.buffer(0x2100 + unsigned(i)));
        QCOMPARE(rig.buffer(0x0400), std::uint16_t {0x1357});
        // The configuration word is not read back: its cycle is the last packet
        // but the Increment, and no 0x53 follows it.
        const auto sent = rig.sent();
        const auto lastBegin = std::find(sent.rbegin(), sent.rend(), "TX D1 08 00 32 00 00 00 0B");
        QVERIFY(lastBegin != sent.rend());
    }

    void rowRun()
    {
        ChipRig rig("16F877A");
        fillBuffer(rig);
        rig.form.click(ControlId::Program_Eprom);
        QCOMPARE(rig.status(), std::string("Device is Programmed..."));
        QCOMPARE(countSent(rig, "TX D1 18"), 1024);
        QCOMPARE(countSent(rig, "TX 53"), 8192 + 4);
        QCOMPARE(countSent(rig, "TX D1 08"), 2); // the IDs' cycle and the configuration's
    }

    void rowRunWithAMismatchKeepsTheConfiguration()
    {
        sim::ChipOptions options;
        options.stuckWord = 0x0042;
        ChipRig rig("16F877A", options);
        fillBuffer(rig);
        rig.st.device.ConfigWord = 0x3F39;
        rig.form.click(ControlId::Program_Eprom);
        QCOMPARE(rig.status(), NotProgrammed);
        QCOMPARE(countSent(rig, "TX 53"), 8192 + 4); // everything compared
        QCOMPARE(rig.chip->config(), std::uint16_t {0x3FFF});
    }

    void programLeavesTheEepromRegion()
    {
        ChipRig rig("16F877");
        fillBuffer(rig);
        rig.buffer(0x2000) = 0x00A5;
        const auto before = rig.st.buffer.DeviceBuffer;
        rig.form.click(ControlId::Program_Eprom);
        QCOMPARE(rig.st.buffer.DeviceBuffer, before);
        QCOMPARE(int(rig.chip->eeprom(0)), 0xFF);
    }

    void parallelBlankBufferOnlyIncrements()
    {
        ChipRig rig("16C54");
        for (unsigned a = 0; a < 0x2104; ++a)
            rig.buffer(a) = 0x0FFF;
        rig.st.device.ConfigWord = 0x0FFF;
        rig.form.click(ControlId::Program_Eprom);
        QCOMPARE(rig.status(), std::string("Device is Programmed..."));
        // No word is pulsed in the first pass; only the configuration word is.
        const auto sent = rig.sent();
        const auto reset = std::find_if(
            sent.begin(), sent.end(), [](const std::string &l) { return l.starts_with("TX 24"); });
        QVERIFY(std::none_of(
            sent.begin(), reset, [](const std::string &l) { return l.starts_with("TX 92"); }));
        QCOMPARE(countSent(rig, "TX 94 3F FD"), 1 + 512 + 4);
    }

    void parallelPulses_data()
    {
        QTest::addColumn<int>("needed"); // 0: never takes its value
        QTest::addColumn<int>("pulses");
        QTest::addColumn<bool>("programmed");
        QTest::newRow("third pulse") << 3 << 4 << true;
        QTest::newRow("first pulse") << 1 << 2 << true;
        QTest::newRow("never") << 0 << 26 << false;
    }
    void parallelPulses()
    {
        QFETCH(int, needed);
        QFETCH(int, pulses);
        QFETCH(bool, programmed);
        sim::ChipOptions options;
        if (needed == 0) {
            options.stuckWord = 0x0010;
        } else {
            options.slowWord = 0x0010;
            options.slowWordPulses = unsigned(needed);
        }
        ChipRig rig("16C54", options);
        for (unsigned a = 0; a < 0x2104; ++a)
            rig.buffer(a) = 0x0FFF;
        rig.buffer(0x0010) = 0x0A5A;
        rig.st.device.ConfigWord = 0x0FFF;
        rig.form.click(ControlId::Program_Eprom);
        const auto sent = rig.sent();
        const auto reset = std::find_if(sent.begin() + 1, sent.end(),
            [](const std::string &l) { return l.starts_with("TX 24"); });
        const int presented = int(std::count_if(sent.begin(), reset, [](const std::string &l) {
            return l.starts_with("TX 92") && l.substr(15, 2) == "F9";
        }));
        QCOMPARE(presented, pulses);
        QCOMPARE(rig.status(), programmed ? std::string("Device is Programmed...") : NotProgrammed);
        QCOMPARE(rig.boxShown(NotProgrammed), !programmed);
        if (!programmed)
            QCOMPARE(rig.chip->config(), std::uint16_t {0x0FFF}); // never reached
    }

    void eprom12Pulses_data()
    {
        QTest::addColumn<int>("needed");
        QTest::addColumn<int>("pulses");
        QTest::newRow("second pulse") << 2 << 8;
        QTest::newRow("never") << 0 << 25;
    }
    void eprom12Pulses()
    {
        QFETCH(int, needed);
        QFETCH(int, pulses);
        sim::ChipOptions options;
        if (needed == 0) {
            options.stuckWord = 0x0020;
        } else {
            options.slowWord = 0x0020;
            options.slowWordPulses = unsigned(needed);
        }
        ChipRig rig("12C508/A", options);
        CycleCounter counter(rig);
        fillBuffer(rig);
        rig.form.click(ControlId::Program_Eprom);
        QCOMPARE(counter.cycles["0020"], pulses);
        QCOMPARE(
            rig.status(), needed == 0 ? NotProgrammed : std::string("Device is Programmed..."));
        if (needed == 0) {
            QCOMPARE(counter.cycles.count("0021"), std::size_t {0});
            QCOMPARE(rig.chip->config(), std::uint16_t {0x0FFF});
        }
    }

    // A gpasm-built program into one-time parts: the configuration word
    // included, the factory calibration word untouched.
    void gpasmFilesIntoOneTimeParts_data()
    {
        QTest::addColumn<QString>("chip");
        QTest::addColumn<QString>("file");
        QTest::newRow("12C508/A") << "12C508/A"
                                  << "hex/valid/c508a_osccal.inhx8m.hex";
        QTest::newRow("16C54") << "16C54"
                               << "hex/valid/c54_counter.inhx8m.hex";
    }
    void gpasmFilesIntoOneTimeParts()
    {
        QFETCH(QString, chip);
        QFETCH(QString, file);
        // The file's image as it lands in a chip of that kind (an independent reader).
        auto reference = sim::makeChip(chip.toStdString());
        QVERIFY(sim::loadHexFile(*reference, testFile(file.toStdString())).ok);
        ChipRig rig(chip.toStdString());
        const std::uint16_t calibration = rig.chip->word(rig.st.device.LastProgramAddress);
        for (unsigned a = 0; a <= rig.st.device.LastProgramAddress; ++a)
            rig.buffer(a) = reference->word(std::uint16_t(a));
        for (int i = 0; i < 4; ++i)
            rig.buffer(0x2100 + unsigned(i)) = reference->id(i);
        rig.st.device.ConfigWord = reference->config();
        rig.form.click(ControlId::Program_Eprom);
        QCOMPARE(rig.status(), std::string("Device is Programmed..."));
        rig.form.click(ControlId::Verify_Eprom);
        QCOMPARE(rig.status(), std::string("Device Verified to Buffer..."));
        QCOMPARE(hex4(rig.chip->config()), hex4(reference->config()));
        if (rig.st.device.FamilyCode == Family::F30)
            QCOMPARE(hex4(rig.chip->word(rig.st.device.LastProgramAddress)), hex4(calibration));
        rig.st.buffer.DeviceBuffer.fill(0);
        rig.form.click(ControlId::Move_Eprom);
        QCOMPARE(hex4(rig.st.device.ConfigWord), hex4(reference->config()));
        for (unsigned a = 0; a + 1 <= rig.st.device.LastProgramAddress; ++a)
            QCOMPARE(hex4(rig.buffer(a)), hex4(reference->word(std::uint16_t(a))));
    }

    void noDevice()
    {
        ChipRig rig("16F84/A", {}, {}, "-");
        rig.form.click(ControlId::Program_Eprom);
        QCOMPARE(rig.status(), std::string("No Device Was Selected."));
        for (const std::string &line : rig.sent())
            QVERIFY2(line.starts_with("TX 94") || line.starts_with("TX 24"), line.c_str());
    }

    void eraseSequences_data()
    {
        QTest::addColumn<QString>("chip");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<bool>("stopIgnored");
        QTest::newRow("A: 16F84/A") << "16F84/A"
                                    << QStringList {"00", "D 3FFF", "06", "06", "06", "06", "06",
                                           "06", "06", "01", "07", "08", "01", "07"}
                                    << true;
        QTest::newRow("B: 16F628A")
            << "16F628A"
            << QStringList {"00", "D 3FFF", "06", "06", "06", "06", "06", "06", "06", "09", "0B"}
            << true;
        QTest::newRow("C: 16F877A") << "16F877A"
                                    << QStringList {"FF", "00", "D 3FFF", "06", "D 3FFF", "06",
                                           "D 3FFF", "06", "D 3FFF", "06", "08"}
                                    << true;
        QTest::newRow("none: 16C74A/B") << "16C74A/B" << QStringList {} << true;
        // The 12F675 reads its calibration word (block reads, no serial
        // command) and configuration word, erases, and programs both back.
        const QStringList toConfig = QStringList {"00", "D 3FFF"} + QStringList(7, "06");
        const QStringList keeping = toConfig + QStringList {"04"} + toConfig
            + QStringList {"01", "07", "08", "01", "07"} + QStringList(0x3FF, "06")
            + QStringList {"02", "D 3480", "08", "04", "06"} + toConfig
            + QStringList {"02", "D 2FFF", "08", "04", "06"};
        // Its reads end at a stop, which would leave nothing to put back: a
        // stop during them ends the erase before anything is erased.
        QTest::newRow("A keeping the calibration: 12F675") << "12F675" << keeping << false;
    }
    void eraseSequences()
    {
        QFETCH(QString, chip);
        QFETCH(QStringList, commands);
        QFETCH(bool, stopIgnored);
        ChipRig rig(chip.toStdString());
        fillBuffer(rig);
        if (rig.st.device.eraseFlag > 0) {
            rig.form.click(ControlId::Program_Eprom);
            rig.trace.clear();
        }
        // What the progress label said while the sequence's first command went out.
        std::vector<std::string> progress;
        rig.programmer.setTraceSink([&](std::string_view line) {
            rig.trace.emplace_back(line);
            if (line.starts_with("TX D1"))
                progress.push_back(rig.caption(ControlId::StaticText2));
        });
        // The erase does not test for a stop, and shows no result of its own.
        const std::string status = rig.status();
        if (stopIgnored)
            rig.host.atPump(1, [&] { rig.form.click(ControlId::Quit_Add); });
        rig.form.click(ControlId::Erase_But);
        QCOMPARE(rig.status(), status);
        std::vector<std::string> expected;
        for (const QString &c : commands)
            expected.push_back(c.toStdString());
        QCOMPARE(serialCommands(rig), expected);
        if (commands.isEmpty())
            QCOMPARE(rig.caption(ControlId::StaticText2), std::string("Eraseing Device..."));
        else
            QCOMPARE(progress.front(), std::string("Programming Device from Buffer..."));
        QVERIFY(!rig.ui[ControlId::StaticText2].visible);
        if (!commands.isEmpty()) {
            rig.form.click(ControlId::Blank_Chk);
            QCOMPARE(rig.status(), std::string("Device is Erased..."));
        }
    }

    // A compiler's file never holds the calibration word: a fresh 12C671 or
    // 12F675 programmed from one keeps its factory calibration word and
    // band-gap bits, and every check passes. With Cal_Byte the buffer's word
    // is programmed and compared.
    void factoryCalibrationSurvives_data()
    {
        QTest::addColumn<QString>("chip");
        QTest::addColumn<bool>("calByte");
        for (const char *chip : {"12C671", "12F675"}) {
            QTest::newRow(chip) << chip << false;
            QTest::newRow((std::string(chip) + ", Cal_Byte").c_str()) << chip << true;
        }
    }
    void factoryCalibrationSurvives()
    {
        QFETCH(QString, chip);
        QFETCH(bool, calByte);
        ChipRig rig(chip.toStdString(), calibrated());
        sim::ChipOptions blank;
        blank.factoryCalibration = false;
        const auto file = sim::makeChip(chip.toStdString(), blank); // the gpasm file as read
        QVERIFY(sim::loadHexFile(*file, testFile("hex/valid/f675_osccal.inhx8m.hex")).ok);
        const unsigned last = rig.st.device.LastProgramAddress;
        for (unsigned a = 0; a < last; ++a)
            rig.buffer(a) = file->word(std::uint16_t(a));
        for (int i = 0; i < 4; ++i)
            rig.buffer(0x2100 + unsigned(i)) = file->id(i);
        rig.st.device.ConfigWord = file->config();
        // Start-up's 0000, or with Cal_Byte a word the cell can still take.
        const std::uint16_t calibration = calByte ? 0x3480 : 0x3490;
        rig.buffer(last) = calByte ? calibration : 0x0000;
        rig.ui.setChecked(ControlId::Cal_Byte, calByte);
        const bool erasable = rig.st.device.eraseFlag > 0;
        const auto run = [&](ControlId command, const char *status) {
            rig.form.click(command);
            QCOMPARE(rig.status(), std::string(status));
        };
        if (!calByte)
            run(ControlId::Blank_Chk, "Device is Erased...");
        if (erasable)
            rig.form.click(ControlId::Erase_But);
        run(ControlId::Program_Eprom, "Device is Programmed...");
        run(ControlId::Verify_Eprom, "Device Verified to Buffer...");
        rig.buffer(last) = 0x3490;
        run(ControlId::Verify_Eprom,
            calByte ? "Device Did NOT Verify to Buffer..." : "Device Verified to Buffer...");
        rig.form.click(ControlId::Move_Eprom); // the file's configuration has bits 13:12 = 11
        QCOMPARE(hex4(rig.buffer(last)), hex4(calibration));
        QCOMPARE(hex4(rig.st.device.ConfigWord), hex4(erasable ? 0x1FE4 : 0x3FE4));
        if (erasable && !calByte) {
            rig.form.click(ControlId::Erase_But);
            run(ControlId::Blank_Chk, "Device is Erased...");
            QCOMPARE(hex4(rig.chip->word(std::uint16_t(last))), hex4(calibration));
            QCOMPARE(hex4(rig.chip->config()), hex4(0x1FFF));
        }
    }

    void eraseOfACalibratedChip_data() { tableRows(CalibratedEraseRows); }
    void eraseOfACalibratedChip()
    {
        const auto &[label, cut, factory, codeProtected, after, wordLine]
            = currentRow(CalibratedEraseRows);
        const int interruption = cut; // a lambda takes no structured binding
        sim::ChipOptions options = calibrated();
        options.factoryCalibration = factory;
        ChipRig rig("12F675", options);
        if (codeProtected)
            rig.chip->setWord(rig.chip->configAddress(), rig.chip->config() & ~0x0080);
        int sevens = 0;
        rig.programmer.setTraceSink([&](std::string_view line) {
            // The sequence ends with its second command 7.
            if (!line.starts_with("TX D1 07") || ++sevens != 2)
                return;
            if (interruption == 1)
                rig.form.click(ControlId::Quit_Add);
            else if (interruption == 2)
                rig.link.faults().unplugAfterPacket = rig.link.packetsWritten();
        });
        rig.form.click(ControlId::Erase_But);
        QCOMPARE(hex4(rig.chip->word(0x3FF)) + hex4(rig.chip->config()), std::string(after));
        const auto memo = rig.memo();
        const bool lost = *wordLine != 0;
        QCOMPARE(memo.size() >= 2 && memo[memo.size() - 2] == wordLine
                && memo.back() == "Band Gap Bits = 1",
            lost);
        QCOMPARE(rig.status() == "Calibration NOT Restored....", lost);
    }

    void dataEeprom_data()
    {
        QTest::addColumn<QString>("chip");
        QTest::addColumn<int>("bytes");
        QTest::newRow("16F870, 64 bytes") << "16F870" << 64;
        QTest::newRow("16F877, 256 bytes") << "16F877" << 256;
        QTest::newRow("16F648A, 256 bytes") << "16F648A" << 256;
    }
    void dataEeprom()
    {
        QFETCH(QString, chip);
        QFETCH(int, bytes);
        ChipRig rig(chip.toStdString());
        QCOMPARE(int(rig.st.device.LastEEAddress) - 0x2000 + 1, bytes);
        for (int n = 0; n < bytes; ++n)
            rig.buffer(0x2000 + unsigned(n)) = std::uint16_t(0x1200 | (n ^ 0x5A));
        rig.form.click(ControlId::Prg_EE);
        QCOMPARE(rig.status(), std::string("EEprom Programmed...."));
        for (int n = 0; n < bytes; ++n)
            QCOMPARE(int(rig.chip->eeprom(std::size_t(n))), n ^ 0x5A);
        // Only the low bytes count: 0x12A5 against 0xA5 is equal.
        rig.form.click(ControlId::Verify_EE);
        QCOMPARE(rig.status(), std::string("EEprom Verified to Buffer...."));

        rig.chip->setEeprom(3, 0xFF);
        rig.buffer(0x2003) = 0x00A5;
        rig.form.click(ControlId::Verify_EE);
        QCOMPARE(rig.status(), std::string("EEprom Did NOT Verify to Buffer...."));
        QCOMPARE(rig.memo(), (std::vector<std::string> {"2003  EXPECTED-00A5  FOUND-00FF"}));
    }

    void failingEepromByte()
    {
        ChipRig rig("16F628A");
        for (unsigned a = 0x2000; a <= 0x207F; ++a)
            rig.buffer(a) = 0x0011;
        // The read-back of byte 5 comes wrong: the reset and the set-up are five
        // packets, each byte six, its read the fifth of them.
        rig.link.faults().corruptReplyPacket = rig.link.packetsWritten() + 5 + 6 * 5 + 5;
        rig.link.faults().corruptByte = 5;
        rig.link.faults().corruptMask = 0x80;
        rig.form.click(ControlId::Prg_EE);
        QCOMPARE(rig.status(), std::string("EEprom Did NOT Program...."));
    }

    // A command whose programmer is gone, or was never found, shows no result:
    // not even "No Device Was Selected.", and nothing is written or read in.
    void noProgrammer_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("device");
        for (const auto &[name, id] : {std::pair {"program", ControlId::Program_Eprom},
                 std::pair {"verify", ControlId::Verify_Eprom},
                 std::pair {"read", ControlId::Move_Eprom},
                 std::pair {"blank check", ControlId::Blank_Chk},
                 std::pair {"erase", ControlId::Erase_But},
                 std::pair {"program EE", ControlId::Prg_EE},
                 std::pair {"verify EE", ControlId::Verify_EE}}) {
            for (const char *fault : {"unplugged", "silent", "none found"}) {
                QTest::addRow("%s, %s", name, fault) << int(id) << fault << true;
                QTest::addRow("%s, %s, no device", name, fault) << int(id) << fault << false;
            }
        }
    }
    void noProgrammer()
    {
        QFETCH(int, command);
        QFETCH(QString, fault);
        QFETCH(bool, device);
        ChipRig rig("16F628A", {}, {}, device ? "" : "-");
        fillBuffer(rig);
        const auto buffer = rig.st.buffer.DeviceBuffer;
        rig.ui.setCaption(ControlId::StaticText3, "Device is Programmed...");
        const std::uint64_t halfway = rig.link.packetsWritten() + (device ? 12 : 1);
        if (fault == "unplugged")
            rig.link.faults().unplugAfterPacket = halfway;
        else if (fault == "silent")
            rig.link.faults().silentFromPacket = halfway;
        else
            rig.st.ConnectionState = 0;
        rig.form.click(ControlId(command));
        QCOMPARE(rig.status(), std::string("Programmer Not Responding..."));
        QVERIFY(rig.ui[ControlId::Memo1].visible && !rig.memo().empty());
        QVERIFY(rig.st.buffer.DeviceBuffer == buffer);
        QCOMPARE(rig.chip->config(), std::uint16_t {0x3FFF});
        QVERIFY(rig.ui[ControlId::Device].enabled);
    }

    // A stop never lets a routine go on to the configuration word: neither a
    // stop in the middle of the run nor one in any pump between the last
    // program-memory read-back and the configuration cycle.
    void stopBeforeTheConfigurationCycle_data()
    {
        QTest::addColumn<QString>("chip");
        QTest::newRow("parallel") << "16C54";
        QTest::newRow("single word") << "16F84/A";
        QTest::newRow("row") << "16F877A";
        QTest::newRow("EPROM") << "12C508/A";
    }
    void stopBeforeTheConfigurationCycle()
    {
        QFETCH(QString, chip);
        // Packets written, each with the pumps handled before it.
        std::vector<std::pair<std::string, int>> sent;
        // pump 0: no stop, the packets recorded; -1: a stop 20 ms into the run.
        const auto run = [&](int pump) {
            ChipRig rig(chip.toStdString());
            rig.st.device.LastProgramAddress = 0x001F; // a short run is enough
            fillBuffer(rig);
            rig.st.device.ConfigWord = rig.st.device.WordMask == 0x0FFF ? 0x0FF3 : 0x3F31;
            const std::uint16_t blank = rig.chip->config();
            const auto stop = [&] { rig.form.click(ControlId::Quit_Add); };
            if (pump > 0)
                rig.host.atPump(pump - rig.host.pumps, stop);
            else if (pump < 0)
                rig.host.at(rig.host.nowUs() + 20'000, stop);
            else
                rig.programmer.setTraceSink([&](std::string_view line) {
                    if (line.starts_with("TX"))
                        sent.emplace_back(line, rig.host.pumps);
                });
            rig.form.click(ControlId::Program_Eprom);
            QVERIFY2(rig.chip->config() == (pump == 0 ? rig.st.device.ConfigWord : blank),
                std::to_string(pump).c_str());
            QCOMPARE(
                rig.status(), pump == 0 ? std::string("Device is Programmed...") : NotProgrammed);
        };
        run(0);
        run(-1);
        // The configuration pass opens with the last reset but the idle step's.
        std::vector<std::size_t> resets;
        for (std::size_t i = 0; i < sent.size(); ++i) {
            if (sent[i].first.starts_with("TX 24"))
                resets.push_back(i);
        }
        QVERIFY(resets.size() >= 3);
        std::size_t lastRead = resets[resets.size() - 2];
        std::size_t cycle = lastRead;
        while (!sent[lastRead].first.starts_with("TX 5"))
            --lastRead;
        while (sent[cycle].first.starts_with("TX 24") || sent[cycle].first.starts_with("TX 94"))
            ++cycle;
        QVERIFY(sent[cycle].second > sent[lastRead].second);
        for (int pump = sent[lastRead].second + 1; pump <= sent[cycle].second; ++pump)
            run(pump);
    }

    // The data EEPROM commands end at a stop, from their first pump on: no
    // byte is written and no line listed after it.
    void eepromCommandsEndAtAStop_data()
    {
        QTest::addColumn<bool>("verify");
        QTest::addColumn<int>("pump"); // 0: a moment into the run
        for (int pump : {1, 3, 0}) {
            QTest::addRow("program EE, pump %d", pump) << false << pump;
            QTest::addRow("verify EE, pump %d", pump) << true << pump;
        }
    }
    void eepromCommandsEndAtAStop()
    {
        QFETCH(bool, verify);
        QFETCH(int, pump);
        ChipRig rig("16F628A");
        for (unsigned a = 0x2000; a <= 0x207F; ++a)
            rig.buffer(a) = 0x0011; // every byte differs from the blank chip's
        const auto done = [&] {
            if (verify)
                return rig.memo().size();
            std::size_t written = 0;
            for (std::size_t n = 0; n < 128; ++n)
                written += rig.chip->eeprom(n) != 0xFF;
            return written;
        };
        std::optional<std::size_t> atStop;
        const auto stop = [&] {
            rig.form.click(ControlId::Quit_Add);
            atStop = done();
        };
        if (pump > 0)
            rig.host.atPump(pump, stop);
        else
            rig.host.at(rig.host.nowUs() + 50'000, stop);
        rig.form.click(verify ? ControlId::Verify_EE : ControlId::Prg_EE);
        QVERIFY(atStop);
        QCOMPARE(done(), *atStop);
        QVERIFY(done() < 128);
        QCOMPARE(rig.status(),
            std::string(verify ? "Operation Stopped..." : "EEprom Did NOT Program...."));
        QVERIFY(!rig.ui[ControlId::Memo1].visible || !rig.memo().empty());
    }

    void waits_data() { tableRows(WaitRows); }
    void waits()
    {
        const auto &[label, chip, command, packet, occurrence, ms] = currentRow(WaitRows);
        ChipRig rig(chip);
        rig.st.device.LastProgramAddress = 0x001F;
        fillBuffer(rig);
        std::vector<std::pair<std::uint64_t, std::string>> sent;
        rig.programmer.setTraceSink([&](std::string_view line) {
            if (line.starts_with("TX"))
                sent.emplace_back(rig.host.nowUs(), line);
        });
        rig.form.click(command);
        const std::string_view prefix(packet);
        const std::uint64_t reply = prefix == "TX 24" ? rig.programmer.options().latencyUs : 0;
        int seen = 0;
        for (std::size_t i = 0; i + 1 < sent.size(); ++i) {
            if (!sent[i].second.starts_with(prefix))
                continue;
            if (++seen == occurrence || occurrence == 0)
                QCOMPARE(sent[i + 1].first - sent[i].first, std::uint64_t(ms) * 1000 + reply);
        }
        QVERIFY(seen >= std::max(occurrence, 1));
    }

    void priority_data()
    {
        QTest::addColumn<bool>("fails");
        QTest::newRow("granted") << false;
        QTest::newRow("failing") << true;
    }
    void priority()
    {
        QFETCH(bool, fails);
        ChipRig rig("16F84/A");
        rig.host.priorityCallFails = fails;
        fillBuffer(rig);
        rig.form.click(ControlId::Program_Eprom);
        rig.form.click(ControlId::Erase_But);
        QCOMPARE(rig.host.priorityRaised, 2);
        QCOMPARE(rig.host.priorityRestored, 2);
        QCOMPARE(int(std::count_if(rig.host.boxes.begin(), rig.host.boxes.end(),
                     [](const MessageBoxRequest &b) {
                         return b.text == "Error Setting Priority Class...";
                     })),
            fails ? 2 : 0);
        QCOMPARE(rig.status(), std::string("Device is Programmed..."));
    }
};

QTEST_APPLESS_MAIN(WritingTest)
#include "test_writing.moc"
