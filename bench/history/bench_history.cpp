// Transaction histories on a large trading record: CustomerDetail, BookDetail and VendorDetail
// for many partners and books, one branch and all companies, against documents of ten years.
//
//   bench_history [documents] [--config DBSet.INI]
//   bench_history --generated (--sqlite FILE | --config DBSet.INI)
//
// Without --config the figures are taken on a fresh SQLite file; with it, on the (empty) database
// the file names, PostgreSQL or SQLite. With --generated, on a database made by `heyu-db generate`:
// BookDetail of its history book over the five years, for one branch and for every company, each
// beside the same statement prepared once and read straight. Build without sanitizers for real
// figures.

#include <algorithm>
#include <functional>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTextStream>

#include "bench/common/BenchHarness.h"
#include "data/Connection.h"
#include "data/DbConfig.h"
#include "data/Schema.h"
#include "data/SqlDialect.h"
#include "data/procedures/Procedures.h"
#include "tools/Generator.h"

namespace {

constexpr int Branches = 5;
constexpr int Customers = 2000;
constexpr int Suppliers = 200;
constexpr int Books = 50000;
constexpr int LinesPerDocument = 5;
const QDate FirstDay(2016, 1, 1);
constexpr int Days = 3650;

QString branch(int i)
{
    return QStringLiteral("C%1").arg(i % Branches);
}
QString customer(int i)
{
    return QStringLiteral("A%1").arg(i % Customers, 5, 10, QLatin1Char('0'));
}
QString supplier(int i)
{
    return QStringLiteral("V%1").arg(i % Suppliers, 4, 10, QLatin1Char('0'));
}
QString book(int i)
{
    return QStringLiteral("B%1").arg(i % Books, 7, 10, QLatin1Char('0'));
}

class Filler
{
public:
    explicit Filler(Connection& con) : m_con(con), m_q(con.database()) {}

    bool run(const QString& sql, const QVariantList& values)
    {
        if (m_q.lastQuery() != sql && !m_q.prepare(sql))
            return fail();
        for (int i = 0; i < values.size(); ++i)
            m_q.bindValue(i, values.at(i));
        return m_q.exec() || fail();
    }

    /// Headers of one kind over ten years, each with its lines; partner(i) names the partner, who
    /// trades with every branch.
    bool documents(const QString& head, const QString& lines, const QString& partnerColumn,
                   const std::function<QString(int)>& partner, int count, int seed)
    {
        const QString h =
            QStringLiteral("INSERT INTO %1 (SArea, PNo, %2, EDate) VALUES (?, ?, ?, ?)")
                .arg(head, partnerColumn);
        const QString d =
            QStringLiteral("INSERT INTO %1 (SArea, PNo, BookNo, Price, Qty, Disc, ORI_CR, rate, "
                           "UnSum, ETime) VALUES (?, ?, ?, 100, ?, 1, 'NT', 1, ?, ?)")
                .arg(lines);
        for (int i = 0; i < count; ++i) {
            const QDate day = FirstDay.addDays(i * qint64(Days) / count);
            if (!run(h, {branch(i), i + 1, partner(i / Branches * 7 + seed),
                         SqlDialect::dateValue(m_con.backend(), day)}))
                return false;
            for (int k = 0; k < LinesPerDocument; ++k) {
                const int qty = 1 + (i + k) % 9;
                if (!run(d, {branch(i), i + 1, book(i * 131 + k * 977 + seed), qty, qty * 100,
                             QStringLiteral("10:00:%1").arg(k, 2, 10, QLatin1Char('0'))}))
                    return false;
            }
        }
        return true;
    }

    QString error() const { return m_error; }

private:
    bool fail()
    {
        m_error = m_q.lastError().text();
        return false;
    }

