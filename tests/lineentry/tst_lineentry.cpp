#include <cstring>
#include <memory>

#include <QSqlQuery>
#include <QtTest>

#include "../support/MessageRecorder.h"
#include "../support/DemoEnv.h"
#include "../support/TestDb.h"
#include "data/ExtendedMath.h"
#include "data/TMainDM.h"
#include "data/dataset/TDataSet.h"

namespace {

const QString NoSuchBook = QStringLiteral("查無此書籍資料");

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

/// The demo company with a few books made for the pricing cases, and a logged-in module.
struct Env : DemoEnv
{
    explicit Env(Backend backend) : DemoEnv(backend)
    {
        exec(QStringLiteral("UPDATE ExRate SET rate=32.1 WHERE ORI_CR='US'"));
        exec(QStringLiteral("INSERT INTO ExRate (ORI_CR, rate) VALUES ('jpy', 0.215)"));
        // NT price, foreign price, currency, discount class.
        book(QStringLiteral("TB0001"), 1200, 45, QStringLiteral("US"), QStringLiteral("B"),
             QStringLiteral("4710000000011"));
        book(QStringLiteral("TB0002"), 900, 30, QStringLiteral("XYZ"), QStringLiteral("B"),
             QStringLiteral("4710000000028"));
        book(QStringLiteral("TB0003"), 500, 20, QStringLiteral("US"), QStringLiteral("G"),
             QStringLiteral("4710000000035"));
        book(QStringLiteral("TB0004"), 300, 1400, QStringLiteral("JPY"), QStringLiteral("b"),
             QStringLiteral("4710000000042"));
        book(QStringLiteral("TB0005"), 800, 25, QString(), QStringLiteral("B"),
             QStringLiteral("4710000000059"));
    }
    void book(const QString& no, double nt, double foreign, const QString& currency,
              const QString& cls, const QString& barCode)
    {
        exec(
            QStringLiteral(
                "INSERT INTO Book (BookNo, BookName, Author, BPublisher, BarCode, NTPrice, FPrice, "
                "ORI_CR, KDiscount, StockC0) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, 10)"),
            {no, QStringLiteral("書名") + no, QStringLiteral("作者甲"), QStringLiteral("出版社乙"),
             barCode, nt, foreign, currency.isEmpty() ? QVariant(QString()) : QVariant(currency),
             cls});
    }

    /// A saved header of the window's kind for the partner, linked to CustDS/VenDS, its lines open.
    bool openDocument(int kind, TDataSet& header, TDataSet& lines, const QString& partnerField,
                      const QString& partner, bool foreign)
    {
        dm->DocKind = kind;
        dm->LogItem = QStringLiteral("測試單");
        if (!header.isActive() && !header.open())
            return false;
        if (!header.append() || !header.fieldByName(partnerField).setValue(partner) ||
            !header.fieldByName(QStringLiteral("MKind")).setValue(foreign) ||
            !header.fieldByName(QStringLiteral("EDate"))
                 .setValue(QDateTime(QDate(2026, 6, 3), QTime(0, 0))) ||
            !header.post())
            return false;
        dm->LinkPartner(header);
        return lines.isActive() || lines.open();
    }
};

} // namespace

class TestLineEntry : public QObject
{
    Q_OBJECT
private slots:
    void roundAmount_data();
    void roundAmount();
    void extendedEmulationMatchesNative();
    void pricing_data();
    void pricing();
    void typedFiguresAndCurrency_data() { TestDb::addBackendRows(); }
    void typedFiguresAndCurrency();
    void barCodeEntry_data() { TestDb::addBackendRows(); }
    void barCodeEntry();
    void refusedEntries_data() { TestDb::addBackendRows(); }
    void refusedEntries();
    void partnerChecks_data() { TestDb::addBackendRows(); }
    void partnerChecks();
    void writeOffComputedValues_data() { TestDb::addBackendRows(); }
    void writeOffComputedValues();
};

