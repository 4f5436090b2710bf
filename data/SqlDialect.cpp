#include "data/SqlDialect.h"

namespace SqlDialect {

namespace {
const QString SqliteFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
}

QVariant dateTimeValue(Backend backend, const QDateTime& value)
{
    if (!value.isValid())
        return QVariant(backend == Backend::Sqlite ? QMetaType(QMetaType::QString)
                                                   : QMetaType(QMetaType::QDateTime));
    if (backend == Backend::Sqlite)
        return value.toString(SqliteFormat);
    return value;
}

QVariant dateValue(Backend backend, const QDate& value)
{
    return dateTimeValue(backend, value.isValid() ? value.startOfDay() : QDateTime());
}

QDateTime toDateTime(const QVariant& value)
{
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime();
    if (value.typeId() == QMetaType::QDate)
        return value.toDate().startOfDay();
    const QString text = value.toString();
    QDateTime dt = QDateTime::fromString(text, SqliteFormat);
    return dt.isValid() ? dt : QDateTime::fromString(text, Qt::ISODate);
}

QString now(Backend backend)
{
    return backend == Backend::Sqlite ? QStringLiteral("datetime('now','localtime')")
                                      : QStringLiteral("LOCALTIMESTAMP(0)");
}

} // namespace SqlDialect
