// The retail statements, as the program sends them (CR LF lines, "?" markers), through FreeTDS to the stand-in.
#include "OdbcClient.h"
#include "StandIn.h"

#include <QSet>
#include <QtTest>

#include <memory>

namespace {

QString crlf(const QStringList& lines) {
    return lines.join(QStringLiteral("\r\n"));
}

const QString PendingReferences = crlf({
    "select",
    "  piece.GP_REFINTERNE",
    "from",
    "  piece",
    "where",
    "  1=1",
    "  and piece.GP_NATUREPIECEG = 'FFO'",
    "  and piece.GP_TYPECOMPTA = 'TIC'",
    "  and not exists (",
    "    select",
    "      top 1 1",
    "    from",
    "      MPIECEOLE",
    "    where",
    "      1=1",
    "      and mpieceole.MBP_SOUCHE = piece.GP_SOUCHE",
    "      and mpieceole.MBP_NUMERO = piece.GP_NUMERO",
    "  )",
    "  and exists (",
    "    select",
    "      top 1 1",
    "    from",
    "      LIGNE",
    "    where",
    "      1=1",
    "      and LIGNE.GL_ETABLISSEMENT = piece.GP_ETABLISSEMENT",
    "      and LIGNE.gl_souche = piece.gp_souche",
    "      and LIGNE.gl_numero = piece.gp_numero",
    "      and GL_QTERESTE > 0",
    "  )",
});

const QString InsertNote = crlf({
    "INSERT INTO MPIECEOLE (",
    "  MBP_NUMERO,",
    "  MBP_NATUREPIECEG,",
    "  MBP_SOUCHE,",
    "  MBP_INDICEG,",
    "  MBP_QUALIFIANTOLE,",
    "  MBP_BLOCNOTE",
    ")",
    "select",
    "  piece.GP_NUMERO,",
    "  piece.GP_NATUREPIECEG,",
    "  piece.GP_SOUCHE,",
    "  piece.GP_INDICEG,",
    "  ?,",
    "  ?",
    "from",
    "  piece",
    "where piece.GP_REFINTERNE = ? and not exists (select mbp_numero from mpieceole where "
    "mbp_souche=piece.gp_souche and mbp_numero=piece.gp_numero)",
});

const QString InsertZReduction = crlf({
    "INSERT INTO MJOURSCAISSEOLE (",
    "  MBJ_CAISSE, MBJ_QUALIFIANTOLE, MBJ_NUMZCAISSE, MBJ_BLOCNOTE",
    ") VALUES (",
    "  ?,",
    "  ?,",
    "  (",
    "    select coalesce(max(MBJ_NUMZCAISSE), 9000000) + 1",
    "    from MJOURSCAISSEOLE",
    "    where MBJ_CAISSE = ? and MBJ_NUMZCAISSE > 9000000",
    "  ),",
    "  ?);",
});

const QString CountZReductions = crlf({
    "SELECT",
    "  count(*)",
    "FROM",
    "  MJOURSCAISSEOLE",
    "  cross apply (select cast(MBJ_BLOCNOTE as xml)) as REDUCAOZ(XML_FIELD)",
    "where",
    "  1=1",
    "  and MBJ_CAISSE = ?",
    "  and MBJ_QUALIFIANTOLE = 'PRZ'",
    "  and REDUCAOZ.XML_FIELD.value('(/reducaoZ/dt_movimento)[1]', 'nvarchar(10)') = ?",
});

OdbcParam ansi(const QString& v) {
    return {v, SQL_VARCHAR, 0};
}

OdbcParam wideMemo(const QString& v) {
    return {v, SQL_WLONGVARCHAR, SQLULEN(qMax<qsizetype>(v.size(), 1))};
}

QString zXml(const QString& day) {
    return QStringLiteral("<?xml version=\"1.0\"?><reducaoZ><loja>1</loja><dt_movimento>%1</dt_movimento></reducaoZ>")
        .arg(day);
}

} // namespace

class TstStandInStatements : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void pendingReferences();
    void insertNoteFromDocument_data();
    void insertNoteFromDocument();
    void zReductionNumbering_data();
    void zReductionNumbering();
    void zReductionCount_data();
    void zReductionCount();
    void zReductionUnreadableXml_data();
    void zReductionUnreadableXml();
    void storeCount_data();
    void storeCount();

private:
    void addPiece(const QString& ref, const QString& nature, const QString& type, const QString& souche, int numero,
                  const QString& store = QStringLiteral("001"));
    void addLine(const QString& store, const QString& souche, int numero, int line, double remaining);

    std::unique_ptr<StandIn> Server;
    std::unique_ptr<OdbcClient> Client;
};

void TstStandInStatements::initTestCase() {
    Server = std::make_unique<StandIn>();
}

void TstStandInStatements::init() {
    Server->exec(QStringLiteral("delete from MPIECEOLE; delete from LIGNE; delete from piece; "
                                "delete from ETABLISS; delete from MJOURSCAISSEOLE"));
    Client = std::make_unique<OdbcClient>();
    Client->connect(Server->connectionString());
}

