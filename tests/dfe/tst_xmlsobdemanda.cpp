#include "DfeFixture.h"

#include "data/TDbConnection.h"
#include "data/TDbErrors.h"
#include "data/TDbQuery.h"
#include "dfe/dConexaoLocal.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

#include <algorithm>
#include <climits>
#include <memory>

namespace {

const QStringList CamposXml = {QStringLiteral("XML_ZEVRIK"), QStringLiteral("XML_NFCE"),
                               QStringLiteral("XML_CANCELAMENTO")};

/// Runs AStatement on the file through a connection of its own, as another program would; the engine's code.
int ExecutarAParte(const QString& APath, const QString& AStatement) {
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(APath.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_exec(db, AStatement.toUtf8().constData(), nullptr, nullptr, nullptr);
    }
    sqlite3_close_v2(db);
    return rc;
}

} // namespace

/// The XML columns of the document list: the list keeps of each only whether it is null, the bytes are read from the
/// file when a field is asked for them, and the coupon's XML reads as text.
class TstXmlSobDemanda : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void listaGuardaSoSeEhNulo_data();
    void listaGuardaSoSeEhNulo();
    void bytesLidosSaoOsListados();
    void tabelaSemRowidLeComoAntes_data();
    void tabelaSemRowidLeComoAntes();
    void xmlComoTexto_data();
    void xmlComoTexto();
    void arquivoAlteradoDepoisDeListado_data();
    void arquivoAlteradoDepoisDeListado();

private:
    QString Caminho() const { return Dir->filePath(QStringLiteral("dfe.sqlite")); }
    /// Opens the list on the file and fetches every row.
    void AbrirTudo();

    std::unique_ptr<QTemporaryDir> Dir;
    std::unique_ptr<TdtmConexaoLocal> Modulo;
    TDbQuery* Lista = nullptr;
};

void TstXmlSobDemanda::init() {
    Dir = std::make_unique<QTemporaryDir>();
    QVERIFY(Dir->isValid());
    Modulo = std::make_unique<TdtmConexaoLocal>();
    Lista = Modulo->qryDocumentosEmitidos;
}

void TstXmlSobDemanda::cleanup() {
    Lista = nullptr;
    Modulo.reset();
    Dir.reset();
}

void TstXmlSobDemanda::AbrirTudo() {
    Modulo->Conectar(Caminho());
    Lista->Open();
    Lista->MoveTo(INT_MAX);
}

void TstXmlSobDemanda::listaGuardaSoSeEhNulo_data() {
    QTest::addColumn<QVariant>("armazenado");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("blob") << QVariant(QByteArray("<nfeProc>\xc3\xa7</nfeProc>"))
                          << QByteArray("<nfeProc>\xc3\xa7</nfeProc>");
    QTest::newRow("texto") << QVariant(QStringLiteral("<nfeProc/>")) << QByteArray("<nfeProc/>");
    QTest::newRow("blob vazio") << QVariant(QByteArray("")) << QByteArray("");
    QTest::newRow("nulo") << QVariant() << QByteArray();
}

void TstXmlSobDemanda::listaGuardaSoSeEhNulo() {
    QFETCH(QVariant, armazenado);
    QFETCH(QByteArray, bytes);
    DfeFixture fixture(Caminho());
    fixture.Create();
    for (int numero = 1; numero <= 3; ++numero) {
        QVariantMap linha = DfeFixture::SimpleRow(numero);
        for (const QString& campo : CamposXml) {
            linha.insert(campo, numero == 2 ? armazenado : QVariant(QByteArray("outro")));
        }
        fixture.Insert(linha);
    }
    fixture.Close();
    AbrirTudo();

    for (const QString& campo : CamposXml) {
        const int indice = int(std::find_if(Lista->Fields().cbegin(), Lista->Fields().cend(),
                                            [&](const TDbFieldDef& ADef) { return ADef.Name == campo; }) -
                               Lista->Fields().cbegin());
        const QVariant guardado = Lista->ValueAt(1, indice);
        QCOMPARE(guardado.isNull(), armazenado.isNull());
        QVERIFY2(guardado.typeId() != QMetaType::QByteArray, qPrintable(campo));
        QVERIFY2(guardado.typeId() != QMetaType::QString, qPrintable(campo));
    }
    // Read in another order than listed: each field finds its own row.
    Lista->MoveTo(2);
    QCOMPARE(Lista->FieldByName(QStringLiteral("XML_ZEVRIK")).AsBytes(), QByteArray("outro"));
    Lista->MoveTo(1);
    for (const QString& campo : CamposXml) {
        const TDbField valor = Lista->FieldByName(campo);
        QCOMPARE(valor.IsNull(), armazenado.isNull());
        QCOMPARE(valor.AsBytes(), bytes);
        QCOMPARE(valor.AsString().isEmpty(), bytes.isEmpty());
    }
}

