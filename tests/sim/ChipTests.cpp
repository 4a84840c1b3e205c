// The simulated chips, driven as the programmer relays the application's packets:
// the behaviour the device commands on the whole program never reach.
#include "ChipDriver.h"
#include "devices/Catalogue.h"
#include "devices/DeviceIds.h"
#include "sim/ChipTable.h"
#include "sim/SimChip.h"

#include <QTest>

#include <set>
#include <string>

using namespace ravelin;
using namespace ravelin::sim;
using ravelin::test::ChipDriver;

namespace {

std::unique_ptr<SimChip> chipNamed(const QString &name, ChipOptions options = {})
{
    auto chip = makeChip(name.toStdString(), options);
    if (!chip)
        qFatal("no chip %s", qPrintable(name));
    return chip;
}

template<typename T>
T fetchValue(const char *name)
{
    return *static_cast<T *>(QTest::qData(name, qMetaTypeId<T>()));
}

constexpr int Off = int(SimChip::Mode::Off), Serial = int(SimChip::Mode::Serial),
              Parallel = int(SimChip::Mode::Parallel);

} // namespace

class ChipTests : public QObject
{
    Q_OBJECT

private slots:
    // The chip table against itself and against the device list.
    void tableWalk()
    {
        std::set<std::string_view> names;
        const std::set<unsigned> sizes {384, 512, 1024, 2048, 4096, 8192}, eeprom {0, 64, 128, 256};
        for (const ChipInfo &chip : ChipTable) {
            const QByteArray name(chip.name.data(), qsizetype(chip.name.size()));
            QVERIFY2(names.insert(chip.name).second, name);
            QVERIFY2(sizes.count(chip.programWords) && eeprom.count(chip.eepromBytes), name);
            QVERIFY2(chip.calibrationAddress < chip.programWords, name);
            QVERIFY2(
                chip.protectMask != 0 && (chip.protectMask & ~wordMask(chip.group)) == 0, name);
            QVERIFY2(!isEprom(chip.group) || chip.eepromBytes == 0, name);
            QVERIFY2(!isTwelveBit(chip.group) || chip.deviceId == 0, name);
            QCOMPARE(findChip(chip.name), &chip);
        }
        QVERIFY(!findChip("16F84") && !findChip(""));
        std::size_t devices = 0;
        for (const CatalogueRow &row : DeviceCatalogue) {
            if (row.isSeparator())
                continue;
            ++devices;
            const QByteArray name(row.caption.data(), qsizetype(row.caption.size()));
            const ChipInfo *chip = findChip(row.caption);
            QVERIFY2(chip, name);
            QVERIFY2(chip->programWords == row.LastProgramAddress + 1u, name);
            QVERIFY2(isTwelveBit(chip->group) == (wordMaskOf(row.family) == 0x0FFF), name);
            QVERIFY2(isEprom(chip->group) == !familyErasable(row.family), name);
            QVERIFY2(row.eeSizeCode == 0 || chip->eepromBytes == 32u << row.eeSizeCode, name);
            const DeviceIdRow *id = deviceIdOfRow(std::size_t(&row - DeviceCatalogue.data()));
            QVERIFY2(chip->deviceId == (id ? id->id : 0), name);
        }
        QCOMPARE(devices, ChipTable.size());
    }

