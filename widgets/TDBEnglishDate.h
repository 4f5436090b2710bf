#pragma once

#include "widgets/TEnglishDate.h"
#include "widgets/TFieldDataLink.h"

/**
 * @brief The date field bound to a date field of the current record.
 *
 * Typing, spinning and clearing follow `TEnglishDate`, but only once the record is in edit state
 * (the control asks for it; refused, the key or spin does nothing). Every change of the date is
 * written into the field at once, a cleared date as null; Escape returns to the date last loaded
 * from the field. The text is read-only while the record is not being edited.
 *
 * @code
 * dateEdit->bind(&dm.ExportSrc, "EDate");
 * @endcode
 */
class TDBEnglishDate : public TEnglishDate
{
    Q_OBJECT
public:
    explicit TDBEnglishDate(QWidget* parent = nullptr);
    TDBEnglishDate(TDataSource* source, const QString& field, QWidget* parent = nullptr);

    void bind(TDataSource* source, const QString& field) { m_link.bind(source, field); }
    TDataSource* dataSource() const { return m_link.dataSource(); }
    void setDataSource(TDataSource* source) { m_link.setDataSource(source); }
    QString dataField() const { return m_link.dataField(); }
    void setDataField(const QString& field) { m_link.setDataField(field); }
    TFieldDataLink* dataLink() { return &m_link; }

    /// The binding's own read-only flag: set, the control never edits its field. (The text's
    /// read-only state follows the record's editing state; QLineEdit::isReadOnly() tells it.)
    bool isReadOnly() const { return m_link.isReadOnly(); }
    void setReadOnly(bool readOnly) { m_link.setReadOnly(readOnly); }

    /// The date last loaded from the field.
    QDate loadedDate() const { return m_loaded; }

    /// Writes a date not yet in the field (refused earlier) into it; false when refused again.
    bool commit() { return m_link.commit(); }

protected:
    bool requestEdit() override;
    bool requestSpin() override;
    bool escapePressed() override;
    void textWasChanged() override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void load();
    bool store();

    TFieldDataLink m_link;
    QDate m_loaded;
    bool m_guard = false; ///< closed while the control itself loads or stores
};
