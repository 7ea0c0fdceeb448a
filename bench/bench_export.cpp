// Export: storing marked coupons through SalvarCupomFiscalBD (one connect, insert, disconnect each, settings read
// from the settings file as the tool reads them) against a plain unixODBC loop doing the same connect, insert and
// disconnect against the same SQL Server stand-in. The stand-in must hold piece rows with the references
// BENCH-T-<n> and BENCH-R-<n> for n from 0 to COUNT-1.
//
//   bench_export SERVER USER PASSWORD DATABASE [COUNT]

#include "BenchSupport.h"

#include "retail/RetailStatements.h"
#include "retail/dZevrik.h"
#include "settings/uConfig.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <stdexcept>

namespace {

constexpr int BlockSize = 50;

QString SampleXml() {
    QString xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><nfeProc><NFe><infNFe>");
    for (int i = 0; xml.size() < 6000; ++i) {
        xml += QStringLiteral("<det nItem=\"%1\"><prod><xProd>Pão de queijo, açúcar e café nº %1</xProd>"
                              "<vProd>12.90</vProd></prod></det>")
                   .arg(i + 1);
    }
    return xml + QStringLiteral("</infNFe></NFe></nfeProc>");
}

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

/// The plain ODBC loop: what any program storing a note per coupon would do, with nothing of the tool's layer.
class RawInserter {
public:
    RawInserter(const QString& AConnectionString, const QString& AInsert)
        : ConnectionString(AConnectionString), Insert(AInsert) {
        Check(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &Env), SQL_HANDLE_ENV, Env);
        Check(SQLSetEnvAttr(Env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0), SQL_HANDLE_ENV,
              Env);
    }
    ~RawInserter() { SQLFreeHandle(SQL_HANDLE_ENV, Env); }

    void Store(const QByteArray& ARef, const QString& AXml) {
        SQLHDBC dbc = SQL_NULL_HANDLE;
        Check(SQLAllocHandle(SQL_HANDLE_DBC, Env, &dbc), SQL_HANDLE_ENV, Env);
        Check(
            SQLDriverConnectW(dbc, nullptr, Wide(ConnectionString), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT),
            SQL_HANDLE_DBC, dbc);
        SQLHSTMT stmt = SQL_NULL_HANDLE;
        Check(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt), SQL_HANDLE_DBC, dbc);
        Check(SQLPrepareW(stmt, Wide(Insert), SQL_NTS), SQL_HANDLE_STMT, stmt);
        QByteArray qualifier("PRR");
        SQLLEN qualifierLength = qualifier.size();
        SQLLEN xmlLength = AXml.size() * SQLLEN(sizeof(SQLWCHAR));
        SQLLEN refLength = ARef.size();
        Check(SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 3, 0, qualifier.data(), 0,
                               &qualifierLength),
              SQL_HANDLE_STMT, stmt);
        Check(SQLBindParameter(stmt, 2, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WLONGVARCHAR, SQLULEN(AXml.size()), 0,
                               const_cast<ushort*>(AXml.utf16()), 0, &xmlLength),
              SQL_HANDLE_STMT, stmt);
        Check(SQLBindParameter(stmt, 3, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, SQLULEN(ARef.size()), 0,
                               const_cast<char*>(ARef.constData()), 0, &refLength),
              SQL_HANDLE_STMT, stmt);
        Check(SQLExecute(stmt), SQL_HANDLE_STMT, stmt);
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        SQLDisconnect(dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    }

private:
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

int Run(const QStringList& AArgs) {
    if (AArgs.size() < 5) {
        throw std::runtime_error("usage: bench_export SERVER USER PASSWORD DATABASE [COUNT]");
    }
    const int count = AArgs.value(5, QStringLiteral("1000")).toInt();
    QTemporaryDir folder;
    TConfigZEVRIK settings(folder.filePath(QStringLiteral("ExportarDFe.ini")));
    settings.SetServidor(AArgs[1]);
    settings.SetBancoDados(AArgs[4]);
    settings.SetUsuario(AArgs[2]);
    settings.SetSenha(AArgs[3]);
    ConfigIni = &settings;
    TdtmZEVRIK module;
    dtmZEVRIK = &module;
    RawInserter raw(QStringLiteral("DRIVER=FreeTDS;UID=%1;PWD=%2;Server=%3;Database=%4")
                        .arg(AArgs[2], AArgs[3], AArgs[1], AArgs[4]),
                    PositionalInsert());
    const QString xml = SampleXml();

    QList<double> tool;
    QList<double> plain;
    qint64 stored = 0;
    for (int first = 0; first < count; first += BlockSize) {
        const int last = qMin(count, first + BlockSize);
        tool << Bench::TimeMs([&] {
            for (int n = first; n < last; ++n) {
                stored += module.SalvarCupomFiscalBD(QStringLiteral("BENCH-T-%1").arg(n), xml);
            }
        });
        plain << Bench::TimeMs([&] {
            for (int n = first; n < last; ++n) {
                raw.Store(QStringLiteral("BENCH-R-%1").arg(n).toLatin1(), xml);
            }
        });
    }
    if (stored != count) {
        throw std::runtime_error(
            QStringLiteral("the tool stored %1 of %2 coupons").arg(stored).arg(count).toStdString());
    }
    double toolMs = 0;
    double plainMs = 0;
    for (int i = 0; i < tool.size(); ++i) {
        toolMs += tool[i];
        plainMs += plain[i];
    }
    Bench::PrintRow(QStringLiteral("export"), QString::number(count), toolMs, plainMs, QStringLiteral("ms"), 1.15);
    dtmZEVRIK = nullptr;
    ConfigIni = nullptr;
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    try {
        return Run(application.arguments());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_export: %s\n", error.what());
        return 1;
    }
}
