#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "data/DbConfig.h"

class Connection;

enum class ColType { Text, LongText, Decimal, Integer, SmallInt, Identity, DateTime, Boolean };

struct ColumnDef
{
    QString name;
    ColType type = ColType::Text;
    int size = 0;  ///< characters of a Text, digits of a Decimal
    int scale = 0; ///< digits after the point of a Decimal
    bool notNull = false;
    QString defaultValue; ///< an SQL literal valid on both backends
};

struct IndexDef
{
    QString name;
    QStringList columns; ///< a column may carry " DESC"
    bool unique = false;
    QString where; ///< partial index condition, portable SQL
    /// Each column is indexed as searches compare it (SqlDialect::searchKey), so that a search
    /// ignoring letter case, by whole text or by prefix, uses the index.
    bool caseless = false;
};

/// What a reference does when the referenced row changes its number or is deleted.
enum class RefAction { Refuse, Cascade };

/**
 * @brief A reference to another table's key.
 *
 * A NULL in the referencing columns points at nothing and is allowed: an optional partner is
 * stored as NULL, never as an empty text.
 */
struct ForeignKeyDef
{
    QStringList columns;
    QString refTable;
    QStringList refColumns;
    RefAction onUpdate = RefAction::Cascade;
    RefAction onDelete = RefAction::Refuse;
};

struct TableDef
{
    QString name;
    QList<ColumnDef> columns;
    QStringList primaryKey;
    QList<IndexDef> indexes;
    QStringList constraints; ///< extra table constraints, portable SQL (uniques, checks)
    QList<ForeignKeyDef> foreignKeys;

    const ColumnDef* column(const QString& name) const;
};

struct ViewDef
{
    QString name;
    QString select; ///< portable SQL
};

/// The tables of one document kind (`DocKind`).
struct DocKindDef
{
    int kind = -1;
    QString header;
    QString detail;                ///< empty for stock adjustments
    QString partner;               ///< partner column of the header, empty when there is none
    bool numberedPerBranch = true; ///< false: `PNo` is unique on its own (head-office inquiries)
};

/**
 * @brief The one definition of the database, from which both backends' statements are made.
 *
 * Identifiers are written unquoted, so PostgreSQL folds them to lower case; clients look columns
 * up ignoring case. Booleans are small integers holding 0 or 1 on both backends, so conditions
 * such as `Alliance=1` read the same everywhere. SQLite does not enforce types or text sizes by
 * itself: every sized text column carries a length check, every number column a type and range
 * check, every date-time column a check that it holds a date.
 *
 * Amounts are NUMERIC: exact on PostgreSQL; on SQLite they are doubles, and the connection's
 * `round()` is replaced by a decimal one (SqlDialect::installSqliteFunctions) so that
 * `Round(UnSum*rate,0)` gives the same whole dollars on both backends.
 */
namespace Schema {

/// The version a database created now carries (table SchemaInfo).
int version();

const QList<TableDef>& tables();
const TableDef* table(const QString& name);
const QList<ViewDef>& views();

/// The tables of a document kind, or null for an unknown kind.
const DocKindDef* docKind(int kind);

/// A branch code may enter column names only when it passes this test.
bool isValidBranchCode(const QString& code);
/// `Stock`, `SStock` and `Loc` followed by the code.
QList<ColumnDef> branchBookColumns(const QString& code);

QString columnSql(Backend backend, const TableDef& table, const ColumnDef& column);
/// CREATE TABLE, indexes and views for a fresh database holding the given branches' columns.
QStringList createStatements(Backend backend, const QStringList& branchCodes);

/// Creates the whole schema inside the caller's transaction; false with a readable error when
/// anything fails or the database already holds the schema.
bool create(Connection& connection, const QStringList& branchCodes, QString* error);
bool exists(Connection& connection);

/// The version stored in the database, 0 when it holds no schema.
int storedVersion(Connection& connection);

/// The branch codes whose three `Book` columns exist.
QStringList branchCodesInDatabase(Connection& connection);

/**
 * Moves an older database to the current version inside the caller's transaction, keeping every
 * row: each table is rebuilt from the current definition and its rows copied over. Rows that
 * break a rule of the new definition make the upgrade fail with the database's error. On SQLite
 * the caller turns foreign keys off before its transaction (they cannot change inside one); the
 * upgrade checks every reference itself before it returns. *fromVersion receives the old version.
 */
bool upgrade(Connection& connection, int* fromVersion, QString* error);

/**
 * Adds a branch inside the caller's transaction: its `Vendor` row (`Alliance` = 1) and its three
 * `Book` columns. Whatever already exists is kept, so a second run changes nothing.
 * *changed tells whether anything was added.
 */
bool addBranch(Connection& connection, const QString& code, const QString& name, bool* changed,
               QString* error);

} // namespace Schema
