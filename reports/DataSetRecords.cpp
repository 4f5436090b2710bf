#include "reports/DataSetRecords.h"

#include "data/dataset/TDataSet.h"
#include "reports/office/OfficeError.h"

namespace {

TField& fieldOf(TDataSet& dataSet, const QString& name)
{
    TField* field = dataSet.findField(name);
    if (!field)
        throw office::OfficeError(QStringLiteral("找不到欄位：%1").arg(name));
    return *field;
}

} // namespace

int DataSetRecords::recordCount() const
{
    return m_dataSet.recordCount();
}

void DataSetRecords::first()
{
    m_dataSet.first();
}

void DataSetRecords::next()
{
    m_dataSet.next();
}

bool DataSetRecords::eof() const
{
    return m_dataSet.isEmpty() || m_dataSet.eof();
}

bool DataSetRecords::hasField(const QString& name) const
{
    return m_dataSet.findField(name) != nullptr;
}

QVariant DataSetRecords::value(const QString& name) const
{
    return fieldOf(m_dataSet, name).value();
}

QString DataSetRecords::text(const QString& name) const
{
    return fieldOf(m_dataSet, name).displayText();
}

void DataSetRecords::disableControls()
{
    m_dataSet.disableControls();
}

void DataSetRecords::enableControls()
{
    m_dataSet.enableControls();
}
