#include "master/TSouGrid.h"

#include <QHeaderView>

TSouGrid::TSouGrid(TDataSet* dataSet, const QString& objectName, QWidget* parent)
    : QTableView(parent), m_model(dataSet)
{
    setObjectName(objectName);
    setModel(&m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setSortIndicatorShown(false);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &TSouGrid::titleClicked);

    // The row the user picks becomes the current record; a move of the record moves the cursor.
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (m_following || !current.isValid() || !this->dataSet())
                    return;
                if (current.row() == this->dataSet()->recNo())
                    return;
                // A record being edited is saved or cancelled by its buttons, never by a move
                // that would save it without the window's checks.
                if (this->dataSet()->isEditing() || !this->dataSet()->moveTo(current.row()))
                    followDataSet();
            });
    connect(dataSet, &TDataSet::currentChanged, this, &TSouGrid::followDataSet);
    connect(dataSet, &TDataSet::rowsReset, this, &TSouGrid::followDataSet);
}

void TSouGrid::setColumns(const QStringList& fields, const QStringList& titles)
{
    m_model.setColumns(fields, titles);
    followDataSet();
}

QString TSouGrid::fieldName(int column) const
{
    const TField* f = m_model.fieldAt(column);
    return f ? f->name() : QString();
}

void TSouGrid::titleClick(int column)
{
    const QString name = fieldName(column);
    if (name.isEmpty() || !dataSet() || !dataSet()->isActive())
        return;
    dataSet()->setSort(name + (m_sortFlag ? QStringLiteral(" DESC") : QStringLiteral(" ASC")));
    m_sortFlag = !m_sortFlag;
}

void TSouGrid::followDataSet()
{
    TDataSet* ds = dataSet();
    if (!ds || m_following)
        return;
    const int row = ds->recNo();
    if (row < 0 || row >= m_model.rowCount())
        return;
    const QModelIndex cur = currentIndex();
    if (cur.isValid() && cur.row() == row)
        return;
    m_following = true;
    setCurrentIndex(m_model.index(row, cur.isValid() ? cur.column() : 0));
    m_following = false;
}
