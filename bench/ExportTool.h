#pragma once

#include "dfe/dConexaoLocal.h"
#include "retail/dZevrik.h"
#include "settings/uConfig.h"

#include <QString>
#include <QTemporaryDir>

/// The tool's side of the export benchmarks: its settings file (pointing at the given server) and both data modules,
/// as start-up makes them, and the first coupons of a DFe data file listed by the document filter. The coupons'
/// references are set to BENCH-T-<AFirstRef>, BENCH-T-<AFirstRef + 1>, ... in row order first.
class ExportTool {
public:
    ExportTool(const QString& AServer, const QString& AUser, const QString& APassword, const QString& ADatabase,
               const QString& ADfeFile, int ACount, int AFirstRef = 0);
    ~ExportTool();
    ExportTool(const ExportTool&) = delete;
    ExportTool& operator=(const ExportTool&) = delete;

    /// Stores listed coupons AFirst to ALast - 1 as the export command does: one run, its connection held for all of
    /// them. Returns the note rows stored.
    qint64 Export(int AFirst, int ALast);
    /// The first coupon's XML as the tool reads it, for the plain loops to send the same bytes.
    QString FirstXml();

private:
    QTemporaryDir Folder;
    TConfigZEVRIK Settings;
    TdtmZEVRIK Retail;
    TdtmConexaoLocal Local;
};
