#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>

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
/// The server's current time as an SQL expression.
QString now(Backend backend);

} // namespace SqlDialect
