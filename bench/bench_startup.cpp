// Start-up: process start to the main window shown, then closed, against a minimal Qt Widgets program that shows
// one maximised empty window. Both are this same executable started as a child process, alternately.
//
//   bench_startup compare [REPS]     runs both children REPS times each and prints the row
//   bench_startup tool | minimal     one child run

#include "BenchSupport.h"

#include "app/TApplication.h"
#include "app/TProgram.h"
#include "app/uPrincipal.h"

#include <QApplication>
#include <QMainWindow>
#include <QProcess>
#include <QTimer>

#include <cstdio>

namespace {

/// Closes the window on the first turn of the message loop, which comes after it has been shown.
void CloseWhenShown(QWidget& AWindow) {
    QTimer::singleShot(0, &AWindow, [&AWindow] { AWindow.close(); });
}

int RunTool(int argc, char** argv) {
    TApplication application(argc, argv);
    TProgram program(application, TApplication::applicationFilePath());
    CloseWhenShown(*frmPrincipal);
    return program.Run();
}

int RunMinimal(int argc, char** argv) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.showMaximized();
    CloseWhenShown(window);
    return application.exec();
}

double ChildMs(const QString& AMode) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    return Bench::TimeMs([&] {
        child.start(QCoreApplication::applicationFilePath(), {AMode});
        child.waitForFinished(60000);
    });
}

int Compare(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int reps = application.arguments().value(2, QStringLiteral("20")).toInt();
    const Bench::Pair pair = Bench::Alternate(
        reps, [] { ChildMs(QStringLiteral("tool")); }, [] { ChildMs(QStringLiteral("minimal")); });
    Bench::PrintRow(QStringLiteral("start-up"), QStringLiteral("-"), pair.ToolMs, pair.RawMs, QStringLiteral("ms"),
                    1.3);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "tool") {
        return RunTool(argc, argv);
    }
    if (mode == "minimal") {
        return RunMinimal(argc, argv);
    }
    if (mode == "compare") {
        return Compare(argc, argv);
    }
    std::fprintf(stderr, "usage: bench_startup compare [REPS] | tool | minimal\n");
    return 2;
}
