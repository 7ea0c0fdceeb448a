#include "BenchSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include <clocale>
#include <malloc.h>
#include <stdexcept>

namespace Bench {

void KeepFreedMemory() {
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
}

double MedianOf(QList<double> AValues) {
    if (AValues.isEmpty()) {
        return 0;
    }
    std::sort(AValues.begin(), AValues.end());
    const qsizetype middle = AValues.size() / 2;
    return AValues.size() % 2 ? AValues[middle] : (AValues[middle - 1] + AValues[middle]) / 2;
}

double TimeMs(const std::function<void()>& AWork) {
    QElapsedTimer timer;
    timer.start();
    AWork();
    return double(timer.nsecsElapsed()) / 1e6;
}

Pair Alternate(int ARepetitions, const std::function<void()>& ATool, const std::function<void()>& ARaw) {
    ARaw();
    ATool();
    QList<double> tool;
    QList<double> raw;
    for (int i = 0; i < ARepetitions; ++i) {
        // Swap who goes first each round so that neither always runs on a warmer cache.
        if (i % 2) {
            tool << TimeMs(ATool);
            raw << TimeMs(ARaw);
        } else {
            raw << TimeMs(ARaw);
            tool << TimeMs(ATool);
        }
    }
    return {MedianOf(tool), MedianOf(raw)};
}

double ChildFigure(const QStringList& AArguments) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), AArguments);
    if (!child.waitForFinished(600000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        throw std::runtime_error("child run failed: " + AArguments.join(u' ').toStdString());
    }
    bool number = false;
    const double value = child.readAllStandardOutput().trimmed().toDouble(&number);
    if (!number) {
        throw std::runtime_error("child printed no figure: " + AArguments.join(u' ').toStdString());
    }
    return value;
}

void PrintChildFigure(double AValue) {
    std::setlocale(LC_NUMERIC, "C");
    std::printf("%.4f\n", AValue);
    std::fflush(stdout);
}

namespace {
long StatusKiB(const char* AKey) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QByteArray key(AKey);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key)) {
            return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
        }
    }
    return 0;
}

void Print(const QString& AFigure, const QString& ASize, double ATool, double ARaw, const QString& AUnit,
           const QString& ATarget, const char* AVerdict) {
    std::setlocale(LC_NUMERIC, "C"); // the table is read by scripts: "." as decimal separator
    const double ratio = ARaw > 0 ? ATool / ARaw : 0;
    std::printf("ROW|%s|%s|%.2f %s|%.2f %s|%.3f|%s|%s\n", qPrintable(AFigure), qPrintable(ASize), ATool,
                qPrintable(AUnit), ARaw, qPrintable(AUnit), ratio, qPrintable(ATarget), AVerdict);
    std::fflush(stdout);
}
} // namespace

long ResidentKiB() {
    return StatusKiB("VmRSS:");
}
long PeakResidentKiB() {
    return StatusKiB("VmHWM:");
}

void PrintRow(const QString& AFigure, const QString& ASize, double ATool, double ARaw, const QString& AUnit,
              double ATarget) {
    if (ATarget <= 0) {
        Print(AFigure, ASize, ATool, ARaw, AUnit, QStringLiteral("-"), "-");
        return;
    }
    const bool met = ARaw > 0 && ATool / ARaw <= ATarget;
    Print(AFigure, ASize, ATool, ARaw, AUnit, QStringLiteral("<= %1").arg(ATarget), met ? "met" : "MISSED");
}

void PrintLimitRow(const QString& AFigure, const QString& ASize, double ATool, double ARaw, const QString& AUnit,
                   double ALimit) {
    Print(AFigure, ASize, ATool, ARaw, AUnit, QStringLiteral("<= %1 %2").arg(ALimit).arg(AUnit),
          ATool <= ALimit ? "met" : "MISSED");
}

} // namespace Bench
