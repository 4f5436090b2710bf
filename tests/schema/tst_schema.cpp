#include <memory>

#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

#include "../support/TestDb.h"
#include "data/Connection.h"
#include "data/Schema.h"
#include "data/SqlDialect.h"
#include "data/procedures/Procedures.h"
#include "tools/DbAdmin.h"

namespace {

struct AdminRun
{
    int status = -1;
    QString out;
    QString err;
};

AdminRun admin(const QStringList& args)
{
    AdminRun r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.status = DbAdmin::run(args, out, err);
    out.flush();
    err.flush();
    return r;
}

QStringList columnsOf(Connection& con, const QString& relation)
{
    QSqlQuery q = TestDb::exec(con, QStringLiteral("SELECT * FROM %1 WHERE 0=1").arg(relation));
    QStringList names;
    for (int i = 0; i < q.record().count(); ++i)
        names << q.record().fieldName(i).toLower();
    return names;
}

QStringList lower(const QStringList& list)
{
    QStringList out;
    for (const QString& s : list)
        out << s.toLower();
    return out;
}

/// A database of the first version, with rows in every table that version had.
bool makeVersionOne(const TestDb& db, Connection& con)
{
    const QString file =
        QStringLiteral(HEYU_SCHEMA_FIXTURES) + (db.settings().backend == Backend::Sqlite
                                                    ? QStringLiteral("/v1_sqlite.sql")
                                                    : QStringLiteral("/v1_postgres.sql"));
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QString script = QString::fromUtf8(f.readAll());
    TransactionGuard tx(con);
    if (!tx.begin())
        return false;
    QSqlQuery q(con.database());
    for (QString statement : script.split(QStringLiteral(";\n"))) {
        statement.remove(QRegularExpression(QStringLiteral("^--[^\n]*\n")));
        if (statement.trimmed().isEmpty())
            continue;
        if (!q.exec(statement)) {
            qWarning("%s: %s", qPrintable(statement), qPrintable(q.lastError().text()));
            return false;
        }
    }
    const QStringList rows = {
        QStringLiteral("INSERT INTO Vendor (VNo, VName, Alliance) VALUES ('C0', '禾嶼', 1), ('C1', "
                       "'台中', 1), ('V1', '青禾', 0)"),
        QStringLiteral(
            "INSERT INTO Clases (ClsNo, ClsENm, ClsCNm) VALUES ('LIT', 'Literature', '文學')"),
        QStringLiteral("INSERT INTO Customer (CustNo, CustName, VIPNo, DiscA) VALUES ('A1', "
                       "'晨光書店', '886001', 0.7), ('A2', '綠野', '', 1)"),
        QStringLiteral("INSERT INTO CustClsNo (CustNo, ClsNo) VALUES ('A1', 'LIT')"),
        QStringLiteral("INSERT INTO Book (BookNo, BookName, VNo, ClsNo, NTPrice, StockC0, "
                       "SStockC0, LocC0, StockC1) VALUES "
                       "('B1', '島嶼的風', 'V1', 'LIT', 2274.43, 12, 3, 'A-01', 4), ('B2', '海岸', "
                       "'V1', NULL, 10, 0, 0, NULL, 9)"),
        QStringLiteral("INSERT INTO Forwarder (FNo, FName) VALUES ('F1', 'Agent')"),
        QStringLiteral("INSERT INTO ExRate (ORI_CR, rate) VALUES ('US', 31.5)"),
        QStringLiteral("INSERT INTO UserPass (UsCode, UsName, SArea, UsPriv, UsHash) VALUES "
                       "('ADMIN', '陳', 'C0', '1FFFFF7777771727', 'h')"),
        QStringLiteral(
            "INSERT INTO LogRec (OPDTime, OPUserC, OPItem, OPKind, OPRemark, SArea) VALUES "
            "('2026-01-02 10:00:00', 'ADMIN', '書籍檔管理作業', '新增', 'B1/島嶼的風', 'C0'), "
            "('2026-01-02 10:05:00', 'ADMIN', '書籍檔管理作業', '更新', 'B2/海岸', 'C0')"),
        QStringLiteral("INSERT INTO BRStock (BookNo, SArea, EDate, Qty, UsCode, BRReason) VALUES "
                       "('B1', 'C0', '2026-01-03 00:00:00', 2, 'ADMIN', '盤點')"),
    };
    for (const QString& sql : rows) {
        if (!q.exec(sql)) {
            qWarning("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
            return false;
        }
    }
    return tx.commit();
}

const QStringList VersionOneTables = {QStringLiteral("Customer"),  QStringLiteral("CustClsNo"),
                                      QStringLiteral("Vendor"),    QStringLiteral("Book"),
                                      QStringLiteral("Forwarder"), QStringLiteral("Clases"),
                                      QStringLiteral("ExRate"),    QStringLiteral("UserPass"),
                                      QStringLiteral("LogRec"),    QStringLiteral("BRStock")};

} // namespace

class TestSchema : public QObject
{
    Q_OBJECT

private slots:
    void initCreatesEverything_data() { TestDb::addBackendRows(); }
    void initCreatesEverything();
    void decimalRound_data();
    void decimalRound();
    void storedDateTime_data();
    void storedDateTime();
    void totals_data() { TestDb::addBackendRows(); }
    void totals();
    void refusedValues_data() { TestDb::addBackendRows(); }
    void refusedValues();
    void references_data() { TestDb::addBackendRows(); }
    void references();
    void outstandingViews_data() { TestDb::addBackendRows(); }
    void outstandingViews();
    void reconciliationViews_data() { TestDb::addBackendRows(); }
    void reconciliationViews();
    void addBranch_data() { TestDb::addBackendRows(); }
    void addBranch();
    void upgrade_data() { TestDb::addBackendRows(); }
    void upgrade();
    void upgradeRefusedKeepsDatabase_data() { TestDb::addBackendRows(); }
    void upgradeRefusedKeepsDatabase();
};

void TestSchema::initCreatesEverything()
{
    QFETCH(Backend, backend);
    std::unique_ptr<TestDb> db = TestDb::create(backend);
    QVERIFY(db);
    const AdminRun r = admin(QStringList{QStringLiteral("init")} << db->heyuDbTarget());
    QVERIFY2(r.status == 0, qPrintable(r.err));
    std::unique_ptr<Connection> con = db->connect(QStringLiteral("schema"));
    QCOMPARE(Schema::storedVersion(*con), Schema::version());

    const QStringList relations = lower(con->database().tables(QSql::AllTables));
    for (const TableDef& t : Schema::tables()) {
        QVERIFY2(relations.contains(t.name.toLower()), qPrintable(t.name));
        QStringList expected;
        for (const ColumnDef& c : t.columns)
            expected << c.name.toLower();
        if (t.name == QLatin1String("Book")) {
            for (const ColumnDef& c : Schema::branchBookColumns(QStringLiteral("C0")))
                expected << c.name.toLower();
        }
        QCOMPARE(columnsOf(*con, t.name), expected);
    }
    const QMap<QString, QStringList> viewColumns = {
        {QStringLiteral("SumQuoteDetail"), {"sarea", "pno", "sumqty", "sumprice"}},
        {QStringLiteral("SumExpDetail"), {"sarea", "pno", "sumqty", "sumprice"}},
        {QStringLiteral("OrdYetExp"),
         {"pno", "sarea", "custno", "custname", "edate", "bookno", "sumqty", "surqty"}},
        {QStringLiteral("BuyYetImp"),
         {"pno", "sarea", "vno", "vname", "edate", "bookno", "sumqty", "surqty", "predate"}},
        {QStringLiteral("BuyYetImpCust"),
         {"pno", "sarea", "vno", "vname", "edate", "bookno", "sumqty", "surqty", "predate",
          "custno"}},
        {QStringLiteral("ImpComView"),
         {"sarea", "ukind", "pno", "edate", "ano", "aname", "atel", "aadd", "sumqty", "ntprice",
          "ori_cr"}},
        {QStringLiteral("ExpComView"),
         {"sarea", "ukind", "pno", "edate", "ano", "aname", "atel", "aadd", "sumqty", "ntprice",
          "ori_cr"}},
        {QStringLiteral("BuyComView"),
         {"sarea", "ukind", "pno", "edate", "ano", "aname", "atel", "aadd", "carea", "sumqty",
          "ntprice", "ori_cr"}},
        {QStringLiteral("ImpComView2"),
         {"sarea", "ukind", "pno", "edate", "invoice", "ano", "aname", "atel", "aadd", "ori_cr",
          "sumqty", "ntprice", "sumprice"}},
        {QStringLiteral("ImpORIComView"), {"sarea", "ukind", "pno", "ano", "ori_cr", "sumprice"}},
        {QStringLiteral("ExpORIComView"), {"sarea", "ukind", "pno", "ano", "ori_cr", "sumprice"}},
        {QStringLiteral("BuyORIComView"), {"sarea", "ukind", "pno", "ano", "ori_cr", "sumprice"}},
    };
    QCOMPARE(Schema::views().size(), viewColumns.size());
    for (auto it = viewColumns.begin(); it != viewColumns.end(); ++it)
        QCOMPARE(columnsOf(*con, it.key()), it.value());

    // A second init refuses to touch the database.
    QCOMPARE(admin(QStringList{QStringLiteral("init")} << db->heyuDbTarget()).status, 1);
    QCOMPARE(Schema::storedVersion(*con), Schema::version());
}

void TestSchema::decimalRound_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("digits");
    QTest::addColumn<double>("expected");
    QTest::newRow("unsum_2274.43_rate_50") << 2274.43 * 50 << 0 << 113722.0;
    QTest::newRow("unsum_12.34_rate_30.5") << 12.34 * 30.5 << 0 << 376.0;
    QTest::newRow("binary_just_below_half") << 1.15 * 10 << 0 << 12.0;
    QTest::newRow("negative_half_away_from_zero") << -2274.43 * 50 << 0 << -113722.0;
    QTest::newRow("cents_1.005") << 1.005 << 2 << 1.01;
    QTest::newRow("cents_carry_999.995") << 999.995 << 2 << 1000.0;
    QTest::newRow("below_half") << 0.49 << 0 << 0.0;
    QTest::newRow("tiny") << 0.0004 << 0 << 0.0;
    QTest::newRow("tens") << 1250.0 << -2 << 1300.0;
    QTest::newRow("already_whole") << 726.0 << 0 << 726.0;
}

