#include "RawInserter.h"

#include "retail/RetailStatements.h"

#include <sqlext.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace {

/// The longest reference the bound buffer takes (GP_REFINTERNE is varchar(35)).
constexpr SQLULEN RefSize = 35;

void Check(SQLRETURN AResult, SQLSMALLINT AType, SQLHANDLE AHandle) {
    if (SQL_SUCCEEDED(AResult)) {
        return;
    }
    SQLWCHAR state[6] = {};
    SQLWCHAR text[1024] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLGetDiagRecW(AType, AHandle, 1, state, &native, text, 1024, &length);
    throw std::runtime_error(QString::fromUtf16(reinterpret_cast<const char16_t*>(text), length).toStdString());
}

SQLWCHAR* Wide(const QString& AText) {
    return reinterpret_cast<SQLWCHAR*>(const_cast<ushort*>(AText.utf16()));
}

} // namespace

/// One connection, the insert prepared on it and its parameters bound once to buffers of its own.
class RawInserter::Session {
public:
    Session(const RawInserter& AOwner, const QString& AXml) : Xml(AXml) {
        Check(SQLAllocHandle(SQL_HANDLE_DBC, AOwner.Env, &Dbc), SQL_HANDLE_ENV, AOwner.Env);
        Check(SQLDriverConnectW(Dbc, nullptr, Wide(AOwner.ConnectionString), SQL_NTS, nullptr, 0, nullptr,
                                SQL_DRIVER_NOPROMPT),
              SQL_HANDLE_DBC, Dbc);
        Check(SQLAllocHandle(SQL_HANDLE_STMT, Dbc, &Stmt), SQL_HANDLE_DBC, Dbc);
        Check(SQLPrepareW(Stmt, Wide(AOwner.Insert), SQL_NTS), SQL_HANDLE_STMT, Stmt);
        XmlLength = Xml.size() * SQLLEN(sizeof(SQLWCHAR));
        Check(SQLBindParameter(Stmt, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 3, 0, Qualifier, 0, &QualifierLength),
              SQL_HANDLE_STMT, Stmt);
        Check(SQLBindParameter(Stmt, 2, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WLONGVARCHAR, SQLULEN(Xml.size()), 0,
                               Wide(Xml), XmlLength, &XmlLength),
              SQL_HANDLE_STMT, Stmt);
        Check(SQLBindParameter(Stmt, 3, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, RefSize, 0, Ref.data(),
                               SQLLEN(Ref.size()), &RefLength),
              SQL_HANDLE_STMT, Stmt);
    }
    ~Session() {
        SQLFreeHandle(SQL_HANDLE_STMT, Stmt);
        SQLDisconnect(Dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, Dbc);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    qint64 Execute(const QByteArray& ARef) {
        RefLength = SQLLEN(std::min<std::size_t>(std::size_t(ARef.size()), Ref.size()));
        std::copy_n(ARef.constData(), RefLength, Ref.data());
        Check(SQLExecute(Stmt), SQL_HANDLE_STMT, Stmt);
        SQLLEN rows = 0;
        Check(SQLRowCount(Stmt, &rows), SQL_HANDLE_STMT, Stmt);
        Check(SQLFreeStmt(Stmt, SQL_CLOSE), SQL_HANDLE_STMT, Stmt);
        return rows;
    }

private:
    SQLHDBC Dbc = SQL_NULL_HANDLE;
    SQLHSTMT Stmt = SQL_NULL_HANDLE;
    char Qualifier[4] = "PRR";
    SQLLEN QualifierLength = 3;
    QString Xml;
    SQLLEN XmlLength = 0;
    std::vector<char> Ref = std::vector<char>(RefSize);
    SQLLEN RefLength = 0;
};

RawInserter::RawInserter(const QString& AConnectionString, const QString& AInsert)
    : ConnectionString(AConnectionString), Insert(AInsert) {
    Check(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &Env), SQL_HANDLE_ENV, Env);
    Check(SQLSetEnvAttr(Env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0), SQL_HANDLE_ENV,
          Env);
}

RawInserter::~RawInserter() {
    SQLFreeHandle(SQL_HANDLE_ENV, Env);
}

qint64 RawInserter::Store(const QStringList& ARefs, const QString& AXml, bool AHold) {
    qint64 stored = 0;
    if (AHold) {
        Session session(*this, AXml);
        for (const QString& ref : ARefs) {
            stored += session.Execute(ref.toLatin1());
        }
    } else {
        for (const QString& ref : ARefs) {
            Session session(*this, AXml);
            stored += session.Execute(ref.toLatin1());
        }
    }
    return stored;
}

QString PositionalInsert() {
    QString text = RetailStatements::InsertCupomFiscal;
    for (const char* marker : {":MBP_QUALIFIANTOLE", ":MBP_BLOCNOTE", ":GP_REFINTERNE"}) {
        text.replace(QLatin1String(marker), QStringLiteral("?"));
    }
    return text;
}

QStringList Refs(const char* ASide, int AFirst, int ALast) {
    QStringList refs;
    for (int n = AFirst; n < ALast; ++n) {
        refs << QStringLiteral("BENCH-%1-%2").arg(QLatin1String(ASide)).arg(n);
    }
    return refs;
}
