#pragma once

#include <functional>

#include <QObject>
#include <QPointer>
#include <QString>

#include "data/dataset/TDataSource.h"

class TDataSet;
class TField;

/**
 * @brief The tie of one bound control to one field of a dataset, through a data source.
 *
 * It tells the control when to load (the current row or the field changed, rows were re-read,
 * the editing state changed) and when its editing state changed; it asks the record to enter
 * edit state for the control, and it commits the control's value into the field when the
 * control's text was modified since the last load.
 *
 * The link counts as editing while the dataset is in edit or insert state and the link's own
 * read-only flag is clear. An empty field name, or one the dataset's query lacks, means no field.
 */
class TFieldDataLink : public QObject
{
    Q_OBJECT
public:
    explicit TFieldDataLink(QObject* parent = nullptr);
    ~TFieldDataLink() override;

    TDataSource* dataSource() const { return m_source; }
    void setDataSource(TDataSource* source);
    QString dataField() const { return m_fieldName; }
    void setDataField(const QString& name);
    /// Both at once: what a window does to bind a control.
    void bind(TDataSource* source, const QString& fieldName);

    TDataSet* dataSet() const;
    /// The bound field, or null when there is none.
    TField* field() const;

    bool isReadOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly);

    /// The dataset is in edit or insert state and the link is not read-only.
    bool isEditing() const;
    /// The link is not read-only, the field exists, and the field and its dataset take changes.
    bool canModify() const;
    /// Asks the record to enter edit state (the data source decides whether it starts editing on
    /// demand); true when the link is editing afterwards.
    bool edit();

    bool isModified() const { return m_modified; }
    void setModified(bool modified = true) { m_modified = modified; }
    /// Writes the control's value into the field through @ref updateData when it was modified;
    /// false when the field refused it (the flag then stays set).
    bool commit();

    /// Writes the control's value into the field; false when the field refuses it.
    std::function<bool()> updateData;

signals:
    /// The control must load the field's value (or clear itself when there is no field).
    void dataChanged();
    /// The editing state of the link changed.
    void editingChanged(bool editing);
    /// A commit was refused: the control takes the focus back with its whole text selected.
    void refused();

private:
    void connectSource();
    void stateMayHaveChanged();

    QPointer<TDataSource> m_source;
    QString m_fieldName;
    bool m_readOnly = false;
    bool m_modified = false;
    bool m_editing = false;
    QList<QMetaObject::Connection> m_connections;
};
