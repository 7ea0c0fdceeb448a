#include "DfeFixture.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <sqlite3.h>

#include <stdexcept>

namespace {

struct FinalizeStmt {
    void operator()(sqlite3_stmt* AStmt) const { sqlite3_finalize(AStmt); }
};
using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStmt>;

[[noreturn]] void Fail(sqlite3* ADb, const char* AWhat) {
    throw std::runtime_error(std::string("DfeFixture: ") + AWhat + ": " + (ADb ? sqlite3_errmsg(ADb) : "no handle"));
}

void Bind(sqlite3* ADb, sqlite3_stmt* AStmt, int AIndex, const QVariant& AValue) {
    int rc = SQLITE_OK;
    if (AValue.isNull()) {
        rc = sqlite3_bind_null(AStmt, AIndex);
    } else {
        switch (AValue.typeId()) {
        case QMetaType::QByteArray: {
            const QByteArray bytes = AValue.toByteArray();
            rc = sqlite3_bind_blob(AStmt, AIndex, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            rc = sqlite3_bind_int64(AStmt, AIndex, AValue.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(AStmt, AIndex, AValue.toDouble());
            break;
        default: {
            const QByteArray text = AValue.toString().toUtf8();
            rc = sqlite3_bind_text(AStmt, AIndex, text.constData(), int(text.size()), SQLITE_TRANSIENT);
            break;
        }
        }
    }
    if (rc != SQLITE_OK) {
        Fail(ADb, "bind");
    }
}

QString Quoted(const QString& AName) {
    return QLatin1Char('"') + QString(AName).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

} // namespace

void DfeFixture::CloseDb::operator()(sqlite3* ADb) const {
    sqlite3_close(ADb);
}

DfeFixture::DfeFixture(QString APath) : FilePath(std::move(APath)), TableColumns(DefaultColumns()) {}

DfeFixture::~DfeFixture() = default;

QList<DfeFixture::Column> DfeFixture::DefaultColumns() {
    return {
        {QStringLiteral("ID_ZEVRIK"), QStringLiteral("VARCHAR(50)")},
        {QStringLiteral("ENVIO_MANUAL"), QStringLiteral("CHAR(1)")},
        {QStringLiteral("CANCELADO"), QStringLiteral("CHAR(1)")},
        {QStringLiteral("SERIE"), QStringLiteral("INTEGER")},
        {QStringLiteral("NUMERO"), QStringLiteral("INTEGER")},
        {QStringLiteral("DTHR_EMISSAO"), QStringLiteral("TIMESTAMP")},
        {QStringLiteral("CHAVE_NFE"), QStringLiteral("VARCHAR(50)")},
        {QStringLiteral("CSTAT"), QStringLiteral("INTEGER")},
        {QStringLiteral("XMOTIVO"), QStringLiteral("VARCHAR(255)")},
        {QStringLiteral("CMSG"), QStringLiteral("INTEGER")},
        {QStringLiteral("XMSG"), QStringLiteral("VARCHAR(255)")},
        {QStringLiteral("NPROT"), QStringLiteral("VARCHAR(15)")},
        {QStringLiteral("DHRECBTO"), QStringLiteral("TIMESTAMP")},
        {QStringLiteral("XML_ZEVRIK"), QStringLiteral("BLOB")},
        {QStringLiteral("XML_NFCE"), QStringLiteral("BLOB")},
        {QStringLiteral("XML_CANCELAMENTO"), QStringLiteral("BLOB")},
        {QStringLiteral("VALOR_DOCUMENTO"), QStringLiteral("NUMERIC(10,2)")},
    };
}

QVariantMap DfeFixture::SimpleRow(int ANumber) {
    const QString number = QString::number(ANumber);
    const QString xml = QStringLiteral("<NFe><infNFe Id=\"NFe%1\"><nNF>%1</nNF></infNFe></NFe>").arg(number);
    return {
        {QStringLiteral("ID_ZEVRIK"), QStringLiteral("ID%1").arg(ANumber, 6, 10, QLatin1Char('0'))},
        {QStringLiteral("ENVIO_MANUAL"), QStringLiteral("N")},
        {QStringLiteral("CANCELADO"), QStringLiteral("N")},
        {QStringLiteral("SERIE"), 1},
        {QStringLiteral("NUMERO"), ANumber},
        {QStringLiteral("DTHR_EMISSAO"), QStringLiteral("2024-02-10 10:%1:%2")
                                             .arg((ANumber / 60) % 60, 2, 10, QLatin1Char('0'))
                                             .arg(ANumber % 60, 2, 10, QLatin1Char('0'))},
        {QStringLiteral("CHAVE_NFE"),
         QStringLiteral("3524021234567800019965001%1").arg(ANumber, 19, 10, QLatin1Char('0'))},
        {QStringLiteral("CSTAT"), 100},
        {QStringLiteral("XMOTIVO"), QStringLiteral("Autorizado o uso da NF-e")},
        {QStringLiteral("NPROT"), QStringLiteral("1352400%1").arg(ANumber, 8, 10, QLatin1Char('0'))},
        {QStringLiteral("DHRECBTO"), QStringLiteral("2024-02-10 10:30:00")},
        {QStringLiteral("XML_ZEVRIK"), xml.toUtf8()},
        {QStringLiteral("XML_NFCE"), xml.toUtf8()},
        {QStringLiteral("VALOR_DOCUMENTO"), 10.0 + ANumber % 100 + 0.5},
    };
}

QVariantMap DfeFixture::RowWithLargeXml(int ANumber, int AXmlBytes) {
    QVariantMap row = SimpleRow(ANumber);
    QByteArray xml = QStringLiteral("<NFe><infNFe Id=\"NFe%1\"><nNF>%1</nNF><infAdic>").arg(ANumber).toUtf8();
    const QByteArray tail = QByteArrayLiteral("</infAdic></infNFe></NFe>");
    const QByteArray filler = QStringLiteral("cupom %1; ").arg(ANumber).toUtf8();
    while (xml.size() + tail.size() < AXmlBytes) {
        xml += filler.left(AXmlBytes - tail.size() - xml.size());
    }
    row.insert(QStringLiteral("XML_ZEVRIK"), xml + tail);
    return row;
}

void DfeFixture::CopyOver(const QString& AFrom, const QString& ATo, bool AKeepModified) {
    QFile from(AFrom);
    QFile to(ATo);
    const QDateTime modified = QFileInfo(ATo).lastModified();
    // The file system's clock moves in steps of a few milliseconds; in the step of the file's last change, even its
    // change time would stay.
    QThread::msleep(30);
    if (!from.open(QIODevice::ReadOnly) || !to.open(QIODevice::ReadWrite) || !to.resize(0) ||
        to.write(from.readAll()) != from.size() ||
        (AKeepModified && !to.setFileTime(modified, QFileDevice::FileModificationTime))) {
        throw std::runtime_error("cannot copy " + AFrom.toStdString() + " over " + ATo.toStdString());
    }
}

void DfeFixture::SetKeepableModified(const QString& APath) {
    QFile file(APath);
    if (!file.open(QIODevice::ReadWrite) ||
        !file.setFileTime(QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch() - 3600),
                          QFileDevice::FileModificationTime)) {
        throw std::runtime_error("cannot set the modification time of " + APath.toStdString());
    }
}

DfeFixture& DfeFixture::Declare(const QString& AColumn, const QString& AType) {
    for (Column& column : TableColumns) {
        if (column.first.compare(AColumn, Qt::CaseInsensitive) == 0) {
            column.second = AType;
            return *this;
        }
    }
    TableColumns.append({AColumn, AType});
    return *this;
}

DfeFixture& DfeFixture::Drop(const QString& AColumn) {
    TableColumns.removeIf(
        [&](const Column& AEntry) { return AEntry.first.compare(AColumn, Qt::CaseInsensitive) == 0; });
    return *this;
}

DfeFixture& DfeFixture::Create() {
    Handle.reset();
    QFile::remove(FilePath);
    QStringList declarations;
    for (const Column& column : TableColumns) {
        declarations.append((Quoted(column.first) + QLatin1Char(' ') + column.second).trimmed());
    }
    Exec(QStringLiteral("CREATE TABLE tb_nfce (%1)").arg(declarations.join(QStringLiteral(", "))));
    return *this;
}

DfeFixture& DfeFixture::Insert(const QVariantMap& AValues) {
    InsertRows({AValues}, 0, 0);
    return *this;
}

DfeFixture& DfeFixture::Insert(const QList<QVariantMap>& ARows) {
    if (!ARows.isEmpty()) {
        InsertRows(ARows, 0, 0);
    }
    return *this;
}

DfeFixture& DfeFixture::InsertSimple(int ACount, int AFirstNumber) {
    InsertRows({}, ACount, AFirstNumber);
    return *this;
}

void DfeFixture::Close() {
    Handle.reset();
}

sqlite3* DfeFixture::Db() {
    if (!Handle) {
        sqlite3* db = nullptr;
        const int rc =
            sqlite3_open_v2(FilePath.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        Handle.reset(db);
        if (rc != SQLITE_OK) {
            Fail(db, "open");
        }
    }
    return Handle.get();
}

void DfeFixture::Exec(const QString& ASql) {
    if (sqlite3_exec(Db(), ASql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        Fail(Db(), "exec");
    }
}

// Explicit rows (ARows) or ACount generated ones, through one prepared insert inside one transaction.
void DfeFixture::InsertRows(const QList<QVariantMap>& ARows, int ACount, int AFirstNumber) {
    QStringList names;
    QStringList markers;
    for (const Column& column : TableColumns) {
        names.append(Quoted(column.first));
        markers.append(QStringLiteral("?"));
    }
    const QByteArray sql = QStringLiteral("INSERT INTO tb_nfce (%1) VALUES (%2)")
                               .arg(names.join(QLatin1Char(',')), markers.join(QLatin1Char(',')))
                               .toUtf8();
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(Db(), sql.constData(), int(sql.size()), &raw, nullptr) != SQLITE_OK) {
        Fail(Db(), "prepare");
    }
    Statement insert(raw);
    Exec(QStringLiteral("BEGIN"));
    const int total = ARows.isEmpty() ? ACount : int(ARows.size());
    for (int i = 0; i < total; ++i) {
        const QVariantMap row = ARows.isEmpty() ? SimpleRow(AFirstNumber + i) : ARows.at(i);
        for (int c = 0; c < TableColumns.size(); ++c) {
            Bind(Db(), insert.get(), c + 1, row.value(TableColumns.at(c).first));
        }
        if (sqlite3_step(insert.get()) != SQLITE_DONE) {
            Fail(Db(), "insert");
        }
        sqlite3_reset(insert.get());
    }
    Exec(QStringLiteral("COMMIT"));
}
