#include <atomic>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

#include "data/Connection.h"
#include "data/Schema.h"
#include "data/SqlDialect.h"
#include "data/procedures/Procedures.h"
#include "tests/support/TestDb.h"

namespace {

bool run(Connection& con, const QString& sql, const QVariantList& values = {})
{
    return TestDb::exec(con, sql, values).isActive();
}

/// Connections need distinct names, also across threads.
QString connectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("proc-%1").arg(++counter);
}

int stock(Connection& con, const QString& book, const QString& area = QStringLiteral("C0"))
{
    return TestDb::scalar(
               con, QStringLiteral("SELECT Stock%1 FROM Book WHERE BookNo = ?").arg(area), {book})
        .toInt();
}

/// A schema with the head office and one branch, a supplier, a customer and three books.
struct Fixture
{
    std::unique_ptr<TestDb> db;
    std::unique_ptr<Connection> con;

    bool make(Backend backend)
    {
        db = TestDb::create(backend);
        QString error;
        if (!db || !db->createSchema({QStringLiteral("C0"), QStringLiteral("C1")}, &error)) {
            qWarning("%s", qPrintable(error));
            return false;
        }
        con = open();
        return run(*con, QStringLiteral("INSERT INTO Vendor (VNo, VName, Alliance) VALUES ('C0', "
                                        "'HQ', 1), ('C1', 'Branch', 1), ('V1', 'Supplier', 0)")) &&
               run(*con,
                   QStringLiteral(
                       "INSERT INTO Customer (CustNo, CustName) VALUES ('A1', 'Customer')")) &&
               run(*con, QStringLiteral("INSERT INTO Book (BookNo, BookName, Author, BPublisher, "
                                        "BarCode, VNo, NTPrice, FPrice, ORI_CR, KDiscount, "
                                        "StockC0, SStockC0, StockC1, SStockC1) VALUES "
                                        "('B1', 'First', 'Ann', 'Pub', '4710000000011', 'V1', 300, "
                                        "10, 'US', 'B', 100, 5, 7, 2), "
                                        "('B2', 'Second', 'Bob', 'Pub', '4710000000028', 'V1', "
                                        "120, 120, 'NT', 'A', 50, 3, 0, 0), "
                                        "('B3', 'Third', 'Cy', 'Pub', '4710000000011', 'V1', 80, "
                                        "80, 'NT', 'A', 10, 1, 0, 0)"));
    }

    std::unique_ptr<Connection> open() const
    {
        auto c = std::make_unique<Connection>(connectionName());
        c->configure(db->settings());
        return c;
    }

    /// A document of a header-and-lines kind with the given (book, qty) lines.
    bool document(int kind, const QString& area, int pno,
                  const QList<std::pair<QString, int>>& lines, bool complete = false)
    {
        const DocKindDef* def = Schema::docKind(kind);
        QString partner = def->partner.isEmpty() ? QString() : QStringLiteral(", ") + def->partner;
        QString partnerValue =
            def->partner.isEmpty() ? QString()
            : def->partner.compare(QLatin1String("CustNo"), Qt::CaseInsensitive) == 0
                ? QStringLiteral(", 'A1'")
                : QStringLiteral(", 'V1'");
        if (!run(*con,
                 QStringLiteral("INSERT INTO %1 (SArea, PNo, EComplete%2) VALUES (?, ?, ?%3)")
                     .arg(def->header, partner, partnerValue),
                 {area, pno, complete ? 1 : 0}))
            return false;
        for (const auto& [book, qty] : lines) {
            const bool inquiry = kind == 10 || kind == 11;
            const bool writeOff = kind == 8 || kind == 9;
            QString sql;
            QVariantList values;
            if (kind == 11) {
                sql = QStringLiteral("INSERT INTO %1 (PNo, BookNo, Qty) VALUES (?, ?, ?)");
                values = {pno, book, qty};
            } else if (inquiry) {
                sql =
                    QStringLiteral("INSERT INTO %1 (SArea, PNo, BookNo, Qty) VALUES (?, ?, ?, ?)");
                values = {area, pno, book, qty};
            } else if (writeOff) {
                sql = QStringLiteral(
                    "INSERT INTO %1 (SArea, PNo, SKind, SNo, SPay) VALUES (?, ?, 'X', 1, ?)");
                values = {area, pno, qty};
            } else {
                sql = QStringLiteral("INSERT INTO %1 (SArea, PNo, BookNo, Price, Qty, Disc, "
                                     "ORI_CR, rate, UnSum, ETime) "
                                     "VALUES (?, ?, ?, 100, ?, 1, 'NT', 1, ?, '10:00:00')");
                values = {area, pno, book, qty, qty * 100};
            }
            if (!run(*con, sql.arg(def->detail), values))
                return false;
        }
        return true;
    }
};

} // namespace

