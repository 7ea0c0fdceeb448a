#include "SqliteTestFile.h"

#include "data/DbActivity.h"
#include "data/DbBackends.h"
#include "data/TDbConnection.h"
#include "data/TDbErrors.h"
#include "data/TDbParams.h"
#include "data/TDbQuery.h"
#include "data/sqlite/SQLiteBackend.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

class CountingListener : public IDbActivityListener {
public:
    void OperationBegins() override {
        ++Begins;
        Open = true;
    }
    void OperationEnds() override {
        ++Ends;
        Open = false;
    }
    int Begins = 0;
    int Ends = 0;
    bool Open = false;
};

/// The SQLite back end, counting the statements prepared on it.
class CountingBackend : public IDbBackend {
public:
    CountingBackend(std::unique_ptr<IDbBackend> AInner, int& APrepares)
        : Inner(std::move(AInner)), Prepares(APrepares) {}
    void Open(const QStringList& AParams) override { Inner->Open(AParams); }
    void Close() override { Inner->Close(); }
    std::unique_ptr<IDbStatement> Prepare(const QString& ASql) override {
        ++Prepares;
        return Inner->Prepare(ASql);
    }

private:
    std::unique_ptr<IDbBackend> Inner;
    int& Prepares;
};

} // namespace

/// Row sets, statements and their parameters over a real SQLite file.
class TestDbQuery : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { RegisterSQLiteBackend(); }
    void init();
    void cleanup();

    void emptyResult();
    void walkForwardAndBack();
    void fieldsWithoutDeclarations();
    void bookmarks();
    void compareBookmarks_data();
    void compareBookmarks();
    void closeInvalidatesRowsAndBookmarks();
    void connectionCloseClosesRowSets();
    void connectionDestroyedBeforeRowSet();
    void largeResultIsFetchedInBatches();
    void closingFromSlotsIsSafe();
    void failedOpenLeavesRowSetClosed();
    void namedParameters();
    void namedParametersDifferingInCase();
    void positionalParameters();
    void nullTextBindsAsEmptyText_data();
    void nullTextBindsAsEmptyText();
    void colonsOutsideMarkersReachTheEngine();
    void parameterCountMismatch_data();
    void parameterCountMismatch();
    void scalarCount();
    void scalarWithoutRow();
    void preparedStatementReusedUntilClose();
    void engineErrorCarriesContext();
    void activityAroundStatementsOpensAndFetches();
    void activityEndsWhenStatementFails();
    void valuesOutliveTheRowSet();

private:
    QString Path() const { return Dir->filePath("test.db"); }
    void CreateNumbers(int ACount);
    QStringList Names();

    std::unique_ptr<QTemporaryDir> Dir;
    std::unique_ptr<TDbConnection> Conn;
};

void TestDbQuery::init() {
    Dir = std::make_unique<QTemporaryDir>();
    QVERIFY(Dir->isValid());
    {
        SqliteTestFile file(Path());
        file.Exec("create table pessoa (id integer, nome varchar(30), nascido timestamp)");
        file.Exec("insert into pessoa values (1, 'Ana', '1990-01-02 03:04:05'), (2, 'Bruno', null), "
                  "(3, 'Carla', '2001-12-31')");
    }
    Conn = std::make_unique<TDbConnection>();
    Conn->setObjectName("sqlConexaoLocal");
    Conn->Params = QStringList{"DriverID=SQLite", "Database=" + Path()};
    Conn->Open();
}

void TestDbQuery::cleanup() {
    DbActivity::SetListener(nullptr);
    Conn.reset();
    Dir.reset();
}

void TestDbQuery::CreateNumbers(int ACount) {
    Conn->ExecSQL("create table numeros (n integer, texto varchar(20))", QStringList(), {});
    Conn->ExecSQL(QStringLiteral("with recursive s(n) as (select 1 union all select n + 1 from s where n < %1) "
                                 "insert into numeros select n, 'linha ' || n from s")
                      .arg(ACount),
                  QStringList(), {});
}

QStringList TestDbQuery::Names() {
    std::unique_ptr<TDbQuery> query;
    Conn->ExecSQL("select nome from pessoa order by id", query);
    QStringList names;
    for (; !query->Eof(); query->Next()) {
        names.append(query->FieldByIndex(0).AsString());
    }
    return names;
}

