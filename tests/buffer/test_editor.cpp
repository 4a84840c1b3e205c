// The buffer editor driven through the window's events: paging and wrapping,
// address entry and jumps, the page's text, entries and clicks.
#include "app/Format.h"
#include "buffer/EditorCommands.h"
#include "buffer/EditorModel.h"
#include "devices/Catalogue.h"
#include "devices/Selection.h"
#include "support/Rig.h"

#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <iterator>

using namespace ravelin;
using namespace ravelin::test;

Q_DECLARE_METATYPE(ravelin::ControlId)
Q_DECLARE_METATYPE(ravelin::EntryMode)

namespace {

SpecialKey specialNamed(const QString &name)
{
    static const std::pair<const char *, SpecialKey> Names[]
        = {{"PgUp", SpecialKey::PageUp}, {"PgDn", SpecialKey::PageDown}, {"Up", SpecialKey::Up},
            {"Down", SpecialKey::Down}, {"Left", SpecialKey::Left}, {"Right", SpecialKey::Right},
            {"Home", SpecialKey::Home}, {"End", SpecialKey::End}};
    for (const auto &[text, key] : Names) {
        if (name == QLatin1String(text))
            return key;
    }
    return SpecialKey::None;
}

void send(Rig &rig, UiEventKind kind, ControlId id, char key = 0, SpecialKey special = {})
{
    UiEvent event = UiEvent::of(kind, id);
    event.key = key;
    event.special = special;
    rig.form.handle(event);
}

void clickAt(Rig &rig, int line, int column)
{
    UiEvent event = UiEvent::of(UiEventKind::MouseDown, ControlId::Edit_1);
    event.line = line;
    event.column = column;
    rig.form.handle(event);
}

// Runs steps on the open editor: a movement key by name, "type:TEXT" (one key a
// character in Edit_1), "addr:TEXT" (keys in the address field, '\r' for Enter),
// "paste:TEXT" (text set in the address field), "header" (a click on the address).
void perform(Rig &rig, const QString &step)
{
    const QString what = step.section(':', 0, 0);
    const QByteArray arg
        = step.section(':', 1).toLatin1().replace("\\r", "\r").replace("\\b", "\b");
    if (what == "type") {
        for (char c : arg)
            send(rig, UiEventKind::Key, ControlId::Edit_1, c);
    } else if (what == "addr") {
        for (char c : arg)
            send(rig, UiEventKind::Key, ControlId::Chg_Edit_Add, c);
    } else if (what == "paste") {
        UiEvent event = UiEvent::of(UiEventKind::TextSet, ControlId::Chg_Edit_Add);
        event.text = arg.toStdString();
        rig.form.handle(event);
    } else if (what == "header") {
        clickAt(rig, 0, 3);
    } else {
        send(rig, UiEventKind::Key, ControlId::Edit_1, 0, specialNamed(what));
    }
}

// Opens the editor and puts the caret at the given place.
void openAt(Rig &rig, int page, int row, int column, int nibble)
{
    rig.form.click(ControlId::Edit);
    EditorState &ed = rig.st.editor;
    ed.EditorPageStart = std::uint16_t(page);
    ed.caretRow = row;
    ed.caretColumn = column;
    RenderPage(rig.form.core());
    ed.caretNibble = nibble;
}

const std::vector<std::string> &lines(const Rig &rig)
{
    return rig.ui[ControlId::Edit_1].lines;
}

} // namespace

