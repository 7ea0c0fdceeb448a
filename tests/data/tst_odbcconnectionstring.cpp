// Driver choice and connection string of the MSSQL back end.
#include "data/TDbErrors.h"
#include "data/odbc/OdbcConnectionString.h"

#include <QTest>

class tst_OdbcConnectionString : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void chooseDriver_data();
    void chooseDriver();
    void nativeClientFamily_data();
    void nativeClientFamily();
    void quoteValue_data();
    void quoteValue();
    void build_data();
    void build();
    void paramValue();
    void freeTdsRefusesValueEndingEarly();
    void valueWithNulIsRefused_data();
    void valueWithNulIsRefused();
};

void tst_OdbcConnectionString::chooseDriver_data() {
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("none") << QStringList{"SQLite3", "PostgreSQL"} << QString();
    QTest::newRow("empty list") << QStringList{} << QString();
    QTest::newRow("only FreeTDS") << QStringList{"SQLite3", "FreeTDS"} << "FreeTDS";
    QTest::newRow("installed name kept") << QStringList{"freetds"} << "freetds";
    QTest::newRow("candidate order, not list order")
        << QStringList{"FreeTDS", "SQL Server", "ODBC Driver 17 for SQL Server"} << "SQL Server";
    QTest::newRow("first candidate wins")
        << QStringList{"SQL Native Client", "sql server native client 11.0"} << "sql server native client 11.0";
    QTest::newRow("18 before 17") << QStringList{"ODBC Driver 17 for SQL Server", "ODBC Driver 18 for SQL Server"}
                                  << "ODBC Driver 18 for SQL Server";
    QTest::newRow("no partial match") << QStringList{"SQL Server Native Client 12.0", "SQL Serv"} << QString();
}

void tst_OdbcConnectionString::chooseDriver() {
    QFETCH(QStringList, installed);
    QFETCH(QString, chosen);
    QCOMPARE(OdbcConnectionString::ChooseDriver(installed), chosen);
}

void tst_OdbcConnectionString::nativeClientFamily_data() {
    QTest::addColumn<QString>("driver");
    QTest::addColumn<bool>("family");
    QTest::newRow("native client 11") << "SQL Server Native Client 11.0" << true;
    QTest::newRow("driver 11") << "ODBC DRIVER 11 FOR SQL SERVER" << true;
    QTest::newRow("native client 10") << "sql server native client 10.0" << true;
    QTest::newRow("native client") << "SQL Native Client" << true;
    QTest::newRow("plain SQL Server") << "SQL Server" << false;
    QTest::newRow("driver 18") << "ODBC Driver 18 for SQL Server" << false;
    QTest::newRow("FreeTDS") << "FreeTDS" << false;
    QTest::newRow("empty") << "" << false;
}

void tst_OdbcConnectionString::nativeClientFamily() {
    QFETCH(QString, driver);
    QFETCH(bool, family);
    QCOMPARE(OdbcConnectionString::IsNativeClientFamily(driver), family);
}

void tst_OdbcConnectionString::quoteValue_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("quoted");
    QTest::newRow("plain") << "sa"
                           << "sa";
    QTest::newRow("inner blank") << "my server"
                                 << "my server";
    QTest::newRow("backslash instance") << R"(HOST\SQLEXPRESS)"
                                        << R"(HOST\SQLEXPRESS)";
    QTest::newRow("semicolon") << "a;b"
                               << "{a;b}";
    QTest::newRow("injection") << "x;Database=master"
                               << "{x;Database=master}";
    QTest::newRow("equals") << "a=b"
                            << "{a=b}";
    QTest::newRow("opening brace") << "{abc"
                                   << "{{abc}";
    QTest::newRow("closing brace doubled") << "a}b"
                                           << "{a}}b}";
    QTest::newRow("braced already") << "{x}"
                                    << "{{x}}}";
    QTest::newRow("leading blank") << " srv"
                                   << "{ srv}";
    QTest::newRow("trailing blank") << "srv "
                                    << "{srv }";
    QTest::newRow("only blanks") << "   "
                                 << "{   }";
    QTest::newRow("non-ASCII") << "señha€"
                               << "señha€";
}

void tst_OdbcConnectionString::quoteValue() {
    QFETCH(QString, value);
    QFETCH(QString, quoted);
    QCOMPARE(OdbcConnectionString::QuoteValue(value), quoted);
    // FreeTDS reads a braced value literally up to the first "};": same braces, nothing doubled.
    QString Literal = quoted;
    if (quoted != value)
        Literal = "{" + value + "}";
    QCOMPARE(OdbcConnectionString::QuoteValue(value, OdbcConnectionString::BraceStyle::FreeTds), Literal);
}

