// ravelin-cli: the block read against the window's read, device names, and
// whole commands run as a process on the simulated programmer.
#include "ChipRig.h"

#include "app/Format.h"
#include "buffer/IntelHex.h"
#include "buffer/TestFiles.h"
#include "cli/Console.h"
#include "devices/DeviceNames.h"
#include "operations/ReadDevice.h"
#include "sim/FaultyTransport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ravelin;
using namespace ravelin::test;

namespace {

// Word 0 = 1234 and nothing else: a file every 14-bit chip has a place for.
constexpr const char *OneWordFile = ":020000003412B8\n:00000001FF\n";

struct Run
{
    int exit = -1;
    QString out;
    QString err;
};

Run runCli(const QStringList &arguments, const QString &folder, const QByteArray &input = {})
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(QStringLiteral(RAVELIN_CLI), arguments);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(240'000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
        QString::fromUtf8(process.readAllStandardOutput()),
        QString::fromUtf8(process.readAllStandardError())};
}

QString data(const char *relative)
{
    return QString::fromStdString(testFile(relative));
}

// What a chip holds after loading an image: words compared as the chip keeps them.
std::unique_ptr<sim::SimChip> chipFrom(const std::string &chip, const QString &file)
{
    std::unique_ptr<sim::SimChip> image = sim::makeChip(chip);
    if (!sim::loadHexFile(*image, file.toStdString()).ok)
        return nullptr;
    return image;
}

// Program words (the factory calibration word aside), ID words, configuration
// word and (when the device list gives the chip one) data EEPROM of two
// images; the first difference, or empty.
std::string difference(const sim::SimChip &a, const sim::SimChip &b, bool eeprom)
{
    const sim::ChipInfo &info = a.info();
    for (unsigned w = 0; w < info.programWords; ++w) {
        if (info.calibrationAddress != 0 && w == info.calibrationAddress)
            continue;
        if (a.word(std::uint16_t(w)) != b.word(std::uint16_t(w)))
            return "word " + hex4(w);
    }
    for (int i = 0; i < 4; ++i) {
        if (a.id(i) != b.id(i))
            return "ID " + std::to_string(i);
    }
    if ((a.config() & 0x0FFF) != (b.config() & 0x0FFF))
        return "config " + hex4(a.config()) + " " + hex4(b.config());
    for (std::size_t n = 0; eeprom && n < info.eepromBytes; ++n) {
        if (a.eeprom(n) != b.eeprom(n))
            return "EEPROM " + std::to_string(n);
    }
    return {};
}

// A console on the simulator with a 16F84A in the socket holding a pattern,
// one reply corrupted on the way.
struct FaultyConsole
{
    FaultyConsole(cli::Options options, std::optional<std::uint64_t> corruptPacket)
    {
        for (unsigned a = 0; a < chip->info().programWords; ++a)
            chip->setWord(std::uint16_t(a), std::uint16_t((a * 0x0107 + 0x0123) & 0x3FFF));
        faults.corruptReplyPacket = corruptPacket;
        options.device = "16F84A";
        console = std::make_unique<cli::Console>(
            [this](Clock &clock) {
                programmer = std::make_unique<sim::SimProgrammer>(clock, sim::ProgrammerOptions {});
                programmer->setSocket(chip.get());
                programmer->setTraceSink([this](std::string_view line) {
                    if (line.starts_with("TX"))
                        sent.emplace_back(line);
                });
                return std::make_unique<sim::FaultyTransport>(*programmer, faults);
            },
            options);
    }
    // The number of the first block read packet (the first packet is 1).
    std::uint64_t firstBlockRead() const
    {
        for (std::size_t i = 0; i < sent.size(); ++i) {
            if (sent[i].starts_with("TX 54"))
                return i + 1;
        }
        return 0;
    }

    std::unique_ptr<sim::SimChip> chip = sim::makeChip("16F84/A");
    sim::LinkFaults faults;
    std::unique_ptr<sim::SimProgrammer> programmer;
    std::vector<std::string> sent;
    std::unique_ptr<cli::Console> console;
};

