#include "widgets/dberror/DbErrorTexts.h"
#include "widgets/dberror/TDbErrorWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace {

TDbDiagRecord record(int ANative, TDbErrorKind AKind, const QString& AMessage, const QString& AObject, int AOffset) {
    TDbDiagRecord result;
    result.NativeError = ANative;
    result.Kind = AKind;
    result.MessageText = AMessage;
    result.ObjName = AObject;
    result.CommandTextOffset = AOffset;
    return result;
}

/// An insert refused by the server: two records, a command with two parameters.
EDbEngineError refusedInsert() {
    EDbEngineError error(
        QStringLiteral("[Strata][Phys][ODBC][Server]Violation of PRIMARY KEY\nStatement ended."),
        QStringLiteral("EODBCNativeException"), 1200,
        {record(2627, TDbErrorKind::UKViolated, QStringLiteral("Violation of key\nin 'MPIECEOLE'"),
                QStringLiteral("MPIECEOLE"), -1),
         record(3621, TDbErrorKind::Other, QStringLiteral("The statement has been terminated."), QString(), 12)});
    error.ObjectName = QStringLiteral("sqlConexao");
    error.CommandText = QStringLiteral("insert into MPIECEOLE (ID, TXT)\nvalues (:ID, :TXT)");
    error.Params = {{QStringLiteral("ID"), QStringLiteral("42")}, {QStringLiteral("TXT"), QStringLiteral("<xml/>")}};
    return error;
}

} // namespace

class TestDbErrorWindow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void frameAndFixedTexts();
    void detailsButtonTogglesPanelAndSize();
    void fieldsOfAnErrorWithRecords();
    void errorWithoutRecordsShowsEmptyFields();
    void stepsThroughRecordsWithinRange();
    void errorCodeFormat_data();
    void errorCodeFormat();
    void commandTextOffsetEmptyOnlyForMinusOne_data();
    void commandTextOffsetEmptyOnlyForMinusOne();
    void queryTabPresence_data();
    void queryTabPresence();
    void parameterListColumnsAndRows();
    void copyTextIsExact();
    void copyTextFollowsTheShownRecord();
    void copyKeysWorkWhereverTheFocusIs_data();
    void copyKeysWorkWhereverTheFocusIs();
    void valueFieldsAreReadOnlyAndOutOfTheTabChain();
    void enterPressesOkAndEscapeCloses_data();
    void enterPressesOkAndEscapeCloses();
    void refillingClearsThePreviousError();
    void centredOverTheMainWindow();
    void closingReactivatesThePreviouslyActiveWindow();

private:
    template <typename T> T* child(const char* name) const {
        T* widget = window->findChild<T*>(QString::fromLatin1(name));
        if (widget == nullptr) {
            qFatal("no child %s", name);
        }
        return widget;
    }
    QString text(const char* name) const { return child<QLineEdit>(name)->text(); }
    bool queryTabVisible() const {
        auto* tabs = child<QTabWidget>("pgcDetails");
        return tabs->isTabVisible(tabs->indexOf(child<QWidget>("tshQuery")));
    }

    std::unique_ptr<TDbErrorWindow> window;
};

void TestDbErrorWindow::init() {
    window = std::make_unique<TDbErrorWindow>();
}

void TestDbErrorWindow::cleanup() {
    window.reset();
}

void TestDbErrorWindow::frameAndFixedTexts() {
    QCOMPARE(window->windowTitle(), QStringLiteral("Strata Error"));
    const Qt::WindowFlags flags = window->windowFlags();
    QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(flags.testFlag(Qt::MSWindowsFixedSizeDialogHint));
    QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinMaxButtonsHint));
    QVERIFY(!flags.testFlag(Qt::WindowSystemMenuHint));
    QCOMPARE(window->font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(window->font().pointSize(), 8);
    QCOMPARE(window->size(), QSize(445, 154));
    QCOMPARE(window->minimumSize(), window->maximumSize());

    QCOMPARE(child<QLabel>("lblBand")->text(),
             QStringLiteral("The application performed an incorrect operation with the database."));
    QCOMPARE(child<QLabel>("imgPicture")->pixmap().size(), QSize(32, 32));
    QCOMPARE(child<QPushButton>("btnCopy")->text(), QStringLiteral("&Copy"));
    QCOMPARE(child<QPushButton>("btnOK")->text(), QStringLiteral("&OK"));
    QVERIFY(child<QPushButton>("btnOK")->isDefault());
    QCOMPARE(child<QPushButton>("btnPrior")->text(), QStringLiteral("&<<"));
    QCOMPARE(child<QPushButton>("btnNext")->text(), QStringLiteral(">&>"));

    auto* tabs = child<QTabWidget>("pgcDetails");
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->tabText(0), QStringLiteral("Error"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("Query"));
    QCOMPARE(tabs->tabText(2), QStringLiteral("Other"));
    QStringList labels;
    for (const QLabel* label : window->findChildren<QLabel*>()) {
        labels.append(label->text());
    }
    for (const char* expected : {"Advanced Error Information", "Error code:", "Error kind:", "Message text:",
                                 "Server object:", "Command text offset:", "Failed Command Information",
                                 "Command text:", "Command parameters:", "Exception Object Information",
                                 "Exception class name:", "Strata error code:", "Strata object name:"}) {
        QVERIFY2(labels.contains(QString::fromLatin1(expected)), expected);
    }
}

