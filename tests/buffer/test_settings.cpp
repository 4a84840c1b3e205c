// The settings file: what start-up restores from it and what closing writes.
#include "app/Settings.h"
#include "buffer/TestFiles.h"
#include "support/Rig.h"

#include <QTest>

#include <filesystem>

using namespace ravelin;
using namespace ravelin::test;

namespace {

QByteArray crlf(const QStringList &lines)
{
    QByteArray text;
    for (const QString &line : lines)
        text += line.toUtf8() + "\r\n";
    return text;
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

} // namespace

class SettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void noFile()
    {
        Rig rig; // in a working directory of its own
        rig.start();
        QCOMPARE(rig.caption(ControlId::Device), std::string("No Device"));
        QVERIFY(rig.ui[ControlId::Device_Box].visible);
        QVERIFY(rig.host.boxes.empty());
        QCOMPARE(QByteArray::fromStdString(closeAndRead(rig)), crlf({"5", "0", "0", "0", "0", ""}));
    }

    // What each file restores and what the next close writes back.
    void restore_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("device");
        QTest::addColumn<int>("pulse");
        QTest::addColumn<int>("fileType");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("last");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QByteArray>("written");
        const QStringList none;
        QTest::newRow("pulse 3 stays 5")
            << (crlf({"3", "111", "1", "0", "8191", ""})) << "16F877A" << 5 << 1 << 0 << 0x1FFF
            << none << (crlf({"5", "111", "1", "0", "8191", ""}));
        QTest::newRow("pulse 12") << (crlf({"12", "111", "0", "0", "8191", ""})) << "16F877A" << 12
                                  << 0 << 0 << 0x1FFF << none
                                  << (crlf({"12", "111", "0", "0", "8191", ""}));
        QTest::newRow("addresses replace the device's")
            << (crlf({"5", "0", "1", "16", "100", ""})) << "12C508/A" << 5 << 1 << 16 << 100 << none
            << (crlf({"5", "0", "1", "16", "100", ""}));
        QTest::newRow("40 lines") << (crlf({"5", "111", "0", "0", "8191", ""})
            + QByteArray("x\r\n").repeated(34))
                                  << "16F877A" << 5 << 0 << 0 << 0x1FFF << none
                                  << (crlf({"5", "111", "0", "0", "8191", ""}));
        QTest::newRow("LF and CR line ends")
            << QByteArray("7\n111\r0\n0\r8191\n\n") << "16F877A" << 7 << 0 << 0 << 0x1FFF << none
            << (crlf({"7", "111", "0", "0", "8191", ""}));
        QTest::newRow("blanks, signs, low 16 bits")
            << (crlf({" +9", "111", "0", "-5", "70000", ""})) << "16F877A" << 9 << 0 << 0xFFFB
            << 70000 % 65536 << none << (crlf({"9", "111", "0", "65531", "4464", ""}));
        QTest::newRow("fewer than six lines")
            << QByteArray("12\r\n") << "12C509/A" << 12 << 1 << 1 << 1 << none
            << (crlf({"12", "1", "1", "1", "1", ""}));
        QTest::newRow("row outside the list")
            << (crlf({"5", "200", "1", "0", "0", ""})) << "No Device" << 5 << 1 << 0 << 0 << none
            << (crlf({"5", "200", "1", "0", "0", ""}));
        QTest::newRow("bad slot 1")
            << (crlf({"fast", "111", "1", "0", "8191", ""})) << "16F877A" << 5 << 1 << 0 << 0x1FFF
            << QStringList {"'fast' is not a valid integer value"}
            << (crlf({"5", "111", "1", "0", "8191", ""}));
        QTest::newRow("bad slot 2")
            << (crlf({"5", "abc", "1", "3", "4", ""})) << "No Device" << 5 << 1 << 3 << 4
            << QStringList {"'abc' is not a valid integer value"}
            << (crlf({"5", "0", "1", "3", "4", ""}));
        QTest::newRow("bad slots 3 and 5")
            << (crlf({"5", "111", "1x", "2", "", ""})) << "16F877A" << 5 << 0 << 2 << 0x1FFF
            << QStringList {"'1x' is not a valid integer value", "'' is not a valid integer value"}
            << (crlf({"5", "111", "0", "2", "8191", ""}));
        QTest::newRow("beyond 32 bits")
            << (crlf({"5", "111", "0", "0", "4294967296", ""})) << "16F877A" << 5 << 0 << 0
            << 0x1FFF << QStringList {"'4294967296' is not a valid integer value"}
            << (crlf({"5", "111", "0", "0", "8191", ""}));
    }
    void restore()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, device);
        QFETCH(int, pulse);
        QFETCH(int, fileType);
        QFETCH(int, start);
        QFETCH(int, last);
        QFETCH(QStringList, boxes);
        QFETCH(QByteArray, written);
        Rig rig; // in a working directory of its own
        writeText(std::string(SettingsFileName), file.toStdString());
        rig.start();
        QCOMPARE(QString::fromStdString(rig.caption(ControlId::Device)), device);
        QCOMPARE(int(rig.st.op.PulseDelaySetting), pulse);
        QCOMPARE(rig.st.buffer.fileType, fileType);
        QCOMPARE(int(rig.st.device.StartAddress), start);
        QCOMPARE(int(rig.st.device.LastProgramAddress), last);
        std::vector<std::string> expected;
        for (const QString &box : boxes)
            expected.push_back(box.toStdString());
        QCOMPARE(errorBoxes(rig), expected);
        // Whatever the file held, the start-up ran to its end: the search, the
        // device list when no device was restored, and the commands unlocked.
        QCOMPARE(rig.st.ConnectionState, 2);
        QCOMPARE(rig.ui[ControlId::Device_Box].visible, device == "No Device");
        for (ControlId id : {ControlId::Program_Eprom, ControlId::Fill, ControlId::Save_But,
                 ControlId::Load_But, ControlId::Device})
            QVERIFY(rig.ui[id].enabled);
        QCOMPARE(rig.caption(ControlId::StaticText1), NoFile);
        QCOMPARE(QByteArray::fromStdString(closeAndRead(rig)), written);
    }

    void restoresFileTypeTwo()
    {
        Rig rig; // in a working directory of its own
        writeText(
            std::string(SettingsFileName), crlf({"5", "111", "2", "0", "8191", ""}).toStdString());
        rig.start();
        QCOMPARE(rig.caption(ControlId::File_But), std::string("Binary File"));
        QCOMPARE(rig.ui.openDialog1.defaultExt, std::string("Hex"));
        QCOMPARE(rig.ui.saveDialog1.filterIndex, 2);
        QCOMPARE(rig.st.buffer.fileType, 2);
    }

    // The last file is loaded again by its type; a file that is missing or
    // refused is passed over without a box and is not kept as the last file.
    void lastFile_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("loads");
        QTest::addColumn<int>("word0");
        QTest::newRow("hex") << 1 << "hex/native/f84a_blink.native.hex" << true << 0x2805;
        QTest::newRow("binary") << 0 << "hex/native/f84a_blink.native.bin" << true << 0x2805;
        QTest::newRow("binary read as hex")
            << 1 << "hex/native/f84a_blink.native.bin" << false << 0;
        QTest::newRow("refused hex") << 1 << "hex/malformed/bad_checksum.hex" << false << 0;
        QTest::newRow("missing") << 1 << "gone.hex" << false << 0;
    }
    void lastFile()
    {
        QFETCH(int, type);
        QFETCH(QString, file);
        QFETCH(bool, loads);
        QFETCH(int, word0);
        Rig rig; // in a working directory of its own
        const std::string name = dataPath(file.toStdString());
        const QStringList head {"5", "111", QString::number(type), "0", "8191"};
        writeText(std::string(SettingsFileName),
            crlf(head + QStringList {QString::fromStdString(name)}).toStdString());
        rig.start();
        QVERIFY(errorBoxes(rig).empty());
        QCOMPARE(int(rig.st.buffer.DeviceBuffer[0]), word0);
        QCOMPARE(rig.caption(ControlId::StaticText1),
            loads ? "Last File Loaded in Buffer=" + name : NoFile);
        // The start-up reload leaves the checksum caption alone.
        QCOMPARE(rig.caption(ControlId::Chk_Sum_But), std::string("Checksum=0000"));
        QVERIFY(!rig.ui[ControlId::StaticText2].visible);
        const QString saved = QString::fromStdString(closeAndRead(rig));
        QCOMPARE(saved.split("\r\n").value(5), loads ? QString::fromStdString(name) : QString());
    }

    // A settings file that cannot be written never keeps the window open.
    void unwritableAtClose()
    {
        Rig rig; // in a working directory of its own
        std::filesystem::create_directory(std::string(SettingsFileName));
        rig.start();
        QVERIFY(rig.form.FormCloseQuery());
        QVERIFY(rig.host.boxes.empty());
        QVERIFY(std::filesystem::is_directory(std::string(SettingsFileName)));
        QCOMPARE(std::distance(std::filesystem::directory_iterator("."),
                     std::filesystem::directory_iterator()),
            1L);
    }

    // The conversion the start-up uses, on its own.
    void integers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::newRow("lowest") << "-2147483648" << true << int(-2147483647 - 1);
        QTest::newRow("highest") << "2147483647" << true << 2147483647;
        QTest::newRow("too high") << "2147483648" << false << 0;
        QTest::newRow("sign only") << "-" << false << 0;
        QTest::newRow("trailing blank") << "42 " << false << 0;
        QTest::newRow("hex") << "0x10" << false << 0;
        QTest::newRow("blank inside") << "4 2" << false << 0;
    }
    void integers()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        const std::optional<std::int32_t> read = settingsInteger(text.toStdString());
        QCOMPARE(read.has_value(), valid);
        if (valid)
            QCOMPARE(*read, value);
    }

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
