#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>

class QSqlDatabase;

#include "data/DbConfig.h"

/**
 * @brief What differs between the two backends, in one place.
 *
 * Date-times are TIMESTAMP on PostgreSQL and "yyyy-MM-dd hh:mm:ss" text on SQLite, so that both
 * order and compare them the same way.
 */
namespace SqlDialect {

QVariant dateTimeValue(Backend backend, const QDateTime& value);
QVariant dateValue(Backend backend, const QDate& value);
/// Reads a date-time column of either backend.
QDateTime toDateTime(const QVariant& value);
/// The day of a date-time column of either backend, without making it a local date-time.
QDate toDate(const QVariant& value);
/// Called by a program's main before any thread starts: the local zone is read once, not on
/// every date converted.
void nameLocalZoneOnce();
/// The server's current time as an SQL expression.
QString now(Backend backend);

/// Locks the rows a SELECT reads until the transaction ends; SQLite's write transaction already
/// holds the whole database.
QString forUpdate(Backend backend);

/**
 * A text column as searches compare it: in lower case, ordered by code point, so that a search
 * ignores letter case and a prefix can be looked up as a range in the index of the same
 * expression (Schema's caseless indexes). The database's own collation plays no part.
 */
QString searchKey(Backend backend, const QString& column);

/// The larger of two values as an SQL expression (GREATEST on PostgreSQL, MAX on SQLite).
QString greatest(Backend backend, const QString& a, const QString& b);

/**
 * Rounds half away from zero to `digits` places, as PostgreSQL rounds a NUMERIC, for a value that
 * arrives as a double: the double is first read back as the decimal of 15 significant digits it
 * stands for, so 2274.43*50 (113721.49999999999 in binary) rounds to 113722, not 113721. Exact
 * for every value whose decimal has at most 15 significant digits, which covers amounts of ten
 * digits times rates of eight.
 */
double decimalRound(double value, int digits);

/**
 * Replaces round() on an open SQLite connection by decimalRound, and lower() by one that folds
 * every letter as PostgreSQL does, not only ASCII, so that every `Round(x,n)` in
 * views, totals and procedures, and every search, gives PostgreSQL's result. False when the handle
 * is not SQLite's.
 */
bool installSqliteFunctions(QSqlDatabase& db);

} // namespace SqlDialect
