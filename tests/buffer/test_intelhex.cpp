// The Intel HEX writer and reader, on buffers and on files made by other tools.
#include "buffer/BufferFiles.h"
#include "buffer/IntelHex.h"
#include "buffer/TestFiles.h"

#include <QTest>

#include <cstring>
#include <random>

using namespace ravelin;
using namespace ravelin::test;

namespace {

constexpr std::uint16_t Sentinel = 0x1111;

BufferWords filled(std::uint16_t value)
{
    BufferWords words;
    words.fill(value);
    return words;
}

HexParse parseFile(const std::string &relative)
{
    return parseIntelHex(readText(dataPath(relative)));
}

BufferWords loaded(const HexParse &parse, std::uint16_t mask, std::uint16_t blank = Sentinel)
{
    BufferWords words = filled(blank);
    applyHexImage(parse.image, words, mask);
    return words;
}

QString difference(const BufferWords &got, const BufferWords &expected)
{
    for (std::size_t i = 0; i < got.size(); ++i) {
        if (got[i] != expected[i])
            return QString("word %1: %2, expected %3")
                .arg(i, 4, 16, QChar('0'))
                .arg(got[i], 4, 16, QChar('0'))
                .arg(expected[i], 4, 16, QChar('0'));
    }
    return {};
}

const char *fault(const HexParse &parse)
{
    return parse.error ? parse.error->what.c_str() : "";
}

// base_valid.hex as its records say, word by word: the F84A blink program.
constexpr std::pair<std::size_t, std::uint16_t> BaseWords[] {{0x00, 0x2805}, {0x04, 0x0009},
    {0x05, 0x1683}, {0x06, 0x0186}, {0x07, 0x1283}, {0x08, 0x0186}, {0x09, 0x0A86}, {0x0A, 0x200C},
    {0x0B, 0x2809}, {0x0C, 0x30FF}, {0x0D, 0x008D}, {0x0E, 0x30FF}, {0x0F, 0x008C}, {0x10, 0x0B8C},
    {0x11, 0x2810}, {0x12, 0x0B8D}, {0x13, 0x280E}, {0x14, 0x0008}};

enum class Image { Untouched, Base, BaseWithout4To7, Count03, Long };

BufferWords expectedImage(Image image)
{
    BufferWords words = filled(Sentinel);
    switch (image) {
    case Image::Untouched:
        break;
    case Image::Base:
    case Image::BaseWithout4To7:
        for (const auto &[index, value] : BaseWords) {
            if (image == Image::Base || index < 4 || index > 7)
                words[index] = value;
        }
        break;
    case Image::Count03:
        words[1] = 0xBBAA & 0x3FFF; // its third byte has no high byte beside it
        break;
    case Image::Long:
        // 255 bytes 0x00, 0x03, 0x06...: 127 whole words, the odd last byte dropped.
        for (std::size_t k = 0; k < 127; ++k)
            words[0x80 + k]
                = std::uint16_t((std::uint8_t(6 * k + 3) << 8 | std::uint8_t(6 * k)) & 0x3FFF);
        break;
    }
    return words;
}

// name, fill, line, the line written
constexpr std::tuple<const char *, int, int, const char *> WriterRows[] {
    {"zero: first", 0, 0, ":1000000000000000000000000000000000000000F0"},
    {"zero: last", 0, 1056, ":1042000000000000000000000000000000000000AE"},
    {"zero: end record", 0, 1057, ":00000001FF"},
    {"3FFF: first", 0x3FFF, 0, ":10000000FF3FFF3FFF3FFF3FFF3FFF3FFF3FFF3F00"},
};

// name, word mask, the bits the saved words may have
constexpr std::tuple<const char *, int, int> RoundTripRows[] {
    {"14-bit words", 0x3FFF, 0x3FFF},
    {"12-bit words", 0x0FFF, 0x0FFF},
    {"16-bit words, 14-bit device", 0x3FFF, 0xFFFF},
};

// Every case of the malformed set with its verdicts: the image the window's
// reading loads, or the line it is refused at; and the line the strict reading
// of the console refuses it at (a stray line, an unknown record type, a
// record after the end record, no end record), or 0 when it loads the same.
// name, file, the line it is refused at (0: it loads), image, words outside,
// the line the strict reading refuses it at
constexpr std::tuple<const char *, const char *, int, Image, int, int> MalformedRows[] {
    {"base", "base_valid.hex", 0, Image::Base, 0, 0},
    {"only end record", "only_eof.hex", 0, Image::Untouched, 0, 0},
    {"bad checksum", "bad_checksum.hex", 3, Image::Untouched, 0, 3},
    {"non-hex character", "nonhex_char.hex", 3, Image::Untouched, 0, 3},
    {"truncated record", "truncated_record.hex", 3, Image::Untouched, 0, 3},
    {"missing colon", "missing_colon.hex", 0, Image::BaseWithout4To7, 0, 2},
    {"lower case", "lowercase.hex", 0, Image::Base, 0, 0},
    {"LF", "lf_only.hex", 0, Image::Base, 0, 0},
    {"CR LF", "crlf.hex", 0, Image::Base, 0, 0},
    {"blanks and comment", "blank_and_comment.hex", 0, Image::Base, 0, 0},
    {"record after end", "record_after_end.hex", 0, Image::Base, 0, 6},
    {"no end record", "no_end_record.hex", 0, Image::Base, 0, 5},
    {"zero-length data", "zero_length_data.hex", 0, Image::Base, 0, 0},
    {"count 03 at 0002", "count03_addr0002.hex", 0, Image::Count03, 0, 0},
    {"521 characters", "long_line_521_countFF.hex", 0, Image::Long, 0, 0},
    {"byte 6000", "addr_6000.hex", 0, Image::Base, 8, 0},
    {"byte 8000", "addr_8000_alias.hex", 0, Image::Base, 1, 0},
    {"linear 0000", "ext_linear_0000.hex", 0, Image::Base, 0, 0},
    {"segment 1000", "ext_segment.hex", 0, Image::Base, 1, 0},
    {"type 06", "type_06_unknown.hex", 0, Image::Base, 0, 5},
    {"empty", "empty.hex", 1, Image::Untouched, 0, 1},
    {"binary", "binary_renamed.hex", 1, Image::Untouched, 0, 1},
    {"S-records", "text_not_hex.hex", 1, Image::Untouched, 0, 1},
};

// Bytes placed by address: line ends, blanks, a byte-order mark, trailing text,
// odd addresses and address records.
constexpr std::tuple<const char *, const char *, int, int> PlacementRows[] {
    {"CR only", ":020000000528D1\r:02000200AA3B17\r", 1, 0x3BAA},
    {"byte-order mark", "\xEF\xBB\xBF:02000200AA3B17\n", 1, 0x3BAA},
    {"blanks and trailing text", "  \t:02000200AA3B17  ; word 1\n", 1, 0x3BAA},
    {"odd start, whole words", ":03000100AABBCCCB\n:0100000011EE\n", 1, 0x0CBB},
    {"odd start, first byte joins", ":03000100AABBCCCB\n:0100000011EE\n", 0, 0x2A11},
    {"later record wins", ":02000200AA3B17\n:0100020055A8\n", 1, 0x3B55},
    {"linear upper 1 at 0", ":020000040001F9\n:02000000FF3FC0\n", 0, Sentinel},
    {"segment 0200 = byte 2000", ":020000020200FA\n:02000000343496\n", 0x1000, 0x3434},
    {"segment offset wraps in 64K", ":020000020010EC\n:04FFFF0001020304F4\n", 0x80, 0x0302},
};

// What the faults are called: the line and what is wrong with it.
constexpr std::tuple<const char *, const char *, const char *> FaultRows[] {
    {"digit", ":0100000G01FE\n", "'G' at column 9 is not a hexadecimal digit"},
    {"digit after blanks", "  \t:0100000G01FE\n", "'G' at column 12 is not a hexadecimal digit"},
    {"control byte",
        ":01\x01"
        "0000001FE\n",
        "byte 01 at column 4 is not a hexadecimal digit"},
    {"end record checksum", ":00000001FE\n", "checksum FE, should be FF"},
    {"address record of 1 byte", ":0100000400FB\n",
        "an address record needs 2 bytes, this one has 1"},
};

// gpasm's and srec_cat's files, with the configuration word their fuses give.
constexpr std::tuple<const char *, int> AssemblerRows[] {
    {"f84a_blink.inhx8m.hex", 0x3FF1}, {"f84a_blink.inhx8m.crlf.hex", 0x3FF1},
    {"f84a_blink.inhx32.hex", 0x3FF1}, {"f628a_eeprom.inhx8m.hex", 0x3F70},
    {"f628a_eeprom.inhx32.hex", 0x3F70}, {"f877a_bigtable.inhx8m.hex", 0x3F72},
    {"f877a_bigtable.inhx32.hex", 0x3F72}, {"f877a_bigtable.inhx32.crlf.hex", 0x3F72},
    {"c508a_osccal.inhx8m.hex", 0xFEA}, {"c508a_osccal.inhx32.hex", 0xFEA},
    {"c508a_osccal.srec_obs64_crlf.hex", 0xFEA}, // 18- and 10-byte records
};

} // namespace

