#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include "tools/DbAdmin.h"
#include "../support/TestDb.h"

class TestHeyuDb : public QObject
{
    Q_OBJECT
private slots:
    void demoOnSqliteFile();
    void errors_data();
    void errors();
    void demoThroughConfig_data() { TestDb::addBackendRows(); }
    void demoThroughConfig();

private:
    int run(const QStringList& args, QString* out = nullptr, QString* err = nullptr);
};

int TestHeyuDb::run(const QStringList& args, QString* out, QString* err)
{
    QString o;
    QString e;
    QTextStream os(&o);
    QTextStream es(&e);
    const int rc = DbAdmin::run(args, os, es);
    os.flush();
    es.flush();
    if (out)
        *out = o;
    if (err)
        *err = e;
    return rc;
}

void TestHeyuDb::demoOnSqliteFile()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("demo.db");
    QCOMPARE(run({"demo", "--sqlite", file}), 0);
    Connection con("check");
    con.configure(DbConfig::resolve("Provider=SQLite;", file));
    QSqlQuery q(con.database());
    VERIFY_SQL(q, q.exec("SELECT COUNT(*) FROM Vendor WHERE Alliance = 1"));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 3);
    VERIFY_SQL(q, q.exec("SELECT COUNT(*) FROM UserPass WHERE UsHash <> '' AND (UsPass IS NULL OR UsPass = '')"));
    QVERIFY(q.next());
    QVERIFY(q.value(0).toInt() >= 4);
    VERIFY_SQL(q, q.exec("SELECT StockC0, StockC1, StockC2 FROM Book WHERE BookNo = 'HY0001'"));
    QVERIFY(q.next());
}

void TestHeyuDb::errors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("no_command") << QStringList{} << 2;
    QTest::newRow("unknown_command") << QStringList{"drop"} << 2;
    QTest::newRow("missing_target") << QStringList{"init"} << 2;
    QTest::newRow("config_file_missing") << QStringList{"init", "--config", "/nonexistent/DBSet.INI"} << 2;
    QTest::newRow("folder_missing") << QStringList{"init", "--sqlite", "/nonexistent/dir/x.db"} << 1;
}

void TestHeyuDb::errors()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QString err;
    QCOMPARE(run(args, nullptr, &err), exitCode);
    QVERIFY(!err.trimmed().isEmpty());
}

void TestHeyuDb::demoThroughConfig()
{
    QFETCH(Backend, backend);
    auto db = TestDb::create(backend);
    QTemporaryDir dir;
    QFile ini(dir.filePath("DBSet.INI"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    // A relative database file is taken beside the DBSet.INI it is named in.
    const QString lineTwo = backend == Backend::Sqlite ? QStringLiteral("company.db") : db->iniLineTwo();
    ini.write((db->iniLineOne() + "\n" + lineTwo + "\n").toUtf8());
    ini.close();
    if (backend == Backend::Sqlite) {
        QFile f(dir.filePath("company.db"));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QCOMPARE(run({"demo", "--config", ini.fileName()}), 0);

    // Run twice: the schema exists, one clear line, non-zero, nothing changed.
    QString err;
    QCOMPARE(run({"demo", "--config", ini.fileName()}, nullptr, &err), 1);
    QCOMPARE(err.count('\n'), 1);

    DbSettings s = db->settings();
    if (backend == Backend::Sqlite)
        s.sqliteFile = dir.filePath("company.db");
    Connection con("check");
    con.configure(s);
    QSqlQuery q(con.database());
    VERIFY_SQL(q, q.exec("SELECT COUNT(*) FROM UserPass"));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 5);
}

QTEST_GUILESS_MAIN(TestHeyuDb)
#include "tst_heyudb.moc"
