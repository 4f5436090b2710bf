#include "data/procedures/HistoryDetail.h"

#include <cmath>
#include <map>

#include <QSqlQuery>

#include "data/SqlDialect.h"

using namespace Qt::StringLiterals;

namespace Procedures {

/*
 * An adjustment has no price: its lines keep the twelve places of every history, with the six
 * price places empty, so that the history printout and the grid address columns alike for every
 * kind. Their names stay apart from the adjustment's own 數量.
 */
const QStringList AdjustmentPriceColumns{u"售價"_s, u"單據數量"_s, u"折扣"_s,
                                         u"幣別"_s, u"匯率"_s,     u"小計"_s};

QStringList HistoryLineColumns(HistoryOf of, int opf)
{
    QString number;
    switch (opf) {
    case 1:
        number = u"估價單號"_s;
        break;
    case 2:
        number = u"訂貨單號"_s;
        break;
    case 3:
        number = u"採購單號"_s;
        break;
    case 6:
        number = u"調整單號"_s;
        break;
    default:
        number = u"單據編號"_s;
    }
    QStringList c{number, u"日期"_s};
    if (of == HistoryOf::Book && opf == 6)
        return c << u"數量"_s << u"原因"_s << AdjustmentPriceColumns << u"調整者"_s
                 << u"公司編號"_s;
    if (of != HistoryOf::Book)
        c << u"書籍編號"_s << u"書名"_s;
    else if (opf == 3 || opf == 4)
        c << u"供應商號"_s << u"供應商名稱"_s;
    else
        c << u"客戶編號"_s << u"客戶名稱"_s;
    if (of == HistoryOf::Vendor)
        c << u"售價"_s << u"數量"_s << u"折扣"_s << u"小計"_s << u"幣別"_s << u"匯率"_s;
    else
        c << u"售價"_s << u"數量"_s << u"折扣"_s << u"幣別"_s << u"匯率"_s << u"小計"_s;
    return c << u"台幣價格"_s << u"公司編號"_s;
}

} // namespace Procedures