void TestSchema::decimalRound()
{
    QFETCH(double, value);
    QFETCH(int, digits);
    QFETCH(double, expected);
    QCOMPARE(SqlDialect::decimalRound(value, digits), expected);
}

void TestSchema::storedDateTime_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QDateTime>("expected");
    const QDateTime noon(QDate(2024, 2, 29), QTime(12, 5, 9));
    QTest::newRow("sqlite_text") << QVariant(QStringLiteral("2024-02-29 12:05:09")) << noon;
    QTest::newRow("iso_text") << QVariant(QStringLiteral("2024-02-29T12:05:09")) << noon;
    QTest::newRow("server_timestamp") << QVariant(noon) << noon;
    QTest::newRow("day_only") << QVariant(QDate(2024, 2, 29)) << QDate(2024, 2, 29).startOfDay();
    QTest::newRow("no_such_day") << QVariant(QStringLiteral("2023-02-29 12:05:09")) << QDateTime();
    QTest::newRow("no_such_hour") << QVariant(QStringLiteral("2024-02-29 24:05:09")) << QDateTime();
    QTest::newRow("day_text") << QVariant(QStringLiteral("2024-02-29"))
                              << QDate(2024, 2, 29).startOfDay();
    QTest::newRow("letters_in_the_year")
        << QVariant(QStringLiteral("abcd-02-29 12:05:09")) << QDateTime();
    QTest::newRow("letters_in_place_of_digits")
        << QVariant(QStringLiteral("2024-0a-29 12:05:09")) << QDateTime();
    QTest::newRow("null") << QVariant(QMetaType(QMetaType::QString)) << QDateTime();
}

