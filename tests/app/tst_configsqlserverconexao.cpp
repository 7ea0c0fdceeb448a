#include "CaptionFits.h"
#include "ModalAnswers.h"
#include "StandIn.h"

#include "app/uConfigSQLServerConexao.h"
#include "retail/dZevrik.h"
#include "settings/uConfig.h"
#include "widgets/TApplication.h"

#include <QCheckBox>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

namespace {

using Operador = std::function<void(TfrmConfigSQLServerConexao&)>;

QByteArray LerArquivo(const QString& ACaminho) {
    QFile arquivo(ACaminho);
    return arquivo.open(QIODevice::ReadOnly) ? arquivo.readAll() : QByteArray();
}

} // namespace

class TstConfigSQLServerConexao : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void janela();
    void controles_data();
    void controles();
    void ordemDoTab();
    void abrirSemArquivoMostraCaixasVazias();
    void abrirMostraOArquivo();
    void caixaEmBrancoNaoGrava_data();
    void caixaEmBrancoNaoGrava();
    void gravarGuardaOTextoComoDigitado();
    void valorQueOArquivoNaoGuardaNaoGrava_data();
    void valorQueOArquivoNaoGuardaNaoGrava();
    void enterGravaEscCancela_data();
    void enterGravaEscCancela();
    void fecharNaoGrava();
    void mostrarSenha();
    void testarConexaoComSucesso_data();
    void testarConexaoComSucesso();
    void testarConexaoComFalha_data();
    void testarConexaoComFalha();

private:
    /// Runs ShowConfiguracao; AOperador drives the shown dialog, which is cancelled afterwards if still open.
    void Abrir(const Operador& AOperador);
    void Preencher(TfrmConfigSQLServerConexao& ADialogo, const QStringList& AValores);
    QString Arquivo() const { return Dir->filePath(QStringLiteral("ExportarDFe.ini")); }
    void GravarArquivo(const QStringList& AValores);

    std::unique_ptr<StandIn> Servidor;
    /// A named instance, reached as HOST\\INSTANCE as store settings name their server.
    std::unique_ptr<StandIn> Instancia;
    std::unique_ptr<QTemporaryDir> Dir;
    std::unique_ptr<ModalAnswers> Modals;
};

void TstConfigSQLServerConexao::initTestCase() {
    Servidor = std::make_unique<StandIn>();
    Instancia = std::make_unique<StandIn>(StandIn::Login{}, StandIn::namedInstance(QStringLiteral("SQLEXPRESS")));
}

void TstConfigSQLServerConexao::init() {
    Dir = std::make_unique<QTemporaryDir>();
    QVERIFY(Dir->isValid());
    ConfigIni = new TConfigZEVRIK(Arquivo());
    dtmZEVRIK = new TdtmZEVRIK();
    Modals = std::make_unique<ModalAnswers>();
}

void TstConfigSQLServerConexao::cleanup() {
    Modals.reset();
    delete dtmZEVRIK;
    dtmZEVRIK = nullptr;
    delete ConfigIni;
    ConfigIni = nullptr;
    Dir.reset();
}

void TstConfigSQLServerConexao::Abrir(const Operador& AOperador) {
    QPointer<TfrmConfigSQLServerConexao> visto;
    Modals->handle([&](QDialog& ADialogo) {
        auto& dialogo = static_cast<TfrmConfigSQLServerConexao&>(ADialogo);
        visto = &dialogo;
        [&] { QCOMPARE(frmConfigSQLServerConexao, &dialogo); }();
        dialogo.show();
        QApplication::setActiveWindow(&dialogo);
        [&] { QVERIFY(QTest::qWaitForWindowActive(&dialogo)); }();
        AOperador(dialogo);
        if (dialogo.isVisible()) {
            dialogo.reject();
        }
        return dialogo.result();
    });
    TfrmConfigSQLServerConexao::ShowConfiguracao();
    [&] {
        QVERIFY(Modals->allAnswered());
        QVERIFY2(visto.isNull(), "the dialog is freed once it has closed");
        QCOMPARE(frmConfigSQLServerConexao, nullptr);
    }();
}