class TestProcedures : public QObject
{
    Q_OBJECT

private slots:
    void autoPNo_data() { TestDb::addBackendRows(); }
    void autoPNo();
    void autoPNoConcurrent_data() { TestDb::addBackendRows(); }
    void autoPNoConcurrent();
    void insLogRec_data() { TestDb::addBackendRows(); }
    void insLogRec();
    void checkBook_data() { TestDb::addBackendRows(); }
    void checkBook();
    void impUpdateBook_data() { TestDb::addBackendRows(); }
    void impUpdateBook();
    void updateStock_data();
    void updateStock();
    void updateStockRefusals_data() { TestDb::addBackendRows(); }
    void updateStockRefusals();
    void updateStockConcurrent_data() { TestDb::addBackendRows(); }
    void updateStockConcurrent();
    void masterDelete_data() { TestDb::addBackendRows(); }
    void masterDelete();
    void masterDeleteRefusals_data() { TestDb::addBackendRows(); }
    void masterDeleteRefusals();
    void preparedStatements_data() { TestDb::addBackendRows(); }
    void preparedStatements();
    void preparedAfterTableChange_data() { TestDb::addBackendRows(); }
    void preparedAfterTableChange();
};

void TestProcedures::autoPNo()
{
    QFETCH(Backend, backend);
    Fixture f;
    QVERIFY(f.make(backend));
    Connection& con = *f.con;
    const auto next = [&](const QString& area, int kind) {
        const Procedures::AutoPNoResult r = Procedures::AutoPNo(con, area, kind);
        if (!r)
            qWarning("%s", qPrintable(r.error.text));
        return r.ok() ? r.pno : -1;
    };

    TransactionGuard tx(con);
    QVERIFY(tx.begin());
    // Each branch and kind counts on its own.
    QCOMPARE(next(QStringLiteral("C0"), 1), 1);
    QCOMPARE(next(QStringLiteral("C0"), 1), 2);
    QCOMPARE(next(QStringLiteral("C1"), 1), 1);
    QCOMPARE(next(QStringLiteral("C0"), 3), 1);
    // Numbers already in the header table are stepped over.
    QVERIFY(f.document(7, QStringLiteral("C0"), 40, {}));
    QCOMPARE(next(QStringLiteral("C0"), 7), 41);
    QVERIFY(tx.commit());

    // A rolled-back number is given again.
    QVERIFY(tx.begin());
    QCOMPARE(next(QStringLiteral("C0"), 1), 3);
    tx.rollback();
    QVERIFY(tx.begin());
    QCOMPARE(next(QStringLiteral("C0"), 1), 3);
    // Head-office inquiries are numbered across branches.
    QCOMPARE(next(QStringLiteral("C1"), 11), 1);
    QCOMPARE(next(QStringLiteral("C2"), 11), 2);
    QVERIFY(tx.commit());

    for (int kind : {0, 8, 9, 13, -1}) {
        const Procedures::AutoPNoResult r = Procedures::AutoPNo(con, QStringLiteral("C0"), kind);
        QVERIFY2(!r && r.error.kind == DbError::Kind::Refused, qPrintable(QString::number(kind)));
    }
}

void TestProcedures::autoPNoConcurrent()
{
    QFETCH(Backend, backend);
    Fixture f;
    QVERIFY(f.make(backend));
    constexpr int Threads = 8;
    constexpr int PerThread = 25;
    std::vector<std::vector<int>> committed(Threads);
    std::atomic<int> failures{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < Threads; ++t) {
        workers.emplace_back([&, t] {
            std::unique_ptr<Connection> con = f.open();
            for (int i = 0; i < PerThread; ++i) {
                TransactionGuard tx(*con);
                if (!tx.begin()) {
                    ++failures;
                    continue;
                }
                const Procedures::AutoPNoResult r =
                    Procedures::AutoPNo(*con, QStringLiteral("C0"), 3);
                // The header's key would refuse a number given twice.
                if (!r ||
                    !run(*con,
                         QStringLiteral(
                             "INSERT INTO ExportM (SArea, PNo, CustNo) VALUES ('C0', ?, 'A1')"),
                         {r.pno})) {
                    ++failures;
                    continue;
                }
                if (i % 5 == 4) { // some transactions give up; their numbers come round again
                    tx.rollback();
                    continue;
                }
                if (tx.commit())
                    committed[std::size_t(t)].push_back(r.pno);
                else
                    ++failures;
            }
        });
    }
    for (std::thread& w : workers)
        w.join();
    QCOMPARE(failures.load(), 0);
    std::set<int> all;
    int count = 0;
    for (const auto& list : committed) {
        count += int(list.size());
        all.insert(list.begin(), list.end());
    }
    QCOMPARE(count, Threads * PerThread * 4 / 5);
    QCOMPARE(int(all.size()), count);
    QCOMPARE(TestDb::scalar(*f.con, QStringLiteral("SELECT COUNT(*) FROM ExportM")).toInt(), count);
}

