#include "CaptionFits.h"
#include "app/uPrincipal.h"
#include "widgets/TApplication.h"

#include "widgets/TDatePicker.h"

#include "ModalAnswers.h"
#include "PerPlatform.h"
#include "platform/TClock.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace {

class FixedClock : public TClock {
public:
    QDate today;
    QDate currentDate() const override { return today; }
};

QString captionOf(const QWidget* widget) {
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        return label->text();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        return button->text();
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) {
        return edit->text();
    }
    return QString();
}

} // namespace

class tst_Principal : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void window();
    void filterControls_data();
    void filterControls();
    void dockedControls();
    void keyboardOrder();
    void menu();
    void formShow_data();
    void formShow();
    void fileChooserConfirmed();
    void fileChooserCancelled();
    void fileChooserFolder();
    void toolkitTextsInPortuguese();

private:
    QDialog* runFileChooser(ModalAnswers& modals);

    FixedClock Clock;
    TfrmPrincipal* Form = nullptr;
};

void tst_Principal::init() {
    Clock.today = QDate(2024, 2, 10);
    TClock::setInstance(&Clock);
    Form = new TfrmPrincipal;
}

void tst_Principal::cleanup() {
    delete Form;
    Form = nullptr;
    TClock::setInstance(nullptr);
}

void tst_Principal::window() {
    QCOMPARE(Form->objectName(), QStringLiteral("frmPrincipal"));
    QCOMPARE(Form->windowTitle(), QStringLiteral("Exportar DF-e para KVORA"));
    QCOMPARE(Form->font().pointSize(), 8);
    QCOMPARE(Form->font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(Form->width(), 780);
    QCOMPARE(Form->height() - Form->menuBar()->sizeHint().height(), 472);
}

void tst_Principal::filterControls_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QPoint>("position");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("caption");
    const QSize autoSize;
    QTest::newRow("Label1") << "Label1"
                            << "QLabel" << QPoint(10, 19) << autoSize << "Arquivo de dados do DF-e";
    QTest::newRow("edtArquivosDadosDFe") << "edtArquivosDadosDFe"
                                         << "QLineEdit" << QPoint(10, 35) << QSize(556, 21) << "";
    QTest::newRow("btnBuscarArquivoDadosDFe") << "btnBuscarArquivoDadosDFe"
                                              << "QPushButton" << QPoint(572, 35) << QSize(23, 22) << "...";
    QTest::newRow("Label2") << "Label2"
                            << "QLabel" << QPoint(10, 62) << autoSize << "Período";
    QTest::newRow("edtDataInicial") << "edtDataInicial"
                                    << "QDateEdit" << QPoint(10, 78) << QSize(101, 21) << "";
    QTest::newRow("Label3") << "Label3"
                            << "QLabel" << QPoint(117, 82) << autoSize << "até";
    QTest::newRow("edtDataFinal") << "edtDataFinal"
                                  << "QDateEdit" << QPoint(139, 78) << QSize(101, 21) << "";
    QTest::newRow("CheckBox1") << "CheckBox1"
                               << "QCheckBox" << QPoint(246, 81) << QSize(298, 17)
                               << "Mostrar somente registros que não possuem MPIECEOLE";
    QTest::newRow("btnFiltrarRegistros") << "btnFiltrarRegistros"
                                         << "QPushButton" << QPoint(550, 76) << QSize(115, 22) << "Filtrar...";
}

void tst_Principal::filterControls() {
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QPoint, position);
    QFETCH(QSize, size);
    QFETCH(QString, caption);
    Form->show();
    auto* widget = Form->GroupBox1->findChild<QWidget*>(name);
    QVERIFY(widget != nullptr);
    QCOMPARE(widget->parentWidget(), Form->GroupBox1);
    QVERIFY(widget->inherits(qPrintable(className)));
    QCOMPARE(widget->pos(), position);
    if (size.isValid()) {
        QCOMPARE(widget->size(), size);
    }
    QCOMPARE(captionOf(widget), caption);
