#pragma once

#include "widgets/grid/TDbGrid.h"

#include <QMainWindow>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QProgressBar;
class QPushButton;
class TDatePicker;

/// The main window: the DFe data file, the period and the pending-only option of the filter, the document grid, the
/// export progress and the two menu commands. UI thread only.
class TfrmPrincipal : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmPrincipal(QWidget* AParent = nullptr);
    ~TfrmPrincipal() override;

    QMenuBar* MainMenu1 = nullptr;
    QAction* actConfigurarAcessoKVORA = nullptr;
    QAction* actExportarParaKVORA = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* edtArquivosDadosDFe = nullptr;
    QPushButton* btnBuscarArquivoDadosDFe = nullptr;
    QLabel* Label2 = nullptr;
    TDatePicker* edtDataInicial = nullptr;
    QLabel* Label3 = nullptr;
    TDatePicker* edtDataFinal = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QPushButton* btnFiltrarRegistros = nullptr;
    TDbGrid* DBGrid1 = nullptr;
    QProgressBar* BarProgresso = nullptr;

    /// Runs before the grid's own key handling: Space, Up and Down without modifiers act here and are consumed.
    void DBGrid1KeyDown(TDbGrid& Sender, int& Key, Qt::KeyboardModifiers Shift);

public slots:
    void FormShow();
    void btnBuscarArquivoDadosDFeClick();
    void btnFiltrarRegistrosClick();
    void actConfigurarAcessoKVORAExecute();
    void actExportarParaKVORAExecute();

protected:
    void showEvent(QShowEvent* AEvent) override;

private:
    void CriarMenu();
    void CriarFiltro(QWidget* AParent);

    /// Where the file chooser was last confirmed in this run; empty before the first confirmation.
    QString UltimaPastaConfirmada;
};

/// The single main window, alive from start-up to exit; null outside that span.
extern TfrmPrincipal* frmPrincipal;