void TestLineEntry::roundAmount_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("expected");
    // The factor 0.01 as a double lies above 0.01, so some third-decimal fives round down.
    QTest::newRow("0.125_down") << 0.125 << 2 << 0.12;
    QTest::newRow("90.045_down") << 90.045 << 2 << 90.04;
    QTest::newRow("-0.125_mirrors") << -0.125 << 2 << -0.12;
    QTest::newRow("0.1251_up") << 0.1251 << 2 << 0.13;
    QTest::newRow("0.135_up") << 0.135 << 2 << 0.14;
    QTest::newRow("40.5_away") << 40.5 << 0 << 41.0;
    QTest::newRow("-40.5_away") << -40.5 << 0 << -41.0;
    QTest::newRow("40.4999_down") << 40.4999 << 0 << 40.0;
    QTest::newRow("2.5_away") << 2.5 << 0 << 3.0;
    QTest::newRow("1080_whole") << 1080.0 << 0 << 1080.0;
    QTest::newRow("zero") << 0.0 << 2 << 0.0;
    QTest::newRow("large_nt") << 1234567.5 << 0 << 1234568.0;
}

void TestLineEntry::roundAmount()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(double, expected);
    const double got = TMainDM::RoundAmount(value, decimals);
    QVERIFY2(sameBits(got, expected), qPrintable(QString::number(got, 'g', 20)));
}

void TestLineEntry::extendedEmulationMatchesNative()
{
    if (!ExtendedMath::isNative())
        QSKIP("no native 80-bit extended type to compare with");
    // Halves and near-halves at both scales, then prices, quantities and discounts at random.
    QList<double> values = {0.125, 90.045, 40.5,          2.675, 1.005,
                            0.135, 1e-9,   123456789.125, 4.35,  0.285};
    QRandomGenerator rng(20261211);
    for (int i = 0; i < 20000; ++i)
        values << rng.bounded(1000000) / 1000.0 << rng.generateDouble() * 1e6;
    for (double v : values) {
        for (double f : {1.0, 0.01}) {
            const double native = ExtendedMath::roundQuotient(v, f);
            const double soft = ExtendedMath::soft::roundQuotient(v, f);
            QVERIFY2(sameBits(native, soft),
                     qPrintable(QStringLiteral("%1 / %2").arg(v, 0, 'g', 17).arg(f)));
        }
    }
    for (int i = 0; i < 20000; ++i) {
        const double qty = double(rng.bounded(-50, 500));
        const double price = rng.bounded(100000) / 100.0;
        const double disc = rng.bounded(1, 10001) / 10000.0;
        QVERIFY2(sameBits(ExtendedMath::product(qty, price, disc),
                          ExtendedMath::soft::product(qty, price, disc)),
                 qPrintable(QStringLiteral("%1 x %2 x %3").arg(qty).arg(price).arg(disc)));
    }
    QVERIFY(
        sameBits(ExtendedMath::soft::product(3, 33.35, 0.9), ExtendedMath::product(3, 33.35, 0.9)));
}

