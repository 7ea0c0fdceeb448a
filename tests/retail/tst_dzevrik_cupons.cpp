// The retail module's statements against the SQL Server stand-in through the FreeTDS driver.
#include "RetailFixture.h"

#include "app/TComboBoxItems.h"
#include "data/TDbErrors.h"
#include "retail/IItemList.h"

#include <QComboBox>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <utility>

namespace {

/// Records every call; Add fails from the given item on, as a walk that breaks off would.
class ListaGravada : public IItemList {
public:
    void BeginUpdate() override { Chamadas << QStringLiteral("BeginUpdate"); }
    void EndUpdate() override { Chamadas << QStringLiteral("EndUpdate"); }
    void Clear() override {
        Chamadas << QStringLiteral("Clear");
        Itens.clear();
    }
    void Add(const QString& AItem) override {
        if (Itens.size() == FalharNoItem)
            throw std::runtime_error("walk broken off");
        Chamadas << QStringLiteral("Add");
        Itens << AItem;
    }
    QStringList Chamadas;
    QStringList Itens;
    qsizetype FalharNoItem = -1;
};

QStringList ItensDe(const QComboBox& ACombo) {
    QStringList Itens;
    for (int I = 0; I < ACombo.count(); ++I)
        Itens << ACombo.itemText(I);
    return Itens;
}

QStringList Ordenada(QStringList ALista) {
    ALista.sort();
    return ALista;
}

/// The lines joined with CR LF, as the retail statements are sent.
QString Linhas(std::initializer_list<const char*> ALinhas) {
    QStringList Texto;
    for (const char* Linha : ALinhas)
        Texto << QString::fromUtf8(Linha);
    return Texto.join(QStringLiteral("\r\n"));
}

QString XmlReducaoZ(const QString& ADia) {
    return QStringLiteral("<reducaoZ><dt_movimento>%1</dt_movimento><total>10.00</total></reducaoZ>").arg(ADia);
}

} // namespace

