#include "cli/Report.h"

#include "app/Format.h"

#include <nlohmann/json.hpp>

namespace ravelin::cli {

std::string resultName(Status status)
{
    switch (status) {
    case Status::Ok:
        return "ok";
    case Status::ChipFailed:
        return "chip failed";
    case Status::Usage:
        return "usage";
    case Status::NoProgrammer:
        return "no programmer";
    case Status::FileError:
        return "file error";
    case Status::Stopped:
        return "stopped";
    }
    return "";
}

std::string toJson(const Report &report)
{
    nlohmann::json mismatches = nlohmann::json::array();
    for (const Mismatch &m : report.mismatches) {
        mismatches.push_back({{"address", hex4(m.address)}, {"expected", hex4(m.expected)},
            {"found", hex4(m.found)}});
    }
    const nlohmann::json object {
        {"command", report.command},
        {"device", report.device},
        {"result", resultName(report.status)},
        {"status", report.statusText},
        {"exit", static_cast<int>(report.status)},
        {"mismatches", mismatches},
        {"messages", report.messages},
        {"output", report.output},
        {"seconds", report.seconds},
    };
    return object.dump();
}

} // namespace ravelin::cli