class EditorTest : public QObject
{
    Q_OBJECT

private slots:
    void movingAndPaging_data()
    {
        QTest::addColumn<QList<int>>("from"); // page, row, column, nibble
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QList<int>>("to");
        using L = QList<int>;
        QTest::newRow("Page Up on page 0 stays")
            << L {0, 5, 3, 2} << QStringList {"PgUp"} << L {0, 5, 3, 0};
        QTest::newRow("Up on row 0 of page 0 stays on the page")
            << L {0, 0, 2, 1} << QStringList {"Up"} << L {0, 15, 7, 0};
        QTest::newRow("Page Down on 0x2100 stays")
            << L {0x2100, 4, 4, 0} << QStringList {"PgDn"} << L {0x2100, 4, 4, 0};
        QTest::newRow("Down on row 15 of 0x2100 stays on the page")
            << L {0x2100, 15, 6, 2} << QStringList {"Down"} << L {0x2100, 0, 0, 0};
        QTest::newRow("fourth digit of the page's last word")
            << L {0, 15, 7, 3} << QStringList {"type:1"} << L {0x0080, 0, 0, 0};
        QTest::newRow("End on row 3") << L {0, 3, 2, 1} << QStringList {"End"} << L {0, 4, 0, 1};
        QTest::newRow("Home") << L {0, 3, 5, 1} << QStringList {"Home"} << L {0, 3, 0, 1};
        QTest::newRow("Left from digit 0 of word 0")
            << L {0, 2, 0, 0} << QStringList {"Left"} << L {0, 1, 7, 3};
        QTest::newRow("Right from digit 3 of word 7")
            << L {0, 2, 7, 3} << QStringList {"Right"} << L {0, 3, 0, 0};
        QTest::newRow("Left off the page's first word goes back a page, digit 0")
            << L {0x0080, 0, 0, 0} << QStringList {"Left"} << L {0, 15, 7, 0};
        QTest::newRow("Page Up from a typed page start wraps to 0")
            << L {0x0010, 1, 1, 0} << QStringList {"PgUp"} << L {0, 1, 1, 0};
        QTest::newRow("Page Down to the last page")
            << L {0x2080, 0, 0, 0} << QStringList {"PgDn"} << L {0x2100, 0, 0, 0};
        QTest::newRow("Page Down past 0x2100 from a typed start")
            << L {0x2170, 0, 0, 0} << QStringList {"PgDn"} << L {0x2100, 0, 0, 0};
        QTest::newRow("four digits step to the next word")
            << L {0, 0, 0, 0} << QStringList {"type:ABCD"} << L {0, 0, 1, 0};
    }
    void movingAndPaging()
    {
        QFETCH(QList<int>, from);
        QFETCH(QStringList, steps);
        QFETCH(QList<int>, to);
        Rig rig;
        openAt(rig, from[0], from[1], from[2], from[3]);
        for (const QString &step : steps)
            perform(rig, step);
        const EditorState &ed = rig.st.editor;
        QCOMPARE(
            (QList<int> {ed.EditorPageStart, ed.caretRow, ed.caretColumn, ed.caretNibble}), to);
        QCOMPARE(ed.caretPlace, (TextPlace {to[1] + 1, 6 + 5 * to[2] + to[3]}));
        QCOMPARE(lines(rig).size(), editor::PageLines);
        QCOMPARE(lines(rig)[1].substr(0, 4), hex4(std::uint16_t(to[0])));
        QCOMPARE(lines(rig)[0].substr(10, 4), hex4(std::uint16_t(to[0] + 8 * to[1] + to[2])));
    }

