// The Qt host: modal boxes, the file dialogs with their filters, the process
// priority and the clock.
#include "ModalAnswerer.h"
#include "qt/DialogFilters.h"
#include "qt/QtHost.h"

#include <QAbstractButton>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include <sys/resource.h>

using namespace ravelin;

Q_DECLARE_METATYPE(ravelin::MessageKind)
Q_DECLARE_METATYPE(ravelin::MessageAnswer)

namespace {

// The names a file dialog lists, once it has read its folder.
QStringList shownFiles(QFileDialog *dialog)
{
    auto *view = dialog->findChild<QListView *>(QStringLiteral("listView"));
    QStringList names;
    if (!view || !view->model())
        return names;
    const QAbstractItemModel *model = view->model();
    for (int row = 0; row < model->rowCount(view->rootIndex()); ++row) {
        const QModelIndex index = model->index(row, 0, view->rootIndex());
        if (model->flags(index) & Qt::ItemIsEnabled)
            names << index.data().toString();
    }
    names.sort();
    return names;
}

} // namespace

class QtHostTest : public QObject
{
    Q_OBJECT

private slots:
    // Where the box stands, what it shows, and what the press comes back as.
    void messageBox_data()
    {
        QTest::addColumn<MessageKind>("kind");
        QTest::addColumn<bool>("placed");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QString>("press");
        QTest::addColumn<MessageAnswer>("answer");
        QTest::newRow("information, placed")
            << MessageKind::Information << true << int(QMessageBox::Information) << "OK"
            << MessageAnswer::Ok;
        QTest::newRow("warning, centred") << MessageKind::Warning << false
                                          << int(QMessageBox::Warning) << "OK" << MessageAnswer::Ok;
        QTest::newRow("question, yes")
            << MessageKind::Confirmation << true << int(QMessageBox::Question) << "&Yes"
            << MessageAnswer::Yes;
        QTest::newRow("question, no") << MessageKind::Confirmation << false
                                      << int(QMessageBox::Question) << "&No" << MessageAnswer::No;
    }
    void messageBox()
    {
        QFETCH(MessageKind, kind);
        QFETCH(bool, placed);
        QFETCH(int, icon);
        QFETCH(QString, press);
        QFETCH(MessageAnswer, answer);
        QWidget window;
        window.setGeometry(100, 100, 600, 400);
        window.show();
        QtHost host;
        host.setWindow(&window);
        const bool question = kind == MessageKind::Confirmation;

        struct
        {
            QPoint at;
            QString text;
            int icon = -1;
            qsizetype buttons = 0;
            QWidget *parent = nullptr;
        } seen;
        const ModalAnswerer answerer([&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            if (!box || !box->isVisible())
                return false;
            seen = {
                box->pos(), box->text(), box->icon(), box->buttons().size(), box->parentWidget()};
            for (QAbstractButton *button : box->buttons()) {
                if (button->text() == press)
                    button->click();
            }
            return true;
        });
        const MessageBoxRequest request {kind, "Device DID NOT Program...\nAt Address 0010",
            question ? MessageButtons::YesNo : MessageButtons::Ok,
            placed ? std::optional(ScreenPoint {210, 180}) : std::nullopt};
        QCOMPARE(host.messageBox(request), answer);
        QCOMPARE(seen.text, QStringLiteral("Device DID NOT Program...\nAt Address 0010"));
        QCOMPARE(seen.icon, icon);
        QCOMPARE(seen.parent, &window);
        QCOMPARE(seen.buttons, question ? 2 : 1);
        QCOMPARE(seen.at == QPoint(210, 180), placed);
        QVERIFY(!QApplication::activeModalWidget());
    }

    // The window dies while its box is open: the box goes with it, and the
    // call comes back with the box's dismissal instead of touching freed memory.
    // Once the window has closed no box or dialog opens at all.
    void noBoxWithoutTheWindow()
    {
        auto *window = new QWidget;
        window->show();
        QtHost host;
        host.setWindow(window);
        const ModalAnswerer answerer([&](QWidget *modal) {
            const bool box = qobject_cast<QMessageBox *>(modal) != nullptr;
            if (box)
                delete window;
            return box;
        });
        const MessageBoxRequest request {
            MessageKind::Confirmation, "Erase?", MessageButtons::YesNo, {}};
        QCOMPARE(host.messageBox(request), MessageAnswer::No);

        host.setWindowClosed(true);
        QCOMPARE(host.messageBox(request), MessageAnswer::No);
        FileDialogState dialog;
        QCOMPARE(host.runOpenDialog(dialog), std::nullopt);
    }

    // Enter answers a question with Yes, or with No where the question asks for it.
    void questionDefault()
    {
        QWidget window;
        window.show();
        QtHost host;
        host.setWindow(&window);
        for (const bool defaultNo : {false, true}) {
            const ModalAnswerer answerer([](QWidget *modal) {
                auto *box = qobject_cast<QMessageBox *>(modal);
                if (!box || !box->isVisible() || !box->defaultButton())
                    return false;
                box->defaultButton()->click();
                return true;
            });
            const MessageBoxRequest request {
                MessageKind::Confirmation, "Load?", MessageButtons::YesNo, {}, defaultNo};
            QCOMPARE(host.messageBox(request), defaultNo ? MessageAnswer::No : MessageAnswer::Yes);
        }
    }

