#pragma once

#include <QObject>
#include <QPointer>

#include "data/dataset/TDataSet.h"

/**
 * @brief What bound widgets and grids connect to: a dataset, an auto-edit switch and one set of
 * signals telling them to repaint.
 *
 * With auto-edit on, the first change a user makes to a browsed row puts the dataset into edit
 * state; with it off, a bound widget stays read-only until the window calls `edit()`.
 *
 * @code
 * TDataSource src(&dm.CustomerDS);
 * connect(&src, &TDataSource::dataChanged, editor, [&] { editor->setText(field.editText()); });
 * src.setFieldText("CustName", typed);   // enters edit state when auto-edit allows
 * @endcode
 */
class TDataSource : public QObject
{
    Q_OBJECT
public:
    explicit TDataSource(TDataSet* dataSet = nullptr, QObject* parent = nullptr);

    TDataSet* dataSet() const { return m_dataSet; }
    void setDataSet(TDataSet* dataSet);
    bool autoEdit() const { return m_autoEdit; }
    void setAutoEdit(bool on) { m_autoEdit = on; }
    /// Whether a user may change field values through this source right now.
    bool canModify() const;

    /// Puts the dataset into edit state if it is browsing and auto-edit allows it.
    bool edit();
    /// Assigns a field as a user's entry: auto-edit first, then the field's own checks.
    bool setFieldValue(const QString& field, const QVariant& value);
    bool setFieldText(const QString& field, const QString& text);

signals:
    /// The current row or its values changed (field is null when the whole row did).
    void dataChanged(TField* field);
    void stateChanged(TDataSet::State state);
    /// The rows were replaced, sorted or closed.
    void rowsReset();
    /// A save is starting: see TDataSet::aboutToPost.
    void aboutToPost(bool* accepted);

private:
    QPointer<TDataSet> m_dataSet;
    bool m_autoEdit = true;
    QList<QMetaObject::Connection> m_links;
};
