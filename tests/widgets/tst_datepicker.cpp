#include "widgets/TApplication.h"
#include "widgets/TDatePicker.h"

#include <QHBoxLayout>
#include <QKeySequence>
#include <QLineEdit>
#include <QTest>

#include <memory>

// The picker as the operator types into it: real key presses and clicks sent to the widget that has the focus.
class TstDatePicker : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void digitacao_data();
    void digitacao();
    void textoSempreEASuaData();

private:
    QLineEdit* Caixa() const { return Picker->findChild<QLineEdit*>(); }
    void Clicar(int ASecao);
    void Teclar(const QString& ATecla);

    std::unique_ptr<QWidget> Janela;
    QLineEdit* Antes = nullptr;
    TDatePicker* Picker = nullptr;
    QLineEdit* Depois = nullptr;
};

void TstDatePicker::init() {
    Janela = std::make_unique<QWidget>();
    auto* layout = new QHBoxLayout(Janela.get());
    Antes = new QLineEdit(Janela.get());
    Picker = new TDatePicker(Janela.get());
    Depois = new QLineEdit(Janela.get());
    layout->addWidget(Antes);
    layout->addWidget(Picker);
    layout->addWidget(Depois);
    Janela->show();
    QVERIFY(QTest::qWaitForWindowActive(Janela.get()));
}

void TstDatePicker::cleanup() {
    Janela.reset();
}

// A click in the middle of section ASecao (0 day, 1 month, 2 year) of "dd/MM/yyyy".
void TstDatePicker::Clicar(int ASecao) {
    const int caractere = 3 * ASecao + 1;
    QLineEdit* caixa = Caixa();
    const int y = caixa->height() / 2;
    for (int x = 0; x < caixa->width(); ++x) {
        if (caixa->cursorPositionAt(QPoint(x, y)) == caractere) {
            QTest::mouseClick(caixa, Qt::LeftButton, {}, QPoint(x, y));
            return;
        }
    }
    QFAIL("no place in the box for that section");
}

// "1", "/", or a key name such as "Left", "Shift+Tab", "Backspace".
void TstDatePicker::Teclar(const QString& ATecla) {
    QWidget* alvo = QApplication::focusWidget();
    QVERIFY(alvo != nullptr);
    if (ATecla.size() == 1) {
        QTest::keyClick(alvo, ATecla.at(0).toLatin1());
    } else {
        const QKeyCombination tecla = QKeySequence::fromString(ATecla)[0];
        QTest::keyClick(alvo, tecla.key(), tecla.keyboardModifiers());
    }
}

