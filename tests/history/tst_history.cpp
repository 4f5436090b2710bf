#include <functional>
#include <memory>

#include <QtTest>

#include "data/SqlDialect.h"
#include "data/procedures/Procedures.h"
#include "tests/support/DemoEnv.h"

using namespace Qt::StringLiterals;
using Procedures::DetailResult;

namespace {

using HistoryCall = std::function<DetailResult(Connection&, int, const QDate&, const QDate&,
                                               const QString&, const QString&)>;

HistoryCall procedure(const QString& name)
{
    if (name == u"customer"_s)
        return Procedures::CustomerDetail;
    if (name == u"book"_s)
        return Procedures::BookDetail;
    return Procedures::VendorDetail;
}

const QDate March1(2026, 3, 1);
const QDate March31(2026, 3, 31);

/**
 * The demo company plus documents with exact figures around March 2026 for customer T_01,
 * supplier TV1 and book TB-001; TX01 and TV_2 are look-alikes a pattern would also find.
 */
class HistoryEnv : public DemoEnv
{
public:
    explicit HistoryEnv(Backend backend) : DemoEnv(backend)
    {
        exec(u"INSERT INTO Customer (CustNo, CustName) VALUES ('T_01', '測試客戶'), "
             "('TX01', '相似客戶')"_s);
        exec(u"INSERT INTO Vendor (VNo, VName, Alliance) VALUES ('TV1', '測試供應商', 0), "
             "('TV_2', '相似供應商', 0)"_s);
        exec(u"INSERT INTO Book (BookNo, BookName, VNo) VALUES ('TB-001', '測試書', 'TV1'), "
             "('TB-0011', '相似書', 'TV_2')"_s);
        const auto at = [](int month, int day, const QTime& time = {0, 0}) {
            return QDateTime(QDate(2026, month, day), time);
        };
        // Quotations: both ends of March (the last one late in the day) and just outside it.
        document(u"Quote"_s, u"QuoteDetail"_s, u"CustNo"_s, u"T_01"_s, u"C0"_s, 901, at(3, 1),
                 {u"TB-001"_s, 100, 3, 0.8, u"NT"_s, 1, 240});
        document(u"Quote"_s, u"QuoteDetail"_s, u"CustNo"_s, u"T_01"_s, u"C1"_s, 902,
                 at(3, 31, {15, 30}), {u"TB-001"_s, 10, 2, 1, u"US"_s, 31.5, 20});
        document(u"Quote"_s, u"QuoteDetail"_s, u"CustNo"_s, u"T_01"_s, u"C0"_s, 903,
                 at(2, 28, {23, 59, 59}), {u"TB-001"_s, 100, 1, 1, u"NT"_s, 1, 100});
        document(u"Quote"_s, u"QuoteDetail"_s, u"CustNo"_s, u"T_01"_s, u"C0"_s, 904, at(4, 1),
                 {u"TB-001"_s, 100, 1, 1, u"NT"_s, 1, 100});
        document(u"Quote"_s, u"QuoteDetail"_s, u"CustNo"_s, u"TX01"_s, u"C0"_s, 905, at(3, 10),
                 {u"TB-0011"_s, 50, 7, 1, u"NT"_s, 1, 350});
        document(u"Quote"_s, u"QuoteDetail"_s, u"CustNo"_s, u"TX01"_s, u"C0"_s, 906, at(3, 11),
                 {u"TB-001"_s, 50, 1, 1, u"NT"_s, 1, 50});
        document(u"OrderM"_s, u"OrdDetail"_s, u"CustNo"_s, u"T_01"_s, u"C0"_s, 901, at(3, 5),
                 {u"TB-001"_s, 100, 4, 1, u"NT"_s, 1, 400});
        // A shipment and a sales return of the same day and number: the shipment comes first.
        document(u"ExportM"_s, u"ExpDetail"_s, u"CustNo"_s, u"T_01"_s, u"C0"_s, 901, at(3, 10),
                 {u"TB-001"_s, 100, 5, 1, u"NT"_s, 1, 500});
        document(u"ExpRet"_s, u"ERDetail"_s, u"CustNo"_s, u"T_01"_s, u"C0"_s, 901, at(3, 10),
                 {u"TB-001"_s, 100, 1, 1, u"NT"_s, 1, 100});
        document(u"CounterM"_s, u"CountDetail"_s, {}, u"T_01"_s, u"C0"_s, 901, at(3, 12),
                 {u"TB-001"_s, 100, 2, 1, u"NT"_s, 1, 200});
        document(u"BuyM"_s, u"BuyDetail"_s, u"VNO"_s, u"TV1"_s, u"C0"_s, 901, at(3, 2),
                 {u"TB-001"_s, 50, 10, 1, u"NT"_s, 1, 500});
        document(u"BuyM"_s, u"BuyDetail"_s, u"VNO"_s, u"TV_2"_s, u"C0"_s, 902, at(3, 2),
                 {u"TB-0011"_s, 50, 1, 1, u"NT"_s, 1, 50});
        document(u"ImportM"_s, u"ImpDetail"_s, u"VNo"_s, u"TV1"_s, u"C0"_s, 901, at(3, 3),
                 {u"TB-001"_s, 2.5, 10, 0.8, u"GBP"_s, 41.32, 20});
        document(u"ImpRet"_s, u"IRDetail"_s, u"VNo"_s, u"TV1"_s, u"C1"_s, 902, at(3, 4),
                 {u"TB-001"_s, 50, 2, 1, u"NT"_s, 1, 100});
        exec(
            u"INSERT INTO BRStock (BookNo, SArea, EDate, Qty, UsCode, BRReason) VALUES "
            "('TB-001', 'C0', ?, -1, 'ADMIN', '破損'), ('TB-001', 'C1', ?, 3, 'TCADMIN', '盤點')"_s,
            {date(at(3, 6)), date(at(3, 7))});
    }

