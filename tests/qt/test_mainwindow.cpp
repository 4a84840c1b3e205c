// The window as the user sees it: layout, fonts and colours from the control
// table, input reaching the handlers, model changes reaching the widgets, the
// timer, and the start and end of the program.
#include "ModalAnswerer.h"
#include "qt/BufferEditorView.h"
#include "qt/Look.h"
#include "qt/MainWindow.h"
#include "qt/QtHost.h"
#include "sim/SimProgrammer.h"
#include "support/Rig.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <ctime>
#include <memory>

using namespace ravelin;
using namespace ravelin::test;

Q_DECLARE_METATYPE(ravelin::ControlId)

namespace {

// The window on the simulated programmer with the scripted host: the start-up
// has run, as it would have on the first activation.
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
        W *w = qobject_cast<W *>(window.widget(id));
        if (!w)
            qFatal("no widget of the expected kind for %s", controlInfo(id).name.data());
        return w;
    }
    QPoint centreOf(ControlId id) const
    {
        const QWidget *w = window.widget(id);
        return w->mapTo(&window, w->rect().center());
    }

    Rig rig;
    MainWindow window;
};

std::int64_t processCpuUs()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return std::int64_t {now.tv_sec} * 1'000'000 + now.tv_nsec / 1000;
}

QColor background(const QWidget *widget)
{
    return widget->palette().color(widget->backgroundRole());
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The settings file lives in the working directory.
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir::setCurrent(m_dir.path()));
    }

    void windowFrame()
    {
        ShownRig s;
        QCOMPARE(s.window.frameGeometry().size(), QSize(851, 631));
        QCOMPARE(s.window.windowTitle(),
            QStringLiteral("Pic Adpater for The USB Quillon Programmer By Corvane, Inc.  ** "
                           "Win 2K/XP **  Version 1.02  8 Nov 07"));
        QCOMPARE(background(&s.window), QColor(0x00, 0x00, 0x80));
        QVERIFY(s.window.autoFillBackground());
        // Centred, or against the top-left corner of a screen too small for it.
        const QRect screen = s.window.screen()->availableGeometry();
        QCOMPARE(
            s.window.frameGeometry().left(), std::max(screen.left(), screen.center().x() - 425));
        QCOMPARE(s.window.frameGeometry().top(), std::max(screen.top(), screen.center().y() - 315));
    }

    void geometry_data()
    {
        QTest::addColumn<ControlId>("id");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QString>("parent");
        QTest::newRow("command button")
            << ControlId::Program_Eprom << QRect(10, 8, 103, 21) << "MainForm";
        QTest::newRow("message panel")
            << ControlId::Memo1 << QRect(278, 312, 377, 169) << "MainForm";
        QTest::newRow("device list")
            << ControlId::Device_Box << QRect(494, 30, 337, 491) << "MainForm";
        QTest::newRow("fuse check box")
            << ControlId::Protec << QRect(8, 14, 140, 17) << "Fuse_Settings";
        QTest::newRow("last fuse check box")
            << ControlId::CPEE << QRect(8, 158, 140, 17) << "Fuse_Settings";
        QTest::newRow("oscillator")
            << ControlId::Ext_R_Clk << QRect(8, 110, 105, 17) << "Osc_Settings";
        QTest::newRow("backdrop") << ControlId::Label2 << QRect(8, 56, 108, 109) << "MainForm";
        QTest::newRow("widest diagram")
            << ControlId::Jmp_64 << QRect(278, 30, 561, 460) << "MainForm";
    }
    void geometry()
    {
        QFETCH(ControlId, id);
        QFETCH(QRect, rect);
        QFETCH(QString, parent);
        ShownRig s;
        QCOMPARE(s.window.widget(id)->geometry(), rect);
        QCOMPARE(s.window.widget(id)->parentWidget()->objectName(), parent);
    }

    // Backdrops lie under the buttons they frame: a click on a button there
    // reaches the button, not the label.
    void backdropsLieBehind()
    {
        ShownRig s;
        QCOMPARE(s.window.childAt(s.centreOf(ControlId::Program_Eprom)),
            s.window.widget(ControlId::Program_Eprom));
        QCOMPARE(s.window.childAt(QPoint(9, 7)), s.window.widget(ControlId::Label1));
    }

    void fonts_data()
    {
        QTest::addColumn<ControlId>("id");
        QTest::addColumn<int>("pixels");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("fixedPitch");
        QTest::newRow("command button") << ControlId::Program_Eprom << 11 << true << false;
        QTest::newRow("status line") << ControlId::StaticText3 << 15 << true << false;
        QTest::newRow("last file") << ControlId::StaticText1 << 12 << true << false;
        QTest::newRow("fuse value") << ControlId::Fuse_Data << 14 << true << false;
        QTest::newRow("message panel") << ControlId::Memo1 << 11 << true << true;
        QTest::newRow("device list") << ControlId::Device_Box << 11 << true << true;
        // Fixedsys has one 8 x 15 cell: its look-alike is held at 12 px.
        QTest::newRow("file type") << ControlId::File_Type << 12 << true << true;
        QTest::newRow("fill entry") << ControlId::FillEdit << 11 << true << true;
        QTest::newRow("large diagram") << ControlId::Jmp_40 << 12 << true << true;
        QTest::newRow("buffer editor") << ControlId::Edit_1 << 12 << false << true;
    }
    // The user sets the board from these drawings: every line and column must
    // be on screen, none cut off at the panel's edge.
    void jumperDrawingsFitTheirPanels()
    {
        ShownRig s;
        for (ControlId id : {ControlId::Jmp_8, ControlId::Jmp_18P, ControlId::Jmp_18S,
                 ControlId::Jmp_28P, ControlId::Jmp_28S, ControlId::Jmp_40, ControlId::Jmp_64}) {
            const std::vector<std::string> &lines = s.rig.ui[id].lines;
            QVERIFY(!lines.empty());
            std::size_t columns = 0;
            for (const std::string &line : lines)
                columns = std::max(columns, line.size());
            const QWidget *panel = s.window.widget(id);
            const QFontMetrics metrics(panel->font());
            const char *name = controlInfo(id).name.data();
            // A frame and a small margin on each side.
            QVERIFY2(int(lines.size()) * metrics.lineSpacing() + 8 <= panel->height(), name);
            QVERIFY2(
                int(columns) * metrics.horizontalAdvance(QLatin1Char('W')) + 8 <= panel->width(),
                name);
        }
    }

    void fonts()
    {
        QFETCH(ControlId, id);
        QFETCH(int, pixels);
        QFETCH(bool, bold);
        QFETCH(bool, fixedPitch);
        ShownRig s;
        const QFont font = s.window.widget(id)->font();
        QCOMPARE(QFontInfo(font).pixelSize(), pixels);
        QCOMPARE(QFontInfo(font).bold(), bold);
        // QFontInfo::fixedPitch() is not to be trusted for every family.
        const QFontMetrics metrics(font);
        QCOMPARE(metrics.horizontalAdvance(QLatin1Char('i'))
                == metrics.horizontalAdvance(QLatin1Char('W')),
            fixedPitch);
    }

    void colours_data()
    {
        QTest::addColumn<ControlId>("id");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("status line") << ControlId::StaticText3 << QColor(0xFF, 0xFF, 0x00);
        QTest::newRow("progress label") << ControlId::StaticText2 << QColor(0xFF, 0x00, 0x00);
        QTest::newRow("last file") << ControlId::StaticText1 << QColor(0xC0, 0xC0, 0xC0);
        QTest::newRow("editor jump") << ControlId::Buf_Start << QColor(0xFF, 0xFF, 0xFF);
        QTest::newRow("fuse group") << ControlId::Fuse_Settings << QColor(0xFF, 0xFF, 0x00);
        QTest::newRow("fuse check box") << ControlId::WDT << QColor(0xFF, 0xFF, 0x00);
        QTest::newRow("oscillator") << ControlId::Xtal << QColor(0xFF, 0xFF, 0x00);
        QTest::newRow("red backdrop") << ControlId::Label1 << QColor(0xFF, 0x00, 0x00);
        QTest::newRow("lime backdrop") << ControlId::Label2 << QColor(0x00, 0xFF, 0x00);
        QTest::newRow("aqua backdrop") << ControlId::Label5 << QColor(0x00, 0xFF, 0xFF);
    }
    void colours()
    {
        QFETCH(ControlId, id);
        QFETCH(QColor, colour);
        ShownRig s;
        QCOMPARE(background(s.window.widget(id)), colour);
        QVERIFY(s.window.widget(id)->autoFillBackground());
    }

    void captions()
    {
        ShownRig s;
        QCOMPARE(s.widget<QAbstractButton>(ControlId::Program_Eprom)->text(),
            QStringLiteral("&Program Device"));
        QCOMPARE(
            s.widget<QGroupBox>(ControlId::Osc_Settings)->title(), QStringLiteral("Osc Selection"));
        QCOMPARE(
            s.widget<QAbstractButton>(ControlId::LVP)->text(), QStringLiteral("Lo Volt Progam On"));
        QCOMPARE(s.widget<QPlainTextEdit>(ControlId::Memo1)->verticalScrollBarPolicy(),
            Qt::ScrollBarAlwaysOn);
        QCOMPARE(
            s.widget<QPlainTextEdit>(ControlId::Jmp_18S)->lineWrapMode(), QPlainTextEdit::NoWrap);
        const auto *borv2 = s.widget<QGroupBox>(ControlId::BORV2);
        QCOMPARE(borv2->findChildren<QRadioButton *>().size(), 4);
        QVERIFY(borv2->findChild<QRadioButton *>("BORV2_0")->isChecked());
        QVERIFY(s.window.findChild<QRadioButton *>("V_Verify_1")->isChecked());
    }

    // A static text is as wide as its caption needs, never narrower than drawn.
    void staticTextGrows()
    {
        ShownRig s;
        auto *status = s.widget<QLabel>(ControlId::StaticText3);
        const QString longCaption = QStringLiteral("Usb Programmer Found - FirmWare Version 1.20");
        s.rig.ui.setCaption(ControlId::StaticText3, longCaption.toStdString());
        QCOMPARE(status->text(), longCaption);
        QVERIFY(status->width() >= status->fontMetrics().horizontalAdvance(longCaption));
        QCOMPARE(status->pos(), QPoint(360, 8));
        QCOMPARE(status->height(), 17);
        s.rig.ui.setCaption(ControlId::StaticText3, "Ok");
        QCOMPARE(status->width(), 141);
    }

    void clickOnStopButton()
    {
        ShownRig s;
        s.rig.st.exchange.StopRequest = 0;
        QTest::mouseClick(
            s.window.windowHandle(), Qt::LeftButton, {}, s.centreOf(ControlId::Quit_Add));
        QCOMPARE(s.rig.st.exchange.StopRequest, 5);
    }

    void clickOnStatusLineSearchesAgain()
    {
        ShownRig s;
        s.rig.trace.clear();
        s.rig.ui.setCaption(ControlId::StaticText3, "Looking For Programmer");
        QTest::mouseClick(
            s.window.windowHandle(), Qt::LeftButton, {}, s.centreOf(ControlId::StaticText3));
        QVERIFY(!s.rig.sent().empty());
        QCOMPARE(s.widget<QLabel>(ControlId::StaticText3)->text(),
            QStringLiteral("Usb Programmer Found - FirmWare Version 1.20"));
    }

    // A row clicked in the device list picks that device.
    void clickOnDeviceList()
    {
        ShownRig s;
        auto *list = s.widget<QListWidget>(ControlId::Device_Box);
        QVERIFY(list->isVisible());
        QVERIFY(list->count() > 0);
        QCOMPARE(s.rig.caption(ControlId::Device), std::string("No Device"));
        QTest::mouseClick(
            list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        QVERIFY(s.rig.caption(ControlId::Device) != "No Device");
        QCOMPARE(list->currentRow(), s.rig.ui[ControlId::Device_Box].itemIndex);
    }

    // Keys pressed on Start_Add reach its key handler: U starts the firmware
    // update with its file dialog, other keys do nothing.
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

    // The model changes; the widget shows it before anything is pumped.
    void modelChangesShowAtOnce()
    {
        ShownRig s;
        WindowModel &ui = s.rig.ui;

        ui.setCaption(ControlId::Quit_Add, "1A2B");
        QCOMPARE(s.widget<QAbstractButton>(ControlId::Quit_Add)->text(), QStringLiteral("1A2B"));

        ui.show(ControlId::Memo1);
        QVERIFY(s.window.widget(ControlId::Memo1)->isVisible());
        ui.setLines(ControlId::Memo1, {"second", "third"});
        ui.insertLine(ControlId::Memo1, "first");
        ui.appendLine(ControlId::Memo1, "fourth");
        QCOMPARE(s.widget<QPlainTextEdit>(ControlId::Memo1)->toPlainText(),
            QStringLiteral("first\nsecond\nthird\nfourth"));
        ui.clearLines(ControlId::Memo1);
        ui.appendLine(ControlId::Memo1, "only");
        QCOMPARE(s.widget<QPlainTextEdit>(ControlId::Memo1)->toPlainText(), QStringLiteral("only"));

        ui.setItems(ControlId::File_Type, {"Binary", "Intel Hex", "Third"});
        ui.setItemIndex(ControlId::File_Type, 2);
        auto *list = s.widget<QListWidget>(ControlId::File_Type);
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->currentRow(), 2);
        QCOMPARE(list->visualItemRect(list->item(0)).height(), 15);

        ui.setItemIndex(ControlId::V_Verify, 2);
        QVERIFY(s.window.findChild<QRadioButton *>("V_Verify_2")->isChecked());
        ui.setItemIndex(ControlId::V_Verify, -1);
        QVERIFY(!s.window.findChild<QRadioButton *>("V_Verify_1")->isChecked());
        QVERIFY(!s.window.findChild<QRadioButton *>("V_Verify_2")->isChecked());

        ui.setChecked(ControlId::WDT, true);
        QVERIFY(s.widget<QCheckBox>(ControlId::WDT)->isChecked());
        ui.setEnabled(ControlId::WDT, true);
        QVERIFY(s.window.widget(ControlId::WDT)->isEnabled());
        ui.setHeight(ControlId::Label2, 40);
        QCOMPARE(s.window.widget(ControlId::Label2)->geometry(), QRect(8, 56, 108, 40));

        ui.setFormEnabled(false);
        QVERIFY(!s.window.isEnabled());
        ui.setFormEnabled(true);
        QVERIFY(s.window.isEnabled());
    }

    // The model is what the widgets show, whatever the widget did on the click.
    void clickedWidgetsFollowTheModel()
    {
        ShownRig s;
        WindowModel &ui = s.rig.ui;
        ui.enable(ControlId::Xtal);
        QTest::mouseClick(s.window.widget(ControlId::Protec), Qt::LeftButton);
        QCOMPARE(
            s.widget<QCheckBox>(ControlId::Protec)->isChecked(), ui[ControlId::Protec].checked);
        QTest::mouseClick(s.window.widget(ControlId::Xtal), Qt::LeftButton);
        QCOMPARE(s.widget<QRadioButton>(ControlId::Xtal)->isChecked(), ui[ControlId::Xtal].checked);
        auto *threeVolts = s.window.findChild<QRadioButton *>("V_Verify_0");
        QTest::mouseClick(threeVolts, Qt::LeftButton);
        QCOMPARE(threeVolts->isChecked(), ui[ControlId::V_Verify].itemIndex == 0);
    }

    // An entry shows the model's text only: typing and pasting go to the core.
    void entryDoesNotEditItself()
    {
        ShownRig s;
        WindowModel &ui = s.rig.ui;
        ui.show(ControlId::FillEdit);
        ui.setCaption(ControlId::FillEdit, "12");
        auto *edit = s.widget<QLineEdit>(ControlId::FillEdit);
        QCOMPARE(edit->maxLength(), 4);
        edit->setFocus();
        QTest::keyClicks(edit, "zq");
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(edit->text(), QString::fromStdString(ui[ControlId::FillEdit].caption));
        QGuiApplication::clipboard()->setText(QStringLiteral("abcdef"));
        edit->paste();
        QCOMPARE(edit->text(), QString::fromStdString(ui[ControlId::FillEdit].caption));
    }

    void editorCaretHook()
    {
        ShownRig s;
        s.rig.ui.setLines(ControlId::Edit_1, {"0000 3FFF 3FFF", "0004 3FFF 3FFF"});
        s.window.setEditorCaret(1, 5);
        QCOMPARE(s.window.editor()->textCursor().blockNumber(), 1);
        QCOMPARE(s.window.editor()->textCursor().positionInBlock(), 5);
        // New lines keep the caret where the core put it.
        s.rig.ui.setLines(ControlId::Edit_1, {"0008 3FFF 3FFF", "000C 3FFF 3FFF"});
        QCOMPARE(s.window.editor()->textCursor().blockNumber(), 1);
        QCOMPARE(s.window.editor()->textCursor().positionInBlock(), 5);
    }

    void timerFollowsTheModel()
    {
        ShownRig s;
        QTimer *timer = s.window.timer1();
        QCOMPARE(timer->interval(), 1000);
        QCOMPARE(timer->timerType(), Qt::PreciseTimer);
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
        QCOMPARE(s.rig.st.exchange.ReplyTimedOut, 5);
    }

    // Closed in a pump of a running handler: the handler finishes first, and
    // only then may the program end.
    void closeWhileAHandlerRuns()
    {
        auto s = std::make_unique<ShownRig>();
        QSignalSpy closed(&s->window, &MainWindow::closed);
        QSignalSpy finished(&s->window, &MainWindow::finished);
        bool closedInside = false;
        s->rig.host.atPump(1, [&] {
            s->window.close();
            closedInside = true;
        });
        s->rig.form.StaticText3Click();
        QVERIFY(closedInside);
        QCOMPARE(closed.size(), 1);
        QVERIFY(!s->window.isVisible());
        QVERIFY(s->rig.st.closing);
        // The click was not made through the window: nothing ran through its
        // handlers, so the end is already on its way.
        QTRY_COMPARE(finished.size(), 1);

        // Through the window: the end waits for the click's handler.
        auto t = std::make_unique<ShownRig>();
        QSignalSpy finishedT(&t->window, &MainWindow::finished);
        int finishedDuring = -1;
        t->rig.host.atPump(1, [&] {
            t->window.close();
            QCoreApplication::processEvents();
            finishedDuring = int(finishedT.size());
        });
        QTest::mouseClick(
            t->window.windowHandle(), Qt::LeftButton, {}, t->centreOf(ControlId::StaticText3));
        QCOMPARE(finishedDuring, 0);
        QTRY_COMPARE(finishedT.size(), 1);
        // A click after the close starts nothing.
        t->rig.trace.clear();
        t->rig.form.click(ControlId::StaticText3);
        QVERIFY(t->rig.sent().empty());
    }

    // The real host on the simulated programmer: FormActivate runs from the
    // event loop once the window is up, and a one-second wait for a silent
    // programmer leaves the core idle.
    void startUpOnTheRealHost()
    {
        QtHost host;
        sim::ProgrammerOptions options;
        sim::SimProgrammer programmer(host, options);
        WindowModel ui;
        AppState st;
        MainForm form(ui, st, host, programmer);
        MainWindow window(form);
        host.setWindow(&window);
        form.FormCreate();
        window.show();
        QTRY_VERIFY(st.activated);
        QTRY_COMPARE(window.findChild<QLabel *>("StaticText3")->text(),
            QStringLiteral("Usb Programmer Found - FirmWare Version 1.20"));
        QVERIFY(!window.widget(ControlId::Memo1)->isVisible());
        QVERIFY(window.widget(ControlId::Device_Box)->isVisible());
        QVERIFY(window.widget(ControlId::Program_Eprom)->isEnabled());

        QSignalSpy finished(&window, &MainWindow::finished);
        window.close();
        QTRY_COMPARE(finished.size(), 1);
        QVERIFY(QFile::exists(QStringLiteral("Ravelin.Cfg")));
    }

    void idleWaitRestsTheCore()
    {
        QtHost host;
        sim::ProgrammerOptions options;
        options.silent = true;
        sim::SimProgrammer programmer(host, options);
        WindowModel ui;
        AppState st;
        MainForm form(ui, st, host, programmer);
        MainWindow window(form);
        host.setWindow(&window);
        // The programmer is not found: every search says so in a box.
        const ModalAnswerer dismiss(
            [](QWidget *modal) {
                auto *box = qobject_cast<QMessageBox *>(modal);
                if (box && box->defaultButton())
                    box->defaultButton()->click();
                return box != nullptr;
            },
            true);
        form.FormCreate();
        window.show();
        QTRY_VERIFY_WITH_TIMEOUT(st.activated && st.linkBusy == 0, 5000);

        // A search: the version query goes unanswered until Timer1 ends the wait.
        const std::uint64_t startUs = host.nowUs();
        const std::int64_t cpuStartUs = processCpuUs();
        form.StaticText3Click();
        const std::uint64_t wallUs = host.nowUs() - startUs;
        const std::int64_t cpuUs = processCpuUs() - cpuStartUs;
        qInfo("silent programmer: waited %llu ms, %lld ms of CPU",
            static_cast<unsigned long long>(wallUs / 1000), static_cast<long long>(cpuUs / 1000));
        QVERIFY(wallUs >= 900'000);
        QVERIFY(wallUs < 1'500'000);
        QVERIFY(cpuUs < std::int64_t(wallUs / 4));
        window.close();
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(MainWindowTest)
#include "test_mainwindow.moc"
