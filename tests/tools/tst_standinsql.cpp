// SQL semantics of the SQL Server stand-in, seen through unixODBC and FreeTDS: result column types, numeric scale,
// comparisons, XML encodings, error numbers and batches that go on after an error.
#include "OdbcClient.h"
#include "StandIn.h"

#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(OdbcColumnType)

namespace {

OdbcParam ansi(const QString& v) {
    return {v, SQL_VARCHAR, 0};
}

OdbcParam wide(const QString& v) {
    return {v, SQL_WVARCHAR, 0};
}

} // namespace

class TstStandInSql : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void resultTypes_data();
    void resultTypes();

    void numericScale_data();
    void numericScale();

    void comparison_data();
    void comparison();

    void xmlEncoding_data();
    void xmlEncoding();

    void errorNumbers_data();
    void errorNumbers();

    void batchAfterError_data();
    void batchAfterError();

private:
    /// Runs sql, expecting it to fail with native; returns the message without FreeTDS's prefix.
    QString failure(const QString& sql, const QList<OdbcParam>& params, int native);

    std::unique_ptr<StandIn> Server;
    std::unique_ptr<OdbcClient> Client;
};

void TstStandInSql::initTestCase() {
    Server = std::make_unique<StandIn>();
    Server->exec(QStringLiteral("create table EVENTO (ID int primary key, QUANDO datetime, VALOR numeric(9, 2))"));
}

void TstStandInSql::init() {
    Server->exec(QStringLiteral("delete from LIGNE; delete from ETABLISS; delete from MJOURSCAISSEOLE; "
                                "delete from EVENTO"));
    Client = std::make_unique<OdbcClient>();
    Client->connect(Server->connectionString());
}

QString TstStandInSql::failure(const QString& sql, const QList<OdbcParam>& params, int native) {
    try {
        Client->execute(sql, params);
    } catch (const OdbcError& e) {
        if (e.first().native != native)
            return QStringLiteral("unexpected error %1: %2").arg(e.first().native).arg(e.first().message);
        return e.first().message.mid(QStringLiteral("[FreeTDS][SQL Server]").size());
    }
    return QStringLiteral("no error");
}

void TstStandInSql::resultTypes_data() {
    QTest::addColumn<QString>("expression");
    QTest::addColumn<OdbcColumnType>("type");
    QTest::addColumn<QVariant>("value");

    QTest::newRow("8-bit literal") << "'abc'" << OdbcColumnType{SQL_VARCHAR, 3, 0} << QVariant("abc");
    QTest::newRow("Unicode literal") << "N'ação'" << OdbcColumnType{SQL_WVARCHAR, 4, 0} << QVariant("ação");
    QTest::newRow("decimal literal") << "1.5" << OdbcColumnType{SQL_NUMERIC, 2, 1} << QVariant("1.5");
    QTest::newRow("fraction literal") << "0.25" << OdbcColumnType{SQL_NUMERIC, 2, 2} << QVariant("0.25");
    QTest::newRow("negative literal") << "-12.050" << OdbcColumnType{SQL_NUMERIC, 5, 3} << QVariant("-12.050");
    QTest::newRow("integer literal") << "7" << OdbcColumnType{SQL_INTEGER, 10, 0} << QVariant(7LL);
    QTest::newRow("cast to datetime") << "cast('2024-01-02' as datetime)" << OdbcColumnType{SQL_TYPE_TIMESTAMP, 23, 3}
                                      << QVariant("2024-01-02 00:00:00.000");
    QTest::newRow("cast to numeric") << "cast(2.345 as numeric(5, 2))" << OdbcColumnType{SQL_NUMERIC, 5, 2}
                                     << QVariant("2.35");
    QTest::newRow("datetime column") << "QUANDO" << OdbcColumnType{SQL_TYPE_TIMESTAMP, 23, 3}
                                     << QVariant("2016-04-25 13:45:10.347");
    QTest::newRow("numeric column") << "VALOR" << OdbcColumnType{SQL_NUMERIC, 9, 2} << QVariant("10.50");
}

void TstStandInSql::resultTypes() {
    QFETCH(QString, expression);
    QFETCH(OdbcColumnType, type);
    QFETCH(QVariant, value);
    Server->exec(QStringLiteral("insert into EVENTO values (1, '2016-04-25T13:45:10.345', 10.5); "
                                "insert into EVENTO values (2, null, null)"));
    const OdbcResult r = Client->execute(QStringLiteral("select %1 as X from EVENTO order by ID").arg(expression));
    QCOMPARE(r.types.value(0), type);
    QCOMPARE(r.rows.value(0).value(0), value);
    const bool fromColumn = !expression.contains(QLatin1Char('\'')) && expression.front().isUpper();
    QCOMPARE(r.rows.value(1).value(0), fromColumn ? QVariant() : value); // the second row's column is null
}

