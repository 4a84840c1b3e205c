#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace ravelin::record {

// One chip through the programmer, as the line keeps it for later questions:
// which image went into which chip, when, by which station, and how it ended.
struct ChipRow
{
    std::string time; // UTC, ISO 8601 "2026-12-08T19:10:02Z"
    std::string host;
    std::string programmer; // the programmer's USB serial number
    std::string device; // "16F628A"
    std::optional<std::uint16_t> deviceId; // the word read at 2006 (revision bits included)
    std::optional<int> revision;
    std::optional<std::uint16_t> calibration; // the calibration word read, where the family has one
    std::string input; // input file name as given
    std::string inputSha256; // lower-case hex
    std::uint16_t checksum = 0; // the image checksum
    std::optional<std::uint64_t> serial;
    std::string result; // "ok", "chip failed", "wrong chip", "no chip", "stopped", ...
    int exitStatus = 0;
    double seconds = 0;

    bool operator==(const ChipRow &) const = default;
};

// The file a production line shares between its runs: the chips programmed and
// the serial numbers given out. Every run, in any process, opens its own.
class ProductionRecord
{
public:
    // Opens or creates the file and its tables; on failure error says why
    // ("cannot open the record FILE: reason" or "FILE is not a production record").
    static std::unique_ptr<ProductionRecord> open(const std::string &path, std::string &error);
    ~ProductionRecord();
    ProductionRecord(const ProductionRecord &) = delete;
    ProductionRecord &operator=(const ProductionRecord &) = delete;

    // Takes the next serial number of the record's one series:
    // max(start, highest number ever taken + 1), stored at once as taken by this
    // host and process, so that runs sharing the file never get the same one and
    // a number once taken is never given again. `last` is the highest number the
    // series holds: past it, nullopt and "the serial numbers of 2 bytes end at 65535".
    std::optional<std::uint64_t> takeSerial(
        std::uint64_t start, std::uint64_t last, std::string &error);
    // Adds one chip's row; its serial (if any) is marked used when the result is
    // "ok", failed otherwise, in the same transaction.
    bool addChip(const ChipRow &row, std::string &error);
    // The chips in the order they were added; error is empty unless the read failed.
    std::vector<ChipRow> chips(std::string &error) const;

    // A number taken that no chip row holds: its run was killed mid-chip, or is
    // still on. "taken" while the process that took it (same host, still alive)
    // may use it, "abandoned" otherwise.
    struct LooseSerial
    {
        std::uint64_t number = 0;
        std::string host;
        std::int64_t pid = 0;
        std::string time;
        std::string state;

        bool operator==(const LooseSerial &) const = default;
    };
    // Lowest number first; error is empty unless the read failed.
    std::vector<LooseSerial> looseSerials(std::string &error) const;

private:
    ProductionRecord(sqlite3 *db, std::string path);
    bool prepare(std::string &error);
    std::string failure() const;

    sqlite3 *db_;
    std::string path_;
    std::string host_;
};

std::string sha256Hex(const std::string &bytes);
std::string utcNow(); // the time format of ChipRow::time
// This machine's name, as the record keeps it.
std::string hostName();
// A word as the record keeps and shows it: four upper-case hex digits ("1063").
std::string hexWord(std::uint16_t word);

} // namespace ravelin::record
