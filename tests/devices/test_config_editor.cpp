// The configuration word editor on the whole program: what each family's
// controls show for a word and the word they give back.
#include "app/Format.h"
#include "devices/Catalogue.h"
#include "devices/ConfigEditor.h"
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

// The first row of the list that carries the family.
int rowOf(Family family)
{
    for (std::size_t i = 0; i < DeviceCatalogue.size(); ++i) {
        if (DeviceCatalogue[i].family == family)
            return int(i);
    }
    return -1;
}

void select(Rig &rig, Family family)
{
    rig.form.click(ControlId::Device);
    rig.form.itemClick(ControlId::Device_Box, rowOf(family));
    QCOMPARE(rig.st.device.FamilyCode, family);
}

std::string fuse(std::uint16_t word)
{
    return "Fuse = " + hex4(word);
}

using Names = std::vector<std::string>;

// The editor's check boxes and radios in a given state, in panel order.
Names controlsWhere(const WindowModel &ui, bool ControlState::*flag)
{
    Names names;
    for (ControlId id : FuseBoxes) {
        if (ui[id].*flag)
            names.emplace_back(controlInfo(id).name);
    }
    for (ControlId id : OscRadios) {
        if (ui[id].*flag)
            names.emplace_back(controlInfo(id).name);
    }
    return names;
}
Names checkedOf(const WindowModel &ui)
{
    return controlsWhere(ui, &ControlState::checked);
}
Names enabledOf(const WindowModel &ui)
{
    return controlsWhere(ui, &ControlState::enabled);
}

} // namespace

class ConfigEditorTest : public QObject
{
    Q_OBJECT

    Rig *m_rig = nullptr;

private slots:
    void init()
    {
        m_rig = new Rig;
        m_rig->start();
    }
    void cleanup()
    {
        delete m_rig;
        m_rig = nullptr;
    }

    // With the reset word, the first rebuild (a click on a group's background).
    void firstRebuildOfTheResetWord_data()
    {
        QTest::addColumn<int>("family");
        QTest::addColumn<int>("word");
        const std::pair<Family, int> rows[] = {{Family::F1, 0x3FFF}, {Family::F2, 0x3FFF},
            {Family::F3, 0x0FFF}, {Family::F5, 0x3FFF}, {Family::F6, 0x03FF}, {Family::F7, 0x03FF},
            {Family::F8, 0x3FFF}, {Family::F9, 0x3FFF}, {Family::F11, 0x3FFF},
            {Family::F12, 0x3FFF}, {Family::F13, 0x3FFF}, {Family::F14, 0x3FFF},
            {Family::F15, 0xFFFF}, {Family::F16, 0x3FFF}, {Family::F17, 0xFFFF},
            {Family::F18, 0x3FFF}, {Family::F19, 0x3FFF}, {Family::F20, 0x3FFF},
            {Family::F21, 0x3FFF}, {Family::F22, 0x3FFF}, {Family::F23, 0x3FFF},
            {Family::F24, 0x3FFF}, {Family::F26, 0x3FFF}, {Family::F27, 0x31FF},
            {Family::F30, 0x3FFF}};
        for (const auto &[family, word] : rows)
            QTest::addRow("family %d", int(family)) << int(family) << word;
    }
    void firstRebuildOfTheResetWord()
    {
        select(*m_rig, Family(fetch<int>("family")));
        QCOMPARE(m_rig->caption(ControlId::Fuse_Data), std::string("Fuse = 3FFF"));
        m_rig->form.click(ControlId::Osc_Settings);
        QFETCH(int, word);
        QCOMPARE(int(m_rig->st.device.ConfigWord), word);
        QCOMPARE(m_rig->caption(ControlId::Fuse_Data), fuse(std::uint16_t(word)));
        QVERIFY(!m_rig->ui[ControlId::Cal_Byte].enabled);
        QVERIFY(!m_rig->ui[ControlId::Cal_Byte].checked);
    }

