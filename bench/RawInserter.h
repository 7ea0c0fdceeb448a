#pragma once

#include <QString>
#include <QStringList>

#include <sql.h>

/// The plain ODBC loops of the export benchmarks: what any program storing a note per coupon would do, with nothing
/// of the tool's layer. Each connection prepares the insert and binds its parameters once (the driver prepares it on
/// the server with the first execution), then executes it per coupon.
class RawInserter {
public:
    RawInserter(const QString& AConnectionString, const QString& AInsert);
    ~RawInserter();
    RawInserter(const RawInserter&) = delete;
    RawInserter& operator=(const RawInserter&) = delete;

    /// Stores AXml as the note of each reference: on one connection for all of them with AHold, else on a connection
    /// per coupon. Returns the rows inserted.
    qint64 Store(const QStringList& ARefs, const QString& AXml, bool AHold);

private:
    class Session;

    QString ConnectionString;
    QString Insert;
    SQLHENV Env = SQL_NULL_HANDLE;
};

/// The insert statement of the tool with its named markers turned into ODBC's positional ones.
QString PositionalInsert();

/// "BENCH-<ASide>-<n>" for n from AFirst to ALast - 1: the sales documents the benchmark seed holds for each side.
QStringList Refs(const char* ASide, int AFirst, int ALast);