void tst_OdbcConnectionString::build_data() {
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QStringList>("params");
    QTest::addColumn<QString>("expected");
    const QStringList All{"DriverID=MSSQL", "Server=srv", "Database=KVORA", "User_Name=sa", "Password=pw"};
    QTest::newRow("order UID PWD Server Database")
        << "FreeTDS" << All << "DRIVER=FreeTDS;UID=sa;PWD=pw;Server=srv;Database=KVORA;TDS_Version=7.4";
    QTest::newRow("MARS for native client")
        << "SQL Server Native Client 11.0" << All
        << "DRIVER=SQL Server Native Client 11.0;UID=sa;PWD=pw;Server=srv;Database=KVORA;MARS_Connection=yes";
    QTest::newRow("MARS for SQL Native Client")
        << "SQL Native Client" << All
        << "DRIVER=SQL Native Client;UID=sa;PWD=pw;Server=srv;Database=KVORA;MARS_Connection=yes";
    QTest::newRow("no MARS for SQL Server")
        << "SQL Server" << All << "DRIVER=SQL Server;UID=sa;PWD=pw;Server=srv;Database=KVORA";
    QTest::newRow("no MARS for driver 17")
        << "ODBC Driver 17 for SQL Server" << All
        << "DRIVER=ODBC Driver 17 for SQL Server;UID=sa;PWD=pw;Server=srv;Database=KVORA";
    QTest::newRow("empty values left out")
        << "FreeTDS" << QStringList{"DriverID=MSSQL", "Server=srv", "Database=", "User_Name=", "Password=pw"}
        << "DRIVER=FreeTDS;PWD=pw;Server=srv;TDS_Version=7.4";
    QTest::newRow("absent values left out")
        << "FreeTDS" << QStringList{"DriverID=MSSQL", "Server=srv"} << "DRIVER=FreeTDS;Server=srv;TDS_Version=7.4";
    QTest::newRow("no driver installed") << "" << All << "UID=sa;PWD=pw;Server=srv;Database=KVORA";
    QTest::newRow("password with semicolon and braces, ODBC style")
        << "SQL Server"
        << QStringList{"DriverID=MSSQL", "Server=srv", "Database=db", "User_Name=sa", "Password=a;{b}=c"}
        << "DRIVER=SQL Server;UID=sa;PWD={a;{b}}=c};Server=srv;Database=db";
    QTest::newRow("password with semicolon and braces, FreeTDS style")
        << "FreeTDS" << QStringList{"DriverID=MSSQL", "Server=srv", "Database=db", "User_Name=sa", "Password=a;{b}=c"}
        << "DRIVER=FreeTDS;UID=sa;PWD={a;{b}=c};Server=srv;Database=db;TDS_Version=7.4";
    QTest::newRow("FreeTDS value ending in a brace") << "FreeTDS" << QStringList{"DriverID=MSSQL", "Database=db}"}
                                                     << "DRIVER=FreeTDS;Database={db}};TDS_Version=7.4";
    QTest::newRow("braced value followed by semicolon")
        << "FreeTDS" << QStringList{"DriverID=MSSQL", "Server=srv", "Database=my;db"}
        << "DRIVER=FreeTDS;Server=srv;Database={my;db};TDS_Version=7.4";
    QTest::newRow("braced last value ends with semicolon, ODBC style")
        << "ODBC Driver 18 for SQL Server" << QStringList{"DriverID=MSSQL", "Database=a}"}
        << "DRIVER=ODBC Driver 18 for SQL Server;Database={a}}};";
    QTest::newRow("blanks kept inside braces")
        << "FreeTDS" << QStringList{"DriverID=MSSQL", "Server= srv ", "Database=db"}
        << "DRIVER=FreeTDS;Server={ srv };Database=db;TDS_Version=7.4";
    QTest::newRow("MARS keyword already in the string")
        << "SQL Server Native Client 10.0" << QStringList{"DriverID=MSSQL", "Server=srv;MARS_Connection=no"}
        << "DRIVER=SQL Server Native Client 10.0;Server={srv;MARS_Connection=no};";
    QTest::newRow("MARS keyword already in the string, other case")
        << "SQL Native Client" << QStringList{"DriverID=MSSQL", "Server=srv", "Password=x;mars_connection=no"}
        << "DRIVER=SQL Native Client;PWD={x;mars_connection=no};Server=srv";
    QTest::newRow("MARS word without its equals sign")
        << "SQL Native Client" << QStringList{"DriverID=MSSQL", "Server=MARS_Connection"}
        << "DRIVER=SQL Native Client;Server=MARS_Connection;MARS_Connection=yes";
    QTest::newRow("TDS version inside a value does not unpin it")
        << "FreeTDS" << QStringList{"DriverID=MSSQL", "Server=srv", "Password=x;tds_version=7.1"}
        << "DRIVER=FreeTDS;PWD={x;tds_version=7.1};Server=srv;TDS_Version=7.4";
    QTest::newRow("TDS version for FreeTDS, any case of its name")
        << "freetds" << QStringList{"DriverID=MSSQL", "Server=srv"} << "DRIVER=freetds;Server=srv;TDS_Version=7.4";
    QTest::newRow("value after first equals sign")
        << "FreeTDS" << QStringList{"DriverID=MSSQL", "Password==x="} << "DRIVER=FreeTDS;PWD={=x=};TDS_Version=7.4";
    QTest::newRow("keys without regard to case")
        << "FreeTDS" << QStringList{"DRIVERID=MSSQL", "server=srv", "user_name=sa"}
        << "DRIVER=FreeTDS;UID=sa;Server=srv;TDS_Version=7.4";
}

