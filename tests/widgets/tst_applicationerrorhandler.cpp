#include "widgets/TApplication.h"
#include "widgets/TApplicationErrorHandler.h"
#include "widgets/TPresentation.h"

#include "ModalAnswers.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <stdexcept>

namespace {

/// Stands for an error reported by a database engine.
class FakeEngineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ThrowingEdit : public QLineEdit {
protected:
    void keyPressEvent(QKeyEvent*) override { throw std::runtime_error("Tecla recusada"); }
};

} // namespace

class tst_ApplicationErrorHandler : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void buttonErrorReachesErrorBox_data();
    void buttonErrorReachesErrorBox();
    void handlerEndsAtFailureAndLoopGoesOn();
    void keyAndTimerErrorsAreRouted();
    void foreignExceptionReachesErrorBox();
    void mouseCaptureEnds();
    void presenterIsOfferedErrorFirst();
    void withoutPresenterEngineErrorsUseErrorBox();

private:
    QWidget* Window = nullptr;
    QPushButton* Button = nullptr;
    std::function<void()> Action;
};

void tst_ApplicationErrorHandler::initTestCase() {
    TPresentation::SetApplicationTitle(QStringLiteral("Exportardfe"));
}

void tst_ApplicationErrorHandler::init() {
    Window = new QWidget;
    Button = new QPushButton(QStringLiteral("Testar"), Window);
    auto* layout = new QVBoxLayout(Window);
    layout->addWidget(Button);
    connect(Button, &QPushButton::clicked, this, [this] { Action(); });
    Window->show();
    QVERIFY(QTest::qWaitForWindowExposed(Window));
}

void tst_ApplicationErrorHandler::cleanup() {
    delete Window;
    Window = nullptr;
    TApplicationErrorHandler::SetPresenter({});
}

void tst_ApplicationErrorHandler::buttonErrorReachesErrorBox_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("own words") << "Informe o nome do Servidor de banco de dados!"
                               << "Informe o nome do Servidor de banco de dados!";
    QTest::newRow("settings write") << "Unable to write to /opt/ExportarDFe.ini"
                                    << "Unable to write to /opt/ExportarDFe.ini.";
    QTest::newRow("empty") << ""
                           << "";
}

void tst_ApplicationErrorHandler::buttonErrorReachesErrorBox() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    Action = [message] { throw std::runtime_error(message.toStdString()); };
    ModalAnswers modals;
    modals.answer(QMessageBox::Ok);
    QTest::mouseClick(Button, Qt::LeftButton);
    QCOMPARE(modals.shown().size(), 1);
    QCOMPARE(modals.shown()[0].kind, QStringLiteral("ErrorBox"));
    QCOMPARE(modals.shown()[0].caption, QStringLiteral("Exportardfe"));
    QCOMPARE(modals.shown()[0].text, shown);
    QVERIFY(Window->isVisible());
}

void tst_ApplicationErrorHandler::handlerEndsAtFailureAndLoopGoesOn() {
    int before = 0;
    int after = 0;
    Action = [&] {
        ++before;
        throw std::runtime_error("Falhou");
        ++after;
    };
    ModalAnswers modals;
    modals.answer(QMessageBox::Ok);
    modals.answer(QMessageBox::Ok);
    QTest::mouseClick(Button, Qt::LeftButton);
    QTest::mouseClick(Button, Qt::LeftButton);
    QCOMPARE(before, 2);
    QCOMPARE(after, 0);
    QCOMPARE(modals.shown().size(), 2);
    QVERIFY(Window->isVisible());
    QVERIFY(!Button->isDown());
}

void tst_ApplicationErrorHandler::keyAndTimerErrorsAreRouted() {
    auto* edit = new ThrowingEdit;
    Window->layout()->addWidget(edit);
    ModalAnswers modals;
    modals.answer(QMessageBox::Ok);
    modals.answer(QMessageBox::Ok);
    QTest::keyClick(edit, Qt::Key_A);
    QTimer::singleShot(0, this, [] { throw std::runtime_error("Tempo esgotado"); });
    QTRY_COMPARE(modals.shown().size(), 2);
    QCOMPARE(modals.shown()[0].text, QStringLiteral("Tecla recusada."));
    QCOMPARE(modals.shown()[1].text, QStringLiteral("Tempo esgotado."));
}

void tst_ApplicationErrorHandler::foreignExceptionReachesErrorBox() {
    Action = [] { throw 42; };
    bool offered = false;
    TApplicationErrorHandler::SetPresenter([&offered](const std::exception&) { return offered = true; });
    ModalAnswers modals;
    modals.answer(QMessageBox::Ok);
    QTest::mouseClick(Button, Qt::LeftButton);
    QVERIFY(!offered);
    QCOMPARE(modals.shown().size(), 1);
    QCOMPARE(modals.shown()[0].kind, QStringLiteral("ErrorBox"));
    QCOMPARE(modals.shown()[0].text, QStringLiteral("Unknown error."));
}

void tst_ApplicationErrorHandler::mouseCaptureEnds() {
    QWidget* grabbedAtBox = nullptr;
    Action = [this] {
        Window->grabMouse();
        throw std::runtime_error("Falhou");
    };
    ModalAnswers modals;
    modals.handle([&grabbedAtBox](QDialog&) {
        grabbedAtBox = QWidget::mouseGrabber();
        return int(QMessageBox::Ok);
    });
    QTest::mouseClick(Button, Qt::LeftButton);
    QCOMPARE(modals.shown().size(), 1);
    QCOMPARE(grabbedAtBox, nullptr);
    QCOMPARE(QWidget::mouseGrabber(), nullptr);
}

void tst_ApplicationErrorHandler::presenterIsOfferedErrorFirst() {
    QStringList offered;
    TApplicationErrorHandler::SetPresenter([&offered](const std::exception& error) {
        offered << QString::fromUtf8(error.what());
        return dynamic_cast<const FakeEngineError*>(&error) != nullptr;
    });
    QVERIFY(TApplicationErrorHandler::HasPresenter());
    ModalAnswers modals;
    modals.answer(QMessageBox::Ok);

    Action = [] { throw FakeEngineError("ORA-like engine failure"); };
    QTest::mouseClick(Button, Qt::LeftButton);
    QCOMPARE(offered, QStringList{"ORA-like engine failure"});
    QCOMPARE(modals.shown().size(), 0);

    Action = [] { throw std::runtime_error("Servidor de banco de dados não foi configurado!"); };
    QTest::mouseClick(Button, Qt::LeftButton);
    QCOMPARE(offered.size(), 2);
    QCOMPARE(modals.shown().size(), 1);
    QCOMPARE(modals.shown()[0].text, QStringLiteral("Servidor de banco de dados não foi configurado!"));
}

void tst_ApplicationErrorHandler::withoutPresenterEngineErrorsUseErrorBox() {
    QVERIFY(!TApplicationErrorHandler::HasPresenter());
    Action = [] { throw FakeEngineError("statement refused"); };
    ModalAnswers modals;
    modals.answer(QMessageBox::Ok);
    QTest::mouseClick(Button, Qt::LeftButton);
    QCOMPARE(modals.shown().size(), 1);
    QCOMPARE(modals.shown()[0].text, QStringLiteral("statement refused."));
}

int main(int argc, char* argv[]) {
    TApplication application(argc, argv);
    tst_ApplicationErrorHandler test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_applicationerrorhandler.moc"
