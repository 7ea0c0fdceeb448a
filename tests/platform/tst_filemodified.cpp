#include "platform/FileModified.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TstFileModified : public QObject {
    Q_OBJECT

private slots:
    void timeOfTheLastWrite_data();
    void timeOfTheLastWrite();
    void missingFileHasNoTime();
};

void TstFileModified::timeOfTheLastWrite_data() {
    QTest::addColumn<QDateTime>("escrito");
    QTest::newRow("agora") << QDateTime::currentDateTimeUtc();
    QTest::newRow("milissegundos no mesmo segundo") << QDateTime(QDate(2026, 12, 10), QTime(8, 24, 22, 1), Qt::UTC);
    QTest::newRow("ano 2000") << QDateTime(QDate(2000, 2, 29), QTime(23, 59, 59, 999), Qt::UTC);
}

// The time set on the file, to the millisecond, counted from 1970 whatever the platform's own origin.
void TstFileModified::timeOfTheLastWrite() {
    QFETCH(QDateTime, escrito);
    QTemporaryDir pasta;
    QFile arquivo(pasta.filePath(QStringLiteral("dfe.sqlite")));
    QVERIFY(arquivo.open(QIODevice::WriteOnly));
    arquivo.write("x");
    QVERIFY(arquivo.flush()); // written after the time is set, the byte would set it again
    QVERIFY(arquivo.setFileTime(escrito, QFileDevice::FileModificationTime));
    arquivo.close();

    const auto lido = FileModified::Time(arquivo.fileName().toUtf8().constData());
    QVERIFY(lido.has_value());
    QCOMPARE(std::chrono::duration_cast<std::chrono::milliseconds>(*lido).count(), escrito.toMSecsSinceEpoch());
}

void TstFileModified::missingFileHasNoTime() {
    QTemporaryDir pasta;
    QVERIFY(!FileModified::Time(pasta.filePath(QStringLiteral("nenhum.sqlite")).toUtf8().constData()).has_value());
}

QTEST_GUILESS_MAIN(TstFileModified)
#include "tst_filemodified.moc"
