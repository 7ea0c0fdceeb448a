#include "widgets/dberror/TDbErrorPresenter.h"

#include "data/TDbErrors.h"
#include "widgets/TPresentation.h"
#include "widgets/dberror/TDbErrorWindow.h"

#include <QCoreApplication>
#include <QScopeGuard>

namespace {

bool applicationClosingDown() {
    return QCoreApplication::instance() == nullptr || QCoreApplication::closingDown();
}

} // namespace

TDbErrorPresenter::TDbErrorPresenter(TerminatingProbe AIsTerminating)
    : IsTerminating(AIsTerminating ? std::move(AIsTerminating) : TerminatingProbe(applicationClosingDown)) {}

TDbErrorPresenter::~TDbErrorPresenter() = default;

bool TDbErrorPresenter::Present(const std::exception& AError) {
    const auto* engineError = dynamic_cast<const EDbEngineError*>(&AError);
    if (engineError == nullptr || OnScreen || IsTerminating()) {
        return false;
    }
    OnScreen = true;
    // Cleared however the showing ends, so that a failure here cannot lock the window out for good.
    const auto clearOnScreen = qScopeGuard([this] { OnScreen = false; });
    if (!ErrorWindow) {
        ErrorWindow = std::make_unique<TDbErrorWindow>();
    }
    ErrorWindow->Fill(*engineError);
    TPresentation::ShowModal(*ErrorWindow);
    return true;
}
