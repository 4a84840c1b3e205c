// The settings file: what start-up restores from it and what closing writes.
// Each rig runs in a working directory of its own.
#include "app/Settings.h"
#include "buffer/TestFiles.h"
#include "support/Rig.h"

#include <QTest>

#include <filesystem>

#include <sys/stat.h>

using namespace ravelin;
using namespace ravelin::test;

namespace {

// Lines given as "a|b|c": each one CR LF ended. Text with its own line ends
// is taken as it is.
std::string lines(const QString &text)
{
    if (text.contains('\n') || text.contains('\r'))
        return text.toStdString();
    std::string result;
    for (const QString &line : text.split('|'))
        result += line.toStdString() + "\r\n";
    return result;
}

std::vector<std::string> errorBoxes(const Rig &rig)
{
    std::vector<std::string> texts;
    for (const MessageBoxRequest &box : rig.host.boxes) {
        if (box.kind != MessageKind::Information)
            texts.push_back(box.text);
    }
    return texts;
}

std::string closeAndRead(Rig &rig)
{
    rig.form.FormCloseQuery();
    return readText(std::string(SettingsFileName));
}

const std::string NoFile = "Last File Loaded in Buffer=No File Loaded";

// name, the file (nullptr: none), device, pulse delay, file type, start and
// last address, the slots refused ("a|b"), the file the next close writes
constexpr std::tuple<const char *, const char *, const char *, int, int, int, int, const char *,
    const char *>
    RestoreRows[] {
        {"no file", nullptr, "No Device", 5, 0, 0, 0, nullptr, "5|0|0|0|0|"},
        {"pulse 3 stays 5", "3|111|1|0|8191|", "16F877A", 5, 1, 0, 0x1FFF, nullptr,
            "5|111|1|0|8191|"},
        {"pulse 12", "12|111|0|0|8191|", "16F877A", 12, 0, 0, 0x1FFF, nullptr, "12|111|0|0|8191|"},
        {"file type 2", "5|111|2|0|8191|", "16F877A", 5, 2, 0, 0x1FFF, nullptr, "5|111|2|0|8191|"},
        {"addresses replace the device's", "5|0|1|16|100|", "12C508/A", 5, 1, 16, 100, nullptr,
            "5|0|1|16|100|"},
        {"LF and CR line ends", "7\n111\r0\n0\r8191\n\n", "16F877A", 7, 0, 0, 0x1FFF, nullptr,
            "7|111|0|0|8191|"},
        {"blanks, signs, low 16 bits", " +9|111|0|-5|70000|", "16F877A", 9, 0, 0xFFFB, 4464,
            nullptr, "9|111|0|65531|4464|"},
        {"fewer than six lines", "12", "12C509/A", 12, 1, 1, 1, nullptr, "12|1|1|1|1|"},
        {"row outside the list", "5|200|1|0|0|", "No Device", 5, 1, 0, 0, nullptr, "5|200|1|0|0|"},
        {"bad slot 1", "fast|111|1|0|8191|", "16F877A", 5, 1, 0, 0x1FFF, "fast", "5|111|1|0|8191|"},
        {"bad slot 2", "5|abc|1|3|4|", "No Device", 5, 1, 3, 4, "abc", "5|0|1|3|4|"},
        {"bad slots 3 and 5", "5|111|1x|2||", "16F877A", 5, 0, 2, 0x1FFF, "1x|", "5|111|0|2|8191|"},
        {"beyond 32 bits", "5|111|0|0|4294967296|", "16F877A", 5, 0, 0, 0x1FFF, "4294967296",
            "5|111|0|0|8191|"},
    };

// name, file type, the last file under the test data, loads, word 0 after the start
constexpr std::tuple<const char *, int, const char *, bool, int> LastFileRows[] {
    {"hex", 1, "hex/native/f84a_blink.native.hex", true, 0x2805},
    {"binary", 0, "hex/native/f84a_blink.native.bin", true, 0x2805},
    {"binary read as hex", 1, "hex/native/f84a_blink.native.bin", false, 0},
    {"refused hex", 1, "hex/malformed/bad_checksum.hex", false, 0},
    {"missing", 1, "gone.hex", false, 0},
};

// name, text, its value (nullopt: refused)
constexpr std::tuple<const char *, const char *, std::optional<std::int32_t>> IntegerRows[] {
    {"lowest", "-2147483648", -2147483647 - 1},
    {"highest", "2147483647", 2147483647},
    {"too high", "2147483648", std::nullopt},
    {"sign only", "-", std::nullopt},
    {"trailing blank", "42 ", std::nullopt},
    {"hex", "0x10", std::nullopt},
    {"blank inside", "4 2", std::nullopt},
};

} // namespace

