#include "widgets/TDBEnglishDate.h"

#include <QFocusEvent>
#include <QTimer>

#include "data/dataset/TDataSet.h"
#include "data/dataset/TField.h"

TDBEnglishDate::TDBEnglishDate(QWidget* parent) : TEnglishDate(parent), m_link(this)
{
    m_date = QDate::currentDate();
    QLineEdit::setReadOnly(true);
    m_link.updateData = [this] { return store(); };
    connect(&m_link, &TFieldDataLink::refused, this, [this] {
        // Taken back once the focus change under way has finished.
        QTimer::singleShot(0, this, [this] {
            setFocus(Qt::OtherFocusReason);
            selectAll();
        });
    });
    connect(&m_link, &TFieldDataLink::dataChanged, this, &TDBEnglishDate::load);
    connect(&m_link, &TFieldDataLink::editingChanged, this,
            [this](bool editing) { QLineEdit::setReadOnly(!editing); });
}

TDBEnglishDate::TDBEnglishDate(TDataSource* source, const QString& field, QWidget* parent)
    : TDBEnglishDate(parent)
{
    bind(source, field);
}

void TDBEnglishDate::load()
{
    QLineEdit::setReadOnly(!m_link.isEditing());
    if (m_guard)
        return;
    TField* field = m_link.field();
    const QDate value = field && !field->isNull() ? field->asDateTime().date() : QDate();
    m_loaded = value;
    m_guard = true;
    setDate(value);
    m_guard = false;
    m_link.setModified(false);
}

bool TDBEnglishDate::store()
{
    TField* field = m_link.field();
    if (!field)
        return false;
    const bool wasGuarded = m_guard;
    m_guard = true;
    if (!m_link.isEditing())
        m_link.edit();
    const QVariant value = m_date.isValid() ? QVariant(QDateTime(m_date, QTime(0, 0))) : QVariant();
    const bool stored = field->setValue(value);
    m_guard = wasGuarded;
    return stored;
}

void TDBEnglishDate::textWasChanged()
{
    if (m_guard || !m_link.canModify())
        return;
    // A date the field refused stays marked, so leaving the control tries it once more.
    m_link.setModified(!store());
}

bool TDBEnglishDate::requestEdit()
{
    return m_link.edit();
}

bool TDBEnglishDate::requestSpin()
{
    return !m_link.isReadOnly() && m_link.canModify() && m_link.edit();
}

bool TDBEnglishDate::escapePressed()
{
    if (!m_link.edit())
        return true; // discarded
    setDate(m_loaded);
    return true;
}

void TDBEnglishDate::focusOutEvent(QFocusEvent* event)
{
    TEnglishDate::focusOutEvent(event);
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        return;
    m_link.commit();
}
