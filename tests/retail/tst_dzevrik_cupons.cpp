// The retail module's fiscal coupon statements against the SQL Server stand-in through the FreeTDS driver: the
// references still pending a note, and the note stored for a coupon.
#include "RetailStatementTest.h"

#include "data/TDbErrors.h"

#include <QtTest>

#include <utility>

namespace {

QStringList Ordenada(QStringList ALista) {
    ALista.sort();
    return ALista;
}

} // namespace

class TstDZevrikCupons : public RetailStatementTest {
    Q_OBJECT
private Q_SLOTS:
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

    // ---- the statements as the server receives them
    void statementTexts_data() {
        QTest::addColumn<QString>("padrao");
        QTest::addColumn<QString>("texto");
        // Each statement as the server is meant to read it, one source line per line; CR LF between lines.
        // clang-format off
        QTest::newRow("pendentes") << "GP_REFINTERNE\\s+from" << RetailFixture::Linhas({
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
        QTest::newRow("cupom") << "INSERT INTO MPIECEOLE" << RetailFixture::Linhas({
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
        // clang-format on
    }
    void statementTexts() {
        QFETCH(QString, padrao);
        QFETCH(QString, texto);
        TdtmZEVRIK& M = F->Modulo();
        F->VerificarTextoDaSentenca(padrao, texto, [&] {
            if (QTest::currentDataTag() == QLatin1String("pendentes"))
                M.GetRefInternSemMpieceOle();
            else
                M.SalvarCupomFiscalBD(QStringLiteral("R1"), QStringLiteral("<x/>"));
        });
    }
};

QTEST_GUILESS_MAIN(TstDZevrikCupons)
#include "tst_dzevrik_cupons.moc"
