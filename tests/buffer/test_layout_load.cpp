// Loading an assembler's file in the window: the question, and what Yes and No
// put where. Each rig works in a folder of its own.
#include "app/Settings.h"
#include "buffer/BufferFiles.h"
#include "buffer/TestFiles.h"
#include "support/Rig.h"

#include <QTest>

using namespace ravelin;
using namespace ravelin::test;

namespace {

constexpr int NoDevice = -1;
const std::string Question = "This File Uses the Microchip Layout....\n"
                             "Load Its Fuses, ID and EEprom Data Where They Belong ?";

enum class Asked : std::uint8_t { Nothing, Yes, No };

// name, device row, file under hex/, whether the question comes and its
// answer, the configuration word after Yes (-1 unchanged), native twin for the
// buffer after Yes (nullptr: not compared), the box after the load
constexpr std::tuple<const char *, int, const char *, Asked, int, const char *, const char *>
    LoadRows[] {
        {"16F628A, Yes", 91, "valid/f628a_eeprom.inhx8m.hex", Asked::Yes, 0x3F70, "f628a_eeprom",
            ""},
        {"12C508A, Yes", 0, "valid/c508a_osccal.srec_obs64_crlf.hex", Asked::Yes, 0x0FEA,
            "c508a_osccal", ""},
        {"12F675, Yes", 11, "valid/f675_eeprom.inhx8m.hex", Asked::Yes, 0x3FC4, nullptr, ""},
        // The 16F84/A of the device list has no data EEPROM: its bytes have no place.
        {"16F84A, Yes", 84, "valid/f84a_blink.srec_fillFF.hex", Asked::Yes, 0x3FF1, nullptr,
            "Data Outside the Buffer Was Ignored....\n9 words"},
        {"16F628A, No", 91, "valid/f628a_eeprom.inhx32.hex", Asked::No, -1, nullptr, ""},
        {"16C54, No", 14, "valid/c54_counter.inhx8m.hex", Asked::No, -1, nullptr, ""},
        {"own file", 91, "native/f628a_eeprom.native.crlf.hex", Asked::Nothing, -1, nullptr, ""},
        {"program words only", 84, "malformed/base_valid.hex", Asked::Nothing, -1, nullptr, ""},
        {"no device", NoDevice, "valid/f628a_eeprom.inhx8m.hex", Asked::Nothing, -1, nullptr, ""},
    };

// The device of a list row, and Intel HEX files.
void prepare(Rig &rig, int row)
{
    rig.start();
    if (row != NoDevice) {
        rig.form.click(ControlId::Device);
        rig.form.itemClick(ControlId::Device_Box, row);
    }
    rig.form.click(ControlId::File_But);
    rig.form.itemClick(ControlId::File_Type, 1);
}

// The buffer as the described load leaves it, from the rig's start.
BufferWords describedLoad(const std::string &path, std::uint16_t wordMask)
{
    BufferWords words {};
    applyHexImage(parseIntelHex(readText(path)).image, words, wordMask);
    return words;
}

int questions(const Rig &rig)
{
    return int(std::count_if(rig.host.boxes.begin(), rig.host.boxes.end(),
        [](const MessageBoxRequest &box) { return box.text == Question; }));
}

} // namespace

class LayoutLoadTest : public QObject
{
    Q_OBJECT

private slots:
    void load_data() { tableRows(LoadRows); }
    void load()
    {
        const auto &[label, row, file, asked, config, native, box] = currentRow(LoadRows);
        Rig rig;
        prepare(rig, row);
        const std::uint16_t configBefore = rig.st.device.ConfigWord;
        const std::string fuseBefore = rig.caption(ControlId::Fuse_Data);
        const std::string path = dataPath(std::string("hex/") + file);
        rig.host.boxes.clear();
        rig.host.boxAnswers.push_back(asked == Asked::Yes ? MessageAnswer::Yes : MessageAnswer::No);
        rig.host.openAnswers.push_back(path);
        rig.form.click(ControlId::Load_But);

        QCOMPARE(questions(rig), asked == Asked::Nothing ? 0 : 1);
        if (asked != Asked::Nothing) {
            const MessageBoxRequest &question = rig.host.boxes.front();
            QVERIFY(question.buttons == MessageButtons::YesNo && question.defaultNo);
        }
        const std::string lastBox = rig.host.boxes.empty() ? "" : rig.host.boxes.back().text;
        QCOMPARE(lastBox, asked == Asked::Nothing || *box ? std::string(box) : Question);
        QCOMPARE(rig.caption(ControlId::StaticText1), "Last File Loaded in Buffer=" + path);
        const BufferWords &buffer = rig.st.buffer.DeviceBuffer;
        if (asked != Asked::Yes) {
            QVERIFY(buffer == describedLoad(path, rig.st.device.WordMask));
            QCOMPARE(rig.st.device.ConfigWord, configBefore);
            QCOMPARE(rig.caption(ControlId::Fuse_Data), fuseBefore);
            return;
        }
        QCOMPARE(int(rig.st.device.ConfigWord), config);
        QCOMPARE(rig.caption(ControlId::Fuse_Data),
            "Fuse = " + QString::asprintf("%04X", config).toStdString());
        if (native != nullptr) {
            // Saved again, the buffer is the other tool's mapping, in this
            // program's own layout.
            const std::string stem = dataPath("hex/native/" + std::string(native));
            QVERIFY(binaryImage(buffer) == readBytes(stem + ".native.bin"));
            rig.host.saveAnswers.push_back("saved.hex");
            rig.form.click(ControlId::Save_But);
            QVERIFY(readText("saved.hex") == readText(stem + ".native.crlf.hex"));
        }
    }

    // The last file, reloaded at start-up, is asked about the same way.
    void startUpReload()
    {
        for (const MessageAnswer answer : {MessageAnswer::Yes, MessageAnswer::No}) {
            Rig rig;
            const std::string path = dataPath("hex/valid/f628a_eeprom.inhx8m.hex");
            writeText(
                std::string(SettingsFileName), "5\r\n91\r\n1\r\n0\r\n2047\r\n" + path + "\r\n");
            // Other boxes of the start-up take their usual answers.
            rig.host.whileBoxShown = [&](const MessageBoxRequest &box) {
                if (box.text == Question)
                    rig.host.boxAnswers.push_front(answer);
            };
            rig.start();
            QCOMPARE(questions(rig), 1);
            QCOMPARE(int(rig.st.device.ConfigWord), answer == MessageAnswer::Yes ? 0x3F70 : 0x3FFF);
            QCOMPARE(int(rig.st.buffer.DeviceBuffer[0x2000]), answer == MessageAnswer::Yes ? 1 : 0);
        }
    }
};

QTEST_APPLESS_MAIN(LayoutLoadTest)
#include "test_layout_load.moc"
