// The database error window's texts, without the window: line breaks, and what Copy puts on the clipboard.
#include "widgets/dberror/DbErrorTexts.h"

#include <QTest>

class TestDbErrorTexts : public QObject {
    Q_OBJECT

private slots:
    void lineBreaksBecomeCrLf_data();
    void lineBreaksBecomeCrLf();
    void copyTextOfTheRecordAsked_data();
    void copyTextOfTheRecordAsked();
};

void TestDbErrorTexts::lineBreaksBecomeCrLf_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::newRow("none") << QStringLiteral("abc") << QStringLiteral("abc");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("LF") << QStringLiteral("a\nb") << QStringLiteral("a\r\nb");
    QTest::newRow("CR") << QStringLiteral("a\rb") << QStringLiteral("a\r\nb");
    QTest::newRow("CR LF kept") << QStringLiteral("a\r\nb") << QStringLiteral("a\r\nb");
    QTest::newRow("two CRs") << QStringLiteral("a\r\rb") << QStringLiteral("a\r\n\r\nb");
    QTest::newRow("LF CR") << QStringLiteral("a\n\rb") << QStringLiteral("a\r\n\r\nb");
    QTest::newRow("trailing") << QStringLiteral("a\n") << QStringLiteral("a\r\n");
}

void TestDbErrorTexts::lineBreaksBecomeCrLf() {
    QFETCH(QString, input);
    QFETCH(QString, output);
    QCOMPARE(DbErrorTexts::ToCrLf(input), output);
}

void TestDbErrorTexts::copyTextOfTheRecordAsked_data() {
    QTest::addColumn<int>("shown");
    QTest::addColumn<QString>("recordLines");
    const QString none = QStringLiteral("Message text: \r\nError code: \r\nError kind: \r\nServer object: \r\n"
                                        "Command text offset: \r\n");
    QTest::newRow("first") << 0
                           << QStringLiteral("Message text: Violation of key\r\nin 'MPIECEOLE'\r\nError code: 02627\r\n"
                                             "Error kind: UKViolated\r\nServer object: MPIECEOLE\r\n"
                                             "Command text offset: \r\n");
    QTest::newRow("second") << 1
                            << QStringLiteral("Message text: The statement has been terminated.\r\nError code: 0\r\n"
                                              "Error kind: Other\r\nServer object: \r\nCommand text offset: 12\r\n");
    QTest::newRow("past the end") << 2 << none;
    QTest::newRow("below zero") << -1 << none;
}

void TestDbErrorTexts::copyTextOfTheRecordAsked() {
    QFETCH(int, shown);
    QFETCH(QString, recordLines);
    TDbDiagRecord first;
    first.NativeError = 2627;
    first.Kind = TDbErrorKind::UKViolated;
    first.MessageText = QStringLiteral("Violation of key\nin 'MPIECEOLE'");
    first.ObjName = QStringLiteral("MPIECEOLE");
    TDbDiagRecord second;
    second.MessageText = QStringLiteral("The statement has been terminated.");
    second.CommandTextOffset = 12;
    EDbEngineError error(QStringLiteral("not copied"), QStringLiteral("EODBCNativeException"), 1200, {first, second});
    error.ObjectName = QStringLiteral("sqlConexao");
    error.CommandText = QStringLiteral("insert into T\rvalues (:A)");
    error.Params = {{QStringLiteral("A"), QStringLiteral("1")}};

    const QString separator = QString(43, QLatin1Char('-')) + QStringLiteral("\r\n");
    QCOMPARE(DbErrorTexts::CopyText(error, shown),
             QStringLiteral("Strata Error\r\nThe application performed an incorrect operation with the database.\r\n") +
                 separator + recordLines + separator +
                 QStringLiteral("Command text: insert into T\r\nvalues (:A)\r\nCommand parameters:\r\n  A=1\r\n") +
                 separator +
                 QStringLiteral("Exception class name: EODBCNativeException\r\nStrata error code: 1200\r\n"
                                "Strata object name: sqlConexao\r\n"));
}

QTEST_GUILESS_MAIN(TestDbErrorTexts)
#include "tst_dberrortexts.moc"
