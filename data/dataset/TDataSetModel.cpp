#include "data/dataset/TDataSetModel.h"

TDataSetModel::TDataSetModel(TDataSet* dataSet, QObject* parent)
    : QAbstractTableModel(parent), m_dataSet(dataSet)
{
    connect(dataSet, &TDataSet::rowsReset, this, &TDataSetModel::reset);
    connect(dataSet, &TDataSet::rowAboutToBeInserted, this, [this](int row) { beginInsertRows({}, row, row); });
    connect(dataSet, &TDataSet::rowInserted, this, [this] {
        m_rowCount = m_dataSet->recordCount();
        endInsertRows();
    });
    connect(dataSet, &TDataSet::rowAboutToBeRemoved, this, [this](int row) { beginRemoveRows({}, row, row); });
    connect(dataSet, &TDataSet::rowRemoved, this, [this] {
        m_rowCount = m_dataSet->recordCount();
        endRemoveRows();
    });
    connect(dataSet, &TDataSet::rowsCounted, this, &TDataSetModel::rowsCounted);
    connect(dataSet, &TDataSet::rowChanged, this, [this](int row) {
        if (row >= 0 && row < m_rowCount && m_columnCount > 0)
            emit dataChanged(index(row, 0), index(row, m_columnCount - 1));
    });
    reset();
}

void TDataSetModel::reset()
{
    beginResetModel();
    // A paged read's first page is shown without listing the rest of its rows.
    m_rowCount = m_dataSet && m_dataSet->isActive() ? m_dataSet->knownRowCount() : 0;
    m_columnCount = m_columns.isEmpty() ? (m_dataSet ? m_dataSet->fieldCount() : 0) : int(m_columns.size());
    endResetModel();
}

void TDataSetModel::rowsCounted()
{
    const int total = m_dataSet->recordCount();
    if (total <= m_rowCount)
        return;
    beginInsertRows({}, m_rowCount, total - 1);
    m_rowCount = total;
    endInsertRows();
}

bool TDataSetModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && m_dataSet && m_dataSet->isActive() && !m_dataSet->isRowCountKnown();
}

void TDataSetModel::fetchMore(const QModelIndex& parent)
{
    // Listing the rows announces them through rowsCounted.
    if (canFetchMore(parent))
        m_dataSet->recordCount();
}

void TDataSetModel::setColumns(const QStringList& fields, const QStringList& titles)
{
    m_columns = fields;
    m_titles = titles;
    reset();
}

TField* TDataSetModel::fieldAt(int column) const
{
    if (!m_dataSet || column < 0)
        return nullptr;
    if (m_columns.isEmpty())
        return column < m_dataSet->fieldCount() ? &m_dataSet->field(column) : nullptr;
    if (column >= m_columns.size())
        return nullptr;
    TField* f = m_dataSet->findField(m_columns.at(column));
    return f && f->isAttached() ? f : nullptr;
}

int TDataSetModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rowCount; }

int TDataSetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_columnCount;
}

QVariant TDataSetModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !m_dataSet || index.row() >= m_dataSet->knownRowCount())
        return {};
    if (rowData) {
        const QVariant v = rowData(*m_dataSet, index.row(), role);
        if (v.isValid())
            return v;
    }
    const TField* f = fieldAt(index.column());
    if (!f)
        return {};
    const QVariant v = m_dataSet->value(index.row(), f->index());
    switch (role) {
    case Qt::DisplayRole:
        if (f->onGetText && index.row() == m_dataSet->recNo())
            return f->displayText();
        return f->textOf(v, true);
    case Qt::EditRole:
        return f->textOf(v, false);
    case Qt::UserRole:
        return v;
    case Qt::TextAlignmentRole:
        if (f->type() == ColType::Decimal || f->type() == ColType::Integer || f->type() == ColType::SmallInt)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant TDataSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section < m_titles.size() && !m_titles.at(section).isEmpty())
        return m_titles.at(section);
    const TField* f = fieldAt(section);
    return f ? f->name() : QVariant();
}

Qt::ItemFlags TDataSetModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    const TField* f = fieldAt(index.column());
    if (m_editable && f && m_dataSet && !m_dataSet->isReadOnly() && !f->isReadOnly()
        && (m_dataSet->table().isEmpty() || f->isWritable()))
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool TDataSetModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !m_dataSet)
        return false;
    TField* f = fieldAt(index.column());
    if (!f)
        return false;
    if (index.row() != m_dataSet->recNo() && !m_dataSet->moveTo(index.row()))
        return false;
    if (!m_dataSet->edit())
        return false;
    return value.typeId() == QMetaType::QString ? f->setEditText(value.toString()) : f->setValue(value);
}

void TDataSetModel::sort(int column, Qt::SortOrder order)
{
    const TField* f = fieldAt(column);
    if (!f || !m_dataSet)
        return;
    m_dataSet->setSort(f->name() + (order == Qt::AscendingOrder ? QStringLiteral(" ASC") : QStringLiteral(" DESC")));
}