void TestLineEntry::pricing_data()
{
    QTest::addColumn<Backend>("backend");
    QTest::addColumn<QString>("document"); // "quote" (customer side) or "buy" (supplier side)
    QTest::addColumn<bool>("foreign");
    QTest::addColumn<QString>("book");
    QTest::addColumn<double>("price");
    QTest::addColumn<QString>("currency");
    QTest::addColumn<double>("rate");
    QTest::addColumn<double>("disc");
    QTest::addColumn<double>("unSum");

    struct Case
    {
        const char* name;
        const char* document;
        bool foreign;
        const char* book;
        double price;
        const char* currency;
        double rate;
        double disc;
        double unSum;
    };
    // Customer A0003 has 0.9 for class B; supplier V001 has 0.65.
    const Case cases[] = {
        {"foreign_quote_class_B", "quote", true, "TB0001", 45, "US", 32.1, 0.9, 40.5},
        {"nt_quote_class_B", "quote", false, "TB0001", 1200, "NT", 1, 0.9, 1080},
        {"currency_missing_from_rates", "quote", true, "TB0002", 30, "XYZ", 1, 0.9, 27},
        {"class_outside_A_to_F_pays_list", "quote", true, "TB0003", 20, "US", 32.1, 1, 20},
        {"rate_matched_ignoring_case_lower_class", "quote", true, "TB0004", 1400, "JPY", 0.215, 0.9,
         1260},
        {"book_without_currency_prices_nt", "quote", true, "TB0005", 800, "NT", 1, 0.9, 720},
        {"supplier_side_foreign", "buy", true, "TB0001", 45, "US", 32.1, 0.65, 29.25},
    };
    for (const Case& c : cases) {
        QTest::newRow(qPrintable(QStringLiteral("%1/sqlite").arg(QLatin1String(c.name))))
            << Backend::Sqlite << QString::fromLatin1(c.document) << c.foreign
            << QString::fromLatin1(c.book) << c.price << QString::fromLatin1(c.currency) << c.rate
            << c.disc << c.unSum;
        if (TestDb::postgresAvailable())
            QTest::newRow(qPrintable(QStringLiteral("%1/postgres").arg(QLatin1String(c.name))))
                << Backend::Postgres << QString::fromLatin1(c.document) << c.foreign
                << QString::fromLatin1(c.book) << c.price << QString::fromLatin1(c.currency)
                << c.rate << c.disc << c.unSum;
    }
}

void TestLineEntry::pricing()
{
    QFETCH(Backend, backend);
    QFETCH(QString, document);
    QFETCH(bool, foreign);
    QFETCH(QString, book);
    Env env(backend);
    MessageRecorder messages;
    TMainDM& dm = *env.dm;
    const bool quote = document == QLatin1String("quote");
    TDataSet& lines = quote ? dm.QuoteDDS : dm.BuyDDS;
    QVERIFY(quote ? env.openDocument(1, dm.QuoteDS, lines, QStringLiteral("CustNo"),
                                     QStringLiteral("A0003"), foreign)
                  : env.openDocument(2, dm.BuyDS, lines, QStringLiteral("VNO"),
                                     QStringLiteral("V001"), foreign));
    QVERIFY(lines.append());
    QVERIFY(
        lines.fieldByName(QStringLiteral("BookNo")).setEditText(QStringLiteral(" %1 ").arg(book)));
    QCOMPARE(
        messages.texts(),
        QStringList{QStringLiteral("品名:書名%1\r\n作者:作者甲\r\n出版商:出版社乙").arg(book)});
    QCOMPARE(lines.fieldByName(QStringLiteral("BookNo")).asString(), book);
    QTEST(lines.fieldByName(QStringLiteral("Price")).asFloat(), "price");
    QTEST(lines.fieldByName(QStringLiteral("ORI_CR")).asString(), "currency");
    QTEST(lines.fieldByName(QStringLiteral("rate")).asFloat(), "rate");
    QTEST(lines.fieldByName(QStringLiteral("Disc")).asFloat(), "disc");
    QTEST(lines.fieldByName(QStringLiteral("UnSum")).asFloat(), "unSum");

    // The amount is what is stored, and the saved line shows the server's PDNo and the book.
    QVERIFY2(lines.post(), qPrintable(messages.texts().join('|') + lines.lastError().text()));
    QVERIFY(!lines.fieldByName(QStringLiteral("PDNo")).isNull());
    QCOMPARE(lines.fieldByName(QStringLiteral("BookName")).asString(),
             QStringLiteral("書名") + book);
    QSqlQuery q(dm.MainADOCon.database());
    QVERIFY(q.prepare(QStringLiteral("SELECT UnSum FROM %1 WHERE PDNo=?").arg(lines.table())));
    q.bindValue(0, lines.fieldByName(QStringLiteral("PDNo")).value());
    VERIFY_SQL(q, q.exec() && q.next());
    QTEST(q.value(0).toDouble(), "unSum");
}