    Connection& m_con;
    QSqlQuery m_q;
    QString m_error;
};

bool fill(Connection& con, int documents, QString* error)
{
    Filler f(con);
    const auto done = [&](bool ok) {
        if (!ok)
            *error = f.error();
        return ok;
    };
    if (!con.beginWrite())
        return false;
    for (int i = 0; i < Branches; ++i) {
        if (!done(
                f.run(QStringLiteral("INSERT INTO Vendor (VNo, VName, Alliance) VALUES (?, ?, 1)"),
                      {branch(i), QStringLiteral("公司%1").arg(i)})))
            return false;
    }
    for (int i = 0; i < Suppliers; ++i) {
        if (!done(
                f.run(QStringLiteral("INSERT INTO Vendor (VNo, VName, Alliance) VALUES (?, ?, 0)"),
                      {supplier(i), QStringLiteral("供應商%1").arg(i)})))
            return false;
    }
    for (int i = 0; i < Customers; ++i) {
        if (!done(f.run(QStringLiteral("INSERT INTO Customer (CustNo, CustName) VALUES (?, ?)"),
                        {customer(i), QStringLiteral("客戶%1").arg(i)})))
            return false;
    }
    for (int i = 0; i < Books; ++i) {
        if (!done(f.run(QStringLiteral("INSERT INTO Book (BookNo, BookName, VNo) VALUES (?, ?, ?)"),
                        {book(i), QStringLiteral("書名%1").arg(i), supplier(i)})))
            return false;
    }
    const bool ok = f.documents(QStringLiteral("ExportM"), QStringLiteral("ExpDetail"),
                                QStringLiteral("CustNo"), customer, documents, 0) &&
                    f.documents(QStringLiteral("ExpRet"), QStringLiteral("ERDetail"),
                                QStringLiteral("CustNo"), customer, documents / 10, 3) &&
                    f.documents(QStringLiteral("Quote"), QStringLiteral("QuoteDetail"),
                                QStringLiteral("CustNo"), customer, documents / 2, 5) &&
                    f.documents(QStringLiteral("ImportM"), QStringLiteral("ImpDetail"),
                                QStringLiteral("VNo"), supplier, documents / 2, 1) &&
                    f.documents(QStringLiteral("BuyM"), QStringLiteral("BuyDetail"),
                                QStringLiteral("VNO"), supplier, documents / 2, 2);
    if (!done(ok))
        return false;
    for (int i = 0; i < documents / 2; ++i) {
        if (!done(f.run(QStringLiteral("INSERT INTO BRStock (BookNo, SArea, EDate, Qty, UsCode) "
                                       "VALUES (?, ?, ?, 1, 'BENCH')"),
                        {book(i * 37), branch(i),
                         SqlDialect::dateValue(con.backend(), FirstDay.addDays(i * qint64(Days) /
                                                                               (documents / 2)))})))
            return false;
    }
    if (!con.commit())
        return false;
    // PostgreSQL gathers statistics by itself soon after a load; SQLite is left without, as the
    // program never gathers them.
    QSqlQuery q(con.database());
    return con.backend() != Backend::Postgres || q.exec(QStringLiteral("ANALYZE"));
}

using Call = std::function<Procedures::DetailResult(Connection&, int, const QDate&, const QDate&,
                                                    const QString&, const QString&)>;

void measure(QTextStream& out, Connection& con, const char* title, const Call& call, int opf,
             const std::function<QString(int)>& key, const QString& area, int months)
{
    constexpr int Calls = 50;
    QList<double> ms;
    qlonglong lines = 0;
    QElapsedTimer t;
    for (int i = 0; i < Calls; ++i) {
        const QDate to = FirstDay.addDays(Days - 1 - (i * 53) % 1000);
        t.start();
        const Procedures::DetailResult r =
            call(con, opf, to.addMonths(-months), to, key(i * 17), area);
        ms << t.nsecsElapsed() / 1e6;
        if (!r) {
            out << title << ": " << r.error.text << Qt::endl;
            return;
        }
        lines += r.lines.size();
    }
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double m : ms)
        sum += m;
    out << qSetFieldWidth(44) << Qt::left << title << qSetFieldWidth(0) << " mean "
        << QString::number(sum / Calls, 'f', 2) << " ms, median "
        << QString::number(ms[Calls / 2], 'f', 2) << " ms, max "
        << QString::number(ms.last(), 'f', 2) << " ms, " << lines / Calls << " lines per call"
        << Qt::endl;
}