void TestProcedures::insLogRec()
{
    QFETCH(Backend, backend);
    Fixture f;
    QVERIFY(f.make(backend));
    Connection& con = *f.con;
    TransactionGuard tx(con);
    QVERIFY(tx.begin());
    const QDateTime before = QDateTime::currentDateTime().addSecs(-2);
    const Procedures::InsLogRecResult first = Procedures::InsLogRec(
        con, QStringLiteral("C0"), QStringLiteral("ADMIN"), QStringLiteral("陳總經理"),
        QStringLiteral("客戶檔管理作業"), QStringLiteral("新增"), QStringLiteral("A1/Customer"));
    QVERIFY2(first, qPrintable(first.error.text));
    const Procedures::InsLogRecResult second = Procedures::InsLogRec(
        con, QStringLiteral("C1"), QStringLiteral("TC"), QString(), QStringLiteral("x"),
        QStringLiteral("刪除"), QString(300, QLatin1Char('r')));
    QVERIFY2(second, qPrintable(second.error.text));
    QVERIFY(second.logNo != first.logNo);
    QVERIFY(tx.commit());

    QSqlQuery q(con.database());
    QVERIFY(q.prepare(QStringLiteral("SELECT OPDTime, SArea, OPUserC, OPUserN, OPItem, OPKind, "
                                     "OPRemark FROM LogRec WHERE LogNo = ?")));
    q.addBindValue(first.logNo);
    VERIFY_SQL(q, q.exec());
    QVERIFY(q.next());
    const QDateTime stamped = SqlDialect::toDateTime(q.value(0));
    QVERIFY2(stamped >= before && stamped <= QDateTime::currentDateTime().addSecs(2),
             qPrintable(stamped.toString()));
    QCOMPARE(q.value(1).toString(), QStringLiteral("C0"));
    QCOMPARE(q.value(2).toString(), QStringLiteral("ADMIN"));
    QCOMPARE(q.value(3).toString(), QStringLiteral("陳總經理"));
    QCOMPARE(q.value(4).toString(), QStringLiteral("客戶檔管理作業"));
    QCOMPARE(q.value(5).toString(), QStringLiteral("新增"));
    QCOMPARE(q.value(6).toString(), QStringLiteral("A1/Customer"));
}

void TestProcedures::checkBook()
{
    QFETCH(Backend, backend);
    Fixture f;
    QVERIFY(f.make(backend));
    Connection& con = *f.con;

    const Procedures::RowsResult byNo = Procedures::CheckBook(
        con, QStringLiteral("C1"), QStringLiteral("BookNo"), QStringLiteral("B1"));
    QVERIFY2(byNo, qPrintable(byNo.error.text));
    QCOMPARE(byNo.rows.columns,
             (QStringList{"BookNo", "BookName", "Author", "BPublisher", "BarCode", "NTPrice",
                          "FPrice", "ORI_CR", "KDiscount", "Stocks", "SafeStock"}));
    QCOMPARE(byNo.rows.size(), 1);
    QCOMPARE(byNo.rows.value(0, QStringLiteral("BookName")).toString(), QStringLiteral("First"));
    QCOMPARE(byNo.rows.value(0, QStringLiteral("Author")).toString(), QStringLiteral("Ann"));
    QCOMPARE(byNo.rows.value(0, QStringLiteral("bpublisher")).toString(), QStringLiteral("Pub"));
    QCOMPARE(byNo.rows.value(0, QStringLiteral("NTPrice")).toDouble(), 300.0);
    QCOMPARE(byNo.rows.value(0, QStringLiteral("ORI_CR")).toString(), QStringLiteral("US"));
    QCOMPARE(byNo.rows.value(0, QStringLiteral("KDiscount")).toString(), QStringLiteral("B"));
    // The stock columns are those of the asked branch.
    QCOMPARE(byNo.rows.value(0, QStringLiteral("Stocks")).toInt(), 7);
    QCOMPARE(byNo.rows.value(0, QStringLiteral("SafeStock")).toInt(), 2);
    const Procedures::RowsResult atHead = Procedures::CheckBook(
        con, QStringLiteral("C0"), QStringLiteral("BookNo"), QStringLiteral("B1"));
    QCOMPARE(atHead.rows.value(0, QStringLiteral("Stocks")).toInt(), 100);

    // A bar code shared by two books finds both, by number; the operation ignores letter case.
    const Procedures::RowsResult byBar = Procedures::CheckBook(
        con, QStringLiteral("C0"), QStringLiteral("barcode"), QStringLiteral("4710000000011"));
    QVERIFY2(byBar, qPrintable(byBar.error.text));
    QCOMPARE(byBar.rows.size(), 2);
    QCOMPARE(byBar.rows.value(0, QStringLiteral("BookNo")).toString(), QStringLiteral("B1"));
    QCOMPARE(byBar.rows.value(1, QStringLiteral("BookNo")).toString(), QStringLiteral("B3"));

    const Procedures::RowsResult none = Procedures::CheckBook(
        con, QStringLiteral("C0"), QStringLiteral("BookNo"), QStringLiteral("NOPE"));
    QVERIFY(none);
    QVERIFY(none.rows.isEmpty());

    const Procedures::RowsResult badOp = Procedures::CheckBook(
        con, QStringLiteral("C0"), QStringLiteral("ISBN"), QStringLiteral("B1"));
    QVERIFY(!badOp);
    QCOMPARE(badOp.error.kind, DbError::Kind::Refused);
    // A branch code never reaches the statement unchecked.
    const Procedures::RowsResult badArea = Procedures::CheckBook(
        con, QStringLiteral("C0 FROM Book;--"), QStringLiteral("BookNo"), QStringLiteral("B1"));
    QCOMPARE(badArea.error.kind, DbError::Kind::Refused);
    // A branch without its columns fails as a database error.
    const Procedures::RowsResult noColumns = Procedures::CheckBook(
        con, QStringLiteral("C9"), QStringLiteral("BookNo"), QStringLiteral("B1"));
    QCOMPARE(noColumns.error.kind, DbError::Kind::Other);
}

