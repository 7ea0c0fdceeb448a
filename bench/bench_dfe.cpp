// The document filter, the walk over the document list and the memory it takes, each against the raw SQLite C API
// on the same file in the same run.
//
//   bench_dfe filter   FILE FIRST LAST SIZE FIGURE TARGET [REPS]   FIRST/LAST as yyyy-mm-dd
//   bench_dfe pragmas  FILE FIRST LAST SIZE FIGURE [REPS]          the raw filter with the five pragmas the tool
//                                                                 sets on every open, against the raw filter alone
//   bench_dfe walk     FILE FIRST LAST SIZE FIGURE TARGET [REPS]   filter and walk every row, warm (one process)
//   bench_dfe walknomutex FILE FIRST LAST SIZE FIGURE TARGET [REPS]  the same, the raw side opening the file
//                                                                 without the engine's locking, as the tool does
//   bench_dfe coldwalk FILE FIRST LAST SIZE TARGET [PROCESSES]     the first walk of fresh processes
//   bench_dfe memory   FILE FIRST LAST SIZE XMLBYTES LIMIT         peak resident of a fresh process over the walk
//   bench_dfe walkonce|walkpeak FILE FIRST LAST SIZE tool|raw      one child run of coldwalk / memory

#include "BenchSupport.h"

#include "data/TDbQuery.h"
#include "dfe/TFiltroDocumentos.h"
#include "dfe/dConexaoLocal.h"
#include "widgets/grid/CellFormat.h"

#include <QCoreApplication>
#include <QDate>
#include <QLocale>

#include <sqlite3.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace {

struct Args {
    QString File;
    QDate First;
    QDate Last;
    QString Size;
};

/// The tool's filter without the window: Conectar, open of the filter statement, IsEmpty. An empty period runs
/// the whole "no rows" path, whose message is the expected outcome here.
void ToolFilter(const Args& AArgs) {
    try {
        TFiltroDocumentos::Executar(AArgs.File, AArgs.First, AArgs.Last);
    } catch (const std::exception&) {
        if (dtmConexaoLocal->qryDocumentosEmitidos->Active()) {
            throw;
        }
    }
}

/// The pragmas the tool sets on every open of a DFe data file, in its order.
constexpr const char* ToolPragmas = "PRAGMA cache_size = 10000; PRAGMA locking_mode = Exclusive; "
                                    "PRAGMA synchronous = Off; PRAGMA journal_mode = Delete; PRAGMA foreign_keys = On";

/// How the raw side opens the file: with the engine's defaults, or as the tool does without the engine's own locking
/// (the tool's connection belongs to one thread), which shows how much of the raw floor that locking is.
enum class RawOpen { Default, NoMutex };

/// Opens, prepares and steps the statement, reading every column of up to ARows rows (all when negative).
/// Returns the bytes of the values read.
qint64 RawRead(const Args& AArgs, int ARows, bool AToolPragmas = false, RawOpen AOpen = RawOpen::Default) {
    sqlite3* db = nullptr;
    const int flags =
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | (AOpen == RawOpen::NoMutex ? SQLITE_OPEN_NOMUTEX : 0);
    if (sqlite3_open_v2(AArgs.File.toUtf8().constData(), &db, flags, nullptr) != SQLITE_OK) {
        throw std::runtime_error(sqlite3_errmsg(db));
    }
    if (AToolPragmas && sqlite3_exec(db, ToolPragmas, nullptr, nullptr, nullptr) != SQLITE_OK) {
        throw std::runtime_error(sqlite3_errmsg(db));
    }
    const QByteArray sql = TFiltroDocumentos::Sentenca(AArgs.First, AArgs.Last).toUtf8();
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &stmt, nullptr) != SQLITE_OK) {
        throw std::runtime_error(sqlite3_errmsg(db));
    }
    qint64 bytes = 0;
    const int columns = sqlite3_column_count(stmt);
    for (int row = 0; (ARows < 0 || row < ARows) && sqlite3_step(stmt) == SQLITE_ROW; ++row) {
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(stmt, c)) {
            case SQLITE_INTEGER:
                bytes += sizeof(sqlite3_column_int64(stmt, c));
                break;
            case SQLITE_FLOAT:
                bytes += sizeof(sqlite3_column_double(stmt, c));
                break;
            case SQLITE_TEXT:
            case SQLITE_BLOB:
                sqlite3_column_blob(stmt, c);
                bytes += sqlite3_column_bytes(stmt, c);
                break;
            default:
                break;
            }
        }
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return bytes;
}

/// Walks the open list from its first row until Eof, reading every value and making its cell text as the grid does
/// (with the cell formats of the system locale, made once per list).
qint64 ToolWalk() {
    TDbQuery& query = *dtmConexaoLocal->qryDocumentosEmitidos;
    const CellFormat format(QLocale::system());
    const QList<TDbFieldDef> fields = query.Fields();
    qint64 characters = 0;
    for (query.First(); !query.Eof(); query.Next()) {
        const int row = query.RecNo();
        for (int f = 0; f < fields.size(); ++f) {
            characters += format.Text(fields[f], query.CellAt(row, f)).size();
        }
    }
    return characters;
}

