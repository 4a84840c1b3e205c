#include "qt/QtHost.h"
#include "qt/Session.h"
#include "sim/SimOptions.h"
#include "sim/SimProgrammer.h"

#include <QApplication>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

// The same window on a simulated programmer, for trying the program without
// hardware and for demonstrations.
int main(int argc, char **argv)
{
    // Read before the toolkit starts, so that a wrong option needs no display.
    const std::vector<std::string> arguments(argv + std::min(argc, 1), argv + argc);
    const ravelin::sim::SimCommandLineResult parsed = ravelin::sim::parseSimCommandLine(arguments);
    if (!parsed.options) {
        std::cerr << "ravelin-sim: " << parsed.error << '\n' << ravelin::sim::simUsage();
        return 2;
    }
    const ravelin::sim::SimCommandLine &options = *parsed.options;

    // The chip in the socket, with its --load image.
    const ravelin::sim::SimSocket socket = ravelin::sim::buildSocket(options);
    if (!socket.error.empty()) {
        std::cerr << "ravelin-sim: " << socket.error << '\n';
        return 2;
    }

    std::ofstream trace;
    if (options.traceFile) {
        trace.open(*options.traceFile, std::ios::out | std::ios::app);
        if (!trace) {
            std::cerr << "ravelin-sim: cannot open the trace file " << *options.traceFile << '\n';
            return 2;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ravelin-sim"));
    QGuiApplication::setDesktopFileName(QStringLiteral("ravelin"));

    ravelin::QtHost host;
    ravelin::sim::SimProgrammer programmer(host, options.programmer, socket.target());
    if (trace.is_open()) {
        // One line at a time reaches the disk: a trace must survive a crash.
        programmer.setTraceSink([&trace](std::string_view line) {
            trace << line << '\n';
            trace.flush();
        });
    }
    const int status = ravelin::runMainWindow(host, programmer);

    // What the program left in the chip, for --save.
    if (const std::string error = ravelin::sim::saveSocket(socket, options); !error.empty()) {
        std::cerr << "ravelin-sim: " << error << '\n';
        return status == 0 ? 1 : status;
    }
    return status;
}
