#include "ModalAnswers.h"

#include "app/uAndamento.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

class TstAndamento : public QObject {
    Q_OBJECT

private slots:
    void textoAparado_data();
    void textoAparado();
    void primeiraLinhaNoTopo();
    void segundaChamadaMostraSoOTextoNovo();
    void textoDigitadoNaoFica();
    void janela();
    void fecharEscondeSemDestruir();
};

namespace {

/// What the window held when it came on screen.
struct Visto {
    QDialog* janela = nullptr;
    QString texto;
};

/// Answers the next modal: records the window and its text, then closes it as the operator would.
void RegistrarEFechar(ModalAnswers& AModals, Visto& AVisto) {
    AModals.handle([&AVisto](QDialog& ADialogo) {
        AVisto.janela = &ADialogo;
        // Raw text: toPlainText would turn a no-break space into a blank.
        AVisto.texto = ADialogo.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))
                           ->document()
                           ->toRawText()
                           .replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
        ADialogo.reject();
        return int(QDialog::Rejected);
    });
}

} // namespace

void TstAndamento::textoAparado_data() {
    QTest::addColumn<QString>("mensagem");
    QTest::addColumn<QString>("mostrado");

    QTest::newRow("sem nada a aparar") << QStringLiteral("Linha") << QStringLiteral("Linha");
    QTest::newRow("brancos e quebras nas pontas")
        << QStringLiteral(" \r\n\tLinha 1\r\nLinha 2 \r\n ") << QStringLiteral("Linha 1\nLinha 2");
    QTest::newRow("controles nas pontas") << (QStringLiteral("\x01\x1f"
                                                             "A B\x0b") +
                                              QChar(0))
                                          << QStringLiteral("A B");
    QTest::newRow("brancos no meio ficam") << QStringLiteral("A  \t B") << QStringLiteral("A  \t B");
    QTest::newRow("U+0021 fica") << QStringLiteral("!A!") << QStringLiteral("!A!");
    QTest::newRow("U+00A0 fica") << QStringLiteral("\u00a0A\u00a0") << QStringLiteral("\u00a0A\u00a0");
    QTest::newRow("vazio") << QString() << QString();
    QTest::newRow("so brancos e quebras") << QStringLiteral("  \r\n\r\n  ") << QString();
}

void TstAndamento::textoAparado() {
    QFETCH(QString, mensagem);
    QFETCH(QString, mostrado);
    ModalAnswers modals;
    Visto visto;
    RegistrarEFechar(modals, visto);

    TfrmAndamento::MostrarMensagem(mensagem);

    QVERIFY(modals.allAnswered());
    QCOMPARE(visto.texto, mostrado);
}

void TstAndamento::primeiraLinhaNoTopo() {
    ModalAnswers modals;
    int blocos = 0;
    QString primeira;
    modals.handle([&](QDialog& ADialogo) {
        const auto* memo = ADialogo.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
        blocos = memo->document()->blockCount();
        primeira = memo->document()->firstBlock().text();
        return int(QDialog::Rejected);
    });

    TfrmAndamento::MostrarMensagem(QStringLiteral("\r\nDocumento fiscal 2 salvo corretamente no banco de dados!"
                                                  "\r\nDocumento fiscal 5 salvo corretamente no banco de dados!"));

    QCOMPARE(blocos, 2);
    QCOMPARE(primeira, QStringLiteral("Documento fiscal 2 salvo corretamente no banco de dados!"));
}

void TstAndamento::segundaChamadaMostraSoOTextoNovo() {
    ModalAnswers modals;
    Visto primeira;
    Visto segunda;
    RegistrarEFechar(modals, primeira);
    RegistrarEFechar(modals, segunda);

    TfrmAndamento::MostrarMensagem(QStringLiteral("\r\nPrimeiro relatório"));
    TfrmAndamento::MostrarMensagem(QStringLiteral("\r\nSegundo relatório"));

    QCOMPARE(primeira.texto, QStringLiteral("Primeiro relatório"));
    QCOMPARE(segunda.texto, QStringLiteral("Segundo relatório"));
    QVERIFY(primeira.janela != nullptr);
    QCOMPARE(segunda.janela, primeira.janela);
    QCOMPARE(segunda.janela, frmAndamento);
}