// --- on a generated database -------------------------------------------------------------------

/// The document lines BookDetail reads for one kind: header table, line table, partner column.
struct Lines
{
    const char* head;
    const char* lines;
    const char* partner;
};

QList<Lines> linesOf(int opf)
{
    switch (opf) {
    case 1:
        return {{"Quote", "QuoteDetail", "h.CustNo"}};
    case 2:
        return {{"OrderM", "OrdDetail", "h.CustNo"}};
    case 3:
        return {{"BuyM", "BuyDetail", "h.VNO"}};
    case 4:
        return {{"ImportM", "ImpDetail", "h.VNo"}, {"ImpRet", "IRDetail", "h.VNo"}};
    case 5:
        return {{"ExportM", "ExpDetail", "h.CustNo"},
                {"ExpRet", "ERDetail", "h.CustNo"},
                {"CounterM", "CountDetail", "d.CustNo"}};
    default:
        return {};
    }
}

/// The statement BookDetail runs for a kind, written out, with its values in order.
QString floorSql(Connection& con, int opf, const QDate& from, const QDate& to, const QString& book,
                 const QString& area, QVariantList* values)
{
    const auto period = [&](const QString& alias, const QString& areaAlias) {
        QString sql = QStringLiteral(" AND %1.EDate >= ? AND %1.EDate < ?").arg(alias);
        *values << SqlDialect::dateValue(con.backend(), from)
                << SqlDialect::dateValue(con.backend(), to.addDays(1));
        if (area != QLatin1String("%")) {
            sql += QStringLiteral(" AND %1.SArea = ?").arg(areaAlias);
            *values << area;
        }
        return sql;
    };
    if (opf == 6) {
        *values << book;
        return QStringLiteral("SELECT s.PNo, s.EDate, s.Qty, s.BRReason, s.UsCode, s.SArea "
                              "FROM BRStock s WHERE s.BookNo = ?") +
               period(QStringLiteral("s"), QStringLiteral("s")) +
               QStringLiteral(" ORDER BY s.EDate, s.PNo");
    }
    QStringList selects;
    const QList<Lines> sources = linesOf(opf);
    for (int i = 0; i < sources.size(); ++i) {
        const Lines& s = sources.at(i);
        const QString partner = QString::fromLatin1(s.partner);
        const bool supplier = partner.endsWith(QLatin1String("VNo"), Qt::CaseInsensitive);
        *values << book;
        // On PostgreSQL each line looks its header up (a LATERAL subquery kept apart by OFFSET 0),
        // the branch taken on the lines; SQLite keeps the lines outer by its CROSS JOIN.
        const QString lines = QString::fromLatin1(s.lines);
        const QString head = QString::fromLatin1(s.head);
        const QString joined =
            con.isPostgres()
                ? QStringLiteral("%1 d CROSS JOIN LATERAL (SELECT h.SArea, h.PNo, h.EDate%3 FROM "
                                 "%2 h WHERE h.SArea = d.SArea AND h.PNo = d.PNo OFFSET 0) h")
                      .arg(lines, head,
                           partner.startsWith(QLatin1String("h.")) ? QStringLiteral(", ") + partner
                                                                   : QString())
                : QStringLiteral("%1 d CROSS JOIN %2 h").arg(lines, head);
        const QString filter = con.isPostgres()
                                   ? QStringLiteral("d.BookNo = ?")
                                   : QStringLiteral("h.SArea = d.SArea AND h.PNo = d.PNo AND "
                                                    "d.BookNo = ?");
        selects
            << QStringLiteral(
                   "SELECT h.PNo AS pno, h.EDate AS edate, %1, p.%2, d.Price, d.Qty, d.Disc, "
                   "d.ORI_CR, d.rate, d.UnSum, Round(d.UnSum*d.rate,0) AS nt, h.SArea AS sarea, "
                   "%3 AS src, d.ETime AS etime, d.PDNo AS pdno FROM %4 "
                   "LEFT JOIN %5 p ON p.%6 = %1 WHERE %7")
                       .arg(partner,
                            supplier ? QStringLiteral("VName") : QStringLiteral("CustName"))
                       .arg(i)
                       .arg(joined,
                            supplier ? QStringLiteral("Vendor") : QStringLiteral("Customer"),
                            supplier ? QStringLiteral("VNo") : QStringLiteral("CustNo"), filter) +
                   period(QStringLiteral("h"),
                          con.isPostgres() ? QStringLiteral("d") : QStringLiteral("h"));
    }
    return selects.join(QStringLiteral(" UNION ALL ")) +
           QStringLiteral(" ORDER BY edate, pno, src, sarea, etime, pdno");
}

