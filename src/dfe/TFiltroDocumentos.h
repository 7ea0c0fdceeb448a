#pragma once

#include <QDate>
#include <QString>

#include <functional>
#include <optional>

/// The document filter: the statement over tb_nfce for an issue period, optionally only the coupons whose KVORA
/// sales document still lacks a note, and its run against the DFe data module. UI thread only.
class TFiltroDocumentos {
public:
    /// "and date(DTHR_EMISSAO) BETWEEN '<first>' AND '<last>'", dates as yyyy-mm-dd; with APendentes, " and
    /// ID_ZEVRIK IN " and the list, or, for an empty list, a condition that no row satisfies.
    static QString Condicao(const QDate& ADataInicial, const QDate& ADataFinal,
                            const std::optional<QString>& APendentes = std::nullopt);
    /// "select * from tb_nfce where 1=1 " followed by the condition.
    static QString Sentenca(const QDate& ADataInicial, const QDate& ADataFinal,
                            const std::optional<QString>& APendentes = std::nullopt);

    /// The references of the sales documents that still lack a note, as a list ready to follow IN ("('A1','B''2')"),
    /// empty when there are none. The program hands over where they come from.
    using ReferenciasPendentes = std::function<QString()>;

    /// With APendentes (only the coupons still pending), asks it for the references first, before the file is
    /// touched; then opens the DFe data file and the document list. An empty list closes the file again and fails
    /// with "Nenhum registro encontrado para as condições informadas!". Nothing is caught.
    static void Executar(const QString& APathArquivo, const QDate& ADataInicial, const QDate& ADataFinal,
                         const ReferenciasPendentes& APendentes = {});
};
