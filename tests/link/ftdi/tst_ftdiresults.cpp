// The rules by which the FTDI backend answers like the vendor's driver, and
// the calls it refuses before touching the bus.

#include "link/ftdi/FtdiResults.h"
#include "link/ftdi/FtdiTransport.h"

#include <QTest>

#include <cerrno>
#include <climits>
#include <string>

using namespace ravelin;
using namespace ravelin::ftdiresults;

class TestFtdiResults : public QObject
{
    Q_OBJECT

private slots:
    void usbTimeout_data();
    void usbTimeout();
    void readResult_data();
    void readResult();
    void requestedTextIsCut_data();
    void requestedTextIsCut();
    void listTextIsCut_data();
    void listTextIsCut();
    void unterminatedRequestStaysInItsBuffer();
    void refusedBeforeTheBus();
};

void TestFtdiResults::usbTimeout_data()
{
    QTest::addColumn<quint32>("ms");
    QTest::addColumn<int>("usbMs");
    // 0 would let libusb wait for ever on a dead programmer.
    QTest::newRow("zero gets the default") << 0u << int(DefaultTimeoutMs);
    QTest::newRow("one millisecond") << 1u << 1;
    QTest::newRow("link reply wait") << 40u << 40;
    QTest::newRow("beyond int") << quint32(UINT_MAX) << INT_MAX;
}

void TestFtdiResults::usbTimeout()
{
    QFETCH(quint32, ms);
    QFETCH(int, usbMs);
    QCOMPARE(usbTimeoutMs(ms), usbMs);
}

void TestFtdiResults::readResult_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<quint32>("status");
    QTest::addColumn<bool>("gone");
    QTest::newRow("bytes arrived") << 8 << ft::Ok << false;
    QTest::newRow("status bytes only") << 0 << ft::Ok << false;
    QTest::newRow("bulk read timed out") << -7 << ft::Ok << false;
    QTest::newRow("libusb no device") << -4 << ft::IoError << true;
    QTest::newRow("errno no device") << -ENODEV << ft::IoError << true;
    QTest::newRow("libusb I/O error") << -1 << ft::IoError << false;
    QTest::newRow("endpoint stalled") << -9 << ft::IoError << false;
    QTest::newRow("no device open in libftdi") << -666 << ft::DeviceNotOpened << false;
}

void TestFtdiResults::readResult()
{
    QFETCH(int, result);
    QFETCH(quint32, status);
    QFETCH(bool, gone);
    const ReadOutcome outcome = readOutcome(result);
    QCOMPARE(outcome.status, status);
    QCOMPARE(outcome.deviceGone, gone);
}

void TestFtdiResults::requestedTextIsCut_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("seen");
    QTest::newRow("empty") << QByteArray("") << QByteArray("");
    QTest::newRow("serial") << QByteArray("RV4711AB") << QByteArray("RV4711AB");
    QTest::newRow("49") << QByteArray(49, 'a') << QByteArray(49, 'a');
    QTest::newRow("60 is cut to 49") << QByteArray(60, 'b') << QByteArray(49, 'b');
}

void TestFtdiResults::requestedTextIsCut()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, seen);
    const std::string_view view = requestedText(text.constData());
    QCOMPARE(QByteArray(view.data(), qsizetype(view.size())), seen);
}

void TestFtdiResults::listTextIsCut_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("buffer");
    QTest::newRow("empty") << QByteArray("") << QByteArray("");
    QTest::newRow("short") << QByteArray("USB Programmer") << QByteArray("USB Programmer");
    QTest::newRow("49") << QByteArray(49, 'c') << QByteArray(49, 'c');
    QTest::newRow("50 is cut to 49") << QByteArray(50, 'd') << QByteArray(49, 'd');
    QTest::newRow("60 is cut to 49") << QByteArray(60, 'e') << QByteArray(49, 'e');
}

void TestFtdiResults::listTextIsCut()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, buffer);
    // One byte past the caller's buffer shows whether anything spills.
    char out[ft::TextBufferSize + 1];
    std::fill(std::begin(out), std::end(out), '#');
    copyListText(std::string_view(text.constData(), std::size_t(text.size())), out);
    QCOMPARE(QByteArray(out), buffer);
    QCOMPARE(out[ft::TextBufferSize], '#');
}

void TestFtdiResults::unterminatedRequestStaysInItsBuffer()
{
    // Exactly the caller's buffer with no NUL anywhere; ASan watches the end.
    auto buffer = std::make_unique<char[]>(ft::TextBufferSize - 1);
    std::fill_n(buffer.get(), ft::TextBufferSize - 1, 'f');
    QCOMPARE(requestedText(buffer.get()).size(), ft::TextBufferSize - 1);
}

void TestFtdiResults::refusedBeforeTheBus()
{
    // None of these may reach USB: no device is needed to run them.
    FtdiTransport link;
    FtHandle handle = 7;
    QCOMPARE(link.openEx(nullptr, ft::OpenBySerialNumber, handle), ft::InvalidParameter);
    QCOMPARE(link.openEx("RV4711AB", 0, handle), ft::InvalidParameter);
    QCOMPARE(link.openEx("", ft::OpenBySerialNumber, handle), ft::DeviceNotFound);
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

QTEST_APPLESS_MAIN(TestFtdiResults)
#include "tst_ftdiresults.moc"
