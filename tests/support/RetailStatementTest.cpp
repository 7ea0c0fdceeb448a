#include "RetailStatementTest.h"

#include <QTest>

void RetailStatementTest::initTestCase() {
    F = std::make_unique<RetailFixture>();
}

void RetailStatementTest::cleanupTestCase() {
    F.reset();
}

void RetailStatementTest::init() {
    F->Limpar();
    F->ConfigurarStandIn();
    F->Modulo().SetSeparadorData(u'/');
}

void RetailStatementTest::cleanup() {
    QVERIFY(!F->Modulo().sqlConexao.Connected());
}
