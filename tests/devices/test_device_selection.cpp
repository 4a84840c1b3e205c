// Picking a device from the list, as the user does it, on the whole program.
#include "devices/Catalogue.h"
#include "devices/JumperDiagrams.h"
#include "devices/Selection.h"
#include "support/Rig.h"

#include <QTest>

using namespace ravelin;
using namespace ravelin::test;

namespace {

// A column of the current data row, where a value is wanted in an expression.
template<typename T>
T fetch(const char *name)
{
    return *static_cast<T *>(QTest::qData(name, qMetaTypeId<T>()));
}

struct Picked
{
    std::vector<MessageBoxRequest> boxes;
    std::vector<ControlId> shownDuringBox; // the diagrams on screen while each box was up
};

ControlId visibleDiagram(const WindowModel &ui)
{
    ControlId shown = ControlId::None;
    for (ControlId id : JumperDiagrams) {
        if (ui[id].visible) {
            if (shown != ControlId::None)
                return ControlId::Count; // two at once
            shown = id;
        }
    }
    return shown;
}

Picked pick(Rig &rig, int row)
{
    Picked picked;
    const std::size_t before = rig.host.boxes.size();
    rig.host.whileBoxShown = [&](const MessageBoxRequest &) {
        picked.shownDuringBox.push_back(visibleDiagram(rig.ui));
    };
    rig.form.click(ControlId::Device);
    rig.form.itemClick(ControlId::Device_Box, row);
    rig.host.whileBoxShown = nullptr;
    picked.boxes.assign(rig.host.boxes.begin() + qsizetype(before), rig.host.boxes.end());
    return picked;
}

} // namespace

class DeviceSelectionTest : public QObject
{
    Q_OBJECT

private slots:
    void theListShowsEveryRow()
    {
        Rig rig;
        const std::vector<std::string> &items = rig.ui[ControlId::Device_Box].items;
        QCOMPARE(items.size(), DeviceCatalogue.size());
        QCOMPARE(items[111], std::string("16F877A  (40 Pin)             8K X 14"));
        QVERIFY(items[4].empty());
        for (ControlId id : JumperDiagrams)
            QVERIFY(rig.ui[id].lines.size() > 20);
    }

    void theListLocksTheCommandsUntilARowIsPicked()
    {
        Rig rig;
        rig.start();
        rig.form.click(ControlId::Device);
        QVERIFY(rig.ui[ControlId::Device_Box].visible);
        QVERIFY(!rig.ui[ControlId::Device].enabled);
        QVERIFY(!rig.ui[ControlId::Program_Eprom].enabled);
        rig.form.itemClick(ControlId::Device_Box, 84);
        QVERIFY(!rig.ui[ControlId::Device_Box].visible);
        QVERIFY(rig.ui[ControlId::Device].enabled);
        QVERIFY(rig.ui[ControlId::Program_Eprom].enabled); // the programmer answered
        QCOMPARE(rig.st.device.selectedRow, 84);
        QCOMPARE(rig.caption(ControlId::Device), std::string("16F84/A"));
    }

