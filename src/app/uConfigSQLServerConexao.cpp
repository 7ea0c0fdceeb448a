#include "app/uConfigSQLServerConexao.h"

#include "platform/BlankTrim.h"
#include "platform/TryFinally.h"
#include "retail/dZevrik.h"
#include "settings/uConfig.h"
#include "widgets/ScreenCentring.h"
#include "widgets/TPresentation.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <memory>
#include <stdexcept>

TfrmConfigSQLServerConexao* frmConfigSQLServerConexao = nullptr;

namespace {

constexpr int LarguraCliente = 381;
constexpr int AlturaCliente = 299;
constexpr int AlturaPainel = 36;
constexpr int Margem = 3;
constexpr int LarguraBotao = 100;
constexpr int AlturaBotao = AlturaPainel - 2 * Margem;
constexpr int Esquerda = 58;

void Verificar(const QLineEdit* AEdit, const char* AMensagem) {
    if (BlankTrim::IsBlank(AEdit->text())) {
        throw std::runtime_error(AMensagem);
    }
}

void VerificarGravavel(const QLineEdit* AEdit, const QLabel* ALabel) {
    if (!TConfigZEVRIK::PodeGravar(AEdit->text())) {
        throw std::runtime_error(
            QStringLiteral("O campo \"%1\" contém caracteres que não podem ser gravados no arquivo de configuração!")
                .arg(ALabel->text())
                .toStdString());
    }
}

} // namespace

TfrmConfigSQLServerConexao::TfrmConfigSQLServerConexao(QWidget* AParent)
    : QDialog(AParent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmConfigSQLServerConexao"));
    setWindowTitle(QStringLiteral("Configurar Conexão SQL Server"));
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    setFixedSize(LarguraCliente, AlturaCliente);

    Label1 = CriarLabel("Label1", QStringLiteral("Servidor"), 35);
    edtServidor = CriarEdit("edtServidor", 51);
    Label2 = CriarLabel("Label2", QStringLiteral("Banco de dados"), 78);
    edtBancoDados = CriarEdit("edtBancoDados", 94);
    Label3 = CriarLabel("Label3", QStringLiteral("Usuário"), 121);
    edtUsuario = CriarEdit("edtUsuario", 137);
    Label4 = CriarLabel("Label4", QStringLiteral("Senha"), 164);
    edtSenha = CriarEdit("edtSenha", 180);
    edtSenha->setEchoMode(QLineEdit::Password);

    ckbMostrarSenha = new QCheckBox(QStringLiteral("Mostrar a senha"), this);
    ckbMostrarSenha->setObjectName(QStringLiteral("ckbMostrarSenha"));
    ckbMostrarSenha->setGeometry(Esquerda, 207, 97, 17);
    connect(ckbMostrarSenha, &QCheckBox::toggled, this, &TfrmConfigSQLServerConexao::ckbMostrarSenhaClick);
    CriarBotoes();

    setTabOrder(edtServidor, edtBancoDados);
    setTabOrder(edtBancoDados, edtUsuario);
    setTabOrder(edtUsuario, edtSenha);
    setTabOrder(edtSenha, ckbMostrarSenha);
    setTabOrder(ckbMostrarSenha, btnGravar);
    setTabOrder(btnGravar, btnCancelar);

    ScreenCentring::Install(*this);

    FormCreate();
}

TfrmConfigSQLServerConexao::~TfrmConfigSQLServerConexao() = default;

