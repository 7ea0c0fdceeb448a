// The export loop over the document list, which reads each marked coupon's XML from the file when it gets there.
#include "DfeFixture.h"

#include "data/TDbErrors.h"
#include "data/TDbQuery.h"
#include "dfe/dConexaoLocal.h"
#include "export/TExportacaoDocumentos.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>
#include <memory>

class TstExportacaoXml : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void xmlNuloViraTextoVazio();
    void xmlIlegivelFalhaNoCupom();

private:
    QString Caminho() const { return Dir->filePath(QStringLiteral("dfe.sqlite")); }
    /// Opens the list on the file, fetches every row and returns the bookmarks of all of them.
    QList<TDbBookmark> ListarTudo();
    /// Runs the export of AMarcados, recording each coupon handed to the saver.
    QString Exportar(const QList<TDbBookmark>& AMarcados);

    std::unique_ptr<QTemporaryDir> Dir;
    std::unique_ptr<TdtmConexaoLocal> Modulo;
    QList<QPair<QString, QString>> Gravados; ///< reference, XML
};

void TstExportacaoXml::init() {
    Dir = std::make_unique<QTemporaryDir>();
    QVERIFY(Dir->isValid());
    Modulo = std::make_unique<TdtmConexaoLocal>();
    Gravados.clear();
}

void TstExportacaoXml::cleanup() {
    Modulo.reset();
    Dir.reset();
}

QList<TDbBookmark> TstExportacaoXml::ListarTudo() {
    Modulo->Conectar(Caminho());
    TDbQuery& lista = *Modulo->qryDocumentosEmitidos;
    lista.Open();
    lista.MoveTo(INT_MAX);
    QList<TDbBookmark> marcados;
    for (int linha = 0; linha < lista.FetchedRowCount(); ++linha) {
        marcados << lista.BookmarkAt(linha);
    }
    return marcados;
}

QString TstExportacaoXml::Exportar(const QList<TDbBookmark>& AMarcados) {
    TExportacaoDocumentos exportacao(*Modulo->qryDocumentosEmitidos, AMarcados,
                                     [this](const QString& ARefInterna, const QString& AXML) {
                                         Gravados.append({ARefInterna, AXML});
                                         return qint64(1);
                                     });
    return exportacao.Executar([](int) {});
}

void TstExportacaoXml::xmlNuloViraTextoVazio() {
    DfeFixture fixture(Caminho());
    QVariantMap nulo = DfeFixture::SimpleRow(2);
    nulo.insert(QStringLiteral("XML_ZEVRIK"), QVariant());
    fixture.Create().Insert(DfeFixture::SimpleRow(1)).Insert(nulo);
    fixture.Close();
    Exportar(ListarTudo());
    QCOMPARE(Gravados.size(), 2);
    QCOMPARE(Gravados[0].second,
             QString::fromUtf8(DfeFixture::SimpleRow(1).value(QStringLiteral("XML_ZEVRIK")).toByteArray()));
    QCOMPARE(Gravados[1].first, nulo.value(QStringLiteral("ID_ZEVRIK")).toString());
    QVERIFY(Gravados[1].second.isEmpty());
}

// The file loses the second coupon's XML after it was listed (cut short by something that ignores its lock): the
// export stops at that coupon with the engine's error, as at any other failure there.
void TstExportacaoXml::xmlIlegivelFalhaNoCupom() {
    DfeFixture fixture(Caminho());
    QVariantMap grande = DfeFixture::SimpleRow(2);
    grande.insert(QStringLiteral("XML_ZEVRIK"), QByteArray(24 << 20, 'x'));
    fixture.Create().Insert(DfeFixture::SimpleRow(1)).Insert(grande).Insert(DfeFixture::SimpleRow(3));
    fixture.Close();
    const QList<TDbBookmark> marcados = ListarTudo();
    QCOMPARE(marcados.size(), 3);
    QVERIFY(QFile::resize(Caminho(), 1 << 20));

    try {
        Exportar(marcados);
        QFAIL("the export went through");
    } catch (const EDbEngineError& erro) {
        QVERIFY2(erro.message().startsWith(QLatin1String("[Strata][Phys][SQLite] ERROR: ")),
                 qPrintable(erro.message()));
    }
    QCOMPARE(Gravados.size(), 1);
    QCOMPARE(Gravados[0].first, DfeFixture::SimpleRow(1).value(QStringLiteral("ID_ZEVRIK")).toString());
    QCOMPARE(Modulo->qryDocumentosEmitidos->RecNo(), 1);
}

QTEST_GUILESS_MAIN(TstExportacaoXml)
#include "tst_exportacaodocumentos.moc"
