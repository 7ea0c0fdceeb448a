#include "OdbcClient.h"

#include <vector>

struct OdbcClient::Handle {
    SQLSMALLINT type;
    SQLHANDLE handle = SQL_NULL_HANDLE;
    Handle(SQLSMALLINT t, SQLHANDLE parent) : type(t) {
        if (!SQL_SUCCEEDED(SQLAllocHandle(t, parent, &handle)))
            throw OdbcError(QStringLiteral("SQLAllocHandle"), {});
    }
    ~Handle() { SQLFreeHandle(type, handle); }
};

namespace {

const SQLWCHAR* wide(const QString& text) {
    return reinterpret_cast<const SQLWCHAR*>(text.utf16());
}

QList<OdbcDiag> diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
    QList<OdbcDiag> records;
    for (SQLSMALLINT i = 1;; ++i) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLWCHAR text[4096] = {};
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(SQLGetDiagRecW(type, handle, i, state, &native, text, 4096, &length)))
            return records;
        records.append({QString::fromUtf16(reinterpret_cast<const char16_t*>(state), 5), int(native),
                        QString::fromUtf16(reinterpret_cast<const char16_t*>(text), length)});
    }
}

void check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const char* call) {
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA)
        throw OdbcError(QString::fromLatin1(call), diagnostics(type, handle));
}

QVariant fetchColumn(SQLHSTMT stmt, SQLUSMALLINT column, SQLSMALLINT sqlType) {
    SQLLEN indicator = 0;
    if (sqlType == SQL_INTEGER || sqlType == SQL_BIGINT || sqlType == SQL_SMALLINT || sqlType == SQL_TINYINT) {
        SQLBIGINT value = 0;
        check(SQLGetData(stmt, column, SQL_C_SBIGINT, &value, 0, &indicator), SQL_HANDLE_STMT, stmt, "SQLGetData");
        return indicator == SQL_NULL_DATA ? QVariant() : QVariant(qlonglong(value));
    }
    QString text;
    std::vector<SQLWCHAR> buffer(1024);
    for (;;) {
        const SQLRETURN rc =
            SQLGetData(stmt, column, SQL_C_WCHAR, buffer.data(), SQLLEN(buffer.size() * sizeof(SQLWCHAR)), &indicator);
        if (rc == SQL_NO_DATA)
            break;
        check(rc, SQL_HANDLE_STMT, stmt, "SQLGetData");
        if (indicator == SQL_NULL_DATA)
            return QVariant();
        const qsizetype room = qsizetype(buffer.size()) - 1;
        const qsizetype got = indicator == SQL_NO_TOTAL || indicator / 2 > room ? room : indicator / 2;
        text += QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer.data()), got);
        if (rc == SQL_SUCCESS)
            break;
    }
    return text;
}

} // namespace

OdbcError::OdbcError(const QString& call, QList<OdbcDiag> records)
    : std::runtime_error(
          (call + QStringLiteral(": ") + (records.isEmpty() ? QStringLiteral("no diagnostics") : records[0].message))
              .toStdString()),
      Records(std::move(records)) {}

OdbcClient::OdbcClient() {
    Env = std::make_unique<Handle>(SQL_HANDLE_ENV, nullptr);
    check(SQLSetEnvAttr(Env->handle, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
          SQL_HANDLE_ENV, Env->handle, "SQLSetEnvAttr");
}

OdbcClient::~OdbcClient() {
    disconnect();
}

void OdbcClient::connect(const QString& connectionString) {
    disconnect();
    Dbc = std::make_unique<Handle>(SQL_HANDLE_DBC, Env->handle);
    SQLWCHAR out[1024];
    SQLSMALLINT outLength = 0;
    const SQLRETURN rc = SQLDriverConnectW(Dbc->handle, nullptr, const_cast<SQLWCHAR*>(wide(connectionString)), SQL_NTS,
                                           out, 1024, &outLength, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
        const QList<OdbcDiag> records = diagnostics(SQL_HANDLE_DBC, Dbc->handle);
        Dbc.reset();
        throw OdbcError(QStringLiteral("SQLDriverConnect"), records);
    }
    Connected = true;
}

void OdbcClient::disconnect() {
    if (Connected)
        SQLDisconnect(Dbc->handle);
    Connected = false;
    Dbc.reset();
}

void OdbcClient::setAutocommit(bool on) {
    check(SQLSetConnectAttrW(Dbc->handle, SQL_ATTR_AUTOCOMMIT,
                             reinterpret_cast<SQLPOINTER>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF), 0),
          SQL_HANDLE_DBC, Dbc->handle, "SQLSetConnectAttr");
}

void OdbcClient::endTransaction(bool commit) {
    check(SQLEndTran(SQL_HANDLE_DBC, Dbc->handle, commit ? SQL_COMMIT : SQL_ROLLBACK), SQL_HANDLE_DBC, Dbc->handle,
          "SQLEndTran");
}