void TestSchema::storedDateTime()
{
    QFETCH(QVariant, stored);
    QFETCH(QDateTime, expected);
    const QDateTime read = SqlDialect::toDateTime(stored);
    QCOMPARE(read.isValid(), expected.isValid());
    if (expected.isValid())
        QCOMPARE(read, expected);
    QCOMPARE(SqlDialect::toDate(stored), expected.date());
}

void TestSchema::totals()
{
    QFETCH(Backend, backend);
    std::unique_ptr<TestDb> db = TestDb::create(backend);
    QVERIFY(db);
    QVERIFY(db->createSchema());
    std::unique_ptr<Connection> con = db->connect(QStringLiteral("schema"));
    QVERIFY(TestDb::exec(*con, QStringLiteral("INSERT INTO Vendor (VNo, VName) VALUES ('V1', 'S')"))
                .isActive());
    QVERIFY(TestDb::exec(
                *con,
                QStringLiteral("INSERT INTO Book (BookNo, VNo) VALUES ('B1', 'V1'), ('B2', 'V1')"))
                .isActive());

    struct Case
    {
        const char* name;
        QList<std::pair<double, double>> lines; ///< UnSum, rate
        qint64 sumPrice;
    };
    const QList<Case> cases = {
        {"receipt_of_three_lines", {{12.34, 30.5}, {100, 1}, {250, 1}}, 726},
        {"unsum_2274.43_at_rate_50", {{2274.43, 50}}, 113722},
        {"binary_just_below_half", {{1.15, 10}, {1.15, 10}}, 24},
        {"return_amounts", {{-2274.43, 50}, {100.5, 1}}, -113722 + 101},
    };
    int pno = 0;
    for (const Case& c : cases) {
        ++pno;
        for (const QString& head :
             {QStringLiteral("ImportM"), QStringLiteral("Quote"), QStringLiteral("ExportM")})
            QVERIFY(TestDb::exec(
                        *con,
                        QStringLiteral("INSERT INTO %1 (SArea, PNo) VALUES ('C0', ?)").arg(head),
                        {pno})
                        .isActive());
        int qty = 0;
        for (const auto& [unSum, rate] : c.lines) {
            ++qty;
            for (const QString& lines : {QStringLiteral("ImpDetail"), QStringLiteral("QuoteDetail"),
                                         QStringLiteral("ExpDetail")}) {
                QSqlQuery q = TestDb::exec(
                    *con,
                    QStringLiteral("INSERT INTO %1 (SArea, PNo, BookNo, Price, Qty, Disc, "
                                   "ORI_CR, rate, UnSum, ETime) "
                                   "VALUES ('C0', ?, 'B1', ?, 1, 1, 'X', ?, ?, '10:00:00')")
                        .arg(lines),
                    {pno, unSum, rate, unSum});
                QVERIFY2(q.isActive(), c.name);
            }
        }
        const QString totalQuery = QStringLiteral(
            "Select SArea,PNo,SUM(qty) AS SumQty, SUM(Round(UnSum*rate,0)) AS SumPrice\r\n"
            "from ImpDetail\r\nwhere SArea=? and PNO=?\r\nGroup by SArea,PNo\r\n");
        for (const QString& sql :
             {totalQuery, QStringLiteral("select * from SumQuoteDetail\r\nwhere SArea=? and PNo=?"),
              QStringLiteral("Select * from SumExpDetail\r\nwhere SArea=? and PNO=?")}) {
            QSqlQuery q = TestDb::exec(*con, sql, {QStringLiteral("C0"), pno});
            QVERIFY2(q.next(), c.name);
            QCOMPARE(q.value(QStringLiteral("SumQty")).toInt(), qty);
            QVERIFY2(qRound64(q.value(QStringLiteral("SumPrice")).toDouble()) == c.sumPrice,
                     qPrintable(QStringLiteral("%1: %2").arg(
                         QLatin1String(c.name), q.value(QStringLiteral("SumPrice")).toString())));
        }
    }
    // A document without lines has no total row.
    QVERIFY(TestDb::exec(*con, QStringLiteral("INSERT INTO Quote (SArea, PNo) VALUES ('C0', 99)"))
                .isActive());
    QVERIFY(!TestDb::exec(
                 *con, QStringLiteral("select * from SumQuoteDetail where SArea='C0' and PNo=99"))
                 .next());
}

