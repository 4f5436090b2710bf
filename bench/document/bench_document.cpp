// A shipment as its window works with it, on a database made by `heyu-db generate`:
//   open  the generated open shipment of C0 (200 lines) with its lines and totals, every cell read
//         as the window's controls and grid show it, beside the three statements run straight;
//   save  a new 200-line shipment saved, its lines typed one by one, then completed (stock posted,
//         logged), per phase, beside the same rows written straight in the same transactions.
// `save` writes documents and moves stock: run it on a copy of the generated data.
//
//   bench_document (--sqlite FILE | --config DBSet.INI) [open|save|both] [runs] [anew]
//
// `anew` makes the floor of the saved lines prepare each insert as the dataset does.

#include <algorithm>
#include <functional>
#include <random>

#include <QCoreApplication>
#include <QDateTime>
#include <QHash>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "bench/common/BenchHarness.h"
#include "data/LogItems.h"
#include "data/SqlDialect.h"
#include "data/TDialogs.h"
#include "data/TMainDM.h"
#include "data/dataset/TDataSetModel.h"
#include "tools/Generator.h"

namespace {

const QString Area = QStringLiteral("C0");
constexpr int Lines = Generator::LongShipmentLines;
constexpr int ShipmentKind = 3;

/// The dataset's statement with its ":Name" parameters as "?", for the floor.
QString positional(QString sql)
{
    static const QRegularExpression param(QStringLiteral(":[A-Za-z_]\\w*"));
    return sql.replace(param, QStringLiteral("?"));
}

bool prepare(QSqlQuery& q, const QString& sql, QTextStream& out)
{
    if (q.prepare(sql))
        return true;
    out << "prepare: " << q.lastError().text() << "\n  " << sql << Qt::endl;
    return false;
}

bool run(QSqlQuery& q, const QVariantList& values)
{
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values.at(i));
    return q.exec();
}

/// Runs a prepared statement and fetches every value of every row; the rows, -1 on failure.
int readAll(QSqlQuery& q, const QVariantList& values, qint64* chars)
{
    if (!run(q, values))
        return -1;
    const int columns = q.record().count();
    int rows = 0;
    while (q.next()) {
        for (int c = 0; c < columns; ++c)
            *chars += q.value(c).toString().size();
        ++rows;
    }
    q.finish();
    return rows;
}

/// Runs the calls in turns, one of each per round, so that a change of load on the shared machine
/// touches every series alike. Each call is warmed `warmUp` times first; empty when a call failed.
QList<QList<double>> interleaved(int runs, const QList<std::function<bool()>>& calls, int warmUp)
{
    for (const auto& call : calls) {
        for (int i = 0; i < warmUp; ++i) {
            if (!call())
                return {};
        }
    }
    QList<QList<double>> ms(calls.size());
    for (int r = 0; r < runs; ++r) {
        for (int k = 0; k < calls.size(); ++k) {
            const QList<double> one = Bench::timeRuns(1, calls.at(k), 0);
            if (one.isEmpty())
                return {};
            ms[k] << one.first();
        }
    }
    return ms;
}

// --- opening the generated 200-line shipment -------------------------------------------------