class IntelHexTest : public QObject
{
    Q_OBJECT

private slots:
    void writerLines_data() { tableRows(WriterRows); }
    void writerLines()
    {
        const auto &[name, fill, line, expected] = currentRow(WriterRows);
        const std::string text = formatIntelHex(filled(std::uint16_t(fill)));
        QCOMPARE(text.size(), std::size_t {1057 * 45 + 13}); // 43 characters and CR LF a record
        QCOMPARE(text.substr(45 * std::size_t(line), std::strlen(expected) + 2),
            std::string(expected) + "\r\n");
    }

    // Words that fit the mask come back as they were; bits above it do not.
    void saveThenLoad_data() { tableRows(RoundTripRows); }
    void saveThenLoad()
    {
        const auto &[name, mask, valueMask] = currentRow(RoundTripRows);
        std::mt19937 random(7);
        BufferWords saved;
        for (std::uint16_t &word : saved)
            word = std::uint16_t(random() & unsigned(valueMask));
        const HexParse parse = parseIntelHex(formatIntelHex(saved));
        QVERIFY(!parse.error && parse.image.endRecord);
        QCOMPARE(parse.image.wordsOutside, std::size_t {0});
        BufferWords expected = filled(Sentinel);
        for (std::size_t i = 0; i < FileImageWords; ++i)
            expected[i] = std::uint16_t(saved[i] & mask);
        QCOMPARE(difference(loaded(parse, std::uint16_t(mask)), expected), QString());
    }