void TestDbErrorWindow::detailsButtonTogglesPanelAndSize() {
    auto* details = child<QPushButton>("btnDetails");
    QCOMPARE(details->text(), QStringLiteral("Details >>"));
    QVERIFY(!window->DetailsShown());

    details->click();
    QVERIFY(window->DetailsShown());
    QCOMPARE(details->text(), QStringLiteral("<< Details"));
    QCOMPARE(window->size(), QSize(445, 420));
    QCOMPARE(child<QWidget>("pnlDetails")->height(), 266);

    details->click();
    QVERIFY(!window->DetailsShown());
    QCOMPARE(details->text(), QStringLiteral("Details >>"));
    QCOMPARE(window->size(), QSize(445, 154));
}

void TestDbErrorWindow::fieldsOfAnErrorWithRecords() {
    window->Fill(refusedInsert());

    QCOMPARE(child<QPlainTextEdit>("mmoMessage")->toPlainText(),
             QStringLiteral("[Strata][Phys][ODBC][Server]Violation of PRIMARY KEY\nStatement ended."));
    QCOMPARE(window->RecordIndex(), 0);
    QCOMPARE(text("edtErrorCode"), QStringLiteral("02627"));
    QCOMPARE(text("edtErrorKind"), QStringLiteral("UKViolated"));
    QCOMPARE(child<QPlainTextEdit>("mmoMessageText")->toPlainText(),
             QStringLiteral("Violation of key\nin 'MPIECEOLE'"));
    QCOMPARE(text("edtServerObject"), QStringLiteral("MPIECEOLE"));
    QCOMPARE(text("edtCommandTextOffset"), QString());
    QVERIFY(!child<QPushButton>("btnPrior")->isEnabled());
    QVERIFY(child<QPushButton>("btnNext")->isEnabled());

    QCOMPARE(child<QPlainTextEdit>("mmoCommandText")->toPlainText(),
             QStringLiteral("insert into MPIECEOLE (ID, TXT)\nvalues (:ID, :TXT)"));
    QVERIFY(queryTabVisible());
    QCOMPARE(text("edtClassName"), QStringLiteral("EODBCNativeException"));
    QCOMPARE(text("edtStrataErrorCode"), QStringLiteral("1200"));
    QCOMPARE(text("edtStrataObjectName"), QStringLiteral("sqlConexao"));
    QCOMPARE(window->focusWidget(), child<QPushButton>("btnOK"));
}

void TestDbErrorWindow::errorWithoutRecordsShowsEmptyFields() {
    window->Fill(refusedInsert()); // leaves values behind that must not survive
    window->Fill(EDbEngineError(QStringLiteral("[Strata][Phys][SQLite] ERROR: disk I/O error"),
                                QStringLiteral("ESQLiteNativeException"), 1600));

    for (const char* name : {"edtErrorCode", "edtErrorKind", "edtServerObject", "edtCommandTextOffset"}) {
        QVERIFY2(text(name).isEmpty(), name);
    }
    QVERIFY(child<QPlainTextEdit>("mmoMessageText")->toPlainText().isEmpty());
    QVERIFY(!child<QPushButton>("btnPrior")->isEnabled());
    QVERIFY(!child<QPushButton>("btnNext")->isEnabled());
    QCOMPARE(window->RecordIndex(), 0);
    QCOMPARE(text("edtStrataErrorCode"), QStringLiteral("1600"));
}

