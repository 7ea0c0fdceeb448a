#include "widgets/TApplicationErrorHandler.h"

#include "widgets/TPresentation.h"

#include <QWidget>
#include <QtDebug>

namespace {

TApplicationErrorHandler::Presenter presenter;

void cancelMouseCapture() {
    if (QWidget* grabber = QWidget::mouseGrabber()) {
        grabber->releaseMouse();
    }
}

void route(const std::exception& error) {
    if (presenter && presenter(error)) {
        return;
    }
    TPresentation::ErrorBox(QString::fromUtf8(error.what()));
}

} // namespace

void TApplicationErrorHandler::SetPresenter(Presenter newPresenter) {
    presenter = std::move(newPresenter);
}

bool TApplicationErrorHandler::HasPresenter() {
    return static_cast<bool>(presenter);
}

void TApplicationErrorHandler::HandleCurrentException() noexcept {
    cancelMouseCapture();
    try {
        try {
            throw;
        } catch (const std::exception& error) {
            route(error);
        } catch (...) {
            TPresentation::ErrorBox(QStringLiteral("Unknown error"));
        }
    } catch (const std::exception& failure) {
        // Showing the error failed as well; there is nobody left to tell but the console.
        qCritical("Error while presenting an error: %s", failure.what());
    } catch (...) {
        qCritical("Error while presenting an error");
    }
}
