// Chip images in Intel HEX: the assembler's files go into the socket, and a
// chip's contents come back out the same.
#include "ChipDriver.h"
#include "sim/ChipImage.h"
#include "sim/SimChip.h"

#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <iterator>

using namespace ravelin;
using namespace ravelin::sim;

namespace {

std::string dataFile(const QString &name)
{
    return std::string(RAVELIN_TEST_DATA) + "/hex/valid/" + name.toStdString();
}

std::string readText(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

using Words = QList<QPair<int, int>>;

// Fills every word and byte the chip keeps with a value of its own.
void fillChip(SimChip &chip)
{
    std::uint32_t seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<std::uint16_t>(seed >> 8);
    };
    for (std::uint32_t a = 0; a <= 0xFFFF; ++a) {
        // Reserved words and the device ID are no part of an image.
        const bool reserved = !isTwelveBit(chip.info().group) && a >= 0x2004 && a <= 0x2006;
        if (chip.hasWord(static_cast<std::uint16_t>(a)) && !reserved)
            chip.setWord(static_cast<std::uint16_t>(a), next());
    }
    for (std::size_t n = 0; n < chip.info().eepromBytes; ++n)
        chip.setEeprom(n, static_cast<std::uint8_t>(next()));
}

void compareChips(const SimChip &a, const SimChip &b)
{
    for (std::uint32_t address = 0; address <= 0xFFFF; ++address) {
        const auto w = static_cast<std::uint16_t>(address);
        if (a.word(w) != b.word(w))
            QFAIL(qPrintable(
                QString::asprintf("word %04X: %04X against %04X", address, a.word(w), b.word(w))));
    }
    for (std::size_t n = 0; n < a.info().eepromBytes; ++n)
        QCOMPARE(int(b.eeprom(n)), int(a.eeprom(n)));
}

} // namespace