void TestDbErrorWindow::stepsThroughRecordsWithinRange() {
    EDbEngineError error = refusedInsert();
    error.Records.append(record(50000, TDbErrorKind::ServerOutput, QStringLiteral("third"), QString(), 3));
    window->Fill(error);
    auto* prior = child<QPushButton>("btnPrior");
    auto* next = child<QPushButton>("btnNext");

    next->click();
    QCOMPARE(window->RecordIndex(), 1);
    QCOMPARE(text("edtErrorCode"), QStringLiteral("03621"));
    QCOMPARE(text("edtErrorKind"), QStringLiteral("Other"));
    QCOMPARE(text("edtCommandTextOffset"), QStringLiteral("12"));
    QVERIFY(prior->isEnabled());
    QVERIFY(next->isEnabled());

    next->click();
    QCOMPARE(window->RecordIndex(), 2);
    QCOMPARE(text("edtErrorKind"), QStringLiteral("ServerOutput"));
    QVERIFY(prior->isEnabled());
    QVERIFY(!next->isEnabled());

    window->ShowRecord(7);
    QCOMPARE(window->RecordIndex(), 2);
    QCOMPARE(text("edtErrorCode"), QStringLiteral("50000"));

    prior->click();
    prior->click();
    QCOMPARE(window->RecordIndex(), 0);
    QVERIFY(!prior->isEnabled());
    window->ShowRecord(-3);
    QCOMPARE(window->RecordIndex(), 0);
    QCOMPARE(text("edtErrorKind"), QStringLiteral("UKViolated"));
}

void TestDbErrorWindow::errorCodeFormat_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("shown");
    QTest::newRow("one digit") << 7 << QStringLiteral("00007");
    QTest::newRow("one") << 1 << QStringLiteral("00001");
    QTest::newRow("four digits") << 2627 << QStringLiteral("02627");
    QTest::newRow("five digits") << 18456 << QStringLiteral("18456");
    QTest::newRow("six digits") << 123456 << QStringLiteral("123456");
    QTest::newRow("zero") << 0 << QStringLiteral("0");
    QTest::newRow("minus one") << -1 << QStringLiteral("-1");
    QTest::newRow("negative") << -123 << QStringLiteral("-123");
}

void TestDbErrorWindow::errorCodeFormat() {
    QFETCH(int, code);
    QFETCH(QString, shown);
    QCOMPARE(DbErrorTexts::FormatErrorCode(code), shown);

    EDbEngineError error(QStringLiteral("m"), QStringLiteral("E"), 1200,
                         {record(code, TDbErrorKind::Other, QString(), QString(), -1)});
    window->Fill(error);
    QCOMPARE(text("edtErrorCode"), shown);
}

void TestDbErrorWindow::commandTextOffsetEmptyOnlyForMinusOne_data() {
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("shown");
    QTest::newRow("none") << -1 << QString();
    QTest::newRow("start") << 0 << QStringLiteral("0");
    QTest::newRow("inside") << 145 << QStringLiteral("145");
}

void TestDbErrorWindow::commandTextOffsetEmptyOnlyForMinusOne() {
    QFETCH(int, offset);
    QFETCH(QString, shown);
    window->Fill(EDbEngineError(QStringLiteral("m"), QStringLiteral("E"), 1600,
                                {record(1, TDbErrorKind::Other, QString(), QString(), offset)}));
    QCOMPARE(text("edtCommandTextOffset"), shown);
}

void TestDbErrorWindow::queryTabPresence_data() {
    QTest::addColumn<QString>("commandText");
    QTest::addColumn<bool>("withParameter");
    QTest::addColumn<bool>("present");
    QTest::newRow("nothing") << QString() << false << false;
    QTest::newRow("blanks and controls") << QStringLiteral("  \t\r\n\x01 ") << false << false;
    QTest::newRow("statement") << QStringLiteral("select 1") << false << true;
    QTest::newRow("one visible character") << QStringLiteral("\n x\t") << false << true;
    QTest::newRow("parameter only") << QString() << true << true;
    QTest::newRow("both") << QStringLiteral("select :A") << true << true;
}

void TestDbErrorWindow::queryTabPresence() {
    QFETCH(QString, commandText);
    QFETCH(bool, withParameter);
    QFETCH(bool, present);
    window->Fill(refusedInsert()); // the tab is shown before, so hiding it is checked too
    EDbEngineError error(QStringLiteral("m"), QStringLiteral("E"), 1200);
    error.CommandText = commandText;
    if (withParameter) {
        error.Params = {{QStringLiteral("A"), QStringLiteral("1")}};
    }
    window->Fill(error);
    QCOMPARE(queryTabVisible(), present);
    if (!withParameter) {
        QCOMPARE(DbErrorTexts::HasCommandText(commandText), present);
    }
}

