#include <memory>

#include <QCryptographicHash>
#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

#include "../support/TestDb.h"
#include "data/Connection.h"
#include "data/Schema.h"
#include "data/procedures/Procedures.h"
#include "tools/DbAdmin.h"
#include "tools/Generator.h"

namespace {

constexpr double Scale = 0.0005;

int generate(const TestDb& db, quint64 seed, QString* err = nullptr)
{
    QString outText;
    QString errText;
    QTextStream out(&outText);
    QTextStream errStream(&errText);
    const int status =
        DbAdmin::run(QStringList{QStringLiteral("generate")}
                         << db.heyuDbTarget() << QStringLiteral("--scale") << QString::number(Scale)
                         << QStringLiteral("--seed") << QString::number(seed),
                     out, errStream);
    errStream.flush();
    if (err)
        *err = errText;
    else if (status != 0)
        qWarning("%s", qPrintable(errText));
    return status;
}

/// A count or number the statement gives, -1 when it fails.
qint64 number(Connection& con, const QString& sql, const QVariantList& values = {})
{
    const QVariant v = TestDb::scalar(con, sql, values);
    return v.isValid() ? v.toLongLong() : -1;
}

/// Every index, view and constraint as the database describes it, to compare with a freshly made
/// schema.
QStringList schemaObjects(Connection& con)
{
    QSqlQuery q = TestDb::exec(
        con, con.isPostgres() ? QStringLiteral("SELECT indexname, indexdef FROM pg_indexes "
                                               "WHERE schemaname = 'public' UNION ALL "
                                               "SELECT viewname, definition FROM pg_views "
                                               "WHERE schemaname = 'public' UNION ALL "
                                               "SELECT c.conname, pg_get_constraintdef(c.oid) "
                                               "FROM pg_constraint c JOIN pg_namespace n "
                                               "ON n.oid = c.connamespace "
                                               "WHERE n.nspname = 'public' ORDER BY 1, 2")
                              : QStringLiteral("SELECT name, sql FROM sqlite_master "
                                               "WHERE name NOT LIKE 'sqlite_%' ORDER BY name"));
    QStringList out;
    while (q.next())
        out << q.value(0).toString() + QLatin1Char(' ') + q.value(1).toString();
    return out;
}

/// What the completed stock documents and the adjustments of one branch put on each book.
QString mismatchedStock(const QString& branch)
{
    const QString column = QStringLiteral("Stock") + branch;
    return QStringLiteral(
               "SELECT COUNT(*) FROM Book b LEFT JOIN ("
               " SELECT BookNo, SUM(q) AS s FROM ("
               "  SELECT d.BookNo, d.Qty AS q FROM ImportM h JOIN ImpDetail d"
               "   ON d.SArea = h.SArea AND d.PNo = h.PNo WHERE h.EComplete = 1 AND h.SArea = ?"
               "  UNION ALL SELECT d.BookNo, d.Qty FROM ExpRet h JOIN ERDetail d"
               "   ON d.SArea = h.SArea AND d.PNo = h.PNo WHERE h.EComplete = 1 AND h.SArea = ?"
               "  UNION ALL SELECT d.BookNo, -d.Qty FROM ExportM h JOIN ExpDetail d"
               "   ON d.SArea = h.SArea AND d.PNo = h.PNo WHERE h.EComplete = 1 AND h.SArea = ?"
               "  UNION ALL SELECT d.BookNo, -d.Qty FROM ImpRet h JOIN IRDetail d"
               "   ON d.SArea = h.SArea AND d.PNo = h.PNo WHERE h.EComplete = 1 AND h.SArea = ?"
               "  UNION ALL SELECT BookNo, Qty FROM BRStock WHERE SArea = ?"
               " ) m GROUP BY BookNo) x ON x.BookNo = b.BookNo"
               " WHERE COALESCE(b.%1, 0) <> COALESCE(x.s, 0)")
        .arg(column);
}

QByteArray checksum(Connection& con, const QStringList& tables)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const QString& table : tables) {
        QSqlQuery q = TestDb::exec(con, QStringLiteral("SELECT * FROM %1").arg(table));
        QStringList rows;
        while (q.next()) {
            QStringList values;
            for (int i = 0; i < q.record().count(); ++i)
                values << q.value(i).toString();
            rows << values.join(QChar(0x1f));
        }
        rows.sort();
        hash.addData(table.toUtf8());
        hash.addData(rows.join(QLatin1Char('\n')).toUtf8());
    }
    return hash.result();
}

} // namespace

