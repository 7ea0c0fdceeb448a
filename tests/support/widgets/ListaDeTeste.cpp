#include "ListaDeTeste.h"

#include "DfeFixture.h"

#include "data/TDbQuery.h"
#include "widgets/TApplicationErrorHandler.h"

#include <QCoreApplication>

TListaDeTeste::TListaDeTeste() : Lista(*Modulo.qryDocumentosEmitidos) {
    if (!Pasta.isValid()) {
        qFatal("no temporary folder");
    }
    TApplicationErrorHandler::SetPresenter([this](const std::exception& AError) {
        Erros.append(QString::fromUtf8(AError.what()));
        return true;
    });
}

TListaDeTeste::~TListaDeTeste() {
    TApplicationErrorHandler::SetPresenter({});
}

QString TListaDeTeste::CriarArquivo(int ALinhas) {
    DfeFixture fixture(Caminho(QStringLiteral("dfe.sqlite")));
    fixture.Create().InsertSimple(ALinhas).Close();
    return fixture.Path();
}

void TListaDeTeste::Abrir(const QString& APath, const QString& ASql) {
    Modulo.Conectar(APath);
    Lista.Open(ASql);
    QCoreApplication::processEvents();
}
