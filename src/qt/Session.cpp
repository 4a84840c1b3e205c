#include "qt/Session.h"

#include "app/AppState.h"
#include "app/MainForm.h"
#include "app/WindowModel.h"
#include "qt/MainWindow.h"

#include <QApplication>

namespace ravelin {

int runMainWindow(QtHost &host, Transport &transport)
{
    // The window's own close ends the program, and only once the command that
    // may still be finishing has returned (MainWindow::finished).
    QApplication::setQuitOnLastWindowClosed(false);

    // Declared in this order so that the window goes first and the model last.
    WindowModel ui;
    AppState state;
    MainForm form(ui, state, host, transport);
    MainWindow window(form);
    host.setWindow(&window);
    QObject::connect(
        &window, &MainWindow::closed, &window, [&host] { host.setWindowClosed(true); });
    QObject::connect(
        &window, &MainWindow::finished, qApp, &QCoreApplication::quit, Qt::QueuedConnection);

    form.FormCreate();
    window.show();
    const int status = QApplication::exec();
    host.setWindow(nullptr);
    return status;
}

} // namespace ravelin
