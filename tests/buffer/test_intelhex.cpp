// The Intel HEX writer and reader, on buffers and on files made by other tools.
#include "buffer/BufferFiles.h"
#include "buffer/IntelHex.h"
#include "buffer/TestFiles.h"

#include <QTest>

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

std::vector<std::string> lines(const std::string &text)
{
    std::vector<std::string> result;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find("\r\n", pos);
        result.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return result;
}

// base_valid.hex as its records say, word by word: the F84A blink program.
const std::vector<std::pair<std::size_t, std::uint16_t>> BaseWords {{0x00, 0x2805}, {0x04, 0x0009},
    {0x05, 0x1683}, {0x06, 0x0186}, {0x07, 0x1283}, {0x08, 0x0186}, {0x09, 0x0A86}, {0x0A, 0x200C},
    {0x0B, 0x2809}, {0x0C, 0x30FF}, {0x0D, 0x008D}, {0x0E, 0x30FF}, {0x0F, 0x008C}, {0x10, 0x0B8C},
    {0x11, 0x2810}, {0x12, 0x0B8D}, {0x13, 0x280E}, {0x14, 0x0008}};

BufferWords baseImage()
{
    BufferWords words = filled(Sentinel);
    for (const auto &[index, value] : BaseWords)
        words[index] = value;
    return words;
}

HexParse parseFile(const std::string &relative)
{
    return parseIntelHex(readText(dataPath(relative)));
}

BufferWords wordsOf(const std::string &binaryPath)
{
    BufferWords words {};
    applyBinaryImage(readBytes(binaryPath), words);
    return words;
}

} // namespace

class IntelHexTest : public QObject
{
    Q_OBJECT

private slots:
    void writerLines_data()
    {
        QTest::addColumn<int>("fill");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero: first") << 0 << 0 << ":1000000000000000000000000000000000000000F0";
        QTest::newRow("zero: last data")
            << 0 << 1056 << ":1042000000000000000000000000000000000000AE";
        QTest::newRow("zero: end record") << 0 << 1057 << ":00000001FF";
        QTest::newRow("3FFF: first")
            << 0x3FFF << 0 << ":10000000FF3FFF3FFF3FFF3FFF3FFF3FFF3FFF3F00";
    }
    void writerLines()
    {
        QFETCH(int, fill);
        QFETCH(int, line);
        QFETCH(QString, expected);
        const std::string text = formatIntelHex(filled(std::uint16_t(fill)));
        const std::vector<std::string> written = lines(text);
        QCOMPARE(written.size(), std::size_t {1058});
        QVERIFY(text.ends_with(":00000001FF\r\n"));
        QCOMPARE(QString::fromStdString(written[std::size_t(line)]), expected);
    }

    // Words that fit the mask come back as they were; bits above it do not.
    void saveThenLoad_data()
    {
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("valueMask");
        QTest::newRow("14-bit words") << 0x3FFF << 0x3FFF;
        QTest::newRow("12-bit words") << 0x0FFF << 0x0FFF;
        QTest::newRow("16-bit words, 14-bit device") << 0x3FFF << 0xFFFF;
    }
    void saveThenLoad()
    {
        QFETCH(int, mask);
        QFETCH(int, valueMask);
        std::mt19937 random(7);
        BufferWords saved;
        for (std::uint16_t &word : saved)
            word = std::uint16_t(random() & unsigned(valueMask));
        const HexParse parse = parseIntelHex(formatIntelHex(saved));
        QVERIFY(!parse.error);
        QVERIFY(parse.image.endRecord);
        QCOMPARE(parse.image.wordsOutside, std::size_t {0});
        BufferWords loaded = filled(Sentinel);
        applyHexImage(parse.image, loaded, std::uint16_t(mask));
        for (std::size_t i = 0; i < FileImageWords; ++i)
            QCOMPARE(loaded[i], std::uint16_t(saved[i] & mask));
        for (std::size_t i = FileImageWords; i < loaded.size(); ++i)
            QCOMPARE(loaded[i], Sentinel);
    }

