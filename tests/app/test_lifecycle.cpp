#include <QTest>
class LifecycleTest : public QObject { Q_OBJECT };
QTEST_APPLESS_MAIN(LifecycleTest)
#include "test_lifecycle.moc"
