// Memory of a large search result held by TDataSet: bytes per cached Book row and the peak of the
// process while a result of N rows is opened, sorted by title and walked to the end.
//
//   bench_dataset_memory [full|paged] [rows]      (build without sanitizers for real figures)

#include <malloc.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

#include "data/Connection.h"
#include "data/Schema.h"
#include "data/dataset/TDataSet.h"

namespace {

size_t heapInUse() { return mallinfo2().uordblks + mallinfo2().hblkhd; }

long peakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

bool fill(Connection& con, int rows)
{
    QSqlQuery q(con.database());
    if (!con.beginWrite())
        return false;
    q.prepare(QStringLiteral("INSERT INTO Book (BookNo, BookName, Author, ISBN, BarCode, BPublisher, NTPrice, "
                             "FPrice, ORI_CR, PubYear, Edition, StockC0, SStockC0, LocC0, Remark) "
                             "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"));
    for (int i = 0; i < rows; ++i) {
        // Titles of typical length, half Chinese, half Latin.
        const QString title = i % 2 ? QStringLiteral("現代出版與圖書館學研究論集第%1卷").arg(i % 977)
                                    : QStringLiteral("Studies in Modern Publishing, vol. %1").arg(i % 977);
        q.bindValue(0, QStringLiteral("B%1").arg(i, 7, 10, QLatin1Char('0')));
        q.bindValue(1, title);
        q.bindValue(2, QStringLiteral("王大明"));
        q.bindValue(3, QStringLiteral("978%1").arg(i, 10, 10, QLatin1Char('0')));
        q.bindValue(4, QStringLiteral("471%1").arg(i, 10, 10, QLatin1Char('0')));
        q.bindValue(5, QStringLiteral("禾嶼圖書出版社"));
        q.bindValue(6, 350 + i % 100);
        q.bindValue(7, 12.5);
        q.bindValue(8, QStringLiteral("US"));
        q.bindValue(9, 2020 + i % 5);
        q.bindValue(10, QStringLiteral("2"));
        q.bindValue(11, i % 40);
        q.bindValue(12, 5);
        q.bindValue(13, QStringLiteral("A-%1").arg(i % 50));
        q.bindValue(14, QString());
        if (!q.exec())
            return false;
    }
    return con.commit();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLatin1(argv[1]) : QStringLiteral("full");
    const int rows = argc > 2 ? QString::fromLatin1(argv[2]).toInt() : 100000;
    QTextStream out(stdout);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bench.db"));
    QFile(file).open(QIODevice::WriteOnly);
    DbSettings settings;
    settings.backend = Backend::Sqlite;
    settings.sqliteFile = file;
    Connection con(QStringLiteral("bench"));
    con.configure(settings);
    QString error;
    if (!con.beginWrite() || !Schema::create(con, {QStringLiteral("C0")}, &error) || !con.commit()) {
        out << "schema: " << error << Qt::endl;
        return 1;
    }
    if (!fill(con, rows)) {
        out << "fill failed" << Qt::endl;
        return 1;
    }
    malloc_trim(0);
    const long rssBefore = peakRssKb();
    const size_t heapBefore = heapInUse();

    QElapsedTimer timer;
    timer.start();
    TDataSet ds(con, QStringLiteral("BookDS"));
    ds.setSql(QStringLiteral("select * from BOOK where BookNo like 'B%'"));
    ds.setTable(QStringLiteral("Book"));
    if (mode == QLatin1String("paged"))
        ds.setPageSize(200);
    if (!ds.open())
        return 1;
    const qint64 firstRowsMs = timer.elapsed();
    const size_t heapOpen = heapInUse();
    const int cachedAtOpen = ds.cachedRowCount();
    if (!ds.setSort(QStringLiteral("BookName ASC")))
        return 1;
    ds.disableControls();
    qlonglong stock = 0;
    for (ds.first(); !ds.eof(); ds.next())
        stock += ds.fieldByName(QStringLiteral("StockC0")).asInteger();
    ds.enableControls();
    const qint64 totalMs = timer.elapsed();

    out << "mode " << mode << ", rows " << ds.recordCount() << ", columns " << ds.fieldCount() << "\n";
    out << "rows shown after " << firstRowsMs << " ms; opened, sorted by title and walked in " << totalMs
        << " ms (stock sum " << stock << ")\n";
    out << "heap after open: " << (heapOpen - heapBefore) / 1024 << " KiB for " << cachedAtOpen
        << " cached rows = " << (cachedAtOpen ? (heapOpen - heapBefore) / size_t(cachedAtOpen) : 0)
        << " bytes per cached Book row\n";
    out << "peak RSS: " << rssBefore / 1024 << " MiB before, " << peakRssKb() / 1024 << " MiB after\n";
    return 0;
}
