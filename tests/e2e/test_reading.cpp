// Reading the target into the buffer, blank check and verify, on the simulated
// programmer with a simulated chip in the socket.
#include "ChipRig.h"

#include "app/Format.h"

#include <QTest>

using namespace ravelin;
using namespace ravelin::test;

namespace {

// Fills everything the chip keeps with words that differ from address to
// address, leaving the configuration word unprotected (all ones).
void fillPattern(sim::SimChip &chip)
{
    const std::uint16_t mask = chip.blankWord();
    for (unsigned a = 0; a < chip.info().programWords; ++a)
        chip.setWord(std::uint16_t(a), std::uint16_t((a * 0x0107 + 0x0123) & mask));
    for (int i = 0; i < 4; ++i)
        chip.setWord(chip.idAddress(i), std::uint16_t((0x0A50 + i) & mask));
    for (std::size_t n = 0; n < chip.info().eepromBytes; ++n)
        chip.setEeprom(n, std::uint8_t(n * 7 + 3));
    chip.setWord(chip.configAddress(), mask);
}

// The buffer holds what the chip holds, in this program's layout.
void compareWithChip(ChipRig &rig)
{
    const sim::SimChip &chip = *rig.chip;
    const DeviceState &device = rig.st.device;
    QCOMPARE(unsigned(device.LastProgramAddress) + 1, unsigned(chip.info().programWords));
    for (unsigned a = 0; a <= device.LastProgramAddress; ++a)
        QCOMPARE(hex4(rig.buffer(a)), hex4(chip.word(std::uint16_t(a))));
    for (int i = 0; i < 4; ++i)
        QCOMPARE(hex4(rig.buffer(0x2100 + unsigned(i))), hex4(chip.id(i)));
    if (device.eeSizeCode > 0) {
        QCOMPARE(unsigned(device.LastEEAddress) - 0x2000 + 1, unsigned(chip.info().eepromBytes));
        for (std::size_t n = 0; n < chip.info().eepromBytes; ++n)
            QCOMPARE(hex4(rig.buffer(0x2000 + unsigned(n))), hex4(chip.eeprom(n)));
    }
    QCOMPARE(hex4(device.ConfigWord), hex4(chip.config()));
}

std::vector<std::string> memoMismatches(const ChipRig &rig)
{
    std::vector<std::string> lines;
    for (const std::string &line : rig.memo()) {
        if (line.find("EXPECTED-") != std::string::npos || line == "Fuse Mis-Match")
            lines.push_back(line);
    }
    return lines;
}

const char *const Moved = "Device Has Been Moved to Buffer...";

} // namespace

class ReadingTest : public QObject
{
    Q_OBJECT

private slots:
    // Every device of the list has a chip the simulator can put in the socket.
    void everyDeviceHasASimulatedChip()
    {
        for (const CatalogueRow &row : DeviceCatalogue) {
            if (!row.isSeparator())
                QVERIFY2(sim::makeChip(row.caption) != nullptr, std::string(row.caption).c_str());
        }
    }

    // One row per family group and edge device: an image in the socket, read
    // into the buffer, checked against the chip; blank check and verify after.
    void readBlankCheckVerify_data()
    {
        QTest::addColumn<QString>("chip");
        QTest::addColumn<QString>("image"); // empty: a pattern in every word
        QTest::newRow("16F84/A gpasm") << "16F84/A"
                                       << "hex/valid/f84a_blink.inhx8m.hex";
        QTest::newRow("16F628A gpasm") << "16F628A"
                                       << "hex/valid/f628a_eeprom.inhx8m.hex";
        QTest::newRow("16F877A gpasm") << "16F877A"
                                       << "hex/valid/f877a_bigtable.inhx32.hex";
        QTest::newRow("12C508/A gpasm") << "12C508/A"
                                        << "hex/valid/c508a_osccal.inhx8m.hex";
        QTest::newRow("16C54 gpasm") << "16C54"
                                     << "hex/valid/c54_counter.inhx8m.hex";
        for (const char *chip : {"16F83", "16F627", "16LF648A", "16F870", "16F877", "16F72",
                 "16F716", "16F819", "12F675", "16C74A/B", "16C62", "16C745", "16C773", "12C672",
                 "12C519", "16C52", "16C58B", "16C57"})
            QTest::newRow(chip) << chip << "";
    }
    void readBlankCheckVerify()
    {
        QFETCH(QString, chip);
        QFETCH(QString, image);
        ChipRig rig(chip.toStdString());
        QVERIFY(rig.chip);
        if (image.isEmpty())
            fillPattern(*rig.chip);
        else
            QVERIFY(rig.loadChip(image.toStdString()));

        rig.form.click(ControlId::Move_Eprom);
        QCOMPARE(rig.status(), std::string(Moved));
        compareWithChip(rig);
        QVERIFY(rig.ui[ControlId::Program_Eprom].enabled);
        QCOMPARE(rig.caption(ControlId::Fuse_Data), "Fuse = " + hex4(rig.st.device.ConfigWord));

        rig.form.click(ControlId::Blank_Chk);
        QCOMPARE(rig.status(), std::string("Device is NOT Erased..."));
        QVERIFY(rig.ui[ControlId::Memo1].visible);

        rig.form.click(ControlId::Verify_Eprom);
        QCOMPARE(rig.status(), std::string("Device Verified to Buffer..."));
        QVERIFY(!rig.ui[ControlId::Memo1].visible);

        // One word changed in the buffer: exactly that line.
        const std::uint16_t old = rig.buffer(5);
        rig.buffer(5) = std::uint16_t(old ^ 0x0001);
        rig.form.click(ControlId::Verify_Eprom);
        QCOMPARE(rig.status(), std::string("Device Did NOT Verify to Buffer..."));
        QCOMPARE(memoMismatches(rig),
            (std::vector<std::string> {
                "0005  EXPECTED-" + hex4(old ^ 1) + "  FOUND-" + hex4(old)}));
    }