class TestGenerate : public QObject
{
    Q_OBJECT

private slots:
    void company_data();
    void company();
    void sameSeedSameContent();
    void refusedOptions_data();
    void refusedOptions();
};

void TestGenerate::company_data()
{
    TestDb::addBackendRows();
}

void TestGenerate::company()
{
    QFETCH(Backend, backend);
    auto db = TestDb::create(backend);
    QVERIFY(db);
    QCOMPARE(generate(*db, 11), 0);
    auto con = db->connect(QStringLiteral("generate"));

    // Proportions of the full company.
    QCOMPARE(number(*con, QStringLiteral("SELECT COUNT(*) FROM Book")),
             Generator::bookCount(Scale));
    QCOMPARE(number(*con, QStringLiteral("SELECT COUNT(*) FROM Customer")), qint64(50000 * Scale));
    QCOMPARE(number(*con, QStringLiteral("SELECT COUNT(*) FROM Vendor WHERE Alliance = 1")),
             qint64(10));
    QCOMPARE(Schema::branchCodesInDatabase(*con), Generator::branchCodes());
    qint64 documents = number(*con, QStringLiteral("SELECT COUNT(*) FROM BRStock"));
    qint64 lines = 0;
    for (int kind : {1, 2, 3, 4, 5, 6, 7, 10, 11, 12}) {
        const DocKindDef* def = Schema::docKind(kind);
        const qint64 heads =
            number(*con, QStringLiteral("SELECT COUNT(*) FROM %1").arg(def->header));
        QVERIFY2(heads > 0, qPrintable(def->header));
        QVERIFY2(
            number(*con,
                   QStringLiteral("SELECT COUNT(*) FROM %1 WHERE EComplete = 1").arg(def->header)) >
                0,
            qPrintable(def->header));
        documents += heads;
        lines += number(*con, QStringLiteral("SELECT COUNT(*) FROM %1").arg(def->detail));
    }
    QVERIFY2(documents >= 400000 * Scale * 0.9 && documents <= 400000 * Scale * 1.1,
             qPrintable(QString::number(documents)));
    // The long shipment adds its 200 lines to the proportion.
    QVERIFY2(lines >= 2000000 * Scale * 0.8 && lines <= 2000000 * Scale * 1.2 + 200,
             qPrintable(QString::number(lines)));
    QCOMPARE(number(*con,
                    QStringLiteral("SELECT COUNT(*) FROM ExpDetail WHERE SArea = 'C0' AND "
                                   "PNo = ?"),
                    {Generator::LongShipmentPNo}),
             qint64(Generator::LongShipmentLines));
    QCOMPARE(number(*con,
                    QStringLiteral("SELECT EComplete FROM ExportM WHERE SArea = 'C0' AND "
                                   "PNo = ?"),
                    {Generator::LongShipmentPNo}),
             qint64(0));
    QVERIFY(number(*con, QStringLiteral("SELECT COUNT(*) FROM Book WHERE BookName LIKE '%詩%'")) >
            0);

    // Stock agrees with the completed documents of every branch, is never below zero, and is not
    // trivially zero.
    for (const QString& branch : Generator::branchCodes()) {
        QCOMPARE(number(*con, mismatchedStock(branch), {branch, branch, branch, branch, branch}),
                 qint64(0));
        QCOMPARE(
            number(*con, QStringLiteral("SELECT COUNT(*) FROM Book WHERE Stock%1 < 0").arg(branch)),
            qint64(0));
    }
    QVERIFY(number(*con, QStringLiteral("SELECT COUNT(*) FROM Book WHERE StockC0 <> 0")) > 10);

    // A completion taken back reverses exactly what was posted, and can be posted again.
    const qint64 pno = number(
        *con, QStringLiteral("SELECT MIN(PNo) FROM ExportM WHERE SArea = 'C0' AND EComplete = 1"));
    QVERIFY(pno > 0);
    const QString stockOfShipment =
        QStringLiteral("SELECT SUM(b.StockC0) FROM Book b WHERE b.BookNo IN "
                       "(SELECT BookNo FROM ExpDetail WHERE SArea = 'C0' AND PNo = ?)");
    const qint64 before = number(*con, stockOfShipment, {pno});
    const qint64 shipped = number(
        *con, QStringLiteral("SELECT SUM(Qty) FROM ExpDetail WHERE SArea = 'C0' AND PNo = ?"),
        {pno});
    {
        TransactionGuard tx(*con);
        QVERIFY(tx.begin());
        const auto back = Procedures::UpdateStock(*con, 0, 3, int(pno), QStringLiteral("C0"));
        QVERIFY2(back && back.changed, qPrintable(back.error.text));
        QVERIFY(tx.commit());
    }
    QCOMPARE(number(*con, stockOfShipment, {pno}), before + shipped);
    {
        TransactionGuard tx(*con);
        QVERIFY(tx.begin());
        const auto again = Procedures::UpdateStock(*con, -1, 3, int(pno), QStringLiteral("C0"));
        QVERIFY2(again && again.changed, qPrintable(again.error.text));
        QVERIFY(tx.commit());
    }
    QCOMPARE(number(*con, stockOfShipment, {pno}), before);

    // New documents are numbered after the generated ones, per branch and across branches.
    {
        TransactionGuard tx(*con);
        QVERIFY(tx.begin());
        const auto next = Procedures::AutoPNo(*con, QStringLiteral("C0"), 3);
        QVERIFY2(next, qPrintable(next.error.text));
        QCOMPARE(qint64(next.pno),
                 number(*con, QStringLiteral("SELECT MAX(PNo) FROM ExportM WHERE SArea = 'C0'")) +
                     1);
        const auto inquiry = Procedures::AutoPNo(*con, QStringLiteral("C3"), 11);
        QVERIFY2(inquiry, qPrintable(inquiry.error.text));
        QCOMPARE(qint64(inquiry.pno),
                 number(*con, QStringLiteral("SELECT MAX(PNo) FROM InquireM")) + 1);
        tx.rollback();
    }

    // The indexes made after the load are those of a fresh schema; references hold.
    auto fresh = TestDb::create(backend);
    QString error;
    QVERIFY2(fresh->createSchema(Generator::branchCodes(), &error), qPrintable(error));
    auto freshCon = fresh->connect(QStringLiteral("generate"));
    QCOMPARE(schemaObjects(*con), schemaObjects(*freshCon));
    if (backend == Backend::Sqlite) {
        QSqlQuery q = TestDb::exec(*con, QStringLiteral("PRAGMA foreign_key_check"));
        const bool broken = q.next();
        QVERIFY2(!broken, qPrintable(broken ? q.value(0).toString() : QString()));
        QSqlQuery mode = TestDb::exec(*con, QStringLiteral("PRAGMA journal_mode"));
        QVERIFY(mode.next());
        QCOMPARE(mode.value(0).toString(), QStringLiteral("wal"));
    }

    // A database that holds a schema is left alone.
    con.reset();
    QCOMPARE(generate(*db, 11, &error), 1);
    QVERIFY2(error.contains(QStringLiteral("already holds a schema")), qPrintable(error));
    con = db->connect(QStringLiteral("generate"));
    QCOMPARE(number(*con, QStringLiteral("SELECT COUNT(*) FROM Book")),
             Generator::bookCount(Scale));
}

