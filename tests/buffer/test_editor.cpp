// The buffer editor driven through the window's events: keys and paging, address
// entry and jumps, the page's text, clicks, and entries reaching the buffer.
#include "app/Format.h"
#include "buffer/EditorCommands.h"
#include "buffer/EditorModel.h"
#include "buffer/TestFiles.h"
#include "devices/Catalogue.h"
#include "devices/Selection.h"
#include "support/Rig.h"

#include <QTest>

using namespace ravelin;
using namespace ravelin::test;
using L = QList<int>;
using Caret = std::array<int, 4>; // page, row, column, digit

namespace {

constexpr auto H = EntryMode::Hex;
constexpr auto C = EntryMode::Character;
constexpr int M14 = 0x3FFF;

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

// Steps split at blanks, on the open editor: a movement key by name,
// "type:TEXT" (keys in Edit_1, \s a blank), "addr:TEXT" (keys in the address
// field), "paste:TEXT" (text set in the field), "header" (a click on the
// address) or "link:N" (a click on Buf_Start, EE_Start or ID_Start).
void perform(Rig &rig, const QString &steps)
{
    static const QStringList Keys {
        "", "Left", "Right", "Up", "Down", "PgUp", "PgDn", "Home", "End"};
    for (const QString &step : steps.split(' ')) {
        const QString what = step.section(':', 0, 0);
        const QByteArray arg = step.section(':', 1).toLatin1().replace("\\s", " ");
        if (what == "type" || what == "addr") {
            for (char c : arg) {
                if (what == "type")
                    send(rig, UiEventKind::Key, ControlId::Edit_1, c);
                else
                    rig.typeInto(ControlId::Chg_Edit_Add, c);
            }
        } else if (what == "paste") {
            UiEvent event = UiEvent::of(UiEventKind::TextSet, ControlId::Chg_Edit_Add);
            event.text = arg.toStdString();
            rig.form.handle(event);
        } else if (what == "header") {
            clickAt(rig, 0, 3);
        } else if (what == "link") {
            const ControlId links[] {
                ControlId::Buf_Start, ControlId::EE_Start, ControlId::ID_Start};
            rig.form.click(links[arg.toInt()]);
        } else {
            send(rig, UiEventKind::Key, ControlId::Edit_1, 0, SpecialKey(Keys.indexOf(what)));
        }
    }
}

void openAt(Rig &rig, const Caret &at)
{
    rig.form.click(ControlId::Edit);
    EditorState &ed = rig.st.editor;
    ed.EditorPageStart = std::uint16_t(at[0]);
    ed.caretRow = at[1];
    ed.caretColumn = at[2];
    RenderPage(rig.form.core());
    ed.caretNibble = at[3];
}

const std::vector<std::string> &lines(const Rig &rig)
{
    return rig.ui[ControlId::Edit_1].lines;
}

// name, entry mode, word mask, caret before, steps, caret after, word 0x0012
// afterwards (from 0x3FFF)
constexpr std::tuple<const char *, EntryMode, int, Caret, const char *, Caret, int> KeyRows[] {
    {"Page Up on page 0", H, M14, {0, 5, 3, 2}, "PgUp", {0, 5, 3, 0}, M14},
    {"Up on row 0 of page 0", H, M14, {0, 0, 2, 1}, "Up", {0, 15, 7, 0}, M14},
    {"Page Down on 0x2100", H, M14, {0x2100, 4, 4, 0}, "PgDn", {0x2100, 4, 4, 0}, M14},
    {"Down on row 15 of 0x2100", H, M14, {0x2100, 15, 6, 2}, "Down", {0x2100, 0, 0, 0}, M14},
    {"fourth digit of word 7 on row 15", H, M14, {0, 15, 7, 3}, "type:1", {0x80, 0, 0, 0}, M14},
    {"End on row 3", H, M14, {0, 3, 2, 1}, "End", {0, 4, 0, 1}, M14},
    {"Left off word 0", H, M14, {0, 2, 0, 0}, "Left", {0, 1, 7, 3}, M14},
    {"Right off word 7", H, M14, {0, 2, 7, 3}, "Right", {0, 3, 0, 0}, M14},
    {"Left off the page", H, M14, {0x0080, 0, 0, 0}, "Left", {0, 15, 7, 0}, M14},
    {"Page Up from 0x0010", H, M14, {0x10, 1, 1, 0}, "PgUp", {0, 1, 1, 0}, M14},
    {"Page Down from 0x2170", H, M14, {0x2170, 0, 0, 0}, "PgDn", {0x2100, 0, 0, 0}, M14},
    {"G in hex mode", H, M14, {0, 2, 2, 1}, "type:G", {0, 2, 2, 1}, M14},
    {"colon in hex mode", H, M14, {0, 2, 2, 1}, "type::", {0, 2, 2, 1}, M14},
    {"space in hex mode", H, M14, {0, 2, 2, 1}, "type:\\s", {0, 2, 2, 1}, M14},
    {"F first on 14 bits", H, M14, {0, 2, 2, 0}, "type:F", {0, 2, 2, 1}, 0x3FFF},
    {"F first on 12 bits", H, 0xFFF, {0, 2, 2, 0}, "type:F", {0, 2, 2, 1}, 0x0FFF},
    {"a word's four digits", H, M14, {0, 2, 2, 0}, "type:a5c0", {0, 2, 3, 0}, 0x25C0},
    {"digit 1", H, M14, {0, 2, 2, 1}, "type:0", {0, 2, 2, 2}, 0x30FF},
    {"character A on 12 bits", C, 0xFFF, {0, 2, 2, 0}, "type:A", {0, 2, 3, 0}, 0x0041},
    {"characters step by word", C, M14, {0, 2, 1, 0}, "type:xyz", {0, 2, 4, 0}, 'y'},
    {"Right steps a character per four presses", C, M14, {0, 2, 2, 3}, "Right", {0, 2, 3, 0}, M14},
};

// name, steps after a click on the header, page, the field's text, the field
// still open
constexpr std::tuple<const char *, const char *, int, const char *, bool> AddressRows[] {
    {"2005", "addr:2005\r", 0x2000, "2005", false},
    {"2185", "addr:2185\r", 0x2100, "2185", false},
    {"3000", "addr:3000\r", 0x0000, "3000", false},
    {"FFFF", "addr:ffff\r", 0x0000, "FFFF", false},
    {"0012", "addr:0012\r", 0x0010, "0012", false},
    {"Enter on an empty field", "addr:\r", 0x0080, "", false},
    {"a fifth digit", "addr:12345", 0x0080, "1234", true},
    {"G empties the field", "addr:12G", 0x0080, "", true},
    {"Backspace empties the field", "addr:123\b", 0x0080, "", true},
    {"pasted hex", "paste:1ab addr:\r", 0x01A0, "1AB", false},
    {"pasted non-hex is refused", "paste:12x4 addr:\r", 0x0080, "", false},
    {"pasted non-hex shown", "paste:zz", 0x0080, "ZZ", true},
    {"Start of Buffer", "link:0", 0x0000, "", false},
    {"Start of EEprom", "link:1", 0x2000, "", false},
    {"Start of ID", "link:2", 0x2100, "", false},
    {"a hidden link", "link:0 link:2", 0x0000, "", false},
};

// name, line, column, entry mode, caret row, column and digit, address field open
constexpr std::tuple<const char *, int, int, EntryMode, int, int, int, bool> ClickRows[] {
    {"line address", 3, 2, H, 2, 0, 0, false},
    {"column 46", 3, 46, H, 2, 7, 0, false},
    {"column 47", 3, 47, C, 2, 0, 1, false},
    {"past the line end", 16, 80, C, 15, 7, 1, false},
    {"space after word 0", 1, 10, H, 0, 0, 3, false},
    {"word 1 digit 2", 1, 13, H, 0, 1, 2, false},
    {"header address", 0, 3, H, 0, 0, 0, true},
    {"header 17th character", 0, 16, H, 0, 0, 0, true},
    {"header past the address", 0, 17, H, 0, 0, 0, false},
};

} // namespace