void TestLineEntry::typedFiguresAndCurrency()
{
    QFETCH(Backend, backend);
    Env env(backend);
    MessageRecorder messages;
    TMainDM& dm = *env.dm;
    QVERIFY(env.openDocument(1, dm.QuoteDS, dm.QuoteDDS, QStringLiteral("CustNo"),
                             QStringLiteral("A0003"), true));
    TDataSet& line = dm.QuoteDDS;
    QVERIFY(line.append());
    // A new line starts as one copy at no price, undiscounted, in NT.
    QCOMPARE(line.fieldByName(QStringLiteral("Qty")).asInteger(), 1);
    QCOMPARE(line.fieldByName(QStringLiteral("Price")).asFloat(), 0.0);
    QCOMPARE(line.fieldByName(QStringLiteral("Disc")).asFloat(), 1.0);
    QCOMPARE(line.fieldByName(QStringLiteral("ORI_CR")).asString(), QStringLiteral("NT"));
    QCOMPARE(line.fieldByName(QStringLiteral("rate")).asFloat(), 1.0);
    QVERIFY(QTime::fromString(line.fieldByName(QStringLiteral("ETime")).asString(),
                              QStringLiteral("HH:mm:ss"))
                .isValid());
    QCOMPARE(line.fieldByName(QStringLiteral("SArea")).asString(), QStringLiteral("C0"));
    QCOMPARE(line.fieldByName(QStringLiteral("PNo")).value(),
             dm.QuoteDS.fieldByName(QStringLiteral("PNo")).value());

    QVERIFY(line.fieldByName(QStringLiteral("BookNo")).setEditText(QStringLiteral("TB0001")));
    TField& unSum = line.fieldByName(QStringLiteral("UnSum"));
    QVERIFY(line.fieldByName(QStringLiteral("Qty")).setEditText(QStringLiteral(" 3 ")));
    QVERIFY(line.fieldByName(QStringLiteral("Price")).setEditText(QStringLiteral("33.35")));
    QCOMPARE(unSum.asFloat(), 90.04);

    // A currency typed by hand changes the rate, not the amount.
    QVERIFY(line.fieldByName(QStringLiteral("ORI_CR")).setEditText(QStringLiteral(" nt ")));
    QCOMPARE(line.fieldByName(QStringLiteral("ORI_CR")).asString(), QStringLiteral("NT"));
    QCOMPARE(line.fieldByName(QStringLiteral("rate")).asFloat(), 1.0);
    QCOMPARE(unSum.asFloat(), 90.04);
    // The next typed figure rounds in the new currency, even when it is the same figure.
    QVERIFY(line.fieldByName(QStringLiteral("Disc")).setEditText(QStringLiteral("0.9")));
    QCOMPARE(unSum.asFloat(), 90.0);
    QVERIFY(line.fieldByName(QStringLiteral("ORI_CR")).setEditText(QStringLiteral("us")));
    QCOMPARE(line.fieldByName(QStringLiteral("rate")).asFloat(), 32.1);
    QVERIFY(line.fieldByName(QStringLiteral("Qty")).setEditText(QStringLiteral("1")));
    QVERIFY(line.fieldByName(QStringLiteral("Price")).setEditText(QStringLiteral("45")));
    QCOMPARE(unSum.asFloat(), 40.5);
    QVERIFY(line.fieldByName(QStringLiteral("ORI_CR")).setEditText(QStringLiteral("NT")));
    QVERIFY(line.fieldByName(QStringLiteral("Price")).setEditText(QStringLiteral("45")));
    QCOMPARE(unSum.asFloat(), 41.0);
    QVERIFY(line.fieldByName(QStringLiteral("ORI_CR")).setEditText(QStringLiteral("QQ")));
    QCOMPARE(line.fieldByName(QStringLiteral("rate")).asFloat(), 1.0);
    // A book number put in by code is not a typed entry: no lookup, the figures stay.
    QVERIFY(line.fieldByName(QStringLiteral("BookNo")).setValue(QStringLiteral("HY0001")));
    QCOMPARE(line.fieldByName(QStringLiteral("Price")).asFloat(), 45.0);
    // A quantity from a spin button recomputes as well.
    QVERIFY(line.fieldByName(QStringLiteral("Qty")).setValue(2));
    QCOMPARE(unSum.asFloat(), 81.0);
    QCOMPARE(messages.texts().size(), 1); // only the book's information box
}

