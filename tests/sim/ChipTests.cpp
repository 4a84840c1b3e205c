// The simulated chips, driven as the programmer relays the application's packets.
#include "ChipDriver.h"
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

int mode(const SimChip &chip)
{
    return static_cast<int>(chip.mode());
}
constexpr int Off = static_cast<int>(SimChip::Mode::Off);
constexpr int Serial = static_cast<int>(SimChip::Mode::Serial);
constexpr int Parallel = static_cast<int>(SimChip::Mode::Parallel);

} // namespace

class ChipTests : public QObject
{
    Q_OBJECT

private slots:
    // ---- the table ----------------------------------------------------------------

    void tableWalk()
    {
        QCOMPARE(ChipTable.size(), std::size_t {97});
        std::set<std::string_view> names;
        const std::set<unsigned> sizes {384, 512, 1024, 2048, 4096, 8192};
        for (const ChipInfo &chip : ChipTable) {
            const QString name = QString::fromUtf8(chip.name.data(), qsizetype(chip.name.size()));
            QVERIFY2(names.insert(chip.name).second, qPrintable(name));
            QVERIFY2(sizes.count(chip.programWords), qPrintable(name));
            QVERIFY2(chip.eepromBytes == 0 || chip.eepromBytes == 64 || chip.eepromBytes == 128
                    || chip.eepromBytes == 256,
                qPrintable(name));
            QVERIFY2(chip.calibrationAddress < chip.programWords, qPrintable(name));
            QVERIFY2(chip.protectMask != 0 && (chip.protectMask & ~wordMask(chip.group)) == 0,
                qPrintable(name));
            // EPROM parts have no data EEPROM the programmer reaches.
            QVERIFY2(!isEprom(chip.group) || chip.eepromBytes == 0, qPrintable(name));
            QVERIFY2(!isTwelveBit(chip.group) || chip.deviceId == 0, qPrintable(name));
            QCOMPARE(findChip(chip.name), &chip);
        }
        QVERIFY(!findChip("16F84"));
        QVERIFY(!findChip(""));
    }

