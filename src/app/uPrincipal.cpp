#include "app/uPrincipal.h"

#include "app/FileDialogPlatform.h"
#include "app/TExportarParaKVORA.h"
#include "app/uConfigSQLServerConexao.h"
#include "data/TDbQuery.h"
#include "dfe/TFiltroDocumentos.h"
#include "dfe/dConexaoLocal.h"
#include "platform/TClock.h"
#include "retail/dZevrik.h"
#include "widgets/TDatePicker.h"
#include "widgets/TPresentation.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

TfrmPrincipal* frmPrincipal = nullptr;

namespace {

constexpr int kMargem = 3;
constexpr int kLarguraCliente = 780;
constexpr int kAlturaCliente = 472;

template <typename Widget> Widget* criar(QWidget* parent, const char* name) {
    auto* widget = new Widget(parent);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel* criarRotulo(QWidget* parent, const char* name, const QString& text, int left, int top) {
    auto* label = criar<QLabel>(parent, name);
    label->setText(text);
    label->adjustSize();
    label->move(left, top);
    return label;
}

TDatePicker* criarData(QWidget* parent, const char* name, int left, int top) {
    auto* edit = criar<TDatePicker>(parent, name);
    edit->setGeometry(left, top, 101, 21);
    return edit;
}

QPushButton* criarBotao(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    auto* button = criar<QPushButton>(parent, name);
    button->setText(text);
    button->setFocusPolicy(Qt::NoFocus);
    button->setGeometry(geometry);
    return button;
}

} // namespace

TfrmPrincipal::TfrmPrincipal(QWidget* AParent) : QMainWindow(AParent) {
    setObjectName(QStringLiteral("frmPrincipal"));
    setWindowTitle(QStringLiteral("Exportar DF-e para KVORA"));
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    CriarMenu();

    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    // Each docked control keeps its own 3-pixel margin, so neighbours are 6 pixels apart.
    layout->setContentsMargins(kMargem, kMargem, kMargem, kMargem);
    layout->setSpacing(2 * kMargem);

    GroupBox1 = criar<QGroupBox>(client, "GroupBox1");
    GroupBox1->setTitle(QStringLiteral("Filtro"));
    GroupBox1->setFixedHeight(108);
    CriarFiltro(GroupBox1);

    DBGrid1 = criar<TDbGrid>(client, "DBGrid1");
    DBGrid1->SetOnKeyDown(
        [this](TDbGrid& Sender, int& Key, Qt::KeyboardModifiers Shift) { DBGrid1KeyDown(Sender, Key, Shift); });
    if (dtmConexaoLocal) {
        DBGrid1->SetDataSet(dtmConexaoLocal->qryDocumentosEmitidos);
    }

    BarProgresso = criar<QProgressBar>(client, "BarProgresso");
    BarProgresso->setFixedHeight(17);
    BarProgresso->setTextVisible(false);

    layout->addWidget(GroupBox1);
    layout->addWidget(DBGrid1, 1);
    layout->addWidget(BarProgresso);
    setCentralWidget(client);

    setTabOrder(edtArquivosDadosDFe, edtDataInicial);
    setTabOrder(edtDataInicial, edtDataFinal);
    setTabOrder(edtDataFinal, CheckBox1);
    setTabOrder(CheckBox1, DBGrid1);

    resize(kLarguraCliente, kAlturaCliente + MainMenu1->sizeHint().height());
}

TfrmPrincipal::~TfrmPrincipal() = default;

void TfrmPrincipal::CriarMenu() {
    MainMenu1 = criar<QMenuBar>(this, "MainMenu1");
    setMenuBar(MainMenu1);

    actConfigurarAcessoKVORA = criar<QAction>(this, "actConfigurarAcessoKVORA");
    actConfigurarAcessoKVORA->setText(QStringLiteral("Configurar Conexão SQL Server KVORA"));
    // Menu commands run once the menu has closed, from the event loop: an error they throw then reaches the
    // application error handler without unwinding through the menu's own code, which is not exception safe.
    connect(actConfigurarAcessoKVORA, &QAction::triggered, this, &TfrmPrincipal::actConfigurarAcessoKVORAExecute,
            Qt::QueuedConnection);

    actExportarParaKVORA = criar<QAction>(this, "actExportarParaKVORA");
    actExportarParaKVORA->setText(QStringLiteral("Exportar documentos para KVORA"));
    connect(actExportarParaKVORA, &QAction::triggered, this, &TfrmPrincipal::actExportarParaKVORAExecute,
            Qt::QueuedConnection);

    MainMenu1->addMenu(QStringLiteral("Opções"))->addAction(actConfigurarAcessoKVORA);
    MainMenu1->addMenu(QStringLiteral("Ferramentas"))->addAction(actExportarParaKVORA);
}

void TfrmPrincipal::CriarFiltro(QWidget* AParent) {
    // Fixed positions relative to the group box: they do not follow the window's width.
    Label1 = criarRotulo(AParent, "Label1", QStringLiteral("Arquivo de dados do DF-e"), 10, 19);

    edtArquivosDadosDFe = criar<QLineEdit>(AParent, "edtArquivosDadosDFe");
    edtArquivosDadosDFe->setReadOnly(true);
    edtArquivosDadosDFe->setGeometry(10, 35, 556, 21);

    btnBuscarArquivoDadosDFe =
        criarBotao(AParent, "btnBuscarArquivoDadosDFe", QStringLiteral("..."), QRect(572, 35, 23, 22));
    connect(btnBuscarArquivoDadosDFe, &QPushButton::clicked, this, &TfrmPrincipal::btnBuscarArquivoDadosDFeClick);

    Label2 = criarRotulo(AParent, "Label2", QStringLiteral("Período"), 10, 62);
    edtDataInicial = criarData(AParent, "edtDataInicial", 10, 78);
    Label3 = criarRotulo(AParent, "Label3", QStringLiteral("até"), 117, 82);
    edtDataFinal = criarData(AParent, "edtDataFinal", 139, 78);

    CheckBox1 = criar<QCheckBox>(AParent, "CheckBox1");
    CheckBox1->setText(QStringLiteral("Mostrar somente registros que não possuem MPIECEOLE"));
    CheckBox1->setGeometry(246, 81, 298, 17);

    btnFiltrarRegistros =
        criarBotao(AParent, "btnFiltrarRegistros", QStringLiteral("Filtrar..."), QRect(550, 76, 115, 22));
    connect(btnFiltrarRegistros, &QPushButton::clicked, this, &TfrmPrincipal::btnFiltrarRegistrosClick);
}

void TfrmPrincipal::showEvent(QShowEvent* AEvent) {
    QMainWindow::showEvent(AEvent);
    // The window system's own show events (restoring from the task bar) are not a showing of the window.
    if (!AEvent->spontaneous()) {
        FormShow();
    }
}

void TfrmPrincipal::FormShow() {
    setWindowState(windowState() | Qt::WindowMaximized);
    BarProgresso->hide();
    const QDate hoje = TClock::instance().currentDate();
    const QDate primeiroDia(hoje.year(), hoje.month(), 1);
    edtDataInicial->setDate(primeiroDia);
    edtDataFinal->setDate(primeiroDia.addMonths(1).addDays(-1));
}

void TfrmPrincipal::btnBuscarArquivoDadosDFeClick() {
    QFileDialog OpenDialog1(this, QStringLiteral("Abrir arquivo"));
    OpenDialog1.setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1.setOptions(FileDialogPlatform::Options());
    OpenDialog1.setAcceptMode(QFileDialog::AcceptOpen);
    // Only an existing file: a mistyped name would otherwise become a new, empty database file when filtering.
    OpenDialog1.setFileMode(QFileDialog::ExistingFile);
    OpenDialog1.setNameFilter(QStringLiteral("Arquivos de dados DF-e (*.sqlite)"));
    OpenDialog1.setDefaultSuffix(QStringLiteral("sqlite"));
    // As the classic dialog: the folder of the chosen file, else the one last confirmed in this run, else the
    // current directory (not the toolkit's memory of other runs). Only the dialog moves; the process's current
    // directory stays as it was.
    const QDir pastaDoArquivo = QFileInfo(edtArquivosDadosDFe->text()).absoluteDir();
    if (!edtArquivosDadosDFe->text().isEmpty() && pastaDoArquivo.exists()) {
        OpenDialog1.setDirectory(pastaDoArquivo);
    } else if (!UltimaPastaConfirmada.isEmpty()) {
        OpenDialog1.setDirectory(UltimaPastaConfirmada);
    } else {
        OpenDialog1.setDirectory(QDir::currentPath());
    }
    if (TPresentation::ShowModal(OpenDialog1) == QDialog::Accepted && !OpenDialog1.selectedFiles().isEmpty()) {
        const QString escolhido = OpenDialog1.selectedFiles().constFirst();
        UltimaPastaConfirmada = QFileInfo(escolhido).absolutePath();
        edtArquivosDadosDFe->setText(QDir::toNativeSeparators(escolhido));
    }
}

void TfrmPrincipal::btnFiltrarRegistrosClick() {
    // The button never takes the focus: a date still being typed is not left by the click.
    edtDataInicial->Confirmar();
    edtDataFinal->Confirmar();
    TFiltroDocumentos::ReferenciasPendentes pendentes;
    if (CheckBox1->isChecked()) {
        pendentes = [] { return dtmZEVRIK->GetRefInternSemMpieceOle(); };
    }
    TFiltroDocumentos::Executar(edtArquivosDadosDFe->text(), edtDataInicial->date(), edtDataFinal->date(), pendentes);
}

void TfrmPrincipal::actConfigurarAcessoKVORAExecute() {
    TfrmConfigSQLServerConexao::ShowConfiguracao();
}

void TfrmPrincipal::actExportarParaKVORAExecute() {
    TExportarParaKVORA::Executar(*DBGrid1, *BarProgresso);
}

void TfrmPrincipal::DBGrid1KeyDown(TDbGrid& Sender, int& Key, Qt::KeyboardModifiers Shift) {
    if (Shift != Qt::NoModifier || (Key != Qt::Key_Space && Key != Qt::Key_Up && Key != Qt::Key_Down)) {
        return;
    }
    // Without an open list these keys do nothing rather than fail on a closed list.
    TDbQuery* lista = Sender.DataSet();
    if (lista && lista->Active()) {
        if (Key == Qt::Key_Space) {
            Sender.SetCurrentRowSelected(!Sender.CurrentRowSelected());
        } else if (Key == Qt::Key_Up) {
            lista->Prior();
        } else {
            lista->Next();
        }
    }
    Key = 0;
}