// The list holds the file's lock while it is open: the emitter cannot change a coupon after it was listed, so the
// XML read at export time is the one listed.
void TstXmlSobDemanda::bytesLidosSaoOsListados() {
    DfeFixture fixture(Caminho());
    fixture.Create().InsertSimple(200);
    fixture.Close();
    const QByteArray listado = DfeFixture::SimpleRow(150).value(QStringLiteral("XML_ZEVRIK")).toByteArray();
    AbrirTudo();
    QCOMPARE(Lista->FetchedRowCount(), 200);

    QCOMPARE(ExecutarAParte(Caminho(), QStringLiteral("update tb_nfce set XML_ZEVRIK = x'00' where NUMERO = 150")),
             SQLITE_BUSY);
    Lista->MoveTo(149);
    QCOMPARE(Lista->FieldByName(QStringLiteral("NUMERO")).AsInteger(), 150);
    QCOMPARE(Lista->FieldByName(QStringLiteral("XML_ZEVRIK")).AsBytes(), listado);

    // Once the list is closed, the same change goes through.
    Modulo->Desconectar();
    QCOMPARE(ExecutarAParte(Caminho(), QStringLiteral("update tb_nfce set XML_ZEVRIK = x'00' where NUMERO = 150")),
             SQLITE_OK);
}

void TstXmlSobDemanda::tabelaSemRowidLeComoAntes_data() {
    QTest::addColumn<QString>("criacao");
    QTest::addColumn<bool>("sobDemanda");
    QTest::newRow("tabela comum") << QString() << true;
    QTest::newRow("without rowid") << QStringLiteral(", PRIMARY KEY (ID_ZEVRIK)) WITHOUT ROWID") << false;
    // A column of its own named rowid hides the row's key: reading by it would find other rows.
    QTest::newRow("coluna rowid") << QStringLiteral(", rowid INTEGER)") << false;
}

void TstXmlSobDemanda::tabelaSemRowidLeComoAntes() {
    QFETCH(QString, criacao);
    QFETCH(bool, sobDemanda);
    if (!criacao.isEmpty()) {
        QStringList colunas;
        for (const DfeFixture::Column& coluna : DfeFixture::DefaultColumns()) {
            colunas << coluna.first + u' ' + coluna.second;
        }
        QCOMPARE(ExecutarAParte(Caminho(), QStringLiteral("create table tb_nfce (") + colunas.join(u',') + criacao),
                 SQLITE_OK);
    }
    DfeFixture fixture(Caminho());
    if (criacao.isEmpty()) {
        fixture.Create();
    }
    for (int numero = 1; numero <= 5; ++numero) {
        fixture.Insert(DfeFixture::SimpleRow(numero));
    }
    fixture.Close();
    if (criacao.contains(QLatin1String("rowid INTEGER"))) {
        QCOMPARE(ExecutarAParte(Caminho(), QStringLiteral("update tb_nfce set rowid = 1")), SQLITE_OK);
    }
    AbrirTudo();
    QCOMPARE(Lista->FetchedRowCount(), 5);
    const int indice = 13; // XML_ZEVRIK
    QCOMPARE(Lista->Fields().at(indice).Name, QStringLiteral("XML_ZEVRIK"));
    for (int linha = 0; linha < 5; ++linha) {
        QCOMPARE(Lista->ValueAt(linha, indice).typeId() == QMetaType::QByteArray, !sobDemanda);
    }
    for (int linha = 4; linha >= 0; --linha) {
        Lista->MoveTo(linha);
        const int numero = Lista->FieldByName(QStringLiteral("NUMERO")).AsInteger();
        QCOMPARE(Lista->FieldByName(QStringLiteral("XML_ZEVRIK")).AsBytes(),
                 DfeFixture::SimpleRow(numero).value(QStringLiteral("XML_ZEVRIK")).toByteArray());
    }
}

