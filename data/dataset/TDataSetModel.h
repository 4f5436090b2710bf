#pragma once

#include <functional>

#include <QAbstractTableModel>
#include <QPointer>
#include <QStringList>

#include "data/dataset/TDataSet.h"

/**
 * @brief A dataset as a table for grids: one column per field (or per chosen field), the row being
 * edited shown from its edit buffer.
 *
 * A paged dataset whose rows past the first page are not listed yet shows its first page, and
 * offers the rest through `canFetchMore()`/`fetchMore()` (a view asks when it scrolls to the
 * end); rows listed by anyone else (`recordCount()` of the window) appear as inserted.
 *
 * Selection of several rows belongs to the view. Colours come from a per-row hook that the widget
 * layer supplies (this library has no GUI types), returning e.g. a QColor for Qt::BackgroundRole.
 *
 * @code
 * TDataSetModel model(&dm.ExportDS);
 * model.setColumns({"PNo", "CustNo", "EDate"}, {"單號", "客戶", "日期"});
 * model.rowData = [](const TDataSet& ds, int row, int role) -> QVariant {
 *     return role == Qt::BackgroundRole && ds.value(row, "EComplete").toBool() ? QColor(Qt::gray) : QVariant();
 * };
 * view->setModel(&model);
 * @endcode
 */
class TDataSetModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    using RowDataHook = std::function<QVariant(const TDataSet& dataSet, int row, int role)>;

    explicit TDataSetModel(TDataSet* dataSet, QObject* parent = nullptr);

    TDataSet* dataSet() const { return m_dataSet; }
    /// Shows only these fields in this order, titled by `titles` where given; empty shows all.
    void setColumns(const QStringList& fields, const QStringList& titles = {});
    /// The field shown in a column, or null.
    TField* fieldAt(int column) const;
    bool isEditable() const { return m_editable; }
    void setEditable(bool editable) { m_editable = editable; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    /// Moves to the row, enters edit state and assigns the field through its checks.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    /// Sorts the dataset by the column (a title click).
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    RowDataHook rowData;

private:
    void reset();
    void rowsCounted();

    QPointer<TDataSet> m_dataSet;
    QStringList m_columns;
    QStringList m_titles;
    bool m_editable = false;
    int m_rowCount = 0;
    int m_columnCount = 0;
};