// What is written, the device it names (empty: none), the first candidate
// offered then.
constexpr std::tuple<const char *, const char *, const char *> NameRows[] {
    {"16F84/A", "16F84/A", ""}, // the caption
    {"16f84", "16F84/A", ""}, // the base of a variant
    {"PIC16F84A", "16F84/A", ""},
    {"pic12ce518", "12C518", ""}, // the list's text
    {"12C518", "12C518", ""}, // the caption of that row
    {"16c62b", "16C62A/B/C", ""}, // a letter replaced
    {"16F628", "16F628", ""}, // exact before longer
    {"16lf628a", "16LF628A", ""},
    {"16F87", "", "16F870"}, // a prefix of several
    {"16F8777A", "", "16F877A"}, // a typing error
    {"", "", ""},
};

// Arguments (files under tests/data), exit code, a text on stdout or stderr.
constexpr std::tuple<const char *, int, const char *> OutcomeRows[] {
    {"--sim --virtual-time --chip 16F84/A --load hex/valid/f84a_blink.inhx8m.hex blank -d 16F84A",
        1, "Device is NOT Erased..."},
    {"--sim --virtual-time --devices 0 detect", 3, "no FTDI device is attached"},
    {"--sim --virtual-time --unplug-after 20 blank -d 16F84A", 3, "Programmer Not Responding..."},
    {"--sim --virtual-time blank -d 16F87", 2, "did you mean 16F870"},
    {"--sim --virtual-time program -d 16F84A -i hex/malformed/bad_checksum.hex --config 3FF1", 4,
        "Invalid Hex File...."},
    // Read as this program's own layout, its IDs and fuses are data EEPROM bytes.
    {"--sim --virtual-time program -d 16F84A -i hex/valid/f84a_blink.inhx8m.hex --layout native", 4,
        "has none here"},
    {"--sim --virtual-time verify -d 16F84A -i nothing.hex", 4, "Could Not Load Buffer...."},
    {"--chip 16F84/A detect", 2, "--chip needs --sim"},
    {"-V 4 detect", 2, ""},
    {"--sim --virtual-time --firmware 1.25 detect", 0, "FirmWare Version 1.25"},
    {"--sim --virtual-time update-firmware update/update_bad_signature.bin", 4,
        "Invalid File Type..."},
    {"--sim --virtual-time update-firmware update/update_r2.bin", 1, "Warning: Bad Update..."},
    {"fuses -d 16F84A 3FF1", 0, "Fuse = 3FF1"},
    // Masked to 0000 it would turn code protection on.
    {"--sim --virtual-time program -d 16F84A -i hex/valid/f84a_blink.inhx8m.hex --config 4000", 2,
        "has bits outside the 16F84/A's 14-bit configuration word"},
    {"--sim --virtual-time --chip 16F84A blank -d 16F628A", 5,
        "the socket holds a 16F84A (device ID 0560), not the 16F628A"},
    {"--sim --virtual-time --chip none read -d 16F628A -o x.hex", 5,
        "no chip answers in the socket"},
    {"--sim --virtual-time --chip 16F628A --revision 3 identify -d 16F628A", 0,
        "16F628A revision 3 (device ID 1063)"},
    {"--sim --virtual-time --chip 16F84A --load hex/valid/f84a_blink.inhx8m.hex --stuck-word 0005 "
     "erase -d 16F84A",
        1, "0005  EXPECTED-3FFF  FOUND-"},
    // Several programmers on one bus: the one to use is named.
    {"--sim --virtual-time --programmers 2 identify -d 16F84A", 3,
        "serial numbers QP000001, QP000002: name the programmer with --programmer SERIAL"},
    {"--sim --virtual-time --programmers 2 -p QP000002 identify -d 16F84A", 0,
        "16F84A revision 0 (device ID 0560)"},
    {"--sim --virtual-time --programmers 2 -p QP000003 detect", 3,
        "no device with serial number QP000003 is attached (attached: QP000001, QP000002)"},
    {"--sim --virtual-time --devices 2 detect", 0, "FT232R USB UART             no programmer"},
    // A production run's numbers are checked before the first chip.
    {"--sim --virtual-time program -d 16F84A -i hex/valid/f84a_blink.inhx8m.hex --serial id", 2,
        "--serial needs --record FILE"},
    {"--sim --virtual-time program -d 16F628A -i hex/valid/f628a_eeprom.inhx8m.hex --serial "
     "eeprom:0 --record r.db",
        2, "the file already has data EEPROM byte 0000"},
    {"--sim --virtual-time program -d 16F84A -i hex/valid/f84a_blink.inhx8m.hex --no-eeprom "
     "--serial program:300:1 --serial-start 256 --record r.db",
        2, "does not fit --serial program:0300:1 (at most 255)"},
    {"record nothing.db", 4, "no production record nothing.db"},
    // One JSON object on every path, a refused command line included.
    {"--json program --config zz", 2, "\"result\":\"usage\""},
    {"--json --sim --chip 16Q99 detect", 2, "\"exit\":2"},
};

