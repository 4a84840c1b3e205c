// The buffer editor on the real widgets: keys and clicks reach the editor, the
// caret lands where the editor puts it, the address field takes and hands back
// the focus, and leaving the editor closes it with the entries kept.
#include "TypeKeys.h"
#include "app/Format.h"
#include "qt/BufferEditorView.h"
#include "qt/MainWindow.h"
#include "support/Rig.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTextBlock>

using namespace ravelin;
using namespace ravelin::test;

namespace {

struct EditorRig
{
    EditorRig()
        : window(rig.form)
    {
        rig.start();
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::mouseClick(window.widget(ControlId::Edit), Qt::LeftButton);
    }

    BufferEditorView *editor() const { return window.editor(); }
    QLineEdit *field() const
    {
        return static_cast<QLineEdit *>(window.widget(ControlId::Chg_Edit_Add));
    }
    // Where the given character of the given line is drawn.
    QPoint pointOf(int line, int column) const
    {
        QTextCursor cursor(editor()->document()->findBlockByNumber(line));
        cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, column);
        return editor()->cursorRect(cursor).center() + QPoint(2, 0);
    }
    void clickAt(int line, int column)
    {
        QTest::mouseClick(editor()->viewport(), Qt::LeftButton, {}, pointOf(line, column));
    }
    QPoint caret() const
    {
        const QTextCursor cursor = editor()->textCursor();
        return {cursor.blockNumber(), cursor.positionInBlock()};
    }

    Rig rig;
    MainWindow window;
};

} // namespace

class EditorViewTest : public QObject
{
    Q_OBJECT

private slots:
    // The page opens with the focus, read-only and unwrapped, so that keys and
    // clicks go to the editor and every line keeps its 56 characters.
    void opensWithTheFocusAndThePage()
    {
        EditorRig r;
        QVERIFY(r.editor()->isVisible() && r.editor()->isReadOnly());
        QCOMPARE(QApplication::focusWidget(), r.editor());
        QCOMPARE(r.editor()->lineWrapMode(), QPlainTextEdit::NoWrap);
        QCOMPARE(r.editor()->document()->blockCount(), 17);
        QCOMPARE(r.editor()->document()->findBlockByNumber(16).text().size(), 56);
        QCOMPARE(r.caret(), QPoint(1, 6));
    }

    // The caret goes where the editor puts it (line, character), on the same
    // 17 lines.
    void keysMoveTheCaretWhereTheEditorSays_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("key");
        QTest::addColumn<QPoint>("caret");
        QTest::newRow("two digits") << "12" << 0 << QPoint(1, 8);
        QTest::newRow("a word and a half") << "123456" << 0 << QPoint(1, 13);
        QTest::newRow("Down") << "" << int(Qt::Key_Down) << QPoint(2, 6);
        QTest::newRow("Right") << "" << int(Qt::Key_Right) << QPoint(1, 7);
        QTest::newRow("End wraps to the next line") << "" << int(Qt::Key_End) << QPoint(2, 6);
        QTest::newRow("Up from row 0 wraps on the page") << "" << int(Qt::Key_Up) << QPoint(16, 41);
        QTest::newRow("Page Down resets the digit") << "1" << int(Qt::Key_PageDown) << QPoint(1, 6);
    }
    void keysMoveTheCaretWhereTheEditorSays()
    {
        QFETCH(QString, typed);
        QFETCH(int, key);
        QFETCH(QPoint, caret);
        EditorRig r;
        QTest::keyClicks(r.editor(), typed);
        if (key)
            QTest::keyClick(r.editor(), Qt::Key(key));
        const EditorState &ed = r.rig.st.editor;
        QCOMPARE(r.caret(), QPoint(ed.caretPlace.line, ed.caretPlace.column));
        QCOMPARE(r.caret(), caret);
        QCOMPARE(r.editor()->toPlainText().split('\n').size(), 17);
    }

    void clicksPickTheWordUnderTheMouse()
    {
        EditorRig r;
        r.clickAt(3, 47);
        QCOMPARE(r.rig.st.editor.entryMode, EntryMode::Character);
        QCOMPARE(r.caret(), QPoint(3, 48));
        QTest::keyClicks(r.editor(), "Hi");
        // A Latin-1 letter keeps its code.
        QTest::sendKeyEvent(QTest::Click, r.editor(), Qt::Key_Eacute, QStringLiteral("\u00e9"), {});
        QCOMPARE(int(r.rig.st.buffer.DeviceBuffer[0x0010]), 'H');
        QCOMPARE(int(r.rig.st.buffer.DeviceBuffer[0x0011]), 'i');
        QCOMPARE(int(r.rig.st.buffer.DeviceBuffer[0x0012]), 0xE9);
        QCOMPARE(r.caret(), QPoint(3, 51));
        r.clickAt(5, 22);
        QCOMPARE(r.rig.st.editor.entryMode, EntryMode::Hex);
        QCOMPARE(r.caret(), QPoint(5, 22));
    }

    // The field edits as any entry: at the cursor, Delete and the arrows work.
    void theAddressFieldTakesAndGivesBackTheFocus_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("pageStart");
        QTest::newRow("typed") << "2105" << 0x2100;
        QTest::newRow("at the cursor") << "215<0" << 0x2100;
        QTest::newRow("Delete after the cursor") << "2105<<<!" << 0x0200;
    }
    void theAddressFieldTakesAndGivesBackTheFocus()
    {
        QFETCH(QString, keys);
        QFETCH(int, pageStart);
        EditorRig r;
        r.clickAt(0, 12);
        QVERIFY(r.field()->isVisible() && r.editor()->isVisible());
        QCOMPARE(QApplication::focusWidget(), r.field());
        typeKeys(r.window.windowHandle(), keys + u'\r');
        QCOMPARE(int(r.rig.st.editor.EditorPageStart), pageStart);
        QVERIFY(!r.field()->isVisible());
        QCOMPARE(QApplication::focusWidget(), r.editor());
        QVERIFY(r.editor()->document()->findBlockByNumber(1).text().startsWith(
            QString::fromStdString(hex4(pageStart))));
        QCOMPARE(r.caret(), QPoint(1, 6));
    }

    void leavingClosesAndKeepsTheEntries()
    {
        EditorRig r;
        QTest::keyClicks(r.editor(), "0ABC");
        r.window.widget(ControlId::Start_Add)->setFocus(Qt::TabFocusReason);
        QVERIFY(!r.editor()->isVisible() && !r.rig.ui[ControlId::Edit_1].visible);
        QCOMPARE(int(r.rig.st.buffer.DeviceBuffer[0]), 0x0ABC);
        QTest::mouseClick(r.window.widget(ControlId::Edit), Qt::LeftButton);
        QVERIFY(r.editor()->isVisible());
        QCOMPARE(QApplication::focusWidget(), r.editor());
        QVERIFY(r.editor()->document()->findBlockByNumber(1).text().startsWith("0000  0ABC"));
    }
};

QTEST_MAIN(EditorViewTest)
#include "test_editor_view.moc"