namespace Procedures::detail {
namespace {

/// One kind of document line a history reads.
struct Source
{
    QString head;
    QString lines;
    QString partner; ///< the partner's number, of the header (h.) or of the line (d.)
    QString prefix;  ///< before the number of a goods movement, else empty
    int sign;        ///< -1: a return, shown negated
};

const Source Quotes{u"Quote"_s, u"QuoteDetail"_s, u"h.CustNo"_s, {}, 1};
const Source Orders{u"OrderM"_s, u"OrdDetail"_s, u"h.CustNo"_s, {}, 1};
const Source Purchases{u"BuyM"_s, u"BuyDetail"_s, u"h.VNO"_s, {}, 1};
const Source Receipts{u"ImportM"_s, u"ImpDetail"_s, u"h.VNo"_s, u"進貨"_s, 1};
const Source PurchaseReturns{u"ImpRet"_s, u"IRDetail"_s, u"h.VNo"_s, u"退出"_s, -1};
const Source Shipments{u"ExportM"_s, u"ExpDetail"_s, u"h.CustNo"_s, u"出貨"_s, 1};
const Source SalesReturns{u"ExpRet"_s, u"ERDetail"_s, u"h.CustNo"_s, u"退回"_s, -1};
const Source CounterSales{u"CounterM"_s, u"CountDetail"_s, u"d.CustNo"_s, u"櫃台"_s, 1};

const char* procedureName(HistoryOf of)
{
    switch (of) {
    case HistoryOf::Customer:
        return "CustomerDetail";
    case HistoryOf::Book:
        return "BookDetail";
    case HistoryOf::Vendor:
        return "VendorDetail";
    }
    return "";
}

/// The document lines of a history kind; empty when the kind has none for this partner.
QList<Source> sourcesOf(HistoryOf of, int opf)
{
    const bool book = of == HistoryOf::Book;
    const bool customer = of == HistoryOf::Customer || book;
    const bool supplier = of == HistoryOf::Vendor || book;
    switch (opf) {
    case 1:
        return customer ? QList<Source>{Quotes} : QList<Source>{};
    case 2:
        return customer ? QList<Source>{Orders} : QList<Source>{};
    case 3:
        return supplier ? QList<Source>{Purchases} : QList<Source>{};
    case 4:
        return supplier ? QList<Source>{Receipts, PurchaseReturns} : QList<Source>{};
    case 5:
        // Counter lines name a walk-in customer of their own, not a customer's account.
        if (book)
            return {Shipments, SalesReturns, CounterSales};
        return customer ? QList<Source>{Shipments, SalesReturns} : QList<Source>{};
    default:
        return {};
    }
}

/// Period conditions on `alias` and the branch's on `areaAlias`, with their values appended.
QString periodAndArea(Connection& con, const QString& alias, const QDate& bDate, const QDate& eDate,
                      const QString& sArea, QVariantList& values, const QString& areaAlias = {})
{
    // Whole days: from the start of the first to before the start of the day after the last,
    // so the date column's own index order serves and a time of day never drops a row.
    QString sql = u" AND %1.EDate >= ? AND %1.EDate < ?"_s.arg(alias);
    values << SqlDialect::dateValue(con.backend(), bDate)
           << SqlDialect::dateValue(con.backend(), eDate.addDays(1));
    if (sArea != u"%"_s) {
        sql += u" AND %1.SArea = ?"_s.arg(areaAlias.isEmpty() ? alias : areaAlias);
        values << sArea;
    }
    return sql;
}

/// A book's lines of one kind, each with its header found by key. SQLite would rather walk the
/// branch's headers of the period, which reads every line of them; its CROSS JOIN keeps the
/// lines as the outer loop. PostgreSQL, planning for the values of one call, would hash every
/// header of the period (a hundred thousand over five years) to join a few thousand lines,
/// several times slower than looking each one up: the LATERAL subquery, kept apart by its
/// OFFSET 0, makes it look them up. Its branch condition is on the lines, before the look-up.
QString bookLinesFrom(Connection& con, const Source& s)
{
    if (con.isPostgres()) {
        const QString partner = s.partner.startsWith(u"h."_s) ? u", "_s + s.partner : QString();
        return u"%2 d CROSS JOIN LATERAL (SELECT h.SArea, h.PNo, h.EDate%3 FROM %1 h "
               "WHERE h.SArea = d.SArea AND h.PNo = d.PNo OFFSET 0) h"_s.arg(s.head, s.lines,
                                                                             partner);
    }
    return u"%2 d CROSS JOIN %1 h"_s.arg(s.head, s.lines);
}

QString selectOf(Connection& con, HistoryOf of, const Source& s, int ordinal,
                 const QString& condition)
{
    QString what;
    QString join;
    if (of == HistoryOf::Book) {
        const bool supplier = s.partner.endsWith(u"VNo"_s, Qt::CaseInsensitive);
        what = u"%1, p.%2"_s.arg(s.partner, supplier ? u"VName"_s : u"CustName"_s);
        join = supplier ? u"LEFT JOIN Vendor p ON p.VNo = %1"_s.arg(s.partner)
                        : u"LEFT JOIN Customer p ON p.CustNo = %1"_s.arg(s.partner);
    } else {
        what = u"d.BookNo, b.BookName"_s;
        join = u"LEFT JOIN Book b ON b.BookNo = d.BookNo"_s;
    }
    // A book's lines are found through their book number index, then their headers by key.
    const bool book = of == HistoryOf::Book;
    const QString from =
        book ? bookLinesFrom(con, s)
             : u"%1 h JOIN %2 d ON d.SArea = h.SArea AND d.PNo = h.PNo"_s.arg(s.head, s.lines);
    const QString filter = !book ? s.partner + u" = ?"_s
                           : con.isPostgres()
                               ? u"d.BookNo = ?"_s
                               : u"h.SArea = d.SArea AND h.PNo = d.PNo AND d.BookNo = ?"_s;
    return uR"(SELECT h.PNo AS pno, h.EDate AS edate, %1, d.Price, d.Qty, d.Disc, d.ORI_CR, d.rate,
       d.UnSum, Round(d.UnSum*d.rate,0) AS nt, h.SArea AS sarea, %2 AS src, d.ETime AS etime,
       d.PDNo AS pdno
FROM %3
%4
WHERE %5%6)"_s.arg(what)
        .arg(ordinal)
        .arg(from, join, filter, condition);
}

/// A figure negated for a return, without turning a zero into "-0".
double signedAmount(const QVariant& v, int sign)
{
    const double d = v.toDouble();
    return d == 0 ? 0.0 : sign * d;
}

QVariant orNull(const QVariant& v, const QVariant& value)
{
    return v.isNull() ? QVariant() : value;
}

/// "yyyy/MM/dd" of a date of years 1 to 9999, null for an invalid one.
QString slashDay(const QDate& day)
{
    if (!day.isValid())
        return {};
    if (day.year() < 1 || day.year() > 9999)
        return day.toString(u"yyyy/MM/dd"_s);
    const auto digits = [](QChar* at, int value, int count) {
        for (int i = count - 1; i >= 0; --i, value /= 10)
            at[i] = QChar(u'0' + value % 10);
    };
    QString text(10, u'/');
    digits(text.data(), day.year(), 4);
    digits(text.data() + 5, day.month(), 2);
    digits(text.data() + 8, day.day(), 2);
    return text;
}

QString dayText(const QVariant& v)
{
    return slashDay(SqlDialect::toDate(v));
}

struct Sums
{
    qlonglong qty = 0;
    qlonglong amount = 0;
};

bool readLines(QSqlQuery& q, const QList<Source>& sources, DetailResult& r)
{
    const bool amountFirst = r.lines.columns.at(7) == u"小計"_s;
    while (q.next()) {
        const Source& s = sources.at(q.value(12).toInt());
        const QVariant price = q.value(4);
        const QVariant qty = q.value(5);
        const QVariant disc = q.value(6);
        const QVariant currencyValue = q.value(7);
        const QVariant rateValue = q.value(8);
        const QVariant unSum = q.value(9);
        const QVariant nt = q.value(10);
        QVariantList row;
        row.reserve(12);
        row << s.prefix + q.value(0).toString() << dayText(q.value(1)) << q.value(2).toString()
            << q.value(3).toString() << orNull(price, price.toDouble())
            << orNull(qty, qlonglong(s.sign * qty.toLongLong())) << orNull(disc, disc.toDouble());
        const QVariant currency = orNull(currencyValue, currencyValue.toString());
        const QVariant rate = orNull(rateValue, rateValue.toDouble());
        const QVariant amount = orNull(unSum, signedAmount(unSum, s.sign));
        if (amountFirst)
            row << amount << currency << rate;
        else
            row << currency << rate << amount;
        row << orNull(nt, qlonglong(std::llround(signedAmount(nt, s.sign))))
            << q.value(11).toString();
        r.lines.rows << row;
    }
    q.finish();
    return true;
}

bool readAdjustments(QSqlQuery& q, DetailResult& r)
{
    while (q.next()) {
        QVariantList row{q.value(0).toString(), dayText(q.value(1)),
                         orNull(q.value(2), q.value(2).toLongLong()), q.value(3).toString()};
        for (int i = 0; i < AdjustmentPriceColumns.size(); ++i)
            row << QVariant();
        row << q.value(4).toString() << q.value(5).toString();
        r.lines.rows << row;
    }
    q.finish();
    return true;
}

/// Subtotals per company and the grand total, added from the lines as shown.
void addSums(Connection& con, bool perCompany, bool adjustments, DetailResult& r)
{
    const int qtyColumn = r.lines.indexOf(u"數量"_s);
    const int amountColumn = adjustments ? -1 : r.lines.indexOf(u"台幣價格"_s);
    const int companyColumn = r.lines.indexOf(u"公司編號"_s);
    std::map<QString, Sums> companies;
    Sums all;
    for (const QVariantList& row : std::as_const(r.lines.rows)) {
        const qlonglong qty = row.at(qtyColumn).toLongLong();
        const qlonglong amount = amountColumn < 0 ? 0 : row.at(amountColumn).toLongLong();
        Sums& c = companies[row.at(companyColumn).toString()];
        c.qty += qty;
        c.amount += amount;
        all.qty += qty;
        all.amount += amount;
    }
    r.totals.columns = QStringList{u"sum"_s, u"sum_1"_s};
    r.totals.rows = {QVariantList{all.qty, all.amount}};
    if (!perCompany)
        return;
    r.subtotals.columns =
        QStringList{u"公司編號"_s, u"公司名稱"_s, u"數量小計"_s, u"台幣價格小計"_s};
    if (companies.empty())
        return;
    // The names of the companies shown only, by key: the vendor table also holds every supplier.
    QHash<QString, QString> names;
    QVariantList codes;
    for (const auto& entry : companies)
        codes << entry.first;
    const QString marks = QString(u"?, "_s).repeated(codes.size()).chopped(2);
    QSqlQuery* q = execPrepared(
        con, u"SELECT VNo, VName FROM Vendor WHERE Alliance = 1 AND VNo IN (%1)"_s.arg(marks),
        codes, r);
    if (!q)
        return;
    while (q->next())
        names.insert(q->value(0).toString(), q->value(1).toString());
    q->finish();
    for (const auto& [code, sums] : companies)
        r.subtotals.rows << QVariantList{code, names.value(code), sums.qty, sums.amount};
}

} // namespace

