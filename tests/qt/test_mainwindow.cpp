// The window as the user sees it: every control where the table puts it,
// input reaching the handlers, model changes reaching the widgets, the timer,
// and the start and end of the program.
#include "ModalAnswerer.h"
#include "TypeKeys.h"
#include "app/Format.h"
#include "qt/BufferEditorView.h"
#include "qt/Look.h"
#include "qt/MainWindow.h"
#include "qt/QtHost.h"
#include "sim/SimProgrammer.h"
#include "support/Rig.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <ctime>

using namespace ravelin;
using namespace ravelin::test;

namespace {

const QString Found = QStringLiteral("Usb Programmer Found - FirmWare Version 1.20");

// The window on the simulated programmer with the scripted host, after the
// start-up that the first activation runs.
struct ShownRig
{
    ShownRig()
        : window(rig.form)
    {
        rig.start();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }
    template<typename W>
    W *widget(ControlId id) const
    {
        return qobject_cast<W *>(window.widget(id));
    }
    template<typename W = QWidget>
    W *child(const char *name) const
    {
        return window.findChild<W *>(QLatin1String(name));
    }
    void click(ControlId id)
    {
        const QWidget *w = window.widget(id);
        clickAt(w, w->rect().center());
    }
    // A click at a point of a widget, on whatever the window has there.
    void clickAt(const QWidget *w, QPoint at)
    {
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, w->mapTo(&window, at));
    }
    // A click on the first row of a list that starts with the text.
    void clickRow(ControlId id, const QString &text)
    {
        auto *list = widget<QListWidget>(id);
        QListWidgetItem *item = list->findItems(text, Qt::MatchStartsWith).value(0);
        list->scrollToItem(item);
        clickAt(list->viewport(), list->visualItemRect(item).center());
    }
    Rig rig;
    MainWindow window;
};

// The whole program on the real Qt host, the way main() puts it together.
struct RealRig
{
    explicit RealRig(sim::ProgrammerOptions options = {})
        : programmer(host, options)
        , window(form)
    {
        host.setWindow(&window);
    }
    ScratchDirectory workingDirectory;
    QtHost host;
    sim::SimProgrammer programmer;
    WindowModel ui;
    AppState st;
    MainForm form {ui, st, host, programmer};
    MainWindow window;
};

QColor background(const QWidget *widget)
{
    return widget->palette().color(widget->backgroundRole());
}

