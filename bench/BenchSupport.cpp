#include "BenchSupport.h"

#include <QFile>
#include <QTextStream>
#include <clocale>

namespace Bench {

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
} // namespace

long ResidentKiB() {
    return StatusKiB("VmRSS:");
}
long PeakResidentKiB() {
    return StatusKiB("VmHWM:");
}

void PrintRow(const QString& AFigure, const QString& ASize, double ATool, double ARaw, const QString& AUnit,
              double ATarget) {
    std::setlocale(LC_NUMERIC, "C"); // the table is read by scripts: "." as decimal separator
    const double ratio = ARaw > 0 ? ATool / ARaw : 0;
    std::printf("ROW|%s|%s|%.2f %s|%.2f %s|%.3f|%s\n", qPrintable(AFigure), qPrintable(ASize), ATool, qPrintable(AUnit),
                ARaw, qPrintable(AUnit), ratio, ATarget > 0 ? qPrintable(QStringLiteral("<= %1").arg(ATarget)) : "-");
    std::fflush(stdout);
}

} // namespace Bench
