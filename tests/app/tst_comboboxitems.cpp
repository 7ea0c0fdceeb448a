// The combo box adapter through which the retail module fills any Qt combo box.
#include "app/TComboBoxItems.h"

#include <QComboBox>
#include <QtTest>

class TstComboBoxItems : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void addKeepsNoSelection() {
        QComboBox Combo;
        TComboBoxItems Itens(Combo);
        Itens.Add(QStringLiteral("01"));
        Itens.Add(QStringLiteral("02"));
        QCOMPARE(Combo.count(), 2);
        QCOMPARE(Combo.itemText(0), QStringLiteral("01"));
        QCOMPARE(Combo.itemText(1), QStringLiteral("02"));
        QCOMPARE(Combo.currentIndex(), -1);
    }

    void addKeepsSelection() {
        QComboBox Combo;
        Combo.addItems({QStringLiteral("A"), QStringLiteral("B")});
        Combo.setCurrentIndex(1);
        TComboBoxItems Itens(Combo);
        Itens.Add(QStringLiteral("C"));
        QCOMPARE(Combo.currentIndex(), 1);
        QCOMPARE(Combo.currentText(), QStringLiteral("B"));
    }

    void clearEmpties() {
        QComboBox Combo;
        Combo.addItems({QStringLiteral("A"), QStringLiteral("B")});
        TComboBoxItems Itens(Combo);
        Itens.Clear();
        QCOMPARE(Combo.count(), 0);
        QCOMPARE(Combo.currentIndex(), -1);
    }

    void bulkUpdateStopsRepaintingUntilOutermostEnd() {
        QComboBox Combo;
        TComboBoxItems Itens(Combo);
        QVERIFY(Combo.updatesEnabled());
        Itens.BeginUpdate();
        Itens.BeginUpdate();
        QVERIFY(!Combo.updatesEnabled());
        Itens.EndUpdate();
        QVERIFY(!Combo.updatesEnabled());
        Itens.EndUpdate();
        QVERIFY(Combo.updatesEnabled());
        Itens.EndUpdate(); // unbalanced: no effect
        QVERIFY(Combo.updatesEnabled());
    }
};

QTEST_MAIN(TstComboBoxItems)
#include "tst_comboboxitems.moc"
