// Export: the tool's export run (TExportacaoDocumentos over marked rows of a DFe data file, storing through
// SalvarCupomFiscalBD on the one connection of the run, settings read from the settings file as the tool reads them)
// against two plain unixODBC loops on the same SQL Server stand-in: one that connects, prepares, inserts and
// disconnects per coupon, and one that holds one connection and one prepared statement for the run. The runs are
// blocks of 50 coupons, alternating. The stand-in must hold piece rows with the references BENCH-T-<n>, BENCH-R-<n>
// and BENCH-H-<n> for n from 0 to COUNT-1; the DFe data file at least COUNT coupons (their ID_ZEVRIK are set to
// BENCH-T-<n> here).
//
//   bench_export SERVER USER PASSWORD DATABASE DFEFILE [COUNT]

#include "BenchSupport.h"
#include "ExportTool.h"
#include "RawInserter.h"

#include <QCoreApplication>

#include <cstdio>
#include <functional>
#include <stdexcept>

namespace {

constexpr int BlockSize = 50;

int Run(const QStringList& AArgs) {
    if (AArgs.size() < 6) {
        throw std::runtime_error("usage: bench_export SERVER USER PASSWORD DATABASE DFEFILE [COUNT]");
    }
    const int count = AArgs.value(6, QStringLiteral("1000")).toInt();
    ExportTool tool(AArgs[1], AArgs[2], AArgs[3], AArgs[4], AArgs[5], count);
    // The raw loops store the same text the tool reads, so all three send the same bytes.
    const QString xml = tool.FirstXml();
    RawInserter raw(QStringLiteral("DRIVER=FreeTDS;UID=%1;PWD=%2;Server=%3;Database=%4")
                        .arg(AArgs[2], AArgs[3], AArgs[1], AArgs[4]),
                    PositionalInsert());

    double toolMs = 0;
    double perCouponMs = 0;
    double heldMs = 0;
    qint64 stored[3] = {};
    for (int first = 0, block = 0; first < count; first += BlockSize, ++block) {
        const int last = qMin(count, first + BlockSize);
        const auto exportRun = [&] { stored[0] += tool.Export(first, last); };
        const auto perCoupon = [&] { stored[1] += raw.Store(Refs("R", first, last), xml, false); };
        const auto held = [&] { stored[2] += raw.Store(Refs("H", first, last), xml, true); };
        // Each of the three goes first in turn.
        const std::function<void()> order[3] = {exportRun, perCoupon, held};
        double* const times[3] = {&toolMs, &perCouponMs, &heldMs};
        for (int i = 0; i < 3; ++i) {
            const int which = (block + i) % 3;
            *times[which] += Bench::TimeMs(order[which]);
        }
    }
    for (const qint64 rows : stored) {
        if (rows != count) {
            throw std::runtime_error(
                QStringLiteral("a side stored %1 of %2 coupons").arg(rows).arg(count).toStdString());
        }
    }
    Bench::PrintRow(QStringLiteral("export vs one held connection"), QString::number(count), toolMs, heldMs,
                    QStringLiteral("ms"), 1.15);
    Bench::PrintRow(QStringLiteral("export vs connect per coupon"), QString::number(count), toolMs, perCouponMs,
                    QStringLiteral("ms"), 1.15);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    Bench::KeepFreedMemory();
    QCoreApplication application(argc, argv);
    try {
        return Run(application.arguments());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_export: %s\n", error.what());
        return 1;
    }
}
