#include "DfeFixture.h"

#include "data/TDbConnection.h"
#include "data/TDbErrors.h"
#include "data/TDbQuery.h"
#include "data/TDbTransaction.h"
#include "dfe/dConexaoLocal.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

#include <memory>

namespace {

const QString Prefixo = QStringLiteral("[Strata][Phys][SQLite] ERROR: ");

QByteArray Hash(const QString& APath) {
    QFile file(APath);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class TstDConexaoLocal : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void componentes();
    void conectarSubstituiParametros();
    void conectarComCaminhoVazioAbreBancoEmMemoria();
    void conectarArquivoInexistenteCriaArquivoVazio();
    void conectarPastaInexistente();
    void arquivoQueNaoEBanco();
    void conectarFechaALista();
    void desconectar();

    void vinculacao_data();
    void vinculacao();
    void colunasExtrasSaoIgnoradas();
    void campoTextoEstreitaComAColuna();

    void leituraDaEmissao_data();
    void leituraDaEmissao();
    void idSemBrancosFinais();
    void textoAlemDoTamanhoFalhaNaLeitura_data();
    void textoAlemDoTamanhoFalhaNaLeitura();
    void valorDecimal();

    void arquivoNuncaEAlterado();

private:
    QString Caminho(const QString& ANome = QStringLiteral("dfe.sqlite")) const { return Dir->filePath(ANome); }
    /// A file of the default table with the given rows; its path.
    QString ArquivoCom(const QList<QVariantMap>& ALinhas);
    /// Opens the document list on APath and reads the first row.
    void AbrirLista(const QString& APath);
    /// The message of the error AAction raises; a null text when it raises none.
    template <typename Action> QString ErroDe(Action AAction, bool* AEngine = nullptr);

    std::unique_ptr<QTemporaryDir> Dir;
    std::unique_ptr<TdtmConexaoLocal> Modulo;
    TDbQuery* Lista = nullptr;
};

void TstDConexaoLocal::init() {
    Dir = std::make_unique<QTemporaryDir>();
    QVERIFY(Dir->isValid());
    Modulo = std::make_unique<TdtmConexaoLocal>();
    Lista = Modulo->qryDocumentosEmitidos;
}

void TstDConexaoLocal::cleanup() {
    Lista = nullptr;
    Modulo.reset();
    Dir.reset();
}

QString TstDConexaoLocal::ArquivoCom(const QList<QVariantMap>& ALinhas) {
    DfeFixture fixture(Caminho());
    fixture.Create();
    for (const QVariantMap& linha : ALinhas) {
        fixture.Insert(linha);
    }
    return fixture.Path();
}

void TstDConexaoLocal::AbrirLista(const QString& APath) {
    Modulo->Conectar(APath);
    Lista->Open();
}

template <typename Action> QString TstDConexaoLocal::ErroDe(Action AAction, bool* AEngine) {
    try {
        AAction();
    } catch (const EDbError& error) {
        if (AEngine) {
            *AEngine = dynamic_cast<const EDbEngineError*>(&error) != nullptr;
        }
        return error.message();
    }
    return {};
}

void TstDConexaoLocal::componentes() {
    QCOMPARE(Modulo->objectName(), QStringLiteral("dtmConexaoLocal"));
    QCOMPARE(Modulo->sqlConexaoLocal->objectName(), QStringLiteral("sqlConexaoLocal"));
    QCOMPARE(Modulo->sqlConexaoLocal->Transaction, Modulo->TranscPrincipal);
    QCOMPARE(Modulo->sqlConexaoLocal->UpdateTransaction, Modulo->TransacUpdate);
    QCOMPARE(Modulo->TranscPrincipal->objectName(), QStringLiteral("TranscPrincipal"));
    QCOMPARE(Modulo->TransacUpdate->objectName(), QStringLiteral("TransacUpdate"));
    QVERIFY(!Modulo->sqlConexaoLocal->Connected());

    QCOMPARE(Lista->objectName(), QStringLiteral("qryDocumentosEmitidos"));
    QCOMPARE(Lista->Connection(), Modulo->sqlConexaoLocal);
    QCOMPARE(Lista->SQLText(), QStringLiteral("select * from tb_nfce"));
    QVERIFY(!Lista->Active());

    const QList<TDbFieldDef>& campos = Lista->FieldDefs();
    QCOMPARE(campos.size(), 17);
    const QList<DfeFixture::Column> colunas = DfeFixture::DefaultColumns();
    for (int i = 0; i < campos.size(); ++i) {
        QCOMPARE(campos.at(i).Name, colunas.at(i).first);
    }
    QCOMPARE(campos.at(0).Kind, TDbFieldKind::String);
    QCOMPARE(campos.at(0).Size, 50);
    QCOMPARE(campos.at(1).Kind, TDbFieldKind::FixedChar);
    QCOMPARE(campos.at(1).Size, 1);
    QCOMPARE(campos.at(4).Kind, TDbFieldKind::Integer);
    QCOMPARE(campos.at(5).Kind, TDbFieldKind::SQLTimeStamp);
    QCOMPARE(campos.at(8).Size, 255);
    QCOMPARE(campos.at(11).Size, 15);
    QCOMPARE(campos.at(13).Kind, TDbFieldKind::Blob);
    QCOMPARE(campos.at(16).Kind, TDbFieldKind::BCD);
    QCOMPARE(campos.at(16).Precision, 10);
    QCOMPARE(campos.at(16).Scale, 2);
}

void TstDConexaoLocal::conectarSubstituiParametros() {
    const QString caminho = ArquivoCom({});
    Modulo->sqlConexaoLocal->Params = {QStringLiteral("DriverID=MSSQL"), QStringLiteral("Server=antigo")};
    Modulo->Conectar(caminho);
    QVERIFY(Modulo->sqlConexaoLocal->Connected());
    QCOMPARE(Modulo->sqlConexaoLocal->Params,
             QStringList({QStringLiteral("DriverID=SQLite"), QStringLiteral("Database=") + caminho}));

    // The path goes in unchanged, blanks included.
    const QString comBrancos = Caminho(QStringLiteral(" com brancos .sqlite"));
    QVERIFY(QFile::copy(caminho, comBrancos));
    Modulo->Conectar(comBrancos);
    QCOMPARE(Modulo->sqlConexaoLocal->ParamValue(QStringLiteral("Database")), comBrancos);
    Lista->Open();
    QVERIFY(Lista->Active());
}

void TstDConexaoLocal::conectarComCaminhoVazioAbreBancoEmMemoria() {
    const QString anterior = QDir::currentPath();
    QVERIFY(QDir::setCurrent(Dir->path()));
    Modulo->Conectar(QString());
    QVERIFY(Modulo->sqlConexaoLocal->Connected());
    bool motor = false;
    const auto erro = ErroDe([&] { Lista->Open(); }, &motor);
    QDir::setCurrent(anterior);
    QCOMPARE(erro, Prefixo + QStringLiteral("no such table: tb_nfce"));
    QVERIFY(motor);
    QVERIFY(!Lista->Active());
    QVERIFY(Modulo->sqlConexaoLocal->Connected());
    QCOMPARE(QDir(Dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

void TstDConexaoLocal::conectarArquivoInexistenteCriaArquivoVazio() {
    const QString caminho = Caminho(QStringLiteral("novo.sqlite"));
    Modulo->Conectar(caminho);
    QVERIFY(QFile::exists(caminho));
    bool motor = false;
    QCOMPARE(ErroDe([&] { Lista->Open(); }, &motor), Prefixo + QStringLiteral("no such table: tb_nfce"));
    QVERIFY(motor);
    Modulo->Desconectar();
    QCOMPARE(QFileInfo(caminho).size(), 0);
}

void TstDConexaoLocal::conectarPastaInexistente() {
    const QString caminho = Caminho(QStringLiteral("nao-existe/dfe.sqlite"));
    bool motor = false;
    QCOMPARE(ErroDe([&] { Modulo->Conectar(caminho); }, &motor),
             Prefixo + QStringLiteral("unable to open database file"));
    QVERIFY(motor);
    QVERIFY(!Modulo->sqlConexaoLocal->Connected());
    QVERIFY(!QFileInfo::exists(Caminho(QStringLiteral("nao-existe"))));
}

void TstDConexaoLocal::arquivoQueNaoEBanco() {
    const QString caminho = Caminho(QStringLiteral("texto.sqlite"));
    QFile arquivo(caminho);
    QVERIFY(arquivo.open(QIODevice::WriteOnly));
    arquivo.write(QByteArray("Este arquivo nao e um banco de dados SQLite, apenas texto.\n").repeated(40));
    arquivo.close();
    const QByteArray antes = Hash(caminho);

    // The engine may notice at the open or only at the first statement; the text is the engine's own
    // ("file is encrypted or is not a database" in older releases).
    bool motor = false;
    const auto erro = ErroDe([&] { AbrirLista(caminho); }, &motor);
    QCOMPARE(erro, Prefixo + QString::fromUtf8(sqlite3_errstr(SQLITE_NOTADB)));
    QVERIFY(motor);
    QVERIFY(!Lista->Active());
    Modulo->Desconectar();
    QCOMPARE(Hash(caminho), antes);
}

void TstDConexaoLocal::conectarFechaALista() {
    const QString caminho = ArquivoCom({DfeFixture::SimpleRow(1)});
    AbrirLista(caminho);
    QVERIFY(Lista->Active());
    QSignalSpy fechada(Lista, &TDbQuery::Closed);
    Modulo->Conectar(caminho);
    QVERIFY(!Lista->Active());
    QCOMPARE(fechada.count(), 1);
    QVERIFY(Modulo->sqlConexaoLocal->Connected());
}

void TstDConexaoLocal::desconectar() {
    Modulo->Desconectar(); // closed already: nothing happens
    QVERIFY(!Modulo->sqlConexaoLocal->Connected());
    AbrirLista(ArquivoCom({DfeFixture::SimpleRow(1)}));
    Modulo->Desconectar();
    QVERIFY(!Lista->Active());
    QVERIFY(!Modulo->sqlConexaoLocal->Connected());
    Modulo->Desconectar();
    QVERIFY(!Modulo->sqlConexaoLocal->Connected());
}

void TstDConexaoLocal::vinculacao_data() {
    QTest::addColumn<QStringList>("alteracoes"); // "COLUNA=TIPO" declares, "-COLUNA" drops
    QTest::addColumn<QString>("mensagem");       // empty: the list opens

    const QString p = QStringLiteral("qryDocumentosEmitidos: ");
    QTest::newRow("padrão") << QStringList() << QString();
    QTest::newRow("sem NPROT") << QStringList{QStringLiteral("-NPROT")}
                               << p + QStringLiteral("Field 'NPROT' not found");
    QTest::newRow("nomes em minúsculas") << QStringList{QStringLiteral("-NPROT"), QStringLiteral("nprot=VARCHAR(15)")}
                                         << QString();
    QTest::newRow("DTHR_EMISSAO DATETIME")
        << QStringList{QStringLiteral("DTHR_EMISSAO=DATETIME")}
        << p + QStringLiteral("Type mismatch for field 'DTHR_EMISSAO', expecting: SQLTimeStamp actual: DateTime");
    QTest::newRow("ID_ZEVRIK TEXT")
        << QStringList{QStringLiteral("ID_ZEVRIK=TEXT")}
        << p + QStringLiteral("Type mismatch for field 'ID_ZEVRIK', expecting: String actual: WideMemo");
    QTest::newRow("ID_ZEVRIK NVARCHAR(50)")
        << QStringList{QStringLiteral("ID_ZEVRIK=NVARCHAR(50)")}
        << p + QStringLiteral("Type mismatch for field 'ID_ZEVRIK', expecting: String actual: WideString");
    QTest::newRow("SERIE BIGINT") << QStringList{QStringLiteral("SERIE=BIGINT")}
                                  << p + QStringLiteral(
                                             "Type mismatch for field 'SERIE', expecting: Integer actual: LargeInt");
    QTest::newRow("VALOR NUMERIC(10,3)")
        << QStringList{QStringLiteral("VALOR_DOCUMENTO=NUMERIC(10,3)")}
        << p + QStringLiteral("Size mismatch for field 'VALOR_DOCUMENTO', expecting: 2 actual: 3");
    QTest::newRow("VALOR REAL") << QStringList{QStringLiteral("VALOR_DOCUMENTO=REAL")}
                                << p + QStringLiteral(
                                           "Type mismatch for field 'VALOR_DOCUMENTO', expecting: BCD actual: Float");
    QTest::newRow("VALOR NUMERIC(12,2)") << QStringList{QStringLiteral("VALOR_DOCUMENTO=NUMERIC(12,2)")} << QString();
    QTest::newRow("VALOR DECIMAL(10,2)") << QStringList{QStringLiteral("VALOR_DOCUMENTO=DECIMAL(10,2)")} << QString();
    QTest::newRow("XML_ZEVRIK TEXT") << QStringList{QStringLiteral("XML_ZEVRIK=TEXT")} << QString();
    QTest::newRow("só a primeira falha, na ordem dos campos")
        << QStringList{QStringLiteral("-NPROT"), QStringLiteral("SERIE=BIGINT")}
        << p + QStringLiteral("Type mismatch for field 'SERIE', expecting: Integer actual: LargeInt");
}

void TstDConexaoLocal::vinculacao() {
    QFETCH(QStringList, alteracoes);
    QFETCH(QString, mensagem);

    DfeFixture fixture(Caminho());
    for (const QString& alteracao : alteracoes) {
        if (alteracao.startsWith(QLatin1Char('-'))) {
            fixture.Drop(alteracao.mid(1));
        } else {
            fixture.Declare(alteracao.section(QLatin1Char('='), 0, 0), alteracao.section(QLatin1Char('='), 1));
        }
    }
    fixture.Create().Insert(DfeFixture::SimpleRow(1));
    fixture.Close();

    bool motor = true;
    const auto erro = ErroDe([&] { AbrirLista(fixture.Path()); }, &motor);
    if (mensagem.isEmpty()) {
        QCOMPARE(erro, QString());
        QVERIFY(Lista->Active());
        QCOMPARE(Lista->FieldCount(), 17);
        QCOMPARE(Lista->FieldByName(QStringLiteral("NUMERO")).AsInteger(), 1);
    } else {
        QCOMPARE(erro, mensagem);
        QVERIFY2(!motor, "a binding failure is the layer's own error, not an engine error");
        QVERIFY(!Lista->Active());
        QVERIFY(Modulo->sqlConexaoLocal->Connected());
    }
}

void TstDConexaoLocal::colunasExtrasSaoIgnoradas() {
    DfeFixture fixture(Caminho());
    fixture.Declare(QStringLiteral("OBSERVACAO"), QStringLiteral("TEXT"))
        .Declare(QStringLiteral("CODIGO_LOJA"), QStringLiteral("INTEGER"))
        .Create();
    QVariantMap linha = DfeFixture::SimpleRow(7);
    linha.insert(QStringLiteral("OBSERVACAO"), QStringLiteral("extra"));
    fixture.Insert(linha).Close();

    AbrirLista(fixture.Path());
    QCOMPARE(Lista->FieldCount(), 17);
    QStringList nomes;
    for (const TDbFieldDef& campo : Lista->Fields()) {
        nomes.append(campo.Name);
    }
    QStringList esperados;
    for (const DfeFixture::Column& coluna : DfeFixture::DefaultColumns()) {
        esperados.append(coluna.first);
    }
    QCOMPARE(nomes, esperados);
    QCOMPARE(Lista->FieldByName(QStringLiteral("NUMERO")).AsInteger(), 7);
}

void TstDConexaoLocal::campoTextoEstreitaComAColuna() {
    QVariantMap linha = DfeFixture::SimpleRow(1);
    linha.insert(QStringLiteral("NPROT"), QStringLiteral("1234567890"));
    DfeFixture fixture(Caminho());
    fixture.Declare(QStringLiteral("NPROT"), QStringLiteral("VARCHAR(10)"))
        .Declare(QStringLiteral("XMOTIVO"), QStringLiteral("VARCHAR(500)"))
        .Create()
        .Insert(linha)
        .Close();
    AbrirLista(fixture.Path());
    QCOMPARE(Lista->FieldByName(QStringLiteral("NPROT")).AsString(), QStringLiteral("1234567890"));
    QCOMPARE(Lista->Fields().at(11).Name, QStringLiteral("NPROT"));
    QCOMPARE(Lista->Fields().at(11).Size, 10);
    QCOMPARE(Lista->Fields().at(8).Size, 255);
}

void TstDConexaoLocal::leituraDaEmissao_data() {
    QTest::addColumn<QVariant>("armazenado");
    QTest::addColumn<QDateTime>("lido"); // invalid: null

    const QDate dia(2016, 4, 30);
    QTest::newRow("texto ano-mês-dia") << QVariant(QStringLiteral("2016-04-30 23:59:59"))
                                       << QDateTime(dia, QTime(23, 59, 59), Qt::UTC);
    QTest::newRow("texto com T, sem segundos")
        << QVariant(QStringLiteral("2016-04-30T10:00")) << QDateTime(dia, QTime(10, 0), Qt::UTC);
    QTest::newRow("milissegundos") << QVariant(QStringLiteral("2016-04-30 10:00:01.250"))
                                   << QDateTime(dia, QTime(10, 0, 1, 250), Qt::UTC);
    QTest::newRow("dia juliano real") << QVariant(2457508.5) << QDateTime(dia, QTime(0, 0), Qt::UTC);
    QTest::newRow("dia.mês.ano") << QVariant(QStringLiteral("30.04.2016 10:00:00"))
                                 << QDateTime(dia, QTime(10, 0), Qt::UTC);
    QTest::newRow("texto ilegível") << QVariant(QStringLiteral("ontem")) << QDateTime();
    QTest::newRow("nulo") << QVariant() << QDateTime();
}

void TstDConexaoLocal::leituraDaEmissao() {
    QFETCH(QVariant, armazenado);
    QFETCH(QDateTime, lido);

    QVariantMap linha = DfeFixture::SimpleRow(1);
    linha.insert(QStringLiteral("DTHR_EMISSAO"), armazenado);
    AbrirLista(ArquivoCom({linha}));
    const TDbField campo = Lista->FieldByName(QStringLiteral("DTHR_EMISSAO"));
    if (!lido.isValid()) {
        QVERIFY(campo.IsNull());
        return;
    }
    QCOMPARE(campo.AsDateTime().date(), lido.date());
    QCOMPARE(campo.AsDateTime().time(), lido.time());
}

void TstDConexaoLocal::idSemBrancosFinais() {
    QVariantMap linha = DfeFixture::SimpleRow(1);
    linha.insert(QStringLiteral("ID_ZEVRIK"), QStringLiteral(" ID 42 \t \r\n"));
    AbrirLista(ArquivoCom({linha}));
    QCOMPARE(Lista->FieldByName(QStringLiteral("ID_ZEVRIK")).AsString(), QStringLiteral(" ID 42"));
}

void TstDConexaoLocal::textoAlemDoTamanhoFalhaNaLeitura_data() {
    QTest::addColumn<int>("ruim");
    QTest::addColumn<bool>("falhaAoAbrir");
    QTest::newRow("primeira linha") << 1 << true;
    QTest::newRow("segunda linha") << 2 << true;
    QTest::newRow("última das primeiras linhas") << TDbQuery::BatchSize << true;
    QTest::newRow("depois das primeiras linhas") << TDbQuery::BatchSize + 1 << false;
}

void TstDConexaoLocal::textoAlemDoTamanhoFalhaNaLeitura() {
    QFETCH(int, ruim);
    QFETCH(bool, falhaAoAbrir);
    const QString estouro = QStringLiteral("[Strata][DatS]-32. Variable length column [ID_ZEVRIK] overflow. "
                                           "Value length - [51], column maximum length - [50]");
    QVariantMap longa = DfeFixture::SimpleRow(ruim);
    longa.insert(QStringLiteral("ID_ZEVRIK"), QString(51, QLatin1Char('X')));
    DfeFixture fixture(Caminho());
    fixture.Create().InsertSimple(ruim - 1).Insert(longa).InsertSimple(10, ruim + 1).Close();
    Modulo->Conectar(fixture.Path());

    const QString erro = ErroDe([&] { Lista->Open(); });
    if (falhaAoAbrir) {
        QCOMPARE(erro, estouro);
        QVERIFY(!Lista->Active());
        QVERIFY(Modulo->sqlConexaoLocal->Connected());
        return;
    }
    // Past the rows the open reads, the overflow surfaces when the walk reaches its row.
    QCOMPARE(erro, QString());
    QVERIFY(Lista->Active());
    QCOMPARE(Lista->FetchedRowCount(), TDbQuery::BatchSize);
    QCOMPARE(ErroDe([&] { Lista->MoveTo(ruim - 1); }), estouro);
}

void TstDConexaoLocal::valorDecimal() {
    QVariantMap linha = DfeFixture::SimpleRow(1);
    linha.insert(QStringLiteral("VALOR_DOCUMENTO"), 12.5);
    QVariantMap texto = DfeFixture::SimpleRow(2);
    texto.insert(QStringLiteral("VALOR_DOCUMENTO"), QStringLiteral("7.25"));
    AbrirLista(ArquivoCom({linha, texto}));
    QCOMPARE(Lista->FieldByName(QStringLiteral("VALOR_DOCUMENTO")).AsFloat(), 12.5);
    Lista->Next();
    QCOMPARE(Lista->FieldByName(QStringLiteral("VALOR_DOCUMENTO")).AsFloat(), 7.25);
}

void TstDConexaoLocal::arquivoNuncaEAlterado() {
    DfeFixture fixture(Caminho());
    fixture.Create().InsertSimple(500).Close();
    const QByteArray antes = Hash(fixture.Path());
    QVERIFY(!antes.isEmpty());

    AbrirLista(fixture.Path());
    int linhas = 0;
    for (; !Lista->Eof(); Lista->Next()) {
        QVERIFY(!Lista->FieldByName(QStringLiteral("XML_ZEVRIK")).AsString().isEmpty());
        ++linhas;
    }
    QCOMPARE(linhas, 500);
    Lista->Open(QStringLiteral("select * from tb_nfce where NUMERO > 250"));
    Lista->Close();
    Modulo->Desconectar();
    QCOMPARE(Hash(fixture.Path()), antes);
    const QStringList sobras =
        QDir(Dir->path())
            .entryList({QStringLiteral("*-journal"), QStringLiteral("*-wal"), QStringLiteral("*-shm")},
                       QDir::Files | QDir::Hidden);
    QCOMPARE(sobras, QStringList());
}

QTEST_GUILESS_MAIN(TstDConexaoLocal)
#include "tst_dconexaolocal.moc"
