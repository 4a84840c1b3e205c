#include "record/ProductionRecord.h"

#include <nettle/sha2.h>
#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <ctime>
#include <limits>
#include <unistd.h>
#include <utility>

namespace ravelin::record {

namespace {

// "RvPR" in the file's header: another program's database is told apart from a
// record before anything is written to it.
constexpr int ApplicationId = 0x52765052;
constexpr int SchemaVersion = 1;
// Stations sharing one file wait this long for each other's transaction
// rather than fail a chip over a moment's contention.
constexpr int BusyMilliseconds = 30000;
// SQLite keeps signed 64-bit integers; a serial number above that cannot be stored.
constexpr std::uint64_t HighestStorable = std::numeric_limits<std::int64_t>::max();

// The serials table remembers every number ever taken and is never thinned:
// its highest number is what the next take starts above.
constexpr const char *Schema = R"(
CREATE TABLE serials (
    number INTEGER PRIMARY KEY,
    host TEXT NOT NULL,
    pid INTEGER NOT NULL,
    time TEXT NOT NULL,
    state TEXT NOT NULL CHECK (state IN ('taken', 'used', 'failed')));
CREATE TABLE chips (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    time TEXT NOT NULL,
    host TEXT NOT NULL,
    programmer TEXT NOT NULL,
    device TEXT NOT NULL,
    device_id TEXT,
    revision INTEGER,
    calibration TEXT,
    input TEXT NOT NULL,
    input_sha256 TEXT NOT NULL,
    checksum TEXT NOT NULL,
    serial INTEGER,
    result TEXT NOT NULL,
    exit_status INTEGER NOT NULL,
    seconds REAL NOT NULL);
)";

class Statement
{
public:
    Statement(sqlite3 *db, const char *sql)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK)
            bound_ = false;
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    Statement &text(const std::string &value)
    {
        return check(sqlite3_bind_text(
            statement_, ++index_, value.data(), int(value.size()), SQLITE_TRANSIENT));
    }
    Statement &integer(std::int64_t value)
    {
        return check(sqlite3_bind_int64(statement_, ++index_, value));
    }
    Statement &real(double value)
    {
        return check(sqlite3_bind_double(statement_, ++index_, value));
    }
    Statement &null() { return check(sqlite3_bind_null(statement_, ++index_)); }
    Statement &word(std::optional<std::uint16_t> value)
    {
        return value ? text(hexWord(*value)) : null();
    }

    // SQLITE_ROW, SQLITE_DONE or an error; a statement that failed to prepare
    // or bind never runs.
    int step() { return bound_ ? sqlite3_step(statement_) : SQLITE_ERROR; }
    bool run() { return step() == SQLITE_DONE; }

    bool isNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }
    std::int64_t integerAt(int column) const { return sqlite3_column_int64(statement_, column); }
    double realAt(int column) const { return sqlite3_column_double(statement_, column); }
    std::string textAt(int column) const
    {
        const auto *bytes = sqlite3_column_text(statement_, column);
        return bytes ? std::string(reinterpret_cast<const char *>(bytes),
                   std::size_t(sqlite3_column_bytes(statement_, column)))
                     : std::string();
    }
    std::optional<std::uint16_t> wordAt(int column) const
    {
        const std::string digits = textAt(column);
        std::uint16_t value = 0;
        const auto [end, status]
            = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
        if (isNull(column) || status != std::errc() || end != digits.data() + digits.size())
            return std::nullopt;
        return value;
    }

private:
    Statement &check(int status)
    {
        bound_ = bound_ && status == SQLITE_OK;
        return *this;
    }

    sqlite3_stmt *statement_ = nullptr;
    int index_ = 0;
    bool bound_ = true;
};

// BEGIN IMMEDIATE takes the write lock at once, so that reading the highest
// number and storing the next one cannot interleave with another process.
class Transaction
{
public:
    explicit Transaction(sqlite3 *db)
        : db_(db)
        , begun_(sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK)
    { }
    ~Transaction()
    {
        if (begun_ && !committed_)
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    bool begun() const { return begun_; }
    bool commit()
    {
        committed_ = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
        return committed_;
    }

private:
    sqlite3 *db_;
    bool begun_;
    bool committed_ = false;
};

std::int64_t pragma(sqlite3 *db, const char *sql, bool &ok)
{
    Statement statement(db, sql);
    const bool row = statement.step() == SQLITE_ROW;
    ok = ok && row;
    return row ? statement.integerAt(0) : 0;
}

// A process on this host that still runs (EPERM: it runs, under another user).
bool running(std::int64_t pid)
{
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max())
        return false;
    return kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

std::string bytesEnd(std::uint64_t last)
{
    for (int bytes = 1; bytes <= 8; ++bytes) {
        const std::uint64_t top = bytes == 8 ? std::numeric_limits<std::uint64_t>::max()
                                             : (std::uint64_t(1) << (8 * bytes)) - 1;
        if (last == top) {
            return "the serial numbers of " + std::to_string(bytes)
                + (bytes == 1 ? " byte" : " bytes") + " end at " + std::to_string(last);
        }
    }
    return "the serial numbers end at " + std::to_string(last);
}

} // namespace

