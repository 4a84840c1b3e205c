// Picking a device from the list, as the user does it, on the whole program.
#include "app/Format.h"
#include "devices/Catalogue.h"
#include "devices/JumperDiagrams.h"
#include "devices/Selection.h"
#include "support/Rig.h"

#include <QTest>

using namespace ravelin;
using namespace ravelin::test;

namespace {

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
    void theListLocksTheCommandsUntilARowIsPicked()
    {
        Rig rig;
        const std::vector<std::string> &items = rig.ui[ControlId::Device_Box].items;
        QCOMPARE(items.size(), DeviceCatalogue.size());
        QCOMPARE(items[111], std::string("16F877A  (40 Pin)             8K X 14"));
        QVERIFY(items[4].empty());
        for (ControlId id : JumperDiagrams)
            QVERIFY(rig.ui[id].lines.size() > 20);
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

    // Every row of the list picked in turn, each after the one above it: a
    // device applies its row's values behind one empty pause showing its
    // drawing; a separator says so and leaves the addresses of the last one.
    void everyRowAppliesItsValues()
    {
        Rig rig;
        rig.start();
        rig.st.buffer.DeviceBuffer[5] = 0x1234;
        std::string end = "Device End=1FFF";
        std::uint16_t lastEE = rig.st.device.LastEEAddress;
        for (std::size_t i = 0; i < DeviceCatalogue.size(); ++i) {
            const CatalogueRow &row = DeviceCatalogue[i];
            const Picked picked = pick(rig, int(i));
            const QByteArray where = QByteArray::number(int(i));
            QVERIFY2(picked.boxes.size() == 1, where);
            const MessageBoxRequest &box = picked.boxes[0];
            QVERIFY2(visibleDiagram(rig.ui) == ControlId::None, where);
            QVERIFY2(rig.st.device.ConfigWord == 0x3FFF, where);
            QVERIFY2(rig.caption(ControlId::Fuse_Data) == "Fuse = 3FFF", where);
            QVERIFY2(rig.ui[ControlId::Device].enabled, where);
            QVERIFY2(rig.st.buffer.DeviceBuffer[5] == 0x1234, where);
            if (row.isSeparator()) {
                QVERIFY2(rig.caption(ControlId::Device) == "No Device", where);
                QVERIFY2(box.text == "No Device Was Selected." && !box.position, where);
                QVERIFY2(picked.shownDuringBox[0] == ControlId::None, where);
                QVERIFY2(rig.st.device.FamilyCode == Family::None, where);
                QVERIFY2(rig.st.device.WordMask == 0x3FFF, where);
                QVERIFY2(rig.caption(ControlId::End_Add) == end, where);
                QVERIFY2(!rig.ui[ControlId::Erase_But].visible, where);
                continue;
            }
            QVERIFY2(rig.caption(ControlId::Device) == row.caption, where);
            QVERIFY2(box.kind == MessageKind::Information && box.text.empty(), where);
            QVERIFY2(box.position && box.position->left == 360 && box.position->top == 260, where);
            QVERIFY2(picked.shownDuringBox[0] == row.diagram, where);
            QVERIFY2(rig.st.device.FamilyCode == row.family, where);
            QVERIFY2(rig.st.device.WordMask == wordMaskOf(row.family), where);
            QVERIFY2(rig.st.device.StartAddress == 0, where);
            end = "Device End=" + hex4(row.LastProgramAddress);
            QVERIFY2(rig.caption(ControlId::End_Add) == end, where);
            const bool erase = row.erase == Erase::Erasable;
            QVERIFY2(rig.ui[ControlId::Erase_But].visible == erase, where);
            QVERIFY2(rig.ui[ControlId::Label1].height == (erase ? 46 : 25), where);
            const bool ee = row.eeSizeCode > 0;
            lastEE = ee ? std::uint16_t(0x1FFF + (32 << row.eeSizeCode)) : lastEE;
            QVERIFY2(rig.st.device.LastEEAddress == lastEE, where);
            for (ControlId id : {ControlId::Prg_EE, ControlId::Label7, ControlId::Verify_EE,
                     ControlId::Label8, ControlId::EEprom_Begin, ControlId::EEprom_End})
                QVERIFY2(rig.ui[id].visible == ee, where);
            QVERIFY2(rig.ui[ControlId::Label6].height == (ee ? 88 : 46), where);
            QVERIFY2(!ee || rig.caption(ControlId::EEprom_Begin) == "EE Start=2000", where);
            QVERIFY2(!ee || rig.caption(ControlId::EEprom_End) == "EE End=" + hex4(lastEE), where);
        }
        QCOMPARE(rig.caption(ControlId::End_Add), std::string("Device End=1FFF"));
        QCOMPARE(rig.caption(ControlId::EEprom_End), std::string("EE End=20FF"));
    }

    void theSameRowTwiceRepeatsEverything()
    {
        Rig rig;
        rig.start();
        pick(rig, 28);
        QCOMPARE(rig.st.device.FamilyCode, Family::F8);
        rig.form.toggled(ControlId::Protec, true);
        QCOMPARE(rig.st.device.ConfigWord, std::uint16_t {0x00CF});
        QCOMPARE(rig.caption(ControlId::Fuse_Data), std::string("Fuse = 00CF"));
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
        QFETCH(int, row);
        rig.st.device.selectedRow = row;
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
