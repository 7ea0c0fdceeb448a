// The document filter, the walk over the document list and the memory it takes, each against the raw SQLite C API
// on the same file in the same run.
//
//   bench_dfe filter FILE FIRST LAST SIZE FIGURE TARGET [REPS]   FIRST/LAST as yyyy-mm-dd
//   bench_dfe walk   FILE FIRST LAST SIZE [REPS [TARGET]]         TARGET 0: a growth figure
//   bench_dfe walkfloor FILE FIRST LAST SIZE [REPS]             the raw walk copying every value into one buffer
//   bench_dfe memory FILE FIRST LAST SIZE                        peak resident memory after the walk
//   bench_dfe openrss FILE FIRST LAST SIZE                       resident memory with the list open, not walked
//   bench_dfe pragmas FILE FIRST LAST SIZE FIGURE [REPS]         the raw filter with the five pragmas the tool must
//                                                                set on every open, against the raw filter alone

#include "BenchSupport.h"

#include "app/DBGridModel.h"
#include "data/TDbQuery.h"
#include "dfe/dConexaoLocal.h"
#include "export/FiltroDocumentos.h"

#include <QCoreApplication>
#include <QDate>
#include <QLocale>

#include <sqlite3.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

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
        TFiltroDocumentos::Executar(AArgs.File, AArgs.First, AArgs.Last, false);
    } catch (const std::exception&) {
        if (dtmConexaoLocal->qryDocumentosEmitidos->Active()) {
            throw;
        }
    }
}

/// The pragmas the tool sets on every open of a DFe data file, in its order.
constexpr const char* ToolPragmas = "PRAGMA cache_size = 10000; PRAGMA locking_mode = Exclusive; "
                                    "PRAGMA synchronous = Off; PRAGMA journal_mode = Delete; PRAGMA foreign_keys = On";

/// Opens, prepares and steps the statement, reading every column of up to ARows rows (all when negative).
/// Returns the bytes of the values read. With AKeep, the bytes of every text and blob are appended to it, as any
/// cache of the walked rows must copy them (the caller keeps its capacity between runs).
qint64 RawRead(const Args& AArgs, int ARows, bool AToolPragmas = false, std::vector<char>* AKeep = nullptr) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(AArgs.File.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
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
            case SQLITE_BLOB: {
                const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt, c));
                const int size = sqlite3_column_bytes(stmt, c);
                if (AKeep && size > 0) {
                    AKeep->insert(AKeep->end(), data, data + size);
                }
                bytes += size;
                break;
            }
            default:
                break;
            }
        }
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return bytes;
}

/// Walks the open list from its first row until Eof, reading every field as the grid shows it.
qint64 ToolWalk() {
    TDbQuery& query = *dtmConexaoLocal->qryDocumentosEmitidos;
    const QLocale locale = QLocale::system();
    const int fields = query.FieldCount();
    qint64 characters = 0;
    for (query.First(); !query.Eof(); query.Next()) {
        for (int f = 0; f < fields; ++f) {
            const TDbField field = query.FieldByIndex(f);
            characters += TDBGridModel::CellText(field.Definition(), field.AsVariant(), locale).size();
        }
    }
    return characters;
}

/// Bytes of every value of the list's rows as stored in memory: text as UTF-16, blobs as bytes, numbers as 8.
qint64 ValueBytes() {
    TDbQuery& query = *dtmConexaoLocal->qryDocumentosEmitidos;
    qint64 bytes = 0;
    for (int row = 0; row < query.FetchedRowCount(); ++row) {
        for (int f = 0; f < query.FieldCount(); ++f) {
            const QVariant value = query.ValueAt(row, f);
            switch (value.typeId()) {
            case QMetaType::QString:
                bytes += value.toString().size() * qint64(sizeof(QChar));
                break;
            case QMetaType::QByteArray:
                bytes += value.toByteArray().size();
                break;
            case QMetaType::UnknownType:
                break;
            default:
                bytes += 8;
            }
        }
    }
    return bytes;
}

