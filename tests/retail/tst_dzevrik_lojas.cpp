// The retail module's store statements against the SQL Server stand-in through the FreeTDS driver: whether a store
// exists, and the list of stores as the module fills any item list (the combo box adapter: tst_comboboxlojas).
#include "RetailStatementTest.h"

#include "data/TDbErrors.h"
#include "retail/IItemList.h"

#include <QtTest>

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

} // namespace

class TstDZevrikLojas : public RetailStatementTest {
    Q_OBJECT
private Q_SLOTS:
    // ---- IsValidStore and PopularComboBox (into an item list)
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

    // ---- the statements as the server receives them
    void statementTexts_data() {
        QTest::addColumn<QString>("padrao");
        QTest::addColumn<QString>("texto");
        // Each statement as the server is meant to read it, one source line per line; CR LF between lines.
        // clang-format off
        QTest::newRow("loja") << "count\\(ET_ETABLISSEMENT\\)" << RetailFixture::Linhas({
            "select count(ET_ETABLISSEMENT) from ETABLISS where ET_ETABLISSEMENT = :IDLOJA",
        });
        // clang-format on
    }
    void statementTexts() {
        QFETCH(QString, padrao);
        QFETCH(QString, texto);
        TdtmZEVRIK& M = F->Modulo();
        F->VerificarTextoDaSentenca(padrao, texto, [&] { M.IsValidStore(QStringLiteral("001")); });
    }
};

QTEST_GUILESS_MAIN(TstDZevrikLojas)
#include "tst_dzevrik_lojas.moc"
