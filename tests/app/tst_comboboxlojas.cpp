// The stores of the KVORA database listed into a real combo box through the adapter, against the SQL Server stand-in.
#include "RetailStatementTest.h"

#include "app/TComboBoxItems.h"

#include <QComboBox>
#include <QtTest>

namespace {

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

} // namespace

class TstComboBoxLojas : public RetailStatementTest {
    Q_OBJECT
private Q_SLOTS:
    // ---- PopularComboBox
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
};

QTEST_MAIN(TstComboBoxLojas)
#include "tst_comboboxlojas.moc"
