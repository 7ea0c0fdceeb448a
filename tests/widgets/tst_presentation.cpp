#include "widgets/TPresentation.h"

#include "ModalAnswers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

namespace {

QStringList buttonTexts(const QMessageBox& box) {
    QStringList texts;
    for (const QAbstractButton* button : box.buttons()) {
        texts << button->text();
    }
    texts.sort();
    return texts;
}

/// A dialog that closes itself with a given result once its modal loop runs.
class SelfClosingDialog : public QDialog {
public:
    explicit SelfClosingDialog(int result) : Result(result) {}

protected:
    void showEvent(QShowEvent* AEvent) override {
        QDialog::showEvent(AEvent);
        QMetaObject::invokeMethod(
            this, [this] { done(Result); }, Qt::QueuedConnection);
    }

private:
    int Result;
};

} // namespace

class tst_Presentation : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();

    void errorBoxText_data();
    void errorBoxText();
    void errorBoxLooksAsStopBox();
    void titleFromExecutable_data();
    void titleFromExecutable();
    void questionBox_data();
    void questionBox();
    void escapeAndClose_data();
    void escapeAndClose();
    void informationBox();
    void showModalRunsDialogWithoutHandler();
    void modalAnswersRecordsInOrder();
};

void tst_Presentation::initTestCase() {
    TPresentation::SetApplicationTitle(QStringLiteral("Exportardfe"));
}

void tst_Presentation::errorBoxText_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("own message ends in !") << "Informe o nome do Servidor de banco de dados!"
                                           << "Informe o nome do Servidor de banco de dados!";
    QTest::newRow("ends in a letter") << "Unable to write to /opt/ExportarDFe.ini"
                                      << "Unable to write to /opt/ExportarDFe.ini.";
    QTest::newRow("ends in a digit") << "Error 42"
                                     << "Error 42.";
    QTest::newRow("ends in ?") << "Continuar?"
                               << "Continuar?.";
    QTest::newRow("ends in :") << "Detalhes:"
                               << "Detalhes:.";
    QTest::newRow("ends in .") << "Done."
                               << "Done.";
    QTest::newRow("ends in )") << "Falhou (sem rede)"
                               << "Falhou (sem rede)";
    QTest::newRow("ends in a blank") << "Texto "
                                     << "Texto ";
    QTest::newRow("ends in a line break") << "Linha\r\n"
                                          << "Linha\r\n";
    QTest::newRow("ends in -") << "Texto -"
                               << "Texto -";
    QTest::newRow("ends in /") << "Pasta /"
                               << "Pasta /.";
    QTest::newRow("ends in an accent") << "Não"
                                       << "Não.";
    QTest::newRow("empty") << ""
                           << "";
}

void tst_Presentation::errorBoxText() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(TPresentation::ErrorBoxText(message), shown);

    ModalAnswers modals;
    modals.answer(QMessageBox::Ok);
    TPresentation::ErrorBox(message);
    QCOMPARE(modals.shown().size(), 1);
    QCOMPARE(modals.shown()[0].text, shown);
}

void tst_Presentation::errorBoxLooksAsStopBox() {
    ModalAnswers modals;
    modals.handle([](QDialog& dialog) {
        auto& box = dynamic_cast<QMessageBox&>(dialog);
        [&] {
            QCOMPARE(box.objectName(), QStringLiteral("ErrorBox"));
            QCOMPARE(box.windowTitle(), QStringLiteral("Exportardfe"));
            QCOMPARE(box.icon(), QMessageBox::Critical);
            QCOMPARE(buttonTexts(box), QStringList{"OK"});
            QCOMPARE(box.textFormat(), Qt::PlainText);
        }();
        box.button(QMessageBox::Ok)->click();
        return box.result();
    });
    TPresentation::ErrorBox(QStringLiteral("<b>Falhou</b>"));
    QCOMPARE(modals.shown().size(), 1);
    QCOMPARE(modals.shown()[0].text, QStringLiteral("<b>Falhou</b>."));
    QVERIFY(modals.allAnswered());
}

