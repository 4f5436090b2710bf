#include "data/dataset/TDataSource.h"

TDataSource::TDataSource(TDataSet* dataSet, QObject* parent) : QObject(parent)
{
    setDataSet(dataSet);
}

void TDataSource::setDataSet(TDataSet* dataSet)
{
    for (const auto& link : m_links)
        disconnect(link);
    m_links.clear();
    m_dataSet = dataSet;
    if (!dataSet)
        return;
    m_links << connect(dataSet, &TDataSet::currentChanged, this, [this] { emit dataChanged(nullptr); });
    m_links << connect(dataSet, &TDataSet::rowChanged, this, [this](int row) {
        if (m_dataSet && row == m_dataSet->recNo())
            emit dataChanged(nullptr);
    });
    m_links << connect(dataSet, &TDataSet::fieldChanged, this, [this](TField* f) { emit dataChanged(f); });
    m_links << connect(dataSet, &TDataSet::stateChanged, this,
                       [this](TDataSet::State s) { emit stateChanged(s); });
    m_links << connect(dataSet, &TDataSet::rowsReset, this, [this] { emit rowsReset(); });
    m_links << connect(dataSet, &TDataSet::aboutToPost, this, &TDataSource::aboutToPost);
}

bool TDataSource::canModify() const
{
    if (!m_dataSet || !m_dataSet->isActive() || m_dataSet->isReadOnly())
        return false;
    return m_dataSet->isEditing() || m_autoEdit;
}

bool TDataSource::edit()
{
    if (!m_dataSet || !m_dataSet->isActive() || m_dataSet->isReadOnly())
        return false;
    if (m_dataSet->isEditing())
        return true;
    return m_autoEdit && m_dataSet->edit();
}

bool TDataSource::setFieldValue(const QString& field, const QVariant& value)
{
    if (!edit())
        return false;
    return m_dataSet->fieldByName(field).setValue(value);
}

bool TDataSource::setFieldText(const QString& field, const QString& text)
{
    if (!edit())
        return false;
    return m_dataSet->fieldByName(field).setEditText(text);
}
