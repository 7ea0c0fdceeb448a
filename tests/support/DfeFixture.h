#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>

struct sqlite3;

/// Writes DFe data files for tests and benchmarks through the SQLite C API, independently of the data layer.
///
/// The table tb_nfce starts with the seventeen document columns and their usual declarations; Declare() changes a
/// declaration or appends an extra column, Drop() removes one, both before Create(). Row values are QVariants: null
/// for NULL, QString for text, int / qint64 for integer, double for real, QByteArray for blob.
class DfeFixture {
public:
    using Column = QPair<QString, QString>; ///< name, declared type

    explicit DfeFixture(QString APath);
    ~DfeFixture();
    DfeFixture(const DfeFixture&) = delete;
    DfeFixture& operator=(const DfeFixture&) = delete;

    /// The seventeen document columns, in table order, with their usual declarations.
    static QList<Column> DefaultColumns();
    /// A complete, valid row numbered ANumber (ID_ZEVRIK "ID000001", NUMERO ANumber, ...).
    static QVariantMap SimpleRow(int ANumber);

    /// SimpleRow(ANumber) with an XML_ZEVRIK of AXmlBytes bytes that only this number has.
    static QVariantMap RowWithLargeXml(int ANumber, int AXmlBytes);
    /// Writes the bytes of file AFrom over file ATo in place, as a plain copy does (same file, new bytes; no lock is
    /// asked for). With AKeepModified, ATo keeps its modification time, as a copy that keeps times leaves it. The copy
    /// is made a clock step of the file system after ATo's last change, as any copy made after a listing is.
    static void CopyOver(const QString& AFrom, const QString& ATo, bool AKeepModified = false);
    /// Sets the modification time of the file at APath to an hour ago in whole seconds, which CopyOver can keep
    /// exactly (as a real copy keeps the file system's time to its last digit).
    static void SetKeepableModified(const QString& APath);

    /// Sets the declared type of AColumn; a name not yet present is appended as an extra column.
    DfeFixture& Declare(const QString& AColumn, const QString& AType);
    DfeFixture& Drop(const QString& AColumn);
    const QList<Column>& Columns() const { return TableColumns; }

    /// Creates the file (replacing any previous one) with the table; rows follow with Insert.
    DfeFixture& Create();
    /// One row; columns absent from AValues are NULL.
    DfeFixture& Insert(const QVariantMap& AValues);
    /// Rows in this order, in one transaction.
    DfeFixture& Insert(const QList<QVariantMap>& ARows);
    /// ACount rows SimpleRow(AFirstNumber), SimpleRow(AFirstNumber + 1), ... in one transaction.
    DfeFixture& InsertSimple(int ACount, int AFirstNumber = 1);
    /// Closes the file; later inserts reopen it.
    void Close();

    const QString& Path() const { return FilePath; }

private:
    struct CloseDb {
        void operator()(sqlite3* ADb) const;
    };
    void Exec(const QString& ASql);
    void InsertRows(const QList<QVariantMap>& ARows, int ACount, int AFirstNumber);
    sqlite3* Db();

    QString FilePath;
    QList<Column> TableColumns;
    std::unique_ptr<sqlite3, CloseDb> Handle;
};