void TstXmlSobDemanda::xmlComoTexto_data() {
    QTest::addColumn<QVariant>("armazenado");
    QTest::addColumn<QString>("texto");

    const QString xml = QStringLiteral("<?xml version=\"1.0\"?><NFe><xNome>Ação Comércio</xNome></NFe>");
    QTest::newRow("nulo") << QVariant() << QStringLiteral("");
    QTest::newRow("sem bytes") << QVariant(QByteArray("")) << QStringLiteral("");
    QTest::newRow("ASCII") << QVariant(QByteArray("<NFe><nNF>12</nNF></NFe>"))
                           << QStringLiteral("<NFe><nNF>12</nNF></NFe>");
    QTest::newRow("nada é aparado") << QVariant(QByteArray("  <NFe/>\r\n\t")) << QStringLiteral("  <NFe/>\r\n\t");
    QTest::newRow("UTF-8") << QVariant(xml.toUtf8()) << xml;
    QTest::newRow("UTF-8 com BOM") << QVariant(QByteArray("\xEF\xBB\xBF") + xml.toUtf8()) << xml;
    QTest::newRow("Windows-1252") << QVariant(QByteArray("<xNome>A\xE7\xE3o Com\xE9rcio</xNome>"))
                                  << QStringLiteral("<xNome>Ação Comércio</xNome>");
    QTest::newRow("texto numa coluna BLOB") << QVariant(xml) << xml;
}

void TstXmlSobDemanda::xmlComoTexto() {
    QFETCH(QVariant, armazenado);
    QFETCH(QString, texto);

    QVariantMap linha = DfeFixture::SimpleRow(1);
    linha.insert(QStringLiteral("XML_ZEVRIK"), armazenado);
    DfeFixture fixture(Caminho());
    fixture.Create().Insert(linha).Close();
    AbrirTudo();
    const TDbField campo = Lista->FieldByName(QStringLiteral("XML_ZEVRIK"));
    QCOMPARE(campo.IsNull(), armazenado.isNull());
    QCOMPARE(campo.AsString(), texto);
    QVERIFY2(!campo.AsString().isNull(), "the export receives the empty text, not a null one");
}

namespace {

enum class Alteracao { OutraOrdem, UltimoSubstituido, XmlTrocados };

/// The rows of the file as another copy of it holds them after AAlteracao.
QList<QVariantMap> LinhasAlteradas(Alteracao AAlteracao, int ACupons, int ABytesXml) {
    QList<QVariantMap> linhas;
    for (int numero = 1; numero <= ACupons; ++numero) {
        linhas << DfeFixture::RowWithLargeXml(numero, ABytesXml);
    }
    switch (AAlteracao) {
    case Alteracao::OutraOrdem:
        std::reverse(linhas.begin(), linhas.end());
        break;
    case Alteracao::UltimoSubstituido:
        linhas.last() = DfeFixture::RowWithLargeXml(ACupons + 1, ABytesXml);
        break;
    case Alteracao::XmlTrocados:
        for (int i = 0; i + 1 < ACupons; i += 2) {
            const QVariant xml = linhas[i].value(QStringLiteral("XML_ZEVRIK"));
            linhas[i].insert(QStringLiteral("XML_ZEVRIK"), linhas[i + 1].value(QStringLiteral("XML_ZEVRIK")));
            linhas[i + 1].insert(QStringLiteral("XML_ZEVRIK"), xml);
        }
        break;
    }
    return linhas;
}

/// The database header of the file at APath: change counter, page count and schema cookie among it.
QByteArray Cabecalho(const QString& APath) {
    QFile arquivo(APath);
    return arquivo.open(QIODevice::ReadOnly) ? arquivo.read(100) : QByteArray();
}

} // namespace

