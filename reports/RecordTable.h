#pragma once

#include <QList>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include "reports/ReportRecords.h"

/**
 * @brief Rows held for a report: the result of a query the report reads itself, or rows a
 * caller assembles. Field names ignore letter case, as both database backends return them.
 *
 * Display text: dates as "yyyy/MM/dd", whole numbers without decimals, other numbers with two.
 */
class RecordTable : public ReportRecords
{
public:
    RecordTable() = default;
    RecordTable(const QStringList& columns, const QList<QVariantList>& rows);

    /// Reads every row of an executed query.
    static RecordTable fromQuery(QSqlQuery& query);

    void append(const QVariantList& row) { m_rows.append(row); }

    int recordCount() const override { return int(m_rows.size()); }
    void first() override { m_current = 0; }
    void next() override
    {
        if (m_current < m_rows.size())
            ++m_current;
    }
    bool eof() const override { return m_current >= m_rows.size(); }

    bool hasField(const QString& name) const override;
    QVariant value(const QString& name) const override;
    QString text(const QString& name) const override;

    static QString displayText(const QVariant& value);

private:
    int column(const QString& name) const;

    QStringList m_columns;
    QList<QVariantList> m_rows;
    qsizetype m_current = 0;
};