void TestDbQuery::emptyResult() {
    std::unique_ptr<TDbQuery> query;
    QCOMPARE(Conn->ExecSQL("select * from pessoa where id > 100", query), 0);
    QVERIFY(query);
    QVERIFY(query->Active());
    QVERIFY(query->Eof());
    QVERIFY(query->Bof());
    QVERIFY(query->IsEmpty());
    QCOMPARE(query->RecNo(), -1);
    QCOMPARE(query->FieldCount(), 3);
    QVERIFY(query->FieldByName("NOME").IsNull());
    QVERIFY(query->GetBookmark().IsEmpty());
    query->Next();
    QVERIFY(query->Eof());
}

void TestDbQuery::walkForwardAndBack() {
    std::unique_ptr<TDbQuery> query;
    QCOMPARE(Conn->ExecSQL("select id, nome from pessoa order by id", query), 3);
    QVERIFY(query->Bof());
    QVERIFY(!query->Eof());
    QCOMPARE(query->FieldByName("nome").AsString(), QStringLiteral("Ana"));
    query->Next();
    query->Next();
    QCOMPARE(query->FieldByName("ID").AsInteger(), 3);
    QVERIFY(!query->Eof());
    query->Next();
    QVERIFY(query->Eof());
    QCOMPARE(query->FieldByName("ID").AsInteger(), 3);
    query->Prior();
    QVERIFY(!query->Eof());
    QCOMPARE(query->FieldByIndex(1).AsString(), QStringLiteral("Bruno"));
    query->Prior();
    query->Prior();
    QVERIFY(query->Bof());
    QCOMPARE(query->RecNo(), 0);
    query->MoveTo(2);
    QCOMPARE(query->FieldByIndex(1).AsString(), QStringLiteral("Carla"));
    query->First();
    QCOMPARE(query->RecNo(), 0);
    QVERIFY(query->Bof());
    QCOMPARE(Names(), (QStringList{"Ana", "Bruno", "Carla"}));
    QVERIFY_THROWS_EXCEPTION(EDbError, query->FieldByName("missing"));
}

void TestDbQuery::fieldsWithoutDeclarations() {
    TDbQuery query(Conn.get());
    query.Open("select id, nome, nascido from pessoa order by id");
    QCOMPARE(query.FieldCount(), 3);
    QCOMPARE(query.Fields()[0].Kind, TDbFieldKind::Integer);
    QCOMPARE(query.Fields()[1].Kind, TDbFieldKind::String);
    QCOMPARE(query.Fields()[1].Size, 30);
    QCOMPARE(query.Fields()[2].Kind, TDbFieldKind::SQLTimeStamp);
    QCOMPARE(query.FieldByIndex(2).AsDateTime(), QDateTime(QDate(1990, 1, 2), QTime(3, 4, 5), Qt::UTC));
    QCOMPARE(query.ValueAt(2, 0), QVariant(3));
    QVERIFY(!query.ValueAt(5, 0).isValid());
}

void TestDbQuery::bookmarks() {
    TDbQuery query(Conn.get());
    query.Open("select nome from pessoa order by id");
    query.Next();
    const TDbBookmark bruno = query.GetBookmark();
    QVERIFY(!bruno.IsEmpty());
    query.Next();
    QCOMPARE(query.FieldByIndex(0).AsString(), QStringLiteral("Carla"));
    query.GotoBookmark(bruno);
    QCOMPARE(query.FieldByIndex(0).AsString(), QStringLiteral("Bruno"));
    QCOMPARE(query.RowOf(bruno), 1);
    QCOMPARE(query.RowOf(query.BookmarkAt(2)), 2);
    QVERIFY(query.BookmarkAt(3).IsEmpty());
    QVERIFY_THROWS_EXCEPTION(EDbError, query.GotoBookmark(TDbBookmark()));
}

void TestDbQuery::compareBookmarks_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<int>("expected");
    // "0".."2": rows of the open result; "s": a row of an earlier opening; "e": empty.
    QTest::newRow("before") << "0"
                            << "2" << -1;
    QTest::newRow("after") << "2"
                           << "1" << 1;
    QTest::newRow("same row") << "1"
                              << "1" << 0;
    QTest::newRow("stale first") << "s"
                                 << "1" << 0;
    QTest::newRow("stale second") << "0"
                                  << "s" << 0;
    QTest::newRow("empty after row") << "e"
                                     << "0" << 1;
    QTest::newRow("row before empty") << "2"
                                      << "e" << -1;
    QTest::newRow("two empty") << "e"
                               << "e" << 0;
    QTest::newRow("empty after stale") << "e"
                                       << "s" << 1;
}

