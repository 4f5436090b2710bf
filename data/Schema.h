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
};

struct TableDef
{
    QString name;
    QList<ColumnDef> columns;
    QStringList primaryKey;
    QList<IndexDef> indexes;
    QStringList constraints; ///< extra table constraints, portable SQL (foreign keys, uniques)

    const ColumnDef* column(const QString& name) const;
};

struct ViewDef
{
    QString name;
    QString select; ///< portable SQL
};

/**
 * @brief The one definition of the database, from which both backends' statements are made.
 *
 * Identifiers are written unquoted, so PostgreSQL folds them to lower case; clients look columns
 * up ignoring case. Booleans are small integers holding 0 or 1 on both backends, so conditions
 * such as `Alliance=1` read the same everywhere. SQLite does not enforce text sizes by itself:
 * every sized text column carries a length check.
 */
namespace Schema {

/// The version a database created now carries (table SchemaInfo).
int version();

const QList<TableDef>& tables();
const TableDef* table(const QString& name);
const QList<ViewDef>& views();

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

} // namespace Schema
