// The export loop over the document list, which reads each marked coupon's XML from the file when it gets there.
#include "DfeFixture.h"

#include "data/TDbErrors.h"
#include "data/TDbQuery.h"
#include "dfe/dConexaoLocal.h"
#include "export/TExportacaoDocumentos.h"

#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <climits>
#include <functional>
#include <memory>

class TstExportacaoXml : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void xmlNuloViraTextoVazio();
    void xmlIlegivelFalhaNoCupom();
    void arquivoReescritoDepoisDeListado_data();
    void arquivoReescritoDepoisDeListado();

private:
    QString Caminho() const { return Dir->filePath(QStringLiteral("dfe.sqlite")); }
    /// Opens the list on the file, fetches every row and returns the bookmarks of all of them.
    QList<TDbBookmark> ListarTudo();
    /// Runs the export of AMarcados, recording each coupon handed to the saver; ADepoisDeGravar runs after each one.
    QString Exportar(const QList<TDbBookmark>& AMarcados, const std::function<void()>& ADepoisDeGravar = {});

    std::unique_ptr<QTemporaryDir> Dir;
    std::unique_ptr<TdtmConexaoLocal> Modulo;
    QList<QPair<QString, QString>> Gravados; ///< reference, XML
    /// The notes as the retail database keeps them: one per reference, never stored twice.
    QMap<QString, QString> Notas;
};

