#include "data/odbc/TOdbcBackend.h"

#include "data/TDbErrors.h"
#include "data/odbc/ConnectionSocket.h"
#include "data/odbc/OdbcCall.h"
#include "data/odbc/OdbcConnectionString.h"
#include "data/odbc/OdbcDrivers.h"
#include "data/odbc/TOdbcStatement.h"

namespace {

QString InfoText(const OdbcHandle& AConnection, SQLUSMALLINT AInfo) {
    SQLWCHAR text[256] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfoW(AConnection.Get(), AInfo, text, sizeof(text), &length))) {
        return {};
    }
    return OdbcCall::FromWide(text, std::min<qsizetype>(length / qsizetype(sizeof(SQLWCHAR)), 255));
}

int LoginTimeoutSeconds = 15;

} // namespace

TOdbcBackend::TOdbcBackend() = default;

TOdbcBackend::~TOdbcBackend() {
    Close();
}

void TOdbcBackend::Open(const QStringList& AParams) {
    Close();
    auto newEnvironment = std::make_unique<OdbcHandle>(SQL_HANDLE_ENV, nullptr);
    OdbcCall::Check(
        SQLSetEnvAttr(newEnvironment->Get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
        *newEnvironment, QString());
    QString newDriver = OdbcConnectionString::ParamValue(AParams, QStringLiteral("ODBCDriver"));
    if (newDriver.isEmpty()) {
        newDriver = OdbcDrivers::Chosen(*newEnvironment);
    }
    const QString connectionString = OdbcConnectionString::Build(newDriver, AParams);

    auto newConnection = std::make_unique<OdbcHandle>(SQL_HANDLE_DBC, newEnvironment.get());
    OdbcCall::Check(SQLSetConnectAttrW(newConnection->Get(), SQL_ATTR_LOGIN_TIMEOUT,
                                       reinterpret_cast<SQLPOINTER>(SQLULEN(LoginTimeoutSeconds)), SQL_IS_UINTEGER),
                    *newConnection, QString());
    auto newSocket = std::make_shared<ConnectionSocket>();
    SQLSMALLINT outLength = 0;
    OdbcCall::Check(SQLDriverConnectW(newConnection->Get(), nullptr, OdbcCall::Wide(connectionString), SQL_NTS, nullptr,
                                      0, &outLength, SQL_DRIVER_NOPROMPT),
                    *newConnection, QString());
    newConnection->SetConnected(true);
    newSocket->Connected();

    Driver = newDriver;
    DriverFile = OdbcCall::DriverFileName(*newConnection);
    DbmsVersion = InfoText(*newConnection, SQL_DBMS_VER);
    Environment = std::move(newEnvironment);
    Connection = std::move(newConnection);
    Wire = std::make_shared<OdbcWireOwner>();
    Socket = std::move(newSocket);
}

void TOdbcBackend::Close() {
    Socket.reset();
    Wire.reset();
    Connection.reset();
    Environment.reset();
}

void TOdbcBackend::SetLoginTimeout(int ASeconds) {
    LoginTimeoutSeconds = ASeconds;
}

int TOdbcBackend::LoginTimeout() {
    return LoginTimeoutSeconds;
}

bool TOdbcBackend::WideMemoAsMax() const {
    const int major = DbmsVersion.section(QLatin1Char('.'), 0, 0).toInt();
    return OdbcConnectionString::IsNativeClientFamily(Driver) && major >= 9;
}

std::unique_ptr<IDbStatement> TOdbcBackend::Prepare(const QString& ASql) {
    if (!Connection) {
        throw EDbError(QStringLiteral("[Strata][Phys][ODBC] The connection is not open"));
    }
    return std::make_unique<TOdbcStatement>(*Connection, Wire,
                                            OdbcStatementSettings{DriverFile, WideMemoAsMax(), Socket}, ASql);
}
