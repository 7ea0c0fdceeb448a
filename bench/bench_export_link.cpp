// Export over a slow link: the tool's export run of COUNT coupons (as in bench_export) against a plain unixODBC loop
// that holds one connection and binds the insert once, both through a proxy that delays every reply of the SQL
// Server stand-in by the link's latency; two rounds, each side going first once. Also the requests each side sends
// per coupon, counted in the stand-in's log: logins (two requests each), batches and RPC calls, every one a round
// trip over the link. The stand-in must hold the references BENCH-T-<n> and BENCH-H-<n> for n from FIRSTREF to
// FIRSTREF + 2 * COUNT - 1.
//
//   bench_export_link DELAYMS STANDINLOG SERVER USER PASSWORD DATABASE DFEFILE COUNT FIRSTREF
//
// SERVER is the proxy's address; DELAYMS only names the link in the table.

#include "BenchSupport.h"
#include "ExportTool.h"
#include "RawInserter.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>

#include <cstdio>
#include <functional>
#include <stdexcept>

namespace {

constexpr int Rounds = 2;

/// The requests the stand-in has logged so far.
qint64 LoggedRequests(const QString& ALog) {
    static const QRegularExpression request(
        QStringLiteral("^\\S+ \\[\\d+\\] (PRELOGIN|LOGIN7|BATCH|RPC|TRANSACTION)\\b"),
        QRegularExpression::MultilineOption);
    QFile log(ALog);
    if (!log.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("the stand-in's log cannot be read");
    }
    qint64 count = 0;
    for (auto match = request.globalMatch(QString::fromUtf8(log.readAll())); match.hasNext(); match.next()) {
        ++count;
    }
    return count;
}

int Run(const QStringList& AArgs) {
    if (AArgs.size() < 10) {
        throw std::runtime_error("usage: bench_export_link DELAYMS STANDINLOG SERVER USER PASSWORD DATABASE DFEFILE "
                                 "COUNT FIRSTREF");
    }
    const QString& log = AArgs[2];
    const int count = AArgs[8].toInt();
    const int firstRef = AArgs[9].toInt();
    ExportTool tool(AArgs[3], AArgs[4], AArgs[5], AArgs[6], AArgs[7], Rounds * count, firstRef);
    const QString xml = tool.FirstXml();
    RawInserter raw(QStringLiteral("DRIVER=FreeTDS;UID=%1;PWD=%2;Server=%3;Database=%4")
                        .arg(AArgs[4], AArgs[5], AArgs[3], AArgs[6]),
                    PositionalInsert());

    double ms[2] = {};
    qint64 requests[2] = {};
    qint64 stored[2] = {};
    for (int round = 0; round < Rounds; ++round) {
        const int first = round * count;
        const std::function<void()> sides[2] = {
            [&] { stored[0] += tool.Export(first, first + count); },
            [&] { stored[1] += raw.Store(Refs("H", firstRef + first, firstRef + first + count), xml, true); }};
        for (int i = 0; i < 2; ++i) {
            const int side = (round + i) % 2;
            const qint64 before = LoggedRequests(log);
            ms[side] += Bench::TimeMs(sides[side]);
            requests[side] += LoggedRequests(log) - before;
        }
    }
    for (const qint64 rows : stored) {
        if (rows != Rounds * count) {
            throw std::runtime_error(
                QStringLiteral("a side stored %1 of %2 coupons").arg(rows).arg(Rounds * count).toStdString());
        }
    }
    const QString size = QString::number(count);
    Bench::PrintRow(QStringLiteral("export, %1 ms link, vs held loop").arg(AArgs[1]), size, ms[0], ms[1],
                    QStringLiteral("ms"), 1.15);
    Bench::PrintLimitRow(QStringLiteral("export requests per coupon"), size, double(requests[0]) / (Rounds * count),
                         double(requests[1]) / (Rounds * count), QStringLiteral("req"), 1.05);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    Bench::KeepFreedMemory();
    QCoreApplication application(argc, argv);
    try {
        return Run(application.arguments());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_export_link: %s\n", error.what());
        return 1;
    }
}