// A chip's own number where --serial puts it: the chip, the place, the
// number, then the words read back from the chip saved (program words, ID
// words or data EEPROM bytes from the place).
struct SerialRow
{
    const char *chip;
    const char *place;
    const char *start;
    const char *config;
    std::array<std::uint16_t, 4> words;
};
constexpr std::tuple<const char *, SerialRow> SerialRows[] {
    {"14-bit RETLW",
        {"16F84/A", "program:300:3", "1193046", "3FF1", {0x3412, 0x3434, 0x3456, 0x3FFF}}},
    {"12-bit RETLW", {"12C508/A", "program:100", "4660", "0FFA", {0x0812, 0x0834, 0x0FFF, 0x0FFF}}},
    {"ID digits", {"16F628A", "id", "48879", "3F70", {0xB, 0xE, 0xE, 0xF}}},
    {"EEPROM bytes", {"16F628A", "eeprom:10:4", "16909060", "3F70", {1, 2, 3, 4}}},
};

} // namespace

class CliTest : public QObject
{
    Q_OBJECT

private slots:
    // The block read gives the image the window's word-by-word read gives, on
    // one chip of every family.
    void blockReadMatchesWordRead()
    {
        std::vector<Family> seen;
        for (const CatalogueRow &row : DeviceCatalogue) {
            if (row.isSeparator() || std::find(seen.begin(), seen.end(), row.family) != seen.end())
                continue;
            seen.push_back(row.family);
            const std::string caption(row.caption);
            ChipRig rig(caption);
            QVERIFY(rig.chip);
            const std::uint16_t mask = rig.chip->blankWord();
            for (unsigned a = 0; a < rig.chip->info().programWords; ++a)
                rig.chip->setWord(std::uint16_t(a), std::uint16_t((a * 0x0107 + 0x0123) & mask));
            for (std::size_t n = 0; n < rig.chip->info().eepromBytes; ++n)
                rig.chip->setEeprom(n, std::uint8_t(n * 7 + 3));

            Move_EpromClick(rig.core(), ProgramReading::WordByWord);
            const BufferWords byWord = rig.st.buffer.DeviceBuffer;
            const std::uint16_t config = rig.st.device.ConfigWord;
            rig.st.buffer.DeviceBuffer.fill(0);
            rig.st.device.ConfigWord = 0;
            rig.trace.clear();
            Move_EpromClick(rig.core(), ProgramReading::Blocks);
            QVERIFY2(rig.st.buffer.DeviceBuffer == byWord, caption.c_str());
            QCOMPARE(rig.st.device.ConfigWord, config);
            QCOMPARE(rig.status(), std::string("Device Has Been Moved to Buffer..."));
            // The 14-bit serial parts' program memory in 128-word packets.
            const bool blocks = methodOf(row.family) == Method::Serial14;
            QCOMPARE(rig.sent().size() < row.LastProgramAddress, blocks);
        }
        QCOMPARE(seen.size(), std::size_t(25));
    }

    // A word misread once: the read that checks itself writes nothing and
    // names the address (exit 3); a verify reads the word again and passes.
    void misreadWord()
    {
        QTemporaryDir folder;
        cli::Options options;
        options.output = (folder.path() + "/clean.hex").toStdString();
        options.outLayout = cli::Layout::Native;
        FaultyConsole clean(options, std::nullopt);
        QCOMPARE(clean.console->read().status, cli::Status::Ok);
        const std::uint64_t firstBlock = clean.firstBlockRead();
        QVERIFY(firstBlock > 0);
        const std::uint16_t config = clean.console->core().st.device.ConfigWord;

        // Byte 4 of a block reply is the high byte of its third word.
        options.output = (folder.path() + "/misread.hex").toStdString();
        FaultyConsole misread(options, firstBlock);
        const cli::Report read = misread.console->read();
        QCOMPARE(read.status, cli::Status::ReadsDiffer);
        QCOMPARE(read.mismatches.size(), std::size_t(1));
        QCOMPARE(read.mismatches[0].address, std::uint16_t(2));
        QVERIFY(!QFile::exists(folder.path() + "/misread.hex"));

        options.input = (folder.path() + "/clean.hex").toStdString();
        options.inLayout = cli::Layout::Native;
        options.config = config;
        FaultyConsole verify(options, firstBlock);
        const cli::Report verified = verify.console->verify();
        QCOMPARE(verified.status, cli::Status::Ok);
        QVERIFY(verified.mismatches.empty());
        // The first pass did see the misread word, and no failure is said.
        QCOMPARE(
            verified.messages.front(), std::string("read wrong once, right the other time: 0002"));
    }

