// Diagnostic records of the MSSQL back end: kinds, object names, display texts and the error message.
#include "data/odbc/OdbcApi.h"
#include "data/odbc/OdbcErrors.h"

#include <QTest>

Q_DECLARE_METATYPE(TDbErrorKind)

class tst_OdbcErrors : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void classify_data();
    void classify();
    void displayText_data();
    void displayText();
    void messageFromFirstRecord();
    void timeoutInAnyRecord_data();
    void timeoutInAnyRecord();
    void noRecords_data();
    void noRecords();
    void notSent_data();
    void notSent();
};

void tst_OdbcErrors::classify_data() {
    QTest::addColumn<int>("native");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("message");
    QTest::addColumn<TDbErrorKind>("kind");
    QTest::addColumn<QString>("objName");
    using K = TDbErrorKind;
    const QString S = "42000";
    QTest::newRow("208") << 208 << "42S02"
                         << "Invalid object name 'MPIECEOLEX'." << K::ObjNotExists << "MPIECEOLEX";
    QTest::newRow("3701") << 3701 << S << "Cannot drop the table 'T1', because it does not exist." << K::ObjNotExists
                          << "T1";
    QTest::newRow("547 delete conflicted with reference constraint")
        << 547 << "23000"
        << "The DELETE statement conflicted with the REFERENCE constraint \"FK_LIGNE\". The conflict occurred in "
           "database \"K\", table \"dbo.LIGNE\", column 'GL_NUMERO'."
        << K::FKViolated << "GL_NUMERO";
    QTest::newRow("547 column foreign key") << 547 << "23000"
                                            << "INSERT statement conflicted with COLUMN FOREIGN KEY constraint 'FK_X'. "
                                               "The conflict occurred in database 'K'."
                                            << K::FKViolated << "FK_X";
    QTest::newRow("547 insert without the word reference stays other")
        << 547 << "23000"
        << "The INSERT statement conflicted with the FOREIGN KEY constraint \"FK_L_P\". The conflict occurred in "
           "database \"K\", table \"dbo.piece\", column 'GP_NUMERO'."
        << K::Other << "GP_NUMERO";
    QTest::newRow("547 check constraint stays other")
        << 547 << "23000"
        << "The INSERT statement conflicted with the CHECK constraint 'CK_Q'." << K::Other << "CK_Q";
    QTest::newRow("547 other, state decides")
        << 547 << "08S01"
        << "conflicted with the CHECK constraint 'CK_Q'." << K::ServerGone << "CK_Q";
    QTest::newRow("2601") << 2601 << "23000"
                          << "Cannot insert duplicate key row in object 'dbo.T' with unique index 'IX'."
                          << K::UKViolated << "dbo.T";
    QTest::newRow("2627")
        << 2627 << "23000"
        << "Violation of PRIMARY KEY constraint 'PK_T'. Cannot insert duplicate key in object 'dbo.T'." << K::UKViolated
        << "PK_T";
    QTest::newRow("one quote only") << 208 << "42S02"
                                    << "Invalid object name 'T" << K::ObjNotExists << "";
    QTest::newRow("1204") << 1204 << S << "lock" << K::RecordLocked << "";
    QTest::newRow("1205 deadlock") << 1205 << "40001"
                                   << "Transaction (Process ID 51) was deadlocked" << K::RecordLocked << "";
    QTest::newRow("1222") << 1222 << "HYT00"
                          << "Lock request time out period exceeded." << K::RecordLocked << "";
    QTest::newRow("18456") << 18456 << "28000"
                           << "Login failed for user 'sa'." << K::UserPwdInvalid << "";
    QTest::newRow("18463") << 18463 << S << "x" << K::UserPwdInvalid << "";
    QTest::newRow("18468") << 18468 << S << "x" << K::UserPwdInvalid << "";
    QTest::newRow("18469 is not") << 18469 << S << "x" << K::Other << "";
    QTest::newRow("18462 is not") << 18462 << S << "x" << K::Other << "";
    QTest::newRow("18487") << 18487 << S << "expired" << K::UserPwdExpired << "";
    QTest::newRow("18488") << 18488 << S << "must change" << K::UserPwdExpired << "";
    QTest::newRow("201") << 201 << S << "expects parameter '@P1'" << K::InvalidParams << "";
    QTest::newRow("8144") << 8144 << S << "too many arguments" << K::InvalidParams << "";
    QTest::newRow("HY008") << 0 << "HY008"
                           << "Operation canceled" << K::CmdAborted << "";
    QTest::newRow("HYT00") << 0 << "HYT00"
                           << "Timeout expired" << K::CmdAborted << "";
    QTest::newRow("HYT01") << 0 << "HYT01"
                           << "Connection timeout expired" << K::CmdAborted << "";
    for (const char* State : {"08S01", "08S02", "08007", "08001", "08003", "08004"})
        QTest::newRow(State) << 20 << State << "link failure" << K::ServerGone << "";
    QTest::newRow("07001") << 0 << "07001"
                           << "Wrong number of parameters" << K::InvalidParams << "";
    QTest::newRow("07002") << 0 << "07002"
                           << "COUNT field incorrect" << K::InvalidParams << "";
    QTest::newRow("native wins over state") << 208 << "08S01"
                                            << "Invalid object name 'X'." << K::ObjNotExists << "X";
    QTest::newRow("no object name for other numbers") << 1205 << "40001"
                                                      << "in 'quotes' here" << K::RecordLocked << "";
    QTest::newRow("other") << 102 << "42000"
                           << "Incorrect syntax near 'x'." << K::Other << "";
    QTest::newRow("08 class not listed") << 0 << "08002"
                                         << "in use" << K::Other << "";
}