void TestLineEntry::barCodeEntry()
{
    QFETCH(Backend, backend);
    Env env(backend);
    MessageRecorder messages;
    TMainDM& dm = *env.dm;
    QVERIFY(env.openDocument(3, dm.ExportDS, dm.ExportDDS, QStringLiteral("CustNo"),
                             QStringLiteral("A0003"), false));
    TDataSet& line = dm.ExportDDS;
    QVERIFY(line.append());
    QVERIFY(
        line.fieldByName(QStringLiteral("BarCode")).setEditText(QStringLiteral(" 4710000000011 ")));
    QCOMPARE(line.fieldByName(QStringLiteral("BookNo")).asString(), QStringLiteral("TB0001"));
    QVERIFY(line.fieldByName(QStringLiteral("BarCode")).isNull()); // shows once saved
    QCOMPARE(line.fieldByName(QStringLiteral("UnSum")).asFloat(), 1080.0);
    QCOMPARE(messages.texts().size(), 1);
    QVERIFY(line.post());
    QCOMPARE(line.fieldByName(QStringLiteral("BarCode")).asString(),
             QStringLiteral("4710000000011"));

    // The counter's scratch lines keep their own copy of the book, whichever was typed.
    messages.clear();
    dm.DocKind = 12;
    dm.CounterForeign = false;
    QVERIFY(dm.CustDS.isActive());
    QVERIFY(dm.CTempDS.open());
    QVERIFY(dm.CTempDS.append());
    QVERIFY(dm.CTempDS.fieldByName(QStringLiteral("BarCode"))
                .setEditText(QStringLiteral("4710000000028 ")));
    QCOMPARE(dm.CTempDS.fieldByName(QStringLiteral("BarCode")).asString(),
             QStringLiteral("4710000000028"));
    QCOMPARE(dm.CTempDS.fieldByName(QStringLiteral("BookNo")).asString(), QStringLiteral("TB0002"));
    QCOMPARE(dm.CTempDS.fieldByName(QStringLiteral("BookName")).asString(),
             QStringLiteral("書名TB0002"));
    QCOMPARE(dm.CTempDS.fieldByName(QStringLiteral("Stocks")).asInteger(), 10);
    QCOMPARE(dm.CTempDS.fieldByName(QStringLiteral("Price")).asFloat(), 900.0);
    QVERIFY(dm.CTempDS.fieldByName(QStringLiteral("BookNo")).setEditText(QStringLiteral("TB0001")));
    QCOMPARE(dm.CTempDS.fieldByName(QStringLiteral("BarCode")).asString(),
             QStringLiteral("4710000000011"));
    QVERIFY(messages.messages().isEmpty()); // the counter shows no information box
}