void TestDbQuery::compareBookmarks() {
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(int, expected);
    TDbQuery query(Conn.get());
    query.Open("select nome from pessoa order by id");
    const TDbBookmark stale = query.BookmarkAt(1);
    query.Close();
    query.Open();
    const auto pick = [&](const QString& AWhich) {
        if (AWhich == u"s") {
            return stale;
        }
        if (AWhich == u"e") {
            return TDbBookmark();
        }
        return query.BookmarkAt(AWhich.toInt());
    };
    QCOMPARE(query.CompareBookmarks(pick(first), pick(second)), expected);
}

void TestDbQuery::closeInvalidatesRowsAndBookmarks() {
    TDbQuery query(Conn.get());
    QSignalSpy closed(&query, &TDbQuery::Closed);
    query.Open("select nome from pessoa order by id");
    const TDbBookmark mark = query.BookmarkAt(2);
    query.Close();
    QCOMPARE(closed.size(), 1);
    QVERIFY(!query.Active());
    QCOMPARE(query.FetchedRowCount(), 0);
    QCOMPARE(query.RowOf(mark), -1);
    QVERIFY(query.IsEmpty());
    query.Close();
    QCOMPARE(closed.size(), 1);
    query.Open();
    QCOMPARE(query.RowOf(mark), -1);
    QCOMPARE(query.CompareBookmarks(mark, query.BookmarkAt(2)), 0);
    QVERIFY_THROWS_EXCEPTION(EDbError, query.GotoBookmark(mark));
}

void TestDbQuery::connectionCloseClosesRowSets() {
    std::unique_ptr<TDbQuery> handedOut;
    Conn->ExecSQL("select * from pessoa", handedOut);
    TDbQuery declaredHere(Conn.get());
    declaredHere.Open("select * from pessoa");
    QSignalSpy closed(handedOut.get(), &TDbQuery::Closed);
    Conn->Close();
    QVERIFY(!Conn->Connected());
    QVERIFY(!handedOut->Active());
    QVERIFY(!declaredHere.Active());
    QCOMPARE(closed.size(), 1);
    QCOMPARE(handedOut->Connection(), Conn.get());
    QVERIFY(handedOut->Eof());
    Conn->Close();
    // The row set is still the caller's: it reopens on the reopened connection.
    Conn->Open();
    handedOut->Open();
    QCOMPARE(handedOut->FetchedRowCount(), 3);
}

void TestDbQuery::connectionDestroyedBeforeRowSet() {
    std::unique_ptr<TDbQuery> query;
    Conn->ExecSQL("select * from pessoa", query);
    Conn.reset();
    QVERIFY(!query->Active());
    QCOMPARE(query->Connection(), nullptr);
    QVERIFY_THROWS_EXCEPTION(EDbError, query->Open());
}

void TestDbQuery::largeResultIsFetchedInBatches() {
    CreateNumbers(100000);
    TDbQuery query(Conn.get());
    QSignalSpy fetched(&query, &TDbQuery::RowsFetched);
    QSignalSpy opened(&query, &TDbQuery::Opened);
    query.Open("select n, texto from numeros order by n");
    QCOMPARE(opened.size(), 1);
    QCOMPARE(query.FetchedRowCount(), TDbQuery::BatchSize);
    QVERIFY(!query.AllRowsFetched());
    QCOMPARE(fetched.size(), 0);

    query.MoveTo(1000);
    QCOMPARE(query.RecNo(), 1000);
    QCOMPARE(query.FieldByIndex(0).AsInteger(), 1001);
    QVERIFY(query.FetchedRowCount() > 1000);
    QVERIFY(query.FetchedRowCount() < 2000);
    QVERIFY(!fetched.isEmpty());
    QCOMPARE(fetched.first().at(0).toInt(), TDbQuery::BatchSize);

    int count = query.RecNo() + 1;
    for (query.Next(); !query.Eof(); query.Next()) {
        ++count;
    }
    QCOMPARE(count, 100000);
    QVERIFY(query.AllRowsFetched());
    QCOMPARE(query.FieldByIndex(1).AsString(), QStringLiteral("linha 100000"));
    QCOMPARE(query.FetchMore(10), 0);
    query.MoveTo(500000);
    QCOMPARE(query.RecNo(), 99999);
}