    struct Line
    {
        QString book;
        double price;
        int qty;
        double disc;
        QString currency;
        double rate;
        double unSum;
    };

    QVariant date(const QDateTime& when)
    {
        return SqlDialect::dateTimeValue(db->settings().backend, when);
    }

    /// A header with one line; a counter line names the customer instead of its header.
    void document(const QString& head, const QString& lines, const QString& partnerColumn,
                  const QString& partner, const QString& area, int pno, const QDateTime& when,
                  const Line& l)
    {
        if (partnerColumn.isEmpty()) {
            exec(u"INSERT INTO %1 (SArea, PNo, EDate) VALUES (?, ?, ?)"_s.arg(head),
                 {area, pno, date(when)});
            exec(u"INSERT INTO %1 (SArea, PNo, BookNo, Price, Qty, Disc, ORI_CR, rate, UnSum, "
                 "ETime, CustNo) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, '10:00:00', ?)"_s.arg(lines),
                 {area, pno, l.book, l.price, l.qty, l.disc, l.currency, l.rate, l.unSum, partner});
            return;
        }
        exec(u"INSERT INTO %1 (SArea, PNo, %2, EDate) VALUES (?, ?, ?, ?)"_s.arg(head,
                                                                                 partnerColumn),
             {area, pno, partner, date(when)});
        exec(u"INSERT INTO %1 (SArea, PNo, BookNo, Price, Qty, Disc, ORI_CR, rate, UnSum, ETime) "
             "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, '10:00:00')"_s.arg(lines),
             {area, pno, l.book, l.price, l.qty, l.disc, l.currency, l.rate, l.unSum});
    }
};

/// One environment at a time (the connections have fixed names), kept while the backend stays
/// and dropped before the application goes, as its connections need the SQL drivers.
std::unique_ptr<HistoryEnv> current;

HistoryEnv& env(Backend backend)
{
    if (!current || current->db->settings().backend != backend) {
        current.reset();
        current = std::make_unique<HistoryEnv>(backend);
    }
    return *current;
}

QList<Backend> backends()
{
    QList<Backend> all{Backend::Sqlite};
    if (TestDb::postgresAvailable())
        all << Backend::Postgres;
    return all;
}

QString backendName(Backend b)
{
    return b == Backend::Sqlite ? u"sqlite"_s : u"postgres"_s;
}

QStringList column(const Procedures::ResultSet& set, int index)
{
    QStringList out;
    for (const QVariantList& row : set.rows)
        out << row.value(index).toString();
    return out;
}

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase() { current.reset(); }
    void history_data();
    void history();
    void columns_data();
    void columns();
    void lineFigures_data() { TestDb::addBackendRows(); }
    void lineFigures();
    void refused_data() { TestDb::addBackendRows(); }
    void refused();
};

