#include "reports/RecordTable.h"

#include <cmath>

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QSqlRecord>

#include "reports/office/OfficeError.h"

RecordTable::RecordTable(const QStringList& columns, const QList<QVariantList>& rows)
    : m_columns(columns), m_rows(rows)
{
}

RecordTable RecordTable::fromQuery(QSqlQuery& query)
{
    RecordTable table;
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i)
        table.m_columns.append(record.fieldName(i));
    while (query.next()) {
        QVariantList row;
        for (int i = 0; i < record.count(); ++i)
            row.append(query.value(i));
        table.m_rows.append(row);
    }
    return table;
}

int RecordTable::column(const QString& name) const
{
    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        if (m_columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

bool RecordTable::hasField(const QString& name) const
{
    return column(name) >= 0;
}

QVariant RecordTable::value(const QString& name) const
{
    const int c = column(name);
    if (c < 0)
        throw office::OfficeError(QStringLiteral("找不到欄位：%1").arg(name));
    if (eof())
        throw office::OfficeError(QStringLiteral("沒有目前的資料列：%1").arg(name));
    return m_rows.at(m_current).value(c);
}

QString RecordTable::text(const QString& name) const
{
    return displayText(value(name));
}

QString RecordTable::displayText(const QVariant& value)
{
    if (value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("yyyy/MM/dd"));
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy/MM/dd"));
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        return d == std::floor(d) ? QString::number(qint64(d)) : QString::number(d, 'f', 2);
    }
    default:
        break;
    }
    // SQLite keeps date-times as text.
    static const QRegularExpression dateTime(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})([ T]\\d{2}:\\d{2}(:\\d{2}(\\.\\d+)?)?)?$"));
    const QString text = value.toString();
    if (const QRegularExpressionMatch m = dateTime.match(text); m.hasMatch())
        return m.captured(1) + '/' + m.captured(2) + '/' + m.captured(3);
    return text;
}