void TestSchema::refusedValues()
{
    QFETCH(Backend, backend);
    std::unique_ptr<TestDb> db = TestDb::create(backend);
    QVERIFY(db);
    QString error;
    QVERIFY2(db->loadDemo(&error), qPrintable(error));
    std::unique_ptr<Connection> con = db->connect(QStringLiteral("schema"));
    const QVariant day = SqlDialect::dateValue(backend, QDate(2026, 11, 21));

    struct Case
    {
        const char* name;
        QString table;
        QString sql;
        QVariantList values;
        bool duplicate;
    };
    const QString line = QStringLiteral(
        "INSERT INTO OrdDetail (SArea, PNo, BookNo, Qty, Disc) VALUES ('C0', 1, ?, 1, ?)");
    const QList<Case> cases = {
        {"text_too_long",
         "Customer",
         "INSERT INTO Customer (CustNo, CustName) VALUES ('Z1', ?)",
         {QString(71, QChar(u'名'))},
         false},
        {"key_too_long",
         "Customer",
         "INSERT INTO Customer (CustNo) VALUES ('ABCDEFGHIJK')",
         {},
         false},
        {"missing_key", "Customer", "INSERT INTO Customer (CustName) VALUES ('nobody')", {}, false},
        {"empty_key", "Customer", "INSERT INTO Customer (CustNo) VALUES ('')", {}, false},
        {"price_not_a_number",
         "Book",
         "INSERT INTO Book (BookNo, NTPrice) VALUES ('Z1', ?)",
         {QStringLiteral("abc")},
         false},
        {"year_not_a_number",
         "Book",
         "INSERT INTO Book (BookNo, PubYear) VALUES ('Z1', ?)",
         {QStringLiteral("x")},
         false},
        {"price_too_large",
         "Book",
         "INSERT INTO Book (BookNo, NTPrice) VALUES ('Z1', ?)",
         {1000000},
         false},
        {"date_not_a_date",
         "Customer",
         "INSERT INTO Customer (CustNo, MDate) VALUES ('Z1', ?)",
         {QStringLiteral("someday")},
         false},
        {"unknown_customer",
         "OrderM",
         "INSERT INTO OrderM (SArea, PNo, CustNo) VALUES ('C0', 900, 'NOBODY')",
         {},
         false},
        {"unknown_book", "OrdDetail", line, {QStringLiteral("NOBOOK"), 1}, false},
        {"discount_above_one", "OrdDetail", line, {QStringLiteral("HY0001"), 1.5}, false},
        {"duplicate_customer",
         "Customer",
         "INSERT INTO Customer (CustNo) VALUES ('A0001')",
         {},
         true},
        {"duplicate_vip_card",
         "Customer",
         "INSERT INTO Customer (CustNo, VIPNo) VALUES ('Z1', '8860000000017')",
         {},
         true},
        {"duplicate_document",
         "Quote",
         "INSERT INTO Quote (SArea, PNo) VALUES ('C0', 1)",
         {},
         true},
        {"duplicate_counter_day",
         "CounterM",
         "INSERT INTO CounterM (SArea, PNo, EDate) VALUES ('C0', 77, ?)",
         {day},
         true},
        {"duplicate_class_link",
         "CustClsNo",
         "INSERT INTO CustClsNo (CustNo, ClsNo) VALUES ('A0002', 'LIT')",
         {},
         true},
        {"duplicate_user_other_case",
         "UserPass",
         "INSERT INTO UserPass (UsCode) VALUES ('admin')",
         {},
         true},
    };
    for (const Case& c : cases) {
        const int before =
            TestDb::scalar(*con, QStringLiteral("SELECT COUNT(*) FROM %1").arg(c.table)).toInt();
        TransactionGuard tx(*con);
        QVERIFY(tx.begin());
        QSqlQuery q(con->database());
        QVERIFY(q.prepare(c.sql));
        for (const QVariant& v : c.values)
            q.addBindValue(v);
        QVERIFY2(!q.exec(), c.name);
        const DbError e = DbError::from(q.lastError());
        QVERIFY2(e.isDuplicate() == c.duplicate,
                 qPrintable(
                     QStringLiteral("%1: %2 %3").arg(QLatin1String(c.name), e.nativeCode, e.text)));
        QVERIFY2(!e.nativeCode.isEmpty() && !e.text.isEmpty(), c.name);
        tx.rollback();
        QVERIFY2(
            TestDb::scalar(*con, QStringLiteral("SELECT COUNT(*) FROM %1").arg(c.table)).toInt() ==
                before,
            c.name);
    }
}

