// Export: the tool's export run (TExportacaoDocumentos over marked rows of a DFe data file, storing through
// SalvarCupomFiscalBD on the one connection of the run, settings read from the settings file as the tool reads them)
// against two plain unixODBC loops on the same SQL Server stand-in: one that connects, prepares, inserts and
// disconnects per coupon, and one that holds one connection and one prepared statement for the run. The runs are
// blocks of 50 coupons, alternating. The stand-in must hold piece rows with the references BENCH-T-<n>, BENCH-R-<n>
// and BENCH-H-<n> for n from 0 to COUNT-1; the DFe data file at least COUNT coupons (their ID_ZEVRIK are set to
// BENCH-T-<n> here).
//
//   bench_export SERVER USER PASSWORD DATABASE DFEFILE [COUNT]

#include "BenchSupport.h"

#include "data/TDbQuery.h"
#include "dfe/TFiltroDocumentos.h"
#include "dfe/dConexaoLocal.h"
#include "export/TExportacaoDocumentos.h"
#include "retail/RetailStatements.h"
#include "retail/dZevrik.h"
#include "settings/uConfig.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

#include <climits>
#include <cstdio>
#include <stdexcept>

namespace {

constexpr int BlockSize = 50;

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

/// The plain ODBC loops: what any program storing a note per coupon would do, with nothing of the tool's layer.
class RawInserter {
public:
    RawInserter(const QString& AConnectionString, const QString& AInsert)
        : ConnectionString(AConnectionString), Insert(AInsert) {
        Check(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &Env), SQL_HANDLE_ENV, Env);
        Check(SQLSetEnvAttr(Env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0), SQL_HANDLE_ENV,
              Env);
    }
    ~RawInserter() { SQLFreeHandle(SQL_HANDLE_ENV, Env); }

    /// Connects, prepares, inserts each coupon and disconnects: once for all of them with AHold, else per coupon.
    /// Returns the rows inserted.
    qint64 Store(const QStringList& ARefs, const QString& AXml, bool AHold) {
        qint64 stored = 0;
        if (AHold) {
            Session session(*this);
            for (const QString& ref : ARefs) {
                stored += session.Execute(ref.toLatin1(), AXml);
            }
        } else {
            for (const QString& ref : ARefs) {
                Session session(*this);
                stored += session.Execute(ref.toLatin1(), AXml);
            }
        }
        return stored;
    }

private:
    /// One connection and the insert prepared on it.
    class Session {
    public:
        explicit Session(const RawInserter& AOwner) {
            Check(SQLAllocHandle(SQL_HANDLE_DBC, AOwner.Env, &Dbc), SQL_HANDLE_ENV, AOwner.Env);
            Check(SQLDriverConnectW(Dbc, nullptr, Wide(AOwner.ConnectionString), SQL_NTS, nullptr, 0, nullptr,
                                    SQL_DRIVER_NOPROMPT),
                  SQL_HANDLE_DBC, Dbc);
            Check(SQLAllocHandle(SQL_HANDLE_STMT, Dbc, &Stmt), SQL_HANDLE_DBC, Dbc);
            Check(SQLPrepareW(Stmt, Wide(AOwner.Insert), SQL_NTS), SQL_HANDLE_STMT, Stmt);
        }
        ~Session() {
            SQLFreeHandle(SQL_HANDLE_STMT, Stmt);
            SQLDisconnect(Dbc);
            SQLFreeHandle(SQL_HANDLE_DBC, Dbc);
        }
        Session(const Session&) = delete;
        Session& operator=(const Session&) = delete;

        qint64 Execute(const QByteArray& ARef, const QString& AXml) {
            QByteArray qualifier("PRR");
            SQLLEN qualifierLength = qualifier.size();
            SQLLEN xmlLength = AXml.size() * SQLLEN(sizeof(SQLWCHAR));
            SQLLEN refLength = ARef.size();
            Check(SQLBindParameter(Stmt, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 3, 0, qualifier.data(), 0,
                                   &qualifierLength),
                  SQL_HANDLE_STMT, Stmt);
            Check(SQLBindParameter(Stmt, 2, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WLONGVARCHAR, SQLULEN(AXml.size()), 0,
                                   const_cast<ushort*>(AXml.utf16()), 0, &xmlLength),
                  SQL_HANDLE_STMT, Stmt);
            Check(SQLBindParameter(Stmt, 3, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, SQLULEN(ARef.size()), 0,
                                   const_cast<char*>(ARef.constData()), 0, &refLength),
                  SQL_HANDLE_STMT, Stmt);
            Check(SQLExecute(Stmt), SQL_HANDLE_STMT, Stmt);
            SQLLEN rows = 0;
            Check(SQLRowCount(Stmt, &rows), SQL_HANDLE_STMT, Stmt);
            Check(SQLFreeStmt(Stmt, SQL_CLOSE), SQL_HANDLE_STMT, Stmt);
            return rows;
        }

    private:
        SQLHDBC Dbc = SQL_NULL_HANDLE;
        SQLHSTMT Stmt = SQL_NULL_HANDLE;
    };

    static SQLWCHAR* Wide(const QString& AText) {
        return reinterpret_cast<SQLWCHAR*>(const_cast<ushort*>(AText.utf16()));
    }

    QString ConnectionString;
    QString Insert;
    SQLHENV Env = SQL_NULL_HANDLE;
};

