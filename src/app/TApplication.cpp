#include "app/TApplication.h"

#include "app/TApplicationErrorHandler.h"

#include <QFont>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // The windows are laid out for Tahoma 8 pt at fixed positions; where it is missing, narrow faces keep the
    // captions inside their controls.
    QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                               {QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Nimbus Sans")});
}

TApplication::~TApplication() = default;

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        TApplicationErrorHandler::HandleCurrentException();
        return false;
    }
}