void TestDbQuery::closingFromSlotsIsSafe() {
    CreateNumbers(1000);
    TDbQuery query(Conn.get());
    query.Open("select n from numeros");
    connect(&query, &TDbQuery::RowsFetched, &query, &TDbQuery::Close);
    query.MoveTo(500);
    QVERIFY(!query.Active());
    query.Open();
    query.MoveTo(TDbQuery::BatchSize - 1);
    query.Next();
    QVERIFY(!query.Active());

    // The first row set's Closed releases a later one before the connection reaches it.
    TDbQuery first(Conn.get());
    first.Open("select n from numeros");
    auto other = std::make_unique<TDbQuery>(Conn.get());
    other->Open("select n from numeros");
    connect(&first, &TDbQuery::Closed, this, [&other] { other.reset(); });
    Conn->Close();
    QVERIFY(!other);
    QVERIFY(!first.Active());
}

void TestDbQuery::failedOpenLeavesRowSetClosed() {
    TDbQuery query(Conn.get());
    query.setObjectName("qryTeste");
    QVERIFY_THROWS_EXCEPTION(EDbEngineError, query.Open("select * from nao_existe"));
    QVERIFY(!query.Active());
    QVERIFY(Conn->Connected());
    query.Open("select * from pessoa");
    QVERIFY(query.Active());
}

void TestDbQuery::namedParameters() {
    Conn->ExecSQL("create table p (a, b, c, d)", QStringList(), {});
    const qint64 affected =
        Conn->ExecSQL("insert into p values (:IDLOJA, :OUTRO, :IDLOJA, :TERCEIRO)", {"loja", "outro", "terceiro"},
                      {TDbFieldType::ftString, TDbFieldType::ftWideMemo, TDbFieldType::ftString});
    QCOMPARE(affected, 1);
    std::unique_ptr<TDbQuery> query;
    Conn->ExecSQL("select a, b, c, d from p", query);
    QCOMPARE(query->FieldByName("a").AsString(), QStringLiteral("loja"));
    QCOMPARE(query->FieldByName("b").AsString(), QStringLiteral("outro"));
    QCOMPARE(query->FieldByName("c").AsString(), QStringLiteral("loja"));
    QCOMPARE(query->FieldByName("d").AsString(), QStringLiteral("terceiro"));
}

void TestDbQuery::namedParametersDifferingInCase() {
    const QVariant value =
        Conn->ExecSQLScalar("select :Nome || '/' || :NOME || '/' || :nome", {"x"}, {TDbFieldType::ftString});
    QCOMPARE(value.toString(), QStringLiteral("x/x/x"));
}

void TestDbQuery::positionalParameters() {
    Conn->ExecSQL("create table p (a, b, c)", QStringList(), {});
    TDbParams params;
    params.AddParam(TDbFieldType::ftString, "primeiro").Value = "1";
    params.AddParam(TDbFieldType::ftString, "segundo").Value = "2";
    params.AddParam(TDbFieldType::ftWideMemo, "terceiro").Value = "3 ação";
    QCOMPARE(Conn->ExecSQL("insert into p values (:X, :Y, :X)", params), 1);
    std::unique_ptr<TDbQuery> query;
    Conn->ExecSQL("select a || b || c as v from p", query);
    QCOMPARE(query->FieldByIndex(0).AsString(), QStringLiteral("123 ação"));
}

void TestDbQuery::nullTextBindsAsEmptyText_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("type");
    QTest::newRow("null, ftString") << QString() << int(TDbFieldType::ftString);
    QTest::newRow("null, ftWideMemo") << QString() << int(TDbFieldType::ftWideMemo);
    QTest::newRow("empty, ftWideMemo") << QStringLiteral("") << int(TDbFieldType::ftWideMemo);
}

void TestDbQuery::nullTextBindsAsEmptyText() {
    QFETCH(QString, value);
    QFETCH(int, type);
    const QVariant stored =
        Conn->ExecSQLScalar("select typeof(:v) || '/' || length(:v)", {value}, {TDbFieldType(type)});
    QCOMPARE(stored.toString(), QStringLiteral("text/0"));
}

void TestDbQuery::colonsOutsideMarkersReachTheEngine() {
    const QVariant value =
        Conn->ExecSQLScalar("select 'A:B' || \":x\" || /* :c */ :v -- :d\n as r", {"!"}, {TDbFieldType::ftString});
    // "\":x\"" names no column, so SQLite reads it as the text literal ":x".
    QCOMPARE(value.toString(), QStringLiteral("A:B:x!"));
}

