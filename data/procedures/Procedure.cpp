#include "data/procedures/Procedure.h"

#include <QSqlError>
#include <QSqlRecord>

namespace Procedures {

int ResultSet::indexOf(const QString& column) const
{
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].compare(column, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QVariant ResultSet::value(int row, const QString& column) const
{
    const int i = indexOf(column);
    if (row < 0 || row >= rows.size() || i < 0)
        return {};
    return rows[row].value(i);
}

namespace detail {

bool exec(QSqlQuery& query, Status& status)
{
    if (query.exec())
        return true;
    status.error = DbError::from(query.lastError());
    return false;
}

bool exec(QSqlQuery& query, const QString& sql, const QVariantList& values, Status& status)
{
    if (!query.prepare(sql)) {
        status.error = DbError::from(query.lastError());
        return false;
    }
    for (const QVariant& v : values)
        query.addBindValue(v);
    return exec(query, status);
}

QSqlQuery* execPrepared(Connection& con, const QString& sql, const QVariantList& values,
                        Status& status)
{
    QSqlError error;
    QSqlQuery* query = con.execPrepared(sql, values, &error);
    if (!query) {
        status.error = DbError::from(error);
        if (!status.error.isError())
            status.error = {
                DbError::Kind::Other, {}, QStringLiteral("statement failed: %1").arg(sql)};
    }
    return query;
}

bool requireTransaction(Connection& con, const char* procedure, Status& status)
{
    if (con.inTransaction())
        return true;
    status.error = DbError::refused(
        QStringLiteral("%1 must run inside a transaction").arg(QLatin1String(procedure)));
    return false;
}

ResultSet readAll(QSqlQuery& query, const QStringList& columns)
{
    ResultSet set;
    set.columns = columns;
    const int count = query.record().count();
    while (query.next()) {
        QVariantList row;
        row.reserve(count);
        for (int i = 0; i < count; ++i)
            row << query.value(i);
        set.rows << row;
    }
    query.finish();
    return set;
}

} // namespace detail
} // namespace Procedures
