#include "app/uAndamento.h"

#include "platform/BlankTrim.h"
#include "widgets/ScreenCentring.h"
#include "widgets/TPresentation.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QVBoxLayout>

TfrmAndamento* frmAndamento = nullptr;

namespace {

constexpr int LarguraCliente = 668;
constexpr int AlturaCliente = 375;
constexpr int Margem = 3;

/// The window belongs to the application object: it goes when the application does.
void DestruirFrmAndamento() {
    delete frmAndamento;
    frmAndamento = nullptr;
}

} // namespace

TfrmAndamento::TfrmAndamento(QWidget* AParent)
    : QDialog(AParent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmAndamento"));
    setWindowTitle(QStringLiteral("Andamento..."));
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    setFixedSize(LarguraCliente, AlturaCliente);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Margem, Margem, Margem, Margem);
    layout->addWidget(Memo1);
    ScreenCentring::Install(*this);
}

TfrmAndamento::~TfrmAndamento() = default;

void TfrmAndamento::MostrarMensagem(const QString& AMensagem) {
    if (frmAndamento == nullptr) {
        frmAndamento = new TfrmAndamento();
        qAddPostRoutine(DestruirFrmAndamento);
    }
    frmAndamento->Memo1->clear();
    frmAndamento->Memo1->setPlainText(BlankTrim::Trimmed(AMensagem));
    TPresentation::ShowModal(*frmAndamento);
    frmAndamento->hide();
}