void TstXmlSobDemanda::arquivoAlteradoDepoisDeListado_data() {
    QTest::addColumn<Alteracao>("alteracao");
    QTest::addColumn<bool>("manterData");
    QTest::newRow("mesmos cupons em outra ordem") << Alteracao::OutraOrdem << false;
    // Size, header and time as before: only the rows themselves show the change.
    QTest::newRow("outra ordem, mesma data") << Alteracao::OutraOrdem << true;
    QTest::newRow("ultimo cupom substituido") << Alteracao::UltimoSubstituido << false;
    // Every row as listed, the XML of another: only the file shows the change.
    QTest::newRow("XML trocados entre cupons") << Alteracao::XmlTrocados << false;
    // Size, header, time and every listed value as before: only the file's identity and change time show it.
    QTest::newRow("copia que mantem as datas") << Alteracao::XmlTrocados << true;
}

// The file is overwritten in place after the list was read (a copy over it ignores the lock): the rowids of the
// list may name other coupons by now. No value is read again from it: not one wrong XML, every read refused.
void TstXmlSobDemanda::arquivoAlteradoDepoisDeListado() {
    QFETCH(Alteracao, alteracao);
    QFETCH(bool, manterData);
    // Large enough that the engine cannot keep the listed XML in its memory.
    const int cupons = 60;
    const int bytesXml = 40 << 10;
    QList<QVariantMap> originais;
    for (int numero = 1; numero <= cupons; ++numero) {
        originais << DfeFixture::RowWithLargeXml(numero, bytesXml);
    }
    const QString outro = Dir->filePath(QStringLiteral("outro.sqlite"));
    DfeFixture(outro).Create().Insert(LinhasAlteradas(alteracao, cupons, bytesXml));
    DfeFixture(Caminho()).Create().Insert(originais);
    if (manterData) {
        DfeFixture::SetKeepableModified(Caminho());
        QCOMPARE(QFileInfo(outro).size(), QFileInfo(Caminho()).size());
        QCOMPARE(Cabecalho(outro), Cabecalho(Caminho()));
    }
    AbrirTudo();
    QCOMPARE(Lista->FetchedRowCount(), cupons);

    DfeFixture::CopyOver(outro, Caminho(), manterData);
    int recusados = 0;
    for (int linha = cupons - 1; linha >= 0; --linha) {
        Lista->MoveTo(linha);
        const int numero = Lista->FieldByName(QStringLiteral("NUMERO")).AsInteger();
        try {
            const QByteArray xml = Lista->FieldByName(QStringLiteral("XML_ZEVRIK")).AsBytes();
            QVERIFY2(xml == DfeFixture::RowWithLargeXml(numero, bytesXml).value(QStringLiteral("XML_ZEVRIK")),
                     qPrintable(QStringLiteral("coupon %1 got another XML (or a mix): %2...%3")
                                    .arg(numero)
                                    .arg(QString::fromUtf8(xml.left(40)), QString::fromUtf8(xml.right(60)))));
        } catch (const EDbRowChanged& erro) {
            QVERIFY2(erro.message().startsWith(QLatin1String("Field 'XML_ZEVRIK': ")), qPrintable(erro.message()));
            ++recusados;
        }
    }
    QCOMPARE(recusados, cupons);
}

QTEST_GUILESS_MAIN(TstXmlSobDemanda)
#include "tst_xmlsobdemanda.moc"
