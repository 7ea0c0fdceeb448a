#pragma once

#include <QList>
#include <QString>

class TDbGrid;

/// One step of a marking script on AGrade, as the operator makes it: "clique 4", "ctrl+clique 4", "shift+clique 4",
/// "direito 4", "duplo ctrl 4", "duplo simples 4", "indicador 4", "tecla Shift+Down", "roda -2" (notches, negative is
/// down), "ir 4" (moves the list itself). Rows are numbered from 0; a click lands on the row's cell in the middle of
/// the view, whatever column that is. Keys go to the grid, through its key hook if it has one. A step it does not
/// know fails the running test.
void ExecutarPasso(TDbGrid& AGrade, const QString& APasso);
/// Each step of APassos, separated by ";".
void ExecutarPassos(TDbGrid& AGrade, const QString& APassos);
/// The rows (from 0) of AGrade's marked-row list, in list order.
QList<int> LinhasMarcadas(const TDbGrid& AGrade);

/// The columns of a table of marking cases: passos (steps separated by ";"), marcas (rows from 0, in list order),
/// atual (the current row at the end) and intervalo (whether a range is in progress at the end).
void ColunasDeMarcas();
/// Runs the current case's steps and checks the marks, the current row (in the list, the grid and the view) and the
/// range. After "tecla PgDown" the current row expected is one page below the one before.
void VerificarMarcas(TDbGrid& AGrade);
/// The columns of a table of scrolling cases: passos, and atual (the current row at the end; any row when -1).
void ColunasDeRolagem();
/// With the view scrolled right to its end, runs the current case's steps: after every step the view is still
/// there, and at the end the current row is the one expected and in view.
void VerificarRolagemHorizontalFica(TDbGrid& AGrade);
