// Start-up: process start until the main window's first paint (the window closes on the next turn of the loop and
// the process ends), against two floors that end the same way after their first paint:
//   a window built in code with the main window's widget types, texts and font (menu bar, labels, edits, two date
//   pickers, a check box, buttons, an empty table with its 17 titles) and none of the tool's logic: what any window
//   of this look pays;
//   a minimal Qt Widgets program that shows one maximised empty window: what the toolkit itself pays (no target).
// All three are this same executable started as a child process, in turns.
//
//   bench_startup compare [REPS]            runs every child REPS times and prints the rows
//   bench_startup tool | window | minimal   one child run

#include "BenchSupport.h"

#include "app/TProgram.h"
#include "app/uPrincipal.h"
#include "widgets/TApplication.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>
#include <stdexcept>

namespace {

/// Closes the window on the turn of the loop after its first paint (of the window or any widget in it).
class CloseAfterFirstPaint : public QObject {
public:
    explicit CloseAfterFirstPaint(QWidget& AWindow) : Window(AWindow) { qApp->installEventFilter(this); }

    bool eventFilter(QObject* AWatched, QEvent* AEvent) override {
        if (!Painted && AEvent->type() == QEvent::Paint && AWatched->isWidgetType() &&
            static_cast<QWidget*>(AWatched)->window() == &Window) {
            Painted = true;
            QTimer::singleShot(0, &Window, [this] { Window.close(); });
        }
        return QObject::eventFilter(AWatched, AEvent);
    }

private:
    QWidget& Window;
    bool Painted = false;
};

int RunTool(int argc, char** argv) {
    TApplication application(argc, argv);
    TProgram program(application, TApplication::applicationFilePath());
    const CloseAfterFirstPaint closer(*frmPrincipal);
    return program.Run();
}

int RunMinimal(int argc, char** argv) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.showMaximized();
    const CloseAfterFirstPaint closer(window);
    return application.exec();
}

/// The main window's controls at the same places, with the same texts, and nothing behind them.
class PlainWindow : public QMainWindow {
public:
    PlainWindow() {
        setWindowTitle(QStringLiteral("Exportar DF-e para KVORA"));
        auto* menu = new QMenuBar(this);
        menu->addMenu(QStringLiteral("Opções"))->addAction(QStringLiteral("Configurar Conexão SQL Server KVORA"));
        menu->addMenu(QStringLiteral("Ferramentas"))->addAction(QStringLiteral("Exportar documentos para KVORA"));
        setMenuBar(menu);

        auto* client = new QWidget(this);
        auto* layout = new QVBoxLayout(client);
        layout->setContentsMargins(3, 3, 3, 3);
        layout->setSpacing(6);
        auto* filter = new QGroupBox(QStringLiteral("Filtro"), client);
        filter->setFixedHeight(108);
        Label(filter, QStringLiteral("Arquivo de dados do DF-e"), 10, 19);
        auto* file = new QLineEdit(filter);
        file->setReadOnly(true);
        file->setGeometry(10, 35, 556, 21);
        (new QPushButton(QStringLiteral("..."), filter))->setGeometry(572, 35, 23, 22);
        Label(filter, QStringLiteral("Período"), 10, 62);
        DatePicker(filter, 10, 78);
        Label(filter, QStringLiteral("até"), 117, 82);
        DatePicker(filter, 139, 78);
        auto* check = new QCheckBox(QStringLiteral("Mostrar somente registros que não possuem MPIECEOLE"), filter);
        check->setGeometry(246, 81, 298, 17);
        (new QPushButton(QStringLiteral("Filtrar..."), filter))->setGeometry(550, 76, 115, 22);

        auto* table = new QTableView(client);
        auto* titles = new QStandardItemModel(0, 17, table);
        titles->setHorizontalHeaderLabels({"ID_ZEVRIK", "ENVIO_MANUAL", "CANCELADO", "SERIE", "NUMERO", "DTHR_EMISSAO",
                                           "CHAVE_NFE", "CSTAT", "XMOTIVO", "CMSG", "XMSG", "NPROT", "DHRECBTO",
                                           "XML_ZEVRIK", "XML_NFCE", "XML_CANCELAMENTO", "VALOR_DOCUMENTO"});
        table->setModel(titles);
        auto* progress = new QProgressBar(client);
        progress->setFixedHeight(17);
        progress->setTextVisible(false);
        progress->hide();
        layout->addWidget(filter);
        layout->addWidget(table, 1);
        layout->addWidget(progress);
        setCentralWidget(client);
        resize(780, 472 + menu->sizeHint().height());
    }

private:
    static void Label(QWidget* AParent, const QString& AText, int ALeft, int ATop) {
        auto* label = new QLabel(AText, AParent);
        label->adjustSize();
        label->move(ALeft, ATop);
    }
    static void DatePicker(QWidget* AParent, int ALeft, int ATop) {
        auto* picker = new QDateEdit(QDate::currentDate(), AParent);
        picker->setCalendarPopup(true);
        picker->setGeometry(ALeft, ATop, 101, 21);
    }
};

int RunWindow(int argc, char** argv) {
    QApplication application(argc, argv);
    // The tool's font, given before any widget exists so that none has to take it up afterwards.
    QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                               {QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Nimbus Sans")});
    QApplication::setFont(QFont(QStringLiteral("Tahoma"), 8));
    PlainWindow window;
    window.showMaximized();
    const CloseAfterFirstPaint closer(window);
    return application.exec();
}

double ChildMs(const QString& AMode) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    bool finished = false;
    const double ms = Bench::TimeMs([&] {
        child.start(QCoreApplication::applicationFilePath(), {AMode});
        finished = child.waitForFinished(60000);
    });
    if (!finished || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        throw std::runtime_error("the start-up child failed: " + AMode.toStdString());
    }
    return ms;
}

int Compare(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int reps = application.arguments().value(2, QStringLiteral("20")).toInt();
    const QStringList modes = {QStringLiteral("tool"), QStringLiteral("window"), QStringLiteral("minimal")};
    QList<QList<double>> times(modes.size());
    for (const QString& mode : modes) {
        ChildMs(mode); // warm-up
    }
    // The order turns every round, so that no side always starts on a warmer cache.
    for (int i = 0; i < reps; ++i) {
        for (qsizetype k = 0; k < modes.size(); ++k) {
            const qsizetype which = (i + k) % modes.size();
            times[which] << ChildMs(modes[which]);
        }
    }
    const double tool = Bench::MedianOf(times[0]);
    Bench::PrintRow(QStringLiteral("start-up (to first paint), window"), QStringLiteral("-"), tool,
                    Bench::MedianOf(times[1]), QStringLiteral("ms"), 1.15);
    Bench::PrintRow(QStringLiteral("start-up, bare window"), QStringLiteral("-"), tool, Bench::MedianOf(times[2]),
                    QStringLiteral("ms"), 0);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    Bench::KeepFreedMemory();
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "tool") {
        return RunTool(argc, argv);
    }
    if (mode == "window") {
        return RunWindow(argc, argv);
    }
    if (mode == "minimal") {
        return RunMinimal(argc, argv);
    }
    if (mode == "compare") {
        try {
            return Compare(argc, argv);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "bench_startup: %s\n", error.what());
            return 1;
        }
    }
    std::fprintf(stderr, "usage: bench_startup compare [REPS] | tool | window | minimal\n");
    return 2;
}