    // Qt's own dialog matches names without regard to case, other matchers
    // may not: the patterns carry both cases themselves.
    void nameFiltersIgnoreCase()
    {
        QCOMPARE(qtNameFilters(FileDialogFilter),
            QStringList({"Bin (*.[Bb][Ii][Nn])", "Hex (*.[Hh][Ee][Xx])", "All (*)"}));
        QCOMPARE(qtNameFilters("Both|*.bin;*.hex"),
            QStringList {"Both (*.[Bb][Ii][Nn] *.[Hh][Ee][Xx])"});
    }

    // What a file dialog lists under each filter, and what it hands back.
    void fileDialog_data()
    {
        QTest::addColumn<bool>("save");
        QTest::addColumn<int>("filterIndex");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("typed"); // nothing: cancelled
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<int>("filterAfter");
        const QStringList bin {"X.BIN", "x.bin", "y.Bin"};
        const QStringList hex {"image.HEX", "y.hex"};
        QTest::newRow("Bin, any case") << false << 1 << bin << "X.BIN"
                                       << "X.BIN" << 1;
        QTest::newRow("Hex, any case") << false << 2 << hex << "y.hex"
                                       << "y.hex" << 2;
        QTest::newRow("All, names without a dot too")
            << false << 3
            << QStringList {"X.BIN", "image.HEX", "notes", "readme.txt", "x.bin", "y.Bin", "y.hex"}
            << "readme.txt"
            << "readme.txt" << 3;
        QTest::newRow("out of range picks the first") << false << 7 << bin << "y.Bin"
                                                      << "y.Bin" << 1;
        QTest::newRow("save adds the default extension") << true << 2 << hex << "image"
                                                         << "image.Bin" << 2;
        QTest::newRow("cancelled leaves the state") << false << 2 << hex << ""
                                                    << "" << 2;
    }
    void fileDialog()
    {
        QFETCH(bool, save);
        QFETCH(int, filterIndex);
        QFETCH(QStringList, listed);
        QFETCH(QString, typed);
        QFETCH(QString, chosen);
        QFETCH(int, filterAfter);
        QTemporaryDir dir;
        const QString folder = QDir(dir.path()).absolutePath();
        for (const char *name :
            {"x.bin", "X.BIN", "y.Bin", "y.hex", "image.HEX", "readme.txt", "notes"}) {
            QFile file(QDir(folder).filePath(QString::fromLatin1(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        // A save dialog has no folder of its own: the working directory.
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(save ? folder : previous));
        QtHost host;
        FileDialogState state;
        state.fileName = "old.Bin";
        state.mustExist = !save;
        state.askOverwrite = save;
        state.initialDir = save ? "" : folder.toStdString();
        state.filterIndex = filterIndex;

        QStringList seen;
        QString directory;
        QString filter;
        // The folder is read in the background: wait until it is listed.
        const ModalAnswerer answerer([&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            if (!dialog || (seen = shownFiles(dialog)) != listed)
                return false;
            directory = dialog->directory().absolutePath();
            filter = dialog->selectedNameFilter();
            dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(typed);
            typed.isEmpty() ? dialog->reject() : static_cast<QDialog *>(dialog)->accept();
            return true;
        });
        const std::optional<std::string> name
            = save ? host.runSaveDialog(state) : host.runOpenDialog(state);
        QVERIFY(QDir::setCurrent(previous));
        QCOMPARE(seen, listed);
        QCOMPARE(directory, folder);
        // The entries read as the filter names them, without their patterns.
        QCOMPARE(filter, QStringList({"Bin", "Hex", "All"})[filterAfter - 1]);
        QCOMPARE(state.filterIndex, filterAfter);
        QCOMPARE(QString::fromStdString(name.value_or("")),
            chosen.isEmpty() ? QString() : QDir(folder).absoluteFilePath(chosen));
        QCOMPARE(state.fileName, name.value_or("old.Bin"));
    }

    void priorityIsPutBack()
    {
        errno = 0;
        const int before = getpriority(PRIO_PROCESS, 0);
        QtHost host;
        QVERIFY(host.raiseProcessPriority());
        QVERIFY(getpriority(PRIO_PROCESS, 0) <= before);
        host.restoreProcessPriority();
        QCOMPARE(getpriority(PRIO_PROCESS, 0), before);
    }

    void clockIsMonotonic()
    {
        QtHost host;
        const std::uint64_t start = host.nowUs();
        host.sleepUs(2000);
        QVERIFY(host.nowUs() - start >= 2000);
        const std::uint64_t before = host.nowUs();
        host.idleWait(3000);
        QVERIFY(host.nowUs() - before < 200'000);
    }
};

QTEST_MAIN(QtHostTest)
#include "test_qthost.moc"
