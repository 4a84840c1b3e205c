#pragma once

#include "operations/OperationState.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ravelin::cli {

// What a command came to: finer than the exit status, which a script reads,
// so that --json can name it.
enum class Status : std::uint8_t {
    Ok,
    ChipFailed, // not blank, did not program, did not verify, calibration lost
    Usage, // bad option, unknown device, missing configuration word
    NoProgrammer, // the search found none, or its own exchange failed
    LinkLost, // the programmer stopped answering during the command
    ReadsDiffer, // a read whose two passes disagree
    FileError, // a file that cannot be read, parsed or written
    WrongChip, // the socket holds another chip than the device named
    NoChip, // no chip answers in the socket
    Stopped, // Ctrl-C, SIGTERM or SIGHUP
};

// The exit status of a result: 0 ok, 1 the chip, 2 usage, 3 the programmer,
// 4 a file, 5 the chip in the socket, 128 + the signal after a stop.
int exitStatus(Status status, int signal);
std::string resultName(Status status);

using Mismatch = WordMismatch;

// One FTDI device as detect found it.
struct DetectedDevice
{
    std::uint32_t index = 0;
    std::string serial;
    std::string description;
    std::optional<std::string> firmware; // when it answered as a programmer
    // The diagnosis (--verbose) of a programmer that answered.
    std::optional<std::uint32_t> usbId; // vendor << 16 | product
    std::optional<unsigned> latencyMs;
    std::vector<std::uint64_t> roundTripsUs;
};

// A USB vendor and product id as lsusb shows them: "0403:6001".
std::string usbIdText(std::uint32_t id);

// What one command did, for the exit status, the text output and --json.
struct Report
{
    std::string command;
    std::string device;
    Status status = Status::Ok;
    int signal = 2; // the signal that stopped it (SIGINT unless told)
    std::string statusText; // the status line of the command's last step
    std::vector<Mismatch> mismatches;
    std::optional<Mismatch> config; // the configuration word read other than given
    std::optional<CalibrationKept> calibration; // what an erase read and put back
    std::optional<ChipIdentity> identity; // what the chip said of itself
    std::string programmer; // the serial number of the programmer used
    std::vector<DetectedDevice> bus; // detect's devices
    std::optional<std::uint64_t> serial; // the number a production chip was given
    std::vector<Report> chips; // the chips of a production run, in order
    std::vector<std::string> messages; // boxes, failure lines and the console's own notes
    std::vector<std::string> output; // the command's result lines (stdout)
    double seconds = 0;

    // Keeps the first failure: a later step never turns a failure into success.
    void fail(Status why)
    {
        if (status == Status::Ok)
            status = why;
    }
    int exit() const { return exitStatus(status, signal); }
};

// The calibration lines of an erase that could not put the values back.
std::vector<std::string> calibrationLines(const CalibrationKept &kept);

// A text as JSON can carry it: bytes that are not UTF-8 written as \xNN.
std::string utf8Safe(const std::string &text);
std::string toJson(const Report &report);

} // namespace ravelin::cli