void TestLineEntry::refusedEntries()
{
    QFETCH(Backend, backend);
    Env env(backend);
    MessageRecorder messages;
    TMainDM& dm = *env.dm;
    QVERIFY(env.openDocument(1, dm.QuoteDS, dm.QuoteDDS, QStringLiteral("CustNo"),
                             QStringLiteral("A0003"), true));
    TDataSet& line = dm.QuoteDDS;
    QVERIFY(line.append());
    QVERIFY(!line.post());
    QCOMPARE(messages.texts(), QStringList{QStringLiteral("請輸入書籍編號")});
    QCOMPARE(messages.lastKind(), TDialogs::Kind::Warning);
    QCOMPARE(line.state(), TDataSet::State::Insert);

    QVERIFY(line.fieldByName(QStringLiteral("BookNo")).setEditText(QStringLiteral("TB0001")));
    messages.clear();
    QVERIFY(!line.fieldByName(QStringLiteral("BookNo")).setEditText(QStringLiteral("NOSUCH")));
    QVERIFY(!line.fieldByName(QStringLiteral("BarCode")).setEditText(QStringLiteral("0000")));
    QCOMPARE(messages.texts(), (QStringList{NoSuchBook, NoSuchBook}));
    QCOMPARE(messages.lastKind(), TDialogs::Kind::Error);
    QCOMPARE(line.fieldByName(QStringLiteral("BookNo")).asString(), QStringLiteral("TB0001"));
    QCOMPARE(line.fieldByName(QStringLiteral("UnSum")).asFloat(), 40.5);

    for (const QString& refused :
         {QStringLiteral("1.5"), QStringLiteral("0"), QStringLiteral("-0.5")}) {
        messages.clear();
        QVERIFY(!line.fieldByName(QStringLiteral("Disc")).setEditText(refused));
        QCOMPARE(messages.texts(), QStringList{QStringLiteral("折扣應介於1~0.0001")});
    }
    QCOMPARE(line.fieldByName(QStringLiteral("Disc")).asFloat(), 0.9);
    QCOMPARE(line.fieldByName(QStringLiteral("UnSum")).asFloat(), 40.5);
    QVERIFY(line.fieldByName(QStringLiteral("Disc")).setEditText(QStringLiteral("1")));
    QCOMPARE(line.fieldByName(QStringLiteral("UnSum")).asFloat(), 45.0);
    QVERIFY(line.post());

    // Deleting a line asks first; No keeps it.
    messages.clear();
    const int before = line.recordCount();
    messages.answer({false});
    QVERIFY(!line.remove());
    QCOMPARE(line.recordCount(), before);
    messages.answer({true});
    QVERIFY(line.remove());
    QCOMPARE(line.recordCount(), before - 1);
    QCOMPARE(messages.texts(),
             (QStringList{QStringLiteral("確定刪除？"), QStringLiteral("確定刪除？")}));
}