/// One side of a walk over the period (the filter, then every row) in this process: "tool" or "raw".
std::function<void()> WalkSide(const Args& AArgs, const QString& ASide) {
    if (ASide == QLatin1String("tool")) {
        return [&AArgs] {
            ToolFilter(AArgs);
            ToolWalk();
        };
    }
    if (ASide == QLatin1String("raw")) {
        return [&AArgs] { RawRead(AArgs, -1); };
    }
    if (ASide == QLatin1String("rawnomutex")) {
        return [&AArgs] { RawRead(AArgs, -1, false, RawOpen::NoMutex); };
    }
    throw std::runtime_error("side must be tool or raw");
}

/// Medians over AProcesses fresh processes per side, alternating, each running the child mode AMode on the file.
Bench::Pair ChildPairs(const QString& AMode, const Args& AArgs, int AProcesses) {
    const QStringList common = {AMode, AArgs.File, AArgs.First.toString(Qt::ISODate), AArgs.Last.toString(Qt::ISODate),
                                AArgs.Size};
    QList<double> tool;
    QList<double> raw;
    for (int i = 0; i < AProcesses; ++i) {
        if (i % 2) {
            tool << Bench::ChildFigure(common + QStringList{QStringLiteral("tool")});
            raw << Bench::ChildFigure(common + QStringList{QStringLiteral("raw")});
        } else {
            raw << Bench::ChildFigure(common + QStringList{QStringLiteral("raw")});
            tool << Bench::ChildFigure(common + QStringList{QStringLiteral("tool")});
        }
    }
    return {Bench::MedianOf(tool), Bench::MedianOf(raw)};
}

Args ParseArgs(const QStringList& AArgs) {
    if (AArgs.size() < 6) {
        throw std::runtime_error("usage: bench_dfe MODE FILE FIRST LAST SIZE ...");
    }
    return {AArgs[2], QDate::fromString(AArgs[3], Qt::ISODate), QDate::fromString(AArgs[4], Qt::ISODate), AArgs[5]};
}

int Run(const QStringList& AArgv) {
    const QString mode = AArgv.value(1);
    const Args args = ParseArgs(AArgv);
    TdtmConexaoLocal module;
    dtmConexaoLocal = &module;

    if (mode == QLatin1String("filter") || mode == QLatin1String("pragmas")) {
        const bool pragmas = mode == QLatin1String("pragmas");
        const double target = pragmas ? 0 : AArgv.value(7).toDouble();
        const int reps = AArgv.value(pragmas ? 7 : 8, QStringLiteral("15")).toInt();
        ToolFilter(args);
        const int rowsRead = module.qryDocumentosEmitidos->Active() ? module.qryDocumentosEmitidos->FetchedRowCount()
                                                                    : -1; // empty period: step until done
        const auto tool = [&] {
            if (pragmas) {
                RawRead(args, rowsRead, true);
            } else {
                ToolFilter(args);
            }
        };
        const Bench::Pair pair = Bench::Alternate(reps, tool, [&] { RawRead(args, rowsRead); });
        Bench::PrintRow(AArgv.value(6), args.Size, pair.ToolMs, pair.RawMs, QStringLiteral("ms"), target);
    } else if (mode == QLatin1String("walk") || mode == QLatin1String("walknomutex")) {
        const QString raw = mode == QLatin1String("walk") ? QStringLiteral("raw") : QStringLiteral("rawnomutex");
        const Bench::Pair pair = Bench::Alternate(AArgv.value(8, QStringLiteral("5")).toInt(),
                                                  WalkSide(args, QStringLiteral("tool")), WalkSide(args, raw));
        Bench::PrintRow(AArgv.value(6), args.Size, pair.ToolMs, pair.RawMs, QStringLiteral("ms"),
                        AArgv.value(7).toDouble());
    } else if (mode == QLatin1String("coldwalk")) {
        const Bench::Pair pair =
            ChildPairs(QStringLiteral("walkonce"), args, AArgv.value(7, QStringLiteral("5")).toInt());
        Bench::PrintRow(QStringLiteral("walk, cold (first in a process)"), args.Size, pair.ToolMs, pair.RawMs,
                        QStringLiteral("ms"), AArgv.value(6).toDouble());
    } else if (mode == QLatin1String("walkonce")) {
        Bench::PrintChildFigure(Bench::TimeMs(WalkSide(args, AArgv.value(6))));
    } else if (mode == QLatin1String("memory")) {
        const Bench::Pair pair = ChildPairs(QStringLiteral("walkpeak"), args, 1);
        Bench::PrintLimitRow(QStringLiteral("memory: walk peak (%1 B XML)").arg(AArgv.value(6)), args.Size, pair.ToolMs,
                             pair.RawMs, QStringLiteral("MiB"), AArgv.value(7).toDouble());
    } else if (mode == QLatin1String("walkpeak")) {
        WalkSide(args, AArgv.value(6))();
        Bench::PrintChildFigure(double(Bench::PeakResidentKiB()) / 1024);
    } else {
        throw std::runtime_error("unknown mode");
    }
    module.Desconectar();
    dtmConexaoLocal = nullptr;
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    Bench::KeepFreedMemory();
    QCoreApplication application(argc, argv);
    try {
        return Run(application.arguments());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_dfe: %s\n", error.what());
        return 1;
    }
}
