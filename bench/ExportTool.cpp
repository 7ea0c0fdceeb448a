#include "ExportTool.h"

#include "data/TDbField.h"
#include "data/TDbQuery.h"
#include "dfe/TFiltroDocumentos.h"
#include "export/TExportacaoDocumentos.h"

#include <sqlite3.h>

#include <climits>
#include <stdexcept>

namespace {

/// Gives the first ACount coupons of the DFe data file the references BENCH-T-<AFirstRef>, ... in row order.
void NumberCoupons(const QString& AFile, int ACount, int AFirstRef) {
    sqlite3* db = nullptr;
    const int opened = sqlite3_open_v2(AFile.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    const QByteArray sql = QStringLiteral("UPDATE tb_nfce SET ID_ZEVRIK = 'BENCH-T-' || (rowid - 1 + %2) "
                                          "WHERE rowid <= %1")
                               .arg(ACount)
                               .arg(AFirstRef)
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

} // namespace

ExportTool::ExportTool(const QString& AServer, const QString& AUser, const QString& APassword, const QString& ADatabase,
                       const QString& ADfeFile, int ACount, int AFirstRef)
    : Settings(Folder.filePath(QStringLiteral("ExportarDFe.ini"))) {
    Settings.SetServidor(AServer);
    Settings.SetBancoDados(ADatabase);
    Settings.SetUsuario(AUser);
    Settings.SetSenha(APassword);
    ConfigIni = &Settings;
    dtmZEVRIK = &Retail;
    Retail.LerConfiguracao = [this] {
        return TConfiguracaoConexao{Settings.GetServidor(), Settings.GetBancoDados(), Settings.GetUsuario(),
                                    Settings.GetSenha()};
    };
    dtmConexaoLocal = &Local;

    NumberCoupons(ADfeFile, ACount, AFirstRef);
    TFiltroDocumentos::Executar(ADfeFile, QDate(2000, 1, 1), QDate(2099, 12, 31));
    TDbQuery& documents = *Local.qryDocumentosEmitidos;
    documents.MoveTo(INT_MAX);
    if (documents.FetchedRowCount() < ACount) {
        throw std::runtime_error("the DFe data file holds too few coupons");
    }
}

ExportTool::~ExportTool() {
    Local.Desconectar();
    dtmConexaoLocal = nullptr;
    dtmZEVRIK = nullptr;
    ConfigIni = nullptr;
}

qint64 ExportTool::Export(int AFirst, int ALast) {
    TDbQuery& documents = *Local.qryDocumentosEmitidos;
    QList<TDbBookmark> marks;
    for (int row = AFirst; row < ALast; ++row) {
        marks << documents.BookmarkAt(row);
    }
    qint64 stored = 0;
    TExportacaoDocumentos run(documents, marks, [&](const QString& ARef, const QString& AXml) {
        const qint64 rows = Retail.SalvarCupomFiscalBD(ARef, AXml);
        stored += rows;
        return rows;
    });
    Retail.ExecutarComConexaoMantida([&] { run.Executar([](int) {}); });
    return stored;
}

QString ExportTool::FirstXml() {
    TDbQuery& documents = *Local.qryDocumentosEmitidos;
    documents.GotoBookmark(documents.BookmarkAt(0));
    return documents.FieldByName(QStringLiteral("XML_ZEVRIK")).AsString();
}