void TstAndamento::textoDigitadoNaoFica() {
    ModalAnswers modals;
    QString depoisDeDigitar;
    modals.handle([&](QDialog& ADialogo) {
        ADialogo.show();
        auto* memo = ADialogo.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
        memo->setFocus();
        memo->moveCursor(QTextCursor::End);
        QTest::keyClicks(memo, QStringLiteral(" digitado"));
        depoisDeDigitar = memo->toPlainText();
        ADialogo.close();
        return int(QDialog::Rejected);
    });
    Visto segunda;
    RegistrarEFechar(modals, segunda);

    TfrmAndamento::MostrarMensagem(QStringLiteral("Texto"));
    TfrmAndamento::MostrarMensagem(QStringLiteral("Outro texto"));

    QCOMPARE(depoisDeDigitar, QStringLiteral("Texto digitado"));
    QCOMPARE(segunda.texto, QStringLiteral("Outro texto"));
}

void TstAndamento::janela() {
    ModalAnswers modals;
    for (int vez = 0; vez < 2; ++vez) {
        modals.handle([](QDialog& ADialogo) {
            ADialogo.show();
            [&] { QVERIFY(QTest::qWaitForWindowExposed(&ADialogo)); }();
            const auto* memo = ADialogo.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
            [&] {
                QCOMPARE(ADialogo.windowTitle(), QStringLiteral("Andamento..."));
                QCOMPARE(ADialogo.size(), QSize(668, 375));
                QCOMPARE(ADialogo.minimumSize(), ADialogo.maximumSize());
                QVERIFY(ADialogo.windowFlags().testFlag(Qt::WindowCloseButtonHint));
                QVERIFY(!ADialogo.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
                QVERIFY(!ADialogo.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
                QCOMPARE(ADialogo.font().family(), QStringLiteral("Tahoma"));
                QCOMPARE(ADialogo.font().pointSize(), 8);
                QCOMPARE(memo->geometry(), QRect(3, 3, 662, 369));
                QCOMPARE(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
                QCOMPARE(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
                QCOMPARE(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
                QVERIFY(!memo->isReadOnly());
                const QPoint centro = QGuiApplication::primaryScreen()->geometry().center();
                const QPoint desvio = ADialogo.frameGeometry().center() - centro;
                QVERIFY2(qAbs(desvio.x()) <= 2 && qAbs(desvio.y()) <= 2,
                         qPrintable(QStringLiteral("centre %1,%2")
                                        .arg(ADialogo.frameGeometry().center().x())
                                        .arg(ADialogo.frameGeometry().center().y())));
            }();
            // Moved away by the operator: the next call centres it again.
            ADialogo.move(0, 0);
            ADialogo.close();
            return int(QDialog::Rejected);
        });
    }

    TfrmAndamento::MostrarMensagem(QStringLiteral("Um"));
    TfrmAndamento::MostrarMensagem(QStringLiteral("Dois"));
    QVERIFY(modals.allAnswered());
}

void TstAndamento::fecharEscondeSemDestruir() {
    ModalAnswers modals;
    modals.handle([](QDialog& ADialogo) {
        ADialogo.show();
        ADialogo.close();
        return int(QDialog::Rejected);
    });

    TfrmAndamento::MostrarMensagem(QStringLiteral("Texto"));

    QPointer<TfrmAndamento> janela = frmAndamento;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!janela.isNull());
    QVERIFY(!janela->isVisible());
}

QTEST_MAIN(TstAndamento)
#include "tst_andamento.moc"
