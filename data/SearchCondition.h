#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include "data/DbConfig.h"

class TDataSet;

/**
 * @brief The conditions of a search form, joined with " and ", every typed text bound.
 *
 * A typed text follows the wildcard rule of the search forms: a leading or trailing "*" makes a
 * pattern, any other "*" and every "%" or "_" the user typed match themselves; without a star the
 * text must match whole. Both ignore letter case on either backend. A pure prefix ("AB*") is
 * looked up as a range of the column's search key, so the caseless index of the column serves it.
 *
 * @code
 * SearchCondition c(con.backend(), "Customer");
 * c.addText("CustNo", ui.custNo->text());
 * c.addText("CustName", ui.custName->text());
 * if (c.isEmpty()) { TDialogs::warning("請輸入查詢條件"); return; }
 * c.applyTo(dm.CustomerDS, "Select * from Customer where ");
 * @endcode
 */
class SearchCondition
{
public:
    /// `table` tells number columns apart (their text form is compared); it may be empty.
    explicit SearchCondition(Backend backend, const QString& table = {});

    /// Adds the condition of one typed text; false (and nothing added) when it is blank.
    bool addText(const QString& column, const QString& typed);
    /// A fragment of the caller's own, with :name placeholders not of the form :wN, and their values.
    void add(const QString& fragment, const QVariantMap& values = {});

    bool isEmpty() const { return m_parts.isEmpty(); }
    QString where() const { return m_parts.join(QStringLiteral(" and ")); }
    QVariantMap values() const { return m_values; }

    /// Sets the dataset's SQL to prefix + where() + suffix and binds the values; the dataset is
    /// left closed for the caller to open.
    void applyTo(TDataSet& dataSet, const QString& prefix, const QString& suffix = {}) const;

private:
    QString bind(const QVariant& value);
    bool isNumber(const QString& column) const;

    Backend m_backend;
    QString m_table;
    QStringList m_parts;
    QVariantMap m_values;
};
