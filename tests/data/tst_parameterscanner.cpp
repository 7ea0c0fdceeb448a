#include "data/ParameterScanner.h"

#include <QTest>

class TestParameterScanner : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void markers_data();
    void markers();
    void distinctNamesIgnoreCase();
};

void TestParameterScanner::markers_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("positional");
    QTest::addColumn<QStringList>("occurrences");

    QTest::newRow("none") << "select 1"
                          << "select 1" << QStringList();
    QTest::newRow("one") << "select * from ETABLISS where ET = :IDLOJA"
                         << "select * from ETABLISS where ET = ?" << QStringList{"IDLOJA"};
    QTest::newRow("name twice") << "where a = :IDLOJA and b = :X and c = :IDLOJA and d = :Y_2"
                                << "where a = ? and b = ? and c = ? and d = ?"
                                << QStringList{"IDLOJA", "X", "IDLOJA", "Y_2"};
    QTest::newRow("adjacent punctuation") << "values(:a,:b)"
                                          << "values(?,?)" << QStringList{"a", "b"};
    QTest::newRow("colon in literal") << "select 'A:B', :p"
                                      << "select 'A:B', ?" << QStringList{"p"};
    QTest::newRow("escaped quote in literal") << "select 'it''s :no', :yes"
                                              << "select 'it''s :no', ?" << QStringList{"yes"};
    QTest::newRow("double-quoted identifier") << "select \":no\" from t where x = :yes"
                                              << "select \":no\" from t where x = ?" << QStringList{"yes"};
    QTest::newRow("bracketed identifier") << "select [a:no] from t where x = :yes"
                                          << "select [a:no] from t where x = ?" << QStringList{"yes"};
    QTest::newRow("line comment") << "select :a -- not :b\nfrom t where c = :c"
                                  << "select ? -- not :b\nfrom t where c = ?" << QStringList{"a", "c"};
    QTest::newRow("line comment at end") << "select :a -- :b"
                                         << "select ? -- :b" << QStringList{"a"};
    QTest::newRow("block comment") << "select /* :b \n :c */ :a"
                                   << "select /* :b \n :c */ ?" << QStringList{"a"};
    QTest::newRow("unterminated block comment") << "select :a /* :b"
                                                << "select ? /* :b" << QStringList{"a"};
    QTest::newRow("double colon") << "select x::int, :a"
                                  << "select x::int, ?" << QStringList{"a"};
    QTest::newRow("lone colon") << "select ': ' || :a || :"
                                << "select ': ' || ? || :" << QStringList{"a"};
    QTest::newRow("unterminated literal") << "select :a, ':b"
                                          << "select ?, ':b" << QStringList{"a"};
    QTest::newRow("accented name") << "where x = :DESCRIÇÃO"
                                   << "where x = ?" << QStringList{"DESCRIÇÃO"};
}

void TestParameterScanner::markers() {
    QFETCH(QString, sql);
    QFETCH(QString, positional);
    QFETCH(QStringList, occurrences);

    const ParameterScanner scanner(sql);
    QCOMPARE(scanner.PositionalSql(), positional);
    QCOMPARE(scanner.Occurrences(), occurrences);
    QCOMPARE(scanner.OccurrenceIndexes().size(), occurrences.size());
}

void TestParameterScanner::distinctNamesIgnoreCase() {
    const ParameterScanner scanner("a = :IdLoja and b = :other and c = :IDLOJA and d = :idloja and e = :third");
    QCOMPARE(scanner.DistinctNames(), (QStringList{"IdLoja", "other", "third"}));
    QCOMPARE(scanner.OccurrenceIndexes(), (QList<int>{0, 1, 0, 0, 2}));
}

QTEST_GUILESS_MAIN(TestParameterScanner)
#include "tst_parameterscanner.moc"