void TestSchema::references()
{
    QFETCH(Backend, backend);
    std::unique_ptr<TestDb> db = TestDb::create(backend);
    QVERIFY(db);
    QString error;
    QVERIFY2(db->loadDemo(&error), qPrintable(error));
    std::unique_ptr<Connection> con = db->connect(QStringLiteral("schema"));
    const auto count = [&](const QString& sql) { return TestDb::scalar(*con, sql).toInt(); };
    const auto change = [&](const QString& sql) {
        TransactionGuard tx(*con);
        if (!tx.begin())
            return false;
        QSqlQuery q(con->database());
        return q.exec(sql) && tx.commit();
    };

    // A change of number follows into every row that names it.
    const int orders = count(QStringLiteral("SELECT COUNT(*) FROM OrderM WHERE CustNo = 'A0002'"));
    const int links =
        count(QStringLiteral("SELECT COUNT(*) FROM CustClsNo WHERE CustNo = 'A0002'"));
    QVERIFY(orders > 0 && links > 0);
    QVERIFY(change(QStringLiteral("UPDATE Customer SET CustNo = 'A0902' WHERE CustNo = 'A0002'")));
    QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM OrderM WHERE CustNo = 'A0902'")), orders);
    QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM CustClsNo WHERE CustNo = 'A0902'")), links);
    QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM OrderM WHERE CustNo = 'A0002'")), 0);

    const int lines =
        count(QStringLiteral("SELECT COUNT(*) FROM ExpDetail WHERE BookNo = 'HY0001'"));
    const int posted =
        count(QStringLiteral("SELECT COUNT(*) FROM StockPostLine WHERE BookNo = 'HY0001'"));
    QVERIFY(lines > 0 && posted > 0);
    QVERIFY(change(QStringLiteral("UPDATE Book SET BookNo = 'HY9001' WHERE BookNo = 'HY0001'")));
    QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM ExpDetail WHERE BookNo = 'HY9001'")),
             lines);
    QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM StockPostLine WHERE BookNo = 'HY9001'")),
             posted);
    QVERIFY(change(QStringLiteral("UPDATE Clases SET ClsNo = 'LT' WHERE ClsNo = 'LIT'")));
    QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Book WHERE ClsNo = 'LT'")), 2);

    // Deleting a row that is still named is refused and changes nothing.
    for (const char* sql :
         {"DELETE FROM Customer WHERE CustNo = 'A0902'", "DELETE FROM Book WHERE BookNo = 'QH0102'",
          "DELETE FROM Clases WHERE ClsNo = 'LT'", "DELETE FROM Vendor WHERE VNo = 'V101'",
          "DELETE FROM Forwarder WHERE FNo = 'none'"}) {
        const QString statement = QString::fromLatin1(sql);
        const QString table = statement.section(QLatin1Char(' '), 2, 2);
        const int before = count(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table));
        if (table == QLatin1String("Forwarder"))
            continue;
        QVERIFY2(!change(statement), sql);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)), before);
    }
    // A customer's subject links go with the customer.
    QVERIFY(change(QStringLiteral("INSERT INTO Customer (CustNo) VALUES ('Z9')")));
    QVERIFY(change(QStringLiteral("INSERT INTO CustClsNo (CustNo, ClsNo) VALUES ('Z9', 'LT')")));
    QVERIFY(change(QStringLiteral("DELETE FROM Customer WHERE CustNo = 'Z9'")));
    QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM CustClsNo WHERE CustNo = 'Z9'")), 0);
}