    void deviceNames_data() { tableRows(NameRows); }
    void deviceNames()
    {
        const auto &[written, device, candidate] = currentRow(NameRows);
        const DeviceMatch match = matchDevice(written);
        const auto caption = [](std::size_t row) { return std::string(captionOfRow(row)); };
        QCOMPARE(match.row >= 0 ? caption(std::size_t(match.row)) : "", std::string(device));
        if (*candidate)
            QCOMPARE(match.candidates.empty() ? "" : caption(match.candidates.front()),
                std::string(candidate));
    }

    // No name answers for two rows: a name always means one device.
    void everyNameIsOneDevice()
    {
        std::map<std::string, std::size_t> owner;
        std::size_t devices = 0;
        for (std::size_t row = 0; row < DeviceCatalogue.size(); ++row) {
            const std::vector<std::string> names = namesOfRow(row);
            devices += names.empty() ? 0 : 1;
            for (const std::string &name : names) {
                const auto [at, fresh] = owner.emplace(name, row);
                QVERIFY2(fresh || at->second == row, name.c_str());
            }
        }
        QCOMPARE(devices, std::size_t(97));
    }

    // Whole commands on the simulator, one device of each family group.
    void scenarios_data()
    {
        QTest::addColumn<QString>("chip");
        QTest::addColumn<QString>("file"); // a gpasm file
        QTest::addColumn<QString>("other"); // a file the chip does not hold
        QTest::newRow("16F84/A flash") << "16F84/A" << data("hex/valid/f84a_blink.inhx8m.hex")
                                       << QString(); // a word of its own, below
        QTest::newRow("16F628A flash, EEPROM")
            << "16F628A" << data("hex/valid/f628a_eeprom.inhx32.hex")
            << data("hex/valid/f84a_blink.inhx8m.hex");
        QTest::newRow("16F877A rows, EEPROM")
            << "16F877A" << data("hex/valid/f877a_bigtable.inhx8m.hex")
            << data("hex/valid/f84a_blink.inhx8m.hex");
        QTest::newRow("12C508/A 12-bit") << "12C508/A" << data("hex/valid/c508a_osccal.inhx8m.hex")
                                         << data("hex/valid/c54_counter.inhx8m.hex");
        QTest::newRow("16C54 parallel") << "16C54" << data("hex/valid/c54_counter.inhx8m.hex")
                                        << data("hex/valid/c508a_osccal.inhx8m.hex");
    }
    void scenarios()
    {
        QFETCH(QString, chip);
        QFETCH(QString, file);
        QFETCH(QString, other);
        QTemporaryDir folder;
        const QString dir = folder.path();
        const QStringList sim {"--sim", "--virtual-time", "--chip", chip};
        const std::string name = chip.toStdString();
        const bool eeprom = DeviceCatalogue[std::size_t(catalogueRow(name))].eeSizeCode > 0;
        if (!eeprom) {
            // The list's row has no data EEPROM: the file's DE records (byte
            // address 42xx) would refuse it.
            std::string kept;
            for (const QString &line :
                QString::fromStdString(readText(file.toStdString())).split('\n')) {
                if (!line.isEmpty() && line.mid(3, 2) != "42")
                    kept += line.toStdString() + "\n";
            }
            file = dir + "/no-eeprom.hex";
            writeText(file.toStdString(), kept);
        }
        if (other.isEmpty()) {
            other = dir + "/word0.hex";
            writeText(other.toStdString(), OneWordFile);
        }

        const auto ok = [&](const QStringList &arguments) {
            const Run run = runCli(arguments, dir);
            QVERIFY2(run.exit == 0, qPrintable(run.err));
        };
        // Program into a blank chip: the chip then holds the file.
        ok(sim + QStringList {"--save", "chip.hex", "program", "-d", chip, "-i", file});
        const auto expected = chipFrom(name, file);
        const auto programmed = chipFrom(name, dir + "/chip.hex");
        QVERIFY(expected && programmed);
        QCOMPARE(difference(*expected, *programmed, eeprom), std::string());
        ok(sim + QStringList {"--load", "chip.hex", "verify", "-d", chip, "-i", file});

        // Read back: the file written holds what the chip holds.
        ok(sim + QStringList {"--load", "chip.hex", "read", "-d", chip, "-o", "read.hex"});
        const auto readBack = chipFrom(name, dir + "/read.hex");
        QVERIFY(readBack);
        QCOMPARE(difference(*programmed, *readBack, eeprom), std::string());

        // Through this program's binary file and back: its configuration word
        // travels beside it.
        ok({"convert", "-d", chip, file, "own.bin"});
        ok({"convert", "-d", chip, "own.bin", "again.hex", "--config",
            QString::fromStdString(hex4(expected->config()))});
        const auto again = chipFrom(name, dir + "/again.hex");
        QVERIFY(again);
        QCOMPARE(difference(*expected, *again, eeprom), std::string());

        // Another file: exit 1 and the mismatch lines on stdout.
        const Run run = runCli(sim
                + QStringList {"--load", "chip.hex", "verify", "-d", chip, "-i", other, "--config",
                    "0FFF"},
            dir);
        QCOMPARE(run.exit, 1);
        QVERIFY2(run.out.contains("EXPECTED-"), qPrintable(run.out));
    }

