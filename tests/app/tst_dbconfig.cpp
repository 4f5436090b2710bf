#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "data/DataAccess.h"
#include "data/DbConfig.h"
#include "data/TMainDM.h"
#include "../support/MessageRecorder.h"

class TestDbConfig : public QObject
{
    Q_OBJECT
private slots:
    void iniFile_data();
    void iniFile();
    void missingFileKeepsBuiltInDefault();
    void keywordsSelectBackend_data();
    void keywordsSelectBackend();
    void missingSqliteFileIsAConnectionFailure();
    void versionCheck_data();
    void versionCheck();
};

void TestDbConfig::iniFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("lineOne");
    QTest::addColumn<QString>("lineTwo");

    QTest::newRow("two_lines") << QByteArray("Data Source=srv;\nheyu\n") << "Data Source=srv;" << "heyu";
    QTest::newRow("blanks_and_tabs_trimmed")
        << QByteArray("  \tData Source=srv;  \r\n   heyu \t\r\n") << "Data Source=srv;" << "heyu";
    QTest::newRow("one_line_gives_empty_database") << QByteArray("Data Source=srv;") << "Data Source=srv;" << "";
    QTest::newRow("extra_lines_ignored")
        << QByteArray("Data Source=srv;\nheyu\nData Source=other;\nxx\n") << "Data Source=srv;" << "heyu";
    QTest::newRow("chinese_database_name") << QByteArray("Provider=SQLite;\n資料.db\n") << "Provider=SQLite;" << "資料.db";
}

void TestDbConfig::iniFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, lineOne);
    QFETCH(QString, lineTwo);
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("DBSet.INI")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();

    QString one;
    QString two;
    QVERIFY(DbConfig::readIniFile(f.fileName(), &one, &two, nullptr));
    QCOMPARE(one, lineOne);
    QCOMPARE(two, lineTwo);

    // Line one is joined directly after the prefix's closing "User ID=PellixSecAccount;".
    const DbSettings s = DbConfig::resolve(DbConfig::FixedPrefix + one, two);
    QVERIFY(s.connectionString.startsWith(DbConfig::FixedPrefix));
    QCOMPARE(s.connectionString.mid(DbConfig::FixedPrefix.size()), lineOne);
    QCOMPARE(s.database, lineTwo);
}

void TestDbConfig::missingFileKeepsBuiltInDefault()
{
    MessageRecorder messages;
    QTemporaryDir dir;
    TMainDM dm;
    QVERIFY(!dm.ConfigureConnection(dir.filePath(QStringLiteral("DBSet.INI"))));
    QCOMPARE(messages.messages().size(), 1);
    QCOMPARE(messages.lastKind(), TDialogs::Kind::Error);
    QVERIFY(!messages.last().isEmpty());
    // The built-in default names no server: the first statement fails, nothing is guessed.
    QCOMPARE(dm.MainADOCon.settings().database, QStringLiteral("PellixDBNEW"));
    QVERIFY(dm.MainADOCon.settings().host.isEmpty());
    QVERIFY(!dm.MainADOCon.open());
}

void TestDbConfig::keywordsSelectBackend_data()
{
    QTest::addColumn<QString>("lineOne");
    QTest::addColumn<bool>("sqlite");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");

    QTest::newRow("prefix_login_for_server")
        << "Data Source=db.example;" << false << "db.example" << 5432 << "PellixSecAccount" << "7)3(9*1&2%";
    QTest::newRow("port_after_comma") << "Data Source=10.0.0.5, 6543;" << false << "10.0.0.5" << 6543
                                      << "PellixSecAccount" << "7)3(9*1&2%";
    QTest::newRow("later_keyword_overrides_prefix")
        << "Data Source=h;User ID=heyu;Password=pw;" << false << "h" << 5432 << "heyu" << "pw";
    QTest::newRow("keywords_ignore_case") << "data source=h;USER ID=u;" << false << "h" << 5432 << "u"
                                          << "7)3(9*1&2%";
    QTest::newRow("sqlite_provider") << "Provider=SQLite;" << true << "" << 5432 << "PellixSecAccount"
                                     << "7)3(9*1&2%";
    QTest::newRow("unused_keywords_ignored")
        << "Data Source=h;Packet Size=4096;Auto Translate=True;" << false << "h" << 5432
        << "PellixSecAccount" << "7)3(9*1&2%";
}

void TestDbConfig::keywordsSelectBackend()
{
    QFETCH(QString, lineOne);
    QFETCH(bool, sqlite);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QString, user);
    QFETCH(QString, password);
    const DbSettings s = DbConfig::resolve(DbConfig::FixedPrefix + lineOne, QStringLiteral("db.sqlite"));
    QCOMPARE(s.backend == Backend::Sqlite, sqlite);
    if (sqlite) {
        QCOMPARE(s.sqliteFile, QDir::current().absoluteFilePath(QStringLiteral("db.sqlite")));
        return;
    }
    QCOMPARE(s.host, host);
    QCOMPARE(s.port, port);
    QCOMPARE(s.user, user);
    QCOMPARE(s.password, password);
}

void TestDbConfig::missingSqliteFileIsAConnectionFailure()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("absent.db"));
    Connection con(QStringLiteral("missing-file"));
    con.configure(DbConfig::resolve(QStringLiteral("Provider=SQLite;"), file));
    QVERIFY(!con.open());
    QVERIFY(con.lastErrorText().contains(file));
    QVERIFY2(!QFile::exists(file), "opening must never create a database");
}

void TestDbConfig::versionCheck_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("passes");
    QTest::newRow("2.5") << "2.5" << false;
    QTest::newRow("2.6") << "2.6" << true;
    QTest::newRow("2.7") << "2.7" << true;
    QTest::newRow("2.8") << "2.8" << true;
    QTest::newRow("6.0") << "6.0" << true;
    QTest::newRow("10.0") << "10.0" << true;
    QTest::newRow("2.10_minor_as_number") << "2.10" << true;
    QTest::newRow("1.9") << "1.9" << false;
    QTest::newRow("blanks_trimmed") << "  2.6  " << true;
    QTest::newRow("three_parts") << "6.4.2" << true;
    QTest::newRow("missing_driver") << "0.0" << false;
}

void TestDbConfig::versionCheck()
{
    QFETCH(QString, version);
    QFETCH(bool, passes);
    QCOMPARE(DataAccess::VersionAtLeast(version), passes);
    // The drivers this machine has installed pass the check.
    QVERIFY(DataAccess::VersionAtLeast(DataAccess::Version(Backend::Sqlite)));
}

QTEST_GUILESS_MAIN(TestDbConfig)
#include "tst_dbconfig.moc"
