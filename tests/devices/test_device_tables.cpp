// The catalogue, the layouts and the drawings checked against the facts of the
// parts and the adapter board.
#include "devices/Catalogue.h"
#include "devices/ConfigEditor.h"
#include "devices/DeviceIds.h"
#include "devices/JumperDiagrams.h"

#include <QTest>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

using namespace ravelin;

namespace {

// A column of the current data row, where a value is wanted in an expression.
template<typename T>
T fetch(const char *name)
{
    return *static_cast<T *>(QTest::qData(name, qMetaTypeId<T>()));
}

std::set<Family> familiesInCatalogue()
{
    std::set<Family> families;
    for (const CatalogueRow &row : DeviceCatalogue) {
        if (!row.isSeparator())
            families.insert(row.family);
    }
    return families;
}

// Words of a list text's size column: "512", "1K", "8K".
int listedWords(std::string_view text)
{
    const std::size_t end = text.rfind(" X ");
    const std::size_t start = text.rfind(' ', end - 1) + 1;
    const std::string size(text.substr(start, end - start));
    return size.back() == 'K' ? std::stoi(size) * 1024 : std::stoi(size);
}

// The drawing a package calls for.
ControlId diagramForPackage(std::string_view text, Family family)
{
    const bool parallel = family == Family::F1 || family == Family::F2 || family == Family::F3;
    if (text.find("(8 Pin)") != std::string_view::npos)
        return ControlId::Jmp_8;
    if (text.find("(18 Pin)") != std::string_view::npos)
        return parallel ? ControlId::Jmp_18P : ControlId::Jmp_18S;
    if (text.find("(20 Pin)") != std::string_view::npos)
        return ControlId::Jmp_18S; // no 20-pin drawing: the 18-pin placement serves
    if (text.find("(Use 28 Pin Socket)") != std::string_view::npos)
        return ControlId::Jmp_28P;
    if (text.find("(28 Pin)") != std::string_view::npos)
        return ControlId::Jmp_28S;
    if (text.find("(40 Pin)") != std::string_view::npos)
        return ControlId::Jmp_40;
    if (text.find("(64/68 Pin)") != std::string_view::npos)
        return ControlId::Jmp_64;
    return ControlId::None;
}

std::vector<std::string> lines(ControlId id)
{
    std::vector<std::string> result;
    for (std::string_view line : jumperDrawing(id))
        result.emplace_back(line);
    return result;
}

int rowOf(const std::vector<std::string> &drawing, std::string_view text)
{
    for (std::size_t i = 0; i < drawing.size(); ++i) {
        if (drawing[i].find(text) != std::string::npos)
            return static_cast<int>(i);
    }
    return -1;
}

int count(const std::vector<std::string> &drawing, std::string_view text)
{
    int n = 0;
    for (const std::string &line : drawing) {
        for (std::size_t at = line.find(text); at != std::string::npos;
             at = line.find(text, at + 1))
            ++n;
    }
    return n;
}

// Bits a layout's controls stand for, each with the control that claims it.
std::vector<std::pair<int, std::string>> claimedBits(const ConfigLayout &layout)
{
    std::vector<std::pair<int, std::string>> bits;
    for (int bit = 0; bit < 16; ++bit) {
        if ((layout.oscMask >> bit) & 1)
            bits.emplace_back(bit, "oscillator");
    }
    for (const FuseBit &fuse : layout.fuseBits())
        bits.emplace_back(fuse.bit, std::string(controlInfo(fuse.box).name));
    bits.emplace_back(layout.protectBit, "Protec");
    if (layout.brownOut == BrownOutGroup::Borv1)
        bits.emplace_back(7, "BORV1");
    if (layout.brownOut == BrownOutGroup::Borv2) {
        bits.emplace_back(10, "BORV2");
        bits.emplace_back(11, "BORV2");
    }
    return bits;
}

// Every word a layout can say: each field at a value a control stands for,
// the protect bits all set or as the start value has them, the rest as the
// start value (for the calibration-keeping parts, any calibration bits).
std::vector<std::uint16_t> expressibleWords(const ConfigLayout &layout)
{
    std::vector<std::uint16_t> words;
    std::set<std::int16_t> oscValues;
    for (std::int16_t value : layout.oscValues) {
        if (value != NoValue)
            oscValues.insert(value);
    }
    const std::size_t fuses = layout.fuseCount;
    const int brownOutValues = layout.brownOut == BrownOutGroup::Borv1 ? 2
        : layout.brownOut == BrownOutGroup::Borv2                      ? 4
                                                                       : 1;
    const int brownOutShift = layout.brownOut == BrownOutGroup::Borv1 ? 7 : 10;
    for (std::uint32_t calibration = 0; calibration <= (layout.keepsCalibration ? 3U : 0U);
         ++calibration) {
        for (std::int16_t osc : oscValues) {
            for (std::uint32_t fuseBits = 0; fuseBits < (1U << fuses); ++fuseBits) {
                for (int protect = 0; protect < 2; ++protect) {
                    for (int brownOut = 0; brownOut < brownOutValues; ++brownOut) {
                        std::uint32_t word
                            = layout.keepsCalibration ? calibration << 12 : layout.startValue;
                        word |= static_cast<std::uint32_t>(osc);
                        for (std::size_t i = 0; i < fuses; ++i) {
                            if ((fuseBits >> i) & 1)
                                word |= 1U << layout.fuses[i].bit;
                        }
                        if (protect == 1)
                            word |= layout.protectOffMask;
                        if (layout.brownOut != BrownOutGroup::None)
                            word |= static_cast<std::uint32_t>(brownOut) << brownOutShift;
                        words.push_back(static_cast<std::uint16_t>(word));
                    }
                }
            }
        }
    }
    return words;
}

} // namespace