void TestDbQuery::parameterCountMismatch_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("values");
    QTest::newRow("too few") << "select :a, :b" << QStringList{"1"};
    QTest::newRow("too many") << "select :a, :a" << QStringList{"1", "2"};
}

void TestDbQuery::parameterCountMismatch() {
    QFETCH(QString, sql);
    QFETCH(QStringList, values);
    const QList<TDbFieldType> types(values.size(), TDbFieldType::ftString);
    QVERIFY_THROWS_EXCEPTION(EDbError, Conn->ExecSQL(sql, values, types));
    TDbParams params;
    params.AddParam(TDbFieldType::ftString, "a").Value = "1";
    QVERIFY_THROWS_EXCEPTION(EDbError, Conn->ExecSQL("select :a, :a", params));
}

void TestDbQuery::scalarCount() {
    const QVariant none =
        Conn->ExecSQLScalar("select count(*) from pessoa where id > :ID", {"10"}, {TDbFieldType::ftString});
    QCOMPARE(none.typeId(), QMetaType::LongLong);
    QCOMPARE(none.toLongLong(), 0);
    const QVariant all =
        Conn->ExecSQLScalar("select count(*) from pessoa where id > :ID", {"0"}, {TDbFieldType::ftString});
    QCOMPARE(all.toLongLong(), 3);
}

void TestDbQuery::scalarWithoutRow() {
    QVERIFY(!Conn->ExecSQLScalar("select nome from pessoa where id < 0", {}, {}).isValid());
    QVERIFY(!Conn->ExecSQLScalar("update pessoa set nome = nome where id < 0", {}, {}).isValid());
    QCOMPARE(Conn->ExecSQLScalar("select nome, id from pessoa order by id desc", {}, {}).toString(),
             QStringLiteral("Carla"));
}

void TestDbQuery::preparedStatementReusedUntilClose() {
    int prepares = 0;
    DbBackends::Register("CountingSQLite",
                         [&prepares] { return std::make_unique<CountingBackend>(CreateSQLiteBackend(), prepares); });
    TDbConnection counted;
    counted.Params = QStringList{"DriverID=CountingSQLite", "Database=" + Path()};
    Conn->Close();
    counted.Open();
    const QString count = "select count(*) from pessoa where id > :ID";
    QCOMPARE(counted.ExecSQLScalar(count, {"0"}, {TDbFieldType::ftString}).toInt(), 3);
    QCOMPARE(counted.ExecSQLScalar(count, {"1"}, {TDbFieldType::ftString}).toInt(), 2);
    QCOMPARE(prepares, 1);
    const QString update = "update pessoa set nome = nome where id = :ID";
    QCOMPARE(counted.ExecSQL(update, {"1"}, {TDbFieldType::ftString}), 1);
    QCOMPARE(counted.ExecSQL(update, {"2"}, {TDbFieldType::ftString}), 1);
    QCOMPARE(prepares, 2);
    QCOMPARE(counted.ExecSQLScalar(count, {"2"}, {TDbFieldType::ftString}).toInt(), 1);
    QCOMPARE(prepares, 3);
    // A row set always prepares its own statement.
    std::unique_ptr<TDbQuery> query;
    counted.ExecSQL(count, query);
    QCOMPARE(prepares, 4);
    counted.Close();
    counted.Open();
    QCOMPARE(counted.ExecSQLScalar(count, {"2"}, {TDbFieldType::ftString}).toInt(), 1);
    QCOMPARE(prepares, 5);
}

void TestDbQuery::engineErrorCarriesContext() {
    try {
        Conn->ExecSQL("insert into nao_existe values (:A, :B)", {"1", "dois"},
                      {TDbFieldType::ftString, TDbFieldType::ftString});
        QFAIL("no error");
    } catch (const EDbEngineError& error) {
        QCOMPARE(error.message(), QStringLiteral("[Strata][Phys][SQLite] ERROR: no such table: nao_existe"));
        QCOMPARE(error.ObjectName, QStringLiteral("sqlConexaoLocal"));
        QCOMPARE(error.CommandText, QStringLiteral("insert into nao_existe values (:A, :B)"));
        QCOMPARE(error.Params.size(), 2);
        QCOMPARE(error.Params[0], (QPair<QString, QString>("A", "1")));
        QCOMPARE(error.Params[1], (QPair<QString, QString>("B", "dois")));
    }
    QVERIFY(Conn->Connected());

    TDbQuery query(Conn.get());
    query.setObjectName("qryDocumentosEmitidos");
    try {
        query.Open("select * from tb_nfce");
        QFAIL("no error");
    } catch (const EDbEngineError& error) {
        QCOMPARE(error.ObjectName, QStringLiteral("qryDocumentosEmitidos"));
        QCOMPARE(error.CommandText, QStringLiteral("select * from tb_nfce"));
        QVERIFY(error.Params.isEmpty());
    }
}

