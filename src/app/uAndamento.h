#pragma once

#include <QDialog>

class QPlainTextEdit;

/// The message window: shows a block of text, line by line, modally until the operator closes it. One instance,
/// created on first use and kept until the application object goes; centred on the screen at each showing. UI thread
/// only.
class TfrmAndamento : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAndamento(QWidget* AParent = nullptr);
    ~TfrmAndamento() override;

    /// Shows AMensagem (lines separated by CR LF), trimmed of leading and trailing characters up to U+0020, and
    /// returns when the operator has closed the window.
    static void MostrarMensagem(const QString& AMensagem);

    QPlainTextEdit* Memo1 = nullptr;
};

/// The single instance; null until the first MostrarMensagem.
extern TfrmAndamento* frmAndamento;
