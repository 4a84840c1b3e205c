// The rules by which the FTDI backend answers like the vendor's driver, and
// the calls it refuses before touching the bus.

#include "link/ftdi/FtdiResults.h"
#include "link/ftdi/FtdiTransport.h"

#include <QTest>

#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>

using namespace ravelin;
using namespace ravelin::ftdiresults;

class TestFtdiResults : public QObject
{
    Q_OBJECT

private slots:
    void usbTimeout_data()
    {
        QTest::addColumn<quint32>("ms");
        QTest::addColumn<int>("usbMs");
        // 0 would let libusb wait for ever on a dead programmer.
        QTest::newRow("zero gets the default") << 0u << int(DefaultTimeoutMs);
        QTest::newRow("link reply wait") << 40u << 40;
        QTest::newRow("beyond int") << quint32(UINT_MAX) << INT_MAX;
    }
    void usbTimeout()
    {
        QFETCH(quint32, ms);
        QFETCH(int, usbMs);
        QCOMPARE(usbTimeoutMs(ms), usbMs);
    }

    // A read that timed out brought nothing but is no failure; only a device
    // that left the bus makes its handle useless for good.
    void readResult_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<quint32>("status");
        QTest::addColumn<bool>("gone");
        QTest::newRow("bytes arrived") << 8 << ft::Ok << false;
        QTest::newRow("bulk read timed out") << -7 << ft::Ok << false;
        QTest::newRow("errno no device") << -ENODEV << ft::IoError << true;
        QTest::newRow("endpoint stalled") << -9 << ft::IoError << false;
    }
    void readResult()
    {
        QFETCH(int, result);
        QFETCH(quint32, status);
        QFETCH(bool, gone);
        const ReadOutcome outcome = readOutcome(result);
        QCOMPARE(outcome.status, status);
        QCOMPARE(outcome.deviceGone, gone);
    }

    // Texts in the caller's 50-byte buffers hold at most 49 characters: what
    // is asked for is read no further, what is listed is cut to fit.
    void textsAreCut_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("seen");
        QTest::newRow("empty") << QByteArray("") << QByteArray("");
        QTest::newRow("49") << QByteArray(49, 'a') << QByteArray(49, 'a');
        QTest::newRow("50 is cut to 49") << QByteArray(50, 'b') << QByteArray(49, 'b');
    }
    void textsAreCut()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, seen);
        // From 49 characters on the request has no NUL: ASan watches its end.
        const auto length = std::size_t(text.size());
        const bool terminated = length < ft::TextBufferSize - 1;
        auto request = std::make_unique<char[]>(length + (terminated ? 1 : 0));
        std::memcpy(request.get(), text.constData(), length + (terminated ? 1 : 0));
        const std::string_view view = requestedText(request.get());
        QCOMPARE(QByteArray(view.data(), qsizetype(view.size())), seen);

        // One byte past the caller's buffer shows whether anything spills.
        char out[ft::TextBufferSize + 1];
        std::fill(std::begin(out), std::end(out), '#');
        copyListText(std::string_view(text.constData(), length), out);
        QCOMPARE(QByteArray(out), seen);
        QCOMPARE(out[ft::TextBufferSize], '#');
    }

    // None of these may reach USB: no device is needed to run them.
    void refusedBeforeTheBus()
    {
        FtdiTransport link;
        FtHandle handle = 7;
        QCOMPARE(link.openEx(nullptr, ft::OpenBySerialNumber, handle), ft::InvalidParameter);
        QCOMPARE(link.openEx("RV4711AB", 0, handle), ft::InvalidParameter);
        QCOMPARE(handle, 7u);

        char text[ft::TextBufferSize];
        QCOMPARE(link.listDeviceByIndex(0, nullptr, ft::ListByIndex | ft::OpenBySerialNumber),
            ft::InvalidParameter);
        QCOMPARE(link.listDeviceByIndex(0, text, ft::OpenBySerialNumber), ft::InvalidParameter);
        QCOMPARE(link.listDeviceByIndex(0, text, ft::ListByIndex), ft::InvalidParameter);

        std::uint32_t count = 0;
        std::uint8_t bytes[8] = {};
        for (FtHandle never : {0u, 1u}) {
            QCOMPARE(link.resetDevice(never), ft::InvalidHandle);
            QCOMPARE(link.setTimeouts(never, 40, 40), ft::InvalidHandle);
            QCOMPARE(link.getQueueStatus(never, count), ft::InvalidHandle);
            QCOMPARE(link.write(never, bytes, 8, count), ft::InvalidHandle);
            QCOMPARE(link.read(never, bytes, 8, count), ft::InvalidHandle);
        }
    }
};

QTEST_APPLESS_MAIN(TestFtdiResults)
#include "tst_ftdiresults.moc"