void TestHistory::history_data()
{
    QTest::addColumn<Backend>("backend");
    QTest::addColumn<QString>("which");
    QTest::addColumn<int>("opf");
    QTest::addColumn<QString>("selNo");
    QTest::addColumn<QString>("area");
    QTest::addColumn<QStringList>("numbers");
    QTest::addColumn<QStringList>("quantities");
    QTest::addColumn<QStringList>("subtotals"); // company|name|quantity|amount
    QTest::addColumn<qlonglong>("sum");
    QTest::addColumn<qlonglong>("sum1");

    const QString hq = u"C0|禾嶼圖書出版社|"_s;
    const QString tc = u"C1|禾嶼圖書台中分公司|"_s;
    for (const Backend b : backends()) {
        const auto row = [&](const char* name) -> QTestData& {
            return QTest::newRow(qPrintable(backendName(b) + u'/' + QLatin1String(name))) << b;
        };
        // Both ends of the period count whole days; 2/28 23:59:59 and 4/1 00:00 stay out.
        row("customer_quotes_one_branch")
            << u"customer"_s << 1 << u"T_01"_s << u"C0"_s << QStringList{u"901"_s}
            << QStringList{u"3"_s} << QStringList{} << 3LL << 240LL;
        // "T_01" as a pattern would also take TX01's quotation 906 of the same book.
        row("customer_quotes_all_companies_underscore_no_wildcard")
            << u"customer"_s << 1 << u"T_01"_s << u"%"_s << QStringList{u"901"_s, u"902"_s}
            << QStringList{u"3"_s, u"2"_s} << QStringList{hq + u"3|240"_s, tc + u"2|630"_s} << 5LL
            << 870LL;
        row("customer_orders") << u"customer"_s << 2 << u"T_01"_s << u"C0"_s
                               << QStringList{u"901"_s} << QStringList{u"4"_s} << QStringList{}
                               << 4LL << 400LL;
        // Counter lines are not a customer's account; the return counts negative.
        row("customer_shipments_and_returns")
            << u"customer"_s << 5 << u"T_01"_s << u"C0"_s << QStringList{u"出貨901"_s, u"退回901"_s}
            << QStringList{u"5"_s, u"-1"_s} << QStringList{} << 4LL << 400LL;
        row("customer_nothing_in_period")
            << u"customer"_s << 2 << u"TX01"_s << u"%"_s << QStringList{} << QStringList{}
            << QStringList{} << 0LL << 0LL;
        row("customer_percent_is_no_wildcard")
            << u"customer"_s << 1 << u"T%"_s << u"%"_s << QStringList{} << QStringList{}
            << QStringList{} << 0LL << 0LL;
        row("customer_other_branch_only")
            << u"customer"_s << 1 << u"T_01"_s << u"C2"_s << QStringList{} << QStringList{}
            << QStringList{} << 0LL << 0LL;
        row("book_quotes_all_customers")
            << u"book"_s << 1 << u"TB-001"_s << u"%"_s << QStringList{u"901"_s, u"906"_s, u"902"_s}
            << QStringList{u"3"_s, u"1"_s, u"2"_s} << QStringList{hq + u"4|290"_s, tc + u"2|630"_s}
            << 6LL << 920LL;
        row("book_orders") << u"book"_s << 2 << u"TB-001"_s << u"C0"_s << QStringList{u"901"_s}
                           << QStringList{u"4"_s} << QStringList{} << 4LL << 400LL;
        row("book_purchases") << u"book"_s << 3 << u"TB-001"_s << u"C0"_s << QStringList{u"901"_s}
                              << QStringList{u"10"_s} << QStringList{} << 10LL << 500LL;
        // 20 GBP at 41.32 is NT$826.4, rounded to 826.
        row("book_receipts_and_purchase_returns")
            << u"book"_s << 4 << u"TB-001"_s << u"%"_s << QStringList{u"進貨901"_s, u"退出902"_s}
            << QStringList{u"10"_s, u"-2"_s} << QStringList{hq + u"10|826"_s, tc + u"-2|-100"_s}
            << 8LL << 726LL;
        // Only the asked branch's lines, when the book moved in both.
        row("book_receipts_and_purchase_returns_one_branch")
            << u"book"_s << 4 << u"TB-001"_s << u"C1"_s << QStringList{u"退出902"_s}
            << QStringList{u"-2"_s} << QStringList{} << -2LL << -100LL;
        row("book_shipments_returns_counter")
            << u"book"_s << 5 << u"TB-001"_s << u"C0"_s
            << QStringList{u"出貨901"_s, u"退回901"_s, u"櫃台901"_s}
            << QStringList{u"5"_s, u"-1"_s, u"2"_s} << QStringList{} << 6LL << 600LL;
        row("book_stock_adjustments")
            << u"book"_s << 6 << u"TB-001"_s << u"%"_s << QStringList{u"$1"_s, u"$2"_s}
            << QStringList{u"-1"_s, u"3"_s} << QStringList{hq + u"-1|0"_s, tc + u"3|0"_s} << 2LL
            << 0LL;
        row("book_number_prefix_is_not_a_match")
            << u"book"_s << 1 << u"TB-00_"_s << u"%"_s << QStringList{} << QStringList{}
            << QStringList{} << 0LL << 0LL;
        row("vendor_purchases") << u"vendor"_s << 3 << u"TV1"_s << u"C0"_s << QStringList{u"901"_s}
                                << QStringList{u"10"_s} << QStringList{} << 10LL << 500LL;
        row("vendor_receipts_and_returns")
            << u"vendor"_s << 4 << u"TV1"_s << u"%"_s << QStringList{u"進貨901"_s, u"退出902"_s}
            << QStringList{u"10"_s, u"-2"_s} << QStringList{hq + u"10|826"_s, tc + u"-2|-100"_s}
            << 8LL << 726LL;
        row("vendor_purchases_other_supplier")
            << u"vendor"_s << 3 << u"TV_2"_s << u"%"_s << QStringList{u"902"_s}
            << QStringList{u"1"_s} << QStringList{hq + u"1|50"_s} << 1LL << 50LL;
        row("vendor_percent_is_no_wildcard")
            << u"vendor"_s << 3 << u"TV%"_s << u"%"_s << QStringList{} << QStringList{}
            << QStringList{} << 0LL << 0LL;
    }
}