void TestSchema::outstandingViews()
{
    QFETCH(Backend, backend);
    std::unique_ptr<TestDb> db = TestDb::create(backend);
    QVERIFY(db);
    QString error;
    QVERIFY2(db->loadDemo(&error), qPrintable(error));
    std::unique_ptr<Connection> con = db->connect(QStringLiteral("schema"));

    // One book on two lines of an order, shipped in two shipments: each quantity counts once.
    const QStringList setup = {
        QStringLiteral("INSERT INTO OrderM (SArea, PNo, CustNo) VALUES ('C0', 50, 'A0001')"),
        QStringLiteral("INSERT INTO OrdDetail (SArea, PNo, BookNo, Qty) VALUES ('C0', 50, "
                       "'HY0002', 3), ('C0', 50, 'HY0002', 2), ('C0', 50, 'HW0202', 1)"),
        QStringLiteral("INSERT INTO ExportM (SArea, PNo, CustNo, SOrdNo) VALUES ('C0', 50, "
                       "'A0001', 50), ('C0', 51, 'A0001', 50)"),
        QStringLiteral("INSERT INTO ExpDetail (SArea, PNo, BookNo, Qty) VALUES ('C0', 50, "
                       "'HY0002', 1), ('C0', 51, 'HY0002', 1), ('C0', 51, 'HW0202', 1)"),
        // The same number at another branch is another order.
        QStringLiteral(
            "INSERT INTO ExportM (SArea, PNo, CustNo, SOrdNo) VALUES ('C1', 50, 'A0001', 50)"),
        QStringLiteral(
            "INSERT INTO ExpDetail (SArea, PNo, BookNo, Qty) VALUES ('C1', 50, 'HY0002', 4)"),
        // A purchase not to be followed up is not outstanding.
        QStringLiteral("INSERT INTO BuyM (SArea, PNo, VNO, YetFlag) VALUES ('C0', 50, 'V001', 1)"),
        QStringLiteral(
            "INSERT INTO BuyDetail (SArea, PNo, BookNo, Qty) VALUES ('C0', 50, 'QH0101', 9)"),
    };
    for (const QString& sql : setup)
        QVERIFY(TestDb::exec(*con, sql).isActive());

    const auto rows = [&](const QString& sql) {
        QStringList out;
        QSqlQuery q = TestDb::exec(*con, sql);
        while (q.next())
            out << QStringList{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                               q.value(3).toString()}
                       .join(QLatin1Char('/'));
        return out;
    };
    QCOMPARE(rows(QStringLiteral("SELECT PNo, BookNo, SumQty, SurQty FROM OrdYetExp WHERE SArea = "
                                 "'C0' ORDER BY PNo, BookNo")),
             (QStringList{"1/HY0001/10/6", "1/QH0101/5/5", "50/HY0002/5/3"}));
    QCOMPARE(rows(QStringLiteral("SELECT PNo, BookNo, SumQty, SurQty FROM BuyYetImp WHERE SArea = "
                                 "'C0' ORDER BY PNo, BookNo")),
             (QStringList{"1/HA1001/5/5"}));
    QCOMPARE(rows(QStringLiteral("SELECT PNo, BookNo, SurQty, CustNo FROM BuyYetImpCust WHERE "
                                 "SArea = 'C0' AND CustNo = 'A0001'")),
             (QStringList{"1/HA1001/5/A0001"}));

    // The list window's query, whose first and sixth columns go into the change log.
    QSqlQuery q = TestDb::exec(
        *con, QStringLiteral(
                  "Select OrdYetExp.*,Book.BookName,Book.Author,Book.StockC0 as "
                  "Stocks,Book.SStockC0 as SafeStock "
                  "from OrdYetExp Left outer join Book on (OrdYetExp.Bookno=Book.Bookno) "
                  "where (OrdYetExp.SArea='C0') and OrdYetExp.PNO = 50 order by OrdYetExp.PNo"));
    QVERIFY(q.next());
    QCOMPARE(q.record().fieldName(0).toLower(), QStringLiteral("pno"));
    QCOMPARE(q.record().fieldName(5).toLower(), QStringLiteral("bookno"));
    QCOMPARE(q.value(QStringLiteral("Stocks")).toInt(), 47);
}

void TestSchema::reconciliationViews()
{
    QFETCH(Backend, backend);
    std::unique_ptr<TestDb> db = TestDb::create(backend);
    QVERIFY(db);
    QString error;
    QVERIFY2(db->loadDemo(&error), qPrintable(error));
    std::unique_ptr<Connection> con = db->connect(QStringLiteral("schema"));
    const auto rows = [&](const QString& sql) {
        QStringList out;
        QSqlQuery q = TestDb::exec(*con, sql);
        while (q.next()) {
            QStringList fields;
            for (int i = 0; i < q.record().count(); ++i)
                fields << q.value(i).toString();
            out << fields.join(QLatin1Char('/'));
        }
        out.sort();
        return out;
    };
    const auto money = [](const QStringList& list) {
        QStringList out; // 896.0 on SQLite is 896 on PostgreSQL
        for (QString s : list)
            out << s.replace(QStringLiteral(".0/"), QStringLiteral("/"))
                       .remove(QRegularExpression(QStringLiteral("\\.0$")));
        return out;
    };
    const auto sorted = [](QStringList list) {
        list.sort();
        return list;
    };
    // Completed receipts and returns only; the return counts against the supplier.
    QCOMPARE(
        money(rows(QStringLiteral(
            "SELECT UKind, PNo, aNo, aName, SumQty, NTPrice FROM ImpComView WHERE SArea = 'C0'"))),
        sorted(QStringList{"進貨/1/V101/Harbor Academic Press/10/6818",
                           "退出/1/V001/青禾出版社/-1/-720"}));
    QCOMPARE(
        money(rows(QStringLiteral("Select Ori_cr,Sum(sumprice) as SumPrice from ImpORIComView "
                                  "where SArea='C0' and aNo='V101' group by SArea,aNo,Ori_cr"))),
        sorted(QStringList{"GBP/165"}));
    QCOMPARE(money(rows(QStringLiteral(
                 "SELECT PNo, Invoice, ori_cr, NTPrice FROM ImpComView2 WHERE SArea = 'C1'"))),
             sorted(QStringList{"1//NT/972"}));
    // Purchases count open or not, with their area.
    QCOMPARE(money(rows(QStringLiteral(
                 "SELECT PNo, aNo, CArea, SumQty, NTPrice FROM BuyComView WHERE SArea = 'C0'"))),
             sorted(QStringList{"1/V101/1/15/13630", "2/V001/0/3/2160"}));
    QCOMPARE(money(rows(QStringLiteral("SELECT PNo, Ori_cr, Round(sumprice, 2) FROM BuyORIComView "
                                       "WHERE SArea = 'C0' AND aNo = 'V101'"))),
             sorted(QStringList{"1/GBP/329.85"}));
    // Shipments and returns once completed; a counter day per customer served.
    QCOMPARE(money(rows(QStringLiteral(
                 "SELECT UKind, PNo, aNo, SumQty, NTPrice FROM ExpComView WHERE SArea = 'C0'"))),
             sorted(QStringList{"出貨/1/A0002/4/896", "出貨/2/A0003/20/4250", "櫃台/1/A0004/1/360",
                                "櫃台/1/Guest/2/450", "退回/1/A0002/-1/-224"}));
    QCOMPARE(money(rows(QStringLiteral("SELECT aNo, Ori_cr, sumprice FROM ExpORIComView WHERE "
                                       "SArea = 'C0' AND UKind = '退回'"))),
             sorted(QStringList{"A0002/NT/-224"}));
}