    void addressEntry_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("field"); // after the steps
        QTest::addColumn<bool>("fieldOpen");
        QTest::newRow("2005") << QStringList {"addr:2005\\r"} << 0x2000 << "2005" << false;
        QTest::newRow("2185") << QStringList {"addr:2185\\r"} << 0x2100 << "2185" << false;
        QTest::newRow("3000") << QStringList {"addr:3000\\r"} << 0x0000 << "3000" << false;
        QTest::newRow("FFFF") << QStringList {"addr:ffff\\r"} << 0x0000 << "FFFF" << false;
        QTest::newRow("0012") << QStringList {"addr:0012\\r"} << 0x0010 << "0012" << false;
        QTest::newRow("Enter on an empty field redraws")
            << QStringList {"addr:\\r"} << 0x0080 << "" << false;
        QTest::newRow("a fifth digit is not taken")
            << QStringList {"addr:12345"} << 0x0080 << "1234" << true;
        QTest::newRow("G empties the field") << QStringList {"addr:12G"} << 0x0080 << "" << true;
        QTest::newRow("Backspace empties the field")
            << QStringList {"addr:123\\b"} << 0x0080 << "" << true;
        QTest::newRow("pasted hex jumps")
            << QStringList {"paste:1ab", "addr:\\r"} << 0x01A0 << "1AB" << false;
        QTest::newRow("pasted non-hex is refused")
            << QStringList {"paste:12x4", "addr:\\r"} << 0x0080 << "" << false;
        QTest::newRow("pasted non-hex shows upper case")
            << QStringList {"paste:zz"} << 0x0080 << "ZZ" << true;
        QTest::newRow("typed digits wait for Enter")
            << QStringList {"addr:12"} << 0x0080 << "12" << true;
    }
    void addressEntry()
    {
        QFETCH(QStringList, steps);
        QFETCH(int, page);
        QFETCH(QString, field);
        QFETCH(bool, fieldOpen);
        Rig rig;
        openAt(rig, 0x0080, 2, 3, 0);
        perform(rig, "header");
        QVERIFY(rig.ui[ControlId::Chg_Edit_Add].visible);
        QVERIFY(rig.ui[ControlId::Edit_1].visible);
        QCOMPARE(rig.st.editor.focus, ControlId::Chg_Edit_Add);
        for (const QString &step : steps)
            perform(rig, step);
        QCOMPARE(int(rig.st.editor.EditorPageStart), page);
        QCOMPARE(QString::fromStdString(rig.caption(ControlId::Chg_Edit_Add)), field);
        QCOMPARE(rig.ui[ControlId::Chg_Edit_Add].visible, fieldOpen);
        QCOMPARE(rig.ui[ControlId::Buf_Start].visible, fieldOpen);
        QCOMPARE(rig.st.editor.focus, fieldOpen ? ControlId::Chg_Edit_Add : ControlId::Edit_1);
        for (int k = 0; k < editor::DataLines; ++k)
            QCOMPARE(
                lines(rig)[std::size_t(k + 1)].substr(0, 4), hex4(std::uint16_t(page + 8 * k)));
    }

    void jumpsKeepTheCaret_data()
    {
        QTest::addColumn<ControlId>("link");
        QTest::addColumn<int>("page");
        QTest::newRow("Start of Buffer") << ControlId::Buf_Start << 0x0000;
        QTest::newRow("Start of EEprom") << ControlId::EE_Start << 0x2000;
        QTest::newRow("Start of ID") << ControlId::ID_Start << 0x2100;
    }
    void jumpsKeepTheCaret()
    {
        QFETCH(ControlId, link);
        QFETCH(int, page);
        Rig rig;
        rig.st.device.eraseFlag = 1;
        openAt(rig, 0x0400, 6, 3, 0);
        perform(rig, "header"); // the caret to row 0, word 0, digit 0
        rig.st.editor.caretNibble = 2;
        rig.form.click(link);
        QCOMPARE(int(rig.st.editor.EditorPageStart), page);
        QCOMPARE(rig.st.editor.caretPlace, (TextPlace {1, 6}));
        QCOMPARE(lines(rig)[0].substr(10, 4), hex4(std::uint16_t(page)));
        QVERIFY(!rig.ui[ControlId::Chg_Edit_Add].visible && !rig.ui[link].visible);
        // A hidden link does nothing.
        rig.st.editor.EditorPageStart = 0x0100;
        rig.form.click(link);
        QCOMPARE(int(rig.st.editor.EditorPageStart), 0x0100);
    }

    void pageText()
    {
        Rig rig;
        auto &words = rig.st.buffer.DeviceBuffer;
        words[0x0005] = 0x3F41;
        words[0x0006] = 0x001F;
        words[0x0007] = 0x3F7F;
        words[0x0008] = 0x0080;
        words[0x0009] = 0x0020;
        openAt(rig, 0, 0, 5, 0);
        QCOMPARE(lines(rig)[0], "Address = 0005      Hex Data = 0041       Ascii Data = A");
        QCOMPARE(lines(rig)[1], "0000  0000 0000 0000 0000 0000 3F41 001F 3F7F   .....A.\x7F");
        QCOMPARE(lines(rig)[2].substr(0, 16), "0008  0080 0020 ");
        QCOMPARE(lines(rig)[2].substr(48, 2), ". ");
        QCOMPARE(lines(rig)[16].substr(0, 4), "0078");
        for (const std::string &line : lines(rig))
            QCOMPARE(line.size(), editor::LineLength);
    }

    void anEntryRewritesOnlyItsWord()
    {
        Rig rig;
        openAt(rig, 0x0100, 3, 2, 0);
        const std::vector<std::string> before = lines(rig);
        // Changed behind the editor's back: an entry does not redraw it.
        rig.st.buffer.DeviceBuffer[0x0119] = 0x1111;
        perform(rig, "type:3F");
        QCOMPARE(int(rig.st.buffer.DeviceBuffer[0x011A]), 0x3F00);
        std::vector<std::string> expected = before;
        expected[4].replace(16, 4, "3F00");
        expected[0] = "Address = 011A      Hex Data = 0000       Ascii Data = .";
        QCOMPARE(lines(rig), expected);
    }

    void entry_data()
    {
        QTest::addColumn<EntryMode>("mode");
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("nibble");
        QTest::addColumn<int>("word");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("column"); // afterwards, from 2
        const auto H = EntryMode::Hex;
        const auto C = EntryMode::Character;
        QTest::newRow("G in hex mode") << H << 0x3FFF << 1 << 0x1234 << "G" << 0x1234 << 2;
        QTest::newRow("colon in hex mode") << H << 0x3FFF << 1 << 0x1234 << ":" << 0x1234 << 2;
        QTest::newRow("space in hex mode") << H << 0x3FFF << 1 << 0x1234 << " " << 0x1234 << 2;
        QTest::newRow("F first on 14 bits") << H << 0x3FFF << 0 << 0x0000 << "F" << 0x3000 << 2;
        QTest::newRow("F first on 12 bits") << H << 0x0FFF << 0 << 0x0000 << "F" << 0x0000 << 2;
        QTest::newRow("a digit clears bits above the mask")
            << H << 0x0FFF << 3 << 0xF123 << "4" << 0x0124 << 3;
        QTest::newRow("second digit") << H << 0x3FFF << 1 << 0xFFFF << "5" << 0x35FF << 2;
        QTest::newRow("lower-case last digit") << H << 0x3FFF << 3 << 0x1230 << "a" << 0x123A << 3;
        QTest::newRow("character on 12 bits") << C << 0x0FFF << 0 << 0x3FFF << "A" << 0x0041 << 3;
        QTest::newRow("character on 14 bits") << C << 0x3FFF << 2 << 0x3FFF << "~" << 0x007E << 3;
    }
    void entry()
    {
        QFETCH(EntryMode, mode);
        QFETCH(int, mask);
        QFETCH(int, nibble);
        QFETCH(int, word);
        QFETCH(QString, keys);
        QFETCH(int, stored);
        QFETCH(int, column);
        Rig rig;
        rig.st.device.WordMask = std::uint16_t(mask);
        rig.st.editor.entryMode = mode;
        rig.st.buffer.DeviceBuffer[0x0012] = std::uint16_t(word);
        openAt(rig, 0, 2, 2, nibble);
        perform(rig, "type:" + keys);
        QCOMPARE(int(rig.st.buffer.DeviceBuffer[0x0012]), stored);
        QCOMPARE(rig.st.editor.caretColumn, column);
        QCOMPARE(lines(rig)[3].substr(16, 4), hex4(std::uint16_t(stored)));
    }

    void clicks_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("column");
        QTest::addColumn<EntryMode>("mode");
        QTest::addColumn<QList<int>>("caret"); // row, column, nibble
        QTest::addColumn<bool>("addressField");
        const auto H = EntryMode::Hex;
        const auto C = EntryMode::Character;
        using L = QList<int>;
        QTest::newRow("line address") << 3 << 2 << H << L {2, 0, 0} << false;
        QTest::newRow("column 46") << 3 << 46 << H << L {2, 7, 0} << false;
        QTest::newRow("column 47") << 3 << 47 << C << L {2, 0, 1} << false;
        QTest::newRow("last character") << 16 << 55 << C << L {15, 7, 1} << false;
        QTest::newRow("past the line end") << 16 << 80 << C << L {15, 7, 1} << false;
        QTest::newRow("space after word 0") << 1 << 10 << H << L {0, 0, 3} << false;
        QTest::newRow("word 1 digit 2") << 1 << 13 << H << L {0, 1, 2} << false;
        QTest::newRow("header address") << 0 << 3 << H << L {0, 0, 0} << true;
        QTest::newRow("header 17th character") << 0 << 16 << H << L {0, 0, 0} << true;
        QTest::newRow("header past the address") << 0 << 17 << H << L {0, 0, 0} << false;
    }
    void clicks()
    {
        QFETCH(int, line);
        QFETCH(int, column);
        QFETCH(EntryMode, mode);
        QFETCH(QList<int>, caret);
        QFETCH(bool, addressField);
        Rig rig;
        rig.st.editor.entryMode = mode == EntryMode::Hex ? EntryMode::Character : EntryMode::Hex;
        openAt(rig, 0x0200, 5, 5, 1);
        clickAt(rig, line, column);
        const EditorState &ed = rig.st.editor;
        QCOMPARE(ed.entryMode, mode);
        QCOMPARE((QList<int> {ed.caretRow, ed.caretColumn, ed.caretNibble}), caret);
        QCOMPARE(ed.caretPlace,
            (mode == EntryMode::Hex ? TextPlace {caret[0] + 1, 6 + 5 * caret[1] + caret[2]}
                                    : TextPlace {caret[0] + 1, 48 + caret[1]}));
        QCOMPARE(lines(rig)[0].substr(10, 4), hex4(std::uint16_t(0x200 + 8 * caret[0] + caret[1])));
        QCOMPARE(rig.ui[ControlId::Chg_Edit_Add].visible, addressField);
        QCOMPARE(rig.ui[ControlId::ID_Start].visible, addressField);
        QVERIFY(rig.ui[ControlId::Edit_1].visible);
    }

    void entryModeKeptAcrossOpenings()
    {
        Rig rig;
        openAt(rig, 0x0100, 4, 4, 0);
        clickAt(rig, 2, 50);
        send(rig, UiEventKind::FocusLost, ControlId::Edit_1);
        QVERIFY(!rig.ui[ControlId::Edit_1].visible);
        rig.form.click(ControlId::Edit);
        const EditorState &ed = rig.st.editor;
        QCOMPARE(ed.entryMode, EntryMode::Character);
        QCOMPARE(
            (QList<int> {ed.EditorPageStart, ed.caretRow, ed.caretColumn}), (QList<int> {0, 0, 0}));
        QCOMPARE(ed.caretPlace, (TextPlace {1, 48}));
        QVERIFY(rig.ui[ControlId::Edit_1].visible);
    }

    void lockedEditButtonOpensNothing()
    {
        Rig rig;
        rig.ui.disable(ControlId::Edit);
        rig.form.click(ControlId::Edit);
        QVERIFY(!rig.ui[ControlId::Edit_1].visible);
        // Keys and clicks reach no closed editor.
        perform(rig, "type:12");
        clickAt(rig, 1, 6);
        QCOMPARE(int(rig.st.buffer.DeviceBuffer[0]), 0);
        QVERIFY(lines(rig) == std::vector<std::string> {"Edit_1"});
    }

    // The Erase_But tag decides, whether or not the device has data EEPROM.
    void eepromJumpForErasableDevicesOnly()
    {
        Rig rig;
        rig.start();
        bool sawF72 = false;
        for (std::size_t row = 0; row < DeviceCatalogue.size(); ++row) {
            const CatalogueRow &entry = DeviceCatalogue[row];
            if (entry.isSeparator())
                continue;
            rig.st.device.selectedRow = int(row);
            SelectDevice(rig.form.core());
            rig.form.click(ControlId::Edit);
            perform(rig, "header");
            QVERIFY(rig.ui[ControlId::ID_Start].visible);
            QCOMPARE(rig.ui[ControlId::EE_Start].visible, entry.erase == Erase::Erasable);
            sawF72 |= entry.caption == "16F72" && entry.eeSizeCode == 0
                && rig.ui[ControlId::EE_Start].visible;
            send(rig, UiEventKind::FocusLost, ControlId::Chg_Edit_Add);
            QVERIFY(!rig.ui[ControlId::EE_Start].visible);
        }
        QVERIFY(sawF72);
    }

    // Entries go straight into the buffer: a save right after closing the
    // editor writes them.
    void closingKeepsEntriesForTheSave()
    {
        QTemporaryDir dir;
        const std::string file = dir.filePath("typed.bin").toStdString();
        Rig rig;
        rig.start();
        rig.form.click(ControlId::Edit);
        perform(rig, "type:1234");
        perform(rig, "PgDn"); // to word 0x0081: the caret keeps its column
        perform(rig, "type:0ABC");
        send(rig, UiEventKind::FocusLost, ControlId::Edit_1);
        QVERIFY(!rig.ui[ControlId::Edit_1].visible);
        QCOMPARE(rig.st.editor.focus, ControlId::None);
        rig.host.saveAnswers.push_back(file);
        rig.form.click(ControlId::Save_But);
        std::ifstream in(file, std::ios::binary);
        const std::string bytes {std::istreambuf_iterator<char>(in), {}};
        QCOMPARE(bytes.size(), std::size_t(16912));
        QCOMPARE(bytes.substr(0, 2), std::string("\x34\x12"));
        QCOMPARE(bytes.substr(0x102, 2), std::string("\xBC\x0A"));
    }
};

QTEST_GUILESS_MAIN(EditorTest)
#include "test_editor.moc"
