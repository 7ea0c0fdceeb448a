#pragma once

#include "widgets/dberror/TDbErrorPresenter.h"
#include "widgets/dberror/TWaitPointer.h"

#include <QObject>

/// The user-interface services of the data access layer: the database error window as the application's error
/// presenter and the database-wait pointer as the listener to database work. Creating it installs both; they stay
/// installed for its lifetime and are removed when it is destroyed. UI thread only.
class TDbUiServices : public QObject {
    Q_OBJECT
public:
    /// Creates the services as a child of AOwner (the retail data module), so they live exactly as long as it.
    static TDbUiServices& Install(QObject& AOwner);

    explicit TDbUiServices(QObject* AParent = nullptr);
    ~TDbUiServices() override;

    TDbErrorPresenter& Presenter() { return ErrorPresenter; }
    TWaitPointer& WaitPointer() { return DbWaitPointer; }

private:
    TDbErrorPresenter ErrorPresenter;
    TWaitPointer DbWaitPointer;
};
