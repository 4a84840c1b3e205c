// The target primitives: exactly the bytes they send, and where they take the
// words from in the replies.
#include "link/D2XXUnit.h"
#include "operations/Primitives.h"
#include "support/Rig.h"

#include <QTest>

using namespace ravelin;
using namespace ravelin::test;

namespace {

// A socket that answers every read with words it was given, and notes the
// line settings it saw.
class ScriptedSocket : public sim::TargetSocket
{
public:
    void reset() override { }
    void setLines(std::uint8_t group, std::uint8_t value) override
    {
        lines.push_back({group, value});
    }
    void serialCommand(std::uint8_t) override { }
    void serialData(std::uint16_t) override { }
    std::uint16_t serialRead(std::uint8_t) override { return word; }
    void blockRead(std::uint8_t, std::array<std::uint16_t, 128> &words) override
    {
        for (std::size_t k = 0; k < words.size(); ++k)
            words[k] = std::uint16_t(word + k);
    }
    std::uint16_t parallelRead(std::uint8_t, bool) override { return word; }
    void parallelPresent(std::uint16_t, bool) override { }

    std::vector<std::pair<int, int>> lines;
    std::uint16_t word = 0x1234;
};

struct PrimitiveRig : Rig
{
    PrimitiveRig()
    {
        programmer.setSocket(&socket);
        st.link.ShowLinkErrors = false;
        Open_USB_Device_By_Serial_Number(form.core(), "QP000001");
        SetTimeouts(form.core(), 40, 0);
        st.ConnectionState = 2;
        trace.clear();
    }
    Core &core() { return form.core(); }
    ScriptedSocket socket;
};

using Lines = std::vector<std::pair<int, int>>;

} // namespace

class PrimitivesTest : public QObject
{
    Q_OBJECT

private slots:
    void setUp_data()
    {
        QTest::addColumn<int>("family");
        QTest::addColumn<int>("item");
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<int>("waitedMs");
        QTest::newRow("serial 3 V") << 5 << 0 << QList<int> {0x37, 0xF1, 0x00, 0x36} << 16;
        QTest::newRow("serial 5 V") << 23 << 1 << QList<int> {0x33, 0xF1, 0x00, 0x32} << 16;
        QTest::newRow("serial 6 V") << 30 << 2 << QList<int> {0xF3, 0xF1, 0x00, 0xF2} << 16;
        QTest::newRow("parallel 5 V") << 2 << 1 << QList<int> {0x7B, 0xE1, 0xE9, 0x7A} << 150;
        QTest::newRow("parallel 6 V") << 1 << 2 << QList<int> {0xFB, 0xE1, 0xE9, 0xFA} << 150;
        QTest::newRow("no device: parallel set-up")
            << 0 << 0 << QList<int> {0x7F, 0xE1, 0xE9, 0x7E} << 150;
    }
    void setUp()
    {
        QFETCH(int, family);
        QFETCH(int, item);
        QFETCH(QList<int>, values);
        QFETCH(int, waitedMs);
        PrimitiveRig rig;
        rig.st.device.FamilyCode = static_cast<Family>(family);
        rig.ui.setItemIndex(ControlId::V_Verify, item);
        rig.st.op.ParallelControl = 0x68;
        const std::uint64_t start = rig.host.nowUs();
        EnterProgrammingMode(rig.core());
        const Lines expected {
            {0x5F, values[0]}, {0x3F, values[1]}, {0x4F, values[2]}, {0x5F, values[3]}};
        const Lines parallel {
            {0x5F, values[0]}, {0x3F, values[1]}, {0x3F, values[2]}, {0x5F, values[3]}};
        QCOMPARE(rig.socket.lines, family >= 5 ? expected : parallel);
        QCOMPARE(int((rig.host.nowUs() - start) / 1000), waitedMs);
        // The serial set-up leaves the parallel control byte alone.
        QCOMPARE(int(rig.st.op.ParallelControl), family >= 5 ? 0x68 : 0x6D);
    }

    void unknownVoltageItemKeepsTheCode()
    {
        PrimitiveRig rig;
        rig.st.device.FamilyCode = Family::F5;
        rig.st.op.VoltageCode = 0xF2;
        rig.ui.setItemIndex(ControlId::V_Verify, -1);
        EnterProgrammingMode(rig.core());
        QCOMPARE(rig.socket.lines.back(), (std::pair<int, int> {0x5F, 0xF2}));
    }

    void packets()
    {
        PrimitiveRig rig;
        rig.st.op.VoltageCode = 0x32;
        rig.st.op.ParallelControl = 0x6D;
        rig.st.op.ReadCommand = 4;
        rig.st.op.DataWord = 0x2805;
        SendDataWord(rig.core());
        ReadWord(rig.core());
        ParallelReadWord(rig.core());
        const auto sent = rig.sent();
        QCOMPARE(sent[0].substr(0, 14), std::string("TX D2 28 05 32"));
        QCOMPARE(sent[1].substr(0, 14), std::string("TX D1 04 00 32"));
        QCOMPARE(sent[2].substr(0, 14), std::string("TX 53 04 00 32"));
        QCOMPARE(sent[3].substr(0, 20), std::string("TX 50 04 00 6D ED E9"));
    }

    // 0x53 carries its word in reply bytes 4 and 5, 0x50 in bytes 1 and 2.
    void replyPositions()
    {
        PrimitiveRig rig;
        rig.socket.word = 0x0ABC;
        ReadWord(rig.core());
        QCOMPARE(rig.st.op.DataWord, std::uint16_t {0x0ABC});
        rig.socket.word = 0x0123;
        ParallelReadWord(rig.core());
        QCOMPARE(rig.st.op.DataWord, std::uint16_t {0x0123});
    }

    void addressDisplay_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<bool>("shown");
        QTest::newRow("0010") << 0x0010 << true;
        QTest::newRow("0011") << 0x0011 << false;
        QTest::newRow("001F") << 0x001F << false;
        QTest::newRow("2100") << 0x2100 << true;
    }
    void addressDisplay()
    {
        QFETCH(int, address);
        QFETCH(bool, shown);
        PrimitiveRig rig;
        rig.ui.setCaption(ControlId::Quit_Add, "----");
        rig.st.op.CurrentAddress = std::uint16_t(address);
        ReadWordAndIncrement(rig.core());
        QCOMPARE(rig.caption(ControlId::Quit_Add),
            shown ? QString::asprintf("%04X", address).toStdString() : std::string("----"));
        QVERIFY(rig.sent().back().starts_with("TX D1 06"));
    }

    void blockRead()
    {
        PrimitiveRig rig;
        rig.socket.word = 0x3FFF;
        rig.st.op.ReadCommand = 4;
        rig.st.op.CurrentAddress = 0x0100; // block 2
        ReadBlock(rig.core());
        QCOMPARE(rig.st.exchange.ReplyLength, std::uint32_t {8});
        QCOMPARE(blockWord(rig.core(), 0), std::uint16_t {0x3FFF});
        QCOMPARE(blockWord(rig.core(), 1), std::uint16_t {0x4000});
        QCOMPARE(int(rig.st.link.receive[0]), 0x3F);
        QCOMPARE(int(rig.st.link.receive[1]), 0xFF);
        QCOMPARE(rig.caption(ControlId::Quit_Add), std::string("0100"));
        QVERIFY(!rig.st.exchange.linkFailed);
    }
};

QTEST_APPLESS_MAIN(PrimitivesTest)
#include "test_primitives.moc"
