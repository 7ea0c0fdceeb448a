#pragma once

#include "StandInProcess.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include <stdexcept>

/// A private SQL Server stand-in (tools/tds_standin) for one test program.
///
/// The constructor starts `python3 -m tds_standin` on a free port of 127.0.0.1 over a fresh SQLite file that holds the
/// retail tables (piece, LIGNE, MPIECEOLE, ETABLISS, MJOURSCAISSEOLE); the destructor stops it. Clients reach it
/// through unixODBC and the FreeTDS driver with connectionString(), or with `Server=` server() in their own string.
///
/// exec/query/scalar talk to the stand-in over its control channel, not over TDS: they run T-SQL (the dialect the
/// stand-in translates) directly against its database, so seeding and checks work while clients are connected and
/// never pass through faults. Positional values bind @P1, @P2, ... Failures throw StandInError.
///
/// Faults (setFault kinds and arguments; they count every client statement from the moment they are set, on all
/// connections, and stay until clearFaults):
///   "refuse_login"                 every login fails with 18456;
///   "drop_after", N                the first N statements are answered, every later one drops its connection;
///   "drop_on", REGEX               a statement whose text matches drops its connection, unanswered;
///   "drop_after_run", REGEX [, N]  a statement whose text matches runs (and commits), then its connection drops
///                                  before the reply; with N, only the next N such statements;
///   "delay", SECONDS [, REGEX]     replies (to matching statements) wait; a client cancel is answered at once;
///   "error", NUMBER [, REGEX [, MESSAGE [, CLASS]]]  matching statements fail with that SQL Server error.
/// Clients can set the same faults with the statement `exec standin_fault 'kind', arg, ...`.
class StandIn {
public:
    struct Login {
        QString user = QStringLiteral("kvora");
        QString password = QStringLiteral("kvora");
        QString database = QStringLiteral("KVORA");
    };

    StandIn();
    explicit StandIn(const Login& login, const QStringList& extraArguments = {});
    /// Arguments for a named instance AName on a loopback address of its own (127.x.y.z, chosen free by the
    /// stand-in): clients find its port through the browser service on UDP port 1434 of that address.
    static QStringList namedInstance(const QString& AName);
    ~StandIn();
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

    quint16 port() const { return Port; }
    /// The loopback address it listens on.
    QString host() const { return Host; }
    /// "HOST,PORT", or "HOST\INSTANCE" for a named instance: Server values FreeTDS understands, no configuration
    /// file needed.
    QString server() const;
    /// DRIVER=FreeTDS;UID=...;PWD=...;Server=...;Database=...;TDS_Version=7.4 with this stand-in's login.
    QString connectionString() const;
    const Login& login() const { return Credentials; }
    QString databaseFile() const;
    /// Log of logins, batches and RPC calls the stand-in received (for diagnosing a failing test).
    QString logFile() const;
    /// Every request received so far, in order, one entry per request as the log records it: the two of a login
    /// ("PRELOGIN", "LOGIN7 ..."), a batch ("BATCH '...'"), an RPC call ("RPC sp_execute [...]") or a transaction
    /// request ("TRANSACTION ...").
    QStringList requests() const;

    /// Runs a batch; returns the rows affected by its last statement.
    qint64 exec(const QString& sql, const QVariantList& values = {});
    /// Rows of the last result set of the batch; integers come as qlonglong, text as QString, NULL as a null QVariant.
    QList<QVariantList> query(const QString& sql, const QVariantList& values = {});
    /// First column of the first row, or an invalid QVariant when there is no row.
    QVariant scalar(const QString& sql, const QVariantList& values = {});
    /// Loads a .sql batch or a .json file of {"TABLE": [{"COLUMN": value, ...}, ...]}.
    void seedFile(const QString& path);

    void setFault(const QString& kind, const QVariantList& arguments = {});
    void clearFaults();

    bool isRunning() const { return Process.IsRunning(); }
    /// Stops the server now (the destructor does it otherwise); later calls do nothing.
    void stop();
    /// Kills the server as a crash would (the connections of its clients end at once, unanswered) and starts it
    /// again on the same address, port and database file, without faults.
    void restart();

private:
    void start();
    QVariantMap request(const QVariantMap& message);

    Login Credentials;
    QStringList Arguments;
    QTemporaryDir Dir;
    StandInProcess Process;
    quint16 Port = 0;
    QString Host;
    QString Instance;
};

class StandInError : public std::runtime_error {
public:
    StandInError(int number, const QString& message);
    int number() const { return Number; }

private:
    int Number;
};