void TestGenerate::sameSeedSameContent()
{
    // Determinism lies in the generator, not the backend: SQLite files are enough.
    const QStringList tables = {QStringLiteral("Book"), QStringLiteral("Customer"),
                                QStringLiteral("ExportM"), QStringLiteral("ExpDetail"),
                                QStringLiteral("StockPostLine")};
    QList<QByteArray> sums;
    for (quint64 seed : {5, 5, 6}) {
        auto db = TestDb::sqlite();
        QCOMPARE(generate(*db, seed), 0);
        auto con = db->connect(QStringLiteral("generate"));
        sums << checksum(*con, tables);
    }
    QCOMPARE(sums[0], sums[1]);
    QVERIFY(sums[0] != sums[2]);
}

void TestGenerate::refusedOptions_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::newRow("scale_zero") << QStringList{QStringLiteral("--scale"), QStringLiteral("0")};
    QTest::newRow("scale_text") << QStringList{QStringLiteral("--scale"), QStringLiteral("big")};
    QTest::newRow("seed_negative") << QStringList{QStringLiteral("--seed"), QStringLiteral("-1")};
    QTest::newRow("seed_missing") << QStringList{QStringLiteral("--seed")};
}

void TestGenerate::refusedOptions()
{
    // A mistyped option is refused before anything is made: no file is left behind.
    QFETCH(QStringList, options);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("big.db"));
    QString outText;
    QString errText;
    QTextStream out(&outText);
    QTextStream err(&errText);
    QCOMPARE(DbAdmin::run(QStringList{QStringLiteral("generate"), QStringLiteral("--sqlite"), file}
                              << options,
                          out, err),
             2);
    err.flush();
    QVERIFY(errText.startsWith(QStringLiteral("heyu-db: ")));
    QVERIFY(!QFile::exists(file));
}

QTEST_GUILESS_MAIN(TestGenerate)
#include "tst_generate.moc"