#ifndef Q_OS_WIN
    // Under Wine the offscreen platform measures with the build machine's faces, not with Windows' Tahoma.
    if (qobject_cast<QCheckBox*>(widget)) { // the whole caption shows in the fixed size
        QVERIFY(CaptionFits(*qobject_cast<QCheckBox*>(widget)));
    }
#endif
    if (qobject_cast<QPushButton*>(widget)) {
        QCOMPARE(widget->focusPolicy(), Qt::NoFocus);
    }
}

void tst_Principal::dockedControls() {
    QCOMPARE(Form->GroupBox1->title(), QStringLiteral("Filtro"));
    QVERIFY(Form->edtArquivosDadosDFe->isReadOnly());
    QVERIFY(!Form->CheckBox1->isChecked());
    QVERIFY(Form->edtDataInicial->calendarPopup());
    QCOMPARE(Form->edtDataInicial->displayFormat(), QStringLiteral("dd/MM/yyyy"));
    QCOMPARE(Form->edtDataFinal->displayFormat(), QStringLiteral("dd/MM/yyyy"));
    QCOMPARE(Form->DBGrid1->objectName(), QStringLiteral("DBGrid1"));

    Form->show();
    QVERIFY(QTest::qWaitForWindowExposed(Form));
    const QWidget* client = Form->centralWidget();
    const int width = client->width();
    const int height = client->height();
    QCOMPARE(Form->GroupBox1->geometry(), QRect(3, 3, width - 6, 108));
    QVERIFY(!Form->BarProgresso->isVisible());
    QCOMPARE(Form->DBGrid1->geometry(), QRect(3, 117, width - 6, height - 117 - 3));

    Form->BarProgresso->show();
    QTRY_COMPARE(Form->BarProgresso->geometry(), QRect(3, height - 3 - 17, width - 6, 17));
    QCOMPARE(Form->DBGrid1->geometry(), QRect(3, 117, width - 6, height - 117 - 3 - 17 - 6));
    // Positions inside the group box do not follow the width.
    QCOMPARE(Form->btnFiltrarRegistros->pos(), QPoint(550, 76));
}

void tst_Principal::keyboardOrder() {
    Form->show();
    QVERIFY(QTest::qWaitForWindowActive(Form));
    Form->edtArquivosDadosDFe->setFocus();
    const QList<QWidget*> order = {Form->edtDataInicial, Form->edtDataFinal, Form->CheckBox1, Form->DBGrid1,
                                   Form->edtArquivosDadosDFe};
    for (QWidget* expected : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), expected);
    }
}

void tst_Principal::menu() {
    QCOMPARE(Form->MainMenu1->objectName(), QStringLiteral("MainMenu1"));
    const QList<QAction*> menus = Form->MainMenu1->actions();
    QCOMPARE(menus.size(), 2);
    QCOMPARE(menus[0]->text(), QStringLiteral("Opções"));
    QCOMPARE(menus[0]->menu()->actions(), QList<QAction*>{Form->actConfigurarAcessoKVORA});
    QCOMPARE(menus[1]->text(), QStringLiteral("Ferramentas"));
    QCOMPARE(menus[1]->menu()->actions(), QList<QAction*>{Form->actExportarParaKVORA});

    QCOMPARE(Form->actConfigurarAcessoKVORA->objectName(), QStringLiteral("actConfigurarAcessoKVORA"));
    QCOMPARE(Form->actConfigurarAcessoKVORA->text(), QStringLiteral("Configurar Conexão SQL Server KVORA"));
    QCOMPARE(Form->actExportarParaKVORA->objectName(), QStringLiteral("actExportarParaKVORA"));
    QCOMPARE(Form->actExportarParaKVORA->text(), QStringLiteral("Exportar documentos para KVORA"));
    for (const QAction* action : {Form->actConfigurarAcessoKVORA, Form->actExportarParaKVORA}) {
        QVERIFY(action->shortcuts().isEmpty());
        QVERIFY(action->isEnabled());
    }
}

