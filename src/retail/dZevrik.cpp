#include "retail/dZevrik.h"

#include "data/TDbErrors.h"
#include "data/TDbParams.h"
#include "data/odbc/MSSQLBackend.h"
#include "platform/BlankTrim.h"
#include "platform/TryFinally.h"
#include "retail/DataMovimento.h"
#include "retail/IItemList.h"
#include "retail/RetailStatements.h"

#include <memory>

TdtmZEVRIK* dtmZEVRIK = nullptr;

namespace {

void ExigirConfigurado(const QString& AValor, const QString& AMensagem) {
    if (BlankTrim::IsBlank(AValor)) {
        throw EDbError(AMensagem);
    }
}

QString ErroAoConectar(const QString& AServidor, const QString& ABancoDados, const QString& AMensagem) {
    return QStringLiteral("Ocorreu o seguinte erro ao conectar a base de dados ") + u'"' + AServidor +
           QStringLiteral(" - ") + ABancoDados + u'"' + QStringLiteral(": ") + QStringLiteral("\r\r") + AMensagem;
}

bool MaiorQueZero(const QVariant& AValor) {
    return AValor.toLongLong() > 0;
}

} // namespace

TdtmZEVRIK::TdtmZEVRIK(QObject* AParent) : QObject(AParent), qryLojas(&sqlConexao), Separador(SeparadorDataSistema()) {
    setObjectName(QStringLiteral("dtmZEVRIK"));
    RegisterMSSQLBackend();

    sqlConexao.setObjectName(QStringLiteral("sqlConexao"));
    sqlConexao.Transaction = &sqlTransacao;
    sqlTransacao.setObjectName(QStringLiteral("sqlTransacao"));

    qryLojas.setObjectName(QStringLiteral("qryLojas"));
    qryLojas.SetSQLText(RetailStatements::Lojas);
    qryLojas.AddFieldDef({QStringLiteral("ET_ETABLISSEMENT"), TDbFieldKind::WideString, 6});
}

TdtmZEVRIK::~TdtmZEVRIK() = default;

TDbField TdtmZEVRIK::qryLojasET_ETABLISSEMENT() const {
    return qryLojas.FieldByName(QStringLiteral("ET_ETABLISSEMENT"));
}

void TdtmZEVRIK::Conectar(const QString& AServidor, const QString& ABancoDados, const QString& AUsuario,
                          const QString& ASenha) {
    sqlConexao.Close();
    sqlConexao.Params.clear();
    sqlConexao.Params << QStringLiteral("DriverID=MSSQL") << QStringLiteral("Server=") + AServidor
                      << QStringLiteral("Database=") + ABancoDados << QStringLiteral("User_Name=") + AUsuario
                      << QStringLiteral("Password=") + ASenha;
    // The caught error is not kept: only its message travels on, under the server and database it concerns.
    try {
        sqlConexao.Open();
    } catch (const EDbError& erro) {
        throw EDbError(ErroAoConectar(AServidor, ABancoDados, erro.message()));
    } catch (const std::exception& erro) {
        throw EDbError(ErroAoConectar(AServidor, ABancoDados, QString::fromUtf8(erro.what())));
    }
}

void TdtmZEVRIK::Conectar() {
    const TConfiguracaoConexao configuracao = LerConfiguracao ? LerConfiguracao() : TConfiguracaoConexao();
    ExigirConfigurado(configuracao.Servidor, QStringLiteral("Servidor de banco de dados não foi configurado!"));
    ExigirConfigurado(configuracao.BancoDados, QStringLiteral("Nome do banco de dados não foi configurado!"));
    ExigirConfigurado(configuracao.Usuario, QStringLiteral("Usuário do banco de dados não foi configurado!"));
    ExigirConfigurado(configuracao.Senha, QStringLiteral("Senha do banco de dados não foi configurada!"));
    Conectar(configuracao.Servidor, configuracao.BancoDados, configuracao.Usuario, configuracao.Senha);
}

void TdtmZEVRIK::Desconectar() {
    sqlConexao.Close();
}

template <typename TWork> auto TdtmZEVRIK::ExecutarEDesconectar(TWork&& AWork) -> decltype(AWork()) {
    return TryFinally(std::forward<TWork>(AWork), [this] { Desconectar(); });
}