DetailResult history(Connection& con, HistoryOf of, int opf, const QDate& bDate, const QDate& eDate,
                     const QString& selNo, const QString& sArea)
{
    DetailResult r;
    const QString name = QLatin1String(procedureName(of));
    const bool adjustments = of == HistoryOf::Book && opf == 6;
    const QList<Source> sources = sourcesOf(of, opf);
    if (sources.isEmpty() && !adjustments) {
        r.error = DbError::refused(u"%1: no history of kind %2"_s.arg(name).arg(opf));
        return r;
    }
    if (!bDate.isValid() || !eDate.isValid()) {
        r.error = DbError::refused(u"%1: the period needs two dates"_s.arg(name));
        return r;
    }
    // The server compared keys with trailing blanks ignored; anything else must match whole.
    QString key = selNo;
    while (key.endsWith(u' '))
        key.chop(1);

    // The statements stay prepared on the connection: the history window asks again for every
    // partner, book and kind shown.
    r.lines.columns = HistoryLineColumns(of, opf);
    if (adjustments) {
        QVariantList values{key};
        const QString sql =
            u"SELECT s.PNo, s.EDate, s.Qty, s.BRReason, s.UsCode, s.SArea FROM BRStock s "
            "WHERE s.BookNo = ?"_s +
            periodAndArea(con, u"s"_s, bDate, eDate, sArea, values) + u" ORDER BY s.EDate, s.PNo"_s;
        QSqlQuery* q = execPrepared(con, sql, values, r);
        if (!q || !readAdjustments(*q, r))
            return r;
    } else {
        const bool bookOnServer = of == HistoryOf::Book && con.isPostgres();
        QStringList selects;
        QVariantList values;
        for (int i = 0; i < sources.size(); ++i) {
            values << key;
            selects << selectOf(con, of, sources.at(i), i,
                                periodAndArea(con, u"h"_s, bDate, eDate, sArea, values,
                                              bookOnServer ? u"d"_s : QString()));
        }
        const QString sql =
            selects.join(u"\nUNION ALL\n"_s) + u"\nORDER BY edate, pno, src, sarea, etime, pdno"_s;
        QSqlQuery* q = execPrepared(con, sql, values, r);
        if (!q || !readLines(*q, sources, r))
            return r;
    }
    addSums(con, sArea == u"%"_s, adjustments, r);
    return r;
}

} // namespace Procedures::detail
