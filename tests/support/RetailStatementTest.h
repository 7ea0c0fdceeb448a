#pragma once

#include "RetailFixture.h"

#include <QObject>

#include <memory>

/// Base of the test programs of the retail module's statements: one stand-in for the whole program; before each test
/// empty tables, no faults, settings that reach the stand-in and "/" as the date separator; after each, the KVORA
/// connection must be closed.
class RetailStatementTest : public QObject {
    Q_OBJECT

protected:
    std::unique_ptr<RetailFixture> F;

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
};
