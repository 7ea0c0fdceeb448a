#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <functional>

/// Small helpers shared by the benchmark programs: timing of alternating runs, child processes, the process's
/// memory figures and the result lines.
namespace Bench {

/// Makes the C allocator keep freed memory in the process instead of handing it back to the system (no trimming,
/// no dynamic mmap threshold). Called first in every benchmark program, so that the tool and the raw engine run
/// under the same allocator behaviour: neither side pays page faults the other does not.
void KeepFreedMemory();

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

/// Runs this executable again with AArguments and returns the number the child printed on its standard output
/// (its own measurement). Fails when the child fails.
double ChildFigure(const QStringList& AArguments);
/// Prints a child's figure for ChildFigure to read.
void PrintChildFigure(double AValue);

/// Resident set size now and at its peak, in KiB, from /proc/self/status.
long ResidentKiB();
long PeakResidentKiB();

/// One result line that bench/run.sh collects: figure, size, tool, raw engine, ratio, target and verdict. The
/// target is a ratio of tool to raw engine; 0 prints a line without a target, which only explains another figure.
void PrintRow(const QString& AFigure, const QString& ASize, double ATool, double ARaw, const QString& AUnit,
              double ATarget);
/// As PrintRow, with a target on the tool's own figure (at most ALimit, in AUnit) instead of on the ratio.
void PrintLimitRow(const QString& AFigure, const QString& ASize, double ATool, double ARaw, const QString& AUnit,
                   double ALimit);

} // namespace Bench
