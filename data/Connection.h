#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include "data/DbConfig.h"

/**
 * @brief The program's one database connection (`MainADOCon`).
 *
 * Configured from DBSet.INI without touching the database; opened by the first statement that
 * needs it. On SQLite the file must exist (only heyu-db creates databases), and several client
 * processes share it through WAL, a busy timeout and write transactions begun IMMEDIATE.
 */
class Connection
{
public:
    explicit Connection(const QString& name = QStringLiteral("MainADOCon"));
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void configure(const DbSettings& settings);
    const DbSettings& settings() const { return m_settings; }
    Backend backend() const { return m_settings.backend; }
    bool isPostgres() const { return m_settings.backend == Backend::Postgres; }

    /// Opens the connection if it is not open; on failure lastErrorText() tells why.
    bool open();
    bool isOpen() const;
    void close();
    QString lastErrorText() const { return m_lastError; }

    /// The underlying database, opened on demand.
    QSqlDatabase database();
    QString name() const { return m_name; }

    /// Begins a write transaction (on SQLite one that takes the write lock at once).
    bool beginWrite();
    bool commit();
    bool rollback();
    bool inTransaction() const { return m_inTransaction; }

    /**
     * The statement of text `sql` kept prepared on this connection: the first call prepares it,
     * later ones hand back the same query, so a statement run again and again (a look-up, a
     * posting's updates) costs the server no parse or plan. Only for texts the program builds,
     * a bounded set: typed values are bound, never written into the text. A statement must
     * name its columns (no `*`), so that a column added to a table leaves its result as it was.
     * The statements go when the connection closes or is configured anew. Null, with the reason
     * in `error`, when the statement does not prepare or selects `*`.
     */
    QSqlQuery* preparedQuery(const QString& sql, QSqlError* error = nullptr);

    /**
     * Binds `values` in order to the kept statement of `sql` and runs it; null with the reason
     * in `error` when it fails. A failed statement is dropped, so the next call prepares it
     * afresh; one the server no longer knows or whose plan a change of its tables made stale is
     * prepared again and run once more, when no transaction was lost with the failure. Read the
     * result to its end or finish() it before running the same text again: it is one query.
     */
    QSqlQuery* execPrepared(const QString& sql, const QVariantList& values,
                            QSqlError* error = nullptr);

    /// Statements kept prepared right now.
    int preparedCount() const { return int(m_prepared.size()); }

private:
    bool openSqlite(QSqlDatabase& db);
    bool openPostgres(QSqlDatabase& db);
    bool fail(const QString& text);
    void dropPrepared();

    QString m_name;
    DbSettings m_settings;
    QString m_lastError;
    bool m_inTransaction = false;
    /// Prepared statements by text; each must go before its database is removed.
    std::unordered_map<QString, std::unique_ptr<QSqlQuery>> m_prepared;
    /// Failed statements dropped inside a PostgreSQL transaction: freeing them there would fail
    /// too, so they go when it ends.
    std::vector<std::unique_ptr<QSqlQuery>> m_retired;
};

/// A database failure as the program reports it: a duplicate key is one outcome on both backends.
struct DbError
{
    /// Refused: a procedure turned the call down by its own rule (nativeCode "P0001" on both
    /// backends, as PostgreSQL reports a raised exception).
    enum class Kind { None, DuplicateKey, Refused, Other };
    Kind kind = Kind::None;
    QString nativeCode;
    QString text;

    static DbError from(const QSqlError& error);
    static DbError refused(const QString& text);
    bool isDuplicate() const { return kind == Kind::DuplicateKey; }
    bool isError() const { return kind != Kind::None; }
};

/**
 * @brief Scoped write transaction: rolls back on destruction unless committed.
 *
 * @code
 * TransactionGuard tx(con);
 * if (!tx.begin()) return false;
 * ... statements ...
 * return tx.commit();
 * @endcode
 */
class TransactionGuard
{
public:
    explicit TransactionGuard(Connection& connection) : m_connection(connection) {}
    ~TransactionGuard();
    TransactionGuard(const TransactionGuard&) = delete;
    TransactionGuard& operator=(const TransactionGuard&) = delete;

    bool begin();
    bool commit();
    void rollback();

private:
    Connection& m_connection;
    bool m_active = false;
};
