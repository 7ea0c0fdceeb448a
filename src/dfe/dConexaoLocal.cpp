#include "dfe/dConexaoLocal.h"

#include "data/TDbConnection.h"
#include "data/TDbFieldDef.h"
#include "data/TDbQuery.h"
#include "data/TDbTransaction.h"
#include "data/sqlite/SQLiteBackend.h"

TdtmConexaoLocal* dtmConexaoLocal = nullptr;

TdtmConexaoLocal::TdtmConexaoLocal(QObject* AParent) : QObject(AParent) {
    setObjectName(QStringLiteral("dtmConexaoLocal"));
    RegisterSQLiteBackend();

    sqlConexaoLocal = new TDbConnection(this);
    sqlConexaoLocal->setObjectName(QStringLiteral("sqlConexaoLocal"));
    TranscPrincipal = new TDbTransaction(this);
    TranscPrincipal->setObjectName(QStringLiteral("TranscPrincipal"));
    TransacUpdate = new TDbTransaction(this);
    TransacUpdate->setObjectName(QStringLiteral("TransacUpdate"));
    sqlConexaoLocal->Transaction = TranscPrincipal;
    sqlConexaoLocal->UpdateTransaction = TransacUpdate;

    qryDocumentosEmitidos = new TDbQuery(sqlConexaoLocal, this);
    qryDocumentosEmitidos->setObjectName(QStringLiteral("qryDocumentosEmitidos"));
    qryDocumentosEmitidos->SetSQLText(QStringLiteral("select * from tb_nfce"));
    DeclararCampos();
}

TdtmConexaoLocal::~TdtmConexaoLocal() {
    // The list must close before the connection that feeds it goes away.
    Desconectar();
}

void TdtmConexaoLocal::Conectar(const QString& APathArquivo) {
    sqlConexaoLocal->Close();
    sqlConexaoLocal->Params.clear();
    sqlConexaoLocal->Params.append(QStringLiteral("DriverID=SQLite"));
    sqlConexaoLocal->Params.append(QStringLiteral("Database=") + APathArquivo);
    sqlConexaoLocal->Open();
}

void TdtmConexaoLocal::Desconectar() {
    sqlConexaoLocal->Close();
}

void TdtmConexaoLocal::DeclararCampos() {
    using K = TDbFieldKind;
    const TDbFieldDef campos[] = {
        {QStringLiteral("ID_ZEVRIK"), K::String, 50, 0, 0},
        {QStringLiteral("ENVIO_MANUAL"), K::FixedChar, 1, 0, 0},
        {QStringLiteral("CANCELADO"), K::FixedChar, 1, 0, 0},
        {QStringLiteral("SERIE"), K::Integer, 0, 0, 0},
        {QStringLiteral("NUMERO"), K::Integer, 0, 0, 0},
        {QStringLiteral("DTHR_EMISSAO"), K::SQLTimeStamp, 0, 0, 0},
        {QStringLiteral("CHAVE_NFE"), K::String, 50, 0, 0},
        {QStringLiteral("CSTAT"), K::Integer, 0, 0, 0},
        {QStringLiteral("XMOTIVO"), K::String, 255, 0, 0},
        {QStringLiteral("CMSG"), K::Integer, 0, 0, 0},
        {QStringLiteral("XMSG"), K::String, 255, 0, 0},
        {QStringLiteral("NPROT"), K::String, 15, 0, 0},
        {QStringLiteral("DHRECBTO"), K::SQLTimeStamp, 0, 0, 0},
        // The grid shows only whether the XML is there, and the export reads XML_ZEVRIK of the marked rows alone:
        // the list keeps none of their bytes. They are read again when asked for, and are the bytes listed, since
        // the list holds the file's lock while it is open.
        {QStringLiteral("XML_ZEVRIK"), K::Blob, 0, 0, 0, true},
        {QStringLiteral("XML_NFCE"), K::Blob, 0, 0, 0, true},
        {QStringLiteral("XML_CANCELAMENTO"), K::Blob, 0, 0, 0, true},
        {QStringLiteral("VALOR_DOCUMENTO"), K::BCD, 0, 10, 2},
    };
    for (const TDbFieldDef& campo : campos) {
        qryDocumentosEmitidos->AddFieldDef(campo);
    }
}