void TestHistory::history()
{
    QFETCH(Backend, backend);
    QFETCH(QString, which);
    QFETCH(int, opf);
    QFETCH(QString, selNo);
    QFETCH(QString, area);
    QFETCH(QStringList, numbers);
    QFETCH(QStringList, quantities);
    QFETCH(QStringList, subtotals);
    QFETCH(qlonglong, sum);
    QFETCH(qlonglong, sum1);
    HistoryEnv& e = env(backend);
    // Stock adjustments are numbered by the database.
    for (int i = 0; i < numbers.size(); ++i) {
        if (numbers[i].startsWith(u'$'))
            numbers[i] = e.scalar(u"SELECT PNo FROM BRStock WHERE BookNo = 'TB-001' AND Qty = ?"_s,
                                  {i == 0 ? -1 : 3})
                             .toString();
    }

    const DetailResult r = procedure(which)(e.dm->MainADOCon, opf, March1, March31, selNo, area);
    QVERIFY2(r.ok(), qPrintable(r.error.text));
    QCOMPARE(column(r.lines, 0), numbers);
    QCOMPARE(column(r.lines, r.lines.indexOf(u"數量"_s)), quantities);
    if (area == u"%"_s) {
        QStringList got;
        for (const QVariantList& s : r.subtotals.rows)
            got << u"%1|%2|%3|%4"_s.arg(s[0].toString(), s[1].toString(), s[2].toString(),
                                        s[3].toString());
        QCOMPARE(r.subtotals.columns,
                 QStringList({u"公司編號"_s, u"公司名稱"_s, u"數量小計"_s, u"台幣價格小計"_s}));
        QCOMPARE(got, subtotals);
    } else {
        QVERIFY(r.subtotals.columns.isEmpty());
        QVERIFY(r.subtotals.rows.isEmpty());
    }
    QCOMPARE(r.totals.columns, QStringList({u"sum"_s, u"sum_1"_s}));
    QCOMPARE(r.totals.size(), 1);
    QCOMPARE(r.totals.value(0, u"sum"_s).toLongLong(), sum);
    QCOMPARE(r.totals.value(0, u"sum_1"_s).toLongLong(), sum1);
}