class ImageTests : public QObject
{
    Q_OBJECT

private slots:
    // What lands where, for every file the assembler made.
    void gpasmFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("chip");
        QTest::addColumn<Words>("words");
        QTest::addColumn<Words>("eeprom");
        const Words f84 {{0x0000, 0x2805}, {0x0001, 0x3FFF}, {0x0004, 0x0009}, {0x0005, 0x1683},
            {0x2000, 0x0001}, {0x2001, 0x000A}, {0x2002, 0x0002}, {0x2003, 0x000B},
            {0x2007, 0x3FF1}};
        const Words f84ee {
            {0, 0x46}, {3, 0x41}, {4, 0x00}, {5, 0x55}, {6, 0xAA}, {7, 0xFF}, {8, 0x01}, {9, 0xFF}};
        for (const char *file : {"f84a_blink.inhx8m.hex", "f84a_blink.inhx32.hex",
                 "f84a_blink.inhx8m.crlf.hex", "f84a_blink.srec_fillFF.hex"})
            QTest::newRow(file) << file << "16F84/A" << f84 << f84ee;
        const Words f628 {{0x0000, 0x2805}, {0x0020, 0x281D}, {0x0021, 0x0008}, {0x07FF, 0x2805},
            {0x2000, 0x0000}, {0x2001, 0x0006}, {0x2002, 0x0002}, {0x2003, 0x0008},
            {0x2007, 0x3F70}};
        const Words f628ee {{0, 0x01}, {7, 0x80}, {8, 0x31}, {0x77, 0xFF}, {0x78, 0xDE},
            {0x7B, 0xEF}, {0x7F, 0xBE}};
        for (const char *file : {"f628a_eeprom.inhx8m.hex", "f628a_eeprom.inhx32.hex"})
            QTest::newRow(file) << file << "16F628A" << f628 << f628ee;
        const Words f877 {{0x0000, 0x018A}, {0x0001, 0x2805}, {0x1FF8, 0x018A}, {0x1FF9, 0x118A},
            {0x1FFE, 0x0000}, {0x1FFF, 0x2800}, {0x2000, 0x0008}, {0x2003, 0x000A},
            {0x2007, 0x3F72}};
        const Words f877ee {{0, 0x38}, {1, 0x37}, {0x10, 0xD7}, {0xFF, 0xFA}};
        for (const char *file : {"f877a_bigtable.inhx8m.hex", "f877a_bigtable.inhx32.hex",
                 "f877a_bigtable.inhx32.crlf.hex"})
            QTest::newRow(file) << file << "16F877A" << f877 << f877ee;
        // 12-bit: IDs after program memory, configuration word at 0xFFF, the
        // file's calibration word in place of the factory's.
        const Words c508 {{0x0000, 0x0025}, {0x0001, 0x0BF0}, {0x01F0, 0x0CFE}, {0x01FF, 0x0C70},
            {0x0200, 0x0005}, {0x0201, 0x0000}, {0x0202, 0x0008}, {0x0203, 0x000A},
            {0x0FFF, 0x0FEA}};
        for (const char *file : {"c508a_osccal.inhx8m.hex", "c508a_osccal.inhx32.hex",
                 "c508a_osccal.srec_obs64_crlf.hex"})
            QTest::newRow(file) << file << "12C508/A" << c508 << Words {};
        const Words c54 {{0x0000, 0x0C00}, {0x000C, 0x0800}, {0x0100, 0x01E2}, {0x010A, 0x086F},
            {0x01FF, 0x0A00}, {0x0200, 0x0000}, {0x0201, 0x000C}, {0x0203, 0x0004},
            {0x0FFF, 0x0FF9}};
        for (const char *file : {"c54_counter.inhx8m.hex", "c54_counter.inhx32.hex"})
            QTest::newRow(file) << file << "16C54" << c54 << Words {};
    }
    void gpasmFiles()
    {
        QFETCH(QString, file);
        QFETCH(QString, chip);
        QFETCH(Words, words);
        QFETCH(Words, eeprom);
        auto target = makeChip(chip.toStdString());
        const ImageLoad loaded = loadHexFile(*target, dataFile(file));
        QVERIFY2(loaded.ok, loaded.error.c_str());
        QCOMPARE(loaded.wordsIgnored, std::size_t {0});
        QVERIFY(loaded.wordsLoaded > 0);
        for (const auto &[address, value] : words)
            QCOMPARE(QString::number(target->word(std::uint16_t(address)), 16),
                QString::number(value, 16));
        for (const auto &[index, value] : eeprom)
            QCOMPARE(int(target->eeprom(std::size_t(index))), value);
    }

    // The same file in a chip too small for it: what has no place is counted.
    void wrongChip_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("chip");
        QTest::addColumn<int>("ignored");
        // 16F877A: program words 0x0400-0x1EFF and 0x1FF8-0x1FFF and 192 EEPROM
        // bytes lie past a 16F84/A; 14-bit IDs, configuration word and EEPROM
        // mean nothing to a 12-bit part.
        QTest::newRow("16F877A file, 16F84/A") << "f877a_bigtable.inhx8m.hex"
                                               << "16F84/A" << (0x1F00 - 0x0400) + 8 + 192;
        QTest::newRow("16F84A file, 12C508/A") << "f84a_blink.inhx8m.hex"
                                               << "12C508/A" << 4 + 1 + 9;
    }
    void wrongChip()
    {
        QFETCH(QString, file);
        QFETCH(QString, chip);
        QFETCH(int, ignored);
        auto target = makeChip(chip.toStdString());
        const ImageLoad loaded = loadHexFile(*target, dataFile(file));
        QVERIFY(loaded.ok);
        QCOMPARE(int(loaded.wordsIgnored), ignored);
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("chip");
        for (const char *chip :
            {"16F84/A", "16F877A", "16F648A", "12F675", "16C74", "12C509/A", "16C52", "16C57"})
            QTest::newRow(chip) << chip;
    }
    void roundTrip()
    {
        QFETCH(QString, chip);
        auto original = makeChip(chip.toStdString());
        fillChip(*original);
        QTemporaryDir dir;
        const std::string path = dir.filePath("chip.hex").toStdString();
        const ImageSave saved = saveHexFile(*original, path);
        QVERIFY2(saved.ok, saved.error.c_str());
        auto copy = makeChip(chip.toStdString(), test::uncalibrated());
        const ImageLoad loaded = loadHexFile(*copy, path);
        QVERIFY2(loaded.ok, loaded.error.c_str());
        QCOMPARE(loaded.wordsIgnored, std::size_t {0});
        compareChips(*original, *copy);
        // Saving again gives the same text.
        QCOMPARE(hexImage(*copy), readText(path));
    }

    // Where the configuration word and the EEPROM go in a saved image.
    void savedLayout()
    {
        auto f84 = makeChip("16F84/A");
        f84->setWord(0x2007, 0x3FF1);
        f84->setEeprom(0, 0x46);
        const std::string text = hexImage(*f84);
        QVERIFY(text.find(":02400E00F13F80\n") != std::string::npos);
        QVERIFY(text.find(":104200004600FF00") == text.find(":10420000"));
        QVERIFY(text.ends_with(":00000001FF\n"));
        auto c508 = makeChip("12C508/A");
        c508->setWord(0x0FFF, 0x0FEA);
        QVERIFY(hexImage(*c508).find(":021FFE00EA0FE8\n") != std::string::npos);
        QVERIFY(hexImage(*c508).find(":0804000") != std::string::npos); // IDs at word 0x200
    }

    // A malformed image changes nothing and says which line is wrong.
    void malformed_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        const auto row = [](const char *tag, const char *text, const char *error) {
            QTest::newRow(tag) << QString(text) << QString(error);
        };
        row("bad checksum", ":020000000528D1\n:02000200FFFF00\n:00000001FF\n", "line 2: ");
        row("not hex", ":020000000528DG\n:00000001FF\n", "line 1: ");
        row("count", ":030000000528D1\n:00000001FF\n", "line 1: ");
        row("cut short", ":0200\n:00000001FF\n", "line 1: ");
        row("no end", ":020000000528D1\n", "no end record");
        row("empty", "", "line 1: ");
    }
    void malformed()
    {
        QFETCH(QString, text);
        QFETCH(QString, error);
        auto chip = makeChip("16F84/A");
        const ImageLoad loaded = loadHexImage(*chip, text.toStdString());
        QVERIFY(!loaded.ok);
        QVERIFY2(QString::fromStdString(loaded.error).startsWith(error), loaded.error.c_str());
        QCOMPARE(int(chip->word(0)), 0x3FFF);
    }

    // Blank lines are no records; the end record ends the image.
    void tolerated()
    {
        auto chip = makeChip("16F84/A");
        const ImageLoad loaded = loadHexImage(
            *chip, "\r\n:020000000528D1\r\n  \r\n:00000001FF\r\n:02000A00AA3B0F\r\n");
        QVERIFY2(loaded.ok, loaded.error.c_str());
        QCOMPARE(int(chip->word(0)), 0x2805);
        QCOMPARE(int(chip->word(5)), 0x3FFF);
        // A lone byte keeps the other half of the word blank.
        QVERIFY(loadHexImage(*chip, ":01000200AA53\n:00000001FF\n").ok);
        QCOMPARE(int(chip->word(1)), 0x3FAA);
    }

    void fileErrors()
    {
        auto chip = makeChip("16F84/A");
        const ImageLoad loaded = loadHexFile(*chip, "/nonexistent/dir/chip.hex");
        QVERIFY(!loaded.ok);
        QVERIFY(loaded.error.find("/nonexistent/dir/chip.hex") != std::string::npos);
        const ImageSave saved = saveHexFile(*chip, "/nonexistent/dir/chip.hex");
        QVERIFY(!saved.ok);
        QVERIFY(!saved.error.empty());
    }
};

int runImageTests(int argc, char **argv)
{
    ImageTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "ImageTests.moc"
