#include <QTest>
class DiscoveryTest : public QObject { Q_OBJECT };
QTEST_APPLESS_MAIN(DiscoveryTest)
#include "test_discovery.moc"
