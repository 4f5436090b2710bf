#include "data/Connection.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlQuery>

#include "data/SqlDialect.h"

Connection::Connection(const QString& name) : m_name(name) {}

Connection::~Connection()
{
    close();
    if (QSqlDatabase::contains(m_name))
        QSqlDatabase::removeDatabase(m_name);
}

void Connection::configure(const DbSettings& settings)
{
    close();
    m_settings = settings;
}

bool Connection::isOpen() const
{
    return QSqlDatabase::contains(m_name) && QSqlDatabase::database(m_name, false).isOpen();
}

void Connection::close()
{
    dropPrepared();
    if (!QSqlDatabase::contains(m_name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
    m_inTransaction = false;
}

bool Connection::fail(const QString& text)
{
    dropPrepared();
    m_lastError = text;
    if (QSqlDatabase::contains(m_name)) {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    return false;
}

bool Connection::open()
{
    if (isOpen())
        return true;
    m_lastError.clear();
    const QString driver = m_settings.backend == Backend::Sqlite ? QStringLiteral("QSQLITE")
                                                                 : QStringLiteral("QPSQL");
    if (!QSqlDatabase::isDriverAvailable(driver))
        return fail(QStringLiteral("資料庫驅動程式 %1 未安裝").arg(driver));
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, m_name);
    return m_settings.backend == Backend::Sqlite ? openSqlite(db) : openPostgres(db);
}

bool Connection::openSqlite(QSqlDatabase& db)
{
    const QString file = m_settings.sqliteFile;
    if (file.isEmpty())
        return fail(QStringLiteral("未指定資料庫檔案"));
    // Never create a database by opening it: a typing error in DBSet.INI must not give an empty one.
    if (!QFileInfo(file).isFile())
        return fail(QStringLiteral("資料庫檔案不存在: %1").arg(file));
    db.setDatabaseName(file);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000"));
    if (!db.open())
        return fail(db.lastError().text());
    // Amounts are doubles on SQLite: round() must round their decimal value as PostgreSQL does.
    if (!SqlDialect::installSqliteFunctions(db))
        return fail(QStringLiteral("cannot install the SQL functions on %1").arg(file));
    QSqlQuery q(db);
    for (const char* pragma : {"PRAGMA journal_mode=WAL", "PRAGMA foreign_keys=ON",
                               "PRAGMA synchronous=NORMAL"}) {
        if (!q.exec(QString::fromLatin1(pragma)))
            return fail(q.lastError().text());
    }
    return true;
}

bool Connection::openPostgres(QSqlDatabase& db)
{
    if (m_settings.host.isEmpty())
        return fail(QStringLiteral("連線字串未指定伺服器 (Data Source)"));
    db.setHostName(m_settings.host);
    db.setPort(m_settings.port);
    db.setUserName(m_settings.user);
    db.setPassword(m_settings.password);
    db.setDatabaseName(m_settings.database);
    db.setConnectOptions(QStringLiteral("connect_timeout=10"));
    if (!db.open())
        return fail(db.lastError().text());
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SET client_encoding TO 'UTF8'")))
        return fail(q.lastError().text());
    return true;
}

QSqlDatabase Connection::database()
{
    open();
    return QSqlDatabase::database(m_name, false);
}

bool Connection::beginWrite()
{
    if (!open())
        return false;
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    bool ok = false;
    if (m_settings.backend == Backend::Sqlite) {
        QSqlQuery q(db);
        ok = q.exec(QStringLiteral("BEGIN IMMEDIATE"));
        if (!ok)
            m_lastError = q.lastError().text();
    } else {
        ok = db.transaction();
        if (!ok)
            m_lastError = db.lastError().text();
    }
    m_inTransaction = ok;
    return ok;
}

bool Connection::commit()
{
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    const bool ok = db.commit();
    if (!ok) {
        m_lastError = db.lastError().text();
        db.rollback();
    }
    m_inTransaction = false;
    m_retired.clear();
    return ok;
}

bool Connection::rollback()
{
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    const bool ok = db.rollback();
    m_inTransaction = false;
    m_retired.clear();
    return ok;
}

void Connection::dropPrepared()
{
    // A query must not outlive its database: these go before it is closed or removed.
    m_prepared.clear();
    m_retired.clear();
}

QSqlQuery* Connection::preparedQuery(const QString& sql, QSqlError* error)
{
    if (const auto it = m_prepared.find(sql); it != m_prepared.end())
        return it->second.get();
    // A column added to the table would change the number of columns such a statement returns,
    // which SQLite's driver does not expect of a statement it ran before (it writes past its row).
    static const QRegularExpression everyColumn(QStringLiteral(R"((?:^|[\s,.])\*\s*(?:,|FROM\b))"),
                                                QRegularExpression::CaseInsensitiveOption);
    if (everyColumn.match(sql).hasMatch()) {
        if (error)
            *error = QSqlError(QStringLiteral("a statement kept prepared must name its columns"),
                               sql, QSqlError::StatementError);
        return nullptr;
    }
    auto query = std::make_unique<QSqlQuery>(database());
    query->setForwardOnly(true);
    if (!query->prepare(sql)) {
        if (error)
            *error = query->lastError();
        return nullptr;
    }
    return m_prepared.emplace(sql, std::move(query)).first->second.get();
}

namespace {

/// The server has forgotten the statement, or its plan no longer fits the changed tables: it
/// runs again once prepared anew.
bool isStaleStatement(const QSqlError& error)
{
    const QString code = error.nativeErrorCode();
    // PostgreSQL: invalid_sql_statement_name ("prepared statement does not exist") and
    // "cached plan must not change result type". SQLite prepares a stale statement again itself.
    return code == QLatin1String("26000") || code == QLatin1String("0A000");
}

} // namespace

QSqlQuery* Connection::execPrepared(const QString& sql, const QVariantList& values,
                                    QSqlError* error)
{
    for (int attempt = 0;; ++attempt) {
        QSqlQuery* query = preparedQuery(sql, error);
        if (!query)
            return nullptr;
        for (int i = 0; i < values.size(); ++i)
            query->bindValue(i, values.at(i));
        if (query->exec())
            return query;
        const QSqlError failed = query->lastError();
        // Whatever failed, the next call starts from a fresh prepare.
        const auto it = m_prepared.find(sql);
        const bool aborted = isPostgres() && m_inTransaction;
        if (aborted)
            m_retired.push_back(std::move(it->second));
        m_prepared.erase(it);
        // Inside a transaction PostgreSQL refuses everything after a failure: a second run could
        // only hide the first error behind "current transaction is aborted".
        if (attempt > 0 || !isStaleStatement(failed) || aborted) {
            if (error)
                *error = failed;
            return nullptr;
        }
    }
}

DbError DbError::from(const QSqlError& error)
{
    DbError result;
    if (!error.isValid())
        return result;
    result.nativeCode = error.nativeErrorCode();
    result.text = error.text();
    // SQLite's extended codes for primary key and unique violations; PostgreSQL's SQLSTATE.
    static const QStringList duplicateCodes = {QStringLiteral("1555"), QStringLiteral("2067"),
                                               QStringLiteral("23505")};
    result.kind = duplicateCodes.contains(result.nativeCode) ? Kind::DuplicateKey : Kind::Other;
    return result;
}

DbError DbError::refused(const QString& text)
{
    return {Kind::Refused, QStringLiteral("P0001"), text};
}

TransactionGuard::~TransactionGuard()
{
    if (m_active)
        m_connection.rollback();
}

bool TransactionGuard::begin()
{
    m_active = m_connection.beginWrite();
    return m_active;
}

bool TransactionGuard::commit()
{
    if (!m_active)
        return false;
    m_active = false;
    return m_connection.commit();
}

void TransactionGuard::rollback()
{
    if (m_active) {
        m_active = false;
        m_connection.rollback();
    }
}