    void malformed_data() { tableRows(MalformedRows); }
    void malformed()
    {
        const auto &[name, file, refusedAt, image, outside, strictAt] = currentRow(MalformedRows);
        const std::string text = readText(dataPath(std::string("hex/malformed/") + file));
        const HexParse strict = parseIntelHex(text, HexReading::Strict);
        QCOMPARE(strict.error ? int(strict.error->line) : 0, strictAt);
        if (strictAt == 0)
            QVERIFY(strict.image.given == parseIntelHex(text).image.given);
        const HexParse parse = parseIntelHex(text);
        if (refusedAt > 0) {
            QVERIFY(parse.error.has_value());
            QCOMPARE(int(parse.error->line), refusedAt);
            QVERIFY(!parse.error->what.empty());
            return;
        }
        QVERIFY2(!parse.error, fault(parse));
        QCOMPARE(int(parse.image.wordsOutside), outside);
        QCOMPARE(difference(loaded(parse, 0x3FFF), expectedImage(image)), QString());
    }

    void faultTexts_data() { tableRows(FaultRows); }
    void faultTexts()
    {
        const auto &[name, text, what] = currentRow(FaultRows);
        const HexParse parse = parseIntelHex(text);
        QVERIFY(parse.error.has_value());
        QCOMPARE(parse.error->what, std::string(what));
    }