class EditorTest : public QObject
{
    Q_OBJECT

private slots:
    // Movement, wrapping, paging and entry; the page shown is the page the
    // caret is on.
    void keys_data() { tableRows(KeyRows); }
    void keys()
    {
        const auto &[name, mode, mask, from, steps, to, stored] = currentRow(KeyRows);
        Rig rig;
        rig.st.device.WordMask = std::uint16_t(mask);
        rig.st.editor.entryMode = mode;
        rig.st.buffer.DeviceBuffer.fill(0x3FFF);
        openAt(rig, from);
        perform(rig, steps);
        const EditorState &ed = rig.st.editor;
        QCOMPARE((L {ed.EditorPageStart, ed.caretRow, ed.caretColumn, ed.caretNibble}),
            L(to.begin(), to.end()));
        QCOMPARE(int(rig.st.buffer.DeviceBuffer[0x12]), stored);
        QCOMPARE(ed.caretPlace,
            (mode == H ? TextPlace {to[1] + 1, 6 + 5 * to[2] + to[3]}
                       : TextPlace {to[1] + 1, 48 + to[2]}));
        QCOMPARE(lines(rig).size(), editor::PageLines);
        QCOMPARE(lines(rig)[1].substr(0, 4), hex4(std::uint16_t(to[0])));
        QCOMPARE(lines(rig)[0].substr(10, 4), hex4(std::uint16_t(to[0] + 8 * to[1] + to[2])));
        if (to[0] == 0)
            QCOMPARE(lines(rig)[3].substr(16, 4), hex4(std::uint16_t(stored)));
    }