void TestDbQuery::activityAroundStatementsOpensAndFetches() {
    CreateNumbers(200);
    Conn->Close();
    CountingListener listener;
    DbActivity::SetListener(&listener);

    Conn->Open();
    QCOMPARE(listener.Begins, 0);

    Conn->ExecSQL("update numeros set n = n where n = 1", QStringList(), {});
    QCOMPARE(listener.Begins, 1);
    QCOMPARE(listener.Ends, 1);

    TDbQuery query(Conn.get());
    query.Open("select n from numeros");
    QCOMPARE(listener.Begins, 2);
    QCOMPARE(listener.Ends, 2);

    QCOMPARE(query.FetchMore(10), 10);
    QCOMPARE(listener.Begins, 3);
    QCOMPARE(listener.Ends, 3);

    Conn->ExecSQLScalar("select count(*) from numeros", {}, {});
    QCOMPARE(listener.Begins, 4);
    QCOMPARE(listener.Ends, 4);

    // Walking rows already read asks nothing of the engine.
    query.First();
    query.Next();
    QCOMPARE(listener.Begins, 4);
    QVERIFY(!listener.Open);
}

void TestDbQuery::activityEndsWhenStatementFails() {
    CountingListener listener;
    DbActivity::SetListener(&listener);
    QVERIFY_THROWS_EXCEPTION(EDbEngineError, Conn->ExecSQL("select * from nao_existe", QStringList(), {}));
    TDbQuery query(Conn.get());
    QVERIFY_THROWS_EXCEPTION(EDbEngineError, query.Open("select * from nao_existe"));
    QCOMPARE(listener.Begins, 2);
    QCOMPARE(listener.Ends, 2);
    QVERIFY(!listener.Open);
}

void TestDbQuery::valuesOutliveTheRowSet() {
    // Rows whose values fill more than one block of the row set's storage, read twice in opposite orders: the values
    // kept from the first opening must survive its close and the second opening, which reuses free storage.
    Conn->ExecSQL("create table doc (id varchar(10), xml blob)", QStringList(), {});
    Conn->ExecSQL("with recursive s(n) as (select 1 union all select n + 1 from s where n < 40) "
                  "insert into doc select 'ID' || n, zeroblob(100000) || cast('fim ' || n as blob) from s",
                  QStringList(), {});
    const auto expectedXml = [](int AN) { return QByteArray(100000, '\0') + "fim " + QByteArray::number(AN); };
    QList<QVariant> xmls;
    QStringList ids;
    QList<QByteArray> bytes;
    QString name;
    {
        std::unique_ptr<TDbQuery> query;
        Conn->ExecSQL("select id, xml from doc order by rowid", query);
        for (; !query->Eof(); query->Next()) {
            xmls.append(query->FieldByIndex(1).AsVariant());
            bytes.append(query->FieldByName("XML").AsBytes());
            ids.append(query->ValueAt(query->RecNo(), 0).toString());
        }
        name = query->FieldByIndex(1).FieldName();
        query->Close();
        std::unique_ptr<TDbQuery> reversed;
        Conn->ExecSQL("select id, xml from doc order by rowid desc", reversed);
        reversed->MoveTo(39);
        QCOMPARE(reversed->FieldByIndex(0).AsString(), QStringLiteral("ID1"));
        QCOMPARE(reversed->FieldByIndex(1).AsBytes(), expectedXml(1));
    }
    Conn->Close();
    QCOMPARE(name, QStringLiteral("xml"));
    QCOMPARE(xmls.size(), 40);
    for (int n = 1; n <= 40; ++n) {
        QCOMPARE(ids[n - 1], QStringLiteral("ID%1").arg(n));
        QCOMPARE(xmls[n - 1].toByteArray(), expectedXml(n));
        QCOMPARE(bytes[n - 1], expectedXml(n));
    }
}

QTEST_GUILESS_MAIN(TestDbQuery)
#include "tst_dbquery.moc"
