#include <QSqlQuery>
#include <QtTest>

#include "../support/DemoEnv.h"
#include "../support/TestDb.h"
#include "data/SearchCondition.h"
#include "data/dataset/TDataSet.h"

namespace {

struct BookRow
{
    const char* no;
    const char* name;
    int year;
};

/// Numbers and titles that tell letter case, prefixes and typed wildcards apart.
const BookRow Rows[] = {
    {"AB001", "唐詩三百首", 1998},  {"ab002", "Poems of TANG", 1999}, {"ABC-1", "詩經", 2001},
    {"XAB01", "宋詞", 2001},        {"A%B01", "100% Sure", 1998},     {"A_B01", "Under_score", 1998},
    {"ÉTÉ01", "Été", 2002},         {"N0001", nullptr, 0}, // no title, no year
};

/// The rows of the table above that the dataset holds (the demo books around them are ignored).
QStringList found(TDataSet& ds)
{
    QStringList ours;
    for (const BookRow& r : Rows)
        ours << QString::fromUtf8(r.no);
    QStringList out;
    for (int row = 0; row < ds.recordCount(); ++row) {
        const QString no = ds.value(row, QStringLiteral("BookNo")).toString();
        if (ours.contains(no))
            out << no;
    }
    out.sort();
    return out;
}

} // namespace

class TestSearchCondition : public QObject
{
    Q_OBJECT
private slots:
    void search_data();
    void search();
    void prefixUsesIndex_data() { TestDb::addBackendRows(); }
    void prefixUsesIndex();
};

void TestSearchCondition::search_data()
{
    QTest::addColumn<Backend>("backend");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("expected");
    struct Case
    {
        const char* name;
        const char* column;
        const char* typed;
        QStringList expected;
    };
    const QList<Case> cases = {
        {"exact ignores case", "BookNo", " ab001 ", {"AB001"}},
        {"prefix ignores case", "BookNo", "aB*", {"AB001", "ABC-1", "ab002"}},
        {"suffix", "BookNo", "*01", {"A%B01", "AB001", "A_B01", "XAB01", "ÉTÉ01", "N0001"}},
        {"inside", "BookName", "*詩*", {"AB001", "ABC-1"}},
        {"star inside matches itself", "BookNo", "A*1", {}},
        {"typed percent matches itself", "BookNo", "A%*", {"A%B01"}},
        {"typed underscore matches itself", "BookNo", "*_B01", {"A_B01"}},
        {"star alone matches all", "BookNo", "*", {"A%B01", "AB001", "ABC-1", "A_B01", "XAB01", "ab002", "ÉTÉ01", "N0001"}},
        {"star alone skips a missing title", "BookName", "*", {"A%B01", "AB001", "ABC-1", "A_B01", "XAB01", "ab002", "ÉTÉ01"}},
        {"two stars skip a missing title", "BookName", " ** ", {"A%B01", "AB001", "ABC-1", "A_B01", "XAB01", "ab002", "ÉTÉ01"}},
        {"star alone skips a missing year", "PubYear", "*", {"A%B01", "AB001", "ABC-1", "A_B01", "XAB01", "ab002", "ÉTÉ01"}},
        {"a star between stars matches itself", "BookName", "***", {}},
        {"letters beyond ASCII", "BookNo", "été*", {"ÉTÉ01"}},
        {"number column exact", "PubYear", "2001", {"ABC-1", "XAB01"}},
        {"number column pattern", "PubYear", "199*", {"A%B01", "AB001", "A_B01", "ab002"}},
        {"quote cannot end the text", "BookName", "x' or '1'='1", {}},
    };
    for (Backend backend : {Backend::Sqlite, Backend::Postgres}) {
        if (backend == Backend::Postgres && !TestDb::postgresAvailable())
            continue;
        const char* tag = backend == Backend::Sqlite ? "sqlite" : "postgres";
        for (const Case& c : cases) {
            QStringList expected = c.expected;
            expected.sort();
            QTest::addRow("%s: %s", tag, c.name)
                << backend << QString::fromLatin1(c.column) << QString::fromUtf8(c.typed) << expected;
        }
    }
}

void TestSearchCondition::search()
{
    QFETCH(Backend, backend);
    QFETCH(QString, column);
    QFETCH(QString, typed);
    QFETCH(QStringList, expected);

    DemoEnv env(backend);
    for (const BookRow& r : Rows)
        env.exec(QStringLiteral("INSERT INTO Book (BookNo, BookName, PubYear) VALUES (?, ?, ?)"),
                 {QString::fromUtf8(r.no), r.name ? QVariant(QString::fromUtf8(r.name)) : QVariant(),
                  r.year ? QVariant(r.year) : QVariant()});

    SearchCondition condition(backend, QStringLiteral("Book"));
    QVERIFY(condition.addText(column, typed));
    QVERIFY(!condition.where().contains(typed.trimmed())); // only placeholders reach the statement
    TDataSet ds(env.dm->MainADOCon, QStringLiteral("SearchDS"));
    condition.applyTo(ds, QStringLiteral("select * from Book where "));
    QVERIFY2(ds.open(), qPrintable(ds.lastError().text()));
    QCOMPARE(found(ds), expected);
}

void TestSearchCondition::prefixUsesIndex()
{
    QFETCH(Backend, backend);
    DemoEnv env(backend);
    SearchCondition condition(backend, QStringLiteral("Book"));
    QVERIFY(!condition.addText(QStringLiteral("BookNo"), QStringLiteral("  ")));
    QVERIFY(condition.isEmpty());
    condition.addText(QStringLiteral("BookNo"), QStringLiteral("AB*"));

    // The plan of the statement as the dataset runs it, with the values written in.
    QString sql = QStringLiteral("select BookNo from Book where ") + condition.where();
    const QVariantMap values = condition.values();
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        sql.replace(QLatin1Char(':') + it.key(), QLatin1Char('\'') + it.value().toString() + QLatin1Char('\''));
    QSqlQuery q(env.check->database());
    if (backend == Backend::Postgres)
        VERIFY_SQL(q, q.exec(QStringLiteral("SET enable_seqscan = off")));
    VERIFY_SQL(q, q.exec((backend == Backend::Sqlite ? QStringLiteral("EXPLAIN QUERY PLAN ")
                                                      : QStringLiteral("EXPLAIN "))
                         + sql));
    QString plan;
    while (q.next())
        plan += q.value(backend == Backend::Sqlite ? 3 : 0).toString() + QLatin1Char('\n');
    QVERIFY2(plan.contains(QStringLiteral("ix_book_bookno_search"), Qt::CaseInsensitive), qPrintable(plan));
}

QTEST_GUILESS_MAIN(TestSearchCondition)
#include "tst_searchcondition.moc"
