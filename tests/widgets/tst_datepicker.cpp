#include "widgets/TApplication.h"
#include "widgets/TDatePicker.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionComboBox>
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
    void diaAntesDoMes_data();
    void diaAntesDoMes();
    void calendarioAbreNaDataMostrada();
    void textoSempreEASuaData();

private:
    QLineEdit* Caixa() const { return Picker->findChild<QLineEdit*>(); }
    void Clicar(int ASecao);
    void Teclar(const QString& ATecla);
    QStringList Entrar(const QString& AEntrada);
    void TextoCoerente() const;

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

// "clique N" (section), "foco" (Tab from before) or "foco de volta" (Shift+Tab from after), then the keys,
// blank-separated: brings the focus into the picker that way and returns the keys.
QStringList TstDatePicker::Entrar(const QString& AEntrada) {
    const QStringList passos = AEntrada.split(QLatin1Char(' '));
    if (passos.at(0) == QLatin1String("clique")) {
        Clicar(passos.at(1).toInt());
        return passos.mid(2);
    }
    if (passos.mid(0, 3) == QStringList({"foco", "de", "volta"})) {
        Depois->setFocus();
        Teclar(QStringLiteral("Shift+Tab"));
        return passos.mid(3);
    }
    Antes->setFocus();
    Teclar(QStringLiteral("Tab"));
    return passos.mid(1);
}

// The text is the held date's; only a typed day that the month cannot hold may stand where the month's last day is.
void TstDatePicker::TextoCoerente() const {
    const QDate data = Picker->date();
    const QString texto = Picker->text();
    const QString doDia = data.toString(QStringLiteral("dd/MM/yyyy"));
    if (texto == doDia) {
        return;
    }
    QCOMPARE(texto.mid(2), doDia.mid(2));
    QCOMPARE(data.day(), data.daysInMonth());
    const int dia = texto.left(2).toInt();
    QVERIFY2(dia > data.day() && dia <= 31, qPrintable(texto));
}

void TstDatePicker::digitacao_data() {
    QTest::addColumn<QDate>("inicio");
    QTest::addColumn<QString>("entrada"); // as Entrar takes it
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
    QTest::newRow("31 em novembro fica como digitado, sobre o dia 30")
        << QDate(2026, 11, 1) << "clique 0 3 1" << QDate(2026, 11, 30) << "31";
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
    const QStringList passos = Entrar(entrada);
    QVERIFY(Picker->hasFocus());
    for (const QString& passo : passos) {
        Teclar(passo);
        TextoCoerente();
    }
    QCOMPARE(Picker->date(), data);
    if (selecionado.isEmpty()) {
        QVERIFY(!Picker->hasFocus());
    } else {
        QVERIFY(Picker->hasFocus());
        QCOMPARE(Caixa()->selectedText(), selecionado);
    }
}

void TstDatePicker::diaAntesDoMes_data() {
    QTest::addColumn<QDate>("inicio");
    QTest::addColumn<QString>("entrada"); // as Entrar takes it
    QTest::addColumn<QString>("saida");   // "Tab" or "clique fora"
    QTest::addColumn<QString>("antes");   // the text shown before leaving
    QTest::addColumn<QDate>("data");      // held and shown after leaving

    struct Caso {
        const char* nome;
        QDate inicio;
        const char* teclas;
        const char* saida;
        const char* antes;
        QDate data;
    };
    const Caso casos[] = {
        {"30/11 e 31/12/2026", {2026, 11, 30}, "3 1 / 1 2 / 2 0 2 6", "Tab", "31/12/2026", {2026, 12, 31}},
        {"30/04 e 31/05", {2026, 4, 30}, "3 1 / 0 5", "Tab", "31/05/2026", {2026, 5, 31}},
        {"28/02/2026 e 29/02/2024", {2026, 2, 28}, "2 9 / 0 2 / 2 0 2 4", "Tab", "29/02/2024", {2024, 2, 29}},
        {"01/03/2023 e 29/02/2024", {2023, 3, 1}, "2 9 / 0 2 / 2 0 2 4", "Tab", "29/02/2024", {2024, 2, 29}},
        {"31/01 e 31", {2026, 1, 31}, "3 1", "Tab", "31/01/2026", {2026, 1, 31}},
        {"30/11 e 31 fica em novembro", {2026, 11, 30}, "3 1", "Tab", "31/11/2026", {2026, 11, 30}},
        {"30/11 e 31, clique fora", {2026, 11, 30}, "3 1", "clique fora", "31/11/2026", {2026, 11, 30}},
        {"31 e fevereiro de ano comum", {2026, 1, 15}, "3 1 / 0 2", "Tab", "31/02/2026", {2026, 2, 28}},
        {"31 e Up no dia", {2026, 11, 30}, "3 1 Up", "Tab", "01/11/2026", {2026, 11, 1}},
        {"31 e Alt+Down", {2026, 11, 30}, "3 1 Alt+Down", "Tab", "29/11/2026", {2026, 11, 29}},
    };
    for (const Caso& caso : casos) {
        for (const char* entrada : {"clique 0", "foco de volta"}) {
            QTest::addRow("%s, %s", caso.nome, entrada)
                << caso.inicio << QStringLiteral("%1 %2").arg(QLatin1String(entrada), QLatin1String(caso.teclas))
                << caso.saida << caso.antes << caso.data;
        }
    }
}

// Operators type the day first: it waits for the month and year they type after it, and becomes the month's last
// day, visibly, only when they leave with a month that cannot hold it.
void TstDatePicker::diaAntesDoMes() {
    QFETCH(QDate, inicio);
    QFETCH(QString, entrada);
    QFETCH(QString, saida);
    QFETCH(QString, antes);
    QFETCH(QDate, data);

    Picker->setDate(inicio);
    const QStringList passos = Entrar(entrada);
    QVERIFY(Picker->hasFocus());
    for (const QString& passo : passos) {
        Teclar(passo);
        TextoCoerente();
    }
    QCOMPARE(Picker->text(), antes);
    if (saida == QLatin1String("Tab")) {
        Teclar(saida);
    } else {
        QTest::mouseClick(Depois, Qt::LeftButton);
    }
    QVERIFY(Depois->hasFocus());
    QCOMPARE(Picker->date(), data);
    QCOMPARE(Picker->text(), data.toString(QStringLiteral("dd/MM/yyyy")));
}

// A typed day that November cannot hold: the calendar opens at the day the picker then shows.
void TstDatePicker::calendarioAbreNaDataMostrada() {
    Picker->setDate(QDate(2026, 11, 30));
    Clicar(0);
    Teclar(QStringLiteral("3"));
    Teclar(QStringLiteral("1"));
    QCOMPARE(Picker->text(), QStringLiteral("31/11/2026"));
    QStyleOptionComboBox opcao;
    opcao.initFrom(Picker);
    const QRect seta = Picker->style()->subControlRect(QStyle::CC_ComboBox, &opcao, QStyle::SC_ComboBoxArrow, Picker);
    QTest::mouseClick(Picker, Qt::LeftButton, {}, seta.center());

    QTRY_VERIFY(Picker->calendarWidget()->isVisible());
    QCOMPARE(Picker->text(), QStringLiteral("30/11/2026"));
    QCOMPARE(Picker->calendarWidget()->selectedDate(), QDate(2026, 11, 30));
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
