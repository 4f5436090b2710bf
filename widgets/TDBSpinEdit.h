#pragma once

#include <QLineEdit>

#include "widgets/TFieldDataLink.h"

class TSpinButtons;

/**
 * @brief The integer edit with spin buttons bound to an integer field of the current record.
 *
 * A null field shows "0" and an empty text is stored as 0. The value is held between
 * `minValue()` and `maxValue()` unless both are equal (0 and 0: any integer, negative ones too).
 * The spin buttons and the Up and Down keys step by `increment()`. Keys and steps ask the record
 * to enter edit state and are refused with a beep when it does not. Leaving the control commits
 * the value; when the field refuses it, the control keeps the focus with its text selected.
 *
 * @code
 * auto* qty = new TDBSpinEdit(&dm.AdjustSrc, "Qty", page);
 * @endcode
 */
class TDBSpinEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TDBSpinEdit(QWidget* parent = nullptr);
    TDBSpinEdit(TDataSource* source, const QString& field, QWidget* parent = nullptr);

    void bind(TDataSource* source, const QString& field) { m_link.bind(source, field); }
    TDataSource* dataSource() const { return m_link.dataSource(); }
    void setDataSource(TDataSource* source) { m_link.setDataSource(source); }
    QString dataField() const { return m_link.dataField(); }
    void setDataField(const QString& field) { m_link.setDataField(field); }
    TFieldDataLink* dataLink() { return &m_link; }

    /// The text as a decimal integer; a text that is no integer gives minValue().
    qlonglong value() const;
    /// Shows the value, bounded.
    void setValue(qlonglong value);
    qlonglong minValue() const { return m_minValue; }
    void setMinValue(qlonglong value) { m_minValue = value; }
    qlonglong maxValue() const { return m_maxValue; }
    void setMaxValue(qlonglong value) { m_maxValue = value; }
    qlonglong increment() const { return m_increment; }
    void setIncrement(qlonglong step) { m_increment = step; }
    bool isEditorEnabled() const { return m_editorEnabled; }
    void setEditorEnabled(bool enabled) { m_editorEnabled = enabled; }
    bool autoSelect() const { return m_autoSelect; }
    void setAutoSelect(bool on) { m_autoSelect = on; }
    /// The control's own read-only flag: no typing, stepping, cutting or pasting.
    bool isReadOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly);

    /// The value held within the bounds (unchanged when the bounds are equal).
    qlonglong bounded(qlonglong value) const;

    void stepUp() { step(1); }
    void stepDown() { step(-1); }
    TSpinButtons* spinButtons() const { return m_spin; }

    /// Commits a modified value into the field now; false when the field refused it.
    bool commit() { return m_link.commit(); }

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

signals:
    /// The control lost the focus after committing its value.
    void exited();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void load();
    bool updateData();
    void step(int direction);
    bool clipboardAllowed();
    void updateTextReadOnly();

    TFieldDataLink m_link;
    TSpinButtons* m_spin;
    qlonglong m_minValue = 0;
    qlonglong m_maxValue = 0;
    qlonglong m_increment = 1;
    bool m_editorEnabled = true;
    bool m_autoSelect = true;
    bool m_readOnly = false;
    bool m_loading = false;
};