void tst_Presentation::titleFromExecutable_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    QTest::newRow("windows exe") << "C:\\Apps\\MyTool.exe"
                                 << "Mytool";
    QTest::newRow("several dots") << "C:\\Apps\\Data.Tool.exe"
                                  << "Data";
    QTest::newRow("linux path") << "/opt/kvora/ExportarDFe"
                                << "Exportardfe";
    QTest::newRow("dot in folder") << "/opt/v1.2/ExportarDFe"
                                   << "Exportardfe";
    QTest::newRow("first letter keeps case") << "/usr/bin/exportar"
                                             << "exportar";
    QTest::newRow("accented") << "/opt/ÉXPORTAÇÃO.bin"
                              << "Éxportação";
    QTest::newRow("name only") << "MyTool.exe"
                               << "Mytool";
    QTest::newRow("empty") << ""
                           << "";
}

void tst_Presentation::titleFromExecutable() {
    QFETCH(QString, path);
    QFETCH(QString, title);
    QCOMPARE(TPresentation::TitleFromExecutable(path), title);
}

void tst_Presentation::questionBox_data() {
    QTest::addColumn<unsigned>("flags");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("defaultButton");
    QTest::addColumn<int>("pressed");
    QTest::addColumn<int>("result");
    const int question = QMessageBox::Question;
    QTest::newRow("export confirmation, yes")
        << 0x124u << QStringList{"&Não", "&Sim"} << question << int(QMessageBox::No) << int(QMessageBox::Yes) << 6;
    QTest::newRow("export confirmation, no")
        << 0x124u << QStringList{"&Não", "&Sim"} << question << int(QMessageBox::No) << int(QMessageBox::No) << 7;
    QTest::newRow("ok") << 0x0u << QStringList{"OK"} << int(QMessageBox::NoIcon) << int(QMessageBox::Ok)
                        << int(QMessageBox::Ok) << 1;
    QTest::newRow("ok cancel, warning") << 0x31u << QStringList{"Cancelar", "OK"} << int(QMessageBox::Warning)
                                        << int(QMessageBox::Ok) << int(QMessageBox::Cancel) << 2;
    QTest::newRow("yes no cancel, third default")
        << 0x243u << QStringList{"&Não", "&Sim", "Cancelar"} << int(QMessageBox::Information)
        << int(QMessageBox::Cancel) << int(QMessageBox::Cancel) << 2;
    QTest::newRow("yes no cancel, no") << 0x3u << QStringList{"&Não", "&Sim", "Cancelar"} << int(QMessageBox::NoIcon)
                                       << int(QMessageBox::Yes) << int(QMessageBox::No) << 7;
    QTest::newRow("abort retry ignore, stop")
        << 0x12u << QStringList{"&Anular", "&Ignorar", "&Repetir"} << int(QMessageBox::Critical)
        << int(QMessageBox::Abort) << int(QMessageBox::Retry) << 4;
}

void tst_Presentation::questionBox() {
    QFETCH(unsigned, flags);
    QFETCH(QStringList, buttons);
    QFETCH(int, icon);
    QFETCH(int, defaultButton);
    QFETCH(int, pressed);
    QFETCH(int, result);

    ModalAnswers modals;
    modals.handle([&](QDialog& dialog) {
        auto& box = dynamic_cast<QMessageBox&>(dialog);
        [&] {
            QCOMPARE(buttonTexts(box), buttons);
            QCOMPARE(int(box.icon()), icon);
            QVERIFY(box.defaultButton() != nullptr);
            QCOMPARE(int(box.standardButton(box.defaultButton())), defaultButton);
        }();
        box.button(QMessageBox::StandardButton(pressed))->click();
        return box.result();
    });
    QCOMPARE(TPresentation::QuestionBox("Exportar?", "Confirmação", flags), result);
    QCOMPARE(modals.shown().size(), 1);
    QCOMPARE(modals.shown()[0].kind, QStringLiteral("QuestionBox"));
    QCOMPARE(modals.shown()[0].caption, QStringLiteral("Confirmação"));
    QCOMPARE(modals.shown()[0].text, QStringLiteral("Exportar?"));
}