    // Each kind of input reaches the handler; a state set to what it is, a
    // radio dropped by its neighbour and an unreachable control do not.
    void inputThatRebuildsTheWord_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("control");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("word"); // 0x1234: the handler did not run
        const auto row = [](const char *name, UiEventKind kind, ControlId id, bool checked,
                             int index, int word) {
            QTest::newRow(name) << int(kind) << int(id) << checked << index << word;
        };
        using K = UiEventKind;
        using I = ControlId;
        row("group box Fuse_Settings", K::Click, I::Fuse_Settings, false, -1, 0x3FFF);
        row("group box Osc_Settings", K::Click, I::Osc_Settings, false, -1, 0x3FFF);
        row("radio group background", K::Click, I::BORV2, false, -1, 0x3FFF);
        row("check box on", K::Toggled, I::Protec, true, -1, 0x0CCF);
        row("check box off", K::Toggled, I::WDT, false, -1, 0x3FFB);
        row("radio button", K::Toggled, I::Xtal, true, -1, 0x3FFD);
        row("radio group item", K::ItemClick, I::BORV2, false, 0, 0x33FF);
        row("check box already so", K::Toggled, I::WDT, true, -1, 0x1234);
        row("radio dropped by its neighbour", K::Toggled, I::Ext_Clk, false, -1, 0x1234);
        row("radio already checked", K::Toggled, I::Ext_Clk, true, -1, 0x1234);
        row("radio group item already so", K::ItemClick, I::BORV2, false, 3, 0x1234);
        row("disabled check box", K::Toggled, I::MPEEN, true, -1, 0x1234);
        row("disabled radio button", K::Toggled, I::Int_RC_IO, true, -1, 0x1234);
    }
    void inputThatRebuildsTheWord()
    {
        select(*m_rig, Family::F20);
        m_rig->st.device.ConfigWord = 0x1234;
        UiEvent event
            = UiEvent::of(UiEventKind(fetch<int>("kind")), ControlId(fetch<int>("control")));
        event.checked = fetch<bool>("checked");
        event.index = fetch<int>("index");
        m_rig->form.handle(event);
        QCOMPARE(int(m_rig->st.device.ConfigWord), fetch<int>("word"));
        if (event.kind == UiEventKind::Toggled && event.checked)
            QVERIFY(m_rig->ui[event.id].checked == m_rig->ui[event.id].enabled);
    }

    void radiosStayExclusive()
    {
        select(*m_rig, Family::F12);
        m_rig->form.toggled(ControlId::Int_RC_Clk, true);
        QCOMPARE(checkedOf(m_rig->ui), (Names {"WDT", "BOR", "LVP", "Int_RC_Clk"}));
        QCOMPARE(m_rig->st.device.ConfigWord, std::uint16_t {0x3FFD});
        m_rig->form.toggled(ControlId::LP_Osc, true);
        QCOMPARE(checkedOf(m_rig->ui), (Names {"WDT", "BOR", "LVP", "LP_Osc"}));
        QCOMPARE(m_rig->st.device.ConfigWord, std::uint16_t {0x3FEC});
    }

    void family27KeepsItsCalibrationBits()
    {
        select(*m_rig, Family::F27);
        QCOMPARE(m_rig->caption(ControlId::Ext_Clk), std::string("Ext Clk"));
        QVERIFY(m_rig->ui[ControlId::Ext_R_Clk].checked);
        m_rig->form.toggled(ControlId::Ext_Clk, true);
        QCOMPARE(m_rig->st.device.ConfigWord, std::uint16_t {0x31FB});
        // A word read from a part with other calibration bits.
        m_rig->st.device.ConfigWord = 0x2184;
        ShowConfigWord(m_rig->form.core());
        m_rig->form.toggled(ControlId::Protec, true);
        QCOMPARE(m_rig->st.device.ConfigWord, std::uint16_t {0x2104});
        m_rig->form.click(ControlId::Fuse_Settings);
        QCOMPARE(m_rig->st.device.ConfigWord & 0x3000, 0x2000);
    }

    void family18BrownOutVoltage()
    {
        select(*m_rig, Family::F18);
        QVERIFY(m_rig->ui[ControlId::BORV1].visible);
        QVERIFY(!m_rig->ui[ControlId::BORV2].visible);
        QCOMPARE(m_rig->ui[ControlId::BORV1].itemIndex, 1); // "2.5 Volts": b7 is 1
        m_rig->form.itemClick(ControlId::BORV1, 0);
        QCOMPARE(m_rig->st.device.ConfigWord, std::uint16_t {0x3F7F});
        QCOMPARE(m_rig->caption(ControlId::Fuse_Data), std::string("Fuse = 3F7F"));
        // Without brown-out detection the voltage cannot be chosen.
        m_rig->form.toggled(ControlId::BOR, false);
        QVERIFY(!m_rig->ui[ControlId::BORV1].enabled);
        m_rig->form.toggled(ControlId::BOR, true);
        QVERIFY(m_rig->ui[ControlId::BORV1].enabled);
    }

    void family30ShowsItsControls()
    {
        select(*m_rig, Family::F30);
        QCOMPARE(m_rig->caption(ControlId::Hi_Spd), std::string("Int RC"));
        QCOMPARE(m_rig->caption(ControlId::Ext_Clk), std::string("External RC"));
        QCOMPARE(checkedOf(m_rig->ui), (Names {"WDT", "Ext_Clk"}));
        QCOMPARE(enabledOf(m_rig->ui),
            (Names {"Protec", "WDT", "MCLR", "LP_Osc", "Xtal", "Hi_Spd", "Ext_Clk"}));
        QVERIFY(!m_rig->ui[ControlId::BORV1].visible && !m_rig->ui[ControlId::BORV2].visible);
    }

    void family11CaptionsAndTheirRestore()
    {
        select(*m_rig, Family::F11);
        QCOMPARE(m_rig->caption(ControlId::LP_Osc), std::string("Hi Speed"));
        QCOMPARE(m_rig->caption(ControlId::Xtal), std::string("Ext Clk"));
        QCOMPARE(m_rig->caption(ControlId::Hi_Spd), std::string("HS PLL"));
        QCOMPARE(m_rig->caption(ControlId::Ext_Clk), std::string("Ext Clk PLL"));
        select(*m_rig, Family::F23);
        QCOMPARE(m_rig->caption(ControlId::LP_Osc), std::string("Low Power"));
        QCOMPARE(m_rig->caption(ControlId::Xtal), std::string("Xtal"));
        QCOMPARE(m_rig->caption(ControlId::Hi_Spd), std::string("Hi Speed"));
        QCOMPARE(m_rig->caption(ControlId::Ext_Clk), std::string("External RC"));
    }

    void family1DisabledRadiosStillShowTheWord_data()
    {
        QTest::addColumn<int>("word");
        QTest::addColumn<int>("radio");
        QTest::newRow("Low Power") << 0x3FF4 << int(ControlId::LP_Osc);
        QTest::newRow("Hi Speed") << 0x3FF6 << int(ControlId::Hi_Spd);
    }
    void family1DisabledRadiosStillShowTheWord()
    {
        select(*m_rig, Family::F1);
        QCOMPARE(enabledOf(m_rig->ui), (Names {"Protec", "WDT", "Xtal", "Ext_Clk"}));
        QFETCH(int, word);
        m_rig->st.device.ConfigWord = std::uint16_t(word);
        ShowConfigWord(m_rig->form.core());
        const auto radio = ControlId(fetch<int>("radio"));
        QVERIFY(m_rig->ui[radio].checked);
        QVERIFY(!m_rig->ui[radio].enabled);
        m_rig->form.click(ControlId::Osc_Settings);
        QCOMPARE(int(m_rig->st.device.ConfigWord), word);
    }

    void family26ValueWithoutAButtonKeepsThePreviousOne()
    {
        select(*m_rig, Family::F26);
        QVERIFY(m_rig->ui[ControlId::Ext_R_Clk].checked); // bits 2..0 of 0x3FFF: 7
        QVERIFY(!m_rig->ui[ControlId::Ext_Clk].enabled);
        m_rig->st.device.ConfigWord = 0x3FF3;
        ShowConfigWord(m_rig->form.core());
        QVERIFY(m_rig->ui[ControlId::Ext_R_Clk].checked);
        m_rig->form.click(ControlId::Osc_Settings);
        QCOMPARE(m_rig->st.device.ConfigWord & 0x7, 7);
    }

    // Until a device has been shown the editor only refreshes its caption.
    void beforeAnySelectionTheWordStaysZero()
    {
        QCOMPARE(m_rig->st.device.ConfigWord, std::uint16_t {0});
        m_rig->form.toggled(ControlId::Protec, true);
        QCOMPARE(m_rig->caption(ControlId::Fuse_Data), std::string("Fuse = 0000"));
        m_rig->form.toggled(ControlId::Protec, false);
        QCOMPARE(m_rig->st.device.ConfigWord, std::uint16_t {0});
    }

    // The caption follows the word whenever showing it changes a control.
    void showingAWordRefreshesTheCaptionOnlyOnAChange_data()
    {
        QTest::addColumn<int>("word");
        QTest::addColumn<QString>("caption");
        // 16F83: WDT off, PUT off, not protected, External RC: the states shown already.
        QTest::newRow("same states") << 0x001B << "Fuse = 3FFB";
        QTest::newRow("WDT on") << 0x001F << "Fuse = 001F";
        QTest::newRow("another radio") << 0x001A << "Fuse = 001A";
    }
    void showingAWordRefreshesTheCaptionOnlyOnAChange()
    {
        select(*m_rig, Family::F5);
        m_rig->form.toggled(ControlId::WDT, false);
        QCOMPARE(m_rig->caption(ControlId::Fuse_Data), std::string("Fuse = 3FFB"));
        m_rig->st.device.ConfigWord = std::uint16_t(fetch<int>("word"));
        ShowConfigWord(m_rig->form.core());
        QCOMPARE(QString::fromStdString(m_rig->caption(ControlId::Fuse_Data)),
            fetch<QString>("caption"));
    }

    void noDeviceLeavesTheControlsAtRest()
    {
        select(*m_rig, Family::F12);
        m_rig->form.itemClick(ControlId::Device_Box, rowOf(Family::None));
        QCOMPARE(enabledOf(m_rig->ui), (Names {"Protec"}));
        QVERIFY(checkedOf(m_rig->ui) == (Names {"Ext_R_Clk"}));
        m_rig->form.click(ControlId::Osc_Settings);
        QCOMPARE(m_rig->st.device.ConfigWord, std::uint16_t {0x3FFF});
    }
};

QTEST_APPLESS_MAIN(ConfigEditorTest)
#include "test_config_editor.moc"