QString TdtmZEVRIK::GetRefInternSemMpieceOle() {
    QString result;
    Conectar();
    ExecutarEDesconectar([&] {
        std::unique_ptr<TDbQuery> pendentes;
        if (sqlConexao.ExecSQL(RetailStatements::RefInternSemMpieceOle, pendentes) > 0) {
            for (pendentes->First(); !pendentes->Eof(); pendentes->Next()) {
                QString referencia = pendentes->FieldByIndex(0).AsString();
                // SQLite would end the filter's statement at a NUL; no coupon's reference can match one anyway.
                if (referencia.contains(QChar(0))) {
                    continue;
                }
                referencia.replace(u'\'', QStringLiteral("''"));
                result += QStringLiteral(",'") + referencia + u'\'';
            }
        }
    });
    if (!result.isEmpty()) {
        result = u'(' + result.mid(1) + u')';
    }
    return result;
}

qint64 TdtmZEVRIK::SalvarCupomFiscalBD(const QString& ARefInterna, const QString& AXML) {
    TDbParams parametros;
    parametros.AddParam(TDbFieldType::ftString, QStringLiteral("MBP_QUALIFIANTOLE")).Value = QStringLiteral("PRR");
    parametros.AddParam(TDbFieldType::ftWideMemo, QStringLiteral("MBP_BLOCNOTE")).Value = AXML;
    parametros.AddParam(TDbFieldType::ftString, QStringLiteral("GP_REFINTERNE")).Value = ARefInterna;
    if (!ConexaoMantida) {
        Conectar();
        return ExecutarEDesconectar(
            [&] { return sqlConexao.ExecSQL(RetailStatements::InsertCupomFiscal, parametros); });
    }
    if (!sqlConexao.Connected()) {
        Conectar();
    }
    try {
        return sqlConexao.ExecSQL(RetailStatements::InsertCupomFiscal, parametros);
    } catch (const EDbEngineError& erro) {
        if (!erro.NotSent) {
            throw;
        }
    }
    // The held connection was lost (a server restarted while it sat idle, say) and the insert never reached the
    // server: it goes once more, on a new connection. An insert that may have run is never sent again.
    Conectar();
    return sqlConexao.ExecSQL(RetailStatements::InsertCupomFiscal, parametros);
}

void TdtmZEVRIK::ExecutarComConexaoMantida(const std::function<void()>& AWork) {
    ConexaoMantida = true;
    TryFinally(AWork, [this] {
        ConexaoMantida = false;
        Desconectar();
    });
}

bool TdtmZEVRIK::IsValidStore(const QString& AIdLoja) {
    Conectar();
    return ExecutarEDesconectar([&] {
        return MaiorQueZero(
            sqlConexao.ExecSQLScalar(RetailStatements::ContarLoja, {AIdLoja}, {TDbFieldType::ftString}));
    });
}

void TdtmZEVRIK::PopularComboBox(IItemList& AComboBox) {
    // The list is a convenience: a store list that cannot be read leaves it as it is, without a word.
    try {
        Conectar();
        ExecutarEDesconectar([&] {
            qryLojas.Open();
            AComboBox.BeginUpdate();
            TryFinally(
                [&] {
                    AComboBox.Clear();
                    for (qryLojas.First(); !qryLojas.Eof(); qryLojas.Next()) {
                        AComboBox.Add(qryLojasET_ETABLISSEMENT().AsString());
                    }
                },
                [&] {
                    AComboBox.EndUpdate();
                    qryLojas.Close();
                });
        });
    } catch (...) {
    }
}

bool TdtmZEVRIK::IsReducaoZSalva(const QString& AIdLoja, const QDateTime& ADataMovimento) {
    const QString dia = FormatarDataMovimento(ADataMovimento.date(), Separador);
    Conectar();
    return ExecutarEDesconectar([&] {
        return MaiorQueZero(sqlConexao.ExecSQLScalar(RetailStatements::ContarReducaoZ, {AIdLoja, dia},
                                                     {TDbFieldType::ftString, TDbFieldType::ftString}));
    });
}

void TdtmZEVRIK::SalvarReducaoZBD(const QString& AIdLoja, const QString& AXML) {
    Conectar();
    ExecutarEDesconectar([&] {
        sqlConexao.ExecSQL(RetailStatements::InsertReducaoZ, {AIdLoja, QStringLiteral("PRZ"), AXML},
                           {TDbFieldType::ftString, TDbFieldType::ftString, TDbFieldType::ftString});
    });
}
