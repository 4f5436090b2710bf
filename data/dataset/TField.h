#pragma once

#include <functional>

#include <QDateTime>
#include <QString>
#include <QVariant>

#include "data/Schema.h"

class TDataSet;

/**
 * @brief One column of a dataset: its type, size, value in the current row, the value read from
 * the database, and the texts shown and edited.
 *
 * A field object lives as long as its dataset and keeps its hooks across re-reads; a name the
 * current query does not return gives a detached field whose value is null and which refuses
 * every assignment.
 */
class TField
{
public:
    /// Refuses a value by returning false (or throwing TAbort); the field keeps its old value. The
    /// hook may also adjust the value it is given.
    using ValidateHook = std::function<bool(TField& field, QVariant& value)>;
    /// Runs after a value was accepted.
    using ChangeHook = std::function<void(TField& field)>;
    /// Replaces the display or edit text of the field.
    using TextHook = std::function<QString(const TField& field, bool display)>;

    TField(TDataSet* dataSet, const QString& name);

    TDataSet* dataSet() const { return m_dataSet; }
    QString name() const { return m_name; }
    /// Position in the current query, -1 when the query does not return it.
    int index() const { return m_index; }
    bool isAttached() const { return m_index >= 0; }

    ColType type() const { return m_type; }
    /// Characters of a text, digits of a decimal; 0 when unbounded.
    int size() const { return m_size; }
    int scale() const { return m_scale; }
    bool isReadOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    /// Whether a save writes this field into the dataset's table.
    bool isWritable() const { return m_writable && !m_readOnly; }
    bool isKey() const { return m_key; }

    QVariant value() const;
    /// The value as it was read from the database (null for a new row).
    QVariant oldValue() const;
    bool isNull() const { return value().isNull(); }
    /// The value differs from the one read from the database.
    bool isChanged() const;

    /// Assigns a value in the edit buffer; false when the dataset is not editing, the field is
    /// read-only, the text is too long, or the entry hook refused it.
    bool setValue(const QVariant& value);
    bool clear() { return setValue(QVariant()); }

    QString asString() const;
    qlonglong asInteger() const;
    double asFloat() const;
    bool asBoolean() const;
    QDateTime asDateTime() const;

    /// Text shown in grids and labels: dates "yyyy/MM/dd" (with the time when it is not
    /// midnight), booleans "1"/"0", decimals with their scale.
    QString displayText() const;
    /// Text put into an editor.
    QString editText() const;
    /// Parses a typed text by the field's type; an empty text or a date text whose first
    /// character is a blank means null.
    bool setEditText(const QString& text);

    /// Takes over a typed text (`setEditText`) before any other check, also on a column joined in
    /// from another table; the hook stores what it accepts itself and returns false to refuse.
    using SetTextHook = std::function<bool(TField& field, const QString& text)>;

    ValidateHook onValidate;
    SetTextHook onSetText;
    ChangeHook onChange;
    TextHook onGetText;

    /// Converts a value read from either backend to the field's own representation.
    QVariant normalized(const QVariant& raw) const;
    QString textOf(const QVariant& value, bool display) const;

private:
    friend class TDataSet;
    void bind(int index, ColType type, int size, int scale, bool writable, bool key);
    void detach() { m_index = -1; }

    TDataSet* m_dataSet;
    QString m_name;
    int m_index = -1;
    ColType m_type = ColType::Text;
    int m_size = 0;
    int m_scale = 0;
    bool m_writable = false;
    bool m_reference = false; ///< refers to another table's row: empty text is stored as NULL
    bool m_readOnly = false;
    bool m_key = false;
    bool m_fromSchema = false;
};