void tst_Principal::formShow_data() {
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QDate>("first");
    QTest::addColumn<QDate>("last");
    QTest::newRow("leap February") << QDate(2024, 2, 10) << QDate(2024, 2, 1) << QDate(2024, 2, 29);
    QTest::newRow("last day of the year") << QDate(2023, 12, 31) << QDate(2023, 12, 1) << QDate(2023, 12, 31);
    QTest::newRow("plain February") << QDate(2023, 2, 28) << QDate(2023, 2, 1) << QDate(2023, 2, 28);
    QTest::newRow("first of a 30-day month") << QDate(2024, 4, 1) << QDate(2024, 4, 1) << QDate(2024, 4, 30);
}

void tst_Principal::formShow() {
    QFETCH(QDate, today);
    QFETCH(QDate, first);
    QFETCH(QDate, last);
    Clock.today = today;
    Form->show();
    QVERIFY(Form->windowState().testFlag(Qt::WindowMaximized));
    QVERIFY(Form->BarProgresso->isHidden());
    QCOMPARE(Form->edtDataInicial->date(), first);
    QCOMPARE(Form->edtDataFinal->date(), last);
    QCOMPARE(Form->edtArquivosDadosDFe->text(), QString());
}

QDialog* tst_Principal::runFileChooser(ModalAnswers& modals) {
    QDialog* seen = nullptr;
    modals.handle([&seen](QDialog& dialog) {
        auto& chooser = dynamic_cast<QFileDialog&>(dialog);
        seen = &dialog;
        [&] {
            QCOMPARE(chooser.objectName(), QStringLiteral("OpenDialog1"));
            QCOMPARE(chooser.windowTitle(), QStringLiteral("Abrir arquivo"));
            QCOMPARE(chooser.nameFilters(), QStringList{"Arquivos de dados DF-e (*.sqlite)"});
            QCOMPARE(chooser.defaultSuffix(), QStringLiteral("sqlite"));
            QCOMPARE(chooser.acceptMode(), QFileDialog::AcceptOpen);
            QCOMPARE(chooser.fileMode(), QFileDialog::ExistingFile);
            // The toolkit's own dialog, except on Windows, whose own dialog operators know.
            QCOMPARE(chooser.testOption(QFileDialog::DontUseNativeDialog), PerPlatform(true, false));
        }();
        return int(QDialog::Rejected);
    });
    Form->btnBuscarArquivoDadosDFeClick();
    return seen;
}

void tst_Principal::fileChooserConfirmed() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("dados.sqlite"));
    QFile created(file);
    QVERIFY(created.open(QIODevice::WriteOnly));
    created.close();
    const QString currentBefore = QDir::currentPath();

    ModalAnswers modals;
    QVERIFY(runFileChooser(modals) != nullptr);
    modals.acceptFile(file);
    QTest::mouseClick(Form->btnBuscarArquivoDadosDFe, Qt::LeftButton);
    QVERIFY(modals.allAnswered());
    QCOMPARE(modals.shown().size(), 2);
    QCOMPARE(Form->edtArquivosDadosDFe->text(), QDir::toNativeSeparators(file));
    QCOMPARE(QDir::currentPath(), currentBefore);
}

void tst_Principal::fileChooserCancelled() {
    Form->edtArquivosDadosDFe->setText(QStringLiteral("/dados/anterior.sqlite"));
    ModalAnswers modals;
    modals.reject();
    QTest::mouseClick(Form->btnBuscarArquivoDadosDFe, Qt::LeftButton);
    QVERIFY(modals.allAnswered());
    QCOMPARE(modals.shown().size(), 1);
    QCOMPARE(modals.shown()[0].kind, QStringLiteral("OpenDialog1"));
    QCOMPARE(Form->edtArquivosDadosDFe->text(), QStringLiteral("/dados/anterior.sqlite"));
}