void TestDbErrorWindow::parameterListColumnsAndRows() {
    window->Fill(refusedInsert());
    auto* list = child<QTreeWidget>("lvwParams");
    QCOMPARE(list->columnCount(), 2);
    QCOMPARE(list->headerItem()->text(0), QStringLiteral("Name"));
    QCOMPARE(list->headerItem()->text(1), QStringLiteral("Value"));
    QCOMPARE(list->columnWidth(0), 150);
    QCOMPARE(list->columnWidth(1), 250);
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("ID"));
    QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("42"));
    QCOMPARE(list->topLevelItem(1)->text(0), QStringLiteral("TXT"));
    QCOMPARE(list->topLevelItem(1)->text(1), QStringLiteral("<xml/>"));
}

void TestDbErrorWindow::copyTextIsExact() {
    window->Fill(refusedInsert());
    QGuiApplication::clipboard()->clear();
    child<QPushButton>("btnCopy")->click();

    const QString expected = QStringLiteral("Strata Error\r\n"
                                            "The application performed an incorrect operation with the database.\r\n"
                                            "-------------------------------------------\r\n"
                                            "Message text: Violation of key\r\nin 'MPIECEOLE'\r\n"
                                            "Error code: 02627\r\n"
                                            "Error kind: UKViolated\r\n"
                                            "Server object: MPIECEOLE\r\n"
                                            "Command text offset: \r\n"
                                            "-------------------------------------------\r\n"
                                            "Command text: insert into MPIECEOLE (ID, TXT)\r\nvalues (:ID, :TXT)\r\n"
                                            "Command parameters:\r\n"
                                            "  ID=42\r\n"
                                            "  TXT=<xml/>\r\n"
                                            "-------------------------------------------\r\n"
                                            "Exception class name: EODBCNativeException\r\n"
                                            "Strata error code: 1200\r\n"
                                            "Strata object name: sqlConexao\r\n");
    QCOMPARE(window->CopyText(), expected);
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);
}

void TestDbErrorWindow::copyTextFollowsTheShownRecord() {
    EDbEngineError error = refusedInsert();
    error.CommandText.clear();
    error.Params.clear();
    window->Fill(error);
    window->ShowRecord(1);

    const QStringList lines = window->CopyText().split(QStringLiteral("\r\n"));
    QCOMPARE(lines.at(3), QStringLiteral("Message text: The statement has been terminated."));
    QCOMPARE(lines.at(4), QStringLiteral("Error code: 03621"));
    QCOMPARE(lines.at(5), QStringLiteral("Error kind: Other"));
    QCOMPARE(lines.at(6), QStringLiteral("Server object: "));
    QCOMPARE(lines.at(7), QStringLiteral("Command text offset: 12"));
    QCOMPARE(lines.at(9), QStringLiteral("Command text: "));
    QCOMPARE(lines.at(10), QStringLiteral("Command parameters:"));
    QCOMPARE(lines.at(11), QString(43, QLatin1Char('-')));
    QCOMPARE(lines.last(), QString()); // the last line ends in CR LF as well
}

void TestDbErrorWindow::copyKeysWorkWhereverTheFocusIs_data() {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::newRow("Ctrl+C on OK") << QStringLiteral("btnOK") << int(Qt::Key_C);
    QTest::newRow("Ctrl+Insert on OK") << QStringLiteral("btnOK") << int(Qt::Key_Insert);
    QTest::newRow("Ctrl+C in the message") << QStringLiteral("mmoMessage") << int(Qt::Key_C);
    QTest::newRow("Ctrl+C in the parameter list") << QStringLiteral("lvwParams") << int(Qt::Key_C);
    QTest::newRow("Ctrl+Insert in the command text") << QStringLiteral("mmoCommandText") << int(Qt::Key_Insert);
}

void TestDbErrorWindow::copyKeysWorkWhereverTheFocusIs() {
    QFETCH(QString, focus);
    QFETCH(int, key);
    window->Fill(refusedInsert());
    auto* target = window->findChild<QWidget*>(focus);
    QVERIFY(target != nullptr);
    auto* message = child<QPlainTextEdit>("mmoMessage");
    message->selectAll(); // a box's own copy would put only this on the clipboard
    QGuiApplication::clipboard()->clear();

    QTest::keyClick(target, Qt::Key(key), Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), window->CopyText());
}

