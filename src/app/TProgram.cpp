#include "app/TProgram.h"

#include "app/uPrincipal.h"
#include "dfe/dConexaoLocal.h"
#include "retail/dZevrik.h"
#include "settings/uConfig.h"
#include "widgets/TPresentation.h"
#include "widgets/dberror/TDbUiServices.h"

#include <QApplication>

TProgram::TProgram(QApplication& application, const QString& executablePath) {
    ConfigIni = new TConfigZEVRIK(NomeArquivoConfiguracao(executablePath));
    TPresentation::SetApplicationTitle(TPresentation::TitleFromExecutable(executablePath));
    dtmZEVRIK = new TdtmZEVRIK(&application);
    dtmZEVRIK->LerConfiguracao = [] {
        return TConfiguracaoConexao{ConfigIni->GetServidor(), ConfigIni->GetBancoDados(), ConfigIni->GetUsuario(),
                                    ConfigIni->GetSenha()};
    };
    InstalarServicosBancoDados();
    dtmConexaoLocal = new TdtmConexaoLocal(&application);
    frmPrincipal = new TfrmPrincipal();
}

TProgram::~TProgram() {
    delete frmPrincipal;
    frmPrincipal = nullptr;
    delete dtmConexaoLocal;
    dtmConexaoLocal = nullptr;
    delete dtmZEVRIK;
    dtmZEVRIK = nullptr;
    delete ConfigIni;
    ConfigIni = nullptr;
}

int TProgram::Run() {
    frmPrincipal->show();
    return QApplication::exec();
}

void TProgram::InstalarServicosBancoDados() {
    TDbUiServices::Install(*dtmZEVRIK);
}
