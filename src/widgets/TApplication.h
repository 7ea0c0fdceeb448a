#pragma once

#include <QApplication>

/// The application object: every event delivery runs inside the application error handler, so an error escaping a
/// handler ends only that handler and the message loop goes on.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    ~TApplication() override;

    bool notify(QObject* AReceiver, QEvent* AEvent) override;
};