    void outcomes_data() { tableRows(OutcomeRows); }
    void outcomes()
    {
        const auto &[arguments, exit, said] = currentRow(OutcomeRows);
        QStringList words = QString(arguments).split(' ');
        for (QString &word : words) {
            if (word.startsWith("hex/") || word.startsWith("update/"))
                word = data(word.toUtf8().constData());
        }
        QTemporaryDir folder;
        const Run run = runCli(words, folder.path());
        QCOMPARE(run.exit, exit);
        QVERIFY2((run.out + run.err).contains(said), qPrintable(run.out + run.err));
    }

    // A tray of 16F628A chips numbered in the EEPROM: a line of input each, a
    // row of the record each; the numbers of failed chips are never given again.
    void productionRun()
    {
        QTemporaryDir folder;
        writeText(folder.path().toStdString() + "/word0.hex", OneWordFile);
        const QStringList run {"--sim", "--virtual-time", "--chip", "16F628A", "--save", "chip.hex",
            "program", "-d", "16F628A", "-i", "word0.hex", "--config", "3F70", "--repeat",
            "--serial", "eeprom:0", "--serial-start", "1000", "--record", "r.db"};
        Run done = runCli(run, folder.path(), "\n\n\n");
        QCOMPARE(done.exit, 0);
        QVERIFY2(done.out.contains("chip 3: serial 1002: ok (")
                && done.out.contains(
                    "3 chips: 3 programmed, 0 failed; serial numbers 1000 to 1002"),
            qPrintable(done.out));
        const std::unique_ptr<sim::SimChip> last = chipFrom("16F628A", folder.filePath("chip.hex"));
        QVERIFY(last && last->eeprom(0) == 0x03 && last->eeprom(1) == 0xEA);

        done = runCli(QStringList {"--stuck-word", "0000"} + run, folder.path(), "\nq\n\n");
        QCOMPARE(done.exit, 1);
        QVERIFY(done.out.contains("chip 1: serial 1003: chip failed, exit 1 ("));
        QVERIFY(done.out.contains("1 chip: 0 programmed, 1 failed"));
        done = runCli(run, folder.path(), "\n");
        QVERIFY(done.out.contains("chip 1: serial 1004: ok"));

        done = runCli({"record", "r.db", "--csv"}, folder.path());
        QCOMPARE(done.exit, 0);
        const QStringList rows = done.out.trimmed().split('\n');
        QCOMPARE(rows.size(), 6);
        QVERIFY(rows[0].startsWith("time,host,programmer,device,device_id,revision,"));
        QVERIFY(rows[4].contains(",QP000001,16F628A,1060,0,,word0.hex,"));
        QVERIFY(rows[4].contains(",1003,chip failed,1,"));
        QVERIFY(rows[5].contains(",1004,ok,0,"));
    }

