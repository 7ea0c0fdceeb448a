#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

/// The connection settings dialog: edits, tests and saves the four KVORA connection settings. Lives only while it is
/// shown. UI thread only.
class TfrmConfigSQLServerConexao : public QDialog {
    Q_OBJECT
public:
    explicit TfrmConfigSQLServerConexao(QWidget* AParent = nullptr);
    ~TfrmConfigSQLServerConexao() override;

    /// Creates the dialog, shows it modally and frees it once it has closed, however it closed.
    static void ShowConfiguracao();

    QWidget* pnlBotton = nullptr;
    QPushButton* btnGravar = nullptr;
    QPushButton* btnCancelar = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* edtServidor = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* edtBancoDados = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* edtUsuario = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* edtSenha = nullptr;
    QPushButton* btnTestarConexao = nullptr;
    QCheckBox* ckbMostrarSenha = nullptr;

public slots:
    void FormCreate();
    void ckbMostrarSenhaClick();
    /// Checks the four boxes (the first blank one fails with its message, nothing written), writes them as typed
    /// and closes.
    void btnGravarClick();
    void btnCancelarClick();
    /// Connects with the four texts as typed; the settings file is neither read nor written.
    void btnTestarConexaoClick();

private:
    void CriarBotoes();
    QLineEdit* CriarEdit(const char* ANome, int ATopo);
    QLabel* CriarLabel(const char* ANome, const QString& ATexto, int ATopo);
};

/// The dialog while it is open; null otherwise.
extern TfrmConfigSQLServerConexao* frmConfigSQLServerConexao;
