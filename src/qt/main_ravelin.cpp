#include "link/ftdi/FtdiTransport.h"
#include "qt/QtHost.h"
#include "qt/Session.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ravelin"));
    QGuiApplication::setDesktopFileName(QStringLiteral("ravelin"));

    ravelin::QtHost host;
    ravelin::FtdiTransport transport;
    return ravelin::runMainWindow(host, transport);
}
