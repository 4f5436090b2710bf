// Looking a book up while a line is typed: CheckBook by book number and by bar code, through the
// main data module and through the procedure, beside the same statement prepared once and run
// straight. Run it on a database made by `heyu-db generate`.
//
//   bench_lookup (--sqlite FILE | --config DBSet.INI) [calls]

#include <algorithm>
#include <functional>
#include <utility>
#include <iterator>

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
    if (!Bench::readCommandLine(&target, out))
        return 2;
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

        // The floor: one prepared statement, bound and read to the end on every call.
        const QString sql =
            QStringLiteral("SELECT BookNo, BookName, Author, BPublisher, BarCode, NTPrice, FPrice, "
                           "ORI_CR, KDiscount, Stock%1 AS Stocks, SStock%1 AS SafeStock "
                           "FROM Book WHERE %2 = ? ORDER BY BookNo")
                .arg(Area, op);
        QSqlQuery floorQuery(con.database());
        floorQuery.setForwardOnly(true); // before the prepare, or the driver keeps every row read
        if (!floorQuery.prepare(sql)) {
            out << "prepare: " << floorQuery.lastError().text() << Qt::endl;
            return 1;
        }

        /// One way of looking a key up; each counts the rows it found.
        struct Series
        {
            using Call = std::function<bool(const QString&, qint64&)>;
            explicit Series(Call c) : call(std::move(c)) {}
            Call call;
            int next = 0;
            qint64 found = 0;
            QList<double> ms;
        };
        Series floorSeries{[&](const QString& key, qint64& found) {
            floorQuery.bindValue(0, key);
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
        }};
        // Where the time went before statements were kept: the same statement prepared anew on
        // every call.
        Series anewSeries{[&](const QString& key, qint64& found) {
            QSqlQuery q(con.database());
            q.setForwardOnly(true);
            if (!q.prepare(sql))
                return false;
            q.bindValue(0, key);
            if (!q.exec())
                return false;
            QVariantList row;
            while (q.next()) {
                for (int c = 0; c < q.record().count(); ++c)
                    row << q.value(c);
                ++found;
            }
            return true;
        }};
        Series procSeries{[&](const QString& key, qint64& found) {
            const Procedures::RowsResult r = Procedures::CheckBook(con, Area, op, key);
            found += r.rows.rows.size();
            return r.ok();
        }};
        Series dmSeries{[&](const QString& key, qint64& found) {
            if (!dm.CheckBook(op, key))
                return false;
            found += dm.ChBookDS.recordCount();
            return true;
        }};
        Series* all[] = {&floorSeries, &procSeries, &dmSeries, &anewSeries};

        // Each series first visits every key unmeasured. Then they take turns in rounds, so
        // that a change of the machine's load falls on all alike, each round's keys the same
        // for all. The first to ask for them finds fewer of their pages in the database's own
        // cache, so each series goes first equally often.
        constexpr int Rounds = 20;
        constexpr int SeriesCount = int(std::size(all));
        const int perRound = std::max(1, calls / Rounds);
        for (int round = -1; round < Rounds; ++round) {
            for (int turn = 0; turn < SeriesCount; ++turn) {
                Series* s = all[(turn + std::max(round, 0)) % SeriesCount];
                const int n = round < 0 ? int(k.size()) : perRound;
                const auto one = [&] { return s->call(k.at(s->next++ % k.size()), s->found); };
                if (round < 0) {
                    for (int i = 0; i < n; ++i) {
                        if (!one()) {
                            out << "CheckBook " << op << " failed: " << con.lastErrorText()
                                << Qt::endl;
                            return 1;
                        }
                    }
                    continue;
                }
                const QList<double> ms = Bench::timeRuns(n, one, 0);
                if (ms.size() < n) {
                    out << "CheckBook " << op << " failed: " << con.lastErrorText() << Qt::endl;
                    return 1;
                }
                s->ms << ms;
            }
        }

        const double floorMs = Bench::median(floorSeries.ms);
        const QString notes = QStringLiteral("%1 measured calls in %2 rounds, %3 rows read")
                                  .arg(Rounds * perRound)
                                  .arg(Rounds);
        Bench::printRow(out, target.backendName,
                        QStringLiteral("Procedures::CheckBook by %1").arg(op),
                        Bench::median(procSeries.ms), floorMs, notes.arg(procSeries.found));
        Bench::printRow(out, target.backendName, QStringLiteral("TMainDM::CheckBook by %1").arg(op),
                        Bench::median(dmSeries.ms), floorMs, notes.arg(dmSeries.found));
        Bench::printRow(out, target.backendName,
                        QStringLiteral("same statement prepared on every call, by %1").arg(op),
                        Bench::median(anewSeries.ms), floorMs, notes.arg(anewSeries.found));
        for (const Series* s : all) {
            if (s->found != floorSeries.found)
                out << "rows differ from the floor's (" << floorSeries.found << ")" << Qt::endl;
        }
    }
    return 0;
}
