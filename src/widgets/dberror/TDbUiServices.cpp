#include "widgets/dberror/TDbUiServices.h"

#include "data/DbActivity.h"
#include "widgets/TApplicationErrorHandler.h"

TDbUiServices& TDbUiServices::Install(QObject& AOwner) {
    return *new TDbUiServices(&AOwner);
}

TDbUiServices::TDbUiServices(QObject* AParent) : QObject(AParent) {
    TApplicationErrorHandler::SetPresenter(
        [this](const std::exception& error) { return ErrorPresenter.Present(error); });
    DbActivity::SetListener(&DbWaitPointer);
}

TDbUiServices::~TDbUiServices() {
    if (DbActivity::Listener() == &DbWaitPointer) {
        DbActivity::SetListener(nullptr);
    }
    TApplicationErrorHandler::SetPresenter({});
}
