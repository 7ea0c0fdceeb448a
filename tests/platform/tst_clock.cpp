#include "platform/TClock.h"

#include <QTest>

namespace {
class FixedClock : public TClock {
public:
    QDate currentDate() const override { return QDate(2024, 2, 10); }
    qint64 elapsedMs() const override { return 42; }
};
} // namespace

class tst_Clock : public QObject {
    Q_OBJECT
private slots:
    void systemClockByDefault();
    void installedClockIsUsedUntilReset();
};

void tst_Clock::systemClockByDefault() {
    QCOMPARE(TClock::instance().currentDate(), QDate::currentDate());
    const qint64 before = TClock::instance().elapsedMs();
    QTest::qSleep(20);
    const qint64 after = TClock::instance().elapsedMs();
    QVERIFY2(after - before >= 19, qPrintable(QString::number(after - before)));
}

void tst_Clock::installedClockIsUsedUntilReset() {
    FixedClock fixed;
    TClock::setInstance(&fixed);
    QCOMPARE(TClock::instance().currentDate(), QDate(2024, 2, 10));
    QCOMPARE(TClock::instance().elapsedMs(), 42);
    TClock::setInstance(nullptr);
    QCOMPARE(TClock::instance().currentDate(), QDate::currentDate());
    QVERIFY(&TClock::instance() != &fixed);
}

QTEST_GUILESS_MAIN(tst_Clock)
#include "tst_clock.moc"
