#pragma once

#include <QLineEdit>

#include "widgets/TFieldDataLink.h"

class QValidator;

/**
 * @brief The edit bound to any field of the current record: the data-bound edit of every
 * master-data and document window.
 *
 * It shows the field's display text, and its edit text while it has the focus and the field may
 * be modified. Keys that would change the text first ask the record to enter edit state and are
 * discarded when it does not; a character the field cannot hold (a letter in a number field)
 * beeps. Leaving the control commits its text into the field; when the field refuses it, the
 * control keeps the focus with its whole text selected and the record stays in edit state.
 * Escape puts the field's value back. Number fields are drawn right-aligned while the control
 * does not have the focus.
 *
 * The maximum length counts bytes of the Big5 code page (see Big5.h): a string field's size, when
 * no maximum is set. Text put in by typing, pasting or an input method is cut back at the caret
 * to the maximum, so what the field can hold is taken and nothing else is lost.
 *
 * @code
 * auto* name = new TDBEditNew(&dm.CustomerSrc, "CustName", page);
 * connect(name, &TDBEditNew::exited, this, &TCustomerFrm::CustNameExit);
 * @endcode
 */
class TDBEditNew : public QLineEdit
{
    Q_OBJECT
public:
    enum class CharCase { Normal, Upper, Lower };

    explicit TDBEditNew(QWidget* parent = nullptr);
    TDBEditNew(TDataSource* source, const QString& field, QWidget* parent = nullptr);
    ~TDBEditNew() override;

    void bind(TDataSource* source, const QString& field) { m_link.bind(source, field); }
    TDataSource* dataSource() const { return m_link.dataSource(); }
    void setDataSource(TDataSource* source) { m_link.setDataSource(source); }
    QString dataField() const { return m_link.dataField(); }
    void setDataField(const QString& field) { m_link.setDataField(field); }
    TFieldDataLink* dataLink() { return &m_link; }
    TField* field() const { return m_link.field(); }

    /// The binding's own read-only flag. (The text's read-only state follows the record's
    /// editing state; QLineEdit::isReadOnly() tells it.)
    bool isReadOnly() const { return m_link.isReadOnly(); }
    void setReadOnly(bool readOnly) { m_link.setReadOnly(readOnly); }

    /// Maximum length in Big5 bytes; 0 means the string field's size (or no limit).
    int maxLength() const { return m_maxLength; }
    void setMaxLength(int bytes) { m_maxLength = bytes; }

    CharCase charCase() const { return m_charCase; }
    void setCharCase(CharCase charCase);

    /// Commits a modified text into the field now; false when the field refused it.
    bool commit() { return m_link.commit(); }

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

signals:
    /// The control received the focus.
    void entered();
    /// The control lost the focus after committing its text.
    void exited();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    friend class TBig5LimitValidator;

    void load();
    bool updateData();
    void applyAlignment();
    void setEditingText(bool editing);
    bool acceptsChar(QChar c) const;
    bool acceptsText(const QString& text);

    TFieldDataLink m_link;
    QValidator* m_validator;
    Qt::Alignment m_fieldAlignment = Qt::AlignLeft;
    int m_maxLength = 0;
    CharCase m_charCase = CharCase::Normal;
    QString m_lastText;
    bool m_focused = false;
    bool m_loading = false;
};