    void entry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QList<int>>("lines"); // group, value pairs
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("voltage");
        QTest::addColumn<int>("start");
        const auto row = [](const char *tag, const char *chip, const QList<int> &lines, int mode,
                             SupplyVoltage volts = {}, int start = 0) {
            QTest::newRow(tag) << chip << lines << mode << int(volts) << start;
        };
        const auto serial = [](int on) {
            return QList<int> {0x5F, on | 1, 0x3F, 0xF1, 0x4F, 0, 0x5F, on};
        };
        const auto parallel = [](int on) {
            return QList<int> {0x5F, on, 0x3F, 0xE1, 0x3F, 0xE9, 0x5F, on & 0xFE};
        };
        using V = SupplyVoltage;
        row("16F84/A 3 V", "16F84/A", serial(0x36), Serial, V::Volts3);
        row("16F84/A 5 V", "16F84/A", serial(0x32), Serial, V::Volts5);
        row("16F877A 6 V", "16F877A", serial(0xF2), Serial, V::Volts6);
        row("12C508/A at its config word", "12C508/A", serial(0x32), Serial, V::Volts5, 0x0FFF);
        row("16C54 3 V", "16C54", parallel(0x7F), Parallel, V::Volts3, 0x0FFF);
        row("16C54 5 V", "16C54", parallel(0x7B), Parallel, V::Volts5, 0x0FFF);
        row("16C57 6 V", "16C57", parallel(0xFB), Parallel, V::Volts6, 0x0FFF);
        row("serial chip, parallel entry", "16F84/A", parallel(0x7B), Off);
        row("parallel chip, serial entry", "16C54", serial(0x32), Off);
        row("no data step", "16F84/A", {0x5F, 0x33, 0x3F, 0xF1, 0x5F, 0x32}, Off);
        row("unknown level", "16F84/A", {0x5F, 0x35, 0x3F, 0xF1, 0x4F, 0x00, 0x5F, 0x34}, Off);
        row("levels differ", "16F84/A", {0x5F, 0x37, 0x3F, 0xF1, 0x4F, 0x00, 0x5F, 0x32}, Off);
        row("steps swapped", "16F84/A", {0x5F, 0x33, 0x4F, 0x00, 0x3F, 0xF1, 0x5F, 0x32}, Off);
        row("entry, then supplies off", "16F84/A", serial(0x32) + QList<int> {0x5F, 0x33}, Off);
        row("a second entry counts", "16F84/A", serial(0x36) + serial(0xF2), Serial, V::Volts6);
    }
    void entry()
    {
        QFETCH(QString, name);
        QFETCH(QList<int>, lines);
        QFETCH(int, mode);
        auto chip = chipNamed(name);
        for (qsizetype i = 0; i + 1 < lines.size(); i += 2)
            chip->setLines(std::uint8_t(lines[i]), std::uint8_t(lines[i + 1]));
        QCOMPARE(int(chip->mode()), mode);
        QCOMPARE(chip->counter().has_value(), mode != Off);
        if (mode != Off) {
            QFETCH(int, voltage);
            QFETCH(int, start);
            QCOMPARE(int(*chip->voltage()), voltage);
            QCOMPARE(int(*chip->counter()), start);
        }
    }

    // Outside programming mode, or with no chip, the data line floats: reads
    // give the floating level and commands change nothing.
    void floatingDataLine_data()
    {
        QTest::addColumn<int>("level");
        QTest::newRow("low") << 0x0000;
        QTest::newRow("high") << 0x3FFF;
    }
    void floatingDataLine()
    {
        QFETCH(int, level);
        ChipOptions options;
        options.floatingLevel = std::uint16_t(level);
        auto chip = chipNamed("16F84/A", options);
        chip->setWord(0, 0x1234);
        ChipDriver d {*chip};
        QCOMPARE(int(d.read()), level);
        d.programWord(0x0000);
        QCOMPARE(int(chip->word(0)), 0x1234);
        d.enterSerial();
        QCOMPARE(int(d.read()), 0x1234);
        chip->reset();
        QCOMPARE(int(d.read()), level);
        QCOMPARE(int(chip->parallelRead(0x6D, true)), level);
        std::array<std::uint16_t, 128> block {};
        chip->blockRead(4, block);
        QCOMPARE(int(block[0]), level);
        QCOMPARE(int(block[127]), level);

        EmptySocket socket {std::uint16_t(level)};
        ChipDriver empty {socket};
        empty.enterSerial();
        QCOMPARE(int(empty.read()), level);
        empty.enterParallel();
        QCOMPARE(int(empty.parallelRead()), level);
    }

    // Reads leave the counter; past the configuration word it stays in
    // configuration space and wraps to 0x2000; only a new entry returns to 0.
    void counter14()
    {
        auto chip = chipNamed("16F877");
        chip->setWord(1, 0x0101);
        chip->setWord(0x2000, 0x0001);
        ChipDriver d {*chip};
        d.enterSerial();
        d.increment();
        QCOMPARE(int(d.read()), 0x0101);
        QCOMPARE(int(d.read()), 0x0101);
        QCOMPARE(int(*chip->counter()), 1);
        d.loadConfiguration();
        d.increment(8);
        QCOMPARE(int(*chip->counter()), 0x2008);
        QVERIFY(chip->inConfigurationSpace());
        QCOMPARE(int(d.read()), 0x0000);
        d.increment(0x2000 - 8);
        QCOMPARE(int(*chip->counter()), 0x2000);
        QCOMPARE(int(d.read()), 0x0001);
        d.loadConfiguration();
        QCOMPARE(int(*chip->counter()), 0x2000);
        d.enterSerial();
        QCOMPARE(int(*chip->counter()), 0);
    }

    // A small part decodes only the low address bits.
    void aliasing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("size");
        QTest::newRow("16F83") << "16F83" << 512;
        QTest::newRow("16F84/A") << "16F84/A" << 1024;
        QTest::newRow("16F628A") << "16F628A" << 2048;
        QTest::newRow("16F873") << "16F873" << 4096;
    }
    void aliasing()
    {
        QFETCH(QString, name);
        QFETCH(int, size);
        auto chip = chipNamed(name);
        chip->setWord(3, 0x2A5A);
        ChipDriver d {*chip};
        d.goTo(chip->info().group, std::uint16_t(size + 3));
        QCOMPARE(int(*chip->counter()), size + 3);
        QCOMPARE(int(d.read()), 0x2A5A);
        d.programWord(0x0A50); // takes bits away only: every group agrees
        QCOMPARE(int(chip->word(3)), 0x0A50);
    }

    // The 12-bit serial parts: no Load Configuration, the pulse runs from
    // Begin to End, words cut to 12 bits.
    void twelveBitSerial()
    {
        auto chip = chipNamed("12C509/A", test::uncalibrated());
        ChipDriver d {*chip};
        d.enterSerial();
        d.increment(3);
        d.command(0x00); // loads nothing, leaves the counter; its data word is ignored
        d.data(0x0000);
        d.command(0x08);
        d.command(0x0E);
        QCOMPARE(int(*chip->counter()), 2);
        QCOMPARE(int(chip->word(2)), 0x0FFF);
        d.command(0x02);
        d.data(0x0123);
        d.command(0x08);
        QCOMPARE(int(chip->word(2)), 0x0FFF);
        d.command(0x0E);
        QCOMPARE(int(chip->word(2)), 0x0123);
        d.increment();
        d.eprom12Pulse(0x3FF0);
        QCOMPARE(int(d.read()), 0x0FF0);
        // A new entry starts at the configuration word, programmed there.
        d.enterSerial();
        d.eprom12Pulse(0x0FEA);
        QCOMPARE(int(chip->config()), 0x0FEA);
        QCOMPARE(int(chip->word(0)), 0x0FFF);
    }

    void parallel()
    {
        auto chip = chipNamed("16C54");
        chip->setWord(0x0FFF, 0x0FF9);
        chip->setWord(0, 0x0C00);
        ChipDriver d {*chip};
        d.enterParallel();
        QCOMPARE(int(d.parallelRead(false)), 0x0FF9);
        QCOMPARE(int(d.parallelRead(true)), 0x0FF9);
        QCOMPARE(int(d.parallelRead(true)), 0x0C00);
        // Other control patterns and serial commands do not step the counter.
        for (int lines : {0xF9, 0xFD, 0xE9, 0xF9})
            chip->setLines(0x3F, std::uint8_t(lines));
        d.increment(5);
        QCOMPARE(int(*chip->counter()), 1);
        QCOMPARE(int(d.read()), 0x0000);
        // A pulse with the data lines released programs nothing.
        d.parallelPulse(0x0A53);
        QCOMPARE(int(chip->word(1)), 0x0A53);
        d.parallelIncrement();
        chip->setLines(0x3F, 0xF8);
        chip->setLines(0x3F, 0xF9);
        QCOMPARE(int(chip->word(2)), 0x0FFF);
    }

    // Begin Erase/Programming over a word that holds a value: the chips that
    // erase first take the new word, the others can only clear bits.
    void flashWrite_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("erases");
        for (const char *name : {"16F84/A", "16F628", "16F877", "16F877A", "16F818"})
            QTest::newRow(name) << name << true;
        for (const char *name : {"16F628A", "16F72", "16F716", "12F629"})
            QTest::newRow(name) << name << false;
    }
    void flashWrite()
    {
        QFETCH(QString, name);
        QFETCH(bool, erases);
        auto chip = chipNamed(name, test::uncalibrated());
        chip->setWord(5, 0x0F0F);
        ChipDriver d {*chip};
        d.goTo(chip->info().group, 5);
        d.programWord(0x3333);
        QCOMPARE(int(d.read()), erases ? 0x3333 : 0x0303);
    }

    // Only a load command's data is loaded; the latch is used once and
    // forgotten on a new entry.
    void latchRules()
    {
        auto chip = chipNamed("16F84/A");
        ChipDriver d {*chip};
        d.enterSerial();
        d.run("D 08"); // no load command before the data
        QCOMPARE(int(chip->word(0)), 0x3FFF);
        d.run("02 06 D 08"); // a command between load and data
        QCOMPARE(int(chip->word(1)), 0x3FFF);
        d.programWord(0x1111);
        QCOMPARE(int(chip->word(1)), 0x1111);
        d.run("06 08"); // nothing loaded since the last write
        QCOMPARE(int(chip->word(2)), 0x3FFF);
        d.command(0x02);
        d.data(0x0000);
        d.enterSerial();
        d.command(0x08);
        QCOMPARE(int(chip->word(0)), 0x3FFF);
    }

    // The 16F87xA row routine: eight loads with increments, Begin Programming
    // Only, End Programming, Increment.
    void rowLatches()
    {
        auto chip = chipNamed("16F877A");
        for (std::uint16_t a = 8; a < 16; ++a)
            chip->setWord(a, 0x3F0F);
        ChipDriver d {*chip};
        d.enterSerial();
        for (int row = 0; row < 2; ++row) {
            for (int i = 0; i < 8; ++i) {
                d.command(0x02);
                d.data(std::uint16_t(0x13F0 + row * 8 + i));
                if (i < 7)
                    d.increment();
            }
            QCOMPARE(int(chip->word(std::uint16_t(row * 8))), row == 0 ? 0x3FFF : 0x3F0F);
            d.run("18 17 06");
        }
        for (std::uint16_t a = 0; a < 16; ++a) // programming only: old bits stay cleared
            QCOMPARE(int(chip->word(a)), (0x13F0 + a) & (a < 8 ? 0x3FFF : 0x3F0F));
        QCOMPARE(int(chip->word(16)), 0x3FFF);
        // A row with only some latches loaded writes only those; Begin
        // Erase/Programming erases the loaded words first.
        d.enterSerial();
        d.increment(0x20);
        d.programWord(0x0AAA);
        d.increment(3);
        d.command(0x02);
        d.data(0x0BBB);
        d.command(0x08);
        QCOMPARE(int(chip->word(0x20)), 0x0AAA);
        QCOMPARE(int(chip->word(0x21)), 0x3FFF);
        QCOMPARE(int(chip->word(0x23)), 0x0BBB);
        d.programWord(0x1555);
        QCOMPARE(int(chip->word(0x23)), 0x1555);
    }

    // An EPROM pulse can only clear bits, and a slow word takes its value on
    // the n-th pulse only.
    void epromPulses_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("slow"); // pulses the word at 2 needs
        QTest::newRow("16C74A/B") << "16C74A/B" << 4;
        QTest::newRow("12C671") << "12C671" << 2;
        QTest::newRow("12C508/A") << "12C508/A" << 3;
        QTest::newRow("16C54") << "16C54" << 2;
    }
    void epromPulses()
    {
        QFETCH(QString, name);
        QFETCH(int, slow);
        ChipOptions options = test::uncalibrated();
        options.slowWord = 0x0002;
        options.slowWordPulses = unsigned(slow);
        auto chip = chipNamed(name, options);
        const auto group = chip->info().group;
        ChipDriver d {*chip};
        d.goTo(group, 0);
        for (int word : {0x0A5A, 0x0FFF, 0x0858}) {
            d.programStep(group, std::uint16_t(word));
            QCOMPARE(int(d.readHere(group)), word == 0x0FFF ? 0x0A5A : word);
        }
        QCOMPARE(chip->erasesDone(), 0u);
        d.goTo(group, 2);
        for (int i = 1; i < slow; ++i) {
            d.programStep(group, 0x0123);
            QCOMPARE(int(chip->word(2)), int(chip->blankWord()));
        }
        d.programStep(group, 0x0123);
        QCOMPARE(int(chip->word(2)), 0x0123);
    }

    // Exactly the application's sequences erase; anything else erases nothing.
    void erase_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("sequence");
        QTest::addColumn<bool>("program"); // program memory, IDs, configuration erased
        QTest::addColumn<bool>("data");
        const auto row = [](const char *chip, const char *tag, std::string_view sequence,
                             bool program, bool data) {
            QTest::addRow("%s %s", chip, tag)
                << chip << QString::fromLatin1(sequence.data(), qsizetype(sequence.size()))
                << program << data;
        };
        constexpr auto A = ChipDriver::EraseA, B = ChipDriver::EraseB, C = ChipDriver::EraseC;
        for (const char *chip :
            {"16F84/A", "16F628", "16F877", "16F72", "16F716", "16F819", "12F675"}) {
            row(chip, "A", A, true, true);
            row(chip, "B", B, false, false);
            row(chip, "C", C, false, false);
        }
        row("16F628A", "B", B, true, true);
        row("16F628A", "A", A, false, false);
        row("16F628A", "C", C, false, false);
        row("16F628A", "9 only", "L +7 09", true, false);
        row("16F628A", "0B only", "L +7 0B", false, true);
        row("16F628A", "B in user space", "+7 09 0B", false, false);
        row("16F628A", "B at 0x2006", "L +6 09 0B", false, false);
        row("16F877A", "C", C, true, true);
        row("16F877A", "A", A, false, false);
        row("16F877A", "B", B, false, false);
        row("16F84/A", "A at 0x2006", "L +6 01 07 08 01 07", false, false);
        row("16F84/A", "A cut short", "L +7 01 07 08", false, false);
        row("16F84/A", "A interrupted", "L +7 01 07 08 R 01 07", false, false);
        row("16F84/A", "A restarted", "L +7 01 07 01 07 08 01 07", true, true);
        row("16F84/A", "A in a new entry", "L +7 01 07 08 E L +7 01 07", false, false);
        row("16C74", "A", A, false, false);
        row("16C74", "C", C, false, false);
    }
    void erase()
    {
        QFETCH(QString, name);
        QFETCH(QString, sequence);
        QFETCH(bool, program);
        QFETCH(bool, data);
        auto chip = chipNamed(name, test::uncalibrated());
        const auto last = std::uint16_t(chip->info().programWords - 1);
        chip->setWord(0, 0x2805);
        chip->setWord(last, 0x0123);
        chip->setWord(0x2000, 0x0001);
        chip->setWord(0x2007, 0x3F00);
        chip->setEeprom(0, 0x12);
        const bool hasData = chip->info().eepromBytes != 0;
        ChipDriver d {*chip};
        d.enterSerial();
        d.run(sequence.toStdString());
        const std::uint16_t blank = chip->blankWord();
        QCOMPARE(chip->word(0) == blank, program);
        QCOMPARE(chip->word(last) == blank, program);
        QCOMPARE(chip->id(0) == blank, program);
        QCOMPARE(chip->config() == blank, program);
        if (hasData)
            QCOMPARE(chip->eeprom(0) == 0xFF, data);
        QCOMPARE(chip->erasesDone() > 0, program || (data && hasData));
    }

    // The 12F629/675's bulk erase takes the factory calibration word and
    // band-gap bits with it; the device ID stays.
    void calibration()
    {
        auto f629 = chipNamed("12F629");
        QCOMPARE(int(f629->word(0x3FF)), 0x3480);
        QCOMPARE(int(f629->config()), 0x2FFF);
        ChipDriver d {*f629};
        d.enterSerial();
        d.run(ChipDriver::EraseA);
        QCOMPARE(int(f629->word(0x3FF)), 0x3FFF);
        QCOMPARE(int(f629->config()), 0x3FFF);
        QCOMPARE(int(f629->word(0x2006)), 0x0F80);
        ChipOptions calibrated;
        calibrated.calibration = 0x0C70;
        QCOMPARE(int(chipNamed("12C508/A", calibrated)->word(0x1FF)), 0x0C70);
        QCOMPARE(int(chipNamed("12C519")->word(0x3FF)), 0x0C80);
        QCOMPARE(int(chipNamed("12CE674")->word(0x7FF)), 0x3480);
        QCOMPARE(int(chipNamed("12C508/A", test::uncalibrated())->word(0x1FF)), 0x0FFF);
        QCOMPARE(int(chipNamed("12F675", test::uncalibrated())->config()), 0x3FFF);
    }

    // Data writes erase the byte first and read back 8 bits; the byte index is
    // the counter modulo the size. A part without data EEPROM ignores them.
    void dataEeprom_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name :
            {"16F84/A", "16F628A", "16F877", "16F877A", "12F629", "16F819", "16F72"})
            QTest::newRow(name) << name;
    }
    void dataEeprom()
    {
        QFETCH(QString, name);
        ChipOptions options;
        options.floatingLevel = 0x3FFF;
        options.stuckWord = 0x2101; // data EEPROM byte 1
        auto chip = chipNamed(name, options);
        const int size = int(chip->info().eepromBytes);
        const std::uint16_t program0 = chip->word(0);
        if (size > 0) {
            chip->setEeprom(0, 0x55);
            chip->setEeprom(1, 0x11);
        }
        ChipDriver d {*chip};
        d.enterSerial();
        d.programWord(0x12AA, 0x03);
        QCOMPARE(int(d.read(0x05)), size > 0 ? 0xAA : 0x3FFF);
        QCOMPARE(int(chip->word(0)), int(program0));
        if (size > 0) {
            QCOMPARE(int(chip->eeprom(0)), 0xAA);
            d.increment(size + 1);
            d.programWord(0x12AA, 0x03);
            QCOMPARE(int(d.read(0x05)), 0x11);
            for (const std::string_view erase : {ChipDriver::EraseA, ChipDriver::EraseB})
                d.run("E " + std::string(erase) + " E " + std::string(ChipDriver::EraseC));
            QCOMPARE(int(chip->eeprom(0)) << 8 | chip->eeprom(1), 0xFF11);
        }
    }

    void codeProtection_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("config");
        QTest::addColumn<int>("transform"); // -1: the chip's own
        QTest::addColumn<int>("word");
        QTest::addColumn<int>("reads");
        const auto row = [](const char *tag, const char *chip, int config, int transform, int word,
                             int reads) {
            QTest::newRow(tag) << chip << config << transform << word << reads;
        };
        const int zeros = int(ProtectedRead::Zeros), xorRead = int(ProtectedRead::NibbleXor);
        row("16F84/A off", "16F84/A", 0x3FFF, -1, 0x2805, 0x2805);
        row("16F84/A on", "16F84/A", 0x3FEF, -1, 0x2805, 0x0000);
        row("16F877 on", "16F877", 0x3FCF, -1, 0x2805, 0x0000);
        row("16F877 partly", "16F877", 0x3FDF, -1, 0x2805, 0x0000);
        row("16F628A on", "16F628A", 0x1FFF, -1, 0x2805, 0x0000);
        row("12F675 on", "12F675", 0x3F7F, -1, 0x2805, 0x0000);
        row("16C54 on", "16C54", 0x0FF7, -1, 0x0A53, 0x000C);
        row("16C54 off", "16C54", 0x0FFF, -1, 0x0A53, 0x0A53);
        row("12C508/A on", "12C508/A", 0x0FE2, -1, 0x0C70, 0x000B);
        row("16C74 on", "16C74", 0x3FEF, -1, 0x2805, 0x000D);
        row("16C74 on, zeros", "16C74", 0x3FEF, zeros, 0x2805, 0x0000);
        row("16F84/A on, xor", "16F84/A", 0x3FEF, xorRead, 0x0A53, 0x000C);
    }
    void codeProtection()
    {
        QFETCH(QString, name);
        QFETCH(int, config);
        QFETCH(int, transform);
        QFETCH(int, word);
        QFETCH(int, reads);
        ChipOptions options = test::uncalibrated();
        if (transform >= 0)
            options.protectedRead = ProtectedRead(transform);
        auto chip = chipNamed(name, options);
        chip->setWord(chip->configAddress(), std::uint16_t(config));
        chip->setWord(0, std::uint16_t(word));
        chip->setWord(chip->idAddress(0), 0x0005);
        const auto group = chip->info().group;
        ChipDriver d {*chip};
        if (isTwelveBit(group)) { // the configuration word stays readable
            d.enter(group);
            QCOMPARE(int(d.readHere(group)), config);
            d.goTo(group, 0);
            QCOMPARE(int(d.readHere(group)), reads);
        } else {
            d.enterSerial();
            QCOMPARE(int(d.read()), reads);
            d.loadConfiguration();
            QCOMPARE(int(d.read()), 0x0005); // the IDs too
            d.increment(7);
            QCOMPARE(int(d.read()), config);
        }
        QCOMPARE(int(chip->word(0)), word);
    }

    void dataProtection()
    {
        auto chip = chipNamed("16F628A");
        chip->setEeprom(0, 0x5A);
        chip->setWord(0x2007, 0x3EFF); // CPD
        ChipDriver d {*chip};
        d.enterSerial();
        QCOMPARE(int(d.read(0x05)), 0x00);
        QCOMPARE(int(d.read(0x04)), 0x3FFF);
    }

    // A stuck word takes no value, its neighbour does, and set by hand it
    // keeps its value through every erase.
    void stuckWord_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("address");
        QTest::newRow("16F84/A program") << "16F84/A" << 0x0123;
        QTest::newRow("16F84/A config") << "16F84/A" << 0x2007;
        QTest::newRow("16F877A program") << "16F877A" << 0x0005;
    }
    void stuckWord()
    {
        QFETCH(QString, name);
        QFETCH(int, address);
        ChipOptions options;
        options.stuckWord = std::uint16_t(address);
        auto chip = chipNamed(name, options);
        const auto group = chip->info().group;
        const auto at = std::uint16_t(address);
        ChipDriver d {*chip};
        d.goTo(group, at);
        d.programStep(group, 0x0000);
        QCOMPARE(int(chip->word(at)), int(chip->blankWord()));
        if (address != 0x2007) {
            d.goTo(group, std::uint16_t(at + 1));
            d.programStep(group, 0x0000);
            QCOMPARE(int(chip->word(std::uint16_t(at + 1))), 0x0000);
        }
        chip->setWord(at, 0x0000);
        d.enterSerial();
        d.run(ChipDriver::EraseA);
        d.enterSerial();
        d.run(ChipDriver::EraseC);
        QCOMPARE(int(chip->word(at)), 0x0000);
    }

    void deviceId_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("revision");
        QTest::addColumn<int>("given"); // --device-id, -1 none
        QTest::addColumn<int>("word");
        QTest::newRow("16F877A revision 2") << "16F877A" << 2 << -1 << 0x0E22;
        QTest::newRow("16F84/A") << "16F84/A" << 0 << -1 << 0x0560;
        QTest::newRow("16C717 revision 31") << "16C717" << 31 << -1 << 0x0ADF;
        QTest::newRow("16F83 has none") << "16F83" << 0 << -1 << 0x3FFF;
        QTest::newRow("a 16F84") << "16F84/A" << 0 << 0x3FFF << 0x3FFF;
    }
    void deviceId()
    {
        QFETCH(int, given);
        ChipOptions options;
        options.revision = std::uint8_t(fetchValue<int>("revision"));
        if (given >= 0)
            options.deviceId = std::uint16_t(given);
        auto chip = chipNamed(fetchValue<QString>("name"), options);
        ChipDriver d {*chip};
        for (const std::string_view before : {"", "L +6 02 D 08 E L +7 01 07 08 01 07 E"}) {
            d.enterSerial();
            d.run(before);
            d.goTo(chip->info().group, 0x2006);
            QCOMPARE(int(d.read()), fetchValue<int>("word"));
        }
    }

    // Reads at "3 Volts" fail on parts that are not made for it.
    void lowVoltage_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("option");
        QTest::addColumn<int>("supplies");
        QTest::addColumn<bool>("reads");
        QTest::newRow("16F628A 3 V") << "16F628A" << true << 0x36 << false;
        QTest::newRow("16LF628A 3 V") << "16LF628A" << true << 0x36 << true;
        QTest::newRow("16LF627 3 V") << "16LF627" << true << 0x36 << true;
        QTest::newRow("16F628A 5 V") << "16F628A" << true << 0x32 << true;
        QTest::newRow("16F628A 6 V") << "16F628A" << true << 0xF2 << true;
        QTest::newRow("16F628A 3 V, option off") << "16F628A" << false << 0x36 << true;
        QTest::newRow("16C54 3 V") << "16C54" << true << 0x7F << false;
        QTest::newRow("16C54 5 V") << "16C54" << true << 0x7B << true;
    }
    void lowVoltage()
    {
        QFETCH(QString, name);
        QFETCH(bool, option);
        QFETCH(int, supplies);
        QFETCH(bool, reads);
        ChipOptions options;
        options.failAt3Volts = option;
        auto chip = chipNamed(name, options);
        chip->setWord(0, 0x0456);
        ChipDriver d {*chip};
        if (chip->info().group == ChipGroup::Parallel16C5x) {
            d.enterParallel(std::uint8_t(supplies));
            QCOMPARE(int(d.parallelRead()), reads ? 0x0FFF : 0x0000);
            QCOMPARE(int(d.parallelRead()), reads ? 0x0456 : 0x0000);
        } else {
            d.enterSerial(std::uint8_t(supplies));
            QCOMPARE(int(d.read()), reads ? 0x0456 : 0x0000);
        }
    }
};

int runChipTests(int argc, char **argv)
{
    ChipTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "ChipTests.moc"
