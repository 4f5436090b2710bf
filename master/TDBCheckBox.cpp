#include "master/TDBCheckBox.h"

#include "data/dataset/TField.h"

TDBCheckBox::TDBCheckBox(TDataSource* source, const QString& field, const QString& caption,
                         QWidget* parent)
    : QCheckBox(caption, parent)
{
    m_link.updateData = [this] {
        TField* f = m_link.field();
        return f && f->setValue(isChecked());
    };
    connect(&m_link, &TFieldDataLink::dataChanged, this, &TDBCheckBox::load);
    connect(this, &QCheckBox::clicked, this, &TDBCheckBox::userClicked);
    m_link.bind(source, field);
    load();
}

void TDBCheckBox::load()
{
    const TField* f = m_link.field();
    setChecked(f && f->asBoolean());
}

void TDBCheckBox::userClicked(bool)
{
    // Only a record in edit state takes the click; otherwise the box shows the field again.
    if (!m_link.canModify() || !m_link.edit()) {
        load();
        return;
    }
    m_link.setModified();
    if (!m_link.commit())
        load();
}