class DeviceTablesTest : public QObject
{
    Q_OBJECT

private slots:
    void separatorsSitBetweenTheGroups()
    {
        const std::set<std::size_t> expected {
            4, 9, 12, 25, 36, 45, 47, 51, 60, 71, 76, 82, 85, 96, 98};
        QCOMPARE(DeviceCatalogue.size(), std::size_t {112});
        for (std::size_t i = 0; i < DeviceCatalogue.size(); ++i) {
            const CatalogueRow &row = DeviceCatalogue[i];
            QCOMPARE(row.isSeparator(), expected.contains(i));
            if (row.isSeparator()) {
                QVERIFY(row.listText.empty());
                QCOMPARE(row.caption, std::string_view("No Device"));
                QCOMPARE(row.diagram, ControlId::None);
            }
        }
    }

    void listTextsAgreeWithTheRows()
    {
        for (std::size_t i = 0; i < DeviceCatalogue.size(); ++i) {
            const CatalogueRow &row = DeviceCatalogue[i];
            if (row.isSeparator())
                continue;
            const QByteArray where = QByteArray::number(int(i)) + ": " + row.listText.data();
            QVERIFY2(row.listText.size() == 37, where);
            QVERIFY2(listedWords(row.listText) == row.LastProgramAddress + 1, where);
            const bool twelveBit = row.listText.ends_with(" X 12");
            QVERIFY2(twelveBit || row.listText.ends_with(" X 14"), where);
            QVERIFY2((wordMaskOf(row.family) == 0x0FFF) == twelveBit, where);
            QVERIFY2(row.diagram == diagramForPackage(row.listText, row.family), where);
            QVERIFY2(!row.caption.empty() && row.caption.size() <= 10, where);
        }
    }

    void eraseAndEepromFollowTheFamily()
    {
        const std::set<Family> erasable {Family::F5, Family::F9, Family::F12, Family::F14,
            Family::F18, Family::F21, Family::F22, Family::F23, Family::F27};
        // Size codes each family's parts have: 1 = 64, 2 = 128, 3 = 256 bytes.
        const std::map<Family, std::set<int>> eeprom {{Family::F12, {2, 3}}, {Family::F14, {2}},
            {Family::F22, {1, 2, 3}}, {Family::F23, {2, 3}}, {Family::F27, {2}}};
        for (const CatalogueRow &row : DeviceCatalogue) {
            if (row.isSeparator())
                continue;
            const QByteArray where(row.listText.data(), qsizetype(row.listText.size()));
            QVERIFY2((row.erase == Erase::Erasable) == erasable.contains(row.family), where);
            QVERIFY2(familyErasable(row.family) == erasable.contains(row.family), where);
            const auto sizes = eeprom.find(row.family);
            QVERIFY2(familyHasDataEeprom(row.family) == (sizes != eeprom.end()), where);
            if (sizes == eeprom.end())
                QVERIFY2(row.eeSizeCode == 0, where);
            else
                QVERIFY2(sizes->second.contains(row.eeSizeCode), where);
        }
    }