void TstStandInStatements::addPiece(const QString& ref, const QString& nature, const QString& type,
                                    const QString& souche, int numero, const QString& store) {
    Server->exec(QStringLiteral("insert into piece (GP_REFINTERNE, GP_NATUREPIECEG, GP_TYPECOMPTA, GP_SOUCHE, "
                                "GP_NUMERO, GP_INDICEG, GP_ETABLISSEMENT) values (@P1, @P2, @P3, @P4, @P5, 0, @P6)"),
                 {ref, nature, type, souche, numero, store});
}

void TstStandInStatements::addLine(const QString& store, const QString& souche, int numero, int line,
                                   double remaining) {
    Server->exec(QStringLiteral("insert into LIGNE values (@P1, @P2, @P3, @P4, @P5)"),
                 {store, souche, numero, line, remaining});
}

void TstStandInStatements::pendingReferences() {
    addPiece("A1", "FFO", "TIC", "S1", 1); // pending
    addLine("001", "S1", 1, 1, 2);
    addPiece("B'2", "FFO", "tic", "s1", 2); // pending: text compares without regard to case
    addLine("001", "S1", 2, 1, 0);
    addLine("001", "S1", 2, 2, 0.5);
    addPiece("C3", "FFO", "TIC", "S1", 3); // has a note of another qualifier
    addLine("001", "S1", 3, 1, 1);
    Server->exec(QStringLiteral("insert into MPIECEOLE values ('ABC', 'S1', 3, 9, 'ZZZ', null)"));
    addPiece("D4", "FFO", "TIC", "S1", 4); // nothing left on its lines
    addLine("001", "S1", 4, 1, 0);
    addPiece("E5", "FFO", "TIC", "S1", 5); // lines of another store only
    addLine("002", "S1", 5, 1, 3);
    addPiece("F6", "BLC", "TIC", "S1", 6); // another nature
    addLine("001", "S1", 6, 1, 3);
    addPiece("G7", "FFO", "TIC", "S2", 1); // another souche than the note of S1/1
    addLine("001", "S2", 1, 1, 1);
    Server->exec(QStringLiteral("insert into MPIECEOLE values ('FFO', 'S3', 1, 0, 'PRR', null)"));

    const OdbcResult r = Client->execute(PendingReferences);
    QCOMPARE(r.columns, QStringList{"GP_REFINTERNE"});
    QSet<QString> refs;
    for (const QVariantList& row : r.rows)
        refs.insert(row.value(0).toString());
    QCOMPARE(refs, QSet<QString>({"A1", "B'2", "G7"}));
    QCOMPARE(r.rows.size(), 3);
}

void TstStandInStatements::insertNoteFromDocument_data() {
    QTest::addColumn<bool>("prepared");
    QTest::newRow("direct") << false;
    QTest::newRow("prepared") << true;
}

void TstStandInStatements::insertNoteFromDocument() {
    QFETCH(bool, prepared);
    addPiece("REF-1", "FFO", "TIC", "S1", 10);
    addPiece("REF-1", "FFO", "TIC", "S2", 11); // same reference: both get a note
    addPiece("REF-2", "FFO", "TIC", "S1", 12);
    const QString xml = QStringLiteral("<nfeProc><xNome>Açaí – café 😀 中文</xNome></nfeProc>");

    const auto run = [&](const QString& ref) {
        return Client->execute(InsertNote, {ansi("PRR"), wideMemo(xml), ansi(ref)}, prepared).rowCount;
    };
    QCOMPARE(run("REF-1"), SQLLEN(2));
    QCOMPARE(run("REF-1"), SQLLEN(0)); // already noted: nothing, no error
    QCOMPARE(run("NOPE"), SQLLEN(0));

    const QList<QVariantList> rows = Server->query(
        QStringLiteral("select MBP_NUMERO, MBP_NATUREPIECEG, MBP_SOUCHE, MBP_INDICEG, MBP_QUALIFIANTOLE, MBP_BLOCNOTE "
                       "from MPIECEOLE order by MBP_NUMERO"));
    const QList<QVariantList> expected{{10, "FFO", "S1", 0, "PRR", xml}, {11, "FFO", "S2", 0, "PRR", xml}};
    QCOMPARE(rows, expected);
}

void TstStandInStatements::zReductionNumbering_data() {
    QTest::addColumn<QList<int>>("existing");
    QTest::addColumn<int>("expected");
    QTest::newRow("no rows") << QList<int>{} << 9000001;
    QTest::newRow("only low numbers") << QList<int>{17, 9000000} << 9000001;
    QTest::newRow("above the base") << QList<int>{9000001, 9000005} << 9000006;
}

