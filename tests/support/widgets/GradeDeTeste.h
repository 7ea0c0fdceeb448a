#pragma once

#include "ListaDeTeste.h"

#include <QWidget>

class QLineEdit;
class TDbGrid;

/// A grid over the document list alone in a window of its own, the size of the main window's client area, after an
/// edit box that can take the focus from it; shown, with the focus in the grid.
class TGradeDeTeste : public TListaDeTeste {
public:
    TGradeDeTeste();

    QWidget Janela;
    QLineEdit* Edit = nullptr;
    TDbGrid* Grade = nullptr;
};
