// Microchip's layout: the assemblers' files mapped into the buffer and the
// configuration word, the files that are not taken for it, and the way back.
#include "buffer/BufferFiles.h"
#include "buffer/MicrochipLayout.h"
#include "buffer/TestFiles.h"

#include <QTest>

#include <random>

using namespace ravelin;
using namespace ravelin::test;

namespace {

constexpr ChipLayout F84 {false, 0x400, 64}, F628 {false, 0x800, 128}, F877 {false, 0x2000, 256},
    C508 {true, 0x200, 0}, F675 {false, 0x400, 128};

using Spots = std::array<std::pair<std::size_t, std::uint16_t>, 4>;

// Where each file's words land in the buffer. Files with a native twin (the
// same program put into this program's layout by another tool) must match it
// word for word; the others are checked at the spots given.
constexpr std::tuple<const char *, const char *, ChipLayout, std::uint16_t, Spots> FileRows[] {
    {"f84a_blink.inhx8m.hex", "f84a_blink", F84, 0x3FF1, {}},
    {"f84a_blink.inhx32.hex", "f84a_blink", F84, 0x3FF1, {}},
    {"f84a_blink.inhx8m.crlf.hex", "f84a_blink", F84, 0x3FF1, {}},
    {"f84a_blink.srec_fillFF.hex", nullptr, F84, 0x3FF1,
        {{{0x0000, 0x2805}, {0x0002, 0x3FFF}, {0x2100, 0x0001}, {0x2008, 0x0001}}}},
    {"f628a_eeprom.inhx8m.hex", "f628a_eeprom", F628, 0x3F70, {}},
    {"f628a_eeprom.inhx32.hex", "f628a_eeprom", F628, 0x3F70, {}},
    {"f877a_bigtable.inhx8m.hex", "f877a_bigtable", F877, 0x3F72, {}},
    {"f877a_bigtable.inhx32.hex", "f877a_bigtable", F877, 0x3F72, {}},
    {"f877a_bigtable.inhx32.crlf.hex", "f877a_bigtable", F877, 0x3F72, {}},
    {"c508a_osccal.inhx8m.hex", "c508a_osccal", C508, 0x0FEA, {}},
    {"c508a_osccal.inhx32.hex", "c508a_osccal", C508, 0x0FEA, {}},
    {"c508a_osccal.srec_obs64_crlf.hex", "c508a_osccal", C508, 0x0FEA, {}},
    {"c54_counter.inhx8m.hex", nullptr, C508, 0x0FF9,
        {{{0x0000, 0x0C00}, {0x0100, 0x01E2}, {0x2101, 0x000C}, {0x2103, 0x0004}}}},
    {"c54_counter.inhx32.hex", nullptr, C508, 0x0FF9,
        {{{0x0000, 0x0C00}, {0x0100, 0x01E2}, {0x2101, 0x000C}, {0x2103, 0x0004}}}},
    {"f675_eeprom.inhx8m.hex", nullptr, F675, 0x3FC4,
        {{{0x0000, 0x2805}, {0x2000, 0x0012}, {0x207F, 0x00A5}, {0x2103, 0x0005}}}},
    {"f876a_eeprom.inhx8m.hex", nullptr, F877, 0x3F72,
        {{{0x1FF1, 0x343C}, {0x2000, 0x0038}, {0x20FF, 0x0099}, {0x2103, 0x000A}}}},
};

// Files that must load as they always did: this program's own, and those
// that carry nothing where only Microchip's layout puts something.
constexpr std::tuple<const char *, ChipLayout> OwnRows[] {
    {"native/f84a_blink.native.hex", F84},
    {"native/f628a_eeprom.native.crlf.hex", F628},
    {"native/f877a_bigtable.native.hex", F877},
    {"native/c508a_osccal.native.hex", C508},
    {"malformed/base_valid.hex", F84},
    {"malformed/only_eof.hex", F628},
    // A 16F84A program on a 12-bit chip: its IDs and fuses lie beyond that chip.
    {"valid/f84a_blink.inhx8m.hex", C508},
};

// Words with no place on the chip are counted, never stored.
constexpr std::tuple<const char *, const char *, ChipLayout, std::size_t> OutsideRows[] {
    {"16F877A file, 16F84A", "valid/f877a_bigtable.inhx8m.hex", F84, (0x1F00 - 0x0400) + 8 + 192},
    {"16F84A file, 12C508A", "valid/f84a_blink.inhx8m.hex", C508, 4 + 1 + 9},
    {"past the buffer", "malformed/addr_6000.hex", F84, 8},
};

HexImage parsed(const std::string &relative)
{
    const HexParse parse = parseIntelHex(readText(dataPath("hex/" + relative)));
    if (parse.error)
        qFatal("%s: %s", relative.c_str(), parse.error->what.c_str());
    return parse.image;
}

} // namespace

class MicrochipLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void assemblerFiles_data() { tableRows(FileRows); }
    void assemblerFiles()
    {
        const auto &[file, native, layout, config, spots] = currentRow(FileRows);
        const HexImage image = parsed(std::string("valid/") + file);
        QVERIFY(usesMicrochipLayout(image, layout));
        const ChipContents contents = readMicrochipImage(image, layout);
        QCOMPARE(contents.wordsWithoutPlace, std::size_t {0});
        QVERIFY(contents.hasIds());
        QCOMPARE(contents.hasEeprom(), layout.eepromBytes > 0);
        BufferWords buffer {};
        std::uint16_t configWord = 0;
        applyContents(contents, buffer, configWord);
        QCOMPARE(configWord, config);
        if (native != nullptr) {
            BufferWords expected {};
            applyBinaryImage(
                readBytes(dataPath("hex/native/" + std::string(native) + ".native.bin")), expected);
            QVERIFY(buffer == expected);
        }
        for (const auto &[word, value] : spots) {
            if (word != 0 || value != 0)
                QCOMPARE(buffer[word], value);
        }
    }

    void ownFiles_data() { tableRows(OwnRows); }
    void ownFiles()
    {
        const auto &[file, layout] = currentRow(OwnRows);
        QVERIFY(!usesMicrochipLayout(parsed(file), layout));
    }

    void outside_data() { tableRows(OutsideRows); }
    void outside()
    {
        const auto &[name, file, layout, count] = currentRow(OutsideRows);
        QCOMPARE(readMicrochipImage(parsed(file), layout).wordsWithoutPlace, count);
    }

    // Out of the buffer and back in through the file: every word at its place.
    void roundTrip()
    {
        for (const ChipLayout &layout : {F877, C508}) {
            std::mt19937 random(7);
            BufferWords source;
            for (std::uint16_t &word : source)
                word = static_cast<std::uint16_t>(random());
            const std::string text = formatMicrochipHex(contentsOfBuffer(source, 0xFFFF, layout));
            const HexParse parse = parseIntelHex(text);
            QVERIFY(!parse.error && usesMicrochipLayout(parse.image, layout));
            BufferWords copy {};
            std::uint16_t config = 0;
            applyContents(readMicrochipImage(parse.image, layout), copy, config);
            QCOMPARE(config, layout.wordMask());
            BufferWords expected {};
            for (std::size_t i = 0; i < layout.programWords; ++i)
                expected[i] = source[i] & layout.wordMask();
            for (std::size_t n = 0; n < layout.eepromBytes; ++n)
                expected[0x2000 + n] = source[0x2000 + n] & 0xFF;
            for (std::size_t k = 0x2100; k < 0x2104; ++k)
                expected[k] = source[k] & layout.wordMask();
            QVERIFY(copy == expected);
        }
    }

    void selected()
    {
        DeviceState device;
        QVERIFY(!selectedLayout(device));
        const auto shape = [&](Family family, std::uint16_t last, int eeSize) {
            device.FamilyCode = family;
            device.LastProgramAddress = last;
            device.eeSizeCode = eeSize;
            device.LastEEAddress = 0x207F;
            const ChipLayout layout = *selectedLayout(device);
            return std::tuple(layout.twelveBit, int(layout.programWords), int(layout.eepromBytes));
        };
        QCOMPARE(shape(Family::F12, 0x07FF, 2), std::tuple(false, 0x800, 128));
        QCOMPARE(shape(Family::F30, 0x01FF, 0), std::tuple(true, 0x200, 0));
        // A stale EEPROM end means nothing without EEPROM; a program memory
        // from a doctored settings file stops short of the ID words.
        QCOMPARE(shape(Family::F5, 0x03FF, 0), std::tuple(false, 0x400, 0));
        QCOMPARE(shape(Family::F22, 0xFFFF, 2), std::tuple(false, 0x2000, 128));
        QCOMPARE(shape(Family::F2, 0xFFFF, 0), std::tuple(true, 0xFFB, 0));
    }
};

QTEST_APPLESS_MAIN(MicrochipLayoutTest)
#include "test_microchip_layout.moc"
