// The book search of the master window over the generated catalogue, taken the way the window
// takes it: the typed text through SearchCondition into TMainDM::BookDS (paged), opened, and the
// first page read. Beside it the floor: the same statement prepared once, its first page read,
// and its rows counted. Two more rows per search: the first rows as the window's grid paints
// them (through its model, before anything counts the rows; floor: one page of the statement
// read straight), and the same followed by the count the window shows. Each search runs in a
// process of its own so that its peak memory is its own.
//
//   bench_search (--sqlite FILE | --config DBSet.INI) [runs]

#include <algorithm>

#include <QCoreApplication>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "bench/common/BenchHarness.h"
#include "data/SearchCondition.h"
#include "data/TMainDM.h"
#include "data/dataset/TDataSetModel.h"
#include "tools/Generator.h"

namespace {

struct Search
{
    const char* title;
    const char* column;
    QString typed; ///< filled once the catalogue's size is known
};

QList<Search> searches(qint64 books)
{
    const qint64 perPrefix = (books + 675) / 676;
    return {
        {"exact book number", "BookNo", Generator::bookNo(perPrefix + 123, books)},
        {"book number prefix \"AB*\"", "BookNo", QStringLiteral("AB*")},
        {"title word \"*詩*\"", "BookName", QStringLiteral("*詩*")},
        {"every book (\"*\")", "BookNo", QStringLiteral("*")},
    };
}

qint64 countBooks(Connection& con)
{
    QSqlQuery q(con.database());
    return q.exec(QStringLiteral("SELECT COUNT(*) FROM Book")) && q.next() ? q.value(0).toLongLong()
                                                                           : 0;
}

/// Reads the first page as a grid would show it: every column of its rows.
qint64 readFirstPage(TDataSet& ds, int pageRows)
{
    qint64 cells = 0;
    int n = 0;
    for (ds.first(); !ds.eof() && n < pageRows; ds.next(), ++n) {
        for (int c = 0; c < ds.fieldCount(); ++c)
            cells += ds.field(c).value().isNull() ? 0 : 1;
    }
    return cells;
}

/// Rows a maximized search grid shows without scrolling.
constexpr int VisibleRows = 40;

/// Reads what a grid paints first: the model's row count and every cell of its visible rows.
qint64 readVisibleRows(const TDataSetModel& model)
{
    qint64 cells = 0;
    const int rows = std::min(model.rowCount(), VisibleRows);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < model.columnCount(); ++c)
            cells += model.data(model.index(r, c)).toString().isEmpty() ? 0 : 1;
    }
    return cells;
}

