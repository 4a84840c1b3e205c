#pragma once

#include "sim/SimProgrammer.h"

#include <optional>
#include <string>
#include <vector>

namespace ravelin::sim {

// ravelin-sim's own command line; the application itself has none.
struct SimCommandLine
{
    ProgrammerOptions programmer;
    std::optional<std::string> traceFile;
};

struct SimCommandLineResult
{
    std::optional<SimCommandLine> options; // empty: the error below
    std::string error;
};

SimCommandLineResult parseSimCommandLine(const std::vector<std::string> &arguments);
std::string simUsage();

// The devices a simulated bus carries: the programmer first, then another FTDI
// gadget.
std::vector<SimDevice> simulatedDevices(int count);

} // namespace ravelin::sim
