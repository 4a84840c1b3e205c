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
    // The chip in the socket, by the device button's caption; "none" leaves
    // the socket empty.
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

    TargetSocket *target() const;
};
SimSocket buildSocket(const SimCommandLine &line);
// Writes the chip's contents to --save; the reason when that failed, else empty.
std::string saveSocket(const SimSocket &socket, const SimCommandLine &line);

// The devices a simulated bus carries: the programmer first, then another FTDI
// gadget.
std::vector<SimDevice> simulatedDevices(int count);

} // namespace ravelin::sim
