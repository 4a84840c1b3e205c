#pragma once

#include "sim/SimChip.h"
#include "sim/SimProgrammer.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ravelin::sim {

// ravelin-sim's own command line; the application itself has none.
struct SimCommandLine
{
    ProgrammerOptions programmer;
    std::optional<std::string> traceFile;
    // The chip in the socket, by its name in the chip table (the device
    // button's caption) whatever name --chip gave; "none" leaves the socket
    // empty.
    std::string chipName = "16F84/A";
    ChipOptions chip;
    std::optional<std::string> loadFile; // the chip's contents at start
    std::optional<std::string> saveFile; // where its contents go when the window closes
};

struct SimCommandLineResult
{
    std::optional<SimCommandLine> options; // empty: the error below
    std::string error;
};

SimCommandLineResult parseSimCommandLine(const std::vector<std::string> &arguments);
std::string simUsage();

// The socket ravelin-sim starts with: the chip the command line names, with
// the --load image in it, or nothing.
struct SimSocket
{
    std::unique_ptr<SimChip> chip; // empty: no chip in the socket
    std::unique_ptr<EmptySocket> empty;
    std::string error; // not empty: the socket could not be made (e.g. --load failed)
    unsigned chipNumber = 0; // the chips put in before this one

    TargetSocket *target() const;
};
SimSocket buildSocket(const SimCommandLine &line);
// Takes the chip out and puts the next one of a production run in: a fresh
// chip of the same kind, with the command line's options, blank or holding
// the --load image again, and with calibration values of its own. The chip is
// renewed in place, so target() and the pointer a programmer holds stay valid.
// The reason when the image could not be loaded (also in error), else empty;
// an empty socket stays empty.
std::string renew(SimSocket &socket, const SimCommandLine &line);
// Writes the chip's contents to --save; the reason when that failed, else empty.
std::string saveSocket(const SimSocket &socket, const SimCommandLine &line);

// The devices a simulated bus carries: count 0 is an empty bus, 1 the
// programmers (QP000001, QP000002, ...), 2 another FTDI gadget after them.
// The programmers share the one simulated box and its socket; a process
// opens one of them.
std::vector<SimDevice> simulatedDevices(int count, int programmers = 1);

} // namespace ravelin::sim
