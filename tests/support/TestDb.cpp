#include "TestDb.h"

#include <QFile>
#include <QProcessEnvironment>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>

#include "data/Schema.h"
#include "tools/DemoData.h"



namespace {

QMap<QString, QString> pgEnvironment()
{
    QMap<QString, QString> kv;
    const QString env = qEnvironmentVariable("HEYU_TEST_PG");
    for (const QString& pair : env.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        if (eq > 0)
            kv.insert(pair.left(eq).trimmed(), pair.mid(eq + 1).trimmed());
    }
    return kv;
}

bool execAdmin(const QString& sql, QString* error)
{
    const QMap<QString, QString> kv = pgEnvironment();
    const QString name = QStringLiteral("heyu-test-admin");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(kv.value(QStringLiteral("host")));
        db.setPort(kv.value(QStringLiteral("port")).toInt());
        db.setUserName(kv.value(QStringLiteral("user")));
        db.setPassword(kv.value(QStringLiteral("password")));
        db.setDatabaseName(kv.value(QStringLiteral("dbname")));
        if (db.open()) {
            QSqlQuery q(db);
            ok = q.exec(sql);
            if (!ok && error)
                *error = q.lastError().text();
            db.close();
        } else if (error) {
            *error = db.lastError().text();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

} // namespace

TestDb::~TestDb()
{
    if (!m_dropName.isEmpty())
        execAdmin(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_dropName), nullptr);
}

std::unique_ptr<TestDb> TestDb::sqlite()
{
    std::unique_ptr<TestDb> db(new TestDb);
    const QString file = db->m_dir.filePath(QStringLiteral("test.db"));
    QFile f(file);
    f.open(QIODevice::WriteOnly);
    f.close();
    db->m_settings = DbConfig::resolve(QStringLiteral("Provider=SQLite"), file);
    return db;
}

bool TestDb::postgresAvailable() { return !qEnvironmentVariableIsEmpty("HEYU_TEST_PG"); }

std::unique_ptr<TestDb> TestDb::postgres()
{
    if (!postgresAvailable())
        return nullptr;
    std::unique_ptr<TestDb> db(new TestDb);
    const QString name = QStringLiteral("heyu_t_")
                         + QUuid::createUuid().toString(QUuid::Id128).left(16);
    QString error;
    if (!execAdmin(QStringLiteral("CREATE DATABASE %1").arg(name), &error)) {
        qWarning("cannot create test database: %s", qPrintable(error));
        return nullptr;
    }
    db->m_dropName = name;
    const QMap<QString, QString> kv = pgEnvironment();
    db->m_settings = DbConfig::resolve(
        DbConfig::FixedPrefix
            + QStringLiteral("Data Source=%1,%2;User ID=%3;Password=%4;")
                  .arg(kv.value(QStringLiteral("host")), kv.value(QStringLiteral("port")),
                       kv.value(QStringLiteral("user")), kv.value(QStringLiteral("password"))),
        name);
    return db;
}

std::unique_ptr<TestDb> TestDb::create(Backend backend)
{
    return backend == Backend::Sqlite ? sqlite() : postgres();
}

void TestDb::addBackendRows()
{
    QTest::addColumn<Backend>("backend");
    QTest::newRow("sqlite") << Backend::Sqlite;
    if (postgresAvailable())
        QTest::newRow("postgres") << Backend::Postgres;
}

QString TestDb::iniLineOne() const
{
    if (m_settings.backend == Backend::Sqlite)
        return QStringLiteral("Provider=SQLite;");
    return QStringLiteral("Data Source=%1,%2;User ID=%3;Password=%4;")
        .arg(m_settings.host)
        .arg(m_settings.port)
        .arg(m_settings.user, m_settings.password);
}

QString TestDb::iniLineTwo() const
{
    return m_settings.backend == Backend::Sqlite ? m_settings.sqliteFile : m_settings.database;
}

bool TestDb::createSchema(const QStringList& branches, QString* error)
{
    Connection con(QStringLiteral("heyu-test-schema"));
    con.configure(m_settings);
    TransactionGuard tx(con);
    if (!tx.begin()) {
        if (error)
            *error = con.lastErrorText();
        return false;
    }
    return Schema::create(con, branches, error) && tx.commit();
}

bool TestDb::loadDemo(QString* error)
{
    Connection con(QStringLiteral("heyu-test-demo"));
    con.configure(m_settings);
    TransactionGuard tx(con);
    if (!tx.begin()) {
        if (error)
            *error = con.lastErrorText();
        return false;
    }
    return Schema::create(con, DemoData::branchCodes(), error) && DemoData::load(con, error)
           && tx.commit();
}

std::unique_ptr<Connection> TestDb::connect(const QString& name) const
{
    static int counter = 0;
    auto con = std::make_unique<Connection>(QStringLiteral("%1-%2").arg(name).arg(++counter));
    con->configure(m_settings);
    return con;
}

QStringList TestDb::heyuDbTarget() const
{
    if (m_settings.backend == Backend::Sqlite)
        return {QStringLiteral("--sqlite"), m_settings.sqliteFile};
    const QString ini = dir() + QStringLiteral("/DBSet.INI");
    QFile file(ini);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write((iniLineOne() + QLatin1Char('\n') + iniLineTwo() + QLatin1Char('\n')).toUtf8());
    return {QStringLiteral("--config"), ini};
}

QSqlQuery TestDb::exec(Connection& con, const QString& sql, const QVariantList& values)
{
    QSqlQuery q(con.database());
    q.prepare(sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        qWarning("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    return q;
}

QVariant TestDb::scalar(Connection& con, const QString& sql, const QVariantList& values)
{
    QSqlQuery q = exec(con, sql, values);
    if (!q.isActive())
        return {};
    if (!q.next()) {
        qWarning("%s: no row", qPrintable(sql));
        return {};
    }
    return q.value(0);
}