void TfrmConfigSQLServerConexao::CriarBotoes() {
    pnlBotton = new QWidget(this);
    pnlBotton->setObjectName(QStringLiteral("pnlBotton"));
    pnlBotton->setGeometry(0, AlturaCliente - AlturaPainel, LarguraCliente, AlturaPainel);

    // Right to left: btnCancelar at the right edge, btnGravar beside it, each with its own margins.
    const int esquerdaCancelar = LarguraCliente - Margem - LarguraBotao;
    const int esquerdaGravar = esquerdaCancelar - 2 * Margem - LarguraBotao;

    btnGravar = new QPushButton(QStringLiteral("Gravar"), pnlBotton);
    btnGravar->setObjectName(QStringLiteral("btnGravar"));
    btnGravar->setGeometry(esquerdaGravar, Margem, LarguraBotao, AlturaBotao);
    btnGravar->setDefault(true);
    connect(btnGravar, &QPushButton::clicked, this, &TfrmConfigSQLServerConexao::btnGravarClick);

    btnCancelar = new QPushButton(QStringLiteral("Cancelar"), pnlBotton);
    btnCancelar->setObjectName(QStringLiteral("btnCancelar"));
    btnCancelar->setGeometry(esquerdaCancelar, Margem, LarguraBotao, AlturaBotao);
    connect(btnCancelar, &QPushButton::clicked, this, &TfrmConfigSQLServerConexao::btnCancelarClick);

    btnTestarConexao = new QPushButton(QStringLiteral("Testar conexão"), pnlBotton);
    btnTestarConexao->setObjectName(QStringLiteral("btnTestarConexao"));
    btnTestarConexao->setGeometry(Margem, Margem, LarguraBotao, AlturaBotao);
    btnTestarConexao->setFocusPolicy(Qt::NoFocus);
    btnTestarConexao->setAutoDefault(false);
    connect(btnTestarConexao, &QPushButton::clicked, this, &TfrmConfigSQLServerConexao::btnTestarConexaoClick);
}

QLineEdit* TfrmConfigSQLServerConexao::CriarEdit(const char* ANome, int ATopo) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(ANome));
    edit->setGeometry(Esquerda, ATopo, 266, 21);
    return edit;
}

QLabel* TfrmConfigSQLServerConexao::CriarLabel(const char* ANome, const QString& ATexto, int ATopo) {
    auto* label = new QLabel(ATexto, this);
    label->setObjectName(QString::fromLatin1(ANome));
    label->setTextFormat(Qt::PlainText);
    label->move(Esquerda, ATopo);
    label->adjustSize();
    return label;
}

void TfrmConfigSQLServerConexao::ShowConfiguracao() {
    std::unique_ptr<TfrmConfigSQLServerConexao> dialogo(new TfrmConfigSQLServerConexao());
    frmConfigSQLServerConexao = dialogo.get();
    struct Esvaziar {
        ~Esvaziar() { frmConfigSQLServerConexao = nullptr; }
    } esvaziar;
    TPresentation::ShowModal(*dialogo);
}

void TfrmConfigSQLServerConexao::FormCreate() {
    edtServidor->setText(ConfigIni->GetServidor());
    edtBancoDados->setText(ConfigIni->GetBancoDados());
    edtUsuario->setText(ConfigIni->GetUsuario());
    edtSenha->setText(ConfigIni->GetSenha());
}

void TfrmConfigSQLServerConexao::ckbMostrarSenhaClick() {
    edtSenha->setEchoMode(ckbMostrarSenha->isChecked() ? QLineEdit::Normal : QLineEdit::Password);
}

void TfrmConfigSQLServerConexao::btnGravarClick() {
    Verificar(edtServidor, "Informe o nome do Servidor de banco de dados!");
    Verificar(edtBancoDados, "Informe o nome do Banco de dados!");
    Verificar(edtUsuario, "Informe o nome do usuário de acesso ao banco de dados!");
    Verificar(edtSenha, "Informe a senha de acesso ao banco de dados!");
    // Every value is checked before any is written, so a value the file cannot hold leaves the file as it was.
    VerificarGravavel(edtServidor, Label1);
    VerificarGravavel(edtBancoDados, Label2);
    VerificarGravavel(edtUsuario, Label3);
    VerificarGravavel(edtSenha, Label4);

    ConfigIni->SetServidor(edtServidor->text());
    ConfigIni->SetBancoDados(edtBancoDados->text());
    ConfigIni->SetUsuario(edtUsuario->text());
    ConfigIni->SetSenha(edtSenha->text());
    accept();
}

void TfrmConfigSQLServerConexao::btnCancelarClick() {
    reject();
}

void TfrmConfigSQLServerConexao::btnTestarConexaoClick() {
    // The connection stays open while the box is up, and is closed whatever happened.
    TryFinally(
        [this] {
            dtmZEVRIK->Conectar(edtServidor->text(), edtBancoDados->text(), edtUsuario->text(), edtSenha->text());
            TPresentation::InformationBox(QStringLiteral("Conexão efetuada com sucesso!"));
        },
        [] { dtmZEVRIK->Desconectar(); });
}
