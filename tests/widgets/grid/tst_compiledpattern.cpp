#include "widgets/grid/CompiledPattern.h"

#include <QDateTime>
#include <QTest>

/// The numeric date and time patterns written by hand: the same text as the calendar's own formatting of the
/// pattern, for patterns of fixed and of varying widths.
class TestCompiledPattern : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void writesWhatTheCalendarWrites_data();
    void writesWhatTheCalendarWrites();
    void refusesWhatItCannotWrite();
};

void TestCompiledPattern::writesWhatTheCalendarWrites_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("date");
    for (const char* pattern : {"dd/MM/yyyy", "yyyy-MM-dd", "d/M/yy", "dd.MM.yy", "d. M. yyyy", "M/d/yyyy"}) {
        QTest::newRow(pattern) << QString::fromLatin1(pattern) << true;
    }
    for (const char* pattern : {"HH:mm:ss", "H:mm:ss", "h.m.s", "HH-mm"}) {
        QTest::newRow(pattern) << QString::fromLatin1(pattern) << false;
    }
}

void TestCompiledPattern::writesWhatTheCalendarWrites() {
    QFETCH(QString, pattern);
    QFETCH(bool, date);
    const CompiledPattern compiled(pattern, date ? CompiledPattern::Of::Date : CompiledPattern::Of::Time);
    QVERIFY(compiled.IsUsable());
    const QList<QDateTime> moments = {
        QDateTime(QDate(2024, 3, 1), QTime(8, 0, 23)),    QDateTime(QDate(2016, 12, 31), QTime(23, 59, 59)),
        QDateTime(QDate(1, 1, 1), QTime(0, 0)),           QDateTime(QDate(999, 10, 9), QTime(12, 0, 1)),
        QDateTime(QDate(1000, 1, 10), QTime(10, 10, 10)), QDateTime(QDate(9999, 12, 31), QTime(9, 5, 7)),
        QDateTime(QDate(2005, 1, 2), QTime(3, 4, 5)),     QDateTime(QDate(1907, 7, 20), QTime(19, 1, 0)),
    };
    for (const QDateTime& moment : moments) {
        const CompiledPattern::Moment fields{moment.date().year(), moment.date().month(),  moment.date().day(),
                                             moment.time().hour(), moment.time().minute(), moment.time().second()};
        std::vector<char16_t> room(std::size_t(compiled.MaxLength()) + 1, u'#');
        const char16_t* end = compiled.Write(room.data(), fields);
        QVERIFY(end - room.data() <= compiled.MaxLength());
        const QString written = QString::fromUtf16(room.data(), end - room.data());
        const QString expected = date ? moment.date().toString(pattern) : moment.time().toString(pattern);
        QCOMPARE(written, expected);
    }
}

void TestCompiledPattern::refusesWhatItCannotWrite() {
    for (const char* pattern : {"dd MMM yyyy", "dddd", "yyy", "h:mm AP", "HH:mm:ss.zzz", "HH:mm t", "HH'h'mm"}) {
        const bool date = QByteArray(pattern).contains('d') || QByteArray(pattern).contains('y');
        QVERIFY2(
            !CompiledPattern(QString::fromLatin1(pattern), date ? CompiledPattern::Of::Date : CompiledPattern::Of::Time)
                 .IsUsable(),
            pattern);
    }
}

QTEST_GUILESS_MAIN(TestCompiledPattern)
#include "tst_compiledpattern.moc"
