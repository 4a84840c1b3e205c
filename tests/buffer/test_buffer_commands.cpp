// The checksum and fill commands, binary files and the load and save commands,
// driven through the window's events. Each rig works in a folder of its own.
#include "buffer/BufferCommands.h"
#include "buffer/BufferFiles.h"
#include "buffer/FileAccess.h"
#include "buffer/TestFiles.h"
#include "support/Rig.h"

#include <QTest>

#include <fcntl.h>
#include <filesystem>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ravelin;
using namespace ravelin::test;
namespace fs = std::filesystem;

namespace {

constexpr std::uint16_t Sentinel = 0x1234;
const std::string NoFile = "Last File Loaded in Buffer=No File Loaded";

bool allWords(const Rig &rig, std::uint16_t value)
{
    const auto &words = rig.st.buffer.DeviceBuffer;
    return std::all_of(words.begin(), words.end(), [&](std::uint16_t w) { return w == value; });
}

// Steps split at blanks: "fill" (a click on Fill), "item:N" (the fill picker),
// "keys:TEXT" (one key per character) or "paste:TEXT" (the field's text set).
void perform(Rig &rig, const QString &steps)
{
    for (const QString &step : steps.split(' ')) {
        const QString what = step.section(':', 0, 0), arg = step.section(':', 1);
        if (what == "fill") {
            rig.form.click(ControlId::Fill);
        } else if (what == "item") {
            rig.form.itemClick(ControlId::FillBox, arg.toInt());
        } else if (what == "keys") {
            for (const QChar c : arg)
                rig.typeInto(ControlId::FillEdit, char(c.toLatin1()));
        } else {
            UiEvent event = UiEvent::of(UiEventKind::TextSet, ControlId::FillEdit);
            event.text = arg.toStdString();
            rig.form.handle(event);
        }
    }
}

std::string lastBox(const Rig &rig)
{
    return rig.host.boxes.empty() ? "" : rig.host.boxes.back().text;
}

std::string checksum(Rig &rig)
{
    rig.form.click(ControlId::Chk_Sum_But);
    return rig.caption(ControlId::Chk_Sum_But);
}

void chooseFileType(Rig &rig, int type)
{
    rig.form.click(ControlId::File_But);
    rig.form.itemClick(ControlId::File_Type, type);
}

void saveFile(Rig &rig, const std::string &name)
{
    rig.host.saveAnswers.push_back(name);
    rig.form.click(ControlId::Save_But);
}

void loadFile(Rig &rig, const std::optional<std::string> &name)
{
    rig.host.openAnswers.push_back(name);
    rig.form.click(ControlId::Load_But);
}

// name, word mask, steps, every word after them (-1: unchanged), the value the
// status line names ("": it keeps its text), the value field, idle again
constexpr std::tuple<const char *, int, const char *, int, const char *, const char *, bool>
    FillRows[] {
        {"0000", 0x3FFF, "item:0", 0, "0000", "", true},
        {"FFFF, 14-bit", 0x3FFF, "item:1", 0x3FFF, "FFFF", "", true},
        {"FFFF, 12-bit", 0x0FFF, "item:1", 0x0FFF, "FFFF", "", true},
        {"cancel", 0x3FFF, "item:3", -1, "", "", true},
        {"XXXX waits for the value", 0x3FFF, "item:2", -1, "", "", false},
        {"typed FFFF", 0x3FFF, "item:2 keys:FFFF\r", 0xFFFF, "FFFF", "FFFF", true},
        {"typed 1", 0x3FFF, "item:2 keys:1\r", 0x0001, "0001", "1", true},
        {"typed abc, upper case", 0x3FFF, "item:2 keys:abc", -1, "", "ABC", false},
        {"typed abc and Enter", 0x3FFF, "item:2 keys:abc\r", 0x0ABC, "0ABC", "ABC", true},
        {"a fifth digit is not taken", 0x3FFF, "item:2 keys:12345", -1, "", "1234", false},
        {"1, 2, G", 0x3FFF, "item:2 keys:12G", -1, "", "", false},
        {"1, 2, G, Enter", 0x3FFF, "item:2 keys:12G\r", -1, "", "", true},
        {"Backspace over 123", 0x3FFF, "item:2 keys:123\b", -1, "", "", false},
        {"Backspace on an empty field, then 7", 0x3FFF, "item:2 keys:\b7", -1, "", "7", false},
        {"empty Enter", 0x3FFF, "item:2 keys:\r", -1, "", "", true},
        {"pasted beef", 0x3FFF, "item:2 paste:beef keys:\r", 0xBEEF, "BEEF", "BEEF", true},
        {"pasted 12G shows", 0x3FFF, "item:2 paste:12G", -1, "", "12G", false},
        {"pasted 12G refused", 0x3FFF, "item:2 paste:12G keys:\r", -1, "", "", true},
        {"pasted 12345 refused", 0x3FFF, "item:2 paste:12345 keys:\r", -1, "", "", true},
        {"pasted 12G, typed over", 0x3FFF, "item:2 paste:12G keys:\b5\r", 5, "0005", "5", true},
        {"the next entry starts empty", 0x3FFF, "item:2 keys:12\r fill item:2", 0x12, "0012", "",
            false},
    };

// name, fill, last program address, the caption: the sum covers the selected
// device's program memory and nothing else, in 16 bits; a last address beyond
// the buffer stops at its end.
constexpr std::tuple<const char *, int, int, const char *> ChecksumRows[] {
    {"one word", 1, 0, "Checksum=0001"},
    {"8K", 1, 0x1FFF, "Checksum=2000"},
    {"past the buffer", 1, 0xFFFF, "Checksum=3000"},
    {"16 bits", 0x3FFF, 0x3FF, "Checksum=FC00"},
};

// name, file type, file under the test data, loads, the box ("%1": the file's name)
constexpr std::tuple<const char *, int, const char *, bool, const char *> LoadRows[] {
    {"hex", 1, "hex/malformed/base_valid.hex", true, ""},
    {"hex, data beyond the buffer", 1, "hex/malformed/addr_6000.hex", true,
        "Data Outside the Buffer Was Ignored....\n8 words"},
    {"hex, one word beyond the buffer", 1, "hex/malformed/addr_8000_alias.hex", true,
        "Data Outside the Buffer Was Ignored....\n1 word"},
    {"hex, bad checksum", 1, "hex/malformed/bad_checksum.hex", false,
        "Invalid Hex File....\nLine 3: checksum F4, should be F5"},
    {"hex, truncated", 1, "hex/malformed/truncated_record.hex", false,
        "Invalid Hex File....\nLine 3: record has 25 characters, its count of 16 bytes needs 43"},
    {"hex, S-records", 1, "hex/malformed/text_not_hex.hex", false,
        "Invalid Hex File....\nLine 1: no Intel HEX record in the file"},
    {"hex, missing", 1, "no such file.hex", false,
        "Could Not Load Buffer....\n%1: No such file or directory"},
    {"binary, a folder", 0, "hex", false, "Could Not Load Buffer....\n%1: Is a directory"},
    {"binary", 0, "hex/native/f84a_blink.native.bin", true, ""},
    {"cancelled", 1, nullptr, false, ""},
};

// name, where the save goes, the old file's mode, why it fails
constexpr std::tuple<const char *, const char *, int, const char *> SaveFailRows[] {
    {"folder missing", "missing/out.hex", 0644, "No such file or directory"},
    {"folder is a file", "old.hex/out.hex", 0644, "Not a directory"},
    {"target is a folder", "sub", 0644, "Is a directory"},
    {"disk full", "old.hex", 0644, "File too large"},
    {"target read-only", "old.hex", 0444, "Permission denied"},
};

// name, file size, limit, bytes read, more than the limit
constexpr std::tuple<const char *, int, int, int, bool> ReadRows[] {
    {"small file, large limit", 100, 64 << 20, 100, false},
    {"one byte over", 4097, 4096, 4096, true},
};

// name, the folder's mode, the file's owner: a save by another user that
// cannot replace the file writes it in place.
constexpr std::tuple<const char *, int, uid_t> InPlaceRows[] {
    {"read-only folder", 0555, 0},
    {"sticky folder, another user's file", 01777, 65533},
};

} // namespace

class BufferCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    // The fill picker and the value field; a fill reaches every word of the
    // buffer, beyond the file image too.
    void fill_data() { tableRows(FillRows); }
    void fill()
    {
        const auto &[name, mask, steps, word, status, field, idle] = currentRow(FillRows);
        Rig rig;
        rig.start();
        rig.st.device.WordMask = std::uint16_t(mask);
        rig.st.buffer.DeviceBuffer.fill(Sentinel);
        const std::string before = rig.caption(ControlId::StaticText3);
        rig.form.click(ControlId::Fill);
        QVERIFY(rig.ui[ControlId::FillBox].visible && !rig.ui[ControlId::Fill].enabled);
        perform(rig, steps);
        QVERIFY(allWords(rig, word < 0 ? Sentinel : std::uint16_t(word)));
        QCOMPARE(rig.caption(ControlId::StaticText3),
            *status ? "Buffer Filled with " + std::string(status) + "..." : before);
        QCOMPARE(rig.caption(ControlId::FillEdit), std::string(field));
        QCOMPARE(rig.ui[ControlId::Fill].enabled && !rig.ui[ControlId::FillBox].visible
                && !rig.ui[ControlId::FillEdit].visible,
            idle);
    }

    void checksumRange_data() { tableRows(ChecksumRows); }
    void checksumRange()
    {
        const auto &[name, fill, last, caption] = currentRow(ChecksumRows);
        Rig rig;
        rig.start();
        rig.st.buffer.DeviceBuffer.fill(std::uint16_t(fill));
        rig.st.device.LastProgramAddress = std::uint16_t(last);
        QCOMPARE(checksum(rig), std::string(caption));
        QVERIFY(rig.ui[ControlId::Chk_Sum_But].enabled);
    }

    // The buffer belongs to no device: another selection keeps every word and
    // only moves the end of the sum.
    void otherDeviceKeepsBuffer()
    {
        Rig rig;
        rig.start();
        rig.st.buffer.DeviceBuffer.fill(1);
        for (const auto &[row, caption] :
            {std::pair {111, "Checksum=2000"}, {0, "Checksum=0200"}}) {
            rig.form.click(ControlId::Device);
            rig.form.itemClick(ControlId::Device_Box, row);
            QVERIFY(allWords(rig, 1));
            QCOMPARE(checksum(rig), std::string(caption));
        }
    }

    void fileTypeChoice()
    {
        for (const auto &[row, caption, extension] :
            {std::tuple {0, "Binary File", "Bin"}, {1, "Hex File", "Hex"}}) {
            Rig rig;
            rig.start();
            rig.form.click(ControlId::File_But);
            QVERIFY(rig.ui[ControlId::File_Type].visible && !rig.ui[ControlId::Save_But].enabled);
            rig.form.itemClick(ControlId::File_Type, row);
            QVERIFY(!rig.ui[ControlId::File_Type].visible && rig.ui[ControlId::Save_But].enabled);
            QCOMPARE(rig.st.buffer.fileType, row);
            QCOMPARE(rig.caption(ControlId::File_But), std::string(caption));
            for (const FileDialogState *dialog : {&rig.ui.OpenDialog1, &rig.ui.SaveDialog1}) {
                QCOMPARE(dialog->defaultExt, std::string(extension));
                QCOMPARE(dialog->filterIndex, row + 1);
            }
        }
    }

    // What a load through the dialog does to the buffer, the last-file label,
    // the dialog's file name and the boxes: a file that does not load leaves
    // all of them as the previous load left them.
    void load_data() { tableRows(LoadRows); }
    void load()
    {
        const auto &[label, type, file, loads, box] = currentRow(LoadRows);
        const std::string previous = dataPath("hex/malformed/only_eof.hex");
        Rig rig;
        rig.start();
        rig.st.buffer.fileType = 1;
        loadFile(rig, previous);
        rig.st.buffer.fileType = type;
        rig.st.buffer.DeviceBuffer.fill(Sentinel);
        rig.st.device.LastProgramAddress = 0;
        const std::string name = file ? dataPath(file) : "";
        loadFile(rig, file ? std::optional(name) : std::nullopt);
        QCOMPARE(rig.caption(ControlId::StaticText1),
            "Last File Loaded in Buffer=" + (loads ? name : previous));
        QCOMPARE(rig.ui.OpenDialog1.fileName, loads ? name : previous);
        QCOMPARE(QString::fromStdString(lastBox(rig)), QString(box).replace("%1", name.c_str()));
        QCOMPARE(allWords(rig, Sentinel), !loads);
        // The sum is taken again after every load, whatever became of it.
        QCOMPARE(rig.caption(ControlId::Chk_Sum_But),
            "Checksum="
                + QString("%1")
                      .arg(rig.st.buffer.DeviceBuffer[0], 4, 16, QChar('0'))
                      .toUpper()
                      .toStdString());
        QVERIFY(!rig.ui[ControlId::StaticText2].visible);
        QVERIFY(rig.ui.formEnabled() && rig.ui[ControlId::Load_But].enabled);
    }

    // Binary loads change only the bytes the file holds, unmasked, and stop at
    // the file image.
    void binaryLoad_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("word0");
        QTest::addColumn<int>("word1");
        QTest::addColumn<int>("lastImageWord");
        QTest::newRow("3 bytes") << QByteArray("\x11\x22\x33", 3) << 0x2211 << 0x1233
                                 << int(Sentinel);
        QTest::newRow("FFFF words on a 14-bit device")
            << QByteArray(16912, '\xFF') << 0xFFFF << 0xFFFF << 0xFFFF;
        QTest::newRow("32768 bytes") << QByteArray(32768, '\x01') << 0x0101 << 0x0101 << 0x0101;
    }
    void binaryLoad()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, word0);
        QFETCH(int, word1);
        QFETCH(int, lastImageWord);
        Rig rig;
        writeText("image.bin", bytes.toStdString());
        rig.start();
        rig.st.buffer.DeviceBuffer.fill(Sentinel);
        loadFile(rig, "image.bin");
        const auto &words = rig.st.buffer.DeviceBuffer;
        QCOMPARE(
            (QList<int> {words[0], words[1], words[FileImageWords - 1], words[FileImageWords]}),
            (QList<int> {word0, word1, lastImageWord, Sentinel}));
    }

    // A binary save is the file image, low byte first; it claims no file.
    void binarySave()
    {
        Rig rig;
        rig.start();
        rig.st.buffer.DeviceBuffer.fill(0xFFFF);
        rig.st.buffer.DeviceBuffer[0] = 0xA1B2;
        saveFile(rig, "saved.Bin");
        const std::vector<std::uint8_t> bytes = readBytes("saved.Bin");
        QCOMPARE(bytes.size(), std::size_t {16912});
        QCOMPARE((QList<int> {bytes[0], bytes[1], bytes[16911]}), (QList<int> {0xB2, 0xA1, 0xFF}));
        QVERIFY(rig.host.boxes.empty() && rig.ui.formEnabled());
        QCOMPARE(rig.caption(ControlId::StaticText1), NoFile);
    }

    // A loaded native file saved again is the same file, byte for byte.
    void hexLoadThenSave()
    {
        Rig rig;
        rig.start();
        chooseFileType(rig, 1);
        loadFile(rig, dataPath("hex/native/f628a_eeprom.native.hex"));
        saveFile(rig, "copy.hex");
        QVERIFY(
            readText("copy.hex") == readText(dataPath("hex/native/f628a_eeprom.native.crlf.hex")));
        QVERIFY(!rig.ui[ControlId::StaticText2].visible);
    }

    // Save follows the button's caption, Load the file type: for a type that
    // is neither, Save writes binary and Load reads Intel HEX.
    void unknownFileType()
    {
        Rig rig;
        rig.start();
        rig.st.buffer.fileType = 2;
        ApplyFileType(rig.form.core());
        QCOMPARE(rig.caption(ControlId::File_But), std::string("Binary File"));
        QCOMPARE(rig.ui.SaveDialog1.defaultExt, std::string("Hex"));
        saveFile(rig, "out");
        QCOMPARE(readBytes("out").size(), std::size_t {16912});
        loadFile(rig, dataPath("hex/malformed/base_valid.hex"));
        QCOMPARE(rig.st.buffer.DeviceBuffer[0], std::uint16_t {0x2805});
    }

    // A save that cannot be made says so, leaves the old file as it was and no
    // temporary behind.
    void saveFails_data() { tableRows(SaveFailRows); }
    void saveFails()
    {
        const auto &[label, where, mode, reason] = currentRow(SaveFailRows);
        Rig rig;
        writeText("old.hex", "old contents");
        chmod("old.hex", mode_t(mode));
        fs::create_directory("sub");
        rig.start();
        chooseFileType(rig, 1);
        // A file size limit stands in for a full disk: writes beyond it fail.
        rlimit saved {};
        getrlimit(RLIMIT_FSIZE, &saved);
        const bool limitSize = std::string_view(reason) == "File too large";
        if (limitSize) {
            signal(SIGXFSZ, SIG_IGN);
            rlimit small = saved;
            small.rlim_cur = 4096;
            setrlimit(RLIMIT_FSIZE, &small);
        }
        saveFile(rig, where);
        if (limitSize)
            setrlimit(RLIMIT_FSIZE, &saved);
        QCOMPARE(lastBox(rig), "Could Not Save Buffer....\n" + std::string(where) + ": " + reason);
        QCOMPARE(rig.host.boxes.back().kind, MessageKind::Error);
        QCOMPARE(readText("old.hex"), std::string("old contents"));
        QCOMPARE(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 2L);
        QVERIFY(rig.ui.formEnabled() && !rig.ui[ControlId::StaticText2].visible);
    }

    // A FIFO or a device node is written as it stands, never replaced by a file.
    void saveToNodes()
    {
        Rig rig;
        QCOMPARE(::mkfifo("fifo", 0600), 0);
        rig.start();
        chooseFileType(rig, 1);
        saveFile(rig, "/dev/null");
        QVERIFY(rig.host.boxes.empty() || lastBox(rig).find("Could Not Save") == std::string::npos);
        QVERIFY(fs::is_character_file("/dev/null"));
        saveFile(rig, "fifo");
        QCOMPARE(lastBox(rig), std::string("Could Not Save Buffer....\nfifo: a FIFO nobody reads"));
        QVERIFY(fs::is_fifo("fifo"));
    }

    // A save through a link replaces the file it points to, with its permissions.
    void saveThroughLink()
    {
        Rig rig;
        writeText("real.bin", "old");
        chmod("real.bin", 0640);
        fs::create_symlink("real.bin", "link.bin");
        rig.start();
        saveFile(rig, "link.bin");
        QVERIFY(rig.host.boxes.empty());
        QVERIFY(fs::is_symlink("link.bin"));
        QCOMPARE(readBytes("real.bin").size(), std::size_t {16912});
        QCOMPARE(fs::status("real.bin").permissions(), fs::perms(0640));
    }

    // A file read whole, however high the limit, in no more room than it takes.
    void readBounded_data() { tableRows(ReadRows); }
    void readBounded()
    {
        const auto &[label, size, limit, read, over] = currentRow(ReadRows);
        Rig rig;
        writeText("file", std::string(std::size_t(size), 'x'));
        const FileBytes file = readFileBytes("file", std::size_t(limit));
        QVERIFY(file.error.empty());
        QCOMPARE(file.bytes.size(), std::size_t(read));
        QCOMPARE(file.truncated, over);
        QVERIFY(file.bytes.capacity() < std::size_t(2 * size + 4096));
    }

    // A folder the user may not write to, or may not replace the file in,
    // holding a file they may write: the file is written in place.
    void saveInPlace_data() { tableRows(InPlaceRows); }
    void saveInPlace()
    {
        const auto &[label, folderMode, owner] = currentRow(InPlaceRows);
        Rig rig;
        rig.start();
        fs::create_directory("locked");
        writeText("locked/buffer.bin", "old");
        chmod("locked/buffer.bin", 0666);
        if (geteuid() == 0 && chown("locked/buffer.bin", owner, owner) != 0)
            QFAIL("could not hand the file to another user");
        chmod("locked", mode_t(folderMode));
        chmod(".", 0755);
        // Root writes anywhere; the save runs as an ordinary user then.
        const uid_t user = geteuid();
        if (user == 0 && seteuid(65534) != 0)
            QSKIP("running as root without a way to act as an ordinary user");
        // Without root the file cannot belong to another user.
        const bool sticky = (folderMode & S_ISVTX) != 0;
        if (sticky ? user != 0 : faccessat(AT_FDCWD, "locked", W_OK, AT_EACCESS) == 0) {
            if (user == 0 && seteuid(0) != 0)
                QFAIL("could not return to root");
            QSKIP("the file can be replaced here, so there is nothing to show");
        }
        saveFile(rig, "locked/buffer.bin");
        if (user == 0 && seteuid(0) != 0)
            QFAIL("could not return to root");
        chmod("locked", 0755);
        QVERIFY(rig.host.boxes.empty());
        QCOMPARE(readBytes("locked/buffer.bin").size(), std::size_t {16912});
        QCOMPARE(std::distance(fs::directory_iterator("locked"), fs::directory_iterator()), 1L);
    }
};

QTEST_APPLESS_MAIN(BufferCommandsTest)
#include "test_buffer_commands.moc"