ProductionRecord::ProductionRecord(sqlite3 *db, std::string path)
    : db_(db)
    , path_(std::move(path))
    , host_(hostName())
{ }

ProductionRecord::~ProductionRecord()
{
    sqlite3_close(db_);
}

std::unique_ptr<ProductionRecord> ProductionRecord::open(
    const std::string &path, std::string &error)
{
    if (path.empty()) {
        error = "cannot open the record: no file name given";
        return nullptr;
    }
    // SQLite reads these as an in-memory database or a URI, not as a file in
    // the working folder.
    const bool misread = path == ":memory:" || path.starts_with("file:");
    sqlite3 *db = nullptr;
    const int opened = sqlite3_open_v2((misread ? "./" + path : path).c_str(), &db,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::unique_ptr<ProductionRecord> record(new ProductionRecord(db, path));
    if (opened != SQLITE_OK) {
        error = "cannot open the record " + path + ": "
            + (db ? sqlite3_errmsg(db) : sqlite3_errstr(opened));
        return nullptr;
    }
    sqlite3_busy_timeout(db, BusyMilliseconds);
    if (!record->prepare(error))
        return nullptr;
    return record;
}

bool ProductionRecord::prepare(std::string &error)
{
    const auto refuse = [&] {
        error = sqlite3_errcode(db_) == SQLITE_NOTADB
            ? path_ + " is not a production record"
            : "cannot open the record " + path_ + ": " + sqlite3_errmsg(db_);
        return false;
    };
    Transaction transaction(db_);
    if (!transaction.begun())
        return refuse();
    bool ok = true;
    const std::int64_t application = pragma(db_, "PRAGMA application_id", ok);
    const std::int64_t version = pragma(db_, "PRAGMA user_version", ok);
    const std::int64_t objects = pragma(db_, "SELECT count(*) FROM sqlite_master", ok);
    if (!ok)
        return refuse();
    if (application == 0 && version == 0 && objects == 0) {
        const std::string create = Schema
            + ("PRAGMA application_id = " + std::to_string(ApplicationId)
                + "; PRAGMA user_version = " + std::to_string(SchemaVersion) + ";");
        if (sqlite3_exec(db_, create.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
            return refuse();
    } else if (application != ApplicationId || version != SchemaVersion) {
        error = path_ + " is not a production record";
        return false;
    }
    if (!transaction.commit())
        return refuse();
    // A write-ahead log survives a run killed mid-transaction: the file still
    // opens and keeps every number committed before.
    if (sqlite3_exec(db_, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr) != SQLITE_OK)
        return refuse();
    return true;
}

std::string ProductionRecord::failure() const
{
    return "the record " + path_ + ": " + sqlite3_errmsg(db_);
}

std::optional<std::uint64_t> ProductionRecord::takeSerial(
    std::uint64_t start, std::uint64_t last, std::string &error)
{
    Transaction transaction(db_);
    if (!transaction.begun()) {
        error = failure();
        return std::nullopt;
    }
    Statement highest(db_, "SELECT max(number) FROM serials");
    if (highest.step() != SQLITE_ROW) {
        error = failure();
        return std::nullopt;
    }
    std::uint64_t next = start;
    if (!highest.isNull(0))
        next = std::max(start, std::uint64_t(highest.integerAt(0)) + 1);
    if (next > last) {
        error = bytesEnd(last);
        return std::nullopt;
    }
    if (next > HighestStorable) {
        error = "the record keeps serial numbers up to " + std::to_string(HighestStorable);
        return std::nullopt;
    }
    Statement take(
        db_, "INSERT INTO serials (number, host, pid, time, state) VALUES (?, ?, ?, ?, 'taken')");
    take.integer(std::int64_t(next)).text(host_).integer(getpid()).text(utcNow());
    if (!take.run() || !transaction.commit()) {
        error = failure();
        return std::nullopt;
    }
    return next;
}

bool ProductionRecord::addChip(const ChipRow &row, std::string &error)
{
    if (row.serial && *row.serial > HighestStorable) {
        error = "the record keeps serial numbers up to " + std::to_string(HighestStorable);
        return false;
    }
    Transaction transaction(db_);
    if (!transaction.begun()) {
        error = failure();
        return false;
    }
    Statement chip(db_,
        "INSERT INTO chips (time, host, programmer, device, device_id, revision, calibration, "
        "input, input_sha256, checksum, serial, result, exit_status, seconds) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    chip.text(row.time).text(row.host).text(row.programmer).text(row.device).word(row.deviceId);
    row.revision ? chip.integer(*row.revision) : chip.null();
    chip.word(row.calibration).text(row.input).text(row.inputSha256).word(row.checksum);
    row.serial ? chip.integer(std::int64_t(*row.serial)) : chip.null();
    chip.text(row.result).integer(row.exitStatus).real(row.seconds);
    if (!chip.run()) {
        error = failure();
        return false;
    }
    if (row.serial) {
        // A number given from outside the series is stored too, so that the
        // series never hands it out later.
        Statement mark(db_,
            "INSERT INTO serials (number, host, pid, time, state) VALUES (?, ?, ?, ?, ?) "
            "ON CONFLICT (number) DO UPDATE SET state = excluded.state");
        mark.integer(std::int64_t(*row.serial)).text(row.host).integer(getpid()).text(row.time);
        mark.text(row.result == "ok" ? "used" : "failed");
        if (!mark.run()) {
            error = failure();
            return false;
        }
    }
    if (!transaction.commit()) {
        error = failure();
        return false;
    }
    return true;
}

std::vector<ChipRow> ProductionRecord::chips(std::string &error) const
{
    error.clear();
    Statement query(db_,
        "SELECT time, host, programmer, device, device_id, revision, calibration, input, "
        "input_sha256, checksum, serial, result, exit_status, seconds FROM chips ORDER BY id");
    std::vector<ChipRow> rows;
    int status = SQLITE_ROW;
    while ((status = query.step()) == SQLITE_ROW) {
        ChipRow row;
        row.time = query.textAt(0);
        row.host = query.textAt(1);
        row.programmer = query.textAt(2);
        row.device = query.textAt(3);
        row.deviceId = query.wordAt(4);
        if (!query.isNull(5))
            row.revision = int(query.integerAt(5));
        row.calibration = query.wordAt(6);
        row.input = query.textAt(7);
        row.inputSha256 = query.textAt(8);
        row.checksum = query.wordAt(9).value_or(0);
        if (!query.isNull(10))
            row.serial = std::uint64_t(query.integerAt(10));
        row.result = query.textAt(11);
        row.exitStatus = int(query.integerAt(12));
        row.seconds = query.realAt(13);
        rows.push_back(std::move(row));
    }
    if (status != SQLITE_DONE)
        error = failure();
    return rows;
}

std::vector<ProductionRecord::LooseSerial> ProductionRecord::looseSerials(std::string &error) const
{
    error.clear();
    Statement query(
        db_, "SELECT number, host, pid, time FROM serials WHERE state = 'taken' ORDER BY number");
    std::vector<LooseSerial> loose;
    int status = SQLITE_ROW;
    while ((status = query.step()) == SQLITE_ROW) {
        LooseSerial serial {std::uint64_t(query.integerAt(0)), query.textAt(1), query.integerAt(2),
            query.textAt(3), {}};
        const bool mayStillUse = serial.host == host_ && running(serial.pid);
        serial.state = mayStillUse ? "taken" : "abandoned";
        loose.push_back(std::move(serial));
    }
    if (status != SQLITE_DONE)
        error = failure();
    return loose;
}

std::string sha256Hex(const std::string &bytes)
{
    sha256_ctx context;
    sha256_init(&context);
    sha256_update(&context, bytes.size(), reinterpret_cast<const std::uint8_t *>(bytes.data()));
    std::array<std::uint8_t, SHA256_DIGEST_SIZE> digest {};
    sha256_digest(&context, digest.size(), digest.data());
    constexpr const char *Digits = "0123456789abcdef";
    std::string hex;
    for (std::uint8_t byte : digest) {
        hex += Digits[byte >> 4];
        hex += Digits[byte & 0x0F];
    }
    return hex;
}

std::string utcNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc {};
    gmtime_r(&now, &utc);
    std::array<char, 32> text {};
    std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text.data();
}

std::string hexWord(std::uint16_t word)
{
    constexpr const char *Digits = "0123456789ABCDEF";
    std::string hex(4, '0');
    for (int i = 3; i >= 0; --i, word = std::uint16_t(word >> 4))
        hex[std::size_t(i)] = Digits[word & 0x0F];
    return hex;
}

std::string hostName()
{
    std::array<char, 256> name {};
    if (gethostname(name.data(), name.size() - 1) != 0)
        return {};
    return name.data();
}

} // namespace ravelin::record