    void aDeviceRowAppliesItsValues_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("diagram");
        QTest::addColumn<int>("family");
        QTest::addColumn<QString>("end");
        QTest::addColumn<bool>("erase");
        QTest::addColumn<QString>("eeEnd"); // empty: no data EEPROM controls
        QTest::addColumn<int>("wordMask");
        const auto row = [](int index, const char *caption, ControlId diagram, Family family,
                             const char *end, bool erase, const char *eeEnd, int mask) {
            QTest::addRow("%d %s", index, caption)
                << index << QString(caption) << int(diagram) << int(family) << QString(end) << erase
                << QString(eeEnd) << mask;
        };
        row(111, "16F877A", ControlId::Jmp_40, Family::F23, "Device End=1FFF", true, "EE End=20FF",
            0x3FFF);
        row(13, "16C52", ControlId::Jmp_18P, Family::F1, "Device End=017F", false, "", 0x0FFF);
        row(0, "12C508/A", ControlId::Jmp_8, Family::F30, "Device End=01FF", false, "", 0x0FFF);
        row(2, "12C518", ControlId::Jmp_8, Family::F30, "Device End=01FF", false, "", 0x0FFF);
        row(101, "16F870", ControlId::Jmp_28S, Family::F22, "Device End=07FF", true, "EE End=203F",
            0x3FFF);
        row(94, "16F648A", ControlId::Jmp_18S, Family::F12, "Device End=0FFF", true, "EE End=20FF",
            0x3FFF);
        row(10, "12F629", ControlId::Jmp_8, Family::F27, "Device End=03FF", true, "EE End=207F",
            0x3FFF);
        row(49, "16C557", ControlId::Jmp_28S, Family::F13, "Device End=07FF", false, "", 0x3FFF);
        row(68, "16C765", ControlId::Jmp_40, Family::F11, "Device End=1FFF", false, "", 0x3FFF);
        row(21, "16C57", ControlId::Jmp_28P, Family::F2, "Device End=07FF", false, "", 0x0FFF);
        row(75, "16C926", ControlId::Jmp_64, Family::F24, "Device End=1FFF", false, "", 0x3FFF);
        row(97, "16F716", ControlId::Jmp_18S, Family::F18, "Device End=07FF", true, "", 0x3FFF);
    }
    void aDeviceRowAppliesItsValues()
    {
        QFETCH(int, row);
        Rig rig;
        rig.start();
        rig.st.buffer.DeviceBuffer[5] = 0x1234;
        const Picked picked = pick(rig, row);

        QCOMPARE(QString::fromStdString(rig.caption(ControlId::Device)), fetch<QString>("caption"));
        // One empty pause at 360, 260 with the diagram on screen, gone afterwards.
        QCOMPARE(picked.boxes.size(), std::size_t {1});
        QCOMPARE(picked.boxes[0].kind, MessageKind::Information);
        QCOMPARE(picked.boxes[0].text, std::string());
        QVERIFY(picked.boxes[0].position.has_value());
        QCOMPARE(picked.boxes[0].position->left, 360);
        QCOMPARE(picked.boxes[0].position->top, 260);
        QCOMPARE(int(picked.shownDuringBox[0]), fetch<int>("diagram"));
        QCOMPARE(visibleDiagram(rig.ui), ControlId::None);

        QCOMPARE(int(rig.st.device.FamilyCode), fetch<int>("family"));
        QCOMPARE(QString::fromStdString(rig.caption(ControlId::End_Add)), fetch<QString>("end"));
        QCOMPARE(int(rig.st.device.WordMask), fetch<int>("wordMask"));
        QCOMPARE(rig.st.device.StartAddress, std::uint16_t {0});

        QFETCH(bool, erase);
        QCOMPARE(rig.ui[ControlId::Erase_But].visible, erase);
        QCOMPARE(rig.ui[ControlId::Label1].height, erase ? 46 : 25);
        QFETCH(QString, eeEnd);
        const bool ee = !eeEnd.isEmpty();
        for (ControlId id : {ControlId::Prg_EE, ControlId::Label7, ControlId::Verify_EE,
                 ControlId::Label8, ControlId::EEprom_Begin, ControlId::EEprom_End})
            QCOMPARE(rig.ui[id].visible, ee);
        QCOMPARE(rig.ui[ControlId::Label6].height, ee ? 88 : 46);
        if (ee) {
            QCOMPARE(rig.caption(ControlId::EEprom_Begin), std::string("EE Start=2000"));
            QCOMPARE(QString::fromStdString(rig.caption(ControlId::EEprom_End)), eeEnd);
        }

        QCOMPARE(rig.st.device.ConfigWord, std::uint16_t {0x3FFF});
        QCOMPARE(rig.caption(ControlId::Fuse_Data), std::string("Fuse = 3FFF"));
        QCOMPARE(rig.st.buffer.DeviceBuffer[5], std::uint16_t {0x1234});
        QVERIFY(rig.ui[ControlId::Device].enabled);
    }

    void aSeparatorSelectsNoDevice()
    {
        Rig rig;
        rig.start();
        pick(rig, 6); // 12C672, 2K
        const Picked picked = pick(rig, 9);
        QCOMPARE(rig.caption(ControlId::Device), std::string("No Device"));
        QCOMPARE(picked.boxes.size(), std::size_t {1});
        QCOMPARE(picked.boxes[0].text, std::string("No Device Was Selected."));
        QVERIFY(!picked.boxes[0].position.has_value());
        QCOMPARE(picked.shownDuringBox[0], ControlId::None);
        QCOMPARE(rig.caption(ControlId::End_Add), std::string("Device End=07FF"));
        QCOMPARE(rig.st.device.FamilyCode, Family::None);
        QCOMPARE(rig.st.device.WordMask, std::uint16_t {0x3FFF});
        QVERIFY(!rig.ui[ControlId::Erase_But].visible);
    }

    void aPartWithoutEepromKeepsTheLastEepromAddress()
    {
        Rig rig;
        rig.start();
        pick(rig, 111);
        pick(rig, 13);
        QVERIFY(!rig.ui[ControlId::Prg_EE].visible);
        QVERIFY(!rig.ui[ControlId::EEprom_End].visible);
        QCOMPARE(rig.st.device.LastEEAddress, std::uint16_t {0x20FF});
        QCOMPARE(rig.ui[ControlId::Label6].height, 46);
        QCOMPARE(rig.ui[ControlId::Label1].height, 25);
    }

    void theSameRowTwiceRepeatsEverything()
    {
        Rig rig;
        rig.start();
        pick(rig, 28);
        rig.form.toggled(ControlId::Protec, true);
        QCOMPARE(rig.st.device.ConfigWord, std::uint16_t {0x00CF});
        const Picked again = pick(rig, 28);
        QCOMPARE(again.boxes.size(), std::size_t {1});
        QCOMPARE(again.shownDuringBox[0], ControlId::Jmp_28S);
        QCOMPARE(rig.st.device.ConfigWord, std::uint16_t {0x3FFF});
        QVERIFY(!rig.ui[ControlId::Protec].checked);
        QCOMPARE(rig.caption(ControlId::Fuse_Data), std::string("Fuse = 3FFF"));
    }

    // Only a damaged settings file brings such a row.
    void aRowOutsideTheListAppliesNothing_data()
    {
        QTest::addColumn<int>("row");
        QTest::newRow("negative") << -1;
        QTest::newRow("past the end") << 112;
    }
    void aRowOutsideTheListAppliesNothing()
    {
        Rig rig;
        rig.start();
        pick(rig, 111);
        const std::size_t boxes = rig.host.boxes.size();
        rig.st.device.selectedRow = fetch<int>("row");
        SelectDevice(rig.form.core());
        QCOMPARE(rig.host.boxes.size(), boxes);
        QCOMPARE(rig.caption(ControlId::Device), std::string("16F877A"));
        QCOMPARE(rig.st.device.FamilyCode, Family::None);
        QCOMPARE(rig.caption(ControlId::End_Add), std::string("Device End=1FFF"));
        QVERIFY(!rig.ui[ControlId::Erase_But].visible);
        QVERIFY(!rig.ui[ControlId::Prg_EE].visible);
        QCOMPARE(rig.st.device.ConfigWord, std::uint16_t {0x3FFF});
        QVERIFY(!rig.ui[ControlId::WDT].enabled);
    }
};

QTEST_APPLESS_MAIN(DeviceSelectionTest)
#include "test_device_selection.moc"
