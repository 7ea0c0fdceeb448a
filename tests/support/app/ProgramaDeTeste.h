#pragma once

#include "StandIn.h"

#include "app/TProgram.h"
#include "app/uPrincipal.h"
#include "settings/uConfig.h"
#include "widgets/TDatePicker.h"
#include "widgets/grid/TDbGrid.h"

#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

/// The whole program for one test, as start-up builds it (settings file in AFolder, both data modules with their
/// services, the main window), with the main window on screen. Torn down newest first, as at exit.
class TProgramaDeTeste {
public:
    explicit TProgramaDeTeste(const QString& AFolder) : Programa(*qApp, AFolder + QStringLiteral("/ExportarDFe")) {
        frmPrincipal->show();
        QApplication::setActiveWindow(frmPrincipal);
        if (!QTest::qWaitForWindowExposed(frmPrincipal)) {
            qFatal("main window not exposed");
        }
    }

    TfrmPrincipal& Janela() const { return *frmPrincipal; }
    TDbGrid& Grade() const { return *frmPrincipal->DBGrid1; }

private:
    TProgram Programa;
};

/// Settings that reach the stand-in with its login.
inline void ConfigurarKvora(const StandIn& AStandIn) {
    ConfigIni->SetServidor(AStandIn.server());
    ConfigIni->SetBancoDados(AStandIn.login().database);
    ConfigIni->SetUsuario(AStandIn.login().user);
    ConfigIni->SetSenha(AStandIn.login().password);
}

/// Empties the KVORA tables the filter and the export read and write.
inline void LimparKvora(StandIn& AStandIn) {
    AStandIn.clearFaults();
    AStandIn.exec(QStringLiteral("delete from MPIECEOLE; delete from LIGNE; delete from piece"));
}

/// A KVORA sales document (nature FFO, type TIC) carrying the reference ARef, with one open line; with ANota it
/// already has a note row.
inline void DocumentoKvora(StandIn& AStandIn, const QString& ARef, int ANumero, bool ANota = false) {
    AStandIn.exec(QStringLiteral("insert into piece (GP_NATUREPIECEG, GP_SOUCHE, GP_NUMERO, GP_INDICEG, "
                                 "GP_REFINTERNE, GP_TYPECOMPTA, GP_ETABLISSEMENT) values ('FFO', 'TIC001', @P1, 0, "
                                 "@P2, 'TIC', '001')"),
                  {ANumero, ARef});
    AStandIn.exec(QStringLiteral("insert into LIGNE (GL_ETABLISSEMENT, GL_SOUCHE, GL_NUMERO, GL_NUMLIGNE, "
                                 "GL_QTERESTE) values ('001', 'TIC001', @P1, 1, 2)"),
                  {ANumero});
    if (ANota) {
        AStandIn.exec(QStringLiteral("insert into MPIECEOLE (MBP_NATUREPIECEG, MBP_SOUCHE, MBP_NUMERO, MBP_INDICEG, "
                                     "MBP_QUALIFIANTOLE, MBP_BLOCNOTE) values ('FFO', 'TIC001', @P1, 0, 'OBS', "
                                     "'nota anterior')"),
                      {ANumero});
    }
}

/// ID_ZEVRIK of every row of the grid's list, in grid order; empty while no list is open.
inline QStringList IdsDaGrade(TDbGrid& AGrade) {
    QStringList ids;
    TDbQuery* lista = AGrade.DataSet();
    if (lista == nullptr || !lista->Active()) {
        return ids;
    }
    while (!lista->AllRowsFetched()) {
        lista->FetchMore(100);
    }
    for (int linha = 0; linha < lista->FetchedRowCount(); ++linha) {
        ids << lista->ValueAt(linha, 0).toString();
    }
    return ids;
}

/// A left click with AModifiers on row ALinha (from 0), as the operator makes it.
inline void ClicarLinha(TDbGrid& AGrade, int ALinha, Qt::KeyboardModifiers AModifiers = Qt::ControlModifier) {
    const QRect celula = AGrade.visualRect(AGrade.model()->index(ALinha, 1));
    QTest::mouseClick(AGrade.viewport(), Qt::LeftButton, AModifiers, celula.center());
}

/// Sets the filter's controls and presses "Filtrar...".
inline void Filtrar(TfrmPrincipal& AJanela, const QString& AArquivo, QDate AInicial, QDate AFinal,
                    bool ASomentePendentes = false) {
    AJanela.edtArquivosDadosDFe->setText(AArquivo);
    AJanela.edtDataInicial->setDate(AInicial);
    AJanela.edtDataFinal->setDate(AFinal);
    AJanela.CheckBox1->setChecked(ASomentePendentes);
    QTest::mouseClick(AJanela.btnFiltrarRegistros, Qt::LeftButton);
}
