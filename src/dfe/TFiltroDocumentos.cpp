#include "dfe/TFiltroDocumentos.h"

#include "data/TDbQuery.h"
#include "dfe/dConexaoLocal.h"

#include <stdexcept>

namespace {

QString DataQuotada(const QDate& AData) {
    QString texto = AData.toString(QStringLiteral("yyyy-MM-dd"));
    texto.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + texto + QLatin1Char('\'');
}

} // namespace

QString TFiltroDocumentos::Condicao(const QDate& ADataInicial, const QDate& ADataFinal,
                                    const std::optional<QString>& APendentes) {
    QString condicao = QStringLiteral("and date(DTHR_EMISSAO) BETWEEN ") + DataQuotada(ADataInicial) +
                       QStringLiteral(" AND ") + DataQuotada(ADataFinal);
    if (APendentes.has_value()) {
        // "IN ()" is no valid SQL: with no pending document nothing may qualify.
        condicao +=
            APendentes->isEmpty() ? QStringLiteral(" and 1=0") : QStringLiteral(" and ID_ZEVRIK IN ") + *APendentes;
    }
    return condicao;
}

QString TFiltroDocumentos::Sentenca(const QDate& ADataInicial, const QDate& ADataFinal,
                                    const std::optional<QString>& APendentes) {
    return QStringLiteral("select * from tb_nfce where 1=1 ") + Condicao(ADataInicial, ADataFinal, APendentes);
}

void TFiltroDocumentos::Executar(const QString& APathArquivo, const QDate& ADataInicial, const QDate& ADataFinal,
                                 const ReferenciasPendentes& APendentes) {
    std::optional<QString> pendentes;
    if (APendentes) {
        pendentes = APendentes();
    }
    const QString sentenca = Sentenca(ADataInicial, ADataFinal, pendentes);

    dtmConexaoLocal->Conectar(APathArquivo);
    dtmConexaoLocal->qryDocumentosEmitidos->Open(sentenca);
    if (dtmConexaoLocal->qryDocumentosEmitidos->IsEmpty()) {
        dtmConexaoLocal->Desconectar();
        throw std::runtime_error("Nenhum registro encontrado para as condições informadas!");
    }
}
