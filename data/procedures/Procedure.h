#pragma once

#include <QList>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "data/Connection.h"

/**
 * @brief The server procedures, one C++ function per procedure contract.
 *
 * Every procedure runs its statements on the caller's Connection, inside the caller's
 * transaction: it never begins, commits or rolls back. Procedures that write several rows
 * refuse to run outside a transaction, so that a failure can never leave half a posting.
 * On failure the caller rolls its transaction back (on PostgreSQL nothing more can be done in
 * it anyway).
 *
 * Conventions, for the procedures still to come:
 *  - one header and source per procedure, named as the procedure (data/procedures/AutoPNo.h),
 *    listed in data/procedures/Procedures.h;
 *  - the function is named as the procedure and takes the contract's parameters, typed, in the
 *    contract's order, after the connection;
 *  - it returns a struct derived from Status: `error` is empty on success, a database error
 *    (DbError::from) or the procedure's own refusal (DbError::Kind::Refused);
 *  - a return value or an output parameter is a field of the struct (`pno`, `count`, ...);
 *  - a result set is a ResultSet of detached rows with the column names of the contract,
 *    spelled the same on both backends, ready to be loaded into a dataset.
 *
 * @code
 * TransactionGuard tx(con);
 * if (!tx.begin()) return false;
 * const Procedures::AutoPNoResult n = Procedures::AutoPNo(con, loginArea, docKind);
 * if (!n) { show(n.error); return false; }   // the guard rolls back
 * ...
 * return tx.commit();
 * @endcode
 */
namespace Procedures {

/// Success, or why the procedure failed.
struct Status
{
    DbError error;
    bool ok() const { return !error.isError(); }
    explicit operator bool() const { return ok(); }
};

/// The rows of one result set, read to the end so that the transaction can commit.
struct ResultSet
{
    QStringList columns;
    QList<QVariantList> rows;

    int size() const { return int(rows.size()); }
    bool isEmpty() const { return rows.isEmpty(); }
    /// Column position ignoring letter case, -1 when absent.
    int indexOf(const QString& column) const;
    QVariant value(int row, const QString& column) const;
};

struct RowsResult : Status
{
    ResultSet rows;
};

struct CountResult : Status
{
    int count = 0;
};

/// Helpers shared by the procedure implementations.
namespace detail {

/// Fills status with the query's error and returns false when the statement fails.
bool exec(QSqlQuery& query, Status& status);
/// Prepares, binds in order and executes.
bool exec(QSqlQuery& query, const QString& sql, const QVariantList& values, Status& status);
/// Runs a statement kept prepared on the connection (Connection::execPrepared); null with
/// status filled when it fails. Read it to the end or finish() it before the procedure returns.
QSqlQuery* execPrepared(Connection& con, const QString& sql, const QVariantList& values,
                        Status& status);
/// Refuses a call that writes several rows outside a transaction.
bool requireTransaction(Connection& con, const char* procedure, Status& status);
/// Reads the query to its end under the given column names.
ResultSet readAll(QSqlQuery& query, const QStringList& columns);

} // namespace detail
} // namespace Procedures