int runOne(QTextStream& out, const Bench::Target& target, int which, int runs)
{
    TMainDM dm;
    Bench::login(dm, target, QStringLiteral("C0"));
    Connection& con = dm.MainADOCon;
    const qint64 books = countBooks(con);
    if (books == 0) {
        out << "no books: " << con.lastErrorText() << Qt::endl;
        return 1;
    }
    const Search s = searches(books).at(which);
    const QString prefix = QStringLiteral("select * from BOOK where ");
    const double rssBefore = Bench::residentMiB();

    SearchCondition condition(con.backend(), QStringLiteral("Book"));
    condition.addText(QString::fromLatin1(s.column), s.typed);
    TDataSet& ds = dm.BookDS;
    const int pageRows = ds.pageSize();
    int rows = 0;
    const QList<double> ours = Bench::timeRuns(
        runs,
        [&] {
            ds.close();
            condition.applyTo(ds, prefix);
            if (!ds.open())
                return false;
            readFirstPage(ds, pageRows);
            rows = ds.recordCount();
            return true;
        },
        1);
    if (ours.size() < runs) {
        out << s.title << ": " << ds.lastError().text() << Qt::endl;
        return 1;
    }
    const double peak = Bench::peakResidentMiB();
    ds.close();

    // The floor: the least the window needs, its first page in key order and the count.
    QSqlQuery page(con.database());
    QSqlQuery count(con.database());
    page.setForwardOnly(true);
    count.setForwardOnly(true);
    if (!page.prepare(prefix + condition.where() +
                      QStringLiteral(" order by BookNo limit %1").arg(pageRows)) ||
        !count.prepare(QStringLiteral("select count(*) from BOOK where ") + condition.where())) {
        out << "prepare: " << page.lastError().text() << count.lastError().text() << Qt::endl;
        return 1;
    }
    const QVariantMap values = condition.values();
    int floorRows = 0;
    const QList<double> floor = Bench::timeRuns(
        runs,
        [&] {
            for (auto it = values.cbegin(); it != values.cend(); ++it) {
                page.bindValue(QLatin1Char(':') + it.key(), it.value());
                count.bindValue(QLatin1Char(':') + it.key(), it.value());
            }
            // One statement at a time: the server's client reads one result at a time.
            if (!count.exec() || !count.next())
                return false;
            floorRows = count.value(0).toInt();
            count.finish();
            if (!page.exec())
                return false;
            const int columns = page.record().count();
            QVariantList held;
            for (int n = 0; n < pageRows && page.next(); ++n) {
                for (int c = 0; c < columns; ++c)
                    held << page.value(c);
            }
            page.finish();
            return true;
        },
        1);
    if (floor.size() < runs) {
        out << "floor: " << page.lastError().text() << count.lastError().text() << Qt::endl;
        return 1;
    }
    // What the window paints first, through the grid's model, and then the count it shows.
    TDataSetModel model(&ds);
    int shownRows = 0;
    const auto showFirstRows = [&] {
        ds.close();
        condition.applyTo(ds, prefix);
        if (!ds.open())
            return false;
        readVisibleRows(model);
        shownRows = model.rowCount();
        return true;
    };
    const QList<double> onScreen = Bench::timeRuns(runs, showFirstRows, 1);
    int counted = 0;
    const QList<double> countKnown = Bench::timeRuns(
        runs,
        [&] {
            if (!showFirstRows())
                return false;
            counted = ds.recordCount();
            return true;
        },
        1);
    ds.close();
    if (onScreen.size() < runs || countKnown.size() < runs) {
        out << s.title << ": " << ds.lastError().text() << Qt::endl;
        return 1;
    }
    // Its floor: the statement run straight, stopped after a page.
    QSqlQuery firstPage(con.database());
    firstPage.setForwardOnly(true);
    if (!firstPage.prepare(prefix + condition.where() + QStringLiteral(" limit %1").arg(pageRows))) {
        out << "prepare: " << firstPage.lastError().text() << Qt::endl;
        return 1;
    }
    const QList<double> pageFloor = Bench::timeRuns(
        runs,
        [&] {
            for (auto it = values.cbegin(); it != values.cend(); ++it)
                firstPage.bindValue(QLatin1Char(':') + it.key(), it.value());
            if (!firstPage.exec())
                return false;
            const int columns = firstPage.record().count();
            QVariantList held;
            while (firstPage.next()) {
                for (int c = 0; c < columns; ++c)
                    held << firstPage.value(c);
            }
            firstPage.finish();
            return true;
        },
        1);
    if (pageFloor.size() < runs) {
        out << "page floor: " << firstPage.lastError().text() << Qt::endl;
        return 1;
    }

    Bench::printRow(out, target.backendName,
                    QStringLiteral("BookDS search, %1: first rows").arg(QString::fromUtf8(s.title)),
                    Bench::median(ours), Bench::median(floor),
                    QStringLiteral("%1 rows (floor %2), peak %3 MiB (%4 MiB before the search), "
                                   "%5 runs")
                        .arg(rows)
                        .arg(floorRows)
                        .arg(peak, 0, 'f', 0)
                        .arg(rssBefore, 0, 'f', 0)
                        .arg(runs));
    Bench::printRow(out, target.backendName,
                    QStringLiteral("BookDS search, %1: first %2 rows on screen (model)")
                        .arg(QString::fromUtf8(s.title))
                        .arg(VisibleRows),
                    Bench::median(onScreen), Bench::median(pageFloor),
                    QStringLiteral("grid rows before scrolling %1, floor: one page straight, %2 runs")
                        .arg(shownRows)
                        .arg(runs));
    Bench::printRow(out, target.backendName,
                    QStringLiteral("BookDS search, %1: rows on screen, then the count")
                        .arg(QString::fromUtf8(s.title)),
                    Bench::median(countKnown), Bench::median(floor),
                    QStringLiteral("%1 rows, %2 runs").arg(counted).arg(runs));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    Bench::Target target;
    if (!Bench::readCommandLine(&target, out))
        return 2;
    int runs = 5;
    int which = -1;
    for (int i = 0; i < target.rest.size(); ++i) {
        if (target.rest.at(i) == QLatin1String("--case") && i + 1 < target.rest.size())
            which = target.rest.at(++i).toInt();
        else
            runs = target.rest.at(i).toInt();
    }
    if (which >= 0)
        return runOne(out, target, which, runs);

    Bench::printHeader(out);
    int failed = 0;
    for (int i = 0; i < searches(1).size(); ++i) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(app.applicationFilePath(),
                    app.arguments().mid(1) << QStringLiteral("--case") << QString::number(i));
        if (!child.waitForFinished(-1) || child.exitCode() != 0)
            ++failed;
    }
    return failed ? 1 : 0;
}