void tst_Presentation::escapeAndClose_data() {
    QTest::addColumn<unsigned>("flags");
    QTest::addColumn<int>("escapeResult"); // 0: Esc and closing the frame leave the box up
    QTest::newRow("Yes/No: only a button ends it") << 0x124u << 0;
    QTest::newRow("Abort/Retry/Ignore: likewise") << unsigned(TPresentation::MB_ABORTRETRYIGNORE) << 0;
    QTest::newRow("Yes/No/Cancel: Esc cancels") << unsigned(TPresentation::MB_YESNOCANCEL) << TPresentation::IDCANCEL;
    QTest::newRow("OK alone: Esc presses it") << unsigned(TPresentation::MB_OK) << TPresentation::IDOK;
}

// Esc as the operator presses it, on the focused button of a box on screen; then the frame's close button.
void tst_Presentation::escapeAndClose() {
    QFETCH(unsigned, flags);
    QFETCH(int, escapeResult);
    ModalAnswers modals;
    modals.handle([&](QDialog& dialog) {
        auto& box = dynamic_cast<QMessageBox&>(dialog);
        box.show();
        [&] { QVERIFY(QTest::qWaitForWindowExposed(&box)); }();
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &box, Qt::Key_Escape);
        if (escapeResult != 0) {
            [&] { QVERIFY(!box.isVisible()); }();
            return box.result();
        }
        [&] {
            QVERIFY(box.isVisible());
            QCOMPARE(box.clickedButton(), nullptr);
            QVERIFY(!box.windowFlags().testFlag(Qt::WindowCloseButtonHint));
        }();
        box.close();
        [&] {
            QVERIFY(box.isVisible());
            QCOMPARE(box.clickedButton(), nullptr);
        }();
        box.buttons().constFirst()->click();
        return box.result();
    });
    const int result = TPresentation::QuestionBox(QStringLiteral("Exportar?"), QStringLiteral("c"), flags);
    QVERIFY(modals.allAnswered());
    if (escapeResult != 0) {
        QCOMPARE(result, escapeResult);
    }
}

void tst_Presentation::informationBox() {
    ModalAnswers modals;
    modals.handle([](QDialog& dialog) {
        auto& box = dynamic_cast<QMessageBox&>(dialog);
        [&] {
            QCOMPARE(box.icon(), QMessageBox::NoIcon);
            QCOMPARE(buttonTexts(box), QStringList{"OK"});
            QVERIFY(box.parentWidget() == nullptr);
        }();
        box.button(QMessageBox::Ok)->click();
        return box.result();
    });
    TPresentation::InformationBox(QStringLiteral("Conexão efetuada com sucesso!"));
    QCOMPARE(modals.shown().size(), 1);
    QCOMPARE(modals.shown()[0].kind, QStringLiteral("InformationBox"));
    QCOMPARE(modals.shown()[0].caption, QStringLiteral("Exportardfe"));
    QCOMPARE(modals.shown()[0].text, QStringLiteral("Conexão efetuada com sucesso!"));
}

void tst_Presentation::showModalRunsDialogWithoutHandler() {
    SelfClosingDialog dialog(5);
    QCOMPARE(TPresentation::ShowModal(dialog), 5);
    QVERIFY(!dialog.isVisible());
}

void tst_Presentation::modalAnswersRecordsInOrder() {
    ModalAnswers modals;
    modals.answer(QMessageBox::Ok);
    modals.answer(QMessageBox::No);
    TPresentation::ErrorBox(QStringLiteral("primeiro"));
    QCOMPARE(TPresentation::QuestionBox("segundo", "c", TPresentation::MB_YESNO), TPresentation::IDNO);
    QVERIFY(modals.allAnswered());
    QCOMPARE(modals.shown().size(), 2);
    QCOMPARE(modals.shown()[0].kind, QStringLiteral("ErrorBox"));
    QCOMPARE(modals.shown()[0].text, QStringLiteral("primeiro."));
    QCOMPARE(modals.shown()[1].kind, QStringLiteral("QuestionBox"));
}

QTEST_MAIN(tst_Presentation)
#include "tst_presentation.moc"
