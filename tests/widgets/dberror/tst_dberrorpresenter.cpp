#include "ModalAnswers.h"
#include "data/DbActivity.h"
#include "widgets/TApplicationErrorHandler.h"
#include "widgets/dberror/TDbErrorPresenter.h"
#include "widgets/dberror/TDbErrorWindow.h"
#include "widgets/dberror/TDbUiServices.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>

#include <memory>
#include <stdexcept>

namespace {

EDbEngineError engineError(const QString& AMessage) {
    return EDbEngineError(AMessage, QStringLiteral("ESQLiteNativeException"), 1600);
}

QString shownMessage(QDialog& ADialog) {
    auto* message = ADialog.findChild<QPlainTextEdit*>(QStringLiteral("mmoMessage"));
    return message != nullptr ? message->toPlainText() : QString();
}

/// Routes AError as an error escaping an event handler does.
template <typename E> void raiseToApplication(const E& AError) {
    try {
        throw AError;
    } catch (...) {
        TApplicationErrorHandler::HandleCurrentException();
    }
}

} // namespace

class TestDbErrorPresenter : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void takesAnEngineErrorAndShowsItModally();
    void reusesTheWindow();
    void declinesOtherErrors_data();
    void declinesOtherErrors();
    void declinesASecondEngineErrorWhileOnScreen();
    void declinesWhileTerminating();
    void failedShowingClearsTheOnScreenFlag();
    void servicesRouteEngineErrorsToTheWindowAndTheRestToTheErrorBox();
    void servicesSelectTheWaitPointerAndUninstallWithTheirOwner();

private:
    std::unique_ptr<ModalAnswers> modals;
    std::unique_ptr<TDbErrorPresenter> presenter;
};

void TestDbErrorPresenter::init() {
    modals = std::make_unique<ModalAnswers>();
    presenter = std::make_unique<TDbErrorPresenter>();
}

void TestDbErrorPresenter::cleanup() {
    presenter.reset();
    modals.reset();
    while (QGuiApplication::overrideCursor() != nullptr) {
        QGuiApplication::restoreOverrideCursor();
    }
}

void TestDbErrorPresenter::takesAnEngineErrorAndShowsItModally() {
    bool onScreenWhileShown = false;
    QString message;
    modals->handle([&](QDialog& dialog) {
        onScreenWhileShown = presenter->WindowOnScreen();
        message = shownMessage(dialog);
        dialog.accept();
        return dialog.result();
    });

    QVERIFY(!presenter->WindowOnScreen());
    QVERIFY(presenter->Present(engineError(QStringLiteral("[Strata][Phys][SQLite] ERROR: no such table: tb_nfce"))));
    QVERIFY(modals->allAnswered());
    QCOMPARE(modals->shown().size(), 1);
    QCOMPARE(modals->shown().at(0).kind, QStringLiteral("DbErrorWindow"));
    QCOMPARE(modals->shown().at(0).caption, QStringLiteral("Strata Error"));
    QCOMPARE(message, QStringLiteral("[Strata][Phys][SQLite] ERROR: no such table: tb_nfce"));
    QVERIFY(onScreenWhileShown);
    QVERIFY(!presenter->WindowOnScreen());
}

void TestDbErrorPresenter::reusesTheWindow() {
    QVERIFY(presenter->Window() == nullptr);
    QList<QDialog*> dialogs;
    for (int i = 0; i < 2; ++i) {
        modals->handle([&](QDialog& dialog) {
            dialogs.append(&dialog);
            return int(QDialog::Accepted);
        });
    }
    QVERIFY(presenter->Present(engineError(QStringLiteral("first"))));
    QVERIFY(presenter->Present(engineError(QStringLiteral("second"))));
    QCOMPARE(dialogs.size(), 2);
    QCOMPARE(dialogs.at(0), dialogs.at(1));
    QCOMPARE(static_cast<QDialog*>(presenter->Window()), dialogs.at(0));
    QCOMPARE(shownMessage(*dialogs.at(1)), QStringLiteral("second"));
}

void TestDbErrorPresenter::declinesOtherErrors_data() {
    QTest::addColumn<int>("kind");
    QTest::newRow("EDbError of the program") << 0;
    QTest::newRow("runtime_error") << 1;
    QTest::newRow("plain exception") << 2;
}