    void placement_data() { tableRows(PlacementRows); }
    void placement()
    {
        const auto &[name, text, word, value] = currentRow(PlacementRows);
        const HexParse parse = parseIntelHex(text);
        QVERIFY2(!parse.error, fault(parse));
        QCOMPARE(int(loaded(parse, 0x3FFF)[std::size_t(word)]), value);
    }

    // The files land where their byte addresses say; checked against the same
    // programs mapped into this program's layout by another tool (the native
    // binaries): program words at their place, the ID words at byte 0x4000 =
    // word 0x2000 (12-bit: right after program memory, the configuration word
    // at 0xFFF), the data EEPROM bytes from byte 0x4200 = word 0x2100.
    void assemblerFiles_data() { tableRows(AssemblerRows); }
    void assemblerFiles()
    {
        const auto &[name, config] = currentRow(AssemblerRows);
        const std::string file = name;
        const bool twelveBit = file.starts_with('c');
        const std::size_t idAt = twelveBit ? 0x200 : 0x2000, configAt = twelveBit ? 0xFFF : 0x2007;
        BufferWords mapped {};
        applyBinaryImage(
            readBytes(dataPath("hex/native/" + file.substr(0, file.find('.')) + ".native.bin")),
            mapped);
        BufferWords expected {};
        std::copy_n(mapped.begin(), 0x2000, expected.begin());
        std::copy_n(mapped.begin() + 0x2000, 0x100, expected.begin() + 0x2100);
        std::copy_n(mapped.begin() + 0x2100, 4, expected.begin() + std::ptrdiff_t(idAt));
        expected[configAt] = std::uint16_t(config);

        const HexParse parse = parseFile("hex/valid/" + file);
        QVERIFY2(!parse.error, fault(parse));
        QCOMPARE(parse.image.wordsOutside, std::size_t {0});
        QCOMPARE(difference(loaded(parse, twelveBit ? 0x0FFF : 0x3FFF, 0), expected), QString());
    }

    // The two 16C54 twins agree; its table at word 0x100 is where the file says.
    void c54Twins()
    {
        const BufferWords plain = loaded(parseFile("hex/valid/c54_counter.inhx8m.hex"), 0x0FFF);
        QCOMPARE(difference(loaded(parseFile("hex/valid/c54_counter.inhx32.hex"), 0x0FFF), plain),
            QString());
        QVERIFY(plain[0x100] != Sentinel);
    }

    // srec_cat's rewrite filled every free program word with FFFF in 32-byte
    // records: the same program, blank words elsewhere.
    void filledRewrite()
    {
        const HexParse gpasm = parseFile("hex/valid/f84a_blink.inhx8m.hex");
        BufferWords expected = loaded(gpasm, 0x3FFF, 0);
        for (std::size_t i = 0; i < 0x400; ++i) {
            if (!gpasm.image.given[2 * i])
                expected[i] = 0x3FFF;
        }
        QCOMPARE(difference(loaded(parseFile("hex/valid/f84a_blink.srec_fillFF.hex"), 0x3FFF, 0),
                     expected),
            QString());
    }

    // Files this program wrote come back byte for byte.
    void nativeFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("variant");
        for (const char *name : {"f84a_blink", "f628a_eeprom", "f877a_bigtable", "c508a_osccal"}) {
            for (const char *variant : {".native.hex", ".native.crlf.hex"})
                QTest::newRow((std::string(name) + variant).c_str()) << name << variant;
        }
    }
    void nativeFiles()
    {
        QFETCH(QString, name);
        QFETCH(QString, variant);
        const std::string stem = dataPath("hex/native/" + name.toStdString());
        const HexParse parse = parseIntelHex(readText(stem + variant.toStdString()));
        QVERIFY(!parse.error);
        const BufferWords words = loaded(parse, 0x3FFF, 0);
        QVERIFY(formatIntelHex(words) == readText(stem + ".native.crlf.hex"));
        QVERIFY(binaryImage(words) == readBytes(stem + ".native.bin"));
    }
};

QTEST_APPLESS_MAIN(IntelHexTest)
#include "test_intelhex.moc"