void tst_OdbcErrors::classify() {
    QFETCH(int, native);
    QFETCH(QString, state);
    QFETCH(QString, message);
    QFETCH(TDbErrorKind, kind);
    QFETCH(QString, objName);
    const TDbDiagRecord Record = OdbcErrors::MakeRecord(state, native, message);
    QCOMPARE(Record.Kind, kind);
    QCOMPARE(Record.ObjName, objName);
    QCOMPARE(Record.NativeError, native);
    QCOMPARE(Record.SqlState, state);
    QCOMPARE(Record.MessageText, message);
    QCOMPARE(Record.CommandTextOffset, -1);
}

void tst_OdbcErrors::displayText_data() {
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("native");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("display");
    QTest::newRow("plain") << "42S02" << 208 << "[FreeTDS][SQL Server]Invalid object name 'X'."
                           << "SQL state: 42S02. Native error: 208. Error message: \r\n"
                              "[FreeTDS][SQL Server]Invalid object name 'X'.";
    QTest::newRow("percent signs untouched") << "HY000" << -1 << "50% %1 %s"
                                             << "SQL state: HY000. Native error: -1. Error message: \r\n50% %1 %s";
    QTest::newRow("empty message") << "08001" << 0 << ""
                                   << "SQL state: 08001. Native error: 0. Error message: \r\n";
}

void tst_OdbcErrors::displayText() {
    QFETCH(QString, state);
    QFETCH(int, native);
    QFETCH(QString, message);
    QFETCH(QString, display);
    QCOMPARE(OdbcErrors::DisplayText(state, native, message), display);
    QCOMPARE(OdbcErrors::MakeRecord(state, native, message).DisplayText, display);
}

void tst_OdbcErrors::messageFromFirstRecord() {
    const QList<TDbDiagRecord> Records{
        OdbcErrors::MakeRecord("23000", 2627, "[FreeTDS][SQL Server]Violation of PRIMARY KEY constraint 'PK'."),
        OdbcErrors::MakeRecord("01000", 3621, "[FreeTDS][SQL Server]The statement has been terminated.")};
    const EDbEngineError Error = OdbcErrors::MakeError(Records, "libtdsodbc.so", SQL_ERROR);
    QCOMPARE(Error.message(),
             QString("[Strata][Phys][ODBC][FreeTDS][SQL Server]Violation of PRIMARY KEY constraint 'PK'."));
    QCOMPARE(Error.LayerCode, 1200);
    QCOMPARE(Error.TypeName, QString("EODBCNativeException"));
    QCOMPARE(Error.Records.size(), 2);
    QCOMPARE(Error.Records[1].NativeError, 3621);
    QCOMPARE(Error.Records[0].Kind, TDbErrorKind::UKViolated);
}