void TstConfigSQLServerConexao::Preencher(TfrmConfigSQLServerConexao& ADialogo, const QStringList& AValores) {
    ADialogo.edtServidor->setText(AValores.at(0));
    ADialogo.edtBancoDados->setText(AValores.at(1));
    ADialogo.edtUsuario->setText(AValores.at(2));
    ADialogo.edtSenha->setText(AValores.at(3));
}

void TstConfigSQLServerConexao::GravarArquivo(const QStringList& AValores) {
    ConfigIni->SetServidor(AValores.at(0));
    ConfigIni->SetBancoDados(AValores.at(1));
    ConfigIni->SetUsuario(AValores.at(2));
    ConfigIni->SetSenha(AValores.at(3));
}

void TstConfigSQLServerConexao::janela() {
    Abrir([](TfrmConfigSQLServerConexao& ADialogo) {
        QCOMPARE(ADialogo.windowTitle(), QStringLiteral("Configurar Conexão SQL Server"));
        QCOMPARE(ADialogo.size(), QSize(381, 299));
        QCOMPARE(ADialogo.minimumSize(), ADialogo.maximumSize());
        QVERIFY(ADialogo.windowFlags().testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!ADialogo.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!ADialogo.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(ADialogo.font().family(), QStringLiteral("Tahoma"));
        QCOMPARE(ADialogo.font().pointSize(), 8);
        const QPoint centro = QGuiApplication::primaryScreen()->geometry().center();
        const QPoint desvio = ADialogo.frameGeometry().center() - centro;
        QVERIFY(qAbs(desvio.x()) <= 2 && qAbs(desvio.y()) <= 2);
        QVERIFY(ADialogo.btnGravar->isDefault());
        QVERIFY(!ADialogo.btnCancelar->isDefault());
        QCOMPARE(ADialogo.btnTestarConexao->focusPolicy(), Qt::NoFocus);
        QCOMPARE(ADialogo.edtSenha->echoMode(), QLineEdit::Password);
        QVERIFY(!ADialogo.ckbMostrarSenha->isChecked());
        for (QLabel* label : {ADialogo.Label1, ADialogo.Label2, ADialogo.Label3, ADialogo.Label4}) {
            QCOMPARE(label->buddy(), nullptr);
        }
        QCOMPARE(QApplication::focusWidget(), ADialogo.edtServidor);
    });
}

void TstConfigSQLServerConexao::controles_data() {
    QTest::addColumn<QString>("nome");
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QRect>("lugar");

    QTest::newRow("pnlBotton") << "pnlBotton" << QString() << QRect(0, 263, 381, 36);
    QTest::newRow("btnGravar") << "btnGravar"
                               << "Gravar" << QRect(172, 3, 100, 30);
    QTest::newRow("btnCancelar") << "btnCancelar"
                                 << "Cancelar" << QRect(278, 3, 100, 30);
    QTest::newRow("btnTestarConexao") << "btnTestarConexao"
                                      << "Testar conexão" << QRect(3, 3, 100, 30);
    QTest::newRow("Label1") << "Label1"
                            << "Servidor" << QRect(58, 35, -1, -1);
    QTest::newRow("edtServidor") << "edtServidor" << QString() << QRect(58, 51, 266, 21);
    QTest::newRow("Label2") << "Label2"
                            << "Banco de dados" << QRect(58, 78, -1, -1);
    QTest::newRow("edtBancoDados") << "edtBancoDados" << QString() << QRect(58, 94, 266, 21);
    QTest::newRow("Label3") << "Label3"
                            << "Usuário" << QRect(58, 121, -1, -1);
    QTest::newRow("edtUsuario") << "edtUsuario" << QString() << QRect(58, 137, 266, 21);
    QTest::newRow("Label4") << "Label4"
                            << "Senha" << QRect(58, 164, -1, -1);
    QTest::newRow("edtSenha") << "edtSenha" << QString() << QRect(58, 180, 266, 21);
    QTest::newRow("ckbMostrarSenha") << "ckbMostrarSenha"
                                     << "Mostrar a senha" << QRect(58, 207, 97, 17);
}

void TstConfigSQLServerConexao::controles() {
    QFETCH(QString, nome);
    QFETCH(QString, texto);
    QFETCH(QRect, lugar);
    Abrir([&](TfrmConfigSQLServerConexao& ADialogo) {
        auto* controle = ADialogo.findChild<QWidget*>(nome);
        QVERIFY(controle != nullptr);
        // Labels size themselves to their text: only their place counts.
        if (lugar.width() < 0) {
            QCOMPARE(controle->pos(), lugar.topLeft());
        } else {
            QCOMPARE(controle->geometry(), lugar);
        }
        if (auto* botao = qobject_cast<QAbstractButton*>(controle)) {
            QCOMPARE(botao->text(), texto);
#ifndef Q_OS_WIN
            // The whole caption shows in the fixed size. (Under Wine the offscreen platform measures with the build
            // machine's faces, not with Windows' Tahoma.)
            QVERIFY(CaptionFits(*botao));
#endif
        } else if (auto* label = qobject_cast<QLabel*>(controle)) {
            QCOMPARE(label->text(), texto);
        }
    });
}

void TstConfigSQLServerConexao::ordemDoTab() {
    Abrir([this](TfrmConfigSQLServerConexao& ADialogo) {
        QStringList ordem;
        for (int i = 0; i < 7; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            ordem << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(ordem, QStringList({"edtBancoDados", "edtUsuario", "edtSenha", "ckbMostrarSenha", "btnGravar",
                                     "btnCancelar", "edtServidor"}));
        // A click on the test button leaves the focus where it was.
        ADialogo.edtUsuario->setFocus();
        Servidor->setFault(QStringLiteral("refuse_login"));
        Modals->answer(QMessageBox::Ok);
        QTest::mouseClick(ADialogo.btnTestarConexao, Qt::LeftButton);
        Servidor->clearFaults();
        QCOMPARE(QApplication::focusWidget(), ADialogo.edtUsuario);
    });
}

void TstConfigSQLServerConexao::abrirSemArquivoMostraCaixasVazias() {
    Abrir([](TfrmConfigSQLServerConexao& ADialogo) {
        for (QLineEdit* edit : {ADialogo.edtServidor, ADialogo.edtBancoDados, ADialogo.edtUsuario, ADialogo.edtSenha}) {
            QCOMPARE(edit->text(), QString());
        }
    });
    QVERIFY(!QFile::exists(Arquivo()));
}

void TstConfigSQLServerConexao::abrirMostraOArquivo() {
    GravarArquivo({"srv\\SQL", "KVORA", "usuário", "s3nh@"});
    Abrir([](TfrmConfigSQLServerConexao& ADialogo) {
        QCOMPARE(ADialogo.edtServidor->text(), QStringLiteral("srv\\SQL"));
        QCOMPARE(ADialogo.edtBancoDados->text(), QStringLiteral("KVORA"));
        QCOMPARE(ADialogo.edtUsuario->text(), QStringLiteral("usuário"));
        QCOMPARE(ADialogo.edtSenha->text(), QStringLiteral("s3nh@"));
    });
}

void TstConfigSQLServerConexao::caixaEmBrancoNaoGrava_data() {
    QTest::addColumn<QStringList>("valores");
    QTest::addColumn<QString>("mensagem");

    QTest::newRow("servidor") << QStringList{"", "db", "user", "pwd"}
                              << "Informe o nome do Servidor de banco de dados!";
    QTest::newRow("banco de dados") << QStringList{"srv", " \t ", "user", "pwd"} << "Informe o nome do Banco de dados!";
    QTest::newRow("usuario") << QStringList{"srv", "db", QStringLiteral("\x01 \x1f"), "pwd"}
                             << "Informe o nome do usuário de acesso ao banco de dados!";
    QTest::newRow("senha") << QStringList{"srv", "db", "user", "   "} << "Informe a senha de acesso ao banco de dados!";
    QTest::newRow("todas: a primeira") << QStringList{" ", " ", " ", " "}
                                       << "Informe o nome do Servidor de banco de dados!";
}

void TstConfigSQLServerConexao::caixaEmBrancoNaoGrava() {
    QFETCH(QStringList, valores);
    QFETCH(QString, mensagem);
    Abrir([&](TfrmConfigSQLServerConexao& ADialogo) {
        Preencher(ADialogo, valores);
        ADialogo.edtSenha->setFocus();
        Modals->answer(QMessageBox::Ok);
        QTest::keyClick(ADialogo.edtSenha, Qt::Key_Return);

        QCOMPARE(Modals->shown().size(), 2);
        QCOMPARE(Modals->shown().at(1).kind, QStringLiteral("ErrorBox"));
        QCOMPARE(Modals->shown().at(1).text, mensagem);
        QVERIFY(ADialogo.isVisible());
        QCOMPARE(ADialogo.edtServidor->text(), valores.at(0));
        QCOMPARE(ADialogo.edtSenha->text(), valores.at(3));
        QCOMPARE(QApplication::focusWidget(), ADialogo.edtSenha);
    });
    QVERIFY2(!QFile::exists(Arquivo()), "nothing written, not even the boxes checked before");
}

void TstConfigSQLServerConexao::gravarGuardaOTextoComoDigitado() {
    int resultado = -1;
    Abrir([&](TfrmConfigSQLServerConexao& ADialogo) {
        Preencher(ADialogo, {"  srv\\SQL  ", " KVORA", "sa ", " p w d "});
        QTest::mouseClick(ADialogo.btnGravar, Qt::LeftButton);
        QVERIFY(!ADialogo.isVisible());
        resultado = ADialogo.result();
    });
    QCOMPARE(resultado, int(QDialog::Accepted));
    // Read back, the platform drops blanks around values: the file itself holds them, in the order written.
    QCOMPARE(LerArquivo(Arquivo()),
             QByteArray("[CONFIG]\r\nservidor=  srv\\SQL  \r\nBancoDados= KVORA\r\nUsuario=sa \r\nSenha= p w d \r\n"));
}

void TstConfigSQLServerConexao::valorQueOArquivoNaoGuardaNaoGrava_data() {
    QTest::addColumn<QStringList>("valores");
    QTest::addColumn<QString>("campo");

    QTest::newRow("servidor") << QStringList{"srv Ω", "db", "user", "pwd"} << "Servidor";
    QTest::newRow("banco de dados") << QStringList{"srv", "KVORA 中", "user", "pwd"} << "Banco de dados";
    QTest::newRow("usuario, terceira caixa") << QStringList{"srv", "db", "usuário ∑", "pwd"} << "Usuário";
    QTest::newRow("senha") << QStringList{"srv", "db", "user", "senha😀"} << "Senha";
    QTest::newRow("duas: a primeira") << QStringList{"srv", "dbΩ", "userΩ", "pwd"} << "Banco de dados";
}

void TstConfigSQLServerConexao::valorQueOArquivoNaoGuardaNaoGrava() {
    QFETCH(QStringList, valores);
    QFETCH(QString, campo);
    GravarArquivo({"antigo", "KVORA", "sa", "segredo"});
    const QByteArray antes = LerArquivo(Arquivo());
    QVERIFY(!antes.isEmpty());
    Abrir([&](TfrmConfigSQLServerConexao& ADialogo) {
        Preencher(ADialogo, valores);
        Modals->answer(QMessageBox::Ok);
        QTest::mouseClick(ADialogo.btnGravar, Qt::LeftButton);

        QCOMPARE(Modals->shown().size(), 2);
        QCOMPARE(Modals->shown().at(1).kind, QStringLiteral("ErrorBox"));
        QCOMPARE(Modals->shown().at(1).text,
                 QStringLiteral("O campo \"%1\" contém caracteres que não podem ser gravados no arquivo de "
                                "configuração!")
                     .arg(campo));
        QVERIFY(ADialogo.isVisible());
        QCOMPARE(ADialogo.edtUsuario->text(), valores.at(2));
    });
    QCOMPARE(LerArquivo(Arquivo()), antes);
}

void TstConfigSQLServerConexao::enterGravaEscCancela_data() {
    QTest::addColumn<QString>("caixa");
    QTest::addColumn<int>("tecla");
    QTest::addColumn<bool>("grava");

    for (const char* caixa : {"edtServidor", "edtBancoDados", "edtUsuario", "edtSenha"}) {
        QTest::addRow("Enter em %s", caixa) << caixa << int(Qt::Key_Return) << true;
        QTest::addRow("Esc em %s", caixa) << caixa << int(Qt::Key_Escape) << false;
    }
    QTest::newRow("Enter no keypad") << "edtUsuario" << int(Qt::Key_Enter) << true;
    QTest::newRow("Esc na caixa de marcar") << "ckbMostrarSenha" << int(Qt::Key_Escape) << false;
}

void TstConfigSQLServerConexao::enterGravaEscCancela() {
    QFETCH(QString, caixa);
    QFETCH(int, tecla);
    QFETCH(bool, grava);
    GravarArquivo({"a", "b", "c", "d"});
    Abrir([&](TfrmConfigSQLServerConexao& ADialogo) {
        Preencher(ADialogo, {"srv", "db", "user", "pwd"});
        auto* alvo = ADialogo.findChild<QWidget*>(caixa);
        alvo->setFocus();
        QTest::keyClick(alvo, Qt::Key(tecla));
        QVERIFY(!ADialogo.isVisible());
        QCOMPARE(ADialogo.result(), grava ? int(QDialog::Accepted) : int(QDialog::Rejected));
    });
    const QStringList esperado = grava ? QStringList{"srv", "db", "user", "pwd"} : QStringList{"a", "b", "c", "d"};
    QCOMPARE((QStringList{ConfigIni->GetServidor(), ConfigIni->GetBancoDados(), ConfigIni->GetUsuario(),
                          ConfigIni->GetSenha()}),
             esperado);
}

void TstConfigSQLServerConexao::fecharNaoGrava() {
    for (const bool peloBotao : {true, false}) {
        Abrir([&](TfrmConfigSQLServerConexao& ADialogo) {
            Preencher(ADialogo, {"srv", "db", "user", "pwd"});
            if (peloBotao) {
                QTest::mouseClick(ADialogo.btnCancelar, Qt::LeftButton);
            } else {
                ADialogo.close();
            }
            QVERIFY(!ADialogo.isVisible());
            QCOMPARE(ADialogo.result(), int(QDialog::Rejected));
        });
        QVERIFY(!QFile::exists(Arquivo()));
    }
}

void TstConfigSQLServerConexao::mostrarSenha() {
    Abrir([](TfrmConfigSQLServerConexao& ADialogo) {
        QTest::keyClicks(ADialogo.edtSenha, QStringLiteral("segredo"));
        QCOMPARE(ADialogo.edtSenha->displayText(), QStringLiteral("*******"));
        QTest::mouseClick(ADialogo.ckbMostrarSenha, Qt::LeftButton, {}, QPoint(5, 8));
        QVERIFY(ADialogo.ckbMostrarSenha->isChecked());
        QCOMPARE(ADialogo.edtSenha->echoMode(), QLineEdit::Normal);
        QCOMPARE(ADialogo.edtSenha->displayText(), QStringLiteral("segredo"));
        QTest::keyClick(ADialogo.ckbMostrarSenha, Qt::Key_Space);
        QVERIFY(!ADialogo.ckbMostrarSenha->isChecked());
        QCOMPARE(ADialogo.edtSenha->echoMode(), QLineEdit::Password);
        QCOMPARE(ADialogo.edtSenha->displayText(), QStringLiteral("*******"));
        QCOMPARE(ADialogo.edtSenha->text(), QStringLiteral("segredo"));
    });
}

void TstConfigSQLServerConexao::testarConexaoComSucesso_data() {
    QTest::addColumn<bool>("nomeada");
    QTest::newRow("endereço e porta") << false;
    QTest::newRow("instância nomeada") << true;
}

void TstConfigSQLServerConexao::testarConexaoComSucesso() {
    QFETCH(bool, nomeada);
    const StandIn& banco = nomeada ? *Instancia : *Servidor;
    GravarArquivo({"velho", "velho", "velho", "velho"});
    const QByteArray antes = LerArquivo(Arquivo());
    bool conectadoDuranteACaixa = false;
    Abrir([&](TfrmConfigSQLServerConexao& ADialogo) {
        const StandIn::Login& login = banco.login();
        Preencher(ADialogo, {banco.server(), login.database, login.user, login.password});
        Modals->handle([&](QDialog& ACaixa) {
            conectadoDuranteACaixa = dtmZEVRIK->sqlConexao.Connected();
            ACaixa.accept();
            return int(QDialog::Accepted);
        });
        QTest::mouseClick(ADialogo.btnTestarConexao, Qt::LeftButton);
        QVERIFY(ADialogo.isVisible());
        QTest::mouseClick(ADialogo.btnCancelar, Qt::LeftButton);
    });
    QCOMPARE(Modals->shown().size(), 2);
    QCOMPARE(Modals->shown().at(1).kind, QStringLiteral("InformationBox"));
    QCOMPARE(Modals->shown().at(1).text, QStringLiteral("Conexão efetuada com sucesso!"));
    QVERIFY(conectadoDuranteACaixa);
    QVERIFY(!dtmZEVRIK->sqlConexao.Connected());
    QCOMPARE(LerArquivo(Arquivo()), antes);
}

void TstConfigSQLServerConexao::testarConexaoComFalha_data() {
    QTest::addColumn<bool>("vazias");
    QTest::newRow("senha errada") << false;
    QTest::newRow("quatro caixas vazias") << true;
}

void TstConfigSQLServerConexao::testarConexaoComFalha() {
    QFETCH(bool, vazias);
    QString servidor;
    Abrir([&](TfrmConfigSQLServerConexao& ADialogo) {
        const StandIn::Login& login = Servidor->login();
        servidor = vazias ? QString() : Servidor->server();
        Preencher(ADialogo, vazias ? QStringList{"", "", "", ""}
                                   : QStringList{servidor, login.database, login.user, QStringLiteral("errada")});
        Modals->answer(QMessageBox::Ok);
        QTest::mouseClick(ADialogo.btnTestarConexao, Qt::LeftButton);
        QVERIFY(ADialogo.isVisible());
        QCOMPARE(ADialogo.edtSenha->text(), vazias ? QString() : QStringLiteral("errada"));
    });
    QCOMPARE(Modals->shown().size(), 2);
    QCOMPARE(Modals->shown().at(1).kind, QStringLiteral("ErrorBox"));
    const QString prefixo = QStringLiteral("Ocorreu o seguinte erro ao conectar a base de dados \"%1 - %2\": \r\r")
                                .arg(servidor, vazias ? QString() : Servidor->login().database);
    const QString texto = Modals->shown().at(1).text;
    QVERIFY2(texto.startsWith(prefixo) && texto.size() > prefixo.size(), qPrintable(texto));
    QVERIFY(!dtmZEVRIK->sqlConexao.Connected());
    QVERIFY(!QFile::exists(Arquivo()));
}

int main(int argc, char** argv) {
    TApplication aplicacao(argc, argv);
    TstConfigSQLServerConexao teste;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&teste, argc, argv);
}

#include "tst_configsqlserverconexao.moc"
