// The Qt host: modal boxes, the file dialogs with their filters, the process
// priority and the clock.
#include "ModalAnswerer.h"
#include "qt/DialogFilters.h"
#include "qt/QtHost.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <optional>

#include <sys/resource.h>

using namespace ravelin;

Q_DECLARE_METATYPE(ravelin::MessageKind)
Q_DECLARE_METATYPE(ravelin::MessageButtons)
Q_DECLARE_METATYPE(ravelin::MessageAnswer)

namespace {

QStringList shownFiles(QFileDialog *dialog)
{
    auto *view = dialog->findChild<QListView *>(QStringLiteral("listView"));
    if (!view || !view->model())
        return {};
    QStringList names;
    const QAbstractItemModel *model = view->model();
    const QModelIndex root = view->rootIndex();
    for (int row = 0; row < model->rowCount(root); ++row) {
        const QModelIndex index = model->index(row, 0, root);
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
    void messageBox_data()
    {
        QTest::addColumn<MessageKind>("kind");
        QTest::addColumn<MessageButtons>("buttons");
        QTest::addColumn<bool>("placed");
        QTest::addColumn<QString>("press");
        QTest::addColumn<int>("icon");
        QTest::addColumn<MessageAnswer>("answer");
        QTest::newRow("information, placed")
            << MessageKind::Information << MessageButtons::Ok << true << "OK"
            << int(QMessageBox::Information) << MessageAnswer::Ok;
        QTest::newRow("warning, centred") << MessageKind::Warning << MessageButtons::Ok << false
                                          << "OK" << int(QMessageBox::Warning) << MessageAnswer::Ok;
        QTest::newRow("error") << MessageKind::Error << MessageButtons::Ok << true << "OK"
                               << int(QMessageBox::Critical) << MessageAnswer::Ok;
        QTest::newRow("question, yes")
            << MessageKind::Confirmation << MessageButtons::YesNo << true << "&Yes"
            << int(QMessageBox::Question) << MessageAnswer::Yes;
        QTest::newRow("question, no") << MessageKind::Confirmation << MessageButtons::YesNo << false
                                      << "&No" << int(QMessageBox::Question) << MessageAnswer::No;
    }
    void messageBox()
    {
        QFETCH(MessageKind, kind);
        QFETCH(MessageButtons, buttons);
        QFETCH(bool, placed);
        QFETCH(QString, press);
        QFETCH(int, icon);
        QFETCH(MessageAnswer, answer);

        QWidget window;
        window.resize(600, 400);
        window.move(100, 100);
        window.show();
        QtHost host;
        host.setWindow(&window);

        QPoint shownAt;
        QString text;
        int shownIcon = -1;
        QStringList labels;
        QWidget *parent = nullptr;
        ModalAnswerer answerer([&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            if (!box || !box->isVisible())
                return false;
            shownAt = box->pos();
            text = box->text();
            shownIcon = box->icon();
            parent = box->parentWidget();
            for (QAbstractButton *button : box->buttons())
                labels << button->text();
            for (QAbstractButton *button : box->buttons()) {
                if (button->text() == press)
                    button->click();
            }
            return true;
        });

        MessageBoxRequest request;
        request.kind = kind;
        request.buttons = buttons;
        request.text = "Device DID NOT Program...\nAt Address 0010";
        if (placed)
            request.position = ScreenPoint {210, 180};
        QCOMPARE(host.messageBox(request), answer);

        QCOMPARE(text, QStringLiteral("Device DID NOT Program...\nAt Address 0010"));
        QCOMPARE(shownIcon, icon);
        QCOMPARE(parent, &window);
        QCOMPARE(labels.size(), buttons == MessageButtons::YesNo ? 2 : 1);
        if (placed)
            QCOMPARE(shownAt, QPoint(210, 180));
        else
            QVERIFY(shownAt != QPoint(210, 180));
        QVERIFY(!QApplication::activeModalWidget());
    }

    // The window dies while its box is open: the box goes with it, and the
    // call comes back with the box's dismissal instead of touching freed memory.
    void boxOutlivedByNothing()
    {
        auto *window = new QWidget;
        window->show();
        QtHost host;
        host.setWindow(window);
        ModalAnswerer answerer([&](QWidget *modal) {
            if (!qobject_cast<QMessageBox *>(modal))
                return false;
            delete window;
            return true;
        });
        MessageBoxRequest request;
        request.kind = MessageKind::Confirmation;
        request.buttons = MessageButtons::YesNo;
        request.text = "Erase?";
        QCOMPARE(host.messageBox(request), MessageAnswer::No);
    }

    void noBoxAfterTheWindowClosed()
    {
        QtHost host;
        host.setWindowClosed(true);
        MessageBoxRequest request;
        request.buttons = MessageButtons::YesNo;
        QCOMPARE(host.messageBox(request), MessageAnswer::No);
        FileDialogState dialog;
        QCOMPARE(host.runOpenDialog(dialog), std::nullopt);
    }

    void nameFilters()
    {
        const QStringList filters = qtNameFilters("Bin|*.Bin|Hex|*.Hex|All|*.*");
        QCOMPARE(filters,
            QStringList({QStringLiteral("Bin (*.[Bb][Ii][Nn])"),
                QStringLiteral("Hex (*.[Hh][Ee][Xx])"), QStringLiteral("All (*)")}));
        QCOMPARE(qtNameFilters("Both|*.bin;*.hex").size(), 1);
        QCOMPARE(qtNameFilters("Both|*.bin;*.hex").front(),
            QStringLiteral("Both (*.[Bb][Ii][Nn] *.[Hh][Ee][Xx])"));
        QCOMPARE(caseInsensitivePattern(QStringLiteral("a_1*.b")), QStringLiteral("[Aa]_1*.[Bb]"));
    }

    // What the open dialog lists under each filter, and what it hands back.
    void openDialog_data()
    {
        QTest::addColumn<int>("filterIndex");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("chosen");
        const QStringList all {
            "X.BIN", "image.HEX", "notes", "readme.txt", "x.bin", "y.Bin", "y.hex"};
        QTest::newRow("Bin, any case") << 1 << QStringList {"X.BIN", "x.bin", "y.Bin"} << "X.BIN"
                                       << "X.BIN";
        QTest::newRow("Hex, any case") << 2 << QStringList {"image.HEX", "y.hex"} << "y.hex"
                                       << "y.hex";
        QTest::newRow("All, names without a dot too") << 3 << all << "readme.txt"
                                                      << "readme.txt";
        QTest::newRow("out of range picks the first")
            << 7 << QStringList {"X.BIN", "x.bin", "y.Bin"} << "y.Bin"
            << "y.Bin";
    }
    void openDialog()
    {
        QFETCH(int, filterIndex);
        QFETCH(QStringList, listed);
        QFETCH(QString, typed);
        QFETCH(QString, chosen);
        QTemporaryDir dir;
        for (const char *name :
            {"x.bin", "X.BIN", "y.Bin", "y.hex", "image.HEX", "readme.txt", "notes"}) {
            QFile file(dir.filePath(QString::fromLatin1(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QtHost host;
        FileDialogState state;
        state.mustExist = true;
        state.initialDir = dir.path().toStdString();
        state.filterIndex = filterIndex;

        QStringList seen;
        QString directory;
        ModalAnswerer answerer([&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            if (!dialog)
                return false;
            // The folder is read in the background: wait until it is listed.
            seen = shownFiles(dialog);
            if (seen != listed)
                return false;
            directory = dialog->directory().absolutePath();
            dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(typed);
            static_cast<QDialog *>(dialog)->accept();
            return true;
        });
        const std::optional<std::string> name = host.runOpenDialog(state);
        QCOMPARE(seen, listed);
        QCOMPARE(directory, QDir(dir.path()).absolutePath());
        QVERIFY(name.has_value());
        QCOMPARE(QString::fromStdString(*name), QDir(dir.path()).absoluteFilePath(chosen));
        QCOMPARE(state.fileName, *name);
        QCOMPARE(state.filterIndex, filterIndex <= 3 ? filterIndex : 1);
    }

    void saveDialogAddsTheDefaultExtension()
    {
        QTemporaryDir dir;
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        QtHost host;
        FileDialogState state;
        state.askOverwrite = true;
        state.filterIndex = 2;
        QString directory;
        QString filter;
        ModalAnswerer answerer([&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            if (!dialog)
                return false;
            directory = dialog->directory().absolutePath();
            filter = dialog->selectedNameFilter();
            dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))
                ->setText(QStringLiteral("image"));
            static_cast<QDialog *>(dialog)->accept();
            return true;
        });
        const std::optional<std::string> name = host.runSaveDialog(state);
        QVERIFY(QDir::setCurrent(previous));
        // No folder of its own: the working directory.
        QCOMPARE(directory, QDir(dir.path()).absolutePath());
        // The entries read as the filter names them.
        QCOMPARE(filter, QStringLiteral("Hex"));
        QVERIFY(name.has_value());
        QCOMPARE(QString::fromStdString(*name),
            QDir(dir.path()).absoluteFilePath(QStringLiteral("image.Bin")));
        QCOMPARE(state.filterIndex, 2);
    }

    void cancelledDialogLeavesTheState()
    {
        QtHost host;
        FileDialogState state;
        state.fileName = "old.Bin";
        state.filterIndex = 2;
        ModalAnswerer answerer([](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            if (!dialog)
                return false;
            dialog->reject();
            return true;
        });
        QCOMPARE(host.runOpenDialog(state), std::nullopt);
        QCOMPARE(state.fileName, std::string("old.Bin"));
        QCOMPARE(state.filterIndex, 2);
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
        const std::uint64_t waited = host.nowUs() - before;
        QVERIFY(waited < 200'000);
    }
};

QTEST_MAIN(QtHostTest)
#include "test_qthost.moc"