    void everyFamilyHasALayoutThatKeepsItsBits()
    {
        QVERIFY(layoutOf(Family::None) == nullptr);
        for (Family family : familiesInCatalogue()) {
            const ConfigLayout *layout = layoutOf(family);
            const QByteArray where = "family " + QByteArray::number(int(family));
            QVERIFY2(layout != nullptr, where);
            std::set<int> taken;
            for (const auto &[bit, control] : claimedBits(*layout)) {
                QVERIFY2(bit >= 0 && bit < 14, where + " " + control.c_str());
                QVERIFY2(taken.insert(bit).second, where + " " + control.c_str());
            }
            // The protect bits an unchecked Protec sets cover its own bit and no
            // other control's; only the 16C642/662/715 reach bits 15..14.
            QVERIFY2((layout->protectOffMask >> layout->protectBit) & 1, where);
            for (int bit : taken) {
                if (bit != layout->protectBit)
                    QVERIFY2(!((layout->protectOffMask >> bit) & 1), where);
                QVERIFY2(!((layout->startValue >> bit) & 1), where);
            }
            const bool wide = family == Family::F15 || family == Family::F17;
            QVERIFY2((layout->protectOffMask > 0x3FFF) == wide, where);
            QVERIFY2(layout->startValue <= 0x3FFF, where);
            for (std::int16_t value : layout->oscValues) {
                if (value != NoValue)
                    QVERIFY2((value & ~layout->oscMask) == 0, where);
            }
            for (const FuseBit &fuse : layout->fuseBits())
                QVERIFY2(fuse.box != ControlId::Cal_Byte && fuse.box != ControlId::Protec, where);
        }
    }

    // Showing a word the layout can say and rebuilding it without a click
    // gives the same word back, whatever the controls showed before.
    void showThenRebuildGivesTheWordBack()
    {
        EditorPanel fresh = readPanel(WindowModel {});
        EditorPanel busy = fresh;
        for (EditorPanel::Knob &box : busy.boxes)
            box.checked = true;
        busy.radios[7].checked = true;
        busy.borv1.item = 1;
        busy.borv2.item = 2;
        for (Family family : familiesInCatalogue()) {
            const ConfigLayout &layout = *layoutOf(family);
            for (std::uint16_t word : expressibleWords(layout)) {
                for (const EditorPanel &before : {fresh, busy}) {
                    const ShownWord shown = showWord(family, word, before);
                    const std::uint16_t rebuilt = rebuildWord(layout, shown.panel, word);
                    if (rebuilt != word)
                        QFAIL(qPrintable(QString("family %1: %2 came back as %3")
                                             .arg(int(family))
                                             .arg(word, 4, 16, QChar('0'))
                                             .arg(rebuilt, 4, 16, QChar('0'))));
                    QVERIFY(!shown.panel.box(ControlId::Cal_Byte).checked);
                    QVERIFY(!shown.panel.box(ControlId::Cal_Byte).enabled);
                }
            }
        }
    }

