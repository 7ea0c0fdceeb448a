#pragma once

#include "data/TDbConnection.h"
#include "data/TDbField.h"
#include "data/TDbQuery.h"
#include "data/TDbTransaction.h"

#include <QChar>
#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>

class IItemList;

/// The four KVORA connection settings as saved.
struct TConfiguracaoConexao {
    QString Servidor;
    QString BancoDados;
    QString Usuario;
    QString Senha;
};

/// Retail data module: the KVORA connection and every statement run there. Each operation opens the connection
/// with the saved settings at its start and closes it at its end, also on failure. UI thread only.
class TdtmZEVRIK : public QObject {
    Q_OBJECT
public:
    /// Makes the MSSQL back end available; the connection stays closed.
    explicit TdtmZEVRIK(QObject* AParent = nullptr);
    ~TdtmZEVRIK() override;

    // Declared in this order so that the row set goes before its connection.
    TDbConnection sqlConexao;
    TDbTransaction sqlTransacao;
    /// "select ET_ETABLISSEMENT from ETABLISS" with the declared field ET_ETABLISSEMENT (Unicode text of size 6).
    TDbQuery qryLojas;
    /// The declared field of qryLojas in the current row.
    TDbField qryLojasET_ETABLISSEMENT() const;

    /// Opens sqlConexao with the four values as given (untrimmed, unescaped). A failed open raises EDbError
    /// "Ocorreu o seguinte erro ao conectar a base de dados "<server> - <database>": " CR CR <the error's message>.
    void Conectar(const QString& AServidor, const QString& ABancoDados, const QString& AUsuario, const QString& ASenha);
    /// Checks the four saved settings (server, database, user, password; blanks and control characters at the ends
    /// ignored) and connects with them untrimmed. A missing one raises EDbError with its message; nothing is opened.
    void Conectar();
    /// Where Conectar() reads the saved settings, anew at every call; handed over by the program. Without it every
    /// setting reads as missing.
    std::function<TConfiguracaoConexao()> LerConfiguracao;
    /// Closes sqlConexao; nothing when closed.
    void Desconectar();

    /// The references of the documents still without a note, as "('A1','B''2')", ready to follow IN; empty when
    /// there are none. A reference holding U+0000 is left out.
    QString GetRefInternSemMpieceOle();
    /// Stores the coupon's XML as the note row of each document with the reference that has none yet.
    /// Returns the number of rows stored: 0 when no document matched or all already had a note; -1 when the server
    /// reports no count (SET NOCOUNT ON). Inside ExecutarComConexaoMantida it runs on that operation's connection
    /// instead of one of its own, with the insert prepared once for all its calls; when that connection turns out
    /// lost before the insert reached the server, a new one is opened and the insert sent once more.
    qint64 SalvarCupomFiscalBD(const QString& ARefInterna, const QString& AXML);
    /// Runs AWork as one retail operation for a series of SalvarCupomFiscalBD calls (an export run): the first call
    /// connects and prepares the insert, the later ones use both, and the connection is closed (the insert freed
    /// first) when AWork ends, also on failure.
    void ExecutarComConexaoMantida(const std::function<void()>& AWork);

    bool IsValidStore(const QString& AIdLoja);
    /// Replaces the items with every store id. Never fails: on any error the list keeps what it held before the
    /// error (its previous items when connecting or opening failed, the ids added so far when the walk failed).
    void PopularComboBox(IItemList& AComboBox);
    /// Whether a Z reduction of the store for the day of ADataMovimento is stored; the day is compared as
    /// "dd/mm/yyyy" text with the date separator.
    bool IsReducaoZSalva(const QString& AIdLoja, const QDateTime& ADataMovimento);
    /// Stores a Z reduction under the store's next number above 9000000.
    void SalvarReducaoZBD(const QString& AIdLoja, const QString& AXML);

    /// The date separator IsReducaoZSalva uses; the system's regional one from creation on.
    QChar SeparadorData() const { return Separador; }
    void SetSeparadorData(QChar ASeparador) { Separador = ASeparador; }

private:
    /// Runs AWork on the open connection and disconnects afterwards, also when it fails.
    template <typename TWork> auto ExecutarEDesconectar(TWork&& AWork) -> decltype(AWork());

    QChar Separador;
    bool ConexaoMantida = false;
};

/// The single instance, alive from start-up to exit; null outside that span.
extern TdtmZEVRIK* dtmZEVRIK;
