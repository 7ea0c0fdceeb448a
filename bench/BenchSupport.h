#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <functional>

/// Small helpers shared by the benchmark programs: timing of alternating runs and the process's memory figures.
namespace Bench {

/// Runs ATool and ARaw alternately ARepetitions times (after one warm-up round each) and returns their median
/// times in milliseconds. Alternating spreads the machine's noise evenly over both.
struct Pair {
    double ToolMs = 0;
    double RawMs = 0;
    double Ratio() const { return RawMs > 0 ? ToolMs / RawMs : 0; }
};
Pair Alternate(int ARepetitions, const std::function<void()>& ATool, const std::function<void()>& ARaw);

double MedianOf(QList<double> AValues);
double TimeMs(const std::function<void()>& AWork);

/// Resident set size now and at its peak, in KiB, from /proc/self/status.
long ResidentKiB();
long PeakResidentKiB();

/// One result line that bench/run.sh collects: figure, size, tool, raw engine, ratio, target.
void PrintRow(const QString& AFigure, const QString& ASize, double ATool, double ARaw, const QString& AUnit,
              double ATarget);

} // namespace Bench