    void blankChips_data()
    {
        QTest::addColumn<QString>("chip");
        QTest::newRow("16F84/A") << "16F84/A";
        QTest::newRow("16F877A") << "16F877A";
        QTest::newRow("16C54") << "16C54";
        QTest::newRow("12C508/A") << "12C508/A";
        QTest::newRow("16C74A/B") << "16C74A/B";
    }
    void blankChips()
    {
        QFETCH(QString, chip);
        ChipRig rig(chip.toStdString());
        rig.form.click(ControlId::Blank_Chk);
        QCOMPARE(rig.status(), std::string("Device is Erased..."));
        QVERIFY(!rig.ui[ControlId::Memo1].visible);
        QVERIFY(memoMismatches(rig).empty());
    }

    // Blank check and verify list every mismatch of the 14-bit parts, at most
    // 127 of the others.
    void mismatchLines_data()
    {
        QTest::addColumn<QString>("chip");
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("differing"); // words from 0 that differ
        QTest::addColumn<int>("lines");
        const int blank = int(ControlId::Blank_Chk), verify = int(ControlId::Verify_Eprom);
        QTest::newRow("16F84/A full: no limit") << "16F84/A" << blank << 1024 << 1024;
        QTest::newRow("16C54 200 words: 127") << "16C54" << blank << 200 << 127;
        QTest::newRow("12C509/A 200 words: 127") << "12C509/A" << blank << 200 << 127;
        QTest::newRow("verify 16C54 200 words: 127") << "16C54" << verify << 200 << 127;
        QTest::newRow("verify 12C509/A 200 words: 127") << "12C509/A" << verify << 200 << 127;
    }
    void mismatchLines()
    {
        QFETCH(QString, chip);
        QFETCH(int, command);
        QFETCH(int, differing);
        QFETCH(int, lines);
        ChipRig rig(chip.toStdString());
        const std::uint16_t blank = rig.chip->blankWord();
        if (command == int(ControlId::Blank_Chk)) {
            for (int a = 0; a < differing; ++a)
                rig.chip->setWord(std::uint16_t(a), 0x0000);
        } else {
            rig.st.buffer.DeviceBuffer.fill(blank);
            for (int a = 0; a < differing; ++a)
                rig.buffer(unsigned(a)) = 0x0000;
            rig.st.device.ConfigWord = rig.chip->config();
        }
        rig.form.click(ControlId(command));
        QCOMPARE(int(memoMismatches(rig).size()), lines);
        QVERIFY(rig.status().find(" NOT ") != std::string::npos);
    }

    void blankCheckWord5()
    {
        ChipRig rig("16F84/A");
        rig.chip->setWord(5, 0x1234);
        rig.chip->setWord(rig.chip->idAddress(2), 0x0000);
        rig.form.click(ControlId::Blank_Chk);
        QCOMPARE(memoMismatches(rig),
            (std::vector<std::string> {
                "0005  EXPECTED-3FFF  FOUND-1234", "2102  EXPECTED-3FFF  FOUND-0000"}));
    }