int measureGenerated(QTextStream& out, const QStringList& arguments)
{
    Bench::Target target;
    QString error;
    if (!Bench::parseArguments(arguments, &target, &error)) {
        out << error << Qt::endl;
        return 2;
    }
    Connection con(QStringLiteral("bench"));
    con.configure(target.settings);
    QSqlQuery books(con.database());
    if (!books.exec(QStringLiteral("SELECT COUNT(*) FROM Book")) || !books.next()) {
        out << "no books: " << books.lastError().text() << con.lastErrorText() << Qt::endl;
        return 1;
    }
    const QString book = Generator::bookNo(Generator::HistoryBook, books.value(0).toLongLong());
    books.finish();
    // The generated trade's five years.
    const QDate from(2021, 12, 1);
    const QDate to = from.addYears(5).addDays(-1);
    constexpr int Runs = 20;
    const char* kinds[] = {"",           "quotations",           "orders",
                           "purchases",  "receipts and returns", "shipments, returns, counter",
                           "adjustments"};

    // PostgreSQL plans the first calls of a kept statement for their values, later ones maybe
    // once for all: ours is also measured planned for each call, as a session's first calls run.
    const auto setPlanning = [&](const char* mode) {
        QSqlQuery set(con.database());
        return set.exec(QStringLiteral("SET plan_cache_mode = %1").arg(QLatin1String(mode)));
    };
    constexpr int Rounds = 5;

    Bench::printHeader(out);
    for (const QString& area : {QStringLiteral("C1"), QStringLiteral("%")}) {
        for (int opf = 1; opf <= 6; ++opf) {
            qsizetype lines = 0;
            const auto oursCall = [&] {
                const Procedures::DetailResult r =
                    Procedures::BookDetail(con, opf, from, to, book, area);
                lines = r.lines.rows.size();
                if (!r)
                    error = r.error.text;
                return bool(r);
            };
            QVariantList values;
            QSqlQuery q(con.database());
            q.setForwardOnly(true);
            if (!q.prepare(floorSql(con, opf, from, to, book, area, &values))) {
                out << "prepare: " << q.lastError().text() << Qt::endl;
                return 1;
            }
            qsizetype floorLines = 0;
            const auto floorCall = [&] {
                for (int i = 0; i < values.size(); ++i)
                    q.bindValue(i, values.at(i));
                if (!q.exec())
                    return false;
                floorLines = 0;
                const int columns = q.record().count();
                QVariantList row;
                while (q.next()) {
                    for (int c = 0; c < columns; ++c)
                        row << q.value(c);
                    ++floorLines;
                }
                return true;
            };
            // Turns in rounds, each series warmed up in the first, so that a change of the
            // machine's load falls on all alike.
            QList<double> ours, floor, oursCustom;
            // Which goes first changes from round to round.
            const int seriesCount = con.isPostgres() ? 3 : 2;
            for (int round = 0; round < Rounds; ++round) {
                const int warmUp = round == 0 ? 3 : 0;
                for (int turn = 0; turn < seriesCount; ++turn) {
                    switch ((turn + round) % seriesCount) {
                    case 0:
                        ours << Bench::timeRuns(Runs / Rounds, oursCall, warmUp);
                        break;
                    case 1:
                        floor << Bench::timeRuns(Runs / Rounds, floorCall, warmUp);
                        break;
                    default:
                        if (setPlanning("force_custom_plan")) {
                            oursCustom << Bench::timeRuns(Runs / Rounds, oursCall, warmUp);
                            setPlanning("auto");
                        }
                    }
                }
            }
            if (ours.size() < Runs || (con.isPostgres() && oursCustom.size() < Runs)) {
                out << "BookDetail " << opf << ": " << error << Qt::endl;
                return 1;
            }
            if (floor.size() < Runs) {
                out << "floor " << opf << ": " << q.lastError().text() << Qt::endl;
                return 1;
            }
            QString notes = QStringLiteral("%1 lines (floor %2), %3 runs in %4 rounds")
                                .arg(lines)
                                .arg(floorLines)
                                .arg(Runs)
                                .arg(Rounds);
            if (con.isPostgres())
                notes += QStringLiteral(", planned for each call: %1 ms")
                             .arg(Bench::median(oursCustom), 0, 'f', 3);
            Bench::printRow(out, target.backendName,
                            QStringLiteral("BookDetail %1, %2, 5 years: %3")
                                .arg(book,
                                     area == QLatin1String("%") ? QStringLiteral("\"%\"") : area,
                                     QString::fromLatin1(kinds[opf])),
                            Bench::median(ours), Bench::median(floor), notes);
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    if (app.arguments().contains(QLatin1String("--generated"))) {
        QStringList rest = app.arguments().mid(1);
        rest.removeAll(QStringLiteral("--generated"));
        return measureGenerated(out, rest);
    }
    int documents = 100000;
    QString config;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--config") && i + 1 < args.size())
            config = args[++i];
        else
            documents = args[i].toInt();
    }

    QTemporaryDir dir;
    DbSettings settings;
    if (config.isEmpty()) {
        settings.backend = Backend::Sqlite;
        settings.sqliteFile = dir.filePath(QStringLiteral("bench.db"));
        QFile(settings.sqliteFile).open(QIODevice::WriteOnly);
    } else {
        QString one, two, error;
        if (!DbConfig::readIniFile(config, &one, &two, &error)) {
            out << error << Qt::endl;
            return 1;
        }
        settings = DbConfig::resolve(DbConfig::FixedPrefix + one, two);
    }
    Connection con(QStringLiteral("bench"));
    con.configure(settings);
    QStringList branches;
    for (int i = 0; i < Branches; ++i)
        branches << branch(i);
    QString error;
    QElapsedTimer t;
    t.start();
    if (!Schema::create(con, branches, &error) || !fill(con, documents, &error)) {
        out << "set-up: " << error << con.lastErrorText() << Qt::endl;
        return 1;
    }
    out << (settings.backend == Backend::Sqlite ? "SQLite" : "PostgreSQL") << ", " << documents
        << " shipments of " << LinesPerDocument << " lines (and returns, quotations, receipts, "
        << "purchases, adjustments) over ten years, filled in " << t.elapsed() / 1000 << " s"
        << Qt::endl;

    const QString c1 = QStringLiteral("C1");
    const QString all = QStringLiteral("%");
    measure(out, con, "customer shipments, one branch, 3 months", Procedures::CustomerDetail, 5,
            customer, c1, 3);
    measure(out, con, "customer shipments, all companies, 12 months", Procedures::CustomerDetail, 5,
            customer, all, 12);
    measure(out, con, "customer quotations, all companies, 10 years", Procedures::CustomerDetail, 1,
            customer, all, 120);
    measure(out, con, "book shipments, one branch, 3 months", Procedures::BookDetail, 5, book, c1,
            3);
    measure(out, con, "book shipments, all companies, 10 years", Procedures::BookDetail, 5, book,
            all, 120);
    measure(out, con, "book adjustments, one branch, 12 months", Procedures::BookDetail, 6, book,
            c1, 12);
    measure(out, con, "supplier receipts, one branch, 3 months", Procedures::VendorDetail, 4,
            supplier, c1, 3);
    measure(out, con, "supplier purchases, all companies, 12 months", Procedures::VendorDetail, 3,
            supplier, all, 12);
    return 0;
}