void TstExportacaoXml::init() {
    Dir = std::make_unique<QTemporaryDir>();
    QVERIFY(Dir->isValid());
    Modulo = std::make_unique<TdtmConexaoLocal>();
    Gravados.clear();
    Notas.clear();
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

QString TstExportacaoXml::Exportar(const QList<TDbBookmark>& AMarcados, const std::function<void()>& ADepoisDeGravar) {
    TExportacaoDocumentos exportacao(*Modulo->qryDocumentosEmitidos, AMarcados,
                                     [&](const QString& ARefInterna, const QString& AXML) {
                                         Gravados.append({ARefInterna, AXML});
                                         const bool nova = !Notas.contains(ARefInterna);
                                         if (nova) {
                                             Notas.insert(ARefInterna, AXML);
                                         }
                                         if (ADepoisDeGravar) {
                                             ADepoisDeGravar();
                                         }
                                         return qint64(nova);
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

// The file loses the second coupon's XML after the first was stored (cut short by something that ignores its lock):
// the export stops at that coupon with an engine error, as at any other failure there.
void TstExportacaoXml::xmlIlegivelFalhaNoCupom() {
    DfeFixture fixture(Caminho());
    QVariantMap grande = DfeFixture::SimpleRow(2);
    grande.insert(QStringLiteral("XML_ZEVRIK"), QByteArray(24 << 20, 'x'));
    fixture.Create().Insert(DfeFixture::SimpleRow(1)).Insert(grande).Insert(DfeFixture::SimpleRow(3));
    fixture.Close();
    const QList<TDbBookmark> marcados = ListarTudo();
    QCOMPARE(marcados.size(), 3);

    try {
        Exportar(marcados, [this] { QVERIFY(QFile::resize(Caminho(), 1 << 20)); });
        QFAIL("the export went through");
    } catch (const EDbEngineError& erro) {
        QVERIFY2(erro.message().startsWith(QLatin1String("O arquivo de dados DFe foi alterado depois que os "
                                                         "documentos foram listados: o documento fiscal 2 (")),
                 qPrintable(erro.message()));
    }
    QCOMPARE(Gravados.size(), 1);
    QCOMPARE(Gravados[0].first, DfeFixture::SimpleRow(1).value(QStringLiteral("ID_ZEVRIK")).toString());
    QCOMPARE(Modulo->qryDocumentosEmitidos->RecNo(), 1);
}

namespace {

enum class Reescrita { OutraOrdem, UltimoSubstituido, EntreDoisCupons, XmlTrocadosMesmasDatas };

constexpr int Cupons = 120;
constexpr int BytesXml = 30 << 10;

QString RefDoCupom(int ANumero) {
    return DfeFixture::SimpleRow(ANumero).value(QStringLiteral("ID_ZEVRIK")).toString();
}

/// The XML that each coupon's row of a file holds, by reference.
QMap<QString, QString> XmlPorReferencia(const QList<QVariantMap>& ALinhas) {
    QMap<QString, QString> xmls;
    for (const QVariantMap& linha : ALinhas) {
        xmls.insert(linha.value(QStringLiteral("ID_ZEVRIK")).toString(),
                    QString::fromUtf8(linha.value(QStringLiteral("XML_ZEVRIK")).toByteArray()));
    }
    return xmls;
}

} // namespace

void TstExportacaoXml::arquivoReescritoDepoisDeListado_data() {
    QTest::addColumn<Reescrita>("reescrita");
    QTest::addColumn<int>("primeiroMarcado");
    QTest::addColumn<int>("recusado"); ///< the coupon the run stops at
    QTest::newRow("mesmos cupons em outra ordem") << Reescrita::OutraOrdem << 1 << 1;
    QTest::newRow("ultimo cupom substituido por um novo") << Reescrita::UltimoSubstituido << Cupons << Cupons;
    QTest::newRow("arquivo trocado entre dois cupons") << Reescrita::EntreDoisCupons << 1 << 4;
    // Same size, header and modification time, every listed value the same: each coupon's XML is its neighbour's.
    QTest::newRow("copia que mantem as datas") << Reescrita::XmlTrocadosMesmasDatas << 1 << 1;
}

// Another copy of the file is written over it after the list was read (a copy from the till, which ignores the
// lock): no coupon gets another's XML. The run stops at the first coupon read after the change, naming it; a new
// filter and a new run store exactly the rest, each with its own XML.
void TstExportacaoXml::arquivoReescritoDepoisDeListado() {
    QFETCH(Reescrita, reescrita);
    QFETCH(int, primeiroMarcado);
    QFETCH(int, recusado);
    QList<QVariantMap> linhas;
    for (int numero = 1; numero <= Cupons; ++numero) {
        linhas << DfeFixture::RowWithLargeXml(numero, BytesXml);
    }
    DfeFixture(Caminho()).Create().Insert(linhas);
    if (reescrita == Reescrita::XmlTrocadosMesmasDatas) {
        DfeFixture::SetKeepableModified(Caminho());
    }
    QList<QVariantMap> outras = linhas;
    if (reescrita == Reescrita::UltimoSubstituido) {
        // Deleted and a new coupon written in its place: it takes the freed rowid.
        outras.last() = DfeFixture::RowWithLargeXml(Cupons + 1, BytesXml);
    } else if (reescrita == Reescrita::XmlTrocadosMesmasDatas) {
        for (int i = 0; i + 1 < Cupons; i += 2) {
            const QVariant xml = outras[i].value(QStringLiteral("XML_ZEVRIK"));
            outras[i].insert(QStringLiteral("XML_ZEVRIK"), outras[i + 1].value(QStringLiteral("XML_ZEVRIK")));
            outras[i + 1].insert(QStringLiteral("XML_ZEVRIK"), xml);
        }
    } else {
        std::reverse(outras.begin(), outras.end());
    }
    const QString copia = Dir->filePath(QStringLiteral("copia.sqlite"));
    DfeFixture(copia).Create().Insert(outras);

    const QList<TDbBookmark> marcados = ListarTudo().mid(primeiroMarcado - 1);
    std::function<void()> depoisDeGravar;
    if (reescrita == Reescrita::EntreDoisCupons) {
        depoisDeGravar = [&] {
            if (Gravados.size() == recusado - 1) {
                DfeFixture::CopyOver(copia, Caminho());
            }
        };
    } else {
        DfeFixture::CopyOver(copia, Caminho(), reescrita == Reescrita::XmlTrocadosMesmasDatas);
    }
    QString erroMostrado;
    try {
        Exportar(marcados, depoisDeGravar);
    } catch (const EDbEngineError& erro) {
        erroMostrado = erro.message();
    }
    // Each note holds its coupon's XML as the file held it when the note was stored: the listed file's before the
    // change, the new file's after the new filter.
    const auto cadaNotaEhDoSeuCupom = [this](const QMap<QString, QString>& AXmls) {
        for (auto nota = Notas.cbegin(); nota != Notas.cend(); ++nota) {
            QVERIFY2(nota.value() == AXmls.value(nota.key()),
                     qPrintable(QStringLiteral("%1 holds %2").arg(nota.key(), nota.value().left(40))));
        }
    };
    cadaNotaEhDoSeuCupom(XmlPorReferencia(linhas));
    QCOMPARE(Notas.size(), recusado - primeiroMarcado);
    QCOMPARE(erroMostrado,
             QStringLiteral("O arquivo de dados DFe foi alterado depois que os documentos foram listados: o documento "
                            "fiscal %1 (%2) e os seguintes não foram gravados. Filtre os documentos novamente!")
                 .arg(recusado)
                 .arg(RefDoCupom(recusado)));

    // Filtered again: the list is the new file's; every coupon marked again, only the rest is stored.
    Exportar(ListarTudo());
    // Coupon 120 replaced by 121 is no longer in the file: Cupons notes in every case.
    QCOMPARE(Notas.size(), Cupons);
    cadaNotaEhDoSeuCupom(XmlPorReferencia(outras));
}

QTEST_GUILESS_MAIN(TstExportacaoXml)
#include "tst_exportacaodocumentos.moc"