void TstStandInSql::numericScale_data() {
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<qlonglong>("positive");

    QTest::newRow("below the scale") << "GL_QTERESTE"
                                     << "0.00001" << QVariant("0.0000") << 0LL;
    QTest::newRow("half rounds up") << "GL_QTERESTE"
                                    << "2.00005" << QVariant("2.0001") << 1LL;
    QTest::newRow("half rounds away from zero") << "VALOR"
                                                << "-0.005" << QVariant("-0.01") << 0LL;
    QTest::newRow("largest") << "VALOR"
                             << "9999999.994" << QVariant("9999999.99") << 1LL;
    QTest::newRow("overflow") << "VALOR"
                              << "10000000.5" << QVariant() << 0LL;
    QTest::newRow("overflow by rounding") << "VALOR"
                                          << "9999999.995" << QVariant() << 0LL;
    QTest::newRow("overflow, wide column") << "GL_QTERESTE"
                                           << "1000000000000000.5" << QVariant() << 0LL;
}

void TstStandInSql::numericScale() {
    QFETCH(QString, column);
    QFETCH(QString, value);
    QFETCH(QVariant, stored);
    QFETCH(qlonglong, positive);
    const QString table = column == QLatin1String("VALOR") ? QStringLiteral("EVENTO") : QStringLiteral("LIGNE");
    const QString insert = table == QLatin1String("LIGNE")
                               ? QStringLiteral("insert into LIGNE values ('001', 'S1', 1, %1, %2)")
                               : QStringLiteral("insert into EVENTO (ID, VALOR) values (%1, %2)");
    const QString literal = insert.arg(QStringLiteral("1"), value);
    const QString parameter = insert.arg(QStringLiteral("2"), QStringLiteral("?"));
    if (stored.isNull()) {
        const QString expected = QStringLiteral("Arithmetic overflow error converting %1 to data type numeric.");
        QCOMPARE(failure(literal, {}, 8115), expected.arg(QStringLiteral("numeric")));
        QVERIFY(failure(parameter, {ansi(value)}, 8115).endsWith(QLatin1String(" to data type numeric.")));
        QCOMPARE(Server->scalar(QStringLiteral("select count(*) from %1").arg(table)), QVariant(0LL));
        return;
    }
    Client->execute(literal);
    Client->execute(parameter, {ansi(value)});
    const OdbcResult r = Client->execute(
        QStringLiteral("select %1, case when %1 > 0 then 1 else 0 end from %2 order by 1").arg(column, table));
    const QList<QVariantList> expected{{stored, positive}, {stored, positive}};
    QCOMPARE(r.rows, expected);
}

void TstStandInSql::comparison_data() {
    QTest::addColumn<QString>("condition");
    QTest::addColumn<QList<OdbcParam>>("params");
    QTest::addColumn<qlonglong>("holds");

    QTest::newRow("literals, case and trailing blank") << "'a' = 'A '" << QList<OdbcParam>{} << 1LL;
    QTest::newRow("literals, other letter") << "'a' = 'b'" << QList<OdbcParam>{} << 0LL;
    QTest::newRow("literals, accent counts") << "'a' = 'á'" << QList<OdbcParam>{} << 0LL;
    QTest::newRow("literals, order ignores case") << "'a' < 'B'" << QList<OdbcParam>{} << 1LL;
    QTest::newRow("Unicode literals") << "N'ação' = N'AÇÃO  '" << QList<OdbcParam>{} << 1LL;
    QTest::newRow("parameter and literal") << "? = 'LOJA '" << QList<OdbcParam>{ansi("loja")} << 1LL;
    QTest::newRow("two parameters") << "? = ?" << QList<OdbcParam>{wide("Ação"), ansi("AÇÃO")} << 1LL;
    QTest::newRow("parameter, not equal") << "? <> 'x'" << QList<OdbcParam>{wide("X ")} << 0LL;
    QTest::newRow("in a list") << "'b' in ('A', 'B')" << QList<OdbcParam>{} << 1LL;
}

void TstStandInSql::comparison() {
    QFETCH(QString, condition);
    QFETCH(QList<OdbcParam>, params);
    QFETCH(qlonglong, holds);
    const OdbcResult r =
        Client->execute(QStringLiteral("select case when %1 then 1 else 0 end").arg(condition), params);
    QCOMPARE(r.rows, QList<QVariantList>{{holds}});
}

