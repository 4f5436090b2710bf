#include "data/SearchCondition.h"

#include <algorithm>

#include "data/Schema.h"
#include "data/SqlDialect.h"
#include "data/TMainDM.h"
#include "data/dataset/TDataSet.h"

namespace {

/// Above every character a text can hold, so prefix + Top bounds everything that starts with prefix.
const QString Top = QString::fromUcs4(U"\U0010FFFF", 1);

/// A pattern of wildcards alone ("*" or "**" typed) matches every value but a missing one.
bool matchesAnyValue(const QString& likePattern)
{
    return !likePattern.isEmpty()
           && std::all_of(likePattern.begin(), likePattern.end(), [](QChar c) { return c == QLatin1Char('%'); });
}

bool isPurePrefix(const QString& typed)
{
    return typed.size() > 1 && typed.endsWith(QLatin1Char('*')) && !typed.startsWith(QLatin1Char('*'));
}

} // namespace

SearchCondition::SearchCondition(Backend backend, const QString& table) : m_backend(backend), m_table(table) {}

bool SearchCondition::addText(const QString& column, const QString& typed)
{
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return false;

    if (isNumber(column)) {
        // A number column is searched by its text form, as the user sees it.
        QString pattern = text;
        const QString textForm = QStringLiteral("CAST(%1 AS TEXT)").arg(column);
        const bool wild = TMainDM::WildToLike(pattern);
        if (wild && matchesAnyValue(pattern))
            m_parts << QStringLiteral("%1 IS NOT NULL").arg(column);
        else if (wild)
            m_parts << QStringLiteral("%1 LIKE %2 ESCAPE '\\'").arg(textForm, bind(pattern));
        else
            m_parts << QStringLiteral("%1 = %2").arg(textForm, bind(text));
        return true;
    }

    const QString key = SqlDialect::searchKey(m_backend, column);
    if (isPurePrefix(text)) {
        const QString prefix = text.chopped(1);
        m_parts << QStringLiteral("%1 >= lower(%2) and %1 < lower(%3)")
                       .arg(key, bind(prefix), bind(prefix + Top));
        return true;
    }
    QString pattern = text;
    const bool wild = TMainDM::WildToLike(pattern);
    if (wild && matchesAnyValue(pattern))
        // No per-row lower() for a condition every value meets.
        m_parts << QStringLiteral("%1 IS NOT NULL").arg(column);
    else if (wild)
        m_parts << QStringLiteral("%1 LIKE lower(%2) ESCAPE '\\'").arg(key, bind(pattern));
    else
        m_parts << QStringLiteral("%1 = lower(%2)").arg(key, bind(text));
    return true;
}

void SearchCondition::add(const QString& fragment, const QVariantMap& values)
{
    m_parts << fragment;
    m_values.insert(values);
}

void SearchCondition::applyTo(TDataSet& dataSet, const QString& prefix, const QString& suffix) const
{
    dataSet.setSql(prefix + where() + suffix);
    for (auto it = m_values.cbegin(); it != m_values.cend(); ++it)
        dataSet.setParam(it.key(), it.value());
}

QString SearchCondition::bind(const QVariant& value)
{
    const QString name = QStringLiteral("w%1").arg(m_values.size() + 1);
    m_values.insert(name, value);
    return QLatin1Char(':') + name;
}

bool SearchCondition::isNumber(const QString& column) const
{
    const TableDef* table = m_table.isEmpty() ? nullptr : Schema::table(m_table);
    const ColumnDef* def = table ? table->column(column) : nullptr;
    return def && def->type != ColType::Text && def->type != ColType::LongText;
}