Args ParseArgs(const QStringList& AArgs) {
    if (AArgs.size() < 6) {
        throw std::runtime_error("usage: bench_dfe filter|walk|memory|openrss FILE FIRST LAST SIZE ...");
    }
    return {AArgs[2], QDate::fromString(AArgs[3], Qt::ISODate), QDate::fromString(AArgs[4], Qt::ISODate), AArgs[5]};
}

int Run(const QStringList& AArgv) {
    const QString mode = AArgv.value(1);
    const Args args = ParseArgs(AArgv);
    TdtmConexaoLocal module;
    dtmConexaoLocal = &module;

    if (mode == QLatin1String("filter")) {
        const QString figure = AArgv.value(6);
        const double target = AArgv.value(7).toDouble();
        const int reps = AArgv.value(8, QStringLiteral("15")).toInt();
        ToolFilter(args);
        const int rowsRead = module.qryDocumentosEmitidos->Active() ? module.qryDocumentosEmitidos->FetchedRowCount()
                                                                    : -1; // empty period: step until done
        const Bench::Pair pair = Bench::Alternate(
            reps, [&] { ToolFilter(args); }, [&] { RawRead(args, rowsRead); });
        Bench::PrintRow(figure, args.Size, pair.ToolMs, pair.RawMs, QStringLiteral("ms"), target);
    } else if (mode == QLatin1String("pragmas")) {
        const int reps = AArgv.value(7, QStringLiteral("7")).toInt();
        ToolFilter(args);
        const int rowsRead =
            module.qryDocumentosEmitidos->Active() ? module.qryDocumentosEmitidos->FetchedRowCount() : -1;
        const Bench::Pair pair = Bench::Alternate(
            reps, [&] { RawRead(args, rowsRead, true); }, [&] { RawRead(args, rowsRead); });
        Bench::PrintRow(AArgv.value(6), args.Size, pair.ToolMs, pair.RawMs, QStringLiteral("ms"), 0);
    } else if (mode == QLatin1String("walk")) {
        const int reps = AArgv.value(6, QStringLiteral("5")).toInt();
        const double target = AArgv.value(7, QStringLiteral("1.5")).toDouble();
        const Bench::Pair pair = Bench::Alternate(
            reps,
            [&] {
                ToolFilter(args);
                ToolWalk();
            },
            [&] { RawRead(args, -1); });
        Bench::PrintRow(target > 0 ? QStringLiteral("walk") : QStringLiteral("growth: walk"), args.Size, pair.ToolMs,
                        pair.RawMs, QStringLiteral("ms"), target);
    } else if (mode == QLatin1String("walkfloor")) {
        const int reps = AArgv.value(6, QStringLiteral("5")).toInt();
        std::vector<char> kept;
        const Bench::Pair pair = Bench::Alternate(
            reps,
            [&] {
                kept.clear();
                RawRead(args, -1, false, &kept);
            },
            [&] { RawRead(args, -1); });
        Bench::PrintRow(QStringLiteral("walk floor (raw, values kept)"), args.Size, pair.ToolMs, pair.RawMs,
                        QStringLiteral("ms"), 0);
    } else if (mode == QLatin1String("memory")) {
        const long baseline = Bench::ResidentKiB();
        ToolFilter(args);
        ToolWalk();
        const long peak = Bench::PeakResidentKiB();
        const double values = double(ValueBytes()) / 1024;
        Bench::PrintRow(QStringLiteral("memory"), args.Size, double(peak) / 1024, (values + double(baseline)) / 1024,
                        QStringLiteral("MiB"), 1.25);
    } else if (mode == QLatin1String("openrss")) {
        const long baseline = Bench::ResidentKiB();
        ToolFilter(args);
        const long open = Bench::ResidentKiB();
        Bench::PrintRow(QStringLiteral("resident, list open"), args.Size, double(open) / 1024, double(baseline) / 1024,
                        QStringLiteral("MiB"), 0);
    } else {
        throw std::runtime_error("unknown mode");
    }
    module.Desconectar();
    dtmConexaoLocal = nullptr;
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    try {
        return Run(application.arguments());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_dfe: %s\n", error.what());
        return 1;
    }
}