void TestProcedures::impUpdateBook()
{
    QFETCH(Backend, backend);
    Fixture f;
    QVERIFY(f.make(backend));
    Connection& con = *f.con;
    QVERIFY(f.document(
        4, QStringLiteral("C0"), 1,
        {{QStringLiteral("B1"), 2}, {QStringLiteral("B2"), 1}, {QStringLiteral("B1"), 1}}));

    const QDateTime date(QDate(2026, 10, 20), QTime(0, 0));
    QCOMPARE(Procedures::ImpUpdateBook(con, QStringLiteral("C0"), 1, date).error.kind,
             DbError::Kind::Refused); // no transaction

    TransactionGuard tx(con);
    QVERIFY(tx.begin());
    const Procedures::CountResult r = Procedures::ImpUpdateBook(con, QStringLiteral("C0"), 1, date);
    QVERIFY2(r, qPrintable(r.error.text));
    QCOMPARE(r.count, 2);
    const Procedures::CountResult missing =
        Procedures::ImpUpdateBook(con, QStringLiteral("C1"), 1, date);
    QCOMPARE(missing.error.kind, DbError::Kind::Refused);
    QVERIFY(tx.commit());
    QCOMPARE(SqlDialect::toDateTime(TestDb::scalar(
                 con, QStringLiteral("SELECT In_Date FROM Book WHERE BookNo = 'B1'"))),
             date);
    QCOMPARE(SqlDialect::toDateTime(TestDb::scalar(
                 con, QStringLiteral("SELECT In_Date FROM Book WHERE BookNo = 'B2'"))),
             date);
    QVERIFY(TestDb::scalar(
                con,
                QStringLiteral("SELECT COUNT(*) FROM Book WHERE BookNo = 'B3' AND In_Date IS NULL"))
                .toInt() == 1);
}

void TestProcedures::updateStock_data()
{
    QTest::addColumn<Backend>("backend");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("sign");
    const QList<std::tuple<const char*, int, int>> kinds = {{"receipt_adds", 4, 1},
                                                            {"sales_return_adds", 5, 1},
                                                            {"shipment_subtracts", 3, -1},
                                                            {"purchase_return_subtracts", 6, -1}};
    QList<std::pair<const char*, Backend>> backends = {{"sqlite", Backend::Sqlite}};
    if (TestDb::postgresAvailable())
        backends.append({"postgres", Backend::Postgres});
    for (const auto& [bname, backend] : backends) {
        for (const auto& [name, kind, sign] : kinds)
            QTest::addRow("%s/%s", bname, name) << backend << kind << sign;
    }
}