void TestSchema::addBranch()
{
    QFETCH(Backend, backend);
    std::unique_ptr<TestDb> db = TestDb::create(backend);
    QVERIFY(db);
    QString error;
    QVERIFY2(db->loadDemo(&error), qPrintable(error));
    const QStringList where = db->heyuDbTarget();
    std::unique_ptr<Connection> con = db->connect(QStringLiteral("schema"));
    const int books = TestDb::scalar(*con, QStringLiteral("SELECT COUNT(*) FROM Book")).toInt();

    for (int run = 0; run < 2; ++run) {
        const AdminRun r = admin(QStringList{QStringLiteral("add-branch"), QStringLiteral("C3"),
                                             QStringLiteral("禾嶼圖書台南分公司")}
                                 << where);
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QVERIFY2(
            r.out.contains(run == 0 ? QStringLiteral("added") : QStringLiteral("already present")),
            qPrintable(r.out));
    }
    con->close(); // see the new columns
    QCOMPARE(
        TestDb::scalar(
            *con, QStringLiteral("SELECT COUNT(*) FROM Vendor WHERE VNo = 'C3' AND Alliance = 1"))
            .toInt(),
        1);
    QCOMPARE(TestDb::scalar(*con, QStringLiteral("SELECT VName FROM Vendor WHERE VNo = 'C3'"))
                 .toString(),
             QStringLiteral("禾嶼圖書台南分公司"));
    QCOMPARE(
        TestDb::scalar(
            *con,
            QStringLiteral(
                "SELECT COUNT(*) FROM Book WHERE StockC3 = 0 AND SStockC3 = 0 AND LocC3 IS NULL"))
            .toInt(),
        books);
    QCOMPARE(
        TestDb::scalar(*con, QStringLiteral("SELECT StockC0 FROM Book WHERE BookNo = 'HY0001'"))
            .toInt(),
        117);
    QCOMPARE(Schema::branchCodesInDatabase(*con), (QStringList{"C0", "C1", "C2", "C3"}));
    const Procedures::RowsResult book = Procedures::CheckBook(
        *con, QStringLiteral("C3"), QStringLiteral("BookNo"), QStringLiteral("HY0001"));
    QVERIFY2(book, qPrintable(book.error.text));
    QCOMPARE(book.rows.value(0, QStringLiteral("Stocks")).toInt(), 0);

    // Codes that could not be column names, or are longer than a branch number, are refused.
    for (const char* code : {"C-3", "C12345678901", "C4;DROP", "台南", ""}) {
        const AdminRun r = admin(
            QStringList{QStringLiteral("add-branch"), QString::fromUtf8(code), QStringLiteral("x")}
            << where);
        QVERIFY2(r.status != 0 && r.err.contains(QStringLiteral("invalid branch code")), code);
    }
    // A name too long for the Vendor row leaves neither the row nor the columns behind.
    const AdminRun tooLong = admin(QStringList{QStringLiteral("add-branch"), QStringLiteral("C5"),
                                               QString(41, QLatin1Char('n'))}
                                   << where);
    QVERIFY(tooLong.status != 0);
    con->close();
    QCOMPARE(TestDb::scalar(*con, QStringLiteral("SELECT COUNT(*) FROM Vendor WHERE VNo = 'C5'"))
                 .toInt(),
             0);
    QVERIFY(!Schema::branchCodesInDatabase(*con).contains(QStringLiteral("C5")));
}

