// Microchip's layout: the assemblers' files mapped into the buffer and the
// configuration word, the files that are not taken for it, and the way back.
#include "buffer/BufferFiles.h"
#include "buffer/MicrochipLayout.h"
#include "buffer/TestFiles.h"

#include <QTest>

#include <filesystem>
#include <random>

using namespace ravelin;
using namespace ravelin::test;

namespace {

constexpr ChipLayout F84 {false, 0x400, 64}, F628 {false, 0x800, 128}, F877 {false, 0x2000, 256},
    C508 {true, 0x200, 0}, F675 {false, 0x400, 128}, F627 {false, 0x400, 128},
    F84List {false, 0x400, 0}; // the 16F84/A row of the device list: no data EEPROM

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

// Every Intel HEX file of a folder is in the layout its words say.
constexpr std::tuple<const char *, Layout> FolderRows[] {
    {"native", Layout::Native},
    {"valid", Layout::Microchip},
    {"malformed", Layout::Microchip},
};

// The same files cut into other records, as srec_cat cuts them: the layout
// stays what the words say. Record length, file, chip, layout.
constexpr std::tuple<const char *, int, const char *, ChipLayout, Layout> ReblockRows[] {
    {"Microchip's in 16-byte records", 16, "valid/f84a_blink.inhx8m.hex", F84, Layout::Microchip},
    {"Microchip's 12-bit in 16-byte records", 16, "valid/c508a_osccal.inhx8m.hex", C508,
        Layout::Microchip},
    {"own in 32-byte records", 32, "native/f628a_eeprom.native.hex", F628, Layout::Native},
};

// What refuses a file on a device: one line per range, as the console prints
// them. Name, file, layout it is read in, chip, caption, data EEPROM wanted, lines.
constexpr std::tuple<const char *, const char *, Layout, ChipLayout, const char *, bool,
    const char *>
    PlacementRows[] {
        {"16F628A program, 16F627A", "valid/f628a_eeprom.inhx8m.hex", Layout::Microchip, F627,
            "16F627A", true, "program word 07FF is beyond the 16F627A (0000-03FF)"},
        {"DE bytes, no data EEPROM", "valid/f84a_blink.inhx8m.hex", Layout::Microchip, F84List,
            "16F84/A", true,
            "9 data EEPROM bytes: the 16F84/A has none here: give --no-eeprom to program "
            "without them"},
        {"DE bytes left off", "valid/f84a_blink.inhx8m.hex", Layout::Microchip, F84List, "16F84/A",
            false, ""},
        {"16F877A program, 16F84A", "valid/f877a_bigtable.inhx8m.hex", Layout::Microchip, F84,
            "16F84A", true,
            "program words 0400-1EFF are beyond the 16F84A (0000-03FF)\n"
            "program words 1FF8-1FFF are beyond the 16F84A (0000-03FF)\n"
            "data EEPROM bytes 0040-00FF are beyond the 16F84A (0000-003F)"},
        {"14-bit program, 12C508A", "valid/f84a_blink.inhx8m.hex", Layout::Microchip, C508,
            "12C508/A", true,
            "words 2000-2003 have no place on the 12C508/A\n"
            "word 2007 has no place on the 12C508/A\n"
            "9 words from 0000 to 0013 are wider than the 12 bits of the 12C508/A\n"
            "9 data EEPROM bytes: the 12C508/A has none here: give --no-eeprom to program "
            "without them"},
        {"FFFF fill", "valid/f84a_blink.srec_fillFF.hex", Layout::Microchip, F84, "16F84A", true,
            ""},
        {"own file, no data EEPROM", "native/f84a_blink.native.hex", Layout::Native, F84List,
            "16F84/A", true,
            // its bytes 00 and FF are what every own file holds where nothing was
            "5 data EEPROM bytes: the 16F84/A has none here: give --no-eeprom to program "
            "without them"},
        {"own 16F628A file, 16F627A", "native/f628a_eeprom.native.hex", Layout::Native, F627,
            "16F627A", true, "program word 07FF is beyond the 16F627A (0000-03FF)"},
        {"own file, its own chip", "native/f877a_bigtable.native.hex", Layout::Native, F877,
            "16F877A", true, ""},
        {"past the buffer", "malformed/addr_6000.hex", Layout::Microchip, F84, "16F84A", true,
            "8 words beyond the buffer (3000 and up) have no place on the 16F84A"},
    };

HexImage parsed(const std::string &relative)
{
    const HexParse parse = parseIntelHex(readText(dataPath("hex/" + relative)));
    if (parse.error)
        qFatal("%s: %s", relative.c_str(), parse.error->what.c_str());
    return parse.image;
}

// The given bytes again, in records of the length given at multiples of it; a
// byte the file leaves out reads FF inside a record.
std::string reblock(const HexImage &image, std::size_t recordBytes)
{
    std::string text;
    for (std::size_t first = 0; first < HexImage::Bytes; first += recordBytes) {
        bool any = false;
        for (std::size_t k = first; k < first + recordBytes; ++k)
            any = any || image.given[k];
        if (!any)
            continue;
        unsigned sum = unsigned(recordBytes + (first >> 8) + (first & 0xFF));
        text += QString::asprintf(":%02X%04X00", unsigned(recordBytes), unsigned(first))
                    .toStdString();
        for (std::size_t k = first; k < first + recordBytes; ++k) {
            const unsigned byte = image.given[k] ? image.bytes[k] : 0xFF;
            text += QString::asprintf("%02X", byte).toStdString();
            sum += byte;
        }
        text += QString::asprintf("%02X\n", (0x100 - (sum & 0xFF)) & 0xFF).toStdString();
    }
    return text + ":00000001FF\n";
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

    void recognised_data() { tableRows(FolderRows); }
    void recognised()
    {
        const auto &[folder, layout] = currentRow(FolderRows);
        int files = 0;
        for (const auto &entry : std::filesystem::directory_iterator(dataPath("hex/") + folder)) {
            const HexParse parse = parseIntelHex(readText(entry.path().string()));
            if (entry.path().extension() != ".hex" || parse.error)
                continue; // the binaries, and the files the reader refuses
            ++files;
            QVERIFY2(recogniseLayout(parse.image) == layout, entry.path().c_str());
        }
        QVERIFY(files >= 8);
    }

    // The window asks, and Yes puts the IDs, the configuration word and the
    // data EEPROM where they belong, whatever the records.
    void reblocked_data() { tableRows(ReblockRows); }
    void reblocked()
    {
        const auto &[name, recordBytes, file, chip, layout] = currentRow(ReblockRows);
        const HexImage original = parsed(file);
        const HexImage image = parseIntelHex(reblock(original, std::size_t(recordBytes))).image;
        QVERIFY(recogniseLayout(image) == layout);
        QCOMPARE(usesMicrochipLayout(image, chip), layout == Layout::Microchip);
        if (layout == Layout::Microchip) {
            const ChipContents expected = readMicrochipImage(original, chip);
            const ChipContents got = readMicrochipImage(image, chip);
            QVERIFY(got.config && got.config == expected.config);
            QVERIFY(got.ids == expected.ids);
            for (std::size_t n = 0; n < expected.eeprom.size(); ++n)
                QVERIFY(!expected.eeprom[n] || got.eeprom[n] == expected.eeprom[n]);
            for (std::size_t i = 0; i < expected.program.size(); ++i)
                QVERIFY(!expected.program[i] || got.program[i] == expected.program[i]);
        }
    }

    void placement_data() { tableRows(PlacementRows); }
    void placement()
    {
        const auto &[name, file, layout, chip, device, eeprom, lines] = currentRow(PlacementRows);
        std::string got;
        for (const std::string &line :
            placementFaults(parsed(file), layout, {chip, device, eeprom}))
            got += (got.empty() ? "" : "\n") + line;
        QCOMPARE(QString::fromStdString(got), QString(lines));
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