    // Every case of the malformed set with its verdict: the image it loads, or
    // the line it is refused at.
    void malformed_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("refusedAt"); // 0: loads
        QTest::addColumn<QString>("image");
        QTest::addColumn<int>("outside");
        QTest::newRow("base") << "base_valid.hex" << 0 << "base" << 0;
        QTest::newRow("only end record") << "only_eof.hex" << 0 << "untouched" << 0;
        QTest::newRow("bad checksum") << "bad_checksum.hex" << 3 << "" << 0;
        QTest::newRow("non-hex character") << "nonhex_char.hex" << 3 << "" << 0;
        QTest::newRow("truncated record") << "truncated_record.hex" << 3 << "" << 0;
        QTest::newRow("missing colon") << "missing_colon.hex" << 0 << "base without 4-7" << 0;
        QTest::newRow("lower case") << "lowercase.hex" << 0 << "base" << 0;
        QTest::newRow("LF") << "lf_only.hex" << 0 << "base" << 0;
        QTest::newRow("CR LF") << "crlf.hex" << 0 << "base" << 0;
        QTest::newRow("blanks and comment") << "blank_and_comment.hex" << 0 << "base" << 0;
        QTest::newRow("record after end") << "record_after_end.hex" << 0 << "base" << 0;
        QTest::newRow("no end record") << "no_end_record.hex" << 0 << "base" << 0;
        QTest::newRow("zero-length data") << "zero_length_data.hex" << 0 << "base" << 0;
        QTest::newRow("count 03 at 0002") << "count03_addr0002.hex" << 0 << "count03" << 0;
        QTest::newRow("521 characters") << "long_line_521_countFF.hex" << 0 << "long" << 0;
        QTest::newRow("byte 6000") << "addr_6000.hex" << 0 << "base" << 8;
        QTest::newRow("byte 8000") << "addr_8000_alias.hex" << 0 << "base" << 1;
        QTest::newRow("linear 0000") << "ext_linear_0000.hex" << 0 << "base" << 0;
        QTest::newRow("segment 1000") << "ext_segment.hex" << 0 << "base" << 1;
        QTest::newRow("type 06") << "type_06_unknown.hex" << 0 << "base" << 0;
        QTest::newRow("empty") << "empty.hex" << 1 << "" << 0;
        QTest::newRow("binary") << "binary_renamed.hex" << 1 << "" << 0;
        QTest::newRow("S-records") << "text_not_hex.hex" << 1 << "" << 0;
    }
    void malformed()
    {
        QFETCH(QString, file);
        QFETCH(int, refusedAt);
        QFETCH(QString, image);
        QFETCH(int, outside);
        const HexParse parse = parseFile("hex/malformed/" + file.toStdString());
        if (refusedAt > 0) {
            QVERIFY(parse.error.has_value());
            QCOMPARE(int(parse.error->line), refusedAt);
            QVERIFY(!parse.error->what.empty());
            return;
        }
        QVERIFY2(!parse.error, parse.error ? parse.error->what.c_str() : "");
        QCOMPARE(int(parse.image.wordsOutside), outside);

        BufferWords expected = filled(Sentinel);
        if (image.startsWith("base"))
            expected = baseImage();
        if (image == "base without 4-7") {
            for (std::size_t i = 4; i < 8; ++i)
                expected[i] = Sentinel;
        }
        if (image == "count03")
            expected[1] = 0xBBAA & 0x3FFF; // its third byte has no high byte beside it
        if (image == "long") {
            // 255 bytes 0x00, 0x03, 0x06...: 127 whole words, the odd last byte dropped.
            for (std::size_t k = 0; k < 127; ++k) {
                const auto low = std::uint8_t(2 * k * 3), high = std::uint8_t((2 * k + 1) * 3);
                expected[0x80 + k] = std::uint16_t((high << 8 | low) & 0x3FFF);
            }
        }
        BufferWords loaded = filled(Sentinel);
        applyHexImage(parse.image, loaded, 0x3FFF);
        for (std::size_t i = 0; i < loaded.size(); ++i) {
            if (loaded[i] != expected[i])
                QFAIL(qPrintable(QString("word %1: %2, expected %3")
                                     .arg(i, 4, 16, QChar('0'))
                                     .arg(loaded[i], 4, 16, QChar('0'))
                                     .arg(expected[i], 4, 16, QChar('0'))));
        }
    }

    // What the faults are called: the line and what is wrong with it.
    void faultTexts_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("what");
        QTest::newRow("digit") << QByteArray(":0100000G01FE\n")
                               << "'G' at column 9 is not a hexadecimal digit";
        QTest::newRow("control byte") << QByteArray(":01\x01"
                                                    "0000001FE\n")
                                      << "byte 01 at column 4 is not a hexadecimal digit";
        QTest::newRow("end record checksum")
            << QByteArray(":00000001FE\n") << "checksum FE, should be FF";
        QTest::newRow("address record of 1 byte")
            << QByteArray(":0100000400FB\n") << "an address record needs 2 bytes, this one has 1";
    }
    void faultTexts()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, what);
        const HexParse parse = parseIntelHex(text.toStdString());
        QVERIFY(parse.error.has_value());
        QCOMPARE(QString::fromStdString(parse.error->what), what);
    }

    // Line ends, blanks, a byte-order mark, trailing text, odd addresses and
    // address records: where each byte lands.
    void placement_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("word");
        QTest::addColumn<int>("value");
        QTest::newRow("CR only") << QByteArray(":020000000528D1\r:02000200AA3B17\r") << 1 << 0x3BAA;
        QTest::newRow("byte-order mark")
            << QByteArray("\xEF\xBB\xBF:02000200AA3B17\n") << 1 << 0x3BAA;
        QTest::newRow("blanks and trailing text")
            << QByteArray("  \t:02000200AA3B17  ; word 1\n") << 1 << 0x3BAA;
        QTest::newRow("odd start, whole words")
            << QByteArray(":03000100AABBCCCB\n:0100000011EE\n") << 1 << 0x0CBB;
        QTest::newRow("odd start, first byte joins")
            << QByteArray(":03000100AABBCCCB\n:0100000011EE\n") << 0 << 0x2A11;
        QTest::newRow("later record wins")
            << QByteArray(":02000200AA3B17\n:0100020055A8\n") << 1 << 0x3B55;
        QTest::newRow("linear upper 1 at 0")
            << QByteArray(":020000040001F9\n:02000000FF3FC0\n") << 0 << int(Sentinel);
        QTest::newRow("segment 0200 = byte 2000")
            << QByteArray(":020000020200FA\n:02000000343496\n") << 0x1000 << 0x3434;
        QTest::newRow("segment offset wraps in 64K")
            << QByteArray(":020000020010EC\n:04FFFF0001020304F4\n") << 0x80 << 0x0302;
    }
    void placement()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, word);
        QFETCH(int, value);
        const HexParse parse = parseIntelHex(text.toStdString());
        QVERIFY2(!parse.error, parse.error ? parse.error->what.c_str() : "");
        BufferWords loaded = filled(Sentinel);
        applyHexImage(parse.image, loaded, 0x3FFF);
        QCOMPARE(int(loaded[std::size_t(word)]), value);
    }

    // gpasm's files land where its byte addresses say; checked against the same
    // programs mapped into this program's layout by another tool (the native
    // binaries): program words at their place, the ID words at byte 0x4000 =
    // word 0x2000, the data EEPROM bytes from byte 0x4200 = word 0x2100.
    void assemblerFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("native");
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("idAt");
        QTest::addColumn<int>("configAt");
        const int id14 = 0x2000, config14 = 0x2007;
        QTest::newRow("f84a inhx8m") << "f84a_blink.inhx8m.hex"
                                     << "f84a_blink" << 0x3FFF << id14 << config14;
        QTest::newRow("f84a inhx8m crlf") << "f84a_blink.inhx8m.crlf.hex"
                                          << "f84a_blink" << 0x3FFF << id14 << config14;
        QTest::newRow("f84a inhx32") << "f84a_blink.inhx32.hex"
                                     << "f84a_blink" << 0x3FFF << id14 << config14;
        QTest::newRow("f628a inhx8m") << "f628a_eeprom.inhx8m.hex"
                                      << "f628a_eeprom" << 0x3FFF << id14 << config14;
        QTest::newRow("f628a inhx32") << "f628a_eeprom.inhx32.hex"
                                      << "f628a_eeprom" << 0x3FFF << id14 << config14;
        QTest::newRow("f877a inhx8m") << "f877a_bigtable.inhx8m.hex"
                                      << "f877a_bigtable" << 0x3FFF << id14 << config14;
        QTest::newRow("f877a inhx32") << "f877a_bigtable.inhx32.hex"
                                      << "f877a_bigtable" << 0x3FFF << id14 << config14;
        QTest::newRow("f877a inhx32 crlf") << "f877a_bigtable.inhx32.crlf.hex"
                                           << "f877a_bigtable" << 0x3FFF << id14 << config14;
        // 12-bit: the ID words follow program memory, the configuration word is word 0xFFF.
        QTest::newRow("c508a inhx8m") << "c508a_osccal.inhx8m.hex"
                                      << "c508a_osccal" << 0x0FFF << 0x200 << 0xFFF;
        QTest::newRow("c508a inhx32") << "c508a_osccal.inhx32.hex"
                                      << "c508a_osccal" << 0x0FFF << 0x200 << 0xFFF;
        QTest::newRow("c508a srec_cat 18/10-byte records")
            << "c508a_osccal.srec_obs64_crlf.hex"
            << "c508a_osccal" << 0x0FFF << 0x200 << 0xFFF;
    }
    void assemblerFiles()
    {
        QFETCH(QString, file);
        QFETCH(QString, native);
        QFETCH(int, mask);
        QFETCH(int, idAt);
        QFETCH(int, configAt);
        const BufferWords mapped
            = wordsOf(dataPath("hex/native/" + native.toStdString() + ".native.bin"));
        BufferWords expected {};
        std::copy_n(mapped.begin(), 0x2000, expected.begin());
        for (std::size_t k = 0; k < 0x100; ++k)
            expected[0x2100 + k] = mapped[0x2000 + k];
        for (std::size_t k = 0; k < 4; ++k)
            expected[std::size_t(idAt) + k] = mapped[0x2100 + k];

        const HexParse parse = parseFile("hex/valid/" + file.toStdString());
        QVERIFY2(!parse.error, parse.error ? parse.error->what.c_str() : "");
        QCOMPARE(parse.image.wordsOutside, std::size_t {0});
        BufferWords loaded {};
        applyHexImage(parse.image, loaded, std::uint16_t(mask));
        QVERIFY(loaded[std::size_t(configAt)] != 0); // the fuses are in the file
        for (std::size_t i = 0; i < loaded.size(); ++i) {
            if (i != std::size_t(configAt) && loaded[i] != expected[i])
                QFAIL(qPrintable(QString("word %1: %2, expected %3")
                                     .arg(i, 4, 16, QChar('0'))
                                     .arg(loaded[i], 4, 16, QChar('0'))
                                     .arg(expected[i], 4, 16, QChar('0'))));
        }
    }

    void assemblerConfigurationWord()
    {
        BufferWords loaded {};
        applyHexImage(parseFile("hex/valid/f84a_blink.inhx8m.hex").image, loaded, 0x3FFF);
        QCOMPARE(loaded[0x2007], std::uint16_t {0x3FF1});
    }

    // The two 16C54 twins agree; its table at word 0x100 is where the file says.
    void c54Twins()
    {
        BufferWords plain {}, linear {};
        applyHexImage(parseFile("hex/valid/c54_counter.inhx8m.hex").image, plain, 0x0FFF);
        applyHexImage(parseFile("hex/valid/c54_counter.inhx32.hex").image, linear, 0x0FFF);
        QVERIFY(plain == linear);
        QVERIFY(plain[0x100] != 0);
    }

    // srec_cat's rewrite filled every free program word with FFFF in 32-byte
    // records: the same program, blank words elsewhere.
    void filledRewrite()
    {
        const HexParse gpasm = parseFile("hex/valid/f84a_blink.inhx8m.hex");
        BufferWords expected {};
        applyHexImage(gpasm.image, expected, 0x3FFF);
        for (std::size_t i = 0; i < 0x400; ++i) {
            if (!gpasm.image.given[2 * i])
                expected[i] = 0x3FFF;
        }
        BufferWords loaded {};
        applyHexImage(parseFile("hex/valid/f84a_blink.srec_fillFF.hex").image, loaded, 0x3FFF);
        QVERIFY(loaded == expected);
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
        BufferWords loaded {};
        applyHexImage(parse.image, loaded, 0x3FFF);
        QVERIFY(formatIntelHex(loaded) == readText(stem + ".native.crlf.hex"));
        QVERIFY(binaryImage(loaded) == readBytes(stem + ".native.bin"));
    }
};

QTEST_APPLESS_MAIN(IntelHexTest)
#include "test_intelhex.moc"