void TestProcedures::updateStock()
{
    QFETCH(Backend, backend);
    QFETCH(int, kind);
    QFETCH(int, sign);
    Fixture f;
    QVERIFY(f.make(backend));
    Connection& con = *f.con;
    // Two lines of the same book add up; the other branch's stock is not touched.
    QVERIFY(f.document(
        kind, QStringLiteral("C0"), 1,
        {{QStringLiteral("B1"), 3}, {QStringLiteral("B2"), 4}, {QStringLiteral("B1"), 2}}));

    const auto post = [&](int eComplete) {
        TransactionGuard tx(con);
        if (!tx.begin())
            return Procedures::UpdateStockResult{};
        Procedures::UpdateStockResult r =
            Procedures::UpdateStock(con, eComplete, kind, 1, QStringLiteral("C0"));
        if (r && !tx.commit())
            r.error = DbError::refused(con.lastErrorText());
        return r;
    };

    Procedures::UpdateStockResult r = post(-1);
    QVERIFY2(r, qPrintable(r.error.text));
    QVERIFY(r.changed);
    QCOMPARE(r.books, 2);
    QCOMPARE(stock(con, QStringLiteral("B1")), 100 + sign * 5);
    QCOMPARE(stock(con, QStringLiteral("B2")), 50 + sign * 4);
    QCOMPARE(stock(con, QStringLiteral("B1"), QStringLiteral("C1")), 7);

    // A second completion (another user's cached flag) posts nothing more.
    r = post(-1);
    QVERIFY(r);
    QVERIFY(!r.changed);
    QCOMPARE(stock(con, QStringLiteral("B1")), 100 + sign * 5);

    // Taking back reverses what was posted, even after the lines were changed.
    QVERIFY(run(con, QStringLiteral("UPDATE %1 SET Qty = 50 WHERE SArea = 'C0' AND PNo = 1")
                         .arg(Schema::docKind(kind)->detail)));
    r = post(0);
    QVERIFY2(r, qPrintable(r.error.text));
    QVERIFY(r.changed);
    QCOMPARE(stock(con, QStringLiteral("B1")), 100);
    QCOMPARE(stock(con, QStringLiteral("B2")), 50);
    r = post(0);
    QVERIFY(r);
    QVERIFY(!r.changed);
    QCOMPARE(stock(con, QStringLiteral("B1")), 100);

    // Posting again takes the lines as they are now; 1 counts as completed too.
    r = post(1);
    QVERIFY(r.changed);
    QCOMPARE(stock(con, QStringLiteral("B1")), 100 + sign * 100);
}

void TestProcedures::updateStockRefusals()
{
    QFETCH(Backend, backend);
    Fixture f;
    QVERIFY(f.make(backend));
    Connection& con = *f.con;
    QVERIFY(f.document(3, QStringLiteral("C0"), 1, {{QStringLiteral("B1"), 3}}));
    QVERIFY(f.document(1, QStringLiteral("C0"), 1, {{QStringLiteral("B1"), 3}}));

    QCOMPARE(Procedures::UpdateStock(con, -1, 3, 1, QStringLiteral("C0")).error.kind,
             DbError::Kind::Refused); // no transaction
    TransactionGuard tx(con);
    QVERIFY(tx.begin());
    for (int kind : {0, 1, 2, 7, 12}) // no stock in these kinds
        QCOMPARE(Procedures::UpdateStock(con, -1, kind, 1, QStringLiteral("C0")).error.kind,
                 DbError::Kind::Refused);
    QCOMPARE(Procedures::UpdateStock(con, 2, 3, 1, QStringLiteral("C0")).error.kind,
             DbError::Kind::Refused);
    QCOMPARE(Procedures::UpdateStock(con, -1, 3, 99, QStringLiteral("C0")).error.kind,
             DbError::Kind::Refused);
    QCOMPARE(Procedures::UpdateStock(con, -1, 3, 1, QStringLiteral("C0'")).error.kind,
             DbError::Kind::Refused);
    tx.rollback();
    QCOMPARE(stock(con, QStringLiteral("B1")), 100);
}

