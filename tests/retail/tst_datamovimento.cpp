// The day as IsReducaoZSalva sends it, and the date separator taken from the regional settings.
#include "retail/DataMovimento.h"

#include <QLocale>
#include <QtTest>

class TstDataMovimento : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void separadorDaMascara_data() {
        // clang-format off
        QTest::addColumn<QString>("mascara");
        QTest::addColumn<QChar>("separador");
        QTest::newRow("brasileira") << "dd/MM/yyyy" << QChar(u'/');
        QTest::newRow("americana") << "M/d/yy" << QChar(u'/');
        QTest::newRow("alema") << "dd.MM.yy" << QChar(u'.');
        QTest::newRow("iso") << "yyyy-MM-dd" << QChar(u'-');
        QTest::newRow("com espaco") << "yyyy. MM. dd." << QChar(u'.');
        QTest::newRow("sem separador") << "ddMMyyyy" << QChar(u'/');
        QTest::newRow("vazia") << "" << QChar(u'/');
        // clang-format on
    }
    void separadorDaMascara() {
        QFETCH(QString, mascara);
        QFETCH(QChar, separador);
        QCOMPARE(SeparadorDaMascara(mascara), separador);
    }

    void formatarDataMovimento_data() {
        // clang-format off
        QTest::addColumn<QDate>("data");
        QTest::addColumn<QChar>("separador");
        QTest::addColumn<QString>("texto");
        QTest::newRow("barra") << QDate(2016, 4, 25) << QChar(u'/') << "25/04/2016";
        QTest::newRow("hifen") << QDate(2016, 4, 25) << QChar(u'-') << "25-04-2016";
        QTest::newRow("ponto, dia e mes de um digito") << QDate(2001, 1, 5) << QChar(u'.') << "05.01.2001";
        QTest::newRow("ano de tres digitos") << QDate(999, 12, 31) << QChar(u'/') << "31/12/0999";
        // clang-format on
    }
    void formatarDataMovimento() {
        QFETCH(QDate, data);
        QFETCH(QChar, separador);
        QFETCH(QString, texto);
        QCOMPARE(FormatarDataMovimento(data, separador), texto);
    }

    void separadorDoSistemaBrasileiro() {
        // The tests run with the Brazilian regional settings.
        QCOMPARE(QLocale::system().name(), QStringLiteral("pt_BR"));
        QCOMPARE(SeparadorDataSistema(), QChar(u'/'));
    }
};

QTEST_GUILESS_MAIN(TstDataMovimento)
#include "tst_datamovimento.moc"