bool fixedPitch(const QFont &font)
{
    // QFontInfo::fixedPitch() is not to be trusted for every family.
    const QFontMetrics metrics(font);
    return metrics.horizontalAdvance(QLatin1Char('i'))
        == metrics.horizontalAdvance(QLatin1Char('W'));
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    // The window centred on the screen, or against the top-left corner of a
    // screen too small for it; every control at its place in its parent, in
    // its font and colour, the backdrops under the buttons they frame.
    void layout()
    {
        ShownRig s;
        const FormInfo &form = formInfo();
        QCOMPARE(s.window.frameGeometry().size(), QSize(form.outerWidth, form.outerHeight));
        QCOMPARE(s.window.windowTitle(), QString::fromUtf8(form.caption.data()));
        QCOMPARE(background(&s.window), QColor(0x00, 0x00, 0x80));
        QVERIFY(s.window.autoFillBackground());
        const QRect screen = s.window.screen()->availableGeometry();
        QCOMPARE(s.window.frameGeometry().topLeft(),
            QPoint(std::max(screen.left(), screen.center().x() - form.outerWidth / 2),
                std::max(screen.top(), screen.center().y() - form.outerHeight / 2)));

        for (const ControlInfo &info : allControls()) {
            if (info.kind == ControlKind::Timer)
                continue;
            const QWidget *w = s.window.widget(info.id);
            const char *name = info.name.data();
            const QString parent = info.parent == ControlId::None
                ? QStringLiteral("MainForm")
                : QString::fromUtf8(controlInfo(info.parent).name.data());
            QVERIFY2(w->parentWidget()->objectName() == parent, name);
            // Backdrops follow their buttons; a static text grows with its caption.
            QRect want(info.rect.left, info.rect.top, info.rect.width, s.rig.ui[info.id].height);
            if (info.kind == ControlKind::StaticText)
                want.setWidth(std::max(w->width(), info.rect.width));
            QVERIFY2(w->geometry() == want, name);
            QVERIFY2(w->font() == fontFor(info.font), name);
            QVERIFY2(fixedPitch(w->font()) == (info.font.face != FontFace::MsSansSerif), name);
            if (const std::optional<QColor> colour = colourOf(info.colour))
                QVERIFY2(background(w) == *colour && w->autoFillBackground(), name);
        }
        QVERIFY(s.child<QRadioButton>("V_Verify_1")->isChecked());
        const QWidget *button = s.window.widget(ControlId::Program_Eprom);
        QCOMPARE(s.window.childAt(button->geometry().center()), button);
        QCOMPARE(s.window.childAt(QPoint(9, 7)), s.window.widget(ControlId::Label1));
    }

    // The user sets the board from these drawings: every line and column must
    // be on screen, none cut off at the panel's edge.
    void jumperDrawingsFitTheirPanels()
    {
        ShownRig s;
        for (auto i = indexOf(ControlId::Jmp_8); i <= indexOf(ControlId::Jmp_64); ++i) {
            const std::vector<std::string> &lines = s.rig.ui[ControlId(i)].lines;
            QVERIFY(!lines.empty());
            std::size_t columns = 0;
            for (const std::string &line : lines)
                columns = std::max(columns, line.size());
            const QWidget *panel = s.window.widget(ControlId(i));
            const QFontMetrics metrics(panel->font());
            // A frame and a small margin on each side.
            QVERIFY2(int(lines.size()) * metrics.lineSpacing() + 8 <= panel->height()
                    && int(columns) * metrics.horizontalAdvance(QLatin1Char('W')) + 8
                        <= panel->width(),
                controlInfo(ControlId(i)).name.data());
        }
    }

    void clicksReachTheirHandlers()
    {
        ShownRig s;
        s.rig.st.exchange.StopRequest = 0;
        s.click(ControlId::Quit_Add);
        QCOMPARE(s.rig.st.exchange.StopRequest, 5);

        // The status line searches for the programmer again.
        s.rig.trace.clear();
        s.rig.ui.setCaption(ControlId::StaticText3, "Looking For Programmer");
        s.click(ControlId::StaticText3);
        QVERIFY(!s.rig.sent().empty());
        QCOMPARE(s.widget<QLabel>(ControlId::StaticText3)->text(), Found);

        // A row of the device list picks that device.
        auto *list = s.widget<QListWidget>(ControlId::Device_Box);
        QVERIFY(list->isVisible() && list->count() > 0);
        QCOMPARE(s.rig.caption(ControlId::Device), std::string("No Device"));
        QTest::mouseClick(
            list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        QVERIFY(s.rig.caption(ControlId::Device) != "No Device");
        QCOMPARE(list->currentRow(), s.rig.ui[ControlId::Device_Box].itemIndex);
    }

    // U on Start_Add starts the firmware update with its file dialog, other
    // keys do nothing.
    void keysOnStartAdd_data()
    {
        QTest::addColumn<char>("key");
        QTest::addColumn<int>("dialogs");
        QTest::newRow("u") << 'u' << 1;
        QTest::newRow("U") << 'U' << 1;
        QTest::newRow("x") << 'x' << 0;
    }
    void keysOnStartAdd()
    {
        QFETCH(char, key);
        QFETCH(int, dialogs);
        ShownRig s;
        QWidget *startAdd = s.window.widget(ControlId::Start_Add);
        startAdd->setFocus();
        QTest::keyClick(startAdd, key);
        QCOMPARE(int(s.rig.host.openDialogsShown.size()), dialogs);
    }

    // "Fill Buffer With XXXX" picked with the mouse hands the keyboard to
    // FillEdit, an ordinary entry apart from its reject rule: the value typed
    // next fills every word, whatever the list would make of the keys.
    void fillValueTypedAfterThePick_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("word");
        QTest::newRow("3A5C") << "3A5C" << 0x3A5C;
        QTest::newRow("FFFF, the list's first letter") << "FFFF" << 0xFFFF;
        QTest::newRow("typed at the cursor") << "125<3" << 0x1235;
        QTest::newRow("Delete after the cursor") << "1234<<!" << 0x124;
    }
    void fillValueTypedAfterThePick()
    {
        QFETCH(QString, keys);
        QFETCH(int, word);
        ShownRig s;
        s.clickRow(ControlId::Device_Box, QStringLiteral("16F84/A "));
        s.click(ControlId::Fill);
        s.clickRow(ControlId::FillBox, QStringLiteral("Fill Buffer With XXXX"));
        typeKeys(s.window.windowHandle(), keys + u'\r');
        QCOMPARE(s.rig.caption(ControlId::StaticText3), "Buffer Filled with " + hex4(word) + "...");
        const auto &words = s.rig.st.buffer.DeviceBuffer;
        QVERIFY(std::ranges::all_of(words, [&](std::uint16_t w) { return w == word; }));
    }

    // A fuse box or an oscillator button toggles on a click anywhere in its
    // row, right of its caption too.
    void settingsToggleOnTheirWholeRow_data()
    {
        QTest::addColumn<int>("idNumber");
        QTest::newRow("fuse") << int(ControlId::WDT);
        QTest::newRow("oscillator") << int(ControlId::Xtal);
    }
    void settingsToggleOnTheirWholeRow()
    {
        QFETCH(int, idNumber);
        const auto id = ControlId(idNumber);
        ShownRig s;
        s.clickRow(ControlId::Device_Box, QStringLiteral("16F84/A "));
        const QWidget *w = s.window.widget(id);
        const QPoint right(w->width() - 3, w->height() / 2);
        QVERIFY(right.x() > w->sizeHint().width());
        const bool before = s.rig.ui[id].checked;
        s.clickAt(w, right);
        QCOMPARE(s.rig.ui[id].checked, !before);
    }

    // The model changes; the widget shows it before anything is pumped.
    void modelChangesShowAtOnce()
    {
        ShownRig s;
        WindowModel &ui = s.rig.ui;
        ui.setCaption(ControlId::Quit_Add, "1A2B");
        QCOMPARE(s.widget<QAbstractButton>(ControlId::Quit_Add)->text(), QStringLiteral("1A2B"));

        // A static text is as wide as its caption needs, never narrower than drawn.
        auto *status = s.widget<QLabel>(ControlId::StaticText3);
        ui.setCaption(ControlId::StaticText3, Found.toStdString());
        QCOMPARE(status->text(), Found);
        QVERIFY(status->width() >= status->fontMetrics().horizontalAdvance(Found));
        QCOMPARE(status->geometry().topLeft(), QPoint(360, 8));
        QCOMPARE(status->height(), 17);
        ui.setCaption(ControlId::StaticText3, "Ok");
        QCOMPARE(status->width(), 141);

        auto *memo = s.widget<QPlainTextEdit>(ControlId::Memo1);
        ui.show(ControlId::Memo1);
        QVERIFY(memo->isVisible());
        ui.setLines(ControlId::Memo1, {"second", "third"});
        ui.insertLine(ControlId::Memo1, "first");
        ui.appendLine(ControlId::Memo1, "fourth");
        QCOMPARE(memo->toPlainText(), QStringLiteral("first\nsecond\nthird\nfourth"));
        ui.clearLines(ControlId::Memo1);
        ui.appendLine(ControlId::Memo1, "only");
        QCOMPARE(memo->toPlainText(), QStringLiteral("only"));

        ui.setItems(ControlId::File_Type, {"Binary", "Intel Hex", "Third"});
        ui.setItemIndex(ControlId::File_Type, 2);
        auto *list = s.widget<QListWidget>(ControlId::File_Type);
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->currentRow(), 2);
        QCOMPARE(list->visualItemRect(list->item(0)).height(), 15);

        ui.setItemIndex(ControlId::V_Verify, 2);
        QVERIFY(s.child<QRadioButton>("V_Verify_2")->isChecked());
        ui.setItemIndex(ControlId::V_Verify, -1);
        QVERIFY(!s.child<QRadioButton>("V_Verify_1")->isChecked());
        QVERIFY(!s.child<QRadioButton>("V_Verify_2")->isChecked());

        ui.setChecked(ControlId::WDT, true);
        ui.setEnabled(ControlId::WDT, true);
        QVERIFY(s.widget<QCheckBox>(ControlId::WDT)->isChecked());
        QVERIFY(s.window.widget(ControlId::WDT)->isEnabled());
        ui.setHeight(ControlId::Label2, 40);
        QCOMPARE(s.window.widget(ControlId::Label2)->geometry(), QRect(8, 56, 108, 40));
        ui.setFormEnabled(false);
        QVERIFY(!s.window.isEnabled());
    }

    // The model is what the widgets show, whatever the widget did on the click
    // or the key.
    void inputLeavesTheWidgetsToTheModel()
    {
        ShownRig s;
        WindowModel &ui = s.rig.ui;
        ui.enable(ControlId::Xtal);
        QTest::mouseClick(s.window.widget(ControlId::Protec), Qt::LeftButton);
        QCOMPARE(
            s.widget<QCheckBox>(ControlId::Protec)->isChecked(), ui[ControlId::Protec].checked);
        QTest::mouseClick(s.window.widget(ControlId::Xtal), Qt::LeftButton);
        QCOMPARE(s.widget<QRadioButton>(ControlId::Xtal)->isChecked(), ui[ControlId::Xtal].checked);
        auto *threeVolts = s.child<QRadioButton>("V_Verify_0");
        QTest::mouseClick(threeVolts, Qt::LeftButton);
        QCOMPARE(threeVolts->isChecked(), ui[ControlId::V_Verify].itemIndex == 0);

        // Typing and pasting into an entry go through the core: the entry shows
        // the caption the core leaves.
        ui.show(ControlId::FillEdit);
        ui.setCaption(ControlId::FillEdit, "12");
        auto *edit = s.widget<QLineEdit>(ControlId::FillEdit);
        edit->setFocus();
        QTest::keyClicks(edit, "zq");
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(edit->text().toStdString(), ui[ControlId::FillEdit].caption);
        QGuiApplication::clipboard()->setText(QStringLiteral("abcdef"));
        edit->paste();
        QCOMPARE(edit->text().toStdString(), ui[ControlId::FillEdit].caption);
    }

    // New lines in the buffer editor keep the caret where the core put it.
    void editorCaretHook()
    {
        ShownRig s;
        const auto caret = [&] {
            const QTextCursor cursor = s.window.editor()->textCursor();
            return QPoint(cursor.positionInBlock(), cursor.blockNumber());
        };
        s.rig.ui.setLines(ControlId::Edit_1, {"0000 3FFF 3FFF", "0004 3FFF 3FFF"});
        s.window.setEditorCaret(1, 5);
        QCOMPARE(caret(), QPoint(5, 1));
        s.rig.ui.setLines(ControlId::Edit_1, {"0008 3FFF 3FFF", "000C 3FFF 3FFF"});
        QCOMPARE(caret(), QPoint(5, 1));
    }

    void timerFollowsTheModel()
    {
        ShownRig s;
        QTimer *timer = s.window.timer1();
        s.rig.ui.disable(ControlId::Timer1);
        QVERIFY(!timer->isActive());
        s.rig.ui.enable(ControlId::Timer1);
        QVERIFY(timer->isActive());
        // Told again that it is enabled while it runs: its period goes on.
        QTest::qWait(40);
        s.window.controlChanged(ControlId::Timer1, Change::Enabled);
        QVERIFY(timer->remainingTime() <= 970);
        // A tick runs the window's timer handler.
        s.rig.st.exchange.StopRequest = 0;
        timer->setInterval(1);
        QTRY_COMPARE(s.rig.st.exchange.StopRequest, 5);
    }

    // Closed in a pump of a running handler: the handler finishes first, and
    // only then may the program end.
    void closeWhileAHandlerRuns_data()
    {
        QTest::addColumn<bool>("throughTheWindow");
        QTest::newRow("called directly") << false;
        QTest::newRow("clicked in the window") << true;
    }
    void closeWhileAHandlerRuns()
    {
        QFETCH(bool, throughTheWindow);
        ShownRig s;
        QSignalSpy closed(&s.window, &MainWindow::closed);
        QSignalSpy finished(&s.window, &MainWindow::finished);
        qsizetype finishedDuring = -1;
        s.rig.host.atPump(1, [&] {
            s.window.close();
            QCoreApplication::processEvents();
            finishedDuring = finished.size();
        });
        if (throughTheWindow)
            s.click(ControlId::StaticText3);
        else
            s.rig.form.StaticText3Click();
        QCOMPARE(closed.size(), 1);
        QVERIFY(!s.window.isVisible());
        QVERIFY(s.rig.st.closing);
        // A handler the window did not run leaves nothing for the end to wait for.
        QCOMPARE(finishedDuring, throughTheWindow ? 0 : 1);
        QTRY_COMPARE(finished.size(), 1);
        // A click after the close starts nothing.
        s.rig.trace.clear();
        s.rig.form.click(ControlId::StaticText3);
        QVERIFY(s.rig.sent().empty());
    }

    // FormActivate runs from the event loop once the window is up.
    void startUpOnTheRealHost()
    {
        RealRig r;
        r.form.FormCreate();
        r.window.show();
        QTRY_VERIFY(r.st.activated);
        QTRY_COMPARE(r.window.findChild<QLabel *>("StaticText3")->text(), Found);
        QSignalSpy finished(&r.window, &MainWindow::finished);
        r.window.close();
        QTRY_COMPARE(finished.size(), 1);
        QVERIFY(QFile::exists(QStringLiteral("Ravelin.Cfg")));
    }

    // A one-second wait for a silent programmer leaves the core idle.
    void idleWaitRestsTheCore()
    {
        sim::ProgrammerOptions options;
        options.silent = true;
        RealRig r(options);
        // The programmer is not found: every search says so in a box.
        const ModalAnswerer dismiss([](QWidget *modal) { return modal->close(); }, true);
        r.form.FormCreate();
        r.window.show();
        QTRY_VERIFY_WITH_TIMEOUT(r.st.activated && r.st.linkBusy == 0, 5000);
        // A search: the version query goes unanswered until Timer1 ends the wait.
        const std::uint64_t startUs = r.host.nowUs();
        const std::clock_t cpuStart = std::clock();
        r.form.StaticText3Click();
        const std::uint64_t wallUs = r.host.nowUs() - startUs;
        QVERIFY(wallUs >= 900'000 && wallUs < 1'500'000);
        const double cpuUs = 1e6 * double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        QVERIFY(cpuUs < double(wallUs) / 4);
        r.window.close();
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_mainwindow.moc"