void TestProcedures::updateStockConcurrent()
{
    QFETCH(Backend, backend);
    Fixture f;
    QVERIFY(f.make(backend));
    constexpr int Threads = 8;
    constexpr int PerThread = 12;
    std::atomic<int> failures{0};
    std::atomic<int> expectedB1{0};
    std::atomic<int> expectedB2{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < Threads; ++t) {
        workers.emplace_back([&, t] {
            std::unique_ptr<Connection> con = f.open();
            for (int i = 0; i < PerThread; ++i) {
                const int kind = (t + i) % 2 == 0 ? 4 : 3; // receipts and shipments interleaved
                const int sign = kind == 4 ? 1 : -1;
                const int q1 = 1 + (t + i) % 3;
                const int q2 = 2;
                TransactionGuard tx(*con);
                if (!tx.begin()) {
                    ++failures;
                    continue;
                }
                const DocKindDef* def = Schema::docKind(kind);
                const Procedures::AutoPNoResult n =
                    Procedures::AutoPNo(*con, QStringLiteral("C0"), kind);
                const QString partner =
                    kind == 4 ? QStringLiteral("VNo") : QStringLiteral("CustNo");
                const QString who = kind == 4 ? QStringLiteral("V1") : QStringLiteral("A1");
                const QString line = QStringLiteral("INSERT INTO %1 (SArea, PNo, BookNo, Qty, "
                                                    "ETime) VALUES ('C0', ?, ?, ?, '10:00:00')")
                                         .arg(def->detail);
                // Lines in both book orders: the procedure must lock in one order.
                const bool reversed = (t + i) % 2 == 1;
                const bool ok =
                    n &&
                    run(*con,
                        QStringLiteral("INSERT INTO %1 (SArea, PNo, %2) VALUES ('C0', ?, ?)")
                            .arg(def->header, partner),
                        {n.pno, who}) &&
                    run(*con, line,
                        {n.pno, reversed ? QStringLiteral("B2") : QStringLiteral("B1"),
                         reversed ? q2 : q1}) &&
                    run(*con, line,
                        {n.pno, reversed ? QStringLiteral("B1") : QStringLiteral("B2"),
                         reversed ? q1 : q2});
                if (!ok) {
                    ++failures;
                    continue;
                }
                const Procedures::UpdateStockResult r =
                    Procedures::UpdateStock(*con, -1, kind, n.pno, QStringLiteral("C0"));
                if (!r) {
                    qWarning("%s", qPrintable(r.error.text));
                    ++failures;
                    continue;
                }
                if (!tx.commit()) {
                    ++failures;
                    continue;
                }
                expectedB1 += sign * q1;
                expectedB2 += sign * q2;
            }
        });
    }
    for (std::thread& w : workers)
        w.join();
    QCOMPARE(failures.load(), 0);
    QCOMPARE(stock(*f.con, QStringLiteral("B1")), 100 + expectedB1.load());
    QCOMPARE(stock(*f.con, QStringLiteral("B2")), 50 + expectedB2.load());
}