    // The ID words of the 16C5x are listed by their buffer address.
    void parallelIdWordsByBufferAddress()
    {
        ChipRig rig("16C54");
        rig.chip->setWord(rig.chip->idAddress(1), 0x0123);
        rig.form.click(ControlId::Blank_Chk);
        QCOMPARE(
            memoMismatches(rig), (std::vector<std::string> {"2101  EXPECTED-0FFF  FOUND-0123"}));
    }

    // The 12-bit parts keep their factory calibration value in the last word.
    void calibrationWord_data()
    {
        QTest::addColumn<bool>("calByte");
        QTest::newRow("Cal_Byte off") << false;
        QTest::newRow("Cal_Byte on") << true;
    }
    void calibrationWord()
    {
        QFETCH(bool, calByte);
        ChipRig rig("12C508/A");
        const std::uint16_t calibration = rig.chip->word(0x01FF);
        QVERIFY(calibration != 0x0FFF);
        rig.ui.setChecked(ControlId::Cal_Byte, calByte);
        rig.form.click(ControlId::Blank_Chk);
        QCOMPARE(
            rig.status(), std::string(calByte ? "Device is NOT Erased..." : "Device is Erased..."));
        if (calByte)
            QCOMPARE(memoMismatches(rig),
                (std::vector<std::string> {"01FF  EXPECTED-0FFF  FOUND-" + hex4(calibration)}));

        // Verify against a blank buffer with blank IDs.
        for (unsigned a = 0; a < 0x200; ++a)
            rig.buffer(a) = 0x0FFF;
        for (unsigned a = 0x2100; a < 0x2104; ++a)
            rig.buffer(a) = 0x0FFF;
        rig.st.device.ConfigWord = 0x0FFF;
        rig.form.click(ControlId::Verify_Eprom);
        QCOMPARE(rig.status(),
            std::string(
                calByte ? "Device Did NOT Verify to Buffer..." : "Device Verified to Buffer..."));
    }

    // ConfigWord is 0x3FFF after every selection; a 12-bit part holds 12 bits.
    void twelveBitConfigurationUnderTheWordWidth()
    {
        ChipRig rig("12C508/A");
        rig.form.click(ControlId::Move_Eprom);
        rig.st.device.ConfigWord = 0x3FFF;
        rig.chip->setWord(rig.chip->configAddress(), 0x0FFF);
        rig.form.click(ControlId::Verify_Eprom);
        QCOMPARE(rig.status(), std::string("Device Verified to Buffer..."));

        rig.chip->setWord(rig.chip->configAddress(), 0x0FFA);
        rig.form.click(ControlId::Verify_Eprom);
        QCOMPARE(rig.memo().front(), std::string("Fuse  EXPECTED-3FFF  FOUND-0FFA"));
        QCOMPARE(rig.st.device.ConfigWord, std::uint16_t {0x3FFF});
    }

    // A buffer word with bits above the chip's width verifies against what the
    // chip can hold; the line still prints both words as they are.
    void bufferBitsAboveTheWordWidth()
    {
        ChipRig rig("16F84/A");
        rig.form.click(ControlId::Move_Eprom);
        rig.buffer(0) = std::uint16_t(rig.buffer(0) | 0xC000);
        rig.form.click(ControlId::Verify_Eprom);
        QCOMPARE(rig.status(), std::string("Device Verified to Buffer..."));
    }

    void fuseMismatch()
    {
        ChipRig rig("16F84/A");
        rig.form.click(ControlId::Move_Eprom);
        rig.st.device.ConfigWord = 0x3FF1;
        rig.form.click(ControlId::Verify_Eprom);
        QCOMPARE(memoMismatches(rig), (std::vector<std::string> {"Fuse Mis-Match"}));
    }

    void read16F628ALeavesTheRest()
    {
        ChipRig rig("16F628A");
        QVERIFY(rig.loadChip("hex/valid/f628a_eeprom.inhx8m.hex"));
        for (unsigned a = 0x0800; a < 0x2000; ++a)
            rig.buffer(a) = 0x1111;
        for (unsigned a = 0x2080; a < 0x2100; ++a)
            rig.buffer(a) = 0x2222;
        rig.form.click(ControlId::Move_Eprom);
        compareWithChip(rig);
        for (unsigned a = 0x0800; a < 0x2000; ++a)
            QCOMPARE(rig.buffer(a), std::uint16_t {0x1111});
        for (unsigned a = 0x2080; a < 0x2100; ++a)
            QCOMPARE(rig.buffer(a), std::uint16_t {0x2222});
        // Every EEPROM byte of the file landed at 0x2000.. (one byte per word).
        for (unsigned a = 0x2000; a < 0x2080; ++a)
            QVERIFY(rig.buffer(a) <= 0xFF);
    }

