// Start-up: process start until the main window's first paint (the window closes on the next turn of the loop and
// the process ends), against a minimal Qt Widgets program that shows one maximised empty window and ends the same
// way after its first paint. Both are this same executable started as a child process, alternately.
//
//   bench_startup compare [REPS]     runs both children REPS times each and prints the row
//   bench_startup tool | minimal     one child run

#include "BenchSupport.h"

#include "app/TProgram.h"
#include "app/uPrincipal.h"
#include "widgets/TApplication.h"

#include <QApplication>
#include <QMainWindow>
#include <QProcess>
#include <QTimer>

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
    const Bench::Pair pair = Bench::Alternate(
        reps, [] { ChildMs(QStringLiteral("tool")); }, [] { ChildMs(QStringLiteral("minimal")); });
    Bench::PrintRow(QStringLiteral("start-up (to first paint)"), QStringLiteral("-"), pair.ToolMs, pair.RawMs,
                    QStringLiteral("ms"), 1.3);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    Bench::KeepFreedMemory();
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "tool") {
        return RunTool(argc, argv);
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
    std::fprintf(stderr, "usage: bench_startup compare [REPS] | tool | minimal\n");
    return 2;
}
