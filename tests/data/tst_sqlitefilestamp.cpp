// The stamp of an open database file: equal while nobody writes the file, different after any write to it or any file
// put in its place, however much of what a copy carries over (size, header, modification time) stays the same.
#include "SqliteTestFile.h"

#include "data/sqlite/SQLiteFileStamp.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <filesystem>

namespace {

enum class Change { None, ReadElsewhere, ContentsTimesKept, ModifiedOnly, SameFileInItsPlace, Deleted };

/// The file system's clock moves in steps of a few milliseconds: a change within the step of the file's last change
/// would leave its change time as it was, which no real copy made after the listing can do.
void NextClockStep() {
    QThread::msleep(30);
}

void SetModified(const QString& APath, const QDateTime& AWhen) {
    QFile file(APath);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(AWhen, QFileDevice::FileModificationTime));
}

} // namespace

class TstSQLiteFileStamp : public QObject {
    Q_OBJECT

private slots:
    void changeAfterTheStamp_data();
    void changeAfterTheStamp();
    void noStampWithoutAFile();
};

void TstSQLiteFileStamp::changeAfterTheStamp_data() {
    QTest::addColumn<Change>("change");
    QTest::addColumn<bool>("differs"); ///< when the platform lets the change happen at all
    QTest::newRow("nada") << Change::None << false;
    QTest::newRow("lido por outro programa") << Change::ReadElsewhere << false;
    QTest::newRow("copia que mantem as datas") << Change::ContentsTimesKept << true;
    QTest::newRow("data de modificacao no mesmo segundo") << Change::ModifiedOnly << true;
    QTest::newRow("arquivo igual posto no lugar") << Change::SameFileInItsPlace << true;
    QTest::newRow("arquivo apagado") << Change::Deleted << true;
}

void TstSQLiteFileStamp::changeAfterTheStamp() {
    QFETCH(Change, change);
    QFETCH(bool, differs);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dfe.sqlite"));
    const QString twin = dir.filePath(QStringLiteral("twin.sqlite"));
    SqliteTestFile db(path);
    db.Exec(QStringLiteral("create table t (x text); insert into t values ('coupon one'), ('coupon two')"));
    // Times in whole milliseconds, which a copy can set back exactly.
    const QDateTime modified = QDateTime::fromMSecsSinceEpoch(QDateTime::currentMSecsSinceEpoch() - 3600 * 1000);
    SetModified(path, modified);
    QVERIFY(QFile::copy(path, twin));
    SetModified(twin, modified);
    NextClockStep();

    const auto listed = SQLiteFileStamp::Of(db.Handle(), "main");
    QVERIFY(listed.has_value());
    QCOMPARE(SQLiteFileStamp::Of(db.Handle(), "main"), listed);
    bool happened = true;
    std::error_code error;
    switch (change) {
    case Change::None:
        break;
    case Change::ReadElsewhere: {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(!file.readAll().isEmpty());
        break;
    }
    case Change::ContentsTimesKept: {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        const qint64 size = file.size();
        QVERIFY(file.seek(size - 1));
        QVERIFY(file.putChar(char(0x5a)));
        file.close();
        SetModified(path, modified);
        QCOMPARE(QFile(path).size(), size);
        break;
    }
    case Change::ModifiedOnly:
        SetModified(path, modified.addMSecs(1));
        break;
    case Change::SameFileInItsPlace:
        // Windows refuses to replace a file that the engine holds open without delete sharing.
        std::filesystem::rename(twin.toStdWString(), path.toStdWString(), error);
        happened = !error;
        break;
    case Change::Deleted:
        std::filesystem::remove(path.toStdWString(), error);
        happened = !error;
        break;
    }
    const auto now = SQLiteFileStamp::Of(db.Handle(), "main");
    QVERIFY(now.has_value());
    QCOMPARE(now != listed, differs && happened);
#ifndef Q_OS_WIN
    QVERIFY2(happened, "only Windows may refuse the change");
#endif
}

void TstSQLiteFileStamp::noStampWithoutAFile() {
    SqliteTestFile db(QStringLiteral(":memory:"));
    db.Exec(QStringLiteral("create table t (x)"));
    QVERIFY(!SQLiteFileStamp::Of(db.Handle(), "main").has_value());
}

QTEST_GUILESS_MAIN(TstSQLiteFileStamp)
#include "tst_sqlitefilestamp.moc"