// The chooser opens in the folder of the path in the box, else where it was last confirmed; the process's current
// directory never moves.
void tst_Principal::fileChooserFolder() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("a/b")));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("c")));
    const QString emA = dir.filePath(QStringLiteral("a/dados.sqlite"));
    QFile created(emA);
    QVERIFY(created.open(QIODevice::WriteOnly));
    created.close();
    const QString currentBefore = QDir::currentPath();

    ModalAnswers modals;
    QStringList folders;
    const auto noteFolder = [&folders](QDialog& dialog) {
        folders << dynamic_cast<QFileDialog&>(dialog).directory().absolutePath();
        dialog.reject();
        return int(QDialog::Rejected);
    };
    const auto click = [this] { QTest::mouseClick(Form->btnBuscarArquivoDadosDFe, Qt::LeftButton); };

    modals.handle(noteFolder); // nothing chosen yet: where the toolkit starts
    click();
    Form->edtArquivosDadosDFe->setText(dir.filePath(QStringLiteral("a/b/outro.sqlite")));
    modals.handle(noteFolder); // the folder of the path shown, whether the file exists or not
    click();
    modals.handle([&](QDialog& dialog) { // confirmed in a/
        auto& chooser = dynamic_cast<QFileDialog&>(dialog);
        chooser.setDirectory(dir.filePath(QStringLiteral("c")));
        chooser.selectFile(emA);
        dialog.accept(); // checks the choice, as the Open button does
        return chooser.result();
    });
    click();
    QCOMPARE(Form->edtArquivosDadosDFe->text(), QDir::toNativeSeparators(emA));
    Form->edtArquivosDadosDFe->setText(dir.filePath(QStringLiteral("sumiu/x.sqlite")));
    modals.handle(noteFolder); // the path's folder is gone: where it was last confirmed
    click();

    QVERIFY(modals.allAnswered());
    QCOMPARE(folders,
             QStringList({currentBefore, dir.filePath(QStringLiteral("a/b")), dir.filePath(QStringLiteral("a"))}));
    QCOMPARE(QDir::currentPath(), currentBefore);
}

// The toolkit's own texts, loaded at start-up: the file chooser as the "..." button opens it, and an edit box's menu.
void tst_Principal::toolkitTextsInPortuguese() {
    QStringList chooserTexts;
    ModalAnswers modals;
    modals.handle([&chooserTexts](QDialog& dialog) {
        for (const char* name : {"lookInLabel", "fileNameLabel", "fileTypeLabel"}) {
            chooserTexts << dialog.findChild<QLabel*>(QLatin1String(name))->text();
        }
        const auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        chooserTexts << buttons->button(QDialogButtonBox::Open)->text()
                     << buttons->button(QDialogButtonBox::Cancel)->text();
        return int(QDialog::Rejected);
    });
    QTest::mouseClick(Form->btnBuscarArquivoDadosDFe, Qt::LeftButton);
    QVERIFY(modals.allAnswered());
    QCOMPARE(chooserTexts,
             QStringList({"Procurar em:", "&Nome do arquivo:", "Arquivos do tipo:", "&Abrir", "Cancelar"}));

    QLineEdit edit; // an editable box: its menu has every entry
    QTest::keyClicks(&edit, QStringLiteral("abc"));
    edit.selectAll();
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList menuTexts;
    for (const QAction* action : menu->actions()) {
        if (!action->isSeparator()) {
            menuTexts << action->text();
        }
    }
    QCOMPARE(menuTexts, QStringList({"&Desfazer\tCtrl+Z", "&Refazer\tCtrl+Y", "Recor&tar\tCtrl+X", "&Copiar\tCtrl+C",
                                     "C&olar\tCtrl+V", "Excluir", "Selecionar tudo\tCtrl+A"}));
}

int main(int argc, char** argv) {
    TApplication application(argc, argv); // the program's own style and font
    tst_Principal test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_principal.moc"
