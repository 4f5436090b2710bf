#include "data/dataset/TField.h"

#include <cmath>

#include "data/SqlDialect.h"
#include "data/dataset/TDataSet.h"

TField::TField(TDataSet* dataSet, const QString& name) : m_dataSet(dataSet), m_name(name) {}

void TField::bind(int index, ColType type, int size, int scale, bool writable, bool key)
{
    m_index = index;
    m_type = type;
    m_size = size;
    m_scale = scale;
    m_writable = writable;
    m_key = key;
}

QVariant TField::value() const { return m_dataSet->fieldValue(*this); }
QVariant TField::oldValue() const { return m_dataSet->fieldOldValue(*this); }
bool TField::isChanged() const { return m_dataSet->isFieldChanged(m_name); }
bool TField::setValue(const QVariant& value) { return m_dataSet->fieldAssign(*this, value); }

QString TField::asString() const { return textOf(value(), false); }
qlonglong TField::asInteger() const
{
    const QVariant v = value();
    if (v.typeId() == QMetaType::Double)
        return qlonglong(std::llround(v.toDouble()));
    return v.toLongLong();
}
double TField::asFloat() const { return value().toDouble(); }
bool TField::asBoolean() const
{
    const QVariant v = value();
    if (v.typeId() == QMetaType::QString)
        return v.toString().trimmed() == QLatin1String("1")
               || v.toString().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
    return v.toBool();
}
QDateTime TField::asDateTime() const { return SqlDialect::toDateTime(value()); }

QVariant TField::normalized(const QVariant& raw) const
{
    if (raw.isNull() || !raw.isValid())
        return {};
    switch (m_type) {
    case ColType::Text:
    case ColType::LongText:
        return raw.toString();
    case ColType::Decimal:
        return raw.toDouble();
    case ColType::Integer:
    case ColType::SmallInt:
    case ColType::Identity:
        if (raw.typeId() == QMetaType::Double)
            return qlonglong(std::llround(raw.toDouble()));
        return raw.toLongLong();
    case ColType::DateTime: {
        const QDateTime dt = SqlDialect::toDateTime(raw);
        return dt.isValid() ? QVariant(dt) : QVariant();
    }
    case ColType::Boolean:
        if (raw.typeId() == QMetaType::QString)
            return raw.toString().trimmed() == QLatin1String("1")
                   || raw.toString().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
        return raw.toBool();
    }
    return raw;
}

QString TField::textOf(const QVariant& v, bool display) const
{
    if (v.isNull() || !v.isValid())
        return {};
    switch (m_type) {
    case ColType::DateTime: {
        const QDateTime dt = SqlDialect::toDateTime(v);
        if (dt.time() == QTime(0, 0))
            return dt.toString(QStringLiteral("yyyy/MM/dd"));
        return dt.toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
    }
    case ColType::Boolean:
        return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case ColType::Decimal: {
        const double d = v.toDouble();
        if (display && m_scale > 0)
            return QString::number(d, 'f', m_scale);
        return QString::number(d, 'g', 15);
    }
    default:
        return v.toString();
    }
}

QString TField::displayText() const
{
    if (onGetText)
        return onGetText(*this, true);
    return textOf(value(), true);
}

QString TField::editText() const
{
    if (onGetText)
        return onGetText(*this, false);
    return textOf(value(), false);
}

bool TField::setEditText(const QString& text)
{
    if (onSetText)
        return onSetText(*this, text);
    const QString t = text.trimmed();
    switch (m_type) {
    case ColType::Text:
    case ColType::LongText:
        return setValue(text);
    case ColType::Decimal: {
        if (t.isEmpty())
            return setValue(QVariant());
        bool ok = false;
        const double d = t.toDouble(&ok);
        return ok && setValue(d);
    }
    case ColType::Integer:
    case ColType::SmallInt:
    case ColType::Identity: {
        if (t.isEmpty())
            return setValue(QVariant());
        bool ok = false;
        const qlonglong n = t.toLongLong(&ok);
        return ok && setValue(n);
    }
    case ColType::DateTime: {
        if (text.isEmpty() || text.at(0).isSpace())
            return setValue(QVariant());
        for (const char* format : {"yyyy/MM/dd hh:mm:ss", "yyyy/MM/dd", "yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd"}) {
            const QDateTime dt = QDateTime::fromString(t, QString::fromLatin1(format));
            if (dt.isValid())
                return setValue(dt);
        }
        return false;
    }
    case ColType::Boolean:
        if (t.isEmpty())
            return setValue(QVariant());
        return setValue(t == QLatin1String("1") || t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0);
    }
    return false;
}