void TestSchema::upgrade()
{
    QFETCH(Backend, backend);
    std::unique_ptr<TestDb> db = TestDb::create(backend);
    QVERIFY(db);
    std::unique_ptr<Connection> con = db->connect(QStringLiteral("schema"));
    QVERIFY(makeVersionOne(*db, *con));
    QCOMPARE(Schema::storedVersion(*con), 1);
    QMap<QString, int> counts;
    for (const QString& t : VersionOneTables)
        counts[t] = TestDb::scalar(*con, QStringLiteral("SELECT COUNT(*) FROM %1").arg(t)).toInt();
    con->close();

    const QStringList where = db->heyuDbTarget();
    AdminRun r = admin(QStringList{QStringLiteral("upgrade")} << where);
    QVERIFY2(r.status == 0, qPrintable(r.err));
    QVERIFY2(r.out.contains(QStringLiteral("from version 1 to %1").arg(Schema::version())),
             qPrintable(r.out));

    QCOMPARE(Schema::storedVersion(*con), Schema::version());
    for (const QString& t : VersionOneTables)
        QCOMPARE(TestDb::scalar(*con, QStringLiteral("SELECT COUNT(*) FROM %1").arg(t)).toInt(),
                 counts[t]);
    QCOMPARE(TestDb::scalar(*con, QStringLiteral("SELECT StockC1 FROM Book WHERE BookNo = 'B1'"))
                 .toInt(),
             4);
    QCOMPARE(TestDb::scalar(*con, QStringLiteral("SELECT LocC0 FROM Book WHERE BookNo = 'B1'"))
                 .toString(),
             QStringLiteral("A-01"));
    QCOMPARE(TestDb::scalar(*con, QStringLiteral("SELECT NTPrice FROM Book WHERE BookNo = 'B1'"))
                 .toDouble(),
             2274.43);
    QCOMPARE(TestDb::scalar(*con, QStringLiteral("SELECT OPRemark FROM LogRec WHERE LogNo = 2"))
                 .toString(),
             QStringLiteral("B2/海岸"));
    QCOMPARE(Schema::branchCodesInDatabase(*con), (QStringList{"C0", "C1"}));
    for (const ViewDef& v : Schema::views())
        QVERIFY2(TestDb::exec(*con, QStringLiteral("SELECT * FROM %1").arg(v.name)).isActive(),
                 qPrintable(v.name));

    // New rows continue the old numbers, and the new rules hold.
    {
        TransactionGuard tx(*con);
        QVERIFY(tx.begin());
        const Procedures::InsLogRecResult log =
            Procedures::InsLogRec(*con, "C0", "ADMIN", "陳", "x", "新增", "after");
        QVERIFY2(log, qPrintable(log.error.text));
        QCOMPARE(log.logNo, qint64(3));
        const Procedures::AutoPNoResult n = Procedures::AutoPNo(*con, "C0", 7);
        QCOMPARE(n.pno, 1);
        QVERIFY(tx.commit());
    }
    {
        TransactionGuard tx(*con);
        QVERIFY(tx.begin());
        QVERIFY(
            !TestDb::exec(*con, QStringLiteral("DELETE FROM Vendor WHERE VNo = 'V1'")).isActive());
    }
    QCOMPARE(TestDb::scalar(*con, QStringLiteral("SELECT COUNT(*) FROM Vendor")).toInt(),
             counts[QStringLiteral("Vendor")]);

    r = admin(QStringList{QStringLiteral("upgrade")} << where);
    QVERIFY2(r.status == 0 && r.out.contains(QStringLiteral("current")), qPrintable(r.out + r.err));
}

void TestSchema::upgradeRefusedKeepsDatabase()
{
    QFETCH(Backend, backend);
    std::unique_ptr<TestDb> db = TestDb::create(backend);
    QVERIFY(db);
    std::unique_ptr<Connection> con = db->connect(QStringLiteral("schema"));
    QVERIFY(makeVersionOne(*db, *con));
    // A book of a supplier that no longer exists cannot enter the new schema.
    QVERIFY(TestDb::exec(
                *con,
                QStringLiteral("INSERT INTO Book (BookNo, VNo, StockC0) VALUES ('B9', 'GONE', 3)"))
                .isActive());
    const int books = TestDb::scalar(*con, QStringLiteral("SELECT COUNT(*) FROM Book")).toInt();
    con->close();

    const AdminRun r = admin(QStringList{QStringLiteral("upgrade")} << db->heyuDbTarget());
    QVERIFY(r.status != 0);
    QVERIFY2(!r.err.isEmpty(), qPrintable(r.out));
    QCOMPARE(Schema::storedVersion(*con), 1);
    QCOMPARE(TestDb::scalar(*con, QStringLiteral("SELECT COUNT(*) FROM Book")).toInt(), books);
    QCOMPARE(TestDb::scalar(*con, QStringLiteral("SELECT StockC0 FROM Book WHERE BookNo = 'B9'"))
                 .toInt(),
             3);
    QVERIFY(!con->database().tables().contains(QStringLiteral("PNoCounter"), Qt::CaseInsensitive));
}

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_schema.moc"
