#include "export/TExportacaoDocumentos.h"

#include "data/TDbField.h"
#include "data/TDbQuery.h"

TExportacaoDocumentos::TExportacaoDocumentos(TDbQuery& ADocumentos, QList<TDbBookmark> AMarcados, Gravar AGravar)
    : Documentos(ADocumentos), Marcados(std::move(AMarcados)), GravarCupom(std::move(AGravar)) {}

QString TExportacaoDocumentos::Executar(const Progresso& AProgresso) {
    QString textoValidacoes;
    int concluidos = 0;
    for (const TDbBookmark& marcado : Marcados) {
        Documentos.GotoBookmark(marcado);
        const QString xml = Documentos.FieldByName(QStringLiteral("XML_ZEVRIK")).AsString();
        const QString refInterna = Documentos.FieldByName(QStringLiteral("ID_ZEVRIK")).AsString();
        const qint64 gravados = GravarCupom(refInterna, xml);
        const int numero = Documentos.FieldByName(QStringLiteral("NUMERO")).AsInteger();
        textoValidacoes += QStringLiteral("\r\n") + LinhaRelatorio(numero, refInterna, gravados);
        AProgresso(++concluidos);
    }
    return textoValidacoes;
}

QString TExportacaoDocumentos::LinhaRelatorio(int ANumero, const QString& ARefInterna, qint64 AGravados) {
    // Only a count the server reported as 0 proves nothing was stored; -1 (no count, SET NOCOUNT ON) is a success.
    if (AGravados != 0) {
        return QStringLiteral("Documento fiscal %1 salvo corretamente no banco de dados!").arg(ANumero);
    }
    return QStringLiteral("Documento fiscal %1 não foi gravado: o documento de venda %2 não existe no KVORA ou já "
                          "possui MPIECEOLE!")
        .arg(ANumero)
        .arg(ARefInterna);
}
