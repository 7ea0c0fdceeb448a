#include "ModalAnswers.h"

#include "app/uAndamento.h"
#include "app/uConfigSQLServerConexao.h"
#include "settings/uConfig.h"
#include "widgets/TApplication.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

// The message window and the settings dialog come up centred on the screen, frame included, at every showing. The
// suite runs twice: offscreen (no frames) and on an X screen under a window manager (real frames, known only once
// the window manager has framed the window).
class TstCentring : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void janelasCentradas_data();
    void janelasCentradas();

private:
    std::unique_ptr<QTemporaryDir> Dir;
};

void TstCentring::init() {
    Dir = std::make_unique<QTemporaryDir>();
    QVERIFY(Dir->isValid());
    ConfigIni = new TConfigZEVRIK(Dir->filePath(QStringLiteral("ExportarDFe.ini")));
}

void TstCentring::cleanup() {
    delete ConfigIni;
    ConfigIni = nullptr;
    Dir.reset();
}

void TstCentring::janelasCentradas_data() {
    QTest::addColumn<bool>("configuracao");
    // The settings dialog is a new window at every showing; the first showing in the process has no frame to go by.
    QTest::newRow("configuração da conexão") << true;
    QTest::newRow("janela de mensagem") << false;
}

void TstCentring::janelasCentradas() {
    QFETCH(bool, configuracao);
    QList<QPoint> desvios;
    ModalAnswers modals;
    for (int vez = 0; vez < 3; ++vez) {
        modals.handle([&desvios](QDialog& ADialogo) {
            ADialogo.show();
            [&] { QVERIFY(QTest::qWaitForWindowExposed(&ADialogo)); }();
            const QPoint centro = QGuiApplication::primaryScreen()->geometry().center();
            // The frame as the window system has it; it comes from the window manager some time after the window is
            // on screen.
            const auto moldura = [&ADialogo] { return ADialogo.windowHandle()->frameGeometry(); };
            (void)QTest::qWaitFor([&] { return moldura().center() == centro; }, 2000);
            desvios << moldura().center() - centro;
            // Moved away by the operator: the next showing centres it again.
            ADialogo.move(ADialogo.pos() + QPoint(40, 30));
            ADialogo.close();
            return int(QDialog::Rejected);
        });
        if (configuracao) {
            TfrmConfigSQLServerConexao::ShowConfiguracao();
        } else {
            TfrmAndamento::MostrarMensagem(QStringLiteral("Linha"));
        }
    }
    QVERIFY(modals.allAnswered());
    QCOMPARE(desvios, QList<QPoint>(3, QPoint()));
}

int main(int argc, char* argv[]) {
    TApplication application(argc, argv);
    TstCentring test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_centring.moc"