void tst_OdbcErrors::timeoutInAnyRecord_data() {
    QTest::addColumn<QString>("firstState");
    QTest::addColumn<QString>("secondState");
    QTest::newRow("HYT00 first") << "HYT00"
                                 << "01000";
    QTest::newRow("HYT01 second") << "08001"
                                  << "HYT01";
}

void tst_OdbcErrors::timeoutInAnyRecord() {
    QFETCH(QString, firstState);
    QFETCH(QString, secondState);
    const QList<TDbDiagRecord> Records{OdbcErrors::MakeRecord(firstState, 0, "[FreeTDS][SQL Server]first"),
                                       OdbcErrors::MakeRecord(secondState, 0, "[FreeTDS][SQL Server]second")};
    const EDbEngineError Error = OdbcErrors::MakeError(Records, "libtdsodbc.so", SQL_ERROR);
    QCOMPARE(Error.message(), QString("Timeout expired"));
    QCOMPARE(Error.LayerCode, 700);
    QCOMPARE(Error.Records.size(), 2);
    QCOMPARE(Error.Records[0].MessageText, QString("[FreeTDS][SQL Server]first"));
}

void tst_OdbcErrors::noRecords_data() {
    QTest::addColumn<QString>("driverFile");
    QTest::addColumn<int>("returnCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("error on connection") << "libtdsodbc.so" << int(SQL_ERROR)
                                         << "[Strata][Phys][ODBC][libtdsodbc.so] SQL_ERROR";
    QTest::newRow("no connection yet") << "" << int(SQL_ERROR) << "[Strata][Phys][ODBC][CLI] SQL_ERROR";
    QTest::newRow("invalid handle") << "" << int(SQL_INVALID_HANDLE) << "[Strata][Phys][ODBC][CLI] SQL_INVALID_HANDLE";
    QTest::newRow("need data") << "libsqlite3odbc.so" << int(SQL_NEED_DATA)
                               << "[Strata][Phys][ODBC][libsqlite3odbc.so] SQL_NEED_DATA";
    QTest::newRow("still executing") << "x.so" << int(SQL_STILL_EXECUTING)
                                     << "[Strata][Phys][ODBC][x.so] SQL_STILL_EXECUTING";
}

void tst_OdbcErrors::noRecords() {
    QFETCH(QString, driverFile);
    QFETCH(int, returnCode);
    QFETCH(QString, message);
    const EDbEngineError Error = OdbcErrors::MakeError({}, driverFile, returnCode);
    QCOMPARE(Error.message(), message);
    QCOMPARE(Error.LayerCode, 1200);
    QVERIFY(Error.Records.isEmpty());
}

void tst_OdbcErrors::notSent_data() {
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("native");
    QTest::addColumn<bool>("notSent");
    // As FreeTDS reports a connection lost under a request: a write that failed proves the request incomplete, a read
    // that failed after a complete write proves nothing.
    QTest::newRow("write failed") << "08S01" << 20006 << true;
    QTest::newRow("unexpected end of stream") << "01000" << 20017 << false;
    QTest::newRow("read failed") << "08S01" << 20004 << false;
    QTest::newRow("same number from the server") << "42000" << 20006 << false;
    QTest::newRow("server error") << "23000" << 2627 << false;
}

void tst_OdbcErrors::notSent() {
    QFETCH(QString, state);
    QFETCH(int, native);
    QFETCH(bool, notSent);
    const QList<TDbDiagRecord> Records{OdbcErrors::MakeRecord("01000", 0, "[FreeTDS][SQL Server]first"),
                                       OdbcErrors::MakeRecord(state, native, "[FreeTDS][SQL Server]second")};
    QCOMPARE(OdbcErrors::MakeError(Records, "libtdsodbc.so", SQL_ERROR).NotSent, notSent);
    QCOMPARE(OdbcErrors::MakeError({Records[1]}, "libtdsodbc.so", SQL_ERROR).NotSent, notSent);
    QVERIFY(!OdbcErrors::MakeError({Records[0]}, "libtdsodbc.so", SQL_ERROR).NotSent);
}

QTEST_GUILESS_MAIN(tst_OdbcErrors)
#include "tst_odbcerrors.moc"