class SettingsTest : public QObject
{
    Q_OBJECT

private slots:
    // What each file restores and what the next close writes back. Whatever
    // the file held, the start-up runs to its end: the search, the device list
    // when no device was restored, and the commands unlocked.
    void restore_data() { tableRows(RestoreRows); }
    void restore()
    {
        const auto &[name, file, device, pulse, fileType, start, last, refused, written]
            = currentRow(RestoreRows);
        Rig rig;
        if (file)
            writeText(std::string(SettingsFileName), lines(file));
        rig.start();
        QCOMPARE(rig.caption(ControlId::Device), std::string(device));
        QCOMPARE((QList<int> {rig.st.op.PulseDelaySetting, rig.st.buffer.fileType,
                     rig.st.device.StartAddress, rig.st.device.LastProgramAddress}),
            (QList<int> {pulse, fileType, start, last}));
        QCOMPARE(rig.caption(ControlId::File_But), fileType == 1 ? "Hex File" : "Binary File");
        std::vector<std::string> expected;
        for (const QString &slot : refused ? QString(refused).split('|') : QStringList())
            expected.push_back("'" + slot.toStdString() + "' is not a valid integer value");
        QCOMPARE(errorBoxes(rig), expected);
        QCOMPARE(rig.st.ConnectionState, 2);
        QCOMPARE(rig.ui[ControlId::Device_Box].visible, std::string_view(device) == "No Device");
        for (ControlId id : {ControlId::Program_Eprom, ControlId::Fill, ControlId::Save_But,
                 ControlId::Load_But, ControlId::Device})
            QVERIFY(rig.ui[id].enabled);
        QCOMPARE(rig.caption(ControlId::StaticText1), NoFile);
        QCOMPARE(closeAndRead(rig), lines(written));
    }

    // The last file is loaded again by its type; a file that is missing or
    // refused is passed over without a box and is not kept as the last file.
    // The reload leaves the checksum caption alone.
    void lastFile_data() { tableRows(LastFileRows); }
    void lastFile()
    {
        const auto &[label, type, file, loads, word0] = currentRow(LastFileRows);
        Rig rig;
        const std::string name = dataPath(file);
        writeText(std::string(SettingsFileName),
            lines("5|111|" + QString::number(type) + "|0|8191|" + QString::fromStdString(name)));
        rig.start();
        QVERIFY(errorBoxes(rig).empty());
        QCOMPARE(int(rig.st.buffer.DeviceBuffer[0]), word0);
        QCOMPARE(rig.caption(ControlId::StaticText1),
            loads ? "Last File Loaded in Buffer=" + name : NoFile);
        QCOMPARE(rig.caption(ControlId::Chk_Sum_But), std::string("Checksum=0000"));
        QVERIFY(!rig.ui[ControlId::StaticText2].visible);
        const QString saved = QString::fromStdString(closeAndRead(rig));
        QCOMPARE(saved.split("\r\n").value(5), loads ? QString::fromStdString(name) : QString());
    }

    // A settings file that cannot be written (a folder in its place, or a
    // file without write permission, even for root) never keeps the window
    // open, and leaves the old one and nothing else behind.
    void unwritableAtClose()
    {
        for (const bool folder : {true, false}) {
            Rig rig;
            const std::string name(SettingsFileName);
            if (folder) {
                std::filesystem::create_directory(name);
            } else {
                writeText(name, lines("5|111|1|0|8191|"));
                chmod(name.c_str(), 0444);
            }
            rig.start();
            rig.st.buffer.fileType = 0; // what the close would write differs
            QVERIFY(rig.form.FormCloseQuery());
            QVERIFY(errorBoxes(rig).empty());
            QCOMPARE(std::filesystem::is_directory(name), folder);
            QVERIFY(folder || readText(name) == lines("5|111|1|0|8191|"));
            QCOMPARE(std::distance(std::filesystem::directory_iterator("."),
                         std::filesystem::directory_iterator()),
                1L);
        }
    }

    void integers_data() { tableRows(IntegerRows); }
    void integers()
    {
        const auto &[name, text, value] = currentRow(IntegerRows);
        QCOMPARE(settingsInteger(text), value);
    }

    // Up to 29 lines, each ended by CR LF, LF or CR; a line the file does not
    // have reads as "1".
    void settingsSlots_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("value");
        QTest::newRow("empty file") << QByteArray() << 0 << "1";
        QTest::newRow("no line after the last end") << QByteArray("5\r\n6\r\n") << 2 << "1";
        QTest::newRow("last line without end") << QByteArray("5\r\n6") << 1 << "6";
        QTest::newRow("29th line") << QByteArray("a\n").repeated(28) + "last\nnot read\n"
                                   << 28 << "last";
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF"
                                                       "12\r\n")
                                         << 0 << "12";
    }
    void settingsSlots()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, slot);
        QFETCH(QString, value);
        const SettingsSlots read = parseSettingsText(text.toStdString());
        QCOMPARE(QString::fromStdString(read[std::size_t(slot)]), value);
    }
};

QTEST_APPLESS_MAIN(SettingsTest)
#include "test_settings.moc"