void TestLineEntry::partnerChecks()
{
    QFETCH(Backend, backend);
    Env env(backend);
    MessageRecorder messages;
    TMainDM& dm = *env.dm;
    struct Check
    {
        TDataSet* ds;
        const char* field;
        const char* typed;
        const char* message; ///< null: accepted
    };
    const Check checks[] = {
        {&dm.QuoteDS, "CustNo", "NOBODY", "查無此客戶資料"},
        {&dm.QuoteDS, "CustNo", " A0003 ", nullptr},
        {&dm.QuoteDS, "CustNo", "B0002", nullptr}, // locked customers may still be quoted
        {&dm.OrderDS, "CustNo", "NOBODY", "查無此客戶資料"},
        {&dm.ExpRetDS, "CustNo", "NOBODY", "查無此客戶資料"},
        {&dm.SubInqMDS, "CustNo", "NOBODY", "查無此客戶資料"},
        {&dm.ExportDS, "CustNo", "NOBODY", "查無此客戶資料"},
        {&dm.ExportDS, "CustNo", "B0002", "此客戶已被鎖定，不可出貨"},
        {&dm.ExportDS, "CustNo", "A0002 ", nullptr},
        {&dm.BuyDS, "VNO", "NOBODY", "查無此供應商資料"},
        {&dm.ImportDS, "VNo", "V001 ", nullptr},
        {&dm.ImpRetDS, "VNo", "NOBODY", "查無此供應商資料"},
    };
    for (const Check& c : checks) {
        const QString what = c.ds->name() + QLatin1Char('/') + QLatin1String(c.typed);
        QVERIFY2(c.ds->isActive() || c.ds->open(), qPrintable(what));
        QVERIFY2(c.ds->append(), qPrintable(what));
        TField& f = c.ds->fieldByName(QLatin1String(c.field));
        messages.clear();
        const bool accepted = f.setEditText(QLatin1String(c.typed));
        if (c.message) {
            QVERIFY2(!accepted, qPrintable(what));
            QCOMPARE(messages.texts(), QStringList{QString::fromUtf8(c.message)});
            QVERIFY2(f.isNull(), qPrintable(what));
        } else {
            QVERIFY2(accepted, qPrintable(what + messages.texts().join('|')));
            QCOMPARE(f.asString(), QLatin1String(c.typed).trimmed());
            QVERIFY(messages.messages().isEmpty());
        }
        c.ds->cancel();
    }

    // Inquiry lines are for books not yet in the catalogue.
    dm.DocKind = 10;
    QVERIFY(dm.SubInqMDS.append());
    QVERIFY(dm.SubInqMDS.fieldByName(QStringLiteral("CustNo")).setValue(QStringLiteral("A0003")));
    QVERIFY(dm.SubInqMDS.post());
    QVERIFY(dm.SubInqDDS.open());
    QVERIFY(dm.SubInqDDS.append());
    TField& inquired = dm.SubInqDDS.fieldByName(QStringLiteral("BookNo"));
    messages.clear();
    QVERIFY(!inquired.setEditText(QStringLiteral("   ")));
    QVERIFY(messages.messages().isEmpty());
    QVERIFY(!inquired.setEditText(QStringLiteral("TB0001")));
    QCOMPARE(messages.texts(), QStringList{QStringLiteral("此書籍編碼已經存在")});
    QVERIFY(inquired.setEditText(QStringLiteral(" NEW0001 ")));
    QCOMPARE(inquired.asString(), QStringLiteral("NEW0001"));

    // A linked partner follows the header's partner once it is saved.
    QVERIFY(env.openDocument(1, dm.QuoteDS, dm.QuoteDDS, QStringLiteral("CustNo"),
                             QStringLiteral("A0002"), false));
    QCOMPARE(dm.CustDS.fieldByName(QStringLiteral("CustNo")).asString(), QStringLiteral("A0002"));
    QVERIFY(dm.QuoteDS.edit());
    QVERIFY(dm.QuoteDS.fieldByName(QStringLiteral("CustNo")).setValue(QStringLiteral("A0004")));
    QCOMPARE(dm.CustDS.fieldByName(QStringLiteral("CustNo")).asString(), QStringLiteral("A0004"));
}

void TestLineEntry::writeOffComputedValues()
{
    QFETCH(Backend, backend);
    Env env(backend);
    TMainDM& dm = *env.dm;
    // The demo's open payables write-off: 6815 owed, nothing paid, half written off.
    env.exec(QStringLiteral("UPDATE ImpWOff SET POff=100"));
    env.exec(
        QStringLiteral("INSERT INTO IWODetail (SArea, PNo, SKind, SNo, SPay, SumPay, OffMoney) "
                       "SELECT SArea, PNo, SKind, SNo, 500, 200, NULL FROM IWODetail"));
    QVERIFY(dm.IWOffDS.open());
    QVERIFY(dm.IWOffDDS.open());
    QVERIFY(dm.IWOffTDS.open());
    QCOMPARE(dm.IWOffDDS.recordCount(), 2);
    QList<QVariant> open;
    for (int row = 0; row < dm.IWOffDDS.recordCount(); ++row)
        open << TMainDM::OffPay(dm.IWOffDDS, row);
    QVERIFY(open.contains(QVariant(3407.5)));
    QVERIFY(open.contains(QVariant())); // a line without its write-off amount has no open amount
    // 6815 + 500 owed, 200 paid, 3407.5 written off, 100 allowed on the header.
    QCOMPARE(dm.PayResult(dm.IWOffDS).toDouble(), 3607.5);
    QVERIFY(dm.PayResult(dm.QuoteDS).isNull());
}

QTEST_GUILESS_MAIN(TestLineEntry)
#include "tst_lineentry.moc"