void TestDbErrorPresenter::declinesOtherErrors() {
    QFETCH(int, kind);
    const EDbError ownError(QStringLiteral("Servidor de banco de dados não foi configurado!"));
    const std::runtime_error runtimeError("disk full");
    const std::exception plain;
    const std::exception* errors[] = {&ownError, &runtimeError, &plain};

    QVERIFY(!presenter->Present(*errors[kind]));
    QVERIFY(modals->shown().isEmpty());
    QVERIFY(!presenter->WindowOnScreen());
}

void TestDbErrorPresenter::declinesASecondEngineErrorWhileOnScreen() {
    bool secondTaken = true;
    modals->handle([&](QDialog&) {
        secondTaken = presenter->Present(engineError(QStringLiteral("second")));
        return int(QDialog::Accepted);
    });
    QVERIFY(presenter->Present(engineError(QStringLiteral("first"))));
    QVERIFY(!secondTaken);
    QCOMPARE(modals->shown().size(), 1);
}

void TestDbErrorPresenter::declinesWhileTerminating() {
    bool terminating = true;
    TDbErrorPresenter probed([&] { return terminating; });
    QVERIFY(!probed.Present(engineError(QStringLiteral("late"))));
    QVERIFY(modals->shown().isEmpty());

    terminating = false;
    modals->handle([](QDialog&) { return int(QDialog::Accepted); });
    QVERIFY(probed.Present(engineError(QStringLiteral("in time"))));
    QCOMPARE(modals->shown().size(), 1);
}

void TestDbErrorPresenter::failedShowingClearsTheOnScreenFlag() {
    modals->handle([](QDialog&) -> int { throw std::runtime_error("cannot show"); });
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, presenter->Present(engineError(QStringLiteral("first"))));
    QVERIFY(!presenter->WindowOnScreen());

    modals->handle([](QDialog&) { return int(QDialog::Accepted); });
    QVERIFY(presenter->Present(engineError(QStringLiteral("second"))));
    QCOMPARE(modals->shown().size(), 2);
}

void TestDbErrorPresenter::servicesRouteEngineErrorsToTheWindowAndTheRestToTheErrorBox() {
    QObject owner;
    TDbUiServices::Install(owner);
    QVERIFY(TApplicationErrorHandler::HasPresenter());

    modals->handle([](QDialog&) {
        // An engine error while the window is up goes to the error box.
        raiseToApplication(engineError(QStringLiteral("second")));
        return int(QDialog::Accepted);
    });
    modals->answer(QMessageBox::Ok);
    raiseToApplication(engineError(QStringLiteral("first")));

    modals->answer(QMessageBox::Ok);
    raiseToApplication(EDbError(QStringLiteral("Ocorreu o seguinte erro ao conectar a base de dados")));

    QVERIFY(modals->allAnswered());
    QCOMPARE(modals->shown().size(), 3);
    QCOMPARE(modals->shown().at(0).kind, QStringLiteral("DbErrorWindow"));
    QCOMPARE(modals->shown().at(1).kind, QStringLiteral("ErrorBox"));
    QCOMPARE(modals->shown().at(1).text, QStringLiteral("second."));
    QCOMPARE(modals->shown().at(2).kind, QStringLiteral("ErrorBox"));
    QCOMPARE(modals->shown().at(2).text, QStringLiteral("Ocorreu o seguinte erro ao conectar a base de dados."));
}

void TestDbErrorPresenter::servicesSelectTheWaitPointerAndUninstallWithTheirOwner() {
    auto owner = std::make_unique<QObject>();
    QPointer<TDbUiServices> services = &TDbUiServices::Install(*owner);
    QCOMPARE(services->parent(), owner.get());
    QCOMPARE(DbActivity::Listener(), static_cast<IDbActivityListener*>(&services->WaitPointer()));
    {
        DbActivity::Scope work;
        QVERIFY(services->WaitPointer().Shown());
        QVERIFY(QGuiApplication::overrideCursor() != nullptr);
    }
    QVERIFY(services->WaitPointer().RestorePending());

    owner.reset();
    QVERIFY(services.isNull());
    QVERIFY(DbActivity::Listener() == nullptr);
    QVERIFY(!TApplicationErrorHandler::HasPresenter());
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);

    modals->answer(QMessageBox::Ok);
    raiseToApplication(engineError(QStringLiteral("no presenter any more")));
    QCOMPARE(modals->shown().at(0).kind, QStringLiteral("ErrorBox"));
}

QTEST_MAIN(TestDbErrorPresenter)
#include "tst_dberrorpresenter.moc"
