#include "app/TExportarParaKVORA.h"

#include "app/uAndamento.h"
#include "export/TExportacaoDocumentos.h"
#include "retail/dZevrik.h"
#include "widgets/TBloqueioEntrada.h"
#include "widgets/TPresentation.h"
#include "widgets/grid/TDbGrid.h"

#include <QCoreApplication>
#include <QProgressBar>

#include <stdexcept>

namespace {

/// Hides the bar when the run ends, however it ends.
class EsconderBarra {
public:
    explicit EsconderBarra(QProgressBar& ABarra) : Barra(ABarra) {}
    ~EsconderBarra() { Barra.hide(); }
    EsconderBarra(const EsconderBarra&) = delete;
    EsconderBarra& operator=(const EsconderBarra&) = delete;

private:
    QProgressBar& Barra;
};

} // namespace

void TExportarParaKVORA::Executar(TDbGrid& AGrid, QProgressBar& ABarProgresso) {
    if (AGrid.SelectedRowCount() == 0) {
        throw std::runtime_error("Nenhum cupom fiscal foi selecionado, não é possível continuar a exportação!");
    }
    const int resposta = TPresentation::QuestionBox(
        QStringLiteral("Deseja realmente gravar os documentos selecionados no Banco de Dados?"),
        QStringLiteral("Documentos fiscais"),
        TPresentation::MB_YESNO | TPresentation::MB_ICONQUESTION | TPresentation::MB_DEFBUTTON2);
    if (resposta != TPresentation::IDYES) {
        return;
    }

    // The run works from a copy of the marks taken now.
    QList<TDbBookmark> marcados;
    for (int i = 0; i < AGrid.SelectedRowCount(); ++i) {
        marcados.append(AGrid.SelectedRow(i));
    }

    EsconderBarra esconder(ABarProgresso);
    ABarProgresso.setRange(0, int(marcados.size()));
    ABarProgresso.setValue(0);
    ABarProgresso.show();

    QString textoValidacoes;
    {
        const TBloqueioEntrada bloqueio;
        TExportacaoDocumentos exportacao(*AGrid.DataSet(), marcados,
                                         [](const QString& ARefInterna, const QString& AXML) {
                                             return dtmZEVRIK->SalvarCupomFiscalBD(ARefInterna, AXML);
                                         });
        // One KVORA connection for the whole run: a login costs far more than an insert.
        dtmZEVRIK->ExecutarComConexaoMantida([&] {
            textoValidacoes = exportacao.Executar([&ABarProgresso](int AConcluidos) {
                ABarProgresso.setValue(AConcluidos);
                QCoreApplication::processEvents();
            });
        });
    }
    TfrmAndamento::MostrarMensagem(textoValidacoes);
}