    void noEepromLeavesTheRegion()
    {
        ChipRig rig("16F84/A");
        for (unsigned a = 0x2000; a < 0x2100; ++a)
            rig.buffer(a) = 0x0042;
        rig.form.click(ControlId::Move_Eprom);
        for (unsigned a = 0x2000; a < 0x2100; ++a)
            QCOMPARE(rig.buffer(a), std::uint16_t {0x0042});
    }

    // A hand-edited settings file can set the last address to anything up to
    // 0xFFFF: no command reaches past the buffer's program memory.
    void lastAddressBeyondTheBuffer()
    {
        ChipRig rig("16F877A");
        rig.st.device.LastProgramAddress = 0xFFFF;
        for (ControlId command :
            {ControlId::Move_Eprom, ControlId::Blank_Chk, ControlId::Verify_Eprom}) {
            rig.form.click(command);
            QVERIFY(rig.ui[ControlId::Move_Eprom].enabled);
        }
        QCOMPARE(rig.status(), std::string("Device Verified to Buffer..."));
        rig.form.click(ControlId::Program_Eprom);
        QCOMPARE(rig.status(), std::string("Device is Programmed..."));
    }

    void noDeviceSelected_data()
    {
        QTest::addColumn<int>("command");
        QTest::newRow("read") << int(ControlId::Move_Eprom);
        QTest::newRow("blank check") << int(ControlId::Blank_Chk);
        QTest::newRow("verify") << int(ControlId::Verify_Eprom);
    }
    void noDeviceSelected()
    {
        QFETCH(int, command);
        ChipRig rig("16F84/A", {}, {}, "-");
        QCOMPARE(rig.caption(ControlId::Device), std::string("No Device"));
        rig.buffer(3) = 0x1234;
        rig.st.device.ConfigWord = 0x0042;
        rig.form.click(ControlId(command));
        QCOMPARE(rig.status(), std::string("No Device Was Selected."));
        // Only the set-up went out.
        for (const std::string &line : rig.sent())
            QVERIFY2(line.starts_with("TX 94") || line.starts_with("TX 24"), line.c_str());
        QCOMPARE(rig.buffer(3), std::uint16_t {0x1234});
        QCOMPARE(rig.st.device.ConfigWord, std::uint16_t {0x0042});
    }

    // A lost programmer or a stop: nothing read is committed, no result claimed.
    void unfinished_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("status");
        for (const auto &[name, id] : {std::pair {"read", ControlId::Move_Eprom},
                 std::pair {"blank check", ControlId::Blank_Chk},
                 std::pair {"verify", ControlId::Verify_Eprom}}) {
            QTest::addRow("%s, unplugged", name) << int(id) << "unplug"
                                                 << "Programmer Not Responding...";
            QTest::addRow("%s, silent", name) << int(id) << "silent"
                                              << "Programmer Not Responding...";
            QTest::addRow("%s, stopped", name) << int(id) << "stop"
                                               << "Operation Stopped...";
        }
    }
    void unfinished()
    {
        QFETCH(int, command);
        QFETCH(QString, fault);
        QFETCH(QString, status);
        for (const char *chip : {"16F84/A", "16C54", "12C508/A"}) {
            sim::LinkFaults faults;
            ChipRig rig(chip, {}, faults);
            fillPattern(*rig.chip);
            // Against a buffer that matches the chip, a verify would pass.
            rig.form.click(ControlId::Move_Eprom);
            const auto before = rig.st.buffer.DeviceBuffer;
            rig.buffer(7) = 0x0001; // and one that does not
            const auto edited = rig.st.buffer.DeviceBuffer;
            const std::uint64_t halfway = rig.link.packetsWritten() + 8;
            if (fault == "unplug")
                rig.link.faults().failQueuePollFromPacket = halfway;
            else if (fault == "silent")
                rig.link.faults().silentFromPacket = halfway;
            else
                rig.host.at(
                    rig.host.nowUs() + 20'000, [&] { rig.form.click(ControlId::Quit_Add); });
            rig.form.click(ControlId(command));
            QCOMPARE(QString::fromStdString(rig.status()), status);
            QVERIFY(rig.st.buffer.DeviceBuffer == edited);
            QVERIFY(before != edited);
            if (fault != "stop")
                QVERIFY(rig.ui[ControlId::Memo1].visible); // with the failure lines
            // The window is unlocked again.
            QVERIFY(rig.ui[ControlId::Program_Eprom].enabled);
            QVERIFY(rig.ui[ControlId::Device].enabled);
        }
    }
};

QTEST_APPLESS_MAIN(ReadingTest)
#include "test_reading.moc"