void TestDbErrorWindow::valueFieldsAreReadOnlyAndOutOfTheTabChain() {
    for (const char* name : {"edtErrorCode", "edtErrorKind", "edtServerObject", "edtCommandTextOffset", "edtClassName",
                             "edtStrataErrorCode", "edtStrataObjectName"}) {
        auto* field = child<QLineEdit>(name);
        QVERIFY2(field->isReadOnly(), name);
        QVERIFY2(!(field->focusPolicy() & Qt::TabFocus), name);
    }
    for (const char* name : {"mmoMessageText", "mmoCommandText"}) {
        auto* field = child<QPlainTextEdit>(name);
        QVERIFY2(field->isReadOnly(), name);
        QVERIFY2(!(field->focusPolicy() & Qt::TabFocus), name);
    }
    QVERIFY(child<QPlainTextEdit>("mmoMessage")->isReadOnly());
    auto* list = child<QTreeWidget>("lvwParams");
    QVERIFY(list->focusPolicy() & Qt::TabFocus);
    QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);
}

void TestDbErrorWindow::enterPressesOkAndEscapeCloses_data() {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("result");
    QTest::newRow("Enter on OK") << QStringLiteral("btnOK") << int(Qt::Key_Return) << int(QDialog::Accepted);
    QTest::newRow("Enter on Copy") << QStringLiteral("btnCopy") << int(Qt::Key_Return) << int(QDialog::Accepted);
    QTest::newRow("Enter on Details") << QStringLiteral("btnDetails") << int(Qt::Key_Enter) << int(QDialog::Accepted);
    QTest::newRow("Esc") << QStringLiteral("btnOK") << int(Qt::Key_Escape) << int(QDialog::Rejected);
    QTest::newRow("Esc in the message") << QStringLiteral("mmoMessage") << int(Qt::Key_Escape)
                                        << int(QDialog::Rejected);
}

void TestDbErrorWindow::enterPressesOkAndEscapeCloses() {
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(int, result);
    window->Fill(refusedInsert());
    const bool detailsBefore = window->DetailsShown();
    QGuiApplication::clipboard()->clear();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->setResult(-1);

    QTest::keyClick(window->findChild<QWidget*>(focus), Qt::Key(key));
    QVERIFY(window->isHidden());
    QCOMPARE(window->result(), result);
    QCOMPARE(window->DetailsShown(), detailsBefore);
    QVERIFY(QGuiApplication::clipboard()->text().isEmpty());
}

void TestDbErrorWindow::refillingClearsThePreviousError() {
    window->Fill(refusedInsert());
    window->ShowRecord(1);
    EDbEngineError second(QStringLiteral("second"), QStringLiteral("ESQLiteNativeException"), 1600,
                          {record(5, TDbErrorKind::RecordLocked, QStringLiteral("database is locked"), QString(), -1)});
    window->Fill(second);
    QCOMPARE(window->RecordIndex(), 0);
    QCOMPARE(text("edtErrorCode"), QStringLiteral("00005"));
    QCOMPARE(text("edtErrorKind"), QStringLiteral("RecordLocked"));
    QCOMPARE(text("edtStrataObjectName"), QString());
    QCOMPARE(child<QTreeWidget>("lvwParams")->topLevelItemCount(), 0);
    QVERIFY(!child<QPushButton>("btnNext")->isEnabled());
    QVERIFY(!queryTabVisible());
}

void TestDbErrorWindow::centredOverTheMainWindow() {
    QMainWindow mainWindow;
    mainWindow.setGeometry(200, 150, 900, 700);
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
    window->Fill(refusedInsert());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    const QPoint offset = window->frameGeometry().center() - mainWindow.frameGeometry().center();
    QVERIFY2(offset.manhattanLength() <= 2, qPrintable(QStringLiteral("off by %1,%2").arg(offset.x()).arg(offset.y())));
    window->hide();
}

void TestDbErrorWindow::closingReactivatesThePreviouslyActiveWindow() {
    QWidget previous;
    previous.setWindowTitle(QStringLiteral("previous"));
    previous.show();
    previous.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&previous));
    window->Fill(refusedInsert());
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));

    QTest::keyClick(child<QPushButton>("btnOK"), Qt::Key_Return);
    QVERIFY(window->isHidden());
    QTRY_COMPARE(QApplication::activeWindow(), &previous);
}

QTEST_MAIN(TestDbErrorWindow)
#include "tst_dberrorwindow.moc"