    // Row, word and mode stay where the click on the header put them.
    void addressEntry_data() { tableRows(AddressRows); }
    void addressEntry()
    {
        const auto &[name, steps, page, field, open] = currentRow(AddressRows);
        Rig rig;
        rig.st.device.eraseFlag = 1;
        openAt(rig, {0x0080, 2, 3, 0});
        perform(rig, "header");
        QVERIFY(rig.ui[ControlId::Edit_1].visible);
        QCOMPARE(rig.st.editor.focus, ControlId::Chg_Edit_Add);
        perform(rig, steps);
        QCOMPARE(int(rig.st.editor.EditorPageStart), page);
        QCOMPARE(rig.caption(ControlId::Chg_Edit_Add), std::string(field));
        QCOMPARE(rig.ui[ControlId::Chg_Edit_Add].visible, open);
        QCOMPARE(rig.ui[ControlId::Buf_Start].visible, open);
        QCOMPARE(rig.st.editor.focus, open ? ControlId::Chg_Edit_Add : ControlId::Edit_1);
        QCOMPARE(rig.st.editor.caretPlace, (TextPlace {1, 6}));
        for (int k = 0; k < editor::DataLines; ++k)
            QCOMPARE(
                lines(rig)[std::size_t(k + 1)].substr(0, 4), hex4(std::uint16_t(page + 8 * k)));
    }

    void pageText()
    {
        Rig rig;
        auto &words = rig.st.buffer.DeviceBuffer;
        std::copy_n(std::array<std::uint16_t, 5> {0x3F41, 0x001F, 0x3F7F, 0x0080, 0x0020}.begin(),
            5, words.begin() + 5);
        openAt(rig, {0x0000, 0, 5, 0});
        QCOMPARE(lines(rig)[0], "Address = 0005      Hex Data = 0041       Ascii Data = A");
        QCOMPARE(lines(rig)[1], "0000  0000 0000 0000 0000 0000 3F41 001F 3F7F   .....A.\x7F");
        QCOMPARE(lines(rig)[2].substr(0, 16), "0008  0080 0020 ");
        QCOMPARE(lines(rig)[2].substr(48, 2), ". ");
        for (const std::string &line : lines(rig))
            QCOMPARE(line.size(), editor::LineLength);
        // An entry rewrites its own word and the header, nothing else: a word
        // changed behind the editor's back still shows as it was.
        std::vector<std::string> expected = lines(rig);
        words[0x09] = 0x1111;
        perform(rig, "type:0000");
        QCOMPARE(int(words[0x05]), 0x0000);
        expected[1].replace(31, 4, "0000").replace(53, 1, ".");
        expected[0] = "Address = 0006      Hex Data = 001F       Ascii Data = .";
        QCOMPARE(lines(rig), expected);
    }

