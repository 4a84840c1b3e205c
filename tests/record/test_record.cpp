// The production record: serial numbers never given twice, whatever the runs
// sharing the file did, and the listings of what it holds.
#include "record/ProductionRecord.h"
#include "record/RecordText.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ravelin::record;

namespace {

ChipRow chip(std::optional<std::uint64_t> serial, const std::string &result)
{
    return {"2026-12-08T19:10:02Z", "station-1", "QP000001", "16F628A", 0x1063, 3, std::nullopt,
        "it's \"final\", v2.hex", sha256Hex("image"), 0x3A5C, serial, result,
        result == "ok" ? 0 : 1, 1.5};
}

} // namespace

class RecordTest : public QObject
{
    Q_OBJECT

private slots:
    void serialsAreNeverGivenTwice()
    {
        QTemporaryDir dir;
        const std::string path = dir.filePath("line's record.db").toStdString();
        std::string error;
        auto first = ProductionRecord::open(path, error);
        auto second = ProductionRecord::open(path, error);
        QVERIFY2(first && second, error.c_str());
        // Two stations on one file, interleaving: each number once, in order.
        QCOMPARE(first->takeSerial(1000, 65535, error), 1000u);
        QCOMPARE(second->takeSerial(1000, 65535, error), 1001u);
        QCOMPARE(first->takeSerial(1000, 65535, error), 1002u);
        const std::vector<ChipRow> added {chip(1000, "ok"), chip(1001, "chip failed"),
            chip(std::nullopt, "no chip"), chip(1002, "ok")};
        for (std::size_t i = 0; i < added.size(); ++i)
            QVERIFY(((i % 2) ? second : first)->addChip(added[i], error));
        // A run dropped without its chip row, and one killed in another process
        // (which inherits no open connection).
        QCOMPARE(ProductionRecord::open(path, error)->takeSerial(1000, 65535, error), 1003u);
        first.reset();
        second.reset();
        const pid_t killed = fork();
        if (killed == 0) {
            ProductionRecord::open(path, error)->takeSerial(1000, 65535, error);
            kill(getpid(), SIGKILL);
        }
        QVERIFY(waitpid(killed, nullptr, 0) == killed);
        auto reopened = ProductionRecord::open(path, error);
        QCOMPARE(reopened->takeSerial(1000, 65535, error), 1005u);
        QCOMPARE(reopened->chips(error), added);
        auto loose = reopened->looseSerials(error);
        QCOMPARE(loose.size(), 3u);
        QCOMPARE(loose[0].state + " " + loose[1].state + " " + loose[2].state,
            std::string("taken abandoned taken"));
        QCOMPARE(loose[1].pid, std::int64_t(killed));
        // The series ends where its bytes do; a higher start skips ahead.
        QCOMPARE(reopened->takeSerial(65535, 65535, error), 65535u);
        QVERIFY(!reopened->takeSerial(1000, 65535, error));
        QCOMPARE(error, std::string("the serial numbers of 2 bytes end at 65535"));

        const std::string table = recordTable(added, {loose[1]});
        QVERIFY(table.starts_with("time                  programmer  device   device ID  serial"));
        QVERIFY(table.ends_with("serial 1004 taken at " + loose[1].time + " by " + loose[1].host
            + " (pid " + std::to_string(killed) + ") and never given to a chip: abandoned\n"
            + "4 chips: 2 ok, 2 failed\n"));
        const std::string csv = recordCsv({added[2]});
        QCOMPARE(csv,
            std::string("time,host,programmer,device,device_id,revision,calibration,input,"
                        "input_sha256,checksum,serial,result,exit,seconds\n"
                        "2026-12-08T19:10:02Z,station-1,QP000001,16F628A,1063,3,,"
                        "\"it's \"\"final\"\", v2.hex\","
                + sha256Hex("image") + ",3A5C,,no chip,1,1.50\n"));
        const QJsonObject json
            = QJsonDocument::fromJson(QByteArray::fromStdString(recordJson(added, loose))).object();
        QVERIFY(json["chips"][2]["serial"].isNull() && json["chips"][2]["calibration"].isNull());
        QCOMPARE(json["chips"][3]["device_id"].toString(), QString("1063"));
        QCOMPARE(json["loose_serials"][1]["state"].toString(), QString("abandoned"));
        QCOMPARE(sha256Hex("abc"),
            std::string("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
    }

    void otherFilesAreRefused()
    {
        QTemporaryDir dir;
        const std::string other = dir.filePath("other.db").toStdString();
        sqlite3 *db = nullptr;
        sqlite3_open(other.c_str(), &db);
        sqlite3_exec(db, "CREATE TABLE parts (name TEXT)", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        const std::string text = dir.filePath("notes.txt").toStdString();
        QFile notes(QString::fromStdString(text));
        QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write(QByteArray(4096, 'x')) == 4096);
        notes.close();
        QFile otherFile(QString::fromStdString(other));
        QVERIFY(otherFile.open(QIODevice::ReadOnly));
        const QByteArray before = otherFile.readAll();
        const std::string missing = dir.filePath("none/record.db").toStdString();
        const std::vector<std::pair<std::string, std::string>> rows {
            {other, other + " is not a production record"},
            {text, text + " is not a production record"},
            {missing, "cannot open the record " + missing + ": unable to open database file"},
        };
        for (const auto &[path, why] : rows) {
            std::string error;
            QVERIFY(!ProductionRecord::open(path, error));
            QCOMPARE(error, why);
        }
        otherFile.seek(0);
        QCOMPARE(otherFile.readAll(), before);
    }
};

QTEST_GUILESS_MAIN(RecordTest)
#include "test_record.moc"
