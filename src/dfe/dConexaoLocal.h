#pragma once

#include <QObject>
#include <QString>

class TDbConnection;
class TDbQuery;
class TDbTransaction;

/// DFe data module: the connection to one DFe data file and its document list. The file is only ever read.
/// UI thread only.
class TdtmConexaoLocal : public QObject {
    Q_OBJECT
public:
    explicit TdtmConexaoLocal(QObject* AParent = nullptr);
    ~TdtmConexaoLocal() override;

    /// Closes the connection (and with it the document list), replaces its parameters with the SQLite driver and
    /// APathArquivo unchanged, and opens it. An empty path opens a private in-memory database; a path naming no
    /// file leaves a new, empty file there. Engine errors reach the caller.
    void Conectar(const QString& APathArquivo);
    /// Closes the connection and the document list; nothing when already closed.
    void Desconectar();

    // Owned through Qt parenthood; alive as long as the module.
    TDbConnection* sqlConexaoLocal = nullptr;
    TDbTransaction* TranscPrincipal = nullptr;
    TDbTransaction* TransacUpdate = nullptr;
    /// The document list: always exactly the seventeen declared fields, from ID_ZEVRIK to VALOR_DOCUMENTO.
    TDbQuery* qryDocumentosEmitidos = nullptr;

private:
    void DeclararCampos();
};

/// The single instance, alive from start-up to exit; null outside that span.
extern TdtmConexaoLocal* dtmConexaoLocal;