bool benchOpen(TMainDM& dm, const Bench::Target& target, int runs, QTextStream& out)
{
    TDataSet& head = dm.ExportDS;
    TDataSet& lines = dm.ExportDDS;
    TDataSet& totals = dm.ExportTDS;
    const int pno = Generator::LongShipmentPNo;
    TDataSetModel grid(&lines);
    qint64 chars = 0;

    // The header's edit controls, the grid of lines cell by cell, the totals' labels.
    int cellsShown = 0;
    const auto showWindow = [&] {
        cellsShown = head.fieldCount() + grid.rowCount() * grid.columnCount() + totals.fieldCount();
        for (int i = 0; i < head.fieldCount(); ++i)
            chars += head.field(i).displayText().size();
        for (int r = 0; r < grid.rowCount(); ++r) {
            for (int c = 0; c < grid.columnCount(); ++c)
                chars += grid.data(grid.index(r, c)).toString().size();
        }
        for (int i = 0; i < totals.fieldCount(); ++i)
            chars += totals.field(i).displayText().size();
        return head.fieldByName(QStringLiteral("PNo")).asInteger() == pno &&
               grid.rowCount() == Lines && totals.recordCount() == 1;
    };
    const auto closeAll = [&] {
        totals.close();
        lines.close();
        head.close();
    };
    // The window's own list: every open shipment of the branch, then the one wanted.
    const QString listSql = head.sql();
    int listed = 0;
    const auto openFromList = [&] {
        closeAll();
        head.setSql(listSql);
        head.setParam(QStringLiteral("SArea"), dm.LoginArea());
        if (!head.open())
            return false;
        listed = head.recordCount();
        return head.locate({QStringLiteral("PNo")}, {pno}) &&
               head.locate({QStringLiteral("PNo")}, {pno}) && lines.open() && totals.open() &&
               showWindow();
    };
    // A jump from a search or history: the header alone, by its key.
    const auto openByKey = [&] {
        closeAll();
        head.setSql(QStringLiteral("Select * from ExportM where SArea=:SArea and PNo=:PNo"));
        head.setParam(QStringLiteral("SArea"), dm.LoginArea());
        head.setParam(QStringLiteral("PNo"), pno);
        return head.open() && head.recordCount() == 1 && lines.open() && totals.open() &&
               showWindow();
    };

    QSqlDatabase db = dm.MainADOCon.database();
    QSqlQuery hq(db), lq(db), tq(db);
    for (QSqlQuery* q : {&hq, &lq, &tq})
        q->setForwardOnly(true);
    if (!prepare(hq, QStringLiteral("SELECT * FROM ExportM WHERE SArea = ? AND PNo = ?"), out) ||
        !prepare(lq, positional(lines.sql()), out) || !prepare(tq, positional(totals.sql()), out))
        return false;
    const auto floor = [&] {
        const QVariantList key = {Area, pno};
        return readAll(hq, key, &chars) == 1 && readAll(lq, key, &chars) == Lines &&
               readAll(tq, key, &chars) == 1;
    };

    // The window's list has a floor of its own: the list statement instead of the header by key.
    QSqlQuery listQuery(db);
    listQuery.setForwardOnly(true);
    if (!prepare(listQuery, positional(listSql), out))
        return false;
    const auto floorList = [&] {
        const QVariantList key = {Area, pno};
        return readAll(listQuery, {Area}, &chars) > 0 && readAll(lq, key, &chars) == Lines &&
               readAll(tq, key, &chars) == 1;
    };
    // The floor again with each statement prepared on every call, as the datasets do.
    const auto floorAnew = [&] {
        QSqlQuery h(db), l(db), t(db);
        for (QSqlQuery* q : {&h, &l, &t})
            q->setForwardOnly(true);
        const QVariantList key = {Area, pno};
        return h.prepare(hq.lastQuery()) && l.prepare(lq.lastQuery()) &&
               t.prepare(tq.lastQuery()) && readAll(h, key, &chars) == 1 &&
               readAll(l, key, &chars) == Lines && readAll(t, key, &chars) == 1;
    };
    // Where the difference goes: the cells alone, read again from the open datasets.
    const auto showAgain = [&] { return showWindow(); };

    const QList<QList<double>> ms =
        interleaved(runs, {openFromList, openByKey, floor, showAgain, floorList, floorAnew}, 3);
    head.close();
    head.setSql(listSql);
    head.setParam(QStringLiteral("SArea"), dm.LoginArea());
    if (ms.isEmpty()) {
        out << "opening the shipment failed: " << head.lastError().text()
            << lines.lastError().text() << totals.lastError().text() << Qt::endl;
        return false;
    }
    const double floorMs = Bench::median(ms.at(2));
    const QString notes = QStringLiteral("%1 lines, %2 runs").arg(Lines).arg(runs);
    Bench::printRow(
        out, target.backendName,
        QStringLiteral("open shipment %1/%2 from the window's list, lines and totals shown")
            .arg(Area)
            .arg(pno),
        Bench::median(ms.at(0)), Bench::median(ms.at(4)),
        notes + QStringLiteral(", list of %1 open headers; floor: the list statement "
                               "instead of the header by key")
                    .arg(listed));
    Bench::printRow(
        out, target.backendName,
        QStringLiteral("open shipment %1/%2 by its key (a jump), lines and totals shown")
            .arg(Area)
            .arg(pno),
        Bench::median(ms.at(1)), floorMs, notes);
    Bench::printRow(out, target.backendName,
                    QStringLiteral("  the floor's three statements, each prepared on every call"),
                    Bench::median(ms.at(5)), floorMs, notes);
    Bench::printRow(
        out, target.backendName,
        QStringLiteral("  of which: the cells of header, lines and totals read as shown"),
        Bench::median(ms.at(3)), 0, notes + QStringLiteral(", %1 cells").arg(cellsShown));
    return true;
}

