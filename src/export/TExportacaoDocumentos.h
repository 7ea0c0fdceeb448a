#pragma once

#include "data/TDbBookmark.h"

#include <QList>
#include <QString>

#include <functional>

class TDbQuery;

/// The loop of the export: visits marked rows of the document list in the order given, stores each coupon's XML
/// through the saver and writes the report. The rows are a copy taken at the start, so nothing done to the grid's
/// marks during the run changes what is visited. UI thread only.
class TExportacaoDocumentos {
public:
    /// Stores one coupon (reference, XML); returns the number of note rows stored, -1 when the server gives none.
    using Gravar = std::function<qint64(const QString& ARefInterna, const QString& AXML)>;
    /// Called after each stored coupon with the number of coupons done so far.
    using Progresso = std::function<void(int AConcluidos)>;

    TExportacaoDocumentos(TDbQuery& ADocumentos, QList<TDbBookmark> AMarcados, Gravar AGravar);

    /// Goes to each row, reads ID_ZEVRIK and XML_ZEVRIK as text, stores it, appends CR LF and its report line, and
    /// reports progress. The first error ends the run at that row, which stays current; it travels on unchanged, but
    /// for a DFe data file changed since the list was read, which is told in the tool's words.
    /// Returns the report text: CR LF before each line.
    QString Executar(const Progresso& AProgresso);

    /// The report line of one coupon: why nothing was stored when the count is 0, otherwise saved (also for an
    /// unknown count, -1).
    static QString LinhaRelatorio(int ANumero, const QString& ARefInterna, qint64 AGravados);

private:
    /// XML_ZEVRIK of the current row as text. When the DFe data file changed after the list was read, an engine
    /// error naming the coupon: nothing of it may be stored.
    QString LerXml(int ANumero, const QString& ARefInterna) const;

    TDbQuery& Documentos;
    const QList<TDbBookmark> Marcados;
    const Gravar GravarCupom;
};