class TstDZevrik : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { F = std::make_unique<RetailFixture>(); }
    void cleanupTestCase() { F.reset(); }
    void init() {
        F->Limpar();
        F->ConfigurarStandIn();
        F->Modulo().SetSeparadorData(u'/');
    }
    void cleanup() { QVERIFY(!F->Modulo().sqlConexao.Connected()); }

    // ---- GetRefInternSemMpieceOle
    void pendingNoneIsEmptyText() {
        QCOMPARE(F->Modulo().GetRefInternSemMpieceOle(), QString());
        F->InserirPiece(QStringLiteral("FFO"), QStringLiteral("S1"), 1, QStringLiteral("R1"));
        F->InserirLigne(QStringLiteral("001"), QStringLiteral("S1"), 1, 1, 0);
        QCOMPARE(F->Modulo().GetRefInternSemMpieceOle(), QString());
    }

    void pendingQuotesEachReference_data() {
        // clang-format off
        QTest::addColumn<QString>("referencia");
        QTest::addColumn<QString>("lista");
        QTest::newRow("simples") << "A1" << "('A1')";
        QTest::newRow("aspa dobrada") << "B'2" << "('B''2')";
        QTest::newRow("duas aspas seguidas") << "''" << "('''''')";
        QTest::newRow("ponto e virgula e acentos") << "Ação;1" << "('Ação;1')";
        QTest::newRow("nula") << QString() << "('')";
        // clang-format on
    }
    void pendingQuotesEachReference() {
        QFETCH(QString, referencia);
        QFETCH(QString, lista);
        F->InserirPiece(QStringLiteral("FFO"), QStringLiteral("S1"), 1, referencia);
        F->InserirLigne(QStringLiteral("001"), QStringLiteral("S1"), 1, 1, 2);
        QCOMPARE(F->Modulo().GetRefInternSemMpieceOle(), lista);
    }

    void pendingListsEveryPendingDocument() {
        const QStringList Referencias{QStringLiteral("A1"), QStringLiteral("B'2"), QStringLiteral("C3")};
        for (int I = 0; I < Referencias.size(); ++I) {
            F->InserirPiece(QStringLiteral("FFO"), QStringLiteral("S1"), I + 1, Referencias[I]);
            F->InserirLigne(QStringLiteral("001"), QStringLiteral("S1"), I + 1, 1, 1);
        }
        const QString Lista = F->Modulo().GetRefInternSemMpieceOle();
        QVERIFY2(Lista.startsWith(u'(') && Lista.endsWith(u')'), qPrintable(Lista));
        // No ORDER BY: the order is the server's.
        QCOMPARE(Ordenada(Lista.mid(1, Lista.size() - 2).split(u',')),
                 QStringList({QStringLiteral("'A1'"), QStringLiteral("'B''2'"), QStringLiteral("'C3'")}));
    }

    void pendingSelection_data() {
        // clang-format off
        QTest::addColumn<QString>("natureza");
        QTest::addColumn<QString>("tipo");
        QTest::addColumn<QString>("lojaDaLinha");
        QTest::addColumn<double>("qteReste");
        QTest::addColumn<QString>("qualificanteDaNota");
        QTest::addColumn<bool>("pendente");
        QTest::newRow("pendente") << "FFO" << "TIC" << "001" << 1.0 << QString() << true;
        QTest::newRow("resto fracionario") << "FFO" << "TIC" << "001" << 0.5 << QString() << true;
        QTest::newRow("outra natureza") << "FAC" << "TIC" << "001" << 1.0 << QString() << false;
        QTest::newRow("outro tipo") << "FFO" << "FAC" << "001" << 1.0 << QString() << false;
        QTest::newRow("linha sem resto") << "FFO" << "TIC" << "001" << 0.0 << QString() << false;
        QTest::newRow("resto negativo") << "FFO" << "TIC" << "001" << -1.0 << QString() << false;
        QTest::newRow("linha de outra loja") << "FFO" << "TIC" << "002" << 1.0 << QString() << false;
        QTest::newRow("sem linha") << "FFO" << "TIC" << QString() << 1.0 << QString() << false;
        QTest::newRow("nota PRR") << "FFO" << "TIC" << "001" << 1.0 << "PRR" << false;
        QTest::newRow("nota de outro qualificante") << "FFO" << "TIC" << "001" << 1.0 << "XYZ" << false;
        // clang-format on
    }
    void pendingSelection() {
        QFETCH(QString, natureza);
        QFETCH(QString, tipo);
        QFETCH(QString, lojaDaLinha);
        QFETCH(double, qteReste);
        QFETCH(QString, qualificanteDaNota);
        QFETCH(bool, pendente);
        F->InserirPiece(natureza, QStringLiteral("S1"), 7, QStringLiteral("R7"), tipo, QStringLiteral("001"));
        if (!lojaDaLinha.isNull())
            F->InserirLigne(lojaDaLinha, QStringLiteral("S1"), 7, 1, qteReste);
        if (!qualificanteDaNota.isNull())
            F->InserirNota(QStringLiteral("ZZZ"), QStringLiteral("S1"), 7, qualificanteDaNota);
        QCOMPARE(F->Modulo().GetRefInternSemMpieceOle(), pendente ? QStringLiteral("('R7')") : QString());
    }

    void pendingLeavesOutReferenceWithNul() {
        const QString ComNul = QStringLiteral("A") + QChar(0) + QStringLiteral("B");
        const QList<std::pair<int, QString>> Documentos{
            {1, QStringLiteral("A1")}, {2, ComNul}, {3, QStringLiteral("C3")}};
        for (const auto& [Numero, Ref] : Documentos) {
            F->InserirPiece(QStringLiteral("FFO"), QStringLiteral("TIC001"), Numero, Ref);
            F->InserirLigne(QStringLiteral("001"), QStringLiteral("TIC001"), Numero, 1, 2);
        }
        QCOMPARE(F->Banco().scalar(QStringLiteral("select count(*) from piece where GP_REFINTERNE = @P1"), {ComNul}),
                 QVariant(1LL));
        const QString Lista = F->Modulo().GetRefInternSemMpieceOle();
        QVERIFY2(Lista.startsWith(u'(') && Lista.endsWith(u')'), qPrintable(Lista));
        QCOMPARE(Ordenada(Lista.mid(1, Lista.size() - 2).split(u',')),
                 QStringList({QStringLiteral("'A1'"), QStringLiteral("'C3'")}));
    }

    void pendingOnlyReferenceWithNulGivesEmptyText() {
        F->InserirPiece(QStringLiteral("FFO"), QStringLiteral("TIC001"), 1, QStringLiteral("A") + QChar(0));
        F->InserirLigne(QStringLiteral("001"), QStringLiteral("TIC001"), 1, 1, 2);
        const QString Lista = F->Modulo().GetRefInternSemMpieceOle();
        QVERIFY2(Lista.isEmpty(), qPrintable(QString(Lista).replace(QChar(0), QLatin1String("<NUL>"))));
    }

    void pendingFailureClosesEverything() {
        F->Banco().setFault(QStringLiteral("error"), {208, QStringLiteral("GP_REFINTERNE")});
        try {
            F->Modulo().GetRefInternSemMpieceOle();
            QFAIL("no error");
        } catch (const EDbEngineError& E) {
            QVERIFY2(E.message().startsWith(QLatin1String("[Strata][Phys][ODBC]")), qPrintable(E.message()));
            QVERIFY2(E.message().contains(QLatin1String("Invalid object name")), qPrintable(E.message()));
        }
        QVERIFY(!F->Modulo().sqlConexao.Connected());
    }

    // ---- SalvarCupomFiscalBD
    void couponStoredOncePerDocument() {
        TdtmZEVRIK& M = F->Modulo();
        F->InserirPiece(QStringLiteral("FFO"), QStringLiteral("S1"), 1, QStringLiteral("R1"), QStringLiteral("TIC"),
                        QStringLiteral("001"), 0);
        F->InserirPiece(QStringLiteral("FAC"), QStringLiteral("S2"), 5, QStringLiteral("R1"), QStringLiteral("XXX"),
                        QStringLiteral("002"), 3);
        F->InserirPiece(QStringLiteral("FFO"), QStringLiteral("S1"), 2, QStringLiteral("R2"));
        const QString Xml = QStringLiteral("<NFe>1</NFe>");
        QCOMPARE(M.SalvarCupomFiscalBD(QStringLiteral("R1"), Xml), 2);
        const QList<QVariantList> Notas =
            F->Banco().query(QStringLiteral("select MBP_NATUREPIECEG, MBP_SOUCHE, MBP_NUMERO, MBP_INDICEG, "
                                            "MBP_QUALIFIANTOLE, MBP_BLOCNOTE from MPIECEOLE order by MBP_SOUCHE"));
        QCOMPARE(Notas.size(), 2);
        QCOMPARE(Notas[0],
                 QVariantList({QStringLiteral("FFO"), QStringLiteral("S1"), 1, 0, QStringLiteral("PRR"), Xml}));
        QCOMPARE(Notas[1],
                 QVariantList({QStringLiteral("FAC"), QStringLiteral("S2"), 5, 3, QStringLiteral("PRR"), Xml}));

        // A second run finds both documents done and changes nothing.
        QCOMPARE(M.SalvarCupomFiscalBD(QStringLiteral("R1"), QStringLiteral("<NFe>2</NFe>")), 0);
        QCOMPARE(F->Banco().scalar(QStringLiteral("select count(*) from MPIECEOLE")).toInt(), 2);
        QCOMPARE(F->Banco()
                     .scalar(QStringLiteral("select count(*) from MPIECEOLE where MBP_BLOCNOTE = N'<NFe>1</NFe>'"))
                     .toInt(),
                 2);
    }

    void couponOfUnknownReferenceStoresNothing() {
        F->InserirPiece(QStringLiteral("FFO"), QStringLiteral("S1"), 1, QStringLiteral("R1"));
        QCOMPARE(F->Modulo().SalvarCupomFiscalBD(QStringLiteral("R9"), QStringLiteral("<x/>")), 0);
        QCOMPARE(F->Modulo().SalvarCupomFiscalBD(QString(), QStringLiteral("<x/>")), 0);
        QCOMPARE(F->Banco().scalar(QStringLiteral("select count(*) from MPIECEOLE")).toInt(), 0);
    }

    void couponOfDocumentWithAnyNoteStoresNothing() {
        F->InserirPiece(QStringLiteral("FFO"), QStringLiteral("S1"), 1, QStringLiteral("R1"));
        F->InserirNota(QStringLiteral("FFO"), QStringLiteral("S1"), 1, QStringLiteral("XYZ"));
        QCOMPARE(F->Modulo().SalvarCupomFiscalBD(QStringLiteral("R1"), QStringLiteral("<x/>")), 0);
        QCOMPARE(F->Banco().scalar(QStringLiteral("select count(*) from MPIECEOLE")).toInt(), 1);
    }

    void couponTextsStoredExactly_data() {
        // clang-format off
        QTest::addColumn<QString>("referencia");
        QTest::addColumn<QString>("xml");
        QTest::newRow("aspas e ponto e virgula") << "R'1;--" << "<a b=\"1\" c='2'>x'; drop table piece; --</a>";
        QTest::newRow("acentos na referencia") << "ÇÃO-é" << "<a>ok</a>";
        QTest::newRow("fora do latim") << "R1"
            << QStringLiteral("<a>Ação € ∑ 日本語 Ελληνικά кириллица \U0001F600</a>");
        QTest::newRow("marcador no texto") << "R:1" << "<a>:MBP_BLOCNOTE ? @P1</a>";
        QString Mega = QStringLiteral("<NFe>");
        while (Mega.size() < 1024 * 1024)
            Mega += QStringLiteral("<det nItem=\"%1\">Café ação 日本 \"'</det>\r\n").arg(Mega.size());
        Mega += QStringLiteral("</NFe>");
        QTest::newRow("1 MB") << "R1" << Mega;
        // clang-format on
    }
    void couponTextsStoredExactly() {
        QFETCH(QString, referencia);
        QFETCH(QString, xml);
        F->InserirPiece(QStringLiteral("FFO"), QStringLiteral("S1"), 1, referencia);
        F->InserirPiece(QStringLiteral("FFO"), QStringLiteral("S1"), 2, referencia + QStringLiteral("x"));
        QCOMPARE(F->Modulo().SalvarCupomFiscalBD(referencia, xml), 1);
        const QList<QVariantList> Notas =
            F->Banco().query(QStringLiteral("select MBP_NUMERO, MBP_BLOCNOTE from MPIECEOLE"));
        QCOMPARE(Notas.size(), 1);
        QCOMPARE(Notas[0][0].toInt(), 1);
        const QString Guardado = Notas[0][1].toString();
        QCOMPARE(Guardado.size(), xml.size());
        QVERIFY(Guardado == xml);
    }

    void couponFailureReachesCallerUnchanged() {
        F->InserirPiece(QStringLiteral("FFO"), QStringLiteral("S1"), 1, QStringLiteral("R1"));
        F->Banco().setFault(QStringLiteral("error"), {2627, QStringLiteral("INSERT INTO MPIECEOLE")});
        try {
            F->Modulo().SalvarCupomFiscalBD(QStringLiteral("R1"), QStringLiteral("<x/>"));
            QFAIL("no error");
        } catch (const EDbEngineError& E) {
            QVERIFY2(E.message().startsWith(QLatin1String("[Strata][Phys][ODBC]")), qPrintable(E.message()));
            QVERIFY2(E.message().contains(QLatin1String("Violation of PRIMARY KEY")), qPrintable(E.message()));
            QCOMPARE(E.Records.value(0).Kind, TDbErrorKind::UKViolated);
        }
        QVERIFY(!F->Modulo().sqlConexao.Connected());
        F->Banco().clearFaults();
        QCOMPARE(F->Modulo().SalvarCupomFiscalBD(QStringLiteral("R1"), QStringLiteral("<x/>")), 1);
    }

    void connectionDroppedDuringInsert() {
        F->InserirPiece(QStringLiteral("FFO"), QStringLiteral("S1"), 1, QStringLiteral("R1"));
        F->Banco().setFault(QStringLiteral("drop_on"), {QStringLiteral("INSERT INTO MPIECEOLE")});
        const int Antes = RetailFixture::SocketsAbertos();
        QVERIFY_THROWS_EXCEPTION(EDbEngineError,
                                 F->Modulo().SalvarCupomFiscalBD(QStringLiteral("R1"), QStringLiteral("<x/>")));
        QVERIFY(!F->Modulo().sqlConexao.Connected());
        QCOMPARE(RetailFixture::SocketsAbertos(), Antes);
        QCOMPARE(F->Banco().scalar(QStringLiteral("select count(*) from MPIECEOLE")).toInt(), 0);
        F->Banco().clearFaults();
        QCOMPARE(F->Modulo().SalvarCupomFiscalBD(QStringLiteral("R1"), QStringLiteral("<x/>")), 1);
    }

    // ---- IsValidStore and PopularComboBox
    void validStore_data() {
        // clang-format off
        QTest::addColumn<QString>("loja");
        QTest::addColumn<bool>("valida");
        QTest::newRow("existente") << "001" << true;
        QTest::newRow("outra existente") << "L'02" << true;
        QTest::newRow("inexistente") << "999" << false;
        QTest::newRow("vazia") << "" << false;
        QTest::newRow("prefixo") << "00" << false;
        // clang-format on
    }
    void validStore() {
        QFETCH(QString, loja);
        QFETCH(bool, valida);
        F->InserirLoja(QStringLiteral("001"));
        F->InserirLoja(QStringLiteral("L'02"));
        QCOMPARE(F->Modulo().IsValidStore(loja), valida);
    }

    void comboFilledWithEveryStore() {
        const QStringList Lojas{QStringLiteral("001"), QStringLiteral("002"), QStringLiteral("ÇÃO"),
                                QStringLiteral("LOJA06")};
        for (const QString& Loja : Lojas)
            F->InserirLoja(Loja);
        QComboBox Combo;
        Combo.addItems({QStringLiteral("velho"), QStringLiteral("antigo")});
        Combo.setCurrentIndex(1);
        TComboBoxItems Itens(Combo);
        F->Modulo().PopularComboBox(Itens);
        QCOMPARE(Ordenada(ItensDe(Combo)), Ordenada(Lojas));
        QCOMPARE(Combo.currentIndex(), -1);
        QVERIFY(Combo.updatesEnabled());
        QVERIFY(!F->Modulo().qryLojas.Active());
    }

    void comboOfEmptyTableIsEmptied() {
        QComboBox Combo;
        Combo.addItems({QStringLiteral("velho")});
        TComboBoxItems Itens(Combo);
        F->Modulo().PopularComboBox(Itens);
        QCOMPARE(Combo.count(), 0);
    }

    void comboKeptWhenStoresCannotBeRead_data() {
        // clang-format off
        QTest::addColumn<QString>("falha");
        QTest::newRow("servidor inalcancavel") << "servidor";
        QTest::newRow("sem configuracao") << "configuracao";
        QTest::newRow("erro ao abrir") << "abertura";
        QTest::newRow("conexao cai ao abrir") << "queda";
        // clang-format on
    }
    void comboKeptWhenStoresCannotBeRead() {
        QFETCH(QString, falha);
        F->InserirLoja(QStringLiteral("001"));
        if (falha == QLatin1String("servidor"))
            F->Config().SetServidor(QStringLiteral("127.0.0.1,%1").arg(RetailFixture::PortaSemServidor()));
        else if (falha == QLatin1String("configuracao"))
            F->Config().SetSenha(QString());
        else if (falha == QLatin1String("abertura"))
            F->Banco().setFault(QStringLiteral("error"), {208, QStringLiteral("from ETABLISS")});
        else
            F->Banco().setFault(QStringLiteral("drop_on"), {QStringLiteral("ETABLISS")});
        QComboBox Combo;
        Combo.addItems({QStringLiteral("velho"), QStringLiteral("antigo")});
        Combo.setCurrentIndex(1);
        TComboBoxItems Itens(Combo);
        F->Modulo().PopularComboBox(Itens); // never raises
        QCOMPARE(ItensDe(Combo), QStringList({QStringLiteral("velho"), QStringLiteral("antigo")}));
        QCOMPARE(Combo.currentIndex(), 1);
        QVERIFY(Combo.updatesEnabled());
        QVERIFY(!F->Modulo().qryLojas.Active());
    }

    void comboKeepsIdsReadBeforeABrokenWalk() {
        for (const char* Loja : {"001", "002", "003"})
            F->InserirLoja(QString::fromLatin1(Loja));
        ListaGravada Lista;
        Lista.Itens = QStringList({QStringLiteral("velho")});
        Lista.FalharNoItem = 2;
        F->Modulo().PopularComboBox(Lista);
        QCOMPARE(Lista.Itens.size(), 2);
        QCOMPARE(Lista.Chamadas,
                 QStringList({QStringLiteral("BeginUpdate"), QStringLiteral("Clear"), QStringLiteral("Add"),
                              QStringLiteral("Add"), QStringLiteral("EndUpdate")}));
        QVERIFY(!F->Modulo().qryLojas.Active());
    }

    // ---- SalvarReducaoZBD and IsReducaoZSalva
    void reductionNumbering_data() {
        // clang-format off
        QTest::addColumn<QList<int>>("daLoja");
        QTest::addColumn<QList<int>>("deOutraLoja");
        QTest::addColumn<int>("numero");
        QTest::newRow("primeira") << QList<int>() << QList<int>() << 9000001;
        QTest::newRow("17 e 9000000") << QList<int>({17, 9000000}) << QList<int>() << 9000001;
        QTest::newRow("9000001 e 9000005") << QList<int>({9000001, 9000005}) << QList<int>() << 9000006;
        QTest::newRow("outra loja ignorada") << QList<int>({9000002}) << QList<int>({9000050}) << 9000003;
        QTest::newRow("so outra loja") << QList<int>() << QList<int>({9000050}) << 9000001;
        // clang-format on
    }
    void reductionNumbering() {
        QFETCH(QList<int>, daLoja);
        QFETCH(QList<int>, deOutraLoja);
        QFETCH(int, numero);
        for (int N : daLoja)
            F->InserirReducaoZ(QStringLiteral("001"), QStringLiteral("PRZ"), N, XmlReducaoZ(QStringLiteral("x")));
        for (int N : deOutraLoja)
            F->InserirReducaoZ(QStringLiteral("002"), QStringLiteral("PRZ"), N, XmlReducaoZ(QStringLiteral("x")));
        const QString Xml = XmlReducaoZ(QStringLiteral("25/04/2016"));
        F->Modulo().SalvarReducaoZBD(QStringLiteral("001"), Xml);
        const QList<QVariantList> Novas = F->Banco().query(
            QStringLiteral("select MBJ_CAISSE, MBJ_QUALIFIANTOLE, MBJ_NUMZCAISSE from MJOURSCAISSEOLE where "
                           "MBJ_BLOCNOTE = @P1"),
            {Xml});
        QCOMPARE(Novas, QList<QVariantList>({{QStringLiteral("001"), QStringLiteral("PRZ"), numero}}));
    }

    void reductionNumbersFollowEachOther() {
        TdtmZEVRIK& M = F->Modulo();
        M.SalvarReducaoZBD(QStringLiteral("001"), XmlReducaoZ(QStringLiteral("1")));
        M.SalvarReducaoZBD(QStringLiteral("001"), XmlReducaoZ(QStringLiteral("2")));
        M.SalvarReducaoZBD(QStringLiteral("002"), XmlReducaoZ(QStringLiteral("3")));
        QCOMPARE(F->Banco().query(QStringLiteral("select MBJ_CAISSE, MBJ_NUMZCAISSE from MJOURSCAISSEOLE order by "
                                                 "MBJ_CAISSE, MBJ_NUMZCAISSE")),
                 QList<QVariantList>({{QStringLiteral("001"), 9000001},
                                      {QStringLiteral("001"), 9000002},
                                      {QStringLiteral("002"), 9000001}}));
    }

    void reductionSaved_data() {
        // clang-format off
        QTest::addColumn<QChar>("separador");
        QTest::addColumn<QString>("loja");
        QTest::addColumn<QString>("qualificante");
        QTest::addColumn<QString>("diaGuardado");
        QTest::addColumn<bool>("salva");
        QTest::newRow("barra") << QChar(u'/') << "001" << "PRZ" << "25/04/2016" << true;
        QTest::newRow("hifen") << QChar(u'-') << "001" << "PRZ" << "25-04-2016" << true;
        QTest::newRow("hifen contra barra") << QChar(u'-') << "001" << "PRZ" << "25/04/2016" << false;
        QTest::newRow("barra contra hifen") << QChar(u'/') << "001" << "PRZ" << "25-04-2016" << false;
        QTest::newRow("outro dia") << QChar(u'/') << "001" << "PRZ" << "26/04/2016" << false;
        QTest::newRow("outra forma do dia") << QChar(u'/') << "001" << "PRZ" << "2016-04-25" << false;
        QTest::newRow("outra loja") << QChar(u'/') << "002" << "PRZ" << "25/04/2016" << false;
        QTest::newRow("outro qualificante") << QChar(u'/') << "001" << "PRX" << "25/04/2016" << false;
        // clang-format on
    }
    void reductionSaved() {
        QFETCH(QChar, separador);
        QFETCH(QString, loja);
        QFETCH(QString, qualificante);
        QFETCH(QString, diaGuardado);
        QFETCH(bool, salva);
        F->InserirReducaoZ(loja, qualificante, 9000001, XmlReducaoZ(diaGuardado));
        F->Modulo().SetSeparadorData(separador);
        // Only the day counts, not the time of day.
        const QDateTime Movimento(QDate(2016, 4, 25), QTime(23, 59, 59));
        QCOMPARE(F->Modulo().IsReducaoZSalva(QStringLiteral("001"), Movimento), salva);
    }

    void reductionWithLongXmlStoredWhole() {
        QString Xml = XmlReducaoZ(QStringLiteral("25/04/2016"));
        Xml.insert(Xml.indexOf(QLatin1String("</reducaoZ>")),
                   QStringLiteral("<obs>%1</obs>").arg(QString(9072 - Xml.size() - 11, u'ç')));
        QCOMPARE(Xml.size(), 9072);
        F->Modulo().SalvarReducaoZBD(QStringLiteral("001"), Xml);
        QCOMPARE(F->Banco().query(QStringLiteral("select len(MBJ_BLOCNOTE), MBJ_BLOCNOTE from MJOURSCAISSEOLE")),
                 QList<QVariantList>({{9072, Xml}}));
    }

    void reductionSavedThroughTheModule() {
        F->Modulo().SalvarReducaoZBD(QStringLiteral("001"), XmlReducaoZ(QStringLiteral("25/04/2016")));
        QVERIFY(F->Modulo().IsReducaoZSalva(QStringLiteral("001"), QDateTime(QDate(2016, 4, 25), QTime(8, 0))));
        QVERIFY(!F->Modulo().IsReducaoZSalva(QStringLiteral("001"), QDateTime(QDate(2016, 4, 24), QTime(8, 0))));
    }

    void reductionWithMalformedXmlFailsOnTheServer() {
        F->InserirReducaoZ(QStringLiteral("001"), QStringLiteral("PRZ"), 9000001,
                           QStringLiteral("<reducaoZ><dt_movimento>"));
        try {
            F->Modulo().IsReducaoZSalva(QStringLiteral("001"), QDateTime(QDate(2016, 4, 25), QTime()));
            QFAIL("no error");
        } catch (const EDbEngineError& E) {
            QVERIFY2(E.message().startsWith(QLatin1String("[Strata][Phys][ODBC]")), qPrintable(E.message()));
            QVERIFY(!E.Records.isEmpty());
        }
        QVERIFY(!F->Modulo().sqlConexao.Connected());
    }

    // ---- the statements as the server receives them
    void statementTexts_data() {
        QTest::addColumn<QString>("padrao");
        QTest::addColumn<QString>("texto");
        // Each statement as the server is meant to read it, one source line per line; CR LF between lines.
        // clang-format off
        QTest::newRow("pendentes") << "GP_REFINTERNE\\s+from" << Linhas({
            "select",
            "  piece.GP_REFINTERNE",
            "from",
            "  piece",
            "where",
            "  1=1",
            "  and piece.GP_NATUREPIECEG = 'FFO'",
            "  and piece.GP_TYPECOMPTA = 'TIC'",
            "  and not exists (",
            "    select",
            "      top 1 1",
            "    from",
            "      MPIECEOLE",
            "    where",
            "      1=1",
            "      and mpieceole.MBP_SOUCHE = piece.GP_SOUCHE",
            "      and mpieceole.MBP_NUMERO = piece.GP_NUMERO",
            "  )",
            "  and exists (",
            "    select",
            "      top 1 1",
            "    from",
            "      LIGNE",
            "    where",
            "      1=1",
            "      and LIGNE.GL_ETABLISSEMENT = piece.GP_ETABLISSEMENT",
            "      and LIGNE.gl_souche = piece.gp_souche",
            "      and LIGNE.gl_numero = piece.gp_numero",
            "      and GL_QTERESTE > 0",
            "  )",
        });
        QTest::newRow("cupom") << "INSERT INTO MPIECEOLE" << Linhas({
            "INSERT INTO MPIECEOLE (",
            "  MBP_NUMERO,",
            "  MBP_NATUREPIECEG,",
            "  MBP_SOUCHE,",
            "  MBP_INDICEG,",
            "  MBP_QUALIFIANTOLE,",
            "  MBP_BLOCNOTE",
            ")",
            "select",
            "  piece.GP_NUMERO,",
            "  piece.GP_NATUREPIECEG,",
            "  piece.GP_SOUCHE,",
            "  piece.GP_INDICEG,",
            "  :MBP_QUALIFIANTOLE,",
            "  :MBP_BLOCNOTE",
            "from",
            "  piece",
            "where piece.GP_REFINTERNE = :GP_REFINTERNE and not exists (select mbp_numero from mpieceole where "
            "mbp_souche=piece.gp_souche and mbp_numero=piece.gp_numero)",
        });
        QTest::newRow("loja") << "count\\(ET_ETABLISSEMENT\\)" << Linhas({
            "select count(ET_ETABLISSEMENT) from ETABLISS where ET_ETABLISSEMENT = :IDLOJA",
        });
        QTest::newRow("reducao salva") << "cross apply" << Linhas({
            "SELECT",
            "  count(*)",
            "FROM",
            "  MJOURSCAISSEOLE",
            "  cross apply (select cast(MBJ_BLOCNOTE as xml)) as REDUCAOZ(XML_FIELD)",
            "where",
            "  1=1",
            "  and MBJ_CAISSE = :IDLOJA",
            "  and MBJ_QUALIFIANTOLE = 'PRZ'",
            "  and REDUCAOZ.XML_FIELD.value('(/reducaoZ/dt_movimento)[1]', 'nvarchar(10)') = :DT_MOVIMENTO",
        });
        QTest::newRow("reducao nova") << "INSERT INTO MJOURSCAISSEOLE" << Linhas({
            "INSERT INTO MJOURSCAISSEOLE (",
            "  MBJ_CAISSE, MBJ_QUALIFIANTOLE, MBJ_NUMZCAISSE, MBJ_BLOCNOTE",
            ") VALUES (",
            "  :IDLOJA,",
            "  :TIPO,",
            "  (",
            "    select coalesce(max(MBJ_NUMZCAISSE), 9000000) + 1",
            "    from MJOURSCAISSEOLE",
            "    where MBJ_CAISSE = :IDLOJA and MBJ_NUMZCAISSE > 9000000",
            "  ),",
            "  :XML);",
        });
        // clang-format on
    }
    void statementTexts() {
        QFETCH(QString, padrao);
        QFETCH(QString, texto);
        F->Banco().setFault(QStringLiteral("error"), {50000, padrao, QStringLiteral("forced")});
        TdtmZEVRIK& M = F->Modulo();
        try {
            if (QTest::currentDataTag() == QLatin1String("pendentes"))
                M.GetRefInternSemMpieceOle();
            else if (QTest::currentDataTag() == QLatin1String("cupom"))
                M.SalvarCupomFiscalBD(QStringLiteral("R1"), QStringLiteral("<x/>"));
            else if (QTest::currentDataTag() == QLatin1String("loja"))
                M.IsValidStore(QStringLiteral("001"));
            else if (QTest::currentDataTag() == QLatin1String("reducao salva"))
                M.IsReducaoZSalva(QStringLiteral("001"), QDateTime(QDate(2016, 4, 25), QTime()));
            else
                M.SalvarReducaoZBD(QStringLiteral("001"), QStringLiteral("<x/>"));
            QFAIL("no error");
        } catch (const EDbEngineError& E) {
            QVERIFY2(E.message().contains(QLatin1String("forced")), qPrintable(E.message()));
            QCOMPARE(E.CommandText, texto);
        }
    }

private:
    std::unique_ptr<RetailFixture> F;
};

QTEST_MAIN(TstDZevrik)
#include "tst_dzevrik.moc"