// --- saving and completing a new 200-line shipment -------------------------------------------

struct Book
{
    QString no;
    QVariant price;
};

bool benchSave(TMainDM& dm, const Bench::Target& target, int runs, bool anew, QTextStream& out,
               Bench::Refusals& messages)
{
    QSqlDatabase db = dm.MainADOCon.database();
    const Backend backend = dm.MainADOCon.backend();
    const int warmUp = 2;
    const int documents = 2 * (warmUp + runs);

    // Outside the timing: books the branch holds enough of, in an order of this invocation's own
    // so that no run finds its books' pages warm from an earlier one; customers allowed to buy.
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM ExportM WHERE SArea = 'C0'")) || !q.next()) {
        out << "count: " << q.lastError().text() << Qt::endl;
        return false;
    }
    const quint32 seed = q.value(0).toUInt();
    QList<Book> pool;
    if (!q.exec(QStringLiteral(
            "SELECT BookNo, NTPrice FROM Book WHERE StockC0 >= 20 ORDER BY BookNo"))) {
        out << "books: " << q.lastError().text() << Qt::endl;
        return false;
    }
    while (q.next())
        pool.append({q.value(0).toString(), q.value(1)});
    std::shuffle(pool.begin(), pool.end(), std::mt19937(seed));
    QStringList customers;
    q.exec(QStringLiteral("SELECT CustNo FROM Customer WHERE CLock = 0 ORDER BY CustNo LIMIT 100"));
    while (q.next())
        customers << q.value(0).toString();
    q.finish();
    if (pool.size() < documents * Lines || customers.isEmpty()) {
        out << "not enough books in stock (" << pool.size() << ") or no customer" << Qt::endl;
        return false;
    }
    pool = pool.mid(0, documents * Lines);

    // Stock before, to check afterwards that every document posted exactly its lines.
    QHash<QString, qint64> expected;
    QSqlQuery stockQuery(db);
    prepare(stockQuery, QStringLiteral("SELECT StockC0 FROM Book WHERE BookNo = ?"), out);
    for (const Book& b : pool) {
        if (!run(stockQuery, {b.no}) || !stockQuery.next())
            return false;
        expected[b.no] = stockQuery.value(0).toLongLong();
    }
    stockQuery.finish();

    int document = 0;
    QList<Book> books;
    QString customer;
    // The quantity of a line: 1 to 3, as shop orders mostly are.
    const auto qtyOf = [](int line) { return 1 + line % 3; };
    const auto nextDocument = [&] {
        books = pool.mid(document * Lines, Lines);
        customer = customers.at(document % customers.size());
        for (int j = 0; j < Lines; ++j)
            expected[books.at(j).no] -= qtyOf(j);
        ++document;
        return true;
    };

    // Ours: the window's datasets with their rules, the lines shown in a grid.
    dm.DocKind = ShipmentKind;
    dm.LogItem = LogItems::Shipments;
    TDataSet& head = dm.ExportDS;
    TDataSet& lines = dm.ExportDDS;
    TDataSet& totals = dm.ExportTDS;
    if (!head.open() || !lines.open() || !totals.open()) {
        out << "open: " << head.lastError().text() << Qt::endl;
        return false;
    }
    dm.LinkPartner(head);
    TDataSetModel grid(&lines);
    // Datasets that follow the header and read again when it moves or gets its number.
    int reads = 0;
    for (TDataSet* follower : {&lines, &totals, &dm.CustDS})
        QObject::connect(follower, &TDataSet::rowsReset, [&] { ++reads; });

    const QDateTime today = QDate::currentDate().startOfDay();
    const auto oursHeader = [&] {
        nextDocument();
        return head.append() && head.fieldByName(QStringLiteral("CustNo")).setEditText(customer) &&
               head.fieldByName(QStringLiteral("EDate")).setValue(today) && head.post() &&
               messages.problems == 0;
    };
    // Inside a line, summed over the document: what each step of a typed line costs.
    QList<double> stepMs(5, 0.0);
    const auto step = [&](int k, const std::function<bool()>& call) {
        const QList<double> one = Bench::timeRuns(1, call, 0);
        if (one.isEmpty())
            return false;
        stepMs[k] += one.first();
        return true;
    };
    const auto oursLines = [&] {
        stepMs.fill(0.0);
        for (int j = 0; j < Lines; ++j) {
            const Book& book = books.at(j);
            const QString qty = QString::number(qtyOf(j));
            if (!step(0, [&] { return lines.append(); }) ||
                !step(1,
                      [&] {
                          return lines.fieldByName(QStringLiteral("BookNo")).setEditText(book.no);
                      }) ||
                !step(2,
                      [&] { return lines.fieldByName(QStringLiteral("Qty")).setEditText(qty); }) ||
                !step(3, [&] { return lines.post(); }))
                return false;
        }
        return lines.recordCount() == Lines && messages.problems == 0;
    };
    // The re-read each saved line runs (its number and the book's columns), run again alone for
    // every line of the document: the part of a line's save beyond its insert.
    const auto oursRereads = [&] {
        for (int r = 0; r < lines.recordCount(); ++r) {
            if (!lines.moveTo(r))
                return false;
            dm.LineBookChanged = true;
            const QList<double> one = Bench::timeRuns(
                1,
                [&] {
                    lines.afterPost(lines);
                    return true;
                },
                0);
            stepMs[4] += one.value(0);
        }
        return lines.lastError().type() == QSqlError::NoError;
    };
    const auto oursComplete = [&] {
        return head.edit() && head.fieldByName(QStringLiteral("EComplete")).setValue(true) &&
               head.post() && messages.problems == 0;
    };

    // The floor: the same rows written by statements prepared once, in the same transactions.
    QSqlQuery counter(db), insHead(db), insLog(db), insLine(db), updHead(db), insPost(db),
        sumLines(db), updStock(db), insPostLine(db), lookUp(db);
    const QString now = SqlDialect::now(backend);
    const bool prepared =
        prepare(
            counter,
            QStringLiteral("UPDATE PNoCounter SET LastNo = %1 + 1 WHERE SArea = ? AND DocKind = ? "
                           "RETURNING LastNo")
                .arg(SqlDialect::greatest(
                    backend, QStringLiteral("LastNo"),
                    QStringLiteral("(SELECT COALESCE(MAX(PNo), 0) FROM ExportM WHERE SArea = ?)"))),
            out) &&
        prepare(insHead,
                QStringLiteral("INSERT INTO ExportM (SArea, PNo, CustNo, EDate, FCharge, Sundries, "
                               "EComplete) VALUES (?, ?, ?, ?, 0, 0, 0)"),
                out) &&
        prepare(insLog,
                QStringLiteral("INSERT INTO LogRec (OPDTime, SArea, OPUserC, OPUserN, OPItem, "
                               "OPKind, OPRemark) VALUES (%1, ?, ?, ?, ?, ?, ?)")
                    .arg(now),
                out) &&
        prepare(
            insLine,
            QStringLiteral("INSERT INTO ExpDetail (SArea, PNo, BookNo, Price, Qty, Disc, ORI_CR, "
                           "rate, UnSum, ETime) VALUES (?, ?, ?, ?, ?, 1, 'NT', 1, ?, ?)"),
            out) &&
        prepare(updHead,
                QStringLiteral("UPDATE ExportM SET EComplete = 1 WHERE SArea = ? AND PNo = ? "
                               "AND EComplete = 0"),
                out) &&
        prepare(
            insPost,
            QStringLiteral("INSERT INTO StockPost (SArea, DocKind, PNo, PostTime) VALUES (?, ?, "
                           "?, %1) ON CONFLICT (SArea, DocKind, PNo) DO NOTHING")
                .arg(now),
            out) &&
        prepare(sumLines,
                QStringLiteral("SELECT BookNo, SUM(Qty) FROM ExpDetail WHERE SArea = ? AND PNo = ? "
                               "AND BookNo IS NOT NULL GROUP BY BookNo ORDER BY BookNo"),
                out) &&
        prepare(
            updStock,
            QStringLiteral("UPDATE Book SET StockC0 = COALESCE(StockC0, 0) + ? WHERE BookNo = ?"),
            out) &&
        prepare(insPostLine,
                QStringLiteral("INSERT INTO StockPostLine (SArea, DocKind, PNo, BookNo, Qty) "
                               "VALUES (?, ?, ?, ?, ?)"),
                out) &&
        prepare(
            lookUp,
            QStringLiteral("SELECT BookNo, BookName, Author, BPublisher, BarCode, NTPrice, "
                           "FPrice, ORI_CR, KDiscount, StockC0 AS Stocks, SStockC0 AS SafeStock "
                           "FROM Book WHERE BookNo = ? ORDER BY BookNo"),
            out);
    if (!prepared)
        return false;
    Connection& con = dm.MainADOCon;
    const auto log = [&](const QString& kind, const QString& remark) {
        return run(insLog,
                   {Area, QStringLiteral("BENCH"), QString(), LogItems::Shipments, kind, remark});
    };
    const auto fail = [&](QSqlQuery& failed) {
        out << "floor: " << failed.lastError().text() << Qt::endl;
        con.rollback();
        return false;
    };
    int floorPNo = 0;
    const auto floorHeader = [&] {
        nextDocument();
        if (!con.beginWrite())
            return false;
        if (!run(counter, {Area, Area, ShipmentKind}) || !counter.next())
            return fail(counter);
        floorPNo = counter.value(0).toInt();
        counter.finish();
        if (!run(insHead, {Area, floorPNo, customer, SqlDialect::dateTimeValue(backend, today)}))
            return fail(insHead);
        if (!log(QStringLiteral("新增"),
                 QStringLiteral("%1/%2/%3").arg(Area).arg(floorPNo).arg(customer)))
            return fail(insLog);
        return con.commit();
    };
    // With `anew` the floor's lines are written as the dataset writes them, to tell the cost of
    // preparing every insert (and reading its columns back) from the rest of a typed line.
    const QString lineSql =
        insLine.lastQuery() + QStringLiteral(" RETURNING PDNo, SArea, PNo, BookNo, Price, Qty, "
                                             "Disc, ORI_CR, rate, UnSum, ETime");
    const auto floorLines = [&] {
        const QString time = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
        for (int j = 0; j < Lines; ++j) {
            const double price = books.at(j).price.toDouble();
            const QVariantList values = {
                Area, floorPNo, books.at(j).no, price, qtyOf(j), price * qtyOf(j), time};
            if (!anew) {
                if (!run(insLine, values))
                    return fail(insLine);
                continue;
            }
            QSqlQuery each(db);
            if (!each.prepare(lineSql) || !run(each, values) || !each.next())
                return fail(each);
            each.finish();
        }
        return true;
    };
    const auto floorComplete = [&] {
        if (!con.beginWrite())
            return false;
        if (!run(updHead, {Area, floorPNo}) || updHead.numRowsAffected() != 1)
            return fail(updHead);
        if (!run(insPost, {Area, ShipmentKind, floorPNo}))
            return fail(insPost);
        if (!run(sumLines, {Area, floorPNo}))
            return fail(sumLines);
        QList<std::pair<QString, int>> moves;
        while (sumLines.next())
            moves.append({sumLines.value(0).toString(), -sumLines.value(1).toInt()});
        sumLines.finish();
        for (const auto& [bookNo, delta] : moves) {
            if (!run(updStock, {delta, bookNo}) || updStock.numRowsAffected() != 1)
                return fail(updStock);
            if (!run(insPostLine, {Area, ShipmentKind, floorPNo, bookNo, delta}))
                return fail(insPostLine);
        }
        if (!log(QStringLiteral("更新"),
                 QStringLiteral("%1/%2/%3/修改庫存").arg(Area).arg(floorPNo).arg(customer)))
            return fail(insLog);
        return con.commit();
    };
    // The look-ups alone, as a prepared statement runs them: the part of a typed line that the
    // floor's inserts leave out. Both look-up series read the books of the next document.
    qint64 chars = 0;
    const auto lookUps = [&] {
        const QList<Book> next = pool.mid(document * Lines, Lines);
        for (const Book& b : next) {
            if (readAll(lookUp, {b.no}, &chars) != 1)
                return false;
        }
        return true;
    };
    // The data module's look-up of the same books, as a typed book number runs it: what is left of
    // a typed book number beyond it is the line entry's own work (price, information box).
    const auto moduleLookUps = [&] {
        const QList<Book> next = pool.mid(document * Lines, Lines);
        for (const Book& b : next) {
            if (!dm.CheckBook(QStringLiteral("BookNo"), b.no) || dm.ChBookDS.recordCount() != 1)
                return false;
        }
        return true;
    };

    // One document per series and round, its phases timed one by one. Each document's books
    // are looked up just before it, so both find their books' pages alike.
    enum Phase {
        ModuleLookUps,
        OursHeader,
        OursLines,
        OursComplete,
        OursRereads,
        LookUps,
        FloorHeader,
        FloorLines,
        FloorComplete
    };
    const QList<std::function<bool()>> phases = {moduleLookUps, oursHeader,  oursLines,
                                                 oursComplete,  oursRereads, lookUps,
                                                 floorHeader,   floorLines,  floorComplete};
    QList<QList<double>> ms(phases.size());
    QList<QList<double>> steps(stepMs.size());
    QList<int> readsIn(phases.size(), 0);
    const auto rereads = [&](int phase) {
        return QStringLiteral(", %1 re-reads of lines, totals or customer").arg(readsIn.at(phase));
    };
    for (int round = 0; round < warmUp + runs; ++round) {
        for (int k = 0; k < phases.size(); ++k) {
            const int readsBefore = reads;
            const QList<double> one = Bench::timeRuns(1, phases.at(k), 0);
            readsIn[k] = reads - readsBefore;
            if (one.isEmpty()) {
                out << "save run " << round << ", phase " << k << " failed: " << messages.last
                    << " | " << head.lastError().text() << " | " << lines.lastError().text()
                    << Qt::endl;
                return false;
            }
            if (round >= warmUp)
                ms[k] << one.first();
        }
        if (round >= warmUp) {
            for (int k = 0; k < stepMs.size(); ++k)
                steps[k] << stepMs.at(k);
        }
    }

    // Every book lost exactly what its lines shipped, ours and the floor's alike.
    int wrong = 0;
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        if (!run(stockQuery, {it.key()}) || !stockQuery.next() ||
            stockQuery.value(0).toLongLong() != it.value())
            ++wrong;
        stockQuery.finish();
    }

    const auto sums = [&](int from) {
        QList<double> total;
        for (int r = 0; r < runs; ++r)
            total << ms.at(from).at(r) + ms.at(from + 1).at(r) + ms.at(from + 2).at(r);
        return total;
    };
    const QString b = target.backendName;
    const QString notes = QStringLiteral("%1 documents each, %2 lines").arg(runs).arg(Lines);
    Bench::printRow(out, b, QStringLiteral("save and complete a 200-line shipment: whole document"),
                    Bench::median(sums(OursHeader)), Bench::median(sums(FloorHeader)),
                    notes + (wrong ? QStringLiteral(", %1 STOCKS WRONG").arg(wrong)
                                   : QStringLiteral(", every stock exact")));
    Bench::printRow(out, b, QStringLiteral("  header saved (numbered, logged)"),
                    Bench::median(ms.at(OursHeader)), Bench::median(ms.at(FloorHeader)),
                    notes + rereads(OursHeader));
    Bench::printRow(
        out, b, QStringLiteral("  200 lines typed (book number, quantity) and saved"),
        Bench::median(ms.at(OursLines)), Bench::median(ms.at(FloorLines)),
        notes + rereads(OursLines) +
            (anew ? QStringLiteral("; floor: each insert prepared anew, RETURNING its columns")
                  : QString()));
    const QStringList stepNames = {
        QStringLiteral("    of which: 200 new lines (starting values)"),
        QStringLiteral("    of which: 200 book numbers typed (look-up, price, information box)"),
        QStringLiteral("    of which: 200 quantities typed (amount)"),
        QStringLiteral("    of which: 200 lines saved (insert, the line read again with its book)"),
        QStringLiteral("      the re-read alone, run again for the 200 saved lines")};
    for (int k = 0; k < stepNames.size(); ++k)
        Bench::printRow(out, b, stepNames.at(k), Bench::median(steps.at(k)), 0, notes);
    Bench::printRow(out, b, QStringLiteral("  completion (stock of 200 books posted, logged)"),
                    Bench::median(ms.at(OursComplete)), Bench::median(ms.at(FloorComplete)),
                    notes + rereads(OursComplete));
    Bench::printRow(
        out, b, QStringLiteral("  (200 book look-ups by a prepared statement, not in the floor)"),
        Bench::median(ms.at(LookUps)), 0, notes);
    Bench::printRow(
        out, b,
        QStringLiteral("  (200 book look-ups by TMainDM::CheckBook, as a typed number runs them)"),
        Bench::median(ms.at(ModuleLookUps)), Bench::median(ms.at(LookUps)), notes);
    return wrong == 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    Bench::Target target;
    if (!Bench::readCommandLine(&target, out)) {
        out << "options: [open|save|both] [runs] [anew]" << Qt::endl;
        return 2;
    }
    const QString what = target.rest.value(0, QStringLiteral("both"));
    const int runs = target.rest.value(1).toInt();
    if (what != QLatin1String("open") && what != QLatin1String("save") &&
        what != QLatin1String("both")) {
        out << "what to measure: open, save or both" << Qt::endl;
        return 2;
    }

    Bench::Refusals messages;
    TDialogs::setSink(&messages);
    TMainDM dm;
    Bench::login(dm, target, Area);
    if (!dm.MainADOCon.isOpen() && !dm.MainADOCon.open()) {
        out << "connect: " << dm.MainADOCon.lastErrorText() << Qt::endl;
        return 1;
    }
    Bench::printHeader(out);
    bool ok = true;
    if (what != QLatin1String("save"))
        ok = benchOpen(dm, target, runs > 0 ? runs : 30, out) && ok;
    if (what != QLatin1String("open"))
        ok = benchSave(dm, target, runs > 0 ? runs : 10,
                       target.rest.contains(QLatin1String("anew")), out, messages) &&
             ok;
    TDialogs::setSink(nullptr);
    return ok ? 0 : 1;
}