void TstStandInStatements::zReductionNumbering() {
    QFETCH(QList<int>, existing);
    QFETCH(int, expected);
    for (int n : existing)
        Server->exec(QStringLiteral("insert into MJOURSCAISSEOLE values ('001', 'PRZ', @P1, 'x')"), {n});
    Server->exec(QStringLiteral("insert into MJOURSCAISSEOLE values ('002', 'PRZ', 9000050, 'other store')"));

    const QString xml = zXml(QStringLiteral("25/04/2016"));
    const OdbcResult r = Client->execute(InsertZReduction, {ansi("001"), ansi("PRZ"), ansi("001"), ansi(xml)});
    QCOMPARE(r.rowCount, SQLLEN(1));
    QCOMPARE(Server->scalar(QStringLiteral("select max(MBJ_NUMZCAISSE) from MJOURSCAISSEOLE where MBJ_CAISSE = "
                                           "'001'")),
             QVariant(qlonglong(expected)));
    QCOMPARE(Server->scalar(QStringLiteral("select MBJ_BLOCNOTE from MJOURSCAISSEOLE where MBJ_NUMZCAISSE = @P1"),
                            {expected}),
             QVariant(xml));
}

void TstStandInStatements::zReductionCount_data() {
    QTest::addColumn<QString>("store");
    QTest::addColumn<QString>("day");
    QTest::addColumn<qlonglong>("count");
    QTest::newRow("stored day") << "001"
                                << "25/04/2016" << 1LL;
    QTest::newRow("store in another case, trailing blank") << "abc "
                                                           << "01/05/2016" << 1LL;
    QTest::newRow("other day") << "001"
                               << "26/04/2016" << 0LL;
    QTest::newRow("same day, other form") << "001"
                                          << "2016-04-25" << 0LL;
    QTest::newRow("other store") << "002"
                                 << "25/04/2016" << 0LL;
    QTest::newRow("qualifier not PRZ") << "003"
                                       << "25/04/2016" << 0LL;
}

void TstStandInStatements::zReductionCount() {
    QFETCH(QString, store);
    QFETCH(QString, day);
    QFETCH(qlonglong, count);
    Server->exec(QStringLiteral("insert into MJOURSCAISSEOLE values ('001', 'PRZ', 9000001, @P1); "
                                "insert into MJOURSCAISSEOLE values ('ABC', 'PRZ', 9000001, @P2); "
                                "insert into MJOURSCAISSEOLE values ('003', 'PRR', 9000001, @P1); "
                                "insert into MJOURSCAISSEOLE values ('001', 'PRZ', 9000002, @P3)"),
                 {zXml("25/04/2016"), zXml("01/05/2016"), "<reducaoZ><outro>25/04/2016</outro></reducaoZ>"});
    const OdbcResult r = Client->execute(CountZReductions, {ansi(store), ansi(day)}, true);
    QCOMPARE(r.rows, QList<QVariantList>{{count}});
}

void TstStandInStatements::zReductionUnreadableXml_data() {
    QTest::addColumn<QString>("note");
    QTest::addColumn<int>("native");
    QTest::addColumn<QString>("message");
    QTest::newRow("malformed") << "<reducaoZ><dt" << 9400 << "XML parsing: line 1, character ";
    // The note column holds Unicode text, which the server cannot read as the UTF-8 its declaration names.
    QTest::newRow("UTF-8 declaration")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?><reducaoZ><dt_movimento>25/04/2016</dt_movimento></reducaoZ>"
        << 9402 << "XML parsing: line 1, character 38, unable to switch the encoding";
}

void TstStandInStatements::zReductionUnreadableXml() {
    QFETCH(QString, note);
    QFETCH(int, native);
    QFETCH(QString, message);
    Server->exec(QStringLiteral("insert into MJOURSCAISSEOLE values ('001', 'PRZ', 9000001, @P1)"), {note});
    try {
        Client->execute(CountZReductions, {ansi("001"), ansi("25/04/2016")});
        QFAIL("the note was read as XML");
    } catch (const OdbcError& e) {
        QCOMPARE(e.first().native, native);
        QVERIFY2(e.first().message.startsWith(QStringLiteral("[FreeTDS][SQL Server]") + message), e.what());
    }
}

void TstStandInStatements::storeCount_data() {
    QTest::addColumn<QString>("store");
    QTest::addColumn<qlonglong>("count");
    QTest::newRow("existing") << "001" << 1LL;
    QTest::newRow("other case") << "lj2" << 1LL;
    QTest::newRow("missing") << "999" << 0LL;
}

void TstStandInStatements::storeCount() {
    QFETCH(QString, store);
    QFETCH(qlonglong, count);
    Server->exec(QStringLiteral("insert into ETABLISS values ('001', 'Um'); insert into ETABLISS values ('LJ2', "
                                "'Dois')"));
    const OdbcResult r = Client->execute(
        QStringLiteral("select count(ET_ETABLISSEMENT) from ETABLISS where ET_ETABLISSEMENT = ?"), {ansi(store)});
    QCOMPARE(r.rows, QList<QVariantList>{{count}});
}

QTEST_GUILESS_MAIN(TstStandInStatements)
#include "tst_standinstatements.moc"