    void tableRows_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("words");
        QTest::addColumn<int>("eeprom");
        QTest::addColumn<int>("group");
        QTest::newRow("16F84/A") << "16F84/A" << 1024 << 64 << int(ChipGroup::Flash16F8x);
        QTest::newRow("16F648A") << "16F648A" << 4096 << 256 << int(ChipGroup::Flash16F62xA);
        QTest::newRow("16LF648A") << "16LF648A" << 4096 << 256 << int(ChipGroup::Flash16F62xA);
        QTest::newRow("16F877A") << "16F877A" << 8192 << 256 << int(ChipGroup::Flash16F87xA);
        QTest::newRow("16F870") << "16F870" << 2048 << 64 << int(ChipGroup::Flash16F87x);
        QTest::newRow("12C508/A") << "12C508/A" << 512 << 0 << int(ChipGroup::Eprom12Serial);
        QTest::newRow("16C52") << "16C52" << 384 << 0 << int(ChipGroup::Parallel16C5x);
        QTest::newRow("16C58B") << "16C58B" << 2048 << 0 << int(ChipGroup::Parallel16C5x);
        QTest::newRow("12CE674") << "12CE674" << 2048 << 0 << int(ChipGroup::Eprom14);
        QTest::newRow("16C62A/B/C") << "16C62A/B/C" << 2048 << 0 << int(ChipGroup::Eprom14);
        QTest::newRow("12F675") << "12F675" << 1024 << 128 << int(ChipGroup::Flash12F6xx);
        QTest::newRow("16F819") << "16F819" << 2048 << 256 << int(ChipGroup::Flash16F81x);
    }
    void tableRows()
    {
        QFETCH(QString, name);
        QFETCH(int, words);
        QFETCH(int, eeprom);
        QFETCH(int, group);
        const ChipInfo *chip = findChip(name.toStdString());
        QVERIFY(chip);
        QCOMPARE(int(chip->programWords), words);
        QCOMPARE(int(chip->eepromBytes), eeprom);
        QCOMPARE(int(chip->group), group);
    }

    // ---- entering programming mode --------------------------------------------------

    void entry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QList<int>>("lines"); // group, value pairs
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("voltage");
        QTest::addColumn<int>("start");
        const QList<int> serial3 {0x5F, 0x37, 0x3F, 0xF1, 0x4F, 0x00, 0x5F, 0x36};
        const QList<int> serial5 {0x5F, 0x33, 0x3F, 0xF1, 0x4F, 0x00, 0x5F, 0x32};
        const QList<int> serial6 {0x5F, 0xF3, 0x3F, 0xF1, 0x4F, 0x00, 0x5F, 0xF2};
        const QList<int> parallel3 {0x5F, 0x7F, 0x3F, 0xE1, 0x3F, 0xE9, 0x5F, 0x7E};
        const QList<int> parallel5 {0x5F, 0x7B, 0x3F, 0xE1, 0x3F, 0xE9, 0x5F, 0x7A};
        const QList<int> parallel6 {0x5F, 0xFB, 0x3F, 0xE1, 0x3F, 0xE9, 0x5F, 0xFA};
        const int v3 = int(SupplyVoltage::Volts3), v5 = int(SupplyVoltage::Volts5),
                  v6 = int(SupplyVoltage::Volts6);
        QTest::newRow("16F84/A 3 V") << "16F84/A" << serial3 << Serial << v3 << 0x0000;
        QTest::newRow("16F84/A 5 V") << "16F84/A" << serial5 << Serial << v5 << 0x0000;
        QTest::newRow("16F877A 6 V") << "16F877A" << serial6 << Serial << v6 << 0x0000;
        QTest::newRow("12C508/A at its config word")
            << "12C508/A" << serial5 << Serial << v5 << 0x0FFF;
        QTest::newRow("16C54 3 V") << "16C54" << parallel3 << Parallel << v3 << 0x0FFF;
        QTest::newRow("16C54 5 V") << "16C54" << parallel5 << Parallel << v5 << 0x0FFF;
        QTest::newRow("16C57 6 V") << "16C57" << parallel6 << Parallel << v6 << 0x0FFF;
        QTest::newRow("serial chip, parallel entry") << "16F84/A" << parallel5 << Off << -1 << -1;
        QTest::newRow("parallel chip, serial entry") << "16C54" << serial5 << Off << -1 << -1;
        QTest::newRow("no data step")
            << "16F84/A" << QList<int> {0x5F, 0x33, 0x3F, 0xF1, 0x5F, 0x32} << Off << -1 << -1;
        QTest::newRow("unknown level")
            << "16F84/A" << QList<int> {0x5F, 0x35, 0x3F, 0xF1, 0x4F, 0x00, 0x5F, 0x34} << Off << -1
            << -1;
        QTest::newRow("levels differ")
            << "16F84/A" << QList<int> {0x5F, 0x37, 0x3F, 0xF1, 0x4F, 0x00, 0x5F, 0x32} << Off << -1
            << -1;
        QTest::newRow("steps swapped")
            << "16F84/A" << QList<int> {0x5F, 0x33, 0x4F, 0x00, 0x3F, 0xF1, 0x5F, 0x32} << Off << -1
            << -1;
        QTest::newRow("entry, then supplies off")
            << "16F84/A" << (serial5 + QList<int> {0x5F, 0x33}) << Off << -1 << -1;
        QTest::newRow("a second entry counts")
            << "16F84/A" << (serial3 + serial6) << Serial << v6 << 0x0000;
    }
    void entry()
    {
        QFETCH(QString, name);
        QFETCH(QList<int>, lines);
        QFETCH(int, mode);
        QFETCH(int, voltage);
        QFETCH(int, start);
        auto chip = chipNamed(name);
        for (qsizetype i = 0; i + 1 < lines.size(); i += 2)
            chip->setLines(std::uint8_t(lines[i]), std::uint8_t(lines[i + 1]));
        QCOMPARE(::mode(*chip), mode);
        if (mode != Off) {
            QCOMPARE(int(*chip->voltage()), voltage);
            QCOMPARE(int(*chip->counter()), start);
        } else {
            QVERIFY(!chip->counter());
        }
    }

    // Outside programming mode the data line floats: reads give the floating
    // level and commands change nothing.
    void outsideProgrammingMode_data()
    {
        QTest::addColumn<int>("level");
        QTest::newRow("low") << 0x0000;
        QTest::newRow("high") << 0x3FFF;
    }
    void outsideProgrammingMode()
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
    }

    void emptySocket_data()
    {
        QTest::addColumn<int>("level");
        QTest::newRow("0000") << 0x0000;
        QTest::newRow("3FFF") << 0x3FFF;
    }
    void emptySocket()
    {
        QFETCH(int, level);
        EmptySocket socket {std::uint16_t(level)};
        ChipDriver d {socket};
        d.enterSerial();
        QCOMPARE(int(d.read()), level);
        d.enterParallel();
        QCOMPARE(int(d.parallelRead()), level);
    }

    // ---- the address counter ----------------------------------------------------------

    void counter14()
    {
        auto chip = chipNamed("16F877");
        ChipDriver d {*chip};
        chip->setWord(0, 0x0100);
        chip->setWord(1, 0x0101);
        chip->setWord(0x2000, 0x0001);
        chip->setWord(0x2007, 0x3F72);
        d.enterSerial();
        QCOMPARE(int(d.readAndIncrement()), 0x0100);
        QCOMPARE(int(d.read()), 0x0101);
        QCOMPARE(int(*chip->counter()), 1);
        // The counter does not move on a read.
        QCOMPARE(int(d.read()), 0x0101);
        d.loadConfiguration();
        QCOMPARE(int(*chip->counter()), 0x2000);
        QCOMPARE(int(d.read()), 0x0001);
        d.increment(6);
        QCOMPARE(int(d.read()), 0x09A0); // device ID
        d.increment();
        QCOMPARE(int(d.read()), 0x3F72);
        // Past the configuration word: still configuration space, never user space.
        d.increment();
        QCOMPARE(int(*chip->counter()), 0x2008);
        QVERIFY(chip->inConfigurationSpace());
        QCOMPARE(int(d.read()), 0x0000);
        d.increment(0x2000 - 8);
        QCOMPARE(int(*chip->counter()), 0x2000);
        QCOMPARE(int(d.read()), 0x0001);
        // A second Load Configuration stays at 0x2000; only a new entry returns.
        d.loadConfiguration();
        QCOMPARE(int(*chip->counter()), 0x2000);
        d.enterSerial();
        QCOMPARE(int(*chip->counter()), 0);
        QCOMPARE(int(d.read()), 0x0100);
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
        d.enterSerial();
        d.increment(size + 3);
        QCOMPARE(int(*chip->counter()), size + 3);
        QCOMPARE(int(d.read()), 0x2A5A);
        d.programWord(0x0A50); // takes bits away only: every group agrees
        QCOMPARE(int(chip->word(3)), 0x0A50);
    }

    void counter12()
    {
        auto chip = chipNamed("12C508/A", test::uncalibrated());
        chip->setWord(0x0FFF, 0x0FEA);
        chip->setWord(0, 0x0025);
        chip->setWord(0x1FF, 0x0C70);
        chip->setWord(0x200, 0x0005);
        chip->setWord(0x203, 0x000A);
        ChipDriver d {*chip};
        d.enterSerial();
        QCOMPARE(int(d.read()), 0x0FEA);
        d.increment();
        QCOMPARE(int(*chip->counter()), 0);
        QCOMPARE(int(d.read()), 0x0025);
        d.increment(0x1FF);
        QCOMPARE(int(d.readAndIncrement()), 0x0C70);
        QCOMPARE(int(d.readAndIncrement()), 0x0005);
        d.increment(2);
        QCOMPARE(int(d.read()), 0x000A);
        // No Load Configuration on these parts: command 0 leaves the counter.
        d.loadConfiguration();
        QCOMPARE(int(*chip->counter()), 0x203);
        // A new entry starts at the configuration word again.
        d.enterSerial();
        QCOMPARE(int(d.read()), 0x0FEA);
    }

    void blockRead()
    {
        auto chip = chipNamed("16F84/A");
        for (std::uint16_t a = 0; a < 256; ++a)
            chip->setWord(a, std::uint16_t(0x3000 | a));
        ChipDriver d {*chip};
        d.enterSerial();
        std::array<std::uint16_t, 128> block {};
        chip->blockRead(4, block);
        QCOMPARE(int(block[0]), 0x3000);
        QCOMPARE(int(block[127]), 0x307F);
        QCOMPARE(int(*chip->counter()), 128);
        chip->blockRead(4, block);
        QCOMPARE(int(block[0]), 0x3080);
        QCOMPARE(int(block[127]), 0x30FF);
        QCOMPARE(int(*chip->counter()), 256);
        // The data memory the same way, one counter for both.
        chip->setEeprom(0, 0xA5);
        chip->blockRead(5, block);
        QCOMPARE(int(block[0]), 0xA5); // 256 mod 64 = 0
        QCOMPARE(int(block[1]), 0xFF);
    }

    void parallel()
    {
        auto chip = chipNamed("16C54");
        chip->setWord(0x0FFF, 0x0FF9);
        chip->setWord(0, 0x0C00);
        chip->setWord(1, 0x0006);
        chip->setWord(0x1FF, 0x0A00);
        chip->setWord(0x200, 0x0001);
        ChipDriver d {*chip};
        d.enterParallel();
        QCOMPARE(int(d.parallelRead(false)), 0x0FF9);
        QCOMPARE(int(d.parallelRead(true)), 0x0FF9);
        QCOMPARE(int(d.parallelRead(true)), 0x0C00);
        QCOMPARE(int(d.parallelRead(false)), 0x0006);
        QCOMPARE(int(d.parallelRead(true)), 0x0006);
        d.parallelIncrement();
        QCOMPARE(int(*chip->counter()), 3);
        for (int i = 3; i < 0x1FF; ++i)
            d.parallelIncrement();
        QCOMPARE(int(d.parallelRead()), 0x0A00);
        QCOMPARE(int(d.parallelRead()), 0x0001); // the first ID word
        // Other control patterns do not step the counter.
        chip->setLines(0x3F, 0xF9);
        chip->setLines(0x3F, 0xFD);
        chip->setLines(0x3F, 0xE9);
        chip->setLines(0x3F, 0xF9);
        QCOMPARE(int(*chip->counter()), 0x201);
        // Serial commands mean nothing in parallel mode.
        d.increment(5);
        QCOMPARE(int(*chip->counter()), 0x201);
        QCOMPARE(int(d.read()), 0x0000);
    }

    // ---- writing --------------------------------------------------------------------

    // Begin Erase/Programming on a word that already holds a value: the chips
    // that erase first take the new word, the others can only clear bits.
    void flashWrite_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("erases");
        QTest::newRow("16F84/A") << "16F84/A" << true;
        QTest::newRow("16F628") << "16F628" << true;
        QTest::newRow("16F628A") << "16F628A" << false;
        QTest::newRow("16F877") << "16F877" << true;
        QTest::newRow("16F877A") << "16F877A" << true;
        QTest::newRow("16F72") << "16F72" << false;
        QTest::newRow("16F716") << "16F716" << false;
        QTest::newRow("16F818") << "16F818" << true;
        QTest::newRow("12F629") << "12F629" << false;
    }
    void flashWrite()
    {
        QFETCH(QString, name);
        QFETCH(bool, erases);
        auto chip = chipNamed(name, test::uncalibrated());
        chip->setWord(5, 0x0F0F);
        ChipDriver d {*chip};
        d.enterSerial();
        d.increment(4);
        d.programWord(0x1234);
        QCOMPARE(int(d.readAndIncrement()), 0x1234);
        d.programWord(0x3333);
        QCOMPARE(int(d.read()), erases ? 0x3333 : 0x0303);
        QCOMPARE(int(chip->word(4)), 0x1234);
        // ID words and the configuration word the way the application writes them.
        d.loadConfiguration();
        d.programWord(0x0001);
        d.increment();
        d.programWord(0x000A);
        d.enterSerial();
        d.toConfigWord();
        d.programWord(0x3FF1);
        QCOMPARE(int(chip->id(0)), 0x0001);
        QCOMPARE(int(chip->id(1)), 0x000A);
        QCOMPARE(int(chip->id(2)), 0x3FFF);
        QCOMPARE(int(chip->config()), 0x3FF1);
    }

    // Only a load command's data is loaded; the latch is used once.
    void latchRules()
    {
        auto chip = chipNamed("16F84/A");
        ChipDriver d {*chip};
        d.enterSerial();
        d.data(0x0000); // no load command before it
        d.command(0x08);
        QCOMPARE(int(chip->word(0)), 0x3FFF);
        d.command(0x02);
        d.increment(); // a command between load and data
        d.data(0x0000);
        d.command(0x08);
        QCOMPARE(int(chip->word(1)), 0x3FFF);
        d.programWord(0x1111);
        QCOMPARE(int(chip->word(1)), 0x1111);
        d.increment();
        d.command(0x08); // nothing loaded since the last write
        QCOMPARE(int(chip->word(2)), 0x3FFF);
        // A new entry forgets a loaded latch.
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
                d.data(std::uint16_t(0x1000 + row * 8 + i));
                if (i < 7)
                    d.increment();
            }
            // Nothing is written before the cycle begins.
            QCOMPARE(int(chip->word(std::uint16_t(row * 8))), row == 0 ? 0x3FFF : 0x3F0F);
            d.command(0x18);
            d.command(0x17);
            d.increment();
        }
        for (std::uint16_t a = 0; a < 8; ++a)
            QCOMPARE(int(chip->word(a)), 0x1000 + a);
        // Programming only: the old bits stay cleared.
        for (std::uint16_t a = 8; a < 16; ++a)
            QCOMPARE(int(chip->word(a)), (0x1000 + a) & 0x3F0F);
        QCOMPARE(int(chip->word(16)), 0x3FFF);

        // A row with only some latches loaded writes only those.
        d.enterSerial();
        d.increment(0x20);
        d.command(0x02);
        d.data(0x0AAA);
        d.increment(3);
        d.command(0x02);
        d.data(0x0BBB);
        d.command(0x08);
        QCOMPARE(int(chip->word(0x20)), 0x0AAA);
        QCOMPARE(int(chip->word(0x21)), 0x3FFF);
        QCOMPARE(int(chip->word(0x23)), 0x0BBB);
        // Begin Erase/Programming erases the loaded word first.
        d.command(0x02);
        d.data(0x1555);
        d.command(0x08);
        QCOMPARE(int(chip->word(0x23)), 0x1555);
    }

    // The IDs programmed as one row, then in a later entry the configuration
    // word alone: the IDs stay.
    void rowLatchesKeepIds()
    {
        auto chip = chipNamed("16F877A");
        ChipDriver d {*chip};
        d.enterSerial();
        d.loadConfiguration();
        const std::array<std::uint16_t, 4> ids {8, 7, 7, 0xA};
        for (std::uint16_t id : ids) {
            d.command(0x02);
            d.data(id);
            d.increment();
        }
        d.command(0x08);
        chip->reset();
        d.enterSerial();
        d.toConfigWord();
        d.command(0x02);
        d.data(0x3F72);
        d.command(0x08);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(int(chip->id(i)), int(ids[std::size_t(i)]));
        QCOMPARE(int(chip->config()), 0x3F72);
    }

    // EPROM: a pulse can only clear bits.
    void epromPulses_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("16C74A/B") << "16C74A/B";
        QTest::newRow("12C671") << "12C671";
        QTest::newRow("12C508/A") << "12C508/A";
        QTest::newRow("16C54") << "16C54";
    }
    void epromPulses()
    {
        QFETCH(QString, name);
        auto chip = chipNamed(name, test::uncalibrated());
        const auto group = chip->info().group;
        const bool parallel = group == ChipGroup::Parallel16C5x;
        const bool twelve = isTwelveBit(group);
        ChipDriver d {*chip};
        const auto pulse = [&](std::uint16_t word) { d.programStep(group, word); };
        const auto read = [&] { return parallel ? d.parallelRead(false) : d.read(); };
        if (parallel)
            d.enterParallel();
        else
            d.enterSerial();
        if (twelve) {
            if (parallel)
                d.parallelIncrement();
            else
                d.increment();
        }
        pulse(0x0A5A);
        QCOMPARE(int(read()), 0x0A5A);
        pulse(0x0FFF); // setting bits is impossible
        QCOMPARE(int(read()), 0x0A5A);
        pulse(0x0858);
        QCOMPARE(int(read()), 0x0858);
        QCOMPARE(int(chip->word(0)), 0x0858);
        QCOMPARE(chip->erasesDone(), 0u);
    }

    // The 12-bit serial pulse runs from Begin to End.
    void eprom12NeedsEnd()
    {
        auto chip = chipNamed("12C509/A");
        ChipDriver d {*chip};
        d.enterSerial();
        d.increment();
        d.command(0x02);
        d.data(0x0123);
        d.command(0x08);
        QCOMPARE(int(chip->word(0)), 0x0FFF);
        d.command(0x0E);
        QCOMPARE(int(chip->word(0)), 0x0123);
        // Words wider than 12 bits are cut to 12.
        d.increment();
        d.eprom12Pulse(0x3FF0);
        QCOMPARE(int(d.read()), 0x0FF0);
    }

    // A word that takes its value only on the k-th pulse.
    void slowWord_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("pulses");
        QTest::newRow("12C508/A one") << "12C508/A" << 1;
        QTest::newRow("12C508/A three") << "12C508/A" << 3;
        QTest::newRow("16C74 four") << "16C74" << 4;
        QTest::newRow("16C54 two") << "16C54" << 2;
    }
    void slowWord()
    {
        QFETCH(QString, name);
        QFETCH(int, pulses);
        ChipOptions options;
        options.slowWord = 0x0002;
        options.slowWordPulses = unsigned(pulses);
        auto chip = chipNamed(name, options);
        const auto group = chip->info().group;
        ChipDriver d {*chip};
        const auto pulse = [&](std::uint16_t word) { d.programStep(group, word); };
        if (group == ChipGroup::Parallel16C5x) {
            d.enterParallel();
            for (int i = 0; i < 3; ++i)
                d.parallelIncrement();
        } else {
            d.enterSerial();
            d.increment(isTwelveBit(group) ? 3 : 2);
        }
        for (int i = 1; i < pulses; ++i) {
            pulse(0x0123);
            QCOMPARE(int(chip->word(2)), int(chip->blankWord()));
        }
        pulse(0x0123);
        QCOMPARE(int(chip->word(2)), 0x0123);
    }

    // ---- erasing --------------------------------------------------------------------

    // Exactly the application's sequences erase; anything else erases nothing.
    void erase_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("sequence");
        QTest::addColumn<bool>("program"); // program memory, IDs, configuration erased
        QTest::addColumn<bool>("data");
        for (const char *name :
            {"16F84/A", "16F628", "16F877", "16F72", "16F716", "16F819", "12F675"}) {
            QTest::addRow("%s A", name) << name << "A" << true << true;
            QTest::addRow("%s B", name) << name << "B" << false << false;
            QTest::addRow("%s C", name) << name << "C" << false << false;
        }
        QTest::newRow("16F628A B") << "16F628A"
                                   << "B" << true << true;
        QTest::newRow("16F628A A") << "16F628A"
                                   << "A" << false << false;
        QTest::newRow("16F628A C") << "16F628A"
                                   << "C" << false << false;
        QTest::newRow("16F628A 9 only") << "16F628A"
                                        << "9" << true << false;
        QTest::newRow("16F628A 0B only") << "16F628A"
                                         << "0B" << false << true;
        QTest::newRow("16F628A B in user space") << "16F628A"
                                                 << "B user" << false << false;
        QTest::newRow("16F877A C") << "16F877A"
                                   << "C" << true << true;
        QTest::newRow("16F877A A") << "16F877A"
                                   << "A" << false << false;
        QTest::newRow("16F877A B") << "16F877A"
                                   << "B" << false << false;
        QTest::newRow("16F84/A A at 0x2006") << "16F84/A"
                                             << "A 2006" << false << false;
        QTest::newRow("16F84/A A cut short") << "16F84/A"
                                             << "1 7 8" << false << false;
        QTest::newRow("16F84/A A interrupted") << "16F84/A"
                                               << "A read" << false << false;
        QTest::newRow("16F84/A A restarted") << "16F84/A"
                                             << "1 7 A" << true << true;
        QTest::newRow("16F84/A A in a new entry") << "16F84/A"
                                                  << "A entry" << false << false;
        QTest::newRow("16C74 A") << "16C74"
                                 << "A" << false << false;
        QTest::newRow("16C74 C") << "16C74"
                                 << "C" << false << false;
    }
    void erase()
    {
        QFETCH(QString, name);
        QFETCH(QString, sequence);
        QFETCH(bool, program);
        QFETCH(bool, data);
        auto chip = chipNamed(name, test::uncalibrated());
        chip->setWord(0, 0x2805);
        chip->setWord(std::uint16_t(chip->info().programWords - 1), 0x0123);
        chip->setWord(0x2000, 0x0001);
        chip->setWord(0x2007, 0x3F00);
        chip->setEeprom(0, 0x12);
        const bool hasData = chip->info().eepromBytes != 0;
        ChipDriver d {*chip};
        d.enterSerial();
        const auto setup = [&] {
            d.command(0x01);
            d.command(0x07);
        };
        if (sequence == "A") {
            d.eraseA();
        } else if (sequence == "B") {
            d.eraseB();
        } else if (sequence == "C") {
            d.eraseC();
        } else if (sequence == "9") {
            d.toConfigWord();
            d.command(0x09);
        } else if (sequence == "0B") {
            d.toConfigWord();
            d.command(0x0B);
        } else if (sequence == "B user") {
            d.increment(7);
            d.command(0x09);
            d.command(0x0B);
        } else if (sequence == "A 2006") {
            d.loadConfiguration();
            d.increment(6);
            setup();
            d.command(0x08);
            setup();
        } else if (sequence == "1 7 8") {
            d.toConfigWord();
            setup();
            d.command(0x08);
        } else if (sequence == "A read") {
            d.toConfigWord();
            setup();
            d.command(0x08);
            d.read();
            setup();
        } else if (sequence == "1 7 A") {
            d.toConfigWord();
            setup();
            setup();
            d.command(0x08);
            setup();
        } else if (sequence == "A entry") {
            d.toConfigWord();
            setup();
            d.command(0x08);
            d.enterSerial();
            d.toConfigWord();
            setup();
        }
        const std::uint16_t blank = chip->blankWord();
        QCOMPARE(chip->word(0) == blank, program);
        QCOMPARE(chip->word(std::uint16_t(chip->info().programWords - 1)) == blank, program);
        QCOMPARE(chip->id(0) == blank, program);
        QCOMPARE(chip->config() == blank, program);
        if (hasData)
            QCOMPARE(chip->eeprom(0) == 0xFF, data);
        QCOMPARE(chip->erasesDone() > 0, program || (data && hasData));
    }

    // The 12F629/675's bulk erase takes the factory calibration word and
    // band-gap bits with it, as their data sheets warn.
    void calibration()
    {
        auto f629 = chipNamed("12F629");
        QCOMPARE(int(f629->word(0x3FF)), 0x3480);
        QCOMPARE(int(f629->config()), 0x2FFF);
        ChipDriver d {*f629};
        d.enterSerial();
        d.eraseA();
        QCOMPARE(int(f629->word(0x3FF)), 0x3FFF);
        QCOMPARE(int(f629->config()), 0x3FFF);
        QCOMPARE(int(f629->word(0x2006)), 0x0F80); // the device ID stays

        ChipOptions calibrated;
        calibrated.calibration = 0x70;
        auto c508 = chipNamed("12C508/A", calibrated);
        QCOMPARE(int(c508->word(0x1FF)), 0x0C70);
        QCOMPARE(int(chipNamed("12C519")->word(0x3FF)), 0x0C80);
        QCOMPARE(int(chipNamed("12CE674")->word(0x7FF)), 0x3480);
        QCOMPARE(int(chipNamed("12C508/A", test::uncalibrated())->word(0x1FF)), 0x0FFF);
        QCOMPARE(int(chipNamed("12F675", test::uncalibrated())->config()), 0x3FFF);
    }

    // ---- data EEPROM ------------------------------------------------------------------

    void dataEeprom_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("16F84/A") << "16F84/A";
        QTest::newRow("16F628A") << "16F628A";
        QTest::newRow("16F877") << "16F877";
        QTest::newRow("16F877A") << "16F877A";
        QTest::newRow("12F629") << "12F629";
        QTest::newRow("16F819") << "16F819";
    }
    void dataEeprom()
    {
        QFETCH(QString, name);
        auto chip = chipNamed(name);
        const int size = chip->info().eepromBytes;
        ChipDriver d {*chip};
        d.enterSerial();
        for (int i = 0; i < size; ++i) {
            d.programWord(std::uint16_t(0x1200 | i), 0x03);
            QCOMPARE(int(d.read(0x05)), i); // 8 bits, the upper ones read 0
            d.increment();
        }
        for (int i = 0; i < size; ++i)
            QCOMPARE(int(chip->eeprom(std::size_t(i))), i);
        QCOMPARE(int(chip->word(0)), 0x3FFF); // program memory untouched
        // The byte index is the counter modulo the size; writes erase first.
        d.programWord(0x00AA, 0x03);
        QCOMPARE(int(chip->eeprom(0)), 0xAA);
        d.increment(size + 1);
        QCOMPARE(int(d.read(0x05)), 1);
    }

    void noDataEeprom()
    {
        ChipOptions options;
        options.floatingLevel = 0x3FFF;
        auto chip = chipNamed("16F72", options);
        ChipDriver d {*chip};
        d.enterSerial();
        d.programWord(0x0055, 0x03);
        QCOMPARE(int(d.read(0x05)), 0x3FFF);
        QCOMPARE(int(chip->word(0)), 0x3FFF);
    }

    // ---- faults and options ---------------------------------------------------------

    void codeProtection_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("config");
        QTest::addColumn<int>("transform"); // -1: the chip's own
        QTest::addColumn<int>("word");
        QTest::addColumn<int>("reads");
        QTest::newRow("16F84/A off") << "16F84/A" << 0x3FFF << -1 << 0x2805 << 0x2805;
        QTest::newRow("16F84/A on") << "16F84/A" << 0x3FEF << -1 << 0x2805 << 0x0000;
        QTest::newRow("16F877 on") << "16F877" << 0x3FCF << -1 << 0x2805 << 0x0000;
        QTest::newRow("16F877 partly") << "16F877" << 0x3FDF << -1 << 0x2805 << 0x0000;
        QTest::newRow("16F628A on") << "16F628A" << 0x1FFF << -1 << 0x2805 << 0x0000;
        QTest::newRow("12F675 on") << "12F675" << 0x3F7F << -1 << 0x2805 << 0x0000;
        QTest::newRow("16C54 on") << "16C54" << 0x0FF7 << -1 << 0x0A53 << 0x000C;
        QTest::newRow("12C508/A on") << "12C508/A" << 0x0FE2 << -1 << 0x0C70 << 0x000B;
        QTest::newRow("16C74 on") << "16C74" << 0x3FEF << -1 << 0x2805 << 0x000D;
        QTest::newRow("16C74 on, zeros")
            << "16C74" << 0x3FEF << int(ProtectedRead::Zeros) << 0x2805 << 0x0000;
        QTest::newRow("16F84/A on, xor")
            << "16F84/A" << 0x3FEF << int(ProtectedRead::NibbleXor) << 0x0A53 << 0x000C;
        QTest::newRow("16C54 off") << "16C54" << 0x0FFF << -1 << 0x0A53 << 0x0A53;
    }
    void codeProtection()
    {
        QFETCH(QString, name);
        QFETCH(int, config);
        QFETCH(int, transform);
        QFETCH(int, word);
        QFETCH(int, reads);
        ChipOptions options;
        options.factoryCalibration = false;
        if (transform >= 0)
            options.protectedRead = ProtectedRead(transform);
        auto chip = chipNamed(name, options);
        chip->setWord(chip->configAddress(), std::uint16_t(config));
        chip->setWord(0, std::uint16_t(word));
        chip->setWord(chip->idAddress(0), 0x0005);
        ChipDriver d {*chip};
        if (chip->info().group == ChipGroup::Parallel16C5x) {
            d.enterParallel();
            QCOMPARE(int(d.parallelRead()), config); // the configuration word stays readable
            QCOMPARE(int(d.parallelRead()), reads);
        } else if (isTwelveBit(chip->info().group)) {
            d.enterSerial();
            QCOMPARE(int(d.readAndIncrement()), config);
            QCOMPARE(int(d.read()), reads);
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

    void stuckWord_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("address");
        QTest::newRow("16F84/A program") << "16F84/A" << 0x0123;
        QTest::newRow("16F84/A config") << "16F84/A" << 0x2007;
        QTest::newRow("16F877A program") << "16F877A" << 0x0005;
        QTest::newRow("12C508/A program") << "12C508/A" << 0x0002;
        QTest::newRow("16C54 program") << "16C54" << 0x0002;
    }
    void stuckWord()
    {
        QFETCH(QString, name);
        QFETCH(int, address);
        ChipOptions options;
        options.stuckWord = std::uint16_t(address);
        auto chip = chipNamed(name, options);
        const auto group = chip->info().group;
        ChipDriver d {*chip};
        const auto goTo = [&](std::uint16_t a) {
            if (group == ChipGroup::Parallel16C5x) {
                d.enterParallel();
                for (int i = 0; i <= a; ++i)
                    d.parallelIncrement();
            } else if (a >= 0x2000) {
                d.enterSerial();
                d.loadConfiguration();
                d.increment(a - 0x2000);
            } else {
                d.enterSerial();
                d.increment(isTwelveBit(group) ? a + 1 : a);
            }
        };
        const auto program = [&](std::uint16_t word) { d.programStep(group, word); };
        goTo(std::uint16_t(address));
        program(0x0000);
        QCOMPARE(int(chip->word(std::uint16_t(address))), int(chip->blankWord()));
        goTo(std::uint16_t(address + 1));
        if (address + 1 != 0x2008) {
            program(0x0000);
            QCOMPARE(int(chip->word(std::uint16_t(address + 1))), 0x0000);
        }
        // Set by hand to a value, it keeps that value through an erase.
        chip->setWord(std::uint16_t(address), 0x0000);
        d.enterSerial();
        d.eraseA();
        d.enterSerial();
        d.eraseC();
        QCOMPARE(int(chip->word(std::uint16_t(address))), 0x0000);
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

    // The 12-bit serial parts: no Load Configuration, 12-bit reads.
    void twelveBitSerial()
    {
        auto chip = chipNamed("12C508/A");
        ChipDriver d {*chip};
        d.enterSerial();
        QCOMPARE(int(d.read()), 0x0FFF);
        // With no Load Configuration, command 0 loads nothing and the data
        // word after it is ignored: Begin ... End programs nothing.
        d.command(0x00);
        d.data(0x0000);
        d.command(0x08);
        d.command(0x0E);
        QCOMPARE(int(chip->config()), 0x0FFF);
        // The configuration word is programmed where the counter starts.
        d.eprom12Pulse(0x0FEA);
        QCOMPARE(int(d.read()), 0x0FEA);
        QCOMPARE(int(chip->config()), 0x0FEA);
        QCOMPARE(int(chip->word(0)), 0x0FFF);
    }
};

int runChipTests(int argc, char **argv)
{
    ChipTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "ChipTests.moc"