void TestHistory::columns_data()
{
    QTest::addColumn<Backend>("backend");
    QTest::addColumn<QString>("which");
    QTest::addColumn<int>("opf");
    QTest::addColumn<QString>("columns");

    const QString figures = u"售價,數量,折扣,幣別,匯率,小計,台幣價格,公司編號"_s;
    for (const Backend b : backends()) {
        const auto row = [&](const char* name) -> QTestData& {
            return QTest::newRow(qPrintable(backendName(b) + u'/' + QLatin1String(name))) << b;
        };
        row("customer_quotes") << u"customer"_s << 1 << u"估價單號,日期,書籍編號,書名,"_s + figures;
        row("customer_orders") << u"customer"_s << 2 << u"訂貨單號,日期,書籍編號,書名,"_s + figures;
        row("customer_shipments") << u"customer"_s << 5
                                  << u"單據編號,日期,書籍編號,書名,"_s + figures;
        row("book_quotes") << u"book"_s << 1 << u"估價單號,日期,客戶編號,客戶名稱,"_s + figures;
        row("book_orders") << u"book"_s << 2 << u"訂貨單號,日期,客戶編號,客戶名稱,"_s + figures;
        row("book_purchases") << u"book"_s << 3
                              << u"採購單號,日期,供應商號,供應商名稱,"_s + figures;
        row("book_receipts") << u"book"_s << 4 << u"單據編號,日期,供應商號,供應商名稱,"_s + figures;
        row("book_shipments") << u"book"_s << 5 << u"單據編號,日期,客戶編號,客戶名稱,"_s + figures;
        row("book_adjustments") << u"book"_s << 6 << u"調整單號,日期,數量,原因,售價,單據數量,折扣,幣別,匯率,小計,調整者,公司編號"_s;
        row("vendor_purchases") << u"vendor"_s << 3
                                << u"採購單號,日期,書籍編號,書名,售價,數量,折扣,小計,幣別,匯率,"
                                   "台幣價格,公司編號"_s;
        row("vendor_receipts") << u"vendor"_s << 4
                               << u"單據編號,日期,書籍編號,書名,售價,數量,折扣,小計,幣別,匯率,"
                                  "台幣價格,公司編號"_s;
    }
}

void TestHistory::columns()
{
    QFETCH(Backend, backend);
    QFETCH(QString, which);
    QFETCH(int, opf);
    QFETCH(QString, columns);
    const QString key = which == u"customer"_s ? u"T_01"_s
                        : which == u"book"_s   ? u"TB-001"_s
                                               : u"TV1"_s;
    // An empty history has the same columns as a full one.
    for (const QDate& from : {March1, QDate(2020, 1, 1)}) {
        const DetailResult r = procedure(which)(env(backend).dm->MainADOCon, opf, from,
                                                from == March1 ? March31 : from, key, u"C0"_s);
        QVERIFY2(r.ok(), qPrintable(r.error.text));
        QCOMPARE(r.lines.columns.join(u','), columns);
        QCOMPARE(r.lines.isEmpty(), from != March1);
        for (const QVariantList& line : r.lines.rows)
            QCOMPARE(line.size(), r.lines.columns.size());
    }
}

