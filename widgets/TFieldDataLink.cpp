#include "widgets/TFieldDataLink.h"

#include "data/dataset/TDataSet.h"
#include "data/dataset/TDataSource.h"
#include "data/dataset/TField.h"

TFieldDataLink::TFieldDataLink(QObject* parent) : QObject(parent) {}

TFieldDataLink::~TFieldDataLink() = default;

void TFieldDataLink::setDataSource(TDataSource* source)
{
    if (m_source == source)
        return;
    m_source = source;
    connectSource();
    stateMayHaveChanged();
    emit dataChanged();
}

void TFieldDataLink::setDataField(const QString& name)
{
    if (m_fieldName == name)
        return;
    m_fieldName = name;
    emit dataChanged();
}

void TFieldDataLink::bind(TDataSource* source, const QString& fieldName)
{
    m_fieldName = fieldName;
    m_source = nullptr;
    setDataSource(source);
    if (!source)
        emit dataChanged();
}

void TFieldDataLink::connectSource()
{
    for (const auto& c : m_connections)
        disconnect(c);
    m_connections.clear();
    if (!m_source)
        return;
    m_connections << connect(m_source, &TDataSource::dataChanged, this, [this](TField* changed) {
        if (!changed || changed == field())
            emit dataChanged();
    });
    m_connections << connect(m_source, &TDataSource::rowsReset, this, &TFieldDataLink::dataChanged);
    // A save from a toolbar button leaves the focus in the control being typed in: its text is
    // handed over first, and a text the field refuses keeps the row unsaved.
    m_connections << connect(m_source, &TDataSource::aboutToPost, this, [this](bool* accepted) {
        if (*accepted && isModified() && !commit())
            *accepted = false;
    });
    // A cancel or a save returns the row as it now is; starting to edit changes nothing, but
    // the control shows edit text instead of display text from then on.
    m_connections << connect(m_source, &TDataSource::stateChanged, this, [this] {
        stateMayHaveChanged();
        emit dataChanged();
    });
    m_connections << connect(m_source, &QObject::destroyed, this, [this] {
        m_source = nullptr;
        stateMayHaveChanged();
        emit dataChanged();
    });
}

TDataSet* TFieldDataLink::dataSet() const
{
    return m_source ? m_source->dataSet() : nullptr;
}

TField* TFieldDataLink::field() const
{
    TDataSet* ds = dataSet();
    if (!ds || m_fieldName.isEmpty() || !ds->isActive())
        return nullptr;
    TField* f = ds->findField(m_fieldName);
    return f && f->isAttached() ? f : nullptr;
}

void TFieldDataLink::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    stateMayHaveChanged();
}

bool TFieldDataLink::isEditing() const
{
    TDataSet* ds = dataSet();
    return !m_readOnly && ds && ds->isEditing();
}

bool TFieldDataLink::canModify() const
{
    TDataSet* ds = dataSet();
    TField* f = field();
    return !m_readOnly && f && ds->isActive() && !ds->isReadOnly() && f->isWritable();
}

bool TFieldDataLink::edit()
{
    if (canModify() && !isEditing())
        m_source->edit();
    stateMayHaveChanged();
    return isEditing();
}

bool TFieldDataLink::commit()
{
    if (!m_modified)
        return true;
    if (!isEditing()) {
        // Keys never change the text while the record is not edited, so this text was put in by
        // code; there is no record to take it, and the control shows the field again.
        m_modified = false;
        emit dataChanged();
        return true;
    }
    if (updateData && !updateData()) {
        emit refused();
        return false;
    }
    m_modified = false;
    return true;
}

void TFieldDataLink::stateMayHaveChanged()
{
    const bool editing = isEditing();
    if (editing == m_editing)
        return;
    m_editing = editing;
    emit editingChanged(editing);
}