void tst_OdbcConnectionString::build() {
    QFETCH(QString, driver);
    QFETCH(QStringList, params);
    QFETCH(QString, expected);
    QCOMPARE(OdbcConnectionString::Build(driver, params), expected);
}

void tst_OdbcConnectionString::paramValue() {
    const QStringList Params{"DriverID=MSSQL", "Server=a=b", "Empty=", "NoEquals", "server=second"};
    QCOMPARE(OdbcConnectionString::ParamValue(Params, "Server"), QString("a=b"));
    QCOMPARE(OdbcConnectionString::ParamValue(Params, "SERVER"), QString("a=b"));
    QCOMPARE(OdbcConnectionString::ParamValue(Params, "Empty"), QString());
    QCOMPARE(OdbcConnectionString::ParamValue(Params, "NoEquals"), QString());
    QCOMPARE(OdbcConnectionString::ParamValue(Params, "Missing"), QString());
}

void tst_OdbcConnectionString::freeTdsRefusesValueEndingEarly() {
    using namespace OdbcConnectionString;
    // Passed on, "x};Database=master" would end the password after "x" and add an attribute of its own.
    const QStringList Params{"DriverID=MSSQL", "Server=srv", "Password=x};Database=master"};
    QVERIFY_THROWS_EXCEPTION(EDbError, Build("FreeTDS", Params));
    QCOMPARE(Build("SQL Server", Params), QString("DRIVER=SQL Server;PWD={x}};Database=master};Server=srv"));
    QCOMPARE(BraceStyleOf("freetds"), BraceStyle::FreeTds);
    QCOMPARE(BraceStyleOf("SQL Server Native Client 11.0"), BraceStyle::Odbc);
}

void tst_OdbcConnectionString::valueWithNulIsRefused_data() {
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    const QString Nul(QChar(0));
    QTest::newRow("server, FreeTDS") << "FreeTDS"
                                     << "Server"
                                     << "srv" + Nul + "x";
    QTest::newRow("password, only a NUL, FreeTDS") << "FreeTDS"
                                                   << "Password" << Nul;
    QTest::newRow("database, ODBC style") << "SQL Server"
                                          << "Database"
                                          << "db" + Nul;
    QTest::newRow("user, native client") << "SQL Native Client"
                                         << "User_Name" << Nul + "sa";
}

void tst_OdbcConnectionString::valueWithNulIsRefused() {
    QFETCH(QString, driver);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QStringList Params{"DriverID=MSSQL", "Server=srv", "Database=KVORA", "User_Name=sa", "Password=pw"};
    for (QString& Line : Params) {
        if (Line.startsWith(key + "="))
            Line = key + "=" + value;
    }
    // Passed with SQL_NTS, the string would end at the NUL: the driver would see a shorter value and none after it.
    try {
        const QString Built = OdbcConnectionString::Build(driver, Params);
        QFAIL(qPrintable("a value holding U+0000 was passed on: " + QString(Built).replace(QChar(0), "<NUL>")));
    } catch (const EDbError& Error) {
        QCOMPARE(Error.message(), QString("[Strata][Phys][ODBC] A connection value holding a NUL character cannot be "
                                          "passed to the driver"));
    }
}

QTEST_GUILESS_MAIN(tst_OdbcConnectionString)
#include "tst_odbcconnectionstring.moc"
