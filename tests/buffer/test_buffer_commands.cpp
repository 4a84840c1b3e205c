// The checksum and fill commands, binary files and the load and save commands,
// driven through the window's events.
#include "buffer/BufferCommands.h"
#include "buffer/BufferFiles.h"
#include "buffer/TestFiles.h"
#include "support/Rig.h"

#include <QTemporaryDir>
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

void fillBuffer(Rig &rig, std::uint16_t value)
{
    rig.st.buffer.DeviceBuffer.fill(value);
}

bool allWords(const Rig &rig, std::uint16_t value)
{
    const auto &words = rig.st.buffer.DeviceBuffer;
    return std::all_of(words.begin(), words.end(), [&](std::uint16_t w) { return w == value; });
}

// Runs "item:N", "keys:TEXT" (one key per character) or "paste:TEXT".
void perform(Rig &rig, const QString &step)
{
    const QString what = step.section(':', 0, 0);
    const QString arg = step.section(':', 1);
    if (what == "item") {
        rig.form.itemClick(ControlId::FillBox, arg.toInt());
    } else if (what == "keys") {
        for (const QChar c : arg)
            rig.form.keyPress(ControlId::FillEdit, char(c.toLatin1()));
    } else if (what == "paste") {
        UiEvent event = UiEvent::of(UiEventKind::TextSet, ControlId::FillEdit);
        event.text = arg.toStdString();
        rig.form.handle(event);
    }
}

bool isIdle(const Rig &rig)
{
    return rig.ui[ControlId::Fill].enabled && !rig.ui[ControlId::FillBox].visible
        && !rig.ui[ControlId::FillEdit].visible;
}

std::string lastBox(const Rig &rig)
{
    return rig.host.boxes.empty() ? "" : rig.host.boxes.back().text;
}

struct Device
{
    std::uint16_t last;
    std::uint16_t mask;
};

void setDevice(Rig &rig, Device device)
{
    rig.st.device.LastProgramAddress = device.last;
    rig.st.device.WordMask = device.mask;
}

std::string fileName(const QTemporaryDir &dir, const char *name)
{
    return dir.filePath(name).toStdString();
}

} // namespace

class BufferCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void freshStart()
    {
        Rig rig;
        rig.start();
        QCOMPARE(rig.caption(ControlId::Chk_Sum_But), std::string("Checksum=0000"));
        rig.form.click(ControlId::Chk_Sum_But);
        QCOMPARE(rig.caption(ControlId::Chk_Sum_But), std::string("Checksum=0000"));
        QCOMPARE(rig.caption(ControlId::StaticText1),
            std::string("Last File Loaded in Buffer=No File Loaded"));
    }

    // The fill picker and the value field, then the checksum of the device's
    // program memory.
    void fill_data()
    {
        QTest::addColumn<int>("last");
        QTest::addColumn<int>("mask");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("word"); // -1: the buffer is unchanged
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("idle");
        QTest::addColumn<int>("checksum");
        const QString none; // the status line keeps its text
        QTest::newRow("0000") << 0x3FF << 0x3FFF << QStringList {"item:0"} << 0
                              << "Buffer Filled with 0000..."
                              << "" << true << 0;
        QTest::newRow("FFFF, 1K 14-bit")
            << 0x3FF << 0x3FFF << QStringList {"item:1"} << 0x3FFF << "Buffer Filled with FFFF..."
            << "" << true << 0xFC00;
        QTest::newRow("FFFF, 512 12-bit")
            << 0x1FF << 0x0FFF << QStringList {"item:1"} << 0x0FFF << "Buffer Filled with FFFF..."
            << "" << true << 0xFE00;
        QTest::newRow("cancel") << 0x3FF << 0x3FFF << QStringList {"item:3"} << -1 << none << ""
                                << true << 0x400 * Sentinel;
        QTest::newRow("XXXX waits for the value")
            << 0x3FF << 0x3FFF << QStringList {"item:2"} << -1 << none << "" << false << -1;
        QTest::newRow("typed FFFF") << 0x3FF << 0x3FFF << QStringList {"item:2", "keys:FFFF\r"}
                                    << 0xFFFF << "Buffer Filled with FFFF..."
                                    << "FFFF" << true << 0xFC00;
        QTest::newRow("typed 1") << 0x3FF << 0x3FFF << QStringList {"item:2", "keys:1\r"} << 0x0001
                                 << "Buffer Filled with 0001..."
                                 << "1" << true << 0x0400;
        QTest::newRow("typed abc, upper case")
            << 0x3FF << 0x3FFF << QStringList {"item:2", "keys:abc"} << -1 << none << "ABC" << false
            << -1;
        QTest::newRow("typed abc and Enter")
            << 0x3FF << 0x3FFF << QStringList {"item:2", "keys:abc\r"} << 0x0ABC
            << "Buffer Filled with 0ABC..."
            << "ABC" << true << -1;
        QTest::newRow("a fifth digit is not taken")
            << 0x3FF << 0x3FFF << QStringList {"item:2", "keys:12345"} << -1 << none << "1234"
            << false << -1;
        QTest::newRow("1, 2, G") << 0x3FF << 0x3FFF << QStringList {"item:2", "keys:12G"} << -1
                                 << none << "" << false << -1;
        QTest::newRow("1, 2, G, Enter") << 0x3FF << 0x3FFF << QStringList {"item:2", "keys:12G\r"}
                                        << -1 << none << "" << true << -1;
        QTest::newRow("Backspace over 123")
            << 0x3FF << 0x3FFF << QStringList {"item:2", "keys:123\b"} << -1 << none << "" << false
            << -1;
        QTest::newRow("Backspace on an empty field, then 7")
            << 0x3FF << 0x3FFF << QStringList {"item:2", "keys:\b7"} << -1 << none << "7" << false
            << -1;
        QTest::newRow("empty Enter") << 0x3FF << 0x3FFF << QStringList {"item:2", "keys:\r"} << -1
                                     << none << "" << true << -1;
        QTest::newRow("pasted beef")
            << 0x3FF << 0x3FFF << QStringList {"item:2", "paste:beef", "keys:\r"} << 0xBEEF
            << "Buffer Filled with BEEF..."
            << "BEEF" << true << -1;
        QTest::newRow("pasted 12G shows") << 0x3FF << 0x3FFF << QStringList {"item:2", "paste:12G"}
                                          << -1 << none << "12G" << false << -1;
        QTest::newRow("pasted 12G refused")
            << 0x3FF << 0x3FFF << QStringList {"item:2", "paste:12G", "keys:\r"} << -1 << none << ""
            << true << -1;
        QTest::newRow("pasted 12345 refused")
            << 0x3FF << 0x3FFF << QStringList {"item:2", "paste:12345", "keys:\r"} << -1 << none
            << "" << true << -1;
        QTest::newRow("pasted 12G, typed over")
            << 0x3FF << 0x3FFF << QStringList {"item:2", "paste:12G", "keys:\b5\r"} << 0x0005
            << "Buffer Filled with 0005..."
            << "5" << true << -1;
    }
    void fill()
    {
        QFETCH(int, last);
        QFETCH(int, mask);
        QFETCH(QStringList, steps);
        QFETCH(int, word);
        QFETCH(QString, status);
        QFETCH(QString, field);
        QFETCH(bool, idle);
        QFETCH(int, checksum);
        Rig rig;
        rig.start();
        setDevice(rig, {std::uint16_t(last), std::uint16_t(mask)});
        fillBuffer(rig, Sentinel);
        const QString before = QString::fromStdString(rig.caption(ControlId::StaticText3));

        rig.form.click(ControlId::Fill);
        QVERIFY(rig.ui[ControlId::FillBox].visible);
        QVERIFY(!rig.ui[ControlId::Fill].enabled);
        QCOMPARE(rig.ui[ControlId::FillBox].items,
            std::vector<std::string>(FillChoices.begin(), FillChoices.end()));
        for (const QString &step : steps)
            perform(rig, step);

        // A fill reaches every word of the buffer, beyond the file image too.
        QVERIFY(allWords(rig, word < 0 ? Sentinel : std::uint16_t(word)));
        QCOMPARE(QString::fromStdString(rig.caption(ControlId::StaticText3)),
            status.isEmpty() ? before : status);
        QCOMPARE(QString::fromStdString(rig.caption(ControlId::FillEdit)), field);
        QCOMPARE(isIdle(rig), idle);
        if (checksum >= 0) {
            rig.form.click(ControlId::Chk_Sum_But);
            QCOMPARE(QString::fromStdString(rig.caption(ControlId::Chk_Sum_But)),
                "Checksum=" + QString("%1").arg(checksum & 0xFFFF, 4, 16, QChar('0')).toUpper());
        }
    }

    void fillValueEntryStartsEmpty()
    {
        Rig rig;
        rig.start();
        rig.form.click(ControlId::Fill);
        perform(rig, "item:2");
        perform(rig, "keys:12");
        rig.form.click(ControlId::Fill); // locked: nothing happens
        QCOMPARE(rig.caption(ControlId::FillEdit), std::string("12"));
        perform(rig, "keys:\r");
        rig.form.click(ControlId::Fill);
        perform(rig, "item:2");
        QCOMPARE(rig.caption(ControlId::FillEdit), std::string(""));
        QVERIFY(rig.ui[ControlId::FillEdit].visible);
    }

    // The sum covers the selected device's program memory and nothing else;
    // a last address beyond the buffer stops at its end.
    void checksumRange_data()
    {
        QTest::addColumn<int>("last");
        QTest::addColumn<QString>("caption");
        QTest::newRow("one word") << 0 << "Checksum=0001";
        QTest::newRow("8K") << 0x1FFF << "Checksum=2000";
        QTest::newRow("past the buffer") << 0xFFFF << "Checksum=3000";
    }
    void checksumRange()
    {
        QFETCH(int, last);
        QFETCH(QString, caption);
        Rig rig;
        rig.start();
        fillBuffer(rig, 1);
        rig.st.device.LastProgramAddress = std::uint16_t(last);
        rig.form.click(ControlId::Chk_Sum_But);
        QCOMPARE(QString::fromStdString(rig.caption(ControlId::Chk_Sum_But)), caption);
        QVERIFY(rig.ui[ControlId::Chk_Sum_But].enabled);
    }

    // The buffer belongs to no device: another selection keeps every word and
    // only moves the end of the sum.
    void otherDeviceKeepsBuffer()
    {
        Rig rig;
        rig.start();
        fillBuffer(rig, 1);
        for (const auto &[row, caption] :
            {std::pair {111, "Checksum=2000"}, std::pair {0, "Checksum=0200"}}) {
            rig.form.click(ControlId::Device);
            rig.form.itemClick(ControlId::Device_Box, row);
            QVERIFY(allWords(rig, 1));
            rig.form.click(ControlId::Chk_Sum_But);
            QCOMPARE(rig.caption(ControlId::Chk_Sum_But), std::string(caption));
        }
    }

    void fileTypeChoice_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<int>("filterIndex");
        QTest::newRow("Binary") << 0 << "Binary File"
                                << "Bin" << 1;
        QTest::newRow("Intel Hex") << 1 << "Hex File"
                                   << "Hex" << 2;
    }
    void fileTypeChoice()
    {
        QFETCH(int, row);
        QFETCH(QString, caption);
        QFETCH(QString, extension);
        QFETCH(int, filterIndex);
        Rig rig;
        rig.start();
        rig.form.click(ControlId::File_But);
        QVERIFY(rig.ui[ControlId::File_Type].visible);
        QVERIFY(!rig.ui[ControlId::Save_But].enabled);
        rig.form.itemClick(ControlId::File_Type, row);
        QVERIFY(!rig.ui[ControlId::File_Type].visible);
        QVERIFY(rig.ui[ControlId::Save_But].enabled);
        QCOMPARE(rig.st.buffer.fileType, row);
        QCOMPARE(QString::fromStdString(rig.caption(ControlId::File_But)), caption);
        for (const FileDialogState *dialog : {&rig.ui.openDialog1, &rig.ui.saveDialog1}) {
            QCOMPARE(QString::fromStdString(dialog->defaultExt), extension);
            QCOMPARE(dialog->filterIndex, filterIndex);
            QCOMPARE(dialog->filter, std::string("Bin|*.Bin|Hex|*.Hex|All|*.*"));
        }
    }

    void hexLoadCancelled()
    {
        Rig rig;
        rig.start();
        rig.form.click(ControlId::File_But);
        rig.form.itemClick(ControlId::File_Type, 1);
        fillBuffer(rig, 2);
        rig.st.device.LastProgramAddress = 0x3FF;
        rig.form.click(ControlId::Load_But);
        QCOMPARE(rig.host.openDialogsShown.size(), std::size_t {1});
        QCOMPARE(rig.host.openDialogsShown[0].defaultExt, std::string("Hex"));
        QCOMPARE(rig.host.openDialogsShown[0].filterIndex, 2);
        QVERIFY(allWords(rig, 2));
        QCOMPARE(rig.caption(ControlId::Chk_Sum_But), std::string("Checksum=0800"));
        QCOMPARE(rig.caption(ControlId::StaticText1),
            std::string("Last File Loaded in Buffer=No File Loaded"));
        QVERIFY(rig.ui.formEnabled());
        QVERIFY(rig.host.boxes.empty());
    }

    // What a load through the dialog does to the buffer, the last-file label,
    // the dialog's file name and the boxes.
    void load_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("loads");
        QTest::addColumn<QString>("box");
        QTest::newRow("hex") << 1 << "hex/malformed/base_valid.hex" << true << "";
        QTest::newRow("hex, data beyond the buffer")
            << 1 << "hex/malformed/addr_6000.hex" << true
            << "Data Outside the Buffer Was Ignored....\n8 words";
        QTest::newRow("hex, bad checksum")
            << 1 << "hex/malformed/bad_checksum.hex" << false
            << "Invalid Hex File....\nLine 3: checksum F4, should be F5";
        QTest::newRow("hex, truncated") << 1 << "hex/malformed/truncated_record.hex" << false
                                        << "Invalid Hex File....\nLine 3: record has 25 "
                                           "characters, its count of 16 bytes needs 43";
        QTest::newRow("hex, S-records")
            << 1 << "hex/malformed/text_not_hex.hex" << false
            << "Invalid Hex File....\nLine 1: no Intel HEX record in the file";
        QTest::newRow("hex, missing") << 1 << "no such file.hex" << false
                                      << "Could Not Load Buffer....\n%1: No such file or directory";
        QTest::newRow("binary, a folder")
            << 0 << "hex" << false << "Could Not Load Buffer....\n%1: Is a directory";
        QTest::newRow("binary") << 0 << "hex/native/f84a_blink.native.bin" << true << "";
    }
    void load()
    {
        QFETCH(int, type);
        QFETCH(QString, file);
        QFETCH(bool, loads);
        QFETCH(QString, box);
        const std::string previous = dataPath("hex/malformed/only_eof.hex");
        const std::string name = dataPath(file.toStdString());
        Rig rig;
        rig.start();
        rig.st.buffer.fileType = 1;
        rig.host.openAnswers.push_back(previous);
        rig.form.click(ControlId::Load_But);
        rig.st.buffer.fileType = type;
        fillBuffer(rig, Sentinel);
        rig.st.device.LastProgramAddress = 0;

        rig.host.openAnswers.push_back(name);
        rig.form.click(ControlId::Load_But);
        QCOMPARE(rig.caption(ControlId::StaticText1),
            "Last File Loaded in Buffer=" + (loads ? name : previous));
        QCOMPARE(rig.ui.openDialog1.fileName, loads ? name : previous);
        QCOMPARE(
            QString::fromStdString(lastBox(rig)), box.contains("%1") ? box.arg(name.c_str()) : box);
        QCOMPARE(allWords(rig, Sentinel), !loads);
        // The sum is taken again after every load, whatever became of it.
        QCOMPARE(rig.caption(ControlId::Chk_Sum_But),
            "Checksum="
                + QString("%1")
                      .arg(rig.st.buffer.DeviceBuffer[0], 4, 16, QChar('0'))
                      .toUpper()
                      .toStdString());
        QVERIFY(!rig.ui[ControlId::StaticText2].visible);
        QVERIFY(rig.ui.formEnabled());
        QVERIFY(rig.ui[ControlId::Load_But].enabled);
    }

    // Binary loads change only the bytes the file holds, unmasked.
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
        QTemporaryDir dir;
        const std::string name = fileName(dir, "image.bin");
        writeText(name, bytes.toStdString());
        Rig rig;
        rig.start();
        fillBuffer(rig, Sentinel);
        rig.host.openAnswers.push_back(name);
        rig.form.click(ControlId::Load_But);
        const auto &words = rig.st.buffer.DeviceBuffer;
        QCOMPARE(int(words[0]), word0);
        QCOMPARE(int(words[1]), word1);
        QCOMPARE(int(words[FileImageWords - 1]), lastImageWord);
        QCOMPARE(words[FileImageWords], Sentinel); // a long file stops at the image
    }

    void binarySave()
    {
        QTemporaryDir dir;
        const std::string name = fileName(dir, "saved.Bin");
        Rig rig;
        rig.start();
        fillBuffer(rig, 0xFFFF);
        rig.st.buffer.DeviceBuffer[0] = 0xA1B2;
        rig.host.saveAnswers.push_back(name);
        rig.form.click(ControlId::Save_But);
        const std::vector<std::uint8_t> bytes = readBytes(name);
        QCOMPARE(bytes.size(), std::size_t {16912});
        QCOMPARE(int(bytes[0]), 0xB2);
        QCOMPARE(int(bytes[1]), 0xA1);
        QCOMPARE(int(bytes[16911]), 0xFF);
        QVERIFY(rig.host.boxes.empty());
        QVERIFY(rig.ui.formEnabled());
        QCOMPARE(rig.caption(ControlId::StaticText1),
            std::string("Last File Loaded in Buffer=No File Loaded"));
    }

    // A loaded native file saved again is the same file, byte for byte.
    void hexLoadThenSave()
    {
        QTemporaryDir dir;
        const std::string saved = fileName(dir, "copy.hex");
        Rig rig;
        rig.start();
        rig.form.click(ControlId::File_But);
        rig.form.itemClick(ControlId::File_Type, 1);
        rig.host.openAnswers.push_back(dataPath("hex/native/f628a_eeprom.native.hex"));
        rig.form.click(ControlId::Load_But);
        rig.host.saveAnswers.push_back(saved);
        rig.form.click(ControlId::Save_But);
        QVERIFY(readText(saved) == readText(dataPath("hex/native/f628a_eeprom.native.crlf.hex")));
        QVERIFY(!rig.ui[ControlId::StaticText2].visible);
    }

    // Save follows the button's caption, Load the file type: for a type that
    // is neither, Save writes binary and Load reads Intel HEX.
    void unknownFileType()
    {
        QTemporaryDir dir;
        const std::string saved = fileName(dir, "out");
        Rig rig;
        rig.start();
        rig.st.buffer.fileType = 2;
        ApplyFileType(rig.form.core());
        QCOMPARE(rig.caption(ControlId::File_But), std::string("Binary File"));
        QCOMPARE(rig.ui.saveDialog1.defaultExt, std::string("Hex"));
        rig.host.saveAnswers.push_back(saved);
        rig.form.click(ControlId::Save_But);
        QCOMPARE(readBytes(saved).size(), std::size_t {16912});
        rig.host.openAnswers.push_back(dataPath("hex/malformed/base_valid.hex"));
        rig.form.click(ControlId::Load_But);
        QCOMPARE(rig.st.buffer.DeviceBuffer[0], std::uint16_t {0x2805});
    }

    // A save that cannot be made says so and leaves the old file as it was.
    void saveFails_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("reason");
        QTest::newRow("folder missing") << "missing/out.hex"
                                        << "No such file or directory";
        QTest::newRow("folder is a file") << "old.hex/out.hex"
                                          << "Not a directory";
        QTest::newRow("target is a folder") << "sub"
                                            << "Is a directory";
        QTest::newRow("disk full") << "old.hex"
                                   << "File too large";
    }
    void saveFails()
    {
        QFETCH(QString, where);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const std::string old = fileName(dir, "old.hex");
        writeText(old, "old contents");
        fs::create_directory(fileName(dir, "sub"));
        const std::string name = fileName(dir, where.toLatin1().constData());
        Rig rig;
        rig.start();
        rig.st.buffer.fileType = 1;
        ApplyFileType(rig.form.core());
        rig.host.saveAnswers.push_back(name);

        // A file size limit stands in for a full disk: writes beyond it fail.
        rlimit saved {};
        getrlimit(RLIMIT_FSIZE, &saved);
        const bool limitSize = where == "old.hex";
        if (limitSize) {
            signal(SIGXFSZ, SIG_IGN);
            rlimit small = saved;
            small.rlim_cur = 4096;
            setrlimit(RLIMIT_FSIZE, &small);
        }
        rig.form.click(ControlId::Save_But);
        if (limitSize)
            setrlimit(RLIMIT_FSIZE, &saved);

        QCOMPARE(QString::fromStdString(lastBox(rig)),
            QString("Could Not Save Buffer....\n%1: %2").arg(name.c_str(), reason));
        QCOMPARE(rig.host.boxes.back().kind, MessageKind::Error);
        QCOMPARE(readText(old), std::string("old contents"));
        // No temporary is left behind.
        QCOMPARE(std::distance(
                     fs::directory_iterator(dir.path().toStdString()), fs::directory_iterator()),
            2L);
        QVERIFY(rig.ui.formEnabled());
        QVERIFY(!rig.ui[ControlId::StaticText2].visible);
    }

    void saveThroughLink()
    {
        QTemporaryDir dir;
        const std::string target = fileName(dir, "real.bin");
        const std::string link = fileName(dir, "link.bin");
        writeText(target, "old");
        chmod(target.c_str(), 0640);
        fs::create_symlink("real.bin", link);
        Rig rig;
        rig.start();
        rig.host.saveAnswers.push_back(link);
        rig.form.click(ControlId::Save_But);
        QVERIFY(rig.host.boxes.empty());
        QVERIFY(fs::is_symlink(link));
        QCOMPARE(readBytes(target).size(), std::size_t {16912});
        struct stat info
        {
        };
        stat(target.c_str(), &info);
        QCOMPARE(int(info.st_mode & 07777), 0640);
    }

    // A folder the user may not write to, holding a file they may: the file is
    // written in place.
    void saveIntoReadOnlyFolder()
    {
        QTemporaryDir dir;
        const std::string folder = fileName(dir, "locked");
        fs::create_directory(folder);
        const std::string name = folder + "/buffer.bin";
        writeText(name, "old");
        chmod(name.c_str(), 0666);
        chmod(folder.c_str(), 0555);
        chmod(dir.path().toLocal8Bit().constData(), 0755);
        // Root writes anywhere; the save runs as an ordinary user then.
        const uid_t user = geteuid();
        if (user == 0 && seteuid(65534) != 0)
            QSKIP("running as root without a way to act as an ordinary user");
        if (faccessat(AT_FDCWD, folder.c_str(), W_OK, AT_EACCESS) == 0) {
            if (user == 0 && seteuid(0) != 0)
                QFAIL("could not return to root");
            QSKIP("the folder stays writable here, so there is nothing to show");
        }
        Rig rig;
        rig.start();
        rig.host.saveAnswers.push_back(name);
        rig.form.click(ControlId::Save_But);
        if (user == 0 && seteuid(0) != 0)
            QFAIL("could not return to root");
        chmod(folder.c_str(), 0755);
        QVERIFY(rig.host.boxes.empty());
        QCOMPARE(readBytes(name).size(), std::size_t {16912});
    }
};

QTEST_APPLESS_MAIN(BufferCommandsTest)
#include "test_buffer_commands.moc"