void TstStandInSql::xmlEncoding_data() {
    QTest::addColumn<QString>("operand");
    QTest::addColumn<QList<OdbcParam>>("params");
    QTest::addColumn<QString>("error");

    const QString utf8 = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>1</a>");
    const QString unswitchable = QStringLiteral("XML parsing: line 1, character 38, unable to switch the encoding");
    QTest::newRow("Unicode column, UTF-8") << "MBJ_BLOCNOTE" << QList<OdbcParam>{} << unswitchable;
    QTest::newRow("Unicode literal, UTF-8") << "N'" + utf8 + "'" << QList<OdbcParam>{} << unswitchable;
    QTest::newRow("Unicode parameter, UTF-8") << "?" << QList<OdbcParam>{wide(utf8)} << unswitchable;
    QTest::newRow("Unicode, second line")
        << "N'\n<?xml version=''1.0'' encoding=''windows-1252''?><a>1</a>'" << QList<OdbcParam>{}
        << "XML parsing: line 2, character 45, unable to switch the encoding";
    QTest::newRow("Unicode, UTF-16") << "N'<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>1</a>'" << QList<OdbcParam>{}
                                     << QString();
    QTest::newRow("Unicode, no encoding") << "N'<?xml version=\"1.0\"?><a>1</a>'" << QList<OdbcParam>{} << QString();
    QTest::newRow("8-bit literal, UTF-8") << "'" + utf8 + "'" << QList<OdbcParam>{} << QString();
    QTest::newRow("8-bit parameter, UTF-8") << "?" << QList<OdbcParam>{ansi(utf8)} << QString();
    QTest::newRow("8-bit, UTF-16") << "'<?xml version=\"1.0\" encoding=\"utf-16\"?><a>1</a>'" << QList<OdbcParam>{}
                                   << "XML parsing: line 1, character 39, unable to switch the encoding";
}

void TstStandInSql::xmlEncoding() {
    QFETCH(QString, operand);
    QFETCH(QList<OdbcParam>, params);
    QFETCH(QString, error);
    Server->exec(QStringLiteral("insert into MJOURSCAISSEOLE values ('001', 'PRZ', 1, @P1)"),
                 {QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>1</a>")});
    const QString sql =
        QStringLiteral("select cast(%1 as xml).value('(/a)[1]', 'int') from MJOURSCAISSEOLE").arg(operand);
    if (error.isEmpty())
        QCOMPARE(Client->execute(sql, params).rows, QList<QVariantList>{{1LL}});
    else
        QCOMPARE(failure(sql, params, 9402), error);
}

void TstStandInSql::errorNumbers_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("native");
    QTest::addColumn<QString>("message");

    QTest::newRow("keyword where a name belongs")
        << "select from ETABLISS" << 156 << "Incorrect syntax near the keyword 'from'.";
    QTest::newRow("keyword in upper case")
        << "SELECT * FROM ETABLISS WHERE ORDER BY 1" << 156 << "Incorrect syntax near the keyword 'ORDER'.";
    QTest::newRow("misspelt statement first: a procedure")
        << "selec 1" << 2812 << "Could not find stored procedure 'selec'.";
    QTest::newRow("unknown procedure") << "exec sp_nada 1" << 2812 << "Could not find stored procedure 'sp_nada'.";
    QTest::newRow("misspelt statement later") << "select 1; selec 2" << 102 << "Incorrect syntax near 'selec'.";
    QTest::newRow("not a keyword") << "select 1 +" << 102 << "Incorrect syntax near '+'.";
}

void TstStandInSql::errorNumbers() {
    QFETCH(QString, sql);
    QFETCH(int, native);
    QFETCH(QString, message);
    QCOMPARE(failure(sql, {}, native), message);
    QCOMPARE(Client->execute(QStringLiteral("select 2")).rows, QList<QVariantList>{{2LL}}); // connection usable
}

void TstStandInSql::batchAfterError_data() {
    QTest::addColumn<QString>("batch");
    QTest::addColumn<int>("native");
    QTest::addColumn<qlonglong>("stores");

    QTest::newRow("duplicate key ends its statement") << "insert into ETABLISS values ('1', 'again'); "
                                                         "insert into ETABLISS values ('2', 'b')"
                                                      << 2627 << 2LL;
    QTest::newRow("null into key ends its statement") << "insert into ETABLISS (ET_LIBELLE) values ('x'); "
                                                         "insert into ETABLISS values ('2', 'b')"
                                                      << 515 << 2LL;
    QTest::newRow("too long ends its statement") << "insert into ETABLISS values ('1234567', 'x'); "
                                                    "insert into ETABLISS values ('2', 'b')"
                                                 << 8152 << 2LL;
    QTest::newRow("unknown procedure ends its statement")
        << "exec sp_nada; insert into ETABLISS values ('2', 'b')" << 2812 << 2LL;
    QTest::newRow("unknown table ends the batch")
        << "select * from NADA; insert into ETABLISS values ('2', 'b')" << 208 << 1LL;
    QTest::newRow("syntax error: nothing runs") << "insert into ETABLISS values ('2', 'b'); selec 1" << 102 << 1LL;
}

void TstStandInSql::batchAfterError() {
    QFETCH(QString, batch);
    QFETCH(int, native);
    QFETCH(qlonglong, stores);
    Server->exec(QStringLiteral("insert into ETABLISS values ('1', 'a')"));
    const QString message = failure(batch, {}, native);
    QVERIFY2(!message.startsWith(QLatin1String("unexpected")) && message != QLatin1String("no error"),
             qPrintable(message));
    QCOMPARE(Server->scalar(QStringLiteral("select count(*) from ETABLISS")), QVariant(stores));
}

QTEST_GUILESS_MAIN(TstStandInSql)
#include "tst_standinsql.moc"
