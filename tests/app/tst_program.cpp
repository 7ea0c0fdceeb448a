#include "app/TProgram.h"
#include "app/uPrincipal.h"
#include "dfe/dConexaoLocal.h"
#include "retail/dZevrik.h"
#include "settings/uConfig.h"
#include "widgets/TPresentation.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class tst_Program : public QObject {
    Q_OBJECT
private slots:
    void startsWithoutSettingsAndExitsNewestFirst();
    void anotherExecutableNameGivesOtherFileAndTitle();
};

void tst_Program::startsWithoutSettingsAndExitsNewestFirst() {
    QTemporaryDir dir;
    const QString executable = dir.filePath(QStringLiteral("ExportarDFe"));
    QStringList destroyed;
    bool configAliveThroughExit = true;
    bool shownMaximised = false;
    {
        TProgram program(*qApp, executable);
        QVERIFY(ConfigIni != nullptr);
        QCOMPARE(ConfigIni->Arquivo(), dir.filePath(QStringLiteral("ExportarDFe.ini")));
        QCOMPARE(TPresentation::ApplicationTitle(), QStringLiteral("Exportardfe"));
        QVERIFY(dtmZEVRIK != nullptr && dtmConexaoLocal != nullptr && frmPrincipal != nullptr);
        QCOMPARE(dtmZEVRIK->parent(), qApp);
        QCOMPARE(dtmConexaoLocal->parent(), qApp);
        const QObjectList owned = qApp->children();
        QVERIFY(owned.indexOf(dtmZEVRIK) < owned.indexOf(dtmConexaoLocal));
        QVERIFY(!frmPrincipal->isVisible());

        for (QObject* object : QList<QObject*>{dtmZEVRIK, dtmConexaoLocal, frmPrincipal}) {
            connect(object, &QObject::destroyed, this, [&destroyed, &configAliveThroughExit, object] {
                destroyed << object->objectName();
                configAliveThroughExit = configAliveThroughExit && ConfigIni != nullptr;
            });
        }
        QMetaObject::invokeMethod(
            frmPrincipal,
            [&shownMaximised] {
                shownMaximised = frmPrincipal->isVisible() && frmPrincipal->isMaximized();
                frmPrincipal->close();
            },
            Qt::QueuedConnection);
        QCOMPARE(program.Run(), 0);
        QVERIFY(shownMaximised);
    }
    QCOMPARE(destroyed, (QStringList{"frmPrincipal", "dtmConexaoLocal", "dtmZEVRIK"}));
    QVERIFY(configAliveThroughExit);
    QCOMPARE(ConfigIni, nullptr);
    QCOMPARE(dtmZEVRIK, nullptr);
    QCOMPARE(dtmConexaoLocal, nullptr);
    QCOMPARE(frmPrincipal, nullptr);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

void tst_Program::anotherExecutableNameGivesOtherFileAndTitle() {
    QTemporaryDir dir;
    TProgram program(*qApp, dir.filePath(QStringLiteral("Data.Tool.exe")));
    QCOMPARE(ConfigIni->Arquivo(), dir.filePath(QStringLiteral("Data.Tool.ini")));
    QCOMPARE(TPresentation::ApplicationTitle(), QStringLiteral("Data"));
}

QTEST_MAIN(tst_Program)
#include "tst_program.moc"
