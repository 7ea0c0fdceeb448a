#include "data/odbc/TOdbcBackend.h"

#include "data/TDbErrors.h"
#include "data/odbc/ConnectionSocket.h"
#include "data/odbc/OdbcCall.h"
#include "data/odbc/OdbcConnectionString.h"
#include "data/odbc/OdbcDrivers.h"
#include "data/odbc/TOdbcStatement.h"

namespace {

QString InfoText(const OdbcHandle& AConnection, SQLUSMALLINT AInfo) {
    SQLWCHAR Text[256] = {};
    SQLSMALLINT Length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfoW(AConnection.Get(), AInfo, Text, sizeof(Text), &Length)))
        return {};
    return OdbcCall::FromWide(Text, std::min<qsizetype>(Length / qsizetype(sizeof(SQLWCHAR)), 255));
}

int LoginTimeoutSeconds = 15;

} // namespace

TOdbcBackend::TOdbcBackend() = default;

TOdbcBackend::~TOdbcBackend() {
    Close();
}

void TOdbcBackend::Open(const QStringList& AParams) {
    Close();
    auto NewEnvironment = std::make_unique<OdbcHandle>(SQL_HANDLE_ENV, nullptr);
    OdbcCall::Check(
        SQLSetEnvAttr(NewEnvironment->Get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
        *NewEnvironment, QString());
    QString NewDriver = OdbcConnectionString::ParamValue(AParams, QStringLiteral("ODBCDriver"));
    if (NewDriver.isEmpty())
        NewDriver = OdbcDrivers::Chosen(*NewEnvironment);
    const QString ConnectionString = OdbcConnectionString::Build(NewDriver, AParams);

    auto NewConnection = std::make_unique<OdbcHandle>(SQL_HANDLE_DBC, NewEnvironment.get());
    OdbcCall::Check(SQLSetConnectAttrW(NewConnection->Get(), SQL_ATTR_LOGIN_TIMEOUT,
                                       reinterpret_cast<SQLPOINTER>(SQLULEN(LoginTimeoutSeconds)), SQL_IS_UINTEGER),
                    *NewConnection, QString());
    auto NewSocket = std::make_shared<ConnectionSocket>();
    SQLSMALLINT OutLength = 0;
    OdbcCall::Check(SQLDriverConnectW(NewConnection->Get(), nullptr, OdbcCall::Wide(ConnectionString), SQL_NTS, nullptr,
                                      0, &OutLength, SQL_DRIVER_NOPROMPT),
                    *NewConnection, QString());
    NewConnection->SetConnected(true);
    NewSocket->Connected();

    Driver = NewDriver;
    DriverFile = OdbcCall::DriverFileName(*NewConnection);
    DbmsVersion = InfoText(*NewConnection, SQL_DBMS_VER);
    Environment = std::move(NewEnvironment);
    Connection = std::move(NewConnection);
    Wire = std::make_shared<OdbcWireOwner>();
    Socket = std::move(NewSocket);
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
    const int Major = DbmsVersion.section(QLatin1Char('.'), 0, 0).toInt();
    return OdbcConnectionString::IsNativeClientFamily(Driver) && Major >= 9;
}

std::unique_ptr<IDbStatement> TOdbcBackend::Prepare(const QString& ASql) {
    if (!Connection)
        throw EDbError(QStringLiteral("[Strata][Phys][ODBC] The connection is not open"));
    return std::make_unique<TOdbcStatement>(*Connection, Wire,
                                            OdbcStatementSettings{DriverFile, WideMemoAsMax(), Socket}, ASql);
}
