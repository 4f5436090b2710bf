#pragma once

#include <QStringList>
#include <QTableView>

#include "data/dataset/TDataSetModel.h"

/**
 * @brief The read-only grid of the master-data windows: one dataset, the row under the cursor
 * kept as the dataset's current row, and sorting by a click on a column title.
 *
 * While the dataset is being edited the cursor stays on the edited row.
 *
 * Each grid has one direction flag, not one per column: a title click sorts ascending when the
 * flag is off (and sets it), descending when it is on (and clears it). The rows already read are
 * sorted on the client; nothing is re-read.
 */
class TSouGrid : public QTableView
{
    Q_OBJECT
public:
    TSouGrid(TDataSet* dataSet, const QString& objectName, QWidget* parent = nullptr);

    TDataSet* dataSet() const { return m_model.dataSet(); }
    TDataSetModel* dataModel() { return &m_model; }
    /// Shows only these fields with these titles; empty shows every field in query order.
    void setColumns(const QStringList& fields, const QStringList& titles = {});

    /// The title click: sorts on the column's field by the grid's flag, then flips it.
    void titleClick(int column);
    bool sortFlag() const { return m_sortFlag; }
    /// The field name of a column, empty when there is none.
    QString fieldName(int column) const;

signals:
    /// A column title was clicked (the window decides what a click does).
    void titleClicked(int column);

private:
    void followDataSet();

    TDataSetModel m_model;
    bool m_sortFlag = false;
    bool m_following = false;
};
