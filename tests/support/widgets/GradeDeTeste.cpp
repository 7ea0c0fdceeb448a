#include "GradeDeTeste.h"

#include "widgets/grid/TDbGrid.h"

#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

TGradeDeTeste::TGradeDeTeste() {
    Edit = new QLineEdit(&Janela);
    Grade = new TDbGrid(&Janela);
    Grade->SetDataSet(&Lista);
    auto* layout = new QVBoxLayout(&Janela);
    layout->addWidget(Edit);
    layout->addWidget(Grade, 1);
    Janela.resize(780, 472);
    Janela.show();
    if (!QTest::qWaitForWindowExposed(&Janela)) {
        qFatal("grid window not exposed");
    }
    Grade->setFocus();
}