void TstDatePicker::digitacao_data() {
    QTest::addColumn<QDate>("inicio");
    QTest::addColumn<QString>("entrada"); // "clique N" (section), "foco" (Tab from before), "foco de volta"
                                          // (Shift+Tab from after), then the keys, blank-separated
    QTest::addColumn<QDate>("data");
    QTest::addColumn<QString>("selecionado"); // the section selected at the end; empty when the focus left

    const QDate dez(2026, 12, 1);
    QTest::newRow("clique no dia, 15") << dez << "clique 0 1 5" << QDate(2026, 12, 15) << "15";
    QTest::newRow("15 e sai com Tab") << dez << "clique 0 1 5 Tab" << QDate(2026, 12, 15) << "";
    QTest::newRow("Shift+Tab volta ao dia, 15") << dez << "foco de volta 1 5" << QDate(2026, 12, 15) << "15";
    QTest::newRow("Tab entra no dia") << dez << "foco 0 7" << QDate(2026, 12, 7) << "07";
    QTest::newRow("mês 05") << dez << "clique 1 0 5" << QDate(2026, 5, 1) << "05";
    QTest::newRow("mês 5 completa, 1 1 recomeça") << dez << "clique 1 5 1 1" << QDate(2026, 11, 1) << "11";
    QTest::newRow("dia 4 completa sozinho") << dez << "clique 0 4 2" << QDate(2026, 12, 2) << "02";
    QTest::newRow("dia 35 vira 5") << dez << "clique 0 3 5" << QDate(2026, 12, 5) << "05";
    QTest::newRow("dia 00 não muda") << dez << "clique 0 0 0" << dez << "01";
    QTest::newRow("31 em novembro fica 30") << QDate(2026, 11, 1) << "clique 0 3 1" << QDate(2026, 11, 30) << "30";
    QTest::newRow("ano de quatro dígitos") << dez << "clique 2 2 0 2 5" << QDate(2025, 12, 1) << "2025";
    QTest::newRow("ano de dois dígitos e Tab") << dez << "clique 2 2 5 Tab" << QDate(2025, 12, 1) << "";
    QTest::newRow("ano 99") << dez << "clique 2 9 9" << QDate(1999, 12, 1) << "1999";
    QTest::newRow("barra passa à seção seguinte") << dez << "clique 0 5 / 3 / 2 0 2 7" << QDate(2027, 3, 5) << "2027";
    QTest::newRow("barra sem dígitos") << dez << "clique 0 / / 2 4" << QDate(2024, 12, 1) << "2024";
    QTest::newRow("1 e barra fica 1") << dez << "clique 1 1 / 2 6" << QDate(2026, 1, 1) << "2026";
    QTest::newRow("Right e Left") << dez << "clique 0 Right Right Left 0 3" << QDate(2026, 3, 1) << "03";
    QTest::newRow("Left no dia fica no dia") << dez << "clique 0 Left 1 0" << QDate(2026, 12, 10) << "10";
    QTest::newRow("Right no ano fica no ano") << dez << "clique 2 Right 2 4" << QDate(2024, 12, 1) << "2024";
    QTest::newRow("Up no dia") << dez << "clique 0 Up" << QDate(2026, 12, 2) << "02";
    QTest::newRow("Down no dia 1 dá a volta") << dez << "clique 0 Down" << QDate(2026, 12, 31) << "31";
    QTest::newRow("Up no mês 12 dá a volta sem mudar o ano") << dez << "clique 1 Up" << QDate(2026, 1, 1) << "01";
    QTest::newRow("Up no mês de 31 de janeiro") << QDate(2026, 1, 31) << "clique 1 Up" << QDate(2026, 2, 28) << "02";
    QTest::newRow("Down no ano") << dez << "clique 2 Down" << QDate(2025, 12, 1) << "2025";
    QTest::newRow("29 de fevereiro e ano comum") << QDate(2024, 2, 29) << "clique 2 Up" << QDate(2025, 2, 28) << "2025";
    QTest::newRow("Up depois de um dígito") << dez << "clique 0 2 Up" << QDate(2026, 12, 3) << "03";
    QTest::newRow("Backspace, Delete e letras não mudam nada")
        << dez << "clique 0 Backspace Delete a Space" << dez << "01";
}

void TstDatePicker::digitacao() {
    QFETCH(QDate, inicio);
    QFETCH(QString, entrada);
    QFETCH(QDate, data);
    QFETCH(QString, selecionado);

    Picker->setDate(inicio);
    QStringList passos = entrada.split(QLatin1Char(' '));
    if (passos.at(0) == QLatin1String("clique")) {
        Clicar(passos.at(1).toInt());
        passos = passos.mid(2);
    } else if (passos.mid(0, 3) == QStringList({"foco", "de", "volta"})) {
        Depois->setFocus();
        Teclar(QStringLiteral("Shift+Tab"));
        passos = passos.mid(3);
    } else {
        Antes->setFocus();
        Teclar(QStringLiteral("Tab"));
        passos = passos.mid(1);
    }
    QVERIFY(Picker->hasFocus());
    for (const QString& passo : passos) {
        Teclar(passo);
        // Never a text that is not the date.
        QCOMPARE(Picker->text(), Picker->date().toString(QStringLiteral("dd/MM/yyyy")));
    }
    QCOMPARE(Picker->date(), data);
    if (selecionado.isEmpty()) {
        QVERIFY(!Picker->hasFocus());
    } else {
        QVERIFY(Picker->hasFocus());
        QCOMPARE(Caixa()->selectedText(), selecionado);
    }
}

// Whatever is pasted or typed, the text stays the date's, also after the focus leaves.
void TstDatePicker::textoSempreEASuaData() {
    Picker->setDate(QDate(2026, 12, 1));
    Clicar(2);
    QCOMPARE(Caixa()->selectedText(), QStringLiteral("2026"));
    Teclar(QStringLiteral("1"));
    QCOMPARE(Picker->text(), QStringLiteral("01/12/2001"));
    Teclar(QStringLiteral("Ctrl+V"));
    Teclar(QStringLiteral("Ctrl+X"));
    Teclar(QStringLiteral("Shift+Tab"));
    QVERIFY(Antes->hasFocus());
    QCOMPARE(Picker->date(), QDate(2001, 12, 1));
    QCOMPARE(Picker->text(), QStringLiteral("01/12/2001"));
    QVERIFY(Caixa()->isReadOnly());
}

int main(int argc, char* argv[]) {
    TApplication application(argc, argv);
    TstDatePicker test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_datepicker.moc"