/// The insert statement with its named markers turned into ODBC's positional ones.
QString PositionalInsert() {
    QString text = RetailStatements::InsertCupomFiscal;
    for (const char* marker : {":MBP_QUALIFIANTOLE", ":MBP_BLOCNOTE", ":GP_REFINTERNE"}) {
        text.replace(QLatin1String(marker), QStringLiteral("?"));
    }
    return text;
}

/// Gives the first ACount coupons of the DFe data file the references BENCH-T-0, BENCH-T-1, ... in row order.
void NumberCoupons(const QString& AFile, int ACount) {
    sqlite3* db = nullptr;
    const int opened = sqlite3_open_v2(AFile.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    const QByteArray sql = QStringLiteral("UPDATE tb_nfce SET ID_ZEVRIK = 'BENCH-T-' || (rowid - 1) "
                                          "WHERE rowid <= %1")
                               .arg(ACount)
                               .toUtf8();
    const bool done = opened == SQLITE_OK &&
                      sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK &&
                      sqlite3_changes(db) == ACount;
    const std::string message = sqlite3_errmsg(db);
    sqlite3_close(db);
    if (!done) {
        throw std::runtime_error("the DFe data file cannot take the benchmark's references: " + message);
    }
}

QStringList Refs(const char* ASide, int AFirst, int ALast) {
    QStringList refs;
    for (int n = AFirst; n < ALast; ++n) {
        refs << QStringLiteral("BENCH-%1-%2").arg(QLatin1String(ASide)).arg(n);
    }
    return refs;
}

int Run(const QStringList& AArgs) {
    if (AArgs.size() < 6) {
        throw std::runtime_error("usage: bench_export SERVER USER PASSWORD DATABASE DFEFILE [COUNT]");
    }
    const int count = AArgs.value(6, QStringLiteral("1000")).toInt();
    QTemporaryDir folder;
    TConfigZEVRIK settings(folder.filePath(QStringLiteral("ExportarDFe.ini")));
    settings.SetServidor(AArgs[1]);
    settings.SetBancoDados(AArgs[4]);
    settings.SetUsuario(AArgs[2]);
    settings.SetSenha(AArgs[3]);
    ConfigIni = &settings;
    TdtmZEVRIK retail;
    dtmZEVRIK = &retail;
    TdtmConexaoLocal local;
    dtmConexaoLocal = &local;

    NumberCoupons(AArgs[5], count);
    TFiltroDocumentos::Executar(AArgs[5], QDate(2000, 1, 1), QDate(2099, 12, 31), false);
    TDbQuery& documents = *local.qryDocumentosEmitidos;
    documents.MoveTo(INT_MAX);
    if (documents.FetchedRowCount() < count) {
        throw std::runtime_error("the DFe data file holds too few coupons");
    }
    // The raw loops store the same text the tool reads, so all three send the same bytes.
    const QString xml = documents.FieldByName(QStringLiteral("XML_ZEVRIK")).AsString();
    RawInserter raw(QStringLiteral("DRIVER=FreeTDS;UID=%1;PWD=%2;Server=%3;Database=%4")
                        .arg(AArgs[2], AArgs[3], AArgs[1], AArgs[4]),
                    PositionalInsert());

    double toolMs = 0;
    double perCouponMs = 0;
    double heldMs = 0;
    qint64 stored[3] = {};
    for (int first = 0, block = 0; first < count; first += BlockSize, ++block) {
        const int last = qMin(count, first + BlockSize);
        QList<TDbBookmark> marks;
        for (int row = first; row < last; ++row) {
            marks << documents.BookmarkAt(row);
        }
        const auto tool = [&] {
            TExportacaoDocumentos run(documents, marks, [&](const QString& ARef, const QString& AXml) {
                const qint64 rows = retail.SalvarCupomFiscalBD(ARef, AXml);
                stored[0] += rows;
                return rows;
            });
            retail.ExecutarComConexaoMantida([&] { run.Executar([](int) {}); });
        };
        const auto perCoupon = [&] { stored[1] += raw.Store(Refs("R", first, last), xml, false); };
        const auto held = [&] { stored[2] += raw.Store(Refs("H", first, last), xml, true); };
        // Each of the three goes first in turn.
        const std::function<void()> order[3] = {tool, perCoupon, held};
        double* const times[3] = {&toolMs, &perCouponMs, &heldMs};
        for (int i = 0; i < 3; ++i) {
            const int which = (block + i) % 3;
            *times[which] += Bench::TimeMs(order[which]);
        }
    }
    for (const qint64 rows : stored) {
        if (rows != count) {
            throw std::runtime_error(
                QStringLiteral("a side stored %1 of %2 coupons").arg(rows).arg(count).toStdString());
        }
    }
    Bench::PrintRow(QStringLiteral("export vs one held connection"), QString::number(count), toolMs, heldMs,
                    QStringLiteral("ms"), 1.15);
    Bench::PrintRow(QStringLiteral("export vs connect per coupon"), QString::number(count), toolMs, perCouponMs,
                    QStringLiteral("ms"), 1.15);
    local.Desconectar();
    dtmConexaoLocal = nullptr;
    dtmZEVRIK = nullptr;
    ConfigIni = nullptr;
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    Bench::KeepFreedMemory();
    QCoreApplication application(argc, argv);
    try {
        return Run(application.arguments());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_export: %s\n", error.what());
        return 1;
    }
}