    void serialPlaces_data() { tableRows(SerialRows); }
    void serialPlaces()
    {
        const auto &[name, row] = currentRow(SerialRows);
        const auto &[chip, place, start, config, words] = row;
        QTemporaryDir folder;
        writeText(folder.path().toStdString() + "/word0.hex", ":020000000000FE\n:00000001FF\n");
        const Run run = runCli({"--sim", "--virtual-time", "--chip", chip, "--save", "chip.hex",
                                   "program", "-d", chip, "-i", "word0.hex", "--config", config,
                                   "--serial", place, "--serial-start", start, "--record", "r.db"},
            folder.path());
        QVERIFY2(run.exit == 0, qPrintable(run.err));
        const std::unique_ptr<sim::SimChip> saved = chipFrom(chip, folder.filePath("chip.hex"));
        QVERIFY(saved);
        const QString where(place);
        const unsigned at = where.section(':', 1, 1).toUInt(nullptr, 16);
        for (unsigned i = 0; i < words.size(); ++i) {
            const std::uint16_t found = where == "id" ? saved->id(int(i))
                : where.startsWith("eeprom")          ? saved->eeprom(at + i)
                                                      : saved->word(std::uint16_t(at + i));
            QCOMPARE(found, words[i]);
        }
    }

    // Erase, then the blank check passes; --json gives one object.
    void eraseThenBlankInJson()
    {
        QTemporaryDir folder;
        writeText(folder.path().toStdString() + "/word0.hex", OneWordFile);
        const QStringList sim {"--sim", "--virtual-time", "--chip", "16F628A"};
        const QString file = data("hex/valid/f628a_eeprom.inhx8m.hex");
        Run run = runCli(
            sim + QStringList {"--load", file, "--save", "chip.hex", "erase", "-d", "pic16f628a"},
            folder.path());
        QCOMPARE(run.exit, 0);
        run = runCli(sim + QStringList {"--load", "chip.hex", "--json", "blank", "-d", "16F628A"},
            folder.path());
        QCOMPARE(run.exit, 0);
        const QJsonObject json = QJsonDocument::fromJson(run.out.toUtf8()).object();
        QCOMPARE(json["command"].toString(), "blank");
        QCOMPARE(json["device"].toString(), "16F628A");
        QCOMPARE(json["result"].toString(), "ok");
        QCOMPARE(json["status"].toString(), "Device is Erased...");
        QCOMPARE(json["exit"].toInt(), 0);
        QVERIFY(json["mismatches"].toArray().isEmpty());
        QVERIFY(json["seconds"].toDouble() > 0);

        run = runCli(
            {"--sim", "--chip", "16F84/A", "--load", data("hex/valid/f84a_blink.inhx8m.hex"),
                "--json", "verify", "-d", "16F84A", "-i", "word0.hex", "--config", "3FF1"},
            folder.path());
        QCOMPARE(run.exit, 1);
        const QJsonArray mismatches
            = QJsonDocument::fromJson(run.out.toUtf8()).object()["mismatches"].toArray();
        QVERIFY(!mismatches.isEmpty());
        QCOMPARE(mismatches[0].toObject()["address"].toString().size(), 4);
    }

    // A bus that lists a gadget before the programmer: the gadget's silence
    // leaves nothing behind for the next device asked, nor for a command.
    void gadgetBeforeProgrammer()
    {
        std::unique_ptr<sim::SimChip> chip = sim::makeChip("16F84/A");
        const auto bus = [&chip](Clock &clock) {
            sim::ProgrammerOptions options;
            options.devices = {{"FT5X2K7Q", "FT232R USB UART", false},
                {"QP000001", "Quillon USB Programmer", true}};
            return std::make_unique<sim::SimProgrammer>(clock, options, chip.get());
        };
        cli::Options options;
        options.device = "16F84A";
        cli::Console all(bus, options);
        const cli::Report detected = all.detect();
        QCOMPARE(detected.exit(), 0);
        QVERIFY(detected.output.at(0).find("no programmer answers") != std::string::npos);
        QVERIFY(detected.output.at(1).find("programmer, firmware 1.20") != std::string::npos);
        options.programmer = "QP000001";
        cli::Console named(bus, options);
        QCOMPARE(named.blank().exit(), 0);
    }