QString OdbcClient::info(SQLUSMALLINT infoType) {
    SQLWCHAR buffer[256] = {};
    SQLSMALLINT length = 0;
    check(SQLGetInfoW(Dbc->handle, infoType, buffer, sizeof buffer, &length), SQL_HANDLE_DBC, Dbc->handle,
          "SQLGetInfo");
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer), length / 2);
}

OdbcResult OdbcClient::execute(const QString& sql, const QList<OdbcParam>& params, bool prepared, int repeat) {
    if (!Connected)
        throw OdbcError(QStringLiteral("execute"), {{QStringLiteral("08003"), 0, QStringLiteral("not connected")}});
    Handle stmt(SQL_HANDLE_STMT, Dbc->handle);
    const SQLHSTMT h = stmt.handle;
    check(SQLSetStmtAttr(h, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(QueryTimeout), 0), SQL_HANDLE_STMT, h,
          "SQLSetStmtAttr");
    // Buffers the driver reads at execution time; they live as long as the statement.
    std::vector<QString> texts(params.size());
    std::vector<QByteArray> bytes(params.size());
    std::vector<SQLBIGINT> numbers(params.size());
    std::vector<SQLLEN> indicators(params.size());
    for (qsizetype i = 0; i < params.size(); ++i) {
        const OdbcParam& p = params[i];
        const auto n = SQLUSMALLINT(i + 1);
        if (p.sqlType == SQL_INTEGER || p.sqlType == SQL_BIGINT) {
            numbers[i] = p.value.toLongLong();
            indicators[i] = p.value.isNull() ? SQL_NULL_DATA : 0;
            check(
                SQLBindParameter(h, n, SQL_PARAM_INPUT, SQL_C_SBIGINT, p.sqlType, 0, 0, &numbers[i], 0, &indicators[i]),
                SQL_HANDLE_STMT, h, "SQLBindParameter");
            continue;
        }
        if (p.value.typeId() == QMetaType::QByteArray) {
            bytes[i] = p.value.toByteArray();
            indicators[i] = SQLLEN(bytes[i].size());
            check(SQLBindParameter(h, n, SQL_PARAM_INPUT, SQL_C_CHAR, p.sqlType,
                                   SQLULEN(qMax<qsizetype>(1, bytes[i].size())), 0, bytes[i].data(), indicators[i],
                                   &indicators[i]),
                  SQL_HANDLE_STMT, h, "SQLBindParameter");
            continue;
        }
        texts[i] = p.value.toString();
        indicators[i] = p.value.isNull() ? SQL_NULL_DATA : SQLLEN(texts[i].size() * sizeof(SQLWCHAR));
        const SQLULEN size = p.columnSize ? p.columnSize : SQLULEN(qMax<qsizetype>(1, texts[i].size()));
        check(SQLBindParameter(h, n, SQL_PARAM_INPUT, SQL_C_WCHAR, p.sqlType, size, 0,
                               const_cast<ushort*>(texts[i].utf16()), qMax<SQLLEN>(indicators[i], 0), &indicators[i]),
              SQL_HANDLE_STMT, h, "SQLBindParameter");
    }
    OdbcResult result;
    if (prepared)
        check(SQLPrepareW(h, const_cast<SQLWCHAR*>(wide(sql)), SQL_NTS), SQL_HANDLE_STMT, h, "SQLPrepare");
    for (int run = 0; run < repeat; ++run) {
        SQLCloseCursor(h);
        result = OdbcResult{};
        if (prepared)
            check(SQLExecute(h), SQL_HANDLE_STMT, h, "SQLExecute");
        else
            check(SQLExecDirectW(h, const_cast<SQLWCHAR*>(wide(sql)), SQL_NTS), SQL_HANDLE_STMT, h, "SQLExecDirect");
        check(SQLRowCount(h, &result.rowCount), SQL_HANDLE_STMT, h, "SQLRowCount");
        SQLSMALLINT columns = 0;
        check(SQLNumResultCols(h, &columns), SQL_HANDLE_STMT, h, "SQLNumResultCols");
        std::vector<SQLSMALLINT> types(columns);
        for (SQLUSMALLINT c = 1; c <= columns; ++c) {
            SQLWCHAR name[256] = {};
            SQLSMALLINT nameLength = 0, digits = 0, nullable = 0;
            SQLULEN size = 0;
            check(SQLDescribeColW(h, c, name, 256, &nameLength, &types[c - 1], &size, &digits, &nullable),
                  SQL_HANDLE_STMT, h, "SQLDescribeCol");
            result.columns << QString::fromUtf16(reinterpret_cast<const char16_t*>(name), nameLength);
            result.types << OdbcColumnType{types[c - 1], size, digits};
        }
        while (columns > 0) {
            const SQLRETURN rc = SQLFetch(h);
            if (rc == SQL_NO_DATA)
                break;
            check(rc, SQL_HANDLE_STMT, h, "SQLFetch");
            QVariantList row;
            for (SQLUSMALLINT c = 1; c <= columns; ++c)
                row << fetchColumn(h, c, types[c - 1]);
            result.rows << row;
        }
    }
    return result;
}