    void drawingsCarryTheBoard_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("instruction");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("jumpers");
        QTest::addColumn<int>("chipPins"); // 0: no chip in the ZIF socket
        const auto row = [](ControlId id, const char *heading, const char *instruction,
                             const char *before, const char *jumpers, int pins) {
            QTest::newRow(controlInfo(id).name.data())
                << int(id) << QString(heading) << QString(instruction) << QString(before)
                << QString(jumpers) << pins;
        };
        using I = ControlId;
        const char *const pins18 = "You must set the jumpers to 18 Pin.... ";
        row(I::Jmp_8, "= PIC 8-Pin Jumper Settings =", "You must set the jumpers to 8 Pin.... ",
            "** Place the device as shown below, DO NOT use the last 2 Pins **", "RLRLRRLRL", 8);
        row(I::Jmp_18P, "= PIC 16C5X Settings =", pins18, "", "LRRRRRLLR", 18);
        row(I::Jmp_18S, "= PIC 18 Pin Settings =", pins18, "", "LLRRRRLLR", 18);
        row(I::Jmp_28P, "= PIC 16C5X Settings =", "Jumper Settings Do Not Matter.... ", "",
            "LRRRRRLLR", 0);
        row(I::Jmp_28S, "= PIC Jumper Settings =", "You must set the jumpers to 28 Pin.... ", "",
            "RLLLRLRLR", 28);
        row(I::Jmp_40, "= PIC Jumper Settings =", "You must set the jumpers to 40 Pin....", "",
            "RLRLLRLLR", 40);
        row(I::Jmp_64, "= PIC 64-Pin Jumper Settings =", "You must set the jumpers to 64 Pin.... ",
            "Make the Following Pin Conections to the Device you are Programming", "LLRRRRLLR", 0);
    }
    void drawingsCarryTheBoard()
    {
        const auto id = ControlId(fetch<int>("id"));
        const std::vector<std::string> drawing = lines(id);
        // The whole drawing fits its panel in the fixed-pitch cell.
        QVERIFY(drawing.size() <= 28);
        for (const std::string &line : drawing)
            QVERIFY2(line.size() <= 67, line.c_str());

        const std::string heading = fetch<QString>("heading").toStdString();
        const int head = rowOf(drawing, heading);
        QVERIFY(head == 1);
        const std::size_t indent = drawing[1].find(heading);
        const std::string bar = std::string(indent, ' ') + std::string(heading.size(), '=');
        QCOMPARE(drawing[0], bar);
        QCOMPARE(drawing[2], bar);

        const std::string instruction = fetch<QString>("instruction").toStdString();
        const int told = rowOf(drawing, instruction);
        QVERIFY(told >= 3);
        QVERIFY(drawing[std::size_t(told)].starts_with(instruction));
        const std::string before = fetch<QString>("before").toStdString();
        QCOMPARE(told, before.empty() ? 3 : 4);
        if (!before.empty())
            QCOMPARE(drawing[3], before);
        QVERIFY(drawing[drawing.size() - 2].starts_with(".=Blank Pin"));
        QVERIFY(drawing[drawing.size() - 1].starts_with("**=Jumper"));

        // Nine jumpers, one under the other, bridged as the board wants them.
        const int first = rowOf(drawing, "Jumper # 1 ");
        QVERIFY(first > 0);
        const std::size_t at = drawing[std::size_t(first)].find("Jumper # 1 ") + 11;
        const QString jumpers = fetch<QString>("jumpers");
        for (int j = 0; j < 9; ++j) {
            const std::string &line = drawing[std::size_t(first + j)];
            if (j > 0)
                QCOMPARE(line.substr(at - 2, 1), std::to_string(j + 1));
            QCOMPARE(line.substr(at, 3), std::string(jumpers[j] == 'L' ? "**." : ".**"));
        }

        // A chip in the ZIF socket sits at its lower end, pin 1 at the notch.
        const int pins = fetch<int>("chipPins");
        if (pins > 0) {
            const int top = rowOf(drawing, "\\_/");
            QVERIFY(top > 0);
            QVERIFY(
                drawing[std::size_t(top)].find(std::to_string(pins) + "|o") != std::string::npos);
            const int bottom = top + pins / 2 - 1;
            const std::string &last = drawing[std::size_t(bottom)];
            QVERIFY(last.find("|" + std::to_string(pins / 2) + " ") != std::string::npos);
            QVERIFY(last.find(std::to_string(pins / 2 + 1) + "|o") != std::string::npos);
            // The last row of the socket, or the one above the two pins left free.
            const int socketEnd = int(drawing.size()) - 2;
            QCOMPARE(bottom, pins == 8 ? socketEnd - 1 : socketEnd);
            if (pins == 8)
                QVERIFY(drawing[std::size_t(socketEnd)].find("X          X") != std::string::npos);
        }
        if (id == ControlId::Jmp_28P) {
            QCOMPARE(count(drawing, "40 PIN"), 3);
            QVERIFY(rowOf(drawing, "|o|1\\_/28|o|") > 0);
        } else {
            QCOMPARE(count(drawing, "28 PIN"), 2);
            QCOMPARE(count(drawing, ". DO NOT ."), 2);
        }
        if (id == ControlId::Jmp_64) {
            for (const char *text :
                {"To Your", "64 Pin", "Device", "-1 ", "20/60-", "6/21", "62-", "61-"})
                QVERIFY2(rowOf(drawing, text) > 0, text);
            QCOMPARE(rowOf(drawing, "20/60"), rowOf(drawing, "-1 "));
        }
    }

    // Each ID names a 14-bit row of the list once, at revision 0; two rows
    // share one only where an LF part reads its F part's ID.
    void deviceIdsNameTheirRows()
    {
        std::map<std::uint16_t, std::string> owner;
        for (const DeviceIdRow &entry : DeviceIds) {
            std::string f(entry.caption);
            if (f.starts_with("16LF"))
                f.erase(2, 1);
            const auto row = rowOfCaption(entry.caption);
            const auto [seen, fresh] = owner.emplace(entry.id, f);
            QVERIFY2(row && wordMaskOf(DeviceCatalogue[*row].family) == 0x3FFF
                    && deviceIdOfRow(*row) == &entry && entry.id != 0
                    && (entry.id & ~DeviceIdMask) == 0
                    && (fresh || (seen->second == f && f != entry.caption)),
                f.c_str());
        }
    }

    // What a word read at 2006 says for the row named: "match", "no chip",
    // the row the chip's ID belongs to, "unknown" for an ID of no row,
    // "unchecked" for a part without a known ID; then the revision.
    void idVerdicts_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<int>("word"); // -1: none read
        QTest::addColumn<QString>("verdict");
        for (const auto &[device, word, verdict] :
            std::initializer_list<std::tuple<const char *, int, const char *>> {
                {"16F628A", 0x1063, "match r3"}, {"16LF628A", 0x1060, "match r0"},
                {"16F877A", 0xCE22, "match r2"}, {"16F818", 0x04CF, "match r15"},
                {"16F628A", 0x0562, "16F84/A r2"}, {"16F627A", 0x1100, "16F648A r0"},
                {"16F628A", 0x2F43, "unknown r3"}, {"16F628A", 0x0000, "no chip"},
                {"16F628A", 0x3FFF, "no chip"}, {"16F628A", -1, "no chip"},
                {"16F84/A", 0x0560, "match r0"}, {"16F84/A", 0x3FFF, "match, no chip"},
                {"16F84/A", 0x1060, "16F628A r0"}, {"12C508/A", 0x1060, "unchecked"},
                {"16C61", 0x0A40, "unchecked"}})
            QTest::addRow("%s %04X", device, word) << QString(device) << word << QString(verdict);
    }
    void idVerdicts()
    {
        QFETCH(QString, device);
        QFETCH(int, word);
        QFETCH(QString, verdict);
        const IdVerdict v = checkDeviceId(*rowOfCaption(device.toStdString()),
            word < 0 ? std::nullopt : std::optional<std::uint16_t>(std::uint16_t(word)));
        QString seen = !v.known ? "unchecked"
            : v.noChip          ? (v.matches ? "match, no chip" : "no chip")
            : v.matches         ? "match"
            : v.otherRow ? QString::fromStdString(std::string(DeviceCatalogue[*v.otherRow].caption))
                         : "unknown";
        if (v.known && !v.noChip)
            seen += QString(" r%1").arg(v.revision);
        QCOMPARE(seen, verdict);
    }
};

QTEST_APPLESS_MAIN(DeviceTablesTest)
#include "test_device_tables.moc"