    void clicks_data() { tableRows(ClickRows); }
    void clicks()
    {
        const auto &[name, line, column, mode, row, word, digit, addressField]
            = currentRow(ClickRows);
        Rig rig;
        rig.st.editor.entryMode = mode == H ? C : H;
        openAt(rig, {0x0200, 5, 5, 1});
        clickAt(rig, line, column);
        const EditorState &ed = rig.st.editor;
        QCOMPARE(ed.entryMode, mode);
        QCOMPARE((L {ed.caretRow, ed.caretColumn, ed.caretNibble}), (L {row, word, digit}));
        QCOMPARE(lines(rig)[0].substr(10, 4), hex4(std::uint16_t(0x200 + 8 * row + word)));
        QCOMPARE(rig.ui[ControlId::Chg_Edit_Add].visible, addressField);
        QCOMPARE(rig.ui[ControlId::ID_Start].visible, addressField);
        QVERIFY(rig.ui[ControlId::Edit_1].visible);
    }

    // Erase_But's tag decides, whether or not the device has data EEPROM.
    void eepromJumpForErasableDevicesOnly()
    {
        Rig rig;
        rig.start();
        bool sawF72 = false;
        for (std::size_t row = 0; row < DeviceCatalogue.size(); ++row) {
            const CatalogueRow &entry = DeviceCatalogue[row];
            rig.st.device.selectedRow = int(row);
            SelectDevice(rig.form.core());
            rig.form.click(ControlId::Edit);
            perform(rig, "header");
            QCOMPARE(rig.ui[ControlId::EE_Start].visible, entry.erase == Erase::Erasable);
            sawF72 |= entry.caption == "16F72" && rig.ui[ControlId::EE_Start].visible;
            send(rig, UiEventKind::FocusLost, ControlId::Chg_Edit_Add);
            QVERIFY(!rig.ui[ControlId::EE_Start].visible);
        }
        QVERIFY(sawF72);
    }

    // Entries go straight into the buffer: a save right after leaving the
    // editor writes them, and keys no longer reach it; the next opening keeps
    // the entry mode.
    void leavingKeepsEntriesAndMode()
    {
        Rig rig;
        rig.start();
        rig.form.click(ControlId::Edit);
        perform(rig, "type:1234 PgDn");
        clickAt(rig, 1, 50);
        perform(rig, "type:AB");
        send(rig, UiEventKind::FocusLost, ControlId::Edit_1);
        QVERIFY(!rig.ui[ControlId::Edit_1].visible);
        perform(rig, "type:99");
        rig.host.saveAnswers.push_back("typed.bin");
        rig.form.click(ControlId::Save_But);
        const std::string bytes = readText("typed.bin");
        QCOMPARE(bytes.size(), std::size_t(16912));
        QCOMPARE(bytes.substr(0, 2), std::string("\x34\x12"));
        QCOMPARE(bytes.substr(0x104, 4), std::string("A\0B\0", 4));
        rig.form.click(ControlId::Edit);
        QCOMPARE(rig.st.editor.entryMode, C);
        QCOMPARE(rig.st.editor.caretPlace, (TextPlace {1, 48}));
        QCOMPARE(lines(rig)[1].substr(0, 10), "0000  1234");
    }
};

QTEST_GUILESS_MAIN(EditorTest)
#include "test_editor.moc"