void TestHistory::lineFigures()
{
    QFETCH(Backend, backend);
    Connection& con = env(backend).dm->MainADOCon;

    // A foreign-currency line, as the customer window binds it by column name.
    DetailResult r = Procedures::CustomerDetail(con, 1, March1, March31, u"T_01"_s, u"C1"_s);
    QVERIFY2(r.ok(), qPrintable(r.error.text));
    QCOMPARE(r.lines.size(), 1);
    QCOMPARE(r.lines.value(0, u"估價單號"_s).toString(), u"902"_s);
    QCOMPARE(r.lines.value(0, u"日期"_s).toString(), u"2026/03/31"_s);
    QCOMPARE(r.lines.value(0, u"書籍編號"_s).toString(), u"TB-001"_s);
    QCOMPARE(r.lines.value(0, u"書名"_s).toString(), u"測試書"_s);
    QCOMPARE(r.lines.value(0, u"售價"_s).toDouble(), 10.0);
    QCOMPARE(r.lines.value(0, u"數量"_s).toInt(), 2);
    QCOMPARE(r.lines.value(0, u"折扣"_s).toDouble(), 1.0);
    QCOMPARE(r.lines.value(0, u"幣別"_s).toString(), u"US"_s);
    QCOMPARE(r.lines.value(0, u"匯率"_s).toDouble(), 31.5);
    QCOMPARE(r.lines.value(0, u"小計"_s).toDouble(), 20.0);
    QCOMPARE(r.lines.value(0, u"台幣價格"_s).toLongLong(), 630LL);
    QCOMPARE(r.lines.value(0, u"公司編號"_s).toString(), u"C1"_s);

    // A supplier's return: quantity and amounts negated, price and discount as entered.
    r = Procedures::VendorDetail(con, 4, March1, March31, u"TV1"_s, u"C1"_s);
    QVERIFY2(r.ok(), qPrintable(r.error.text));
    QCOMPARE(r.lines.size(), 1);
    const QVariantList ret = r.lines.rows.first();
    QCOMPARE(ret.at(0).toString(), u"退出902"_s);
    QCOMPARE(ret.at(4).toDouble(), 50.0);
    QCOMPARE(ret.at(5).toInt(), -2);
    QCOMPARE(ret.at(6).toDouble(), 1.0);
    QCOMPARE(ret.at(7).toDouble(), -100.0); // 小計 before 幣別 and 匯率
    QCOMPARE(ret.at(8).toString(), u"NT"_s);
    QCOMPARE(ret.at(10).toLongLong(), -100LL);

    // The partner of a book's line: the header's supplier, the counter line's own customer.
    r = Procedures::BookDetail(con, 4, March1, March31, u"TB-001"_s, u"C0"_s);
    QVERIFY2(r.ok(), qPrintable(r.error.text));
    QCOMPARE(r.lines.value(0, u"供應商號"_s).toString(), u"TV1"_s);
    QCOMPARE(r.lines.value(0, u"供應商名稱"_s).toString(), u"測試供應商"_s);
    r = Procedures::BookDetail(con, 5, March1, March31, u"TB-001"_s, u"C0"_s);
    QVERIFY2(r.ok(), qPrintable(r.error.text));
    QCOMPARE(column(r.lines, 2), QStringList({u"T_01"_s, u"T_01"_s, u"T_01"_s}));
    QCOMPARE(column(r.lines, 3), QStringList({u"測試客戶"_s, u"測試客戶"_s, u"測試客戶"_s}));

    // Stock adjustments: reason and the adjusting user.
    r = Procedures::BookDetail(con, 6, March1, March31, u"TB-001"_s, u"C1"_s);
    QVERIFY2(r.ok(), qPrintable(r.error.text));
    QCOMPARE(r.lines.size(), 1);
    QCOMPARE(r.lines.value(0, u"日期"_s).toString(), u"2026/03/07"_s);
    QCOMPARE(r.lines.value(0, u"原因"_s).toString(), u"盤點"_s);
    QCOMPARE(r.lines.value(0, u"調整者"_s).toString(), u"TCADMIN"_s);

    // The demo's own history: the head office's shipment and sales return to 晨光書店.
    r = Procedures::CustomerDetail(con, 5, QDate(2026, 10, 1), QDate(2026, 10, 31), u"A0002"_s,
                                   u"C0"_s);
    QVERIFY2(r.ok(), qPrintable(r.error.text));
    QCOMPARE(r.lines.size(), 2);
    QVERIFY(r.lines.rows[0][0].toString().startsWith(u"出貨"_s));
    QVERIFY(r.lines.rows[1][0].toString().startsWith(u"退回"_s));
    QCOMPARE(r.totals.value(0, u"sum"_s).toLongLong(), 3LL);
}

void TestHistory::refused()
{
    QFETCH(Backend, backend);
    Connection& con = env(backend).dm->MainADOCon;
    struct Case
    {
        HistoryCall call;
        int opf;
        QDate from;
    };
    const QList<Case> cases = {
        {Procedures::CustomerDetail, 3, March1}, // purchases are no customer history
        {Procedures::CustomerDetail, 6, March1},
        {Procedures::VendorDetail, 1, March1},
        {Procedures::VendorDetail, 5, March1},
        {Procedures::BookDetail, 7, March1},
        {Procedures::BookDetail, 0, March1},
        {Procedures::BookDetail, 1, QDate()}, // no start date
    };
    for (const Case& c : cases) {
        const DetailResult r = c.call(con, c.opf, c.from, March31, u"TB-001"_s, u"C0"_s);
        QVERIFY2(!r.ok(), qPrintable(u"opf %1 accepted"_s.arg(c.opf)));
        QVERIFY(r.lines.rows.isEmpty());
    }
    // A period that ends before it starts holds nothing.
    const DetailResult r = Procedures::BookDetail(con, 1, March31, March1, u"TB-001"_s, u"%"_s);
    QVERIFY2(r.ok(), qPrintable(r.error.text));
    QVERIFY(r.lines.isEmpty());
    QCOMPARE(r.totals.value(0, u"sum"_s).toLongLong(), 0LL);
}

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
