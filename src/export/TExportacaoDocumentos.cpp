#include "export/TExportacaoDocumentos.h"

#include "data/TDbErrors.h"
#include "data/TDbField.h"
#include "data/TDbQuery.h"

TExportacaoDocumentos::TExportacaoDocumentos(TDbQuery& ADocumentos, QList<TDbBookmark> AMarcados, Gravar AGravar)
    : Documentos(ADocumentos), Marcados(std::move(AMarcados)), GravarCupom(std::move(AGravar)) {}

QString TExportacaoDocumentos::Executar(const Progresso& AProgresso) {
    QString textoValidacoes;
    int concluidos = 0;
    for (const TDbBookmark& marcado : Marcados) {
        Documentos.GotoBookmark(marcado);
        // The reference and the number are the ones listed; the XML is read from the file now.
        const QString refInterna = Documentos.FieldByName(QStringLiteral("ID_ZEVRIK")).AsString();
        const int numero = Documentos.FieldByName(QStringLiteral("NUMERO")).AsInteger();
        const QString xml = LerXml(numero, refInterna);
        const qint64 gravados = GravarCupom(refInterna, xml);
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

QString TExportacaoDocumentos::LerXml(int ANumero, const QString& ARefInterna) const {
    try {
        return Documentos.FieldByName(QStringLiteral("XML_ZEVRIK")).AsString();
    } catch (const EDbRowChanged& erro) {
        // The file under the list is no longer the one listed: its XML could belong to another coupon.
        EDbEngineError alterado(
            QStringLiteral("O arquivo de dados DFe foi alterado depois que os documentos foram listados: o documento "
                           "fiscal %1 (%2) e os seguintes não foram gravados. Filtre os documentos novamente!")
                .arg(ANumero)
                .arg(ARefInterna),
            erro.TypeName, erro.LayerCode, erro.Records);
        alterado.ObjectName = erro.ObjectName;
        alterado.CommandText = erro.CommandText;
        throw alterado;
    }
}