void TestProcedures::masterDelete()
{
    QFETCH(Backend, backend);
    Fixture f;
    QVERIFY(f.make(backend));
    Connection& con = *f.con;
    for (int kind = 1; kind <= 11; ++kind) {
        const DocKindDef* def = Schema::docKind(kind);
        const QByteArray what = def->header.toUtf8();
        // Kind 11 rows carry the asking branch; the head office finds them by number alone.
        const QString area = kind == 11 ? QStringLiteral("C1") : QStringLiteral("C0");
        QVERIFY2(f.document(kind, area, 5, {{QStringLiteral("B1"), 2}, {QStringLiteral("B2"), 1}}),
                 what);
        QVERIFY2(f.document(kind, area, 6, {{QStringLiteral("B1"), 1}}), what);

        TransactionGuard tx(con);
        QVERIFY(tx.begin());
        const Procedures::Status r = Procedures::MasterDelete(con, QStringLiteral("C0"), kind, 5);
        QVERIFY2(r, qPrintable(def->header + QLatin1Char(' ') + r.error.text));
        QVERIFY(tx.commit());
        QVERIFY2(TestDb::scalar(
                     con, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE PNo = 5").arg(def->header))
                         .toInt() == 0,
                 what);
        QVERIFY2(TestDb::scalar(
                     con, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE PNo = 5").arg(def->detail))
                         .toInt() == 0,
                 what);
        // The other document is untouched.
        QVERIFY2(TestDb::scalar(
                     con, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE PNo = 6").arg(def->detail))
                         .toInt() == 1,
                 what);
    }
}

void TestProcedures::masterDeleteRefusals()
{
    QFETCH(Backend, backend);
    Fixture f;
    QVERIFY(f.make(backend));
    Connection& con = *f.con;
    QVERIFY(f.document(7, QStringLiteral("C0"), 1, {{QStringLiteral("B1"), 2}}, true)); // completed
    QVERIFY(f.document(11, QStringLiteral("C1"), 2, {{QStringLiteral("B1"), 2}},
                       true)); // completed head-office inquiry
    QVERIFY(f.document(3, QStringLiteral("C0"), 3, {{QStringLiteral("B1"), 2}}));
    {
        // Posted, then reopened behind the procedures' back: its stock is still out.
        TransactionGuard tx(con);
        QVERIFY(tx.begin());
        QVERIFY(Procedures::UpdateStock(con, -1, 3, 3, QStringLiteral("C0")));
        QVERIFY(tx.commit());
    }

    const QList<std::pair<int, int>> refused = {{7, 1}, {11, 2}, {3, 3}, {7, 99},
                                                {0, 1}, {12, 1}, {13, 1}};
    for (const auto& [kind, pno] : refused) {
        TransactionGuard tx(con);
        QVERIFY(tx.begin());
        const Procedures::Status r = Procedures::MasterDelete(con, QStringLiteral("C0"), kind, pno);
        QVERIFY2(!r && r.error.kind == DbError::Kind::Refused,
                 qPrintable(QStringLiteral("kind %1 pno %2").arg(kind).arg(pno)));
        tx.rollback();
    }
    QCOMPARE(TestDb::scalar(con, QStringLiteral("SELECT COUNT(*) FROM OrdDetail")).toInt(), 1);
    QCOMPARE(TestDb::scalar(con, QStringLiteral("SELECT COUNT(*) FROM InqDetail")).toInt(), 1);
    QCOMPARE(TestDb::scalar(con, QStringLiteral("SELECT COUNT(*) FROM ExportM")).toInt(), 1);
    QCOMPARE(Procedures::MasterDelete(con, QStringLiteral("C0"), 7, 1).error.kind,
             DbError::Kind::Refused); // no transaction
}

QTEST_GUILESS_MAIN(TestProcedures)
#include "tst_procedures.moc"

void TestProcedures::preparedStatements()
{
    QFETCH(Backend, backend);
    Fixture f;
    QVERIFY(f.make(backend));
    Connection& con = *f.con;
    const QString insert = QStringLiteral("INSERT INTO Customer (CustNo, CustName) VALUES (?, ?)");
    const QString name = QStringLiteral("SELECT CustName FROM Customer WHERE CustNo = ?");
    const auto nameOf = [&](Connection& c, const QString& no) {
        QSqlError error;
        QSqlQuery* q = c.execPrepared(name, {no}, &error);
        if (!q) {
            qWarning("%s", qPrintable(error.text()));
            return QStringLiteral("<failed>");
        }
        const QString found = q->next() ? q->value(0).toString() : QString();
        q->finish();
        return found;
    };

    // One prepared query per text, handed out again.
    QSqlQuery* first = con.preparedQuery(name);
    QVERIFY(first);
    QCOMPARE(con.preparedQuery(name), first);
    QCOMPARE(nameOf(con, QStringLiteral("A1")), QStringLiteral("Customer"));
    QCOMPARE(con.preparedQuery(name), first);
    QCOMPARE(con.preparedCount(), 1);

    // A statement that does not prepare is not kept.
    QSqlError error;
    QVERIFY(
        !con.execPrepared(QStringLiteral("SELECT Nothing FROM Nowhere WHERE x = ?"), {1}, &error));
    QVERIFY(error.isValid());
    QCOMPARE(con.preparedCount(), 1);

    // A failed run reports its own error, also inside a transaction (where PostgreSQL refuses
    // everything after it), and the same statement runs again afterwards.
    QVERIFY(con.execPrepared(insert, {QStringLiteral("A2"), QStringLiteral("Second")}));
    {
        TransactionGuard tx(con);
        QVERIFY(tx.begin());
        QVERIFY(!con.execPrepared(insert, {QStringLiteral("A1"), QStringLiteral("Again")}, &error));
        QVERIFY2(DbError::from(error).isDuplicate(), qPrintable(error.text()));
    }
    QVERIFY(!con.execPrepared(insert, {QStringLiteral("A2"), QStringLiteral("Again")}, &error));
    QVERIFY2(DbError::from(error).isDuplicate(), qPrintable(error.text()));
    QVERIFY2(con.execPrepared(insert, {QStringLiteral("A3"), QStringLiteral("Third")}, &error),
             qPrintable(error.text()));
    {
        // Prepared inside a transaction that rolls back, it still runs after.
        TransactionGuard tx(con);
        QVERIFY(tx.begin());
        QCOMPARE(nameOf(con, QStringLiteral("A3")), QStringLiteral("Third"));
        QVERIFY(
            con.execPrepared(QStringLiteral("UPDATE Customer SET CustName = ? WHERE CustNo = ?"),
                             {QStringLiteral("Changed"), QStringLiteral("A3")}));
    }
    QVERIFY(con.execPrepared(QStringLiteral("UPDATE Customer SET CustName = ? WHERE CustNo = ?"),
                             {QStringLiteral("Kept"), QStringLiteral("A2")}));
    QCOMPARE(nameOf(con, QStringLiteral("A3")), QStringLiteral("Third"));
    QCOMPARE(nameOf(con, QStringLiteral("A2")), QStringLiteral("Kept"));

    // Two connections keep statements of their own: closing one leaves the other's working.
    std::unique_ptr<Connection> other = f.open();
    QCOMPARE(nameOf(*other, QStringLiteral("A1")), QStringLiteral("Customer"));
    QVERIFY(other->preparedQuery(name) != con.preparedQuery(name));
    other->close();
    QCOMPARE(other->preparedCount(), 0);
    QCOMPARE(nameOf(con, QStringLiteral("A1")), QStringLiteral("Customer"));

    // Closing drops them; the next call opens again and prepares anew, as does a new
    // configuration.
    con.close();
    QCOMPARE(con.preparedCount(), 0);
    QCOMPARE(nameOf(con, QStringLiteral("A2")), QStringLiteral("Kept"));
    QCOMPARE(con.preparedCount(), 1);
    con.configure(f.db->settings());
    QCOMPARE(con.preparedCount(), 0);
    QCOMPARE(nameOf(con, QStringLiteral("A1")), QStringLiteral("Customer"));

    // The procedures keep theirs: a look-up repeated finds the same book each time.
    for (int i = 0; i < 3; ++i) {
        const Procedures::RowsResult r =
            Procedures::CheckBook(con, QStringLiteral("C0"), QStringLiteral("BookNo"),
                                  i == 1 ? QStringLiteral("B2") : QStringLiteral("B1"));
        QVERIFY2(r, qPrintable(r.error.text));
        QCOMPARE(r.rows.value(0, QStringLiteral("BookNo")).toString(),
                 i == 1 ? QStringLiteral("B2") : QStringLiteral("B1"));
    }
    QCOMPARE(con.preparedCount(), 2);
}

void TestProcedures::preparedAfterTableChange()
{
    QFETCH(Backend, backend);
    Fixture f;
    QVERIFY(f.make(backend));
    Connection& con = *f.con;
    std::unique_ptr<Connection> admin = f.open();
    const auto alter = [&](const QString& sql) {
        QSqlQuery q(admin->database()); // not prepared: PostgreSQL prepares no ALTER
        if (!q.exec(sql))
            qWarning("%s", qPrintable(q.lastError().text()));
        return q.isActive();
    };
    QVERIFY(alter(QStringLiteral("CREATE TABLE Probe (K VARCHAR(5) PRIMARY KEY, V VARCHAR(10))")));
    QVERIFY(alter(QStringLiteral("INSERT INTO Probe (K, V) VALUES ('a', 'first')")));
    const QString value = QStringLiteral("SELECT K, V FROM Probe WHERE K = ?");
    const auto valueOf = [&]() {
        QSqlError error;
        QSqlQuery* q = con.execPrepared(value, {QStringLiteral("a")}, &error);
        if (!q) {
            qWarning("%s", qPrintable(error.text()));
            return QStringLiteral("<failed>");
        }
        const QString found = q->next() && q->record().count() == 2 ? q->value(1).toString()
                                                                    : QStringLiteral("<wrong>");
        q->finish();
        return found;
    };
    QCOMPARE(valueOf(), QStringLiteral("first"));

    // Another client adds a column (as a new branch adds its stock columns to Book): the kept
    // statement gives its two columns as before.
    QVERIFY(alter(QStringLiteral("ALTER TABLE Probe ADD COLUMN Extra INTEGER")));
    QCOMPARE(valueOf(), QStringLiteral("first"));
    // Every column (*) would change with the table: such a statement is not kept.
    QSqlError error;
    QVERIFY(!con.execPrepared(QStringLiteral("SELECT * FROM Probe WHERE K = ?"),
                              {QStringLiteral("a")}, &error));
    QVERIFY(error.isValid());
    QVERIFY(con.execPrepared(QStringLiteral("SELECT COUNT(*) FROM Probe WHERE K = ?"),
                             {QStringLiteral("a")}));

    if (backend != Backend::Postgres)
        return; // SQLite prepares a statement again itself when its tables change
    // A changed column type makes PostgreSQL refuse the old plan: prepared anew and run again.
    QVERIFY(alter(QStringLiteral("ALTER TABLE Probe ALTER COLUMN V TYPE VARCHAR(20)")));
    QCOMPARE(valueOf(), QStringLiteral("first"));
    // Within a transaction the failure can only be reported; the next call recovers.
    QVERIFY(alter(QStringLiteral("ALTER TABLE Probe ALTER COLUMN V TYPE VARCHAR(30)")));
    {
        TransactionGuard tx(con);
        QVERIFY(tx.begin());
        QVERIFY(!con.execPrepared(value, {QStringLiteral("a")}, &error));
        QCOMPARE(error.nativeErrorCode(), QStringLiteral("0A000"));
    }
    QCOMPARE(valueOf(), QStringLiteral("first"));
}
