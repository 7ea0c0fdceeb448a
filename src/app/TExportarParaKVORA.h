#pragma once

class QProgressBar;
class TDbGrid;

/// The export command as the operator meets it: the marked rows of the grid are stored in the KVORA database after
/// a confirmation, with progress on the bar and a closing report. UI thread only.
class TExportarParaKVORA {
public:
    /// Fails with "Nenhum cupom fiscal foi selecionado, ..." when no row is marked, before asking anything; does
    /// nothing unless the operator answers Yes. While the coupons are stored, window events keep running (painting)
    /// but the program's windows take no input, so the marks, the list and the command itself stay as they were.
    /// The bar is hidden at the end, also on failure; the report is shown only after a complete run.
    static void Executar(TDbGrid& AGrid, QProgressBar& ABarProgresso);
};
