// Looking a book up while a line is typed: CheckBook by book number and by bar code, through the
// main data module and through the procedure, beside the same statement prepared once and run
// straight. Run it on a database made by `heyu-db generate`.
//
//   bench_lookup (--sqlite FILE | --config DBSet.INI) [calls]

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "bench/common/BenchHarness.h"
#include "data/TMainDM.h"
#include "data/procedures/CheckBook.h"
#include "tools/Generator.h"

namespace {

const QString Area = QStringLiteral("C0");

qint64 countBooks(Connection& con)
{
    QSqlQuery q(con.database());
    return q.exec(QStringLiteral("SELECT COUNT(*) FROM Book")) && q.next() ? q.value(0).toLongLong()
                                                                           : 0;
}

/// Keys spread over the whole catalogue so that no run is served from one warm page.
QStringList keys(qint64 books, int count, bool barCode)
{
    QStringList out;
    for (qint64 k = 0; out.size() < count; ++k) {
        const qint64 i = (k * 7919 + 13) % books;
        if (barCode && i % 20 == 19)
            continue; // house EANs: the ISBN formula does not give them
        out << (barCode ? Generator::isbn(i) : Generator::bookNo(i, books));
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    Bench::Target target;
    QString error;
    if (!Bench::parseArguments(app.arguments().mid(1), &target, &error)) {
        out << error << Qt::endl;
        return 2;
    }
    const int calls = target.rest.isEmpty() ? 2000 : target.rest.first().toInt();

    TMainDM dm;
    Bench::login(dm, target, Area);
    Connection& con = dm.MainADOCon;
    const qint64 books = countBooks(con);
    if (books == 0) {
        out << "no books: " << con.lastErrorText() << Qt::endl;
        return 1;
    }

    Bench::printHeader(out);
    for (const bool barCode : {false, true}) {
        const QString op = barCode ? QStringLiteral("BarCode") : QStringLiteral("BookNo");
        const QStringList k = keys(books, calls, barCode);
        int next = 0;
        qint64 found = 0;
        const auto key = [&] { return k.at(next++ % k.size()); };

        // The floor: one prepared statement, bound and read to the end on every call.
        const QString sql =
            QStringLiteral("SELECT BookNo, BookName, Author, BPublisher, BarCode, NTPrice, FPrice, "
                           "ORI_CR, KDiscount, Stock%1 AS Stocks, SStock%1 AS SafeStock "
                           "FROM Book WHERE %2 = ? ORDER BY BookNo")
                .arg(Area, op);
        QSqlQuery floorQuery(con.database());
        if (!floorQuery.prepare(sql)) {
            out << "prepare: " << floorQuery.lastError().text() << Qt::endl;
            return 1;
        }
        floorQuery.setForwardOnly(true);
        next = 0;
        found = 0;
        const double floorMs = Bench::median(Bench::timeRuns(
            calls,
            [&] {
                floorQuery.bindValue(0, key());
                if (!floorQuery.exec())
                    return false;
                const int columns = floorQuery.record().count();
                QVariantList row;
                while (floorQuery.next()) {
                    for (int c = 0; c < columns; ++c)
                        row << floorQuery.value(c);
                    ++found;
                }
                return true;
            },
            calls));
        const qint64 floorFound = found;

        // Where the time goes: the same statement prepared anew on every call, as a procedure
        // that keeps no statement does.
        next = 0;
        const double anewMs = Bench::median(Bench::timeRuns(
            calls,
            [&] {
                QSqlQuery q(con.database());
                q.setForwardOnly(true);
                if (!q.prepare(sql))
                    return false;
                q.bindValue(0, key());
                if (!q.exec())
                    return false;
                QVariantList row;
                while (q.next()) {
                    for (int c = 0; c < q.record().count(); ++c)
                        row << q.value(c);
                }
                return true;
            },
            calls));

        next = 0;
        found = 0;
        const QList<double> procRuns = Bench::timeRuns(
            calls,
            [&] {
                const Procedures::RowsResult r = Procedures::CheckBook(con, Area, op, key());
                found += r.rows.rows.size();
                return r.ok();
            },
            calls);
        const qint64 procFound = found;

        next = 0;
        found = 0;
        const QList<double> dmRuns = Bench::timeRuns(
            calls,
            [&] {
                if (!dm.CheckBook(op, key()))
                    return false;
                found += dm.ChBookDS.recordCount();
                return true;
            },
            calls);

        if (procRuns.size() < calls || dmRuns.size() < calls) {
            out << "CheckBook " << op << " failed: " << con.lastErrorText() << Qt::endl;
            return 1;
        }
        // Each series first visits every key unmeasured, so that none reads pages cold; the
        // warm-up calls are counted alike in all three, so the totals must agree.
        const QString notes =
            QStringLiteral("%1 measured calls, %2 rows read with the warm-up").arg(calls);
        Bench::printRow(out, target.backendName,
                        QStringLiteral("Procedures::CheckBook by %1").arg(op),
                        Bench::median(procRuns), floorMs, notes.arg(procFound));
        Bench::printRow(out, target.backendName, QStringLiteral("TMainDM::CheckBook by %1").arg(op),
                        Bench::median(dmRuns), floorMs, notes.arg(found));
        Bench::printRow(out, target.backendName,
                        QStringLiteral("same statement prepared on every call, by %1").arg(op),
                        anewMs, floorMs, QStringLiteral("%1 measured calls").arg(calls));
        if (procFound != floorFound || found != floorFound)
            out << "rows differ from the floor's (" << floorFound << ")" << Qt::endl;
    }
    return 0;
}