    // A code-protected image programs with the protection last, so that it
    // verifies; a verify of the protected chip then says why in one line. And
    // --no-eeprom keeps the chip's data EEPROM through the erase.
    void protectionLastEepromKept()
    {
        QTemporaryDir folder;
        const QString f84a = data("hex/valid/f84a_blink.inhx8m.hex");
        const QStringList sim {"--sim", "--virtual-time", "--chip", "16F84A"};
        Run run = runCli(sim
                + QStringList {"--save", "chip.hex", "program", "-d", "16F84A", "-i", f84a,
                    "--config", "0002", "--no-eeprom"},
            folder.path());
        QVERIFY2(run.exit == 0, qPrintable(run.err));
        const auto chip = chipFrom("16F84/A", folder.path() + "/chip.hex");
        const auto file = chipFrom("16F84/A", f84a);
        QVERIFY(chip && file);
        QCOMPARE(hex4(chip->config()), std::string("0002"));
        chip->setWord(chip->configAddress(), file->config());
        QCOMPARE(difference(*file, *chip, false), std::string());
        run = runCli(sim
                + QStringList {"--load", "chip.hex", "verify", "-d", "16F84A", "-i", f84a,
                    "--config", "0002", "--no-eeprom"},
            folder.path());
        QCOMPARE(run.exit, 1);
        QVERIFY(run.out.isEmpty());
        QVERIFY(run.err.contains("the chip is code protected: its memory cannot be read back"));

        const QString eeprom = data("hex/valid/f628a_eeprom.inhx8m.hex");
        run = runCli(
            {"--sim", "--virtual-time", "--chip", "16F628A", "--load", eeprom, "--save", "kept.hex",
                "program", "-d", "16F628A", "-i", f84a, "--config", "3F70", "--no-eeprom"},
            folder.path());
        QVERIFY2(run.exit == 0, qPrintable(run.err));
        const auto kept = chipFrom("16F628A", folder.path() + "/kept.hex");
        const auto before = chipFrom("16F628A", eeprom);
        QVERIFY(kept && before);
        for (std::size_t n = 0; n < before->info().eepromBytes; ++n)
            QCOMPARE(kept->eeprom(n), before->eeprom(n));
    }

    // Ctrl-C halfway through programming: the routine ends as the window's
    // stop ends it (no configuration word programmed), exit 130.
    void stopHalfway()
    {
        QTemporaryDir folder;
        const QString fifo = folder.path() + "/trace";
        QCOMPARE(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
        QProcess process;
        process.setWorkingDirectory(folder.path());
        process.start(QStringLiteral(RAVELIN_CLI),
            {"--sim", "--virtual-time", "--chip", "16F84/A", "--trace", fifo, "--save", "chip.hex",
                "program", "-d", "16F84A", "-i", data("hex/valid/f84a_blink.inhx8m.hex"),
                "--config", "3FF1", "--no-verify", "--no-eeprom"});
        QVERIFY(process.waitForStarted());
        // The trace tells how far the run is; Ctrl-C after 400 packets.
        const int trace = ::open(fifo.toLocal8Bit().constData(), O_RDONLY);
        QVERIFY(trace >= 0);
        int lines = 0;
        char byte = 0;
        while (::read(trace, &byte, 1) == 1) {
            if (byte == '\n' && ++lines == 400)
                ::kill(static_cast<pid_t>(process.processId()), SIGINT);
        }
        ::close(trace);
        QVERIFY(process.waitForFinished(60'000));
        QCOMPARE(process.exitCode(), 130);
        QVERIFY(lines > 400);
        const auto chip = chipFrom("16F84/A", folder.path() + "/chip.hex");
        const auto file = chipFrom("16F84/A", data("hex/valid/f84a_blink.inhx8m.hex"));
        QVERIFY(chip && file);
        QCOMPARE(chip->word(0), file->word(0));
        QCOMPARE(hex4(chip->config()), std::string("3FFF"));
        QVERIFY(QString::fromUtf8(process.readAllStandardError())
                    .contains("Device DID NOT Program..."));
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "test_cli.moc"
