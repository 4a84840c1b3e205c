#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ravelin::cli {

// The exit statuses a script can rely on.
enum class Status : int {
    Ok = 0,
    ChipFailed = 1, // not blank, did not program, did not verify
    Usage = 2, // bad option, unknown device, missing configuration word
    NoProgrammer = 3, // none found, it stopped answering, or two reads disagreed
    FileError = 4, // a file that cannot be read, parsed or written
    Stopped = 130, // Ctrl-C
};

struct Mismatch
{
    std::uint16_t address = 0;
    std::uint16_t expected = 0;
    std::uint16_t found = 0;
};

// What one command did, for the exit status, the text output and --json.
struct Report
{
    std::string command;
    std::string device;
    Status status = Status::Ok;
    std::string statusText; // the status line the routines left
    std::vector<Mismatch> mismatches;
    std::vector<std::string> messages; // boxes, Memo1 lines and the console's own notes
    std::vector<std::string> output; // the command's result lines (stdout)
    double seconds = 0;

    // Keeps the first failure: a later step never turns a failure into success.
    void fail(Status why)
    {
        if (status == Status::Ok)
            status = why;
    }
};

std::string resultName(Status status);
std::string toJson(const Report &report);

} // namespace ravelin::cli
