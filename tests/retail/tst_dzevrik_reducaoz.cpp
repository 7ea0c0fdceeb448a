// The retail module's Z-reduction statements against the SQL Server stand-in through the FreeTDS driver: the
// reduction stored under the store's next number, and whether one is stored for a day.
#include "RetailStatementTest.h"

#include "data/TDbErrors.h"

#include <QtTest>

namespace {

QString XmlReducaoZ(const QString& ADia) {
    return QStringLiteral("<reducaoZ><dt_movimento>%1</dt_movimento><total>10.00</total></reducaoZ>").arg(ADia);
}

} // namespace

class TstDZevrikReducaoZ : public RetailStatementTest {
    Q_OBJECT
private Q_SLOTS:
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
        QTest::newRow("reducao salva") << "cross apply" << RetailFixture::Linhas({
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
        QTest::newRow("reducao nova") << "INSERT INTO MJOURSCAISSEOLE" << RetailFixture::Linhas({
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
        TdtmZEVRIK& M = F->Modulo();
        F->VerificarTextoDaSentenca(padrao, texto, [&] {
            if (QTest::currentDataTag() == QLatin1String("reducao salva"))
                M.IsReducaoZSalva(QStringLiteral("001"), QDateTime(QDate(2016, 4, 25), QTime()));
            else
                M.SalvarReducaoZBD(QStringLiteral("001"), QStringLiteral("<x/>"));
        });
    }
};

QTEST_GUILESS_MAIN(TstDZevrikReducaoZ)
#include "tst_dzevrik_reducaoz.moc"
